//===- PixImage_stretch.cpp - Stretching the width or the height ----------===//
//
// A width stretch from m to n pixels first brings each row near the new
// width by a whole factor: averaging blocks of o = m / n pixels when the row
// shrinks, upsampling by v = (n - 1) / m + 1 when it grows. When that lands
// on n exactly the prepared row is the output; otherwise the output is
// interpolated linearly between neighbouring prepared pixels, on positions
// in 1/256 of a prepared pixel:
//
//   S = 256 v (m - 1) / o,  J = S / (n - 1),
//   P(1) = trunc(J),  P(k) = trunc(k J + 1/2) for k >= 2,
//
// output pixel 0 being prepared pixel 0. J is a double, and k J is rounded
// to a double before the half is added: where k J lands on a half in exact
// arithmetic, the double product may lie just below it, and the position
// is then the one below. Both builds round alike: the 32-bit one does its
// floating point in SSE2 registers of 64 bits too, never on the x87 unit
// with its wider intermediate results.
//
// The rows share the image's memory with their stretched selves. Growing
// rows are done from the last to the first, shrinking ones from the first
// to the last, so an output row only ever covers input rows already read.
// Each input row is prepared into one row of scratch memory first.
//
// A height stretch is a width stretch of the image turned by a quarter.
//
//===----------------------------------------------------------------------===//

#include "PixImage.h"

#include "GException.h"
#include "PixImageInternal.h"

#include <cstring>

using namespace pix;

namespace {

// Where output pixel k comes from: byte offsets of the prepared pixels to
// its left and right and their weights, which add up to 256.
struct Tap {
  uint32_t left;
  uint32_t left_weight;
  uint32_t right;
  uint32_t right_weight;
};

// The taps of n >= 2 output pixels over a prepared row of `prepared` pixels
// step bytes apart. Every index is held to the prepared row; only the right
// neighbour of the last output pixel ever needs it.
void fill_taps(Tap *taps, uint32_t n, uint64_t S, uint64_t prepared,
               uint32_t step) {
  const uint64_t last = prepared - 1;
  auto tap = [&](uint64_t position) {
    uint64_t left = position >> 8;
    left = left < last ? left : last;
    const uint64_t right = left < last ? left + 1 : last;
    const uint32_t right_weight = static_cast<uint32_t>(position & 0xFF);
    return Tap{static_cast<uint32_t>(left * step), 256 - right_weight,
               static_cast<uint32_t>(right * step), right_weight};
  };
  taps[0] = Tap{0, 256, 0, 0};
  // S is below 2^41 and k J at most S, so every position fits 64 bits.
  const double J = static_cast<double>(S) / (n - 1);
  taps[1] = tap(static_cast<uint64_t>(J));
  // Positions are never negative, so cutting the fraction off after adding
  // a half rounds as the formula does (lround would differ where the sum is
  // itself rounded up).
  for (uint32_t k = 2; k < n; ++k)
    taps[k] = tap(static_cast<uint64_t>(
        k * J + 0.5)); // NOLINT(bugprone-incorrect-roundings)
}

template <uint32_t C>
void interpolate(const Tap *taps, uint32_t n, const unsigned char *prepared,
                 unsigned char *out, std::size_t step) {
  for (uint32_t k = 0; k < n; ++k, out += step) {
    const Tap &t = taps[k];
    for (uint32_t c = 0; c < C; ++c)
      out[c] =
          static_cast<unsigned char>((prepared[t.left + c] * t.left_weight +
                                      prepared[t.right + c] * t.right_weight) >>
                                     8);
  }
}

bool is_packed_rows(const PixImageDesc &d) {
  return d.data == d.buffer && d.orientation <= rows_reversed &&
         d.row_step == uint64_t{d.pixel_step} * d.width;
}

// round(n * resolution / m), halves up: (m + 2 n r) / (2m) without forming
// 2 n r, which may not fit 64 bits. Held to the 32-bit field.
uint32_t stretched_resolution(uint32_t resolution, uint32_t n, uint32_t m) {
  const uint64_t product = uint64_t{resolution} * n;
  uint64_t rounded = product / m;
  if (2 * (product % m) >= m)
    ++rounded;
  return rounded > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(rounded);
}

} // namespace

void PixImage::stretch_width(uint32_t n) {
  if (n == 0 || n == active_->width)
    return;
  if (active_->type == TYPE_BITONAL)
    G_THROW("PixImage.bad_hstretchraw");
  materialise();
  PixImageDesc &d = *active_;
  if (n == d.width)
    return; // the copy stores its rows as they are shown
  if (!is_packed_rows(d) || d.width == 0)
    G_THROW("PixImage.bad_hstretchraw");

  const uint32_t m = d.width;
  const uint32_t s = d.pixel_step;
  const uint32_t o = m / n > 1 ? m / n : 1;
  const uint32_t v = (n - 1) / m + 1;
  const uint64_t prepared = o > 1 ? m / o + (m % o != 0) : uint64_t{m} * v;
  const bool exact = uint64_t{n} * o == uint64_t{m} * v || n <= 1;
  const uint32_t channels = s < 3 ? 1 : 3;

  // Everything that can fail comes before the first pixel moves.
  ensure_size(buffer_bytes(n, s, d.height));
  const uint32_t new_row = buffer_bytes(uint64_t{n} * s);
  ScratchArray<unsigned char> row(prepared * s);
  row.clear();
  ScratchArray<Tap> taps(exact ? 0 : n);
  if (!exact)
    fill_taps(taps.get(), n, 256 * uint64_t{v} * (m - 1) / o, prepared, s);

  const std::size_t old_row = d.row_step;
  const bool backwards = v > 1;
  for (uint32_t i = 0; i < d.height; ++i) {
    const uint32_t y = backwards ? d.height - 1 - i : i;
    const unsigned char *in = d.data + y * old_row;
    unsigned char *out = d.data + std::size_t{y} * new_row;
    if (o > 1)
      average_row(o, in, s, row.get(), s, m);
    else
      upsample_row(m, row.get(), in, s, s, v);
    if (exact)
      std::memcpy(out, row.get(), new_row);
    else if (channels == 1)
      interpolate<1>(taps.get(), n, row.get(), out, s);
    else
      interpolate<3>(taps.get(), n, row.get(), out, s);
  }
  d.row_step = new_row;
  d.width = n;
  const uint32_t resolution = stretched_resolution(d.x_resolution, n, m);
  if (resolution != 0)
    d.x_resolution = resolution;
}

void PixImage::stretch_height(uint32_t n) {
  if (n == 0 || n == displayed_height(*active_) ||
      active_->type == TYPE_BITONAL)
    return;
  // The turn that makes the displayed columns rows; odd codes store their
  // rows bottom-up and turn the other way.
  const int32_t turn = (active_->orientation & rows_reversed) ? -90 : 90;
  rotate_orientation(turn);
  try {
    normalize(false);
    stretch_width(n);
  } catch (...) {
    // Turned back, the pixels show the image as before, wherever the
    // transposition left them.
    rotate_orientation(-turn);
    throw;
  }
  rotate_orientation(-turn);
}
