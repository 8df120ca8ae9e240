//===- ocr_interface.h - The plug-in's contract with the editor -*- C++ -*-===//
//
// The editor loads the plug-in and calls its only export, init_ocr, once. It
// gets an ocr_interface: a record of five pointer-sized fields whose layout
// is fixed (20 bytes on 32-bit Windows). Per page it calls recognize, reads
// the result or error, and calls release; close ends everything.
//
//   ocr_interface *ocr = init_ocr();
//   if (!ocr->error) { char *xml = ocr->recognize(ocr, "TRUE", &page); ...
//   ocr->release(ocr); } ocr->close(ocr);
//
// Texts handed to the editor belong to the session; the editor never frees
// them. No exception crosses this boundary.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_OCR_PLUGIN_OCR_INTERFACE_H
#define LECTORIN_OCR_PLUGIN_OCR_INTERFACE_H

#include "ByteStream.h"
#include "GSmartPointer.h"

#include <cstdint>

// The one exported symbol; on Windows the module definition file exports it.
#ifdef _WIN32
#define LECTORIN_EXPORT
#else
#define LECTORIN_EXPORT __attribute__((visibility("default")))
#endif

struct PixImageDesc;
struct ocr_interface;

/// The engine session behind one interface.
struct OcrSession {
  /// The hidden text while a run writes it; empty between runs.
  GRef<ByteStream> output;
  char *result_text = nullptr; ///< hidden-text XML of the last successful run
  char *error_text = nullptr;  ///< identifier text of the last failed run
  int32_t engine = 0;          ///< drs7_init's handle; 0 when not started
  double scale_x = 0;          ///< engine pixels to page pixels, per run
  double scale_y = 0;
  /// drs7_init was called, so the engine library is loaded and the session
  /// may be ended with drs7_upset.
  bool engine_started = false;
  /// Why init_ocr found the engine unusable ("IRIS.noEngine" and the like),
  /// or null; every run on such an interface fails with it.
  const char *init_error = nullptr;
};

extern "C" {

using ocr_recognize_function = char *(*)(ocr_interface *ocr,
                                         const char *options,
                                         const PixImageDesc *image);
using ocr_release_function = void (*)(ocr_interface *ocr);
using ocr_close_function = void (*)(ocr_interface *ocr);

struct ocr_interface {
  const char
      *error; ///< message identifier, or null when there is nothing to report
  OcrSession *session; ///< never null
  ocr_recognize_function recognize;
  ocr_release_function release;
  ocr_close_function close;
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(ocr_interface) == 20,
              "the editor reads five 32-bit fields");
#endif

/// Finds the engine, starts a session and returns a new interface. When the
/// engine cannot be used, error is "IRIS.noEngine", "IRIS.noLibs" or
/// "IRIS.cantload" and the interface can still be released and closed. Null
/// only when the record itself cannot be allocated.
LECTORIN_EXPORT ocr_interface *init_ocr();

/// Recognises one page; the result is the session's, or null with error set.
/// A null option text or page fails with "IRIS.exception"; a null interface
/// returns null.
char *ocr_recognize(ocr_interface *ocr, const char *options,
                    const PixImageDesc *image);

/// Frees the result and error texts and clears error.
void ocr_release(ocr_interface *ocr);

/// Ends the engine session and frees the interface, which is gone afterwards.
void ocr_close(ocr_interface *ocr);

} // extern "C"

#endif // LECTORIN_OCR_PLUGIN_OCR_INTERFACE_H
