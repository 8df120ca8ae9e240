//===- output_file.cpp - Files written whole or not at all ----------------===//
//
// Names are UTF-8 and reach the system through the host platform layer, so
// that on Windows a name outside the ANSI code page is written as given.

#include "output_file.h"

#include "host.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace lectorin_ocr {

namespace {

std::string because(const std::string &reason) {
  return reason.empty() ? "" : ": " + reason;
}

} // namespace

bool write_whole_file(const std::string &path, const std::string &content,
                      std::string &error) {
  std::string temporary = path + ".part";
  std::string reason;
  std::FILE *out = platform::open_for_writing(temporary, reason);
  if (!out) {
    error = "cannot write " + temporary + because(reason);
    return false;
  }
  errno = 0;
  bool written =
      std::fwrite(content.data(), 1, content.size(), out) == content.size();
  written = std::fflush(out) == 0 && written;
  int write_error = errno;
  written = std::fclose(out) == 0 && written;
  if (!written) {
    (void)platform::remove_file(temporary);
    int code = write_error ? write_error : errno;
    error =
        "cannot write " + temporary + because(code ? std::strerror(code) : "");
    return false;
  }
  if (!platform::rename_replacing(temporary, path, reason)) {
    (void)platform::remove_file(temporary);
    error = "cannot rename " + temporary + " to " + path + because(reason);
    return false;
  }
  return true;
}

bool prepare_output_directory(const std::string &directory,
                              std::string &error) {
  std::error_code code;
  std::filesystem::path path = std::filesystem::u8path(directory);
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
  // The name is the process's own: on Windows every worker makes the same
  // check as it starts, and one worker's probe must not be in another's way
  // (a file being removed there cannot be opened).
  std::string probe =
      (path / (".lectorin-ocr-probe-" + std::to_string(std::random_device{}())))
          .u8string();
  std::string reason;
  std::FILE *file = platform::open_for_writing(probe, reason);
  if (!file) {
    error = "cannot write into the directory " + directory + because(reason);
    return false;
  }
  (void)std::fclose(file);
  (void)platform::remove_file(probe);
  return true;
}

} // namespace lectorin_ocr
