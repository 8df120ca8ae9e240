// Every orientation of every type, at odd sizes and with padded steps: row
// spans, the gray copy, copy-out, coding and the engine layout all show the
// displayed image that the independent reference reads from the table.

#include "PixImage.h"

#include "image_test_util.h"

#include <tuple>

namespace {

using namespace image_test;

struct Size {
  uint32_t w, h;
};
const Size sizes[] = {{1, 1}, {5, 3}, {3, 7}, {13, 11}, {1, 9}, {9, 1}};
const int32_t types[] = {TYPE_BITONAL, TYPE_GRAY, TYPE_RGB, TYPE_BGR};

// Packed, or with wider pixels, padded rows, data after the buffer start
// and slack at the end.
Layout layout_for(uint32_t orientation, bool padded) {
  Layout l;
  l.orientation = orientation;
  if (padded) {
    l.extra_pixel_step = 1;
    l.extra_row_step = 7;
    l.offset = 5;
    l.tail = 3;
  }
  return l;
}

// Whether coding at threshold makes displayed pixel (i, j) white: colour is
// coded on the unscaled weighted sum (>= 257 * threshold), which can differ
// from the gray value's verdict.
bool coded_white(const PixImageDesc &d, const Reference &ref, uint32_t i,
                 uint32_t j, uint32_t threshold) {
  Rgb c = ref.rgb(i, j);
  if (d.type == TYPE_RGB || d.type == TYPE_BGR)
    return 77 * c.r + 151 * c.g + 29 * c.b >= 257 * threshold;
  return c.r >= threshold;
}

class EveryOrientation
    : public testing::TestWithParam<std::tuple<int32_t, uint32_t, bool>> {
protected:
  std::vector<TestImage> images() const {
    std::vector<TestImage> all;
    uint32_t seed = 1;
    for (const Size &s : sizes)
      all.push_back(make_image(
          std::get<0>(GetParam()), s.w, s.h,
          layout_for(std::get<1>(GetParam()), std::get<2>(GetParam())),
          seed++));
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
      ASSERT_NE(step, 0);
      // end is one step past the last pixel.
      EXPECT_EQ(reinterpret_cast<uintptr_t>(end) -
                    reinterpret_cast<uintptr_t>(start),
                static_cast<uintptr_t>(step * int64_t{ref.width()}));
      const unsigned char *p = start;
      for (uint32_t j = 0; j < ref.width(); ++j) {
        ASSERT_EQ(*p, ref.first(i, j)) << "row " << i << " pixel " << j;
        if (j + 1 < ref.width())
          p += step;
      }
    }
  }
}

TEST_P(EveryOrientation, GrayCopyShowsTheDisplayedImageBottomUp) {
  for (const TestImage &t : images()) {
    const uint32_t before = checksum(t.memory);
    char error[256] = "unchanged";
    PixImageDesc *gray = pix_to_gray_copy(&t.desc, error, sizeof error);
    ASSERT_NE(gray, nullptr) << error;
    EXPECT_EQ(error[0], '\0');
    EXPECT_EQ(checksum(t.memory), before) << "the editor's pixels were written";
    Reference ref(t.desc);
    EXPECT_EQ(gray->type, TYPE_GRAY);
    EXPECT_EQ(gray->orientation, 1u);
    EXPECT_EQ(gray->width, ref.width());
    EXPECT_EQ(gray->height, ref.height());
    EXPECT_EQ(gray->pixel_step, 1u);
    EXPECT_EQ(gray->row_step, ref.width());
    EXPECT_EQ(gray->data, gray->buffer);
    ASSERT_NE(gray->owner, nullptr);
    const bool turned = (t.desc.orientation & 4) != 0;
    EXPECT_EQ(gray->x_resolution, turned ? 200u : 300u);
    EXPECT_EQ(gray->y_resolution, turned ? 300u : 200u);
    for (uint32_t i = 0; i < ref.height(); ++i)
      for (uint32_t j = 0; j < ref.width(); ++j)
        ASSERT_EQ(gray->data[(ref.height() - 1 - i) * ref.width() + j],
                  ref.gray(i, j))
            << "displayed " << i << ", " << j;
    pix_free(gray);
  }
}

// The engine layout, in place on a plug-in copy: packed bottom-up rows, gray
// one byte, colour blue-green-red, bitonal coded top-down.
TEST_P(EveryOrientation, StrictNormalizeKeepsTheDisplayedImage) {
  for (const TestImage &t : images()) {
    PixImageDesc *d = owned_copy(t);
    char error[64];
    ASSERT_EQ(pix_prepare_for_engine(d, error, sizeof error), d) << error;
    Reference before(t.desc), after(*d);
    EXPECT_EQ(d->data, d->buffer);
    ASSERT_EQ(after.width(), before.width());
    ASSERT_EQ(after.height(), before.height());
    if (t.desc.type == TYPE_BITONAL) {
      EXPECT_EQ(d->orientation, 0u);
    } else {
      EXPECT_EQ(d->orientation, 1u);
      EXPECT_EQ(d->pixel_step, t.desc.type == TYPE_GRAY ? 1u : 3u);
      EXPECT_EQ(d->row_step, d->pixel_step * d->width);
      EXPECT_NE(d->type, TYPE_RGB);
      // No slack is kept in the memory the engine image owns.
      EXPECT_EQ(d->buffer_size, d->row_step * d->height);
    }
    for (uint32_t i = 0; i < before.height(); ++i)
      for (uint32_t j = 0; j < before.width(); ++j)
        ASSERT_EQ(after.rgb(i, j), before.rgb(i, j)) << i << ", " << j;
    pix_free(d);
  }
}

TEST_P(EveryOrientation, CopyModeLeavesTheEditorsPixelsAlone) {
  for (const TestImage &t : images()) {
    const uint32_t before = checksum(t.memory);
    for (int step = 0; step < 3; ++step) {
      PixImage image(t.desc);
      if (step == 0)
        image.normalize(true);
      else if (step == 1)
        image.normalize(false);
      else
        image.to_bitonal(128);
      PixImageDesc *out = image.detach();
      Reference ref(t.desc), result(*out);
      ASSERT_EQ(result.width(), ref.width());
      ASSERT_EQ(result.height(), ref.height());
      for (uint32_t i = 0; i < ref.height(); ++i)
        for (uint32_t j = 0; j < ref.width(); ++j) {
          if (step < 2) {
            ASSERT_EQ(result.rgb(i, j), ref.rgb(i, j));
          } else {
            ASSERT_EQ(result.gray(i, j),
                      coded_white(t.desc, ref, i, j, 128) ? 255u : 0u)
                << "coded " << i << ", " << j;
          }
        }
      pix_free(out);
    }
    EXPECT_EQ(checksum(t.memory), before) << "the editor's pixels were written";
  }
}

TEST_P(EveryOrientation, CodingUsesTheThreshold) {
  if (std::get<0>(GetParam()) == TYPE_BITONAL)
    return;
  for (const TestImage &t : images()) {
    for (uint32_t threshold : {1u, 100u, 200u}) {
      PixImage image(t.desc);
      image.to_bitonal(threshold);
      const PixImageDesc &coded = image.desc();
      EXPECT_EQ(coded.orientation, 0u);
      Reference ref(t.desc), result(coded);
      for (uint32_t i = 0; i < ref.height(); ++i)
        for (uint32_t j = 0; j < ref.width(); ++j)
          ASSERT_EQ(result.gray(i, j),
                    coded_white(t.desc, ref, i, j, threshold) ? 255u : 0u);
    }
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

// A fixed digest of every result above for one image of each type: the
// Linux and Windows builds must produce the same bytes.
TEST(EveryOrientationDigest, IsTheSameOnEveryBuild) {
  uint32_t h = 2166136261u;
  auto mix = [&h](const unsigned char *p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
      h = (h ^ p[i]) * 16777619u;
  };
  for (int32_t type : types)
    for (uint32_t o = 0; o < 8; ++o) {
      TestImage t = make_image(type, 17, 6, layout_for(o, true), 77);
      PixImageDesc *gray = pix_to_gray_copy(&t.desc, nullptr, 0);
      ASSERT_NE(gray, nullptr);
      mix(gray->data, gray->buffer_size);
      pix_free(gray);
      PixImage coded(t.desc);
      coded.to_bitonal(0);
      mix(coded.desc().buffer, coded.desc().buffer_size);
      PixImage engine(t.desc);
      engine.normalize(true);
      mix(engine.desc().buffer, engine.desc().buffer_size);
    }
  EXPECT_EQ(h, 873515263u);
}

} // namespace
