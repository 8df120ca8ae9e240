//===- language_tags.h - The page's language as others name it -*- C++ -*-===//
//
// hOCR and ALTO name a text's language with a BCP 47 tag ("en", "de",
// "sr-Latn"); the plug-in knows languages by the engine's codes. The page's
// language is the main one of the option text, which the plug-in reads as
// English when it names none.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_LANGUAGE_TAGS_H
#define LECTORIN_TOOLS_LANGUAGE_TAGS_H

#include "ocr_options.h"

#include <cstdint>
#include <string>

namespace lectorin_ocr {

/// The BCP 47 tag of an engine language code; null for a code that names
/// no language or a family of them (Mayan).
const char *language_tag(int32_t code);

/// The tag of the main language of the options (the first one named, else
/// English, as the plug-in reads them); empty when it has no tag.
std::string main_language_tag(const OcrOptions &options);

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_LANGUAGE_TAGS_H
