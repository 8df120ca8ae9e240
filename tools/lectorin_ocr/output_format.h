//===- output_format.h - The forms lectorin-ocr writes text in -*- C++ -*-===//
//
// xml is the plug-in's hidden text as it returns it, one document per page.
// The others are written from the same words (page_text.h), every page of a
// run or of an image file in one document:
//
//   hocr  hOCR 1.2, XHTML: an ocr_page per page, ocr_carea, ocr_par,
//         ocr_line and ocrx_word with their boxes, ocrx_cinfo per character
//         where the hidden text has characters;
//   alto  ALTO 4.4: a Page per page with its PrintSpace, a TextBlock per
//         paragraph, TextLine, String and SP between words, in pixels;
//   txt   the words in reading order: a space between words, a line feed
//         after each line, an empty line between paragraphs and a form feed
//         between pages.
//
// A document is document_head(), the pages joined by page_separator(), and
// document_tail(). Boxes are the hidden text's, unchanged.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_OUTPUT_FORMAT_H
#define LECTORIN_TOOLS_OUTPUT_FORMAT_H

#include "page_text.h"

#include <cstdint>
#include <string>

namespace lectorin_ocr {

enum class Format { xml, hocr, alto, txt };

/// The format of a name ("xml", "hocr", "alto", "txt"); false for others.
bool find_format(const std::string &name, Format &format);

/// The end of the name of the file a format is written to: ".xml",
/// ".hocr", ".alto.xml" or ".txt".
const char *file_extension(Format format);

/// True for xml, whose every page is a document (and a file) of its own.
bool file_per_page(Format format);

/// What a document says about the run as a whole.
struct DocumentInfo {
  std::string version;     ///< lectorin-ocr's
  std::string option_text; ///< as sent to the plug-in
  std::string language;    ///< BCP 47 tag of the main language, or empty
  std::string image_file;  ///< the one image the document covers, or empty
  bool characters = false; ///< the hidden text has characters
};

/// One page of a document.
struct PageInfo {
  std::string image_file;
  int number = 1; ///< the page's place in its document, from 1
  int32_t width = 0;
  int32_t height = 0;
  uint32_t x_resolution = 0; ///< 0 when unknown
  uint32_t y_resolution = 0;
};

std::string document_head(Format format, const DocumentInfo &document);
/// One page in a format other than xml.
std::string format_page(Format format, const PageText &text,
                        const PageInfo &page, const DocumentInfo &document);
std::string page_separator(Format format);
std::string document_tail(Format format);

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_OUTPUT_FORMAT_H
