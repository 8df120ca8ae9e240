// Test images in editor-owned memory, and a reference for what they show.
//
// The reference reads displayed pixel (i, j) straight from the orientation
// table (stored x and y per code) and decodes run-length rows with its own
// decoder, so it shares no code with the page-image units it checks.
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

// An image in memory that the test owns, as the editor would.
struct TestImage {
  std::vector<unsigned char> memory;
  PixImageDesc desc = {};

  TestImage() = default;
  TestImage(const TestImage &other) : memory(other.memory), desc(other.desc) {
    rebase(other);
  }
  TestImage &operator=(const TestImage &other) {
    memory = other.memory;
    desc = other.desc;
    rebase(other);
    return *this;
  }

private:
  void rebase(const TestImage &other) {
    if (other.desc.buffer == nullptr)
      return;
    desc.buffer = memory.data() + (other.desc.buffer - other.memory.data());
    desc.data = memory.data() + (other.desc.data - other.memory.data());
  }
};

// Layout of a test image beyond its type and size.
struct Layout {
  uint32_t orientation = 0;
  uint32_t extra_pixel_step = 0; // bytes added to the packed pixel step
  uint32_t extra_row_step = 0;   // padding at the end of each row
  uint32_t offset = 0;           // data - buffer
  uint32_t tail = 0;             // bytes after the last row
};

// Gray and colour images get random bytes everywhere (padding included);
// bitonal images are random runs, some long, coded after `offset` bytes.
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
    std::vector<unsigned char> coded(layout.offset +
                                     static_cast<std::size_t>(h) * (w + 1));
    unsigned char *cursor = coded.data() + layout.offset;
    for (uint32_t y = 0; y < h; ++y) {
      uint32_t left = w;
      bool first = true;
      do {
        uint32_t r = next_random(seed);
        uint32_t run = r % 4 == 0 ? r % 400 : r % 6;
        if (first && r % 3 == 0)
          run = 0; // rows that start black
        first = false;
        if (run > left)
          run = left;
        GBitmap::append_run(cursor, run);
        left -= run;
      } while (left > 0);
    }
    coded.resize(static_cast<std::size_t>(cursor - coded.data()) + layout.tail);
    t.memory = coded;
    d.buffer_size = static_cast<uint32_t>(t.memory.size());
  } else {
    uint32_t packed = type == TYPE_GRAY ? 1 : 3;
    d.pixel_step = packed + layout.extra_pixel_step;
    d.row_step = d.pixel_step * w + layout.extra_row_step;
    std::size_t size =
        layout.offset + static_cast<std::size_t>(d.row_step) * h + layout.tail;
    t.memory.resize(size);
    for (auto &byte : t.memory)
      byte = static_cast<unsigned char>(next_random(seed));
    d.buffer_size = static_cast<uint32_t>(size);
  }
  d.buffer = t.memory.empty() ? nullptr : t.memory.data();
  d.data = d.buffer ? d.buffer + layout.offset : nullptr;
  return t;
}

inline uint32_t displayed_width(const PixImageDesc &d) {
  return d.orientation & 4 ? d.height : d.width;
}
inline uint32_t displayed_height(const PixImageDesc &d) {
  return d.orientation & 4 ? d.width : d.height;
}

// Stored (x, y) of displayed (i, j), per the orientation table.
inline void stored_position(const PixImageDesc &d, uint32_t i, uint32_t j,
                            uint32_t &x, uint32_t &y) {
  const uint32_t W = d.width, H = d.height;
  switch (d.orientation) {
  case 0:
    x = j;
    y = i;
    break;
  case 1:
    x = j;
    y = H - 1 - i;
    break;
  case 2:
    x = W - 1 - j;
    y = i;
    break;
  case 3:
    x = W - 1 - j;
    y = H - 1 - i;
    break;
  case 4:
    x = i;
    y = H - 1 - j;
    break;
  case 5:
    x = i;
    y = j;
    break;
  case 6:
    x = W - 1 - i;
    y = H - 1 - j;
    break;
  default:
    x = W - 1 - i;
    y = j;
    break;
  }
}

// Stored pixels of a bitonal image, 0 or 255, row after row.
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

// Reads displayed pixels of any descriptor. For bitonal images the rows are
// decoded once.
class Reference {
public:
  explicit Reference(const PixImageDesc &d) : d_(d) {
    if (d.type == TYPE_BITONAL)
      bits_ = decode_rows(
          d.data, d.buffer_size - static_cast<std::size_t>(d.data - d.buffer),
          d.width, d.height);
  }
  uint32_t width() const { return displayed_width(d_); }
  uint32_t height() const { return displayed_height(d_); }

  // The bytes of displayed pixel (i, j) as red, green, blue.
  Rgb rgb(uint32_t i, uint32_t j) const {
    uint32_t x, y;
    stored_position(d_, i, j, x, y);
    if (d_.type == TYPE_BITONAL) {
      unsigned v = bits_[static_cast<std::size_t>(y) * d_.width + x];
      return {v, v, v};
    }
    const unsigned char *p = first_byte(x, y);
    if (d_.type == TYPE_GRAY)
      return {p[0], p[0], p[0]};
    if (d_.type == TYPE_RGB)
      return {p[0], p[1], p[2]};
    return {p[2], p[1], p[0]};
  }
  unsigned gray(uint32_t i, uint32_t j) const {
    Rgb c = rgb(i, j);
    if (d_.type == TYPE_RGB || d_.type == TYPE_BGR)
      return (77 * c.r + 151 * c.g + 29 * c.b) >> 8;
    return c.r;
  }
  // The byte the engine's line callback copies: the pixel's first byte.
  unsigned first(uint32_t i, uint32_t j) const {
    uint32_t x, y;
    stored_position(d_, i, j, x, y);
    return *first_byte(x, y);
  }

private:
  const unsigned char *first_byte(uint32_t x, uint32_t y) const {
    return d_.data + static_cast<std::size_t>(y) * d_.row_step +
           static_cast<std::size_t>(x) * d_.pixel_step;
  }
  const PixImageDesc &d_;
  std::vector<unsigned char> bits_;
};

// A plug-in descriptor owning a copy of t's memory in the same layout, for
// in-place operations; free it with pix_free.
inline PixImageDesc *owned_copy(const TestImage &t) {
  PixImageDesc *d = pix_new_desc();
  *d = t.desc;
  d->owner = nullptr;
  d->data = d->buffer = nullptr;
  PixBuffer::create(*d, t.desc.buffer_size);
  if (t.desc.buffer_size != 0)
    std::memcpy(d->buffer, t.desc.buffer, t.desc.buffer_size);
  d->data = d->buffer ? d->buffer + (t.desc.data - t.desc.buffer) : nullptr;
  return d;
}

inline uint32_t checksum(const std::vector<unsigned char> &bytes) {
  uint32_t h = 2166136261u;
  for (unsigned char b : bytes)
    h = (h ^ b) * 16777619u;
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
