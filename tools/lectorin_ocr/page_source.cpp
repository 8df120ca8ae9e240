//===- page_source.cpp - Page images read from files ----------------------===//

#include "page_source.h"

#include "page_forms.h"

#include <leptonica/allheaders.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace lectorin_ocr {

namespace {

struct FileCloser {
  void operator()(std::FILE *file) const { (void)std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Leptonica's own complaints would repeat ours in words of its own.
void quiet_leptonica() {
  static bool done = false;
  if (!done) {
    setMsgSeverity(L_SEVERITY_NONE);
    done = true;
  }
}

enum class Kind { tiff, other };

// The kind of image by its first bytes. Telling a damaged TIFF from a file
// that is no image at all needs only the signature, which survives most
// damage; Leptonica's own guess fails for both alike.
Kind file_kind(const std::string &file) {
  // Some systems open a directory for reading and only fail the read.
  std::error_code ignored;
  if (std::filesystem::is_directory(file, ignored))
    throw std::runtime_error("is a directory, not an image file");
  FilePtr in(std::fopen(file.c_str(), "rb"));
  if (!in)
    throw std::runtime_error("cannot open the file");
  unsigned char head[12] = {};
  std::size_t size = std::fread(head, 1, sizeof head, in.get());
  if (size == 0)
    throw std::runtime_error("the file is empty");
  auto starts = [&](const char *signature, std::size_t length) {
    return size >= length && std::memcmp(head, signature, length) == 0;
  };
  // NOLINTNEXTLINE(bugprone-string-literal-with-embedded-nul): by length.
  if (starts("II*\0", 4) || starts("MM\0*", 4))
    return Kind::tiff;
  bool known =
      starts("\x89PNG", 4) || starts("\xFF\xD8\xFF", 3) || starts("BM", 2) ||
      (size >= 2 && head[0] == 'P' && head[1] >= '1' && head[1] <= '7');
  if (!known) {
    // Whatever else Leptonica reads (GIF, WebP, JPEG 2000) is welcome too.
    l_int32 format = IFF_UNKNOWN;
    if (findFileFormat(file.c_str(), &format) != 0 || format == IFF_UNKNOWN)
      throw std::runtime_error("not an image file this program reads "
                               "(PNG, TIFF, PNM, JPEG or BMP)");
  }
  return Kind::other;
}

} // namespace

int count_pages(const std::string &file) {
  quiet_leptonica();
  if (file_kind(file) != Kind::tiff)
    return 1;
  FilePtr in(std::fopen(file.c_str(), "rb"));
  if (!in)
    throw std::runtime_error("cannot open the file");
  l_int32 pages = 0;
  if (tiffGetCount(in.get(), &pages) != 0 || pages < 1)
    throw std::runtime_error("the TIFF file is damaged: it holds no readable "
                             "page");
  return pages;
}

LoadedPage load_page(const std::string &file, int page) {
  return page_from_pix(read_page_pix(file, page));
}

PixPtr read_page_pix(const std::string &file, int page) {
  quiet_leptonica();
  bool tiff = file_kind(file) == Kind::tiff;
  PixPtr pix(tiff ? pixReadTiff(file.c_str(), page) : pixRead(file.c_str()));
  if (!pix)
    throw std::runtime_error(tiff ? "the TIFF page is damaged and cannot be "
                                    "decoded"
                                  : "the image is damaged and cannot be "
                                    "decoded");
  if (pixGetWidth(pix.get()) <= 0 || pixGetHeight(pix.get()) <= 0)
    throw std::runtime_error("the image has no pixels");
  return normalise_pix(pix.get());
}

} // namespace lectorin_ocr
