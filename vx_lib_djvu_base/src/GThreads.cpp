//===- GThreads.cpp - The process-wide recursive locks --------------------===//

#include "GThreads.h"

#include "GException.h"

#include <type_traits>

// Trivial destruction is what keeps a process-wide lock usable after the
// library's static destructors have run.
static_assert(std::is_trivially_destructible<GRecursiveLock>::value,
              "the process-wide locks must outlive static destruction");

namespace {

// Constant-initialised, so they exist, dormant, before any code runs.
GRecursiveLock refcount;
GRecursiveLock locale;

// Makes the two locks real at load and dormant again at unload.
struct ProcessLocks {
  ProcessLocks() noexcept {
    refcount.start();
    locale.start();
  }
  ~ProcessLocks() {
    locale.stop();
    refcount.stop();
  }
} process_locks;

} // namespace

GRecursiveLock &GRecursiveLock::refcount_lock() noexcept { return refcount; }

GRecursiveLock &GRecursiveLock::locale_lock() noexcept { return locale; }

void GRecursiveLock::start() noexcept {
  if (ready_)
    return;
  new (section_) platform::CriticalSection;
  depth_counter_ = 1;
  owner_thread_.store(0, std::memory_order_relaxed);
  ready_ = 1;
}

void GRecursiveLock::stop() noexcept {
  if (!ready_)
    return;
  ready_ = 0;
  section().~CriticalSection();
}

// Only the holder ever stores its own id, and it clears it before letting go,
// so reading our own id back means that we hold the lock; then depth_counter_
// is ours to read as well.
bool GRecursiveLock::held_by(platform::ThreadId thread) const noexcept {
  return owner_thread_.load(std::memory_order_relaxed) == thread &&
         depth_counter_ <= 0;
}

void GRecursiveLock::lock() noexcept {
  platform::ThreadId self = platform::current_thread_id();
  if (!held_by(self)) {
    if (ready_)
      section().enter();
    owner_thread_.store(self, std::memory_order_relaxed);
    depth_counter_ = 1;
  }
  --depth_counter_;
}

void GRecursiveLock::unlock() {
  if (!held_by(platform::current_thread_id())) {
    if (ready_)
      G_THROW("GThreads.not_acq_broad");
    return;
  }
  if (++depth_counter_ > 0) {
    depth_counter_ = 1;
    owner_thread_.store(0, std::memory_order_relaxed);
    if (ready_)
      section().leave();
  }
}
