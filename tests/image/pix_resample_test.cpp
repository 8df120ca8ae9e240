// Resampling: the row helpers on hand-computed rows, box reduction against
// block means computed here, stretches against interpolation computed here
// from the positions' formula, the plans resize makes, and the properties
// every plan keeps (constant stays constant, enlargement keeps the mean,
// the storage orientation does not show). Also the sizes where pixels must
// not be computed, memory that must not be outgrown, and sums that must not
// wrap.

#include "PixImage.h"

#include "PixImageInternal.h"
#include "image_test_util.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

using namespace image_test;
using pix::displayed_height;
using pix::displayed_width;
using pix::displayed_y_resolution;
using Bytes = std::vector<unsigned char>;

Bytes upsampled(const Bytes &row, uint32_t factor, uint32_t step = 1) {
  Bytes out(row.size() * factor);
  PixImage::upsample_row(static_cast<uint32_t>(row.size() / step), out.data(),
                         row.data(), step, step, factor);
  return out;
}

// A plug-in descriptor of w x h gray or colour pixels showing `shown` (row
// by row, one or three bytes a pixel) through the given orientation.
PixImageDesc *stored_as(int32_t type, const Bytes &shown, uint32_t w,
                        uint32_t h, uint32_t orientation) {
  const uint32_t step = type == TYPE_GRAY ? 1 : 3;
  const bool turned = orientation & 4;
  const uint32_t W = turned ? h : w, H = turned ? w : h;
  TestImage t = make_image(type, W, H, {orientation, 0, 0, 0, 0});
  for (uint32_t i = 0; i < h; ++i)
    for (uint32_t j = 0; j < w; ++j) {
      const uint32_t xs[8] = {j, j, W - 1 - j, W - 1 - j,
                              i, i, W - 1 - i, W - 1 - i};
      const uint32_t ys[8] = {i,         H - 1 - i, i,         H - 1 - i,
                              H - 1 - j, j,         H - 1 - j, j};
      unsigned char *p = t.memory.data() +
                         std::size_t{ys[orientation]} * t.desc.row_step +
                         std::size_t{xs[orientation]} * step;
      // The analysis of cppcheck 2.10 loses its way here.
      // cppcheck-suppress cppcheckError
      const unsigned char *v = &shown[(std::size_t{i} * w + j) * step];
      if (type == TYPE_RGB)
        std::memcpy(p, v, step);
      else if (type == TYPE_BGR)
        p[0] = v[2], p[1] = v[1], p[2] = v[0];
      else
        p[0] = v[0];
    }
  return owned_copy(t);
}

// Displayed pixels as rows of gray bytes, or of red, green, blue.
Bytes shown(const PixImageDesc &d, bool colour = false) {
  Reference ref(d);
  Bytes out;
  for (uint32_t i = 0; i < ref.height(); ++i)
    for (uint32_t j = 0; j < ref.width(); ++j) {
      if (!colour) {
        out.push_back(static_cast<unsigned char>(ref.gray(i, j)));
        continue;
      }
      Rgb c = ref.rgb(i, j);
      out.insert(out.end(), {static_cast<unsigned char>(c.r),
                             static_cast<unsigned char>(c.g),
                             static_cast<unsigned char>(c.b)});
    }
  return out;
}

Bytes random_bytes(std::size_t n, uint32_t seed) {
  Bytes out(n);
  for (auto &b : out)
    b = static_cast<unsigned char>(next_random(seed) >> 7);
  return out;
}

// A page-like gray image: smooth shading with dark strokes, so that the
// shaped upsampling has edges to work on.
Bytes page(uint32_t w, uint32_t h, uint32_t seed) {
  Bytes out(std::size_t{w} * h);
  for (uint32_t i = 0; i < h; ++i)
    for (uint32_t j = 0; j < w; ++j) {
      const bool stroke =
          (i / 3 + j / 5) % 7 == 0 || next_random(seed) % 23 == 0;
      out[std::size_t{i} * w + j] = static_cast<unsigned char>(
          stroke ? 20 + (i + j) % 40 : 200 + (i * j) % 50);
    }
  return out;
}

// Interpolation between prepared pixels, straight from the formula with
// J a double: output 0 is prepared pixel 0, output k is at trunc(J) for
// k = 1 and trunc(k J + 0.5) after, in 1/256 of a prepared pixel.
Bytes stretched_row(const Bytes &row, uint32_t n) {
  const uint32_t m = static_cast<uint32_t>(row.size());
  const uint32_t o = m / n > 1 ? m / n : 1;
  const uint32_t v = (n - 1) / m + 1;
  Bytes prepared(o > 1 ? (m + o - 1) / o : std::size_t{m} * v);
  if (o > 1)
    PixImage::average_row(o, row.data(), 1, prepared.data(), 1, m);
  else
    PixImage::upsample_row(m, prepared.data(), row.data(), 1, 1, v);
  if (prepared.size() == n)
    return prepared;
  const double J = double(256 * uint64_t{v} * (m - 1) / o) / (n - 1);
  Bytes out(n);
  out[0] = prepared[0];
  for (uint32_t k = 1; k < n; ++k) {
    const uint64_t P = static_cast<uint64_t>(k == 1 ? J : k * J + 0.5);
    const std::size_t L = P >> 8;
    const std::size_t R = std::min(L + 1, prepared.size() - 1);
    out[k] = static_cast<unsigned char>(
        (prepared[L] * (256 - (P & 255)) + prepared[R] * (P & 255)) >> 8);
  }
  return out;
}

double mean(const Bytes &b) {
  double sum = 0;
  for (unsigned char v : b)
    sum += v;
  return sum / b.size();
}

// Resizes the gray or colour image `pixels` stored in every orientation and
// checks that all show the same.
void resize_in_every_orientation(int32_t type, const Bytes &pixels, uint32_t w,
                                 uint32_t h, uint32_t A, uint32_t B) {
  Bytes first;
  for (uint32_t o = 0; o < 8; ++o) {
    PixImageDesc *d = stored_as(type, pixels, w, h, o);
    char error[64] = "";
    EXPECT_EQ(pix_resize(d, A, B, error, sizeof error), d) << error;
    Bytes out = shown(*d, type != TYPE_GRAY);
    pix_free(d);
    if (o == 0)
      first = out;
    EXPECT_EQ(out.size(), std::size_t{A} * B * (type == TYPE_GRAY ? 1 : 3));
    EXPECT_EQ(out, first) << "orientation " << o << ", " << w << "x" << h
                          << " to " << A << "x" << B;
  }
}

//===----------------------------------------------------------------------===//
// Row helpers
//===----------------------------------------------------------------------===//

TEST(PixResampleRows, UpsampleByTwoLeansTowardsTheBrighterNeighbour) {
  // 0, 255: both ends leave 0 to 255 and are repeated.
  EXPECT_EQ(upsampled({0, 255}, 2), Bytes({0, 0, 255, 255}));
  // The inner 100 of 90, 100, 110 gives 100 + ((90 - 110) >> 2) = 95 and 105.
  EXPECT_EQ(upsampled({90, 100, 110}, 2), Bytes({86, 94, 95, 105, 106, 114}));
  EXPECT_EQ(upsampled({90, 100, 110}, 3),
            Bytes({86, 90, 94, 95, 100, 105, 107, 110, 113}));
  // Factors of 4 and more, and a single pixel, are repeated.
  EXPECT_EQ(upsampled({7, 9}, 4), Bytes({7, 7, 7, 7, 9, 9, 9, 9}));
  EXPECT_EQ(upsampled({42}, 3), Bytes({42, 42, 42}));
}

// Upsampling by 2 as the formulas read, pixel by pixel.
Bytes upsampled_by_2(const Bytes &row) {
  Bytes out;
  const std::size_t n = row.size();
  for (std::size_t i = 0; i < n; ++i) {
    const int x = row[i];
    const int p = i > 0 ? row[i - 1] : 0, q = i + 1 < n ? row[i + 1] : 0;
    int e = i == 0       ? (4 * x - q) / 3
            : i + 1 == n ? (2 * x + p) / 3
                         : x + static_cast<int>(std::floor((p - q) / 4.0));
    int pair = 2 * x - e;
    if (e < 0 || e > 255 || pair < 0 || pair > 255)
      e = pair = x;
    out.push_back(static_cast<unsigned char>(e));
    out.push_back(static_cast<unsigned char>(pair));
  }
  return out;
}

TEST(PixResampleRows, LongRowsFollowTheFormulas) {
  // Rows long enough for any vectorised inner loop, with steep edges that
  // push values out of range and single pixels of either extreme.
  Bytes row = random_bytes(300, 3);
  for (std::size_t i = 0; i < row.size(); i += 7)
    row[i] = i % 2 ? 0 : 255;
  for (std::size_t n : {2u, 16u, 17u, 18u, 19u, 33u, 300u}) {
    const Bytes part(row.begin(), row.begin() + n);
    EXPECT_EQ(upsampled(part, 2), upsampled_by_2(part)) << "row of " << n;
  }
}

TEST(PixResampleRows, AColourPixelIsShapedInAllChannelsOrNone) {
  // Blue of the middle pixel would become 30 + ((250 - 0) >> 2) = 92 and
  // 60 - 92 < 0; red and green would stay 100: the whole pixel is repeated.
  const Bytes row = {100, 100, 250, 100, 100, 30, 100, 100, 0};
  Bytes out = upsampled(row, 2, 3);
  EXPECT_EQ(Bytes(out.begin() + 6, out.begin() + 12),
            Bytes({100, 100, 30, 100, 100, 30}));
  // Steps of 3 and 4 make three channels; a step below 3 one.
  Bytes wide(8, 0);
  PixImage::upsample_row(1, wide.data(), row.data(), 4, 3, 2);
  EXPECT_EQ(wide, Bytes({100, 100, 250, 0, 100, 100, 250, 0}));
  Bytes narrow(4, 0);
  PixImage::upsample_row(2, narrow.data(), row.data(), 2, 3, 1);
  EXPECT_EQ(narrow, Bytes({100, 0, 100, 0}));
}

TEST(PixResampleRows, AveragesOfBlocksAndOfTheRest) {
  const Bytes row = {10, 20, 30, 40, 50, 61, 70};
  Bytes out(3);
  PixImage::average_row(3, row.data(), 1, out.data(), 1, 7);
  EXPECT_EQ(out, Bytes({20, 50, 70}));
  PixImage::average_row(4, row.data(), 1, out.data(), 1, 7);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 2), Bytes({25, 60}));
  const Bytes colour = {0, 10, 255, 3, 20, 255};
  Bytes one(3);
  PixImage::average_row(2, colour.data(), 3, one.data(), 3, 2);
  EXPECT_EQ(one, Bytes({1, 15, 255}));
}

TEST(PixResampleRows, FactorsAndStepsOfZeroAreRefused) {
  unsigned char p[4] = {};
  auto up = [&](uint32_t t, uint32_t s, uint32_t f) {
    return raised_id([&] { PixImage::upsample_row(2, p, p + 2, t, s, f); });
  };
  EXPECT_EQ(up(1, 1, 0), "PixImage.bad_upsample");
  EXPECT_EQ(up(0, 1, 2), "PixImage.bad_upsample");
  EXPECT_EQ(up(1, 0, 2), "PixImage.bad_upsample");
  EXPECT_EQ(raised_id([&] { PixImage::average_row(0, p, 1, p, 1, 2); }),
            "PixImage.bad_subsample");
}

//===----------------------------------------------------------------------===//
// Box reduction
//===----------------------------------------------------------------------===//

TEST(PixSubsample, OneRowOfThreeByTwo) {
  unsigned char row[] = {10, 20, 30};
  PixImageDesc d = {};
  d.type = TYPE_GRAY;
  d.width = 3;
  d.height = 1;
  d.pixel_step = 1;
  d.row_step = 3;
  d.buffer_size = 3;
  d.data = d.buffer = row;
  d.x_resolution = 3;
  d.y_resolution = 301;
  PixImage(d, PixImage::in_place).subsample(2);
  EXPECT_EQ(d.width, 2u);
  EXPECT_EQ(d.height, 1u);
  EXPECT_EQ(row[0], 15);
  EXPECT_EQ(row[1], 30);
  EXPECT_EQ(d.x_resolution, 1u); // 1.5 by the formula (2r + f - 1) / 2f
  EXPECT_EQ(d.y_resolution, 150u);
  EXPECT_EQ(raised_id([&] { PixImage(d, PixImage::in_place).subsample(0); }),
            "PixImage.bad_subsample");
}

TEST(PixSubsample, BlockMeansWithNarrowerEdgeBlocks) {
  // Padded rows and wide pixels: only the channels change, the steps stay.
  // Factors 64 and 65 lie on either side of the divisions by reciprocal.
  for (int32_t type : {TYPE_GRAY, TYPE_RGB})
    for (uint32_t f : {2u, 3u, 7u, 64u, 65u}) {
      const uint32_t w = f * 2 + f / 2 + 1, h = f + 3;
      TestImage t = make_image(type, w, h, {0, 1, 5, 3, 2}, f);
      const PixImageDesc before = t.desc;
      Bytes original = t.memory;
      Reference ref_before(before);
      std::vector<std::vector<Rgb>> expected;
      for (uint32_t bi = 0; bi * f < h; ++bi) {
        expected.emplace_back();
        for (uint32_t bj = 0; bj * f < w; ++bj) {
          unsigned sum[3] = {}, count = 0;
          for (uint32_t i = bi * f; i < std::min(h, bi * f + f); ++i)
            for (uint32_t j = bj * f; j < std::min(w, bj * f + f);
                 ++j, ++count) {
              Rgb c = ref_before.rgb(i, j);
              sum[0] += c.r, sum[1] += c.g, sum[2] += c.b;
            }
          expected.back().push_back(
              {sum[0] / count, sum[1] / count, sum[2] / count});
        }
      }
      PixImage(t.desc, PixImage::in_place).subsample(f);
      EXPECT_EQ(t.desc.row_step, before.row_step);
      EXPECT_EQ(t.desc.pixel_step, before.pixel_step);
      Reference after(t.desc);
      ASSERT_EQ(after.height(), expected.size());
      ASSERT_EQ(after.width(), expected[0].size());
      for (uint32_t i = 0; i < after.height(); ++i)
        for (uint32_t j = 0; j < after.width(); ++j)
          EXPECT_EQ(after.rgb(i, j), expected[i][j])
              << "type " << type << ", factor " << f << " at " << i << "," << j;
    }
}

TEST(PixSubsample, LargeBlocksDoNotWrapTheirSums) {
  // A block of 4200 x 4200 white pixels sums past 2^32.
  TestImage t = make_image(TYPE_GRAY, 4200, 4200);
  std::memset(t.memory.data(), 255, t.memory.size());
  PixImageDesc *d = owned_copy(t);
  t.memory = Bytes();
  char error[64] = "";
  ASSERT_EQ(pix_resize(d, 1, 1, error, sizeof error), d) << error;
  EXPECT_EQ(d->width * d->height, 1u);
  EXPECT_EQ(d->data[0], 255);
  pix_free(d);
}

//===----------------------------------------------------------------------===//
// Stretches
//===----------------------------------------------------------------------===//

TEST(PixStretch, RowsFollowTheInterpolationFormula) {
  // Widths where n - 1 is prime: no k J lands on a half, where a double
  // might round either way.
  const Bytes pixels = page(50, 3, 5);
  for (uint32_t n :
       {38u, 14u, 60u, 74u, 102u, 152u, 200u, 12u, 1u, 100u, 25u}) {
    TestImage t = make_image(TYPE_GRAY, 50, 3);
    std::memcpy(t.memory.data(), pixels.data(), pixels.size());
    PixImageDesc *d = owned_copy(t);
    PixImage(*d, PixImage::in_place).stretch_width(n);
    ASSERT_EQ(d->width, n);
    EXPECT_EQ(d->x_resolution, 6 * n); // 300 dpi times n / 50
    for (uint32_t y = 0; y < 3; ++y) {
      const Bytes row(pixels.begin() + y * 50, pixels.begin() + y * 50 + 50);
      EXPECT_EQ(Bytes(d->data + y * n, d->data + y * n + n),
                stretched_row(row, n))
          << "width " << n << ", row " << y;
    }
    pix_free(d);
  }

  // 47 to 15 on purpose: 7 J is 1962.5 exactly, but the double product
  // lies just below it, so output pixel 7 sits at 1962, between a black
  // and a white prepared pixel with weight 170: 169, not 170.
  Bytes edge(47, 0);
  std::fill(edge.begin() + 24, edge.end(), 255);
  TestImage t = make_image(TYPE_GRAY, 47, 1);
  std::memcpy(t.memory.data(), edge.data(), edge.size());
  PixImageDesc *d = owned_copy(t);
  PixImage(*d, PixImage::in_place).stretch_width(15);
  const Bytes out(d->data, d->data + 15);
  EXPECT_EQ(out, stretched_row(edge, 15));
  EXPECT_EQ(out[7], 169);
  pix_free(d);
}

TEST(PixStretch, WidthNeedsPackedRowsOfPixels) {
  TestImage t = make_image(TYPE_GRAY, 6, 4, {5, 0, 0, 0, 0});
  EXPECT_EQ(
      raised_id([&] { PixImage(t.desc, PixImage::in_place).stretch_width(9); }),
      "PixImage.bad_hstretchraw");
  // In copy mode the copy is packed and stored bottom-up.
  PixImage copy(t.desc);
  copy.stretch_width(9);
  EXPECT_EQ(copy.desc().width, 9u);
  TestImage bitonal = make_image(TYPE_BITONAL, 6, 4);
  EXPECT_EQ(raised_id([&] {
              PixImage(bitonal.desc, PixImage::in_place).stretch_width(9);
            }),
            "PixImage.bad_hstretchraw");
  PixImageDesc empty = {};
  empty.type = TYPE_GRAY;
  empty.pixel_step = 1;
  empty.height = 4;
  EXPECT_EQ(
      raised_id([&] { PixImage(empty, PixImage::in_place).stretch_width(9); }),
      "PixImage.bad_hstretchraw");
}

//===----------------------------------------------------------------------===//
// resize: plans
//===----------------------------------------------------------------------===//

TEST(PixResize, AnExactFactorIsOneBoxReduction) {
  TestImage t = make_image(TYPE_GRAY, 300, 300, {1, 0, 0, 0, 0});
  PixImageDesc *d = owned_copy(t);
  char error[64] = "";
  ASSERT_EQ(pix_resize(d, 100, 100, error, sizeof error), d) << error;
  PixImage boxes(t.desc);
  boxes.subsample(3);
  EXPECT_EQ(shown(*d), shown(boxes.desc()));
  EXPECT_EQ(d->x_resolution, 100u);
  EXPECT_EQ(d->y_resolution, 67u);
  pix_free(d);
}

TEST(PixResize, ACommonFactorFirstThenBothStretches) {
  const Bytes pixels = page(1000, 800, 3);
  PixImageDesc *d = stored_as(TYPE_GRAY, pixels, 1000, 800, 1);
  PixImage planned(*d);
  planned.subsample(2);
  EXPECT_EQ(displayed_width(planned.desc()), 500u);
  EXPECT_EQ(displayed_height(planned.desc()), 400u);
  planned.normalize(false); // the reduced rows keep their old step
  planned.stretch_width(400);
  planned.stretch_height(320);
  char error[64] = "";
  ASSERT_EQ(pix_resize(d, 400, 320, error, sizeof error), d) << error;
  EXPECT_EQ(shown(*d), shown(planned.desc()));
  pix_free(d);
}

TEST(PixResize, A150DpiPageTo200Dpi) {
  const uint32_t w = 1275, h = 1650;
  const Bytes pixels = page(w, h, 11);
  TestImage t = make_image(TYPE_GRAY, w, h, {1, 0, 0, 0, 0});
  t.desc.x_resolution = t.desc.y_resolution = 150;
  for (uint32_t i = 0; i < h; ++i) // stored bottom-up
    std::memcpy(t.memory.data() + std::size_t{h - 1 - i} * w,
                pixels.data() + std::size_t{i} * w, w);
  PixImageDesc *d = owned_copy(t);
  char error[64] = "";
  ASSERT_EQ(pix_resize(d, 1700, 2200, error, sizeof error), d) << error;
  EXPECT_EQ(d->x_resolution, 200u);
  EXPECT_EQ(d->y_resolution, 200u);
  // Rows stretched first, then columns, top down.
  std::vector<Bytes> rows;
  for (uint32_t i = 0; i < h; ++i)
    rows.push_back(stretched_row(
        Bytes(pixels.begin() + i * w, pixels.begin() + (i + 1) * w), 1700));
  Bytes expected(std::size_t{1700} * 2200);
  for (uint32_t j = 0; j < 1700; ++j) {
    Bytes column(h);
    for (uint32_t i = 0; i < h; ++i)
      column[i] = rows[i][j];
    Bytes result = stretched_row(column, 2200);
    for (uint32_t i = 0; i < 2200; ++i)
      expected[std::size_t{i} * 1700 + j] = result[i];
  }
  EXPECT_TRUE(shown(*d) == expected);
  pix_free(d);
}

TEST(PixResize, MixedAxesFitTheirMemory) {
  // 1000 x 100 to 500 x 150 passes through 1000 x 150, more than either end
  // (and 100 x 1000 to 150 x 500 through 150 x 1000); the memory is exactly
  // the image, so ASan sees any write past it.
  struct Case {
    uint32_t w, h, A, B;
  };
  for (Case c : {Case{1000, 100, 500, 150}, Case{100, 1000, 150, 500}}) {
    TestImage t = make_image(TYPE_GRAY, c.w, c.h);
    std::memset(t.memory.data(), 77, t.memory.size());
    PixImageDesc *d = owned_copy(t);
    char error[64] = "";
    ASSERT_EQ(pix_resize(d, c.A, c.B, error, sizeof error), d) << error;
    EXPECT_EQ(shown(*d), Bytes(std::size_t{c.A} * c.B, 77));
    pix_free(d);
  }
}

TEST(PixResize, BitonalEndsBitonalAtThreshold128) {
  TestImage t = make_image(TYPE_BITONAL, 90, 70, {6, 0, 0, 0, 0});
  PixImage gray(t.desc);
  gray.to_gray();
  gray.resize(130, 41);
  PixImageDesc *d = owned_copy(t);
  char error[64] = "";
  ASSERT_EQ(pix_resize(d, 130, 41, error, sizeof error), d) << error;
  EXPECT_EQ(d->type, TYPE_BITONAL);
  EXPECT_EQ(d->orientation, 0u);
  Bytes expected = shown(gray.desc());
  for (auto &v : expected)
    v = v >= 128 ? 255 : 0;
  EXPECT_EQ(shown(*d), expected);
  pix_free(d);
}

//===----------------------------------------------------------------------===//
// resize: properties
//===----------------------------------------------------------------------===//

// Sizes that take each branch of the plan: an exact factor, a common factor,
// wider, as wide, narrower and taller, narrower and lower, by whole and
// broken factors of every kind.
const std::pair<uint32_t, uint32_t> plans[] = {
    {12, 9}, {5, 3},   {61, 45},  {37, 46},  {37, 50}, {20, 40}, {20, 17},
    {9, 23}, {74, 46}, {111, 69}, {150, 92}, {1, 1},   {1, 40},  {80, 1},
};

TEST(PixResizeProperties, AConstantImageStaysConstant) {
  for (int32_t type : {TYPE_GRAY, TYPE_BGR})
    for (unsigned char value : {0, 37, 255})
      for (auto plan : plans) {
        TestImage t = make_image(type, 37, 23, {3, 1, 4, 2, 5, true});
        for (uint32_t i = 0; i < 23; ++i)
          for (uint32_t j = 0; j < 37; ++j)
            std::memset(t.desc.data + i * t.desc.row_step +
                            j * t.desc.pixel_step,
                        value, t.desc.pixel_step);
        PixImageDesc *d = owned_copy(t);
        char error[64] = "";
        ASSERT_EQ(pix_resize(d, plan.first, plan.second, error, sizeof error),
                  d)
            << error;
        EXPECT_EQ(shown(*d, true),
                  Bytes(std::size_t{plan.first} * plan.second * 3, value))
            << "value " << int(value) << " to " << plan.first << "x"
            << plan.second;
        pix_free(d);
      }
}

TEST(PixResizeProperties, EnlargingKeepsTheMeanWithinOneLevel) {
  const Bytes pixels = page(61, 47, 2);
  for (auto size : {std::pair<uint32_t, uint32_t>{122, 94},
                    {183, 141},
                    {81, 62},
                    {300, 200},
                    {90, 47},
                    {61, 95}}) {
    TestImage t = make_image(TYPE_GRAY, 61, 47);
    std::memcpy(t.memory.data(), pixels.data(), pixels.size());
    PixImageDesc *d = owned_copy(t);
    char error[64] = "";
    ASSERT_EQ(pix_resize(d, size.first, size.second, error, sizeof error), d);
    EXPECT_NEAR(mean(shown(*d)), mean(pixels), 1.0)
        << size.first << "x" << size.second;
    pix_free(d);
  }
}

TEST(PixResizeProperties, TheStorageOrientationDoesNotShow) {
  for (auto plan : plans) {
    resize_in_every_orientation(TYPE_GRAY, page(37, 23, 4), 37, 23, plan.first,
                                plan.second);
  }
  resize_in_every_orientation(TYPE_RGB, random_bytes(37 * 23 * 3, 8), 37, 23,
                              50, 30);
  resize_in_every_orientation(TYPE_BGR, random_bytes(37 * 23 * 3, 9), 37, 23,
                              14, 10);
}

TEST(PixResizeProperties, TheCallersPixelsStayAsTheyAre) {
  TestImage t = make_image(TYPE_RGB, 30, 20, {5, 1, 3, 2, 4, true});
  const uint32_t before = checksum(t.memory.data(), t.memory.size());
  PixImage image(t.desc);
  image.resize(45, 13);
  image.resize(7, 9);
  pix_free(image.detach());
  EXPECT_EQ(checksum(t.memory.data(), t.memory.size()), before);
}

TEST(PixResizeDigest, IsTheSameOnEveryBuild) {
  // Every plan on gray, colour and bitonal pages: the 32-bit build, whose
  // floating point differs, must hand the engine the very same pixels.
  uint32_t h = 2166136261u;
  for (int32_t type : {TYPE_GRAY, TYPE_RGB, TYPE_BITONAL})
    for (auto plan : plans) {
      TestImage t = make_image(type, 37, 23, {2, 0, 0, 0, 0}, 5);
      PixImage image(t.desc);
      image.resize(plan.first, plan.second);
      const Bytes out = shown(image.desc(), true);
      h = checksum(out.data(), out.size(), h);
    }
  EXPECT_EQ(h, 1607931784u);
}

//===----------------------------------------------------------------------===//
// resize: sizes without pixels, and memory
//===----------------------------------------------------------------------===//

TEST(PixResizeEmpty, ToNoPixelsLetsGoOfTheMemory) {
  for (int32_t type : {TYPE_GRAY, TYPE_RGB, TYPE_BITONAL})
    for (uint32_t o : {0u, 4u}) {
      PixImageDesc *d = owned_copy(make_image(type, 8, 6, {o, 0, 0, 0, 0}));
      char error[64] = "";
      ASSERT_EQ(pix_resize(d, 5, 0, error, sizeof error), d) << error;
      EXPECT_EQ(displayed_width(*d), 5u);
      EXPECT_EQ(displayed_height(*d), 0u);
      if (type == TYPE_BITONAL) {
        // Stored rows of no pixels are still coded, a 0 byte each.
        EXPECT_EQ(d->buffer_size, d->height);
      } else {
        EXPECT_EQ(d->buffer, nullptr);
        EXPECT_EQ(d->buffer_size, 0u);
      }
      EXPECT_EQ(pix_prepare_for_engine(d, error, sizeof error), d) << error;
      pix_free(d);
    }
}

TEST(PixResizeEmpty, ImagesWithoutPixelsBecomeWhite) {
  for (int32_t type : {TYPE_GRAY, TYPE_RGB, TYPE_BITONAL})
    for (uint32_t o : {0u, 5u}) {
      // No pixels, and for bitonal no coded rows either.
      PixImageDesc *d = pix_new_desc();
      d->type = type;
      d->orientation = o;
      d->pixel_step = type == TYPE_BITONAL ? 0 : 1 + 2 * (type == TYPE_RGB);
      char error[64] = "";
      ASSERT_EQ(pix_resize(d, 6, 4, error, sizeof error), d) << error;
      EXPECT_EQ(raised_id([&] { PixImage(*d, PixImage::in_place); }),
                "<nothing raised>");
      EXPECT_EQ(shown(*d), Bytes(24, 255));
      // ... which resizes on to a width of 0 as valid rows of no pixels.
      ASSERT_EQ(pix_resize(d, 0, 3, error, sizeof error), d) << error;
      EXPECT_EQ(raised_id([&] { PixImage(*d, PixImage::in_place); }),
                "<nothing raised>");
      pix_free(d);
    }
}

TEST(PixResizeMemory, ACallersMemoryDoesNotGrow) {
  TestImage t = make_image(TYPE_GRAY, 10, 10);
  const PixImageDesc before = t.desc;
  char error[64] = "";
  EXPECT_EQ(pix_resize(&t.desc, 20, 10, error, sizeof error), nullptr);
  EXPECT_STREQ(error, "GException.outofmemory");
  EXPECT_TRUE(same_fields(t.desc, before));
  // Growth within the caller's memory is fine, and shrinking always is.
  EXPECT_EQ(pix_resize(&t.desc, 5, 5, error, sizeof error), &t.desc);
  EXPECT_EQ(pix_resize(&t.desc, 8, 12, error, sizeof error), &t.desc);
}

TEST(PixResizeMemory, SizesPastTheBufferFieldAreOutOfMemory) {
  PixImageDesc *d = owned_copy(make_image(TYPE_RGB, 4, 4));
  char error[64] = "";
  EXPECT_EQ(pix_resize(d, 0x10000, 0x10000, error, sizeof error), nullptr);
  EXPECT_STREQ(error, "GException.outofmemory");
  EXPECT_EQ(pix_resize(d, 0xFFFFFFFF, 0, error, sizeof error), nullptr);
  EXPECT_STREQ(error, "GException.outofmemory");
  EXPECT_EQ(d->width, 4u); // and the image is as it was
  EXPECT_NE(d->owner, nullptr);
  pix_free(d);
}

} // namespace
