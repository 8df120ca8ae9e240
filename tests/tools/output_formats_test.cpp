// The hidden text read back, and the forms lectorin-ocr writes it in: hOCR,
// ALTO, plain text and the overlay picture, checked on hidden text written
// here, with boxes chosen so that a box taken from the wrong element shows.

#include "language_tags.h"
#include "output_format.h"
#include "overlay_picture.h"
#include "page_text.h"

#include "GException.h"
#include "ocr_options.h"
#include "well_formed_xml.h"

#include <gtest/gtest.h>
#include <leptonica/allheaders.h>

#include <stdexcept>
#include <string>

using namespace lectorin_ocr;

namespace {

const std::string head = "<?xml version=\"1.0\" ?><HIDDENTEXT><PAGECOLUMN>";
const std::string tail = "</PAGECOLUMN></HIDDENTEXT>";

// Two regions; the first has two lines, the second one line written as
// characters. Empty elements stand where the plug-in can write them.
const std::string two_paragraphs =
    head +
    "<REGION><PARAGRAPH><LINE>"
    "<WORD Coords=\"10,20,50,40\">Fish</WORD>"
    "<WORD Coords=\"60,18,90,42\">&amp;</WORD>"
    "</LINE><LINE></LINE><LINE>"
    "<WORD Coords=\"12,50,70,75\">&lt;chips&gt;</WORD>"
    "</LINE></PARAGRAPH></REGION>"
    "<REGION><PARAGRAPH></PARAGRAPH></REGION>"
    "<REGION><PARAGRAPH sep=\"no\"><LINE><WORD>"
    "<CHAR Coords=\"100,200,110,220\">&#126;</CHAR>"
    "<CHAR Coords=\"111,195,120,221\">\xC3\xA9</CHAR>"
    "<CHAR Coords=\"121,199,125,219\"></CHAR>"
    "</WORD></LINE></PARAGRAPH></REGION>" +
    tail;

bool same_box(const TextBox &box, int32_t left, int32_t top, int32_t right,
              int32_t bottom) {
  return box.left == left && box.top == top && box.right == right &&
         box.bottom == bottom;
}

TEST(PageText, WordsLinesAndRegionsComeBackWithTheirBoxes) {
  PageText text = read_page_text(two_paragraphs);
  // The region with an empty paragraph and the empty line are left out.
  ASSERT_EQ(text.regions.size(), 2u);
  const TextParagraph &first = text.regions[0].paragraphs.at(0);
  ASSERT_EQ(first.lines.size(), 2u);
  EXPECT_EQ(first.lines[0].words.at(1).text, "&");
  EXPECT_EQ(first.lines[1].words.at(0).text, "<chips>");
  EXPECT_TRUE(same_box(first.lines[0].box, 10, 18, 90, 42));
  EXPECT_TRUE(same_box(first.box, 10, 18, 90, 75));
  EXPECT_TRUE(same_box(text.regions[0].box, 10, 18, 90, 75));

  // Characters make the word: their text joined, their boxes united; one
  // without text is no character.
  const TextWord &word =
      text.regions[1].paragraphs.at(0).lines.at(0).words.at(0);
  EXPECT_EQ(word.text, "~\xC3\xA9");
  ASSERT_EQ(word.characters.size(), 2u);
  EXPECT_TRUE(same_box(word.characters[1].box, 111, 195, 120, 221));
  EXPECT_TRUE(same_box(word.box, 100, 195, 120, 221));

  EXPECT_TRUE(read_page_text(head + tail).regions.empty());
}

TEST(PageText, MalformedHiddenTextIsRefused) {
  for (const char *coords : {"1,2,3", "1,2,3,4,5", "1,,3,4", "a,2,3,4",
                             "1,2,3,-4", "1,2,3,99999999999"}) {
    std::string xml = head + "<REGION><PARAGRAPH><LINE><WORD Coords=\"";
    xml += coords;
    xml += "\">x</WORD></LINE></PARAGRAPH></REGION>" + tail;
    EXPECT_THROW(read_page_text(xml), std::runtime_error) << coords;
  }
  EXPECT_THROW(read_page_text("<html><body/></html>"), std::runtime_error);
  // The parser's own complaints keep their identifiers.
  try {
    read_page_text(head + "<REGION></PARAGRAPH>" + tail);
    ADD_FAILURE() << "an unmatched end tag was read";
  } catch (const GException &e) {
    EXPECT_EQ(std::string(e.get_message_id()).rfind("XMLTags.", 0), 0u);
  }
}

PageInfo page_info(int number) {
  PageInfo page;
  page.image_file = "scans/a \"b\".tif";
  page.number = number;
  page.width = 300;
  page.height = 400;
  page.x_resolution = 300;
  page.y_resolution = 200;
  return page;
}

DocumentInfo document_info() {
  DocumentInfo document;
  document.version = "9.9";
  document.option_text = "lang=(german),char";
  document.language = "de";
  document.image_file = "scans/a \"b\".tif";
  document.characters = true;
  return document;
}

std::string whole_document(Format format, const PageText &text) {
  DocumentInfo document = document_info();
  return document_head(format, document) +
         format_page(format, text, page_info(1), document) +
         page_separator(format) +
         format_page(format, text, page_info(2), document) +
         document_tail(format);
}

bool contains(const std::string &text, const std::string &part) {
  return text.find(part) != std::string::npos;
}

std::size_t count(const std::string &text, const std::string &part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos;
       at = text.find(part, at + 1))
    ++n;
  return n;
}

TEST(OutputFormat, HocrHasEveryLevelWithItsBox) {
  std::string hocr =
      whole_document(Format::hocr, read_page_text(two_paragraphs));
  EXPECT_TRUE(testing_support::is_well_formed_xml(hocr)) << hocr;
  EXPECT_TRUE(contains(hocr, "content=\"ocr_page ocr_carea ocr_par ocr_line "
                             "ocrx_word ocrx_cinfo ocrp_lang\""));
  EXPECT_TRUE(contains(hocr, "<html xmlns=\"http://www.w3.org/1999/xhtml\" "
                             "xml:lang=\"de\" lang=\"de\">"));
  EXPECT_TRUE(contains(
      hocr, "<div class=\"ocr_page\" id=\"page_2\" title=\"image "
            "&quot;scans/a \\&quot;b\\&quot;.tif&quot;; bbox 0 0 300 400; "
            "ppageno 1; scan_res 300 200\">"));
  EXPECT_TRUE(contains(hocr, "<div class=\"ocr_carea\" id=\"block_1_2\" "
                             "title=\"bbox 100 195 120 221\">"));
  EXPECT_TRUE(contains(hocr, "<p class=\"ocr_par\" id=\"par_1_1\" lang=\"de\" "
                             "title=\"bbox 10 18 90 75\">"));
  EXPECT_TRUE(contains(hocr, "<span class=\"ocr_line\" id=\"line_2_2\" "
                             "title=\"bbox 12 50 70 75\">"));
  EXPECT_TRUE(contains(hocr, "<span class=\"ocrx_word\" id=\"word_1_2\" "
                             "title=\"bbox 60 18 90 42\">&amp;</span>"));
  EXPECT_TRUE(contains(hocr, "title=\"bbox 100 195 120 221\"><span "
                             "class=\"ocrx_cinfo\" title=\"x_bboxes 100 200 "
                             "110 220\">~</span><span class=\"ocrx_cinfo\" "
                             "title=\"x_bboxes 111 195 120 221\">\xC3\xA9"
                             "</span></span>"));
  EXPECT_EQ(count(hocr, "class=\"ocr_page\""), 2u);
  EXPECT_EQ(count(hocr, "class=\"ocrx_word\""), 8u);
}

TEST(OutputFormat, AltoHasBlocksLinesStringsAndSpaces) {
  std::string alto =
      whole_document(Format::alto, read_page_text(two_paragraphs));
  EXPECT_TRUE(testing_support::is_well_formed_xml(alto)) << alto;
  EXPECT_TRUE(contains(alto, "<MeasurementUnit>pixel</MeasurementUnit>"));
  EXPECT_TRUE(contains(alto, "<fileName>scans/a &quot;b&quot;.tif</fileName>"));
  EXPECT_TRUE(contains(alto, "<softwareName>Lectorin</softwareName>"));
  EXPECT_TRUE(contains(alto, "<processingStepSettings>lang=(german),char"
                             "</processingStepSettings>"));
  EXPECT_TRUE(contains(alto, "<Page ID=\"page_2\" PHYSICAL_IMG_NR=\"2\" "
                             "WIDTH=\"300\" HEIGHT=\"400\">"));
  EXPECT_TRUE(contains(alto, "<TextBlock ID=\"block_1_1\" HPOS=\"10\" "
                             "VPOS=\"18\" WIDTH=\"80\" HEIGHT=\"57\" "
                             "LANG=\"de\">"));
  EXPECT_TRUE(contains(alto, "<TextLine ID=\"line_1_1\" HPOS=\"10\" "
                             "VPOS=\"18\" WIDTH=\"80\" HEIGHT=\"24\">"));
  EXPECT_TRUE(contains(alto, "<String ID=\"string_1_1\" HPOS=\"10\" "
                             "VPOS=\"20\" WIDTH=\"40\" HEIGHT=\"20\" "
                             "CONTENT=\"Fish\"/>\n      <SP HPOS=\"50\" "
                             "VPOS=\"18\" WIDTH=\"10\"/>\n      <String "
                             "ID=\"string_1_2\""));
  EXPECT_TRUE(contains(alto, "CONTENT=\"&lt;chips&gt;\"/>"));
  // One SP between two words, none after the last.
  EXPECT_EQ(count(alto, "<SP "), 2u);
  EXPECT_EQ(count(alto, "<String "), 8u);
}

TEST(OutputFormat, PlainTextSeparatesLinesParagraphsAndPages) {
  PageText text = read_page_text(two_paragraphs);
  EXPECT_EQ(whole_document(Format::txt, text),
            "Fish &\n<chips>\n\n~\xC3\xA9\n\f"
            "Fish &\n<chips>\n\n~\xC3\xA9\n");
  EXPECT_EQ(format_page(Format::txt, read_page_text(head + tail), page_info(1),
                        document_info()),
            "");
}

TEST(OutputFormat, TextThatXmlCannotHoldIsReplaced) {
  // A character reference the plug-in writes for a control character is no
  // XML 1.0 character at all: it must not reach another reader as one.
  PageText text =
      read_page_text(head +
                     "<REGION><PARAGRAPH><LINE><WORD Coords=\"1,2,3,4\">a&#1;'b"
                     "</WORD></LINE></PARAGRAPH></REGION>" +
                     tail);
  DocumentInfo document = document_info();
  for (Format format : {Format::hocr, Format::alto}) {
    std::string written = document_head(format, document) +
                          format_page(format, text, page_info(1), document) +
                          document_tail(format);
    EXPECT_TRUE(testing_support::is_well_formed_xml(written)) << written;
    EXPECT_TRUE(contains(written, "a\xEF\xBF\xBD&apos;b")) << written;
  }
}

std::string main_language_of(const char *option_text) {
  OcrOptions options;
  EXPECT_TRUE(parse_options(options, option_text)) << option_text;
  return main_language_tag(options);
}

TEST(LanguageTags, TheMainLanguageAsTheReadersNameIt) {
  EXPECT_EQ(main_language_of("TRUE"), "en");
  EXPECT_EQ(main_language_of("lang=(german,french)"), "de");
  EXPECT_EQ(main_language_of("lang=serbian_latin"), "sr-Latn");
  EXPECT_EQ(main_language_of("lang=(12)"), "pt-BR");
  EXPECT_EQ(main_language_of("lang=(mayan,english)"), "");
  EXPECT_EQ(main_language_of("lang=(4000)"), "");
  EXPECT_EQ(language_tag(0), nullptr);
}

// A white page with the pixel at x, y read back as red, green, blue.
struct Picture {
  PixPtr pix;
  OutlineColour at(int32_t x, int32_t y) const {
    l_int32 r = 0, g = 0, b = 0;
    pixGetRGBPixel(pix.get(), x, y, &r, &g, &b);
    return {static_cast<uint8_t>(r), static_cast<uint8_t>(g),
            static_cast<uint8_t>(b)};
  }
};

bool operator==(const OutlineColour &a, const OutlineColour &b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

const OutlineColour white{255, 255, 255};

Picture overlay_of(const std::string &hidden_text, uint32_t resolution) {
  PixPtr page(pixCreate(200, 120, 8));
  pixSetAllArbitrary(page.get(), 255);
  return {draw_overlay(*page, read_page_text(hidden_text), resolution)};
}

TEST(OverlayPicture, OutlinesLieOnTheBoxesOutermostPixels) {
  // A line of a tall and a short word, and a word over the page's edge.
  std::string xml = head +
                    "<REGION><PARAGRAPH><LINE>"
                    "<WORD Coords=\"20,10,60,50\">Tall</WORD>"
                    "<WORD Coords=\"70,30,100,50\">low</WORD>"
                    "</LINE><LINE>"
                    "<WORD Coords=\"180,100,230,140\">cut</WORD>"
                    "</LINE></PARAGRAPH></REGION>" +
                    tail;
  Picture one = overlay_of(xml, 150);
  // The word's edges: first and last column and row of its box.
  EXPECT_TRUE(one.at(20, 30) == word_outline);
  EXPECT_TRUE(one.at(59, 30) == word_outline);
  EXPECT_TRUE(one.at(40, 10) == word_outline);
  EXPECT_TRUE(one.at(40, 49) == word_outline);
  // Nothing just outside or just inside it.
  EXPECT_TRUE(one.at(19, 30) == white);
  EXPECT_TRUE(one.at(60, 30) == white);
  EXPECT_TRUE(one.at(40, 9) == white);
  EXPECT_TRUE(one.at(21, 30) == white);
  // The line's top runs above the short word in the line's colour.
  EXPECT_TRUE(one.at(85, 10) == line_outline);
  EXPECT_TRUE(one.at(85, 30) == word_outline);
  EXPECT_TRUE(one.at(85, 20) == white);
  // A box past the page is drawn as far as the page goes.
  EXPECT_TRUE(one.at(180, 110) == word_outline);
  EXPECT_TRUE(one.at(190, 100) == word_outline);

  // At 300 dpi outlines are two pixels thick, inwards.
  Picture two = overlay_of(xml, 300);
  EXPECT_TRUE(two.at(20, 30) == word_outline);
  EXPECT_TRUE(two.at(21, 30) == word_outline);
  EXPECT_TRUE(two.at(22, 30) == white);
  EXPECT_TRUE(two.at(19, 30) == white);
}

} // namespace
