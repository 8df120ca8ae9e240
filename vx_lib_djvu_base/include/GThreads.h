//===- GThreads.h - The process-wide recursive locks -----------*- C++ -*-===//
//
// GRecursiveLock is a mutual-exclusion lock that its owning thread may take
// again while it holds it. Two process-wide instances exist: the
// reference-count lock, which guards every count of every GPEnabled, and the
// locale lock, which guards the library's one-time choice of its own locale
// (GLocale.h; the runtime's locale is the host's and is never changed).
//
// Both are needed before the library's own static construction (a global
// GRef in another unit) and after its static destruction (that GRef's
// destructor). A GRecursiveLock therefore starts dormant: it is constant-
// initialised, has no destructor, and while dormant only counts the owner's
// nesting without entering a critical section. start() makes it a real lock
// and stop() makes it dormant again; the library does both for the
// process-wide locks at load and unload, when only one thread runs.
//
// Usage:
//   GRecursiveLock::Guard hold(GRecursiveLock::refcount_lock());
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_GTHREADS_H
#define LECTORIN_BASE_GTHREADS_H

#include "platform.h"

#include <atomic>
#include <new>

class GRecursiveLock {
public:
  /// A dormant lock: no critical section yet.
  constexpr GRecursiveLock() noexcept : owner_thread_(0) {}
  GRecursiveLock(const GRecursiveLock &) = delete;
  GRecursiveLock &operator=(const GRecursiveLock &) = delete;

  /// Creates the critical section. Only on a dormant lock that nobody holds.
  void start() noexcept;
  /// Deletes the critical section; the lock is dormant again. Only while
  /// nobody holds it.
  void stop() noexcept;

  /// Takes the lock; the owner may take it again, nested.
  void lock() noexcept;
  /// Gives back one level of nesting; the last one lets other threads in.
  /// Raises "GThreads.not_acq_broad" when the calling thread does not hold
  /// the started lock; on a dormant lock such a call does nothing.
  void unlock();

  /// Guards every reference count of every GPEnabled.
  static GRecursiveLock &refcount_lock() noexcept;
  /// Guards the library's one-time choice of its locale.
  static GRecursiveLock &locale_lock() noexcept;

  /// Holds a lock for the life of a scope.
  class Guard {
  public:
    explicit Guard(GRecursiveLock &lock) noexcept : lock_(lock) {
      lock_.lock();
    }
    ~Guard() { lock_.unlock(); }
    Guard(const Guard &) = delete;
    Guard &operator=(const Guard &) = delete;

  private:
    GRecursiveLock &lock_;
  };

private:
  bool held_by(platform::ThreadId thread) const noexcept;
  platform::CriticalSection &section() noexcept {
    return *std::launder(
        reinterpret_cast<platform::CriticalSection *>(section_));
  }

  int ready_ = 0; // 1 while the critical section exists
  // 1 when free, 0 when held once, -n when held n + 1 times. Written only by
  // the thread that holds the lock.
  int depth_counter_ = 1;
  // The holder, 0 when free. Other threads read it to learn that they are
  // not the holder, hence atomic; cleared on the last unlock so that a
  // thread can never mistake a stale value for its own ownership.
  std::atomic<platform::ThreadId> owner_thread_;
  alignas(platform::CriticalSection) unsigned char section_[sizeof(
      platform::CriticalSection)] = {};
};

#endif // LECTORIN_BASE_GTHREADS_H
