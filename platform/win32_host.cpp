//===- win32_host.cpp - Host-side operations on Windows -------------------===//

#include "host.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Need the types of windows.h.
#include <psapi.h>
#include <shellapi.h>

#include <io.h>

#include <cerrno>
#include <cstring>

namespace platform {

std::wstring utf16_of(const std::string &utf8) {
  if (utf8.empty())
    return {};
  int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                   static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                        wide.data(), size);
  return wide;
}

namespace {

std::string utf8_of(const wchar_t *wide, std::size_t length) {
  if (length == 0)
    return {};
  int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length),
                                   nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), utf8.data(),
                        size, nullptr, nullptr);
  return utf8;
}

// The system's sentence for an error code, in UTF-8, without its line end.
std::string system_reason(DWORD code) {
  wchar_t *text = nullptr;
  DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
  std::string reason = length ? utf8_of(text, length) : "";
  if (text)
    ::LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == ' ' || reason.back() == '.'))
    reason.pop_back();
  return reason.empty() ? "error " + std::to_string(code) : reason;
}

} // namespace

//===-- Process -----------------------------------------------------------===//

std::size_t peak_resident_bytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!::K32GetProcessMemoryInfo(::GetCurrentProcess(), &counters,
                                 sizeof counters))
    return 0;
  return counters.PeakWorkingSetSize;
}

//===-- Command line and files written -----------------------------------===//

std::vector<std::string> utf8_arguments(int argc, const char *const *argv) {
  int count = 0;
  wchar_t **wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  // The two agree but for the code page; should the system not split its
  // own command line, the ANSI words are better than none.
  if (!wide || count != argc) {
    if (wide)
      ::LocalFree(wide);
    return std::vector<std::string>(argv, argv + argc);
  }
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    arguments.push_back(utf8_of(wide[i], std::wcslen(wide[i])));
  ::LocalFree(wide);
  return arguments;
}

std::FILE *open_for_writing(const std::string &path, std::string &reason) {
  errno = 0;
  std::FILE *file = ::_wfopen(utf16_of(path).c_str(), L"wb");
  if (!file)
    reason = std::strerror(errno);
  return file;
}

bool rename_replacing(const std::string &from, const std::string &to,
                      std::string &reason) {
  if (::MoveFileExW(utf16_of(from).c_str(), utf16_of(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING))
    return true;
  reason = system_reason(::GetLastError());
  return false;
}

bool remove_file(const std::string &path) {
  return ::DeleteFileW(utf16_of(path).c_str()) != 0;
}

//===-- Terminals ---------------------------------------------------------===//

bool is_terminal(int standard_stream) {
  return ::_isatty(standard_stream) != 0;
}

} // namespace platform
