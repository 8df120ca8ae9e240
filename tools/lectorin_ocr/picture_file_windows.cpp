//===- picture_file_windows.cpp - The overlay picture's file form ---------===//
//
// The Leptonica of the Windows build has no PNG writer (it is built without
// image libraries), so the picture is encoded by the system's codecs, as the
// pages are read.

#include "picture_file.h"

#include "image_codecs.h"

#include <leptonica/allheaders.h>

#include <stdexcept>

namespace lectorin_ocr {

const char picture_file_extension[] = ".png";

std::string encode_picture(const Pix &picture) {
  // Leptonica takes no const image, but only reads it here.
  PixPtr colour(pixConvertTo32(const_cast<Pix *>(&picture)));
  if (!colour)
    throw std::runtime_error("cannot encode the overlay as PNG");
  platform::ImageFrame frame;
  frame.format = platform::FrameFormat::rgb;
  frame.width = static_cast<uint32_t>(pixGetWidth(colour.get()));
  frame.height = static_cast<uint32_t>(pixGetHeight(colour.get()));
  frame.row_step = frame.width * 4;
  frame.x_resolution = pixGetXRes(colour.get());
  frame.y_resolution = pixGetYRes(colour.get());
  frame.pixels.resize(std::size_t{frame.row_step} * frame.height);
  uint8_t *out = frame.pixels.data();
  for (uint32_t y = 0; y < frame.height; ++y) {
    const l_uint32 *line =
        pixGetData(colour.get()) + std::size_t{y} * pixGetWpl(colour.get());
    for (uint32_t x = 0; x < frame.width; ++x) {
      l_int32 red = 0, green = 0, blue = 0;
      extractRGBValues(line[x], &red, &green, &blue);
      *out++ = static_cast<uint8_t>(red);
      *out++ = static_cast<uint8_t>(green);
      *out++ = static_cast<uint8_t>(blue);
      *out++ = 0;
    }
  }
  std::vector<uint8_t> file;
  if (!platform::encode_png(frame, file))
    throw std::runtime_error("cannot encode the overlay as PNG");
  return std::string(file.begin(), file.end());
}

} // namespace lectorin_ocr
