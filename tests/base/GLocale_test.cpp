// The host's locale is the host's: the plug-in shares the C runtime with the
// program that loads it (on Windows the system's msvcrt.dll, on Linux the C
// library), so no string work may change the runtime's locale, not even for
// a moment. Runs in a fresh process, so that the library's one-time locale
// set-up happens inside the test.

#include "GLocale.h"

#include "ByteStream.h"
#include "GException.h"
#include "GString.h"
#include "test_util.h"

#include <atomic>
#include <clocale>
#include <cstdlib>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
// The test program is linked with --wrap=setlocale: every call the library
// makes comes here first. (The Windows library imports no setlocale at all,
// which the plug-in's import check pins.)
namespace {
std::atomic<bool> watching{false};
std::atomic<int> calls_seen{0};
} // namespace

extern "C" char *__real_setlocale(int category, const char *name);
extern "C" char *__wrap_setlocale(int category, const char *name) {
  if (watching)
    ++calls_seen;
  return __real_setlocale(category, name);
}
#endif

namespace {

TEST(FreshProcessLocale, StringWorkNeverTouchesTheHostLocale) {
  // The host still runs in "C", as every program starts.
  ASSERT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
#ifndef _WIN32
  // Its user's default is C.UTF-8, which a string library might be tempted
  // to switch it to.
  ASSERT_EQ(setenv("LC_ALL", "C.UTF-8", 1), 0);
  watching = true;
#endif

  GUTF8String word = GUTF8String::format("<WORD Coords=\"%d\">%.1f%s</WORD>", 7,
                                         1.5, "caf\xC3\xA9");
  EXPECT_EQ(word, "<WORD Coords=\"7\">1.5caf\xC3\xA9</WORD>");
  // The library took the user's default for itself.
#ifdef _WIN32
  EXPECT_EQ(locale_name(LC_CTYPE), "." + std::to_string(::GetACP()));
#else
  EXPECT_EQ(GLocalString(GUTF8String("\xC3\xA9")), "\xC3\xA9");
  EXPECT_EQ(locale_name(LC_CTYPE), "C.UTF-8");
#endif
  int32_t end = 0;
  EXPECT_EQ(GUTF8String("2.25").parse_double(0, end), 2.25);
  EXPECT_EQ(GLocalString("x").to_upper(), "X");
  {
    GLocaleGuard guard(LC_CTYPE, "C");
    EXPECT_TRUE(GLocalString(GUTF8String("\xC3\xA9")).is_empty());
    GLocalString::for_output(GUTF8String("\xE4\xB8\xAD"));
  }
  stderr_of([] { GException("GString.bad_subscript").print_report(); });
  GRef<ByteStream> out = ByteStream::create_memory();
  out->set_text_mode(ByteStream::text_native);
  out->write_text(word);

#ifndef _WIN32
  watching = false;
  EXPECT_EQ(calls_seen, 0);
#endif
  EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
}

} // namespace
