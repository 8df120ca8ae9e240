//===- text_page.h - Text set on a page, with its ground truth -*- C++ -*-===//
//
// Sets a text on a white gray page with Pango and Cairo, left-aligned between
// the margins, and measures where every word's ink went. Paragraphs are
// separated by blank lines and by a blank line's height on the page; a
// single line break inside a paragraph starts a new line; long lines wrap
// between words (inside a word only when it is wider than the text area).
//
// Glyphs are drawn unhinted with gray antialiasing, so the same text gives
// the same pixels wherever the same fonts are installed.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_TEXT_PAGE_H
#define LECTORIN_TOOLS_TEXT_PAGE_H

#include "ground_truth.h"
#include "page_image.h"

#include <string>

namespace pagegen {

struct TextPage {
  std::string text;                  ///< UTF-8
  std::string font = "DejaVu Serif"; ///< a font family, optionally with style
  double points = 12;
  int32_t resolution = 300; ///< dots per inch
  int32_t width = 2480;     ///< pixels
  int32_t height = 3508;    ///< pixels
  int32_t margin = -1;      ///< pixels; negative: half an inch
};

struct RenderedPage {
  Image image; ///< gray, as displayed
  GroundTruth truth;
};

/// Sets the text on the page. Throws std::runtime_error when the settings
/// cannot make a page (a size or resolution that is not positive, margins
/// that leave no room), when the text is not UTF-8, when the font family is
/// not installed, or when the text does not fit on the page.
RenderedPage render_text_page(const TextPage &page);

} // namespace pagegen

#endif // LECTORIN_TOOLS_TEXT_PAGE_H
