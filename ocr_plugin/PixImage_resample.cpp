//===- PixImage_resample.cpp - Bringing an image to another size ----------===//
//
// resize plans the work: integer box reductions first, so that a large
// reduction never interpolates between distant pixels, then a stretch of
// each axis that still differs. Everything happens in the image's own
// memory, grown once, before any pixel moves, to the largest image the plan
// passes through: when one axis grows while the other shrinks, the growing
// one goes first and the intermediate image is larger than both ends.
//
// Before the plan the pixels are laid out as the engine reads them (packed,
// stored bottom-up). Box blocks start at the first stored pixel and a height
// stretch interpolates along the stored columns, so on other layouts the
// same page would come out slightly different for each way it is stored;
// the gray copy every recognition resizes is in that layout already.
//
//===----------------------------------------------------------------------===//

#include "PixImage.h"

#include "GBitmap.h"
#include "GException.h"
#include "PixImageInternal.h"

#include <cstring>

using namespace pix;

namespace {

// Keeps the owner of the image's memory out of the descriptor while the
// pixels are reworked in that memory, grown to size beforehand: no step may
// free, move or shrink it meanwhile. It goes back when the work ends, on
// failure too, so that no memory is lost.
class OwnerSetAside {
public:
  explicit OwnerSetAside(PixImageDesc &d)
      : d_(d), owner_(owns_memory(d) ? d.owner : nullptr) {
    if (owner_ != nullptr)
      d_.owner = nullptr;
  }
  ~OwnerSetAside() { give_back(); }
  OwnerSetAside(const OwnerSetAside &) = delete;
  OwnerSetAside &operator=(const OwnerSetAside &) = delete;

  void give_back() noexcept {
    if (owner_ != nullptr)
      d_.owner = owner_;
    owner_ = nullptr;
  }

private:
  PixImageDesc &d_;
  PixBuffer *owner_;
};

uint32_t larger(uint32_t a, uint32_t b) { return a > b ? a : b; }

// `rows` coded rows of `width` white pixels, into a fresh descriptor.
void code_white_rows(PixImageDesc &target, uint32_t width, uint32_t rows) {
  ScratchArray<unsigned char> one_row(3 * uint64_t{width / 16383} + 2);
  unsigned char *end = one_row.get();
  GBitmap::append_run(end, width); // a single 0 for a row of no pixels
  const std::size_t row_bytes = static_cast<std::size_t>(end - one_row.get());
  make_memory(target, uint64_t{row_bytes} * rows);
  for (uint32_t r = 0; r < rows; ++r)
    std::memcpy(target.data + std::size_t{r} * row_bytes, one_row.get(),
                row_bytes);
}

} // namespace

void PixImage::resize(uint32_t width, uint32_t height) {
  if (displayed_width(*active_) == width &&
      displayed_height(*active_) == height)
    return;
  const PixImageDesc &start = *active_;
  if (width == 0 || height == 0 || start.width == 0 || start.height == 0) {
    resize_without_pixels(width, height);
    return;
  }
  const bool bitonal = start.type == TYPE_BITONAL;
  if (bitonal)
    to_gray(); // from a pending copy, straight from the caller's rows
  materialise();
  PixImageDesc &d = *active_;
  const uint32_t channels = d.type == TYPE_GRAY ? 1 : 3;
  ensure_size(buffer_bytes(channels, larger(displayed_width(d), width),
                           larger(displayed_height(d), height)));
  {
    OwnerSetAside aside(d);
    normalize(true);
    reduce_and_stretch(width, height);
  }
  if (bitonal)
    to_bitonal(128);
}

void PixImage::reduce_and_stretch(uint32_t A, uint32_t B) {
  uint32_t W = displayed_width(*active_);
  uint32_t H = displayed_height(*active_);
  // A whole factor that gives exactly the size asked for.
  if (A > 1) {
    const uint32_t f = (W - 1) / (A - 1);
    if (f > 1 && (W - 1) / f == A - 1 && (H - 1) / f == B - 1) {
      subsample(f);
      return;
    }
  }
  // The largest whole factor that keeps both axes at or above the size.
  const uint32_t common = larger(1, W / A < H / B ? W / A : H / B);
  if (common > 1) {
    subsample(common);
    W = displayed_width(*active_);
    H = displayed_height(*active_);
  }
  if (W > A && H < B) {
    stretch_height(B);
    stretch_displayed_width(A);
    return;
  }
  stretch_displayed_width(A);
  stretch_height(B);
}

void PixImage::stretch_displayed_width(uint32_t n) {
  const PixImageDesc &d = *active_;
  if (n == 0 || n == displayed_width(d) || d.type == TYPE_BITONAL)
    return;
  normalize(false);
  stretch_width(n);
}

void PixImage::resize_without_pixels(uint32_t width, uint32_t height) {
  PixImageDesc &d = *active_;
  // Width and height are the displayed ones.
  const uint32_t stored_width = is_transposed(d) ? height : width;
  const uint32_t stored_height = is_transposed(d) ? width : height;
  if (d.type == TYPE_BITONAL && stored_height != 0) {
    // Coded rows must exist, one per stored row even when it has no pixels,
    // or the descriptor would no longer pass validation.
    ScratchDesc white;
    white.desc = d;
    white.desc.owner = nullptr;
    white.desc.width = stored_width;
    white.desc.height = stored_height;
    code_white_rows(white.desc, stored_width, stored_height);
    take_pixels(white.desc);
    return;
  }
  if (width == 0 || height == 0) {
    // Nothing to keep: the memory goes (only the owner's is freed; a
    // caller's stays the caller's), and so does a pending copy.
    const uint32_t row_step =
        buffer_bytes(uint64_t{d.pixel_step} * stored_width);
    if (owns_memory(d))
      delete d.owner;
    d.owner = nullptr;
    d.data = d.buffer = nullptr;
    d.buffer_size = 0;
    copy_pending_ = false;
    d.width = stored_width;
    d.height = stored_height;
    d.row_step = row_step;
    return;
  }
  // A gray or colour image without pixels gets white ones, in memory of its
  // own in copy mode (materialising an empty image only lets go of the
  // caller's, and may change the orientation).
  materialise();
  const uint32_t step = d.type == TYPE_GRAY ? 1 : 3;
  ensure_size(buffer_bytes(step, width, height));
  d.data = d.buffer;
  d.width = is_transposed(d) ? height : width;
  d.height = is_transposed(d) ? width : height;
  d.pixel_step = step;
  d.row_step = step * d.width;
  std::memset(d.data, 255, std::size_t{d.row_step} * d.height);
}
