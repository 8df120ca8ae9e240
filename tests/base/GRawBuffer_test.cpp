// The raw buffer: contents survive resizing, sizes never wrap, and a null
// array always has a count of 0.

#include "GRawBuffer.h"

#include "test_util.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

class GRawBufferStorage : public testing::TestWithParam<bool> {};

TEST_P(GRawBufferStorage, ResizeKeepsTheLeadingElements) {
  int32_t *numbers = nullptr;
  GRawBuffer buffer(numbers, 4, sizeof(int32_t), GetParam());
  for (int32_t i = 0; i < 4; ++i)
    numbers[i] = i * 11;
  ASSERT_TRUE(buffer.resize(1000, sizeof(int32_t)));
  EXPECT_EQ(buffer.size(), 1000u);
  EXPECT_EQ(numbers[3], 33);
  numbers[999] = 7; // the whole new size is ours (checked under ASan)
  ASSERT_TRUE(buffer.resize(2, sizeof(int32_t)));
  EXPECT_EQ(numbers[0], 0);
  EXPECT_EQ(numbers[1], 11);
  buffer.fill(sizeof(int32_t), 0xff);
  EXPECT_EQ(numbers[1], -1);
}

TEST_P(GRawBufferStorage, EmptyMeansNullWithCountZero) {
  static char sentinel;
  char *bytes = &sentinel; // anything but null
  GRawBuffer buffer(bytes, 0, 1, GetParam());
  EXPECT_EQ(bytes, nullptr);
  ASSERT_TRUE(buffer.resize(8, 1));
  EXPECT_NE(bytes, nullptr);
  ASSERT_TRUE(buffer.resize(0, 1));
  EXPECT_EQ(bytes, nullptr);
  EXPECT_EQ(buffer.size(), 0u);
  ASSERT_TRUE(buffer.resize(8, 0));
  EXPECT_EQ(bytes, nullptr);
  EXPECT_EQ(buffer.size(), 0u);
}

// Viewing the array with a larger element size must not copy past its end.
TEST_P(GRawBufferStorage, GrowingToALargerElementCopiesOnlyTheOldBytes) {
  char *bytes = nullptr;
  GRawBuffer buffer(bytes, 3, 1, GetParam());
  std::copy_n("abc", 3, bytes);
  ASSERT_TRUE(buffer.resize(3, 4));
  EXPECT_EQ(std::memcmp(bytes, "abc", 3), 0);
}

INSTANTIATE_TEST_SUITE_P(NewAndMalloc, GRawBufferStorage,
                         testing::Values(false, true));

// count x size overflows a size_t: on the 32-bit build this used to wrap
// into a small array that the caller then overran.
TEST(GRawBuffer, WrappingSizesAreAllocationFailures) {
  const std::size_t huge = SIZE_MAX / 4 + 2;
  int32_t *numbers = nullptr;
  EXPECT_EQ(raised_id([&] { GRawBuffer buffer(numbers, huge, 4); }),
            "GException.outofmemory");
  EXPECT_EQ(numbers, nullptr);

  GRawBuffer with_new(numbers, 2, sizeof(int32_t));
  int32_t *before = numbers;
  EXPECT_EQ(raised_id([&] { with_new.resize(huge, 4); }),
            "GException.outofmemory");
  EXPECT_EQ(numbers, before);
  EXPECT_EQ(with_new.size(), 2u);

  char *bytes = nullptr;
  GRawBuffer with_malloc(bytes, 5, 1, true);
  char *kept = bytes;
  EXPECT_FALSE(with_malloc.resize(huge, 4));
  EXPECT_EQ(bytes, kept);
  EXPECT_EQ(with_malloc.size(), 5u);

  int32_t *none = nullptr;
  GRawBuffer failed(none, huge, 4, true);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(failed.size(), 0u);
}

TEST(GRawBuffer, SwapExchangesArraysAndRescalesCounts) {
  int32_t *numbers = nullptr;
  char *bytes = nullptr;
  GRawBuffer a(numbers, 8, sizeof(int32_t));
  GRawBuffer b(bytes, 4, 1, true);
  int32_t *old_numbers = numbers;
  char *old_bytes = bytes;
  a.swap(b, sizeof(int32_t), 1);
  EXPECT_EQ(static_cast<void *>(numbers), static_cast<void *>(old_bytes));
  EXPECT_EQ(static_cast<void *>(bytes), static_cast<void *>(old_numbers));
  EXPECT_EQ(a.size(), 1u);  // 4 bytes as int32_t
  EXPECT_EQ(b.size(), 32u); // 32 bytes as char
  // Each buffer now frees the other's array the way it was allocated.
}

} // namespace
