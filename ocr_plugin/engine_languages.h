//===- engine_languages.h - Telling the engine what to read ----*- C++ -*-===//
//
// Before each page the run tells the engine its languages and the set of
// characters they use. The set is built in one process-wide buffer,
// engine_characters, that the engine may keep pointing at after the call, so
// it lives as long as the process; each run that names languages rebuilds it
// (runs never overlap).
//
//   apply_languages(session.engine, options);
//   apply_characters(session.engine, options);
//
// Both call the engine through its binding (engine_binding.h), which must be
// in place.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_OCR_PLUGIN_ENGINE_LANGUAGES_H
#define LECTORIN_OCR_PLUGIN_ENGINE_LANGUAGES_H

#include "ocr_options.h"

#include <cstdint>

/// Makes the first language the engine's main one (1 when none was given)
/// and adds each further language in order.
void apply_languages(int32_t engine, const OcrOptions &options);

/// With no languages, tells the engine to use no set of the plug-in's own
/// (value 36). Otherwise builds the set: the base characters, then each
/// language's characters not yet in it, in the order the languages were
/// given; languages without a row add nothing. A non-empty set goes to the
/// engine (value 35); when no language has a row, no call is made.
void apply_characters(int32_t engine, const OcrOptions &options);

#endif // LECTORIN_OCR_PLUGIN_ENGINE_LANGUAGES_H
