//===- pix_entries.cpp - The C-level page-image entries -------------------===//
//
// The seam between the recognition run and the page image: plain functions
// on descriptors. Each builds a PixImage on the stack, runs one operation and
// turns a GException (or, on builds where allocation failures are the
// runtime's own, std::bad_alloc) into its identifier in the caller's error
// buffer. Anything else is not ours to swallow and passes on.
//
//===----------------------------------------------------------------------===//

#include "PixImage.h"

#include "GException.h"
#include "PixImageInternal.h"

#include <cstring>
#include <new>

namespace {

void report(char *error, std::size_t error_size, const char *id) {
  if (error == nullptr || error_size == 0)
    return;
  std::size_t length = std::strlen(id);
  if (length >= error_size)
    length = error_size - 1;
  std::memcpy(error, id, length);
  error[length] = '\0';
}

template <class Operation>
PixImageDesc *guarded(char *error, std::size_t error_size,
                      Operation operation) {
  if (error != nullptr && error_size != 0)
    error[0] = '\0';
  try {
    return operation();
  } catch (...) {
    const char *id = GException::current_message_id(nullptr);
    if (id == nullptr)
      throw;
    report(error, error_size, id);
    return nullptr;
  }
}

} // namespace

extern "C" PixImageDesc *pix_to_gray_copy(const PixImageDesc *desc, char *error,
                                          std::size_t error_size) {
  if (desc == nullptr)
    return nullptr;
  return guarded(error, error_size, [desc] {
    PixImage image(*desc);
    image.to_gray();
    return image.detach();
  });
}

extern "C" PixImageDesc *pix_resize(PixImageDesc *desc, uint32_t width,
                                    uint32_t height, char *error,
                                    std::size_t error_size) {
  if (desc == nullptr)
    return nullptr;
  return guarded(error, error_size, [=] {
    PixImage image(*desc, PixImage::in_place);
    image.resize(width, height);
    return desc;
  });
}

extern "C" PixImageDesc *pix_prepare_for_engine(PixImageDesc *desc, char *error,
                                                std::size_t error_size) {
  if (desc == nullptr)
    return nullptr;
  return guarded(error, error_size, [desc] {
    PixImage image(*desc, PixImage::in_place);
    image.normalize(true);
    return desc;
  });
}

extern "C" int64_t pix_row_span(const PixImageDesc *desc, uint32_t row,
                                const unsigned char **start,
                                const unsigned char **end) {
  *start = nullptr;
  *end = nullptr;
  if (desc == nullptr || desc->orientation > 7 ||
      !(desc->type == TYPE_GRAY || pix::is_colour(*desc)))
    return 0;
  const pix::DisplayedLayout l = pix::displayed_layout(*desc);
  if (row >= l.height || l.width == 0)
    return 0; // no such row, or a row without pixels (and maybe no data)
  const unsigned char *first =
      desc->data + (l.origin + static_cast<int64_t>(row) * l.row_step);
  *start = first;
  // One step past the last pixel, as an address: for a row that runs
  // backwards it lies before the memory, where no pointer may be formed by
  // arithmetic.
  // NOLINTNEXTLINE(performance-no-int-to-ptr): the address is only compared.
  *end = reinterpret_cast<const unsigned char *>(
      reinterpret_cast<uintptr_t>(first) +
      static_cast<uintptr_t>(l.width) * static_cast<uintptr_t>(l.col_step));
  return l.col_step;
}

extern "C" void pix_free(PixImageDesc *desc) {
  if (desc == nullptr)
    return;
  if (pix::owns_memory(*desc))
    delete desc->owner;
  *desc = pix::empty_desc();
  delete desc;
}

extern "C" PixImageDesc *pix_new_desc() {
  PixImageDesc *desc = new (std::nothrow) PixImageDesc;
  if (desc != nullptr)
    *desc = pix::empty_desc();
  return desc;
}
