// The recursive lock: the owner nests, others wait for the last unlock, and
// misuse is refused.

#include "GThreads.h"

#include "GSmartPointer.h"
#include "test_util.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

void pause() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

TEST(GRecursiveLock, OthersWaitForTheOwnersLastUnlock) {
  GRecursiveLock lock;
  lock.start();
  lock.lock();
  lock.lock();
  std::atomic<bool> entered{false};
  std::thread other([&] {
    lock.lock();
    entered = true;
    lock.unlock();
  });
  pause();
  EXPECT_FALSE(entered);
  lock.unlock();
  pause();
  EXPECT_FALSE(entered);
  lock.unlock();
  other.join();
  EXPECT_TRUE(entered);
  lock.stop();
}

TEST(GRecursiveLock, UnlockByANonHolderIsRefused) {
  GRecursiveLock lock;
  lock.start();
  EXPECT_EQ(raised_id([&] { lock.unlock(); }), "GThreads.not_acq_broad");
  lock.lock();
  std::string other_id;
  std::thread other([&] { other_id = raised_id([&] { lock.unlock(); }); });
  other.join();
  EXPECT_EQ(other_id, "GThreads.not_acq_broad");
  lock.unlock(); // still ours, despite the other thread's attempt
  EXPECT_EQ(raised_id([&] { lock.unlock(); }), "GThreads.not_acq_broad");
  lock.stop();
}

// Before start and after stop, as during static construction and
// destruction, a lock only counts and never refuses.
TEST(GRecursiveLock, DormantLockOnlyCounts) {
  GRecursiveLock lock;
  lock.lock();
  lock.lock();
  lock.unlock();
  lock.unlock();
  EXPECT_EQ(raised_id([&] { lock.unlock(); }), "<nothing raised>");
  lock.start();
  lock.lock();
  lock.unlock();
  lock.stop();
  lock.lock();
  lock.unlock();
}

struct Shared : GPEnabled {};

// The reference-count lock is real at run time: no count changes while
// another thread holds it.
TEST(GRecursiveLock, ReferenceCountsWaitForTheCountLock) {
  GRef<Shared> shared = new Shared;
  std::atomic<bool> copied{false};
  GRecursiveLock::refcount_lock().lock();
  std::thread other([&] {
    GRef<Shared> copy = shared;
    copied = true;
  });
  pause();
  EXPECT_FALSE(copied);
  GRecursiveLock::refcount_lock().unlock();
  other.join();
  EXPECT_TRUE(copied);
  EXPECT_NE(&GRecursiveLock::refcount_lock(), &GRecursiveLock::locale_lock());
}

} // namespace
