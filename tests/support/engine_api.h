//===- engine_api.h - The built engine's functions, for tests --*- C++ -*-===//
//
// Tests that talk to the stand-in engine directly load the built engine
// library once per process and call its exported functions, resolved the
// way the plug-in binds them (set_engine_value and set_engine_switch by
// ordinal where the platform exports them so).
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TESTS_ENGINE_API_H
#define LECTORIN_TESTS_ENGINE_API_H

#include "drs832.h"

namespace testing_support {

struct EngineApi {
  decltype(&::drs7_init) init;
  decltype(&::drs7_upset) upset;
  decltype(&::set_engine_value) set_value;
  decltype(&::set_engine_switch) set_switch;
  decltype(&::set_drs_language) set_language;
  decltype(&::drs_add_language) add_language;
  decltype(&::do_zones) zones;
  decltype(&::do_ocr) ocr;
  decltype(&::drs7_prep_coords) prep_coords;
  decltype(&::drs7_free_coords) free_coords;
  decltype(&::drs7_read_one) read_one;
  decltype(&::drs7_read_coordinates) read_coordinates;
};

/// The functions of the built engine library. Throws std::runtime_error when
/// the library or one of its functions cannot be found.
const EngineApi &engine_api();

} // namespace testing_support

#endif // LECTORIN_TESTS_ENGINE_API_H
