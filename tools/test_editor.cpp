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
// The record file, written as things happen:
//   pid N                    first, so a test can wait for this process
//   module PATH              the program file Windows actually ran
//   command LINE             the raw command line it was given
//   marker                   once the marker file exists
//   window                   once the window exists
//   copydata TAG SIZE        for each WM_COPYDATA, dwData and cbData, then
//   SIZE payload bytes and a line feed
//   exit messages|timeout
// Exit code 0, or 2 for missing or bad settings.
//
//===----------------------------------------------------------------------===//

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Settings {
  std::string window_class;
  std::string record;
  unsigned messages = 1;
  unsigned timeout_ms = 10000;
  std::string marker;
};

std::FILE *record_file = nullptr;
unsigned messages_left = 0;

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
  record_line(std::string("exit ") + reason);
  (void)std::fclose(record_file);
  return 0;
}
