// Run-length coded rows: exact codes, round trips of pixels through every
// operation, and damaged data that must be caught, never read past.

#include "GBitmap.h"

#include "test_util.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using Pixels = std::vector<unsigned char>; // 1 = black, row after row

Bytes code_of(uint32_t length) {
  unsigned char buffer[64];
  unsigned char *cursor = buffer;
  GBitmap::append_run(cursor, length);
  return Bytes(buffer, cursor);
}

// Codes pixels with append_run, rows of width w.
Bytes encode(const Pixels &pixels, uint32_t w, uint32_t h) {
  Bytes out(static_cast<std::size_t>(h) * (w + 1) + 16);
  unsigned char *cursor = out.data();
  for (uint32_t y = 0; y < h; ++y) {
    unsigned char colour = 0;
    uint32_t run = 0;
    for (uint32_t x = 0; x < w; ++x) {
      if (pixels[y * w + x] == colour) {
        ++run;
        continue;
      }
      GBitmap::append_run(cursor, run);
      colour ^= 1;
      run = 1;
    }
    GBitmap::append_run(cursor, run);
  }
  out.resize(static_cast<std::size_t>(cursor - out.data()));
  return out;
}

// An independent decoder: fails the test on any inconsistency.
Pixels decode(const Bytes &coded, uint32_t w, uint32_t h) {
  Pixels pixels;
  std::size_t at = 0;
  for (uint32_t y = 0; y < h; ++y) {
    uint64_t filled = 0;
    unsigned char colour = 0;
    do {
      EXPECT_LT(at, coded.size());
      if (at >= coded.size())
        return {};
      uint32_t run = coded[at++];
      if (run >= 0xC0)
        run = ((run & 0x3F) << 8) | coded.at(at++);
      filled += run;
      pixels.insert(pixels.end(), run, colour);
      colour ^= 1;
    } while (filled < w);
    EXPECT_EQ(filled, w) << "row " << y;
  }
  EXPECT_EQ(at, coded.size());
  return pixels;
}

uint32_t next_random(uint32_t &state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

// Pixels in runs of varied length, some long enough for two-byte codes.
Pixels random_pixels(uint32_t w, uint32_t h, uint32_t seed) {
  Pixels pixels(static_cast<std::size_t>(w) * h);
  unsigned char colour = static_cast<unsigned char>(seed & 1);
  uint32_t left = 0;
  for (auto &p : pixels) {
    if (left == 0) {
      uint32_t r = next_random(seed);
      left = r % 8 == 0 ? r % 700 + 1 : r % 5 + 1;
      colour ^= 1;
    }
    p = colour;
    --left;
  }
  return pixels;
}

// What an operation hands to the caller's array.
struct Result {
  unsigned char *bytes = nullptr;
  GRawBuffer buffer{bytes, 0, 1};
  Bytes get(std::size_t n) const { return Bytes(bytes, bytes + n); }
};

TEST(GBitmapAppendRun, CodesAtEveryLengthBoundary) {
  EXPECT_EQ(code_of(0), Bytes({0x00}));
  EXPECT_EQ(code_of(191), Bytes({0xBF}));
  EXPECT_EQ(code_of(192), Bytes({0xC0, 0xC0}));
  EXPECT_EQ(code_of(16383), Bytes({0xFF, 0xFF}));
  EXPECT_EQ(code_of(16384), Bytes({0xFF, 0xFF, 0x00, 0x01}));
  // Exactly two full runs: one group, then 16383 as the rest.
  EXPECT_EQ(code_of(32766), Bytes({0xFF, 0xFF, 0x00, 0xFF, 0xFF}));
  EXPECT_EQ(code_of(32767), Bytes({0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0x01}));
}

TEST(GBitmapIndexRows, RecordsRowStartsAndNeverReadsPastTheData) {
  const unsigned char coded[] = {3, 4, 3, 0, 10, 0xC0, 0x0A};
  std::size_t starts[3] = {};
  EXPECT_EQ(GBitmap::index_rows(3, 10, coded, sizeof coded, starts), 7u);
  EXPECT_EQ(starts[1], 3u);
  EXPECT_EQ(starts[2], 5u);
  const unsigned char over[] = {5, 6};
  EXPECT_EQ(raised_id([&] { GBitmap::index_rows(1, 10, over, 2, starts); }),
            "GBitmap.lost_sync2");
  // The data ends inside a two-byte code.
  EXPECT_EQ(raised_id([&] { GBitmap::index_rows(3, 10, coded, 6, starts); }),
            "GBitmap.lost_sync2");
}

// Random images go through every operation in the page-image tests; here
// are the exact bytes and the damage.

TEST(GBitmapReverseRows, RowsMustUseExactlyTheCodedSize) {
  Result out;
  const unsigned char one_row[] = {0xC1, 0x00, 4, 0xC0, 0x10};
  std::size_t n = GBitmap::reverse_rows(out.buffer, one_row, sizeof one_row,
                                        256 + 4 + 16, 1);
  EXPECT_EQ(out.get(n), Bytes(one_row, one_row + sizeof one_row));
  const unsigned char coded[] = {4, 6, 10, 0};
  const unsigned char *before = out.bytes;
  EXPECT_EQ(
      raised_id([&] { GBitmap::reverse_rows(out.buffer, coded, 4, 10, 2); }),
      "GBitmap.lost_sync");
  EXPECT_EQ(out.bytes, before); // unchanged on failure
  EXPECT_EQ(out.get(n), Bytes(one_row, one_row + sizeof one_row));
  const unsigned char over[] = {5, 6};
  EXPECT_EQ(raised_id([&] {
              GBitmap::reverse_rows(out.buffer, over, sizeof over, 10, 1);
            }),
            "GBitmap.lost_sync");
}

TEST(GBitmapMirrorRows, MirrorsTheSmallCases) {
  Result out;
  const unsigned char symmetric[] = {3, 4, 3};
  std::size_t n = GBitmap::mirror_rows(out.buffer, symmetric, 3, 10, 1);
  EXPECT_EQ(out.get(n), Bytes({3, 4, 3}));
  const unsigned char ends_black[] = {2, 8};
  n = GBitmap::mirror_rows(out.buffer, ends_black, 2, 10, 1);
  EXPECT_EQ(out.get(n), Bytes({0, 8, 2}));
  const unsigned char starts_black[] = {0, 5};
  n = GBitmap::mirror_rows(out.buffer, starts_black, 2, 5, 1);
  EXPECT_EQ(out.get(n), Bytes({0, 5}));
  // Empty runs inside a row keep the colours of what follows.
  const unsigned char inner_empty[] = {3, 0, 2, 0, 0, 1, 4};
  n = GBitmap::mirror_rows(out.buffer, inner_empty, sizeof inner_empty, 10, 1);
  EXPECT_EQ(decode(out.get(n), 10, 1), Pixels({0, 0, 0, 0, 1, 0, 0, 0, 0, 0}));
  const unsigned char empty_rows[] = {0, 0};
  n = GBitmap::mirror_rows(out.buffer, empty_rows, 2, 0, 2);
  EXPECT_EQ(out.get(n), Bytes({0, 0}));
  // Runs longer than one code: the empty runs that split them stay paired
  // with the rest, so the colours after them keep their order.
  const uint32_t wide = 40000;
  Pixels pixels(wide, 0);
  std::fill(pixels.begin() + 17000, pixels.begin() + 37001, 1);
  Bytes coded = encode(pixels, wide, 1);
  n = GBitmap::mirror_rows(out.buffer, coded.data(), coded.size(), wide, 1);
  EXPECT_EQ(decode(out.get(n), wide, 1),
            Pixels(pixels.rbegin(), pixels.rend()));
}

TEST(GBitmapMirrorRows, OvershootIsLostSync) {
  const unsigned char over[] = {5, 6};
  Result out;
  EXPECT_EQ(
      raised_id([&] { GBitmap::mirror_rows(out.buffer, over, 2, 10, 1); }),
      "GBitmap.lost_sync");
}

TEST(GBitmapTranspose, TwoByTwoInBothDirections) {
  // Rows white-black and black-black.
  const unsigned char coded[] = {1, 1, 0, 2};
  Result out;
  std::size_t n = GBitmap::transpose(out.buffer, coded, 4, 2, 2, true);
  EXPECT_EQ(out.get(n), Bytes({1, 1, 0, 2}));
  n = GBitmap::transpose(out.buffer, coded, 4, 2, 2, false);
  EXPECT_EQ(out.get(n), Bytes({0, 2, 1, 1}));
}

TEST(GBitmapTranspose, OutputRowsAreInputColumns) {
  const uint32_t w = 61, h = 300; // output rows of 300 need two-byte runs
  Pixels pixels = random_pixels(w, h, 1234);
  for (uint32_t y = 0; y < h; ++y)
    pixels[y * w + 5] = 1; // one all-black column: a single long run
  Bytes coded = encode(pixels, w, h);
  for (bool direction : {true, false}) {
    Result out;
    std::size_t n = GBitmap::transpose(out.buffer, coded.data(), coded.size(),
                                       w, h, direction);
    Pixels expected(pixels.size());
    for (uint32_t r = 0; r < w; ++r)
      for (uint32_t p = 0; p < h; ++p)
        expected[r * h + p] = pixels[p * w + (direction ? r : w - 1 - r)];
    EXPECT_EQ(decode(out.get(n), h, w), expected) << direction;
  }
}

TEST(GBitmapTranspose, LongColumnsAreSplitIntoLongRuns) {
  const uint32_t h = 20000;
  Bytes coded(h, 1); // one white pixel per row
  Result out;
  std::size_t n = GBitmap::transpose(out.buffer, coded.data(), h, 1, h, true);
  EXPECT_EQ(out.get(n), Bytes({0xFF, 0xFF, 0x00, 0xCE, 0x21}));
}

TEST(GBitmapTranspose, EmptyImages) {
  Result out;
  const unsigned char rows_of_nothing[] = {0, 0, 0};
  EXPECT_EQ(GBitmap::transpose(out.buffer, rows_of_nothing, 3, 0, 3, true), 0u);
  std::size_t n = GBitmap::transpose(out.buffer, nullptr, 0, 4, 0, true);
  EXPECT_EQ(out.get(n), Bytes({0, 0, 0, 0})); // four rows of width 0
}

TEST(GBitmapTranspose, DamagedRowsAreLostSync) {
  Result out;
  const unsigned char over[] = {5, 6};
  EXPECT_EQ(
      raised_id([&] { GBitmap::transpose(out.buffer, over, 2, 10, 1, true); }),
      "GBitmap.lost_sync");
  const unsigned char short_data[] = {5, 5, 5};
  EXPECT_EQ(raised_id([&] {
              GBitmap::transpose(out.buffer, short_data, 3, 10, 2, false);
            }),
            "GBitmap.lost_sync");
  // More rows than bytes is rejected before any memory is sized from it.
  EXPECT_EQ(raised_id([&] {
              GBitmap::transpose(out.buffer, short_data, 3, 0xFFFFFFFFu, 4,
                                 true);
            }),
            "GBitmap.lost_sync");
}

TEST(GBitmapTranspose, WorkAreasAbove4GiBAreOutOfMemory) {
  // A white row 70000 wide, 70000 times: about 1 MB coded, but its
  // transposition needs 70000 areas of 70001 bytes.
  const uint32_t side = 70000;
  Bytes row = code_of(side);
  Bytes coded;
  for (uint32_t i = 0; i < side; ++i)
    coded.insert(coded.end(), row.begin(), row.end());
  Result out;
  EXPECT_EQ(raised_id([&] {
              GBitmap::transpose(out.buffer, coded.data(), coded.size(), side,
                                 side, true);
            }),
            GException::outofmemory);
}

} // namespace
