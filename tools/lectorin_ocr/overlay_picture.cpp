//===- overlay_picture.cpp - Where the words were read, drawn -------------===//

#include "overlay_picture.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace lectorin_ocr {

namespace {

struct BoxDeleter {
  void operator()(BOX *box) const { boxDestroy(&box); }
};

// A thick outline is drawn as nested one-pixel outlines, each a pixel
// further in, because Leptonica centres a wide line on the box's edge.
// Leptonica leaves out points beyond the picture's edges.
void draw_outline(PIX *picture, const TextBox &box, int32_t thickness,
                  OutlineColour colour) {
  for (int32_t inset = 0; inset < thickness; ++inset) {
    int32_t width = box.right - box.left - 2 * inset;
    int32_t height = box.bottom - box.top - 2 * inset;
    if (width < 1 || height < 1)
      return;
    std::unique_ptr<BOX, BoxDeleter> outline(
        boxCreate(box.left + inset, box.top + inset, width, height));
    if (outline)
      pixRenderBoxArb(picture, outline.get(), 1, colour.red, colour.green,
                      colour.blue);
  }
}

} // namespace

PixPtr draw_overlay(const Pix &page, const PageText &text,
                    uint32_t resolution) {
  // Leptonica takes no const image, but only reads the page here.
  PixPtr picture(pixConvertTo32(const_cast<Pix *>(&page)));
  if (!picture)
    throw std::runtime_error("cannot make a colour copy of the page for "
                             "the overlay");
  int32_t thickness =
      std::max<int32_t>(1, static_cast<int32_t>(resolution / 150));
  for (const TextRegion &region : text.regions)
    for (const TextParagraph &paragraph : region.paragraphs)
      for (const TextLine &line : paragraph.lines)
        draw_outline(picture.get(), line.box, thickness, line_outline);
  for (const TextRegion &region : text.regions)
    for (const TextParagraph &paragraph : region.paragraphs)
      for (const TextLine &line : paragraph.lines)
        for (const TextWord &word : line.words)
          draw_outline(picture.get(), word.box, thickness, word_outline);
  return picture;
}

} // namespace lectorin_ocr
