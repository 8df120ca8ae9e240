//===- PixImage_subsample.cpp - Box reduction by an integer factor --------===//
//
// Each output pixel is the truncated mean of a factor x factor block of
// stored pixels; blocks start at stored pixel (0, 0), so the right column
// and bottom row of blocks are narrower when the size is no multiple of the
// factor, and each is the mean of what it covers.
//
// Rows are read first to last and the output rows written over them: output
// row k lies in input row k, whose band has been read by then. Per band the
// rows are first summed column by column, a loop over contiguous bytes that
// the compiler vectorises, and the columns of each block are added when the
// band is complete. That keeps one row of column sums rather than one
// accumulator per output byte, and reads each pixel in one simple pass.
//
// Sums: a block holds up to factor^2 pixels of 255. Up to factor 4104 they
// fit 32 bits; larger factors (a page reduced to a few pixels) take 64-bit
// sums, which 32 bits would wrap into dark gray.
//
//===----------------------------------------------------------------------===//

#include "PixImage.h"

#include "GException.h"
#include "PixImageInternal.h"

using namespace pix;

namespace {

template <class Sum> class BoxReduction {
public:
  BoxReduction(const PixImageDesc &d, uint32_t factor, uint32_t channels)
      : d_(d), factor_(factor), channels_(channels),
        columns_(uint64_t{d.width} * channels) {
    columns_.clear();
  }

  void run(unsigned char *data) {
    uint32_t rows = 0;
    unsigned char *out = data;
    for (uint32_t y = 0; y < d_.height; ++y) {
      add_row(data + static_cast<std::size_t>(y) * d_.row_step);
      if (++rows < factor_ && y + 1 < d_.height)
        continue;
      write_row(out, rows);
      out += d_.row_step;
      rows = 0;
    }
  }

private:
  void add_row(const unsigned char *p) {
    Sum *sums = columns_.get();
    const std::size_t count = std::size_t{d_.width} * channels_;
    if (d_.pixel_step == channels_) {
      for (std::size_t i = 0; i < count; ++i)
        sums[i] += p[i];
      return;
    }
    const std::size_t s = d_.pixel_step;
    for (uint32_t x = 0; x < d_.width; ++x, p += s, sums += channels_)
      for (uint32_t c = 0; c < channels_; ++c)
        sums[c] += p[c];
  }

  // The blocks of a band of `rows` rows, then clears the column sums.
  void write_row(unsigned char *out, uint32_t rows) {
    const uint32_t w = d_.width;
    const uint32_t full = w / factor_;
    const uint32_t edge = w - full * factor_;
    const std::size_t s = d_.pixel_step;
    Sum *sums = columns_.get();
    const BoxDivider full_box(uint64_t{factor_} * rows);
    for (uint32_t j = 0; j < full; ++j, out += s)
      write_block(sums + std::size_t{j} * factor_ * channels_, factor_,
                  full_box, out);
    if (edge != 0)
      write_block(sums + std::size_t{full} * factor_ * channels_, edge,
                  BoxDivider(uint64_t{edge} * rows), out);
    for (std::size_t i = 0, n = std::size_t{w} * channels_; i < n; ++i)
      sums[i] = 0;
  }

  void write_block(const Sum *sums, uint32_t columns, const BoxDivider &by,
                   unsigned char *out) const {
    if (channels_ == 1) {
      Sum sum = 0;
      for (uint32_t k = 0; k < columns; ++k)
        sum += sums[k];
      out[0] = static_cast<unsigned char>(by(sum));
      return;
    }
    Sum sum[3] = {};
    for (uint32_t k = 0; k < columns; ++k, sums += 3) {
      sum[0] += sums[0];
      sum[1] += sums[1];
      sum[2] += sums[2];
    }
    for (uint32_t c = 0; c < 3; ++c)
      out[c] = static_cast<unsigned char>(by(sum[c]));
  }

  const PixImageDesc &d_;
  const uint32_t factor_;
  const uint32_t channels_;
  ScratchArray<Sum> columns_;
};

// resolution / factor to the nearest integer, (2r + f - 1) / (2f), in 64
// bits: an exact half (only an even factor makes one) goes down, 3 dpi by 2
// is 1.
uint32_t divided_resolution(uint32_t resolution, uint32_t factor) {
  return static_cast<uint32_t>((2 * uint64_t{resolution} + factor - 1) /
                               (2 * uint64_t{factor}));
}

} // namespace

void PixImage::subsample(uint32_t factor) {
  if (factor < 1 || active_->type == TYPE_BITONAL)
    G_THROW("PixImage.bad_subsample");
  if (factor == 1)
    return;
  materialise();
  PixImageDesc &d = *active_;
  const uint32_t channels = d.type == TYPE_GRAY ? 1 : 3;
  if (d.width != 0 && d.height != 0) {
    if (factor <= 4104) {
      BoxReduction<uint32_t>(d, factor, channels).run(d.data);
    } else {
      BoxReduction<uint64_t>(d, factor, channels).run(d.data);
    }
  }
  d.width = d.width / factor + (d.width % factor != 0);
  d.height = d.height / factor + (d.height % factor != 0);
  d.x_resolution = divided_resolution(d.x_resolution, factor);
  d.y_resolution = divided_resolution(d.y_resolution, factor);
}
