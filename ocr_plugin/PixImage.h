//===- PixImage.h - The page image: descriptor, owner, operations -*- C++ -*-//
//
// The editor hands each page in as a PixImageDesc: twelve fields that point
// at pixel memory the editor owns. The plug-in checks it, makes its own 8-bit
// gray copy, brings that to the engine's resolution, lays it out the way the
// engine reads it and feeds it to the engine row by row.
//
// Descriptors are untrusted. Validation evaluates every bound on offsets from
// the buffer start in 64-bit arithmetic, so no field combination that wraps
// a 32-bit sum passes; run-length rows are decoded without reading past the
// coded bytes; every allocation size is checked, and anything above the
// 32-bit buffer-size field is "GException.outofmemory".
//
// Orientation. Displayed row i, column j (what the page looks like) comes
// from stored pixel (x, y), the byte at data + y * row_step + x * pixel_step;
// with W, H the stored width and height:
//
//   code  x          y          a displayed row is
//   0     j          i          stored row i, left to right
//   1     j          H-1-i      stored rows bottom-up
//   2     W-1-j      i          each row right to left
//   3     W-1-j      H-1-i      turned by 180 degrees
//   4     i          H-1-j      stored column i, bottom to top
//   5     i          j          stored column i, top to bottom
//   6     W-1-i      H-1-j      stored column W-1-i, bottom to top
//   7     W-1-i      j          stored column W-1-i, top to bottom
//
// With bit 2 set the displayed width is the stored height (and the other way
// round), and the x and y resolutions swap roles the same way.
//
// The recognition run uses the C-level entries at the end; each builds a
// PixImage, runs one operation and turns a GException into its identifier in
// the caller's error buffer.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_OCR_PLUGIN_PIXIMAGE_H
#define LECTORIN_OCR_PLUGIN_PIXIMAGE_H

#include "GRawBuffer.h"
#include "GSmartPointer.h"

#include <cstddef>
#include <cstdint>

class PixBuffer;

extern "C" {

/// Pixel formats of PixImageDesc::type.
enum : int32_t {
  /// Run-length coded rows (GBitmap.h); pixel and row step are 0 and the
  /// buffer size is the number of coded bytes.
  TYPE_BITONAL = 0,
  /// One byte per pixel, 0 black to 255 white; in wider pixels the first
  /// byte is the gray value.
  TYPE_GRAY = 1,
  /// Red, green, blue in the first three bytes of each pixel.
  TYPE_RGB = 2,
  /// Blue, green, red in the first three bytes of each pixel.
  TYPE_BGR = 3,
};

/// The page-image descriptor. A fresh one (pix_new_desc) has type -1 and
/// every other field 0.
struct PixImageDesc {
  int32_t type;          ///< TYPE_..., or -1 for none
  uint32_t orientation;  ///< 0 to 7, see the table above
  uint32_t width;        ///< stored pixels per row
  uint32_t height;       ///< stored rows
  uint32_t pixel_step;   ///< bytes from one pixel to the next (0 for bitonal)
  uint32_t row_step;     ///< bytes from one stored row to the next
  uint32_t buffer_size;  ///< bytes available from buffer
  uint32_t x_resolution; ///< dots per inch along stored rows
  uint32_t y_resolution; ///< dots per inch along stored columns
  unsigned char *data;   ///< first byte of stored row 0
  unsigned char *buffer; ///< start of the pixel memory; data >= buffer
  PixBuffer *owner;      ///< owner of the memory, or null for the editor's
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(PixImageDesc) == 48,
              "the editor hands in twelve 32-bit fields");
static_assert(offsetof(PixImageDesc, buffer_size) == 24 &&
                  offsetof(PixImageDesc, data) == 36 &&
                  offsetof(PixImageDesc, owner) == 44,
              "in the editor's order");
#endif

} // extern "C"

/// The owner of a descriptor's pixel memory: a malloc'ed byte array that it
/// keeps data and buffer pointing at. It records the descriptor it belongs
/// to; that descriptor's owner field names it. Owners live on the heap and
/// are deleted, not shared.
class PixBuffer {
public:
  /// Gives desc an owner with bytes new bytes (none for 0): data and buffer
  /// point at them, buffer_size is bytes. Desc's old memory is not freed; it
  /// must have no owner. Raises "GException.outofmemory".
  static PixBuffer *create(PixImageDesc &desc, uint32_t bytes);
  /// Like create, but takes over the array that bytes holds (of at most
  /// 2^32 - 1 elements of one byte) without copying; bytes ends up empty.
  static PixBuffer *adopt(PixImageDesc &desc, GRawBuffer &bytes);

  /// Frees the memory and, when the descriptor still names this owner,
  /// clears its data, buffer, buffer size and owner.
  ~PixBuffer();
  PixBuffer(const PixBuffer &) = delete;
  PixBuffer &operator=(const PixBuffer &) = delete;

  /// Moves the pixels to the start of the memory (when data is not there),
  /// then makes it bytes long, keeping what fits, and updates data, buffer
  /// and buffer_size. Raises "GException.outofmemory"; the memory is then
  /// as before, with the pixels at its start.
  void resize(uint32_t bytes);

  /// Copies all twelve fields of the descriptor to target, which this owner
  /// then belongs to; the old descriptor's owner field is cleared. Whatever
  /// target owned before is the caller's to free first.
  void move_to(PixImageDesc &target) noexcept;

  /// The descriptor this owner belongs to.
  PixImageDesc *descriptor() const noexcept { return desc_; }

private:
  explicit PixBuffer(PixImageDesc &desc) noexcept;

  PixImageDesc *desc_;
  unsigned char *bytes_ = nullptr;
  GRawBuffer store_;
};

/// The page image at work on one descriptor.
///
/// In copy mode the image works on a copy of the caller's descriptor and
/// never writes the caller's pixels: the first operation that changes pixels
/// first copies them into memory of its own (materialising). In in-place
/// mode every operation rewrites the caller's descriptor and, where memory
/// must grow, its owner.
class PixImage : public GPEnabled {
public:
  struct InPlace {};
  static constexpr InPlace in_place{};

  /// Copy mode; validates source and raises what validate() raises.
  explicit PixImage(const PixImageDesc &source);
  /// In-place mode on desc; validates it.
  PixImage(PixImageDesc &desc, InPlace);
  /// Frees memory that the working copy owns. In in-place mode a gray or
  /// colour image that uses fewer bytes (row step * height) than its buffer
  /// size is moved to the buffer start and its owner shrunk to those bytes.
  ~PixImage() override;
  PixImage(const PixImage &) = delete;
  PixImage &operator=(const PixImage &) = delete;

  /// The descriptor the image works on: the caller's in in-place mode, the
  /// working copy in copy mode.
  const PixImageDesc &desc() const noexcept { return *active_; }

  /// Raises the first failing check, in this order: "PixImage.data_size"
  /// (buffer after data, or data without a buffer),
  /// "PixImage.bad_orient" (orientation above 7), by
  /// type: bitonal "PixImage.bad_datasize" (buffer size below height); gray
  /// "PixImage.bad_gray_size" (pixel step 0), "PixImage.bad_rowsize" (row
  /// step below pixel step * width), "PixImage.bad_datasize2" (last row past
  /// the end of the memory); colour "PixImage.bad_color_size" (pixel step
  /// below 3), "PixImage.bad_rowsize", "PixImage.bad_datasize3"; any other
  /// type "PixImage.unrecog_type"; then "PixImage.no_image_data" (width and
  /// height non-zero, data null), and "PixImage.data_size" again for a
  /// buffer size without a buffer.
  void validate() const;

  /// Turns the orientation code by angle degrees, a quarter turn for each
  /// 90 degrees past 45 (-45 to 45 turns nothing); pixels do not move.
  void rotate_orientation(int32_t angle) noexcept;

  /// Makes a colour or bitonal image 8-bit gray; a gray image is left
  /// alone. Colour converts in place into packed rows (gray = (77 R + 151 G
  /// + 29 B) >> 8); bitonal decodes to the displayed image stored bottom-up
  /// (orientation 1), which needs width * height bytes: a caller's memory
  /// without owner that is smaller raises "GException.outofmemory".
  /// Damaged coded rows raise "GBitmap.lost_sync".
  void to_gray();

  /// Codes a gray or colour image as bitonal rows of the displayed image
  /// (orientation 0): white where gray >= threshold. A threshold whose low
  /// byte is 0 means auto_threshold(). A bitonal image is left alone. A
  /// caller's memory without owner must hold the coded bytes.
  void to_bitonal(uint32_t threshold);

  /// The threshold between the two main clusters of the gray histogram of a
  /// gray or colour image; 128 for an image without pixels.
  uint32_t auto_threshold() const;

  /// Brings the pixels into a normal layout: packed rows at the buffer start
  /// with orientation 0 or 1 (bitonal: orientation 0), colour as BGR when
  /// its pixel step was above 3. The strict form is the engine's layout:
  /// orientation 1 (bitonal 0), gray pixel step 1, colour as BGR.
  void normalize(bool strict);

  /// Makes the buffer at least bytes long: an owner is resized; a caller's
  /// memory without owner raises "GException.outofmemory"; an image without
  /// memory gets an owner of bytes new bytes.
  void ensure_size(uint32_t bytes);

  /// Copy mode: hands the image out as a new descriptor (free it with
  /// pix_free) that owns its memory, materialising first when needed. The
  /// image goes on describing the same pixels without owning them.
  PixImageDesc *detach();

  /// Gives the image displayed width and height: integer box reductions
  /// first, then stretches of one axis at a time, worked in memory grown to
  /// the largest intermediate image. The displayed result does not depend on
  /// the orientation the pixels are stored in. A bitonal image is worked as
  /// gray and coded back at threshold 128. A width or height of 0 drops the
  /// pixels; an image without pixels given a size becomes white. The same
  /// size does nothing. Raises "GException.outofmemory", also when a
  /// caller's memory without owner is too small; the descriptor is then
  /// still valid and keeps its owner.
  void resize(uint32_t width, uint32_t height);

  /// Reduces both axes by factor: each output pixel is the truncated mean of
  /// a factor x factor block of stored pixels, smaller at the right and
  /// bottom edges. Works in place on stored rows and keeps both steps; the
  /// resolutions are divided by factor, halves rounded up. Factor 1 does
  /// nothing; 0, and any factor on a bitonal image, raise
  /// "PixImage.bad_subsample".
  void subsample(uint32_t factor);

  /// Makes the stored width n: each row is averaged or upsampled by
  /// whole factors, then interpolated to the width; the x resolution
  /// follows. Grows the memory when the rows get longer. Needs packed rows at
  /// the buffer start, orientation 0 or 1 and a stored width above 0, else
  /// "PixImage.bad_hstretchraw" (always for bitonal images). 0 or the
  /// current width does nothing.
  void stretch_width(uint32_t n);

  /// Makes the displayed height n by a quarter turn, a width stretch
  /// and the turn back; the pixels move as normalize(false) moves them. 0,
  /// the current height or a bitonal image do nothing.
  void stretch_height(uint32_t n);

  /// Writes ceil(n / factor) pixels: each block of factor source pixels
  /// becomes its truncated mean, a last shorter block the mean of what is
  /// left. Pixels lie source_step and target_step bytes apart and have three
  /// channels, one when either step is below 3. Factor 0 raises
  /// "PixImage.bad_subsample".
  static void average_row(uint32_t factor, const unsigned char *source,
                          uint32_t source_step, unsigned char *target,
                          uint32_t target_step, uint32_t n);

  /// Writes n * factor pixels: each source pixel becomes factor pixels that
  /// add up to factor times its value, shaped by its neighbours for factors
  /// 2 and 3 and repeated otherwise; a pixel whose shaped values leave 0 to
  /// 255, and the only pixel of a row of one, is repeated. Factor 1 with
  /// equal steps copies n * step bytes. Channels as for average_row; target
  /// and source must not overlap. A factor or step of 0 raises
  /// "PixImage.bad_upsample".
  static void upsample_row(uint32_t n, unsigned char *target,
                           const unsigned char *source, uint32_t target_step,
                           uint32_t source_step, uint32_t factor);

private:
  // Copies the caller's pixels into memory of the working copy's own, in
  // the strict layout, when a copy is still pending.
  void materialise();

  // Puts fresh's pixels in the image: adopted by the working copy while a
  // copy is pending, else as replace_pixels puts them.
  void take_pixels(PixImageDesc &fresh);

  // Resize where no pixel is computed: to a width or height of 0, or from an
  // image without pixels.
  void resize_without_pixels(uint32_t width, uint32_t height);

  // The reductions and stretches of resize to the displayed size A by B, on
  // a gray or colour image in memory large enough for every intermediate
  // size.
  void reduce_and_stretch(uint32_t A, uint32_t B);

  // stretch_width by the displayed width, after the non-strict normalize.
  void stretch_displayed_width(uint32_t n);

  PixImageDesc working_;
  PixImageDesc *active_;
  bool copy_pending_;
};

extern "C" {

/// Validates the editor's descriptor and returns the plug-in's own copy as
/// 8-bit gray, packed and stored bottom-up (orientation 1), in memory the new
/// descriptor owns; the editor's pixels are never written. On failure
/// returns null with the identifier in error (see below).
///
/// Error buffers, here and below: when error_size is not 0 the first byte
/// is set to 0 first, and a failure's identifier is copied whole when
/// shorter than error_size, else cut to error_size - 1 bytes; always
/// terminated. A null descriptor returns null and leaves error untouched.
PixImageDesc *pix_to_gray_copy(const PixImageDesc *desc, char *error,
                               std::size_t error_size);

/// Resamples desc in place to the displayed width and height; returns desc,
/// or null on failure.
PixImageDesc *pix_resize(PixImageDesc *desc, uint32_t width, uint32_t height,
                         char *error, std::size_t error_size);

/// Lays desc out in place in the engine's layout (strict normalize): packed
/// rows stored bottom-up; returns desc, or null on failure.
PixImageDesc *pix_prepare_for_engine(PixImageDesc *desc, char *error,
                                     std::size_t error_size);

/// The displayed row `row` of a gray or colour descriptor: *start is its
/// first pixel, *end the address one step past its last, and the result the
/// step in bytes between successive pixels (negative when the row runs
/// backwards through memory). The row has displayed-width pixels; walk them
/// by count, since end may lie before the memory and must only be compared.
/// A bitonal descriptor, a null one, a row past the displayed height or a
/// displayed width of 0 give 0 and null start and end.
int64_t pix_row_span(const PixImageDesc *desc, uint32_t row,
                     const unsigned char **start, const unsigned char **end);

/// Frees a descriptor made by the plug-in and the memory it owns; null does
/// nothing. Never for the editor's descriptors.
void pix_free(PixImageDesc *desc);

/// A new descriptor with type -1 and every other field 0, or null when it
/// cannot be allocated.
PixImageDesc *pix_new_desc();

} // extern "C"

#endif // LECTORIN_OCR_PLUGIN_PIXIMAGE_H
