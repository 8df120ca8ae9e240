//===- engine_binding.cpp - The engine library, bound at first use --------===//

#include "engine_binding.h"

#include "platform.h"

namespace {

EngineApi bound_api;
bool is_bound = false;

template <typename Function>
bool resolve(platform::LibraryHandle library, Function &function,
             const char *name, std::string &reason, int ordinal = 0) {
  function = reinterpret_cast<Function>(
      platform::find_function(library, name, ordinal));
  if (!function)
    reason = std::string("the engine library has no function ") + name;
  return function != nullptr;
}

} // namespace

bool bind_engine(const std::string &library_file, std::string &reason) {
  if (is_bound)
    return true;
  platform::LibraryHandle library =
      platform::load_library(library_file, reason);
  if (!library)
    return false;
  EngineApi api;
  bool complete =
      resolve(library, api.drs7_init, "drs7_init", reason) &&
      resolve(library, api.drs7_upset, "drs7_upset", reason) &&
      resolve(library, api.set_engine_value, "set_engine_value", reason,
              DRS832_ORDINAL_SET_ENGINE_VALUE) &&
      resolve(library, api.set_engine_switch, "set_engine_switch", reason,
              DRS832_ORDINAL_SET_ENGINE_SWITCH) &&
      resolve(library, api.set_drs_language, "set_drs_language", reason) &&
      resolve(library, api.drs_add_language, "drs_add_language", reason) &&
      resolve(library, api.do_zones, "do_zones", reason) &&
      resolve(library, api.do_ocr, "do_ocr", reason) &&
      resolve(library, api.drs7_prep_coords, "drs7_prep_coords", reason) &&
      resolve(library, api.drs7_free_coords, "drs7_free_coords", reason) &&
      resolve(library, api.drs7_read_one, "drs7_read_one", reason) &&
      resolve(library, api.drs7_read_coordinates, "drs7_read_coordinates",
              reason);
  if (!complete) {
    platform::unload_library(library);
    return false;
  }
  bound_api = api;
  is_bound = true;
  return true;
}

const EngineApi &engine_api() { return bound_api; }
