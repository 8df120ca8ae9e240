//===- GSmartPointer.h - Reference-counted objects -------------*- C++ -*-===//
//
// GPEnabled is the base class of every shared object; GRef<T> is the smart
// pointer that holds one. An object lives while at least one GRef holds it
// and is deleted by the release that drops the last one; nobody deletes a
// shared object directly.
//
// Counts are plain integers changed only under the process-wide
// reference-count lock (GRecursiveLock::refcount_lock()), so GRefs on
// different threads may share an object. The lock is recursive: code that
// holds it may still copy GRefs. Deletion runs after the lock is released.
//
// A count of -1 marks an object whose destruction has begun. Such an object
// can no longer be acquired: a GRef made from its raw pointer (say, `this`
// inside its destructor) comes out null instead of resurrecting it.
//
// Usage:
//   class Page : public GPEnabled { ... };
//   GRef<Page> page = new Page;   // count 1
//   GRef<Page> other = page;      // count 2
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_GSMARTPOINTER_H
#define LECTORIN_BASE_GSMARTPOINTER_H

#include "GRawBuffer.h"

#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

class GPEnabled {
public:
  GPEnabled() noexcept : ref_count_(0) {}
  /// A copy is a new object: it starts unreferenced.
  GPEnabled(const GPEnabled &) noexcept : ref_count_(0) {}
  /// Assignment copies contents, never the count.
  // cppcheck-suppress operatorEqVarError
  GPEnabled &operator=(const GPEnabled &) noexcept { return *this; }
  /// Reports "GSmartPointer.suspicious" on standard error when the object is
  /// still referenced; no exception leaves it.
  virtual ~GPEnabled();

  /// The number of GRefs holding the object; -1 once destruction has begun.
  int32_t get_ref_count() const noexcept;

private:
  friend class GPBase;
  // The deletion entry of the last release; raises
  // "GSmartPointer.suspicious" unless the count marks destruction.
  void destroy();

  int32_t ref_count_;
};

/// The untyped part of GRef: one object pointer and the counting rules.
class GPBase {
public:
  /// The object held, or null.
  GPEnabled *get_object() const noexcept { return object_; }

protected:
  GPBase() noexcept : object_(nullptr) {}
  GPBase(const GPBase &other) noexcept;
  /// Takes other's reference; no count changes, so no lock is taken.
  GPBase(GPBase &&other) noexcept : object_(other.object_) {
    other.object_ = nullptr;
  }
  explicit GPBase(GPEnabled *object) noexcept;
  /// Releases the object inside a catch-all: no exception leaves.
  ~GPBase();

  /// Holds object instead; an object under destruction is held as null.
  void assign(GPEnabled *object);
  void assign(const GPBase &other);
  /// Takes other's reference (other becomes null) and drops the old one.
  void take(GPBase &other) noexcept;
  void reset() { assign(static_cast<GPEnabled *>(nullptr)); }
  [[noreturn]] static void raise_null();

private:
  // Counts a new reference under the lock; null when object is null or under
  // destruction.
  static GPEnabled *acquire(GPEnabled *object) noexcept;
  // The same for the object that other holds, read under the lock.
  static GPEnabled *acquire(const GPBase &other) noexcept;
  // The counting step of both; the caller holds the lock.
  static GPEnabled *count_reference(GPEnabled *object) noexcept;
  // Stores object (already counted) and drops the previous one. Never
  // raises: the last release marks the count before it deletes, and
  // destructors let nothing out.
  void replace(GPEnabled *object) noexcept;

  GPEnabled *object_;
};

template <class T> class GRef : public GPBase {
  static_assert(std::is_base_of<GPEnabled, T>::value,
                "GRef holds GPEnabled objects");

public:
  GRef() noexcept = default;
  GRef(T *object) noexcept : GPBase(object) {}
  GRef(const GRef &other) noexcept : GPBase(other) {}
  GRef(GRef &&other) noexcept : GPBase(std::move(other)) {}
  template <class U,
            class = std::enable_if_t<std::is_convertible<U *, T *>::value>>
  GRef(const GRef<U> &other) noexcept : GPBase(other) {}

  GRef &operator=(T *object) {
    assign(object);
    return *this;
  }
  GRef &operator=(const GRef &other) {
    assign(other);
    return *this;
  }
  GRef &operator=(GRef &&other) noexcept {
    take(other);
    return *this;
  }
  template <class U,
            class = std::enable_if_t<std::is_convertible<U *, T *>::value>>
  GRef &operator=(const GRef<U> &other) {
    assign(other);
    return *this;
  }

  /// Drops the object; the GRef becomes null.
  void reset() { GPBase::reset(); }

  /// The object, or null; never raises.
  T *get() const noexcept { return static_cast<T *>(get_object()); }
  /// Raise "GSmartPointer.suspicious" on a null GRef.
  T *operator->() const { return checked(); }
  T &operator*() const { return *checked(); }

  explicit operator bool() const noexcept { return get_object() != nullptr; }
  bool operator!() const noexcept { return get_object() == nullptr; }
  template <class U> bool operator==(const GRef<U> &other) const noexcept {
    return get_object() == other.get_object();
  }
  template <class U> bool operator!=(const GRef<U> &other) const noexcept {
    return get_object() != other.get_object();
  }
  bool operator==(const T *object) const noexcept { return get() == object; }
  bool operator!=(const T *object) const noexcept { return get() != object; }

private:
  T *checked() const {
    if (!get_object())
      raise_null();
    return get();
  }
};

/// A shared object that owns one T, made in a heap block of its own. It lets
/// plain values, such as a map, be held and shared through GRef.
template <class T> class GPEnabledWrapper : public GPEnabled {
public:
  /// Makes the T from args.
  template <class... Args>
  explicit GPEnabledWrapper(Args &&...args) : block_(value_, 1, sizeof(T)) {
    value_ = new (value_) T(std::forward<Args>(args)...);
  }
  ~GPEnabledWrapper() override { value_->~T(); }
  GPEnabledWrapper(const GPEnabledWrapper &) = delete;
  GPEnabledWrapper &operator=(const GPEnabledWrapper &) = delete;

  T &get() noexcept { return *value_; }
  const T &get() const noexcept { return *value_; }

private:
  T *value_ = nullptr; // set by block_, which frees it after ~T
  GRawBuffer block_;
};

#endif // LECTORIN_BASE_GSMARTPOINTER_H
