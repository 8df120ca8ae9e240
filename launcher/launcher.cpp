//===- launcher.cpp - Hands scanned files to the document editor ----------===//
//
// The scanner software starts this windowless program after a scan with the
// scanned files on its command line. It starts the editor when no editor
// window exists, flashes the editor's window and sends it the file list in one
// WM_COPYDATA message. "/Install" and "/Uninstall" register and remove it as a
// ScanSnap extension instead. The exit code is 0, or -1 when registration
// fails; nothing else is reported, since there is nobody to report to.
//
// The decisions live in launch_core; this file makes the system calls.
//
//===----------------------------------------------------------------------===//

#include "launch_core.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, whose types it uses.
#include <shlwapi.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

bool is_lead_byte(unsigned char byte) {
  return ::IsDBCSLeadByte(byte) != FALSE;
}

// The launcher's own path. The buffer grows until the name fits: a fixed
// MAX_PATH buffer would cut the name of a launcher in a long directory without
// saying so, and every path derived from it would be wrong. None when Windows
// cannot give the name whole.
std::optional<std::string> own_path() {
  std::vector<char> buffer(MAX_PATH + 1);
  for (;;) {
    DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(),
                                   static_cast<DWORD>(buffer.size()));
    if (n == 0)
      return std::nullopt;
    if (n < buffer.size())
      return std::string(buffer.data(), n);
    if (buffer.size() > 32768)
      return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
}

bool path_exists(const std::string &path) {
  return !path.empty() && ::PathFileExistsA(path.c_str()) != FALSE;
}

void set_string_value(HKEY key, const char *name, const std::string &text) {
  // REG_SZ data is stored with its terminating zero byte.
  const std::size_t bytes = text.size() + 1;
  ::RegSetValueExA(key, name, 0, REG_SZ,
                   reinterpret_cast<const BYTE *>(text.c_str()),
                   static_cast<DWORD>(bytes));
}

int install() {
  std::optional<std::string> path = own_path();
  if (!path)
    return -1;
  launcher::RegistryValues values =
      launcher::registry_values(*path, is_lead_byte);
  // The default registry view: the scanner software is a 32-bit program too,
  // so on 64-bit Windows both meet under WOW6432Node.
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, launcher::registry_key, 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
    return -1;
  set_string_value(key, "", values.executable);
  set_string_value(key, "Config", values.config);
  set_string_value(key, "Path", values.directory);
  ::RegCloseKey(key);
  return 0;
}

int uninstall() {
  // A key that is already gone is what the caller wants: no error to report.
  ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, launcher::registry_key);
  return 0;
}

// The editor's main window. The edition marker is looked at on every call,
// so the class is chosen anew after the editor has been started.
HWND find_editor_window(const std::optional<std::string> &launcher_path) {
  bool scanner_edition =
      launcher_path &&
      path_exists(launcher::edition_marker_path(*launcher_path, is_lead_byte));
  return ::FindWindowA(launcher::editor_window_class(scanner_edition), nullptr);
}

// Starts the editor beside the launcher and waits, without a time limit,
// until it is idle and waiting for input. Its path is passed as the program
// to run as well as the command line: from the command line alone Windows
// would first try "C:\Program.exe" for a directory such as "C:\Program Files"
// and run whatever it found there.
void start_editor(const std::optional<std::string> &launcher_path) {
  if (!launcher_path)
    return;
  std::string path = launcher::editor_path(*launcher_path, is_lead_byte);
  std::vector<char> command_line(path.begin(), path.end());
  command_line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(path.c_str(), command_line.data(), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &process))
    return;
  ::WaitForInputIdle(process.hProcess, INFINITE);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
}

int hand_over(const std::vector<std::string> &args) {
  std::string rest =
      launcher::find_command_rest(::GetCommandLineA(), is_lead_byte);
  bool rest_exists = path_exists(rest);

  // Without its own path the launcher cannot know where the editor is: that
  // counts as an editor that cannot be started, and one that is already
  // running is still found.
  std::optional<std::string> launcher_path = own_path();
  HWND window = find_editor_window(launcher_path);
  if (!window) {
    start_editor(launcher_path);
    window = find_editor_window(launcher_path);
  }
  if (!window)
    return 0;
  ::FlashWindow(window, TRUE);
  if (args.empty())
    return 0;

  // The bytes are in the ANSI code page, as the command line came in.
  std::string payload = launcher::file_list_payload(rest, rest_exists, args);
  COPYDATASTRUCT data{};
  data.dwData = launcher::file_list_tag;
  data.cbData = static_cast<DWORD>(payload.size());
  data.lpData = payload.data();
  ::SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The runtime's argument vector, split by the usual Windows rules.
  std::vector<std::string> args(__argv + 1, __argv + __argc);
  switch (launcher::classify_command(args)) {
  case launcher::Command::install:
    return install();
  case launcher::Command::uninstall:
    return uninstall();
  case launcher::Command::hand_over:
    break;
  }
  return hand_over(args);
}
