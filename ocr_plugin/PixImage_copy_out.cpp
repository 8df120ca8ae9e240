//===- PixImage_copy_out.cpp - Copying an image out in the strict layout --===//
//
// What materialising and detaching make: gray as the gray copy, colour as
// packed BGR stored bottom-up, bitonal as the displayed image coded with
// orientation 0. The target is always a fresh descriptor.
//
//===----------------------------------------------------------------------===//

#include "GBitmap.h"
#include "GException.h"
#include "PixImageInternal.h"

#include <cstring>

using namespace pix;

namespace {

bool is_strict_bgr(const PixImageDesc &d) {
  return d.type == TYPE_BGR && d.pixel_step == 3 &&
         d.row_step == 3 * uint64_t{d.width} && d.data == d.buffer &&
         d.orientation == rows_reversed;
}

void copy_out_colour(const PixImageDesc &source, PixImageDesc &target) {
  const uint32_t width = displayed_width(source);
  const uint32_t height = displayed_height(source);
  PixImageDesc d = empty_desc();
  d.type = TYPE_BGR;
  d.orientation = rows_reversed;
  d.width = width;
  d.height = height;
  d.pixel_step = 3;
  d.row_step = buffer_bytes(3 * uint64_t{width});
  d.x_resolution = displayed_x_resolution(source);
  d.y_resolution = displayed_y_resolution(source);
  target = d;
  const uint64_t bytes = uint64_t{d.row_step} * height;
  make_memory(target, bytes);
  if (bytes == 0)
    return;
  if (is_strict_bgr(source)) {
    std::memcpy(target.data, source.data, static_cast<std::size_t>(bytes));
  } else if (source.type == TYPE_RGB) {
    copy_displayed(source, target.data, 3, true,
                   [](const unsigned char *p, unsigned char *o) {
                     o[0] = p[2];
                     o[1] = p[1];
                     o[2] = p[0];
                   });
  } else {
    copy_displayed(source, target.data, 3, true,
                   [](const unsigned char *p, unsigned char *o) {
                     o[0] = p[0];
                     o[1] = p[1];
                     o[2] = p[2];
                   });
  }
}

// The run-length operations that turn the stored rows into the displayed
// ones. Without bit 2: bit 0 reverses the row order, bit 1 mirrors each row.
// With bit 2 the image is transposed (displayed row r is stored column r, or
// W - 1 - r with bit 1) and then mirrored unless bit 0 says the displayed
// rows run bottom to top already.
void copy_out_bitonal(const PixImageDesc &source, PixImageDesc &target) {
  PixImageDesc d = empty_desc();
  d.type = TYPE_BITONAL;
  d.orientation = 0;
  d.width = displayed_width(source);
  d.height = displayed_height(source);
  d.x_resolution = displayed_x_resolution(source);
  d.y_resolution = displayed_y_resolution(source);
  target = d;
  const uint32_t o = source.orientation;
  const std::size_t size = coded_size(source);
  if (o == 0) {
    // The displayed rows are the stored ones: the coded bytes as they are,
    // once every row has been read, so that damaged rows, or fewer rows than
    // the height, are refused here and not handed on.
    GBitmap::RowReader reader(source.data, size);
    for (uint32_t r = 0; r < source.height; ++r)
      reader.skip_row(source.width);
    make_memory(target, size);
    if (size != 0)
      std::memcpy(target.data, source.data, size);
    return;
  }
  const uint32_t w = source.width;
  const uint32_t h = source.height;
  unsigned char *bytes = nullptr;
  GRawBuffer coded(bytes, 0, 1, true);
  // Each step reads the previous result from bytes before handing its own
  // to coded, which frees the old one.
  if ((o & transposed) == 0) {
    const unsigned char *rows = source.data;
    std::size_t n = size;
    if (o & rows_reversed) {
      // Reversed are the rows, not whatever the memory holds after them:
      // a caller's buffer may be larger than its coded rows.
      GBitmap::RowReader reader(rows, n);
      for (uint32_t r = 0; r < h; ++r)
        reader.skip_row(w);
      n = GBitmap::reverse_rows(coded, rows, reader.offset(), w, h);
      rows = bytes;
    }
    if (o & pixels_reversed)
      GBitmap::mirror_rows(coded, rows, n, w, h);
  } else {
    const bool direction = (o & pixels_reversed) == 0;
    std::size_t n =
        GBitmap::transpose(coded, source.data, size, w, h, direction);
    if ((o & rows_reversed) == 0)
      GBitmap::mirror_rows(coded, bytes, n, h, w);
  }
  PixBuffer::adopt(target, coded);
}

} // namespace

void pix::copy_out(const PixImageDesc &source, PixImageDesc &target) {
  switch (source.type) {
  case TYPE_BITONAL:
    copy_out_bitonal(source, target);
    break;
  case TYPE_GRAY:
    gray_copy(source, target);
    break;
  case TYPE_RGB:
  case TYPE_BGR:
    copy_out_colour(source, target);
    break;
  default:
    G_THROW("PixImage.unrecog_type");
  }
}
