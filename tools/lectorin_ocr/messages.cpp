//===- messages.cpp - Identifiers explained to people ---------------------===//

#include "messages.h"

#include <cstring>

namespace lectorin_ocr {

namespace {

struct Explanation {
  const char *identifier;
  const char *sentence;
};

const Explanation explanations[] = {
    {"IRIS.noEngine", "no OCR engine found; looked in"},
    {"IRIS.noLibs",
     "the OCR engine was found but its data file eng.ytr was not (looked in "
     "its "
     "DRS/ subdirectory and beside it), or its directory name is too long"},
    {"IRIS.cantload", "the OCR engine could not be loaded or refused to start"},
    {"IRIS.badoption",
     "the option text was rejected (see --help for the options)"},
    {"IRIS.exception",
     "the plug-in failed inside (out of memory or damaged data)"},
    {"IRIS.nomem", "the OCR engine ran out of room for the page"},
    {"IRIS.lexicon", "the OCR engine's lexicon could not be used"},
    {"IRIS.badchar", "the OCR engine met a character it cannot handle"},
    {"IRIS.abnormal", "the OCR engine ended abnormally"},
    {"IRIS.maindict",
     "the OCR engine has no dictionary for the requested languages "
     "(install more language data, e.g. apt-get install tesseract-ocr-deu)"},
    {"IRIS.userdict", "the OCR engine's user dictionary could not be used"},
    {"IRIS.detected", "the OCR engine reported a problem (class, detail and "
                      "reason codes follow)"},
    {"GException.outofmemory", "out of memory"},
    {"GBitmap.lost_sync", "the 1-bit image's run-length rows are damaged"},
    {"GBitmap.lost_sync2", "the 1-bit image's run-length rows are damaged"},
    {"PixImage.data_size", "the image's pixel data starts before its buffer"},
    {"PixImage.bad_orient", "the image's orientation code is not 0 to 7"},
    {"PixImage.bad_datasize",
     "the 1-bit image's coded rows are shorter than its height"},
    {"PixImage.bad_gray_size", "the gray image's pixel step is 0"},
    {"PixImage.bad_rowsize", "the image's row step is smaller than its width"},
    {"PixImage.bad_datasize2",
     "the gray image's last row runs past the end of its buffer"},
    {"PixImage.bad_color_size",
     "the colour image's pixel step is below 3 bytes"},
    {"PixImage.bad_datasize3",
     "the colour image's last row runs past the end of its buffer"},
    {"PixImage.unrecog_type", "the image's pixel type is not known"},
    {"PixImage.no_image_data", "the image has a size but no pixel data"},
    {"PixImage.bad_subsample",
     "the image cannot be reduced to the size asked for"},
    {"PixImage.bad_hstretchraw",
     "the image cannot be stretched to the width asked for"},
    {"PixImage.bad_upsample",
     "the image cannot be enlarged to the size asked for"},
};

std::string explain_one(const std::string &message) {
  std::string name = message.substr(0, message.find_first_of("\t\v"));
  std::string parameters;
  for (char c : message.substr(name.size()))
    parameters += (c == '\t' || c == '\v') ? ' ' : c;
  for (const Explanation &e : explanations)
    if (name == e.identifier)
      return name + parameters + " \xE2\x80\x94 " + e.sentence;
  return message.empty() ? std::string("unknown failure") : name + parameters;
}

} // namespace

std::string explain(const std::string &identifiers) {
  std::string text;
  std::size_t start = 0;
  while (start <= identifiers.size()) {
    std::size_t end = identifiers.find('\n', start);
    if (end == std::string::npos)
      end = identifiers.size();
    if (end > start) {
      if (!text.empty())
        text += "; ";
      text += explain_one(identifiers.substr(start, end - start));
    }
    start = end + 1;
  }
  return text.empty() ? "unknown failure" : text;
}

} // namespace lectorin_ocr
