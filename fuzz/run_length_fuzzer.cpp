// Arbitrary bytes as a run-length coded image: indexing, reversing,
// mirroring and transposing either raise a GException or give an image that
// shows the same pixels moved as promised. Every read stays inside the coded
// bytes, which sit at the very end of a heap block of their exact size.
//
// Input: width (2 bytes), height (1 byte), then the coded rows.

#include "GBitmap.h"
#include "GException.h"
#include "GRawBuffer.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Past this many pixels the decoded pictures cost more than they find.
constexpr uint64_t max_pixels = 1 << 12;

using Picture = std::vector<uint8_t>; // one byte per pixel, 1 = black

// The pixels of coded rows, which must decode.
Picture decode(const unsigned char *data, std::size_t size, uint32_t width,
               uint32_t height) {
  Picture pixels(static_cast<std::size_t>(width) * height);
  GBitmap::RowReader reader(data, size);
  for (uint32_t y = 0; y < height; ++y)
    reader.read_row(width, [&](uint32_t x, uint32_t length, bool black) {
      if (length != 0)
        std::memset(pixels.data() + std::size_t{y} * width + x, black, length);
    });
  return pixels;
}

void require(bool condition, const char *what) {
  if (!condition) {
    std::fprintf(stderr, "run-length operation broke its promise: %s\n", what);
    std::abort();
  }
}

// One operation into a fresh buffer; false when it raised.
template <class Operation>
bool run(std::vector<unsigned char> &out, Operation op) {
  unsigned char *bytes = nullptr;
  try {
    GRawBuffer coded(bytes, 0, 1);
    std::size_t n = op(coded);
    out.assign(bytes, bytes + n);
    return true;
  } catch (const GException &) {
    return false;
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *input, std::size_t size) {
  if (size < 3)
    return 0;
  const uint32_t width = input[0] | input[1] << 8;
  const uint32_t height = input[2];
  const std::size_t coded_size = size - 3;
  // The coded bytes alone in a block, so that AddressSanitizer sees a read
  // past them.
  unsigned char *data =
      static_cast<unsigned char *>(std::malloc(coded_size + 1));
  std::memcpy(data, input + 3, coded_size);
  const bool small = uint64_t{width} * height <= max_pixels;

  std::vector<std::size_t> starts(height + 1);
  std::size_t used = 0;
  bool indexed = false;
  try {
    used = GBitmap::index_rows(height, width, data, coded_size, starts.data());
    indexed = true;
    require(used <= coded_size, "index_rows used more than it was given");
  } catch (const GException &) {
  }

  Picture original;
  if (indexed && small)
    original = decode(data, used, width, height);

  std::vector<unsigned char> reversed, mirrored, turned, turned_back;
  if (run(reversed,
          [&](GRawBuffer &out) {
            return GBitmap::reverse_rows(out, data, coded_size, width, height);
          }) &&
      small) {
    require(indexed && used == coded_size, "reversed rows that do not fit");
    Picture p = decode(reversed.data(), reversed.size(), width, height);
    for (uint32_t y = 0; y < height && width != 0; ++y)
      require(std::memcmp(p.data() + std::size_t{y} * width,
                          original.data() + std::size_t{height - 1 - y} * width,
                          width) == 0,
              "reverse_rows");
  }
  if (run(mirrored,
          [&](GRawBuffer &out) {
            return GBitmap::mirror_rows(out, data, coded_size, width, height);
          }) &&
      small) {
    require(indexed, "mirrored rows that do not decode");
    Picture p = decode(mirrored.data(), mirrored.size(), width, height);
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x)
        require(p[std::size_t{y} * width + x] ==
                    original[std::size_t{y} * width + (width - 1 - x)],
                "mirror_rows");
  }
  const bool direction = width & 0x8000;
  if (run(turned,
          [&](GRawBuffer &out) {
            return GBitmap::transpose(out, data, coded_size, width, height,
                                      direction);
          }) &&
      small && width != 0) {
    require(indexed, "transposed rows that do not decode");
    Picture p = decode(turned.data(), turned.size(), height, width);
    for (uint32_t r = 0; r < width; ++r)
      for (uint32_t c = 0; c < height; ++c) {
        uint32_t column = direction ? r : width - 1 - r;
        require(p[std::size_t{r} * height + c] ==
                    original[std::size_t{c} * width + column],
                "transpose");
      }
    // Turning the result once more in the same direction gives the
    // original (direction set) or the original upside down and mirrored.
    require(run(turned_back,
                [&](GRawBuffer &out) {
                  return GBitmap::transpose(out, turned.data(), turned.size(),
                                            height, width, direction);
                }),
            "transposing a transposed image");
    Picture back =
        decode(turned_back.data(), turned_back.size(), width, height);
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x) {
        std::size_t from =
            direction ? std::size_t{y} * width + x
                      : std::size_t{height - 1 - y} * width + (width - 1 - x);
        require(back[std::size_t{y} * width + x] == original[from],
                "transpose twice");
      }
  }
  std::free(data);
  return 0;
}
