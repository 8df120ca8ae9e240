//===- GContainer.h - Linked list and hash map -----------------*- C++ -*-===//
//
// The two containers of the base library, GLinkedList<T> and GMap<K,V>, and
// GCursor, a position in either.
//
// Both are type-erased: one untyped implementation per kind (GListBase,
// GHashTable) links nodes and allocates them, and reaches the elements only
// through a GNodeTraits record that the typed template supplies. A node is
// one heap block: the link header at the front, the element behind it.
//
// A cursor names a node and the container it belongs to. Containers check
// the container before touching a node; a rejected cursor raises
// "GContainer.bad_pos_cont" (another container) or "GContainer.bad_pos_null"
// (no node: an end position). Containers are not locked: each is used by one
// thread at a time.
//
// Usage:
//   for (GCursor c = list.first(); c; ++c) use(list[c]);
//   map["key"] = 1;   if (GCursor c = map.find("key")) use(map.key(c), map[c]);
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_GCONTAINER_H
#define LECTORIN_BASE_GCONTAINER_H

#include "GRawBuffer.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

//===-- Nodes and cursors -------------------------------------------------===//

/// How the untyped containers handle the elements of one type.
struct GNodeTraits {
  std::size_t element_size;
  /// Copy-constructs the element at dst from the one at src.
  void (*copy)(void *dst, const void *src);
  /// Destroys the element.
  void (*fini)(void *element) noexcept;
};

/// The traits of T: copy construction and destruction, so plain values copy
/// their bytes and GRef elements take and drop references.
template <class T> struct GNodeTraitsOf {
  // Nodes come from ::operator new and place elements at a max_align_t
  // boundary behind the header.
  static_assert(alignof(T) <= alignof(std::max_align_t),
                "over-aligned container elements");
  static void copy(void *dst, const void *src) {
    new (dst) T(*static_cast<const T *>(src));
  }
  static void fini(void *element) noexcept { static_cast<T *>(element)->~T(); }
  static constexpr GNodeTraits traits = {sizeof(T), &copy, &fini};
};

/// The link header that starts every node: the container's chain.
struct GNode {
  GNode *next;
  GNode *prev;
};

/// A position in a container: a node, or none at the end, and the container
/// that the node belongs to.
class GCursor {
public:
  /// A cursor of no container.
  GCursor() noexcept = default;
  GCursor(GNode *node, const void *container) noexcept
      : node_(node), container_(container) {}

  /// False at the end.
  explicit operator bool() const noexcept { return node_ != nullptr; }
  bool operator!() const noexcept { return node_ == nullptr; }
  /// Moves to the next node; at the end it stays there.
  GCursor &operator++() noexcept {
    if (node_)
      node_ = node_->next;
    return *this;
  }
  bool operator==(const GCursor &other) const noexcept {
    return node_ == other.node_ && container_ == other.container_;
  }
  bool operator!=(const GCursor &other) const noexcept {
    return !(*this == other);
  }

  GNode *node() const noexcept { return node_; }
  const void *container() const noexcept { return container_; }

  /// Raises unless the cursor names a node of container: "GContainer.
  /// bad_pos_cont" for another container, else "GContainer.bad_pos_null".
  void check(const void *container) const;

private:
  GNode *node_ = nullptr;
  const void *container_ = nullptr;
};

//===-- Linked list -------------------------------------------------------===//

/// The untyped doubly linked list.
class GListBase {
public:
  int size() const noexcept { return node_count_; }
  bool empty() const noexcept { return node_count_ == 0; }
  /// The head position; at the end when the list is empty.
  GCursor first() const noexcept { return GCursor(head_, this); }
  /// The tail position; at the end when the list is empty.
  GCursor last() const noexcept { return GCursor(tail_, this); }
  /// Destroys every element.
  void clear() noexcept;
  /// Destroys the element at the cursor and sets the cursor's node to null.
  /// A cursor at the end or of another list is ignored.
  void del(GCursor &cursor) noexcept;

protected:
  explicit GListBase(const GNodeTraits &traits) noexcept : traits_(traits) {}
  ~GListBase();
  GListBase(const GListBase &) = delete;
  GListBase &operator=(const GListBase &) = delete;

  /// Empties the list, then appends a copy of every element of other.
  void assign(const GListBase &other);
  /// A new node whose element is copied from the one at src.
  GNode *make_node(const void *src) const;
  void link_tail(GNode *node) noexcept;
  void link_head(GNode *node) noexcept;
  /// The element at the cursor; raises on a rejected cursor.
  void *element_at(const GCursor &cursor) const;

private:
  void free_node(GNode *node) const noexcept;

  const GNodeTraits &traits_;
  int node_count_ = 0;
  GNode *head_ = nullptr;
  GNode *tail_ = nullptr;
};

/// A doubly linked list of T.
template <class T> class GLinkedList : public GListBase {
public:
  GLinkedList() noexcept : GListBase(GNodeTraitsOf<T>::traits) {}
  GLinkedList(const GLinkedList &other) : GLinkedList() { assign(other); }
  GLinkedList &operator=(const GLinkedList &other) {
    assign(other);
    return *this;
  }

  /// Adds a copy of value at the tail.
  void append(const T &value) { link_tail(make_node(&value)); }
  /// Adds a copy of value at the head.
  void prepend(const T &value) { link_head(make_node(&value)); }

  /// The element at the cursor; raises on a rejected cursor.
  T &operator[](const GCursor &cursor) {
    return *static_cast<T *>(element_at(cursor));
  }
  const T &operator[](const GCursor &cursor) const {
    return *static_cast<const T *>(element_at(cursor));
  }
};

//===-- Hash map ----------------------------------------------------------===//

/// The header of a map node: the chain of all nodes, then its bucket.
struct GHashNode : GNode {
  GHashNode *bucket_prev; // the previous node of the same bucket
  uint32_t hash_value;
};

/// The untyped hash table.
///
/// Every node sits on one doubly linked chain, which is the iteration order.
/// The nodes of one bucket stand together on it in insertion order, and the
/// bucket slot names the last of them; each node links back to the previous
/// node of its bucket. A new node of a non-empty bucket goes in after the
/// bucket's last node, one of an empty bucket at the front of the chain.
/// The table starts with 17 buckets and grows to 2n - 1 buckets when a new
/// key arrives while 3 x count > 2 x buckets; growing re-enters the nodes in
/// their iteration order.
class GHashTable {
public:
  /// The hash of a key's text: h = h ^ (h << 6) ^ byte over its bytes, taken
  /// unsigned, in 32 bits. Null and empty texts hash to 0.
  static uint32_t hash(const char *text) noexcept;

  int size() const noexcept { return node_count_; }
  int bucket_count() const noexcept { return bucket_count_; }
  /// The first position of the iteration; at the end when empty.
  GCursor first() const noexcept { return GCursor(chain_head_, this); }
  /// Destroys every entry; the bucket count stays.
  void clear() noexcept;

protected:
  explicit GHashTable(const GNodeTraits &traits);
  ~GHashTable();
  GHashTable(const GHashTable &) = delete;
  GHashTable &operator=(const GHashTable &) = delete;

  /// Empties the table, takes other's bucket count and copies its entries in
  /// iteration order.
  void assign(const GHashTable &other);
  /// The last node entered into the bucket of hash, or null.
  GHashNode *bucket_last(uint32_t hash) const noexcept {
    return buckets_[hash % static_cast<uint32_t>(bucket_count_)];
  }
  /// Grows the table when one more entry would make it too full. Called
  /// before a new entry is made, so that a failure loses nothing.
  void reserve_one();
  /// A new node with a zeroed header and room for an element.
  GHashNode *allocate_node() const;
  /// Frees a node whose element was never made or is already destroyed.
  static void free_node(GHashNode *node) noexcept;
  /// Enters a node whose hash_value is set; never grows the table.
  void link(GHashNode *node) noexcept;
  /// The element at the cursor; raises on a rejected cursor.
  void *element_at(const GCursor &cursor) const;
  static void *element_of(GHashNode *node) noexcept;

private:
  void rehash(int count);

  const GNodeTraits &traits_;
  int node_count_ = 0;
  int bucket_count_ = 0;
  GHashNode **buckets_ = nullptr;
  GRawBuffer buckets_buffer_;
  GHashNode *chain_head_ = nullptr;
};

/// How a map hashes and compares keys of type K. The hash must follow
/// GHashTable::hash over the key's text; equal keys must hash equally.
template <class K> struct GMapKeyTraits;

template <> struct GMapKeyTraits<std::string> {
  static uint32_t hash(const std::string &key) noexcept {
    return GHashTable::hash(key.c_str());
  }
  static bool equal(const std::string &a, const std::string &b) noexcept {
    return a == b;
  }
};

/// A hash map from K to V; see GHashTable for the iteration order.
template <class K, class V> class GMap : public GHashTable {
  struct Entry {
    K key;
    V value;
  };

public:
  GMap() : GHashTable(GNodeTraitsOf<Entry>::traits) {}
  GMap(const GMap &other) : GMap() { assign(other); }
  GMap &operator=(const GMap &other) {
    assign(other);
    return *this;
  }

  /// The position of key, or one at the end when key is absent.
  GCursor find(const K &key) const {
    return GCursor(find_node(key, GMapKeyTraits<K>::hash(key)), table());
  }

  /// The value of key; an absent key is entered first with a value-
  /// initialised value (an empty string, a zero number).
  V &operator[](const K &key) {
    uint32_t hash = GMapKeyTraits<K>::hash(key);
    if (GHashNode *found = find_node(key, hash))
      return entry(found).value;
    reserve_one();
    GHashNode *node = allocate_node();
    try {
      new (element_of(node)) Entry{key, V()};
    } catch (...) {
      free_node(node);
      throw;
    }
    node->hash_value = hash;
    link(node);
    return entry(node).value;
  }

  /// The key and the value at the cursor; raise on a rejected cursor.
  const K &key(const GCursor &cursor) const {
    return static_cast<const Entry *>(element_at(cursor))->key;
  }
  V &operator[](const GCursor &cursor) {
    return static_cast<Entry *>(element_at(cursor))->value;
  }
  const V &operator[](const GCursor &cursor) const {
    return static_cast<const Entry *>(element_at(cursor))->value;
  }

private:
  static Entry &entry(GHashNode *node) noexcept {
    return *static_cast<Entry *>(element_of(node));
  }
  const GHashTable *table() const noexcept { return this; }
  GHashNode *find_node(const K &key, uint32_t hash) const {
    for (GHashNode *node = bucket_last(hash); node; node = node->bucket_prev) {
      if (node->hash_value == hash &&
          GMapKeyTraits<K>::equal(entry(node).key, key))
        return node;
    }
    return nullptr;
  }
};

#endif // LECTORIN_BASE_GCONTAINER_H
