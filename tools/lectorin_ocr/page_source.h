//===- page_source.h - Page images read from files -------------*- C++ -*-===//
//
// Reads the pages of image files (PNG, TIFF with every page of a multi-page
// file, PNM, JPEG, BMP) into the forms the editor hands the plug-in: 1-bit
// images as run-length coded rows, 8-bit gray as bytes, colour as RGB with
// four bytes per pixel. Colour maps are resolved, other depths become 8-bit
// gray, and transparent pixels are laid over white paper.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_PAGE_SOURCE_H
#define LECTORIN_TOOLS_PAGE_SOURCE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Pix; // Leptonica's image

namespace lectorin_ocr {

struct PixDeleter {
  void operator()(Pix *pix) const;
};
using PixPtr = std::unique_ptr<Pix, PixDeleter>;

enum class PixelForm { bitonal, gray, rgb };

/// One page in memory, ready to be described to the plug-in. Gray and
/// colour pages are the decoder's own pixels, rows top first and padded to
/// whole 32-bit words (colour in the order red, green, blue, spare); 1-bit
/// pages are coded rows made from them.
struct LoadedPage {
  PixelForm form = PixelForm::gray;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t pixel_step = 0;   ///< 0 for bitonal
  uint32_t row_step = 0;     ///< 0 for bitonal
  uint32_t x_resolution = 0; ///< along the stored rows
  uint32_t y_resolution = 0; ///< along the stored columns
  /// How the stored pixels are displayed, as the descriptor codes it
  /// (PixImage.h); files are read as stored, 0.
  uint32_t orientation = 0;
  /// Gray and colour: the first byte of the top row and the bytes from there
  /// on, held by decoded. A copy of the page shares them.
  const uint8_t *data = nullptr;
  std::size_t size = 0;
  std::shared_ptr<void> decoded;
  /// 1-bit: the coded rows, the page's own.
  std::vector<uint8_t> coded;
};

/// The number of pages in a file: the pages of a TIFF, else 1. Throws
/// std::runtime_error with a sentence a person understands when the file
/// cannot be opened, is a directory, is empty, is no image this program
/// reads, or is a TIFF whose pages cannot be found.
int count_pages(const std::string &file);

/// Reads page `page` (from 0). A resolution of 0 means the file has none.
/// Throws std::runtime_error as count_pages does, and when the page cannot
/// be decoded or its pixels would take more than 4 GB.
LoadedPage load_page(const std::string &file, int page);

/// Page `page` (from 0) as Leptonica holds it, in the form load_page
/// describes it from: 1, 8 or 32 bits per pixel, colour maps resolved and
/// transparent pixels laid over white. Throws as load_page does.
PixPtr read_page_pix(const std::string &file, int page);

/// Codes one row of 1-bit pixels (0 white, 1 black) as alternating runs that
/// start with white, the form the plug-in reads bitonal pages in.
void code_bitonal_row(const std::vector<uint8_t> &bits,
                      std::vector<uint8_t> &coded);

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_PAGE_SOURCE_H
