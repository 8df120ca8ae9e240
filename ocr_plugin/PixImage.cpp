//===- PixImage.cpp - Page image: modes, memory, orientation --------------===//
//
// The image's life: construction in either mode, materialising a pending
// copy, handing the copy out, growing memory, and what destruction tidies.
// Also the geometry and memory helpers that every conversion shares.
//
//===----------------------------------------------------------------------===//

#include "PixImage.h"

#include "GException.h"
#include "PixImageInternal.h"

#include <cstring>

using namespace pix;

//===----------------------------------------------------------------------===//
// Shared helpers
//===----------------------------------------------------------------------===//

DisplayedLayout pix::displayed_layout(const PixImageDesc &d) {
  const int64_t s = d.pixel_step;
  const int64_t r = d.row_step;
  // Offsets of the last stored column and row; an empty image has none, and
  // its origin stays at data.
  const int64_t last_x = d.width ? (d.width - int64_t{1}) * s : 0;
  const int64_t last_y = d.height ? (d.height - int64_t{1}) * r : 0;
  DisplayedLayout l{};
  switch (d.orientation & 7) {
  case 0:
    l = {0, r, s, 0, 0};
    break;
  case 1:
    l = {last_y, -r, s, 0, 0};
    break;
  case 2:
    l = {last_x, r, -s, 0, 0};
    break;
  case 3:
    l = {last_y + last_x, -r, -s, 0, 0};
    break;
  case 4:
    l = {last_y, s, -r, 0, 0};
    break;
  case 5:
    l = {0, s, r, 0, 0};
    break;
  case 6:
    l = {last_x + last_y, -s, -r, 0, 0};
    break;
  default: // 7
    l = {last_x, -s, r, 0, 0};
    break;
  }
  l.width = displayed_width(d);
  l.height = displayed_height(d);
  return l;
}

std::size_t pix::coded_size(const PixImageDesc &d) {
  uint64_t end = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(d.buffer)) +
                 d.buffer_size;
  uint64_t data = reinterpret_cast<uintptr_t>(d.data);
  return end > data ? static_cast<std::size_t>(end - data) : 0;
}

uint32_t pix::buffer_bytes(uint64_t bytes) {
  if (bytes > UINT32_MAX)
    G_THROW(GException::outofmemory);
  return static_cast<uint32_t>(bytes);
}

uint32_t pix::buffer_bytes(uint64_t a, uint64_t b, uint64_t c) {
  uint64_t ab = 0, abc = 0;
  if (__builtin_mul_overflow(a, b, &ab) || __builtin_mul_overflow(ab, c, &abc))
    G_THROW(GException::outofmemory);
  return buffer_bytes(abc);
}

void pix::make_memory(PixImageDesc &target, uint64_t bytes) {
  PixBuffer::create(target, buffer_bytes(bytes));
}

void pix::adopt_pixels(PixImageDesc &image, PixImageDesc &fresh) noexcept {
  if (owns_memory(image))
    delete image.owner;
  if (fresh.owner) {
    fresh.owner->move_to(image);
  } else {
    image = fresh;
  }
}

void pix::replace_pixels(PixImageDesc &image, PixImageDesc &fresh) {
  if (owns_memory(image) || image.buffer == nullptr) {
    adopt_pixels(image, fresh);
    return;
  }
  // A caller's memory: the pixels go into it, and it stays the caller's.
  if (image.buffer_size < fresh.buffer_size)
    G_THROW(GException::outofmemory);
  if (fresh.buffer_size != 0)
    std::memcpy(image.buffer, fresh.data, fresh.buffer_size);
  unsigned char *buffer = image.buffer;
  uint32_t size = image.buffer_size;
  image = fresh;
  image.data = buffer;
  image.buffer = buffer;
  image.buffer_size = size;
  image.owner = nullptr;
}

//===----------------------------------------------------------------------===//
// PixImage
//===----------------------------------------------------------------------===//

PixImage::PixImage(const PixImageDesc &source)
    : working_(source), active_(&working_), copy_pending_(true) {
  working_.owner = nullptr;
  validate();
}

PixImage::PixImage(PixImageDesc &desc, InPlace)
    : working_(desc), active_(&desc), copy_pending_(false) {
  working_.owner = nullptr;
  validate();
}

PixImage::~PixImage() {
  if (owns_memory(working_))
    delete working_.owner;
  if (active_ == &working_)
    return;
  // In place: leave a gray or colour image in the memory it uses, at its
  // start, so that the descriptor the run keeps holds no slack.
  PixImageDesc &d = *active_;
  if (d.type == TYPE_BITONAL || d.buffer == nullptr)
    return;
  uint64_t used = static_cast<uint64_t>(d.row_step) * d.height;
  if (used >= d.buffer_size)
    return;
  if (owns_memory(d)) {
    try {
      d.owner->resize(static_cast<uint32_t>(used));
    } catch (...) {
      // Shrinking only gives memory back; keeping the larger block is fine.
    }
    return;
  }
  uintptr_t offset = reinterpret_cast<uintptr_t>(d.data) -
                     reinterpret_cast<uintptr_t>(d.buffer);
  if (offset == 0)
    return;
  // The last row may end before a full row step: move no byte past the
  // memory.
  if (offset < d.buffer_size) {
    uint64_t available = d.buffer_size - offset;
    std::memmove(d.buffer, d.data,
                 static_cast<std::size_t>(used < available ? used : available));
  }
  d.data = d.buffer;
}

void PixImage::materialise() {
  if (!copy_pending_)
    return;
  ScratchDesc copy;
  copy_out(working_, copy.desc);
  adopt_pixels(working_, copy.desc);
  copy_pending_ = false;
}

void PixImage::take_pixels(PixImageDesc &fresh) {
  if (copy_pending_) {
    // The working copy still shows the caller's pixels, which stay as they
    // are.
    adopt_pixels(working_, fresh);
    copy_pending_ = false;
    return;
  }
  replace_pixels(*active_, fresh);
}

PixImageDesc *PixImage::detach() {
  materialise();
  PixImageDesc *out = pix_new_desc();
  if (out == nullptr)
    G_THROW(GException::outofmemory);
  if (active_ == &working_ && owns_memory(working_)) {
    working_.owner->move_to(*out);
    copy_pending_ = true;
    return out;
  }
  try {
    copy_out(*active_, *out);
  } catch (...) {
    pix_free(out);
    throw;
  }
  return out;
}

void PixImage::ensure_size(uint32_t bytes) {
  PixImageDesc &d = *active_;
  if (d.buffer_size >= bytes)
    return;
  if (d.buffer != nullptr) {
    if (!owns_memory(d))
      G_THROW(GException::outofmemory); // a caller's memory cannot grow
    d.owner->resize(bytes);
    return;
  }
  if (owns_memory(d))
    delete d.owner;
  d.owner = nullptr;
  PixBuffer::create(d, bytes);
}

void PixImage::rotate_orientation(int32_t angle) noexcept {
  // C++ keeps the sign of the dividend, as the turn count expects.
  int32_t r = ((angle % 360) + 405) % 360;
  if (r <= 90)
    return;
  int32_t turns = (r - 91) / 90 + 1;
  uint32_t &code = active_->orientation;
  for (int32_t i = 0; i < turns; ++i)
    code ^= (code & transposed) ? 7u : 4u;
}
