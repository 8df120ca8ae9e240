//===- backend.h - What a stand-in engine backend implements ---*- C++ -*-===//
//
// The exported API (drs832_api.cpp) decodes each call, keeps the session's
// callbacks and hands the call to the backend that the data directory's
// "eng.ytr" names on its first line ("backend script" or "backend tesseract").
// The rest of that file configures the backend.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_ENGINE_BACKEND_H
#define LECTORIN_ENGINE_BACKEND_H

#include "drs832.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace drs {

/// One line of "eng.ytr", cut into words: a text between double quotes is one
/// word (without the quotes; inside them \" is a quote and \\ a backslash);
/// "#" outside quotes starts a comment.
using ConfigLine = std::vector<std::string>;

/// Reads "eng.ytr" into its non-empty lines. False when the file cannot be
/// read. A line that cannot be cut into words (a quote left open) is left
/// out, and the first such line is named in problem.
bool read_config(const std::string &file, std::vector<ConfigLine> &lines,
                 std::string &problem);

/// A line's words joined by spaces, to name it in a message.
std::string line_text(const ConfigLine &line);

/// A set_engine_value or set_engine_switch call, decoded by its code.
struct ValueCall {
  bool is_switch = false;
  int32_t code = 0;
  std::vector<int32_t> numbers; ///< the integer arguments, in order
  drs_line_callback line_callback = nullptr; ///< code 3
  void *feed = nullptr;                      ///< code 3
  const uint16_t *characters = nullptr;      ///< code 35
};

/// What the engine knows of its session beyond the backend.
struct Session {
  std::string data_directory; ///< as drs7_init received it
  std::string directory;      ///< the same, ending in a separator
  drs_error_callback report_error = nullptr;
};

class Backend {
public:
  virtual ~Backend() = default;

  /// Called by drs7_init after the configuration was read; returns the
  /// session handle, 0 when the engine cannot start.
  virtual int32_t start(const Session &session,
                        const std::vector<ConfigLine> &config) = 0;
  /// Writes one line to the call log, when the backend keeps one.
  virtual void log_call(const std::string & /*line*/) {}

  virtual void end() {}
  virtual void set_value(const ValueCall & /*call*/) {}
  virtual void set_language(int32_t /*language*/, bool /*main*/) {}
  virtual int32_t find_zones() { return 0; }
  virtual int32_t recognize(void * /*code_block*/) { return 0; }
  virtual void prepare_characters() {}
  virtual void free_characters() {}
  virtual int32_t read_text(int32_t /*character*/, uint16_t * /*text*/) {
    return -1;
  }
  virtual void read_rectangle(int32_t /*character*/,
                              drs_rectangle * /*rectangle*/) {}
};

std::unique_ptr<Backend> make_script_backend();
/// Null where the build has no recognition library.
std::unique_ptr<Backend> make_tesseract_backend();

} // namespace drs

#endif // LECTORIN_ENGINE_BACKEND_H
