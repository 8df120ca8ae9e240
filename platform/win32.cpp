//===- win32.cpp - The platform layer on Windows --------------------------===//

#include "platform.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cerrno>
#include <io.h>
#include <new>
#include <vector>

namespace platform {

//===-- Process -----------------------------------------------------------===//

bool executable_path(std::string &path) {
  std::vector<char> buffer(MAX_PATH + 1);
  for (;;) {
    DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(),
                                   static_cast<DWORD>(buffer.size()));
    if (n == 0)
      return false;
    // A name that fills the buffer may have been cut: try a larger one.
    if (n < buffer.size()) {
      path.assign(buffer.data(), n);
      return true;
    }
    if (buffer.size() > 32768)
      return false;
    buffer.resize(buffer.size() * 2);
  }
}

bool get_environment(const char *name, std::string &value) {
  // The size asked for includes the terminating zero; a value that grew
  // between the two calls is asked for again.
  std::vector<char> buffer(256);
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    DWORD n = ::GetEnvironmentVariableA(name, buffer.data(),
                                        static_cast<DWORD>(buffer.size()));
    if (n == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND)
        return false;
      value.clear(); // set, and empty
      return true;
    }
    if (n < buffer.size()) {
      value.assign(buffer.data(), n);
      return true;
    }
    buffer.resize(n);
  }
}

bool set_environment(const char *name, const std::string &value) {
  // The process's own environment block, which LoadLibrary searches and the
  // host reads; the C runtime's start-up copy is the host's business.
  return ::SetEnvironmentVariableA(name, value.c_str()) != FALSE;
}

//===-- Shared libraries --------------------------------------------------===//

namespace {

bool has_directory_part(const std::string &file) {
  return file.find_first_of("\\/:") != std::string::npos;
}

// The altered search order takes the libraries a library needs from its own
// directory, and holds only for a full name.
HMODULE load_file(const std::string &file) {
  DWORD size = ::GetFullPathNameA(file.c_str(), 0, nullptr, nullptr);
  if (size == 0)
    return nullptr;
  std::vector<char> full(size);
  DWORD length = ::GetFullPathNameA(file.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size)
    return nullptr;
  return ::LoadLibraryExA(full.data(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace

LibraryHandle load_library(const std::string &file, std::string &error) {
  HMODULE module =
      has_directory_part(file) ? load_file(file) : ::LoadLibraryA(file.c_str());
  if (!module) {
    DWORD code = ::GetLastError();
    error = file + ": cannot be loaded (error " + std::to_string(code) + ")";
  }
  return reinterpret_cast<LibraryHandle>(module);
}

void *find_function(LibraryHandle library, const char *name, int ordinal) {
  if (!library)
    return nullptr;
  HMODULE module = static_cast<HMODULE>(library);
  FARPROC function = ordinal != 0
                         ? ::GetProcAddress(module, MAKEINTRESOURCEA(ordinal))
                         : ::GetProcAddress(module, name);
  return reinterpret_cast<void *>(function);
}

void unload_library(LibraryHandle library) {
  if (library)
    ::FreeLibrary(static_cast<HMODULE>(library));
}

//===-- Movable memory blocks ---------------------------------------------===//

MemoryBlock memory_block_alloc(std::size_t bytes) {
  return ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
}

MemoryBlock memory_block_realloc(MemoryBlock block, std::size_t bytes) {
  return ::GlobalReAlloc(static_cast<HGLOBAL>(block), bytes,
                         GMEM_MOVEABLE | GMEM_ZEROINIT);
}

void *memory_block_lock(MemoryBlock block) {
  return ::GlobalLock(static_cast<HGLOBAL>(block));
}

void memory_block_unlock(MemoryBlock block) {
  ::GlobalUnlock(static_cast<HGLOBAL>(block));
}

std::size_t memory_block_size(MemoryBlock block) {
  return ::GlobalSize(static_cast<HGLOBAL>(block));
}

bool memory_block_is_locked(MemoryBlock block) {
  UINT flags = ::GlobalFlags(static_cast<HGLOBAL>(block));
  return flags != GMEM_INVALID_HANDLE && (flags & GMEM_LOCKCOUNT) != 0;
}

void memory_block_free(MemoryBlock block) {
  if (block)
    ::GlobalFree(static_cast<HGLOBAL>(block));
}

//===-- Threads -----------------------------------------------------------===//

ThreadId current_thread_id() { return ::GetCurrentThreadId(); }

static_assert(sizeof(CRITICAL_SECTION) <= 64,
              "CriticalSection storage too small");

CriticalSection::CriticalSection() noexcept {
  ::InitializeCriticalSection(new (storage_) CRITICAL_SECTION);
}

CriticalSection::~CriticalSection() {
  ::DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION *>(storage_));
}

void CriticalSection::enter() {
  ::EnterCriticalSection(reinterpret_cast<CRITICAL_SECTION *>(storage_));
}

void CriticalSection::leave() {
  ::LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION *>(storage_));
}

//===-- Code pages --------------------------------------------------------===//

CodePage ansi_code_page() {
  CodePage code_page;
  if (!describe_code_page(::GetACP(), code_page))
    code_page.number = ::GetACP(); // a single-byte guess beats none
  return code_page;
}

bool describe_code_page(unsigned number, CodePage &code_page) {
  CPINFO info;
  if (number == 0 || !::GetCPInfo(number, &info))
    return false;
  // Code pages with a shift state refuse MB_ERR_INVALID_CHARS.
  wchar_t wide = 0;
  if (::MultiByteToWideChar(number, MB_ERR_INVALID_CHARS, "A", 1, &wide, 1) !=
      1)
    return false;
  char byte = 0;
  BOOL used_default = FALSE;
  code_page.number = number;
  code_page.max_char_bytes = static_cast<int>(info.MaxCharSize);
  code_page.tells_unmapped =
      ::WideCharToMultiByte(number, WC_NO_BEST_FIT_CHARS, L"A", 1, &byte, 1,
                            nullptr, &used_default) == 1;
  return true;
}

int decode_code_page(const CodePage &code_page, const char *bytes,
                     std::size_t available, char16_t units[2],
                     int &unit_count) {
  int shortest = 1;
  int longest = code_page.max_char_bytes;
  // In a double-byte code page the lead byte tells the length; in UTF-8 and
  // GB18030 the shortest run of bytes that converts is the character.
  if (code_page.max_char_bytes == 2)
    shortest = longest =
        ::IsDBCSLeadByteEx(code_page.number, static_cast<BYTE>(bytes[0])) ? 2
                                                                          : 1;
  if (available < static_cast<std::size_t>(longest))
    longest = static_cast<int>(available);
  for (int n = shortest; n <= longest; ++n) {
    wchar_t wide[2];
    int count = ::MultiByteToWideChar(code_page.number, MB_ERR_INVALID_CHARS,
                                      bytes, n, wide, 2);
    if (count > 0) {
      for (int i = 0; i < count; ++i)
        units[i] = static_cast<char16_t>(wide[i]);
      unit_count = count;
      return n;
    }
  }
  return 0;
}

int encode_code_page(const CodePage &code_page, const char16_t *units,
                     int unit_count, char *out, int capacity) {
  wchar_t wide[2] = {};
  for (int i = 0; i < unit_count && i < 2; ++i)
    wide[i] = static_cast<wchar_t>(units[i]);
  BOOL used_default = FALSE;
  int n = ::WideCharToMultiByte(
      code_page.number, code_page.tells_unmapped ? WC_NO_BEST_FIT_CHARS : 0,
      wide, unit_count, out, capacity, nullptr,
      code_page.tells_unmapped ? &used_default : nullptr);
  return n > 0 && !used_default ? n : 0;
}

unsigned character_classes(char16_t unit) {
  wchar_t wide = static_cast<wchar_t>(unit);
  WORD type = 0;
  if (!::GetStringTypeW(CT_CTYPE1, &wide, 1, &type))
    return 0;
  return ((type & C1_SPACE) ? character_space : 0u) |
         ((type & C1_UPPER) ? character_upper : 0u) |
         ((type & C1_LOWER) ? character_lower : 0u);
}

char16_t change_case(char16_t unit, bool upper) {
  wchar_t wide = static_cast<wchar_t>(unit);
  wchar_t mapped = 0;
  if (::LCMapStringW(LOCALE_USER_DEFAULT,
                     upper ? LCMAP_UPPERCASE : LCMAP_LOWERCASE, &wide, 1,
                     &mapped, 1) != 1)
    return unit;
  return static_cast<char16_t>(mapped);
}

std::string user_decimal_point() {
  char point[8] = {};
  if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, point,
                       sizeof point) <= 1)
    return ".";
  return point;
}

//===-- Runtime streams ---------------------------------------------------===//

std::FILE *open_descriptor(int descriptor, const char *mode, bool duplicate) {
  int opened = duplicate ? ::_dup(descriptor) : descriptor;
  if (opened < 0)
    return nullptr;
  std::FILE *file = ::_fdopen(opened, mode);
  if (!file) {
    int error = errno;
    ::_close(opened);
    errno = error;
  }
  return file;
}

//===-- Message formatting ------------------------------------------------===//

namespace {

// FormatMessageA(FROM_STRING | ALLOCATE_BUFFER) into a string. It returns 0
// both for an empty text and for a failure, so the pattern is given a
// leading character of its own: every text is then at least that character
// long, and 0 can only mean that the formatter failed.
PositionalFormat format_message(std::string &out, const std::string &pattern,
                                std::va_list args) {
  char *buffer = nullptr;
  std::va_list copy;
  va_copy(copy, args);
  ::SetLastError(ERROR_SUCCESS);
  DWORD n = ::FormatMessageA(
      FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER,
      pattern.c_str(), 0, 0, reinterpret_cast<LPSTR>(&buffer), 0, &copy);
  DWORD error = ::GetLastError();
  va_end(copy);
  if (n > 0 && buffer) {
    out.assign(buffer + 1, n - 1);
    ::LocalFree(buffer);
    return PositionalFormat::done;
  }
  if (buffer)
    ::LocalFree(buffer);
  switch (error) {
  case ERROR_INVALID_PARAMETER:
    return PositionalFormat::malformed;
  case ERROR_SUCCESS: // the heap functions fail without saying why
  case ERROR_NOT_ENOUGH_MEMORY:
  case ERROR_OUTOFMEMORY:
    return PositionalFormat::out_of_memory;
  default:
    return PositionalFormat::failed;
  }
}

} // namespace

PositionalFormat format_positional(std::string &out, const char *pattern,
                                   std::va_list args) {
  return format_message(out, std::string("#") + pattern, args);
}

} // namespace platform
