//===- engine_errors.h - The engine's complaints during a run --*- C++ -*-===//
//
// The engine reports problems through a callback while it works. They are
// collected as message identifiers, one per line, for the run that is going
// on; the editor gets them as the run's error text.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_OCR_PLUGIN_ENGINE_ERRORS_H
#define LECTORIN_OCR_PLUGIN_ENGINE_ERRORS_H

#include "GString.h"

#include <cstdint>

/// The identifiers collected in the current run, joined by line feeds.
/// Process-wide: runs never overlap.
GUTF8String &engine_errors();

/// Appends an identifier to engine_errors(), after a line feed unless empty.
void append_engine_error(const char *identifier);

/// The identifier for an engine complaint: a known class and reason pair maps
/// to its own identifier, any other gives "IRIS.detected" with the three
/// codes as parameters. The detail code never decides.
GUTF8String engine_complaint_identifier(uint32_t class_code,
                                        uint32_t detail_code,
                                        uint32_t reason_code);

extern "C" {
/// The error callback handed to the engine: records the complaint and
/// returns 0. Nothing escapes into the engine's frames; a complaint that
/// cannot be recorded is dropped.
int32_t engine_error_callback(uint32_t class_code, uint32_t detail_code,
                              uint32_t reason_code);
}

#endif // LECTORIN_OCR_PLUGIN_ENGINE_ERRORS_H
