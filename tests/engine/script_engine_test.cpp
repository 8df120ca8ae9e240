// The stand-in engine's script backend, called through its exported API the
// way the plug-in calls it: scenarios replayed, calls logged, the page read.

#include "engine_api.h"
#include "temp_directory.h"

#include "drs832.h"
#include "platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <vector>

using namespace testing_support;

namespace {

const EngineApi &engine() { return engine_api(); }

std::vector<uint32_t> complaints;
extern "C" int32_t record_complaint(uint32_t c, uint32_t d, uint32_t r) {
  complaints.insert(complaints.end(), {c, d, r});
  return 0;
}

// A 3 x 4 page whose pixel (x, y) is 10 y + x; counts the requests it gets.
struct Page {
  uint32_t next = 0;
  std::vector<int32_t> requests;
};
extern "C" int32_t feed_line(void *feed, int32_t request, uint8_t *buffer) {
  auto *page = static_cast<Page *>(feed);
  page->requests.push_back(request);
  if (request == 0)
    page->next = 0;
  if (page->next >= 4)
    return -1;
  for (uint32_t x = 0; x < 3; ++x)
    buffer[x] = static_cast<uint8_t>(10 * page->next + x);
  ++page->next;
  return 0;
}

class ScriptEngine : public ::testing::Test {
protected:
  // Starts a session whose data directory is the given subdirectory (with
  // its own call log) or the scratch directory itself.
  int32_t start(const std::string &script, const std::string &sub = "") {
    std::string directory = sub.empty() ? temp_.path() : temp_ / sub;
    make_directories(directory);
    write_file(join_path(directory, "eng.ytr"),
               "backend script\nlog calls.log\n" + script);
    complaints.clear();
    int32_t handle =
        engine().init(nullptr, (directory + platform::path_separator).c_str(),
                      nullptr, record_complaint, 0);
    started_.push_back(handle);
    return handle;
  }
  void TearDown() override {
    for (int32_t handle : started_)
      engine().upset(handle);
  }

  std::string log(const std::string &sub = "") const {
    return read_file(
        join_path(sub.empty() ? temp_.path() : temp_ / sub, "calls.log"));
  }

  TempDirectory temp_;
  std::vector<int32_t> started_;
};

TEST_F(ScriptEngine, ReplaysTheCodeListCharactersAndComplaints) {
  ASSERT_EQ(start("init 7\nocr_result 3\n"
                  "char 1 \"A\" 10 20 30 40   # a comment\n"
                  "char 2 - 0 0 0 0\n"
                  "char 3 \"\xc3\xa9#\" 1 2 3 4\n"
                  "codes 1 0x81FE\ncodes 3 0x8100\n"
                  "complain zones 0x1a00 5 418\ncomplain ocr 0x1500 0 32\n"),
            7);
  Page page;
  engine().set_value(7, 3, feed_line, &page, 3u, 4u, 0);
  EXPECT_EQ(engine().zones(7), 0);
  platform::MemoryBlock block = platform::memory_block_alloc(4);
  EXPECT_EQ(engine().ocr(7, block), 3);
  auto *list = static_cast<uint16_t *>(platform::memory_block_lock(block));
  std::vector<uint16_t> entries(list, list + 6);
  platform::memory_block_unlock(block);
  platform::memory_block_free(block);
  EXPECT_EQ(entries, (std::vector<uint16_t>{4, 0, 1, 0x81FE, 3, 0x8100}));
  EXPECT_EQ(complaints, (std::vector<uint32_t>{0x1a00, 5, 418, 0x1500, 0, 32}));

  uint16_t text[16];
  EXPECT_EQ(engine().read_one(3, text), 2);
  EXPECT_EQ(text[0], 0xE9);
  EXPECT_EQ(text[1], '#');
  EXPECT_EQ(text[2], 0);
  EXPECT_LT(engine().read_one(2, text), 0);
  EXPECT_LT(engine().read_one(99, text), 0);
  drs_rectangle box{};
  engine().read_coordinates(1, &box);
  EXPECT_EQ(box.x0 + box.y0 * 1000 + box.x1 * 1000000, 10 + 20000 + 30000000);
  EXPECT_EQ(box.y1, 40);

  EXPECT_NE(
      log().find(
          "set_engine_value 7 3 ptr ptr 3 4 0\ndo_zones 7\ndo_ocr 7 ptr\n"),
      std::string::npos)
      << log();
}

TEST_F(ScriptEngine, LongTextsFillTheBufferWithoutTerminator) {
  start("char 1 \"abcdefghijklmnopqrstu\" 0 0 1 1\n");
  uint16_t text[17];
  text[16] = 0xBEEF;
  EXPECT_EQ(engine().read_one(1, text), 16);
  EXPECT_EQ(text[15], 'p');
  EXPECT_EQ(text[16], 0xBEEF) << "wrote past the 16-unit buffer";
}

TEST_F(ScriptEngine, ReadsThePageAndDumpsIt) {
  start("dump page.pgm\nlines restart-after 2\n");
  Page page;
  engine().set_value(1, 3, feed_line, &page, 3u, 4u, 0);
  engine().zones(1);
  EXPECT_EQ(page.requests, (std::vector<int32_t>{0, 1, 0, 1, 1, 1, 1}));
  std::string header = "P5\n3 4\n255\n";
  std::string pixels = {0, 1, 2, 10, 11, 12, 20, 21, 22, 30, 31, 32};
  EXPECT_EQ(read_file(temp_ / "page.pgm"), header + pixels);
}

TEST_F(ScriptEngine, LogsUtf16CharacterSetsAsUtf8) {
  start("");
  const uint16_t characters[] = {'a', 0xE9, 0xD83D, 0xDE00, 0};
  engine().set_value(1, 35, characters, 0);
  engine().set_value(1, 42, 0, 0, 0);
  EXPECT_EQ(log(), "drs7_init null \"" + temp_.path() +
                       platform::path_separator +
                       "\" null ptr 0\n"
                       "set_engine_value 1 35 \"a\xc3\xa9\xf0\x9f\x98\x80\" 0\n"
                       "set_engine_value 1 42 0 0 0\n");
}

// Sessions side by side: each answers for itself, and ending one, or a
// handle that names none, leaves the others as they were.
TEST_F(ScriptEngine, SessionsAreKeptApartByTheirHandles) {
  ASSERT_EQ(start("char 1 \"a\" 1 1 2 2\n", "a"), 1);
  ASSERT_EQ(start("char 1 \"b\" 1 1 2 2\n", "b"), 2) << "1 is taken";
  ASSERT_EQ(start("init 0\n", "refused"), 0);
  engine().upset(0);
  engine().upset(99);
  uint16_t text[16];
  auto text_of = [&](int32_t handle) {
    engine().zones(handle); // names the session the next calls work on
    return engine().read_one(1, text) == 1 ? text[0] : 0;
  };
  EXPECT_EQ(text_of(1), 'a');
  EXPECT_EQ(text_of(2), 'b');
  engine().upset(2);
  EXPECT_EQ(text_of(1), 'a');
  EXPECT_LT(engine().zones(2), 0) << "an ended session is gone";
  EXPECT_EQ(log("b").find("drs7_upset 2"), log("b").size() - 13);
  EXPECT_EQ(log("a").find("drs7_upset"), std::string::npos);
}

TEST_F(ScriptEngine, QuotedTextsEscapeQuotesAndBackslashes) {
  start("char 1 \"\\\"a\\\\b\\c\" 0 0 1 1 # \\\" in quotes, \\\\, \\ alone\n");
  uint16_t text[16];
  ASSERT_EQ(engine().read_one(1, text), 6);
  EXPECT_EQ(std::vector<uint16_t>(text, text + 6),
            (std::vector<uint16_t>{'"', 'a', '\\', 'b', '\\', 'c'}));
}

// A typo must not pass for a scenario: the line is named in the log, the
// session does not start, and a page whose scenario gains one fails.
TEST_F(ScriptEngine, LinesThatCannotBeReadAreNamed) {
  const char *const unreadable[] = {"complain setup 1 2\n",
                                    "chars 1 \"a\" 0 0 1 1\n",
                                    "init one\n",
                                    "codes 1 0x10000\n",
                                    "complain setpu 1 2 3\n",
                                    "char 1 \"a 0 0 1 1\n"};
  for (const char *line : unreadable) {
    remove_path(temp_ / "calls.log");
    EXPECT_EQ(start(line), 0) << line;
    EXPECT_NE(log().find("eng.ytr: "), std::string::npos) << log();
  }
  EXPECT_NE(log().find("eng.ytr: line 3 leaves a quoted text open"),
            std::string::npos)
      << log();
  remove_path(temp_ / "calls.log");
  start("init 1\ncomplain setup 1 2\n");
  EXPECT_NE(log().find("eng.ytr: cannot read the line \"complain setup 1 "
                       "2\"\ndrs7_init "),
            std::string::npos)
      << log();

  ASSERT_EQ(start("", "later"), 1);
  write_file(join_path(temp_ / "later", "eng.ytr"),
             "backend script\nlog calls.log\ncount many\n");
  Page page;
  engine().set_value(1, 3, feed_line, &page, 3u, 4u, 0);
  EXPECT_LT(engine().zones(1), 0);
  platform::MemoryBlock block = platform::memory_block_alloc(4);
  EXPECT_LT(engine().ocr(1, block), 0);
  platform::memory_block_free(block);
  EXPECT_NE(log("later").find("eng.ytr: cannot read the line \"count many\""),
            std::string::npos)
      << log("later");
}

// Calls out of the order the engine relies on are logged as faults.
TEST_F(ScriptEngine, CharactersFreedOutOfOrderAreFaults) {
  start("codes 1\n");
  Page page;
  engine().set_value(1, 3, feed_line, &page, 3u, 4u, 0);
  platform::MemoryBlock block = platform::memory_block_alloc(4);
  ASSERT_EQ(engine().ocr(1, block), 0);
  engine().free_coords();
  ASSERT_NE(platform::memory_block_lock(block), nullptr);
  engine().prep_coords();
  engine().free_coords();
  platform::memory_block_unlock(block);
  engine().prep_coords();
  engine().set_value(1, 3, feed_line, &page, 3u, 4u, 0);
  platform::memory_block_free(block);
  std::string faults;
  std::istringstream lines(log());
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("fault: ", 0) == 0)
      faults += line + "\n";
  EXPECT_EQ(faults, "fault: drs7_free_coords without drs7_prep_coords\n"
                    "fault: drs7_free_coords while the code block is locked\n"
                    "fault: characters still prepared at the next page\n");
}

} // namespace
