//===- drs832_functions.cpp - The engine's functions, loaded by name ------===//

#include "drs832_functions.h"

#include "platform.h"

#include <stdexcept>
#include <type_traits>

Drs832Functions load_drs832_functions(const std::string &file) {
  std::string error;
  platform::LibraryHandle library = platform::load_library(file, error);
  if (!library)
    throw std::runtime_error(error);
  auto get = [&](auto &function, const char *name, int ordinal = 0) {
    void *f = platform::find_function(library, name, ordinal);
    if (!f)
      throw std::runtime_error(std::string("the engine has no ") + name);
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(f);
  };
  Drs832Functions e{};
  get(e.init, "drs7_init");
  get(e.upset, "drs7_upset");
  get(e.set_value, "set_engine_value", DRS832_ORDINAL_SET_ENGINE_VALUE);
  get(e.set_switch, "set_engine_switch", DRS832_ORDINAL_SET_ENGINE_SWITCH);
  get(e.set_language, "set_drs_language");
  get(e.add_language, "drs_add_language");
  get(e.zones, "do_zones");
  get(e.ocr, "do_ocr");
  get(e.prep_coords, "drs7_prep_coords");
  get(e.free_coords, "drs7_free_coords");
  get(e.read_one, "drs7_read_one");
  get(e.read_coordinates, "drs7_read_coordinates");
  return e;
}
