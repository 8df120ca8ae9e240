// The hidden-text document the writer makes from code lists, with the
// characters' texts and rectangles served by the script engine. Every
// document is also checked by an XML parser.

#include "hidden_text.h"

#include "engine_binding.h"
#include "platform.h"
#include "script_engine_session.h"
#include "well_formed_xml.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using testing_support::is_well_formed_xml;
using testing_support::ScriptEngineSession;

namespace {

const std::string opening = "<?xml version=\"1.0\" ?><HIDDENTEXT><PAGECOLUMN>";
const std::string closing = "</PAGECOLUMN></HIDDENTEXT>";

// A page whose one region, paragraph and line hold the elements.
std::string one_line(const std::string &elements) {
  return opening + "<REGION><PARAGRAPH><LINE>" + elements +
         "</LINE></PARAGRAPH></REGION>" + closing;
}

const char characters[] = "char 1 \"a\" 10 20 30 40\n"
                          "char 2 \"b\" 35 15 50 45\n"
                          "char 3 \"c\" 60 22 70 41\n"
                          "char 4 \"d\" 80 20 90 40\n"
                          "char 5 \"e\" 150 250 40000 350\n"
                          "char 6 \"f\" 120 5 200 50000\n"
                          "char 7 - 0 0 100 100\n"
                          // The engine fills its 16 units without a terminator,
                          // or ends them on the first half of a surrogate pair.
                          "char 8 \"abcdefghijklmnopqrst\" 1 2 3 4\n"
                          "char 9 \"abcdefghijklmno\xF0\x9F\x98\x80\" 1 2 3 4\n"
                          "char 10 \"x\xF0\x9F\x98\x80<~\" 1 2 3 4\n";

// A code list as the engine lays it out; count defaults to the entries'.
std::vector<unsigned char> code_list(const std::vector<uint16_t> &entries,
                                     int32_t count = -1) {
  std::vector<uint16_t> units{
      static_cast<uint16_t>(count < 0 ? entries.size() : count), 0};
  units.insert(units.end(), entries.begin(), entries.end());
  std::vector<unsigned char> bytes(units.size() * 2);
  std::memcpy(bytes.data(), units.data(), bytes.size());
  return bytes;
}

// The document for a list of exactly list_bytes bytes, through the
// hand-back, checked for well-formedness.
std::string document(const void *list, std::size_t list_bytes,
                     const char *option_text = "TRUE", double scale = 1.0) {
  OcrOptions options;
  EXPECT_TRUE(parse_options(options, option_text)) << option_text;
  OcrSession session;
  session.scale_x = session.scale_y = scale;
  session.output = ByteStream::create_memory();
  write_hidden_text(session, list, list_bytes, options);
  char *text = take_hidden_text(session);
  EXPECT_FALSE(session.output);
  std::string result = text ? text : "(null)";
  delete[] text;
  EXPECT_TRUE(is_well_formed_xml(result));
  return result;
}

std::string document(const std::vector<unsigned char> &list,
                     const char *option_text = "TRUE") {
  return document(list.data(), list.size(), option_text);
}

class HiddenText : public ::testing::Test {
protected:
  ScriptEngineSession engine_{characters};
};

TEST_F(HiddenText, EmptyListIsAnEmptyPage) {
  EXPECT_EQ(document(code_list({})), opening + closing);
  // Too short to hold even the count.
  EXPECT_EQ(document(std::vector<unsigned char>{5, 0, 0}), opening + closing);
}

TEST_F(HiddenText, WordAndCharacterOutput) {
  std::vector<unsigned char> list =
      code_list({1, 2, 0x81FE, 3, 0x8100, 0x9600});
  EXPECT_EQ(document(list), one_line("<WORD Coords=\"10,15,50,45\">ab</WORD>"
                                     "<WORD Coords=\"60,22,70,41\">c</WORD>"));
  EXPECT_EQ(document(list, "char"),
            one_line("<WORD><CHAR Coords=\"10,20,30,40\">a</CHAR>"
                     "<CHAR Coords=\"35,15,50,45\">b</CHAR></WORD>"
                     "<WORD><CHAR Coords=\"60,22,70,41\">c</CHAR></WORD>"));
}

TEST_F(HiddenText, RegionsAndParagraphs) {
  EXPECT_EQ(document(code_list({1, 0x9600, 2, 0x9500}), "nosep"),
            opening +
                "<REGION><PARAGRAPH sep=\"no\"><LINE>"
                "<WORD Coords=\"10,20,30,40\">a</WORD></LINE></PARAGRAPH>"
                "</REGION><REGION><PARAGRAPH sep=\"no\"><LINE>"
                "<WORD Coords=\"35,15,50,45\">b</WORD></LINE></PARAGRAPH>"
                "</REGION>" +
                closing);
  // A line end at page level opens an empty region and paragraph.
  EXPECT_EQ(document(code_list({0x8100})),
            opening + "<REGION><PARAGRAPH></PARAGRAPH></REGION>" + closing);
}

TEST_F(HiddenText, EveryControlCodeEndsAWord) {
  // A skip of nothing and a code with no other effect split words too, and
  // a character without text leaves no trace.
  EXPECT_EQ(document(code_list({1, 7, 0xA000, 2, 0x81FE, 3, 0x8042, 4})),
            one_line("<WORD Coords=\"10,20,30,40\">a</WORD>"
                     "<WORD Coords=\"35,15,50,45\">b</WORD>"
                     "<WORD Coords=\"60,22,70,41\">c</WORD>"
                     "<WORD Coords=\"80,20,90,40\">d</WORD>"));
}

TEST_F(HiddenText, SkipCodesIgnoreTheEntriesAfterThem) {
  EXPECT_EQ(document(code_list({1, 0xA203, 2, 0x9600, 3, 4, 0x81FE})),
            one_line("<WORD Coords=\"10,20,30,40\">a</WORD>"
                     "<WORD Coords=\"80,20,90,40\">d</WORD>"));
  std::string calls = engine_.calls();
  EXPECT_EQ(calls.find("drs7_read_one 2 "), std::string::npos) << calls;
  EXPECT_EQ(calls.find("drs7_read_one 3 "), std::string::npos) << calls;
  // A skip past the end ends the list.
  EXPECT_EQ(document(code_list({1, 0xA0FF, 2})),
            one_line("<WORD Coords=\"10,20,30,40\">a</WORD>"));
}

// The last word of a list that ends without a control code is written as a
// control code would write it.
TEST_F(HiddenText, LastWordIsWrittenAtTheEndOfTheList) {
  EXPECT_EQ(document(code_list({1, 2})),
            one_line("<WORD Coords=\"10,15,50,45\">ab</WORD>"));
  EXPECT_EQ(document(code_list({0x9600, 3}), "char"),
            one_line("<WORD><CHAR Coords=\"60,22,70,41\">c</CHAR></WORD>"));
}

// Boxes grow with unsigned comparisons: coordinates of 32768 and more widen
// a box like any other.
TEST_F(HiddenText, WideningNeverShrinks) {
  EXPECT_EQ(document(code_list({1, 5, 6})),
            one_line("<WORD Coords=\"10,5,40000,50000\">aef</WORD>"));
}

TEST_F(HiddenText, TextsStayWithinTheEnginesSixteenUnits) {
  EXPECT_EQ(document(code_list({8, 0x81FE, 9, 0x81FE, 10})),
            one_line("<WORD Coords=\"1,2,3,4\">abcdefghijklmnop</WORD>"
                     "<WORD Coords=\"1,2,3,4\">abcdefghijklmno</WORD>"
                     "<WORD Coords=\"1,2,3,4\">x\xF0\x9F\x98\x80&lt;&#126;"
                     "</WORD>"));
}

TEST_F(HiddenText, CountBeyondTheBlockIsHeldToIt) {
  // Only entries 1 and 2 are in the block; a third would lie past it.
  EXPECT_EQ(document(code_list({1, 2}, 10)),
            one_line("<WORD Coords=\"10,15,50,45\">ab</WORD>"));
}

// With a 16-bit index the skip at 65280 would wrap to entry 0 and write the
// first word again, for ever.
TEST_F(HiddenText, SkipNearTheLastEntryEndsTheList) {
  std::vector<uint16_t> entries(65535, 0x8042);
  entries[0] = 1;
  entries[65280] = 0xA0FF;
  EXPECT_EQ(document(code_list(entries)),
            one_line("<WORD Coords=\"10,20,30,40\">a</WORD>"));
}

TEST(HiddenTextBlock, ListInTheEnginesBlock) {
  ScriptEngineSession engine(std::string(characters) +
                             "codes 1 2 0x81FE 3 0x9600\n");
  void *block = platform::memory_block_alloc(4);
  ASSERT_NE(block, nullptr);
  ASSERT_GE(engine_api().do_ocr(engine.handle(), block), 0);
  std::string result =
      document(platform::memory_block_lock(block),
               platform::memory_block_size(block), "char, nosep", 0.5);
  platform::memory_block_unlock(block);
  platform::memory_block_free(block);
  EXPECT_EQ(result, opening +
                        "<REGION><PARAGRAPH sep=\"no\"><LINE>"
                        "<WORD><CHAR Coords=\"5,10,15,20\">a</CHAR>"
                        "<CHAR Coords=\"17,7,25,23\">b</CHAR></WORD>"
                        "<WORD><CHAR Coords=\"30,11,35,21\">c</CHAR></WORD>"
                        "</LINE></PARAGRAPH></REGION>" +
                        closing);
}

// One element written alone.
std::string boxed(const char *format, drs_rectangle rectangle, const char *text,
                  double scale_x, double scale_y) {
  OcrSession session;
  session.scale_x = scale_x;
  session.scale_y = scale_y;
  session.output = ByteStream::create_memory();
  write_boxed_element(*session.output, format, rectangle, GUTF8String(text),
                      session);
  char *written = take_hidden_text(session);
  std::string result = written;
  delete[] written;
  EXPECT_TRUE(is_well_formed_xml(result));
  return result;
}

TEST(WriteBoxedElement, NearCornerIsCutFarCornerRounded) {
  EXPECT_EQ(boxed(word_element_format, {10, 20, 30, 40}, "w", 1.5, 1.5),
            "<WORD Coords=\"15,30,45,60\">w</WORD>");
  EXPECT_EQ(boxed(char_element_format, {10, 20, 30, 40}, "c", 1.25, 1.25),
            "<CHAR Coords=\"12,25,38,50\">c</CHAR>");
  EXPECT_EQ(boxed(word_element_format, {3, 3, 3, 3}, "w", 1.0, 0.5),
            "<WORD Coords=\"3,1,3,2\">w</WORD>");
  // 96 / 200 is a little less than 0.48: 25 times it is 12 in double
  // precision, and a little less in the wider registers of the 32-bit
  // build, which must not show.
  double scale = 96.0 / 200.0;
  EXPECT_EQ(boxed(word_element_format, {25, 25, 25, 25}, "w", scale, scale),
            "<WORD Coords=\"12,12,12,12\">w</WORD>");
}

TEST(WriteBoxedElement, TextIsEscaped) {
  EXPECT_EQ(boxed(char_element_format, {0, 0, 1, 1}, "<", 1, 1),
            "<CHAR Coords=\"0,0,1,1\">&lt;</CHAR>");
  EXPECT_EQ(boxed(char_element_format, {0, 0, 1, 1}, "~", 1, 1),
            "<CHAR Coords=\"0,0,1,1\">&#126;</CHAR>");
  EXPECT_EQ(
      boxed(word_element_format, {0, 0, 1, 1}, "\xC3\xA9&\"'>\t", 1, 1),
      "<WORD Coords=\"0,0,1,1\">\xC3\xA9&amp;&quot;&apos;&gt;&#9;</WORD>");
}

TEST(TakeHiddenText, NoStreamNoText) {
  OcrSession session;
  EXPECT_EQ(take_hidden_text(session), nullptr);
}

} // namespace
