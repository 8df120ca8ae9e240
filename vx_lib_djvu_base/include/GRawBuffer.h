//===- GRawBuffer.h - The owner of one heap array --------------*- C++ -*-===//
//
// GRawBuffer owns one heap array of plain (trivially copyable) elements and
// keeps the caller's own typed pointer variable, its target, pointing at it:
// the caller indexes its plain pointer, the buffer allocates, grows and frees.
// All growable storage of the base library goes through it.
//
// Element sizes are given with each call, so one buffer may be viewed as
// arrays of different element types. Sizes are checked: an element count
// times size that does not fit a size_t is an allocation failure.
//
// Storage comes from new/delete, or from malloc/realloc/free when asked; the
// two differ in how failure shows: new raises (GException.outofmemory for
// size overflow, otherwise whatever `new` throws), malloc reports it.
//
// Usage:
//   int32_t *rows = nullptr;
//   GRawBuffer buffer(rows, 100, sizeof(int32_t));   // rows points at 100 ints
//   buffer.resize(200, sizeof(int32_t));              // rows moved, 100 kept
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_GRAWBUFFER_H
#define LECTORIN_BASE_GRAWBUFFER_H

#include <cstddef>

class GRawBuffer {
public:
  /// Allocates count elements of element_size bytes and points target at
  /// them; 0 bytes give a null target. With use_malloc a failed allocation
  /// gives a null target and count 0. The target must outlive the buffer.
  template <class T>
  GRawBuffer(T *&target, std::size_t count, std::size_t element_size,
             bool use_malloc = false)
      : target_(&target), store_(&store_target<T>), use_malloc_(use_malloc) {
    create(count, element_size);
  }
  /// Frees the array and sets the target to null.
  ~GRawBuffer();
  GRawBuffer(const GRawBuffer &) = delete;
  GRawBuffer &operator=(const GRawBuffer &) = delete;

  /// Number of elements.
  std::size_t size() const noexcept { return element_count_; }

  /// Makes room for count elements, keeping the first min(old, new) ones;
  /// added bytes are not cleared. A count or size of 0 frees the array
  /// (null target, count 0). False, with array and count unchanged, when
  /// malloc storage cannot be had; new storage raises instead.
  bool resize(std::size_t count, std::size_t element_size);

  /// Exchanges arrays and storage kinds with other. Each count is rescaled
  /// to the bytes received: this buffer's elements are element_size bytes,
  /// other's are other_element_size bytes.
  void swap(GRawBuffer &other, std::size_t element_size,
            std::size_t other_element_size) noexcept;

  /// Sets every byte of the array to byte.
  void fill(std::size_t element_size, unsigned char byte) noexcept;

private:
  // Writes the array address through the caller's variable with its own
  // pointer type, so no T* is ever accessed as a void*.
  template <class T>
  static void store_target(void *target, void *array) noexcept {
    *static_cast<T **>(target) = static_cast<T *>(array);
  }

  void create(std::size_t count, std::size_t element_size);
  void set_array(void *array, std::size_t count) noexcept;
  void release() noexcept;

  void *target_;
  void (*store_)(void *target, void *array) noexcept;
  void *array_ = nullptr;
  std::size_t element_count_ = 0;
  // The array's true size: copies and fills never go past it, whatever
  // element size a caller views the array with.
  std::size_t array_bytes_ = 0;
  bool use_malloc_;
};

#endif // LECTORIN_BASE_GRAWBUFFER_H
