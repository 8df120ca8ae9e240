// The Windows page reader: the system's codecs for the scanned TIFF pages
// and BMP, Leptonica's reader for PNM, names outside the code page, and the
// reasons a file is refused. The pixels must be those the Linux reader gives
// for the same file: the whole-road test compares the two builds' reading.

#include "page_source.h"
#include "temp_directory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

using namespace lectorin_ocr;
using testing_support::TempDirectory;

namespace {

namespace fs = std::filesystem;

void write_bytes(const std::string &utf8_path, const std::string &bytes) {
  std::ofstream(fs::u8path(utf8_path), std::ios::binary) << bytes;
}

std::string le16(uint32_t v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

// A bottom-up BMP of 24-bit rows, or 1-bit rows with a two-colour palette
// (BGRA entries); rows are given top first and padded here.
std::string bmp(int32_t width, int32_t height, uint16_t bits,
                const std::string &palette,
                const std::vector<std::string> &rows) {
  std::string pixels;
  for (auto row = rows.rbegin(); row != rows.rend(); ++row)
    pixels += *row + std::string((4 - row->size() % 4) % 4, '\0');
  uint32_t offset = 54 + static_cast<uint32_t>(palette.size());
  return "BM" + le32(offset + static_cast<uint32_t>(pixels.size())) + le32(0) +
         le32(offset) + le32(40) + le32(width) + le32(height) + le16(1) +
         le16(bits) + le32(0) + le32(static_cast<uint32_t>(pixels.size())) +
         le32(11811) + le32(11811) + le32(bits == 1 ? 2 : 0) + le32(0) +
         palette + pixels;
}

std::string be32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>((v >> 16) & 0xFF),
          static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF)};
}

uint32_t crc32(const std::string &data) {
  uint32_t c = 0xFFFFFFFF;
  for (unsigned char byte : data) {
    c ^= byte;
    for (int k = 0; k < 8; ++k)
      c = (c & 1) ? 0xEDB88320 ^ (c >> 1) : c >> 1;
  }
  return ~c;
}

std::string png_chunk(const std::string &type, const std::string &data) {
  return be32(static_cast<uint32_t>(data.size())) + type + data +
         be32(crc32(type + data));
}

// A PNG of one 8-bit gray pixel, with a pHYs chunk when dots_per_metre is
// not 0. Its pixel data is a zlib stream of one stored block.
std::string gray_png(uint8_t value, uint32_t dots_per_metre) {
  const std::string row{'\0', static_cast<char>(value)}; // filter 0, pixel
  const uint32_t adler = (2u + value) << 16 | (1u + value);
  const std::string zlib =
      std::string("\x78\x01\x01\x02\x00\xFD\xFF", 7) + row + be32(adler);
  const std::string header = be32(1) + be32(1) + std::string("\x08\0\0\0\0", 5);
  std::string png =
      std::string("\x89PNG\r\n\x1A\n") + png_chunk("IHDR", header);
  if (dots_per_metre)
    png += png_chunk("pHYs", be32(dots_per_metre) + be32(dots_per_metre) +
                                 std::string("\x01", 1));
  return png + png_chunk("IDAT", zlib) + png_chunk("IEND", "");
}

std::string error_of(const std::string &file) {
  try {
    load_page(file, 0);
  } catch (const std::runtime_error &e) {
    return e.what();
  }
  return "";
}

TEST(PageSourceWindows, ScannedTiffPagesAreBitonalWithTheirResolution) {
  const std::string scan =
      std::string(LECTORIN_TESTDATA_DIR) + "\\phototest.tif";
  if (!fs::exists(scan))
    GTEST_SKIP() << "no scanned test pages in " << LECTORIN_TESTDATA_DIR;
  EXPECT_EQ(count_pages(scan), 1);
  LoadedPage page = load_page(scan, 0);
  EXPECT_EQ(page.form, PixelForm::bitonal);
  EXPECT_EQ(page.width, 640u);
  EXPECT_EQ(page.height, 480u);
  EXPECT_GT(page.x_resolution, 0u);
  EXPECT_FALSE(page.coded.empty());
}

TEST(PageSourceWindows, PnmAndBmpKeepTheirPixels) {
  TempDirectory temp;
  write_bytes(temp / "gray.pgm",
              std::string("P5\n3 2\n255\n") +
                  std::string("\x00\x80\xFF\x10\x20\x30", 6));
  LoadedPage gray = load_page(temp / "gray.pgm", 0);
  ASSERT_EQ(gray.form, PixelForm::gray);
  ASSERT_EQ(gray.width, 3u);
  ASSERT_EQ(gray.height, 2u);
  EXPECT_EQ(gray.data[0], 0x00);
  EXPECT_EQ(gray.data[2], 0xFF);
  EXPECT_EQ(gray.data[gray.row_step + 1], 0x20);

  // Red and green above, blue and white below, at 300 dpi (11811 dots a
  // metre).
  write_bytes(temp / "colour.bmp",
              bmp(2, 2, 24, "",
                  {std::string("\x00\x00\xFF\x00\xFF\x00", 6),
                   std::string("\xFF\x00\x00\xFF\xFF\xFF", 6)}));
  LoadedPage colour = load_page(temp / "colour.bmp", 0);
  ASSERT_EQ(colour.form, PixelForm::rgb);
  ASSERT_EQ(colour.pixel_step, 4u);
  EXPECT_EQ(colour.x_resolution, 300u);
  const uint8_t *top = colour.data, *bottom = colour.data + colour.row_step;
  EXPECT_EQ(std::vector<uint8_t>(top, top + 3),
            (std::vector<uint8_t>{255, 0, 0}));
  EXPECT_EQ(std::vector<uint8_t>(top + 4, top + 7),
            (std::vector<uint8_t>{0, 255, 0}));
  EXPECT_EQ(std::vector<uint8_t>(bottom, bottom + 3),
            (std::vector<uint8_t>{0, 0, 255}));

  // A black-and-white palette keeps the page bitonal, whichever index is
  // black: the same rows either way.
  const std::string white_black("\xFF\xFF\xFF\x00\x00\x00\x00\x00", 8);
  const std::string black_white("\x00\x00\x00\x00\xFF\xFF\xFF\x00", 8);
  write_bytes(temp / "a.bmp", bmp(8, 1, 1, white_black, {"\x0F"}));
  write_bytes(temp / "b.bmp", bmp(8, 1, 1, black_white, {"\xF0"}));
  LoadedPage a = load_page(temp / "a.bmp", 0), b = load_page(temp / "b.bmp", 0);
  EXPECT_EQ(a.form, PixelForm::bitonal);
  std::vector<uint8_t> expected;
  code_bitonal_row({0, 0, 0, 0, 1, 1, 1, 1}, expected);
  EXPECT_EQ(a.coded, expected);
  EXPECT_EQ(b.coded, expected);
}

// The codecs say 96 dpi for a PNG that gives no resolution; the page has
// none, as the Linux reader says, and keeps its own where it gives one.
TEST(PageSourceWindows, APngWithoutAResolutionHasNone) {
  TempDirectory temp;
  write_bytes(temp / "plain.png", gray_png(0x40, 0));
  write_bytes(temp / "scan.png", gray_png(0x40, 11811));
  LoadedPage plain = load_page(temp / "plain.png", 0);
  ASSERT_EQ(plain.form, PixelForm::gray);
  EXPECT_EQ(plain.data[0], 0x40);
  EXPECT_EQ(plain.x_resolution, 0u);
  EXPECT_EQ(plain.y_resolution, 0u);
  EXPECT_EQ(load_page(temp / "scan.png", 0).x_resolution, 300u);
}

TEST(PageSourceWindows, NamesOutsideTheCodePageAreRead) {
  TempDirectory temp;
  const std::string name = temp / u8"\u9801 \u00e4.pgm";
  write_bytes(name, std::string("P5\n1 1\n255\n") + "\x7F");
  EXPECT_EQ(count_pages(name), 1);
  EXPECT_EQ(load_page(name, 0).data[0], 0x7F);
}

TEST(PageSourceWindows, RefusalsSayWhy) {
  TempDirectory temp;
  EXPECT_EQ(error_of(temp / "missing.png"), "cannot open the file");
  write_bytes(temp / "empty.png", "");
  EXPECT_EQ(error_of(temp / "empty.png"), "the file is empty");
  write_bytes(temp / "notes.png", "a page of notes, not of pixels");
  EXPECT_EQ(error_of(temp / "notes.png"),
            "not an image file this program reads (PNG, TIFF, PNM, JPEG or "
            "BMP)");
  write_bytes(temp / "cut.pgm", "P5\n100 100\n255\n\x01\x02");
  EXPECT_EQ(error_of(temp / "cut.pgm"),
            "the image is damaged and cannot be decoded");
}

} // namespace
