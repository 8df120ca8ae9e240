//===- GContainer.cpp - Linked list and hash map --------------------------===//

#include "GContainer.h"

#include "GException.h"

#include <cstring>

namespace {

// A node is one block: the header, then the element at an offset that keeps
// any fundamentally aligned element aligned (::operator new returns blocks
// aligned for max_align_t).
template <class Header> constexpr std::size_t element_offset() {
  constexpr std::size_t align = alignof(std::max_align_t);
  return (sizeof(Header) + align - 1) / align * align;
}

void *element_after(void *node, std::size_t offset) noexcept {
  return static_cast<unsigned char *>(node) + offset;
}

const int initial_bucket_count = 17;

// The bucket array holds node pointers.
// NOLINTNEXTLINE(bugprone-sizeof-expression): a pointer's size is meant.
constexpr std::size_t bucket_size = sizeof(GHashNode *);

} // namespace

void GCursor::check(const void *container) const {
  if (container_ != container)
    G_THROW("GContainer.bad_pos_cont");
  if (!node_)
    G_THROW("GContainer.bad_pos_null");
}

//===-- GListBase ---------------------------------------------------------===//

GListBase::~GListBase() { clear(); }

void GListBase::clear() noexcept {
  GNode *node = head_;
  head_ = tail_ = nullptr;
  node_count_ = 0;
  while (node) {
    GNode *next = node->next;
    free_node(node);
    node = next;
  }
}

void GListBase::del(GCursor &cursor) noexcept {
  GNode *node = cursor.node();
  if (!node || cursor.container() != this)
    return;
  (node->prev ? node->prev->next : head_) = node->next;
  (node->next ? node->next->prev : tail_) = node->prev;
  --node_count_;
  free_node(node);
  cursor = GCursor(nullptr, this);
}

void GListBase::assign(const GListBase &other) {
  if (&other == this)
    return;
  clear();
  for (GNode *node = other.head_; node; node = node->next)
    link_tail(make_node(element_after(node, element_offset<GNode>())));
}

GNode *GListBase::make_node(const void *src) const {
  void *block = ::operator new(element_offset<GNode>() + traits_.element_size);
  try {
    traits_.copy(element_after(block, element_offset<GNode>()), src);
  } catch (...) {
    ::operator delete(block);
    throw;
  }
  return new (block) GNode{nullptr, nullptr};
}

void GListBase::link_tail(GNode *node) noexcept {
  node->next = nullptr;
  node->prev = tail_;
  (tail_ ? tail_->next : head_) = node;
  tail_ = node;
  ++node_count_;
}

void GListBase::link_head(GNode *node) noexcept {
  node->prev = nullptr;
  node->next = head_;
  (head_ ? head_->prev : tail_) = node;
  head_ = node;
  ++node_count_;
}

void *GListBase::element_at(const GCursor &cursor) const {
  cursor.check(this);
  return element_after(cursor.node(), element_offset<GNode>());
}

void GListBase::free_node(GNode *node) const noexcept {
  traits_.fini(element_after(node, element_offset<GNode>()));
  ::operator delete(node);
}

//===-- GHashTable --------------------------------------------------------===//

uint32_t GHashTable::hash(const char *text) noexcept {
  uint32_t h = 0;
  if (text) {
    for (const unsigned char *byte =
             reinterpret_cast<const unsigned char *>(text);
         *byte; ++byte)
      h = h ^ (h << 6) ^ *byte;
  }
  return h;
}

GHashTable::GHashTable(const GNodeTraits &traits)
    : traits_(traits), buckets_buffer_(buckets_, 0, bucket_size) {
  rehash(initial_bucket_count);
}

GHashTable::~GHashTable() { clear(); }

void GHashTable::clear() noexcept {
  GNode *node = chain_head_;
  chain_head_ = nullptr;
  node_count_ = 0;
  buckets_buffer_.fill(bucket_size, 0);
  while (node) {
    GNode *next = node->next;
    GHashNode *hash_node = static_cast<GHashNode *>(node);
    traits_.fini(element_of(hash_node));
    free_node(hash_node);
    node = next;
  }
}

void GHashTable::assign(const GHashTable &other) {
  if (&other == this)
    return;
  clear();
  rehash(other.bucket_count_);
  for (GNode *node = other.chain_head_; node; node = node->next) {
    GHashNode *source = static_cast<GHashNode *>(node);
    GHashNode *copy = allocate_node();
    try {
      traits_.copy(element_of(copy), element_of(source));
    } catch (...) {
      free_node(copy);
      throw;
    }
    copy->hash_value = source->hash_value;
    link(copy);
  }
}

void GHashTable::reserve_one() {
  if (3 * node_count_ > 2 * bucket_count_)
    rehash(2 * bucket_count_ - 1);
}

GHashNode *GHashTable::allocate_node() const {
  void *block =
      ::operator new(element_offset<GHashNode>() + traits_.element_size);
  std::memset(block, 0, element_offset<GHashNode>() + traits_.element_size);
  return new (block) GHashNode{{nullptr, nullptr}, nullptr, 0};
}

void GHashTable::free_node(GHashNode *node) noexcept {
  ::operator delete(node);
}

void GHashTable::link(GHashNode *node) noexcept {
  GHashNode *&bucket =
      buckets_[node->hash_value % static_cast<uint32_t>(bucket_count_)];
  GHashNode *last = bucket;
  node->bucket_prev = last;
  if (last) {
    node->prev = last;
    node->next = last->next;
    if (last->next)
      last->next->prev = node;
    last->next = node;
  } else {
    node->prev = nullptr;
    node->next = chain_head_;
    if (chain_head_)
      chain_head_->prev = node;
    chain_head_ = node;
  }
  bucket = node;
  ++node_count_;
}

void *GHashTable::element_at(const GCursor &cursor) const {
  cursor.check(this);
  return element_of(static_cast<GHashNode *>(cursor.node()));
}

void *GHashTable::element_of(GHashNode *node) noexcept {
  return element_after(node, element_offset<GHashNode>());
}

void GHashTable::rehash(int count) {
  // The new slots first: if they cannot be had, the table is left as it was.
  buckets_buffer_.resize(static_cast<std::size_t>(count), bucket_size);
  buckets_buffer_.fill(bucket_size, 0);
  bucket_count_ = count;
  GNode *node = chain_head_;
  chain_head_ = nullptr;
  node_count_ = 0;
  while (node) {
    GNode *next = node->next;
    link(static_cast<GHashNode *>(node));
    node = next;
  }
}
