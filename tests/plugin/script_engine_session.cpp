//===- script_engine_session.cpp - The plug-in's binding on a script ------===//

#include "script_engine_session.h"

#include "engine_binding.h"
#include "engine_errors.h"
#include "engine_fixture.h"
#include "platform.h"

#include <stdexcept>

namespace testing_support {

namespace {

extern "C" int32_t ignore_engine_call(void) { return 0; }

void bind_built_engine() {
  std::string reason;
  if (!bind_engine(built_engine_file(), reason))
    throw std::runtime_error("cannot bind the engine: " + reason);
}

} // namespace

ScriptEngineSession::ScriptEngineSession(const std::string &script)
    : log_(temp_ / "calls.log") {
  static const bool bound = (bind_built_engine(), true);
  (void)bound;
  std::string engine_directory = temp_ / "engine";
  install_engine(engine_directory, "log \"" + log_ + "\"\n" + script);
  std::string data_directory =
      join_path(engine_directory, "DRS") + platform::path_separator;
  handle_ =
      engine_api().drs7_init(ignore_engine_call, data_directory.c_str(),
                             ignore_engine_call, engine_error_callback, 0);
  if (handle_ == 0)
    throw std::runtime_error("the script engine did not start");
  forget_calls();
}

ScriptEngineSession::~ScriptEngineSession() {
  engine_api().drs7_upset(handle_);
}

std::string ScriptEngineSession::calls() const { return read_file(log_); }

void ScriptEngineSession::forget_calls() { remove_path(log_); }

} // namespace testing_support
