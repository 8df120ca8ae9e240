// Arbitrary bytes through the string conversions: UTF-8 to UTF-16 and back,
// to native text and back (in "C" and in a UTF-8 locale), XML escape and
// unescape, case mapping, numbers read from the text, and decoding from every
// text encoding, whole and cut into two chunks. Nothing may read past the
// input or fail other than with a GException; text that is strictly valid
// UTF-8 must come back unchanged from every round trip, numbers must read as
// the C library reads them, and decoding in chunks must give the same text
// as decoding at once.
//
// Input: one control byte (locale, encoding, chunk cut), then the text.

#include "GException.h"
#include "GLocale.h"
#include "GString.h"
#include "GUnicode.h"
#include "TextEncoding.h"

#include <climits>
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void require(bool condition, const char *what) {
  if (!condition) {
    std::fprintf(stderr, "string round trip failed: %s\n", what);
    std::abort();
  }
}

std::string text_of(const GStringHandle &s) {
  return std::string(s.c_str(), static_cast<std::size_t>(s.length()));
}

// Valid UTF-8 of code points 1..0x10FFFF without surrogates, shortest
// forms only: text every conversion must keep.
bool strictly_valid(const unsigned char *p, std::size_t n) {
  std::size_t i = 0;
  while (i < n) {
    unsigned char c = p[i];
    uint32_t cp;
    std::size_t len;
    if (c == 0)
      return false;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + len > n)
      return false;
    for (std::size_t k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80)
        return false;
      cp = cp << 6 | (p[i + k] & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
        cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}

// The decoded text of a representation (which strings never hold empty).
std::string decoded(const GRef<GStringRep::Unicode> &rep) {
  return rep ? std::string(rep->data(), static_cast<std::size_t>(rep->size()))
             : std::string();
}

void decode_in_chunks(const unsigned char *p, int32_t n, TextEncoding encoding,
                      int32_t cut) {
  std::string whole =
      decoded(GStringRep::Unicode::create(p, n, encoding)) + "|";
  // The first chunk holds at least the longest byte-order mark, which is
  // only looked for at the start.
  GRef<GStringRep::Unicode> first =
      GStringRep::Unicode::create(p, cut, encoding);
  GRef<GStringRep::Unicode> second =
      GStringRep::Unicode::create_continued(first, p + cut, n - cut);
  std::string pieces = decoded(first) + decoded(second) + "|";
  if (whole != pieces) {
    std::fprintf(stderr, "encoding %d, cut at %d\n", int(encoding), int(cut));
    require(false, "decoding in two chunks");
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  if (size < 1 || size > (1u << 16))
    return 0;
  const uint8_t control = data[0];
  const unsigned char *p = data + 1;
  const int32_t n = static_cast<int32_t>(size - 1);
  const char *text = reinterpret_cast<const char *>(p);
  const bool valid = strictly_valid(p, static_cast<std::size_t>(n));

  try {
    GLocaleGuard locale(LC_ALL, control & 1 ? "C.UTF-8" : "C");
    GUTF8String utf8(text, 0, n);
    if (valid)
      require(text_of(utf8) == std::string(text, static_cast<std::size_t>(n)),
              "UTF-8 text as given");

    // UTF-16, in a buffer that fits and in one that may not.
    std::vector<uint16_t> units(static_cast<std::size_t>(n) + 1);
    int32_t count = utf8.copy_utf16(units.data(), n + 1);
    if (valid) {
      require(count >= 0, "copy_utf16 of text that fits");
      require(GUTF8String(units.data(), count) == utf8, "through UTF-16");
    }
    // A buffer that is too small is refused, not overrun.
    std::vector<uint16_t> small(1 + control % 8);
    utf8.copy_utf16(small.data(), static_cast<int32_t>(small.size()));

    // Native text and back.
    GLocalString native(utf8);
    GUTF8String back(native);
    if (valid && (control & 1))
      require(back == utf8, "through native text in a UTF-8 locale");
    GLocalString raw(text, 0, n);
    (void)GUTF8String(raw);
    (void)GLocalString::for_output(utf8);

    // XML escapes.
    GUTF8String escaped = utf8.xml_escape(control & 2);
    if (valid)
      require(escaped.xml_unescape() == utf8, "xml_escape then xml_unescape");
    (void)utf8.xml_unescape();
    (void)native.xml_escape(control & 2);
    (void)native.xml_unescape(GMap<GUTF8String, GUTF8String>());

    (void)utf8.to_upper();
    (void)utf8.to_lower();
    (void)native.to_upper();
    (void)utf8.is_well_formed();
    (void)utf8.skip_space();
    (void)utf8.trailing_space_start();

    // Numbers, as strtod and strtoll read them where the decimal point is
    // "." (both locales here), saturated to 32 bits as parse_long is.
    const char *c_text = utf8.c_str();
    char *stop = nullptr;
    int32_t end = -1;
    const double value = utf8.parse_double(0, end);
    const double expected = std::strtod(c_text, &stop);
    require(end == stop - c_text &&
                (value == expected || (value != value && expected != expected)),
            "parse_double as strtod");
    const int base = control % 5 == 0 ? 0 : 2 + (control >> 3) % 35;
    const int32_t number = utf8.parse_long(0, end, base);
    const long long wide = std::strtoll(c_text, &stop, base);
    const long long saturated = wide > INT32_MAX   ? INT32_MAX
                                : wide < INT32_MIN ? INT32_MIN
                                                   : wide;
    require(end == stop - c_text && number == saturated,
            "parse_long as strtol");
  } catch (const GException &) {
  }

  const TextEncoding encoding = static_cast<TextEncoding>(control % 11);
  const int32_t cut = n >= 4 ? 4 + (control >> 4) % (n - 3) : n;
  try {
    decode_in_chunks(p, n, encoding, cut);
  } catch (const GException &) {
  }
  return 0;
}
