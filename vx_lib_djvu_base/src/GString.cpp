//===- GString.cpp - Immutable shared strings, UTF-8 and native -----------===//
//
// Representations, the conversions between UTF-8, UTF-16, code points and
// the native code page, and the string handles. Formatting and number
// parsing live in GStringFormat.cpp.
//
//===----------------------------------------------------------------------===//

#include "GString.h"

#include "GException.h"
#include "GLocale.h"
#include "GStaticRegistry.h"
#include "GStringInternal.h"

#include <charconv>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

//===-- Code points -------------------------------------------------------===//

char *utf8_encode(uint32_t code_point, char *out) noexcept {
  auto put = [&out](uint32_t byte) { *out++ = static_cast<char>(byte); };
  // The following bytes of a sequence: six bits each, from the top.
  auto tail = [&put, code_point](int count) {
    for (int shift = 6 * (count - 1); shift >= 0; shift -= 6)
      put(0x80 | ((code_point >> shift) & 0x3F));
  };
  if (code_point < 0x80) {
    put(code_point);
  } else if (code_point < 0x800) {
    put(0xC0 | (code_point >> 6));
    tail(1);
  } else if (code_point <= 0xFFFF) {
    put(0xE0 | (code_point >> 12));
    tail(2);
  } else if (code_point <= 0x1FFFFF) {
    put(0xF0 | (code_point >> 18));
    tail(3);
  } else if (code_point <= 0x3FFFFFF) {
    put(0xF8 | (code_point >> 24));
    tail(4);
  } else if (code_point <= 0x7FFFFFFF) {
    put(0xFC | (code_point >> 30));
    tail(5);
  } else {
    // What an invalid byte decoded to: the byte itself again.
    put(~code_point & 0xFF);
  }
  return out;
}

uint32_t utf8_decode(const char *&cursor, const char *end) noexcept {
  const unsigned char *s = reinterpret_cast<const unsigned char *>(cursor);
  const unsigned char *stop = reinterpret_cast<const unsigned char *>(end);
  if (s >= stop)
    return 0;
  uint32_t lead = *s;
  if (lead < 0x80) {
    if (lead != 0)
      ++cursor;
    return lead;
  }
  int length = 0;
  uint32_t value = 0;
  if (lead >= 0xC0 && lead < 0xE0) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead < 0xF8) {
    length = 4;
    value = lead & 0x07;
  } else if (lead >= 0xF8 && lead < 0xFC) {
    length = 5;
    value = lead & 0x03;
  } else if (lead >= 0xFC && lead < 0xFE) {
    length = 6;
    value = lead & 0x01;
  } else {
    ++cursor;
    return ~lead;
  }
  if (s + 1 >= stop) {
    // Only the lead byte is left: step over it.
    ++cursor;
    return 0;
  }
  for (int k = 1; k < length; ++k) {
    if (s + k >= stop)
      return 0;
    uint32_t next = s[k];
    if ((next & 0xC0) != 0x80) {
      ++cursor;
      return ~lead;
    }
    value = (value << 6) | (next & 0x3F);
  }
  // An overlong zero would otherwise end the text in the middle.
  if (value == 0)
    return 0;
  cursor += length;
  return value;
}

namespace {

// One joiner for char16_t and uint16_t units, so neither is read through a
// pointer of the other type.
template <class Unit>
uint32_t join_units(const Unit *&cursor, const Unit *end) noexcept {
  if (end && cursor >= end)
    return 0;
  uint32_t unit = static_cast<uint16_t>(cursor[0]);
  if (unit == 0)
    return 0;
  if (unit < 0xD800 || unit > 0xDFFF) {
    ++cursor;
    return unit;
  }
  if (unit >= 0xDC00)
    return 0;
  // A high surrogate must have a unit after it; the zero unit is the end of
  // the text, never half of a character.
  if (end && cursor + 1 >= end)
    return 0;
  uint32_t next = static_cast<uint16_t>(cursor[1]);
  if (next == 0)
    return 0;
  cursor += 2;
  return 0x10000 + ((unit & 0x3FF) << 10) + (next & 0x3FF);
}

} // namespace

uint32_t utf16_join(const uint16_t *&cursor, const uint16_t *end) noexcept {
  return join_units(cursor, end);
}

int utf16_split(uint32_t code_point, uint16_t *out) noexcept {
  if (code_point > 0xFFFF) {
    out[0] = static_cast<uint16_t>(0xD800 |
                                   (((code_point - 0x10000) >> 10) & 0x3FF));
    out[1] = static_cast<uint16_t>(0xDC00 | (code_point & 0x3FF));
    return 2;
  }
  out[0] = static_cast<uint16_t>(code_point);
  return 1;
}

//===-- Shared helpers ----------------------------------------------------===//

namespace gstring_internal {

int32_t checked_length(std::size_t n) {
  if (n > static_cast<std::size_t>(INT32_MAX))
    G_THROW(GException::outofmemory);
  return static_cast<int32_t>(n);
}

GRef<GStringRep> make_rep(bool native, const char *bytes, std::size_t n) {
  int32_t count = checked_length(n);
  return native ? GStringRep::Native::create(bytes, count)
                : GStringRep::UTF8::create(bytes, count);
}

GRef<GStringRep> same_kind(const GStringRep &rep, const char *bytes,
                           std::size_t n) {
  return make_rep(rep.holds_native(), bytes, n);
}

void append_reference(std::string &out, uint32_t v) {
  char digits[16];
  out += "&#";
  out.append(digits, std::to_chars(digits, digits + sizeof digits, v).ptr);
  out += ';';
}

} // namespace gstring_internal

using namespace gstring_internal;

namespace {

// The byte range [from, to) of (start, n) over a text of length L.
void clip_range(int32_t length, int32_t start, int32_t n, int32_t &from,
                int32_t &to) {
  int64_t s = start;
  if (s < 0)
    s = s + length < 0 ? 0 : s + length;
  else if (s > length)
    s = length;
  int64_t e = n < 0 ? int64_t(length) + n + 1 : s + n;
  if (e > length)
    e = length;
  from = static_cast<int32_t>(s);
  to = static_cast<int32_t>(e < s ? s : e);
}

GRef<GStringRep> self_ref(const GStringRep *rep) {
  return GRef<GStringRep>(const_cast<GStringRep *>(rep));
}

// Joins two texts of left's kind into a new representation.
GRef<GStringRep> concat(const GStringRep &left, const char *bytes,
                        std::size_t n) {
  if (n == 0)
    return self_ref(&left);
  int32_t total = checked_length(std::size_t(left.size()) + n);
  GRef<GStringRep> joined = left.make_blank(total);
  char *out = joined->writable_data();
  std::memcpy(out, left.data(), static_cast<std::size_t>(left.size()));
  std::memcpy(out + left.size(), bytes, n);
  return joined;
}

// Compares two representations of one kind; b may be null.
int compare_same_kind(const GStringRep *a, const GStringRep *b, int32_t n) {
  if (n == 0)
    return 0;
  int32_t a_size = a ? a->size() : 0;
  int32_t b_size = b ? b->size() : 0;
  if (b_size == 0)
    return a_size > 0 ? 1 : 0;
  if (a_size == 0)
    return -1;
  if (n > 0) {
    int r = std::strncmp(a->data(), b->data(), static_cast<std::size_t>(n));
    return r < 0 ? -1 : r > 0;
  }
  int32_t common = a_size < b_size ? a_size : b_size;
  int r = std::memcmp(a->data(), b->data(), static_cast<std::size_t>(common));
  if (r != 0)
    return r < 0 ? -1 : 1;
  return a_size < b_size ? -1 : a_size > b_size;
}

// Both kinds compare alike: as UTF-8 when the native one has a UTF-8 form,
// else as native text.
int compare_reps(const GStringRep &a, const GStringRep *b, int32_t n) {
  if (n == 0)
    return 0;
  if (b == nullptr || a.holds_utf8() == b->holds_utf8())
    return compare_same_kind(&a, b, n);
  const GStringRep &native = a.holds_native() ? a : *b;
  const GStringRep &utf8 = a.holds_native() ? *b : a;
  if (GRef<GStringRep> converted = native.as_utf8(true)) {
    return a.holds_native() ? compare_same_kind(converted.get(), b, n)
                            : compare_same_kind(&a, converted.get(), n);
  }
  GRef<GStringRep> converted = utf8.as_native(GStringRep::escape_none);
  return a.holds_native() ? compare_same_kind(&a, converted.get(), n)
                          : compare_same_kind(converted.get(), b, n);
}

//===-- Native code page --------------------------------------------------===//
//
// The characters of the native code page are the library's locale's
// (GLocale.h); these walk whole texts with it.

// Native text in UTF-8; null when any of it fails to convert.
GRef<GStringRep> native_to_utf8(const GStringRep &rep) {
  GLocaleScope locale;
  const char *p = rep.data();
  const char *end = p + rep.size();
  std::string out;
  char encoded[8];
  while (p < end && *p != '\0') {
    uint32_t v = locale.decode(p, end);
    if (v == 0)
      return GRef<GStringRep>();
    out.append(encoded, utf8_encode(v, encoded));
  }
  return make_rep(false, out.data(), out.size());
}

// The next character of UTF-8 text for a conversion that must lose nothing:
// where the decoder stops short of the end (an overlong zero, a sequence
// cut off by the end), its first byte counts as an invalid byte, which is
// what it is, and the walk goes on after it. 0 only at the end or a zero
// byte.
uint32_t next_utf8_character(const char *&p, const char *end) {
  if (p >= end || *p == '\0')
    return 0;
  const char *at = p;
  uint32_t v = utf8_decode(p, end);
  if (v != 0)
    return v;
  p = at + 1;
  return ~static_cast<uint32_t>(static_cast<unsigned char>(*at));
}

// UTF-8 text in the native code page; null when a character has no native
// form and mode is not escape_references.
GRef<GStringRep> utf8_to_native(const GStringRep &rep,
                                GStringRep::EscapeMode mode) {
  GLocaleScope locale;
  const char *p = rep.data();
  const char *end = p + rep.size();
  std::mbstate_t state = std::mbstate_t();
  std::string out;
  char encoded[GStringRep::max_encoded_bytes];
  while (uint32_t v = next_utf8_character(p, end)) {
    char *stop = locale.encode(v, encoded, state);
    if (stop == encoded) {
      if (mode != GStringRep::escape_references)
        return GRef<GStringRep>();
      append_reference(out, v);
      continue;
    }
    out.append(encoded, stop);
  }
  return make_rep(true, out.data(), out.size());
}

} // namespace

//===-- GStringRep --------------------------------------------------------===//

GStringRep::GStringRep(int32_t n)
    : byte_count_(n),
      bytes_buffer_(bytes_, static_cast<std::size_t>(n) + 1, 1) {
  locale_set_up();
  bytes_[n] = '\0';
}

GStringRep::~GStringRep() {
  if (bytes_)
    bytes_[0] = '\0';
}

void GStringRep::keep_tail_of(const GStringRep *) {}

void GStringRep::keep_tail_coded(const char *, int32_t,
                                 const GRef<GStringRep> &) {}

void GStringRep::keep_tail_typed(const char *, int32_t, TextEncoding) {}

GRef<GStringRep> GStringRep::tail_holder() const { return GRef<GStringRep>(); }

//===-- GStringRep::UTF8 --------------------------------------------------===//

GRef<GStringRep> GStringRep::UTF8::create(const char *text, int32_t n) {
  GRef<GStringRep> rep = create_blank(n);
  if (rep)
    std::memcpy(rep->writable_data(), text, static_cast<std::size_t>(n));
  return rep;
}

GRef<GStringRep> GStringRep::UTF8::create_blank(int32_t n) {
  if (n <= 0)
    return GRef<GStringRep>();
  return GRef<GStringRep>(new UTF8(n));
}

GRef<GStringRep> GStringRep::UTF8::make_blank(int32_t n) const {
  return create_blank(n);
}

GRef<GStringRep> GStringRep::UTF8::append(const GStringRep *other) const {
  if (other->holds_native())
    G_THROW("GStringRep.appendNativeToUTF8");
  return concat(*this, other->data(), static_cast<std::size_t>(other->size()));
}

GRef<GStringRep> GStringRep::UTF8::as_native(EscapeMode mode) const {
  return utf8_to_native(*this, mode);
}

GRef<GStringRep> GStringRep::UTF8::as_utf8(bool no_raise) const {
  if (!no_raise)
    G_THROW("GStringRep.UTF8ToUTF8");
  return self_ref(this);
}

GRef<GStringRep> GStringRep::UTF8::to_own_kind(const GStringRep *other) const {
  return other->as_utf8(true);
}

int GStringRep::UTF8::compare(const GStringRep *other, int32_t n) const {
  return compare_reps(*this, other, n);
}

char *GStringRep::UTF8::encode_char(uint32_t code_point, char *out,
                                    std::mbstate_t &) const {
  char *stop = utf8_encode(code_point, out);
  *stop = '\0';
  return stop;
}

uint32_t GStringRep::UTF8::decode_char(const char *&cursor,
                                       const char *end) const {
  return utf8_decode(cursor, end);
}

bool GStringRep::UTF8::is_well_formed() const {
  const char *p = data();
  const char *end = p + size();
  while (p < end && *p != '\0') {
    const char *before = p;
    utf8_decode(p, end);
    if (p == before)
      return false;
  }
  return true;
}

int32_t GStringRep::UTF8::copy_utf16(uint16_t *buffer, int32_t capacity) const {
  if (buffer == nullptr || capacity <= 0)
    return -1;
  const char *p = data();
  const char *end = p + size();
  int32_t count = 0;
  while (p < end && *p != '\0') {
    const char *before = p;
    uint32_t v = utf8_decode(p, end);
    // An overlong zero or a cut sequence leaves the cursor where it was:
    // nothing more can be decoded.
    if (p == before)
      break;
    uint16_t units[2];
    int n = utf16_split(v, units);
    if (count + n + 1 > capacity)
      return -1;
    for (int i = 0; i < n; ++i)
      buffer[count++] = units[i];
  }
  buffer[count] = 0;
  return count;
}

//===-- GStringRep::Native ------------------------------------------------===//

GRef<GStringRep> GStringRep::Native::create(const char *text, int32_t n) {
  GRef<GStringRep> rep = create_blank(n);
  if (rep)
    std::memcpy(rep->writable_data(), text, static_cast<std::size_t>(n));
  return rep;
}

GRef<GStringRep> GStringRep::Native::create_blank(int32_t n) {
  if (n <= 0)
    return GRef<GStringRep>();
  return GRef<GStringRep>(new Native(n));
}

GRef<GStringRep> GStringRep::Native::make_blank(int32_t n) const {
  return create_blank(n);
}

GRef<GStringRep> GStringRep::Native::append(const GStringRep *other) const {
  if (other->holds_utf8())
    G_THROW("GStringRep.appendUTF8toNative");
  return concat(*this, other->data(), static_cast<std::size_t>(other->size()));
}

GRef<GStringRep> GStringRep::Native::as_native(EscapeMode mode) const {
  if (mode == escape_unset)
    G_THROW("GStringRep.NativeToNative");
  return self_ref(this);
}

GRef<GStringRep> GStringRep::Native::as_utf8(bool) const {
  return native_to_utf8(*this);
}

GRef<GStringRep>
GStringRep::Native::to_own_kind(const GStringRep *other) const {
  return other->as_native(escape_none);
}

int GStringRep::Native::compare(const GStringRep *other, int32_t n) const {
  return compare_reps(*this, other, n);
}

char *GStringRep::Native::encode_char(uint32_t code_point, char *out,
                                      std::mbstate_t &state) const {
  return GLocaleScope().encode(code_point, out, state);
}

uint32_t GStringRep::Native::decode_char(const char *&cursor,
                                         const char *end) const {
  return GLocaleScope().decode(cursor, end);
}

bool GStringRep::Native::is_well_formed() const {
  return GLocaleScope().is_well_formed(data(), data() + size());
}

int32_t GStringRep::Native::copy_utf16(uint16_t *buffer,
                                       int32_t capacity) const {
  if (buffer == nullptr || capacity <= 0)
    return -1;
  GRef<GStringRep> utf8 = as_utf8(true);
  if (!utf8) {
    buffer[0] = 0;
    return 0;
  }
  return utf8->copy_utf16(buffer, capacity);
}

//===-- GStringHandle -----------------------------------------------------===//

namespace {
const char empty_text[] = "";
} // namespace

GStringHandle::GStringHandle() noexcept : text_cache_(empty_text) {}

GStringHandle::GStringHandle(GRef<GStringRep> rep) noexcept
    : representation_(std::move(rep)),
      text_cache_(representation_ ? representation_->data() : empty_text) {}

GStringHandle::GStringHandle(const GStringHandle &other) noexcept
    : representation_(other.representation_), text_cache_(other.text_cache_) {}

// A moved-from string is the empty string.
GStringHandle::GStringHandle(GStringHandle &&other) noexcept
    : representation_(std::move(other.representation_)),
      text_cache_(other.text_cache_) {
  other.text_cache_ = empty_text;
}

GStringHandle &GStringHandle::operator=(const GStringHandle &other) {
  set_rep(other.representation_);
  return *this;
}

GStringHandle &GStringHandle::operator=(GStringHandle &&other) noexcept {
  if (this != &other) {
    set_rep(std::move(other.representation_));
    other.text_cache_ = empty_text;
  }
  return *this;
}

void GStringHandle::set_rep(GRef<GStringRep> rep) noexcept {
  representation_ = std::move(rep);
  text_cache_ = representation_ ? representation_->data() : empty_text;
}

int32_t GStringHandle::length() const noexcept {
  return representation_ ? representation_->size() : 0;
}

char GStringHandle::operator[](int32_t position) const {
  int32_t n = length();
  if (position < 0)
    position += n;
  if (position < 0 || position > n)
    G_THROW("GString.bad_subscript");
  return text_cache_[position];
}

int GStringHandle::compare(const GStringHandle &other, int32_t n) const {
  if (n == 0)
    return 0;
  if (!representation_)
    return other.representation_ ? -1 : 0;
  return representation_->compare(other.representation_.get(), n);
}

int32_t GStringHandle::find_char(char c, int32_t start) const {
  int32_t n = length();
  if (start < 0)
    start += n;
  if (start < 0 || start >= n)
    return -1;
  std::size_t at = std::string_view(text_cache_, static_cast<std::size_t>(n))
                       .find(c, static_cast<std::size_t>(start));
  return at == std::string_view::npos ? -1 : static_cast<int32_t>(at);
}

int32_t GStringHandle::find_text(const char *text, int32_t start) const {
  int32_t n = length();
  if (start < 0)
    start += n;
  if (start < 0)
    G_THROW("GString.bad_subscript");
  if (start >= n)
    return -1;
  std::size_t at = std::string_view(text_cache_, static_cast<std::size_t>(n))
                       .find(text ? text : "", static_cast<std::size_t>(start));
  return at == std::string_view::npos ? -1 : static_cast<int32_t>(at);
}

int32_t GStringHandle::find_any_of(const char *set, int32_t start) const {
  int32_t n = length();
  if (start < 0)
    start += n;
  if (start < 0)
    G_THROW("GString.bad_subscript");
  if (start >= n || set == nullptr || *set == '\0')
    return -1;
  std::size_t at = std::string_view(text_cache_, static_cast<std::size_t>(n))
                       .find_first_of(set, static_cast<std::size_t>(start));
  return at == std::string_view::npos ? -1 : static_cast<int32_t>(at);
}

namespace {

bool is_space(const GLocaleScope &locale, uint32_t v) {
  return v == '\r' || v == '\n' || v >= 0x10000 || locale.is_space(v);
}

} // namespace

bool is_whitespace(uint32_t code_point) {
  return is_space(GLocaleScope(), code_point);
}

int32_t GStringHandle::skip_space(int32_t start, int32_t n) const {
  int32_t size = length();
  int32_t from = 0;
  int32_t to = 0;
  if (start >= size)
    return size;
  clip_range(size, start < 0 ? 0 : start, n, from, to);
  GLocaleScope locale;
  const bool utf8 = representation_->holds_utf8();
  const char *p = text_cache_ + from;
  const char *end = text_cache_ + to;
  while (p < end) {
    const char *before = p;
    uint32_t v = decode_of(*representation_, utf8, p, end);
    if (v == 0 || !is_space(locale, v))
      return static_cast<int32_t>(before - text_cache_);
  }
  return static_cast<int32_t>(p - text_cache_);
}

int32_t GStringHandle::trailing_space_start(int32_t start, int32_t n) const {
  int32_t size = length();
  int32_t from = 0;
  int32_t to = 0;
  clip_range(size, start < 0 ? 0 : start, n, from, to);
  if (from >= to)
    return to;
  GLocaleScope locale;
  const bool utf8 = representation_->holds_utf8();
  const char *p = text_cache_ + from;
  const char *end = text_cache_ + to;
  const char *last = nullptr;
  while (p < end) {
    uint32_t v = decode_of(*representation_, utf8, p, end);
    if (v == 0)
      break;
    if (!is_space(locale, v))
      last = p;
  }
  return last ? static_cast<int32_t>(last - text_cache_) : to;
}

bool GStringHandle::is_well_formed() const {
  return !representation_ || representation_->is_well_formed();
}

int32_t GStringHandle::copy_utf16(uint16_t *buffer, int32_t capacity) const {
  if (representation_)
    return representation_->copy_utf16(buffer, capacity);
  if (buffer == nullptr || capacity <= 0)
    return -1;
  buffer[0] = 0;
  return 0;
}

char *GStringHandle::make_writable(int32_t n, bool native) {
  if (n == 0 || (n < 0 && !representation_)) {
    set_rep(GRef<GStringRep>());
    return nullptr;
  }
  if (n < 0)
    n = representation_->size();
  GRef<GStringRep> fresh = representation_
                               ? representation_->make_blank(n)
                               : (native ? GStringRep::Native::create_blank(n)
                                         : GStringRep::UTF8::create_blank(n));
  char *bytes = fresh->writable_data();
  int32_t kept = length() < n ? length() : n;
  std::memcpy(bytes, text_cache_, static_cast<std::size_t>(kept));
  std::memset(bytes + kept, 0, static_cast<std::size_t>(n - kept));
  set_rep(fresh);
  return bytes;
}

GRef<GStringRep> GStringHandle::substring_rep(int32_t start, int32_t n) const {
  if (!representation_)
    return GRef<GStringRep>();
  int32_t from = 0;
  int32_t to = 0;
  clip_range(length(), start, n, from, to);
  if (from == 0 && to == length())
    return representation_;
  return same_kind(*representation_, text_cache_ + from,
                   static_cast<std::size_t>(to - from));
}

GRef<GStringRep> GStringHandle::join_rep(const GRef<GStringRep> &right) const {
  if (!right)
    return representation_;
  if (!representation_)
    return right;
  return representation_->append(right.get());
}

GRef<GStringRep> GStringHandle::case_mapped_rep(bool upper) const {
  if (!representation_)
    return representation_;
  const GStringRep &rep = *representation_;
  const bool utf8 = rep.holds_utf8();
  GLocaleScope locale;
  const char *p = rep.data();
  const char *end = p + rep.size();
  const char *copied = p;
  std::string out;
  std::mbstate_t state = std::mbstate_t();
  char encoded[GStringRep::max_encoded_bytes];
  bool changed = false;
  for (;;) {
    const char *before = p;
    uint32_t v = decode_of(rep, utf8, p, end);
    if (v == 0)
      break;
    if (v >= 0x10000 || (upper ? locale.is_upper(v) : locale.is_lower(v)))
      continue;
    uint32_t mapped = upper ? locale.to_upper(v) : locale.to_lower(v);
    if (mapped == v)
      continue;
    // The other case may lie outside the code page ("ÿ" upper-cased in
    // Latin-1): the character then stays as it is, never dropped.
    char *stop = rep.encode_char(mapped, encoded, state);
    if (stop == encoded)
      continue;
    out.append(copied, before);
    out.append(encoded, stop);
    copied = p;
    changed = true;
  }
  if (!changed)
    return representation_;
  out.append(copied, end);
  return same_kind(rep, out.data(), out.size());
}

//===-- XML escaping ------------------------------------------------------===//

GRef<GStringRep> GStringHandle::xml_escape_rep(bool seven_bit) const {
  if (!representation_)
    return representation_;
  const GStringRep &rep = *representation_;
  const bool utf8 = rep.holds_utf8();
  const char *p = rep.data();
  const char *end = p + rep.size();
  const char *copied = p;
  std::string out;
  for (;;) {
    const char *before = p;
    uint32_t v = decode_of(rep, utf8, p, end);
    if (v == 0)
      break;
    const char *entity = nullptr;
    switch (v) {
    case '"':
      entity = "&quot;";
      break;
    case '&':
      entity = "&amp;";
      break;
    case '\'':
      entity = "&apos;";
      break;
    case '<':
      entity = "&lt;";
      break;
    case '>':
      entity = "&gt;";
      break;
    default:
      break;
    }
    bool reference =
        v < 0x20 || v == 0x7E || v == 0x7F || (seven_bit && v > 0x7F);
    if (!entity && !reference)
      continue;
    out.append(copied, before);
    if (entity)
      out += entity;
    else
      append_reference(out, v);
    copied = p;
  }
  if (copied == rep.data())
    return representation_;
  out.append(copied, end);
  return same_kind(rep, out.data(), out.size());
}

namespace {

using EntityMap = GMap<GUTF8String, GUTF8String>;
using EntityTable = GPEnabledWrapper<EntityMap>;

EntityTable *builtin_table;

// Makes and registers the table; raises "Failed" when it cannot.
void make_builtin_table() {
  try {
    static const char *const entities[][2] = {
        {"lt", "<"}, {"gt", ">"}, {"amp", "&"}, {"apos", "'"}, {"quot", "\""}};
    GRef<EntityTable> table = new EntityTable;
    for (const auto &entity : entities)
      table->get()[entity[0]] = entity[1];
    GStaticRegistry::add(builtin_table, table.get());
  } catch (...) {
    builtin_table = nullptr;
  }
  if (!builtin_table)
    G_THROW("Failed");
}

const EntityMap &builtin_entities() {
  // Made once, by the first caller, while threads that arrive meanwhile
  // wait; a failed attempt is tried again by the next call.
  static const bool made = (make_builtin_table(), true);
  (void)made;
  // Null again once the registry has released the table at exit.
  if (!builtin_table)
    G_THROW("Failed");
  return builtin_table->get();
}

} // namespace

GRef<GStringRep> GStringHandle::xml_unescape_rep(
    const GMap<GUTF8String, GUTF8String> &extra_entities) const {
  if (!representation_)
    return representation_;
  std::string_view text(text_cache_,
                        static_cast<std::size_t>(representation_->size()));
  std::string out;
  std::size_t position = 0;
  for (;;) {
    std::size_t amp = text.find('&', position);
    if (amp == std::string_view::npos)
      break;
    std::size_t semi = text.find(';', amp);
    if (semi == std::string_view::npos)
      break;
    out.append(text.substr(position, amp - position));
    std::string name(text.substr(amp + 1, semi - amp - 1));
    if (name.empty()) {
      out += "&;";
    } else if (name[0] == '#') {
      bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
      const char *digits = name.c_str() + (hex ? 2 : 1);
      uint32_t v = strtoul32(digits, nullptr, hex ? 16 : 10);
      char encoded[8];
      char *stop = utf8_encode(v, encoded);
      if (!(stop - encoded == 1 && encoded[0] == '\0'))
        out.append(encoded, stop);
    } else {
      GUTF8String key(name.c_str());
      GCursor found = extra_entities.find(key);
      if (!found) {
        const EntityMap &builtin = builtin_entities();
        found = builtin.find(key);
        if (found)
          out += builtin[found].c_str();
        else
          out.append(text.substr(amp, semi - amp + 1));
      } else {
        out += extra_entities[found].c_str();
      }
    }
    position = semi + 1;
  }
  if (position == 0)
    return representation_;
  out.append(text.substr(position));
  if (out == text)
    return representation_;
  return same_kind(*representation_, out.data(), out.size());
}

//===-- Comparison --------------------------------------------------------===//

bool operator==(const GStringHandle &a, const GStringHandle &b) {
  if (a.is_empty() || b.is_empty())
    return a.is_empty() && b.is_empty();
  return a.compare(b, -1) == 0;
}

bool operator!=(const GStringHandle &a, const GStringHandle &b) {
  return !(a == b);
}

bool operator<(const GStringHandle &a, const GStringHandle &b) {
  return a.compare(b, -1) < 0;
}

namespace {
int compare_text(const GStringHandle &a, const char *b) {
  return std::strcmp(a.c_str(), b ? b : "");
}
} // namespace

bool operator==(const GStringHandle &a, const char *b) {
  return compare_text(a, b) == 0;
}
bool operator!=(const GStringHandle &a, const char *b) {
  return compare_text(a, b) != 0;
}
bool operator<(const GStringHandle &a, const char *b) {
  return compare_text(a, b) < 0;
}
bool operator>(const GStringHandle &a, const char *b) {
  return compare_text(a, b) > 0;
}
bool operator<=(const GStringHandle &a, const char *b) {
  return compare_text(a, b) <= 0;
}
bool operator>=(const GStringHandle &a, const char *b) {
  return compare_text(a, b) >= 0;
}

//===-- GUTF8String -------------------------------------------------------===//

namespace {

// The length of the text that (start, n) may touch: up to the first zero
// byte, but never past start + n when both are known.
int32_t bounded_length(const char *text, int32_t start, int32_t n) {
  if (text == nullptr)
    return 0;
  if (start >= 0 && n >= 0) {
    std::size_t limit = std::size_t(start) + std::size_t(n);
    std::size_t length = 0;
    while (length < limit && text[length] != '\0')
      ++length;
    return checked_length(length);
  }
  return checked_length(std::strlen(text));
}

GRef<GStringRep> text_rep(bool native, const char *text, int32_t start,
                          int32_t n) {
  int32_t length = bounded_length(text, start, n);
  int32_t from = 0;
  int32_t to = 0;
  clip_range(length, start, n, from, to);
  return make_rep(native, text + from, static_cast<std::size_t>(to - from));
}

template <class Unit> GRef<GStringRep> utf16_rep(const Unit *units, int32_t n) {
  if (units == nullptr)
    return GRef<GStringRep>();
  const Unit *end = n >= 0 ? units + n : nullptr;
  std::string out;
  char encoded[8];
  while (uint32_t v = join_units(units, end))
    out.append(encoded, utf8_encode(v, encoded));
  return make_rep(false, out.data(), out.size());
}

GRef<GStringRep> utf8_of(const GRef<GStringRep> &rep) {
  return rep && !rep->holds_utf8() ? rep->as_utf8(true) : rep;
}

GRef<GStringRep> native_of(const GRef<GStringRep> &rep) {
  return rep && !rep->holds_native() ? rep->as_native(GStringRep::escape_none)
                                     : rep;
}

GRef<GStringRep> number_rep(bool native, int32_t number) {
  char digits[16];
  char *end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  return make_rep(native, digits, static_cast<std::size_t>(end - digits));
}

} // namespace

GUTF8String::GUTF8String(const char *text)
    : GStringHandle(text_rep(false, text, 0, -1)) {}

GUTF8String::GUTF8String(const char *text, int32_t start, int32_t n)
    : GStringHandle(text_rep(false, text, start, n)) {}

GUTF8String::GUTF8String(const GLocalString &text)
    : GStringHandle(utf8_of(text.rep())) {}

GUTF8String::GUTF8String(const char16_t *units, int32_t n)
    : GStringHandle(utf16_rep(units, n)) {}

GUTF8String::GUTF8String(const uint16_t *units, int32_t n)
    : GStringHandle(utf16_rep(units, n)) {}

GUTF8String::GUTF8String(int32_t number)
    : GStringHandle(number_rep(false, number)) {}

GUTF8String GUTF8String::substring(int32_t start, int32_t n) const {
  return GUTF8String(substring_rep(start, n));
}

GUTF8String GUTF8String::to_upper() const {
  return GUTF8String(case_mapped_rep(true));
}

GUTF8String GUTF8String::to_lower() const {
  return GUTF8String(case_mapped_rep(false));
}

GUTF8String GUTF8String::xml_escape(bool seven_bit) const {
  return GUTF8String(xml_escape_rep(seven_bit));
}

GUTF8String GUTF8String::xml_unescape(
    const GMap<GUTF8String, GUTF8String> &extra_entities) const {
  return GUTF8String(xml_unescape_rep(extra_entities));
}

GUTF8String GUTF8String::xml_unescape() const {
  return xml_unescape(GMap<GUTF8String, GUTF8String>());
}

GUTF8String GUTF8String::operator+(const GStringHandle &right) const {
  return GUTF8String(join_rep(utf8_of(right.rep())));
}

GUTF8String GUTF8String::operator+(const char *right) const {
  if (!rep())
    return GUTF8String(right);
  return GUTF8String(
      concat(*rep(), right ? right : "", right ? std::strlen(right) : 0));
}

GUTF8String &GUTF8String::operator+=(const GStringHandle &right) {
  set_rep(join_rep(utf8_of(right.rep())));
  return *this;
}

GUTF8String &GUTF8String::operator+=(const char *right) {
  return *this = *this + right;
}

GUTF8String operator+(const char *left, const GUTF8String &right) {
  return GUTF8String(left) + right;
}

//===-- GLocalString ------------------------------------------------------===//

GLocalString::GLocalString(const char *text)
    : GStringHandle(text_rep(true, text, 0, -1)) {}

GLocalString::GLocalString(const char *text, int32_t start, int32_t n)
    : GStringHandle(text_rep(true, text, start, n)) {}

GLocalString::GLocalString(const GUTF8String &text)
    : GStringHandle(native_of(text.rep())) {}

GLocalString::GLocalString(int32_t number)
    : GStringHandle(number_rep(true, number)) {}

GLocalString GLocalString::for_output(const GUTF8String &text) {
  if (text.is_empty())
    return GLocalString();
  const GStringRep &utf8 = *text.rep();
  std::string remembered = locale_name(LC_CTYPE);
  GRef<GStringRep> native = utf8.as_native(GStringRep::escape_unset);
  if (!native) {
    GLocaleGuard user_default(LC_CTYPE, "");
    if (locale_name(LC_CTYPE) != remembered)
      native = utf8.as_native(GStringRep::escape_unset);
  }
  if (!native)
    native = make_rep(true, utf8.data(), static_cast<std::size_t>(utf8.size()));
  return GLocalString(native);
}

GLocalString GLocalString::substring(int32_t start, int32_t n) const {
  return GLocalString(substring_rep(start, n));
}

GLocalString GLocalString::to_upper() const {
  return GLocalString(case_mapped_rep(true));
}

GLocalString GLocalString::to_lower() const {
  return GLocalString(case_mapped_rep(false));
}

GLocalString GLocalString::xml_escape(bool seven_bit) const {
  return GLocalString(xml_escape_rep(seven_bit));
}

GLocalString GLocalString::xml_unescape(
    const GMap<GUTF8String, GUTF8String> &extra_entities) const {
  return GLocalString(xml_unescape_rep(extra_entities));
}

GLocalString GLocalString::operator+(const GStringHandle &right) const {
  return GLocalString(join_rep(native_of(right.rep())));
}

GLocalString GLocalString::operator+(const char *right) const {
  if (!rep())
    return GLocalString(right);
  return GLocalString(
      concat(*rep(), right ? right : "", right ? std::strlen(right) : 0));
}

GLocalString &GLocalString::operator+=(const GStringHandle &right) {
  set_rep(join_rep(native_of(right.rep())));
  return *this;
}

GLocalString &GLocalString::operator+=(const char *right) {
  return *this = *this + right;
}

GLocalString operator+(const char *left, const GLocalString &right) {
  return GLocalString(left) + right;
}
