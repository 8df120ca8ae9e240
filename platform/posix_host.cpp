//===- posix_host.cpp - Host-side operations on Linux ---------------------===//

#include "host.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {

//===-- Process -----------------------------------------------------------===//

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

//===-- Command line and files written -----------------------------------===//

std::vector<std::string> utf8_arguments(int argc, const char *const *argv) {
  return std::vector<std::string>(argv, argv + argc);
}

std::FILE *open_for_writing(const std::string &path, std::string &reason) {
  errno = 0;
  std::FILE *file = std::fopen(path.c_str(), "wb");
  if (!file)
    reason = std::strerror(errno);
  return file;
}

bool rename_replacing(const std::string &from, const std::string &to,
                      std::string &reason) {
  errno = 0;
  if (std::rename(from.c_str(), to.c_str()) == 0)
    return true;
  reason = std::strerror(errno);
  return false;
}

bool remove_file(const std::string &path) {
  return std::remove(path.c_str()) == 0;
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

} // namespace platform
