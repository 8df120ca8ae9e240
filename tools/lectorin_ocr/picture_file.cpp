//===- picture_file.cpp - The overlay picture's file form -----------------===//

#include "picture_file.h"

#include <leptonica/allheaders.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace lectorin_ocr {

const char picture_file_extension[] = ".png";

std::string encode_picture(const Pix &picture) {
  l_uint8 *bytes = nullptr;
  size_t size = 0;
  // Leptonica takes no const image, but only reads it here.
  if (pixWriteMemPng(&bytes, &size, const_cast<Pix *>(&picture), 0) != 0 ||
      !bytes)
    throw std::runtime_error("cannot encode the overlay as PNG");
  std::unique_ptr<l_uint8, decltype(&lept_free)> owned(bytes, &lept_free);
  return std::string(reinterpret_cast<const char *>(bytes), size);
}

} // namespace lectorin_ocr
