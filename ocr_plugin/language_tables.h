//===- language_tables.h - Language names and their characters -*- C++ -*-===//
//
// The constant tables behind the option "lang=": the names the editor may
// give and the engine's code for each, the characters each language adds to
// the engine's character set, and the characters every set starts with.
// Character texts are zero-terminated UTF-16.
//
//   int32_t code;  if (find_language_code("GERMAN", code)) ...
//   if (const char16_t *row = find_language_characters(code)) ...
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_OCR_PLUGIN_LANGUAGE_TABLES_H
#define LECTORIN_OCR_PLUGIN_LANGUAGE_TABLES_H

#include <cstdint>

/// An upper-case ASCII language name and the engine's code for it.
struct LanguageName {
  const char *name;
  int32_t code;
};

/// An engine language code and the characters the language adds.
struct LanguageCharacters {
  int32_t code;
  const char16_t *characters; ///< never null; empty for some languages
};

constexpr int language_name_count = 105;
constexpr int language_characters_count = 100;
constexpr int base_character_count = 96;

/// Looked up in this order; a name occurs once, a code may serve two names.
extern const LanguageName language_names[language_name_count];
/// One row per code at most. Japanese, Korean and both Chinese codes have no
/// row; a row with an empty text still counts as a row.
extern const LanguageCharacters language_characters[language_characters_count];
/// Digits, letters, punctuation and currency signs: the start of every
/// non-empty character set. Zero-terminated.
extern const char16_t base_characters[base_character_count + 1];

/// The code of the name, compared exactly (case matters). False when the
/// name is not in language_names.
bool find_language_code(const char *name, int32_t &code);

/// The row of language_characters for the code, or null when it has none.
const char16_t *find_language_characters(int32_t code);

#endif // LECTORIN_OCR_PLUGIN_LANGUAGE_TABLES_H
