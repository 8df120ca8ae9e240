// Conversions and memory: gray values, thresholds, normal layouts, the
// caller's memory versus owned memory, sizes that must not wrap, damaged
// coded rows, and what destruction leaves behind.

#include "PixImage.h"

#include "image_test_util.h"

namespace {

using namespace image_test;

PixImageDesc colour_row(int32_t type, unsigned char *pixels, uint32_t count) {
  PixImageDesc d = {};
  d.type = type;
  d.width = count;
  d.height = 1;
  d.pixel_step = 3;
  d.row_step = 3 * count;
  d.buffer = d.data = pixels;
  d.buffer_size = 3 * count;
  return d;
}

PixImageDesc gray_image(unsigned char *pixels, uint32_t w, uint32_t h) {
  PixImageDesc d = {};
  d.type = TYPE_GRAY;
  d.width = w;
  d.height = h;
  d.pixel_step = 1;
  d.row_step = w;
  d.buffer = d.data = pixels;
  d.buffer_size = w * h;
  return d;
}

// A bitonal image of `rows` rows coded by `row` each.
std::vector<unsigned char> repeated(std::vector<unsigned char> row,
                                    uint32_t rows) {
  std::vector<unsigned char> coded;
  for (uint32_t i = 0; i < rows; ++i)
    coded.insert(coded.end(), row.begin(), row.end());
  return coded;
}

PixImageDesc bitonal_image(std::vector<unsigned char> &coded, uint32_t w,
                           uint32_t h) {
  PixImageDesc d = {};
  d.type = TYPE_BITONAL;
  d.width = w;
  d.height = h;
  d.buffer = d.data = coded.data();
  d.buffer_size = static_cast<uint32_t>(coded.size());
  return d;
}

TEST(PixImageToGray, WeightsAddUpSoThatWhiteStaysWhite) {
  unsigned char rgb[] = {255, 0, 0, 0, 0, 255, 255, 255, 255, 0, 255, 0};
  PixImageDesc d = colour_row(TYPE_RGB, rgb, 4);
  {
    PixImage image(d, PixImage::in_place);
    image.to_gray();
  }
  EXPECT_EQ(d.type, TYPE_GRAY);
  EXPECT_EQ(d.pixel_step, 1u);
  EXPECT_EQ(d.row_step, 4u);
  EXPECT_EQ(rgb[0], 76);
  EXPECT_EQ(rgb[1], 28);
  EXPECT_EQ(rgb[2], 255);
  EXPECT_EQ(rgb[3], 150);

  unsigned char bgr[] = {0, 0, 255, 255, 0, 0};
  PixImageDesc b = colour_row(TYPE_BGR, bgr, 2);
  PixImage image(b, PixImage::in_place);
  image.to_gray();
  EXPECT_EQ(bgr[0], 76);
  EXPECT_EQ(bgr[1], 28);
}

TEST(PixImageToGray, BitonalNeedsRoomInTheCallersMemory) {
  // Ten white rows of ten pixels: 10 coded bytes, 100 gray bytes.
  std::vector<unsigned char> coded = repeated({10}, 10);
  PixImageDesc d = bitonal_image(coded, 10, 10);
  EXPECT_EQ(raised_id([&] {
              PixImage image(d, PixImage::in_place);
              image.to_gray();
            }),
            GException::outofmemory);
  // An owned copy grows instead.
  TestImage t;
  t.memory = coded;
  t.desc = bitonal_image(t.memory, 10, 10);
  t.desc.orientation = 5;
  PixImageDesc *owned = owned_copy(t);
  {
    PixImage image(*owned, PixImage::in_place);
    image.to_gray();
  }
  EXPECT_EQ(owned->type, TYPE_GRAY);
  EXPECT_EQ(owned->orientation, 1u);
  EXPECT_EQ(owned->buffer_size, 100u);
  EXPECT_EQ(owned->data[57], 255);
  pix_free(owned);
}

TEST(PixImageToGray, DamagedCodedRowsAreLostSync) {
  std::vector<unsigned char> over = {5, 6};
  PixImageDesc d = bitonal_image(over, 10, 1);
  EXPECT_EQ(raised_id([&] { PixImage(d).to_gray(); }), "GBitmap.lost_sync");
  // Rows that stop before the coded size says they do: nothing is read past
  // the memory (checked under ASan).
  std::vector<unsigned char> early = {4, 4};
  d = bitonal_image(early, 10, 2);
  EXPECT_EQ(raised_id([&] { PixImage(d).to_gray(); }), "GBitmap.lost_sync");
  // data beyond the end of the memory leaves no coded bytes at all.
  d.data = early.data() + 2;
  d.buffer_size = 2;
  d.height = 1;
  EXPECT_EQ(raised_id([&] { PixImage(d).to_gray(); }), "GBitmap.lost_sync");
}

// A white bitonal page passes validation with few coded bytes; its gray size
// must not wrap into a small allocation.
TEST(PixImageToGray, SizesAbove32BitsAreOutOfMemory) {
  // 65536 x 65537 bytes is 2^32 + 2^16: 64 KiB when wrapped.
  unsigned char white[16];
  unsigned char *end = white;
  GBitmap::append_run(end, 65536);
  std::vector<unsigned char> row(white, end);
  std::vector<unsigned char> coded = repeated(row, 65537);
  PixImageDesc d = bitonal_image(coded, 65536, 65537);
  char error[64];
  EXPECT_EQ(pix_to_gray_copy(&d, error, sizeof error), nullptr);
  EXPECT_STREQ(error, "GException.outofmemory");
}

TEST(PixImageThreshold, AutomaticThresholds) {
  std::vector<unsigned char> pixels(60, 10);
  for (std::size_t i = 0; i < 25; ++i)
    pixels[i * 2] = 200;
  PixImageDesc d = gray_image(pixels.data(), 10, 6);
  EXPECT_EQ(PixImage(d).auto_threshold(), 105u);
  // A few stray pixels at the extremes do not pull the threshold.
  std::vector<unsigned char> clusters(2000);
  for (std::size_t i = 0; i < clusters.size(); ++i)
    clusters[i] = i % 2 ? 50 : 150;
  clusters[7] = 0;
  clusters[8] = 255;
  PixImageDesc c2 = gray_image(clusters.data(), 40, 50);
  EXPECT_EQ(PixImage(c2).auto_threshold(), 100u);
  // One value only: the threshold is that value.
  std::fill(pixels.begin(), pixels.end(), 77);
  EXPECT_EQ(PixImage(d).auto_threshold(), 77u);
  PixImageDesc empty = gray_image(nullptr, 0, 0);
  EXPECT_EQ(PixImage(empty).auto_threshold(), 128u);
  // Colour goes through the gray value.
  unsigned char rgb[] = {255, 0, 0, 0, 0, 255};
  PixImageDesc c = colour_row(TYPE_RGB, rgb, 2);
  EXPECT_EQ(PixImage(c).auto_threshold(), (28u + 76 + 1) / 2);
}

TEST(PixImageToBitonal, ThresholdZeroIsAutomatic) {
  unsigned char pixels[] = {10, 200, 104, 105, 200, 10};
  PixImageDesc d = gray_image(pixels, 6, 1);
  PixImage image(d);
  image.to_bitonal(0x100); // low byte 0
  const PixImageDesc &coded = image.desc();
  EXPECT_EQ(coded.type, TYPE_BITONAL);
  EXPECT_EQ(coded.buffer_size, 6u);
  EXPECT_EQ(std::vector<unsigned char>(coded.data, coded.data + 6),
            std::vector<unsigned char>({0, 1, 1, 1, 2, 1}));
}

TEST(PixImageToBitonal, CallersMemoryKeepsItsSizeAndMustHoldTheCode) {
  unsigned char pixels[] = {255, 0, 255, 0, 255, 255};
  PixImageDesc d = gray_image(pixels, 3, 2);
  {
    PixImage image(d, PixImage::in_place);
    image.to_bitonal(128);
  }
  EXPECT_EQ(d.type, TYPE_BITONAL);
  EXPECT_EQ(d.buffer_size, 6u);
  EXPECT_EQ(d.data, pixels);
  EXPECT_EQ(d.owner, nullptr);
  EXPECT_EQ(std::vector<unsigned char>(pixels, pixels + 6),
            std::vector<unsigned char>({1, 1, 1, 0, 1, 2}));
  // One black pixel codes as an empty white run and a black one: 2 bytes.
  unsigned char black[] = {0};
  PixImageDesc one = gray_image(black, 1, 1);
  EXPECT_EQ(raised_id([&] {
              PixImage image(one, PixImage::in_place);
              image.to_bitonal(128);
            }),
            GException::outofmemory);
}

TEST(PixImageNormalize, NonStrictKeepsTopDownRowsAndPixelSteps) {
  TestImage t = make_image(TYPE_GRAY, 5, 4, {2, 1, 3, 2, 0});
  TestImage original = t;
  {
    PixImage image(t.desc, PixImage::in_place);
    image.normalize(false);
  }
  EXPECT_EQ(t.desc.orientation, 0u);
  EXPECT_EQ(t.desc.pixel_step, 1u);
  EXPECT_EQ(t.desc.data, t.desc.buffer);
  Reference before(original.desc), after(t.desc);
  for (uint32_t i = 0; i < 4; ++i)
    for (uint32_t j = 0; j < 5; ++j)
      EXPECT_EQ(after.gray(i, j), before.gray(i, j));

  // Orientation 3: rows stay bottom-up; pixels are put left to right.
  t = make_image(TYPE_GRAY, 5, 4, {3, 0, 0, 0, 0});
  PixImage image(t.desc, PixImage::in_place);
  image.normalize(false);
  EXPECT_EQ(t.desc.orientation, 1u);
}

TEST(PixImageNormalize, RgbBecomesBgrWhenStrictOrWide) {
  unsigned char rgb[] = {1, 2, 3, 4, 5, 6};
  PixImageDesc d = colour_row(TYPE_RGB, rgb, 2);
  d.orientation = 1;
  {
    PixImage image(d, PixImage::in_place);
    image.normalize(false); // already normal: untouched
  }
  EXPECT_EQ(d.type, TYPE_RGB);
  {
    PixImage image(d, PixImage::in_place);
    image.normalize(true);
  }
  EXPECT_EQ(d.type, TYPE_BGR);
  EXPECT_EQ(rgb[0], 3);
  EXPECT_EQ(rgb[2], 1);

  unsigned char wide[] = {1, 2, 3, 9, 4, 5, 6, 9};
  PixImageDesc w = colour_row(TYPE_RGB, wide, 2);
  w.pixel_step = 4;
  w.row_step = 8;
  w.buffer_size = 8;
  {
    PixImage image(w, PixImage::in_place);
    image.normalize(false); // packed: normal as it is
  }
  EXPECT_EQ(w.type, TYPE_RGB);
  w.orientation = 2;
  {
    PixImage image(w, PixImage::in_place);
    image.normalize(false);
  }
  EXPECT_EQ(w.type, TYPE_BGR);
  EXPECT_EQ(w.pixel_step, 3u);
  EXPECT_EQ(w.orientation, 0u);
  EXPECT_EQ(std::vector<unsigned char>(wide, wide + 6),
            std::vector<unsigned char>({6, 5, 4, 3, 2, 1}));
}

TEST(PixImageNormalize, TransposeInTheCallersMemorySwapsResolutions) {
  TestImage t = make_image(TYPE_RGB, 7, 4, {6, 2, 5, 3, 1}, 9);
  TestImage original = t;
  {
    PixImage image(t.desc, PixImage::in_place);
    image.normalize(false);
  }
  EXPECT_EQ(t.desc.width, 4u);
  EXPECT_EQ(t.desc.height, 7u);
  EXPECT_EQ(t.desc.x_resolution, 200u);
  EXPECT_EQ(t.desc.y_resolution, 300u);
  EXPECT_EQ(t.desc.orientation & 4, 0u);
  EXPECT_EQ(t.desc.data, t.desc.buffer);
  Reference before(original.desc), after(t.desc);
  for (uint32_t i = 0; i < 7; ++i)
    for (uint32_t j = 0; j < 4; ++j)
      ASSERT_EQ(after.rgb(i, j), before.rgb(i, j));
}

// Slack after the coded rows (a caller's buffer may be larger) is not part
// of the image, whichever way the rows are turned.
TEST(PixImageNormalize, BitonalSlackAfterTheRowsIsDropped) {
  std::vector<unsigned char> coded = {4, 6, 10, 0};
  PixImageDesc d = bitonal_image(coded, 10, 2);
  d.orientation = 1;
  {
    PixImage image(d);
    image.normalize(true);
    const PixImageDesc &rows = image.desc();
    EXPECT_EQ(
        std::vector<unsigned char>(rows.data, rows.data + rows.buffer_size),
        std::vector<unsigned char>({10, 4, 6}));
  }
  d.orientation = 2;
  PixImage image(d);
  image.normalize(true);
  const PixImageDesc &rows = image.desc();
  EXPECT_EQ(std::vector<unsigned char>(rows.data, rows.data + rows.buffer_size),
            std::vector<unsigned char>({0, 6, 4, 10}));
}

TEST(PixImageOrientation, TurnsByQuarters) {
  struct Case {
    int32_t angle;
    uint32_t from, to;
  } cases[] = {{45, 0, 0},  {46, 0, 4},  {-45, 0, 0}, {-46, 0, 7},
               {90, 4, 3},  {180, 0, 3}, {-90, 0, 7}, {315, 2, 2},
               {405, 1, 1}, {136, 5, 6}, {270, 6, 2}, {-180, 7, 4}};
  for (const Case &c : cases) {
    PixImageDesc d = gray_image(nullptr, 0, 0);
    d.orientation = c.from;
    PixImage image(d, PixImage::in_place);
    image.rotate_orientation(c.angle);
    EXPECT_EQ(d.orientation, c.to) << c.angle << " from " << c.from;
  }
}

// Four quarter turns are the identity, and each turn is a real rotation of
// the displayed image by 90 degrees clockwise.
TEST(PixImageOrientation, ATurnRotatesTheDisplayedImage) {
  for (uint32_t code = 0; code < 8; ++code) {
    TestImage t = make_image(TYPE_GRAY, 3, 2, {code, 0, 0, 0, 0});
    PixImageDesc turned = t.desc;
    PixImage image(turned, PixImage::in_place);
    image.rotate_orientation(90);
    Reference before(t.desc), after(turned);
    ASSERT_EQ(after.width(), before.height());
    for (uint32_t i = 0; i < after.height(); ++i)
      for (uint32_t j = 0; j < after.width(); ++j)
        EXPECT_EQ(after.gray(i, j), before.gray(before.height() - 1 - j, i));
    image.rotate_orientation(270);
    EXPECT_EQ(turned.orientation, code);
  }
}

TEST(PixImageMemory, EnsureSizeGrowsOnlyWhatItOwns) {
  unsigned char pixels[4] = {1, 2, 3, 4};
  PixImageDesc caller = gray_image(pixels, 2, 2);
  PixImage in_caller(caller, PixImage::in_place);
  in_caller.ensure_size(4);
  EXPECT_EQ(raised_id([&] { in_caller.ensure_size(5); }),
            GException::outofmemory);

  TestImage t;
  t.memory = {0, 0, 7, 8, 9, 10};
  t.desc = gray_image(t.memory.data(), 2, 2);
  t.desc.data += 2;
  t.desc.buffer_size = 6;
  PixImageDesc *owned = owned_copy(t);
  {
    PixImage image(*owned, PixImage::in_place);
    image.ensure_size(1000);
    EXPECT_EQ(owned->buffer_size, 1000u);
    EXPECT_EQ(owned->data, owned->buffer); // pixels moved to the start
    EXPECT_EQ(owned->data[0], 7);
    EXPECT_EQ(owned->data[3], 10);
  }
  // Destruction gives the slack back.
  EXPECT_EQ(owned->buffer_size, 4u);
  EXPECT_EQ(owned->data[3], 10);
  pix_free(owned);

  PixImageDesc *none = pix_new_desc();
  *none = gray_image(nullptr, 0, 0);
  {
    PixImage image(*none, PixImage::in_place);
    image.ensure_size(16);
    EXPECT_EQ(none->buffer_size, 16u);
    EXPECT_NE(none->owner, nullptr);
  }
  pix_free(none);
}

TEST(PixImageMemory, DestructionMovesCallersPixelsToTheStart) {
  unsigned char memory[12] = {0, 0, 1, 2, 9, 3, 4, 9, 0, 0, 0, 0};
  PixImageDesc d = gray_image(memory + 2, 2, 2);
  d.row_step = 3;
  d.buffer = memory;
  d.buffer_size = sizeof memory;
  { PixImage image(d, PixImage::in_place); }
  EXPECT_EQ(d.data, memory);
  EXPECT_EQ(memory[0], 1);
  EXPECT_EQ(memory[4], 4);
}

TEST(PixImageMemory, DetachHandsOutIndependentCopies) {
  TestImage t = make_image(TYPE_BGR, 4, 3, {4, 0, 0, 0, 0}, 3);
  PixImage image(t.desc);
  image.normalize(true);
  PixImageDesc *first = image.detach();
  PixImageDesc *second = image.detach();
  ASSERT_NE(first->buffer, second->buffer);
  EXPECT_EQ(first->owner->descriptor(), first);
  EXPECT_EQ(second->owner->descriptor(), second);
  Reference a(*first), b(*second), source(t.desc);
  for (uint32_t i = 0; i < source.height(); ++i)
    for (uint32_t j = 0; j < source.width(); ++j) {
      EXPECT_EQ(a.rgb(i, j), source.rgb(i, j));
      EXPECT_EQ(b.rgb(i, j), source.rgb(i, j));
    }
  pix_free(first);
  pix_free(second);
}

TEST(PixImageMemory, OwnersMoveWithTheirBackReference) {
  PixImageDesc *a = pix_new_desc();
  PixBuffer *owner = PixBuffer::create(*a, 8);
  a->data[0] = 42;
  PixImageDesc *b = pix_new_desc();
  owner->move_to(*b);
  EXPECT_EQ(a->owner, nullptr);
  EXPECT_EQ(b->owner, owner);
  EXPECT_EQ(owner->descriptor(), b);
  EXPECT_EQ(b->data[0], 42);
  pix_free(a); // no longer the owner: frees nothing else
  owner->resize(2);
  EXPECT_EQ(b->buffer_size, 2u);
  EXPECT_EQ(b->data[0], 42);
  pix_free(b);
}

TEST(PixImageMemory, ZeroSizedImagesNeedNoMemory) {
  for (int32_t type : {TYPE_GRAY, TYPE_RGB, TYPE_BITONAL})
    for (uint32_t o : {0u, 5u}) {
      std::vector<unsigned char> zeros(3, 0);
      PixImageDesc d = {};
      d.type = type;
      d.orientation = o;
      d.width = 0;
      d.height = type == TYPE_BITONAL ? 3 : 7;
      d.pixel_step = type == TYPE_BITONAL ? 0 : 3;
      if (type == TYPE_BITONAL) {
        d.buffer = d.data = zeros.data();
        d.buffer_size = 3;
      }
      char error[64] = "";
      PixImageDesc *gray = pix_to_gray_copy(&d, error, sizeof error);
      ASSERT_NE(gray, nullptr) << error;
      EXPECT_EQ(gray->buffer, nullptr);
      EXPECT_EQ(gray->width * gray->height, 0u);
      ASSERT_EQ(pix_prepare_for_engine(gray, error, sizeof error), gray)
          << error;
      pix_free(gray);
      PixImage image(d);
      image.normalize(true);
      image.to_bitonal(128);
      pix_free(image.detach());
    }
}

TEST(PixImageResize, OnlyTheUnchangedSizeForNow) {
  TestImage t = make_image(TYPE_GRAY, 6, 4, {5, 0, 0, 0, 0});
  PixImageDesc *d = owned_copy(t);
  char error[64];
  EXPECT_EQ(pix_resize(d, 4, 6, error, sizeof error), d);
  EXPECT_EQ(pix_resize(d, 6, 4, error, sizeof error), nullptr);
  EXPECT_STREQ(error, "PixImage.no_resample");
  pix_free(d);
}

} // namespace
