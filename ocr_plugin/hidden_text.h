//===- hidden_text.h - The page's hidden text as XML -----------*- C++ -*-===//
//
// After recognition the engine leaves a code list: a 16-bit entry count N at
// offset 0, two bytes the writer skips, then N 16-bit entries in reading
// order. An entry with bit 15 clear is a recognised character, whose text and
// rectangle the engine hands out; one with bit 15 set is a control code that
// ends a word, a line or a region, or skips entries. The writer turns the
// list into one UTF-8 document without whitespace between elements:
//
//   <?xml version="1.0" ?><HIDDENTEXT><PAGECOLUMN><REGION><PARAGRAPH><LINE>
//   <WORD Coords="left,top,right,bottom">text</WORD>...</LINE>...
//
// (one line here for reading). With the option "char", each WORD holds CHAR
// elements with their own Coords instead of text; with "nosep" paragraphs
// open as <PARAGRAPH sep="no">. Coordinates are in the page's pixels.
//
//   session.output = ByteStream::create_memory();
//   write_hidden_text(session, list, list_bytes, options);
//   session.result_text = take_hidden_text(session);
//
// The engine binding (engine_binding.h) must be in place. Failures of the
// stream or the strings leave as exceptions, with the document incomplete.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_OCR_PLUGIN_HIDDEN_TEXT_H
#define LECTORIN_OCR_PLUGIN_HIDDEN_TEXT_H

#include "ByteStream.h"
#include "GString.h"
#include "drs832.h"
#include "ocr_interface.h"
#include "ocr_options.h"

#include <cstddef>
#include <cstdint>

/// The two boxed elements: four coordinates, then the escaped text.
extern const char word_element_format[]; // <WORD Coords="%d,%d,%d,%d">%s</WORD>
extern const char char_element_format[]; // <CHAR Coords="%d,%d,%d,%d">%s</CHAR>

/// Writes the document for the code list, list_bytes long, to the session's
/// output stream (a new memory stream when it has none), scaling by the
/// session's scale_x and scale_y. Entries beyond what list_bytes holds are
/// never read, whatever the count says; a skip that reaches past the end
/// ends the list. Characters the engine has no text for are left out. A word
/// still being gathered when the list ends is written like one that a
/// control code ends.
void write_hidden_text(OcrSession &session, const void *code_list,
                       std::size_t list_bytes, const OcrOptions &options);

/// Moves the text level from level to target, writing the closing texts of
/// the levels left or the opening texts of the levels entered, and stores
/// target in level. Levels 0 and 1 have no element; 2 is HIDDENTEXT with its
/// PAGECOLUMN, 3 REGION, 4 PARAGRAPH (with sep="no" unless separate), 5 LINE
/// and 6 a plain WORD; levels above 6 write nothing.
void change_text_level(ByteStream &stream, int32_t &level, int32_t target,
                       const OcrOptions &options);

/// Appends one element made from format (word_element_format or
/// char_element_format) with the rectangle scaled by the session's factors
/// and the XML-escaped text. The near corner is cut down to whole pixels,
/// the far corner goes to the nearest; each product is taken in double
/// precision, alike in every build, and results beyond 32 bits are held at
/// the limit.
void write_boxed_element(ByteStream &stream, const char *format,
                         const drs_rectangle &rectangle,
                         const GUTF8String &text, const OcrSession &session);

/// Hands the document back: the session's output from its start up to its
/// position, as a new zero-terminated buffer (delete[] frees it), and
/// releases the stream. Null when the session has no stream.
char *take_hidden_text(OcrSession &session);

#endif // LECTORIN_OCR_PLUGIN_HIDDEN_TEXT_H
