// Test images in memory the test owns (as the editor would), and a
// reference for what they show: displayed pixel (i, j) is read straight from
// the orientation table, and run-length rows are decoded by a decoder of the
// test's own, so nothing is shared with the units under test.
#ifndef LECTORIN_TESTS_IMAGE_IMAGE_TEST_UTIL_H
#define LECTORIN_TESTS_IMAGE_IMAGE_TEST_UTIL_H

#include "GBitmap.h"
#include "GException.h"
#include "PixImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace image_test {

struct Rgb {
  unsigned r, g, b;
  bool operator==(const Rgb &o) const {
    return r == o.r && g == o.g && b == o.b;
  }
};

inline uint32_t next_random(uint32_t &state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

// Field by field: a descriptor's padding (on 64-bit builds) holds anything.
inline bool same_fields(const PixImageDesc &a, const PixImageDesc &b) {
  return a.type == b.type && a.orientation == b.orientation &&
         a.width == b.width && a.height == b.height &&
         a.pixel_step == b.pixel_step && a.row_step == b.row_step &&
         a.buffer_size == b.buffer_size && a.x_resolution == b.x_resolution &&
         a.y_resolution == b.y_resolution && a.data == b.data &&
         a.buffer == b.buffer && a.owner == b.owner;
}

// Moves keep the vector's bytes where desc points; do not copy.
struct TestImage {
  std::vector<unsigned char> memory;
  PixImageDesc desc = {};
};

struct Layout {
  uint32_t orientation = 0;
  uint32_t extra_pixel_step = 0; // added to the packed pixel step
  uint32_t extra_row_step = 0;   // padding after each row
  uint32_t offset = 0;           // data - buffer
  uint32_t tail = 0;             // bytes after the last row
  // The memory ends `tail` bytes after the last row's pixels, short of a
  // full row step, as a caller's tightly cut buffer does.
  bool short_last_row = false;
};

// Gray and colour: random bytes everywhere, padding included. Bitonal:
// random runs (some long, some empty, rows that start black), coded after
// `offset` bytes.
inline TestImage make_image(int32_t type, uint32_t w, uint32_t h,
                            const Layout &layout = Layout(),
                            uint32_t seed = 1) {
  TestImage t;
  PixImageDesc &d = t.desc;
  d.type = type;
  d.orientation = layout.orientation;
  d.width = w;
  d.height = h;
  d.x_resolution = 300;
  d.y_resolution = 200;
  seed = seed * 2654435761u + 1;
  if (type == TYPE_BITONAL) {
    t.memory.resize(layout.offset + static_cast<std::size_t>(h) * (w + 1));
    unsigned char *cursor = t.memory.data() + layout.offset;
    // Rows wider than two of the longest codes get runs that must be split.
    const uint32_t longest = w > 2 * GBitmap::max_run ? w : 400;
    for (uint32_t y = 0; y < h; ++y) {
      uint32_t left = w;
      do {
        uint32_t r = next_random(seed);
        uint32_t run = r % 4 == 0 ? r % longest : r % 6;
        run = run < left ? run : left;
        GBitmap::append_run(cursor, run);
        left -= run;
      } while (left > 0);
    }
    t.memory.resize(static_cast<std::size_t>(cursor - t.memory.data()) +
                    layout.tail);
  } else {
    d.pixel_step = (type == TYPE_GRAY ? 1 : 3) + layout.extra_pixel_step;
    d.row_step = d.pixel_step * w + layout.extra_row_step;
    std::size_t rows = std::size_t{d.row_step} * h;
    if (layout.short_last_row && h != 0)
      rows -= d.row_step - std::size_t{d.pixel_step} * w;
    t.memory.resize(layout.offset + rows + layout.tail);
    for (auto &byte : t.memory)
      byte = static_cast<unsigned char>(next_random(seed));
  }
  d.buffer_size = static_cast<uint32_t>(t.memory.size());
  d.buffer = t.memory.empty() ? nullptr : t.memory.data();
  d.data = d.buffer ? d.buffer + layout.offset : nullptr;
  return t;
}

// Stored pixels of coded rows, 0 or 255.
inline std::vector<unsigned char> decode_rows(const unsigned char *coded,
                                              std::size_t size, uint32_t w,
                                              uint32_t h) {
  std::vector<unsigned char> pixels;
  std::size_t at = 0;
  for (uint32_t y = 0; y < h; ++y) {
    uint64_t filled = 0;
    unsigned char value = 255;
    do {
      if (at >= size) {
        ADD_FAILURE() << "coded rows end early at row " << y;
        return {};
      }
      uint32_t run = coded[at++];
      if (run >= 0xC0)
        run = ((run & 0x3F) << 8) | coded[at++];
      filled += run;
      pixels.insert(pixels.end(), run, value);
      value = static_cast<unsigned char>(255 - value);
    } while (filled < w);
    if (filled != w) {
      ADD_FAILURE() << "row " << y << " holds " << filled << " pixels";
      return {};
    }
  }
  return pixels;
}

// Displayed pixels of any descriptor.
class Reference {
public:
  explicit Reference(const PixImageDesc &d) : d_(d) {
    if (d.type == TYPE_BITONAL)
      bits_ = decode_rows(d.data, d.buffer_size - (d.data - d.buffer), d.width,
                          d.height);
  }
  uint32_t width() const { return d_.orientation & 4 ? d_.height : d_.width; }
  uint32_t height() const { return d_.orientation & 4 ? d_.width : d_.height; }

  Rgb rgb(uint32_t i, uint32_t j) const {
    const unsigned char *p = stored(i, j);
    if (d_.type == TYPE_BITONAL || d_.type == TYPE_GRAY)
      return {p[0], p[0], p[0]};
    if (d_.type == TYPE_RGB)
      return {p[0], p[1], p[2]};
    return {p[2], p[1], p[0]};
  }
  unsigned gray(uint32_t i, uint32_t j) const {
    Rgb c = rgb(i, j);
    return (77 * c.r + 151 * c.g + 29 * c.b) >> 8; // exact for gray values
  }
  // The byte the engine's line callback copies: the pixel's first.
  unsigned first(uint32_t i, uint32_t j) const { return *stored(i, j); }

private:
  // Stored pixel (x, y) of displayed (i, j), by the orientation table.
  const unsigned char *stored(uint32_t i, uint32_t j) const {
    const uint32_t W = d_.width, H = d_.height;
    const uint32_t xs[8] = {j, j, W - 1 - j, W - 1 - j,
                            i, i, W - 1 - i, W - 1 - i};
    const uint32_t ys[8] = {i,         H - 1 - i, i,         H - 1 - i,
                            H - 1 - j, j,         H - 1 - j, j};
    const uint32_t x = xs[d_.orientation], y = ys[d_.orientation];
    if (d_.type == TYPE_BITONAL)
      return &bits_[std::size_t{y} * W + x];
    return d_.data + std::size_t{y} * d_.row_step +
           std::size_t{x} * d_.pixel_step;
  }
  const PixImageDesc &d_;
  std::vector<unsigned char> bits_;
};

// A plug-in descriptor that owns a copy of t's memory in the same layout, for
// in-place operations; free it with pix_free.
inline PixImageDesc *owned_copy(const TestImage &t) {
  PixImageDesc *d = pix_new_desc();
  *d = t.desc;
  PixBuffer::create(*d, t.desc.buffer_size);
  if (t.desc.buffer_size != 0)
    std::memcpy(d->buffer, t.desc.buffer, t.desc.buffer_size);
  d->data = d->buffer ? d->buffer + (t.desc.data - t.desc.buffer) : nullptr;
  return d;
}

inline uint32_t checksum(const unsigned char *p, std::size_t n,
                         uint32_t h = 2166136261u) {
  for (std::size_t i = 0; i < n; ++i)
    h = (h ^ p[i]) * 16777619u;
  return h;
}

// The identifier that f raises, or "<nothing raised>".
template <class F> std::string raised_id(F f) {
  try {
    f();
  } catch (const GException &ex) {
    return ex.get_message_id();
  }
  return "<nothing raised>";
}

} // namespace image_test

#endif // LECTORIN_TESTS_IMAGE_IMAGE_TEST_UTIL_H
