//===- pix_page.h - A decoded Leptonica image as the editor's page -*- C++
//-*-===//
//
// The page forms that the readers of both builds share: run-length rows
// (code_bitonal_row, declared in page_source.h) and the page of an image
// that Leptonica decoded (every Linux file, PNM files on Windows).
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_PAGE_FORMS_H
#define LECTORIN_TOOLS_PAGE_FORMS_H

#include "page_source.h"

#include <leptonica/allheaders.h>

namespace lectorin_ocr {

/// The page of a decoded image, which stays the caller's: colour maps,
/// alpha and other depths resolved as page_source.h says. Throws
/// std::runtime_error when a conversion fails or the pixels would take more
/// than 4 GB.
LoadedPage page_from_pix(PIX *source);

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_PAGE_FORMS_H
