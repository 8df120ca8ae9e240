// Conversions and memory: gray values, thresholds, normal layouts, a
// caller's memory against owned memory, sizes that must not wrap, damaged
// coded rows, and what destruction leaves behind.

#include "PixImage.h"

#include "image_test_util.h"

namespace {

using namespace image_test;
using Bytes = std::vector<unsigned char>;

PixImageDesc packed(int32_t type, unsigned char *pixels, uint32_t w,
                    uint32_t h) {
  PixImageDesc d = {};
  d.type = type;
  d.width = w;
  d.height = h;
  d.pixel_step = type == TYPE_GRAY ? 1 : type == TYPE_BITONAL ? 0 : 3;
  d.row_step = d.pixel_step * w;
  d.buffer = d.data = pixels;
  d.buffer_size = d.row_step * h;
  return d;
}

PixImageDesc bitonal(Bytes &coded, uint32_t w, uint32_t h) {
  PixImageDesc d = packed(TYPE_BITONAL, coded.data(), w, h);
  d.buffer_size = static_cast<uint32_t>(coded.size());
  return d;
}

Bytes rows_of(const Bytes &row, uint32_t rows) {
  Bytes coded;
  for (uint32_t i = 0; i < rows; ++i)
    coded.insert(coded.end(), row.begin(), row.end());
  return coded;
}

Bytes bytes_of(const PixImageDesc &d) {
  return Bytes(d.data, d.data + d.buffer_size);
}

TEST(PixImageToGray, WeightsAddUpSoThatWhiteStaysWhite) {
  unsigned char rgb[] = {255, 0, 0, 0, 0, 255, 255, 255, 255, 0, 255, 0};
  PixImageDesc d = packed(TYPE_RGB, rgb, 4, 1);
  PixImage(d, PixImage::in_place).to_gray();
  EXPECT_EQ(d.type, TYPE_GRAY);
  EXPECT_EQ(d.row_step, 4u);
  EXPECT_EQ(Bytes(rgb, rgb + 4), Bytes({76, 28, 255, 150}));
  unsigned char bgr[] = {0, 0, 255, 255, 0, 0};
  PixImageDesc b = packed(TYPE_BGR, bgr, 2, 1);
  PixImage(b, PixImage::in_place).to_gray();
  EXPECT_EQ(Bytes(bgr, bgr + 2), Bytes({76, 28}));
}

TEST(PixImageToGray, BitonalNeedsRoomInTheCallersMemory) {
  // Ten white rows of ten: 10 coded bytes, 100 gray bytes.
  Bytes coded = rows_of({10}, 10);
  PixImageDesc d = bitonal(coded, 10, 10);
  EXPECT_EQ(raised_id([&] { PixImage(d, PixImage::in_place).to_gray(); }),
            GException::outofmemory);
  TestImage t{coded, d};
  t.desc.buffer = t.desc.data = t.memory.data();
  PixImageDesc *owned = owned_copy(t); // an owner grows instead
  PixImage(*owned, PixImage::in_place).to_gray();
  EXPECT_EQ(owned->orientation, 1u);
  EXPECT_EQ(bytes_of(*owned), Bytes(100, 255));
  pix_free(owned);
}

TEST(PixImageToGray, DamagedCodedRowsAreLostSync) {
  Bytes over = {5, 6};
  PixImageDesc d = bitonal(over, 10, 1);
  EXPECT_EQ(raised_id([&] { PixImage(d).to_gray(); }), "GBitmap.lost_sync");
  Bytes early = {4, 4}; // rows end before the image does (checked under ASan)
  d = bitonal(early, 10, 2);
  EXPECT_EQ(raised_id([&] { PixImage(d).to_gray(); }), "GBitmap.lost_sync");
  d.data = early.data() + 2; // data at the end of the memory: no coded bytes
  d.height = 1;
  EXPECT_EQ(raised_id([&] { PixImage(d).to_gray(); }), "GBitmap.lost_sync");
  // Rows of no pixels are read too: each is one empty run. Handed on
  // unread, they made copies that fail validation.
  Bytes no_pixels = {0, 5, 0};
  d = bitonal(no_pixels, 0, 3);
  char error[64] = "";
  EXPECT_EQ(pix_to_gray_copy(&d, error, sizeof error), nullptr);
  EXPECT_STREQ(error, "GBitmap.lost_sync");
  Bytes two_for_three = {9, 0, 0};
  d = bitonal(two_for_three, 0, 3);
  d.data = two_for_three.data() + 1;
  EXPECT_EQ(raised_id([&] { PixImage(d).normalize(false); }),
            "GBitmap.lost_sync");
}

// A white page passes validation with few coded bytes; its gray size must not
// wrap: 65536 x 65537 bytes is 2^32 + 64 KiB.
TEST(PixImageToGray, SizesAbove32BitsAreOutOfMemory) {
  unsigned char row[16];
  unsigned char *end = row;
  GBitmap::append_run(end, 65536);
  Bytes coded = rows_of(Bytes(row, end), 65537);
  PixImageDesc d = bitonal(coded, 65536, 65537);
  char error[64];
  EXPECT_EQ(pix_to_gray_copy(&d, error, sizeof error), nullptr);
  EXPECT_STREQ(error, "GException.outofmemory");
}

TEST(PixImageThreshold, AutomaticThresholds) {
  Bytes pixels(60, 10);
  for (std::size_t i = 0; i < 25; ++i)
    pixels[i * 2] = 200;
  EXPECT_EQ(PixImage(packed(TYPE_GRAY, pixels.data(), 10, 6)).auto_threshold(),
            105u);
  // Stray pixels at the extremes do not pull the threshold off the clusters.
  Bytes clusters(2000);
  for (std::size_t i = 0; i < clusters.size(); ++i)
    clusters[i] = i % 2 ? 50 : 150;
  clusters[7] = 0;
  clusters[8] = 255;
  EXPECT_EQ(
      PixImage(packed(TYPE_GRAY, clusters.data(), 40, 50)).auto_threshold(),
      100u);
  std::fill(pixels.begin(), pixels.end(), 77);
  EXPECT_EQ(PixImage(packed(TYPE_GRAY, pixels.data(), 10, 6)).auto_threshold(),
            77u);
  EXPECT_EQ(PixImage(packed(TYPE_GRAY, nullptr, 0, 0)).auto_threshold(), 128u);
  unsigned char rgb[] = {255, 0, 0, 0, 0, 255}; // grays 76 and 28
  EXPECT_EQ(PixImage(packed(TYPE_RGB, rgb, 2, 1)).auto_threshold(), 52u);
}

TEST(PixImageToBitonal, ThresholdWithLowByteZeroIsAutomatic) {
  unsigned char pixels[] = {10, 200, 104, 105, 200, 10}; // threshold 105
  PixImage image(packed(TYPE_GRAY, pixels, 6, 1));
  image.to_bitonal(0x100);
  EXPECT_EQ(image.desc().type, TYPE_BITONAL);
  EXPECT_EQ(bytes_of(image.desc()), Bytes({0, 1, 1, 1, 2, 1}));
}

TEST(PixImageToBitonal, CallersMemoryKeepsItsSizeAndMustHoldTheCode) {
  unsigned char pixels[] = {255, 0, 255, 0, 255, 255};
  PixImageDesc d = packed(TYPE_GRAY, pixels, 3, 2);
  PixImage(d, PixImage::in_place).to_bitonal(128);
  EXPECT_EQ(d.type, TYPE_BITONAL);
  EXPECT_EQ(d.data, pixels);
  EXPECT_EQ(bytes_of(d), Bytes({1, 1, 1, 0, 1, 2}));
  unsigned char black[] = {0}; // coded as 0, 1: two bytes
  PixImageDesc one = packed(TYPE_GRAY, black, 1, 1);
  EXPECT_EQ(
      raised_id([&] { PixImage(one, PixImage::in_place).to_bitonal(128); }),
      GException::outofmemory);
}

TEST(PixImageNormalize, NonStrictKeepsRowOrderAndConvertsWidePixels) {
  TestImage t = make_image(TYPE_GRAY, 5, 4, {2, 1, 3, 2, 0, true});
  TestImage original = make_image(TYPE_GRAY, 5, 4, {2, 1, 3, 2, 0, true});
  PixImage(t.desc, PixImage::in_place).normalize(false);
  EXPECT_EQ(t.desc.orientation, 0u);
  EXPECT_EQ(t.desc.pixel_step, 1u);
  EXPECT_EQ(t.desc.data, t.desc.buffer);
  Reference before(original.desc), after(t.desc);
  for (uint32_t i = 0; i < 4; ++i)
    for (uint32_t j = 0; j < 5; ++j)
      EXPECT_EQ(after.gray(i, j), before.gray(i, j));

  unsigned char wide[] = {1, 2, 3, 9, 4, 5, 6, 9};
  PixImageDesc w = packed(TYPE_RGB, wide, 2, 1);
  w.pixel_step = 4;
  w.row_step = w.buffer_size = 8;
  PixImage(w, PixImage::in_place).normalize(false); // packed: normal already
  EXPECT_EQ(w.type, TYPE_RGB);
  w.orientation = 3;
  PixImage(w, PixImage::in_place).normalize(false);
  EXPECT_EQ(w.type, TYPE_BGR);
  EXPECT_EQ(w.orientation, 1u);
  EXPECT_EQ(Bytes(wide, wide + 6), Bytes({6, 5, 4, 3, 2, 1}));
  PixImageDesc rgb = packed(TYPE_RGB, wide, 2, 1);
  rgb.orientation = 1;
  PixImage(rgb, PixImage::in_place).normalize(true); // the engine reads BGR
  EXPECT_EQ(rgb.type, TYPE_BGR);
}

TEST(PixImageNormalize, TransposeInTheCallersMemorySwapsResolutions) {
  TestImage t = make_image(TYPE_RGB, 7, 4, {6, 2, 5, 3, 1, true}, 9);
  TestImage original = make_image(TYPE_RGB, 7, 4, {6, 2, 5, 3, 1, true}, 9);
  PixImage(t.desc, PixImage::in_place).normalize(false);
  EXPECT_EQ(t.desc.width, 4u);
  EXPECT_EQ(t.desc.x_resolution, 200u);
  EXPECT_EQ(t.desc.y_resolution, 300u);
  EXPECT_EQ(t.desc.orientation, 0u);
  EXPECT_EQ(t.desc.data, t.desc.buffer);
  Reference before(original.desc), after(t.desc);
  for (uint32_t i = 0; i < 7; ++i)
    for (uint32_t j = 0; j < 4; ++j)
      ASSERT_EQ(after.rgb(i, j), before.rgb(i, j));
}

// A caller's buffer may be larger than its coded rows; the slack is not part
// of the image, whichever way the rows are turned.
TEST(PixImageNormalize, BitonalSlackAfterTheRowsIsDropped) {
  Bytes coded = {4, 6, 10, 0};
  PixImageDesc d = bitonal(coded, 10, 2);
  d.orientation = 1;
  PixImage reversed(d);
  reversed.normalize(true);
  EXPECT_EQ(bytes_of(reversed.desc()), Bytes({10, 4, 6}));
  d.orientation = 2;
  PixImage mirrored(d);
  mirrored.normalize(true);
  EXPECT_EQ(bytes_of(mirrored.desc()), Bytes({0, 6, 4, 10}));
}

TEST(PixImageOrientation, TurnsByQuarters) {
  const int32_t cases[][3] = {{45, 0, 0},  {46, 0, 4},  {-45, 0, 0},
                              {-46, 0, 7}, {90, 4, 3},  {180, 0, 3},
                              {-90, 0, 7}, {315, 2, 2}, {405, 1, 1},
                              {136, 5, 6}, {270, 6, 2}, {-180, 7, 4}};
  for (const auto &c : cases) {
    PixImageDesc d = packed(TYPE_GRAY, nullptr, 0, 0);
    d.orientation = static_cast<uint32_t>(c[1]);
    PixImage(d, PixImage::in_place).rotate_orientation(c[0]);
    EXPECT_EQ(d.orientation, static_cast<uint32_t>(c[2])) << c[0];
  }
}

TEST(PixImageMemory, EnsureSizeGrowsOnlyWhatItOwns) {
  TestImage t{{0, 0, 7, 8, 9, 10}, packed(TYPE_GRAY, nullptr, 2, 2)};
  t.desc.buffer = t.memory.data();
  t.desc.data = t.desc.buffer + 2;
  t.desc.buffer_size = 6;
  PixImageDesc *owned = owned_copy(t);
  EXPECT_EQ(
      raised_id([&] { PixImage(t.desc, PixImage::in_place).ensure_size(7); }),
      GException::outofmemory); // a caller's memory cannot grow
  {
    PixImage image(*owned, PixImage::in_place);
    image.ensure_size(1000);
    EXPECT_EQ(owned->buffer_size, 1000u);
    EXPECT_EQ(Bytes(owned->buffer, owned->buffer + 4), Bytes({7, 8, 9, 10}));
  }
  EXPECT_EQ(bytes_of(*owned), Bytes({7, 8, 9, 10})); // slack given back
  pix_free(owned);

  PixImageDesc *none = pix_new_desc();
  *none = packed(TYPE_GRAY, nullptr, 0, 0);
  {
    PixImage image(*none, PixImage::in_place);
    image.ensure_size(16);
    EXPECT_EQ(none->buffer_size, 16u);
    EXPECT_EQ(none->owner->descriptor(), none);
  }
  EXPECT_EQ(none->buffer_size, 0u); // no pixels use it
  pix_free(none);
}

TEST(PixImageMemory, DestructionMovesCallersPixelsToTheStart) {
  unsigned char memory[12] = {0, 0, 1, 2, 9, 3, 4, 9};
  PixImageDesc d = packed(TYPE_GRAY, memory, 2, 2);
  d.data += 2;
  d.row_step = 3;
  d.buffer_size = sizeof memory;
  { PixImage image(d, PixImage::in_place); }
  EXPECT_EQ(d.data, memory);
  EXPECT_EQ(Bytes(memory, memory + 5), Bytes({1, 2, 9, 3, 4}));
}

TEST(PixImageMemory, OwnersMoveWithTheirBackReference) {
  PixImageDesc *a = pix_new_desc();
  PixBuffer *owner = PixBuffer::create(*a, 8);
  a->data[0] = 42;
  PixImageDesc *b = pix_new_desc();
  owner->move_to(*b);
  EXPECT_EQ(a->owner, nullptr);
  EXPECT_EQ(owner->descriptor(), b);
  pix_free(a); // no longer the owner: frees nothing else
  owner->resize(2);
  EXPECT_EQ(bytes_of(*b)[0], 42);
  EXPECT_EQ(b->buffer_size, 2u);
  pix_free(b);
}

TEST(PixImageMemory, ZeroSizedImagesNeedNoMemory) {
  for (int32_t type : {TYPE_GRAY, TYPE_RGB, TYPE_BITONAL})
    for (uint32_t o : {0u, 5u}) {
      Bytes zeros(3, 0); // three bitonal rows of width 0
      PixImageDesc d = type == TYPE_BITONAL ? bitonal(zeros, 0, 3)
                                            : packed(type, nullptr, 0, 7);
      d.orientation = o;
      char error[64] = "";
      PixImageDesc *gray = pix_to_gray_copy(&d, error, sizeof error);
      ASSERT_NE(gray, nullptr) << error;
      EXPECT_EQ(gray->buffer, nullptr);
      EXPECT_EQ(pix_prepare_for_engine(gray, error, sizeof error), gray)
          << error;
      pix_free(gray);
      PixImage image(d);
      image.normalize(true);
      image.to_bitonal(128);
      pix_free(image.detach());
    }
  // Billions of rows without pixels are no work.
  for (int32_t type : {TYPE_GRAY, TYPE_RGB}) {
    unsigned char memory[8] = {};
    PixImageDesc d = packed(type, memory, 0, UINT32_MAX);
    d.pixel_step = 4;
    d.data = memory + 1;
    d.buffer_size = sizeof memory;
    PixImage(d, PixImage::in_place).normalize(false);
    EXPECT_EQ(d.data, d.buffer);
    PixImage(d, PixImage::in_place).to_gray();
    EXPECT_EQ(d.height, UINT32_MAX);
  }
}

} // namespace
