//===- overlay_picture.h - Where the words were read, drawn ----*- C++ -*-===//
//
// The fastest way to judge a result is to look at it: the overlay is the
// page with every text line's box drawn in blue and every word's box in red
// over it, drawn with Leptonica. A box's outline lies on its outermost
// pixels and runs inwards from there, one pixel thick per 150 dots per inch
// (at least one), so that nothing outside a box is painted; words are drawn
// after lines, so where their edges meet the word's colour shows.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_OVERLAY_PICTURE_H
#define LECTORIN_TOOLS_OVERLAY_PICTURE_H

#include "page_source.h"
#include "page_text.h"

#include <cstdint>

namespace lectorin_ocr {

/// The colours of the outlines, as red, green, blue.
struct OutlineColour {
  uint8_t red, green, blue;
};
constexpr OutlineColour line_outline{0, 90, 255};
constexpr OutlineColour word_outline{230, 0, 0};

/// A colour copy of the page (any form read_page_pix gives) with the boxes
/// of the text drawn on it. resolution is the page's, 0 when unknown.
/// Throws std::runtime_error when Leptonica cannot make the copy.
PixPtr draw_overlay(const Pix &page, const PageText &text, uint32_t resolution);

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_OVERLAY_PICTURE_H
