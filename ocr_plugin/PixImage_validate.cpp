//===- PixImage_validate.cpp - Checking an untrusted descriptor -----------===//
//
// Each bound is an inequality over 32-bit fields and addresses. Evaluated in
// 32 bits, products and sums wrap, and a descriptor that describes memory far
// beyond its buffer passes (a gray image of width 0x40000001 and pixel step 4
// has a 4-byte row). Here every inequality is taken on offsets from the
// buffer start in 64-bit arithmetic; an overflow fails the check it occurs
// in. For descriptors that do not wrap the answers are the same.
//
//===----------------------------------------------------------------------===//

#include "PixImage.h"

#include "GException.h"

namespace {

// Gray and colour: rows hold their pixels, and the last row ends inside the
// memory (offset + height * row_step + pixel_step * width <= size + row_step,
// which is offset + (height - 1) * row_step + the row's bytes <= size).
void check_rows(const PixImageDesc &d, uint64_t offset, const char *end_id) {
  const uint64_t row_bytes = static_cast<uint64_t>(d.pixel_step) * d.width;
  if (d.row_step < row_bytes)
    G_THROW("PixImage.bad_rowsize");
  uint64_t end = 0;
  if (__builtin_add_overflow(
          offset, static_cast<uint64_t>(d.height) * d.row_step, &end) ||
      __builtin_add_overflow(end, row_bytes, &end) ||
      end > static_cast<uint64_t>(d.buffer_size) + d.row_step)
    G_THROW(end_id);
}

} // namespace

void PixImage::validate() const {
  const PixImageDesc &d = *active_;
  const uint64_t buffer = reinterpret_cast<uintptr_t>(d.buffer);
  const uint64_t data = reinterpret_cast<uintptr_t>(d.data);
  // Data in no memory at all: offsets from a null buffer would make any
  // address look like part of it.
  if (buffer > data || (d.buffer == nullptr && d.data != nullptr))
    G_THROW("PixImage.data_size");
  if (d.orientation > 7)
    G_THROW("PixImage.bad_orient");
  const uint64_t offset = data - buffer;
  switch (d.type) {
  case TYPE_BITONAL:
    // Only a count: the coded rows are checked as they are decoded.
    if (d.buffer_size < d.height)
      G_THROW("PixImage.bad_datasize");
    break;
  case TYPE_GRAY:
    if (d.pixel_step == 0)
      G_THROW("PixImage.bad_gray_size");
    check_rows(d, offset, "PixImage.bad_datasize2");
    break;
  case TYPE_RGB:
  case TYPE_BGR:
    if (d.pixel_step < 3)
      G_THROW("PixImage.bad_color_size");
    check_rows(d, offset, "PixImage.bad_datasize3");
    break;
  default:
    G_THROW("PixImage.unrecog_type");
  }
  if (d.width != 0 && d.height != 0 && d.data == nullptr)
    G_THROW("PixImage.no_image_data");
  // Nor may bytes be claimed where there is no memory: an image without
  // pixels would be given some there. Checked last, so that a page without
  // data is told so first.
  if (d.buffer == nullptr && d.buffer_size != 0)
    G_THROW("PixImage.data_size");
}
