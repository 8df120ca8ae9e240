//===- GRawBuffer.cpp - The owner of one heap array -----------------------===//

#include "GRawBuffer.h"

#include "GException.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// count * element_size, or false when it does not fit: on the 32-bit build a
// large count times a large size would otherwise wrap into a small array.
bool byte_count(std::size_t count, std::size_t element_size,
                std::size_t &bytes) {
  if (element_size != 0 && count > SIZE_MAX / element_size)
    return false;
  bytes = count * element_size;
  return true;
}

std::size_t min_size(std::size_t a, std::size_t b) { return a < b ? a : b; }

} // namespace

GRawBuffer::~GRawBuffer() { release(); }

void GRawBuffer::create(std::size_t count, std::size_t element_size) {
  std::size_t bytes = 0;
  if (!byte_count(count, element_size, bytes)) {
    if (!use_malloc_)
      G_THROW(GException::outofmemory);
    bytes = 0;
  }
  if (bytes == 0) {
    set_array(nullptr, 0);
    return;
  }
  void *array = use_malloc_ ? std::malloc(bytes) : new unsigned char[bytes];
  array_bytes_ = array ? bytes : 0;
  set_array(array, array ? count : 0);
}

bool GRawBuffer::resize(std::size_t count, std::size_t element_size) {
  if (count == 0 || element_size == 0) {
    release();
    return true;
  }
  std::size_t bytes = 0;
  if (!byte_count(count, element_size, bytes)) {
    if (!use_malloc_)
      G_THROW(GException::outofmemory);
    return false;
  }
  void *array = nullptr;
  if (use_malloc_) {
    // realloc of a null array is a fresh malloc.
    array = std::realloc(array_, bytes);
    if (array == nullptr)
      return false;
  } else {
    array = new unsigned char[bytes];
    // Copy by bytes, not by elements: the old array may have been sized with
    // another element size.
    if (array_)
      std::memcpy(array, array_, min_size(array_bytes_, bytes));
    delete[] static_cast<unsigned char *>(array_);
  }
  array_bytes_ = bytes;
  set_array(array, count);
  return true;
}

void GRawBuffer::swap(GRawBuffer &other, std::size_t element_size,
                      std::size_t other_element_size) noexcept {
  void *array = array_;
  std::size_t bytes = array_bytes_;
  bool use_malloc = use_malloc_;
  array_bytes_ = other.array_bytes_;
  use_malloc_ = other.use_malloc_;
  set_array(other.array_, element_size ? array_bytes_ / element_size : 0);
  other.array_bytes_ = bytes;
  other.use_malloc_ = use_malloc;
  other.set_array(array, other_element_size ? bytes / other_element_size : 0);
}

void GRawBuffer::fill(std::size_t element_size, unsigned char byte) noexcept {
  std::size_t bytes = 0;
  if (!byte_count(element_count_, element_size, bytes))
    bytes = SIZE_MAX;
  if (array_)
    std::memset(array_, byte, min_size(bytes, array_bytes_));
}

void GRawBuffer::set_array(void *array, std::size_t count) noexcept {
  array_ = array;
  element_count_ = array ? count : 0;
  if (!array)
    array_bytes_ = 0;
  store_(target_, array);
}

void GRawBuffer::release() noexcept {
  if (use_malloc_)
    std::free(array_);
  else
    delete[] static_cast<unsigned char *>(array_);
  set_array(nullptr, 0);
}
