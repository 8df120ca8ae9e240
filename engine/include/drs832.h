/*===- drs832.h - The OCR engine's C API ------------------------*- C -*-===//
//
// The functions of the OCR engine library drs832 as the plug-in calls them.
// The closed engine exports these names; set_engine_value and
// set_engine_switch it exports by ordinal only (2 and 14), so the plug-in
// resolves those two by ordinal on Windows. The stand-in engine of this
// project implements the same API.
//
// Every function uses the C calling convention and takes its arguments by
// value. An engine session is named by the handle drs7_init returns; a few
// calls work on the engine's current session and take no handle.
//
//===--------------------------------------------------------------------===*/
#ifndef LECTORIN_ENGINE_DRS832_H
#define LECTORIN_ENGINE_DRS832_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(DRS832_BUILDING_ENGINE) && !defined(_WIN32)
#define DRS832_API __attribute__((visibility("default")))
#else
#define DRS832_API
#endif

/* Export ordinals of the two functions that have no exported name. */
#define DRS832_ORDINAL_SET_ENGINE_VALUE 2
#define DRS832_ORDINAL_SET_ENGINE_SWITCH 14

/* A callback whose arguments the engine chooses and the plug-in ignores. The
   C calling convention lets the callee ignore whatever the caller pushed. */
typedef int32_t (*drs_plain_callback)(void);

/* Receives the engine's complaints: class, detail and reason codes. */
typedef int32_t (*drs_error_callback)(uint32_t class_code, uint32_t detail_code,
                                      uint32_t reason_code);

/* Delivers the page to the engine one line at a time: request 0 restarts at
   the first line, any other value asks for the next one. Fills the buffer
   with one byte per pixel of the line and returns 0, or returns -1 when there
   are no more lines. */
typedef int32_t (*drs_line_callback)(void *feed, int32_t request,
                                     uint8_t *buffer);

/* A character's rectangle in the pixels of the image the engine read:
   (x0, y0) is the corner with the smaller coordinates. */
typedef struct drs_rectangle {
  uint16_t x0;
  uint16_t y0;
  uint16_t x1;
  uint16_t y1;
} drs_rectangle;

/* Starts an engine session with its data directory (ending in a separator)
   and its callbacks; the last argument is 0. Returns the session handle, or
   0 when the engine cannot start. */
DRS832_API int32_t drs7_init(drs_plain_callback first,
                             const char *data_directory,
                             drs_plain_callback second,
                             drs_error_callback errors, int32_t reserved);

/* Ends the session. */
DRS832_API int32_t drs7_upset(int32_t handle);

/* Sets a value of the session. The arguments after the code depend on it:
     3    drs_line_callback, void *feed, uint32_t width, uint32_t height, 0
     35   const uint16_t *characters (zero-terminated UTF-16), 0
     36, 104   0
     38   uint32_t resolution, 0
     42   0, 0, 0
     44   1, 0                                                            */
DRS832_API int32_t set_engine_value(int32_t handle, int32_t code, ...);

/* Sets a switch of the session: (handle, code, value). */
DRS832_API int32_t set_engine_switch(int32_t handle, int32_t code, ...);

/* Makes the language the session's main language. */
DRS832_API int32_t set_drs_language(int32_t handle, int32_t language);

/* Adds a further language to the current session's list. */
DRS832_API int32_t drs_add_language(int32_t language);

/* Finds the zones of the page, reading it through the line callback. */
DRS832_API int32_t do_zones(int32_t handle);

/* Recognises the page and fills the movable memory block (resizing it as it
   needs) with the code list: a 16-bit entry count at offset 0, the 16-bit
   entries from offset 4. Negative on failure. */
DRS832_API int32_t do_ocr(int32_t handle, void *code_block);

/* Makes the recognised characters' texts and rectangles readable, and
   releases them again. */
DRS832_API int32_t drs7_prep_coords(void);
DRS832_API int32_t drs7_free_coords(void);

/* Writes a character's text as zero-terminated UTF-16 into a buffer of 16
   units. Negative when the character has no text. */
DRS832_API int32_t drs7_read_one(int32_t character, uint16_t *text);

/* Fills a character's rectangle. */
DRS832_API int32_t drs7_read_coordinates(int32_t character,
                                         drs_rectangle *rectangle);

#ifdef __cplusplus
}
#endif

#endif /* LECTORIN_ENGINE_DRS832_H */
