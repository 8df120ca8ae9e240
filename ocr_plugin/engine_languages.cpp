//===- engine_languages.cpp - Telling the engine what to read -------------===//

#include "engine_languages.h"

#include "engine_binding.h"
#include "language_tables.h"

namespace {

constexpr int32_t value_character_set = 35;
constexpr int32_t value_no_character_set = 36;

// Units of the set, the terminating zero included.
constexpr int engine_characters_capacity = 708;

// In the engine's own unit type, so the engine reads exactly what is here.
uint16_t engine_characters[engine_characters_capacity];
int character_count = 0;

bool holds_character(uint16_t c) {
  for (int i = 0; i < character_count; ++i) {
    if (engine_characters[i] == c)
      return true;
  }
  return false;
}

// Every row together stays well below the capacity; the check keeps a longer
// table from ever writing past the buffer, and keeps the terminator.
void append_character(uint16_t c) {
  if (holds_character(c) || character_count >= engine_characters_capacity - 1)
    return;
  engine_characters[character_count++] = c;
  engine_characters[character_count] = 0;
}

void append_characters(const char16_t *characters) {
  for (const char16_t *c = characters; *c; ++c)
    append_character(*c);
}

} // namespace

void apply_languages(int32_t engine, const OcrOptions &options) {
  const EngineApi &api = engine_api();
  GCursor cursor = options.languages.first();
  if (!cursor) {
    api.set_drs_language(engine, 1);
    return;
  }
  api.set_drs_language(engine, options.languages[cursor]);
  for (++cursor; cursor; ++cursor)
    api.drs_add_language(options.languages[cursor]);
}

void apply_characters(int32_t engine, const OcrOptions &options) {
  const EngineApi &api = engine_api();
  if (options.languages.empty()) {
    api.set_engine_value(engine, value_no_character_set, int32_t{0});
    return;
  }
  character_count = 0;
  engine_characters[0] = 0;
  for (GCursor cursor = options.languages.first(); cursor; ++cursor) {
    const char16_t *row = find_language_characters(options.languages[cursor]);
    if (!row)
      continue;
    if (character_count == 0)
      append_characters(base_characters);
    append_characters(row);
  }
  if (character_count == 0)
    return;
  api.set_engine_value(engine, value_character_set,
                       static_cast<const uint16_t *>(engine_characters),
                       int32_t{0});
}
