//===- win32.cpp - The platform layer on Windows --------------------------===//

#include "platform.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Needs the types of windows.h.
#include <psapi.h>

#include <cerrno>
#include <cstdlib>
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
  const char *text = std::getenv(name);
  if (!text)
    return false;
  value = text;
  return true;
}

std::size_t peak_resident_bytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!::K32GetProcessMemoryInfo(::GetCurrentProcess(), &counters,
                                 sizeof counters))
    return 0;
  return counters.PeakWorkingSetSize;
}

bool set_environment(const char *name, const std::string &value) {
  // _putenv copies the text and updates the process environment that
  // LoadLibraryA searches, under the name as spelled here.
  std::string entry = std::string(name) + "=" + value;
  return ::_putenv(entry.c_str()) == 0;
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

//===-- Terminals and worker processes -----------------------------------===//

bool is_terminal(int standard_stream) {
  return ::_isatty(standard_stream) != 0;
}

// Windows cannot copy a running process, so the jobs run here, in order.
void run_worker_pool(int /*workers*/, int count, const WorkerJob &job,
                     const WorkerDone &done) {
  for (int i = 0; i < count; ++i) {
    std::string message;
    int status = job(i, message);
    done(i, status, message);
  }
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

bool format_positional(std::string &out, const char *pattern,
                       std::va_list args) {
  char *buffer = nullptr;
  std::va_list copy;
  va_copy(copy, args);
  ::SetLastError(0);
  DWORD n = ::FormatMessageA(
      FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, pattern, 0,
      0, reinterpret_cast<LPSTR>(&buffer), 0, &copy);
  DWORD code = ::GetLastError();
  va_end(copy);
  // An empty result also comes back as 0; only a malformed pattern sets
  // ERROR_INVALID_PARAMETER.
  if (n == 0 && code == ERROR_INVALID_PARAMETER) {
    if (buffer)
      ::LocalFree(buffer);
    return false;
  }
  out.assign(buffer ? buffer : "", n);
  if (buffer)
    ::LocalFree(buffer);
  return true;
}

} // namespace platform
