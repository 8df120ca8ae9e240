//===- TextEncoding.cpp - Encodings of text read from byte streams --------===//

#include "TextEncoding.h"

#include "GString.h"

TextEncoding text_encoding_named(const GUTF8String &name) {
  GUTF8String upper = name.to_upper();
  if (upper == "UTF8" || upper == "UTF-8")
    return TextEncoding::utf8;
  if (upper == "UTF16" || upper == "UTF-16" || upper == "UCS2")
    return TextEncoding::utf16;
  if (upper == "UCS4" || upper == "UCS-4")
    return TextEncoding::ucs4;
  return TextEncoding::no_decoder;
}

namespace {

int family_of(TextEncoding e) noexcept {
  if (e >= TextEncoding::ucs4 && e <= TextEncoding::ucs4_3412)
    return 0;
  if (e >= TextEncoding::utf16 && e <= TextEncoding::utf16_le)
    return 1;
  return 2 + static_cast<int>(e);
}

} // namespace

bool same_encoding_family(TextEncoding a, TextEncoding b) noexcept {
  return family_of(a) == family_of(b);
}
