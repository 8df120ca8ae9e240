//===- engine_errors.cpp - The engine's complaints during a run -----------===//

#include "engine_errors.h"

namespace {

// A class and reason pair with an identifier of its own.
struct KnownComplaint {
  uint32_t class_code;
  uint32_t reason_code;
  const char *identifier;
};

const KnownComplaint known_complaints[] = {
    {0x1500, 32, "IRIS.nomem"},     {0x1500, 40, "IRIS.nomem"},
    {0x1500, 137, "IRIS.lexicon"},  {0x1600, 1290, "IRIS.badchar"},
    {0x1800, 13, "IRIS.abnormal"},  {0x1800, 99, "IRIS.badchar"},
    {0x1A00, 341, "IRIS.maindict"}, {0x1A00, 413, "IRIS.userdict"},
    {0x1A00, 417, "IRIS.userdict"}, {0x1A00, 421, "IRIS.userdict"},
    {0x1A00, 437, "IRIS.userdict"}, {0x1A00, 465, "IRIS.userdict"},
    {0x1A00, 469, "IRIS.userdict"}, {0x1A00, 489, "IRIS.userdict"},
    {0x1A00, 505, "IRIS.userdict"},
};

// Set when the callback could not record a complaint.
bool complaint_lost = false;

} // namespace

GUTF8String &engine_errors() {
  static GUTF8String collected;
  return collected;
}

void forget_engine_errors() {
  engine_errors() = GUTF8String();
  complaint_lost = false;
}

bool engine_error_lost() { return complaint_lost; }

void append_engine_error(const char *identifier) {
  GUTF8String &errors = engine_errors();
  if (!errors.is_empty())
    errors += "\n";
  errors += identifier;
}

GUTF8String engine_complaint_identifier(uint32_t class_code,
                                        uint32_t detail_code,
                                        uint32_t reason_code) {
  for (const KnownComplaint &known : known_complaints)
    if (known.class_code == class_code && known.reason_code == reason_code)
      return known.identifier;
  return GUTF8String::format("IRIS.detected\t0x%04x\t0x%04x\t0x%04x",
                             class_code, detail_code, reason_code);
}

int32_t engine_error_callback(uint32_t class_code, uint32_t detail_code,
                              uint32_t reason_code) {
  try {
    append_engine_error(
        engine_complaint_identifier(class_code, detail_code, reason_code)
            .c_str());
  } catch (...) {
    // The engine's frames must never see an exception; the run hears of it.
    complaint_lost = true;
  }
  return 0;
}
