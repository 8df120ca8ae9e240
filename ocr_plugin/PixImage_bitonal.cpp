//===- PixImage_bitonal.cpp - To run-length coded bitonal rows ------------===//

#include "PixImage.h"

#include "GBitmap.h"
#include "GException.h"
#include "PixImageInternal.h"

using namespace pix;

namespace {

// Codes the displayed rows of a gray or colour source, white where
// is_white(pixel); out has room for height * (width + 1) bytes, which is
// what rows of alternating pixels need. Returns the bytes written.
template <class IsWhite>
std::size_t code_rows(const PixImageDesc &source, unsigned char *out,
                      IsWhite is_white) {
  const DisplayedLayout l = displayed_layout(source);
  unsigned char *cursor = out;
  for (uint32_t i = 0; i < l.height; ++i) {
    int64_t at = l.origin + static_cast<int64_t>(i) * l.row_step;
    bool white = true; // every row starts with a white run
    uint32_t run = 0;
    for (uint32_t j = 0; j < l.width; ++j, at += l.col_step) {
      if (is_white(source.data + at) == white) {
        ++run;
        continue;
      }
      GBitmap::append_run(cursor, run);
      white = !white;
      run = 1;
    }
    GBitmap::append_run(cursor, run); // also the single 0 of an empty row
  }
  return static_cast<std::size_t>(cursor - out);
}

// Counts the gray values of every stored pixel.
template <class Gray>
void count_values(const PixImageDesc &d, uint32_t (&histogram)[256],
                  Gray gray) {
  const uint32_t rows = d.width != 0 ? d.height : 0;
  for (uint32_t y = 0; y < rows; ++y) {
    const unsigned char *row =
        d.data + static_cast<std::size_t>(y) * d.row_step;
    for (uint32_t x = 0; x < d.width; ++x)
      ++histogram[gray(row + static_cast<std::size_t>(x) * d.pixel_step)];
  }
}

} // namespace

void pix::code_bitonal(const PixImageDesc &source, PixImageDesc &target,
                       uint32_t threshold) {
  const uint32_t width = displayed_width(source);
  const uint32_t height = displayed_height(source);
  PixImageDesc d = empty_desc();
  d.type = TYPE_BITONAL;
  d.orientation = 0;
  d.width = width;
  d.height = height;
  d.x_resolution = displayed_x_resolution(source);
  d.y_resolution = displayed_y_resolution(source);
  target = d;
  make_memory(target, static_cast<uint64_t>(height) * (uint64_t{width} + 1));
  if (target.data == nullptr)
    return;
  std::size_t used = 0;
  // For colour the weighted sum is compared unscaled: sum >= 257 * threshold.
  const uint64_t colour_threshold = 257 * uint64_t{threshold};
  switch (source.type) {
  case TYPE_GRAY:
    used = code_rows(source, target.data, [threshold](const unsigned char *p) {
      return *p >= threshold;
    });
    break;
  case TYPE_RGB:
    used = code_rows(source, target.data, [=](const unsigned char *p) {
      return 77u * p[0] + 151u * p[1] + 29u * p[2] >= colour_threshold;
    });
    break;
  case TYPE_BGR:
    used = code_rows(source, target.data, [=](const unsigned char *p) {
      return 77u * p[2] + 151u * p[1] + 29u * p[0] >= colour_threshold;
    });
    break;
  default:
    G_THROW("PixImage.unrecog_type");
  }
  target.owner->resize(static_cast<uint32_t>(used));
}

uint32_t PixImage::auto_threshold() const {
  const PixImageDesc &d = *active_;
  uint32_t histogram[256] = {};
  switch (d.type) {
  case TYPE_GRAY:
    count_values(d, histogram, [](const unsigned char *p) { return *p; });
    break;
  case TYPE_RGB:
    count_values(d, histogram, [](const unsigned char *p) {
      return gray_of_rgb(p[0], p[1], p[2]);
    });
    break;
  case TYPE_BGR:
    count_values(d, histogram, [](const unsigned char *p) {
      return gray_of_rgb(p[2], p[1], p[0]);
    });
    break;
  default:
    break;
  }
  int hi = 255;
  while (hi > 0 && histogram[hi] == 0)
    --hi;
  if (histogram[hi] == 0)
    return 128; // no pixels
  int lo = 0;
  while (lo < hi && histogram[lo] == 0)
    ++lo;
  // Move each end inwards past sparse bins, at most half-way, so that a few
  // stray pixels do not pull the threshold towards them. Averages are
  // integers.
  const int half = (hi - lo) / 2;
  if (half > 0) {
    uint64_t sum = 0;
    for (int v = lo; v < lo + half; ++v)
      sum += histogram[v];
    const uint64_t low_average = sum / half;
    const int low_limit = lo + half;
    while (lo < low_limit && histogram[lo] < low_average)
      ++lo;
    sum = 0;
    for (int v = hi - half + 1; v <= hi; ++v)
      sum += histogram[v];
    const uint64_t high_average = sum / half;
    const int high_limit = hi - half;
    while (hi > high_limit && histogram[hi] < high_average)
      --hi;
  }
  return static_cast<uint32_t>((lo + hi + 1) / 2);
}

void PixImage::to_bitonal(uint32_t threshold) {
  PixImageDesc &d = *active_;
  if (d.type == TYPE_BITONAL)
    return;
  if ((threshold & 0xFF) == 0)
    threshold = auto_threshold();
  ScratchDesc coded;
  code_bitonal(d, coded.desc, threshold);
  if (copy_pending_) {
    // Coded straight from the caller's pixels, which materialising first
    // would only have copied.
    adopt_pixels(working_, coded.desc);
    copy_pending_ = false;
    return;
  }
  replace_pixels(d, coded.desc);
}
