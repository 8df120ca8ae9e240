//===- PixImageInternal.h - What the page-image units share -----*- C++ -*-===//
//
// Private to the PixImage units (and their tests): the displayed geometry of
// a descriptor, scratch descriptors and arrays that free what they own, the
// conversions that fill a fresh descriptor, the two ways a fresh
// descriptor's pixels replace an image's, and the box division that the
// reductions share.
//
// A fresh descriptor is empty_desc(): no memory, no owner. The conversions
// fill every field of one and give it memory of its own (none when the
// image has no pixels).
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_OCR_PLUGIN_PIXIMAGEINTERNAL_H
#define LECTORIN_OCR_PLUGIN_PIXIMAGEINTERNAL_H

#include "GException.h"
#include "PixImage.h"

#include <cstddef>
#include <cstdint>

namespace pix {

// Orientation bits: rows bottom-up, pixels right to left, rows are columns.
constexpr uint32_t rows_reversed = 1;
constexpr uint32_t pixels_reversed = 2;
constexpr uint32_t transposed = 4;

inline bool is_colour(const PixImageDesc &d) {
  return d.type == TYPE_RGB || d.type == TYPE_BGR;
}
inline bool is_transposed(const PixImageDesc &d) {
  return (d.orientation & transposed) != 0;
}
inline uint32_t displayed_width(const PixImageDesc &d) {
  return is_transposed(d) ? d.height : d.width;
}
inline uint32_t displayed_height(const PixImageDesc &d) {
  return is_transposed(d) ? d.width : d.height;
}
inline uint32_t displayed_x_resolution(const PixImageDesc &d) {
  return is_transposed(d) ? d.y_resolution : d.x_resolution;
}
inline uint32_t displayed_y_resolution(const PixImageDesc &d) {
  return is_transposed(d) ? d.x_resolution : d.y_resolution;
}

// Gray value of one pixel; the weights add up to 256, so white stays 255.
inline unsigned char gray_of_rgb(unsigned red, unsigned green, unsigned blue) {
  return static_cast<unsigned char>((77 * red + 151 * green + 29 * blue) >> 8);
}

// Displayed pixel (i, j) of a gray or colour descriptor is at
// data + origin + i * row_step + j * col_step: every displayed pixel lies
// inside the memory of a valid descriptor, and no other offset is formed
// into a pointer.
struct DisplayedLayout {
  int64_t origin;
  int64_t row_step;
  int64_t col_step;
  uint32_t width;  // displayed
  uint32_t height; // displayed
};
DisplayedLayout displayed_layout(const PixImageDesc &d);

// Coded bytes of a bitonal descriptor: from data to the end of its memory,
// 0 when data lies beyond that end.
std::size_t coded_size(const PixImageDesc &d);

// bytes as a buffer size; above the 32-bit field is "GException.outofmemory".
uint32_t buffer_bytes(uint64_t bytes);

// True when d's owner field names an owner that belongs to d.
inline bool owns_memory(const PixImageDesc &d) {
  return d.owner != nullptr && d.owner->descriptor() == &d;
}

inline PixImageDesc empty_desc() {
  PixImageDesc d = {};
  d.type = -1;
  return d;
}

// A descriptor for intermediate results that frees whatever it still owns
// when it goes out of scope, so that a failure loses no memory.
struct ScratchDesc {
  PixImageDesc desc = empty_desc();
  ScratchDesc() = default;
  ~ScratchDesc() {
    if (owns_memory(desc))
      delete desc.owner;
  }
  ScratchDesc(const ScratchDesc &) = delete;
  ScratchDesc &operator=(const ScratchDesc &) = delete;
};

// a * b * c as a buffer size, checked: a product above the 32-bit field is
// "GException.outofmemory", however far it overflows.
uint32_t buffer_bytes(uint64_t a, uint64_t b, uint64_t c);

// Temporary memory for one step, with the same failure rule as pixel
// memory: more than the 32-bit buffer-size field holds, or none to be had,
// is "GException.outofmemory". Freed on every path.
template <class T> class ScratchArray {
public:
  explicit ScratchArray(uint64_t count) : store_(items_, 0, sizeof(T), true) {
    if (count > UINT32_MAX / sizeof(T) ||
        !store_.resize(static_cast<std::size_t>(count), sizeof(T)) ||
        (count != 0 && items_ == nullptr))
      G_THROW(GException::outofmemory);
  }
  ScratchArray(const ScratchArray &) = delete;
  ScratchArray &operator=(const ScratchArray &) = delete;
  T *get() const noexcept { return items_; }
  // Sets every byte to 0, so that bytes nobody writes are the same on every
  // run.
  void clear() noexcept { store_.fill(sizeof(T), 0); }

private:
  T *items_ = nullptr;
  GRawBuffer store_;
};

// sum / divisor for the sums of box means: sum is at most 255 * divisor.
// A division per output pixel is what a reduction would spend most of its
// time on, so divisors up to 4104 (every box of up to 64 x 64 pixels) take a
// multiplication by the reciprocal rounded up, m = ceil(2^32 / divisor),
// instead. It is exact over that range: with e = m * divisor - 2^32 <
// divisor, sum * m / 2^32 = sum / divisor + sum * e / (divisor * 2^32), and
// sum * e <= 255 * divisor * (divisor - 1) < 2^32 keeps the added part
// below 1 / divisor, which no fraction of sum / divisor can carry over.
class BoxDivider {
public:
  explicit BoxDivider(uint64_t divisor)
      : divisor_(divisor),
        reciprocal_(divisor <= 4104 && divisor * divisor <= UINT32_MAX / 255
                        ? ((uint64_t{1} << 32) + divisor - 1) / divisor
                        : 0) {}
  uint64_t operator()(uint64_t sum) const {
    return reciprocal_ != 0 ? (sum * reciprocal_) >> 32 : sum / divisor_;
  }

private:
  uint64_t divisor_;
  uint64_t reciprocal_;
};

// Gives a fresh target bytes bytes of its own memory (none for 0).
void make_memory(PixImageDesc &target, uint64_t bytes);

// The gray copy: target shows source's displayed image as packed 8-bit gray
// stored bottom-up (orientation 1), resolutions in displayed order.
void gray_copy(const PixImageDesc &source, PixImageDesc &target);

// The pixels of the gray copy of a gray or colour source: its displayed
// image as packed gray rows, the last displayed row first.
void displayed_gray(const PixImageDesc &source, unsigned char *out);

// Copy-out in the strict layout: gray as gray_copy, colour as packed BGR
// stored bottom-up, bitonal as the displayed image coded with orientation 0.
void copy_out(const PixImageDesc &source, PixImageDesc &target);

// Codes the displayed image of a gray or colour source as bitonal rows,
// white where gray >= threshold, orientation 0; the target's memory is
// exactly the coded bytes.
void code_bitonal(const PixImageDesc &source, PixImageDesc &target,
                  uint32_t threshold);

// Replaces image's pixels with fresh's: into the image's memory when that is
// a caller's memory without owner (which keeps its buffer size and must be
// large enough, else "GException.outofmemory"), otherwise by adopt_pixels.
void replace_pixels(PixImageDesc &image, PixImageDesc &fresh);

// Frees what image owns and moves fresh's owner (all fields) to it.
void adopt_pixels(PixImageDesc &image, PixImageDesc &fresh) noexcept;

// Converts n pixels that lie step bytes apart from p into out, out_step
// bytes apart. The usual packed layouts get loops with constant steps, which
// the compiler unrolls and vectorises.
template <class Convert>
inline void convert_run(const unsigned char *p, int64_t step,
                        unsigned char *out, std::size_t out_step, uint32_t n,
                        Convert &convert) {
  if (out_step == 1 && step == 3) {
    for (uint32_t k = 0; k < n; ++k)
      convert(p + 3 * std::size_t{k}, out + k);
  } else if (out_step == 1 && step == 1) {
    for (uint32_t k = 0; k < n; ++k)
      convert(p + k, out + k);
  } else if (out_step == 3 && step == 3) {
    for (uint32_t k = 0; k < n; ++k)
      convert(p + 3 * std::size_t{k}, out + 3 * std::size_t{k});
  } else {
    // Offsets, not pointers: a backward row's next step lies before it.
    int64_t at = 0;
    for (uint32_t k = 0; k < n; ++k, at += step)
      convert(p + at, out + k * out_step);
  }
}

// Visits every displayed pixel of a gray or colour source once, calling
// convert(stored pixel, place) where place is the pixel's spot in packed
// rows of out_step bytes per pixel at target, the rows being the displayed
// rows top-down, or bottom-up when asked.
template <class Convert>
void copy_displayed(const PixImageDesc &source, unsigned char *target,
                    std::size_t out_step, bool bottom_up, Convert convert) {
  const DisplayedLayout l = displayed_layout(source);
  if (l.width == 0 || l.height == 0)
    return;
  const std::size_t out_row = static_cast<std::size_t>(l.width) * out_step;
  auto target_row = [&](uint32_t i) {
    return target +
           static_cast<std::size_t>(bottom_up ? l.height - 1 - i : i) * out_row;
  };
  const unsigned char *data = source.data;
  if (!is_transposed(source)) {
    for (uint32_t i = 0; i < l.height; ++i)
      convert_run(data + (l.origin + static_cast<int64_t>(i) * l.row_step),
                  l.col_step, target_row(i), out_step, l.width, convert);
    return;
  }
  // Displayed rows are stored columns: walking one touches a new cache line
  // and a new page with every pixel. Instead a band of adjacent columns is
  // read along each stored row and written to as many displayed rows at
  // once. The band is wide enough that each visit to a stored row reads
  // several cache lines, and narrow enough that the rows being written stay
  // in the first-level cache.
  constexpr uint32_t band = 128;
  unsigned char *rows[band];
  for (uint32_t first = 0; first < l.height; first += band) {
    const uint32_t count = l.height - first < band ? l.height - first : band;
    for (uint32_t t = 0; t < count; ++t)
      rows[t] = target_row(first + t);
    const int64_t start = l.origin + static_cast<int64_t>(first) * l.row_step;
    for (uint32_t j = 0; j < l.width; ++j) {
      const unsigned char *p =
          data + (start + static_cast<int64_t>(j) * l.col_step);
      const std::size_t place = static_cast<std::size_t>(j) * out_step;
      if (l.row_step == 3) {
        for (uint32_t t = 0; t < count; ++t)
          convert(p + 3 * std::size_t{t}, rows[t] + place);
      } else {
        int64_t at = 0;
        for (uint32_t t = 0; t < count; ++t, at += l.row_step)
          convert(p + at, rows[t] + place);
      }
    }
  }
}

} // namespace pix

#endif // LECTORIN_OCR_PLUGIN_PIXIMAGEINTERNAL_H
