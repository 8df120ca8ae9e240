//===- engine_errors.cpp - The engine's complaints during a run -----------===//

#include "engine_errors.h"

#include <cstdio>

std::string &engine_errors() {
  static std::string collected;
  return collected;
}

void append_engine_error(const std::string &identifier) {
  std::string &errors = engine_errors();
  if (!errors.empty())
    errors += '\n';
  errors += identifier;
}

std::string engine_complaint_identifier(uint32_t class_code,
                                        uint32_t detail_code,
                                        uint32_t reason_code) {
  switch (class_code) {
  case 0x1500:
    if (reason_code == 32 || reason_code == 40)
      return "IRIS.nomem";
    if (reason_code == 137)
      return "IRIS.lexicon";
    break;
  case 0x1600:
    if (reason_code == 1290)
      return "IRIS.badchar";
    break;
  case 0x1800:
    if (reason_code == 13)
      return "IRIS.abnormal";
    if (reason_code == 99)
      return "IRIS.badchar";
    break;
  case 0x1A00:
    if (reason_code == 341)
      return "IRIS.maindict";
    switch (reason_code) {
    case 413:
    case 417:
    case 421:
    case 437:
    case 465:
    case 469:
    case 489:
    case 505:
      return "IRIS.userdict";
    default:
      break;
    }
    break;
  default:
    break;
  }
  char detected[64];
  std::snprintf(
      detected, sizeof detected, "IRIS.detected\t0x%04x\t0x%04x\t0x%04x",
      static_cast<unsigned>(class_code), static_cast<unsigned>(detail_code),
      static_cast<unsigned>(reason_code));
  return detected;
}

int32_t engine_error_callback(uint32_t class_code, uint32_t detail_code,
                              uint32_t reason_code) {
  try {
    append_engine_error(
        engine_complaint_identifier(class_code, detail_code, reason_code));
  } catch (...) {
    // The engine's frames must never see an exception.
  }
  return 0;
}
