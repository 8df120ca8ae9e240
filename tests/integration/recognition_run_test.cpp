// ocr_recognize from end to end, through the real plug-in library and the
// scripted engine: what the engine is told and reads, what the editor gets
// back. Each scenario's outcome is also written to the results directory, so
// that ./test.sh can compare the builds byte for byte.

#include "engine_fixture.h"
#include "temp_directory.h"
#include "well_formed_xml.h"

#include "../image/image_test_util.h"

#include "PixImage.h"
#include "host.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace testing_support;
using namespace image_test;

namespace {

struct Outcome {
  bool has_result = false;
  std::string xml;
  std::string error;
};

std::string lines_of(const std::vector<std::string> &lines) {
  std::string text;
  for (const std::string &line : lines)
    text += line + "\n";
  return text;
}

// The engine calls a page gets with the default options, before zoning.
std::vector<std::string> set_up_calls(uint32_t width, uint32_t height,
                                      uint32_t resolution) {
  return {"set_engine_value 1 3 ptr ptr " + std::to_string(width) + " " +
              std::to_string(height) + " 0",
          "set_engine_value 1 38 " + std::to_string(resolution) + " 0",
          "set_engine_value 1 104 0",
          "set_drs_language 1 1",
          "set_engine_value 1 36 0",
          "set_engine_switch 1 70 0",
          "set_engine_value 1 42 0 0 0",
          "set_engine_value 1 44 1 0"};
}

const char document_start[] =
    "<?xml version=\"1.0\" ?><HIDDENTEXT><PAGECOLUMN>";
const char document_end[] = "</PAGECOLUMN></HIDDENTEXT>";

// A one-word page: the character's rectangle is in engine pixels.
std::string one_word(const std::string &rectangle) {
  return "char 1 \"A\" " + rectangle + "\ncodes 1 0x81FE 0x8100 0x9600\n";
}

std::string one_word_document(const std::string &coords) {
  return std::string(document_start) +
         "<REGION><PARAGRAPH><LINE><WORD Coords=\"" + coords +
         "\">A</WORD></LINE></PARAGRAPH></REGION>" + document_end;
}

TestImage gray_page(uint32_t width, uint32_t height, uint32_t x_dpi,
                    uint32_t y_dpi, uint32_t orientation = 0) {
  Layout layout;
  layout.orientation = orientation;
  TestImage page = make_image(TYPE_GRAY, width, height, layout);
  page.desc.x_resolution = x_dpi;
  page.desc.y_resolution = y_dpi;
  return page;
}

class RecognitionRun : public ::testing::Test {
protected:
  void SetUp() override {
    install_engine(engine_, "");
    set_engine_variable(engine_);
    ocr_ = call_init_ocr();
    ASSERT_EQ(ocr_->error, nullptr);
  }
  void TearDown() override {
    ocr_->close(ocr_);
    set_engine_variable("");
  }

  // The engine reads its script again at every page.
  void scenario(const std::string &lines) {
    write_file(join_path(join_path(engine_, "DRS"), platform::engine_data_file),
               "backend script\nlog \"" + log_ + "\"\ndump \"" + dump_ +
                   "\"\n" + lines);
    remove_path(log_);
    remove_path(dump_);
  }

  Outcome run(const PixImageDesc &page, const char *options = "TRUE") {
    std::vector<unsigned char> before(page.buffer,
                                      page.buffer + page.buffer_size);
    Outcome outcome;
    char *xml = ocr_->recognize(ocr_, options, &page);
    outcome.has_result = xml != nullptr;
    if (xml) {
      outcome.xml = xml;
      EXPECT_TRUE(is_well_formed_xml(outcome.xml));
    }
    if (ocr_->error)
      outcome.error = ocr_->error;
    ocr_->release(ocr_);
    EXPECT_EQ(ocr_->error, nullptr);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), page.buffer))
        << "the editor's pixels were written";
    for (const std::string &call : calls())
      EXPECT_NE(call.rfind("fault:", 0), 0u) << call;
    record(outcome);
    return outcome;
  }

  std::vector<std::string> calls() const {
    std::vector<std::string> lines;
    std::istringstream in(read_file(log_));
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    return lines;
  }

  // The calls up to zoning, as the engine received them.
  std::vector<std::string> set_up_received() const {
    std::vector<std::string> lines = calls();
    std::vector<std::string> before_zoning;
    for (const std::string &line : lines) {
      if (line.rfind("do_zones", 0) == 0)
        break;
      before_zoning.push_back(line);
    }
    return before_zoning;
  }

  // The page the engine read, as a PGM file.
  std::string dumped() const { return read_file(dump_); }

  ocr_interface *ocr_ = nullptr;

private:
  void record(const Outcome &outcome) const {
    const ::testing::TestInfo *test =
        ::testing::UnitTest::GetInstance()->current_test_info();
    std::string directory = std::string(LECTORIN_SCENARIO_OUTPUT);
    make_directories(directory);
    std::string file = join_path(directory, std::string(test->name()) + ".txt");
    // A test's first page starts its file afresh; later pages add to it.
    std::string previous =
        outcomes_recorded_++ ? read_file(file) : std::string();
    write_file(file, previous + "result " +
                         (outcome.has_result ? "yes" : "no") + "\n" +
                         outcome.xml + "\nerror " + outcome.error + "\n" +
                         lines_of(calls()));
  }

  mutable int outcomes_recorded_ = 0;
  TempDirectory temp_;
  std::string engine_ = temp_ / "engine";
  std::string log_ = temp_ / "calls.log";
  std::string dump_ = temp_ / "page.pgm";
};

TEST_F(RecognitionRun, PageAt300DpiGoesToTheEngineUnchanged) {
  scenario(one_word("10 20 30 40"));
  TestImage page = gray_page(40, 30, 300, 300);
  Outcome outcome = run(page.desc);
  EXPECT_EQ(outcome.xml, one_word_document("10,20,30,40"));
  EXPECT_EQ(outcome.error, "");
  std::vector<std::string> expected = set_up_calls(40, 30, 300);
  expected.insert(expected.end(),
                  {"do_zones 1", "do_ocr 1 ptr", "drs7_prep_coords",
                   "drs7_read_one 1 ptr", "drs7_read_coordinates 1 ptr",
                   "drs7_free_coords"});
  EXPECT_EQ(lines_of(calls()), lines_of(expected));
}

TEST_F(RecognitionRun, PageBelow200DpiIsEnlarged) {
  scenario(one_word("100 100 200 200"));
  TestImage page = gray_page(1500, 2000, 150, 150);
  Outcome outcome = run(page.desc);
  EXPECT_EQ(lines_of(set_up_received()),
            lines_of(set_up_calls(2000, 2666, 200)));
  // Both scale factors are 0.75.
  EXPECT_EQ(outcome.xml, one_word_document("75,75,150,150"));
}

TEST_F(RecognitionRun, UnequalResolutionsEnlargeTheLowerAxis) {
  scenario(one_word("10 20 30 40"));
  TestImage page = gray_page(60, 40, 600, 300);
  Outcome outcome = run(page.desc);
  EXPECT_EQ(lines_of(set_up_received()), lines_of(set_up_calls(60, 80, 400)));
  // 1.0 across, 0.5 down; the engine reads at most 400 dpi.
  EXPECT_EQ(outcome.xml, one_word_document("10,10,30,20"));
}

TEST_F(RecognitionRun, SwappedAxesExchangeSizesAndResolutions) {
  scenario(one_word("10 20 30 40"));
  // Stored 40 wide and 60 high at 300 x 600 dpi; displayed through its
  // columns: 60 wide at 600 dpi, 40 high at 300 dpi.
  TestImage page = gray_page(40, 60, 300, 600, 5);
  Outcome outcome = run(page.desc);
  EXPECT_EQ(lines_of(set_up_received()), lines_of(set_up_calls(60, 80, 400)));
  EXPECT_EQ(outcome.xml, one_word_document("10,10,30,20"));
}

TEST_F(RecognitionRun, MissingResolutionTakesTheOtherAxisOrLeavesThePage) {
  scenario(one_word("10 20 30 40"));
  TestImage page = gray_page(40, 30, 0, 300);
  run(page.desc);
  EXPECT_EQ(lines_of(set_up_received()), lines_of(set_up_calls(40, 30, 300)));

  scenario(one_word("10 20 30 40"));
  page = gray_page(40, 30, 0, 0);
  Outcome outcome = run(page.desc);
  EXPECT_EQ(lines_of(set_up_received()), lines_of(set_up_calls(40, 30, 200)));
  EXPECT_EQ(outcome.xml, one_word_document("10,20,30,40"));
}

TEST_F(RecognitionRun, OptionsReachTheEngineInTheirPlace) {
  scenario(one_word("10 20 30 40"));
  TestImage page = gray_page(40, 30, 300, 300);
  run(page.desc, "interactive,mixed,lang=(german,french)");
  std::vector<std::string> received = set_up_received();
  ASSERT_EQ(received.size(), 8u) << lines_of(received);
  EXPECT_EQ(received[3], "set_drs_language 1 2");
  EXPECT_EQ(received[4], "drs_add_language 3");
  EXPECT_EQ(received[5].rfind("set_engine_value 1 35 \"", 0), 0u)
      << received[5];
  EXPECT_EQ(received[6], "set_engine_switch 1 70 1");
  EXPECT_EQ(received[7], "set_engine_value 1 44 1 0")
      << "interactive drops only code 42";
}

TEST_F(RecognitionRun, ComplaintsBecomeIdentifiers) {
  // During the set-up: no zoning, no result.
  scenario(one_word("10 20 30 40") + "complain setup 0x1A00 5 417\n");
  TestImage page = gray_page(40, 30, 300, 300);
  Outcome outcome = run(page.desc);
  EXPECT_FALSE(outcome.has_result);
  EXPECT_EQ(outcome.error, "IRIS.userdict");
  EXPECT_EQ(calls().size(), 8u) << lines_of(calls());

  // During zoning and recognition: the document and both identifiers.
  scenario(one_word("10 20 30 40") +
           "complain zones 0x1A00 5 418\ncomplain ocr 0x1500 0 32\n");
  outcome = run(page.desc);
  EXPECT_EQ(outcome.xml, one_word_document("10,20,30,40"));
  EXPECT_EQ(outcome.error, "IRIS.detected\t0x1a00\t0x0005\t0x01a2\nIRIS.nomem");

  // The next run starts with none.
  scenario(one_word("10 20 30 40"));
  outcome = run(page.desc);
  EXPECT_EQ(outcome.error, "");
}

TEST_F(RecognitionRun, FailedRecognitionIsReported) {
  TestImage page = gray_page(40, 30, 300, 300);
  scenario(one_word("10 20 30 40") + "ocr_result -1\n");
  Outcome outcome = run(page.desc);
  EXPECT_FALSE(outcome.has_result);
  EXPECT_EQ(outcome.error, "IRIS.abnormal")
      << "a failure must not look like an empty page";

  scenario(one_word("10 20 30 40") +
           "ocr_result -1\ncomplain ocr 0x1800 0 99\n");
  outcome = run(page.desc);
  EXPECT_FALSE(outcome.has_result);
  EXPECT_EQ(outcome.error, "IRIS.badchar");
}

TEST_F(RecognitionRun, FailuresBeforeTheEngineNeverReachIt) {
  scenario(one_word("10 20 30 40"));
  TestImage page = gray_page(40, 30, 300, 300);
  Outcome outcome = run(page.desc, "true");
  EXPECT_FALSE(outcome.has_result);
  EXPECT_EQ(outcome.error, "IRIS.badoption");
  EXPECT_TRUE(calls().empty());

  TestImage bad = gray_page(40, 30, 300, 300);
  bad.desc.orientation = 9;
  outcome = run(bad.desc);
  EXPECT_EQ(outcome.error, "PixImage.bad_orient");
  EXPECT_TRUE(calls().empty());

  // A resampled width beyond 32 bits cannot be made.
  TestImage wide = gray_page(50000, 1, 1, 100000);
  outcome = run(wide.desc);
  EXPECT_FALSE(outcome.has_result);
  EXPECT_EQ(outcome.error, "GException.outofmemory");
  EXPECT_TRUE(calls().empty());

  // 2000 x 2000 at 1 dpi would be 400000 x 400000 at 200: pix_resize
  // refuses it.
  TestImage huge = gray_page(2000, 2000, 1, 1);
  outcome = run(huge.desc);
  EXPECT_FALSE(outcome.has_result);
  EXPECT_EQ(outcome.error, "GException.outofmemory");
  EXPECT_TRUE(calls().empty());

  // No option text or no page: nothing to read, and a defined identifier.
  EXPECT_EQ(ocr_->recognize(ocr_, nullptr, &page.desc), nullptr);
  EXPECT_STREQ(ocr_->error, "IRIS.exception");
  ocr_->release(ocr_);
  EXPECT_EQ(ocr_->recognize(ocr_, "TRUE", nullptr), nullptr);
  EXPECT_STREQ(ocr_->error, "IRIS.exception");
  ocr_->release(ocr_);
  EXPECT_TRUE(calls().empty());
}

TEST_F(RecognitionRun, RestartedReadsDeliverTheWholePage) {
  TestImage page = gray_page(7, 9, 300, 300);
  scenario("lines restart-after 4\n");
  run(page.desc);
  std::string restarted = dumped();
  scenario("lines first-next\n");
  run(page.desc);
  EXPECT_EQ(dumped(), restarted);
  EXPECT_EQ(restarted.substr(0, 11), "P5\n7 9\n255\n");
}

TEST_F(RecognitionRun, EngineReadsTheDisplayedGrayPage) {
  const int32_t types[] = {TYPE_BITONAL, TYPE_GRAY, TYPE_RGB, TYPE_BGR};
  for (int32_t type : types) {
    for (uint32_t orientation = 0; orientation < 8; ++orientation) {
      Layout layout;
      layout.orientation = orientation;
      TestImage page = make_image(type, 13, 7, layout, orientation + 10 * type);
      page.desc.x_resolution = page.desc.y_resolution = 300;
      scenario("");
      run(page.desc);
      Reference reference(page.desc);
      std::string expected = "P5\n" + std::to_string(reference.width()) + " " +
                             std::to_string(reference.height()) + "\n255\n";
      for (uint32_t i = 0; i < reference.height(); ++i)
        for (uint32_t j = 0; j < reference.width(); ++j)
          expected += static_cast<char>(reference.gray(i, j));
      EXPECT_EQ(dumped(), expected)
          << "type " << type << ", orientation " << orientation;
    }
  }
}

TEST_F(RecognitionRun, TextsStillHeldAreFreedByTheNextRun) {
  scenario(one_word("10 20 30 40") + "complain zones 0x1500 0 137\n");
  TestImage page = gray_page(40, 30, 300, 300);
  char *first = ocr_->recognize(ocr_, "TRUE", &page.desc);
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(ocr_->error, "IRIS.lexicon");
  scenario(one_word("10 20 30 40"));
  char *second = ocr_->recognize(ocr_, "TRUE", &page.desc);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(ocr_->error, nullptr);
  ocr_->release(ocr_);
}

// Every interface has an engine session of its own: closing another one,
// or one whose engine refused to start, leaves this one reading pages.
TEST_F(RecognitionRun, InterfacesKeepTheirOwnSessions) {
  TestImage page = gray_page(40, 30, 300, 300);
  scenario(one_word("10 20 30 40"));
  ocr_interface *other = call_init_ocr();
  ASSERT_EQ(other->error, nullptr);
  other->close(other);
  scenario("init 0\n");
  ocr_interface *refused = call_init_ocr();
  ASSERT_STREQ(refused->error, "IRIS.cantload");
  refused->close(refused);

  scenario(one_word("10 20 30 40"));
  Outcome outcome = run(page.desc);
  EXPECT_EQ(outcome.xml, one_word_document("10,20,30,40"));
  EXPECT_EQ(outcome.error, "");
}

// A quote in a character's text, as the engine's script writes it, reaches
// the editor escaped.
TEST_F(RecognitionRun, QuotesInTextsArriveEscaped) {
  scenario("char 1 \"\\\"\" 10 20 30 40\ncodes 1 0x81FE 0x8100 0x9600\n");
  TestImage page = gray_page(40, 30, 300, 300);
  Outcome outcome = run(page.desc);
  EXPECT_EQ(outcome.xml,
            std::string(document_start) +
                "<REGION><PARAGRAPH><LINE><WORD Coords=\"10,20,30,40\">&quot;"
                "</WORD></LINE></PARAGRAPH></REGION>" +
                document_end);
}

TEST(RecognitionRunWithoutEngine, FailsWithTheInitIdentifier) {
  TempDirectory empty;
  set_engine_variable(empty.path());
  ocr_interface *ocr = call_init_ocr();
  ASSERT_STREQ(ocr->error, "IRIS.noEngine");
  ocr->release(ocr);
  TestImage page = gray_page(40, 30, 300, 300);
  EXPECT_EQ(ocr->recognize(ocr, "TRUE", &page.desc), nullptr);
  EXPECT_STREQ(ocr->error, "IRIS.noEngine");
  ocr->release(ocr);
  ocr->close(ocr);
  set_engine_variable("");
}

} // namespace

namespace {

// Many pages on one interface must not make the plug-in grow. Linux only (the
// figure is taken there); it runs in a process of its own, so that nothing
// else has touched the memory it measures.
#ifndef _WIN32
TEST(FreshProcessSoak, TenThousandPagesKeepMemoryFlat) {
  TempDirectory temp;
  std::string engine = temp / "engine";
  install_engine(engine, one_word("10 20 30 40"));
  set_engine_variable(engine);
  ocr_interface *ocr = call_init_ocr();
  ASSERT_EQ(ocr->error, nullptr);
  TestImage page = gray_page(64, 48, 300, 300);
  auto pages = [&](int count) {
    for (int i = 0; i < count; ++i) {
      ASSERT_NE(ocr->recognize(ocr, i % 2 ? "TRUE" : "char,lang=(german)",
                               &page.desc),
                nullptr);
      ocr->release(ocr);
    }
  };
  pages(1000);
  std::size_t settled = platform::peak_resident_bytes();
  pages(10000);
  std::size_t grown = platform::peak_resident_bytes() - settled;
  std::printf("peak resident memory grew by %zu bytes over 10000 pages\n",
              grown);
  EXPECT_LT(grown, 1u << 20);
  ocr->close(ocr);
  set_engine_variable("");
}
#endif

} // namespace
