// The C-level entries: error-buffer rules, null descriptors, descriptors the
// plug-in makes and frees, and spans that are not there.

#include "PixImage.h"

#include "image_test_util.h"

#include <cstring>

namespace {

using namespace image_test;

PixImageDesc bad_orientation() {
  PixImageDesc d = {};
  d.type = TYPE_GRAY;
  d.orientation = 8;
  return d;
}

TEST(PixEntries, ErrorBufferGetsTheIdentifierWholeOrCut) {
  PixImageDesc d = bad_orientation(); // "PixImage.bad_orient", 19 characters
  char error[32];
  std::memset(error, 'x', sizeof error);
  EXPECT_EQ(pix_to_gray_copy(&d, error, 20), nullptr);
  EXPECT_STREQ(error, "PixImage.bad_orient");
  std::memset(error, 'x', sizeof error);
  EXPECT_EQ(pix_to_gray_copy(&d, error, 19), nullptr);
  EXPECT_STREQ(error, "PixImage.bad_orien"); // size - 1 bytes, terminated
  EXPECT_EQ(error[19], 'x');
  std::memset(error, 'x', sizeof error);
  EXPECT_EQ(pix_prepare_for_engine(&d, error, 1), nullptr);
  EXPECT_EQ(error[0], '\0');
  EXPECT_EQ(error[1], 'x');
}

TEST(PixEntries, AnEmptyErrorBufferReceivesNothing) {
  PixImageDesc d = bad_orientation();
  char error[8] = "keep";
  EXPECT_EQ(pix_to_gray_copy(&d, error, 0), nullptr);
  EXPECT_EQ(pix_resize(&d, 1, 1, error, 0), nullptr);
  EXPECT_STREQ(error, "keep");
  EXPECT_EQ(pix_prepare_for_engine(&d, nullptr, 64), nullptr);
}

TEST(PixEntries, SuccessLeavesAnEmptyErrorText) {
  TestImage t = make_image(TYPE_RGB, 3, 2);
  char error[16] = "stale";
  PixImageDesc *gray = pix_to_gray_copy(&t.desc, error, sizeof error);
  ASSERT_NE(gray, nullptr);
  EXPECT_EQ(error[0], '\0');
  std::strcpy(error, "stale");
  EXPECT_EQ(pix_prepare_for_engine(gray, error, sizeof error), gray);
  EXPECT_EQ(error[0], '\0');
  pix_free(gray);
}

TEST(PixEntries, NullDescriptorsTouchNothing) {
  char error[8] = "keep";
  EXPECT_EQ(pix_to_gray_copy(nullptr, error, sizeof error), nullptr);
  EXPECT_EQ(pix_resize(nullptr, 1, 1, error, sizeof error), nullptr);
  EXPECT_EQ(pix_prepare_for_engine(nullptr, error, sizeof error), nullptr);
  EXPECT_STREQ(error, "keep");
  const unsigned char *start = nullptr, *end = nullptr;
  EXPECT_EQ(pix_row_span(nullptr, 0, &start, &end), 0);
  pix_free(nullptr);
}

TEST(PixEntries, NewDescriptorsHoldNothing) {
  PixImageDesc *d = pix_new_desc();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->type, -1);
  PixImageDesc zero = {};
  zero.type = -1;
  EXPECT_TRUE(same_fields(*d, zero));
  char error[64];
  EXPECT_EQ(pix_prepare_for_engine(d, error, sizeof error), nullptr);
  EXPECT_STREQ(error, "PixImage.unrecog_type");
  pix_free(d);
}

TEST(PixEntries, RowSpansThatAreNotThere) {
  std::vector<unsigned char> coded = {3, 4, 3};
  PixImageDesc bitonal = {};
  bitonal.type = TYPE_BITONAL;
  bitonal.width = 10;
  bitonal.height = 1;
  bitonal.buffer = bitonal.data = coded.data();
  bitonal.buffer_size = 3;
  const unsigned char *start = coded.data(), *end = coded.data();
  EXPECT_EQ(pix_row_span(&bitonal, 0, &start, &end), 0);
  EXPECT_EQ(start, nullptr);
  EXPECT_EQ(end, nullptr);

  TestImage t = make_image(TYPE_GRAY, 4, 3, {5, 0, 0, 0, 0});
  EXPECT_NE(pix_row_span(&t.desc, 3, &start, &end), 0); // 4 displayed rows
  EXPECT_EQ(pix_row_span(&t.desc, 4, &start, &end), 0);
  // Rows without pixels, and no data behind them.
  PixImageDesc empty = {};
  empty.type = TYPE_GRAY;
  empty.height = 5;
  empty.pixel_step = 1;
  EXPECT_EQ(pix_row_span(&empty, 2, &start, &end), 0);
}

} // namespace
