//===- page_image.cpp - The pixels of a generated page --------------------===//

#include "page_image.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <random>
#include <stdexcept>

namespace pagegen {

namespace {

std::string lower_extension(const std::string &path) {
  std::size_t dot = path.rfind('.');
  std::size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return "";
  std::string extension = path.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return extension;
}

struct PixDeleter {
  void operator()(PIX *pix) const { pixDestroy(&pix); }
};

// Leptonica's bilevel pixels are 1 for black.
std::unique_ptr<PIX, PixDeleter> to_pix(const Image &image) {
  int depth = image.type == PixelType::bilevel ? 1
              : image.type == PixelType::gray  ? 8
                                               : 32;
  std::unique_ptr<PIX, PixDeleter> pix(
      pixCreate(image.width, image.height, depth));
  if (!pix)
    throw std::runtime_error("out of memory for the image");
  if (depth == 32)
    pixSetSpp(pix.get(), 3);
  l_uint32 *data = pixGetData(pix.get());
  int words_per_line = pixGetWpl(pix.get());
  for (int32_t y = 0; y < image.height; ++y) {
    l_uint32 *line = data + static_cast<std::size_t>(y) * words_per_line;
    for (int32_t x = 0; x < image.width; ++x) {
      const uint8_t *p = image.pixel(x, y);
      if (depth == 1) {
        if (p[0] < 128)
          SET_DATA_BIT(line, x);
      } else if (depth == 8) {
        SET_DATA_BYTE(line, x, p[0]);
      } else {
        l_uint32 rgb = 0;
        composeRGBPixel(p[0], p[1], p[2], &rgb);
        line[x] = rgb;
      }
    }
  }
  return pix;
}

} // namespace

Image blank_image(int32_t width, int32_t height) {
  Image image;
  image.width = width;
  image.height = height;
  image.samples.assign(static_cast<std::size_t>(width) * height, 255);
  return image;
}

Image convert_image(const Image &gray, PixelType type) {
  Image out;
  out.width = gray.width;
  out.height = gray.height;
  out.type = type;
  if (type == PixelType::gray) {
    out.samples = gray.samples;
  } else if (type == PixelType::bilevel) {
    out.samples.reserve(gray.samples.size());
    for (uint8_t v : gray.samples)
      out.samples.push_back(v < 128 ? 0 : 255);
  } else {
    out.samples.reserve(3 * gray.samples.size());
    for (uint8_t v : gray.samples)
      out.samples.insert(out.samples.end(), {v, v, v});
  }
  return out;
}

Image rotate_image(const Image &image, int32_t degrees) {
  if (degrees != 0 && degrees != 90 && degrees != 180 && degrees != 270)
    throw std::invalid_argument("the stored pixels turn by 0, 90, 180 or 270 "
                                "degrees, not " +
                                std::to_string(degrees));
  if (degrees == 0)
    return image;
  const int32_t w = image.width, h = image.height;
  const int n = image.channels();
  Image out;
  out.type = image.type;
  out.width = degrees == 180 ? w : h;
  out.height = degrees == 180 ? h : w;
  out.samples.resize(image.samples.size());
  for (int32_t y = 0; y < out.height; ++y) {
    for (int32_t x = 0; x < out.width; ++x) {
      // The displayed pixel that lands on stored pixel (x, y).
      int32_t sx = degrees == 90 ? y : degrees == 180 ? w - 1 - x : w - 1 - y;
      int32_t sy = degrees == 90 ? h - 1 - x : degrees == 180 ? h - 1 - y : x;
      std::copy_n(
          image.pixel(sx, sy), n,
          &out.samples[(static_cast<std::size_t>(y) * out.width + x) * n]);
    }
  }
  return out;
}

void add_noise(Image &gray, double share, uint32_t seed) {
  if (gray.samples.empty() || share <= 0)
    return;
  // The engine's raw output, not a distribution: the same on every system.
  std::mt19937 random(seed);
  auto count = static_cast<std::size_t>(std::llround(
      std::min(share, 1.0) * static_cast<double>(gray.samples.size())));
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t at = random() % gray.samples.size();
    gray.samples[at] = (random() & 1) ? 255 : 0;
  }
}

void write_image(const Image &image, int32_t resolution,
                 const std::string &path) {
  std::string extension = lower_extension(path);
  l_int32 format;
  if (extension == ".png")
    format = IFF_PNG;
  else if (extension == ".tif" || extension == ".tiff")
    format = image.type == PixelType::bilevel ? IFF_TIFF_G4 : IFF_TIFF_LZW;
  else
    throw std::runtime_error("cannot tell the image format from \"" + path +
                             "\": name it .png, .tif or .tiff");
  auto pix = to_pix(image);
  pixSetResolution(pix.get(), resolution, resolution);
  if (pixWrite(path.c_str(), pix.get(), format) != 0)
    throw std::runtime_error("cannot write \"" + path + "\"");
}

} // namespace pagegen
