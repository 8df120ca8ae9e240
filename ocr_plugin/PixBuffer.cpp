//===- PixBuffer.cpp - The owner of a descriptor's pixel memory -----------===//

#include "PixImage.h"

#include "GException.h"

#include <cstdint>
#include <cstring>
#include <new>

// malloc storage: a failure is reported, not thrown, so every build raises
// the same "GException.outofmemory", and shrinking needs no copy.
PixBuffer::PixBuffer(PixImageDesc &desc) noexcept
    : desc_(&desc), store_(bytes_, 0, 1, true) {}

PixBuffer::~PixBuffer() {
  if (desc_->owner != this)
    return;
  desc_->data = nullptr;
  desc_->buffer = nullptr;
  desc_->buffer_size = 0; // no memory, no bytes: the descriptor stays valid
  desc_->owner = nullptr;
}

namespace {

// Points desc at the owner's memory.
void attach(PixImageDesc &desc, PixBuffer *owner, unsigned char *bytes,
            std::size_t size) {
  desc.data = bytes;
  desc.buffer = bytes;
  desc.buffer_size = static_cast<uint32_t>(size);
  desc.owner = owner;
}

} // namespace

PixBuffer *PixBuffer::create(PixImageDesc &desc, uint32_t bytes) {
  if (bytes == 0) {
    attach(desc, nullptr, nullptr, 0);
    return nullptr;
  }
  PixBuffer *owner = new (std::nothrow) PixBuffer(desc);
  if (owner == nullptr)
    G_THROW(GException::outofmemory);
  if (!owner->store_.resize(bytes, 1) || owner->bytes_ == nullptr) {
    delete owner;
    G_THROW(GException::outofmemory);
  }
  attach(desc, owner, owner->bytes_, bytes);
  return owner;
}

PixBuffer *PixBuffer::adopt(PixImageDesc &desc, GRawBuffer &bytes) {
  if (bytes.size() > UINT32_MAX)
    G_THROW(GException::outofmemory);
  if (bytes.size() == 0) {
    attach(desc, nullptr, nullptr, 0);
    return nullptr;
  }
  PixBuffer *owner = new (std::nothrow) PixBuffer(desc);
  if (owner == nullptr)
    G_THROW(GException::outofmemory);
  owner->store_.swap(bytes, 1, 1);
  attach(desc, owner, owner->bytes_, owner->store_.size());
  return owner;
}

void PixBuffer::resize(uint32_t bytes) {
  PixImageDesc &d = *desc_;
  // Compared as addresses: the data of an empty image may lie anywhere.
  std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(d.data) -
                          reinterpret_cast<std::uintptr_t>(d.buffer);
  if (offset != 0) {
    std::size_t size = store_.size();
    if (offset < size)
      std::memmove(bytes_, bytes_ + offset, size - offset);
    d.data = bytes_;
  }
  if (!store_.resize(bytes, 1))
    G_THROW(GException::outofmemory);
  attach(d, this, bytes_, store_.size());
}

void PixBuffer::move_to(PixImageDesc &target) noexcept {
  if (&target == desc_)
    return;
  target = *desc_;
  desc_->owner = nullptr;
  desc_ = &target;
  target.owner = this;
}
