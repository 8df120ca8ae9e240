//===- picture_file.h - The overlay picture's file form --------*- C++ -*-===//
//
// The one place that encodes the overlay picture: Leptonica's PNG writer on
// Linux (picture_file.cpp), the system's codecs on Windows
// (picture_file_windows.cpp), whose Leptonica writes no PNG.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_PICTURE_FILE_H
#define LECTORIN_TOOLS_PICTURE_FILE_H

#include "page_source.h"

#include <string>

namespace lectorin_ocr {

/// The end of an overlay file's name, with its dot.
extern const char picture_file_extension[];

/// The picture as the bytes of its file. Throws std::runtime_error when it
/// cannot be encoded.
std::string encode_picture(const Pix &picture);

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_PICTURE_FILE_H
