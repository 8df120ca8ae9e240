//===- TextEncoding.h - Encodings of text read from byte streams -*- C++
//-*-===//
//
// The encodings that the text streams decode into UTF-8. The numbers are
// stored with decoded text and passed between the layers, so they never
// change. "Machine order" is little endian on every build: a source written
// on one machine reads the same on the other.
//
// Usage:
//   TextEncoding e = text_encoding_named("utf-8");   // TextEncoding::utf8
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_TEXTENCODING_H
#define LECTORIN_BASE_TEXTENCODING_H

#include <cstdint>

class GUTF8String;

enum class TextEncoding : int32_t {
  ucs4 = 0,       ///< 4 bytes, little endian
  ucs4_be = 1,    ///< 4 bytes, big endian (byte order 1234)
  ucs4_le = 2,    ///< 4 bytes, little endian (4321)
  ucs4_2143 = 3,  ///< high 16-bit half first, each half little endian
  ucs4_3412 = 4,  ///< low 16-bit half first, each half big endian
  utf16 = 5,      ///< UTF-16, little endian
  utf16_be = 6,   ///< UTF-16 big endian
  utf16_le = 7,   ///< UTF-16 little endian
  utf8 = 8,       ///< UTF-8
  one_byte = 9,   ///< one byte per character, the byte is the code point
  no_decoder = 10 ///< decodes to nothing
};

/// The encoding a name stands for, compared in upper case: "UTF8" and
/// "UTF-8" are utf8; "UTF16", "UTF-16" and "UCS2" utf16; "UCS4" and "UCS-4"
/// ucs4; the empty name and every other name no_decoder.
TextEncoding text_encoding_named(const GUTF8String &name);

/// Whether a and b differ at most in byte order (both UCS-4, or both
/// UTF-16), or are the same encoding.
bool same_encoding_family(TextEncoding a, TextEncoding b) noexcept;

#endif // LECTORIN_BASE_TEXTENCODING_H
