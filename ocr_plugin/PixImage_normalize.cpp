//===- PixImage_normalize.cpp - Normal layouts and the engine's -----------===//
//
// normalize brings an image into packed rows at the buffer start whose
// stored rows are the displayed rows, top-down or bottom-up; the strict form
// is the layout the engine reads (bottom-up, gray one byte per pixel, colour
// as blue, green, red). Steps: transpose, pack, reverse the row order, and
// reverse the pixels of every row.
//
//===----------------------------------------------------------------------===//

#include "PixImage.h"

#include "GBitmap.h"
#include "GException.h"
#include "PixImageInternal.h"

#include <cstring>

using namespace pix;

namespace {

bool is_packed_at_start(const PixImageDesc &d) {
  return d.data == d.buffer &&
         d.row_step == static_cast<uint64_t>(d.pixel_step) * d.width;
}

bool is_normal(const PixImageDesc &d, bool strict) {
  if (!is_packed_at_start(d))
    return false;
  if (d.type == TYPE_BITONAL)
    return d.orientation == 0;
  if (!strict)
    return d.orientation == 0 || d.orientation == rows_reversed;
  const uint32_t step = d.type == TYPE_GRAY ? 1 : 3;
  return d.orientation == rows_reversed && d.type != TYPE_RGB &&
         d.pixel_step == step;
}

// Makes the stored rows the displayed rows, top-down (orientation 0). The
// displayed image goes to a temporary copy and back to the buffer start:
// laid out row by row it overwrites stored pixels that later rows still
// need, so no band of it can be written back before the whole is read. The
// copy keeps the pixel step; packing comes next.
void transpose(PixImageDesc &d) {
  const uint32_t width = displayed_width(d);
  const uint32_t height = displayed_height(d);
  const uint64_t bytes = uint64_t{d.pixel_step} * width * height;
  if (bytes != 0) {
    // It fits: the stored rows hold at least as many bytes.
    ScratchArray<unsigned char> copy(bytes);
    const std::size_t step = d.pixel_step;
    // Packed gray and colour pixels are copied with a fixed size, inline:
    // every height stretch passes the whole image through here, and a copy
    // call per pixel took longer than the stretch itself.
    if (step == 1) {
      copy_displayed(d, copy.get(), 1, false,
                     [](const unsigned char *p, unsigned char *o) { *o = *p; });
    } else if (step == 3) {
      copy_displayed(d, copy.get(), 3, false,
                     [](const unsigned char *p, unsigned char *o) {
                       std::memcpy(o, p, 3);
                     });
    } else {
      copy_displayed(d, copy.get(), step, false,
                     [step](const unsigned char *p, unsigned char *o) {
                       std::memcpy(o, p, step);
                     });
    }
    std::memcpy(d.buffer, copy.get(), static_cast<std::size_t>(bytes));
  }
  const uint32_t x_resolution = d.x_resolution;
  d.x_resolution = d.y_resolution;
  d.y_resolution = x_resolution;
  d.width = width;
  d.height = height;
  d.row_step = buffer_bytes(uint64_t{d.pixel_step} * width);
  d.orientation = 0;
  d.data = d.buffer;
}

// Packed rows at the buffer start with one byte per gray pixel and three per
// colour pixel. Each pixel lands at or before where it was read from, and
// rows are moved first to last, so nothing unread is overwritten.
void pack(PixImageDesc &d, bool strict) {
  const uint32_t step = d.type == TYPE_GRAY ? 1 : 3;
  const bool to_bgr = d.type == TYPE_RGB && (strict || d.pixel_step > 3);
  if (is_packed_at_start(d) && d.pixel_step == step && !to_bgr)
    return;
  const std::size_t row_bytes = static_cast<std::size_t>(step) * d.width;
  // Rows without pixels have nothing to move, however many there are.
  const uint32_t rows = row_bytes != 0 ? d.height : 0;
  unsigned char *out = d.buffer;
  for (uint32_t y = 0; y < rows; ++y, out += row_bytes) {
    const unsigned char *row =
        d.data + static_cast<std::size_t>(y) * d.row_step;
    if (d.pixel_step == step && !to_bgr) {
      std::memmove(out, row, row_bytes);
      continue;
    }
    const unsigned char *p = row;
    unsigned char *o = out;
    for (uint32_t x = 0; x < d.width; ++x, p += d.pixel_step, o += step) {
      if (step == 1) {
        *o = *p;
        continue;
      }
      // Read the whole pixel first: with a step of 3 or 4 it may overlap
      // the place it goes to.
      const unsigned char first = p[0], second = p[1], third = p[2];
      o[0] = to_bgr ? third : first;
      o[1] = second;
      o[2] = to_bgr ? first : third;
    }
  }
  if (to_bgr)
    d.type = TYPE_BGR;
  d.pixel_step = step;
  d.row_step = static_cast<uint32_t>(row_bytes);
  d.data = d.buffer;
}

// First row with last, second with second-to-last, ... through one row of
// scratch memory.
void reverse_row_order(PixImageDesc &d) {
  const std::size_t row_bytes = d.row_step;
  if (d.height < 2 || row_bytes == 0)
    return;
  ScratchArray<unsigned char> row(row_bytes);
  for (uint32_t top = 0, bottom = d.height - 1; top < bottom; ++top, --bottom) {
    unsigned char *a = d.data + top * row_bytes;
    unsigned char *b = d.data + bottom * row_bytes;
    std::memcpy(row.get(), a, row_bytes);
    std::memcpy(a, b, row_bytes);
    std::memcpy(b, row.get(), row_bytes);
  }
}

// Reverses the pixels of every packed row.
void reverse_pixels(PixImageDesc &d) {
  const std::size_t step = d.pixel_step;
  if (d.width < 2)
    return;
  for (uint32_t y = 0; y < d.height; ++y) {
    unsigned char *row = d.data + static_cast<std::size_t>(y) * d.row_step;
    unsigned char *left = row;
    unsigned char *right = row + (d.width - 1) * step;
    for (; left < right; left += step, right -= step)
      for (std::size_t k = 0; k < step; ++k) {
        unsigned char t = left[k];
        left[k] = right[k];
        right[k] = t;
      }
  }
}

} // namespace

void PixImage::normalize(bool strict) {
  if (is_normal(*active_, strict))
    return;
  materialise();
  PixImageDesc &d = *active_;
  if (d.type == TYPE_BITONAL) {
    if (is_normal(d, strict))
      return;
    ScratchDesc rows;
    copy_out(d, rows.desc);
    adopt_pixels(d, rows.desc);
    return;
  }
  if (is_transposed(d))
    transpose(d);
  pack(d, strict);
  if (strict && (d.orientation & rows_reversed) == 0) {
    reverse_row_order(d);
    d.orientation |= rows_reversed;
  }
  if (d.orientation & pixels_reversed) {
    reverse_pixels(d);
    d.orientation &= ~pixels_reversed;
  }
}
