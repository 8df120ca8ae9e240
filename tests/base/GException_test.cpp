// Exceptions: each copy owns its identifier except the shared out-of-memory
// text, reports have a fixed form, and catch sites name what they caught.

#include "GException.h"

#include "test_util.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

namespace {

TEST(GException, CopiesOfOutOfMemoryShareTheStaticText) {
  auto first =
      std::make_unique<GException>(GException::outofmemory, __FILE__, __LINE__);
  GException copy(*first);
  GException assigned("X.other");
  assigned = copy;
  EXPECT_EQ(first->get_message_id(), GException::outofmemory);
  EXPECT_EQ(copy.get_message_id(), GException::outofmemory);
  EXPECT_EQ(assigned.get_message_id(), GException::outofmemory);
  // Destroying one frees nothing that the others use (checked under ASan).
  first.reset();
  EXPECT_STREQ(copy.get_message_id(), "GException.outofmemory");
}

TEST(GException, EveryCopyOwnsItsText) {
  char id[] = "XMLTags.bad_tag\tfoo";
  auto first = std::make_unique<GException>(id, "file.cpp", 7);
  std::strcpy(id, "overwritten");
  GException copy(*first);
  GException assigned;
  assigned = copy;
  EXPECT_NE(copy.get_message_id(), first->get_message_id());
  EXPECT_NE(assigned.get_message_id(), copy.get_message_id());
  first.reset();
  EXPECT_STREQ(copy.get_message_id(), "XMLTags.bad_tag\tfoo");
  EXPECT_STREQ(assigned.get_message_id(), "XMLTags.bad_tag\tfoo");
  EXPECT_STREQ(assigned.get_source_file(), "file.cpp");
  EXPECT_EQ(assigned.get_source_line(), 7);
  assigned = assigned;
  EXPECT_STREQ(assigned.get_message_id(), "XMLTags.bad_tag\tfoo");
  EXPECT_STREQ(GException(GException()).get_message_id(), "Invalid exception");
}

TEST(GException, ParametersSurviveRaiseAndCopyVerbatim) {
  char id[64];
  std::snprintf(id, sizeof id, "IRIS.detected\t0x%04x\t0x%04x\t0x%04x", 1, 0xab,
                0xffff);
  int line = 0;
  try {
    try {
      line = __LINE__ + 1;
      G_THROW(id);
    } catch (GException by_value) {
      std::strcpy(id, "gone");
      throw by_value;
    }
  } catch (const GException &ex) {
    EXPECT_STREQ(ex.get_message_id(), "IRIS.detected\t0x0001\t0x00ab\t0xffff");
    EXPECT_EQ(ex.get_source_line(), line);
    EXPECT_NE(std::strstr(ex.get_source_file(), "GException_test"), nullptr);
  }
}

TEST(GException, ReportHasItsFixedForm) {
  // Every identifier goes through the message lookup, which knows none of
  // these: each comes out as its built-in text.
  EXPECT_EQ(stderr_of([] { GException("IRIS.noEngine").print_report(); }),
            "***** Unrecognized DjVu Message: [Contact Veltrix for "
            "assistance]\n\t** Message name:  IRIS.noEngine\n\n");
  EXPECT_EQ(stderr_of([] {
              GException("A.b\tx").print_report("GException.exception");
            }),
            "***" + unrecognized("A.b") + "\n\t   Parameter: x\n\n" +
                unrecognized("GException.exception") + "\n\n");
  EXPECT_EQ(stderr_of([] { GException().print_report(); }),
            "***" + unrecognized("Invalid exception") + "\n\n");
  // Text after an overlong zero, and the report's last line ends, are
  // written all the same.
  EXPECT_EQ(stderr_of([] { GException("A.b\tx\xC0\x80y").print_report(); }),
            "***" + unrecognized("A.b") + "\n\t   Parameter: x\xC0\x80y\n\n\n");
}

TEST(GException, LongTextsAreWrittenWhole) {
  std::string id = "Long.id\t" + std::string(1000, 'x');
  EXPECT_EQ(stderr_of([&] { print_message(id.c_str()); }),
            unrecognized("Long.id") +
                "\n\t   Parameter: " + std::string(1000, 'x') + "\n\n");
}

TEST(GException, CatchSitesNameTheExceptionInFlight) {
  auto id_of = [](auto raise, const char *fallback) -> std::string {
    try {
      raise();
    } catch (...) {
      const char *id = GException::current_message_id(fallback);
      return id ? id : "<null>";
    }
    return "<nothing raised>";
  };
  EXPECT_EQ(id_of([] { G_THROW("ByteStream.no_read"); }, nullptr),
            "ByteStream.no_read");
  EXPECT_EQ(id_of([] { throw std::bad_alloc(); }, nullptr),
            "GException.outofmemory");
  EXPECT_EQ(id_of([] { throw std::runtime_error("x"); }, "IRIS.exception"),
            "IRIS.exception");
  EXPECT_EQ(id_of([] { throw 42; }, nullptr), "<null>");
}

// A destructor's clean-up, the way the library's destructors guard it.
template <class F> void cleanup_in_destructor(F cleanup) {
  struct Guarded {
    F cleanup;
    ~Guarded() {
      try {
        cleanup();
      } catch (...) {
        GException::report_current();
      }
    }
  } guarded{cleanup};
}

TEST(GException, DestructorsReportOnlyOurFailures) {
  const std::string extra = "\n" + unrecognized("GException.exception");
  EXPECT_EQ(stderr_of([] {
              cleanup_in_destructor([] { G_THROW("GBitmap.lost_sync"); });
            }),
            "***" + unrecognized("GBitmap.lost_sync") + extra + "\n\n");
  EXPECT_EQ(
      stderr_of([] { cleanup_in_destructor([] { throw std::bad_alloc(); }); }),
      "***" + unrecognized("GException.outofmemory") + extra + "\n\n");
  EXPECT_EQ(stderr_of([] {
              cleanup_in_destructor([] { throw std::logic_error("x"); });
            }),
            "");
}

#ifdef _WIN32
// The Windows build raises our identifier from the new-handler, without
// allocating for it.
TEST(GException, FailedAllocationRaisesOutOfMemory) {
  // More than the address space leaves free, in a 32-bit or 64-bit process.
  volatile std::size_t huge =
      sizeof(void *) == 4 ? 0xF0000000u : std::size_t(1) << 60;
  // Kept in a volatile so that the optimiser cannot drop the allocation.
  static char *volatile block;
  try {
    block = new char[huge];
    delete[] block;
    ADD_FAILURE() << "a block larger than the address space";
  } catch (const GException &ex) {
    EXPECT_EQ(ex.get_message_id(), GException::outofmemory);
  }
}
#endif

} // namespace
