// What the engine is told about languages and characters, read from the
// script engine's call log, and the tables the character sets come from.

#include "engine_languages.h"

#include "language_tables.h"
#include "script_engine_session.h"

#include "GString.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using testing_support::ScriptEngineSession;

namespace {

std::string utf8(const char16_t *units) { return GUTF8String(units).c_str(); }

// The engine's calls for the languages and characters of an option text.
std::string calls_for(const char *option_text) {
  OcrOptions options;
  EXPECT_TRUE(parse_options(options, option_text)) << option_text;
  ScriptEngineSession engine;
  apply_languages(engine.handle(), options);
  apply_characters(engine.handle(), options);
  return engine.calls();
}

// The character set handed over in a code 35 call, as UTF-8.
std::string character_set_in(const std::string &calls) {
  const std::string start = "set_engine_value 1 35 \"";
  std::size_t from = calls.find(start);
  std::size_t to = calls.rfind("\" 0\n");
  if (from == std::string::npos || to == std::string::npos)
    return "";
  from += start.size();
  return calls.substr(from, to - from);
}

std::u16string utf16(const std::string &text) {
  GUTF8String string(text.c_str());
  std::u16string units(static_cast<std::size_t>(string.length()) + 1, u'\0');
  int32_t n = string.copy_utf16(reinterpret_cast<uint16_t *>(units.data()),
                                static_cast<int32_t>(units.size()));
  units.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
  return units;
}

const std::string base = utf8(base_characters);

TEST(ApplyLanguages, NoLanguagesMeanEnglishAndNoCharacterSet) {
  const std::string none = "set_drs_language 1 1\nset_engine_value 1 36 0\n";
  EXPECT_EQ(calls_for(""), none);
  EXPECT_EQ(calls_for("lang=(klingon)"), none);
}

TEST(ApplyLanguages, FirstLanguageIsTheMainOneTheRestAreAdded) {
  EXPECT_EQ(calls_for("lang=(japanese)"), "set_drs_language 1 37\n");
  EXPECT_EQ(calls_for("lang=(999,korean,999)"),
            "set_drs_language 1 999\ndrs_add_language 55\n"
            "drs_add_language 999\n");
}

TEST(ApplyCharacters, GermanAndFrenchMergeWithoutRepeats) {
  EXPECT_EQ(calls_for("lang=(german,french)"),
            "set_drs_language 1 2\ndrs_add_language 3\n"
            "set_engine_value 1 35 \"" +
                base +
                "ÄÖÜßäöü"
                "ÀÂÇÈÉÊËÎÏÔÙÛàâçèéêëîïôùûŒœ\" 0\n");
}

TEST(ApplyCharacters, EnglishIsTheBaseSetAlone) {
  EXPECT_EQ(character_set_in(calls_for("lang=(english)")), base);
  // A language without a row before it changes nothing.
  EXPECT_EQ(calls_for("lang=(japanese,english)"),
            "set_drs_language 1 37\ndrs_add_language 1\n"
            "set_engine_value 1 35 \"" +
                base + "\" 0\n");
}

TEST(ApplyCharacters, EachRunBuildsItsSetAfresh) {
  calls_for("lang=(german)");
  EXPECT_EQ(character_set_in(calls_for("lang=(swedish)")), base + "ÄÅÖäåö");
}

TEST(ApplyCharacters, CyrillicSetsHoldTheWholeRussianAlphabet) {
  std::u16string russian = utf16(character_set_in(calls_for("lang=russian")));
  for (char16_t c = u'А'; c <= u'я'; ++c)
    EXPECT_NE(russian.find(c), std::u16string::npos) << int(c);
  EXPECT_NE(russian.find(u'Ё'), std::u16string::npos);
  EXPECT_NE(russian.find(u'ё'), std::u16string::npos);
  for (const char *name :
       {"serbian", "byelorussian", "ukrainian", "macedonian", "bulgarian"}) {
    std::u16string set = utf16(
        character_set_in(calls_for((std::string("lang=") + name).c_str())));
    EXPECT_NE(set.find(u'Г'), std::u16string::npos) << name;
    EXPECT_NE(set.find(u'г'), std::u16string::npos) << name;
  }
  EXPECT_EQ(character_set_in(calls_for("lang=breton")), base + "ÊÑÚêñú");
}

// Every language at once: the largest set there is, each character once,
// and it fits the engine's buffer.
TEST(ApplyCharacters, AllLanguagesTogether) {
  std::string all = "lang=(";
  for (const LanguageName &row : language_names)
    all += std::string(row.name) + ",";
  all += ")";
  std::u16string set = utf16(character_set_in(calls_for(all.c_str())));
  EXPECT_EQ(set.size(), 398u);
  EXPECT_EQ(std::set<char16_t>(set.begin(), set.end()).size(), set.size());
  EXPECT_EQ(set.substr(0, base_character_count),
            std::u16string(base_characters));
}

TEST(LanguageTables, RowsAreConsistent) {
  std::u16string base_units(base_characters);
  EXPECT_EQ(base_units.size(), std::size_t(base_character_count));
  EXPECT_EQ(std::set<char16_t>(base_units.begin(), base_units.end()).size(),
            base_units.size());

  std::set<std::string> names;
  std::set<int32_t> named_codes;
  for (const LanguageName &row : language_names) {
    EXPECT_TRUE(names.insert(row.name).second) << row.name;
    EXPECT_EQ(GUTF8String(row.name).to_upper(), row.name);
    named_codes.insert(row.code);
  }
  std::set<int32_t> row_codes;
  for (const LanguageCharacters &row : language_characters) {
    EXPECT_TRUE(row_codes.insert(row.code).second) << row.code;
    EXPECT_EQ(named_codes.count(row.code), 1u) << row.code;
  }
  for (int32_t code : {37, 55, 56, 57})
    EXPECT_EQ(find_language_characters(code), nullptr);
  EXPECT_EQ(named_codes.size(), row_codes.size() + 4);
}

} // namespace
