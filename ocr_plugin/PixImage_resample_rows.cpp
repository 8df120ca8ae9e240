//===- PixImage_resample_rows.cpp - Averaging and upsampling one row ------===//
//
// The two ways a width stretch prepares a row before interpolating it: by
// whole-factor averaging when the row shrinks, by whole-factor upsampling
// when it grows. Upsampling by 2 and 3 shapes the new pixels after the
// neighbours, so that an edge stays an edge instead of a staircase, while
// the new pixels of one source pixel always add up to factor times its
// value: enlarging keeps the mean brightness.
//
// Both kernels are templates over the channel count, so that the usual gray
// rows (one channel) get loops without an inner channel loop.
//
//===----------------------------------------------------------------------===//

#include "PixImage.h"

#include "GException.h"
#include "PixImageInternal.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

using namespace pix;

namespace {

// Gray rows, and rows whose pixels are too narrow for colour, have one
// channel; colour pixels three, whatever bytes follow them.
uint32_t channels_of(uint32_t source_step, uint32_t target_step) {
  return source_step < 3 || target_step < 3 ? 1 : 3;
}

bool is_byte(int32_t value) { return static_cast<uint32_t>(value) <= 255; }

// (p - q) >> 2 for bytes p and q, the shift arithmetic (towards minus
// infinity), written with a shift of non-negative numbers only.
int32_t quarter_difference(int32_t p, int32_t q) {
  return ((p - q + 256) >> 2) - 64;
}

template <class Sum, uint32_t C>
void average_blocks(uint32_t f, const unsigned char *source, std::size_t s,
                    unsigned char *target, std::size_t t, uint32_t n) {
  const uint32_t full = n / f;
  const uint32_t rest = n % f;
  const BoxDivider by_factor(f);
  const unsigned char *p = source;
  for (uint32_t b = 0; b < full; ++b, target += t) {
    Sum sum[C] = {};
    for (uint32_t k = 0; k < f; ++k, p += s)
      for (uint32_t c = 0; c < C; ++c)
        sum[c] += p[c];
    for (uint32_t c = 0; c < C; ++c)
      target[c] = static_cast<unsigned char>(by_factor(sum[c]));
  }
  if (rest == 0)
    return;
  Sum sum[C] = {};
  for (uint32_t k = 0; k < rest; ++k, p += s)
    for (uint32_t c = 0; c < C; ++c)
      sum[c] += p[c];
  for (uint32_t c = 0; c < C; ++c)
    target[c] = static_cast<unsigned char>(sum[c] / rest);
}

template <uint32_t C>
void repeat_pixels(uint32_t n, unsigned char *target,
                   const unsigned char *source, std::size_t t, std::size_t s,
                   uint32_t f) {
  for (uint32_t i = 0; i < n; ++i, source += s)
    for (uint32_t r = 0; r < f; ++r, target += t)
      for (uint32_t c = 0; c < C; ++c)
        target[c] = source[c];
}

// Writes the F values of every channel of one source pixel x, or, when one
// of them is not a byte, x repeated: a pixel either keeps its shape in every
// channel or in none, so that no colour fringe appears.
template <uint32_t F, uint32_t C>
void put_pixel(const int32_t (&values)[C][F], const unsigned char *x,
               unsigned char *target, std::size_t t) {
  bool bytes = true;
  for (uint32_t c = 0; c < C; ++c)
    for (uint32_t k = 0; k < F; ++k)
      bytes = bytes && is_byte(values[c][k]);
  for (uint32_t k = 0; k < F; ++k, target += t)
    for (uint32_t c = 0; c < C; ++c)
      target[c] =
          static_cast<unsigned char>(bytes ? values[c][k] : int32_t{x[c]});
}

#ifdef __SSE2__
// e and b of 8 pixels in 16-bit lanes where both are bytes, else x.
inline void shape_8(__m128i x, __m128i p, __m128i q, __m128i &e_out,
                    __m128i &b_out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i byte_max = _mm_set1_epi16(255);
  const __m128i difference =
      _mm_add_epi16(_mm_sub_epi16(p, q), _mm_set1_epi16(256));
  const __m128i e = _mm_sub_epi16(
      _mm_add_epi16(x, _mm_srli_epi16(difference, 2)), _mm_set1_epi16(64));
  const __m128i b = _mm_sub_epi16(_mm_add_epi16(x, x), e);
  const __m128i e_byte =
      _mm_cmpeq_epi16(e, _mm_min_epi16(_mm_max_epi16(e, zero), byte_max));
  const __m128i b_byte =
      _mm_cmpeq_epi16(b, _mm_min_epi16(_mm_max_epi16(b, zero), byte_max));
  const __m128i shaped = _mm_and_si128(e_byte, b_byte);
  e_out = _mm_or_si128(_mm_and_si128(shaped, e), _mm_andnot_si128(shaped, x));
  b_out = _mm_or_si128(_mm_and_si128(shaped, b), _mm_andnot_si128(shaped, x));
}
#endif

// The inner pixels of a packed gray row by 2, as upsample_by_2 makes them;
// enlarging a page spends most of its time here. Where SSE2 is part of the
// target, 16 pixels at a time in 16-bit lanes, with the same integers.
void inner_gray_by_2(uint32_t n, unsigned char *target,
                     const unsigned char *source) {
  uint32_t i = 1;
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128();
  for (; i + 17 <= n; i += 16) {
    const __m128i x =
        _mm_loadu_si128(reinterpret_cast<const __m128i *>(source + i));
    const __m128i p =
        _mm_loadu_si128(reinterpret_cast<const __m128i *>(source + i - 1));
    const __m128i q =
        _mm_loadu_si128(reinterpret_cast<const __m128i *>(source + i + 1));
    __m128i e_low, b_low, e_high, b_high;
    shape_8(_mm_unpacklo_epi8(x, zero), _mm_unpacklo_epi8(p, zero),
            _mm_unpacklo_epi8(q, zero), e_low, b_low);
    shape_8(_mm_unpackhi_epi8(x, zero), _mm_unpackhi_epi8(p, zero),
            _mm_unpackhi_epi8(q, zero), e_high, b_high);
    const __m128i e = _mm_packus_epi16(e_low, e_high);
    const __m128i b = _mm_packus_epi16(b_low, b_high);
    unsigned char *out = target + 2 * std::size_t{i};
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(e, b));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 16),
                     _mm_unpackhi_epi8(e, b));
  }
#endif
  for (; i + 1 < n; ++i) {
    const int32_t x = source[i];
    const int32_t e = x + quarter_difference(source[i - 1], source[i + 1]);
    const int32_t pair = 2 * x - e;
    const bool shaped = is_byte(e) && is_byte(pair);
    target[std::size_t{2} * i] = static_cast<unsigned char>(shaped ? e : x);
    target[std::size_t{2} * i + 1] =
        static_cast<unsigned char>(shaped ? pair : x);
  }
}

// Factor 2: the pair (e, 2x - e) leans towards the brighter neighbour.
template <uint32_t C>
void upsample_by_2(uint32_t n, unsigned char *target,
                   const unsigned char *source, std::size_t t, std::size_t s) {
  int32_t v[C][2];
  const unsigned char *x = source;
  for (uint32_t c = 0; c < C; ++c) {
    const int32_t e = (4 * x[c] - (x + s)[c]) / 3;
    v[c][0] = e;
    v[c][1] = 2 * x[c] - e;
  }
  put_pixel<2, C>(v, x, target, t);
  if (C == 1 && s == 1 && t == 1) {
    inner_gray_by_2(n, target, source);
    x += n - 2;
    target += 2 * std::size_t{n - 2};
  } else {
    for (uint32_t i = 1; i + 1 < n; ++i) {
      const unsigned char *prev = x;
      x += s;
      target += 2 * t;
      for (uint32_t c = 0; c < C; ++c) {
        const int32_t e = x[c] + quarter_difference(prev[c], (x + s)[c]);
        v[c][0] = e;
        v[c][1] = 2 * x[c] - e;
      }
      put_pixel<2, C>(v, x, target, t);
    }
  }
  const unsigned char *prev = x;
  x += s;
  target += 2 * t;
  for (uint32_t c = 0; c < C; ++c) {
    const int32_t e = (2 * x[c] + prev[c]) / 3;
    v[c][0] = e;
    v[c][1] = 2 * x[c] - e;
  }
  put_pixel<2, C>(v, x, target, t);
}

// Factor 3: the middle value is x at the ends; inner pixels spread 3x over
// three values weighted towards each neighbour.
template <uint32_t C>
void upsample_by_3(uint32_t n, unsigned char *target,
                   const unsigned char *source, std::size_t t, std::size_t s) {
  int32_t v[C][3];
  const unsigned char *x = source;
  for (uint32_t c = 0; c < C; ++c) {
    const int32_t e = (4 * x[c] - (x + s)[c]) / 3;
    v[c][0] = e;
    v[c][1] = x[c];
    v[c][2] = 2 * x[c] - e;
  }
  put_pixel<3, C>(v, x, target, t);
  for (uint32_t i = 1; i + 1 < n; ++i) {
    const unsigned char *prev = x;
    x += s;
    target += 3 * t;
    for (uint32_t c = 0; c < C; ++c) {
      const int32_t p = prev[c], q = (x + s)[c];
      const int32_t g = 3 * x[c];
      const int32_t h = ((g + q) * 3 - 2 * p) / 10;
      const int32_t l = ((g + p) * 3 - 2 * q) / 10;
      v[c][0] = l;
      v[c][1] = g - h - l;
      v[c][2] = h;
    }
    put_pixel<3, C>(v, x, target, t);
  }
  const unsigned char *prev = x;
  x += s;
  target += 3 * t;
  for (uint32_t c = 0; c < C; ++c) {
    const int32_t e = (4 * x[c] - prev[c]) / 3;
    v[c][0] = 2 * x[c] - e;
    v[c][1] = x[c];
    v[c][2] = e;
  }
  put_pixel<3, C>(v, x, target, t);
}

template <uint32_t C>
void upsample(uint32_t n, unsigned char *target, const unsigned char *source,
              std::size_t t, std::size_t s, uint32_t f) {
  // A row of one pixel has no neighbour to shape it after.
  if (n == 1 || f == 1 || f > 3)
    repeat_pixels<C>(n, target, source, t, s, f);
  else if (f == 2)
    upsample_by_2<C>(n, target, source, t, s);
  else
    upsample_by_3<C>(n, target, source, t, s);
}

} // namespace

void PixImage::average_row(uint32_t factor, const unsigned char *source,
                           uint32_t source_step, unsigned char *target,
                           uint32_t target_step, uint32_t n) {
  if (factor == 0)
    G_THROW("PixImage.bad_subsample");
  // Sums of up to 16843009 bytes fit 32 bits.
  const bool narrow = factor <= UINT32_MAX / 255;
  if (channels_of(source_step, target_step) == 1) {
    if (narrow)
      average_blocks<uint32_t, 1>(factor, source, source_step, target,
                                  target_step, n);
    else
      average_blocks<uint64_t, 1>(factor, source, source_step, target,
                                  target_step, n);
  } else if (narrow) {
    average_blocks<uint32_t, 3>(factor, source, source_step, target,
                                target_step, n);
  } else {
    average_blocks<uint64_t, 3>(factor, source, source_step, target,
                                target_step, n);
  }
}

void PixImage::upsample_row(uint32_t n, unsigned char *target,
                            const unsigned char *source, uint32_t target_step,
                            uint32_t source_step, uint32_t factor) {
  if (factor == 0 || target_step == 0 || source_step == 0)
    G_THROW("PixImage.bad_upsample");
  if (n == 0)
    return;
  if (factor == 1 && target_step == source_step) {
    std::memcpy(target, source, std::size_t{n} * source_step);
    return;
  }
  if (channels_of(source_step, target_step) == 1)
    upsample<1>(n, target, source, target_step, source_step, factor);
  else
    upsample<3>(n, target, source, target_step, source_step, factor);
}
