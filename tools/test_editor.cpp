//===- test_editor.cpp - A stand-in editor window for the launcher tests --===//
//
// Plays the document editor's part towards the launcher: a top-level window of
// a given class that records every WM_COPYDATA it receives. Copied beside the
// launcher as FolivaneA.exe, it is what the launcher starts when no editor
// window exists.
//
//   test_editor CLASS RECORD [MESSAGES [TIMEOUT_MS [MARKER]]]
//
// The launcher gives the editor only its own path, unquoted, as the command
// line, which splits at spaces. So when LECTORIN_TEST_EDITOR_CLASS is set,
// all settings come from the environment instead, which the launcher hands
// down unchanged: LECTORIN_TEST_EDITOR_CLASS, _RECORD, _MESSAGES, _TIMEOUT_MS,
// _MARKER. CLASS "-" creates no window at all (an editor that never shows its
// window); MESSAGES defaults to 1, TIMEOUT_MS to 10000. MARKER names a file
// that the editor creates once it runs, before its window exists (the
// launcher's edition marker, appearing only after the launcher looked). The
// program exits after MESSAGES messages or the timeout, whichever comes
// first.
//
// With LECTORIN_TEST_EDITOR_PLUGIN naming the plug-in library (in builds
// that have the host program, which needs the Windows Tesseract), the editor
// also does what the real one does with a file list: once the messages are
// in, it recognises every page of every file through the plug-in, with the
// host program's own code (lectorin_ocr), and writes each page's hidden
// text beside its file, named as lectorin-ocr -o names it (NAME.xml, or
// NAME-pN.xml for page N of several).
//
// The record file, written as things happen:
//   pid N                    first, so a test can wait for this process
//   module PATH              the program file Windows actually ran
//   command LINE             the raw command line it was given
//   marker                   once the marker file exists
//   window                   once the window exists
//   copydata TAG SIZE        for each WM_COPYDATA, dwData and cbData, then
//   SIZE payload bytes and a line feed
//   recognised FILE PAGES    for each file recognised, with the plug-in
//   failed FILE: REASON      or for each file that could not be
//   exit messages|timeout
// Exit code 0, or 2 for missing or bad settings.
//
//===----------------------------------------------------------------------===//

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#ifdef LECTORIN_TEST_EDITOR_RECOGNISES
#include "output_file.h"
#include "page_plan.h"
#include "page_source.h"
#include "plugin_host.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Settings {
  std::string window_class;
  std::string record;
  unsigned messages = 1;
  unsigned timeout_ms = 10000;
  std::string marker;
};

constexpr ULONG_PTR file_list_tag = 0x1751;

std::FILE *record_file = nullptr;
unsigned messages_left = 0;
std::vector<std::string> files_to_read;

const char *setting(int argc, char **argv, int index, const char *variable) {
  if (std::getenv("LECTORIN_TEST_EDITOR_CLASS"))
    return std::getenv(variable);
  return index < argc ? argv[index] : nullptr;
}

bool read_number(const char *text, unsigned &out) {
  if (!text)
    return true;
  char *end = nullptr;
  unsigned long value = std::strtoul(text, &end, 10);
  if (end == text || *end != '\0')
    return false;
  out = static_cast<unsigned>(value);
  return true;
}

bool read_settings(int argc, char **argv, Settings &settings) {
  const char *window_class =
      setting(argc, argv, 1, "LECTORIN_TEST_EDITOR_CLASS");
  const char *record = setting(argc, argv, 2, "LECTORIN_TEST_EDITOR_RECORD");
  if (!window_class || !*window_class || !record || !*record)
    return false;
  settings.window_class = window_class;
  settings.record = record;
  if (const char *marker =
          setting(argc, argv, 5, "LECTORIN_TEST_EDITOR_MARKER"))
    settings.marker = marker;
  return read_number(setting(argc, argv, 3, "LECTORIN_TEST_EDITOR_MESSAGES"),
                     settings.messages) &&
         read_number(setting(argc, argv, 4, "LECTORIN_TEST_EDITOR_TIMEOUT_MS"),
                     settings.timeout_ms);
}

// What the test reads back; a record that could not be written fails it.
void record_line(const std::string &line) {
  (void)std::fputs((line + "\n").c_str(), record_file);
  (void)std::fflush(record_file);
}

// The names of a file list: one existing path followed by two zero bytes,
// or entries "NAME" each followed by a zero byte, then one more.
void add_file_list(const std::string &payload) {
  if (payload[0] != '"') {
    std::string path = payload.substr(0, payload.find('\0'));
    if (!path.empty())
      files_to_read.push_back(path);
    return;
  }
  for (std::size_t at = 0; at < payload.size() && payload[at] == '"';) {
    std::size_t end = payload.find('\0', at);
    if (end == std::string::npos || end - at < 2 || payload[end - 1] != '"')
      return;
    files_to_read.push_back(payload.substr(at + 1, end - at - 2));
    at = end + 1;
  }
}

#ifdef LECTORIN_TEST_EDITOR_RECOGNISES
// The list is in the ANSI code page; the host program's code takes UTF-8.
std::string ansi_to_utf8(const std::string &text) {
  int wide_size = ::MultiByteToWideChar(
      CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                        wide.data(), wide_size);
  int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, nullptr,
                                   0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, utf8.data(), size,
                        nullptr, nullptr);
  return utf8;
}

// Every page of one file through the plug-in, each page's XML beside it.
// Returns the number of pages; throws std::runtime_error with the reason.
int recognise_file(lectorin_ocr::PluginHost &host, const std::string &file) {
  const int pages = lectorin_ocr::count_pages(file);
  const std::string directory = file.substr(0, file.find_last_of("\\/") + 1);
  for (int page = 0; page < pages; ++page) {
    lectorin_ocr::PageResult result =
        host.recognize("TRUE", lectorin_ocr::load_page(file, page));
    if (!result.recognised)
      throw std::runtime_error("the plug-in failed: " + result.error);
    std::string error;
    if (!lectorin_ocr::write_whole_file(
            directory + lectorin_ocr::output_name(file, page, pages, ".xml"),
            result.xml, error))
      throw std::runtime_error(error);
  }
  return pages;
}

void recognise_files(const std::string &plugin) {
  try {
    lectorin_ocr::PluginHost host(plugin);
    if (!host.engine_error().empty())
      throw std::runtime_error("no engine: " + host.engine_error());
    for (const std::string &file : files_to_read) {
      try {
        int pages = recognise_file(host, ansi_to_utf8(file));
        record_line("recognised " + file + " " + std::to_string(pages));
      } catch (const std::exception &e) {
        record_line("failed " + file + ": " + e.what());
      }
    }
  } catch (const std::exception &e) {
    record_line(std::string("failed ") + plugin + ": " + e.what());
  }
}
#endif

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam,
                                  LPARAM lparam) {
  if (message != WM_COPYDATA)
    return ::DefWindowProcA(window, message, wparam, lparam);
  // NOLINTNEXTLINE(performance-no-int-to-ptr): how WM_COPYDATA passes it.
  const auto *data = reinterpret_cast<const COPYDATASTRUCT *>(lparam);
  record_line("copydata " + std::to_string(data->dwData) + " " +
              std::to_string(data->cbData));
  if (data->cbData)
    (void)std::fwrite(data->lpData, 1, data->cbData, record_file);
  record_line("");
  if (data->dwData == file_list_tag && data->cbData)
    add_file_list(
        std::string(static_cast<const char *>(data->lpData), data->cbData));
  if (messages_left && --messages_left == 0)
    ::PostQuitMessage(0);
  return TRUE;
}

bool create_window(const std::string &window_class) {
  WNDCLASSA type{};
  type.lpfnWndProc = window_procedure;
  type.hInstance = ::GetModuleHandleA(nullptr);
  type.lpszClassName = window_class.c_str();
  if (!::RegisterClassA(&type))
    return false;
  return ::CreateWindowExA(0, window_class.c_str(), "Test editor",
                           WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                           320, 200, nullptr, nullptr, type.hInstance,
                           nullptr) != nullptr;
}

} // namespace

int main(int argc, char **argv) {
  Settings settings;
  if (!read_settings(argc, argv, settings)) {
    (void)std::fputs(
        "usage: test_editor CLASS RECORD [MESSAGES [TIMEOUT_MS [MARKER]]]\n",
        stderr);
    return 2;
  }
  record_file = std::fopen(settings.record.c_str(), "wb");
  if (!record_file)
    return 2;
  record_line("pid " + std::to_string(::GetCurrentProcessId()));
  char module[32768];
  DWORD length = ::GetModuleFileNameA(nullptr, module, sizeof module);
  record_line("module " + std::string(module, length));
  record_line(std::string("command ") + ::GetCommandLineA());

  if (!settings.marker.empty()) {
    std::FILE *marker = std::fopen(settings.marker.c_str(), "wb");
    if (!marker)
      return 2;
    (void)std::fclose(marker);
    record_line("marker");
  }
  if (settings.window_class != "-") {
    if (!create_window(settings.window_class))
      return 2;
    record_line("window");
  }
  messages_left = settings.messages;
  // A thread timer posts to the message queue, so the same loop serves the
  // window and a program without one; waiting in it makes the program idle.
  ::SetTimer(nullptr, 0, settings.timeout_ms, nullptr);
  MSG message;
  const char *reason = "messages";
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && !message.hwnd) {
      reason = "timeout";
      break;
    }
    ::DispatchMessageA(&message);
  }
#ifdef LECTORIN_TEST_EDITOR_RECOGNISES
  // The launcher's SendMessageA returned long ago: the pages are read after
  // the loop, as an editor reads them after taking the list.
  if (const char *plugin = std::getenv("LECTORIN_TEST_EDITOR_PLUGIN"))
    recognise_files(plugin);
#endif
  record_line(std::string("exit ") + reason);
  (void)std::fclose(record_file);
  return 0;
}
