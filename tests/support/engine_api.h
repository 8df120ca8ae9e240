//===- engine_api.h - The built engine's functions, for tests --*- C++ -*-===//
//
// Tests that talk to the stand-in engine directly load the built engine
// library once per process and call its exported functions.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TESTS_ENGINE_API_H
#define LECTORIN_TESTS_ENGINE_API_H

#include "drs832_functions.h"

namespace testing_support {

using EngineApi = Drs832Functions;

/// The functions of the built engine library. Throws std::runtime_error when
/// the library or one of its functions cannot be found.
const EngineApi &engine_api();

} // namespace testing_support

#endif // LECTORIN_TESTS_ENGINE_API_H
