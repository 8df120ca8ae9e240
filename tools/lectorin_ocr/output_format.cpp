//===- output_format.cpp - The forms lectorin-ocr writes text in ----------===//

#include "output_format.h"

#include "format_writers.h"

#include <cassert>

namespace lectorin_ocr {

namespace {

struct FormatName {
  const char *name;
  Format format;
  const char *extension;
};

// ALTO files are XML too; ".alto.xml" keeps them apart from the plug-in's.
const FormatName formats[] = {{"xml", Format::xml, ".xml"},
                              {"hocr", Format::hocr, ".hocr"},
                              {"alto", Format::alto, ".alto.xml"},
                              {"txt", Format::txt, ".txt"}};

} // namespace

bool find_format(const std::string &name, Format &format) {
  for (const FormatName &f : formats) {
    if (name == f.name) {
      format = f.format;
      return true;
    }
  }
  return false;
}

const char *file_extension(Format format) {
  for (const FormatName &f : formats)
    if (f.format == format)
      return f.extension;
  return "";
}

bool file_per_page(Format format) { return format == Format::xml; }

void append_markup_text(std::string &out, const std::string &text) {
  for (char c : text) {
    switch (c) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '"':
      out += "&quot;";
      break;
    case '\'':
      out += "&apos;";
      break;
    default:
      if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' &&
          c != '\r')
        out += "\xEF\xBF\xBD";
      else
        out += c;
    }
  }
}

std::string document_head(Format format, const DocumentInfo &document) {
  switch (format) {
  case Format::hocr:
    return hocr_head(document);
  case Format::alto:
    return alto_head(document);
  case Format::xml:
  case Format::txt:
    break;
  }
  return "";
}

std::string format_page(Format format, const PageText &text,
                        const PageInfo &page, const DocumentInfo &document) {
  switch (format) {
  case Format::hocr:
    return hocr_page(text, page, document);
  case Format::alto:
    return alto_page(text, page, document);
  case Format::txt:
    return plain_text_page(text);
  case Format::xml:
    break;
  }
  assert(false && "xml pages are the plug-in's own documents");
  return "";
}

std::string page_separator(Format format) {
  return format == Format::txt ? "\f" : "";
}

std::string document_tail(Format format) {
  switch (format) {
  case Format::hocr:
    return hocr_tail();
  case Format::alto:
    return alto_tail();
  case Format::xml:
  case Format::txt:
    break;
  }
  return "";
}

} // namespace lectorin_ocr
