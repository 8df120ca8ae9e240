//===- drs832_api.cpp - The stand-in engine's exported functions ----------===//
//
// Decodes every call, writes it to the backend's call log and hands it on.
// The engine, like the closed one it stands in for, has one current session
// per process.

#include "drs832.h"

#include "backend.h"
#include "text.h"

#include "platform.h"

#include <cstdarg>
#include <string>

namespace {

struct EngineState {
  std::unique_ptr<drs::Backend> backend;
  drs::Session session;
};

EngineState &state() {
  static EngineState engine;
  return engine;
}

std::string pointer_word(const void *p) { return p ? "ptr" : "null"; }

void log_call(const std::string &line) {
  if (state().backend)
    state().backend->log_call(line);
}

std::unique_ptr<drs::Backend>
make_backend(const std::vector<drs::ConfigLine> &config) {
  for (const drs::ConfigLine &line : config) {
    if (line.size() != 2 || line[0] != "backend")
      continue;
    if (line[1] == "script")
      return drs::make_script_backend();
    if (line[1] == "tesseract")
      return drs::make_tesseract_backend();
  }
  return nullptr;
}

// The arguments after the code, by code; see drs832.h.
drs::ValueCall decode_value(int32_t code, std::va_list args,
                            std::string &words) {
  drs::ValueCall call;
  call.code = code;
  auto number = [&] {
    int32_t n = va_arg(args, int32_t);
    call.numbers.push_back(n);
    words += " " + std::to_string(n);
  };
  switch (code) {
  case 3:
    call.line_callback = va_arg(args, drs_line_callback);
    call.feed = va_arg(args, void *);
    words += " " +
             pointer_word(reinterpret_cast<const void *>(call.line_callback)) +
             " " + pointer_word(call.feed);
    number();
    number();
    number();
    break;
  case 35:
    call.characters = va_arg(args, const uint16_t *);
    words += call.characters
                 ? " \"" + drs::utf16_to_utf8(call.characters) + "\""
                 : " null";
    number();
    break;
  case 38:
  case 44:
    number();
    number();
    break;
  case 42:
    number();
    number();
    number();
    break;
  case 36:
  case 104:
    number();
    break;
  default:
    // Unknown codes: their arguments are not known, so none are read.
    break;
  }
  return call;
}

} // namespace

extern "C" {

int32_t drs7_init(drs_plain_callback first, const char *data_directory,
                  drs_plain_callback second, drs_error_callback errors,
                  int32_t reserved) {
  EngineState &engine = state();
  engine.backend.reset();
  engine.session = drs::Session();
  engine.session.data_directory = data_directory ? data_directory : "";
  engine.session.report_error = errors;

  std::vector<drs::ConfigLine> config;
  std::string directory = engine.session.data_directory;
  if (!directory.empty() && directory.back() != '/' && directory.back() != '\\')
    directory += platform::path_separator;
  engine.session.directory = directory;
  if (!drs::read_config(directory + platform::engine_data_file, config))
    return 0;
  engine.backend = make_backend(config);
  if (!engine.backend)
    return 0;
  int32_t handle = engine.backend->start(engine.session, config);
  log_call("drs7_init " + pointer_word(reinterpret_cast<const void *>(first)) +
           " \"" + engine.session.data_directory + "\" " +
           pointer_word(reinterpret_cast<const void *>(second)) + " " +
           pointer_word(reinterpret_cast<const void *>(errors)) + " " +
           std::to_string(reserved));
  // A backend that refused to start stays in place: the script backend still
  // logs the calls that follow, which tests read.
  return handle;
}

int32_t drs7_upset(int32_t handle) {
  log_call("drs7_upset " + std::to_string(handle));
  if (state().backend)
    state().backend->end();
  state().backend.reset();
  return 0;
}

int32_t set_engine_value(int32_t handle, int32_t code, ...) {
  std::string words =
      "set_engine_value " + std::to_string(handle) + " " + std::to_string(code);
  std::va_list args;
  va_start(args, code);
  drs::ValueCall call = decode_value(code, args, words);
  va_end(args);
  // The backend first: a new page (code 3) may bring a new scenario with
  // its own log.
  if (state().backend)
    state().backend->set_value(call);
  log_call(words);
  return 0;
}

int32_t set_engine_switch(int32_t handle, int32_t code, ...) {
  std::va_list args;
  va_start(args, code);
  int32_t value = va_arg(args, int32_t);
  va_end(args);
  log_call("set_engine_switch " + std::to_string(handle) + " " +
           std::to_string(code) + " " + std::to_string(value));
  drs::ValueCall call;
  call.is_switch = true;
  call.code = code;
  call.numbers.push_back(value);
  if (state().backend)
    state().backend->set_value(call);
  return 0;
}

int32_t set_drs_language(int32_t handle, int32_t language) {
  log_call("set_drs_language " + std::to_string(handle) + " " +
           std::to_string(language));
  if (state().backend)
    state().backend->set_language(language, true);
  return 0;
}

int32_t drs_add_language(int32_t language) {
  log_call("drs_add_language " + std::to_string(language));
  if (state().backend)
    state().backend->set_language(language, false);
  return 0;
}

int32_t do_zones(int32_t handle) {
  log_call("do_zones " + std::to_string(handle));
  return state().backend ? state().backend->find_zones() : -1;
}

int32_t do_ocr(int32_t handle, void *code_block) {
  log_call("do_ocr " + std::to_string(handle) + " " + pointer_word(code_block));
  return state().backend ? state().backend->recognize(code_block) : -1;
}

int32_t drs7_prep_coords(void) {
  log_call("drs7_prep_coords");
  if (state().backend)
    state().backend->prepare_characters();
  return 0;
}

int32_t drs7_free_coords(void) {
  log_call("drs7_free_coords");
  if (state().backend)
    state().backend->free_characters();
  return 0;
}

int32_t drs7_read_one(int32_t character, uint16_t *text) {
  log_call("drs7_read_one " + std::to_string(character) + " " +
           pointer_word(text));
  if (!state().backend || !text)
    return -1;
  return state().backend->read_text(character, text);
}

int32_t drs7_read_coordinates(int32_t character, drs_rectangle *rectangle) {
  log_call("drs7_read_coordinates " + std::to_string(character) + " " +
           pointer_word(rectangle));
  if (state().backend && rectangle)
    state().backend->read_rectangle(character, rectangle);
  return 0;
}

} // extern "C"
