//===- host.h - What only host programs ask of the system ------*- C++ -*-===//
//
// Operations for the programs around the plug-in: lectorin-ocr, which plays
// the editor's part, the tests and the benchmarks. They live apart from
// platform.h, in a library the plug-in does not link (lectorin_host_platform),
// because everything the plug-in imports from the system is asked of the
// editor's process: one function that an older Windows lacks, and the editor
// cannot load the plug-in at all.
//
// Implemented in posix_host.cpp, and in win32_host.cpp with the worker pool
// in win32_worker_pool.cpp. Nothing here throws.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_PLATFORM_HOST_H
#define LECTORIN_PLATFORM_HOST_H

#include "platform.h"

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace platform {

//===-- Process -----------------------------------------------------------===//

/// The most memory the process has held resident so far, in bytes; 0 when
/// the system does not tell.
std::size_t peak_resident_bytes();

//===-- Command line and files written -----------------------------------===//
//
// Host programs take file names as UTF-8 everywhere. On Windows, main's argv
// is in the ANSI code page, which cannot spell most names (a Japanese name
// under code page 1252), and the C runtime opens narrow names in that code
// page too; so the arguments are read anew from the process's UTF-16 command
// line, and files are written by their UTF-16 names.

/// The program's arguments (argv[0] first) in UTF-8: on Windows from the
/// process's UTF-16 command line, elsewhere argv as it is.
std::vector<std::string> utf8_arguments(int argc, const char *const *argv);

/// Opens the file named in UTF-8 for writing in binary ("wb"), replacing
/// what it held. Null on failure, with the system's reason in `reason`.
std::FILE *open_for_writing(const std::string &path, std::string &reason);

/// Renames the file `from` to `to`, replacing a file of that name (on
/// Windows too, where a plain rename refuses). False on failure, with the
/// system's reason in `reason`.
bool rename_replacing(const std::string &from, const std::string &to,
                      std::string &reason);

/// Removes the file named in UTF-8; false when it cannot.
bool remove_file(const std::string &path);

#ifdef _WIN32
/// A UTF-8 name or argument in UTF-16, for the system's wide functions.
std::wstring utf16_of(const std::string &utf8);
#endif

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

/// Runs job(0) to job(count - 1) in up to `workers` child processes,
/// handing jobs out one at a time as workers become free. A worker that dies
/// fails the job it had, and a new one takes its place while jobs are left;
/// when no worker can be started, the jobs left run here. With one worker
/// the jobs run one after another in this process.
///
/// On Linux a worker is a copy of this process as it is at the call. On
/// Windows, which cannot copy a process, it is this program started again
/// with the same command line: it must come to the same call of
/// run_worker_pool (the same count of calls that start workers before it,
/// and the same `count`) after the same set-up, and there it serves the
/// parent's jobs instead of returning; its standard streams are NUL. A
/// worker that finds another `count` serves nothing, and counts as one that
/// could not be started.
void run_worker_pool(int workers, int count, const WorkerJob &job,
                     const WorkerDone &done);

} // namespace platform

#endif // LECTORIN_PLATFORM_HOST_H
