// The platform layer: the same results from both implementations.

#include "host.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

platform::PositionalFormat format_into(std::string &out, const char *pattern,
                                       ...) {
  std::va_list args;
  va_start(args, pattern);
  platform::PositionalFormat result =
      platform::format_positional(out, pattern, args);
  va_end(args);
  return result;
}

std::string format(const char *pattern, ...) {
  std::va_list args;
  va_start(args, pattern);
  std::string out = "unchanged";
  platform::PositionalFormat result =
      platform::format_positional(out, pattern, args);
  va_end(args);
  if (result == platform::PositionalFormat::malformed)
    return "<malformed>";
  if (result != platform::PositionalFormat::done)
    return "<failed>";
  return out;
}

// Each expected text was read off the system formatter of the Windows build.
TEST(FormatPositional, InsertsArgumentsByNumber) {
  EXPECT_EQ(format("%1!s! and %2!d!", "abc", 42), "abc and 42");
  EXPECT_EQ(format("%2!d! before %1!s!", "abc", 42), "42 before abc");
  EXPECT_EQ(format("%1!s!%1!s!", "xy"), "xyxy");
  EXPECT_EQ(format("%1", "plain"), "plain");
  EXPECT_EQ(format("%1x", "A"), "Ax");
  EXPECT_EQ(format("%3!s!", "a", "b", "c"), "c");
  EXPECT_EQ(format("%12!s!", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j",
                   "k", "l"),
            "l");
  EXPECT_EQ(format("%1!s! %2!s!", "x", static_cast<const char *>(nullptr)),
            "x (null)");
}

TEST(FormatPositional, AppliesPrintfConversions) {
  EXPECT_EQ(format("%1!5d!|%2!-5s!|", 7, "ab"), "    7|ab   |");
  EXPECT_EQ(format("%1!x! %1!X! %1!u!", 255), "ff FF 255");
  EXPECT_EQ(format("%1!.2s!", "abcdef"), "ab");
  EXPECT_EQ(format("%1!c!%2!c!", 'Q', 0x41), "QA");
  EXPECT_EQ(format("%1!05d!|%1!+d!|%1!#x!", 42), "00042|+42|0x2a");
  EXPECT_EQ(format("%1!10.3d!|", 12), "       012|");
  EXPECT_EQ(format("%1!o!", 8), "10");
  EXPECT_EQ(format("%1!u!", -5), "4294967291");
  EXPECT_EQ(format("%1!x!", -1), "ffffffff");
}

TEST(FormatPositional, ReadsArgumentsAsThirtyTwoBitSlots) {
  EXPECT_EQ(format("%1!lu! %2!hd!", 4000000000u, 65537), "4000000000 1");
  EXPECT_EQ(format("%1!hu!", 70000), "4464");
  EXPECT_EQ(format("%1!*d!", 6, 42), "    42");
  EXPECT_EQ(format("%1!-*d!|", 5, 3), "3    |");
  EXPECT_EQ(format("%1!*.*d!", 6, 3, 42), "   042");
  EXPECT_EQ(format("%2!*s!|", 4, 3, "ab"), " ab|");
}

TEST(FormatPositional, HandlesEscapesAndLineEnds) {
  EXPECT_EQ(format("pct %% bang %! dot %. sp %  end"),
            "pct % bang ! dot . sp   end");
  EXPECT_EQ(format("a%nb"), "a\r\nb");
  EXPECT_EQ(format("l1\r\nl2\nl3"), "l1\r\nl2\r\nl3");
  EXPECT_EQ(format("a\rb\r\nc\n\rd"), "a\r\nb\r\nc\r\n\r\nd");
  EXPECT_EQ(format("%r|%t|%b"), "\r|\t|b");
  EXPECT_EQ(format("100%% and %1!d!%%", 7), "100% and 7%");
  EXPECT_EQ(format("stop%0here"), "stop");
}

TEST(FormatPositional, EmptyResultIsNotAFailure) {
  EXPECT_EQ(format(""), "");
  EXPECT_EQ(format("%0abc"), "");
}

TEST(FormatPositional, RejectsOpenInserts) {
  EXPECT_EQ(format("%"), "<malformed>");
  EXPECT_EQ(format("abc%"), "<malformed>");
  EXPECT_EQ(format("%1!s", "x"), "<malformed>");
}

// The system formatter of Windows refuses results beyond 128 KB; then, as
// anywhere, the text is whole or the call fails, never cut or empty.
TEST(FormatPositional, LongTextsAreWholeOrAFailure) {
  const std::string long_text(200000, 'x');
  std::string out = "unchanged";
  platform::PositionalFormat result =
      format_into(out, "<%1!s!>", long_text.c_str());
  if (result == platform::PositionalFormat::done) {
    EXPECT_EQ(out, "<" + long_text + ">");
  } else {
    EXPECT_EQ(result, platform::PositionalFormat::failed);
    EXPECT_EQ(out, "unchanged");
  }
}

#ifdef _WIN32
// Reserves every free range of a 32-bit address space (which commits no
// memory), so that no allocation needing fresh pages succeeds until it is
// released. (A 64-bit one is far too large: Wine alone would need gigabytes
// to keep track of it.)
class AddressSpaceExhausted {
public:
  AddressSpaceExhausted() {
    blocks_.reserve(4096); // no allocation of our own while exhausted
    for (SIZE_T size = SIZE_T(1) << 30; size >= 0x10000; size /= 2) {
      while (blocks_.size() < blocks_.capacity()) {
        void *block = ::VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS);
        if (!block)
          break;
        blocks_.push_back(block);
      }
    }
  }
  ~AddressSpaceExhausted() {
    for (void *block : blocks_)
      ::VirtualFree(block, 0, MEM_RELEASE);
  }
  AddressSpaceExhausted(const AddressSpaceExhausted &) = delete;
  AddressSpaceExhausted &operator=(const AddressSpaceExhausted &) = delete;

private:
  std::vector<void *> blocks_;
};

TEST(FormatPositional, AFormatterWithoutMemoryIsReportedSo) {
  if (sizeof(void *) != 4)
    GTEST_SKIP() << "only a 32-bit address space can be used up";
  const std::string insert(16 << 20, 'x'); // the text needs fresh pages
  std::string out = "unchanged";
  platform::PositionalFormat result;
  {
    AddressSpaceExhausted exhausted;
    result = format_into(out, "%1!s!", insert.c_str());
  }
  EXPECT_EQ(result, platform::PositionalFormat::out_of_memory);
  EXPECT_EQ(out, "unchanged");
}
#endif

TEST(MemoryBlock, KeepsItsHandleAndContentAcrossResizes) {
  platform::MemoryBlock block = platform::memory_block_alloc(4);
  ASSERT_NE(block, nullptr);
  EXPECT_GE(platform::memory_block_size(block), 4u);
  auto *bytes =
      static_cast<unsigned char *>(platform::memory_block_lock(block));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes[0] | bytes[1] | bytes[2] | bytes[3], 0)
      << "new blocks are zero-filled";
  std::copy_n("abcd", 4, bytes);
  platform::memory_block_unlock(block);

  ASSERT_EQ(platform::memory_block_realloc(block, 100000), block);
  EXPECT_GE(platform::memory_block_size(block), 100000u);
  bytes = static_cast<unsigned char *>(platform::memory_block_lock(block));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::memcmp(bytes, "abcd", 4), 0);
  EXPECT_EQ(bytes[99999], 0);
  platform::memory_block_unlock(block);
  platform::memory_block_free(block);
}

TEST(Environment, SetValuesAreReadBack) {
  std::string value;
  EXPECT_FALSE(
      platform::get_environment("LECTORIN_TEST_UNSET_VARIABLE", value));
  ASSERT_TRUE(platform::set_environment("LECTORIN_TEST_VARIABLE", "a;b c"));
  ASSERT_TRUE(platform::get_environment("LECTORIN_TEST_VARIABLE", value));
  EXPECT_EQ(value, "a;b c");
}

#ifdef _WIN32
// The process's own environment, which the host sets and LoadLibrary
// searches; the C runtime's copy from start-up is neither read nor written.
TEST(Environment, IsTheProcessesLiveEnvironment) {
  ASSERT_TRUE(::SetEnvironmentVariableA("LECTORIN_TEST_HOST_SET", "by host"));
  std::string value;
  ASSERT_TRUE(platform::get_environment("LECTORIN_TEST_HOST_SET", value));
  EXPECT_EQ(value, "by host");

  ASSERT_TRUE(platform::set_environment("LECTORIN_TEST_PLUGIN_SET", ""));
  EXPECT_TRUE(platform::get_environment("LECTORIN_TEST_PLUGIN_SET", value));
  EXPECT_EQ(value, "") << "set, and empty";
  ASSERT_TRUE(platform::set_environment("LECTORIN_TEST_PLUGIN_SET", "x;y"));
  char buffer[16] = {};
  EXPECT_EQ(::GetEnvironmentVariableA("LECTORIN_TEST_PLUGIN_SET", buffer,
                                      sizeof buffer),
            3u);
  EXPECT_STREQ(buffer, "x;y");
  EXPECT_EQ(std::getenv("LECTORIN_TEST_PLUGIN_SET"), nullptr);

  const std::string long_value(1000, 'v'); // beyond a first guess of size
  ASSERT_TRUE(
      ::SetEnvironmentVariableA("LECTORIN_TEST_HOST_SET", long_value.c_str()));
  ASSERT_TRUE(platform::get_environment("LECTORIN_TEST_HOST_SET", value));
  EXPECT_EQ(value, long_value);
  ::SetEnvironmentVariableA("LECTORIN_TEST_HOST_SET", nullptr);
  ::SetEnvironmentVariableA("LECTORIN_TEST_PLUGIN_SET", nullptr);
}
#endif

TEST(ExecutablePath, NamesThisProgram) {
  std::string path;
  ASSERT_TRUE(platform::executable_path(path));
  EXPECT_NE(path.find("base_tests"), std::string::npos) << path;
  EXPECT_NE(path.find(platform::path_separator), std::string::npos) << path;
}

TEST(Library, MissingLibraryIsAnErrorNotAFault) {
  std::string error;
  EXPECT_EQ(platform::load_library("lectorin_no_such_library_here", error),
            nullptr);
  EXPECT_FALSE(error.empty());
}

TEST(CriticalSection, ExcludesOtherThreads) {
  platform::CriticalSection section;
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 100000; ++i) {
      section.enter();
      ++counter;
      section.leave();
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 200000);
}

} // namespace

namespace {

// On Windows a worker is the test program started again with its command
// line, which runs the tests before the pool's call once more: the suite runs
// as a test program of its own (FreshProcess), so that its workers repeat
// only this suite.
TEST(FreshProcessWorkerPool, EveryJobEndsOnceWithItsStatusAndMessage) {
  for (int workers : {1, 3}) {
    std::vector<int> seen(7, -100);
    std::vector<std::string> messages(7);
    platform::run_worker_pool(
        workers, 7,
        [](int index, std::string &message) {
          message = "job " + std::to_string(index);
          // More than a pipe holds at once.
          if (index == 4)
            message.append(300000, 'x');
          return index % 3;
        },
        [&](int index, int status, const std::string &message) {
          EXPECT_EQ(seen[static_cast<std::size_t>(index)], -100)
              << "job ended twice";
          seen[static_cast<std::size_t>(index)] = status;
          messages[static_cast<std::size_t>(index)] = message;
        });
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 0, 1, 2, 0}))
        << workers << " workers";
    EXPECT_EQ(messages[5], "job 5");
    EXPECT_EQ(messages[4].size(), 300005u);
  }
}

TEST(FreshProcessWorkerPool, AWorkerThatDiesFailsOnlyItsJob) {
  std::vector<int> seen(6, -100);
  platform::run_worker_pool(
      2, 6,
      [](int index, std::string &) {
        if (index == 2)
          std::_Exit(3);
        return 0;
      },
      [&](int index, int status, const std::string &) {
        seen[static_cast<std::size_t>(index)] = status;
      });
  EXPECT_EQ(seen, (std::vector<int>{0, 0, -1, 0, 0, 0}));
}

} // namespace
