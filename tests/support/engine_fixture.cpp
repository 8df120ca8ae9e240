//===- engine_fixture.cpp - The plug-in and a scripted engine for tests ---===//

#include "engine_fixture.h"

#include "platform.h"
#include "temp_directory.h"

#include <stdexcept>

namespace testing_support {

std::string built_engine_file() { return LECTORIN_ENGINE_FILE; }
std::string built_plugin_file() { return LECTORIN_PLUGIN_FILE; }

ocr_interface *call_init_ocr() {
  using init_function = ocr_interface *(*)();
  static init_function init = [] {
    std::string error;
    platform::LibraryHandle plugin =
        platform::load_library(built_plugin_file(), error);
    if (!plugin)
      throw std::runtime_error("cannot load the plug-in: " + error);
    auto function = reinterpret_cast<init_function>(
        platform::find_function(plugin, "init_ocr"));
    if (!function)
      throw std::runtime_error("the plug-in exports no init_ocr");
    return function;
  }();
  return init();
}

namespace {

void install_engine_data(const std::string &directory,
                         const std::string &content, DataPlace place) {
  make_directories(directory);
  copy_file(built_engine_file(),
            join_path(directory, platform::engine_library_file));
  if (place == DataPlace::drs_subdirectory) {
    std::string data = join_path(directory, "DRS");
    make_directories(data);
    write_file(join_path(data, platform::engine_data_file), content);
  } else if (place == DataPlace::engine_directory) {
    write_file(join_path(directory, platform::engine_data_file), content);
  }
}

} // namespace

void install_engine(const std::string &directory, const std::string &script,
                    DataPlace place) {
  install_engine_data(directory, "backend script\n" + script, place);
}

void install_tesseract_engine(const std::string &directory,
                              const std::string &settings) {
  install_engine_data(directory, "backend tesseract\n" + settings,
                      DataPlace::drs_subdirectory);
}

void set_engine_variable(const std::string &value) {
  platform::set_environment(platform::engine_directory_variable, value);
}

std::string executable_directory() {
  std::string path;
  if (!platform::executable_path(path))
    throw std::runtime_error("cannot read the program's name");
  return path.substr(0, path.rfind(platform::path_separator) + 1);
}

std::string search_path() {
  std::string path;
  platform::get_environment(platform::search_path_variable, path);
  return path;
}

} // namespace testing_support
