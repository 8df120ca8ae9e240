// Validation: every identifier, in its order, and the descriptors whose
// 32-bit sums wrap and would otherwise describe memory far past the buffer.

#include "PixImage.h"

#include "image_test_util.h"

namespace {

using namespace image_test;

std::string validation_of(const PixImageDesc &d) {
  return raised_id([&] { PixImage image(d); });
}

// A valid 10 x 4 gray image in 64 bytes: rows of 12 bytes from offset 8.
struct GrayCase {
  unsigned char memory[64] = {};
  PixImageDesc d = {};
  GrayCase() {
    d.type = TYPE_GRAY;
    d.width = 10;
    d.height = 4;
    d.pixel_step = 1;
    d.row_step = 12;
    d.buffer = memory;
    d.data = memory + 8;
    d.buffer_size = sizeof memory;
  }
};

TEST(PixImageValidate, ChecksRunInOrder) {
  GrayCase c;
  EXPECT_EQ(validation_of(c.d), "<nothing raised>");
  // data before buffer beats everything else
  c.d.buffer = c.memory + 9;
  c.d.orientation = 8;
  c.d.type = 7;
  EXPECT_EQ(validation_of(c.d), "PixImage.data_size");
  c.d.buffer = c.memory;
  EXPECT_EQ(validation_of(c.d), "PixImage.bad_orient");
  c.d.orientation = 7;
  EXPECT_EQ(validation_of(c.d), "PixImage.unrecog_type");
  c.d.type = -1;
  EXPECT_EQ(validation_of(c.d), "PixImage.unrecog_type");
  c.d.type = 4;
  EXPECT_EQ(validation_of(c.d), "PixImage.unrecog_type");
}

TEST(PixImageValidate, GrayBounds) {
  GrayCase c;
  c.d.pixel_step = 0;
  EXPECT_EQ(validation_of(c.d), "PixImage.bad_gray_size");
  c.d.pixel_step = 1;
  c.d.row_step = 9; // one byte short of the width
  EXPECT_EQ(validation_of(c.d), "PixImage.bad_rowsize");
  c.d.row_step = 12;
  // The last row ends at 8 + 3 * 12 + 10 = 54: exactly at the end of 54.
  c.d.buffer_size = 54;
  EXPECT_EQ(validation_of(c.d), "<nothing raised>");
  c.d.buffer_size = 53;
  EXPECT_EQ(validation_of(c.d), "PixImage.bad_datasize2");
}

TEST(PixImageValidate, ColourBounds) {
  unsigned char memory[40] = {};
  PixImageDesc d = {};
  d.type = TYPE_RGB;
  d.width = 4;
  d.height = 3;
  d.pixel_step = 2;
  d.row_step = 12;
  d.buffer = d.data = memory;
  d.buffer_size = 36;
  EXPECT_EQ(validation_of(d), "PixImage.bad_color_size");
  d.pixel_step = 3;
  EXPECT_EQ(validation_of(d), "<nothing raised>");
  // The buffer ends one byte before the last pixel's third byte.
  d.buffer_size = 35;
  EXPECT_EQ(validation_of(d), "PixImage.bad_datasize3");
  d.type = TYPE_BGR;
  d.row_step = 11;
  EXPECT_EQ(validation_of(d), "PixImage.bad_rowsize");
}

TEST(PixImageValidate, BitonalCountsRowsOnly) {
  unsigned char coded[9] = {};
  PixImageDesc d = {};
  d.type = TYPE_BITONAL;
  d.width = 0;
  d.height = 10;
  d.buffer = d.data = coded;
  d.buffer_size = 9; // 10 rows in 9 bytes
  EXPECT_EQ(validation_of(d), "PixImage.bad_datasize");
  d.height = 9;
  EXPECT_EQ(validation_of(d), "<nothing raised>");
}

TEST(PixImageValidate, MissingData) {
  PixImageDesc d = {};
  d.type = TYPE_GRAY;
  d.width = 100;
  d.pixel_step = 1;
  d.row_step = 100;
  EXPECT_EQ(validation_of(d), "<nothing raised>"); // height 0, no data
  d.height = 50;
  EXPECT_EQ(validation_of(d), "PixImage.bad_datasize2"); // no memory claimed
  d.buffer_size = 5000;
  EXPECT_EQ(validation_of(d), "PixImage.no_image_data");

  // Bytes or data claimed where there is no memory. Resizing the empty image
  // in place used to write its new pixels through the null buffer.
  d.width = d.height = 0;
  d.buffer_size = 100;
  EXPECT_EQ(validation_of(d), "PixImage.data_size");
  char error[64] = "";
  EXPECT_EQ(pix_resize(&d, 5, 10, error, sizeof error), nullptr);
  EXPECT_STREQ(error, "PixImage.data_size");
  unsigned char memory[16] = {};
  d.buffer_size = 0;
  d.data = memory; // at an address a 32-bit build may well give
  EXPECT_EQ(validation_of(d), "PixImage.data_size");
}

// Each of these passes when its sums are taken in 32 bits.
TEST(PixImageValidate, WrappingDescriptorsAreRefused) {
  unsigned char memory[16] = {};
  PixImageDesc d = {};
  d.type = TYPE_GRAY;
  d.buffer = d.data = memory;
  d.buffer_size = 4;
  // pixel step x width wraps to 4: a 4-byte row reading ~4 GiB.
  d.width = 0x40000001;
  d.pixel_step = 4;
  d.row_step = 4;
  d.height = 1;
  EXPECT_EQ(validation_of(d), "PixImage.bad_rowsize");
  // height x row step wraps: 0x10001 rows of 0x10000 bytes "end" 64 KiB in.
  d.width = 1;
  d.pixel_step = 1;
  d.row_step = 0x10000;
  d.height = 0x10001;
  EXPECT_EQ(validation_of(d), "PixImage.bad_datasize2");
  // Colour: 16 rows of 2^28 bytes "end" 2^32 bytes on, that is at 0.
  d.type = TYPE_BGR;
  d.pixel_step = 3;
  d.width = 1;
  d.row_step = 0x10000000;
  d.height = 0x10;
  EXPECT_EQ(validation_of(d), "PixImage.bad_datasize3");
}

TEST(PixImageValidate, CopyModeAndInPlaceValidateAlike) {
  GrayCase c;
  c.d.orientation = 9;
  EXPECT_EQ(raised_id([&] { PixImage image(c.d, PixImage::in_place); }),
            "PixImage.bad_orient");
  char error[64] = "x";
  EXPECT_EQ(pix_prepare_for_engine(&c.d, error, sizeof error), nullptr);
  EXPECT_STREQ(error, "PixImage.bad_orient");
  EXPECT_EQ(pix_to_gray_copy(&c.d, error, sizeof error), nullptr);
  EXPECT_STREQ(error, "PixImage.bad_orient");
}

} // namespace
