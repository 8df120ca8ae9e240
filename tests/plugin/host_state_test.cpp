// The Windows plug-in as a guest: a small host, built like the editor's
// own code against the system's msvcrt.dll, loads Lectorin.dll as the
// editor does and checks that nothing it owns has changed afterwards: the C
// runtime's locale and what its printf and atof make of numbers, the
// environment (a PATH entry and an "IRISlib" it set through kernel32 before
// loading, which the plug-in must honour), the floating-point control of the
// x87 unit and of SSE, the current directory and the error modes. A second
// thread of the host formats numbers all through the plug-in's work and
// must never see another locale. Run under code page 1252 and under the
// double-byte code page 932 (LANG=de_DE.UTF-8 and ja_JP.UTF-8 under Wine).
//
// The plug-in tested is the built one, or the file that the environment
// variable LECTORIN_HOST_STATE_PLUGIN names (to try another build on the
// same host).

#ifdef _WIN32

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "PixImage.h"
#include "ocr_interface.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

//===-- What the host owns ------------------------------------------------===//

struct FloatingPointControl {
  unsigned x87 = 0;
  unsigned sse = 0;
};

FloatingPointControl floating_point_control() {
  unsigned short x87 = 0;
  unsigned sse = 0;
  __asm__ volatile("fnstcw %0" : "=m"(x87));
  __asm__ volatile("stmxcsr %0" : "=m"(sse));
  return {x87, sse};
}

std::string number_text() {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", 1.5);
  return text;
}

// The environment block by upper-cased name (Windows names ignore case).
std::map<std::string, std::string> environment() {
  std::map<std::string, std::string> variables;
  char *block = ::GetEnvironmentStringsA();
  for (const char *entry = block; *entry; entry += std::strlen(entry) + 1) {
    const char *equals = std::strchr(entry + 1, '='); // "=C:=..." entries
    if (!equals)
      continue;
    std::string name(entry, equals);
    for (char &c : name)
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    variables[name] = equals + 1;
  }
  ::FreeEnvironmentStringsA(block);
  return variables;
}

struct HostState {
  std::string locale;
  std::string printed; // "%.1f" of 1.5
  double parsed = 0;   // atof of "2.5"
  std::map<std::string, std::string> variables;
  FloatingPointControl control;
  std::string directory;
  UINT error_mode = 0;
  DWORD thread_error_mode = 0;
};

HostState record_state() {
  HostState state;
  state.locale = std::setlocale(LC_ALL, nullptr);
  state.printed = number_text();
  state.parsed = std::atof("2.5");
  state.variables = environment();
  state.control = floating_point_control();
  char directory[MAX_PATH + 1] = {};
  ::GetCurrentDirectoryA(sizeof directory, directory);
  state.directory = directory;
  state.error_mode = ::GetErrorMode();
  state.thread_error_mode = ::GetThreadErrorMode();
  return state;
}

// The floating-point control a thread of the host starts with.
FloatingPointControl new_thread_control() {
  FloatingPointControl control;
  std::thread([&control] { control = floating_point_control(); }).join();
  return control;
}

// Formats and reads numbers until told to stop, counting every answer that
// differs from the host's own.
class NumberThread {
public:
  explicit NumberThread(const HostState &host)
      : thread_([this, host] { run(host); }) {
    while (rounds_ == 0)
      std::this_thread::yield();
  }
  ~NumberThread() { stop(); }
  NumberThread(const NumberThread &) = delete;
  NumberThread &operator=(const NumberThread &) = delete;

  void stop() {
    stopping_ = true;
    if (thread_.joinable())
      thread_.join();
  }
  long rounds() const { return rounds_; }
  long other_locale() const { return other_locale_; }
  FloatingPointControl start_control() const { return start_control_; }

private:
  void run(const HostState &host) {
    start_control_ = floating_point_control();
    while (!stopping_) {
      if (host.locale != std::setlocale(LC_ALL, nullptr) ||
          host.printed != number_text() || host.parsed != std::atof("2.5"))
        ++other_locale_;
      ++rounds_;
    }
  }

  std::atomic<bool> stopping_{false};
  std::atomic<long> rounds_{0};
  std::atomic<long> other_locale_{0};
  FloatingPointControl start_control_;
  std::thread thread_;
};

//===-- The engine and the page -------------------------------------------===//

std::string plugin_file() {
  char named[MAX_PATH + 1] = {};
  if (::GetEnvironmentVariableA("LECTORIN_HOST_STATE_PLUGIN", named,
                                sizeof named))
    return named;
  return LECTORIN_PLUGIN_FILE;
}

// An engine directory of the test's own: the built engine and a script of
// characters from both code pages (and beyond them), with a complaint whose
// identifier the plug-in formats.
class EngineDirectory {
public:
  EngineDirectory() {
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(sizeof temp, temp);
    root_ = std::string(temp) + "lectorin-host-state-" +
            std::to_string(::GetCurrentProcessId());
    engine_ = root_ + "\\engine";
    extra_ = root_ + "\\host tools";
    ::CreateDirectoryA(root_.c_str(), nullptr);
    ::CreateDirectoryA(engine_.c_str(), nullptr);
    ::CreateDirectoryA((engine_ + "\\DRS").c_str(), nullptr);
    ::CreateDirectoryA(extra_.c_str(), nullptr);
    copied_ = ::CopyFileA(LECTORIN_ENGINE_FILE,
                          (engine_ + "\\drs832.dll").c_str(), FALSE) != FALSE;
    std::ofstream(engine_ + "\\DRS\\eng.ytr", std::ios::binary)
        << "backend script\n"
           "char 1 \"G\" 2 2 6 9\nchar 2 \"\xC3\xBC\" 7 2 11 9\n"
           "char 3 \"\xC3\x9F\" 12 2 16 9\nchar 4 \"\xE6\x97\xA5\" 2 12 9 20\n"
           "char 5 \"\xE6\x9C\xAC\" 10 12 17 20\n"
           "char 6 \"\xE2\x82\xAC\" 20 12 24 20\n"
           "codes 1 2 3 0x81FE 0x8100 4 5 0x81FE 6 0x81FE 0x8100 0x9600\n"
           "complain zones 0x1A00 5 418\n";
  }
  ~EngineDirectory() {
    for (const char *file : {"\\engine\\DRS\\eng.ytr", "\\engine\\drs832.dll"})
      ::DeleteFileA((root_ + file).c_str());
    for (const char *directory : {"\\engine\\DRS", "\\engine", "\\host tools"})
      ::RemoveDirectoryA((root_ + directory).c_str());
    ::RemoveDirectoryA(root_.c_str());
  }
  EngineDirectory(const EngineDirectory &) = delete;
  EngineDirectory &operator=(const EngineDirectory &) = delete;

  bool ready() const { return copied_; }
  const std::string &engine() const { return engine_; }
  const std::string &extra() const { return extra_; }

private:
  std::string root_, engine_, extra_;
  bool copied_ = false;
};

struct GrayPage {
  std::vector<unsigned char> pixels = std::vector<unsigned char>(40 * 30, 255);
  PixImageDesc desc() {
    return {TYPE_GRAY,
            0,
            40,
            30,
            1,
            40,
            static_cast<uint32_t>(pixels.size()),
            300,
            300,
            pixels.data(),
            pixels.data(),
            nullptr};
  }
};

//===-- The test ----------------------------------------------------------===//

TEST(HostState, ThePluginLeavesItsHostAsItFoundIt) {
  // The code page the test is meant to run under (the ctest test sets it
  // with LANG); a missing Unix locale would make Wine fall back silently.
  if (const char *expected = std::getenv("LECTORIN_EXPECTED_CODE_PAGE")) {
    ASSERT_EQ(std::to_string(::GetACP()), expected)
        << "the locale for this code page is missing (./test.sh makes it)";
  }

  EngineDirectory directory;
  ASSERT_TRUE(directory.ready()) << "cannot copy " << LECTORIN_ENGINE_FILE;
  const FloatingPointControl fresh_thread = new_thread_control();

  // What the host does before loading the plug-in: through kernel32, as a
  // program does, not through the C runtime's copy of the environment.
  char path[32768] = {};
  ::GetEnvironmentVariableA("PATH", path, sizeof path);
  const std::string host_path = std::string(path) + ";" + directory.extra();
  ASSERT_TRUE(::SetEnvironmentVariableA("PATH", host_path.c_str()));
  ASSERT_TRUE(::SetEnvironmentVariableA("IRISlib", directory.engine().c_str()));
  const HostState before = record_state();

  HMODULE plugin = ::LoadLibraryA(plugin_file().c_str());
  ASSERT_NE(plugin, nullptr) << plugin_file() << ": error " << ::GetLastError();
  using InitOcr = ocr_interface *(*)();
  // Through void *, as the editor takes any export: FARPROC is a function
  // type of another shape.
  auto init = reinterpret_cast<InitOcr>(
      reinterpret_cast<void *>(::GetProcAddress(plugin, "init_ocr")));
  ASSERT_NE(init, nullptr);
  ocr_interface *ocr = init();
  ASSERT_NE(ocr, nullptr);
  EXPECT_EQ(ocr->error ? std::string(ocr->error) : "", "")
      << "the engine directory in IRISlib";

  NumberThread numbers(before);
  GrayPage page;
  const PixImageDesc desc = page.desc();
  // Upper-cased by the plug-in: case mapping beyond ASCII ("dänisch" is no
  // language of its table and is passed over).
  const char *option_texts[] = {"TRUE", "char,lang=(german,french)",
                                "lang=(GERMAN),nosep",
                                "lang=(d\xC3\xA4nisch,english)"};
  for (const char *options : option_texts) {
    char *xml = ocr->recognize(ocr, options, &desc);
    const std::string text = xml ? xml : "";
    EXPECT_NE(text.find("\xE6\x97\xA5"), std::string::npos)
        << options << ": " << text;
    EXPECT_NE(text.find("\xE2\x82\xAC"), std::string::npos) << text;
    EXPECT_EQ(ocr->error ? std::string(ocr->error) : "",
              "IRIS.detected\t0x1a00\t0x0005\t0x01a2");
    ocr->release(ocr);
  }
  ocr->close(ocr);
  numbers.stop();
  const HostState after = record_state();

  EXPECT_EQ(after.locale, before.locale);
  EXPECT_EQ(after.printed, before.printed);
  EXPECT_EQ(after.parsed, before.parsed);
  EXPECT_EQ(after.control.x87, before.control.x87);
  EXPECT_EQ(after.control.sse, before.control.sse);
  EXPECT_EQ(after.directory, before.directory);
  EXPECT_EQ(after.error_mode, before.error_mode);
  EXPECT_EQ(after.thread_error_mode, before.thread_error_mode);
  // The host's entries stay; the plug-in may only add its engine directory
  // to PATH.
  std::map<std::string, std::string> changed = after.variables;
  const std::string new_path = changed["PATH"];
  changed["PATH"] = before.variables.at("PATH");
  EXPECT_EQ(changed, before.variables);
  EXPECT_TRUE(new_path == host_path ||
              new_path == host_path + ";" + directory.engine())
      << new_path;

  EXPECT_GT(numbers.rounds(), 0);
  EXPECT_EQ(numbers.other_locale(), 0)
      << "of " << numbers.rounds() << " rounds";
  EXPECT_EQ(numbers.start_control().x87, fresh_thread.x87);
  EXPECT_EQ(numbers.start_control().sse, fresh_thread.sse);

  // Unloading changes nothing either.
  ::FreeLibrary(plugin);
  const HostState unloaded = record_state();
  EXPECT_EQ(unloaded.locale, before.locale);
  EXPECT_EQ(unloaded.printed, before.printed);
  EXPECT_EQ(unloaded.control.x87, before.control.x87);
  EXPECT_EQ(unloaded.control.sse, before.control.sse);
  ::SetEnvironmentVariableA("IRISlib", nullptr);
}

} // namespace

#endif // _WIN32
