//===- script_backend.cpp - The deterministic backend for tests -----------===//
//
// Replays what its "eng.ytr" prescribes and logs every call it receives, so
// that tests drive the plug-in through its real engine binding and read what
// the engine was told. The file's lines:
//
//   backend script
//   init 1          value drs7_init returns (0 = failure)
//   log <path>      append one line per call received; a relative path is
//                   taken from the data directory
//
//===----------------------------------------------------------------------===//

#include "backend.h"

#include <cstdio>
#include <cstdlib>

namespace drs {

namespace {

bool is_absolute(const std::string &path) {
  return !path.empty() && (path[0] == '/' || path[0] == '\\' ||
                           (path.size() > 1 && path[1] == ':'));
}

class ScriptBackend final : public Backend {
public:
  int32_t start(const Session &session,
                const std::vector<ConfigLine> &config) override {
    int32_t handle = 1;
    for (const ConfigLine &line : config) {
      if (line[0] == "init" && line.size() == 2)
        handle = static_cast<int32_t>(std::strtol(line[1].c_str(), nullptr, 0));
      else if (line[0] == "log" && line.size() == 2)
        log_file_ =
            is_absolute(line[1]) ? line[1] : session.directory + line[1];
    }
    return handle;
  }

  // Opened and closed for each call, so that a test may remove the log at any
  // time between calls.
  void log_call(const std::string &line) override {
    if (log_file_.empty())
      return;
    std::FILE *log = std::fopen(log_file_.c_str(), "ab");
    if (!log)
      return;
    std::fputs(line.c_str(), log);
    std::fputc('\n', log);
    std::fclose(log);
  }

private:
  std::string log_file_;
};

} // namespace

std::unique_ptr<Backend> make_script_backend() {
  return std::make_unique<ScriptBackend>();
}

} // namespace drs
