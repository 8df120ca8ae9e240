//===- engine_binding.h - The engine library, bound at first use -*- C++
//-*-===//
//
// The engine's directory is only known once init_ocr has found it, so the
// library is loaded then, by the full name of the file that was found (a
// search along a path could find another library of the same name first),
// and every entry point is resolved at once: a library that is found but does
// not load, or lacks a function, is a failure the caller sees, never a fault
// at a later call. The binding is process-wide and made once.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_OCR_PLUGIN_ENGINE_BINDING_H
#define LECTORIN_OCR_PLUGIN_ENGINE_BINDING_H

#include "drs832.h"

#include <string>

/// The engine's functions, all resolved.
struct EngineApi {
  decltype(&::drs7_init) drs7_init;
  decltype(&::drs7_upset) drs7_upset;
  decltype(&::set_engine_value) set_engine_value;
  decltype(&::set_engine_switch) set_engine_switch;
  decltype(&::set_drs_language) set_drs_language;
  decltype(&::drs_add_language) drs_add_language;
  decltype(&::do_zones) do_zones;
  decltype(&::do_ocr) do_ocr;
  decltype(&::drs7_prep_coords) drs7_prep_coords;
  decltype(&::drs7_free_coords) drs7_free_coords;
  decltype(&::drs7_read_one) drs7_read_one;
  decltype(&::drs7_read_coordinates) drs7_read_coordinates;
};

/// Loads the engine library from library_file and resolves its functions,
/// unless that was done before. False, with a reason, when it cannot; a
/// later call tries again.
bool bind_engine(const std::string &library_file, std::string &reason);

/// The bound functions. Only valid after bind_engine() succeeded.
const EngineApi &engine_api();

#endif // LECTORIN_OCR_PLUGIN_ENGINE_BINDING_H
