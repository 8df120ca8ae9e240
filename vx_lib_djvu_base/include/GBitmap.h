//===- GBitmap.h - Run-length coded bitonal rows ---------------*- C++ -*-===//
//
// Bitonal page images travel as run-length coded rows. A coded image of
// width W and height H is its H rows one after another, with no gaps and no
// row markers. A row is a sequence of runs that starts white and alternates
// white, black, white, ...; its runs add up to exactly W. A run may be empty:
// an empty run keeps the alternation going.
//
// A run below 192 is one byte. Runs up to 16383 take two bytes, the first
// 0xC0 or more: length = ((first << 8) & 0x3FFF) | second. Longer runs are
// written as groups of 0xFF 0xFF 0x00 (16383 pixels and an empty run of the
// other colour) followed by the rest. A row of width 0 is one empty run, the
// byte 0.
//
// The operations below work on raw coded bytes and hand a new array to the
// caller's GRawBuffer, which takes it over (the old array is freed); the
// caller's buffer is changed only on success. Coded data is untrusted: every
// read stays inside the size given, and damaged data (a run past the width,
// rows ending early, a size that does not match) raises "GBitmap.lost_sync",
// or "GBitmap.lost_sync2" while indexing rows. Working memory above 4 GiB, or
// memory that cannot be had, raises "GException.outofmemory".
//
// Usage:
//   unsigned char *bytes = nullptr;
//   GRawBuffer coded(bytes, 0, 1);
//   size_t n = GBitmap::mirror_rows(coded, data, size, width, height);
//   // bytes now points at the n bytes of the mirrored image
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_GBITMAP_H
#define LECTORIN_BASE_GBITMAP_H

#include "GException.h"
#include "GRawBuffer.h"

#include <cstddef>
#include <cstdint>

namespace GBitmap {

/// The longest run one code holds.
constexpr uint32_t max_run = 0x3FFF;

/// Writes one run of length pixels at cursor and moves the cursor past it:
/// at most 3 * (length / 16383) + 2 bytes, and never more bytes than pixels
/// for a run of at least one pixel.
void append_run(unsigned char *&cursor, uint32_t length);

/// Reads coded runs and rows in order without ever passing the end of the
/// coded bytes.
class RowReader {
public:
  /// Reads data[0, size); damage raises lost_id, which must be static text.
  RowReader(const unsigned char *data, std::size_t size,
            const char *lost_id = "GBitmap.lost_sync") noexcept
      : start_(data), cursor_(data), end_(data + size), lost_id_(lost_id) {}

  /// The next run; raises when the coded bytes end inside it.
  uint32_t next_run();

  /// Reads one row of width pixels, calling visit(column, length, black) for
  /// each run in order. At least one run is read, so a row of width 0 is one
  /// (empty) run. Raises when a run goes past the width.
  template <class Visit> void read_row(uint32_t width, Visit &&visit) {
    uint32_t column = 0;
    bool black = false;
    do {
      uint32_t length = next_run();
      if (length > width - column)
        G_THROW(lost_id_);
      visit(column, length, black);
      column += length;
      black = !black;
    } while (column < width);
  }

  /// Skips one row of width pixels under the same checks as read_row.
  void skip_row(uint32_t width) {
    read_row(width, [](uint32_t, uint32_t, bool) {});
  }

  /// Coded bytes read so far.
  std::size_t offset() const noexcept {
    return static_cast<std::size_t>(cursor_ - start_);
  }

private:
  const unsigned char *start_;
  const unsigned char *cursor_;
  const unsigned char *end_;
  const char *lost_id_;
};

/// Records in row_starts[0, rows) the offset at which each coded row of
/// data[0, size) begins and returns the bytes the rows use. Raises
/// "GBitmap.lost_sync2" when a row's runs go past width or the data ends
/// inside a row.
std::size_t index_rows(uint32_t rows, uint32_t width, const unsigned char *data,
                       std::size_t size, std::size_t *row_starts);

/// The rows of data[0, size) in opposite order, into out; returns the coded
/// size, which is size. The rows must use exactly size bytes.
std::size_t reverse_rows(GRawBuffer &out, const unsigned char *data,
                         std::size_t size, uint32_t width, uint32_t height);

/// Each row of data[0, size) reversed left to right, into out; returns the
/// coded size, which may differ from size by empty runs. Every output row
/// again starts with a white run; trailing coded bytes are ignored.
std::size_t mirror_rows(GRawBuffer &out, const unsigned char *data,
                        std::size_t size, uint32_t width, uint32_t height);

/// The image of width height and height width whose rows are the columns of
/// data[0, size), into out; returns the coded size. Pixel p of every output
/// row comes from input row p; output row r is input column r when
/// direction is set, input column width - 1 - r when it is clear. Width 0
/// gives an empty result.
std::size_t transpose(GRawBuffer &out, const unsigned char *data,
                      std::size_t size, uint32_t width, uint32_t height,
                      bool direction);

} // namespace GBitmap

#endif // LECTORIN_BASE_GBITMAP_H
