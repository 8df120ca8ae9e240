//===- win32_host.cpp - Host-side operations on Windows -------------------===//

#include "host.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Needs the types of windows.h.
#include <psapi.h>

#include <io.h>

namespace platform {

//===-- Process -----------------------------------------------------------===//

std::size_t peak_resident_bytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!::K32GetProcessMemoryInfo(::GetCurrentProcess(), &counters,
                                 sizeof counters))
    return 0;
  return counters.PeakWorkingSetSize;
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

} // namespace platform
