//===- engine_directory.cpp - Where the engine and its data are -----------===//

#include "engine_directory.h"

#include "platform.h"

#include <cstdio>

namespace {

// The host program's name is read into a buffer of this many characters; a
// name that fills it may have been cut, so it counts as unreadable.
constexpr std::size_t module_name_buffer = 285;

// The engine's own rule: a data directory name and "eng.ytr" must fit a
// 300-byte buffer.
constexpr std::size_t data_path_buffer = 300;

std::string join(const std::string &directory, const char *name) {
  if (!directory.empty() && directory.back() == platform::path_separator)
    return directory + name;
  return directory + platform::path_separator + name;
}

bool can_open(const std::string &file) {
  std::FILE *f = std::fopen(file.c_str(), "rb");
  if (!f)
    return false;
  (void)std::fclose(f);
  return true;
}

bool holds_engine(const std::string &directory) {
  return can_open(engine_library_file(directory));
}

// The host program's directory, ending in a separator.
bool executable_directory(std::string &directory) {
  std::string path;
  if (!platform::executable_path(path) || path.size() >= module_name_buffer)
    return false;
  std::size_t cut = path.rfind(platform::path_separator);
  if (cut == std::string::npos)
    return false;
  directory = path.substr(0, cut + 1);
  return true;
}

} // namespace

std::string engine_library_file(const std::string &engine_directory) {
  return join(engine_directory, platform::engine_library_file);
}

bool find_engine_directory(std::string &directory) {
  std::string named;
  if (platform::get_environment(platform::engine_directory_variable, named) &&
      !named.empty() && holds_engine(named)) {
    directory = named;
    return true;
  }
  const char *beneath_host[] = {platform::engine_subdirectory, "",
                                platform::sibling_engine_subdirectory};
  for (const char *subdirectory : beneath_host) {
    std::string host;
    if (!executable_directory(host))
      continue;
    std::string candidate = host + subdirectory;
    if (holds_engine(candidate)) {
      directory = candidate;
      return true;
    }
  }
  return false;
}

bool find_engine_data_directory(const std::string &engine_directory,
                                std::string &directory) {
  if (engine_directory.size() + 8 > data_path_buffer)
    return false;
  std::string data = join(engine_directory, platform::engine_data_subdirectory);
  if (can_open(data + platform::engine_data_file)) {
    directory = data;
    return true;
  }
  if (can_open(join(engine_directory, platform::engine_data_file))) {
    directory = engine_directory;
    return true;
  }
  return false;
}
