//===- engine_api.cpp - The built engine's functions, for tests -----------===//

#include "engine_api.h"

#include "engine_fixture.h"

namespace testing_support {

const EngineApi &engine_api() {
  static const EngineApi api = load_drs832_functions(built_engine_file());
  return api;
}

} // namespace testing_support
