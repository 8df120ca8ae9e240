//===- format_writers.h - One writer per output format ---------*- C++ -*-===//
//
// Private to output_format.cpp and the writers: each format's document head,
// page and tail, and the escaping they share.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_FORMAT_WRITERS_H
#define LECTORIN_TOOLS_FORMAT_WRITERS_H

#include "output_format.h"

#include <string>

namespace lectorin_ocr {

/// Appends text as XML character data or attribute value: the five markup
/// characters as entities, and the control characters that XML 1.0 does
/// not allow (even as references) as U+FFFD.
void append_markup_text(std::string &out, const std::string &text);

std::string hocr_head(const DocumentInfo &document);
std::string hocr_page(const PageText &text, const PageInfo &page,
                      const DocumentInfo &document);
std::string hocr_tail();

std::string alto_head(const DocumentInfo &document);
std::string alto_page(const PageText &text, const PageInfo &page,
                      const DocumentInfo &document);
std::string alto_tail();

std::string plain_text_page(const PageText &text);

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_FORMAT_WRITERS_H
