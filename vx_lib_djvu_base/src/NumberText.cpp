//===- NumberText.cpp - Numbers as text, by rules no locale changes -------===//
//
// Floating-point values are exact binary fractions m * 2^e, so their decimal
// expansion is finite: m * 2^e digits for e >= 0, m * 5^-e digits with the
// point moved -e places for e < 0. Writing takes that expansion and rounds
// the digit string; reading takes the decimal digits as a big integer D and
// divides D * 2^s by 10^k (or multiplies by 10^k) to get 64 good bits and a
// sticky remainder, then rounds those to a double. Big integers are needed
// only here, and only a few operations of them.
//
//===----------------------------------------------------------------------===//

#include "NumberText.h"

#include "GString.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <limits>
#include <string_view>
#include <type_traits>
#include <vector>

namespace {

//===-- Big integers ------------------------------------------------------===//

// A non-negative integer in 32-bit limbs, least significant first, with no
// leading zero limbs (zero has none).
class BigNumber {
public:
  explicit BigNumber(uint64_t value = 0) {
    for (; value; value >>= 32)
      limbs_.push_back(static_cast<uint32_t>(value));
  }

  bool is_zero() const { return limbs_.empty(); }

  int bit_length() const {
    if (limbs_.empty())
      return 0;
    int bits = 32 * static_cast<int>(limbs_.size() - 1);
    for (uint32_t top = limbs_.back(); top; top >>= 1)
      ++bits;
    return bits;
  }

  void multiply(uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t &limb : limbs_) {
      uint64_t product = uint64_t(limb) * factor + carry;
      limb = static_cast<uint32_t>(product);
      carry = product >> 32;
    }
    if (carry)
      limbs_.push_back(static_cast<uint32_t>(carry));
    trim();
  }

  void add(uint32_t value) {
    uint64_t carry = value;
    for (std::size_t i = 0; carry && i < limbs_.size(); ++i) {
      uint64_t sum = uint64_t(limbs_[i]) + carry;
      limbs_[i] = static_cast<uint32_t>(sum);
      carry = sum >> 32;
    }
    if (carry)
      limbs_.push_back(static_cast<uint32_t>(carry));
  }

  // Multiplies by 10^n (or 5^n) in steps that fit a limb.
  void multiply_power(uint32_t base, int n) {
    const uint32_t step = base == 5 ? 1220703125u : 1000000000u; // ^13, ^9
    const int step_exponent = base == 5 ? 13 : 9;
    for (; n >= step_exponent; n -= step_exponent)
      multiply(step);
    uint32_t rest = 1;
    for (; n > 0; --n)
      rest *= base;
    multiply(rest);
  }

  void shift_left(int bits) {
    if (limbs_.empty() || bits <= 0)
      return;
    const std::size_t whole = static_cast<std::size_t>(bits / 32);
    const int part = bits % 32;
    limbs_.insert(limbs_.begin(), whole, 0);
    if (part) {
      uint32_t carry = 0;
      for (std::size_t i = whole; i < limbs_.size(); ++i) {
        uint32_t limb = limbs_[i];
        limbs_[i] = (limb << part) | carry;
        carry = limb >> (32 - part);
      }
      if (carry)
        limbs_.push_back(carry);
    }
  }

  void shift_right_one() {
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      uint32_t next = i + 1 < limbs_.size() ? limbs_[i + 1] : 0;
      limbs_[i] = (limbs_[i] >> 1) | (next << 31);
    }
    trim();
  }

  // Divides by a small divisor and returns the remainder.
  uint32_t divide(uint32_t divisor) {
    uint64_t remainder = 0;
    for (std::size_t i = limbs_.size(); i-- > 0;) {
      uint64_t current = (remainder << 32) | limbs_[i];
      limbs_[i] = static_cast<uint32_t>(current / divisor);
      remainder = current % divisor;
    }
    trim();
    return static_cast<uint32_t>(remainder);
  }

  int compare(const BigNumber &other) const {
    if (limbs_.size() != other.limbs_.size())
      return limbs_.size() < other.limbs_.size() ? -1 : 1;
    for (std::size_t i = limbs_.size(); i-- > 0;) {
      if (limbs_[i] != other.limbs_[i])
        return limbs_[i] < other.limbs_[i] ? -1 : 1;
    }
    return 0;
  }

  // this -= other, where other <= this.
  void subtract(const BigNumber &other) {
    int64_t borrow = 0;
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      int64_t difference = int64_t(limbs_[i]) - borrow -
                           (i < other.limbs_.size() ? other.limbs_[i] : 0);
      borrow = difference < 0;
      limbs_[i] = static_cast<uint32_t>(difference + (borrow << 32));
    }
    trim();
  }

  // The top 64 bits (the whole number when shorter), whether any bit below
  // them is set, and how many bits lie below them.
  uint64_t top_bits(bool &rest_nonzero, int &below) const {
    below = bit_length() > 64 ? bit_length() - 64 : 0;
    uint64_t top = 0;
    for (int bit = bit_length() - 1; bit >= below; --bit)
      top = (top << 1) | bit_at(bit);
    rest_nonzero = false;
    for (int bit = 0; bit < below && !rest_nonzero; ++bit)
      rest_nonzero = bit_at(bit);
    return top;
  }

  // The decimal digits, most significant first; "" for zero.
  std::string decimal() const {
    BigNumber n = *this;
    std::string reversed;
    while (!n.is_zero()) {
      uint32_t chunk = n.divide(1000000000u);
      for (int i = 0; i < 9 && (chunk || !n.is_zero()); ++i, chunk /= 10)
        reversed += static_cast<char>('0' + chunk % 10);
    }
    return std::string(reversed.rbegin(), reversed.rend());
  }

private:
  uint64_t bit_at(int bit) const {
    return (limbs_[static_cast<std::size_t>(bit / 32)] >> (bit % 32)) & 1;
  }
  void trim() {
    while (!limbs_.empty() && limbs_.back() == 0)
      limbs_.pop_back();
  }

  std::vector<uint32_t> limbs_;
};

//===-- Exact decimal digits ----------------------------------------------===//

// A binary value mantissa * 2^exponent.
struct Binary {
  uint64_t mantissa;
  int exponent;
};

template <class Float> Binary binary_of(Float value) {
  constexpr int bits = std::numeric_limits<Float>::digits;
  int exponent = 0;
  Float fraction = std::frexp(value, &exponent);
  return {static_cast<uint64_t>(std::ldexp(fraction, bits)), exponent - bits};
}

// The value 0.digits * 10^point; no digits for zero, and none of them
// leading or trailing zeros.
struct Decimal {
  std::string digits;
  int point = 0;
};

Decimal exact_decimal(Binary value) {
  BigNumber n(value.mantissa);
  if (value.exponent >= 0)
    n.shift_left(value.exponent);
  else
    n.multiply_power(5, -value.exponent);
  Decimal d;
  d.digits = n.decimal();
  d.point = static_cast<int>(d.digits.size()) +
            (value.exponent < 0 ? value.exponent : 0);
  std::size_t last = d.digits.find_last_not_of('0');
  d.digits.erase(last == std::string::npos ? 0 : last + 1);
  return d;
}

// Keeps the first `keep` digits (possibly none, or fewer than none: the
// value is then below half a unit of the last kept place), rounding half to
// even, which is what the C library does in the default rounding mode.
void round_digits(Decimal &d, int keep) {
  if (keep >= static_cast<int>(d.digits.size()))
    return;
  if (keep < 0) {
    d.digits.clear();
    return;
  }
  const std::size_t at = static_cast<std::size_t>(keep);
  char next = d.digits[at];
  // Digits end in a non-zero one: any digit after `next` puts the value
  // beyond the half.
  const bool beyond_half = at + 1 < d.digits.size();
  bool odd = at > 0 && (d.digits[at - 1] - '0') % 2 == 1;
  bool up = next > '5' || (next == '5' && (beyond_half || odd));
  d.digits.erase(at);
  if (up) {
    std::size_t i = d.digits.size();
    while (i > 0 && d.digits[i - 1] == '9')
      d.digits[--i] = '0';
    if (i == 0) {
      d.digits.insert(d.digits.begin(), '1');
      ++d.point;
    } else {
      ++d.digits[i - 1];
    }
  }
  std::size_t last = d.digits.find_last_not_of('0');
  d.digits.erase(last == std::string::npos ? 0 : last + 1);
}

// The digit of place index (0 is the first after the point of 0.digits).
char digit_at(const Decimal &d, int index) {
  return index >= 0 && index < static_cast<int>(d.digits.size())
             ? d.digits[static_cast<std::size_t>(index)]
             : '0';
}

//===-- One conversion ----------------------------------------------------===//

struct Layout {
  bool left = false, plus = false, space = false, alternate = false,
       zero = false;
  int width = 0;
  int precision = -1; // none
  char conversion = 0;
};

// Lays out sign or prefix, leading zeros, the body and padding by the flags
// and the width. Integers are the common case (every coordinate of the
// hidden text): nothing here allocates beyond the output.
void pad(std::string &out, const Layout &layout, std::string_view prefix,
         std::string_view body, bool zeros_allowed, std::size_t zeros = 0) {
  const std::size_t length = prefix.size() + zeros + body.size();
  const auto width = static_cast<std::size_t>(layout.width);
  const std::size_t fill = width > length ? width - length : 0;
  if (!layout.left && !(layout.zero && zeros_allowed))
    out.append(fill, ' ');
  out += prefix;
  out.append(zeros + (!layout.left && layout.zero && zeros_allowed ? fill : 0),
             '0');
  out += body;
  if (layout.left)
    out.append(fill, ' ');
}

const char *sign_of(bool negative, const Layout &layout) {
  if (negative)
    return "-";
  if (layout.plus)
    return "+";
  return layout.space ? " " : "";
}

void format_integer(std::string &out, const Layout &layout, uint64_t magnitude,
                    bool negative) {
  const char c = layout.conversion;
  const unsigned base = c == 'o' ? 8 : (c == 'x' || c == 'X') ? 16 : 10;
  const char *alphabet = c == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
  char buffer[24]; // 64 bits in octal, and one more 0
  char *end = buffer + sizeof buffer;
  char *digits = end;
  for (uint64_t v = magnitude; v; v /= base)
    *--digits = alphabet[v % base];
  const auto count = static_cast<std::size_t>(end - digits);
  const auto precision =
      static_cast<std::size_t>(layout.precision < 0 ? 1 : layout.precision);
  std::size_t zeros = precision > count ? precision - count : 0;
  const char *prefix = c == 'd' || c == 'i' ? sign_of(negative, layout) : "";
  if (layout.alternate && base == 8 && zeros == 0) // digits never start with 0
    zeros = 1;
  if (layout.alternate && base == 16 && magnitude != 0)
    prefix = c == 'X' ? "0X" : "0x";
  pad(out, layout, prefix, std::string_view(digits, count),
      layout.precision < 0, zeros);
}

// f: digits before the point (at least one), the point, precision digits.
std::string fixed_body(Decimal d, int precision, bool alternate,
                       const char *decimal_point) {
  round_digits(d, d.point + precision);
  std::string body;
  for (int i = 0; i < d.point; ++i)
    body += digit_at(d, i);
  if (body.empty())
    body = "0";
  if (precision > 0 || alternate)
    body += decimal_point;
  for (int i = 0; i < precision; ++i)
    body += digit_at(d, d.point + i);
  return body;
}

// e: one digit, the point, precision digits, the exponent of at least two
// digits.
std::string exponent_body(Decimal d, int precision, bool alternate, char e,
                          const char *decimal_point) {
  int exponent = 0;
  if (!d.digits.empty()) {
    round_digits(d, precision + 1);
    exponent = d.point - 1;
  }
  std::string body(1, digit_at(d, 0));
  if (precision > 0 || alternate)
    body += decimal_point;
  for (int i = 1; i <= precision; ++i)
    body += digit_at(d, i);
  body += e;
  body += exponent < 0 ? '-' : '+';
  std::string digits = std::to_string(exponent < 0 ? -exponent : exponent);
  if (digits.size() < 2)
    body += '0';
  return body + digits;
}

// g: e when the exponent is below -4 or not below the precision, else f;
// trailing zeros dropped unless the alternate form is asked for.
std::string general_body(const Decimal &d, int precision, bool alternate,
                         char e, const char *decimal_point) {
  const int p = precision == 0 ? 1 : precision;
  int x = 0;
  if (!d.digits.empty()) {
    Decimal rounded = d;
    round_digits(rounded, p);
    x = rounded.point - 1;
  }
  std::string body = p > x && x >= -4
                         ? fixed_body(d, p - 1 - x, alternate, decimal_point)
                         : exponent_body(d, p - 1, alternate, e, decimal_point);
  if (alternate)
    return body;
  std::size_t point = body.find(decimal_point);
  if (point == std::string::npos)
    return body;
  std::size_t exponent_at = body.find(e, point);
  std::size_t fraction_end =
      exponent_at == std::string::npos ? body.size() : exponent_at;
  std::size_t keep = fraction_end;
  while (keep > point + std::strlen(decimal_point) && body[keep - 1] == '0')
    --keep;
  if (keep == point + std::strlen(decimal_point))
    keep = point;
  return body.erase(keep, fraction_end - keep);
}

// a: a leading hex digit (1, or 2 when rounding carries into it), the
// fraction in hex, a binary exponent. Without a precision, as many digits as
// the value needs.
std::string hex_body(Binary value, int precision, bool alternate, bool upper,
                     const char *decimal_point) {
  const char *alphabet = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  uint64_t lead = 0;
  uint64_t fraction = 0; // left aligned: the first hex digit in bits 60-63
  int exponent = 0;
  if (value.mantissa != 0) {
    uint64_t m = value.mantissa;
    exponent = value.exponent + 63;
    for (; !(m >> 63); m <<= 1)
      --exponent;
    lead = 1;
    fraction = m << 1;
  }
  if (precision >= 0 && precision < 16) {
    const int kept_bits = 4 * precision;
    const uint64_t rest = fraction << kept_bits; // kept_bits < 64
    uint64_t kept = kept_bits ? fraction >> (64 - kept_bits) : 0;
    const uint64_t half = uint64_t(1) << 63;
    const bool odd = kept_bits ? (kept & 1) : (lead & 1);
    if (rest > half || (rest == half && odd)) {
      ++kept;
      if (kept_bits == 0 || kept >> kept_bits) {
        ++lead;
        kept = 0;
      }
    }
    fraction = kept_bits ? kept << (64 - kept_bits) : 0;
  }
  std::string hex;
  for (int i = 0; i < 16; ++i)
    hex += alphabet[(fraction >> (60 - 4 * i)) & 0xF];
  if (precision < 0) {
    std::size_t last = hex.find_last_not_of('0');
    hex.erase(last == std::string::npos ? 0 : last + 1);
  } else {
    hex.resize(static_cast<std::size_t>(precision), '0');
  }
  std::string body = upper ? "0X" : "0x";
  body += alphabet[lead];
  if (!hex.empty() || alternate)
    body += decimal_point + hex;
  body += upper ? 'P' : 'p';
  body += exponent < 0 ? '-' : '+';
  return body + std::to_string(exponent < 0 ? -exponent : exponent);
}

template <class Float>
void format_floating(std::string &out, const Layout &layout, Float value,
                     const char *decimal_point) {
  const char c = layout.conversion;
  const bool upper = c >= 'A' && c <= 'Z';
  const std::string sign = sign_of(std::signbit(value), layout);
  if (!std::isfinite(value)) {
    const char *text =
        std::isnan(value) ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf");
    pad(out, layout, sign, text, false);
    return;
  }
  const Binary binary = binary_of(std::fabs(value));
  if (c == 'a' || c == 'A') {
    std::string body = hex_body(binary, layout.precision, layout.alternate,
                                upper, decimal_point);
    // The zeros of a zero-padded width go between "0x" and the digits.
    pad(out, layout, sign + body.substr(0, 2), body.substr(2), true);
    return;
  }
  const int precision = layout.precision < 0 ? 6 : layout.precision;
  const Decimal d = exact_decimal(binary);
  const char e = upper ? 'E' : 'e';
  std::string body;
  if (c == 'f' || c == 'F')
    body = fixed_body(d, precision, layout.alternate, decimal_point);
  else if (c == 'e' || c == 'E')
    body = exponent_body(d, precision, layout.alternate, e, decimal_point);
  else
    body = general_body(d, precision, layout.alternate, e, decimal_point);
  pad(out, layout, sign, body, true);
}

void append_utf8(std::string &out, uint32_t code_point) {
  char encoded[8];
  out.append(encoded, utf8_encode(code_point, encoded));
}

// A wide text in UTF-8: code points where wchar_t holds them, UTF-16 units
// (surrogate pairs joined) where it is 16 bits wide.
std::string wide_in_utf8(const wchar_t *text, int precision) {
  std::string out;
  using Traits = std::char_traits<wchar_t>;
  for (const wchar_t *p = text; *p; ++p) {
    auto v = static_cast<uint32_t>(Traits::to_int_type(*p));
    if (sizeof(wchar_t) == 2 && v >= 0xD800 && v < 0xDC00 && p[1]) {
      auto low = static_cast<uint32_t>(Traits::to_int_type(p[1]));
      if (low >= 0xDC00 && low < 0xE000) {
        v = 0x10000 + ((v & 0x3FF) << 10) + (low & 0x3FF);
        ++p;
      }
    }
    std::size_t before = out.size();
    append_utf8(out, v);
    // A precision counts bytes and never cuts a character.
    if (precision >= 0 && out.size() > static_cast<std::size_t>(precision)) {
      out.resize(before);
      break;
    }
  }
  return out;
}

// Reads a width or precision of digits; false when it exceeds an int.
bool read_count(const char *&p, int &count) {
  long long value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > INT32_MAX)
      return false;
  }
  count = static_cast<int>(value);
  return true;
}

enum class Length { none, hh, h, l, ll, j, z, t, big_l };

// What a wint_t argument becomes in the argument list.
using PromotedWint =
    std::conditional_t<(sizeof(std::wint_t) < sizeof(int)), int, std::wint_t>;

Length read_length(const char *&p) {
  switch (*p) {
  case 'h':
    ++p;
    return *p == 'h' ? (++p, Length::hh) : Length::h;
  case 'l':
    ++p;
    return *p == 'l' ? (++p, Length::ll) : Length::l;
  case 'j':
    return ++p, Length::j;
  case 'z':
    return ++p, Length::z;
  case 't':
    return ++p, Length::t;
  case 'L':
    return ++p, Length::big_l;
  default:
    return Length::none;
  }
}

// One conversion as the format spells it.
struct Conversion {
  Layout layout;
  Length length = Length::none;
  bool width_argument = false;     // "*"
  bool precision_argument = false; // ".*"
};

enum class Parsed { good, unknown, too_large };

bool is_integer_conversion(char c) { return std::strchr("diouxX", c); }
bool is_floating_conversion(char c) { return std::strchr("fFeEgGaA", c); }

// Whether the length modifier gives an argument type for the conversion.
bool length_fits(char c, Length length) {
  if (is_integer_conversion(c))
    return length != Length::big_l;
  if (is_floating_conversion(c))
    return length == Length::none || length == Length::l ||
           length == Length::big_l;
  if (c == 'c' || c == 's')
    return length == Length::none || length == Length::l;
  return length == Length::none; // p, %
}

// Parses the conversion after a "%" at p, which moves past it.
Parsed parse_conversion(const char *&p, Conversion &conversion) {
  Layout &layout = conversion.layout;
  for (;; ++p) {
    if (*p == '-')
      layout.left = true;
    else if (*p == '+')
      layout.plus = true;
    else if (*p == ' ')
      layout.space = true;
    else if (*p == '#')
      layout.alternate = true;
    else if (*p == '0')
      layout.zero = true;
    else
      break;
  }
  if (*p == '*') {
    conversion.width_argument = true;
    ++p;
  } else if (!read_count(p, layout.width)) {
    return Parsed::too_large;
  }
  if (*p == '.') {
    ++p;
    layout.precision = 0;
    if (*p == '*') {
      conversion.precision_argument = true;
      ++p;
    } else if (!read_count(p, layout.precision)) {
      return Parsed::too_large;
    }
  }
  conversion.length = read_length(p);
  const char c = *p;
  if (c == '\0' || !std::strchr("diouxXfFeEgGaAcsp%", c) ||
      !length_fits(c, conversion.length))
    return Parsed::unknown;
  ++p;
  layout.conversion = c;
  return Parsed::good;
}

// Takes a signed argument of the length and splits it into sign and
// magnitude.
void signed_argument(std::va_list &args, Length length, uint64_t &magnitude,
                     bool &negative) {
  long long v = 0;
  // Some of these types are the same on one target and not on another.
  // NOLINTBEGIN(bugprone-branch-clone)
  switch (length) {
  case Length::hh:
    // "hh" is a signed char by definition.
    // NOLINTNEXTLINE(bugprone-signed-char-misuse,cert-str34-c)
    v = static_cast<signed char>(va_arg(args, int));
    break;
  case Length::h:
    v = static_cast<short>(va_arg(args, int));
    break;
  case Length::l:
    v = va_arg(args, long);
    break;
  case Length::ll:
    v = va_arg(args, long long);
    break;
  case Length::j:
    v = va_arg(args, intmax_t);
    break;
  case Length::z:
    v = va_arg(args, std::make_signed_t<std::size_t>);
    break;
  case Length::t:
    v = va_arg(args, std::ptrdiff_t);
    break;
  default:
    v = va_arg(args, int);
    break;
  }
  // NOLINTEND(bugprone-branch-clone)
  negative = v < 0;
  magnitude =
      negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
}

uint64_t unsigned_argument(std::va_list &args, Length length) {
  // NOLINTBEGIN(bugprone-branch-clone): as above
  switch (length) {
  case Length::hh:
    return static_cast<unsigned char>(va_arg(args, unsigned));
  case Length::h:
    return static_cast<unsigned short>(va_arg(args, unsigned));
  case Length::l:
    return va_arg(args, unsigned long);
  case Length::ll:
    return va_arg(args, unsigned long long);
  case Length::j:
    return va_arg(args, uintmax_t);
  case Length::z:
    return va_arg(args, std::size_t);
  case Length::t:
    return static_cast<std::make_unsigned_t<std::ptrdiff_t>>(
        va_arg(args, std::ptrdiff_t));
  default:
    return va_arg(args, unsigned);
  }
  // NOLINTEND(bugprone-branch-clone)
}

// The text of "%s" or "%ls": at most precision bytes, and no more read.
// wide keeps a converted wide text alive.
std::string_view text_argument(std::va_list &args, Length length, int precision,
                               std::string &wide) {
  if (length == Length::l) {
    const wchar_t *text = va_arg(args, const wchar_t *);
    wide = text ? wide_in_utf8(text, precision) : "(null)";
    return wide;
  }
  const char *narrow = va_arg(args, const char *);
  if (!narrow) // as the C library writes a null text: whole or not at all
    return precision < 0 || precision >= 6 ? "(null)" : "";
  if (precision < 0)
    return narrow;
  const auto limit = static_cast<std::size_t>(precision);
  const void *end = std::memchr(narrow, 0, limit);
  return std::string_view(
      narrow,
      end ? static_cast<std::size_t>(static_cast<const char *>(end) - narrow)
          : limit);
}

// Reads the conversion's arguments and appends what it writes.
void format_conversion(std::string &out, Conversion conversion,
                       std::va_list &args, const char *decimal_point) {
  Layout &layout = conversion.layout;
  const Length length = conversion.length;
  if (conversion.width_argument) {
    int width = va_arg(args, int);
    layout.left = layout.left || width < 0;
    layout.width = width >= 0 ? width : width == INT32_MIN ? INT32_MAX : -width;
  }
  if (conversion.precision_argument) {
    int precision = va_arg(args, int);
    layout.precision = precision < 0 ? -1 : precision;
  }
  const char c = layout.conversion;
  if (is_integer_conversion(c)) {
    uint64_t magnitude = 0;
    bool negative = false;
    if (c == 'd' || c == 'i')
      signed_argument(args, length, magnitude, negative);
    else
      magnitude = unsigned_argument(args, length);
    format_integer(out, layout, magnitude, negative);
  } else if (is_floating_conversion(c)) {
    if (length == Length::big_l)
      format_floating(out, layout, va_arg(args, long double), decimal_point);
    else
      format_floating(out, layout, va_arg(args, double), decimal_point);
  } else if (c == 'c') {
    std::string character;
    if (length == Length::l)
      append_utf8(character, static_cast<uint32_t>(static_cast<std::wint_t>(
                                 va_arg(args, PromotedWint))));
    else
      character = static_cast<char>(va_arg(args, int));
    pad(out, layout, "", character, false);
  } else if (c == 's') {
    std::string wide;
    pad(out, layout, "", text_argument(args, length, layout.precision, wide),
        false);
  } else if (c == 'p') {
    const void *pointer = va_arg(args, const void *);
    if (!pointer) {
      pad(out, layout, "", "(nil)", false);
      return;
    }
    layout.conversion = 'x';
    layout.alternate = true;
    format_integer(out, layout, reinterpret_cast<std::uintptr_t>(pointer),
                   false);
  } else {
    out += '%';
  }
}

//===-- Reading -----------------------------------------------------------===//

bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int digit_value(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z')
    return c - 'A' + 10;
  return 99;
}

bool starts_with_ci(const char *text, const char *word) {
  for (; *word; ++text, ++word) {
    char c = *text >= 'A' && *text <= 'Z' ? char(*text - 'A' + 'a') : *text;
    if (c != *word)
      return false;
  }
  return true;
}

// The double nearest to q * 2^exponent, where sticky says that the exact
// value lies a little above that (never as much as the next q).
double nearest_double(uint64_t q, long exponent, bool sticky) {
  int length = 0;
  for (uint64_t v = q; v; v >>= 1)
    ++length;
  const long top = length - 1 + exponent; // value in [2^top, 2^(top+1))
  if (top > 1023)
    return HUGE_VAL;
  long keep = 53;
  if (top < -1022)
    keep = 53 - (-1022 - top); // a subnormal has fewer bits
  if (keep < 0)
    return 0.0;
  const long drop = length - keep;
  if (drop <= 0)
    return std::ldexp(static_cast<double>(q), static_cast<int>(exponent));
  uint64_t mantissa = drop >= 64 ? 0 : q >> drop;
  const uint64_t rest = drop >= 64 ? q : q & ((uint64_t(1) << drop) - 1);
  const uint64_t half = uint64_t(1) << (drop - 1);
  if (rest > half || (rest == half && (sticky || (mantissa & 1))))
    ++mantissa;
  return std::ldexp(static_cast<double>(mantissa),
                    static_cast<int>(exponent + drop));
}

// Significant decimal digits beyond this many cannot change the rounding
// (a halfway value between two doubles has at most 767 of them); the rest
// only tells whether something non-zero follows.
constexpr std::size_t kept_digits = 800;

// The double nearest to digits * 10^exponent (digits without leading zeros).
double decimal_to_double(const std::string &digits, long exponent,
                         bool sticky) {
  if (digits.empty())
    return 0.0;
  const long magnitude = static_cast<long>(digits.size()) + exponent;
  if (magnitude > 310)
    return HUGE_VAL;
  if (magnitude < -325)
    return 0.0; // below 10^-325, under half the smallest subnormal
  BigNumber n;
  for (char c : digits) {
    n.multiply(10);
    n.add(static_cast<uint32_t>(c - '0'));
  }
  if (sticky) { // a digit 1 after the kept ones stands for the rest
    n.multiply(10);
    n.add(1);
    --exponent;
  }
  if (exponent >= 0) {
    n.multiply_power(10, static_cast<int>(exponent));
    bool rest = false;
    int below = 0;
    uint64_t top = n.top_bits(rest, below);
    return nearest_double(top, below, rest);
  }
  // n / 10^k: scale so that the quotient has 63 or 64 bits.
  BigNumber divisor(1);
  divisor.multiply_power(10, static_cast<int>(-exponent));
  const long shift = divisor.bit_length() - n.bit_length() + 63;
  if (shift > 0)
    n.shift_left(static_cast<int>(shift));
  else
    divisor.shift_left(static_cast<int>(-shift));
  BigNumber step = divisor;
  step.shift_left(63);
  uint64_t q = 0;
  for (int bit = 63; bit >= 0; --bit) {
    if (n.compare(step) >= 0) {
      n.subtract(step);
      q |= uint64_t(1) << bit;
    }
    step.shift_right_one();
  }
  return nearest_double(q, -shift, !n.is_zero());
}

// Reads an exponent: a sign and decimal digits, clamped far beyond any
// that matters. False, with p unchanged, when no digit follows.
bool read_exponent(const char *&p, long &exponent) {
  const char *q = p;
  bool negative = *q == '-';
  if (*q == '+' || *q == '-')
    ++q;
  if (*q < '0' || *q > '9')
    return false;
  long value = 0;
  for (; *q >= '0' && *q <= '9'; ++q)
    value = value < 1000000 ? value * 10 + (*q - '0') : value;
  exponent = negative ? -value : value;
  p = q;
  return true;
}

// Hex digits with an optional point and a binary exponent, after "0x";
// false when no hex digit comes.
bool read_hex_float(const char *&p, const char *decimal_point, double &value) {
  const std::size_t point_length = std::strlen(decimal_point);
  uint64_t q = 0;
  long exponent = 0;
  bool sticky = false, any = false, after_point = false;
  for (;;) {
    if (!after_point && std::strncmp(p, decimal_point, point_length) == 0) {
      after_point = true;
      p += point_length;
      continue;
    }
    const int digit = digit_value(*p);
    if (digit >= 16)
      break;
    any = true;
    ++p;
    if (q >> 60) { // 64 bits kept; the rest only counts
      sticky = sticky || digit != 0;
      if (!after_point)
        exponent += 4;
    } else {
      q = (q << 4) | static_cast<uint64_t>(digit);
      if (after_point)
        exponent -= 4;
    }
  }
  if (!any)
    return false;
  long binary = 0;
  if (*p == 'p' || *p == 'P') {
    const char *q = p + 1; // a "p" without digits is not part of the number
    if (read_exponent(q, binary))
      p = q;
  }
  value = q == 0 ? 0.0 : nearest_double(q, exponent + binary, sticky);
  return true;
}

} // namespace

//===-- Interface ---------------------------------------------------------===//

bool append_formatted(std::string &out, const char *format, std::va_list args,
                      const char *decimal_point) {
  if (!*decimal_point)
    decimal_point = ".";
  const std::size_t start = out.size();
  std::va_list walk;
  va_copy(walk, args);
  Parsed parsed = Parsed::good;
  for (const char *p = format; *p && parsed == Parsed::good;) {
    const char *percent = std::strchr(p, '%');
    if (percent != p) {
      std::size_t n =
          percent ? static_cast<std::size_t>(percent - p) : std::strlen(p);
      out.append(p, n);
      p += n;
      continue;
    }
    ++p;
    // Plain "%d" and "%s", the conversions of every element of the hidden
    // text, go straight through.
    if (*p == 'd') {
      char digits[16];
      out.append(
          digits,
          std::to_chars(digits, digits + sizeof digits, va_arg(walk, int)).ptr);
      ++p;
      continue;
    }
    if (*p == 's') {
      const char *text = va_arg(walk, const char *);
      out += text ? text : "(null)";
      ++p;
      continue;
    }
    Conversion conversion;
    parsed = parse_conversion(p, conversion);
    if (parsed == Parsed::good)
      format_conversion(out, conversion, walk, decimal_point);
    else if (parsed == Parsed::unknown)
      out += percent;
  }
  va_end(walk);
  if (parsed != Parsed::too_large)
    return true;
  out.resize(start);
  return false;
}

bool read_integer(const char *text, int base, const char *&stop,
                  uint64_t &magnitude, bool &negative) {
  stop = text;
  magnitude = 0;
  negative = false;
  if (base < 0 || base == 1 || base > 36)
    return false;
  const char *p = text;
  while (is_blank(*p))
    ++p;
  negative = *p == '-';
  if (*p == '-' || *p == '+')
    ++p;
  // "0x" counts only with a hex digit after it; otherwise the 0 is read.
  if ((base == 0 || base == 16) && p[0] == '0' &&
      (p[1] == 'x' || p[1] == 'X') && digit_value(p[2]) < 16) {
    p += 2;
    base = 16;
  } else if (base == 0) {
    base = *p == '0' ? 8 : 10;
  }
  const char *digits = p;
  for (int digit; (digit = digit_value(*p)) < base; ++p) {
    const uint64_t b = static_cast<uint64_t>(base);
    const uint64_t d = static_cast<uint64_t>(digit);
    magnitude =
        magnitude > (UINT64_MAX - d) / b ? UINT64_MAX : magnitude * b + d;
  }
  if (p == digits) {
    magnitude = 0;
    negative = false;
    return false;
  }
  stop = p;
  return true;
}

double read_double(const char *text, const char *&stop,
                   const char *decimal_point) {
  if (!*decimal_point)
    decimal_point = ".";
  stop = text;
  const char *p = text;
  while (is_blank(*p))
    ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+')
    ++p;
  const double sign = negative ? -1.0 : 1.0;
  if (starts_with_ci(p, "inf")) {
    stop = p + (starts_with_ci(p + 3, "inity") ? 8 : 3);
    return sign * HUGE_VAL;
  }
  if (starts_with_ci(p, "nan")) {
    p += 3;
    if (*p == '(') {
      const char *q = p + 1;
      while (digit_value(*q) < 36 || *q == '_')
        ++q;
      if (*q == ')')
        p = q + 1;
    }
    stop = p;
    return std::copysign(std::nan(""), sign);
  }
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    const char *q = p + 2;
    double value = 0.0;
    if (read_hex_float(q, decimal_point, value)) {
      stop = q;
      return sign * value;
    }
    stop = p + 1; // just the 0
    return sign * 0.0;
  }
  const std::size_t point_length = std::strlen(decimal_point);
  std::string digits;
  long exponent = 0;
  bool any = false, sticky = false, after_point = false;
  for (;;) {
    if (!after_point && std::strncmp(p, decimal_point, point_length) == 0) {
      after_point = true;
      p += point_length;
      continue;
    }
    if (*p < '0' || *p > '9')
      break;
    any = true;
    const char c = *p++;
    if (digits.empty() && c == '0') {
      if (after_point)
        --exponent; // a leading zero after the point
      continue;
    }
    if (digits.size() < kept_digits) {
      digits += c;
      if (after_point)
        --exponent;
    } else {
      sticky = sticky || c != '0';
      if (!after_point)
        ++exponent;
    }
  }
  if (!any)
    return 0.0;
  if (*p == 'e' || *p == 'E') {
    const char *q = p + 1;
    long power = 0;
    if (read_exponent(q, power)) {
      exponent += power;
      p = q;
    }
  }
  stop = p;
  return sign * decimal_to_double(digits, exponent, sticky);
}
