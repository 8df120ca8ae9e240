//===- drs832_api.cpp - The stand-in engine's exported functions ----------===//
//
// Decodes every call, writes it to the backend's call log and hands it on.
// Each drs7_init starts a session of its own, named by the handle it
// returns, so that several interfaces of one process work side by side; the
// calls that take no handle work on the session that the last call with a
// handle named.

#include "drs832.h"

#include "backend.h"
#include "text.h"

#include "platform.h"

#include <cstdarg>
#include <cstdio>
#include <map>
#include <string>

namespace {

struct EngineSession {
  std::unique_ptr<drs::Backend> backend;
  drs::Session session;
};

// Live sessions by handle. A session that refused to start is kept under
// handle 0, the last one only: its backend still logs the calls that name
// handle 0, which tests read, and it counts as no session.
struct EngineState {
  std::map<int32_t, EngineSession> sessions;
  EngineSession *current = nullptr;
};

EngineState &state() {
  static EngineState engine;
  return engine;
}

// The backend of the session a call names, which becomes the current one;
// null for a handle that names none.
drs::Backend *addressed(int32_t handle) {
  auto found = state().sessions.find(handle);
  if (found == state().sessions.end())
    return nullptr;
  state().current = &found->second;
  return found->second.backend.get();
}

drs::Backend *current() {
  EngineSession *session = state().current;
  return session ? session->backend.get() : nullptr;
}

// The handle for a session the backend started as `wanted`: that one unless
// a live session has it, else the next free one above it.
int32_t free_handle(int32_t wanted) {
  while (wanted == 0 || state().sessions.count(wanted))
    ++wanted;
  return wanted;
}

std::string pointer_word(const void *p) { return p ? "ptr" : "null"; }

void log_to(drs::Backend *backend, const std::string &line) {
  if (backend)
    backend->log_call(line);
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
  EngineSession started;
  started.session.data_directory = data_directory ? data_directory : "";
  started.session.report_error = errors;
  std::string directory = started.session.data_directory;
  if (!directory.empty() && directory.back() != '/' && directory.back() != '\\')
    directory += platform::path_separator;
  started.session.directory = directory;

  std::vector<drs::ConfigLine> config;
  std::string problem;
  if (!drs::read_config(directory + platform::engine_data_file, config,
                        problem))
    return 0;
  started.backend = make_backend(config);
  if (!started.backend)
    return 0;
  int32_t handle = started.backend->start(started.session, config);
  if (!problem.empty()) {
    // A line that cannot be read may be a typo in what the engine was to do:
    // it does not start on a guess.
    (void)std::fprintf(stderr, "drs832: eng.ytr: %s\n", problem.c_str());
    started.backend->log_call("eng.ytr: " + problem);
    handle = 0;
  }
  if (handle != 0)
    handle = free_handle(handle);
  started.backend->log_call(
      "drs7_init " + pointer_word(reinterpret_cast<const void *>(first)) +
      " \"" + started.session.data_directory + "\" " +
      pointer_word(reinterpret_cast<const void *>(second)) + " " +
      pointer_word(reinterpret_cast<const void *>(errors)) + " " +
      std::to_string(reserved));
  EngineSession &kept = state().sessions[handle];
  kept = std::move(started);
  state().current = &kept;
  return handle;
}

int32_t drs7_upset(int32_t handle) {
  auto found = state().sessions.find(handle);
  if (found == state().sessions.end())
    return 0; // no such session: nothing to end
  drs::Backend &backend = *found->second.backend;
  backend.log_call("drs7_upset " + std::to_string(handle));
  backend.end();
  if (state().current == &found->second)
    state().current = nullptr;
  state().sessions.erase(found);
  return 0;
}

int32_t set_engine_value(int32_t handle, int32_t code, ...) {
  std::string words =
      "set_engine_value " + std::to_string(handle) + " " + std::to_string(code);
  std::va_list args;
  va_start(args, code);
  drs::ValueCall call = decode_value(code, args, words);
  va_end(args);
  drs::Backend *backend = addressed(handle);
  if (!backend)
    return 0;
  // The backend first: a new page (code 3) may bring a new scenario with
  // its own log.
  backend->set_value(call);
  backend->log_call(words);
  return 0;
}

int32_t set_engine_switch(int32_t handle, int32_t code, ...) {
  std::va_list args;
  va_start(args, code);
  int32_t value = va_arg(args, int32_t);
  va_end(args);
  drs::Backend *backend = addressed(handle);
  log_to(backend, "set_engine_switch " + std::to_string(handle) + " " +
                      std::to_string(code) + " " + std::to_string(value));
  drs::ValueCall call;
  call.is_switch = true;
  call.code = code;
  call.numbers.push_back(value);
  if (backend)
    backend->set_value(call);
  return 0;
}

int32_t set_drs_language(int32_t handle, int32_t language) {
  drs::Backend *backend = addressed(handle);
  log_to(backend, "set_drs_language " + std::to_string(handle) + " " +
                      std::to_string(language));
  if (backend)
    backend->set_language(language, true);
  return 0;
}

int32_t drs_add_language(int32_t language) {
  log_to(current(), "drs_add_language " + std::to_string(language));
  if (current())
    current()->set_language(language, false);
  return 0;
}

int32_t do_zones(int32_t handle) {
  drs::Backend *backend = addressed(handle);
  log_to(backend, "do_zones " + std::to_string(handle));
  return backend ? backend->find_zones() : -1;
}

int32_t do_ocr(int32_t handle, void *code_block) {
  drs::Backend *backend = addressed(handle);
  log_to(backend,
         "do_ocr " + std::to_string(handle) + " " + pointer_word(code_block));
  return backend ? backend->recognize(code_block) : -1;
}

int32_t drs7_prep_coords(void) {
  log_to(current(), "drs7_prep_coords");
  if (current())
    current()->prepare_characters();
  return 0;
}

int32_t drs7_free_coords(void) {
  log_to(current(), "drs7_free_coords");
  if (current())
    current()->free_characters();
  return 0;
}

int32_t drs7_read_one(int32_t character, uint16_t *text) {
  log_to(current(), "drs7_read_one " + std::to_string(character) + " " +
                        pointer_word(text));
  if (!current() || !text)
    return -1;
  return current()->read_text(character, text);
}

int32_t drs7_read_coordinates(int32_t character, drs_rectangle *rectangle) {
  log_to(current(), "drs7_read_coordinates " + std::to_string(character) + " " +
                        pointer_word(rectangle));
  if (current() && rectangle)
    current()->read_rectangle(character, rectangle);
  return 0;
}

} // extern "C"
