//===- ocr_options.cpp - The option text of a recognise call --------------===//

#include "ocr_options.h"

#include "GString.h"
#include "language_tables.h"

#include <cstring>

namespace {

const char language_keyword[] = "lang=";

// Keywords are compared with the original text, folding ASCII letters only,
// so the bytes dropped after a match are exactly the keyword's; a letter
// outside ASCII never matches one.
bool starts_with_keyword(const char *text, const char *keyword) {
  for (; *keyword; ++text, ++keyword) {
    char c = *text;
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
    if (c != *keyword)
      return false;
  }
  return true;
}

const char *skip_spaces(const char *text) {
  while (*text == ' ')
    ++text;
  return text;
}

bool is_decimal_digit(char c) { return c >= '0' && c <= '9'; }

// One item of an upper-cased language list.
void append_language(OcrOptions &options, const GUTF8String &item) {
  if (item.is_empty())
    return;
  if (is_decimal_digit(item[0])) {
    // A code the engine knows and the table may not: passed on unchecked.
    int32_t end = 0;
    options.languages.append(item.parse_long(0, end, 10));
    return;
  }
  int32_t code = 0;
  if (find_language_code(item.c_str(), code))
    options.languages.append(code);
}

// The keywords that set a flag, tested in this order: "nosep" before "sep",
// which it contains.
struct FlagKeyword {
  const char *keyword;
  uint8_t OcrOptions::*flag;
  uint8_t value;
};

const FlagKeyword flag_keywords[] = {
    {"char", &OcrOptions::characters, 1},
    {"word", &OcrOptions::characters, 0},
    {"nosep", &OcrOptions::separate, 0},
    {"sep", &OcrOptions::separate, 1},
    {"interactive", &OcrOptions::interactive, 1},
    {"mixed", &OcrOptions::mixed, 1},
};

// Consumes the keyword (and value) at the start of rest.
bool parse_keyword(OcrOptions &options, const char *&rest) {
  if (starts_with_keyword(rest, language_keyword))
    return parse_language_list(options, rest);
  for (const FlagKeyword &entry : flag_keywords) {
    if (starts_with_keyword(rest, entry.keyword)) {
      options.*entry.flag = entry.value;
      rest += std::strlen(entry.keyword);
      return true;
    }
  }
  return false;
}

} // namespace

bool parse_options(OcrOptions &options, const char *text) {
  if (std::strcmp(text, "TRUE") == 0)
    return true;
  const char *rest = text;
  while (*rest != '\0') {
    if (!parse_keyword(options, rest))
      return false;
    rest = skip_spaces(rest);
    if (*rest == '\0')
      return true;
    if (*rest != ',')
      return false;
    rest = skip_spaces(rest + 1);
    // A comma promises another keyword.
    if (*rest == '\0')
      return false;
  }
  return true;
}

bool parse_language_list(OcrOptions &options, const char *&remaining) {
  if (!starts_with_keyword(remaining, language_keyword))
    return false;
  const char *value = remaining + std::strlen(language_keyword);
  if (*value == '\0')
    return false;
  const char *list_end = nullptr;
  const char *after = nullptr;
  if (*value == '(') {
    ++value;
    list_end = std::strchr(value, ')');
    if (!list_end)
      return false;
    after = list_end + 1;
  } else {
    // Without parentheses the value ends at the next comma, which then
    // separates the next keyword: one language only.
    list_end = value + std::strcspn(value, ",");
    after = list_end;
  }

  GUTF8String list =
      GUTF8String(value, 0, static_cast<int32_t>(list_end - value)).to_upper();
  const int32_t length = list.length();
  int32_t start = 0;
  while (start < length) {
    int32_t comma = list.find_char(',', start);
    int32_t end = comma < 0 ? length : comma;
    append_language(options, list.substring(start, end - start));
    start = end + 1;
  }
  remaining = after;
  return true;
}
