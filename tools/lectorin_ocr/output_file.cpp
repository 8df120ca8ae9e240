//===- output_file.cpp - Files written whole or not at all ----------------===//

#include "output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace lectorin_ocr {

namespace {

std::string reason(int error_number) {
  return error_number ? std::string(": ") + std::strerror(error_number) : "";
}

} // namespace

bool write_whole_file(const std::string &path, const std::string &content,
                      std::string &error) {
  std::string temporary = path + ".part";
  errno = 0;
  std::FILE *out = std::fopen(temporary.c_str(), "wb");
  if (!out) {
    error = "cannot write " + temporary + reason(errno);
    return false;
  }
  errno = 0;
  bool written =
      std::fwrite(content.data(), 1, content.size(), out) == content.size();
  written = std::fflush(out) == 0 && written;
  int write_error = errno;
  written = std::fclose(out) == 0 && written;
  if (!written) {
    (void)std::remove(temporary.c_str());
    error =
        "cannot write " + temporary + reason(write_error ? write_error : errno);
    return false;
  }
  errno = 0;
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    int rename_error = errno;
    (void)std::remove(temporary.c_str());
    error = "cannot rename " + temporary + " to " + path + reason(rename_error);
    return false;
  }
  return true;
}

bool prepare_output_directory(const std::string &directory,
                              std::string &error) {
  std::error_code code;
  std::filesystem::path path(directory);
  if (!std::filesystem::is_directory(path, code)) {
    if (std::filesystem::exists(path, code)) {
      error = directory + " is not a directory";
      return false;
    }
    if (!std::filesystem::create_directories(path, code) && code) {
      error = "cannot make the directory " + directory + ": " + code.message();
      return false;
    }
  }
  // Finding out now spares recognising every page only to lose each one.
  std::string probe = (path / ".lectorin-ocr-probe").string();
  errno = 0;
  std::FILE *file = std::fopen(probe.c_str(), "wb");
  if (!file) {
    error = "cannot write into the directory " + directory + reason(errno);
    return false;
  }
  (void)std::fclose(file);
  (void)std::remove(probe.c_str());
  return true;
}

} // namespace lectorin_ocr
