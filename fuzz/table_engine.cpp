// A stand-in engine for the hidden-text fuzzer: every character's text and
// rectangle come from a table that the fuzzer hands over for each input, so
// that the writer reads arbitrary texts through the plug-in's real binding.
// Everything but the two reading calls does nothing.

#include "drs832.h"

#include <cstring>

extern "C" {

/// One character as the fuzzer chooses it.
struct TableCharacter {
  int32_t has_text;
  uint16_t units[16];
  drs_rectangle rectangle;
};

namespace {
const TableCharacter *table = nullptr;
int32_t table_size = 0;

const TableCharacter *character_at(int32_t character) {
  if (table_size <= 0 || character < 0)
    return nullptr;
  return &table[character % table_size];
}
} // namespace

/// The table the next reads take their characters from (character c is
/// entry c modulo count); it must outlive them.
DRS832_API void table_engine_serve(const TableCharacter *characters,
                                   int32_t count) {
  table = characters;
  table_size = count;
}

DRS832_API int32_t drs7_init(drs_plain_callback, const char *,
                             drs_plain_callback, drs_error_callback, int32_t) {
  return 1;
}
DRS832_API int32_t drs7_upset(int32_t) { return 0; }
DRS832_API int32_t set_engine_value(int32_t, int32_t, ...) { return 0; }
DRS832_API int32_t set_engine_switch(int32_t, int32_t, ...) { return 0; }
DRS832_API int32_t set_drs_language(int32_t, int32_t) { return 0; }
DRS832_API int32_t drs_add_language(int32_t) { return 0; }
DRS832_API int32_t do_zones(int32_t) { return 0; }
DRS832_API int32_t do_ocr(int32_t, void *) { return 0; }
DRS832_API int32_t drs7_prep_coords(void) { return 0; }
DRS832_API int32_t drs7_free_coords(void) { return 0; }

DRS832_API int32_t drs7_read_one(int32_t character, uint16_t *text) {
  const TableCharacter *c = character_at(character);
  if (c == nullptr || !c->has_text)
    return -1;
  std::memcpy(text, c->units, sizeof c->units);
  return 0;
}

DRS832_API int32_t drs7_read_coordinates(int32_t character,
                                         drs_rectangle *rectangle) {
  const TableCharacter *c = character_at(character);
  if (c == nullptr)
    return -1;
  *rectangle = c->rectangle;
  return 0;
}

} // extern "C"
