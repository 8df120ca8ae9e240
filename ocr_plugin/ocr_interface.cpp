//===- ocr_interface.cpp - init_ocr, ocr_release and ocr_close -----------===//

#include "ocr_interface.h"

#include "engine_binding.h"
#include "engine_directory.h"
#include "engine_errors.h"
#include "platform.h"

#include <new>
#include <string>

namespace {

// The identifiers init_ocr hands out are constants of the plug-in.
const char no_engine[] = "IRIS.noEngine";
const char no_libs[] = "IRIS.noLibs";
const char cant_load[] = "IRIS.cantload";

// The engine calls these with arguments of its own choosing; they ignore them.
extern "C" int32_t engine_first_callback(void) { return 0; }
extern "C" int32_t engine_second_callback(void) { return -1; }

// Puts the engine directory at the end of the search path, where the
// engine's own libraries are looked for and where callers see it. Each
// interface appends it once more.
void extend_search_path(const std::string &engine_directory) {
  std::string path;
  platform::get_environment(platform::search_path_variable, path);
  platform::set_environment(platform::search_path_variable,
                            path + ";" + engine_directory);
}

// Finds the engine and starts its session; returns the identifier that tells
// why the engine cannot be used, or null.
const char *start_engine(OcrSession &session) {
  std::string engine_directory;
  if (!find_engine_directory(engine_directory))
    return no_engine;
  std::string data_directory;
  if (!find_engine_data_directory(engine_directory, data_directory))
    return no_libs;
  extend_search_path(engine_directory);

  // A library that is there but does not load is reported like an engine
  // that refused to start; no engine function is called for this interface.
  std::string reason;
  if (!bind_engine(engine_library_file(engine_directory), reason))
    return cant_load;
  const EngineApi &engine = engine_api();
  session.engine_started = true;
  session.engine =
      engine.drs7_init(engine_first_callback, data_directory.c_str(),
                       engine_second_callback, engine_error_callback, 0);
  engine.set_engine_switch(session.engine, 98, 0);
  return session.engine == 0 ? cant_load : nullptr;
}

void free_text(char *&text) {
  delete[] text;
  text = nullptr;
}

} // namespace

extern "C" {

ocr_interface *init_ocr() {
  auto *ocr = new (std::nothrow)
      ocr_interface{nullptr, nullptr, ocr_recognize, ocr_release, ocr_close};
  if (!ocr)
    return nullptr;
  ocr->session = new (std::nothrow) OcrSession();
  if (!ocr->session) {
    delete ocr;
    return nullptr;
  }
  try {
    ocr->error = start_engine(*ocr->session);
  } catch (...) {
    // Out of memory while searching: the engine cannot be used.
    ocr->error = ocr->session->engine == 0 ? cant_load : nullptr;
  }
  ocr->session->init_error = ocr->error;
  return ocr;
}

void ocr_release(ocr_interface *ocr) {
  if (!ocr)
    return;
  free_text(ocr->session->result_text);
  free_text(ocr->session->error_text);
  ocr->error = nullptr;
}

void ocr_close(ocr_interface *ocr) {
  if (!ocr)
    return;
  OcrSession *session = ocr->session;
  // Ending the session needs the engine library: only when it was loaded.
  if (session->engine_started)
    engine_api().drs7_upset(session->engine);
  ocr_release(ocr);
  delete session;
  delete ocr;
}

} // extern "C"
