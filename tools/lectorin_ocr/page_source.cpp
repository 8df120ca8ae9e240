//===- page_source.cpp - Page images read from files ----------------------===//

#include "page_source.h"

#include "GBitmap.h"

#include <leptonica/allheaders.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace lectorin_ocr {

namespace {

struct PixDeleter {
  void operator()(PIX *pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<PIX, PixDeleter>;

void quiet_leptonica() {
  static bool done = false;
  if (!done) {
    setMsgSeverity(L_SEVERITY_NONE);
    done = true;
  }
}

int file_format(const std::string &file) {
  std::FILE *probe = std::fopen(file.c_str(), "rb");
  if (!probe)
    throw std::runtime_error("cannot open the file");
  (void)std::fclose(probe);
  l_int32 format = IFF_UNKNOWN;
  if (findFileFormat(file.c_str(), &format) != 0 || format == IFF_UNKNOWN)
    throw std::runtime_error("not an image file this program reads "
                             "(PNG, TIFF, PNM, JPEG or BMP)");
  return format;
}

LoadedPage from_pix(PIX *source) {
  PixPtr pix(pixRemoveColormap(source, REMOVE_CMAP_BASED_ON_SRC));
  if (!pix)
    throw std::runtime_error("cannot decode the image's colours");
  l_int32 depth = pixGetDepth(pix.get());
  if (depth != 1 && depth != 8 && depth != 32) {
    pix.reset(pixConvertTo8(pix.get(), 0));
    if (!pix)
      throw std::runtime_error("cannot convert the image to gray");
    depth = 8;
  }
  LoadedPage page;
  page.width = static_cast<uint32_t>(pixGetWidth(pix.get()));
  page.height = static_cast<uint32_t>(pixGetHeight(pix.get()));
  page.x_resolution = static_cast<uint32_t>(
      pixGetXRes(pix.get()) > 0 ? pixGetXRes(pix.get()) : 0);
  page.y_resolution = static_cast<uint32_t>(
      pixGetYRes(pix.get()) > 0 ? pixGetYRes(pix.get()) : 0);
  l_uint32 *data = pixGetData(pix.get());
  l_int32 words = pixGetWpl(pix.get());
  if (depth == 1) {
    page.form = PixelForm::bitonal;
    std::vector<uint8_t> bits(page.width);
    for (uint32_t y = 0; y < page.height; ++y) {
      l_uint32 *line = data + static_cast<std::size_t>(y) * words;
      for (uint32_t x = 0; x < page.width; ++x)
        bits[x] = static_cast<uint8_t>(GET_DATA_BIT(line, x));
      code_bitonal_row(bits, page.pixels);
    }
  } else if (depth == 8) {
    page.form = PixelForm::gray;
    page.pixel_step = 1;
    page.row_step = page.width;
    page.pixels.resize(static_cast<std::size_t>(page.width) * page.height);
    for (uint32_t y = 0; y < page.height; ++y) {
      l_uint32 *line = data + static_cast<std::size_t>(y) * words;
      for (uint32_t x = 0; x < page.width; ++x)
        page.pixels[static_cast<std::size_t>(y) * page.width + x] =
            static_cast<uint8_t>(GET_DATA_BYTE(line, x));
    }
  } else {
    page.form = PixelForm::rgb;
    page.pixel_step = 4;
    page.row_step = 4 * page.width;
    page.pixels.resize(static_cast<std::size_t>(page.row_step) * page.height);
    for (uint32_t y = 0; y < page.height; ++y) {
      l_uint32 *line = data + static_cast<std::size_t>(y) * words;
      uint8_t *out =
          page.pixels.data() + static_cast<std::size_t>(y) * page.row_step;
      for (uint32_t x = 0; x < page.width; ++x) {
        l_int32 r = 0, g = 0, b = 0;
        extractRGBValues(line[x], &r, &g, &b);
        uint8_t *pixel = out + std::size_t{4} * x;
        pixel[0] = static_cast<uint8_t>(r);
        pixel[1] = static_cast<uint8_t>(g);
        pixel[2] = static_cast<uint8_t>(b);
        out[4 * x + 3] = 0;
      }
    }
  }
  return page;
}

} // namespace

void code_bitonal_row(const std::vector<uint8_t> &bits,
                      std::vector<uint8_t> &coded) {
  // A run of n >= 1 pixels never takes more than n bytes; the leading white
  // run may be empty and take one more.
  std::size_t start = coded.size();
  coded.resize(start + bits.size() + 1);
  unsigned char *cursor = coded.data() + start;
  uint8_t colour = 0; // rows start with a white run, maybe empty
  uint32_t run = 0;
  for (uint8_t bit : bits) {
    if (bit == colour) {
      ++run;
      continue;
    }
    GBitmap::append_run(cursor, run);
    colour = bit;
    run = 1;
  }
  GBitmap::append_run(cursor, run);
  coded.resize(static_cast<std::size_t>(cursor - coded.data()));
}

int count_pages(const std::string &file) {
  quiet_leptonica();
  int format = file_format(file);
  if (!L_FORMAT_IS_TIFF(format))
    return 1;
  std::FILE *in = std::fopen(file.c_str(), "rb");
  if (!in)
    throw std::runtime_error("cannot open the file");
  l_int32 pages = 0;
  bool ok = tiffGetCount(in, &pages) == 0;
  (void)std::fclose(in);
  if (!ok || pages < 1)
    throw std::runtime_error("the TIFF file holds no readable page");
  return pages;
}

LoadedPage load_page(const std::string &file, int page) {
  quiet_leptonica();
  int format = file_format(file);
  PixPtr pix(L_FORMAT_IS_TIFF(format) ? pixReadTiff(file.c_str(), page)
                                      : pixRead(file.c_str()));
  if (!pix)
    throw std::runtime_error(
        page > 0 ? "page " + std::to_string(page + 1) + " cannot be decoded"
                 : std::string("the image cannot be decoded"));
  if (pixGetWidth(pix.get()) <= 0 || pixGetHeight(pix.get()) <= 0)
    throw std::runtime_error("the image is empty");
  return from_pix(pix.get());
}

} // namespace lectorin_ocr
