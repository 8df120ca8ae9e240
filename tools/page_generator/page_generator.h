//===- page_generator.h - Page images with exact ground truth --*- C++ -*-===//
//
// Makes a test page: sets a text (text_page.h), optionally spoils it with
// noise, converts it to the pixel type wanted and turns the stored pixels;
// the ground truth always describes the displayed page.
//
//   PageSettings settings;  settings.page.text = sample_text("de");
//   GeneratedPage page = generate_page(settings);
//   write_page(page, "page.tif", "page.truth");
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_PAGE_GENERATOR_H
#define LECTORIN_TOOLS_PAGE_GENERATOR_H

#include "ground_truth.h"
#include "page_image.h"
#include "text_page.h"

#include <cstdint>
#include <string>

namespace pagegen {

struct PageSettings {
  TextPage page;
  PixelType type = PixelType::gray;
  int32_t rotation = 0; ///< clockwise turn of the stored pixels
  double noise = 0;     ///< share of pixels set to black or white, 0 to 1
  uint32_t seed = 1;    ///< chooses the noisy pixels
};

struct GeneratedPage {
  Image image; ///< the stored pixels
  GroundTruth truth;
};

/// Makes the page. Throws std::runtime_error as render_text_page does, and
/// for a rotation other than 0, 90, 180, 270 or noise outside 0 to 1.
GeneratedPage generate_page(const PageSettings &settings);

/// Writes the image (format by the file's extension, see write_image) and
/// the ground-truth file. Throws std::runtime_error when either cannot be
/// written.
void write_page(const GeneratedPage &page, const std::string &image_path,
                const std::string &truth_path);

} // namespace pagegen

#endif // LECTORIN_TOOLS_PAGE_GENERATOR_H
