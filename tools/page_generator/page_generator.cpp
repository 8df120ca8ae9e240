//===- page_generator.cpp - Page images with exact ground truth -----------===//

#include "page_generator.h"

#include <fstream>
#include <stdexcept>

namespace pagegen {

GeneratedPage generate_page(const PageSettings &settings) {
  if (settings.rotation != 0 && settings.rotation != 90 &&
      settings.rotation != 180 && settings.rotation != 270)
    throw std::runtime_error("the rotation must be 0, 90, 180 or 270 degrees");
  if (!(settings.noise >= 0 && settings.noise <= 1))
    throw std::runtime_error("the noise must be a share from 0 to 1");
  RenderedPage rendered = render_text_page(settings.page);
  // The ground truth is the text's ink, so the noise comes after measuring.
  add_noise(rendered.image, settings.noise, settings.seed);
  GeneratedPage page;
  page.image = rotate_image(convert_image(rendered.image, settings.type),
                            settings.rotation);
  page.truth = std::move(rendered.truth);
  page.truth.rotation = settings.rotation;
  return page;
}

void write_page(const GeneratedPage &page, const std::string &image_path,
                const std::string &truth_path) {
  write_image(page.image, page.truth.resolution, image_path);
  std::ofstream out(truth_path, std::ios::binary);
  out << format_ground_truth(page.truth);
  out.close();
  if (!out)
    throw std::runtime_error("cannot write \"" + truth_path + "\"");
}

} // namespace pagegen
