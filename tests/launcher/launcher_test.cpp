// The launcher program itself, run under Wine: registration, the file list it
// sends to a running editor window, and starting the editor when none runs.
// Windows that must already exist belong to this test process, which pumps
// messages while the launcher runs (the launcher's SendMessageA waits for
// them); the editor that the launcher starts is the test editor, copied
// beside a copy of the launcher as FolivaneA.exe.

#ifdef _WIN32

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, whose types it uses.
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char *folivane_class = "VeltrixFolivaneMDIFrame";
constexpr const char *scrivelle_class = "VeltrixScrivelleMDIFrame";
constexpr const char *key_path =
    "SOFTWARE\\PFU\\ScanSnap Extension\\RuriduzAvOrEz";
// Every wait has a limit: a launcher or editor left running would hold CTest.
constexpr DWORD wait_limit_ms = 20000;

std::string bytes(const char *text, std::size_t size) {
  return std::string(text, size);
}
std::string in_quotes(const std::string &text) { return "\"" + text + "\""; }

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

void write_file(const std::string &path, const std::string &content) {
  std::ofstream(path, std::ios::binary) << content;
}

//===-- Windows owned by the test -----------------------------------------===//

struct CopyData {
  ULONG_PTR tag;
  std::string payload; // cbData bytes
};

struct Received {
  std::vector<CopyData> messages;
};

LRESULT CALLBACK record_messages(HWND window, UINT message, WPARAM wparam,
                                 LPARAM lparam) {
  auto *received =
      reinterpret_cast<Received *>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (received && message == WM_COPYDATA) {
    const auto *data = reinterpret_cast<const COPYDATASTRUCT *>(lparam);
    received->messages.push_back(
        {data->dwData,
         std::string(static_cast<const char *>(data->lpData), data->cbData)});
    return TRUE;
  }
  return ::DefWindowProcA(window, message, wparam, lparam);
}

// A top-level window of one of the editor's classes, owned by this thread.
class TestWindow {
public:
  explicit TestWindow(const char *window_class) {
    WNDCLASSA type{};
    type.lpfnWndProc = record_messages;
    type.hInstance = ::GetModuleHandleA(nullptr);
    type.lpszClassName = window_class;
    ::RegisterClassA(&type); // a second registration fails harmlessly
    window_ =
        ::CreateWindowExA(0, window_class, "Editor", WS_OVERLAPPEDWINDOW, 0, 0,
                          200, 100, nullptr, nullptr, type.hInstance, nullptr);
    ::SetWindowLongPtrA(window_, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(&received_));
  }
  ~TestWindow() { ::DestroyWindow(window_); }
  TestWindow(const TestWindow &) = delete;
  TestWindow &operator=(const TestWindow &) = delete;

  bool exists() const { return window_ != nullptr; }
  const Received &received() const { return received_; }

private:
  HWND window_ = nullptr;
  Received received_;
};

//===-- Directories with a launcher ---------------------------------------===//

// A directory of the test's own holding a copy of the launcher, since the
// launcher looks for the editor and the edition marker beside itself.
// Removed with everything in it. Names are bytes in the ANSI code page, so
// everything below the test's own root is made with the system's A
// functions, which take them as they stand.
class LauncherDirectory {
public:
  // \p subdirectory is a name inside the test's own directory; \p length,
  // when given, pads it with nested directories so that the launcher's
  // directory, its final backslash included, has exactly that many characters.
  // The launcher's copy is called \p launcher_name.
  explicit LauncherDirectory(const std::string &subdirectory = "launcher",
                             std::size_t length = 0,
                             const std::string &launcher_name = "launcher.exe")
      : launcher_name_(launcher_name) {
    static int count = 0;
    char temp[MAX_PATH + 1];
    ::GetTempPathA(sizeof temp, temp);
    root_ = std::string(temp) + "lectorin-launcher-" +
            std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(++count) + "\\";
    std::vector<std::string> levels = {subdirectory};
    std::size_t size = root_.size() + subdirectory.size() + 1;
    while (size + 100 < length) {
      levels.push_back(std::string(89, 'd'));
      size += 90;
    }
    std::size_t missing = length > size ? length - size : 0;
    if (missing == 1)
      levels.back() += "x";
    else if (missing > 1)
      levels.push_back(std::string(missing - 1, 'd'));
    fs::create_directories(root_);
    directory_ = root_;
    for (const std::string &level : levels) {
      directory_ += level + "\\";
      ::CreateDirectoryA(directory_.c_str(), nullptr);
    }
    copy(LECTORIN_LAUNCHER_EXE, launcher());
  }
  ~LauncherDirectory() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  LauncherDirectory(const LauncherDirectory &) = delete;
  LauncherDirectory &operator=(const LauncherDirectory &) = delete;

  const std::string &root() const { return root_; }
  const std::string &directory() const { return directory_; }
  std::string launcher() const { return directory_ + launcher_name_; }
  std::string editor() const { return directory_ + "FolivaneA.exe"; }
  std::string edition_marker() const { return directory_ + "scansnap.ini"; }

  void add_editor(const std::string &path) const {
    copy(LECTORIN_TEST_EDITOR_EXE, path);
  }
  void add_editor() const { add_editor(editor()); }
  void add_edition_marker() const { write_file(edition_marker(), ""); }

private:
  static void copy(const std::string &from, const std::string &to) {
    if (!::CopyFileA(from.c_str(), to.c_str(), FALSE))
      ADD_FAILURE() << "cannot copy " << from << " to " << to << ": error "
                    << ::GetLastError();
  }

  std::string launcher_name_;
  std::string root_;
  std::string directory_;
};

//===-- Running the launcher ----------------------------------------------===//

constexpr DWORD did_not_end = 0xDEADBEEF;

// Waits for \p process while dispatching the messages of this thread's
// windows. Ends the process when it does not end in time.
DWORD wait_pumping(HANDLE process) {
  DWORD start = ::GetTickCount();
  for (;;) {
    DWORD waited = ::GetTickCount() - start;
    if (waited >= wait_limit_ms)
      break;
    DWORD result = ::MsgWaitForMultipleObjects(
        1, &process, FALSE, wait_limit_ms - waited, QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) {
      DWORD code = did_not_end;
      ::GetExitCodeProcess(process, &code);
      return code;
    }
    if (result != WAIT_OBJECT_0 + 1)
      break;
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      ::DispatchMessageA(&message);
  }
  ::TerminateProcess(process, did_not_end);
  ::WaitForSingleObject(process, wait_limit_ms);
  return did_not_end;
}

// Runs \p program with the raw command line \p command_line and returns its
// exit code.
DWORD run(const std::string &program, const std::string &command_line) {
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE,
                        0, nullptr, nullptr, &startup, &process)) {
    ADD_FAILURE() << "cannot start " << program << ": error "
                  << ::GetLastError();
    return did_not_end;
  }
  ::CloseHandle(process.hThread);
  DWORD code = wait_pumping(process.hProcess);
  ::CloseHandle(process.hProcess);
  return code;
}

// Runs the launcher at \p launcher as the scanner software does: its quoted
// path, then \p arguments as they stand.
DWORD run_launcher(const std::string &launcher,
                   const std::string &arguments = "") {
  return run(launcher,
             in_quotes(launcher) + (arguments.empty() ? "" : " " + arguments));
}

constexpr DWORD exit_failure = static_cast<DWORD>(-1);

//===-- The test editor that the launcher starts --------------------------===//

void set_variable(const char *name, const std::string &value) {
  ::SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
}

struct EditorRecord {
  DWORD pid = 0;
  std::string module;
  bool window = false;
  std::string command;
  std::vector<CopyData> messages;
  std::string exit; // "messages", "timeout", or empty while it runs
};

EditorRecord parse_record(const std::string &text) {
  EditorRecord record;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos)
      break;
    std::string line = text.substr(at, end - at);
    at = end + 1;
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word == "pid") {
      words >> record.pid;
    } else if (word == "module") {
      record.module = line.substr(7);
    } else if (word == "window") {
      record.window = true;
    } else if (word == "command") {
      record.command = line.substr(8);
    } else if (word == "exit") {
      words >> record.exit;
    } else if (word == "copydata") {
      CopyData data{};
      std::size_t size = 0;
      words >> data.tag >> size;
      data.payload = text.substr(at, size);
      at += size + 1;
      record.messages.push_back(data);
    }
  }
  return record;
}

// What the test editor, once the launcher starts it, is told through the
// environment that the launcher passes on: its window class, its record file
// and how long to stay. Ends the editor if it is still running at the end.
class EditorSettings {
public:
  // \p marker, when given, is a file the editor creates once it runs,
  // before its window.
  EditorSettings(const std::string &record, const char *window_class,
                 DWORD timeout_ms = 10000, const std::string &marker = "")
      : record_(record) {
    set_variable("LECTORIN_TEST_EDITOR_CLASS", window_class);
    set_variable("LECTORIN_TEST_EDITOR_RECORD", record);
    set_variable("LECTORIN_TEST_EDITOR_MESSAGES", "1");
    set_variable("LECTORIN_TEST_EDITOR_TIMEOUT_MS", std::to_string(timeout_ms));
    set_variable("LECTORIN_TEST_EDITOR_MARKER", marker);
  }
  ~EditorSettings() {
    for (const char *name :
         {"LECTORIN_TEST_EDITOR_CLASS", "LECTORIN_TEST_EDITOR_RECORD",
          "LECTORIN_TEST_EDITOR_MESSAGES", "LECTORIN_TEST_EDITOR_TIMEOUT_MS",
          "LECTORIN_TEST_EDITOR_MARKER"})
      set_variable(name, "");
    finish();
  }
  EditorSettings(const EditorSettings &) = delete;
  EditorSettings &operator=(const EditorSettings &) = delete;

  // Waits for the started editor to exit (ending it when it does not) and
  // returns its record; an empty record when no editor started.
  EditorRecord finish() {
    EditorRecord record = parse_record(read_file(record_));
    if (!record.pid)
      return record;
    HANDLE process =
        ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, record.pid);
    if (process) {
      if (::WaitForSingleObject(process, wait_limit_ms) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the editor did not exit";
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, wait_limit_ms);
      }
      ::CloseHandle(process);
    }
    return parse_record(read_file(record_));
  }

private:
  std::string record_;
};

//===-- Registry ----------------------------------------------------------===//

bool key_exists(const char *path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return false;
  ::RegCloseKey(key);
  return true;
}

// A REG_SZ value of the launcher's key with its stored bytes, terminating
// zero included; none when the key or value is missing or of another type.
std::optional<std::string> read_value(const char *name) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_path, 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return std::nullopt;
  char data[4096];
  DWORD size = sizeof data;
  DWORD type = 0;
  LONG result = ::RegQueryValueExA(key, name, nullptr, &type,
                                   reinterpret_cast<BYTE *>(data), &size);
  ::RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ)
    return std::nullopt;
  return std::string(data, size);
}

std::string stored(const std::string &text) { return text + '\0'; }

// Leaves the registry as it found it: the launcher's key is removed, and so
// are the parents a test created.
class Registration : public ::testing::Test {
protected:
  void SetUp() override {
    pfu_existed_ = key_exists("SOFTWARE\\PFU");
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, key_path);
  }
  void TearDown() override {
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, key_path);
    if (!pfu_existed_)
      ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\PFU");
  }
  bool pfu_existed_ = false;
};

//===-- Registration ------------------------------------------------------===//

TEST_F(Registration, InstallWritesTheThreeValuesAndOverwritesThem) {
  LauncherDirectory first("first dir");
  ASSERT_EQ(run_launcher(first.launcher(), "/Install"), 0u);
  std::string directory = first.directory();
  EXPECT_EQ(read_value(""), stored(first.launcher()));
  EXPECT_EQ(read_value("Config"), stored(directory + "sssetup.ini"));
  EXPECT_EQ(read_value("Path"),
            stored(directory.substr(0, directory.size() - 1)));

  LauncherDirectory second("second");
  ASSERT_EQ(run_launcher(second.launcher(), "/Install"), 0u);
  directory = second.directory();
  EXPECT_EQ(read_value(""), stored(second.launcher()));
  EXPECT_EQ(read_value("Config"), stored(directory + "sssetup.ini"));
  EXPECT_EQ(read_value("Path"),
            stored(directory.substr(0, directory.size() - 1)));
}

TEST_F(Registration, UninstallRemovesTheWholeKeyAndAlwaysSucceeds) {
  LauncherDirectory directory;
  ASSERT_EQ(run_launcher(directory.launcher(), "/Install"), 0u);
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(
                HKEY_LOCAL_MACHINE, (std::string(key_path) + "\\Sub").c_str(),
                0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ::RegCloseKey(key);

  EXPECT_EQ(run_launcher(directory.launcher(), "/Uninstall"), 0u);
  EXPECT_FALSE(key_exists(key_path));
  EXPECT_EQ(run_launcher(directory.launcher(), "/Uninstall"), 0u)
      << "nothing left to delete";
}

TEST_F(Registration, InstallFailsWhenTheKeyCannotBeCreated) {
  // Below a volatile key only volatile keys can be created, and the launcher
  // creates a lasting one.
  std::string parent = "SOFTWARE\\PFU";
  if (pfu_existed_) {
    parent += "\\ScanSnap Extension";
    if (key_exists(parent.c_str()))
      GTEST_SKIP() << "a ScanSnap extension is registered on this machine";
  }
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, parent.c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
            ERROR_SUCCESS);
  ::RegCloseKey(key);

  LauncherDirectory directory;
  EXPECT_EQ(run_launcher(directory.launcher(), "/Install"), exit_failure);
  EXPECT_FALSE(key_exists(key_path));
  ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, parent.c_str());
}

TEST_F(Registration, SwitchesNotAloneOrInAnotherCaseAreFileNames) {
  LauncherDirectory directory;
  TestWindow editor(folivane_class);
  ASSERT_TRUE(editor.exists());
  EXPECT_EQ(run_launcher(directory.launcher(), "/install"), 0u);
  EXPECT_EQ(run_launcher(directory.launcher(), "/Install word"), 0u);
  EXPECT_EQ(run_launcher(directory.launcher(), "/UNINSTALL"), 0u);
  EXPECT_FALSE(key_exists(key_path));

  const std::vector<CopyData> &messages = editor.received().messages;
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0].payload, bytes("\"/install\"\0\0", 12));
  EXPECT_EQ(messages[1].payload, bytes("\"/Install\"\0\"word\"\0\0", 19));
  EXPECT_EQ(messages[2].payload, bytes("\"/UNINSTALL\"\0\0", 14));
}

//===-- The file list -----------------------------------------------------===//

TEST(FileList, AnExistingRestIsSentWhole) {
  LauncherDirectory directory;
  std::string scan = directory.directory() + "scan of  page.pdf";
  write_file(scan, "%PDF");
  TestWindow editor(folivane_class);
  ASSERT_TRUE(editor.exists());

  // The argument vector cuts the name in three; the rest keeps it whole.
  ASSERT_EQ(run_launcher(directory.launcher(), scan), 0u);
  const std::vector<CopyData> &messages = editor.received().messages;
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].tag, 0x1751u);
  EXPECT_EQ(messages[0].payload, scan + bytes("\0\0", 2));
}

TEST(FileList, QuotedFilesAreSentAsQuotedEntries) {
  LauncherDirectory directory;
  std::string first = directory.directory() + "page 1.tif";
  std::string second = directory.directory() + "page2.tif";
  write_file(first, "II*");
  write_file(second, "II*");
  TestWindow editor(folivane_class);
  ASSERT_TRUE(editor.exists());

  ASSERT_EQ(run_launcher(directory.launcher(),
                         in_quotes(first) + "  " + in_quotes(second)),
            0u);
  const std::vector<CopyData> &messages = editor.received().messages;
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].tag, 0x1751u);
  EXPECT_EQ(messages[0].payload,
            in_quotes(first) + '\0' + in_quotes(second) + '\0' + '\0');
  EXPECT_EQ(messages[0].payload.size(),
            1 + first.size() + 3 + second.size() + 3);
}

// The flash itself cannot be watched here: Wine delivers nothing to a window
// of another process for FlashWindow.
TEST(FileList, NoArgumentsFindOrStartTheEditorAndSendNothing) {
  LauncherDirectory directory;
  directory.add_editor();
  EditorSettings settings(directory.root() + "record", folivane_class, 1000);
  {
    TestWindow editor(folivane_class);
    ASSERT_TRUE(editor.exists());
    ASSERT_EQ(run_launcher(directory.launcher()), 0u);
    EXPECT_TRUE(editor.received().messages.empty());
    EXPECT_EQ(settings.finish().pid, 0u) << "the running editor was found";
  }
  ASSERT_EQ(run_launcher(directory.launcher()), 0u);
  EditorRecord record = settings.finish();
  EXPECT_TRUE(record.window) << "the editor was started";
  EXPECT_TRUE(record.messages.empty());
}

TEST(FileList, TheEditionMarkerSelectsTheScannerEditionsWindow) {
  LauncherDirectory directory;
  TestWindow ordinary(folivane_class);
  TestWindow scanner(scrivelle_class);
  ASSERT_TRUE(ordinary.exists() && scanner.exists());

  ASSERT_EQ(run_launcher(directory.launcher(), "first"), 0u);
  directory.add_edition_marker();
  ASSERT_EQ(run_launcher(directory.launcher(), "second"), 0u);
  ASSERT_EQ(ordinary.received().messages.size(), 1u);
  EXPECT_EQ(ordinary.received().messages[0].payload, bytes("\"first\"\0\0", 9));
  ASSERT_EQ(scanner.received().messages.size(), 1u);
  EXPECT_EQ(scanner.received().messages[0].payload,
            bytes("\"second\"\0\0", 10));
}

TEST(FileList, WithTheEditionMarkerTheOrdinaryWindowDoesNotCount) {
  LauncherDirectory directory;
  directory.add_edition_marker();
  TestWindow ordinary(folivane_class);
  ASSERT_TRUE(ordinary.exists());
  // No scanner edition window and no editor to start: nothing to send to.
  EXPECT_EQ(run_launcher(directory.launcher(), "scan.pdf"), 0u);
  EXPECT_TRUE(ordinary.received().messages.empty());
}

//===-- Starting the editor -----------------------------------------------===//

TEST(StartEditor, StartsTheEditorBesideItAndSendsItTheList) {
  // A program planted where the unquoted path would lead Windows first
  // ("...\with.exe" for "...\with space\FolivaneA.exe") must not run.
  LauncherDirectory directory("with space");
  directory.add_editor();
  directory.add_editor(directory.root() + "with.exe");
  EditorSettings settings(directory.root() + "record", folivane_class);

  ASSERT_EQ(run_launcher(directory.launcher(), "\"a b.pdf\" c.pdf"), 0u);
  EditorRecord record = settings.finish();
  EXPECT_EQ(record.module, directory.editor());
  EXPECT_TRUE(record.window);
  EXPECT_EQ(record.command, directory.editor()) << "the path alone, unquoted";
  ASSERT_EQ(record.messages.size(), 1u);
  EXPECT_EQ(record.messages[0].tag, 0x1751u);
  EXPECT_EQ(record.messages[0].payload,
            bytes("\"a b.pdf\"\0\"c.pdf\"\0\0", 19));
  EXPECT_EQ(record.exit, "messages");
}

TEST(StartEditor, ChoosesTheClassAgainAfterTheStart) {
  // The marker appears only once the editor runs: a launcher that kept the
  // class it chose before the start would look for the ordinary edition's
  // window and find none.
  LauncherDirectory directory;
  directory.add_editor();
  EditorSettings settings(directory.root() + "record", scrivelle_class, 10000,
                          directory.edition_marker());

  ASSERT_EQ(run_launcher(directory.launcher(), "scan.pdf"), 0u);
  EditorRecord record = settings.finish();
  EXPECT_TRUE(record.window);
  ASSERT_EQ(record.messages.size(), 1u);
  EXPECT_EQ(record.messages[0].payload, bytes("\"scan.pdf\"\0\0", 12));
}

TEST(StartEditor, AnEditorWithoutItsWindowEndsTheRunQuietly) {
  LauncherDirectory directory;
  directory.add_editor();
  EditorSettings settings(directory.root() + "record", "-", 1000);

  EXPECT_EQ(run_launcher(directory.launcher(), "scan.pdf"), 0u);
  EditorRecord record = settings.finish();
  EXPECT_NE(record.pid, 0u) << "the editor was started";
  EXPECT_FALSE(record.window);
  EXPECT_EQ(record.exit, "timeout");
}

TEST(StartEditor, AMissingEditorEndsTheRunQuietly) {
  LauncherDirectory directory;
  EXPECT_EQ(run_launcher(directory.launcher(), "scan.pdf"), 0u);
  EXPECT_EQ(run_launcher(directory.launcher()), 0u);
}

// Long directories. Windows starts no program whose path has more than 259
// characters (Wine reports error 2), so the launcher's copy has a short name
// here. With 250 characters "sssetup.ini" and "FolivaneA.exe" overflowed the
// fixed 260-character buffers; with 247, "FolivaneA.exe" just did (260
// characters and the terminating zero). The editor's path is then too long to
// start: that ends the run quietly. At 246 it still starts.
class LongDirectory : public Registration,
                      public ::testing::WithParamInterface<std::size_t> {};

TEST_P(LongDirectory, KeepsWholeNamesAndStartsWhatCanStart) {
  LauncherDirectory directory("long", GetParam(), "l.exe");
  ASSERT_EQ(directory.directory().size(), GetParam());
  directory.add_editor();

  ASSERT_EQ(run_launcher(directory.launcher(), "/Install"), 0u);
  EXPECT_EQ(read_value(""), stored(directory.launcher()));
  EXPECT_EQ(read_value("Config"),
            stored(directory.directory() + "sssetup.ini"));

  EditorSettings settings(directory.root() + "record", folivane_class);
  ASSERT_EQ(run_launcher(directory.launcher(), "scan.pdf"), 0u);
  EditorRecord record = settings.finish();
  if (directory.editor().size() > 259) {
    EXPECT_EQ(record.pid, 0u) << "a path too long to start";
    return;
  }
  EXPECT_EQ(record.module, directory.editor());
  ASSERT_EQ(record.messages.size(), 1u);
  EXPECT_EQ(record.messages[0].payload, bytes("\"scan.pdf\"\0\0", 12));
}

INSTANTIATE_TEST_SUITE_P(Launcher, LongDirectory,
                         ::testing::Values(246u, 247u, 250u));

//===-- The whole road ----------------------------------------------------===//
//
// Scanned pages go the whole way the scanner software sends them: the
// launcher, started with their names, starts the editor (the test editor,
// which reads them with the host program's code) and hands it the list; the
// editor recognises every page through the plug-in and the engine's
// Tesseract backend and writes its hidden text beside it. Words and their
// boxes must be those the Linux build read from the same files (./test.sh
// puts the pages and the Linux build's XML in LECTORIN_WHOLE_ROAD_DIR before
// these tests run). Confidences are not part of the hidden text.

// The WORD elements of a hidden-text document, each as its Coords and its
// text as written.
std::vector<std::string> words_and_boxes(const std::string &xml) {
  static const std::string open = "<WORD ", close = "</WORD>";
  std::vector<std::string> words;
  for (std::size_t at = xml.find(open); at != std::string::npos;
       at = xml.find(open, at)) {
    std::size_t end = xml.find(close, at);
    if (end == std::string::npos)
      break;
    words.push_back(xml.substr(at, end - at));
    at = end + close.size();
  }
  return words;
}

// Waits for the started editor's record to end with its exit line; the
// editor reads every page before it writes it.
EditorRecord wait_for_editor(const std::string &record_file, DWORD limit_ms) {
  DWORD start = ::GetTickCount();
  EditorRecord record = parse_record(read_file(record_file));
  while (record.exit.empty() && ::GetTickCount() - start < limit_ms) {
    ::Sleep(200);
    record = parse_record(read_file(record_file));
  }
  return record;
}

TEST(WholeRoad, ScannedPagesReadAsTheLinuxBuildReadsThem) {
  const std::string road = LECTORIN_WHOLE_ROAD_DIR;
  const char *const pages[] = {"phototest.tif", "eurotext.tif",
                               "generated.png"};
  for (const char *page : pages)
    if (!fs::exists(road + "\\linux\\" + fs::path(page).stem().string() +
                    ".xml"))
      GTEST_SKIP() << "no Linux result for " << page << " in " << road
                   << " (./test.sh makes them with the Linux build)";

  LauncherDirectory directory("road");
  directory.add_editor();
  std::string files;
  for (const char *page : pages) {
    fs::copy_file(road + "\\pages\\" + page, directory.directory() + page);
    files +=
        (files.empty() ? "" : " ") + in_quotes(directory.directory() + page);
  }
  const std::string record_file = directory.root() + "record";
  EditorSettings settings(record_file, folivane_class, 300000);
  set_variable("LECTORIN_TEST_EDITOR_PLUGIN", LECTORIN_PLUGIN_DLL);
  set_variable("IRISlib", LECTORIN_ENGINE_DIRECTORY);

  // The editor is open already, as when scans arrive one after another (the
  // launcher starting it is tested above): its window is there before the
  // launcher looks for it.
  std::string editor = directory.editor();
  std::vector<char> command(editor.begin(), editor.end());
  command.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(::CreateProcessA(editor.c_str(), command.data(), nullptr, nullptr,
                               FALSE, 0, nullptr, nullptr, &startup, &process));
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  for (DWORD start = ::GetTickCount();
       !parse_record(read_file(record_file)).window &&
       ::GetTickCount() - start < wait_limit_ms;)
    ::Sleep(100);

  ASSERT_EQ(run_launcher(directory.launcher(), files), 0u);
  EditorRecord record = wait_for_editor(record_file, 300000);
  set_variable("LECTORIN_TEST_EDITOR_PLUGIN", "");
  set_variable("IRISlib", "");
  std::string text = read_file(record_file);
  ASSERT_EQ(record.messages.size(), 1u) << text;
  EXPECT_EQ(record.exit, "messages") << text;

  for (const char *page : pages) {
    SCOPED_TRACE(page);
    EXPECT_NE(text.find(std::string("recognised ") + directory.directory() +
                        page + " 1\n"),
              std::string::npos)
        << text;
    std::string stem = fs::path(page).stem().string();
    std::vector<std::string> windows =
        words_and_boxes(read_file(directory.directory() + stem + ".xml"));
    std::vector<std::string> linux_words =
        words_and_boxes(read_file(road + "\\linux\\" + stem + ".xml"));
    EXPECT_GT(linux_words.size(), 20u);
    EXPECT_EQ(windows, linux_words);
  }
}

//===-- A double-byte code page -------------------------------------------===//
//
// Run as a test of its own under code page 932 (LANG=ja_JP.UTF-8; ./test.sh
// makes that locale). Many characters of 932 have the byte of a backslash as
// their second byte: every scan for the last backslash, or for a trailing
// one, must step over whole characters.

class CodePage932 : public Registration {};

TEST_F(CodePage932, DoubleByteNamesStayWhole) {
  ASSERT_EQ(::GetACP(), 932u) << "needs LANG=ja_JP.UTF-8 and its locale";
  // Wine brings its desktop up with the first window of a session, and an
  // editor started before that is not yet idle when WaitForInputIdle returns
  // (as the other tests' windows do, this one makes sure it is up).
  TestWindow desktop_up("LectorinTestFirstWindow");
  // 表示ソ and 表.exe: 0x95 0x5C, 0x8E 0xA6, 0x83 0x5C.
  const std::string name = "\x95\x5C\x8E\xA6\x83\x5C";
  LauncherDirectory directory(name, 0, "\x95\x5C.exe");
  const std::string path = directory.directory();

  ASSERT_EQ(run_launcher(directory.launcher(), "/Install"), 0u);
  EXPECT_EQ(read_value(""), stored(directory.launcher()));
  EXPECT_EQ(read_value("Config"), stored(path + "sssetup.ini"));
  EXPECT_EQ(read_value("Path"), stored(path.substr(0, path.size() - 1)));

  // The editor beside it, the edition marker beside it, and a scanned file
  // whose name the argument vector would split.
  directory.add_editor();
  directory.add_edition_marker();
  const std::string scan = path + "scan of " + name + ".pdf";
  write_file(scan, "%PDF");
  EditorSettings settings(directory.root() + "record", scrivelle_class);
  ASSERT_EQ(run_launcher(directory.launcher(), scan), 0u);
  EditorRecord record = settings.finish();
  EXPECT_EQ(record.module, directory.editor());
  ASSERT_EQ(record.messages.size(), 1u);
  EXPECT_EQ(record.messages[0].payload, scan + bytes("\0\0", 2));
}

//===-- The program file --------------------------------------------------===//

TEST(LauncherProgram, IsAWindowlessProgramWithIconAndManifest) {
  HMODULE image = ::LoadLibraryExA(LECTORIN_LAUNCHER_EXE, nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(image, nullptr);
  EXPECT_NE(::FindResourceA(image, MAKEINTRESOURCEA(1), RT_GROUP_ICON),
            nullptr);
  HRSRC manifest = ::FindResourceA(image, MAKEINTRESOURCEA(1), RT_MANIFEST);
  ASSERT_NE(manifest, nullptr);
  std::string text(static_cast<const char *>(
                       ::LockResource(::LoadResource(image, manifest))),
                   ::SizeofResource(image, manifest));
  EXPECT_NE(
      text.find(
          "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
      std::string::npos)
      << text;
  EXPECT_NE(text.find("<requestedExecutionLevel level=\"asInvoker\""),
            std::string::npos)
      << text;
  ::FreeLibrary(image);

  // The subsystem field of the PE optional header: 2 is a GUI program, which
  // Windows starts without a console window.
  std::string file = read_file(LECTORIN_LAUNCHER_EXE);
  ASSERT_GT(file.size(), 0x200u);
  std::uint32_t pe =
      *reinterpret_cast<const std::uint32_t *>(file.data() + 0x3C);
  ASSERT_LT(pe + 0x60u, file.size());
  std::uint16_t subsystem =
      *reinterpret_cast<const std::uint16_t *>(file.data() + pe + 24 + 68);
  EXPECT_EQ(subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

} // namespace

#endif // _WIN32
