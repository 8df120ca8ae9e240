// Page-image descriptors built from fuzz bytes, pointing into real memory:
// whatever the fields say, validation and every later step must stay inside
// the memory the descriptor was given and never write the editor's pixels.
//
// Input: a 32-byte header that chooses the fields (its last four bytes the
// displayed size to resample to), then the pixel memory. Now and then the
// descriptor is also worked on in place with its buffer taken away, data and
// buffer size left as they were: with no memory, nothing may be written.
// The memory is one heap block that ends exactly at buffer + buffer size, so
// AddressSanitizer sees any read past the end; data may point anywhere in
// the block (also before buffer, which validation must refuse).

#include "GBitmap.h"
#include "GException.h"
#include "PixImage.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

struct Header {
  const uint8_t *bytes;
  std::size_t at = 0;
  uint32_t u8() { return bytes[at++]; }
  uint32_t u16() {
    uint32_t v = bytes[at] | bytes[at + 1] << 8;
    at += 2;
    return v;
  }
};

constexpr std::size_t header_size = 32;

// Sizes past which an image is only validated: a bitonal image may claim any
// size without the memory to back it, and so may any image with no pixels
// (width or height 0); working on them would only spend the fuzzer's time
// and memory on white pixels or empty rows.
constexpr uint64_t max_side = 1 << 16;
constexpr uint64_t max_pixels = 1 << 18;

// Resampling sizes: each side below 512, and no image on the way (the
// larger of the old and new size on each axis) above 2^16 pixels, so that
// every input stays fast.
constexpr uint32_t max_resize_side = 512;
constexpr uint64_t max_resize_pixels = 1 << 16;

// A width or height: mostly small, sometimes one that wraps 32-bit products.
uint32_t dimension(Header &h) {
  uint32_t selector = h.u8();
  uint32_t value = h.u16() % 300;
  switch (selector % 16) {
  case 0:
    return 0x40000000u + (value % 4);
  case 1:
    return 0xFFFFFFFFu - value;
  case 2:
    return value * 256 + h.u8();
  default:
    return value;
  }
}

uint32_t checksum(const uint8_t *p, std::size_t n) {
  uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < n; ++i)
    h = (h ^ p[i]) * 16777619u;
  return h;
}

// Reads every displayed row the way the engine's line callback does.
uint32_t read_rows(const PixImageDesc *d) {
  uint32_t rows = d->orientation & 4 ? d->width : d->height;
  uint32_t pixels = d->orientation & 4 ? d->height : d->width;
  uint32_t sum = 0;
  for (uint32_t i = 0; i < rows; ++i) {
    const unsigned char *start = nullptr, *end = nullptr;
    int64_t step = pix_row_span(d, i, &start, &end);
    if (step == 0)
      break;
    const unsigned char *p = start;
    for (uint32_t j = 0; j < pixels; ++j) {
      sum += *p;
      if (j + 1 < pixels)
        p += step;
    }
  }
  return sum;
}

// The displayed size to resample to, from the header's last four bytes:
// small sides most of the time, 0 now and then. False when the work would
// pass through too large an image.
bool resize_target(const uint8_t *bytes, const PixImageDesc &d, uint32_t &width,
                   uint32_t &height) {
  width = (bytes[28] | bytes[29] << 8) % max_resize_side;
  height = (bytes[30] | bytes[31] << 8) % max_resize_side;
  if (bytes[28] % 8 == 0)
    width %= 64;
  if (bytes[30] % 8 == 0)
    height %= 64;
  const bool turned = d.orientation & 4;
  const uint64_t shown_width = turned ? d.height : d.width;
  const uint64_t shown_height = turned ? d.width : d.height;
  return std::max<uint64_t>(shown_width, width) *
             std::max<uint64_t>(shown_height, height) <=
         max_resize_pixels;
}

// Runs one copy-mode operation and hands its result back to pix_free.
template <class Operation>
void on_copy(const PixImageDesc &desc, Operation op) {
  try {
    PixImage image(desc);
    op(image);
    pix_free(image.detach());
  } catch (const GException &) {
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, std::size_t size) {
  if (size < header_size)
    return 0;
  Header h{bytes};
  PixImageDesc desc = {};
  desc.type = static_cast<int32_t>(h.u8() % 6) - 1;
  desc.orientation = h.u8() % 10;
  desc.width = dimension(h);
  desc.height = dimension(h);
  desc.pixel_step = h.u8() % 8;
  uint32_t row_selector = h.u8();
  uint32_t row_value = h.u16();
  desc.x_resolution = h.u16();
  desc.y_resolution = h.u16();
  uint32_t buffer_offset = h.u16();
  uint32_t data_offset = h.u16();
  uint32_t threshold = h.u8();
  uint32_t size_cut = h.u16();

  // The memory: the rest of the input, behind a gap that lets data lie
  // before buffer.
  const std::size_t pixels_size = size - header_size;
  const std::size_t gap = buffer_offset % 64;
  std::vector<uint8_t> block(gap + pixels_size);
  if (pixels_size != 0)
    std::memcpy(block.data() + gap, bytes + header_size, pixels_size);
  desc.buffer = block.data() + gap;
  desc.buffer_size = static_cast<uint32_t>(
      pixels_size - (size_cut % 4 == 0 ? 0 : size_cut % (pixels_size + 1)));
  // Shrink the block so that the claimed memory ends where the heap block
  // ends: reads past buffer + buffer size are then caught.
  block.resize(gap + desc.buffer_size);
  block.shrink_to_fit();
  desc.buffer = block.data() + gap;
  desc.data = block.data() + data_offset % (block.size() + 1);
  switch (row_selector % 8) {
  case 0:
    desc.row_step = desc.pixel_step * desc.width; // may wrap, on purpose
    break;
  case 1:
    desc.row_step = 0xFFFFFFFFu - row_value;
    break;
  default:
    desc.row_step = desc.pixel_step * desc.width + row_value % 16;
    break;
  }
  if (desc.type == TYPE_BITONAL) {
    desc.pixel_step = 0;
    desc.row_step = 0;
  }
  const uint32_t memory_selector = h.u8();
  if (block.empty() && memory_selector % 2)
    desc.data = desc.buffer = nullptr;

  const uint32_t before = checksum(block.data(), block.size());
  const uint64_t pixels = uint64_t{desc.width} * desc.height;
  if (desc.width > max_side || desc.height > max_side || pixels > max_pixels) {
    try {
      PixImage check(desc);
    } catch (const GException &) {
    }
    return 0;
  }

  uint32_t resize_width = 0, resize_height = 0;
  const bool resizable =
      desc.orientation < 8 &&
      resize_target(bytes, desc, resize_width, resize_height);

  char error[256];
  if (memory_selector % 4 >= 2) {
    PixImageDesc bare = desc;
    bare.buffer = nullptr;
    if (memory_selector % 8 >= 4)
      bare.data = nullptr;
    if (pix_resize(&bare, resize_width % 64, resize_height % 64, error,
                   sizeof error) != nullptr)
      pix_prepare_for_engine(&bare, error, sizeof error);
    // An image without pixels given a size gets memory of its own.
    if (bare.owner != nullptr && bare.owner->descriptor() == &bare)
      delete bare.owner;
  }
  PixImageDesc *gray = pix_to_gray_copy(&desc, error, sizeof error);
  if (gray) {
    read_rows(gray);
    // The recognition run's road: resize the gray copy in place, then lay
    // it out for the engine.
    if (resizable && pix_resize(gray, resize_width, resize_height, error,
                                sizeof error) != nullptr)
      read_rows(gray);
    if (pix_prepare_for_engine(gray, error, sizeof error))
      read_rows(gray);
    pix_free(gray);
  }
  if (desc.type != TYPE_BITONAL) {
    try {
      PixImage check(desc);
      read_rows(&desc); // the editor's own rows, through any orientation
    } catch (const GException &) {
    }
  }
  on_copy(desc, [](PixImage &image) { image.normalize(false); });
  on_copy(desc, [](PixImage &image) { image.normalize(true); });
  on_copy(desc, [threshold](PixImage &image) { image.to_bitonal(threshold); });
  if (resizable)
    on_copy(desc, [=](PixImage &image) {
      image.resize(resize_width, resize_height);
      read_rows(&image.desc());
    });

  if (checksum(block.data(), block.size()) != before)
    __builtin_trap(); // the editor's pixels were written
  return 0;
}
