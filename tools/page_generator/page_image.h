//===- page_image.h - The pixels of a generated page -----------*- C++ -*-===//
//
// An image as rows of samples, top row first: one byte per pixel for gray
// and bilevel images (0 black, 255 white; bilevel pixels are 0 or 255), three
// (red, green, blue) for colour ones. The generator renders gray, spoils it
// with noise if asked, converts it to the type wanted and turns it the way
// the pixels are to be stored.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_PAGE_IMAGE_H
#define LECTORIN_TOOLS_PAGE_IMAGE_H

#include <cstdint>
#include <string>
#include <vector>

namespace pagegen {

enum class PixelType { bilevel, gray, rgb };

struct Image {
  int32_t width = 0;
  int32_t height = 0;
  PixelType type = PixelType::gray;
  std::vector<uint8_t> samples;

  int channels() const { return type == PixelType::rgb ? 3 : 1; }
  /// The first sample of the pixel at column x, row y.
  const uint8_t *pixel(int32_t x, int32_t y) const {
    return &samples[(static_cast<std::size_t>(y) * width + x) * channels()];
  }
};

/// A white gray image.
Image blank_image(int32_t width, int32_t height);

/// A gray image as another type: bilevel pixels are black below 128, colour
/// pixels gray in all three samples.
Image convert_image(const Image &gray, PixelType type);

/// The image turned clockwise by 0, 90, 180 or 270 degrees; a quarter turn
/// exchanges width and height. Throws std::invalid_argument for other angles.
Image rotate_image(const Image &image, int32_t degrees);

/// Sets the given share (0 to 1) of a gray image's pixels, chosen at random,
/// to black or white; the same seed spoils the same pixels.
void add_noise(Image &gray, double share, uint32_t seed);

/// Writes the image as PNG (".png") or TIFF (".tif", ".tiff"; bilevel pages
/// in Group 4, others LZW), recording the resolution. Throws
/// std::runtime_error for another extension or when the file cannot be
/// written.
void write_image(const Image &image, int32_t resolution,
                 const std::string &path);

} // namespace pagegen

#endif // LECTORIN_TOOLS_PAGE_IMAGE_H
