//===- platform.h - The one door to the operating system -------*- C++ -*-===//
//
// Everything the plug-in, the base library and the stand-in engine need from
// the operating system, as a few high-level operations. One implementation per
// family (posix.cpp, win32.cpp); nothing above this header includes a system
// header, so the code above it is the same on both platforms.
//
// Failures that the caller must see come back as results (false, null, an
// error text); nothing here throws.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_PLATFORM_PLATFORM_H
#define LECTORIN_PLATFORM_PLATFORM_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace platform {

//===-- Path conventions --------------------------------------------------===//

#ifdef _WIN32
constexpr char path_separator = '\\';
/// The engine library's file name, as the plug-in looks for it on disk.
constexpr const char *engine_library_file = "drs832.dll";
/// Engine directory beneath the host program's directory.
constexpr const char *engine_subdirectory = "DjVu\\Lectorin\\";
/// Engine directory beside the host program's directory.
constexpr const char *sibling_engine_subdirectory = "..\\Lectorin\\";
/// The engine's data directory beneath the engine directory.
constexpr const char *engine_data_subdirectory = "DRS\\";
#else
constexpr char path_separator = '/';
constexpr const char *engine_library_file = "libdrs832.so";
constexpr const char *engine_subdirectory = "DjVu/Lectorin/";
constexpr const char *sibling_engine_subdirectory = "../Lectorin/";
constexpr const char *engine_data_subdirectory = "DRS/";
#endif
/// The file whose presence marks the engine's data directory.
constexpr const char *engine_data_file = "eng.ytr";
/// The environment variable that names the engine directory.
constexpr const char *engine_directory_variable = "IRISlib";
/// The search path that the plug-in extends by the engine directory. On
/// Windows it is the system's own, where the engine's own libraries are
/// looked for; elsewhere the dynamic loader ignores run-time changes to its
/// variables, and "path" is a list of the plug-in's own that callers read.
constexpr const char *search_path_variable = "path";
constexpr char search_path_list_separator = ';';

//===-- Process -----------------------------------------------------------===//

/// The full file name of the running program (not of a library inside it).
/// False when it cannot be read.
bool executable_path(std::string &path);

/// Reads an environment variable. False when it is not set.
bool get_environment(const char *name, std::string &value);

/// The most memory the process has held resident so far, in bytes; 0 when
/// the system does not tell.
std::size_t peak_resident_bytes();

/// Sets an environment variable for the rest of the process's life. The
/// environment keeps its own copy. False when the environment refused it.
bool set_environment(const char *name, const std::string &value);

//===-- Shared libraries --------------------------------------------------===//

using LibraryHandle = void *;

/// Loads a shared library. A name with a directory part is loaded from that
/// very file (a relative one from the current directory), and on Windows the
/// libraries it needs are looked for in its directory first; a bare file
/// name is looked up by the system's rules. Null on failure, with a one-line
/// reason in error.
LibraryHandle load_library(const std::string &file, std::string &error);

/// Resolves an exported function. Where the platform exports some functions by
/// ordinal only (Windows), a non-zero ordinal is used instead of the name.
/// Null when the library has no such export.
void *find_function(LibraryHandle library, const char *name, int ordinal = 0);

void unload_library(LibraryHandle library);

//===-- Movable memory blocks ---------------------------------------------===//
//
// A block is named by a handle that stays valid while its memory moves; the
// address is only fixed between lock and unlock. The engine fills the blocks
// that the plug-in allocates, so both must use these functions (on Windows the
// kernel's global memory functions).

using MemoryBlock = void *;

/// A new zero-filled block. Null on failure.
MemoryBlock memory_block_alloc(std::size_t bytes);
/// Changes the size of an unlocked block; the handle stays the same. Null on
/// failure, and the block is unchanged.
MemoryBlock memory_block_realloc(MemoryBlock block, std::size_t bytes);
/// Fixes the block's memory and returns its address. Null on failure.
void *memory_block_lock(MemoryBlock block);
void memory_block_unlock(MemoryBlock block);
std::size_t memory_block_size(MemoryBlock block);
/// True while some lock of the block has not been undone.
bool memory_block_is_locked(MemoryBlock block);
void memory_block_free(MemoryBlock block);

//===-- Threads -----------------------------------------------------------===//

using ThreadId = std::uint64_t;
ThreadId current_thread_id();

/// A mutual-exclusion section, not recursive: the caller does its own
/// ownership counting on top of it.
class CriticalSection {
public:
  CriticalSection() noexcept;
  ~CriticalSection();
  CriticalSection(const CriticalSection &) = delete;
  CriticalSection &operator=(const CriticalSection &) = delete;

  void enter();
  void leave();

private:
  // Room for the system's own record, so that this header needs no system
  // header; the implementation checks that it fits.
  alignas(8) unsigned char storage_[64];
};

//===-- Terminals and worker processes -----------------------------------===//

/// True when the standard stream (0, 1 or 2) is a terminal.
bool is_terminal(int standard_stream);

/// A job of a worker pool: returns a status (0 to 255) and may leave a
/// message for the calling process.
using WorkerJob = std::function<int(int index, std::string &message)>;
/// Told in the calling process as each job ends, in the order they end; the
/// status is -1 when the worker running the job died.
using WorkerDone =
    std::function<void(int index, int status, const std::string &message)>;

/// Runs job(0) to job(count - 1) in up to `workers` child processes, each a
/// copy of this process as it is at the call, handing jobs out one at a time
/// as workers become free. A worker that dies fails the job it had, and a
/// new one takes its place while jobs are left. With one worker, or where
/// processes cannot be copied (Windows), the jobs run one after another in
/// this process.
void run_worker_pool(int workers, int count, const WorkerJob &job,
                     const WorkerDone &done);
//===-- Runtime streams ---------------------------------------------------===//

/// Opens a runtime FILE on a file descriptor with an fdopen mode. With
/// duplicate, a copy of the descriptor is opened instead, so that closing
/// the FILE leaves the caller's descriptor open. Null on failure (errno
/// tells why); the descriptor that fdopen was given is then closed, if it
/// was a valid one.
std::FILE *open_descriptor(int descriptor, const char *mode, bool duplicate);

//===-- Message formatting ------------------------------------------------===//

/// Formats a message pattern with numbered inserts, as the system's message
/// formatter does: "%1!s!" inserts argument 1 with a printf conversion (a
/// number without "!...!" means "!s!"; a "*" takes the width or precision from
/// the argument numbered, the value from the next one); a per cent sign before
/// the letter n ends a line, before 0 ends the output, before r or t gives a
/// carriage return or tab, and before any other character gives that
/// character. Every line end in the pattern (CR, LF or CR LF) becomes CR LF.
/// Arguments are read in order of their numbers: texts as const char *,
/// numbers as 32-bit integers. An empty result is a success. False, with out
/// unchanged, when the pattern is malformed (a "%" or an insert left open).
bool format_positional(std::string &out, const char *pattern,
                       std::va_list args);

} // namespace platform

#endif // LECTORIN_PLATFORM_PLATFORM_H
