//===- PixImage_gray.cpp - To 8-bit gray ----------------------------------===//
//
// The gray copy shows any source's displayed image as packed gray rows
// stored bottom-up (orientation 1); to_gray uses it for bitonal sources and
// for a copy still pending, and converts colour in place otherwise.
//
//===----------------------------------------------------------------------===//

#include "PixImage.h"

#include "GBitmap.h"
#include "GException.h"
#include "PixImageInternal.h"

#include <cstring>

using namespace pix;

namespace {

// Decodes the coded rows of a bitonal source into target, which has the
// source's displayed size, stored bottom-up. Coded row r, pixel c goes where
// displayed row r, column c of target lies under the orientation below; with
// it the target shows the source's displayed image for every orientation.
void decode_bitonal(const PixImageDesc &source, PixImageDesc &target) {
  static const uint32_t placing[8] = {1, 0, 3, 2, 6, 4, 7, 5};
  PixImageDesc view = target;
  view.orientation = placing[source.orientation];
  const DisplayedLayout l = displayed_layout(view);
  unsigned char *pixels = target.data;
  GBitmap::RowReader reader(source.data, coded_size(source));
  for (uint32_t r = 0; r < source.height; ++r) {
    const int64_t row = l.origin + static_cast<int64_t>(r) * l.row_step;
    reader.read_row(
        source.width, [&](uint32_t column, uint32_t length, bool black) {
          if (length == 0)
            return;
          const int value = black ? 0 : 255;
          const int64_t first = row + static_cast<int64_t>(column) * l.col_step;
          if (l.col_step == 1) {
            std::memset(pixels + first, value, length);
          } else if (l.col_step == -1) {
            std::memset(pixels + (first - (length - 1)), value, length);
          } else {
            int64_t at = first;
            for (uint32_t c = 0; c < length; ++c, at += l.col_step)
              pixels[at] = static_cast<unsigned char>(value);
          }
        });
  }
}

} // namespace

void pix::gray_copy(const PixImageDesc &source, PixImageDesc &target) {
  const uint32_t width = displayed_width(source);
  const uint32_t height = displayed_height(source);
  PixImageDesc d = empty_desc();
  d.type = TYPE_GRAY;
  d.orientation = rows_reversed;
  d.width = width;
  d.height = height;
  d.pixel_step = 1;
  d.row_step = width;
  d.x_resolution = displayed_x_resolution(source);
  d.y_resolution = displayed_y_resolution(source);
  target = d;
  make_memory(target, static_cast<uint64_t>(width) * height);
  unsigned char *out = target.data;
  switch (source.type) {
  case TYPE_BITONAL:
    // Rows of no pixels are decoded too: each must be one empty run, and
    // damaged ones are refused here rather than handed on.
    if (source.height != 0)
      decode_bitonal(source, target);
    break;
  case TYPE_GRAY:
  case TYPE_RGB:
  case TYPE_BGR:
    displayed_gray(source, out);
    break;
  default:
    G_THROW("PixImage.unrecog_type");
  }
}

void PixImage::to_gray() {
  PixImageDesc &d = *active_;
  if (d.type == TYPE_GRAY)
    return;
  if (copy_pending_) {
    // Straight from the caller's pixels: the same image as materialising
    // and converting, in one pass and a third of the memory.
    ScratchDesc gray;
    gray_copy(working_, gray.desc);
    adopt_pixels(working_, gray.desc);
    copy_pending_ = false;
    return;
  }
  if (d.type == TYPE_BITONAL) {
    ScratchDesc gray;
    gray_copy(d, gray.desc);
    replace_pixels(d, gray.desc);
    return;
  }
  // Colour, in place: every packed gray byte lands at or before the first
  // byte of its pixel, after that pixel has been read, so no unread byte is
  // overwritten. Rows without pixels take no time, however many.
  const bool rgb = d.type == TYPE_RGB;
  unsigned char *out = d.data;
  const uint32_t rows = d.width != 0 ? d.height : 0;
  for (uint32_t y = 0; y < rows; ++y) {
    const unsigned char *p = d.data + static_cast<std::size_t>(y) * d.row_step;
    for (uint32_t x = 0; x < d.width; ++x, p += d.pixel_step)
      *out++ =
          rgb ? gray_of_rgb(p[0], p[1], p[2]) : gray_of_rgb(p[2], p[1], p[0]);
  }
  d.type = TYPE_GRAY;
  d.pixel_step = 1;
  d.row_step = d.width;
}
