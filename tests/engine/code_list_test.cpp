// The code list a recognised page becomes: whole words, closed lines and
// paragraphs, and a clean stop at the format's limits.

#include "code_list.h"

#include <gtest/gtest.h>

using namespace drs;

namespace {

std::vector<Symbol> word_of(std::size_t letters) {
  std::vector<Symbol> word(letters);
  for (std::size_t i = 0; i < letters; ++i)
    word[i].text = std::u16string(1, static_cast<char16_t>(u'a' + i));
  return word;
}

constexpr uint16_t W = end_of_word_code;
constexpr uint16_t L = end_of_line_code;
constexpr uint16_t R = end_of_region_code;

TEST(CodeList, SymbolTextsFitTheReadersBuffer) {
  uint16_t buffer[17];
  buffer[16] = 0xBEEF;
  EXPECT_EQ(copy_symbol_text(u"\u00e9", buffer), 1);
  EXPECT_EQ(buffer[0], 0xE9);
  EXPECT_EQ(buffer[1], 0);
  EXPECT_EQ(copy_symbol_text(u"", buffer), 0);
  EXPECT_EQ(buffer[0], 0);
  // Long texts keep 15 units and their terminator in the 16 units.
  EXPECT_EQ(copy_symbol_text(std::u16string(20, u'x'), buffer), 15);
  EXPECT_EQ(buffer[15], 0);
  EXPECT_EQ(buffer[16], 0xBEEF);
  // A surrogate pair that would be cut in half is left out whole.
  std::u16string pairs = std::u16string(14, u'x') + u"\U0001F600";
  EXPECT_EQ(copy_symbol_text(pairs, buffer), 14);
  EXPECT_EQ(buffer[14], 0);
  EXPECT_EQ(copy_symbol_text(std::u16string(13, u'x') + u"\U0001F600", buffer),
            15);
  EXPECT_EQ(buffer[14], 0xDE00);
}

TEST(CodeList, WordsLinesAndParagraphsInOrder) {
  CodeListBuilder list;
  EXPECT_TRUE(list.add_word(word_of(2)));
  EXPECT_TRUE(list.add_word(word_of(1)));
  list.end_line();
  EXPECT_TRUE(list.add_word(word_of(1)));
  list.end_paragraph();
  EXPECT_TRUE(list.add_word(word_of(1)));
  list.end_paragraph();
  EXPECT_FALSE(list.full());
  EXPECT_EQ(list.entries(),
            (std::vector<uint16_t>{0, 1, W, 2, W, L, 3, W, L, R, 4, W, L, R}));
  std::vector<Symbol> symbols = list.take_symbols();
  ASSERT_EQ(symbols.size(), 5u);
  EXPECT_EQ(symbols[1].text, u"b");
}

TEST(CodeList, EmptyWordsLinesAndParagraphsLeaveNoTrace) {
  CodeListBuilder list;
  list.end_line();
  list.end_paragraph();
  EXPECT_TRUE(list.add_word({}));
  list.end_line();
  list.end_paragraph();
  EXPECT_TRUE(list.entries().empty());
  EXPECT_TRUE(list.add_word(word_of(1)));
  list.end_line();
  list.end_line();
  list.end_paragraph();
  list.end_paragraph();
  EXPECT_EQ(list.entries(), (std::vector<uint16_t>{0, W, L, R}));
}

TEST(CodeList, StopsAtTheEntryLimitWithLineAndParagraphClosed) {
  CodeListLimits limits;
  limits.entries = 9; // two words of two letters and the codes that close them
  CodeListBuilder list(limits);
  EXPECT_TRUE(list.add_word(word_of(2)));
  EXPECT_TRUE(list.add_word(word_of(2)));
  EXPECT_FALSE(list.add_word(word_of(1)));
  EXPECT_TRUE(list.full());
  list.end_line();
  list.end_paragraph();
  EXPECT_EQ(list.entries(), (std::vector<uint16_t>{0, 1, W, 2, 3, W, L, R}));
  // Once full, nothing more is taken, however small.
  EXPECT_FALSE(list.add_word(word_of(1)));
  list.end_paragraph();
  EXPECT_EQ(list.entries().size(), 8u);
}

TEST(CodeList, AWordThatExactlyFitsIsKept) {
  CodeListLimits limits;
  limits.entries = 6; // 3 letters, end of word, end of line, end of region
  CodeListBuilder list(limits);
  EXPECT_TRUE(list.add_word(word_of(3)));
  list.end_paragraph();
  EXPECT_EQ(list.entries().size(), 6u);
  EXPECT_FALSE(list.full());
}

TEST(CodeList, StopsAtTheSymbolLimit) {
  CodeListLimits limits;
  limits.symbols = 3;
  CodeListBuilder list(limits);
  EXPECT_TRUE(list.add_word(word_of(2)));
  list.end_line();
  EXPECT_FALSE(list.add_word(word_of(2)));
  list.end_paragraph();
  EXPECT_TRUE(list.full());
  EXPECT_EQ(list.entries(), (std::vector<uint16_t>{0, 1, W, L, R}));
}

TEST(CodeList, TheFormatBoundsHandlesTo15BitsAndTheCountTo16) {
  // Limits above the format's are lowered to it.
  CodeListLimits beyond;
  beyond.symbols = 1u << 20;
  beyond.entries = 1u << 20;

  // Two-letter words: the handles run out first, at 0x7FFF.
  CodeListBuilder pairs(beyond);
  std::size_t words = 0;
  while (pairs.add_word(word_of(2)))
    ++words;
  pairs.end_paragraph();
  EXPECT_EQ(words, 0x4000u);
  EXPECT_EQ(pairs.entries()[pairs.entries().size() - 4], 0x7FFF);

  // One-letter words: the count runs out first; the closing codes still fit.
  CodeListBuilder singles(beyond);
  words = 0;
  while (singles.add_word(word_of(1)))
    ++words;
  singles.end_paragraph();
  EXPECT_EQ(words, 32766u);
  EXPECT_EQ(singles.entries().size(), 65534u);
  EXPECT_EQ(singles.entries().back(), R);
}

} // namespace
