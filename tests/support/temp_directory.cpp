//===- temp_directory.cpp - Scratch directories for tests -----------------===//

#include "temp_directory.h"

#include "platform.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace testing_support {

std::string join_path(const std::string &directory, const std::string &name) {
  if (!directory.empty() && directory.back() == platform::path_separator)
    return directory + name;
  return directory + platform::path_separator + name;
}

TempDirectory::TempDirectory() {
  static std::atomic<unsigned> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::string base = fs::temp_directory_path().string();
  while (!base.empty() && (base.back() == '/' || base.back() == '\\'))
    base.pop_back();
  std::ostringstream name;
  name << "lectorin-" << stamp % 1000000007 << "-" << counter++;
  path_ = join_path(base, name.str());
  make_directories(path_);
}

TempDirectory::~TempDirectory() { remove_path(path_); }

std::string TempDirectory::operator/(const std::string &name) const {
  return join_path(path_, name);
}

void make_directories(const std::string &path) {
  std::error_code error;
  fs::create_directories(path, error);
  if (error)
    throw std::runtime_error("cannot make " + path + ": " + error.message());
}

void copy_file(const std::string &from, const std::string &to) {
  std::error_code error;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
  if (error)
    throw std::runtime_error("cannot copy " + from + " to " + to + ": " +
                             error.message());
}

void write_file(const std::string &path, const std::string &content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
  if (!out)
    throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void remove_path(const std::string &path) {
  std::error_code error;
  fs::remove_all(path, error);
}

} // namespace testing_support
