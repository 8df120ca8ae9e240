//===- drs832_functions.h - The engine's functions, loaded by name -*- C++
//-*-===//
//
// Programs that drive the engine directly, without the plug-in (the engine's
// tests and its benchmark), load the built engine library and resolve its
// exported functions the way the plug-in binds them: set_engine_value and
// set_engine_switch by ordinal where the platform exports them so.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_ENGINE_DRS832_FUNCTIONS_H
#define LECTORIN_ENGINE_DRS832_FUNCTIONS_H

#include "drs832.h"

#include <string>

struct Drs832Functions {
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

/// Loads the engine library `file` (kept loaded for the process) and
/// resolves its functions. Throws std::runtime_error when the library or one
/// of its functions cannot be found.
Drs832Functions load_drs832_functions(const std::string &file);

#endif // LECTORIN_ENGINE_DRS832_FUNCTIONS_H
