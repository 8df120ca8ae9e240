// The pieces of lectorin-ocr that decide without running a page: the command
// line and the option text it becomes, the number of workers, output names,
// messages, and the run-length rows of 1-bit pages.

#include "command_line.h"
#include "messages.h"
#include "page_plan.h"
#include "page_source.h"

#include "GBitmap.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace lectorin_ocr;

namespace {

Settings parse(std::vector<const char *> words) {
  words.insert(words.begin(), "lectorin-ocr");
  Settings settings;
  EXPECT_EQ(parse_command_line(static_cast<int>(words.size()), words.data(),
                               settings),
            CommandAction::run);
  return settings;
}

std::string usage_error(std::vector<const char *> words) {
  words.insert(words.begin(), "lectorin-ocr");
  Settings settings;
  try {
    parse_command_line(static_cast<int>(words.size()), words.data(), settings);
  } catch (const UsageError &e) {
    return e.what();
  }
  return "";
}

TEST(CommandLine, OptionsBecomeTheEditorsOptionText) {
  EXPECT_EQ(option_text(parse({"a.png"})), "TRUE");
  EXPECT_EQ(
      option_text(parse({"--nosep", "--chars", "-l", "french,German",
                         "--lang=7", "--mixed", "--interactive", "a.png"})),
      "lang=(FRENCH,GERMAN,7),char,nosep,interactive,mixed");
  EXPECT_EQ(option_text(parse({"-lserbian_latin", "a.png"})),
            "lang=(SERBIAN_LATIN)");
  // A code keeps its value, not its spelling.
  EXPECT_EQ(option_text(parse({"-l", "0042", "a.png"})), "lang=(42)");
  // The raw text wins, even when it is empty.
  EXPECT_EQ(option_text(parse({"--options", "", "--chars", "a.png"})), "");
  EXPECT_EQ(option_text(parse({"--options=lang=(german)", "a.png"})),
            "lang=(german)");
}

TEST(CommandLine, ValuesInEveryForm) {
  Settings settings =
      parse({"-j2", "-o", "out", "--engine=/opt/engine", "--dpi", "300", "-q",
             "--format", "alto", "--overlay=seen", "--", "-odd.png", "b.tif"});
  EXPECT_EQ(settings.jobs, 2);
  EXPECT_EQ(settings.format, Format::alto);
  EXPECT_EQ(settings.overlay_directory, "seen");
  EXPECT_EQ(parse({"-fhocr", "a.png"}).format, Format::hocr);
  EXPECT_EQ(parse({"a.png"}).format, Format::xml);
  EXPECT_EQ(settings.output_directory, "out");
  EXPECT_EQ(settings.engine_directory, "/opt/engine");
  EXPECT_EQ(settings.dpi, 300u);
  EXPECT_TRUE(settings.quiet);
  EXPECT_EQ(settings.files, (std::vector<std::string>{"-odd.png", "b.tif"}));
  EXPECT_EQ(parse({"-", "-oout"}).files, std::vector<std::string>{"-"});

  Settings help;
  const char *words[] = {"lectorin-ocr", "--bogus-later", "--help"};
  EXPECT_THROW(parse_command_line(3, words, help), UsageError);
  const char *first[] = {"lectorin-ocr", "--version", "--bogus-later"};
  EXPECT_EQ(parse_command_line(3, first, help), CommandAction::version);
}

TEST(CommandLine, MistakesAreNamed) {
  EXPECT_EQ(usage_error({}), "no image file given");
  EXPECT_EQ(usage_error({"--chars"}), "no image file given");
  EXPECT_EQ(usage_error({"-x", "a.png"}), "unknown option '-x'");
  EXPECT_EQ(usage_error({"a.png", "--dpi"}), "--dpi needs a value");
  EXPECT_EQ(usage_error({"-j", "65", "a.png"}),
            "-j needs a whole number from 1 to 64, not '65'");
  EXPECT_EQ(usage_error({"--dpi", "72dpi", "a.png"}),
            "--dpi needs a whole number from 10 to 9600, not '72dpi'");
  EXPECT_EQ(usage_error({"--dpi=-300", "a.png"}),
            "--dpi needs a whole number from 10 to 9600, not '-300'");
  EXPECT_EQ(usage_error({"-o", "", "a.png"}), "-o needs a directory name");
  EXPECT_EQ(usage_error({"--overlay", "", "a.png"}),
            "--overlay needs a directory name");
  EXPECT_EQ(usage_error({"--format", "pdf", "a.png"}),
            "--format needs xml, hocr, alto or txt, not 'pdf'");
  EXPECT_EQ(usage_error({"-j", "0", "a.png"}),
            "-j needs a whole number from 1 to 64, not '0'");
  EXPECT_EQ(usage_error({"-l", "german,,french", "a.png"}),
            "--lang needs names or codes separated by commas, not "
            "'german,,french'");
  EXPECT_EQ(usage_error({"-l", "german, french", "a.png"})
                .rfind("unknown language ' french'; the known names are:\n", 0),
            0u);
  // Every name of the table is offered, in the user's case.
  std::string known = usage_error({"-l", "deu", "a.png"});
  EXPECT_NE(known.find(" serbian_latin"), std::string::npos) << known;
  EXPECT_NE(known.find(" american english german"), std::string::npos);
}

TEST(CommandLine, OnePagePerProcessorUnlessToldOtherwise) {
  Settings settings = parse({"a.png"});
  EXPECT_EQ(worker_count(settings, 8, 100), 8);
  EXPECT_EQ(worker_count(settings, 8, 3), 3);   // no idle workers
  EXPECT_EQ(worker_count(settings, 0, 100), 1); // processors unknown
  EXPECT_EQ(worker_count(settings, 1000, 1000), 64);
  settings.jobs = 1;
  EXPECT_EQ(worker_count(settings, 8, 100), 1);
  settings.jobs = 5;
  EXPECT_EQ(worker_count(settings, 2, 100), 5);
  EXPECT_EQ(worker_count(settings, 2, 0), 1);
}

OutputPlan to(const std::string &directory, Format format = Format::xml,
              const std::string &overlay_directory = "") {
  return {directory, format, overlay_directory};
}

TEST(PagePlan, OutputNames) {
  EXPECT_EQ(output_name("scans/page.png", 0, 1, ".xml"), "page.xml");
  EXPECT_EQ(output_name("book.v2.tif", 11, 12, ".xml"), "book.v2-p12.xml");
  EXPECT_EQ(output_name("README", 0, 1, ".alto.xml"), "README.alto.xml");
  EXPECT_EQ(output_name("dir.d/.hidden", 0, 1, ".txt"), ".hidden.txt");
  EXPECT_EQ(output_name("C:\\scans\\page.bmp", 0, 1, ".png"), "page.png");
}

TEST(PagePlan, EveryPageInOrderAndClashesFound) {
  auto count = [](const std::string &file) {
    if (file == "bad.tif")
      throw std::runtime_error("damaged");
    return file == "three.tif" ? 3 : 1;
  };
  std::vector<PageJob> jobs =
      plan_pages({"a.png", "bad.tif", "three.tif"}, to("out/"), count);
  ASSERT_EQ(jobs.size(), 5u);
  EXPECT_EQ(jobs[0].output, "out/a.xml");
  EXPECT_EQ(jobs[1].problem, "damaged");
  EXPECT_EQ(page_label(jobs[1]), "bad.tif");
  EXPECT_EQ(jobs[4].output, "out/three-p3.xml");
  EXPECT_EQ(page_label(jobs[4]), "three.tif, page 3");
  EXPECT_EQ(find_output_clash(jobs), "");

  jobs = plan_pages({"a/x.png", "three.tif", "b/x.tif"}, to(""), count);
  EXPECT_EQ(jobs[3].output, "");
  EXPECT_EQ(jobs[3].number, 4); // one document for the whole run
  EXPECT_EQ(find_output_clash(jobs), "");
  jobs = plan_pages({"a/x.png", "three.tif", "b/x.tif"}, to("o"), count);
  EXPECT_EQ(find_output_clash(jobs),
            "a/x.png and b/x.tif would both be written to o/x.xml");
  jobs = plan_pages({"three-p2.png", "three.tif"}, to("o"), count);
  EXPECT_EQ(find_output_clash(jobs), "three-p2.png and three.tif, page 2 "
                                     "would both be written to o/three-p2.xml");
  jobs = plan_pages({"three.tif", "three.tif"}, to("o", Format::txt), count);
  EXPECT_EQ(find_output_clash(jobs), "three.tif, page 1 and three.tif, page 1 "
                                     "would both be written to o/three.txt");
}

TEST(PagePlan, DocumentsOfOtherFormatsHoldAFilesPages) {
  auto count = [](const std::string &file) {
    return file == "three.tif" ? 3 : 1;
  };
  std::vector<PageJob> jobs = plan_pages(
      {"a.png", "three.tif"}, to("out", Format::alto, "seen/"), count);
  ASSERT_EQ(jobs.size(), 4u);
  EXPECT_EQ(jobs[0].output, "out/a.alto.xml");
  EXPECT_EQ(jobs[3].output, "out/three.alto.xml");
  EXPECT_EQ(jobs[3].number, 3);
  EXPECT_EQ(jobs[0].overlay, "seen/a.png");
  EXPECT_EQ(jobs[3].overlay, "seen/three-p3.png");
  // The pages of one file share their document's file.
  EXPECT_EQ(find_output_clash(jobs), "");
}

TEST(PagePlan, NothingIsWrittenOverAnImage) {
  auto one = [](const std::string &) { return 1; };
  std::vector<PageJob> jobs =
      plan_pages({"scans/x.png"}, to("", Format::xml, "scans"), one);
  EXPECT_EQ(find_output_clash(jobs),
            "scans/x.png would be written over the image scans/x.png");
  jobs = plan_pages({"x.png", "./out/x.txt"}, to("out", Format::txt), one);
  EXPECT_EQ(find_output_clash(jobs),
            "x.png would be written over the image ./out/x.txt");
}

TEST(Messages, IdentifiersWithTheirSentences) {
  EXPECT_EQ(explain("PixImage.bad_rowsize"),
            "PixImage.bad_rowsize \xE2\x80\x94 the image's row step is smaller "
            "than its width");
  EXPECT_EQ(explain("IRIS.detected\t0x1234\t0x0000\t0x0007"),
            "IRIS.detected 0x1234 0x0000 0x0007 \xE2\x80\x94 the OCR engine "
            "reported a problem (class, detail and reason codes follow)");
  EXPECT_EQ(explain("IRIS.lexicon\nIRIS.badchar"),
            "IRIS.lexicon \xE2\x80\x94 the OCR engine's lexicon could not be "
            "used; IRIS.badchar \xE2\x80\x94 the OCR engine met a character it "
            "cannot handle");
  EXPECT_EQ(explain("Other.thing\tx"), "Other.thing x");
  EXPECT_EQ(explain(""), "unknown failure");
}

// Decodes coded rows with the base library's reader: 1 for black.
std::vector<uint8_t> decode_row(const std::vector<uint8_t> &coded,
                                uint32_t width) {
  std::vector<uint8_t> bits;
  GBitmap::RowReader reader(coded.data(), coded.size(), "test.lost");
  reader.read_row(width, [&](uint32_t, uint32_t length, bool black) {
    bits.insert(bits.end(), length, black ? 1 : 0);
  });
  EXPECT_EQ(reader.offset(), coded.size());
  return bits;
}

TEST(PageSource, BitonalRowsRoundTripThroughTheRunDecoder) {
  std::vector<std::vector<uint8_t>> rows;
  rows.push_back({1, 1, 0, 1, 0, 0, 0});        // starts black
  rows.push_back(std::vector<uint8_t>(5, 0));   // all white
  rows.push_back(std::vector<uint8_t>(191, 1)); // longest one-byte run
  rows.push_back(std::vector<uint8_t>(192, 1)); // shortest two-byte run
  std::vector<uint8_t> long_row(40000, 0);      // runs beyond one code
  std::fill(long_row.begin() + 3, long_row.begin() + 20000, 1);
  rows.push_back(long_row);
  for (const std::vector<uint8_t> &row : rows) {
    std::vector<uint8_t> coded = {0xAA}; // appended after what is there
    code_bitonal_row(row, coded);
    EXPECT_EQ(coded[0], 0xAA);
    coded.erase(coded.begin());
    EXPECT_LE(coded.size(), row.size() + 1);
    EXPECT_EQ(decode_row(coded, static_cast<uint32_t>(row.size())), row)
        << row.size();
  }
}

} // namespace
