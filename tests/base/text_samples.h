// Text in every encoding the text streams read, for their tests.
#ifndef LECTORIN_TESTS_BASE_TEXT_SAMPLES_H
#define LECTORIN_TESTS_BASE_TEXT_SAMPLES_H

#include "ByteStream.h"
#include "TextEncoding.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

// The encodings that have a byte-order mark.
inline const std::vector<TextEncoding> &marked_encodings() {
  static const std::vector<TextEncoding> all = {
      TextEncoding::ucs4_be,   TextEncoding::ucs4_le,  TextEncoding::ucs4_2143,
      TextEncoding::ucs4_3412, TextEncoding::utf16_be, TextEncoding::utf16_le,
      TextEncoding::utf8};
  return all;
}

// text written in e, by the same byte orders as the decoder's, written out
// independently here.
inline std::string encode_text(const std::u32string &text, TextEncoding e) {
  std::string out;
  auto put = [&out](uint32_t byte) { out += static_cast<char>(byte & 0xFF); };
  auto unit16 = [&](uint32_t u, bool big) {
    if (big) {
      put(u >> 8);
      put(u);
    } else {
      put(u);
      put(u >> 8);
    }
  };
  for (char32_t c : text) {
    uint32_t v = c;
    switch (e) {
    case TextEncoding::ucs4_be:
      put(v >> 24), put(v >> 16), put(v >> 8), put(v);
      break;
    case TextEncoding::ucs4:
    case TextEncoding::ucs4_le:
      put(v), put(v >> 8), put(v >> 16), put(v >> 24);
      break;
    case TextEncoding::ucs4_2143:
      put(v >> 16), put(v >> 24), put(v), put(v >> 8);
      break;
    case TextEncoding::ucs4_3412:
      put(v >> 8), put(v), put(v >> 24), put(v >> 16);
      break;
    case TextEncoding::utf16:
    case TextEncoding::utf16_be:
    case TextEncoding::utf16_le: {
      bool big = e == TextEncoding::utf16_be;
      if (v > 0xFFFF) {
        unit16(0xD800 + ((v - 0x10000) >> 10), big);
        unit16(0xDC00 + ((v - 0x10000) & 0x3FF), big);
      } else {
        unit16(v, big);
      }
      break;
    }
    case TextEncoding::one_byte:
      put(v);
      break;
    default: // utf8
      if (v < 0x80) {
        put(v);
      } else if (v < 0x800) {
        put(0xC0 | v >> 6), put(0x80 | (v & 0x3F));
      } else if (v < 0x10000) {
        put(0xE0 | v >> 12), put(0x80 | (v >> 6 & 0x3F)),
            put(0x80 | (v & 0x3F));
      } else {
        put(0xF0 | v >> 18), put(0x80 | (v >> 12 & 0x3F)),
            put(0x80 | (v >> 6 & 0x3F)), put(0x80 | (v & 0x3F));
      }
      break;
    }
  }
  return out;
}

inline std::string utf8_of(const std::u32string &text) {
  return encode_text(text, TextEncoding::utf8);
}

inline std::string byte_order_mark(TextEncoding e) {
  return encode_text(U"\uFEFF", e);
}

// A memory stream holding bytes, positioned at its start.
inline GRef<ByteStream> memory_stream(const std::string &bytes) {
  GRef<ByteStream> stream = ByteStream::create_memory();
  stream->write_fully(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream->seek(0);
  return stream;
}

// A stream that can only move forward, as a pipe: reads from bytes, writes
// nowhere, and seeks only by reading on.
class ForwardOnly : public ByteStream {
public:
  explicit ForwardOnly(std::string data) : data_(std::move(data)) {}
  int32_t read(void *buffer, int32_t size) override {
    int32_t n = std::min<int32_t>(size, int32_t(data_.size()) - position_);
    data_.copy(static_cast<char *>(buffer), std::size_t(n),
               std::size_t(position_));
    position_ += n;
    return n;
  }
  int32_t write(const void *, int32_t) override { return 0; }
  int32_t tell() const override { return position_; }

private:
  std::string data_;
  int32_t position_ = 0;
};

#endif // LECTORIN_TESTS_BASE_TEXT_SAMPLES_H
