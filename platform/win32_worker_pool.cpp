//===- win32_worker_pool.cpp - Worker processes on Windows ----------------===//
//
// Windows cannot copy a running process, so a worker is this program started
// anew with its own command line. Its environment block alone holds
// LECTORIN_WORKER, which names the pool call it serves and its two pipe
// handles: it does the same set-up as the parent up to that call of
// run_worker_pool, and there, instead of starting workers, it says it is
// ready, reads job indexes, runs each job and writes back its status and
// message, and ends when its job pipe closes. Its standard streams are NUL:
// what it would print (the set-up's warnings, a document's head) the parent
// prints once, and its messages travel in its replies.
//
// A worker first sends the number of jobs its own set-up found: one that
// found another number (a file changed in between) serves no job, and the
// parent counts it as a worker that could not start.
//
// The parent reads each worker's replies in a thread of its own, which only
// reads its pipe and queues what came; jobs are handed out, and `done` is
// called, in the calling thread alone.

#include "host.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {

namespace {

constexpr wchar_t worker_variable[] = L"LECTORIN_WORKER";

bool write_all(HANDLE pipe, const void *data, std::size_t size) {
  const char *p = static_cast<const char *>(data);
  while (size > 0) {
    DWORD written = 0;
    DWORD chunk = static_cast<DWORD>(size < 0x10000 ? size : 0x10000);
    if (!::WriteFile(pipe, p, chunk, &written, nullptr) || written == 0)
      return false;
    p += written;
    size -= written;
  }
  return true;
}

bool read_all(HANDLE pipe, void *data, std::size_t size) {
  char *p = static_cast<char *>(data);
  while (size > 0) {
    DWORD read = 0;
    DWORD chunk = static_cast<DWORD>(size < 0x10000 ? size : 0x10000);
    if (!::ReadFile(pipe, p, chunk, &read, nullptr) || read == 0)
      return false;
    p += read;
    size -= read;
  }
  return true;
}

//===-- The worker's side -------------------------------------------------===//

// What the parent told this process, when it is a worker.
struct WorkerOrder {
  bool is_worker = false;
  int pool = 0;  // the call of run_worker_pool to serve, from 1
  int count = 0; // the jobs the parent has
  HANDLE jobs = nullptr;
  HANDLE results = nullptr;
};

// The pipes' handles reach the worker as numbers in its environment.
HANDLE handle_of(unsigned long long value) {
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
}

bool is_pipe(HANDLE handle) {
  return handle && ::GetFileType(handle) == FILE_TYPE_PIPE;
}

// Read once, and taken out of the environment, so that nothing this
// process starts takes itself for a worker. A value that does not name two
// pipes (a variable left in a user's environment) makes no worker.
const WorkerOrder &worker_order() {
  static const WorkerOrder order = [] {
    WorkerOrder read;
    wchar_t value[128] = {};
    DWORD length = ::GetEnvironmentVariableW(worker_variable, value, 128);
    if (length == 0 || length >= 128)
      return read;
    ::SetEnvironmentVariableW(worker_variable, nullptr);
    // "POOL COUNT JOBS RESULTS", in decimal.
    unsigned long long fields[4] = {};
    const wchar_t *at = value;
    for (unsigned long long &field : fields) {
      wchar_t *end = nullptr;
      field = std::wcstoull(at, &end, 10);
      if (end == at)
        return read;
      at = end;
    }
    if (*at || fields[0] < 1 || fields[0] > 0x7FFFFFFF || fields[1] < 1 ||
        fields[1] > 0x7FFFFFFF)
      return read;
    read.pool = static_cast<int>(fields[0]);
    read.count = static_cast<int>(fields[1]);
    const unsigned long long jobs = fields[2], results = fields[3];
    read.jobs = handle_of(jobs);
    read.results = handle_of(results);
    read.is_worker = is_pipe(read.jobs) && is_pipe(read.results);
    return read;
  }();
  return order;
}

[[noreturn]] void serve_jobs(const WorkerOrder &order, int count,
                             const WorkerJob &job) {
  const int32_t ready = count;
  if (count == order.count && write_all(order.results, &ready, sizeof ready)) {
    int32_t index = 0;
    while (read_all(order.jobs, &index, sizeof index) && index >= 0 &&
           index < count) {
      std::string message;
      int32_t reply[2] = {job(index, message), 0};
      reply[1] = static_cast<int32_t>(message.size());
      if (!write_all(order.results, reply, sizeof reply) ||
          !write_all(order.results, message.data(), message.size()))
        break;
    }
  }
  (void)std::fflush(nullptr);
  std::_Exit(0);
}

//===-- The parent's side -------------------------------------------------===//

// What a worker's reader thread saw.
struct WorkerEvent {
  enum Kind { ready, reply, ended } kind = ended;
  std::size_t slot = 0;
  int status = 0;
  std::string message;
};

class EventQueue {
public:
  void push(WorkerEvent event) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      events_.push_back(std::move(event));
    }
    ready_.notify_one();
  }
  WorkerEvent pop() {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return !events_.empty(); });
    WorkerEvent event = std::move(events_.front());
    events_.pop_front();
    return event;
  }

private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<WorkerEvent> events_;
};

struct Worker {
  HANDLE process = nullptr;
  HANDLE jobs = nullptr;    // the parent writes job indexes here
  HANDLE results = nullptr; // and its reader thread reads replies here
  std::thread reader;
  int current = -1; // the job it works on, -1 when none
  bool ready = false;
};

void read_replies(HANDLE results, std::size_t slot, int count,
                  EventQueue &queue) {
  int32_t ready = 0;
  if (!read_all(results, &ready, sizeof ready) || ready != count) {
    queue.push({WorkerEvent::ended, slot, -1, {}});
    return;
  }
  queue.push({WorkerEvent::ready, slot, 0, {}});
  for (;;) {
    int32_t reply[2];
    WorkerEvent event{WorkerEvent::reply, slot, 0, {}};
    if (!read_all(results, reply, sizeof reply) || reply[1] < 0)
      break;
    event.message.resize(static_cast<std::size_t>(reply[1]));
    if (!event.message.empty() &&
        !read_all(results, event.message.data(), event.message.size()))
      break;
    event.status = reply[0];
    queue.push(std::move(event));
  }
  queue.push({WorkerEvent::ended, slot, -1, {}});
}

std::wstring module_file_name() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, name.data(),
                                        static_cast<DWORD>(name.size()));
    if (length == 0)
      return {};
    if (length < name.size()) {
      name.resize(length);
      return name;
    }
    name.resize(name.size() * 2);
  }
}

// This process's environment block with the worker's variable set.
std::vector<wchar_t> worker_environment(const std::wstring &value) {
  std::vector<wchar_t> block;
  if (wchar_t *strings = ::GetEnvironmentStringsW()) {
    const std::wstring prefix = std::wstring(worker_variable) + L"=";
    for (const wchar_t *entry = strings; *entry;) {
      std::wstring text(entry);
      entry += text.size() + 1;
      if (::CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()),
                                 prefix.c_str(), -1, TRUE) == CSTR_EQUAL)
        continue;
      block.insert(block.end(), text.begin(), text.end());
      block.push_back(L'\0');
    }
    ::FreeEnvironmentStringsW(strings);
  }
  const std::wstring ours = std::wstring(worker_variable) + L"=" + value;
  block.insert(block.end(), ours.begin(), ours.end());
  block.push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

HANDLE open_null_device() {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       OPEN_EXISTING, 0, nullptr);
}

void close_handle(HANDLE &handle) {
  if (handle && handle != INVALID_HANDLE_VALUE)
    ::CloseHandle(handle);
  handle = nullptr;
}

// Starts the program again as a worker of pool call `pool`. Only the
// child's own pipe ends are inheritable, and only while it is made (and
// only this thread makes workers), so that no worker holds another's pipes
// and each sees its own job pipe end when the parent goes.
bool start_worker(Worker &worker, std::size_t slot, int pool, int count,
                  EventQueue &queue) {
  const std::wstring program = module_file_name();
  if (program.empty())
    return false;
  HANDLE child_jobs = nullptr, child_results = nullptr;
  if (!::CreatePipe(&child_jobs, &worker.jobs, nullptr, 0))
    return false;
  if (!::CreatePipe(&worker.results, &child_results, nullptr, 0)) {
    close_handle(child_jobs);
    close_handle(worker.jobs);
    return false;
  }
  HANDLE null_device = open_null_device();
  bool started = null_device != INVALID_HANDLE_VALUE &&
                 ::SetHandleInformation(child_jobs, HANDLE_FLAG_INHERIT,
                                        HANDLE_FLAG_INHERIT) &&
                 ::SetHandleInformation(child_results, HANDLE_FLAG_INHERIT,
                                        HANDLE_FLAG_INHERIT);
  if (started) {
    const std::wstring value =
        std::to_wstring(pool) + L" " + std::to_wstring(count) + L" " +
        std::to_wstring(reinterpret_cast<uintptr_t>(child_jobs)) + L" " +
        std::to_wstring(reinterpret_cast<uintptr_t>(child_results));
    std::vector<wchar_t> environment = worker_environment(value);
    std::wstring command_line = ::GetCommandLineW();
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = null_device;
    PROCESS_INFORMATION created = {};
    started =
        ::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr,
                         TRUE, CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW,
                         environment.data(), nullptr, &startup, &created);
    if (started) {
      ::CloseHandle(created.hThread);
      worker.process = created.hProcess;
    }
  }
  close_handle(null_device);
  close_handle(child_jobs);
  close_handle(child_results);
  if (!started) {
    close_handle(worker.jobs);
    close_handle(worker.results);
    return false;
  }
  worker.current = -1;
  worker.ready = false;
  worker.reader =
      std::thread(read_replies, worker.results, slot, count, std::ref(queue));
  return true;
}

// Closing its job pipe ends the worker; its reader ends with it.
void stop_worker(Worker &worker) {
  close_handle(worker.jobs);
  if (worker.reader.joinable())
    worker.reader.join();
  ::WaitForSingleObject(worker.process, INFINITE);
  close_handle(worker.process);
  close_handle(worker.results);
  worker.current = -1;
  worker.ready = false;
}

void run_here(int first, int count, const WorkerJob &job,
              const WorkerDone &done) {
  for (int i = first; i < count; ++i) {
    std::string message;
    int status = job(i, message);
    done(i, status, message);
  }
}

// The calls of run_worker_pool that started workers in this process.
int pools_started = 0;

} // namespace

void run_worker_pool(int workers, int count, const WorkerJob &job,
                     const WorkerDone &done) {
  if (workers > count)
    workers = count;
  if (workers <= 1) {
    run_here(0, count, job, done);
    return;
  }
  const int pool = ++pools_started;
  const WorkerOrder &order = worker_order();
  if (order.is_worker) {
    // A worker repeats the parent's way up to the call it serves.
    if (pool == order.pool)
      serve_jobs(order, count, job);
    run_here(0, count, job, done);
    return;
  }

  EventQueue queue; // outlives the readers, which are joined below
  std::vector<Worker> pool_workers(static_cast<std::size_t>(workers));
  std::vector<bool> running(pool_workers.size(), false);
  int next = 0, finished = 0;
  for (std::size_t slot = 0; slot < pool_workers.size(); ++slot)
    running[slot] = start_worker(pool_workers[slot], slot, pool, count, queue);

  auto hand_out = [&](Worker &worker) {
    if (next >= count) {
      close_handle(worker.jobs); // nothing left: the worker may go
      return;
    }
    int32_t index = next;
    // A worker that cannot take it has died; its reader says so next.
    if (write_all(worker.jobs, &index, sizeof index)) {
      worker.current = index;
      ++next;
    }
  };

  while (finished < count) {
    bool any_running = false;
    for (bool r : running)
      any_running = any_running || r;
    if (!any_running) {
      // No worker could be started: the rest runs here.
      run_here(next, count, job, done);
      break;
    }
    WorkerEvent event = queue.pop();
    Worker &worker = pool_workers[event.slot];
    if (event.kind == WorkerEvent::ready) {
      worker.ready = true;
      hand_out(worker);
    } else if (event.kind == WorkerEvent::reply && worker.current >= 0) {
      int index = worker.current;
      worker.current = -1;
      ++finished;
      done(index, event.status, event.message);
      hand_out(worker);
    } else if (event.kind == WorkerEvent::ended) {
      const bool was_ready = worker.ready;
      const int index = worker.current;
      stop_worker(worker);
      running[event.slot] = false;
      if (index >= 0) {
        ++finished;
        done(index, -1, "");
      }
      // One that never became ready would fail again the same way.
      if (was_ready && next < count)
        running[event.slot] =
            start_worker(worker, event.slot, pool, count, queue);
    }
  }
  for (std::size_t slot = 0; slot < pool_workers.size(); ++slot)
    if (running[slot])
      stop_worker(pool_workers[slot]);
}

} // namespace platform
