//===- GUnicode.cpp - UTF-8 decoded from a known encoding -----------------===//

#include "GUnicode.h"

#include "GStringInternal.h"

#include <cstring>
#include <string>

namespace {

using Bytes = const unsigned char *;

struct Mark {
  TextEncoding encoding;
  int32_t length;
};

// The byte-order mark at the start of n bytes; length 0 when there is none.
Mark mark_at(Bytes p, int32_t n) {
  if (n < 2)
    return {TextEncoding::utf8, 0};
  bool four = n >= 4;
  if (four && p[0] == 0 && p[1] == 0 && p[2] == 0xFE && p[3] == 0xFF)
    return {TextEncoding::ucs4_be, 4};
  if (four && p[0] == 0 && p[1] == 0 && p[2] == 0xFF && p[3] == 0xFE)
    return {TextEncoding::ucs4_2143, 4};
  if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
    return {TextEncoding::utf8, 3};
  if (p[0] == 0xFE && p[1] == 0xFF) {
    if (four && p[2] == 0 && p[3] == 0)
      return {TextEncoding::ucs4_3412, 4};
    return {TextEncoding::utf16_be, 2};
  }
  if (p[0] == 0xFF && p[1] == 0xFE) {
    if (four && p[2] == 0 && p[3] == 0)
      return {TextEncoding::ucs4_le, 4};
    return {TextEncoding::utf16_le, 2};
  }
  return {TextEncoding::utf8, 0};
}

// Appends a code point to the UTF-8 text.
void emit(std::string &out, uint32_t v) {
  char encoded[8];
  out.append(encoded, utf8_encode(v, encoded));
}

uint32_t ucs4_value(Bytes p, TextEncoding e) {
  uint32_t b0 = p[0], b1 = p[1], b2 = p[2], b3 = p[3];
  switch (e) {
  case TextEncoding::ucs4_be:
    return b0 << 24 | b1 << 16 | b2 << 8 | b3;
  case TextEncoding::ucs4_2143:
    return b1 << 24 | b0 << 16 | b3 << 8 | b2;
  case TextEncoding::ucs4_3412:
    return b2 << 24 | b3 << 16 | b0 << 8 | b1;
  default: // ucs4 and ucs4_le: little endian
    return b3 << 24 | b2 << 16 | b1 << 8 | b0;
  }
}

// Each decoder appends the characters of p[0, n) to out and returns how many
// bytes it used; the rest is an incomplete character, kept as the tail.

int32_t decode_ucs4(Bytes p, int32_t n, TextEncoding e, std::string &out) {
  int32_t i = 0;
  for (; n - i >= 4; i += 4) {
    uint32_t v = ucs4_value(p + i, e);
    if (v == 0)
      continue;
    // UTF-8 holds 31 bits; the invalid-byte form of larger values could be a
    // zero byte in the middle of the text.
    emit(out, v > 0x7FFFFFFF ? 0xFFFD : v);
  }
  return i;
}

int32_t decode_utf16(Bytes p, int32_t n, bool big_endian, std::string &out) {
  auto unit = [p, big_endian](int32_t at) -> uint32_t {
    return big_endian ? uint32_t(p[at]) << 8 | p[at + 1]
                      : uint32_t(p[at + 1]) << 8 | p[at];
  };
  int32_t i = 0;
  while (n - i >= 2) {
    uint32_t u = unit(i);
    if (u == 0) {
      i += 2;
      continue;
    }
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (n - i < 4)
        break; // its second half is in the next chunk
      uint32_t next = unit(i + 2);
      if (next != 0) {
        emit(out, 0x10000 + ((u & 0x3FF) << 10) + (next & 0x3FF));
        i += 4;
        continue;
      }
    }
    // Also a low surrogate in first place: stopping there would hold every
    // later byte of the stream in the tail, undecoded.
    emit(out, u);
    i += 2;
  }
  return i;
}

// Whether the sequence at p is a whole lead byte and valid following bytes
// that the end cuts short: it may still complete in the next chunk.
bool cut_short(Bytes p, Bytes end) {
  uint32_t lead = *p;
  int length = lead >= 0xFC && lead < 0xFE   ? 6
               : lead >= 0xF8 && lead < 0xFC ? 5
               : lead >= 0xF0 && lead < 0xF8 ? 4
               : lead >= 0xE0 && lead < 0xF0 ? 3
               : lead >= 0xC0 && lead < 0xE0 ? 2
                                             : 0;
  if (length == 0 || end - p >= length)
    return false;
  for (Bytes q = p + 1; q < end; ++q) {
    if ((*q & 0xC0) != 0x80)
      return false;
  }
  return true;
}

int32_t decode_utf8(Bytes p, int32_t n, std::string &out) {
  Bytes s = p;
  Bytes end = p + n;
  while (s < end) {
    if (*s == 0) {
      ++s;
      continue;
    }
    if (cut_short(s, end))
      break;
    const char *cursor = reinterpret_cast<const char *>(s);
    uint32_t v = utf8_decode(cursor, reinterpret_cast<const char *>(end));
    if (v == 0) {
      // An overlong zero: its bytes stay as invalid bytes, like any other
      // byte that is not a character.
      v = ~uint32_t(*s);
      cursor = reinterpret_cast<const char *>(s + 1);
    }
    emit(out, v);
    s = reinterpret_cast<Bytes>(cursor);
  }
  return static_cast<int32_t>(s - p);
}

int32_t decode(Bytes p, int32_t n, TextEncoding e, std::string &out) {
  switch (e) {
  case TextEncoding::ucs4:
  case TextEncoding::ucs4_be:
  case TextEncoding::ucs4_le:
  case TextEncoding::ucs4_2143:
  case TextEncoding::ucs4_3412:
    out.reserve(static_cast<std::size_t>(n));
    return decode_ucs4(p, n, e, out);
  case TextEncoding::utf16:
  case TextEncoding::utf16_le:
  case TextEncoding::utf16_be:
    out.reserve(static_cast<std::size_t>(n) / 2 * 3);
    return decode_utf16(p, n, e == TextEncoding::utf16_be, out);
  case TextEncoding::utf8:
    out.reserve(static_cast<std::size_t>(n));
    return decode_utf8(p, n, out);
  case TextEncoding::one_byte:
    out.reserve(static_cast<std::size_t>(n) * 2);
    for (int32_t i = 0; i < n; ++i) {
      if (p[i] != 0)
        emit(out, p[i]);
    }
    return n;
  case TextEncoding::no_decoder:
    break;
  }
  // Nothing decodes, and nothing waits for more bytes.
  return n;
}

} // namespace

//===-- Creation ----------------------------------------------------------===//

GStringRep::Unicode::Unicode(int32_t n)
    : UTF8(n), remainder_buffer_(remainder_, 0, 1) {}

GRef<GStringRep::Unicode>
GStringRep::Unicode::build(const unsigned char *p, int32_t n,
                           TextEncoding encoding,
                           const GRef<GStringRep> *name) {
  std::string text;
  int32_t used = decode(p, n, encoding, text);
  GRef<Unicode> rep =
      new Unicode(gstring_internal::checked_length(text.size()));
  std::memcpy(rep->writable_data(), text.data(), text.size());
  const char *tail = reinterpret_cast<const char *>(p + used);
  if (name)
    rep->keep_tail_coded(tail, n - used, *name);
  else
    rep->keep_tail_typed(tail, n - used, encoding);
  return rep;
}

GRef<GStringRep::Unicode> GStringRep::Unicode::create(const void *bytes,
                                                      int32_t length,
                                                      TextEncoding encoding) {
  Bytes p = static_cast<Bytes>(bytes);
  if (length <= 0)
    return build(p, 0, encoding, nullptr);
  Mark mark = mark_at(p, length);
  if (mark.length > 0)
    encoding = mark.encoding;
  return build(p + mark.length, length - mark.length, encoding, nullptr);
}

GRef<GStringRep::Unicode>
GStringRep::Unicode::create(const void *bytes, int32_t length,
                            const GUTF8String &encoding_name) {
  Bytes p = static_cast<Bytes>(bytes);
  Mark mark = mark_at(p, length);
  if (mark.length > 0)
    return build(p + mark.length, length - mark.length, mark.encoding, nullptr);
  return build(p, length < 0 ? 0 : length, text_encoding_named(encoding_name),
               &encoding_name.rep());
}

GRef<GStringRep::Unicode>
GStringRep::Unicode::create_continued(const GRef<GStringRep> &previous,
                                      const void *bytes, int32_t length) {
  if (length < 0)
    length = 0;
  GRef<GStringRep> holder = previous ? previous->tail_holder() : nullptr;
  const Unicode *before = static_cast<const Unicode *>(holder.get());
  Bytes p = static_cast<Bytes>(bytes);
  if (!before)
    return build(p, length, TextEncoding::utf8, nullptr);
  std::string joined;
  if (before->remainder_size_ > 0)
    joined.assign(before->remainder_,
                  static_cast<std::size_t>(before->remainder_size_));
  if (length > 0)
    joined.append(static_cast<const char *>(bytes),
                  static_cast<std::size_t>(length));
  int32_t n = gstring_internal::checked_length(joined.size());
  Bytes q = reinterpret_cast<Bytes>(joined.data());
  if (before->named_encoding_)
    return build(q, n, before->next_encoding(), &before->named_encoding_);
  return build(q, n, before->encoding_, nullptr);
}

GRef<GStringRep::Unicode>
GStringRep::Unicode::rest_in(int32_t position,
                             const GUTF8String &encoding_name) const {
  int32_t from = position < 0 ? 0 : position > size() ? size() : position;
  GRef<Unicode> rep = new Unicode(size() - from);
  std::memcpy(rep->writable_data(), data() + from,
              static_cast<std::size_t>(size() - from));
  rep->keep_tail_coded(remainder_, remainder_size_, encoding_name.rep());
  return rep;
}

//===-- The tail ----------------------------------------------------------===//

void GStringRep::Unicode::set_tail(const char *bytes, int32_t length) {
  if (length < 0)
    length = 0;
  remainder_buffer_.resize(static_cast<std::size_t>(length), 1);
  if (length > 0)
    std::memcpy(remainder_, bytes, static_cast<std::size_t>(length));
  remainder_size_ = length;
}

void GStringRep::Unicode::keep_tail_of(const GStringRep *other) {
  GRef<GStringRep> holder = other ? other->tail_holder() : nullptr;
  const Unicode *source = static_cast<const Unicode *>(holder.get());
  if (!source) {
    set_tail(nullptr, 0);
    named_encoding_.reset();
    encoding_ = TextEncoding::utf8;
    return;
  }
  if (source == this)
    return;
  set_tail(source->remainder_, source->remainder_size_);
  named_encoding_ = source->named_encoding_;
  encoding_ = source->encoding_;
}

void GStringRep::Unicode::keep_tail_coded(
    const char *bytes, int32_t length, const GRef<GStringRep> &encoding_name) {
  set_tail(bytes, length);
  named_encoding_ = encoding_name;
  encoding_ = TextEncoding::no_decoder;
}

void GStringRep::Unicode::keep_tail_typed(const char *bytes, int32_t length,
                                          TextEncoding encoding) {
  set_tail(bytes, length);
  named_encoding_.reset();
  encoding_ = encoding;
}

GRef<GStringRep> GStringRep::Unicode::tail_holder() const {
  return GRef<GStringRep>(const_cast<Unicode *>(this));
}

TextEncoding GStringRep::Unicode::next_encoding() const {
  if (!named_encoding_)
    return encoding_;
  const GStringRep &name = *named_encoding_;
  return text_encoding_named(GUTF8String(name.data(), 0, name.size()));
}
