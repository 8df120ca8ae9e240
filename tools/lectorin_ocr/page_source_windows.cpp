//===- page_source_windows.cpp - Page images read on Windows --------------===//
//
// The system's codecs (image_codecs.h) read PNG, TIFF, JPEG and BMP; PNM,
// which they lack (Wine's and Windows's alike), is read by Leptonica's own
// reader, the one Leptonica part that needs no image library. The file is
// read whole first, opened by its UTF-16 name, so that any file name the
// command line can give works whatever the code page.

#include "page_source.h"

#include "image_codecs.h"
#include "page_forms.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace lectorin_ocr {

namespace {

std::vector<uint8_t> read_bytes(const std::string &file) {
  std::ifstream in(std::filesystem::u8path(file), std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot open the file");
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  if (bytes.empty())
    throw std::runtime_error("the file is empty");
  return bytes;
}

bool is_pnm(const std::vector<uint8_t> &bytes) {
  return bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] >= '1' &&
         bytes[1] <= '7';
}

[[noreturn]] void refuse(platform::DecodeResult result) {
  if (result == platform::DecodeResult::not_an_image)
    throw std::runtime_error("not an image file this program reads "
                             "(PNG, TIFF, PNM, JPEG or BMP)");
  if (result == platform::DecodeResult::too_large)
    throw std::runtime_error("the image is too large: its pixels take more "
                             "than 2 GB");
  throw std::runtime_error("the image is damaged and cannot be decoded");
}

uint32_t be32(const std::vector<uint8_t> &bytes, std::size_t at) {
  return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 |
         uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

// The codecs give a PNG without a pHYs chunk 96 dpi, a screen's resolution
// that no scan has; the page goes on as one without a resolution, as on
// Linux, rather than being enlarged as a 96 dpi scan. The chunk must come
// before the image data.
bool is_png_without_resolution(const std::vector<uint8_t> &bytes) {
  static const uint8_t signature[] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
  if (bytes.size() < 8 || !std::equal(signature, signature + 8, bytes.begin()))
    return false;
  for (std::size_t at = 8; at + 8 <= bytes.size();) {
    const uint32_t length = be32(bytes, at);
    const auto chunk = bytes.begin() + static_cast<std::ptrdiff_t>(at);
    const std::string type(chunk + 4, chunk + 8);
    if (type == "pHYs")
      return false;
    if (type == "IDAT" || length > bytes.size() - at - 8)
      break;
    at += std::size_t{length} + 12;
  }
  return true;
}

PixPtr read_pnm(const std::vector<uint8_t> &bytes) {
  // Leptonica's own complaints would repeat ours in words of its own (the
  // Linux reader quiets it likewise); this program is its only user.
  setMsgSeverity(L_SEVERITY_NONE);
  PixPtr pix(pixReadMemPnm(bytes.data(), bytes.size()));
  if (!pix)
    refuse(platform::DecodeResult::damaged);
  return normalise_pix(pix.get());
}

uint32_t dots_per_inch(double resolution) {
  return resolution >= 1 && resolution < 1e6
             ? static_cast<uint32_t>(std::lround(resolution))
             : 0;
}

LoadedPage from_frame(platform::ImageFrame &frame) {
  LoadedPage page;
  page.width = frame.width;
  page.height = frame.height;
  page.x_resolution = dots_per_inch(frame.x_resolution);
  page.y_resolution = dots_per_inch(frame.y_resolution);
  if (frame.format == platform::FrameFormat::bilevel) {
    page.form = PixelForm::bitonal;
    std::vector<uint8_t> bits(page.width);
    for (uint32_t y = 0; y < page.height; ++y) {
      const uint8_t *row =
          frame.pixels.data() + std::size_t{y} * frame.row_step;
      for (uint32_t x = 0; x < page.width; ++x)
        bits[x] = static_cast<uint8_t>((row[x / 8] >> (7 - x % 8)) & 1);
      code_bitonal_row(bits, page.coded);
    }
    return page;
  }
  bool gray = frame.format == platform::FrameFormat::gray;
  page.form = gray ? PixelForm::gray : PixelForm::rgb;
  page.pixel_step = gray ? 1 : 4;
  page.row_step = frame.row_step;
  auto pixels = std::make_shared<std::vector<uint8_t>>(std::move(frame.pixels));
  page.data = pixels->data();
  page.size = pixels->size();
  page.decoded = pixels;
  return page;
}

// The frame as Leptonica holds pages, for the overlay: the same three forms,
// each byte set through Leptonica's own accessor, which knows its word
// order.
PixPtr pix_from_frame(const platform::ImageFrame &frame) {
  const bool bilevel = frame.format == platform::FrameFormat::bilevel;
  const bool gray = frame.format == platform::FrameFormat::gray;
  PixPtr pix(pixCreate(static_cast<l_int32>(frame.width),
                       static_cast<l_int32>(frame.height),
                       bilevel ? 1
                       : gray  ? 8
                               : 32));
  if (!pix)
    throw std::runtime_error("the image is too large to be copied");
  pixSetResolution(pix.get(),
                   static_cast<l_int32>(dots_per_inch(frame.x_resolution)),
                   static_cast<l_int32>(dots_per_inch(frame.y_resolution)));
  const uint32_t words = static_cast<uint32_t>(pixGetWpl(pix.get()));
  for (uint32_t y = 0; y < frame.height; ++y) {
    const uint8_t *row = frame.pixels.data() + std::size_t{y} * frame.row_step;
    l_uint32 *line = pixGetData(pix.get()) + std::size_t{y} * words;
    if (bilevel) {
      for (uint32_t x = 0; x < (frame.width + 7) / 8; ++x)
        SET_DATA_BYTE(line, x, row[x]);
    } else if (gray) {
      for (uint32_t x = 0; x < frame.width; ++x)
        SET_DATA_BYTE(line, x, row[x]);
    } else {
      for (uint32_t x = 0; x < frame.width; ++x)
        composeRGBPixel(row[4 * x], row[4 * x + 1], row[4 * x + 2], line + x);
    }
  }
  if (bilevel)
    pixSetPadBits(pix.get(), 0); // the codec's bits past the width, cleared
  return pix;
}

platform::ImageFrame decode_frame(const std::vector<uint8_t> &bytes, int page) {
  platform::ImageFrame frame;
  platform::DecodeResult result =
      platform::decode_image_frame(bytes, page, frame);
  if (result != platform::DecodeResult::ok)
    refuse(result);
  if (is_png_without_resolution(bytes))
    frame.x_resolution = frame.y_resolution = 0;
  return frame;
}

} // namespace

int count_pages(const std::string &file) {
  std::vector<uint8_t> bytes = read_bytes(file);
  if (is_pnm(bytes))
    return 1;
  int frames = 0;
  platform::DecodeResult result = platform::count_image_frames(bytes, frames);
  if (result != platform::DecodeResult::ok)
    refuse(result);
  return frames;
}

LoadedPage load_page(const std::string &file, int page) {
  std::vector<uint8_t> bytes = read_bytes(file);
  if (is_pnm(bytes))
    return page_from_pix(read_pnm(bytes));
  platform::ImageFrame frame = decode_frame(bytes, page);
  return from_frame(frame);
}

PixPtr read_page_pix(const std::string &file, int page) {
  std::vector<uint8_t> bytes = read_bytes(file);
  if (is_pnm(bytes))
    return read_pnm(bytes);
  return pix_from_frame(decode_frame(bytes, page));
}

} // namespace lectorin_ocr
