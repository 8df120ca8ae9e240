//===- temp_directory.h - Scratch directories for tests --------*- C++ -*-===//
#ifndef LECTORIN_TESTS_TEMP_DIRECTORY_H
#define LECTORIN_TESTS_TEMP_DIRECTORY_H

#include <string>

namespace testing_support {

/// A fresh directory under the system's temporary directory, removed with
/// everything in it when the object goes (a file still in use, such as a
/// loaded library on Windows, may stay behind).
class TempDirectory {
public:
  TempDirectory();
  ~TempDirectory();
  TempDirectory(const TempDirectory &) = delete;
  TempDirectory &operator=(const TempDirectory &) = delete;

  /// The directory's name, without a trailing separator.
  const std::string &path() const { return path_; }
  /// path() joined with a relative name by the platform's separator.
  std::string operator/(const std::string &name) const;

private:
  std::string path_;
};

/// Joins a directory and a name with one separator of the platform's.
std::string join_path(const std::string &directory, const std::string &name);

/// Makes a directory and its parents; throws on failure.
void make_directories(const std::string &path);
/// Copies a file; throws on failure.
void copy_file(const std::string &from, const std::string &to);
/// Writes a whole file; throws on failure.
void write_file(const std::string &path, const std::string &content);
/// Reads a whole file; empty when it does not exist.
std::string read_file(const std::string &path);
/// Removes a file or a directory tree, ignoring failures.
void remove_path(const std::string &path);

} // namespace testing_support

#endif // LECTORIN_TESTS_TEMP_DIRECTORY_H
