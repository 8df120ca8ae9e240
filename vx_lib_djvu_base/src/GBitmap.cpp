//===- GBitmap.cpp - Run-length coded bitonal rows ------------------------===//

#include "GBitmap.h"

#include <cstring>

namespace {

const char lost_sync[] = "GBitmap.lost_sync";
const char lost_sync2[] = "GBitmap.lost_sync2";

// Working memory: malloc storage, so that a failure is the same
// "GException.outofmemory" on every build, and the result can be shrunk to
// its size without a copy.
class Bytes {
public:
  explicit Bytes(uint64_t count) : buffer_(bytes_, 0, 1, true) {
    // Nothing here may need more than the 32-bit sizes of a page descriptor.
    if (count > UINT32_MAX)
      G_THROW(GException::outofmemory);
    buffer_.resize(static_cast<std::size_t>(count), 1);
    if (count != 0 && bytes_ == nullptr)
      G_THROW(GException::outofmemory);
  }
  unsigned char *get() const noexcept { return bytes_; }
  GRawBuffer &buffer() noexcept { return buffer_; }

  // Shrinks to the count used and hands the array to out.
  std::size_t hand_to(GRawBuffer &out, std::size_t used) {
    if (used < buffer_.size())
      buffer_.resize(used, 1); // a failed shrink keeps the larger array
    out.swap(buffer_, 1, 1);
    return used;
  }

private:
  unsigned char *bytes_ = nullptr;
  GRawBuffer buffer_;
};

// An array of plain values that grows on demand, with the same failure rule.
template <class T> class Values {
public:
  explicit Values(uint64_t count) : buffer_(values_, 0, sizeof(T), true) {
    reserve(count);
  }
  T &operator[](std::size_t index) noexcept { return values_[index]; }
  // Makes room for count values; grows at least twofold, so that filling it
  // one value at a time stays linear.
  void reserve(uint64_t count) {
    if (count <= buffer_.size())
      return;
    uint64_t grown = 2 * static_cast<uint64_t>(buffer_.size());
    if (grown > count && grown <= UINT32_MAX / sizeof(T))
      count = grown;
    if (count > UINT32_MAX / sizeof(T) ||
        !buffer_.resize(static_cast<std::size_t>(count), sizeof(T)))
      G_THROW(GException::outofmemory);
  }

private:
  T *values_ = nullptr;
  GRawBuffer buffer_;
};

// Every coded row takes at least one byte: more rows than bytes cannot be
// valid, and saying so first keeps damaged input from sizing work buffers.
void check_row_count(uint32_t rows, std::size_t size, const char *lost_id) {
  if (rows > size)
    G_THROW(lost_id);
}

} // namespace

void GBitmap::append_run(unsigned char *&cursor, uint32_t length) {
  if (length > max_run) {
    uint32_t groups = (length - (max_run + 1)) / max_run + 1;
    for (uint32_t i = 0; i < groups; ++i) {
      *cursor++ = 0xFF;
      *cursor++ = 0xFF;
      *cursor++ = 0x00;
    }
    length -= groups * max_run;
  }
  if (length < 0xC0) {
    *cursor++ = static_cast<unsigned char>(length);
  } else {
    *cursor++ = static_cast<unsigned char>(0xC0 | (length >> 8));
    *cursor++ = static_cast<unsigned char>(length & 0xFF);
  }
}

uint32_t GBitmap::RowReader::next_run() {
  if (cursor_ >= end_)
    G_THROW(lost_id_);
  uint32_t first = *cursor_++;
  if (first < 0xC0)
    return first;
  if (cursor_ >= end_)
    G_THROW(lost_id_);
  return ((first << 8) & max_run) | *cursor_++;
}

std::size_t GBitmap::index_rows(uint32_t rows, uint32_t width,
                                const unsigned char *data, std::size_t size,
                                std::size_t *row_starts) {
  check_row_count(rows, size, lost_sync2);
  RowReader reader(data, size, lost_sync2);
  for (uint32_t row = 0; row < rows; ++row) {
    row_starts[row] = reader.offset();
    reader.skip_row(width);
  }
  return reader.offset();
}

std::size_t GBitmap::reverse_rows(GRawBuffer &out, const unsigned char *data,
                                  std::size_t size, uint32_t width,
                                  uint32_t height) {
  check_row_count(height, size, lost_sync);
  Bytes result(size);
  unsigned char *free_end = result.get() + size;
  RowReader reader(data, size);
  for (uint32_t row = 0; row < height; ++row) {
    std::size_t start = reader.offset();
    reader.skip_row(width);
    std::size_t length = reader.offset() - start;
    free_end -= length;
    std::memcpy(free_end, data + start, length);
  }
  if (reader.offset() != size)
    G_THROW(lost_sync);
  return result.hand_to(out, size);
}

std::size_t GBitmap::mirror_rows(GRawBuffer &out, const unsigned char *data,
                                 std::size_t size, uint32_t width,
                                 uint32_t height) {
  check_row_count(height, size, lost_sync);
  // Runs are re-coded no longer than they were read; a row grows by at most
  // the empty white run that makes it start white again.
  Bytes result(static_cast<uint64_t>(size) + height);
  unsigned char *cursor = result.get();
  Values<uint32_t> runs(64);
  RowReader reader(data, size);
  for (uint32_t row = 0; row < height; ++row) {
    // Collect the row's runs. An empty run inside the row is kept together
    // with the run after it, and two empty runs in a row cancel: either way
    // the colours of the runs that follow stay as they were.
    std::size_t count = 0;
    uint32_t open = width;
    bool pending_empty = false;
    reader.read_row(width, [&](uint32_t, uint32_t length, bool) {
      open -= length;
      if (pending_empty) {
        pending_empty = false;
        if (length == 0)
          return;
        runs.reserve(count + 2);
        runs[count++] = 0;
        runs[count++] = length;
        return;
      }
      if (length == 0 && open > 0) {
        pending_empty = true;
        return;
      }
      runs.reserve(count + 1);
      runs[count++] = length;
    });
    // An odd count ends with a white run, which starts the mirrored row; an
    // even count gets an empty one. (The last run is never empty here: empty
    // runs inside a row were paired or dropped above, and only a row of
    // width 0, a count of 1, ends with one.)
    if (count % 2 == 0) {
      runs.reserve(count + 1);
      runs[count++] = 0;
    }
    unsigned char *row_start = cursor;
    for (std::size_t k = count; k-- > 0;) {
      // The row's leading white run ends the mirrored row: when empty it
      // says nothing.
      if (k == 0 && runs[0] == 0)
        break;
      append_run(cursor, runs[k]);
    }
    if (cursor == row_start)
      append_run(cursor, 0); // a row of width 0
  }
  return result.hand_to(out, static_cast<std::size_t>(cursor - result.get()));
}

std::size_t GBitmap::transpose(GRawBuffer &out, const unsigned char *data,
                               std::size_t size, uint32_t width,
                               uint32_t height, bool direction) {
  check_row_count(height, size, lost_sync);
  // Output row r holds height pixels, which code in at most height + 1
  // bytes: each run takes no more bytes than pixels, plus a leading empty
  // white run. Row r is written in its own area of that size.
  uint64_t area = static_cast<uint64_t>(height) + 1;
  Bytes result(area * width);
  Values<uint32_t> cursor(width);     // write offset inside the area
  Values<uint32_t> length(width);     // length of the area's current run
  Values<unsigned char> black(width); // colour of that run
  for (uint32_t r = 0; r < width; ++r) {
    cursor[r] = 0;
    length[r] = 0;
    black[r] = 0;
  }
  unsigned char *areas = result.get();
  RowReader reader(data, size);
  for (uint32_t row = 0; row < height; ++row) {
    reader.read_row(width, [&](uint32_t column, uint32_t run, bool is_black) {
      unsigned char colour = is_black ? 1 : 0;
      for (uint32_t c = column; c < column + run; ++c) {
        uint32_t r = direction ? c : width - 1 - c;
        if (black[r] == colour) {
          ++length[r];
          continue;
        }
        unsigned char *at =
            areas + static_cast<std::size_t>(r * area) + cursor[r];
        unsigned char *next = at;
        append_run(next, length[r]);
        cursor[r] += static_cast<uint32_t>(next - at);
        black[r] = colour;
        length[r] = 1;
      }
    });
  }
  // Close every area's last run and pack the areas, row 0 first. Each area
  // moves towards the start, never over one not yet moved.
  unsigned char *packed = areas;
  for (uint32_t r = 0; r < width; ++r) {
    unsigned char *at = areas + static_cast<std::size_t>(r * area);
    unsigned char *end = at + cursor[r];
    append_run(end, length[r]);
    std::size_t bytes = static_cast<std::size_t>(end - at);
    std::memmove(packed, at, bytes);
    packed += bytes;
  }
  return result.hand_to(out, static_cast<std::size_t>(packed - areas));
}
