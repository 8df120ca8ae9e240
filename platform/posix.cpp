//===- posix.cpp - The platform layer on Linux ----------------------------===//

#include "platform.h"

#include <dlfcn.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace platform {

//===-- Process -----------------------------------------------------------===//

bool executable_path(std::string &path) {
  std::vector<char> buffer(256);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0)
      return false;
    if (static_cast<std::size_t>(n) < buffer.size()) {
      path.assign(buffer.data(), static_cast<std::size_t>(n));
      return true;
    }
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
  std::FILE *status = std::fopen("/proc/self/status", "r");
  if (!status)
    return 0;
  char line[256];
  std::size_t kib = 0;
  const char field[] = "VmHWM:";
  while (std::fgets(line, sizeof line, status))
    if (std::strncmp(line, field, sizeof field - 1) == 0) {
      kib = std::strtoull(line + sizeof field - 1, nullptr, 10);
      break;
    }
  (void)std::fclose(status);
  return kib * 1024;
}

bool set_environment(const char *name, const std::string &value) {
  // setenv copies; putenv would keep a pointer to the caller's buffer.
  return ::setenv(name, value.c_str(), 1) == 0;
}

//===-- Shared libraries --------------------------------------------------===//

LibraryHandle load_library(const std::string &file, std::string &error) {
  // A name with a slash is that very file to the dynamic loader.
  void *handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char *reason = ::dlerror();
    error = reason ? reason : file + ": cannot be loaded";
  }
  return handle;
}

void *find_function(LibraryHandle library, const char *name, int /*ordinal*/) {
  if (!library)
    return nullptr;
  return ::dlsym(library, name);
}

void unload_library(LibraryHandle library) {
  if (library)
    ::dlclose(library);
}

//===-- Movable memory blocks ---------------------------------------------===//
//
// The handle is a small record that never moves; its data does, when the
// block is resized while unlocked, as a kernel's movable block would.

namespace {

constexpr std::uint32_t block_magic = 0x4d424c4b; // "MBLK"

struct BlockRecord {
  std::uint32_t magic;
  int locks;
  std::size_t size;
  unsigned char *data;
};

BlockRecord *as_record(MemoryBlock block) {
  auto *record = static_cast<BlockRecord *>(block);
  if (!record || record->magic != block_magic)
    return nullptr;
  return record;
}

} // namespace

MemoryBlock memory_block_alloc(std::size_t bytes) {
  auto *record = static_cast<BlockRecord *>(std::malloc(sizeof(BlockRecord)));
  if (!record)
    return nullptr;
  // Never a null data pointer, so that a locked empty block is usable.
  record->data =
      static_cast<unsigned char *>(std::calloc(bytes ? bytes : 1, 1));
  if (!record->data) {
    std::free(record);
    return nullptr;
  }
  record->magic = block_magic;
  record->locks = 0;
  record->size = bytes;
  return record;
}

MemoryBlock memory_block_realloc(MemoryBlock block, std::size_t bytes) {
  BlockRecord *record = as_record(block);
  if (!record || record->locks > 0)
    return nullptr;
  auto *data = static_cast<unsigned char *>(
      std::realloc(record->data, bytes ? bytes : 1));
  if (!data)
    return nullptr;
  if (bytes > record->size)
    std::memset(data + record->size, 0, bytes - record->size);
  record->data = data;
  record->size = bytes;
  return record;
}

void *memory_block_lock(MemoryBlock block) {
  BlockRecord *record = as_record(block);
  if (!record)
    return nullptr;
  ++record->locks;
  return record->data;
}

void memory_block_unlock(MemoryBlock block) {
  BlockRecord *record = as_record(block);
  if (record && record->locks > 0)
    --record->locks;
}

std::size_t memory_block_size(MemoryBlock block) {
  BlockRecord *record = as_record(block);
  return record ? record->size : 0;
}

bool memory_block_is_locked(MemoryBlock block) {
  BlockRecord *record = as_record(block);
  return record && record->locks > 0;
}

void memory_block_free(MemoryBlock block) {
  BlockRecord *record = as_record(block);
  if (!record)
    return;
  record->magic = 0;
  std::free(record->data);
  std::free(record);
}

//===-- Threads -----------------------------------------------------------===//

ThreadId current_thread_id() { return static_cast<ThreadId>(::pthread_self()); }

static_assert(sizeof(pthread_mutex_t) <= 64,
              "CriticalSection storage too small");

CriticalSection::CriticalSection() noexcept {
  ::pthread_mutex_init(new (storage_) pthread_mutex_t, nullptr);
}

CriticalSection::~CriticalSection() {
  ::pthread_mutex_destroy(reinterpret_cast<pthread_mutex_t *>(storage_));
}

void CriticalSection::enter() {
  ::pthread_mutex_lock(reinterpret_cast<pthread_mutex_t *>(storage_));
}

void CriticalSection::leave() {
  ::pthread_mutex_unlock(reinterpret_cast<pthread_mutex_t *>(storage_));
}

//===-- Terminals and worker processes -----------------------------------===//

bool is_terminal(int standard_stream) { return ::isatty(standard_stream) == 1; }

namespace {

bool write_all(int fd, const void *data, std::size_t size) {
  const char *p = static_cast<const char *>(data);
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool read_all(int fd, void *data, std::size_t size) {
  char *p = static_cast<char *>(data);
  while (size > 0) {
    ssize_t n = ::read(fd, p, size);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

struct Worker {
  pid_t pid = -1;
  int jobs = -1;    // the parent writes job numbers here
  int results = -1; // and reads each job's status and message here
  int current = -1; // the job it works on, -1 when idle
};

// The child's side: take jobs until told to stop (-1) or the parent is gone.
[[noreturn]] void serve_jobs(int jobs, int results, const WorkerJob &job) {
  int index = 0;
  while (read_all(jobs, &index, sizeof index) && index >= 0) {
    std::string message;
    int32_t reply[2] = {job(index, message), 0};
    reply[1] = static_cast<int32_t>(message.size());
    if (!write_all(results, reply, sizeof reply) ||
        !write_all(results, message.data(), message.size()))
      break;
  }
  ::_exit(0);
}

// The other workers' pipe ends stay with the parent only, so that a worker
// sees the end of its own job pipe when the parent goes.
bool start_worker(std::vector<Worker> &pool, Worker &worker,
                  const WorkerJob &job) {
  int to_child[2], from_child[2];
  if (::pipe(to_child) != 0)
    return false;
  if (::pipe(from_child) != 0) {
    ::close(to_child[0]);
    ::close(to_child[1]);
    return false;
  }
  (void)std::fflush(nullptr); // buffered output must not be written twice
  pid_t pid = ::fork();
  if (pid == 0) {
    for (Worker &other : pool) {
      if (other.pid >= 0) {
        ::close(other.jobs);
        ::close(other.results);
      }
    }
    ::close(to_child[1]);
    ::close(from_child[0]);
    serve_jobs(to_child[0], from_child[1], job);
  }
  ::close(to_child[0]);
  ::close(from_child[1]);
  if (pid < 0) {
    ::close(to_child[1]);
    ::close(from_child[0]);
    return false;
  }
  worker.pid = pid;
  worker.jobs = to_child[1];
  worker.results = from_child[0];
  worker.current = -1;
  return true;
}

void stop_worker(Worker &worker) {
  int stop = -1;
  write_all(worker.jobs, &stop, sizeof stop);
  ::close(worker.jobs);
  ::close(worker.results);
  int status = 0;
  while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
  }
  worker.pid = -1;
}

// A job's status and message, or false when the worker died.
bool read_reply(Worker &worker, int &status, std::string &message) {
  int32_t reply[2];
  if (!read_all(worker.results, reply, sizeof reply) || reply[1] < 0)
    return false;
  message.resize(static_cast<std::size_t>(reply[1]));
  if (!message.empty() &&
      !read_all(worker.results, message.data(), message.size()))
    return false;
  status = reply[0];
  return true;
}

void run_here(int first, int count, const WorkerJob &job,
              const WorkerDone &done) {
  for (int i = first; i < count; ++i) {
    std::string message;
    int status = job(i, message);
    done(i, status, message);
  }
}

} // namespace

void run_worker_pool(int workers, int count, const WorkerJob &job,
                     const WorkerDone &done) {
  if (workers > count)
    workers = count;
  if (workers <= 1) {
    run_here(0, count, job, done);
    return;
  }
  // A worker that dies must not take the parent with it through SIGPIPE.
  struct sigaction ignore = {}, previous = {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &previous);

  std::vector<Worker> pool(static_cast<std::size_t>(workers));
  int next = 0, finished = 0;
  auto hand_out = [&](Worker &worker) {
    while (next < count) {
      if (worker.pid < 0 && !start_worker(pool, worker, job))
        return;
      int index = next;
      if (write_all(worker.jobs, &index, sizeof index)) {
        worker.current = index;
        ++next;
        return;
      }
      stop_worker(worker); // it died while idle: replace it
    }
  };
  for (Worker &worker : pool)
    hand_out(worker);

  while (finished < count) {
    std::vector<pollfd> waiting;
    std::vector<Worker *> owners;
    for (Worker &worker : pool) {
      if (worker.pid >= 0 && worker.current >= 0) {
        waiting.push_back({worker.results, POLLIN, 0});
        owners.push_back(&worker);
      }
    }
    if (waiting.empty()) {
      // No worker could be started: the rest runs here.
      run_here(next, count, job, done);
      break;
    }
    if (::poll(waiting.data(), waiting.size(), -1) < 0) {
      if (errno == EINTR)
        continue;
      break;
    }
    for (std::size_t k = 0; k < waiting.size(); ++k) {
      if (!waiting[k].revents)
        continue;
      Worker &worker = *owners[k];
      int status = -1;
      std::string message;
      int index = worker.current;
      bool alive = read_reply(worker, status, message);
      worker.current = -1;
      ++finished;
      done(index, alive ? status : -1, message);
      if (!alive)
        stop_worker(worker);
      hand_out(worker);
    }
  }
  for (Worker &worker : pool)
    if (worker.pid >= 0)
      stop_worker(worker);
  ::sigaction(SIGPIPE, &previous, nullptr);
}

//===-- Runtime streams ---------------------------------------------------===//

std::FILE *open_descriptor(int descriptor, const char *mode, bool duplicate) {
  int opened = duplicate ? ::dup(descriptor) : descriptor;
  if (opened < 0)
    return nullptr;
  std::FILE *file = ::fdopen(opened, mode);
  if (!file) {
    int error = errno;
    ::close(opened);
    errno = error;
  }
  return file;
}

//===-- Message formatting ------------------------------------------------===//
//
// The Windows build hands patterns to FormatMessageA; this is the same
// formatter for Linux, written to give the same text for the same pattern.

namespace {

// One "%n!fmt!" insert, parsed.
struct Insert {
  int number = 0;    // argument number, 1..99
  std::string flags; // printf flags
  bool star_width = false;
  bool star_precision = false;
  std::string width;     // digits, when not "*"
  std::string precision; // digits after ".", when not ".*"; "" means none
  bool has_precision = false;
  bool is_short = false; // "h": the value is cut to 16 bits
  char conversion = 0;   // 0 when the format names none: nothing is inserted
  std::size_t end = 0;   // pattern position after the insert
};

enum class ArgKind { number, text };

bool is_flag(char c) { return std::strchr("-+ #0", c) != nullptr && c != '\0'; }

// Parses the insert whose number starts at pattern[pos]; false when it is
// left open.
bool parse_insert(const char *pattern, std::size_t pos, Insert &insert) {
  int number = pattern[pos] - '0';
  ++pos;
  if (pattern[pos] >= '0' && pattern[pos] <= '9') {
    number = number * 10 + (pattern[pos] - '0');
    ++pos;
  }
  insert.number = number;
  if (pattern[pos] != '!') {
    insert.conversion = 's';
    insert.end = pos;
    return true;
  }
  const char *format = pattern + pos + 1;
  const char *close = std::strchr(format, '!');
  if (!close)
    return false;
  insert.end = static_cast<std::size_t>(close - pattern) + 1;
  const char *p = format;
  while (p < close && is_flag(*p))
    insert.flags += *p++;
  if (p < close && *p == '*') {
    insert.star_width = true;
    ++p;
  }
  while (p < close && *p >= '0' && *p <= '9')
    insert.width += *p++;
  if (p < close && *p == '.') {
    insert.has_precision = true;
    ++p;
    if (p < close && *p == '*') {
      insert.star_precision = true;
      ++p;
    }
    while (p < close && *p >= '0' && *p <= '9')
      insert.precision += *p++;
  }
  // Length modifiers: arguments are 32-bit slots, so only "h" changes a value.
  if (p + 1 < close && p[0] == 'h' && p[1] == 'h') {
    p += 2;
  } else if (p < close && *p == 'h') {
    insert.is_short = true;
    ++p;
  } else if (p + 2 < close && p[0] == 'I' && p[1] == '6' && p[2] == '4') {
    p += 3;
  } else {
    while (p < close && (*p == 'l' || *p == 'z' || *p == 'L'))
      ++p;
  }
  if (p + 1 == close && std::strchr("diuxXocspSeEfgG", *p))
    insert.conversion = *p;
  return true;
}

int value_slot(const Insert &insert) {
  return insert.number + (insert.star_width ? 1 : 0) +
         (insert.star_precision ? 1 : 0);
}

void format_insert(std::string &out, const Insert &insert,
                   const std::vector<long long> &numbers,
                   const std::vector<const char *> &texts) {
  if (!insert.conversion)
    return;
  char conversion = insert.conversion;
  if (std::strchr("eEfgG", conversion)) {
    out += conversion; // the system formatter has no floating point
    return;
  }
  int slot = insert.number;
  std::string directive = "%" + insert.flags;
  if (insert.star_width)
    directive += std::to_string(static_cast<int>(numbers[slot++]));
  else
    directive += insert.width;
  if (insert.has_precision) {
    directive += '.';
    if (insert.star_precision)
      directive += std::to_string(static_cast<int>(numbers[slot++]));
    else
      directive += insert.precision;
  }
  char buffer[512];
  std::vector<char> large;
  auto print = [&](auto value) {
    int n = std::snprintf(buffer, sizeof buffer, directive.c_str(), value);
    if (n < 0)
      return;
    if (static_cast<std::size_t>(n) < sizeof buffer) {
      out.append(buffer, static_cast<std::size_t>(n));
      return;
    }
    large.resize(static_cast<std::size_t>(n) + 1);
    (void)std::snprintf(large.data(), large.size(), directive.c_str(), value);
    out.append(large.data(), static_cast<std::size_t>(n));
  };
  auto as_32 = [&](long long v) -> std::uint32_t {
    auto u = static_cast<std::uint32_t>(v);
    return insert.is_short ? static_cast<std::uint16_t>(u) : u;
  };
  switch (conversion) {
  case 's':
  case 'S': {
    directive += 's';
    const char *text = texts[slot];
    print(text ? text : "(null)");
    break;
  }
  case 'p':
    directive = "%08X"; // a 32-bit address, as the system formatter prints it
    print(static_cast<unsigned>(as_32(numbers[slot])));
    break;
  case 'c':
    directive += 'c';
    print(static_cast<int>(static_cast<unsigned char>(numbers[slot])));
    break;
  case 'd':
  case 'i':
    directive += 'd';
    print(insert.is_short
              ? static_cast<int>(static_cast<std::int16_t>(numbers[slot]))
              : static_cast<int>(static_cast<std::int32_t>(numbers[slot])));
    break;
  default:
    directive += conversion;
    print(static_cast<unsigned>(as_32(numbers[slot])));
    break;
  }
}

} // namespace

bool format_positional(std::string &out, const char *pattern,
                       std::va_list args) {
  // First pass: which arguments are texts, and is the pattern well formed?
  std::vector<Insert> inserts;
  std::vector<ArgKind> kinds(1, ArgKind::number);
  for (std::size_t i = 0; pattern[i]; ++i) {
    if (pattern[i] != '%')
      continue;
    char next = pattern[i + 1];
    if (next == '\0')
      return false;
    if (next >= '1' && next <= '9') {
      Insert insert;
      if (!parse_insert(pattern, i + 1, insert))
        return false;
      int slot = value_slot(insert);
      if (kinds.size() <= static_cast<std::size_t>(slot))
        kinds.resize(static_cast<std::size_t>(slot) + 1, ArgKind::number);
      if (insert.conversion == 's' || insert.conversion == 'S')
        kinds[static_cast<std::size_t>(slot)] = ArgKind::text;
      inserts.push_back(insert);
      i = insert.end - 1;
      continue;
    }
    ++i;
  }

  // The system formatter reads the argument list as numbered slots, in order.
  std::vector<long long> numbers(kinds.size(), 0);
  std::vector<const char *> texts(kinds.size(), nullptr);
  std::va_list copy;
  va_copy(copy, args);
  for (std::size_t n = 1; n < kinds.size(); ++n) {
    if (kinds[n] == ArgKind::text)
      texts[n] = va_arg(copy, const char *);
    else
      numbers[n] = va_arg(copy, int);
  }
  va_end(copy);

  std::string result;
  std::size_t next_insert = 0;
  for (std::size_t i = 0; pattern[i]; ++i) {
    char c = pattern[i];
    if (c == '\r' || c == '\n') {
      result += "\r\n";
      if (c == '\r' && pattern[i + 1] == '\n')
        ++i;
      continue;
    }
    if (c != '%') {
      result += c;
      continue;
    }
    char next = pattern[i + 1];
    if (next >= '1' && next <= '9') {
      const Insert &insert = inserts[next_insert++];
      format_insert(result, insert, numbers, texts);
      i = insert.end - 1;
      continue;
    }
    ++i;
    if (next == '0')
      break;
    if (next == 'n')
      result += "\r\n";
    else if (next == 'r')
      result += '\r';
    else if (next == 't')
      result += '\t';
    else
      result += next;
  }
  out.swap(result);
  return true;
}

} // namespace platform
