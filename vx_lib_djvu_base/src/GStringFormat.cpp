//===- GStringFormat.cpp - printf-style formatting and number parsing -----===//
//
// UTF-8 strings format and parse numbers in the "C" locale, so that a
// coordinate is "1.5" whatever the user's locale; native strings use the
// library's locale. Formats with numbered inserts ("%1!s!") are handed to
// the system message formatter.
//
//===----------------------------------------------------------------------===//

#include "GString.h"

#include "GException.h"
#include "GLocale.h"
#include "GStringInternal.h"
#include "platform.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace gstring_internal;

//===-- Saturation --------------------------------------------------------===//

int32_t gstring_internal::saturate_long(long value) {
  if (value > INT32_MAX)
    return INT32_MAX;
  if (value < INT32_MIN)
    return INT32_MIN;
  return static_cast<int32_t>(value);
}

namespace {
bool is_c_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
} // namespace

// The sign is read here, not by the runtime: runtimes disagree on what a
// negated magnitude beyond the range gives (glibc's 64-bit long does not even
// overflow there).
uint32_t gstring_internal::strtoul32(const char *text, char **stop, int base) {
  const char *p = text;
  while (is_c_space(*p))
    ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+')
    ++p;
  char *end = const_cast<char *>(text);
  if (stop)
    *stop = end;
  // What strtoul would not read after a sign.
  if (*p == '-' || *p == '+' || is_c_space(*p))
    return 0;
  errno = 0;
  unsigned long magnitude = std::strtoul(p, &end, base);
  if (end == p)
    return 0;
  if (stop)
    *stop = end;
  if (errno == ERANGE || magnitude > UINT32_MAX)
    return UINT32_MAX;
  uint32_t v = static_cast<uint32_t>(magnitude);
  return negative ? 0u - v : v;
}

//===-- Formatting --------------------------------------------------------===//

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Whether the first conversion reads as "%<number>!", the way sscanf's
// "%d!" would: blanks, a sign and digits, then the exclamation mark. "%%"
// is a pair that the system formatter passes over, and so is it here.
bool is_positional(const char *format) {
  for (const char *p = format; *p; ++p) {
    if (*p != '%')
      continue;
    if (p[1] == '%') {
      ++p;
      continue;
    }
    const char *q = p + 1;
    while (*q == ' ' || (*q >= '\t' && *q <= '\r'))
      ++q;
    if (*q == '+' || *q == '-')
      ++q;
    if (!is_digit(*q))
      return false;
    while (is_digit(*q))
      ++q;
    return *q == '!';
  }
  return false;
}

// vsnprintf, growing to whatever the text needs. A C99 runtime says how
// much that is; an older one only says -1, and the buffer doubles.
GRef<GStringRep> print_rep(bool native, const char *format, std::va_list args) {
  char small[1024];
  std::va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n >= 0 && static_cast<std::size_t>(n) < sizeof small)
    return make_rep(native, small, static_cast<std::size_t>(n));
  // Beyond this, a -1 is an error of the format, not a lack of room.
  const std::size_t doubling_limit = std::size_t(1) << 26;
  std::size_t capacity = n >= 0 ? std::size_t(n) + 1 : 2 * sizeof small;
  for (;;) {
    checked_length(capacity);
    std::unique_ptr<char[]> large(new char[capacity]);
    va_copy(copy, args);
    int m = std::vsnprintf(large.get(), capacity, format, copy);
    va_end(copy);
    if (m >= 0 && static_cast<std::size_t>(m) < capacity)
      return make_rep(native, large.get(), static_cast<std::size_t>(m));
    if (m < 0 && capacity >= doubling_limit)
      G_THROW(GException::outofmemory);
    capacity = m >= 0 ? std::size_t(m) + 1 : capacity * 2;
  }
}

GRef<GStringRep> format_rep(bool native, const char *format,
                            std::va_list args) {
  if (format == nullptr || *format == '\0')
    return GRef<GStringRep>();
  if (is_positional(format)) {
    std::string out;
    if (!platform::format_positional(out, format, args))
      G_THROW(GException::outofmemory);
    return make_rep(native, out.data(), out.size());
  }
  if (native) {
    GLocaleScope scope;
    return print_rep(true, format, args);
  }
  GLocaleGuard c_locale(LC_ALL, "C");
  return print_rep(false, format, args);
}

} // namespace

GUTF8String::GUTF8String(const GUTF8String &format, std::va_list args)
    : GStringHandle(format_rep(false, format.c_str(), args)) {}

GUTF8String GUTF8String::format(const char *format, ...) {
  std::va_list args;
  va_start(args, format);
  GRef<GStringRep> rep;
  try {
    rep = format_rep(false, format, args);
  } catch (...) {
    va_end(args);
    throw;
  }
  va_end(args);
  return GUTF8String(std::move(rep));
}

GUTF8String GUTF8String::format_args(std::va_list args) const {
  return GUTF8String(format_rep(false, c_str(), args));
}

GLocalString::GLocalString(const GLocalString &format, std::va_list args)
    : GStringHandle(format_rep(true, format.c_str(), args)) {}

GLocalString GLocalString::format(const char *format, ...) {
  std::va_list args;
  va_start(args, format);
  GRef<GStringRep> rep;
  try {
    rep = format_rep(true, format, args);
  } catch (...) {
    va_end(args);
    throw;
  }
  va_end(args);
  return GLocalString(std::move(rep));
}

GLocalString GLocalString::format_args(std::va_list args) const {
  return GLocalString(format_rep(true, c_str(), args));
}

//===-- Number parsing ----------------------------------------------------===//

namespace {

// Runs a strto* reader from position and reports where it stopped. A
// position outside the text reads nothing.
template <class Read>
auto read_number(const GStringRep &rep, int32_t position, int32_t &end,
                 Read read) -> decltype(read(nullptr, nullptr)) {
  end = position;
  if (position < 0 || position > rep.size())
    return 0;
  const char *start = rep.data() + position;
  char *stop = nullptr;
  auto value = read(start, &stop);
  end = static_cast<int32_t>(stop - rep.data());
  return value;
}

int32_t read_long(const GStringRep &rep, int32_t position, int32_t &end,
                  int base) {
  return read_number(rep, position, end, [base](const char *s, char **stop) {
    return saturate_long(std::strtol(s, stop, base));
  });
}

uint32_t read_ulong(const GStringRep &rep, int32_t position, int32_t &end,
                    int base) {
  return read_number(rep, position, end, [base](const char *s, char **stop) {
    return strtoul32(s, stop, base);
  });
}

double read_double(const GStringRep &rep, int32_t position, int32_t &end) {
  return read_number(rep, position, end, [](const char *s, char **stop) {
    return std::strtod(s, stop);
  });
}

} // namespace

int32_t GStringRep::UTF8::parse_int() const {
  int32_t end = 0;
  return parse_long(0, end, 10);
}

int32_t GStringRep::UTF8::parse_long(int32_t position, int32_t &end,
                                     int base) const {
  GLocaleGuard c_locale(LC_ALL, "C");
  return read_long(*this, position, end, base);
}

uint32_t GStringRep::UTF8::parse_ulong(int32_t position, int32_t &end,
                                       int base) const {
  GLocaleGuard c_locale(LC_ALL, "C");
  return read_ulong(*this, position, end, base);
}

double GStringRep::UTF8::parse_double(int32_t position, int32_t &end) const {
  GLocaleGuard c_locale(LC_ALL, "C");
  return read_double(*this, position, end);
}

int32_t GStringRep::Native::parse_int() const {
  GLocaleScope scope;
  int32_t end = 0;
  return read_long(*this, 0, end, 10);
}

int32_t GStringRep::Native::parse_long(int32_t position, int32_t &end,
                                       int base) const {
  GLocaleScope scope;
  return read_long(*this, position, end, base);
}

uint32_t GStringRep::Native::parse_ulong(int32_t position, int32_t &end,
                                         int base) const {
  GLocaleScope scope;
  return read_ulong(*this, position, end, base);
}

double GStringRep::Native::parse_double(int32_t position, int32_t &end) const {
  GLocaleScope scope;
  return read_double(*this, position, end);
}

//===-- Handle forms ------------------------------------------------------===//

int32_t GStringHandle::parse_int() const {
  return rep() ? rep()->parse_int() : 0;
}

int32_t GStringHandle::parse_long(int32_t start, int32_t &end, int base) const {
  end = start;
  return rep() ? rep()->parse_long(start, end, base) : 0;
}

uint32_t GStringHandle::parse_ulong(int32_t start, int32_t &end,
                                    int base) const {
  end = start;
  return rep() ? rep()->parse_ulong(start, end, base) : 0;
}

double GStringHandle::parse_double(int32_t start, int32_t &end) const {
  end = start;
  return rep() ? rep()->parse_double(start, end) : 0.0;
}
