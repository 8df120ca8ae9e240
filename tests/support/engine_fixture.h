//===- engine_fixture.h - The plug-in and a scripted engine for tests -*- C++
//-*-===//
//
// Tests drive the real plug-in library through init_ocr, which binds the real
// stand-in engine. An engine directory holds a copy of the engine library and
// an "eng.ytr" that selects the script backend (or the real one), in its
// "DRS" subdirectory or in itself.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TESTS_ENGINE_FIXTURE_H
#define LECTORIN_TESTS_ENGINE_FIXTURE_H

#include "ocr_interface.h"

#include <string>

namespace testing_support {

/// The plug-in library's init_ocr, loaded once per process.
ocr_interface *call_init_ocr();

/// The built engine library and the plug-in library.
std::string built_engine_file();
std::string built_plugin_file();

/// Where the engine's files go in an engine directory.
enum class DataPlace { drs_subdirectory, engine_directory, none };

/// Puts an engine copy into the directory and an "eng.ytr" with the given
/// script lines (after "backend script") where the data place says.
void install_engine(const std::string &directory, const std::string &script,
                    DataPlace place = DataPlace::drs_subdirectory);

/// The same with the real recognition backend: an "eng.ytr" in the "DRS"
/// subdirectory holding "backend tesseract" and then the settings lines.
void install_tesseract_engine(const std::string &directory,
                              const std::string &settings = "");

/// Sets "IRISlib"; an empty value counts as unset.
void set_engine_variable(const std::string &value);

/// The host program's directory, ending in a separator.
std::string executable_directory();

/// The search path the plug-in extends.
std::string search_path();

} // namespace testing_support

#endif // LECTORIN_TESTS_ENGINE_FIXTURE_H
