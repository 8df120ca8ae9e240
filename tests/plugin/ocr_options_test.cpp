// The option text: which texts are accepted, what they set, and the
// languages a "lang=" value names.

#include "ocr_options.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

std::vector<int32_t> languages_of(const OcrOptions &options) {
  std::vector<int32_t> codes;
  for (GCursor c = options.languages.first(); c; ++c)
    codes.push_back(options.languages[c]);
  return codes;
}

bool accepts(const char *text) {
  OcrOptions options;
  return parse_options(options, text);
}

// The options of an accepted text; a rejected one fails the test.
OcrOptions parsed(const char *text) {
  OcrOptions options;
  EXPECT_TRUE(parse_options(options, text)) << text;
  return options;
}

std::vector<int32_t> languages(const char *text) {
  return languages_of(parsed(text));
}

void expect_defaults(const OcrOptions &options) {
  EXPECT_EQ(options.separate, 1);
  EXPECT_EQ(options.characters, 0);
  EXPECT_EQ(options.interactive, 0);
  EXPECT_EQ(options.mixed, 0);
  EXPECT_TRUE(options.languages.empty());
}

TEST(ParseOptions, EmptyTextAndTrueKeepTheDefaults) {
  expect_defaults(parsed(""));
  expect_defaults(parsed("TRUE"));
  EXPECT_FALSE(accepts("true"));
  EXPECT_FALSE(accepts("True"));
  EXPECT_FALSE(accepts("TRUE,char"));
}

TEST(ParseOptions, KeywordsIgnoreCaseAndSpacesAroundCommas) {
  OcrOptions options = parsed("CHAR, NoSep");
  EXPECT_EQ(options.characters, 1);
  EXPECT_EQ(options.separate, 0);

  options = parsed("Interactive  ,mixed ,  sep");
  EXPECT_EQ(options.interactive, 1);
  EXPECT_EQ(options.mixed, 1);
  EXPECT_EQ(options.separate, 1);
  EXPECT_EQ(options.characters, 0);
}

TEST(ParseOptions, KeywordsMustBeSeparatedAndComplete) {
  EXPECT_TRUE(accepts("char  "));
  EXPECT_FALSE(accepts("char,"));
  EXPECT_FALSE(accepts("char,  "));
  EXPECT_FALSE(accepts("charx"));
  EXPECT_FALSE(accepts("separate"));
  EXPECT_FALSE(accepts("char word"));
  EXPECT_FALSE(accepts("char;word"));
  EXPECT_FALSE(accepts("char,,word"));
  EXPECT_FALSE(accepts(" char"));
  EXPECT_FALSE(accepts(","));
  EXPECT_FALSE(accepts("bold"));
}

TEST(ParseOptions, TheLastOfTwoOpposingKeywordsWins) {
  EXPECT_EQ(parsed("char,word").characters, 0);
  EXPECT_EQ(parsed("word,char").characters, 1);
  EXPECT_EQ(parsed("sep,nosep").separate, 0);
  EXPECT_EQ(parsed("nosep,sep").separate, 1);
  EXPECT_EQ(parsed("char,char,word,char").characters, 1);
}

// A letter outside ASCII whose lower case is an ASCII letter (U+0130, the
// dotted capital I) must not pass for one: it would shift every later cut.
TEST(ParseOptions, OnlyAsciiLettersFoldToKeywords) {
  EXPECT_FALSE(accepts("\xC4\xB0nteractive"));
  EXPECT_FALSE(accepts("\xC4\xB0NTERACTIVE,char"));
  EXPECT_FALSE(accepts("char,\xC3\xA9"));
  EXPECT_FALSE(accepts("\xFF"));
}

TEST(ParseOptions, LanguageValuesNameOneLanguageOrAList) {
  OcrOptions options = parsed("lang=german,word");
  EXPECT_EQ(languages_of(options), (std::vector<int32_t>{2}));
  EXPECT_EQ(options.characters, 0);

  EXPECT_EQ(languages("lang=(german,french,7)"),
            (std::vector<int32_t>{2, 3, 7}));
  EXPECT_EQ(languages("LANG=(German,FRENCH) , char"),
            (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(languages("lang=english,lang=(german,german)"),
            (std::vector<int32_t>{1, 2, 2}));
  EXPECT_EQ(languages("lang=(american,english,serbian_latin)"),
            (std::vector<int32_t>{1, 1, 155}));
  // Names from all over the table, each with the engine's code for it.
  EXPECT_EQ(
      languages("lang=(british,norwegian,icelandic,luxemb,japanese,"
                "nynorsk,quecha,bemba,fijan,kapampangan,waray)"),
      (std::vector<int32_t>{6, 9, 15, 28, 37, 50, 59, 105, 108, 149, 154}));
}

TEST(ParseOptions, LanguageItemsThatNameNothingAreIgnored) {
  EXPECT_EQ(languages("lang=(klingon)"), std::vector<int32_t>{});
  EXPECT_EQ(languages("lang=()"), std::vector<int32_t>{});
  // Items are not trimmed: " french" is no name.
  EXPECT_EQ(languages("lang=(english, french)"), (std::vector<int32_t>{1}));
  EXPECT_EQ(languages("lang=(german,,french,)"), (std::vector<int32_t>{2, 3}));
  // Without parentheses everything up to the comma is one name.
  EXPECT_EQ(languages("lang=german french"), std::vector<int32_t>{});
  EXPECT_EQ(languages("lang=,char"), std::vector<int32_t>{});
}

TEST(ParseOptions, NumericLanguageItemsAreTakenAsCodes) {
  EXPECT_EQ(languages("lang=(12abc,0,999)"),
            (std::vector<int32_t>{12, 0, 999}));
  EXPECT_EQ(languages("lang=99999999999999"),
            (std::vector<int32_t>{INT32_MAX}));
  // A sign is not a digit, so the item is a name, and no known one.
  EXPECT_EQ(languages("lang=(-5,+5)"), std::vector<int32_t>{});
}

TEST(ParseOptions, BadLanguageValuesAreRejected) {
  EXPECT_FALSE(accepts("lang="));
  EXPECT_FALSE(accepts("char,lang="));
  EXPECT_FALSE(accepts("lang=(german"));
  EXPECT_FALSE(accepts("lang=(german,french,char"));
  EXPECT_FALSE(accepts("lang=(german)x"));
  EXPECT_FALSE(accepts("lang=(german),"));
  EXPECT_FALSE(accepts("lang"));
}

TEST(ParseLanguageList, LeavesTheRestForTheNextKeyword) {
  OcrOptions options;
  const char text[] = "LANG=(french),char";
  const char *rest = text;
  ASSERT_TRUE(parse_language_list(options, rest));
  EXPECT_STREQ(rest, ",char");

  const char single[] = "lang=french, nosep";
  rest = single;
  ASSERT_TRUE(parse_language_list(options, rest));
  EXPECT_STREQ(rest, ", nosep");
  EXPECT_EQ(languages_of(options), (std::vector<int32_t>{3, 3}));

  const char other[] = "char";
  rest = other;
  EXPECT_FALSE(parse_language_list(options, rest));
  EXPECT_EQ(rest, other);
}

} // namespace
