//===- PixImage_gray_rows.cpp - Displayed pixels as gray, fast ------------===//
//
// The gray copy of the editor's page is the one pass over every pixel that
// each recognition makes, so its common layouts get loops of their own:
// packed gray or colour pixels read along stored rows (orientations 0 and 1)
// or along stored columns from the top or bottom (4 and 5), and colour
// pixels of four bytes (a spare byte after each, as decoders keep them) read
// along stored rows. Where SSE2 is
// part of the target (every x86-64 build), colour pixels are weighted eight
// at a time and column reads are turned into row writes in 16 x 16 tiles.
// Every path computes the same integers: results are identical everywhere.
//
//===----------------------------------------------------------------------===//

#include "PixImageInternal.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

using namespace pix;

namespace {

#ifdef __SSE2__
inline uint32_t load4(const unsigned char *p) {
  uint32_t word;
  std::memcpy(&word, p, 4);
  return word;
}

// (R * w0 + G * w1 + B * w2) >> 8 of the four pixels at p, p + step,
// p + 2 step, p + 3 step (step 3 or 4), each loaded with the byte after its
// third (weighted by 0).
inline __m128i weigh4(const unsigned char *p, uint32_t step, __m128i weights) {
  const __m128i zero = _mm_setzero_si128();
  __m128i v = _mm_setr_epi32(
      static_cast<int>(load4(p)), static_cast<int>(load4(p + step)),
      static_cast<int>(load4(p + 2 * std::size_t{step})),
      static_cast<int>(load4(p + 3 * std::size_t{step})));
  // Pairs of products per pixel: (w0 R + w1 G, w2 B + 0), summed below.
  __m128 low =
      _mm_castsi128_ps(_mm_madd_epi16(_mm_unpacklo_epi8(v, zero), weights));
  __m128 high =
      _mm_castsi128_ps(_mm_madd_epi16(_mm_unpackhi_epi8(v, zero), weights));
  __m128i first =
      _mm_castps_si128(_mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0)));
  __m128i second =
      _mm_castps_si128(_mm_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1)));
  return _mm_srli_epi32(_mm_add_epi32(first, second), 8);
}
#endif

// Gray values of n pixels from p: packed gray bytes, or colour pixels step
// bytes apart (3 or 4). With one_more, the byte after the last pixel's
// third may be read too.
void gray_of_packed(int32_t type, const unsigned char *p, unsigned char *out,
                    uint32_t n, bool one_more = false, uint32_t step = 3) {
  if (type == TYPE_GRAY) {
    std::memcpy(out, p, n);
    return;
  }
  const bool bgr = type == TYPE_BGR;
  uint32_t k = 0;
#ifdef __SSE2__
  const __m128i weights = bgr ? _mm_setr_epi16(29, 151, 77, 0, 29, 151, 77, 0)
                              : _mm_setr_epi16(77, 151, 29, 0, 77, 151, 29, 0);
  // Each pixel is read as four bytes: unless one more byte may be read, the
  // last pixel of the run is left to the plain loop.
  for (; k + 8 < n + (one_more ? 1 : 0); k += 8) {
    const unsigned char *q = p + step * std::size_t{k};
    __m128i words =
        _mm_packs_epi32(weigh4(q, step, weights),
                        weigh4(q + 4 * std::size_t{step}, step, weights));
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out + k),
                     _mm_packus_epi16(words, words));
  }
#endif
  for (; k < n; ++k) {
    const unsigned char *q = p + step * std::size_t{k};
    out[k] =
        bgr ? gray_of_rgb(q[2], q[1], q[0]) : gray_of_rgb(q[0], q[1], q[2]);
  }
}

unsigned char gray_at(int32_t type, const unsigned char *p) {
  switch (type) {
  case TYPE_GRAY:
    return p[0];
  case TYPE_RGB:
    return gray_of_rgb(p[0], p[1], p[2]);
  default:
    return gray_of_rgb(p[2], p[1], p[0]);
  }
}

#ifdef __SSE2__
constexpr uint32_t tile = 16;

// Writes column c of the 16 x 16 bytes in rows[0..15] to out[c], 16 bytes
// each: rows, then pairs, quads and octets of rows interleaved.
void transpose_tile(const unsigned char (*rows)[tile],
                    unsigned char *const *out) {
  __m128i x[16], y[16];
  for (std::size_t r = 0; r < 16; ++r)
    x[r] = _mm_loadu_si128(reinterpret_cast<const __m128i *>(rows[r]));
  for (std::size_t k = 0; k < 8; ++k) { // bytes of rows 2k, 2k + 1
    y[2 * k] = _mm_unpacklo_epi8(x[2 * k], x[2 * k + 1]);
    y[2 * k + 1] = _mm_unpackhi_epi8(x[2 * k], x[2 * k + 1]);
  }
  for (std::size_t g = 0; g < 4; ++g) // 16-bit pairs of rows 4g..4g+3
    for (std::size_t h = 0; h < 2; ++h) {
      x[4 * g + 2 * h] = _mm_unpacklo_epi16(y[4 * g + h], y[4 * g + h + 2]);
      x[4 * g + 2 * h + 1] = _mm_unpackhi_epi16(y[4 * g + h], y[4 * g + h + 2]);
    }
  for (std::size_t g = 0; g < 2; ++g) // 32-bit quads of rows 8g..8g+7
    for (std::size_t h = 0; h < 4; ++h) {
      y[8 * g + 2 * h] = _mm_unpacklo_epi32(x[8 * g + h], x[8 * g + h + 4]);
      y[8 * g + 2 * h + 1] = _mm_unpackhi_epi32(x[8 * g + h], x[8 * g + h + 4]);
    }
  for (std::size_t h = 0; h < 8; ++h) { // 64-bit octets: whole columns
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out[2 * h]),
                     _mm_unpacklo_epi64(y[h], y[h + 8]));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out[2 * h + 1]),
                     _mm_unpackhi_epi64(y[h], y[h + 8]));
  }
}

// Displayed rows that are stored columns read forwards (orientations 4, 5 of
// packed pixels): full tiles of 16 displayed rows by 16 displayed columns. A
// tile's 16 stored rows are converted along the row, then turned. The tiles
// of 16 stored rows are taken along the whole rows before the next 16, so
// that memory is read as 16 sequential streams (narrower bands of rows,
// tried, made each visit to a row a cache miss of its own and ran slower);
// the displayed rows written meanwhile stay in the second-level cache.
// Returns the displayed rows and columns covered, multiples of 16.
void gray_tiles(const PixImageDesc &source, const DisplayedLayout &l,
                unsigned char *out, uint32_t &rows_done,
                uint32_t &columns_done) {
  rows_done = l.height - l.height % tile;
  columns_done = l.width - l.width % tile;
  unsigned char converted[tile][tile];
  unsigned char *targets[tile];
  for (uint32_t j = 0; j < columns_done; j += tile)
    for (uint32_t i = 0; i < rows_done; i += tile) {
      for (uint32_t a = 0; a < tile; ++a)
        gray_of_packed(source.type,
                       source.data +
                           (l.origin + i * l.row_step + (j + a) * l.col_step),
                       converted[a], tile, i + tile < l.height);
      for (uint32_t b = 0; b < tile; ++b)
        targets[b] = out + std::size_t{l.height - 1 - (i + b)} * l.width + j;
      transpose_tile(converted, targets);
    }
}
// What the tiles leave, pixel by pixel: the displayed rows below them, then
// the columns right of them.
void fill_pixels(const PixImageDesc &source, const DisplayedLayout &l,
                 unsigned char *out, uint32_t rows_done,
                 uint32_t columns_done) {
  auto pixel = [&](uint32_t i, uint32_t j) {
    return gray_at(source.type,
                   source.data + (l.origin + i * l.row_step + j * l.col_step));
  };
  auto target_row = [&](uint32_t i) {
    return out + std::size_t{l.height - 1 - i} * l.width;
  };
  for (uint32_t i = rows_done; i < l.height; ++i)
    for (uint32_t j = 0; j < l.width; ++j)
      target_row(i)[j] = pixel(i, j);
  for (uint32_t i = 0; i < rows_done; ++i)
    for (uint32_t j = columns_done; j < l.width; ++j)
      target_row(i)[j] = pixel(i, j);
}
#endif

} // namespace

void pix::displayed_gray(const PixImageDesc &source, unsigned char *out) {
  const DisplayedLayout l = displayed_layout(source);
  if (l.width == 0 || l.height == 0)
    return;
  const int32_t type = source.type;
  const uint32_t packed = type == TYPE_GRAY ? 1 : 3;
  const bool packed_pixels = source.pixel_step == packed;
  if (packed_pixels && l.col_step == packed) { // along stored rows
    for (uint32_t i = 0; i < l.height; ++i)
      gray_of_packed(type, source.data + (l.origin + i * l.row_step),
                     out + std::size_t{l.height - 1 - i} * l.width, l.width);
    return;
  }
  if (type != TYPE_GRAY && source.pixel_step == 4 && l.col_step == 4) {
    for (uint32_t i = 0; i < l.height; ++i)
      gray_of_packed(type, source.data + (l.origin + i * l.row_step),
                     out + std::size_t{l.height - 1 - i} * l.width, l.width,
                     false, 4);
    return;
  }
#ifdef __SSE2__
  if (packed_pixels && l.row_step == packed) { // along stored columns
    uint32_t rows_done = 0, columns_done = 0;
    gray_tiles(source, l, out, rows_done, columns_done);
    fill_pixels(source, l, out, rows_done, columns_done);
    return;
  }
#endif
  copy_displayed(source, out, 1, true,
                 [type](const unsigned char *p, unsigned char *o) {
                   *o = gray_at(type, p);
                 });
}
