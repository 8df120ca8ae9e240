//===- text.cpp - UTF-16 and UTF-8 for the stand-in engine ----------------===//

#include "text.h"

namespace drs {

namespace {

constexpr uint32_t replacement = 0xFFFD;

void append_utf8(std::string &out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool is_high_surrogate(uint32_t u) { return u >= 0xD800 && u < 0xDC00; }
bool is_low_surrogate(uint32_t u) { return u >= 0xDC00 && u < 0xE000; }

} // namespace

std::string utf16_to_utf8(const uint16_t *text) {
  std::string out;
  for (const uint16_t *p = text; *p; ++p) {
    uint32_t u = *p;
    if (is_high_surrogate(u) && is_low_surrogate(p[1])) {
      append_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (p[1] - 0xDC00u));
      ++p;
    } else if (is_high_surrogate(u) || is_low_surrogate(u)) {
      append_utf8(out, replacement);
    } else {
      append_utf8(out, u);
    }
  }
  return out;
}

std::u16string utf8_to_utf16(const std::string &text) {
  std::u16string out;
  std::size_t i = 0;
  while (i < text.size()) {
    auto b = static_cast<unsigned char>(text[i]);
    int extra = b < 0x80         ? 0
                : (b >> 5) == 6  ? 1
                : (b >> 4) == 14 ? 2
                : (b >> 3) == 30 ? 3
                                 : -1;
    uint32_t c = extra == 0   ? b
                 : extra == 1 ? (b & 0x1F)
                 : extra == 2 ? (b & 0x0F)
                              : (b & 0x07);
    bool valid = extra >= 0;
    for (int k = 1; valid && k <= extra; ++k) {
      if (i + k >= text.size()) {
        valid = false;
        break;
      }
      auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    if (!valid || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
      out += static_cast<char16_t>(replacement);
      ++i;
      continue;
    }
    i += static_cast<std::size_t>(extra) + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

} // namespace drs
