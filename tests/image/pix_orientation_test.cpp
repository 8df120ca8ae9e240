// Every orientation of every type, at odd sizes, packed and with padded
// steps: row spans, the gray copy, the engine layout, copy-out and coding all
// show the displayed image that the independent reference reads.

#include "PixImage.h"

#include "image_test_util.h"

#include <tuple>

namespace {

using namespace image_test;

const int32_t types[] = {TYPE_BITONAL, TYPE_GRAY, TYPE_RGB, TYPE_BGR};

// Wider pixels, padded rows, data after the buffer start, and a last row
// cut short of its padding, with a little slack after it.
Layout layout_for(uint32_t orientation, bool padded) {
  Layout l;
  l.orientation = orientation;
  if (padded)
    l = {orientation, 1, 7, 5, 3, true};
  return l;
}

// Whether coding at threshold makes a pixel white: colour compares the
// unscaled weighted sum with 257 * threshold, which can differ from the
// gray value's verdict.
bool coded_white(int32_t type, Rgb c, uint32_t threshold) {
  if (type == TYPE_RGB || type == TYPE_BGR)
    return 77 * c.r + 151 * c.g + 29 * c.b >= 257 * threshold;
  return c.r >= threshold;
}

class EveryOrientation
    : public testing::TestWithParam<std::tuple<int32_t, uint32_t, bool>> {
protected:
  std::vector<TestImage> images() const {
    // Odd sizes; 37 x 35 also covers the 16 x 16 tiles of the fast paths
    // and what they leave at the edges, 261 x 4 turned the bands of 128
    // displayed rows that transposed copies are made in. Bitonal rows of
    // 40000 hold runs too long for one code.
    static const uint32_t sizes[][2] = {{1, 1}, {5, 3}, {3, 7},   {13, 11},
                                        {1, 9}, {9, 1}, {37, 35}, {261, 4}};
    const int32_t type = std::get<0>(GetParam());
    const Layout layout =
        layout_for(std::get<1>(GetParam()), std::get<2>(GetParam()));
    std::vector<TestImage> all;
    uint32_t seed = 1;
    for (const auto &s : sizes)
      all.push_back(make_image(type, s[0], s[1], layout, seed++));
    if (type == TYPE_BITONAL)
      all.push_back(make_image(type, 40000, 2, layout, seed));
    return all;
  }
};

TEST_P(EveryOrientation, RowSpansWalkTheDisplayedRows) {
  for (const TestImage &t : images()) {
    Reference ref(t.desc);
    for (uint32_t i = 0; i < ref.height(); ++i) {
      const unsigned char *start = nullptr, *end = nullptr;
      int64_t step = pix_row_span(&t.desc, i, &start, &end);
      if (t.desc.type == TYPE_BITONAL) {
        EXPECT_EQ(step, 0);
        EXPECT_EQ(start, nullptr);
        break;
      }
      EXPECT_EQ(reinterpret_cast<uintptr_t>(end) -
                    reinterpret_cast<uintptr_t>(start),
                static_cast<uintptr_t>(step * int64_t{ref.width()}));
      const unsigned char *p = start;
      for (uint32_t j = 0; j < ref.width();
           ++j, p += j < ref.width() ? step : 0)
        ASSERT_EQ(*p, ref.first(i, j)) << "row " << i << " pixel " << j;
    }
  }
}

TEST_P(EveryOrientation, GrayCopyShowsTheDisplayedImageBottomUp) {
  for (const TestImage &t : images()) {
    const uint32_t before = checksum(t.memory.data(), t.memory.size());
    char error[256] = "unchanged";
    PixImageDesc *gray = pix_to_gray_copy(&t.desc, error, sizeof error);
    ASSERT_NE(gray, nullptr) << error;
    EXPECT_EQ(error[0], '\0');
    EXPECT_EQ(checksum(t.memory.data(), t.memory.size()), before);
    Reference ref(t.desc);
    const bool turned = (t.desc.orientation & 4) != 0;
    EXPECT_EQ(gray->type, TYPE_GRAY);
    EXPECT_EQ(gray->orientation, 1u);
    EXPECT_EQ(gray->width, ref.width());
    EXPECT_EQ(gray->height, ref.height());
    EXPECT_EQ(gray->pixel_step, 1u);
    EXPECT_EQ(gray->row_step, ref.width());
    EXPECT_EQ(gray->x_resolution, turned ? 200u : 300u);
    EXPECT_EQ(gray->y_resolution, turned ? 300u : 200u);
    ASSERT_EQ(gray->owner->descriptor(), gray);
    for (uint32_t i = 0; i < ref.height(); ++i)
      for (uint32_t j = 0; j < ref.width(); ++j)
        ASSERT_EQ(gray->data[(ref.height() - 1 - i) * ref.width() + j],
                  ref.gray(i, j))
            << "displayed " << i << ", " << j;
    pix_free(gray);
  }
}

// In place on a plug-in copy: packed bottom-up rows, gray one byte, colour
// blue-green-red, bitonal coded top-down, no slack left in the memory.
TEST_P(EveryOrientation, EngineLayoutKeepsTheDisplayedImage) {
  for (const TestImage &t : images()) {
    PixImageDesc *d = owned_copy(t);
    char error[64];
    ASSERT_EQ(pix_prepare_for_engine(d, error, sizeof error), d) << error;
    EXPECT_EQ(d->data, d->buffer);
    if (t.desc.type == TYPE_BITONAL) {
      EXPECT_EQ(d->orientation, 0u);
    } else {
      EXPECT_EQ(d->orientation, 1u);
      EXPECT_EQ(d->pixel_step, t.desc.type == TYPE_GRAY ? 1u : 3u);
      EXPECT_NE(d->type, TYPE_RGB);
      EXPECT_EQ(d->buffer_size, d->pixel_step * d->width * d->height);
    }
    Reference before(t.desc), after(*d);
    ASSERT_EQ(after.width(), before.width());
    ASSERT_EQ(after.height(), before.height());
    for (uint32_t i = 0; i < before.height(); ++i)
      for (uint32_t j = 0; j < before.width(); ++j)
        ASSERT_EQ(after.rgb(i, j), before.rgb(i, j)) << i << ", " << j;
    pix_free(d);
  }
}

// Copy mode: normalising and coding show the same image, and the editor's
// pixels are never written.
TEST_P(EveryOrientation, CopyModeLeavesTheEditorsPixelsAlone) {
  for (const TestImage &t : images()) {
    const uint32_t before = checksum(t.memory.data(), t.memory.size());
    Reference ref(t.desc);
    for (int step = 0; step < 4; ++step) {
      const uint32_t threshold = step == 2 ? 128 : 77;
      PixImage image(t.desc);
      if (step < 2)
        image.normalize(step == 0);
      else
        image.to_bitonal(threshold);
      PixImageDesc *out = image.detach();
      Reference result(*out);
      ASSERT_EQ(result.width(), ref.width());
      ASSERT_EQ(result.height(), ref.height());
      for (uint32_t i = 0; i < ref.height(); ++i)
        for (uint32_t j = 0; j < ref.width(); ++j)
          if (step < 2)
            ASSERT_EQ(result.rgb(i, j), ref.rgb(i, j));
          else
            ASSERT_EQ(result.gray(i, j),
                      coded_white(t.desc.type, ref.rgb(i, j), threshold) ? 255u
                                                                         : 0u)
                << "coded " << i << ", " << j;
      pix_free(out);
    }
    EXPECT_EQ(checksum(t.memory.data(), t.memory.size()), before);
  }
}

std::string
case_name(const testing::TestParamInfo<EveryOrientation::ParamType> &info) {
  static const char *const names[] = {"bitonal", "gray", "rgb", "bgr"};
  return std::string(names[std::get<0>(info.param)]) + "_orientation" +
         std::to_string(std::get<1>(info.param)) +
         (std::get<2>(info.param) ? "_padded" : "_packed");
}

INSTANTIATE_TEST_SUITE_P(TypesOrientationsSteps, EveryOrientation,
                         testing::Combine(testing::ValuesIn(types),
                                          testing::Range(0u, 8u),
                                          testing::Bool()),
                         case_name);

// A digest of the results above for one image of each type and orientation:
// the Linux and Windows builds must produce the same bytes.
TEST(EveryOrientationDigest, IsTheSameOnEveryBuild) {
  uint32_t h = 2166136261u;
  for (int32_t type : types)
    for (uint32_t o = 0; o < 8; ++o) {
      TestImage t = make_image(type, 37, 35, layout_for(o, o % 2 == 0), 77);
      PixImageDesc *gray = pix_to_gray_copy(&t.desc, nullptr, 0);
      ASSERT_NE(gray, nullptr);
      h = checksum(gray->data, gray->buffer_size, h);
      pix_free(gray);
      PixImage coded(t.desc);
      coded.to_bitonal(0);
      h = checksum(coded.desc().buffer, coded.desc().buffer_size, h);
      PixImage engine(t.desc);
      engine.normalize(true);
      h = checksum(engine.desc().buffer, engine.desc().buffer_size, h);
    }
  EXPECT_EQ(h, 4269226401u);
}

} // namespace
