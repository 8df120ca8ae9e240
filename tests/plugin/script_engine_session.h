//===- script_engine_session.h - The plug-in's binding on a script -*- C++
//-*-===//
//
// Tests of the units that call the engine (languages, hidden text) bind the
// plug-in's own engine binding in the test process to the built stand-in
// engine, and start a session of its script backend with a scenario of
// their own. The engine logs every call it receives; calls() reads the log.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TESTS_SCRIPT_ENGINE_SESSION_H
#define LECTORIN_TESTS_SCRIPT_ENGINE_SESSION_H

#include "temp_directory.h"

#include <cstdint>
#include <string>

namespace testing_support {

class ScriptEngineSession {
public:
  /// Binds the engine (once per process) and starts a session with the
  /// script's lines; throws std::runtime_error when the engine cannot start.
  explicit ScriptEngineSession(const std::string &script = "");
  /// Ends the session.
  ~ScriptEngineSession();
  ScriptEngineSession(const ScriptEngineSession &) = delete;
  ScriptEngineSession &operator=(const ScriptEngineSession &) = delete;

  int32_t handle() const { return handle_; }
  /// The calls the engine received since the session started (or since the
  /// last forget_calls), one per line.
  std::string calls() const;
  void forget_calls();

private:
  TempDirectory temp_;
  std::string log_;
  int32_t handle_ = 0;
};

} // namespace testing_support

#endif // LECTORIN_TESTS_SCRIPT_ENGINE_SESSION_H
