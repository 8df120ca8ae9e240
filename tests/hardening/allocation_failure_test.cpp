// Exhausted memory inside the plug-in: for n = 1, 2, ... the n-th
// allocation of a whole recognition run fails (once, or from then on), until
// a run needs fewer than n. Every run must return null with "IRIS.exception"
// or an identifier based on "GException.outofmemory", or succeed with the
// page's document and the engine's complaints; the next run on the same
// interface must succeed; the leak checker at the end of the program sees
// nothing left over. The engine logs the calls it gets: a page image that
// could not be made reaches no engine, and the characters and the code
// block are given back in order on every way out (the engine logs a
// "fault:" line otherwise).
//
// The plug-in's units are linked into this program, and the link wraps the
// allocation functions that they call (malloc, calloc, realloc and every
// operator new; see CMakeLists.txt): what the plug-in and its base library
// allocate goes through the counter below, while the engine library, the C++
// runtime's own internals and everything outside a run are left alone.

#include "engine_fixture.h"
#include "temp_directory.h"

#include "../image/image_test_util.h"

#include "GException.h"
#include "PixImage.h"
#include "ocr_interface.h"
#include "platform.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

using namespace testing_support;
using namespace image_test;

namespace {

// The counter. Only armed around the calls under test.
struct Injection {
  bool armed = false;
  bool persistent = false; // every allocation from fail_at on fails
  uint64_t fail_at = 0;    // 0: count only
  uint64_t count = 0;
  uint64_t failed = 0;

  void arm(uint64_t n, bool from_then_on) {
    fail_at = n;
    persistent = from_then_on;
    count = failed = 0;
    armed = true;
  }
  bool next_fails() {
    if (!armed)
      return false;
    ++count;
    bool fails =
        fail_at != 0 && (count == fail_at || (persistent && count > fail_at));
    failed += fails;
    return fails;
  }
};

Injection injection;

} // namespace

// The wrapped allocation functions. __real_X is the allocator the program
// would have called (the sanitizer's, in the sanitizer build).
extern "C" {
void *__real_malloc(std::size_t size);
void *__real_calloc(std::size_t count, std::size_t size);
void *__real_realloc(void *block, std::size_t size);
void *__real__Znwm(std::size_t size);
void *__real__Znam(std::size_t size);
void *__real__ZnwmRKSt9nothrow_t(std::size_t size, const std::nothrow_t &);
void *__real__ZnamRKSt9nothrow_t(std::size_t size, const std::nothrow_t &);

void *__wrap_malloc(std::size_t size) {
  return injection.next_fails() ? nullptr : __real_malloc(size);
}
void *__wrap_calloc(std::size_t count, std::size_t size) {
  return injection.next_fails() ? nullptr : __real_calloc(count, size);
}
void *__wrap_realloc(void *block, std::size_t size) {
  return injection.next_fails() ? nullptr : __real_realloc(block, size);
}
void *__wrap__Znwm(std::size_t size) {
  if (injection.next_fails())
    throw std::bad_alloc();
  return __real__Znwm(size);
}
void *__wrap__Znam(std::size_t size) {
  if (injection.next_fails())
    throw std::bad_alloc();
  return __real__Znam(size);
}
void *__wrap__ZnwmRKSt9nothrow_t(std::size_t size, const std::nothrow_t &t) {
  return injection.next_fails() ? nullptr : __real__ZnwmRKSt9nothrow_t(size, t);
}
void *__wrap__ZnamRKSt9nothrow_t(std::size_t size, const std::nothrow_t &t) {
  return injection.next_fails() ? nullptr : __real__ZnamRKSt9nothrow_t(size, t);
}
} // extern "C"

namespace {

// A page of two lines: words, a character without text, a skip.
const char scenario[] = "char 1 \"W\" 10 20 30 40\n"
                        "char 2 \"\xC3\xB6rt\" 31 20 50 40\n"
                        "char 3 \"<&>\" 60 20 90 41\n"
                        "char 4 - 0 0 1 1\n"
                        "char 5 \"x\xF0\x9F\x98\x80\" 100 50 120 70\n"
                        "codes 1 2 0x8000 3 4 0x81FE 5 0xA001 1 0x9500\n"
                        "codes 3 0x8100 2 0x9600\n";

struct Page {
  const char *name;
  TestImage image;
  const char *options;
  const char *complaints = ""; // lines for the engine's script
};

Page bitonal_rotated() {
  Layout layout;
  layout.orientation = 5;
  Page page{"bitonal, rotated", make_image(TYPE_BITONAL, 90, 70, layout, 3),
            "lang=eng+deu,word"};
  page.image.desc.x_resolution = page.image.desc.y_resolution = 200;
  return page;
}

Page colour_150() {
  Page page{"colour at 150 dpi", make_image(TYPE_RGB, 60, 45, Layout(), 4),
            "TRUE"};
  page.image.desc.x_resolution = page.image.desc.y_resolution = 150;
  return page;
}

Page gray_300() {
  Layout layout;
  layout.orientation = 2;
  layout.extra_row_step = 3;
  Page page{"gray at 300 dpi", make_image(TYPE_GRAY, 80, 50, layout, 5),
            "char,nosep,lang=fra"};
  page.image.desc.x_resolution = page.image.desc.y_resolution = 300;
  return page;
}

// The document and a complaint beside it, which must be copied after the
// document: a page turned and enlarged on one axis only.
Page complaint_beside() {
  Layout layout;
  layout.orientation = 6;
  Page page{"with a complaint", make_image(TYPE_GRAY, 30, 40, layout, 6),
            "word", "complain zones 0x1500 0 137\n"};
  page.image.desc.x_resolution = 300;
  page.image.desc.y_resolution = 150;
  return page;
}

bool names_missing_memory(const std::string &error) {
  return error == "IRIS.exception" ||
         error.rfind(GException::outofmemory, 0) == 0;
}

class AllocationFailure : public ::testing::Test {
protected:
  void SetUp() override {
    install_engine(engine_, script(""));
    set_engine_variable(engine_);
    ocr_ = init_ocr();
    ASSERT_NE(ocr_, nullptr);
    ASSERT_EQ(ocr_->error, nullptr);
  }
  void TearDown() override {
    ocr_close(ocr_);
    set_engine_variable("");
  }

  std::string script(const std::string &complaints) const {
    return "log \"" + log_ + "\"\n" + scenario + complaints;
  }

  // One run, armed as asked; the outcome is released at once. What the
  // engine was told is checked on the way.
  bool run(const Page &page, std::string &xml, std::string &error) {
    remove_path(log_);
    char *result = ocr_recognize(ocr_, page.options, &page.image.desc);
    injection.armed = false;
    xml = result ? result : "";
    error = ocr_->error ? ocr_->error : "";
    ocr_release(ocr_);
    const std::string calls = read_file(log_);
    EXPECT_EQ(calls.find("fault:"), std::string::npos) << calls;
    if (error.rfind(GException::outofmemory, 0) == 0) {
      EXPECT_EQ(calls, "") << "the page image failed, yet the engine was told";
    }
    return result != nullptr;
  }

  // Fails the n-th allocation for n = 1, 2, ... until a run needs fewer.
  void sweep(const Page &page, bool persistent) {
    write_file(join_path(join_path(engine_, "DRS"), platform::engine_data_file),
               "backend script\n" + script(page.complaints));
    std::string expected, expected_error, error;
    injection.arm(0, false);
    ASSERT_TRUE(run(page, expected, expected_error)) << expected_error;
    ASSERT_EQ(expected_error, *page.complaints ? "IRIS.lexicon" : "");
    const uint64_t allocations = injection.count;
    ASSERT_GT(allocations, 0u) << "the wrapping did not reach the plug-in";
    std::printf("%s: %llu allocations a run\n", page.name,
                static_cast<unsigned long long>(allocations));

    for (uint64_t n = 1;; ++n) {
      SCOPED_TRACE(std::string(page.name) + ", allocation " +
                   std::to_string(n) + (persistent ? " and on" : ""));
      std::string xml;
      injection.arm(n, persistent);
      bool succeeded = run(page, xml, error);
      if (injection.failed == 0) {
        EXPECT_TRUE(succeeded);
        EXPECT_EQ(xml, expected);
        EXPECT_EQ(n, allocations + 1) << "the run's allocations changed";
        break;
      }
      if (succeeded) {
        // A failure the run could absorb (a buffer that stays larger).
        EXPECT_EQ(xml, expected);
        EXPECT_EQ(error, expected_error);
      } else {
        EXPECT_TRUE(names_missing_memory(error)) << "error: " << error;
      }
      // The interface is still good for the next page.
      ASSERT_TRUE(run(page, xml, error)) << error;
      EXPECT_EQ(xml, expected);
      EXPECT_EQ(error, expected_error);
      if (::testing::Test::HasFailure())
        break;
    }
  }

  TempDirectory temp_;
  std::string engine_ = temp_ / "engine";
  std::string log_ = temp_ / "calls.log";
  ocr_interface *ocr_ = nullptr;
};

TEST_F(AllocationFailure, EachAllocationOfARunFailingOnce) {
  for (const Page &page :
       {bitonal_rotated(), colour_150(), gray_300(), complaint_beside()})
    sweep(page, false);
}

TEST_F(AllocationFailure, EveryAllocationFromTheNthOnFailing) {
  for (const Page &page :
       {bitonal_rotated(), colour_150(), gray_300(), complaint_beside()})
    sweep(page, true);
}

// Starting the engine session under the same pressure: init_ocr gives an
// interface with an identifier, or null, or a working interface.
TEST_F(AllocationFailure, StartingTheEngine) {
  Page page = gray_300();
  std::string expected, error, xml;
  ASSERT_TRUE(run(page, expected, error));
  for (uint64_t n = 1;; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n));
    injection.arm(n, false);
    ocr_interface *ocr = init_ocr();
    injection.armed = false;
    const bool failed = injection.failed != 0;
    if (ocr != nullptr && ocr->error == nullptr) {
      std::swap(ocr, ocr_);
      EXPECT_TRUE(run(page, xml, error)) << error;
      EXPECT_EQ(xml, expected);
      std::swap(ocr, ocr_);
    } else if (ocr != nullptr) {
      EXPECT_TRUE(failed);
      EXPECT_STREQ(ocr->error, "IRIS.cantload");
      EXPECT_EQ(ocr_recognize(ocr, "TRUE", &page.image.desc), nullptr);
      EXPECT_STREQ(ocr->error, "IRIS.cantload");
      ocr_release(ocr);
    }
    if (ocr != nullptr)
      ocr_close(ocr);
    if (!failed || ::testing::Test::HasFailure())
      break;
  }
}

} // namespace
