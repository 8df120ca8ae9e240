//===- text.h - UTF-16 and UTF-8 for the stand-in engine -------*- C++ -*-===//
#ifndef LECTORIN_ENGINE_TEXT_H
#define LECTORIN_ENGINE_TEXT_H

#include <cstdint>
#include <string>

namespace drs {

/// A zero-terminated UTF-16 text as UTF-8; unpaired surrogates become U+FFFD.
std::string utf16_to_utf8(const uint16_t *text);

/// UTF-8 as UTF-16 units; invalid bytes become U+FFFD.
std::u16string utf8_to_utf16(const std::string &text);

} // namespace drs

#endif // LECTORIN_ENGINE_TEXT_H
