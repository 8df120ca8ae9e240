// Strings: conversions survive round trips (invalid bytes included), XML
// escaping and formatting give the hidden text's exact bytes, numbers
// saturate to 32 bits alike on both builds, and the rules for ranges,
// subscripts and searches hold at their edges.

#include "GString.h"

#include "GLocale.h"
#include "test_util.h"

#include <atomic>
#include <clocale>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

// A locale whose code page holds é, and the native bytes of é in it.
#ifdef _WIN32
const char *const latin_locale = ".1252";
const std::string native_e_acute = "\xE9";
#else
const char *const latin_locale = "C.UTF-8";
const std::string native_e_acute = "\xC3\xA9";
#endif

std::string bytes(const GStringHandle &s) {
  return std::string(s.c_str(), static_cast<std::size_t>(s.length()));
}

// A variadic front for the va_list forms, so positional formats (which the
// compiler's printf checks reject) can be tested.
GUTF8String format_of(const char *format, ...) {
  std::va_list args;
  va_start(args, format);
  GUTF8String result = GUTF8String(format).format_args(args);
  va_end(args);
  return result;
}

//===-- Code points -------------------------------------------------------===//

TEST(GStringCodePoints, EveryValueSurvivesEncodeAndDecode) {
  std::mt19937 random(7);
  std::vector<uint32_t> values = {1,         0x7F,      0x80,      0x7FF,
                                  0x800,     0xFFFF,    0x10000,   0x10FFFF,
                                  0x1FFFFF,  0x200000,  0x3FFFFFF, 0x4000000,
                                  0x7FFFFFF, 0x8000000, 0x7FFFFFFF};
  for (int i = 0; i < 2000; ++i)
    values.push_back(1 + random() % (i % 2 ? 0x10FFFF : 0x7FFFFFFE));
  for (uint32_t v : values) {
    char out[8];
    char *stop = utf8_encode(v, out);
    const char *cursor = out;
    EXPECT_EQ(utf8_decode(cursor, stop), v) << std::hex << v;
    EXPECT_EQ(cursor, stop) << std::hex << v;
  }
}

TEST(GStringCodePoints, InvalidBytesSurviveDecodeAndEncode) {
  // C3 28: a lead byte whose next byte is no continuation.
  const char text[] = "\xC3\x28";
  const char *cursor = text;
  EXPECT_EQ(utf8_decode(cursor, text + 2), 0xFFFFFF3Cu);
  EXPECT_EQ(utf8_decode(cursor, text + 2), uint32_t('('));
  // Random bytes: decoding then encoding every character gives the bytes.
  // (Overlong forms decode to their value and are not checked, so the lead
  // bytes that can start one are left out.)
  std::mt19937 random(11);
  const std::string overlong_leads = "\xC0\xC1\xE0\xF0\xF8\xFC";
  for (int round = 0; round < 300; ++round) {
    std::string input;
    while (input.size() < 40) {
      char byte = static_cast<char>(1 + random() % 255);
      if (overlong_leads.find(byte) == std::string::npos)
        input += byte;
    }
    std::string output;
    const char *p = input.data();
    const char *end = p + input.size();
    while (p < end) {
      const char *before = p;
      uint32_t v = utf8_decode(p, end);
      if (p == before) {
        output.append(p, end); // a sequence cut by the end
        break;
      }
      if (v == 0) {
        output.append(before, p);
        continue;
      }
      char encoded[8];
      output.append(encoded, utf8_encode(v, encoded));
    }
    ASSERT_EQ(output, input);
  }
}

TEST(GStringCodePoints, CutAndOverlongSequencesDecodeAsZero) {
  const char cut_late[] = "\xE2\x82";
  const char *cursor = cut_late;
  EXPECT_EQ(utf8_decode(cursor, cut_late + 2), 0u);
  EXPECT_EQ(cursor, cut_late); // a later byte is missing: stays
  cursor = cut_late;
  EXPECT_EQ(utf8_decode(cursor, cut_late + 1), 0u);
  EXPECT_EQ(cursor, cut_late + 1); // only the lead byte: steps over it
  const char overlong_zero[] = "\xC0\x80";
  cursor = overlong_zero;
  EXPECT_EQ(utf8_decode(cursor, overlong_zero + 2), 0u);
  EXPECT_EQ(cursor, overlong_zero);
  const char zero[] = "\0a";
  cursor = zero;
  EXPECT_EQ(utf8_decode(cursor, zero + 2), 0u);
  EXPECT_EQ(cursor, zero);
}

TEST(GStringUtf16, TextSurvivesUtf8AndUtf16) {
  std::mt19937 random(3);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint16_t> units;
    for (int i = 0; i < 30; ++i) {
      uint32_t v = 1 + random() % 0x10FFFF;
      if (v >= 0xD800 && v <= 0xDFFF)
        continue;
      uint16_t split[2];
      int n = utf16_split(v, split);
      units.insert(units.end(), split, split + n);
    }
    units.push_back(0);
    GUTF8String text(units.data());
    EXPECT_TRUE(text.is_well_formed());
    std::vector<uint16_t> back(units.size() + 4, 0xFFFF);
    int32_t n = text.copy_utf16(back.data(), static_cast<int32_t>(back.size()));
    ASSERT_EQ(n, static_cast<int32_t>(units.size()) - 1);
    back.resize(units.size());
    EXPECT_EQ(back, units);
    // Exactly room for the units and the zero unit; one less is too little.
    EXPECT_EQ(text.copy_utf16(back.data(), n + 1), n);
    EXPECT_EQ(text.copy_utf16(back.data(), n), -1);
  }
}

TEST(GStringUtf16, HighSurrogateNeverSwallowsTheEnd) {
  // A high surrogate then the zero unit: the text ends before it, and
  // nothing past the zero unit is read (ASan checks the second case).
  const uint16_t cut[] = {'a', 0xD83D, 0, 'b', 'c'};
  EXPECT_EQ(bytes(GUTF8String(cut)), "a");
  // Its own heap block, so that a read past the two units shows.
  std::unique_ptr<uint16_t[]> tail(new uint16_t[2]{'x', 0xD83D});
  EXPECT_EQ(bytes(GUTF8String(tail.get(), 2)), "x");
  const char16_t pair[] = u"\U0001F600!";
  EXPECT_EQ(bytes(GUTF8String(pair)), "\xF0\x9F\x98\x80!");
  const uint16_t lone_low[] = {'a', 0xDC00, 'b', 0};
  EXPECT_EQ(bytes(GUTF8String(lone_low)), "a");
  EXPECT_TRUE(GUTF8String(static_cast<const uint16_t *>(nullptr)).is_empty());
}

TEST(GStringUtf16, CopyEndsOnTextThatCannotDecode) {
  uint16_t buffer[16];
  // An overlong zero and a sequence cut by the end once looped forever.
  EXPECT_EQ(GUTF8String("ab\xC0\x80z").copy_utf16(buffer, 16), 2);
  EXPECT_EQ(buffer[2], 0);
  EXPECT_EQ(GUTF8String("ab\xE2\x82").copy_utf16(buffer, 16), 2);
  EXPECT_EQ(GUTF8String().copy_utf16(buffer, 1), 0);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(GUTF8String("a").copy_utf16(nullptr, 4), -1);
  EXPECT_EQ(GUTF8String("a").copy_utf16(buffer, 0), -1);
  EXPECT_FALSE(GUTF8String("ab\xE2\x82").is_well_formed());
  EXPECT_TRUE(GUTF8String("\xFF\xC3(").is_well_formed());
}

//===-- XML ---------------------------------------------------------------===//

struct EscapeCase {
  const char *input;
  bool seven_bit;
  const char *expected;
};

const EscapeCase escape_cases[] = {
    {"a~b", false, "a&#126;b"},
    {"x<y", false, "x&lt;y"},
    {"\xC3\xA9", false, "\xC3\xA9"},
    {"\xC3\xA9", true, "&#233;"},
    {"\"&'<>", false, "&quot;&amp;&apos;&lt;&gt;"},
    {"tab\there\x7F", false, "tab&#9;here&#127;"},
    {"\xFFz", false, "\xFFz"},
    {"\xF0\x9F\x98\x80", true, "&#128512;"},
};

TEST(GStringXml, EscapeGivesTheHiddenTextsBytes) {
  for (const EscapeCase &c : escape_cases)
    EXPECT_EQ(bytes(GUTF8String(c.input).xml_escape(c.seven_bit)), c.expected)
        << c.input;
  GUTF8String plain("plain words, 100% safe");
  EXPECT_EQ(plain.xml_escape().rep(), plain.rep());
  EXPECT_TRUE(GUTF8String().xml_escape().is_empty());
  // A cut sequence ends the walk; the rest is copied as it stands.
  EXPECT_EQ(bytes(GUTF8String("<\xE2\x82").xml_escape()), "&lt;\xE2\x82");
}

TEST(GStringXml, UnescapeReplacesKnownReferencesOnly) {
  EXPECT_EQ(bytes(GUTF8String("&lt;&#65;&#x42;&unknown;&;").xml_unescape()),
            "<AB&unknown;&;");
  GUTF8String no_semicolon("fish & chips");
  EXPECT_EQ(no_semicolon.xml_unescape().rep(), no_semicolon.rep());
  GUTF8String unknown_only("&nbsp;");
  EXPECT_EQ(unknown_only.xml_unescape().rep(), unknown_only.rep());
  EXPECT_EQ(
      bytes(GUTF8String("&quot;&apos;&amp;&gt;&#233;&#X1F600;").xml_unescape()),
      "\"'&>\xC3\xA9\xF0\x9F\x98\x80");
  // A value that encodes as the zero byte adds nothing.
  EXPECT_EQ(bytes(GUTF8String("a&#0;b&#99999999999;c").xml_unescape()), "abc");
  GMap<GUTF8String, GUTF8String> extra;
  extra["lt"] = "LESS";
  extra["me"] = "Lectorin";
  EXPECT_EQ(bytes(GUTF8String("&me; &lt; &gt;").xml_unescape(extra)),
            "Lectorin LESS >");
}

TEST(GStringXml, EscapeAndUnescapeAreInverse) {
  std::mt19937 random(5);
  for (int round = 0; round < 200; ++round) {
    std::u16string units;
    for (int i = 0; i < 20; ++i) {
      uint32_t v = 1 + random() % (i % 3 ? 0x80 : 0xFFFF);
      if (v < 0xD800 || v > 0xDFFF)
        units += static_cast<char16_t>(v);
    }
    GUTF8String text(units.c_str());
    EXPECT_EQ(text.xml_escape(round % 2 == 0).xml_unescape(), text);
  }
}

// The built-in entity table is made by whichever thread first needs it; in
// a fresh process several threads ask at once, and each must find it whole.
TEST(GStringXmlDeathTest, FirstNamedEntitiesOnManyThreadsAtOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const int count = 8;
        std::atomic<int> ready{0};
        std::atomic<int> wrong{0};
        std::vector<std::thread> threads;
        threads.reserve(count);
        for (int t = 0; t < count; ++t) {
          threads.emplace_back([&] {
            ++ready;
            while (ready < count) {
            }
            try {
              if (GUTF8String("a&lt;b&amp;").xml_unescape() != "a<b&")
                ++wrong;
            } catch (...) {
              ++wrong;
            }
          });
        }
        for (std::thread &thread : threads)
          thread.join();
        std::exit(wrong);
      },
      testing::ExitedWithCode(0), "");
}

//===-- Formatting --------------------------------------------------------===//

TEST(GStringFormat, PrintfFormatsAnyLength) {
  EXPECT_TRUE(GUTF8String::format("%s", "").is_empty());
  EXPECT_TRUE(format_of("").is_empty());
  EXPECT_EQ(bytes(GUTF8String::format("<WORD Coords=\"%d,%d,%d,%d\">%s</WORD>",
                                      15, 30, 45, 60, "x&lt;y")),
            "<WORD Coords=\"15,30,45,60\">x&lt;y</WORD>");
  EXPECT_EQ(bytes(GUTF8String(-42)), "-42");
  // Past the first buffer and past 65535 bytes: nothing is cut.
  for (std::size_t size : {1023u, 1024u, 40000u, 70000u, 300000u}) {
    std::string big(size, 'w');
    GUTF8String text = GUTF8String::format("<%s>", big.c_str());
    ASSERT_EQ(text.length(), static_cast<int32_t>(size + 2));
    EXPECT_EQ(bytes(text), "<" + big + ">");
  }
}

TEST(GStringFormat, NumberedInsertsGoToTheMessageFormatter) {
  EXPECT_EQ(bytes(format_of("%1!s! and %2!d!", "abc", 42)), "abc and 42");
  EXPECT_EQ(bytes(format_of("%2!d! before %1!s!", "abc", 42)), "42 before abc");
  // "%%" is a pair: the decision falls on the conversion after it.
  EXPECT_EQ(bytes(format_of("100%% %1!s!", "sure")), "100% sure");
  EXPECT_EQ(bytes(format_of("%%1!s! %s", "x")), "%1!s! x");
  // An empty result is the empty string; a malformed format is reported.
  EXPECT_TRUE(format_of("%1!s!", "").is_empty());
  EXPECT_EQ(raised_id([] { format_of("%1!s! %", "x"); }),
            "GException.outofmemory");
}

// The name of a locale that writes "1,5", or null when none exists here.
const char *comma_locale() {
  // "" is the user's default, which on Windows is the only name with a
  // language.
  for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", ""}) {
    GLocaleGuard guard(LC_ALL, name);
    if (GLocalString::format("%.1f", 1.5) == "1,5")
      return name;
  }
  return nullptr;
}

TEST(GStringFormat, Utf8NumbersIgnoreTheLocale) {
  const char *name = comma_locale();
  if (!name)
    GTEST_SKIP() << "no locale with a decimal comma";
  std::string before = locale_name(LC_ALL);
  {
    GLocaleGuard guard(LC_ALL, name);
    EXPECT_EQ(bytes(GUTF8String::format("%.1f", 1.5)), "1.5");
    EXPECT_EQ(bytes(GLocalString::format("%.1f", 1.5)), "1,5");
    int32_t end = 0;
    EXPECT_EQ(GUTF8String("2.5").parse_double(0, end), 2.5);
    EXPECT_EQ(end, 3);
    EXPECT_EQ(GLocalString("2,5").parse_double(0, end), 2.5);
  }
  EXPECT_EQ(locale_name(LC_ALL), before);
}

// Sets the C runtime's locale, as a host program may, for a scope.
class HostLocale {
public:
  explicit HostLocale(std::initializer_list<const char *> names)
      : before_(std::setlocale(LC_ALL, nullptr)) {
    for (const char *name : names) {
      if (std::setlocale(LC_ALL, name)) {
        name_ = name;
        return;
      }
    }
  }
  ~HostLocale() { std::setlocale(LC_ALL, before_.c_str()); }
  HostLocale(const HostLocale &) = delete;
  HostLocale &operator=(const HostLocale &) = delete;
  const char *name() const { return name_; }

private:
  std::string before_;
  const char *name_ = nullptr;
};

// The host's own choice of locale reaches neither the numbers of UTF-8 text
// nor the library's locale.
TEST(GStringFormat, Utf8NumbersIgnoreTheHostsLocale) {
  HostLocale german({"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252"});
  if (!german.name())
    GTEST_SKIP() << "the C runtime knows no German locale here";
  char host_text[8];
  std::snprintf(host_text, sizeof host_text, "%.1f", 1.5);
  ASSERT_STREQ(host_text, "1,5") << "the host's printf follows its locale";
  EXPECT_EQ(bytes(GUTF8String::format("%.1f|%g|%.2e", 1.5, 0.25, 1e3)),
            "1.5|0.25|1.00e+03");
  int32_t end = 0;
  EXPECT_EQ(GUTF8String("2.5").parse_double(0, end), 2.5);
  EXPECT_EQ(end, 3);
}

//===-- Numbers -----------------------------------------------------------===//

TEST(GStringNumbers, ResultsSaturateToThirtyTwoBits) {
  int32_t end = 0;
  EXPECT_EQ(GUTF8String("99999999999").parse_long(0, end), INT32_MAX);
  EXPECT_EQ(end, 11);
  EXPECT_EQ(GUTF8String("-99999999999").parse_long(0, end), INT32_MIN);
  EXPECT_EQ(GUTF8String("4294967296").parse_ulong(0, end), UINT32_MAX);
  EXPECT_EQ(GUTF8String("-5").parse_ulong(0, end), 4294967291u);
  EXPECT_EQ(GUTF8String("-99999999999").parse_ulong(0, end), UINT32_MAX);
  EXPECT_EQ(GLocalString("99999999999").parse_int(), INT32_MAX);
  EXPECT_EQ(GUTF8String("-2147483648").parse_int(), INT32_MIN);
}

TEST(GStringNumbers, EndTellsWhereReadingStopped) {
  int32_t end = -1;
  GUTF8String text("id=  42abc");
  EXPECT_EQ(text.parse_long(3, end), 42);
  EXPECT_EQ(end, 7);
  EXPECT_EQ(text.parse_long(0, end), 0);
  EXPECT_EQ(end, 0);
  EXPECT_EQ(GUTF8String("ff").parse_ulong(0, end, 16), 255u);
  EXPECT_EQ(GUTF8String("1.5x").parse_double(0, end), 1.5);
  EXPECT_EQ(end, 3);
  EXPECT_EQ(text.parse_long(99, end), 0);
  EXPECT_EQ(end, 99);
  EXPECT_EQ(GUTF8String().parse_double(0, end), 0.0);
  EXPECT_EQ(end, 0);
}

//===-- Ranges, subscripts, searches --------------------------------------===//

TEST(GStringRanges, SubstringRules) {
  GUTF8String text("0123456789");
  struct {
    int32_t start, n;
    const char *expected;
  } cases[] = {{2, 3, "234"}, {-3, -1, "789"},  {-30, 2, "01"},
               {8, 99, "89"}, {3, -3, "34567"}, {20, 1, ""},
               {5, 0, ""},    {6, -8, ""},      {0, -1, "0123456789"}};
  for (const auto &c : cases)
    EXPECT_EQ(bytes(text.substring(c.start, c.n)), c.expected)
        << c.start << "," << c.n;
  EXPECT_EQ(text.substring(0, -1).rep(), text.rep());
  // From text: not read past start + n.
  const char unterminated[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(bytes(GUTF8String(unterminated, 1, 2)), "bc");
  EXPECT_EQ(bytes(GLocalString("abcdef", -2, -1)), "ef");
}

TEST(GStringRanges, SubscriptRules) {
  GUTF8String text("abc");
  EXPECT_EQ(text[0], 'a');
  EXPECT_EQ(text[-1], 'c');
  EXPECT_EQ(text[3], '\0');
  EXPECT_EQ(GUTF8String()[0], '\0');
  EXPECT_EQ(raised_id([&] { text[4]; }), "GString.bad_subscript");
  EXPECT_EQ(raised_id([&] { text[-4]; }), "GString.bad_subscript");
}

TEST(GStringRanges, SearchRules) {
  GUTF8String text("0123456789");
  EXPECT_EQ(text.find_char('5'), 5);
  EXPECT_EQ(text.find_char('5', 6), -1);
  EXPECT_EQ(text.find_char('8', -3), 8);
  EXPECT_EQ(text.find_char('1', -100), -1);
  EXPECT_EQ(raised_id([&] { text.find_text("1", -100); }),
            "GString.bad_subscript");
  EXPECT_EQ(raised_id([&] { text.find_any_of("1", -100); }),
            "GString.bad_subscript");
  EXPECT_EQ(text.find_text("456"), 4);
  EXPECT_EQ(text.find_text("456", 5), -1);
  EXPECT_EQ(text.find_text("0", 10), -1);
  EXPECT_EQ(text.find_any_of("97", 2), 7);
  EXPECT_EQ(text.find_any_of(""), -1);
}

TEST(GStringRanges, Whitespace) {
  EXPECT_EQ(GUTF8String("ab  ").trailing_space_start(), 2);
  EXPECT_EQ(GUTF8String("   ").trailing_space_start(), 3);
  EXPECT_EQ(GUTF8String(" \r\n\tx ").skip_space(), 4);
  EXPECT_EQ(GUTF8String("ab").skip_space(5), 2);
  EXPECT_EQ(GUTF8String("  x").skip_space(0, 1), 1);
  // Characters from U+10000 up count as whitespace.
  EXPECT_EQ(GUTF8String("\xF0\x9F\x98\x80z").skip_space(), 4);
}

//===-- Comparison, joining, case -----------------------------------------===//

TEST(GStringCompare, AcrossKindsAndAgainstText) {
  GUTF8String utf8("abc");
  GLocalString native("abc");
  EXPECT_TRUE(utf8 == native);
  EXPECT_EQ(utf8.compare(GLocalString("abd")), -1);
  EXPECT_EQ(native.compare(GUTF8String("abb")), 1);
  EXPECT_EQ(utf8.compare(GUTF8String("abz"), 2), 0);
  EXPECT_EQ(utf8.compare(GUTF8String(), 0), 0);
  EXPECT_EQ(utf8.compare(GUTF8String()), 1);
  EXPECT_EQ(GUTF8String().compare(utf8), -1);
  EXPECT_TRUE(GUTF8String() == GLocalString());
  EXPECT_FALSE(GUTF8String() == utf8);
  EXPECT_TRUE(GUTF8String("ab") < utf8);
  // Against plain text: unsigned bytes, the empty text first.
  EXPECT_TRUE(GUTF8String("\xC3\xA9") > "z");
  EXPECT_TRUE(GUTF8String() < "a");
  EXPECT_TRUE(GUTF8String() == "");
  EXPECT_TRUE(utf8 <= "abc");
}

TEST(GStringJoin, ConvertsTheRightOperandFirst) {
  EXPECT_TRUE((GUTF8String() + GUTF8String()).is_empty());
  GUTF8String left("ab");
  EXPECT_EQ((left + GUTF8String()).rep(), left.rep());
  EXPECT_EQ(bytes(left + GLocalString("cd")), "abcd");
  EXPECT_TRUE((left + GLocalString("cd")).rep()->holds_utf8());
  EXPECT_EQ(bytes("<" + left + ">"), "<ab>");
  GLocalString native("x");
  native += GUTF8String("y");
  EXPECT_TRUE(native.rep()->holds_native());
  EXPECT_EQ(bytes(native), "xy");
  // Representations of different kinds never join behind a conversion.
  EXPECT_EQ(raised_id([&] { left.rep()->append(native.rep().get()); }),
            "GStringRep.appendNativeToUTF8");
  EXPECT_EQ(raised_id([&] { native.rep()->append(left.rep().get()); }),
            "GStringRep.appendUTF8toNative");
  EXPECT_EQ(raised_id([&] { left.rep()->as_utf8(false); }),
            "GStringRep.UTF8ToUTF8");
  EXPECT_EQ(
      raised_id([&] { native.rep()->as_native(GStringRep::escape_unset); }),
      "GStringRep.NativeToNative");
}

TEST(GStringCase, MapsOnlyWhatChanges) {
  EXPECT_EQ(bytes(GUTF8String("Hello, world 1!").to_upper()),
            "HELLO, WORLD 1!");
  EXPECT_EQ(bytes(GLocalString("MiXeD").to_lower()), "mixed");
  GUTF8String upper("ABC 123");
  EXPECT_EQ(upper.to_upper().rep(), upper.rep());
  GUTF8String emoji("\xF0\x9F\x98\x80");
  EXPECT_EQ(emoji.to_lower().rep(), emoji.rep());
}

TEST(GStringBuffer, WritableBufferRules) {
  GLocalString text("abcdef");
  char *buffer = text.writable_buffer(3);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(bytes(text), "abc");
  EXPECT_TRUE(text.rep()->holds_native());
  buffer = text.writable_buffer(5);
  EXPECT_EQ(bytes(text), std::string("abc\0\0", 5));
  buffer[4] = 'z';
  EXPECT_EQ(text.length(), 5);
  EXPECT_EQ(text.writable_buffer(0), nullptr);
  EXPECT_TRUE(text.is_empty());
  EXPECT_EQ(text.writable_buffer(-1), nullptr);
  GUTF8String empty;
  buffer = empty.writable_buffer(2);
  buffer[0] = 'o';
  buffer[1] = 'k';
  EXPECT_EQ(bytes(empty), "ok");
  buffer = empty.writable_buffer(-1);
  EXPECT_EQ(std::string(buffer, 2), "ok");
}

TEST(GStringMap, Utf8StringsAreKeys) {
  GMap<GUTF8String, int> map;
  map["alpha"] = 1;
  map[GUTF8String("be") + "ta"] = 2;
  EXPECT_EQ(map[map.find(GUTF8String("beta"))], 2);
  EXPECT_FALSE(map.find(GUTF8String("gamma")));
}

//===-- Native text -------------------------------------------------------===//

TEST(GStringNative, CharacterTheCodePageLacks) {
  GLocaleGuard ascii_only(LC_CTYPE, "C");
  const GUTF8String text("a\xE4\xB8\xAD"
                         "b"); // a, U+4E2D, b
  GRef<GStringRep> referenced =
      text.rep()->as_native(GStringRep::escape_references);
  ASSERT_TRUE(referenced);
  EXPECT_TRUE(referenced->holds_native());
  EXPECT_EQ(std::string(referenced->data(), 10), "a&#20013;b");
  EXPECT_FALSE(text.rep()->as_native(GStringRep::escape_none));
  EXPECT_TRUE(GLocalString(text).is_empty());
  EXPECT_EQ(bytes(GLocalString(GUTF8String("plain"))), "plain");
}

TEST(GStringNative, RoundTripInALatinCodePage) {
  GLocaleGuard latin(LC_CTYPE, latin_locale);
  GUTF8String text("caf\xC3\xA9 au lait");
  GLocalString native(text);
  EXPECT_EQ(bytes(native), "caf" + native_e_acute + " au lait");
  EXPECT_TRUE(native.is_well_formed());
  EXPECT_EQ(GUTF8String(native), text);
  EXPECT_TRUE(native == text);
  uint16_t units[16];
  EXPECT_EQ(native.copy_utf16(units, 16), 12);
  EXPECT_EQ(units[3], 0xE9);
  const char *cursor = native.c_str() + 3;
  EXPECT_EQ(native.rep()->decode_char(cursor, native.c_str() + native.length()),
            0xE9u);
  std::mbstate_t state = std::mbstate_t();
  char out[GStringRep::max_encoded_bytes];
  char *stop = native.rep()->encode_char(0xE9, out, state);
  EXPECT_EQ(std::string(out, stop), native_e_acute);
  EXPECT_EQ(*stop, '\0');
}

TEST(GStringNative, OutputFallsBackToUtf8Bytes) {
  GLocaleGuard ascii_only(LC_CTYPE, "C");
  // Whatever the user's default locale, the text comes out whole: converted
  // there, or as its UTF-8 bytes (which a UTF-8 default also gives).
  GUTF8String text("\xE4\xB8\xAD!");
  GLocalString out = GLocalString::for_output(text);
  EXPECT_FALSE(out.is_empty());
  EXPECT_TRUE(out.rep()->holds_native());
  EXPECT_TRUE(GLocalString::for_output(GUTF8String()).is_empty());
}

// An overlong zero (C0 80) ends UTF-8 text for the decoder, as a zero byte
// does; to native text it is two invalid bytes like any others, and what
// follows them is converted too. So is a sequence cut off by the end.
TEST(GStringNative, NothingAfterAnOverlongZeroIsLost) {
  const GUTF8String text("x\xC0\x80y");
  GRef<GStringRep> referenced =
      text.rep()->as_native(GStringRep::escape_references);
  ASSERT_TRUE(referenced);
  EXPECT_EQ(std::string(referenced->data(),
                        static_cast<std::size_t>(referenced->size())),
            "x&#4294967103;&#4294967167;y");
  // No code page holds invalid bytes: output takes the UTF-8 bytes whole.
  EXPECT_EQ(bytes(GLocalString::for_output(text)), "x\xC0\x80y");
  EXPECT_EQ(bytes(GLocalString::for_output(GUTF8String("cut \xE4\xB8"))),
            "cut \xE4\xB8");
}

// The ISO-8859-1 locale that ./test.sh makes, or null where there is none.
const char *latin1_locale() {
#ifdef _WIN32
  return ".28591";
#else
  for (const char *name : {"de_DE.ISO-8859-1", "de_DE.iso88591"}) {
    GLocaleGuard guard(LC_CTYPE, name);
    if (locale_name(LC_CTYPE) == name)
      return name;
  }
  return nullptr;
#endif
}

TEST(GStringNative, CaseMappingKeepsWhatTheCodePageLacks) {
  const char *latin1 = latin1_locale();
  if (!latin1)
    GTEST_SKIP() << "no ISO-8859-1 locale (./test.sh makes de_DE.ISO-8859-1)";
  GLocaleGuard guard(LC_CTYPE, latin1);
  // The capital of ÿ is Ÿ (U+0178), which Latin-1 lacks: ÿ stays as it is
  // while é beside it becomes É.
  EXPECT_EQ(bytes(GLocalString("\xE9\xFF"
                               "a")
                      .to_upper()),
            "\xC9\xFF"
            "A");
  EXPECT_EQ(bytes(GLocalString("\xC9\xFF").to_lower()), "\xE9\xFF");
}

TEST(GStringLocale, GuardRestoresTheLocale) {
  std::string before = locale_name(LC_CTYPE);
  {
    GLocaleGuard guard(LC_CTYPE, "C");
    EXPECT_EQ(locale_name(LC_CTYPE), "C");
    {
      GLocaleGuard nested(LC_CTYPE, latin_locale);
      EXPECT_NE(locale_name(LC_CTYPE), "C");
    }
    EXPECT_EQ(locale_name(LC_CTYPE), "C");
    GLocaleGuard unknown(LC_CTYPE, "no-such-locale");
    EXPECT_EQ(locale_name(LC_CTYPE), "C");
  }
  EXPECT_EQ(locale_name(LC_CTYPE), before);
}

} // namespace
