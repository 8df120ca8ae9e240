// Numbers as text without a locale: the same bytes as the C library's printf
// and the same doubles as its strtod (in the "C" locale the test program
// runs in), for random values and the cases where rounding is hardest; and
// the decimal point the caller names, never the locale's.

#include "NumberText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::string formatted_with(const char *decimal_point, const char *format, ...) {
  std::va_list args;
  va_start(args, format);
  std::string out = "[";
  bool ok = append_formatted(out, format, args, decimal_point);
  va_end(args);
  return ok ? out.substr(1) : "<too large>";
}

// The C library's text for the same format and arguments.
std::string runtime_text(const char *format, ...) {
  std::va_list args;
  va_start(args, format);
  std::vector<char> buffer(4096);
  int n = std::vsnprintf(buffer.data(), buffer.size(), format, args);
  va_end(args);
  return n < 0 ? "<error>" : std::string(buffer.data());
}

double bits_to_double(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

bool same_double(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) ||
         (a == b && std::signbit(a) == std::signbit(b));
}

// A random double of every kind: any bit pattern, small integers and
// fractions, powers of two across the whole range (subnormals included).
double random_double(std::mt19937_64 &random) {
  switch (random() % 4) {
  case 0:
    return bits_to_double(random());
  case 1:
    return static_cast<double>(static_cast<int64_t>(random() % 2000001) -
                               1000000) /
           static_cast<double>(1 + random() % 1000);
  case 2:
    return (random() % 1000) / 8.0 + 0.5; // ties in the last places
  default:
    return std::ldexp(1.0 + (random() % 3),
                      static_cast<int>(random() % 2100) - 1075);
  }
}

TEST(NumberTextFormat, FloatingPointMatchesTheCLibrary) {
  std::mt19937_64 random(7);
  const char *conversions = "feEgGF";
  const char *flags[] = {"", "-", "+", " ", "#", "0", "+0", "-#", " 0#"};
  for (int i = 0; i < 20000; ++i) {
    double value = random_double(random);
    const char *flag = flags[random() % 9];
    const int width = static_cast<int>(random() % 30);
    const int precision = static_cast<int>(random() % 25) - 3;
    const char conversion = conversions[random() % 6];
    char format[32];
    if (precision < 0)
      std::snprintf(format, sizeof format, "%%%s%d%c", flag, width, conversion);
    else
      std::snprintf(format, sizeof format, "%%%s%d.%d%c", flag, width,
                    precision, conversion);
    ASSERT_EQ(formatted_with(".", format, value), runtime_text(format, value))
        << format << " of " << std::hexfloat << value;
  }
}

TEST(NumberTextFormat, IntegersMatchTheCLibrary) {
  std::mt19937_64 random(11);
  const char *conversions = "diuoxX";
  const char *flags[] = {"", "-", "+", " ", "#", "0", "+0", "-#", " 0#"};
  for (int i = 0; i < 20000; ++i) {
    long long value = static_cast<long long>(random());
    if (i % 3 == 0)
      value %= 1000;
    const bool wide = i % 2 == 0;
    const int precision = static_cast<int>(random() % 12) - 3;
    const char conversion = conversions[random() % 6];
    // "+" and " " are for signed conversions, and "#" with "o" has a case
    // (a zero of no digits) that mingw's printf gets wrong.
    const char *flag = flags[random() % 9];
    if (conversion != 'd' && conversion != 'i' && std::strpbrk(flag, "+ "))
      flag = "-";
    if (conversion == 'o' && std::strchr(flag, '#'))
      flag = "0";
    const int width = static_cast<int>(random() % 25);
    char format[32];
    if (precision < 0)
      std::snprintf(format, sizeof format, "%%%s%d%s%c", flag, width,
                    wide ? "ll" : "", conversion);
    else
      std::snprintf(format, sizeof format, "%%%s%d.%d%s%c", flag, width,
                    precision, wide ? "ll" : "", conversion);
    if (wide)
      ASSERT_EQ(formatted_with(".", format, value), runtime_text(format, value))
          << format << " of " << value;
    else
      ASSERT_EQ(formatted_with(".", format, static_cast<int>(value)),
                runtime_text(format, static_cast<int>(value)))
          << format << " of " << static_cast<int>(value);
  }
}

TEST(NumberTextFormat, ConversionsOfEveryKind) {
  EXPECT_EQ(formatted_with(".", "%#o|%#.0o|%#x|%#X|%#.0x|% u|%+u", 8, 0, 255,
                           255, 0, 5, 5),
            "010|0|0xff|0XFF||5|5");
  EXPECT_EQ(formatted_with(".", "%hhd|%hu|%zu|%jd|%td|%ld", 300, 70000,
                           std::size_t(7), intmax_t(-8), std::ptrdiff_t(9),
                           -10L),
            "44|4464|7|-8|9|-10");
  EXPECT_EQ(formatted_with(".", "%s|%.3s|%5.1s|%-6s|%c|%3c|%%|%5%", "abc",
                           "abcdef", "xy", "q", 'z', 'w'),
            "abc|abc|    x|q     |z|  w|%|%");
  // A precision reads no further than it lets through.
  const char unterminated[3] = {'a', 'b', 'c'};
  EXPECT_EQ(formatted_with(".", "%.2s", unterminated), "ab");
  EXPECT_EQ(formatted_with(".", "%s|%.3s", static_cast<const char *>(nullptr),
                           static_cast<const char *>(nullptr)),
            "(null)|");
  EXPECT_EQ(formatted_with(".", "%p|%p", static_cast<void *>(nullptr),
                           reinterpret_cast<void *>(0x1234)),
            "(nil)|0x1234");
  EXPECT_EQ(formatted_with(".", "%ls|%lc|%.3ls", L"h\u00e9", wint_t(0x4E2D),
                           L"\u00e9\u00e9"),
            "h\xC3\xA9|\xE4\xB8\xAD|\xC3\xA9");
  EXPECT_EQ(formatted_with(".", "%*d|%-*d|%.*f|%*.*e|%.*d", 5, 1, 4, 2, 2, 1.25,
                           -10, 3, 2.5, -1, 7),
            "    1|2   |1.25|2.500e+00 |7");
  EXPECT_EQ(formatted_with(".", "%f|%e|%G|%F", HUGE_VAL, -HUGE_VAL,
                           std::nan(""), -std::nan("")),
            "inf|-inf|NAN|-NAN");
  EXPECT_EQ(
      formatted_with(".", "%05.1f|%+06d|%-05d|%05s", -HUGE_VAL, 42, 42, "ab"),
      " -inf|+00042|42   |   ab");
  EXPECT_EQ(formatted_with(".", "%.0f %.0f %.0f %.1f %.2e", 0.5, 1.5, 2.5, 0.25,
                           1.125),
            "0 2 2 0.2 1.12e+00")
      << "ties go to the even digit";
  EXPECT_EQ(formatted_with(".", "%.1Lf|%Le", 2.25L, 1e-4000L),
            "2.2|1.000000e-4000");
}

TEST(NumberTextFormat, HexFloatsHaveALeadingOne) {
  EXPECT_EQ(formatted_with(".", "%a|%A|%a|%a", 1.5, -0.375, 0.0, 1.0),
            "0x1.8p+0|-0X1.8P-2|0x0p+0|0x1p+0");
  EXPECT_EQ(formatted_with(".", "%.0a|%.1a|%.2a|%#.0a|%010.1a", 1.5, 1.96875,
                           1.0, 1.0, 1.0),
            "0x2p+0|0x2.0p+0|0x1.00p+0|0x1.p+0|0x001.0p+0");
  EXPECT_EQ(formatted_with(".", "%a|%a", std::ldexp(1.0, -1074), 1e300),
            "0x1p-1074|0x1.7e43c8800759cp+996");
  EXPECT_EQ(formatted_with(".", "%La", 1.0L), "0x1p+0");
}

TEST(NumberTextFormat, TheDecimalPointIsTheCallers) {
  EXPECT_EQ(
      formatted_with(",", "%.1f|%g|%.2e|%#.0f|%d", 1.5, 0.25, 1234.5, 3.0, 7),
      "1,5|0,25|1,23e+03|3,|7");
  // A point of more than one byte (U+066B) is written whole, and a %g
  // without its trailing zeros loses the whole of it.
  EXPECT_EQ(formatted_with("\xD9\xAB", "%.2f|%g|%g", 0.5, 2.0, 2.5),
            "0\xD9\xAB"
            "50|2|2\xD9\xAB"
            "5");
  EXPECT_EQ(formatted_with("", "%.1f", 1.5), "1.5") << "no point is '.'";
}

TEST(NumberTextFormat, AnUnknownConversionEndsTheFormatting) {
  // "%n" would write through an argument: nothing after it is read.
  EXPECT_EQ(formatted_with(".", "a%d%n%d b", 1, 2), "a1%n%d b");
  EXPECT_EQ(formatted_with(".", "%y %d", 5), "%y %d");
  EXPECT_EQ(formatted_with(".", "%Ld|%hf|%lp", 1), "%Ld|%hf|%lp");
  EXPECT_EQ(formatted_with(".", "end %"), "end %");
  EXPECT_EQ(formatted_with(".", "%99999999999d", 1), "<too large>");
  EXPECT_EQ(formatted_with(".", "%.99999999999f", 1.0), "<too large>");
}

//===-- Reading -----------------------------------------------------------===//

struct Read {
  double value;
  long length; // bytes read
};

Read read_with(const char *text, const char *decimal_point = ".") {
  const char *stop = nullptr;
  double value = read_double(text, stop, decimal_point);
  return {value, static_cast<long>(stop - text)};
}

TEST(NumberTextRead, DoublesMatchTheCLibrary) {
  std::mt19937_64 random(13);
  for (int i = 0; i < 4000; ++i) {
    std::string text;
    char buffer[1200];
    switch (i % 4) {
    case 0: // every double, printed with every precision
      std::snprintf(buffer, sizeof buffer, "%.*g",
                    static_cast<int>(random() % 20) + 1,
                    bits_to_double(random()));
      text = buffer;
      break;
    case 1: { // the exact middle between neighbours, and a hair above it
      double low = bits_to_double(random() & 0x7FEFFFFFFFFFFFFFull);
      long double middle =
          (static_cast<long double>(low) +
           static_cast<long double>(std::nextafter(low, HUGE_VAL))) /
          2;
      std::snprintf(buffer, sizeof buffer, "%.780Le", middle);
      text = buffer;
      if (random() % 2)
        text.insert(text.find('e'), "0000001");
      break;
    }
    case 2: // digits and exponents at random, the point anywhere
      for (int n = 1 + static_cast<int>(random() % 40); n > 0; --n)
        text += static_cast<char>('0' + random() % 10);
      text.insert(random() % text.size(), ".");
      text += "e" + std::to_string(static_cast<int>(random() % 700) - 350);
      break;
    default: // long fractions beyond what rounding looks at
      text = "0.";
      for (int n = 1 + static_cast<int>(random() % 1000); n > 0; --n)
        text += static_cast<char>('0' + random() % 10);
      text += "e-" + std::to_string(random() % 330);
      break;
    }
    char *end = nullptr;
    double expected = std::strtod(text.c_str(), &end);
    Read got = read_with(text.c_str());
    ASSERT_TRUE(same_double(got.value, expected))
        << text << ": " << std::hexfloat << got.value << " against "
        << expected;
    ASSERT_EQ(got.length, end - text.c_str()) << text;
  }
}

TEST(NumberTextRead, FormsAndEdges) {
  struct Case {
    const char *text;
    double value;
    long length;
  };
  const double tiny = std::ldexp(1.0, -1074);
  const Case cases[] = {
      {"  +1.5x", 1.5, 6},
      {"-.5", -0.5, 3},
      {"5.", 5.0, 2},
      {"1e", 1.0, 1},
      {"1e+", 1.0, 1},
      {"1e-x", 1.0, 1},
      {"2E3", 2000.0, 3},
      {".", 0.0, 0},
      {"-", 0.0, 0},
      {"", 0.0, 0},
      {"+ 1", 0.0, 0},
      {" \t\n9", 9.0, 4},
      {"0x1.8p1", 3.0, 7},
      {"0x.8", 0.5, 4},
      {"0X1P-1074", tiny, 9},
      {"0x1p-1075", 0.0, 9},
      {"0x1.0000000000001p-1075", tiny, 23},
      {"0x1p", 1.0, 3},
      {"0xg", 0.0, 1},
      {"0x", 0.0, 1},
      {"-0", -0.0, 2},
      {"inF", HUGE_VAL, 3},
      {"-InFiNiTy", -HUGE_VAL, 9},
      {"infinit", HUGE_VAL, 3},
      {"1e999999999999", HUGE_VAL, 14},
      {"1e-99999999999", 0.0, 14},
      {"2.4703282292062327e-324", 0.0, 23},
      {"2.4703282292062328e-324", tiny, 23},
      {"1.7976931348623158e308", 1.7976931348623157e308, 22},
      {"1.7976931348623159e308", HUGE_VAL, 22},
  };
  for (const Case &c : cases) {
    Read got = read_with(c.text);
    EXPECT_TRUE(same_double(got.value, c.value))
        << c.text << ": " << std::hexfloat << got.value;
    EXPECT_EQ(got.length, c.length) << c.text;
  }
  EXPECT_TRUE(std::isnan(read_with("nan(abc_1)x").value));
  EXPECT_EQ(read_with("nan(abc_1)x").length, 10);
  EXPECT_EQ(read_with("-nan(").length, 4);
}

TEST(NumberTextRead, TheDecimalPointIsTheCallers) {
  EXPECT_EQ(read_with("2,5", ",").value, 2.5);
  EXPECT_EQ(read_with("2.5", ",").length, 1) << "a '.' ends the number";
  EXPECT_EQ(read_with("0x1,8p1", ",").value, 3.0);
  Read multibyte = read_with("1\xD9\xAB"
                             "25",
                             "\xD9\xAB");
  EXPECT_EQ(multibyte.value, 1.25);
  EXPECT_EQ(multibyte.length, 5);
}

TEST(NumberTextRead, IntegersInEveryBase) {
  struct Case {
    const char *text;
    int base;
    bool read;
    uint64_t magnitude;
    bool negative;
    long length;
  };
  const Case cases[] = {
      {" -42z", 10, true, 42, true, 4},
      {"+0x1F", 16, true, 31, false, 5},
      {"0x1F", 0, true, 31, false, 4},
      {"017", 0, true, 15, false, 3},
      {"0x", 16, true, 0, false, 1},
      {"0xg", 0, true, 0, false, 1},
      {"zz", 36, true, 35 * 36 + 35, false, 2},
      {"99999999999999999999999", 10, true, UINT64_MAX, false, 23},
      {"- 5", 10, false, 0, false, 0},
      {"--5", 10, false, 0, false, 0},
      {"", 10, false, 0, false, 0},
      {"12", 1, false, 0, false, 0},
      {"12", 37, false, 0, false, 0},
  };
  for (const Case &c : cases) {
    const char *stop = nullptr;
    uint64_t magnitude = 7;
    bool negative = true;
    EXPECT_EQ(read_integer(c.text, c.base, stop, magnitude, negative), c.read)
        << c.text;
    EXPECT_EQ(magnitude, c.magnitude) << c.text;
    EXPECT_EQ(negative, c.negative) << c.text;
    EXPECT_EQ(stop - c.text, c.length) << c.text;
  }
}

} // namespace
