//===- ocr_options.h - The option text of a recognise call -----*- C++ -*-===//
//
// The editor steers each recognition with a text: "TRUE" for the defaults, or
// keywords separated by commas (spaces may stand around each comma): "char"
// or "word" (character or word elements in the hidden text), "sep" or
// "nosep" (paragraph separation), "interactive", "mixed", and "lang=" with
// one language or a list in parentheses, by name or by engine code:
//
//   OcrOptions options;
//   if (!parse_options(options, "word, lang=(german,french,7)")) reject();
//
// Keywords are matched without regard to ASCII case and must be followed by a
// comma, a space or the end; the last of "char"/"word" and of "sep"/"nosep"
// wins. A text that breaks these rules is rejected as a whole.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_OCR_PLUGIN_OCR_OPTIONS_H
#define LECTORIN_OCR_PLUGIN_OCR_OPTIONS_H

#include "GContainer.h"

#include <cstdint>

/// The parsed options of one run, with the defaults of a fresh record.
struct OcrOptions {
  uint8_t separate = 1;    ///< paragraphs are separated ("sep"/"nosep")
  uint8_t characters = 0;  ///< character elements instead of words
  uint8_t interactive = 0; ///< the engine may ask its user
  uint8_t mixed = 0;       ///< the page mixes languages
  /// Engine language codes in the order given, duplicates kept.
  GLinkedList<int32_t> languages;
};

/// Parses a zero-terminated UTF-8 option text (never null) into options.
/// False when the text is rejected; options may then be partly filled.
bool parse_options(OcrOptions &options, const char *text);

/// Parses the "lang=" keyword (any case) and its value at the start of
/// remaining, appends the languages found, and moves remaining past the
/// value: past the closing parenthesis of a list, or to the comma or end
/// that ends a single name. Names not in language_names and empty items are
/// ignored; an item that starts with a digit is taken as a decimal engine
/// code (its leading digits, saturated to 32 bits). False for an empty
/// value or a list without its closing parenthesis.
bool parse_language_list(OcrOptions &options, const char *&remaining);

#endif // LECTORIN_OCR_PLUGIN_OCR_OPTIONS_H
