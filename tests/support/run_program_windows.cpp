//===- run_program_windows.cpp - A program of the build as a child --------===//
//
// Windows has no shell to quote for: the command line is put together by the
// rules the C runtime and CommandLineToArgvW split it by, in UTF-16, so that
// arguments outside the ANSI code page arrive as given.

#include "run_program.h"

#include "host.h"
#include "temp_directory.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdexcept>

namespace testing_support {

namespace {

using platform::utf16_of;

// Backslashes count only before a quote: doubled there, and the quote
// escaped.
std::wstring quoted(const std::wstring &word) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : word) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, L'\\');
  return out + L"\"";
}

HANDLE open_inheritable(const std::string &path, DWORD access,
                        DWORD disposition) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return ::CreateFileW(utf16_of(path).c_str(), access,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

ProgramResult run_program(const std::string &program,
                          const std::vector<std::string> &arguments,
                          const std::string &scratch_directory) {
  std::string output = join_path(scratch_directory, "program.out");
  std::string errors = join_path(scratch_directory, "program.err");
  std::wstring line = quoted(utf16_of(program));
  for (const std::string &argument : arguments)
    line += L" " + quoted(utf16_of(argument));

  HANDLE in = open_inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
  HANDLE out = open_inheritable(output, GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = open_inheritable(errors, GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process = {};
  bool started =
      in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE &&
      err != INVALID_HANDLE_VALUE &&
      ::CreateProcessW(utf16_of(program).c_str(), line.data(), nullptr, nullptr,
                       TRUE, 0, nullptr, nullptr, &startup, &process);
  for (HANDLE handle : {in, out, err})
    if (handle != INVALID_HANDLE_VALUE)
      ::CloseHandle(handle);
  if (!started)
    throw std::runtime_error("cannot start " + program);
  ProgramResult result;
  // A program that hangs fails its test rather than holding the run.
  const DWORD limit_ms = 300000;
  DWORD code = 0;
  if (::WaitForSingleObject(process.hProcess, limit_ms) == WAIT_OBJECT_0 &&
      ::GetExitCodeProcess(process.hProcess, &code))
    result.exit_code = static_cast<int>(code);
  else
    ::TerminateProcess(process.hProcess, 1);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  result.output = read_file(output);
  result.errors = read_file(errors);
  remove_path(output);
  remove_path(errors);
  return result;
}

} // namespace testing_support
