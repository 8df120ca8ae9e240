//===- page_forms.h - What every page reader shares ------------*- C++ -*-===//
//
// The page forms that the readers of both builds share: run-length rows
// (code_bitonal_row, declared in page_source.h) and the page of an image
// that Leptonica holds (every Linux file, PNM files and the overlay's copy
// of a page on Windows).
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_PAGE_FORMS_H
#define LECTORIN_TOOLS_PAGE_FORMS_H

#include "page_source.h"

#include <leptonica/allheaders.h>

namespace lectorin_ocr {

/// A copy of a decoded image, which stays the caller's, in one of the three
/// forms the editor hands over: colour maps resolved, transparent pixels laid
/// over white, depths other than 1, 8 and 32 bits made 8-bit gray. Throws
/// std::runtime_error when a conversion fails.
PixPtr normalise_pix(PIX *source);

/// The page of an image that normalise_pix made; the page takes over its
/// pixels. Throws std::runtime_error when the pixels would take more than
/// 4 GB.
LoadedPage page_from_pix(PixPtr pix);

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_PAGE_FORMS_H
