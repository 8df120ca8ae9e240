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

/// Empties engine_errors() and forgets a complaint that was lost: the start
/// of a run.
void forget_engine_errors();

/// True when a complaint could not be recorded since the last
/// forget_engine_errors(): the run must not pass for one without it.
bool engine_error_lost();

/// The identifier for an engine complaint: a known class and reason pair maps
/// to its own identifier, any other gives "IRIS.detected" with the three
/// codes as parameters. The detail code never decides.
GUTF8String engine_complaint_identifier(uint32_t class_code,
                                        uint32_t detail_code,
                                        uint32_t reason_code);

extern "C" {
/// The error callback handed to the engine: records the complaint and
/// returns 0. Nothing escapes into the engine's frames; a complaint that
/// cannot be recorded (no memory left) makes engine_error_lost() true.
int32_t engine_error_callback(uint32_t class_code, uint32_t detail_code,
                              uint32_t reason_code);
}

#endif // LECTORIN_OCR_PLUGIN_ENGINE_ERRORS_H
