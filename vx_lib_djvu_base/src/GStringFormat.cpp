//===- GStringFormat.cpp - printf-style formatting and number parsing -----===//
//
// UTF-8 strings format and parse numbers by the rules of the "C" locale, so
// that a coordinate is "1.5" whatever the host's or the user's locale;
// native strings take the decimal point of the library's locale. Both go
// through NumberText, never through the C runtime, whose locale is the
// host's. Formats with numbered inserts ("%1!s!") are handed to the system
// message formatter.
//
//===----------------------------------------------------------------------===//

#include "GString.h"

#include "GException.h"
#include "GLocale.h"
#include "GStringInternal.h"
#include "NumberText.h"
#include "platform.h"

#include <climits>
#include <cstring>

using namespace gstring_internal;

//===-- Integers in 32 bits -----------------------------------------------===//

uint32_t gstring_internal::strtoul32(const char *text, char **stop, int base) {
  const char *end = text;
  uint64_t magnitude = 0;
  bool negative = false;
  read_integer(text, base, end, magnitude, negative);
  if (stop)
    *stop = const_cast<char *>(end);
  if (magnitude > UINT32_MAX)
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

GRef<GStringRep> format_rep(bool native, const char *format,
                            std::va_list args) {
  if (format == nullptr || *format == '\0')
    return GRef<GStringRep>();
  // Room for the usual element at once: growing by steps costs more than
  // the formatting.
  std::string out;
  out.reserve(std::strlen(format) + 64);
  if (is_positional(format)) {
    // Whatever made the system formatter fail (no memory, a malformed
    // pattern), it gave no text, and that is reported as for any formatter
    // without a result.
    if (platform::format_positional(out, format, args) !=
        platform::PositionalFormat::done)
      G_THROW(GException::outofmemory);
  } else {
    const char *decimal_point = native ? GLocaleScope().decimal_point() : ".";
    // A width or precision beyond an int asks for more than any string holds.
    if (!append_formatted(out, format, args, decimal_point))
      G_THROW(GException::outofmemory);
  }
  return make_rep(native, out.data(), out.size());
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

// Reads a number from position with reader and reports where it stopped
// (position itself when nothing was read). A position outside the text
// reads nothing.
template <class Read>
auto read_number(const GStringRep &rep, int32_t position, int32_t &end,
                 Read read) -> decltype(read(nullptr, nullptr)) {
  end = position;
  if (position < 0 || position > rep.size())
    return 0;
  const char *start = rep.data() + position;
  const char *stop = start;
  auto value = read(start, &stop);
  end = static_cast<int32_t>(stop - rep.data());
  return value;
}

// strtol's result in 32 bits: beyond them it saturates, as where long is
// 32 bits wide.
int32_t saturated(uint64_t magnitude, bool negative) {
  if (negative)
    return magnitude > uint64_t(INT32_MAX) + 1
               ? INT32_MIN
               : static_cast<int32_t>(-static_cast<int64_t>(magnitude));
  return magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude);
}

int32_t read_long(const GStringRep &rep, int32_t position, int32_t &end,
                  int base) {
  return read_number(rep, position, end,
                     [base](const char *s, const char **stop) {
                       uint64_t magnitude = 0;
                       bool negative = false;
                       read_integer(s, base, *stop, magnitude, negative);
                       return saturated(magnitude, negative);
                     });
}

uint32_t read_ulong(const GStringRep &rep, int32_t position, int32_t &end,
                    int base) {
  return read_number(rep, position, end,
                     [base](const char *s, const char **stop) {
                       char *after = nullptr;
                       uint32_t v = strtoul32(s, &after, base);
                       *stop = after;
                       return v;
                     });
}

double read_floating(const GStringRep &rep, int32_t position, int32_t &end,
                     const char *decimal_point) {
  return read_number(rep, position, end,
                     [decimal_point](const char *s, const char **stop) {
                       return read_double(s, *stop, decimal_point);
                     });
}

} // namespace

int32_t GStringRep::UTF8::parse_int() const {
  int32_t end = 0;
  return parse_long(0, end, 10);
}

int32_t GStringRep::UTF8::parse_long(int32_t position, int32_t &end,
                                     int base) const {
  return read_long(*this, position, end, base);
}

uint32_t GStringRep::UTF8::parse_ulong(int32_t position, int32_t &end,
                                       int base) const {
  return read_ulong(*this, position, end, base);
}

double GStringRep::UTF8::parse_double(int32_t position, int32_t &end) const {
  return read_floating(*this, position, end, ".");
}

int32_t GStringRep::Native::parse_int() const {
  int32_t end = 0;
  return read_long(*this, 0, end, 10);
}

int32_t GStringRep::Native::parse_long(int32_t position, int32_t &end,
                                       int base) const {
  return read_long(*this, position, end, base);
}

uint32_t GStringRep::Native::parse_ulong(int32_t position, int32_t &end,
                                         int base) const {
  return read_ulong(*this, position, end, base);
}

double GStringRep::Native::parse_double(int32_t position, int32_t &end) const {
  return read_floating(*this, position, end, GLocaleScope().decimal_point());
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
