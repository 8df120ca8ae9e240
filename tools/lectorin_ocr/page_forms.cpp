//===- page_forms.cpp - What every page reader shares ---------------------===//

#include "page_forms.h"

#include "GBitmap.h"

#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>

namespace lectorin_ocr {

void PixDeleter::operator()(Pix *pix) const { pixDestroy(&pix); }

PixPtr normalise_pix(PIX *source) {
  PixPtr pix(pixRemoveColormap(source, REMOVE_CMAP_BASED_ON_SRC));
  if (!pix)
    throw std::runtime_error("cannot decode the image's colours");
  if (pixGetDepth(pix.get()) == 32 && pixGetSpp(pix.get()) == 4) {
    // Transparent parts are paper: shown over white, not black.
    pix.reset(pixAlphaBlendUniform(pix.get(), 0xffffff00));
    if (!pix)
      throw std::runtime_error("cannot lay the image over white");
  }
  l_int32 depth = pixGetDepth(pix.get());
  if (depth != 1 && depth != 8 && depth != 32) {
    pix.reset(pixConvertTo8(pix.get(), 0));
    if (!pix)
      throw std::runtime_error("cannot convert the image to gray");
  }
  return pix;
}

namespace {

// Leptonica keeps each row as 32-bit words with the first pixel in the
// most significant byte. In memory order those are the bytes of the row
// only where words are stored big end first; elsewhere swapping the bytes
// of every word makes them so, and the plug-in can read the decoder's own
// pixels where they lie.
void to_memory_order(PIX *pix) {
  const uint32_t probe = 1;
  unsigned char first = 0;
  std::memcpy(&first, &probe, 1);
  if (first == 1 && pixEndianByteSwap(pix) != 0)
    throw std::runtime_error("cannot reorder the image's bytes");
}

} // namespace

void code_bitonal_row(const std::vector<uint8_t> &bits,
                      std::vector<uint8_t> &coded) {
  // A run of n >= 1 pixels never takes more than n bytes; the leading white
  // run may be empty and take one more.
  std::size_t start = coded.size();
  coded.resize(start + bits.size() + 1);
  unsigned char *cursor = coded.data() + start;
  uint8_t colour = 0; // rows start with a white run, maybe empty
  uint32_t run = 0;
  for (uint8_t bit : bits) {
    if (bit == colour) {
      ++run;
      continue;
    }
    GBitmap::append_run(cursor, run);
    colour = bit;
    run = 1;
  }
  GBitmap::append_run(cursor, run);
  coded.resize(static_cast<std::size_t>(cursor - coded.data()));
}

LoadedPage page_from_pix(PixPtr pix) {
  l_int32 depth = pixGetDepth(pix.get());
  LoadedPage page;
  page.width = static_cast<uint32_t>(pixGetWidth(pix.get()));
  page.height = static_cast<uint32_t>(pixGetHeight(pix.get()));
  page.x_resolution = static_cast<uint32_t>(
      pixGetXRes(pix.get()) > 0 ? pixGetXRes(pix.get()) : 0);
  page.y_resolution = static_cast<uint32_t>(
      pixGetYRes(pix.get()) > 0 ? pixGetYRes(pix.get()) : 0);
  uint32_t words = static_cast<uint32_t>(pixGetWpl(pix.get()));
  const l_uint32 *rows = pixGetData(pix.get());
  // The descriptor gives the buffer's size in 32 bits.
  if (std::size_t{words} * 4 * page.height >
      std::numeric_limits<uint32_t>::max())
    throw std::runtime_error("the image is too large: its pixels take more "
                             "than 4 GB");
  if (depth == 1) {
    page.form = PixelForm::bitonal;
    std::vector<uint8_t> bits(page.width);
    for (uint32_t y = 0; y < page.height; ++y) {
      const l_uint32 *line = rows + std::size_t{y} * words;
      for (uint32_t x = 0; x < page.width; ++x)
        bits[x] = static_cast<uint8_t>(GET_DATA_BIT(line, x));
      code_bitonal_row(bits, page.coded);
    }
    return page;
  }
  to_memory_order(pix.get());
  page.form = depth == 8 ? PixelForm::gray : PixelForm::rgb;
  page.pixel_step = depth == 8 ? 1 : 4;
  page.row_step = 4 * words;
  page.data = reinterpret_cast<const uint8_t *>(pixGetData(pix.get()));
  page.size = std::size_t{page.row_step} * page.height;
  PIX *kept = pix.release();
  page.decoded = std::shared_ptr<void>(kept, [](void *p) {
    PIX *held = static_cast<PIX *>(p);
    pixDestroy(&held);
  });
  return page;
}

} // namespace lectorin_ocr
