// Reference counting: every object is deleted exactly once, by the last
// release, also when two threads race on its references.

#include "GSmartPointer.h"

#include "GContainer.h"
#include "test_util.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<int> live{0};

struct Counted : GPEnabled {
  Counted() { ++live; }
  ~Counted() override { --live; }
  int value = 0;
};

struct Derived : Counted {};

TEST(GRef, LastReleaseDeletesOnce) {
  {
    GRef<Counted> a = new Counted;
    GRef<Counted> b = a;
    GRef<Counted> c;
    c = b;
    c = c;
    EXPECT_EQ(a->get_ref_count(), 3);
    a.reset();
    b = nullptr;
    EXPECT_EQ(live, 1);
    EXPECT_EQ(c->get_ref_count(), 1);
    c = new Counted; // the first object goes, the second comes
    EXPECT_EQ(live, 1);
  }
  EXPECT_EQ(live, 0);
}

TEST(GRef, ConversionToBaseSharesTheCount) {
  GRef<Derived> derived = new Derived;
  GRef<Counted> base = derived;
  GRef<GPEnabled> root;
  root = base;
  EXPECT_TRUE(root == derived);
  EXPECT_EQ(derived->get_ref_count(), 3);
  derived.reset();
  base.reset();
  EXPECT_EQ(live, 1);
  root.reset();
  EXPECT_EQ(live, 0);
}

TEST(GRef, NullDereferenceRaisesSuspicious) {
  GRef<Counted> empty;
  EXPECT_FALSE(empty);
  EXPECT_EQ(raised_id([&] { (void)empty->value; }), "GSmartPointer.suspicious");
  EXPECT_EQ(raised_id([&] { (void)*empty; }), "GSmartPointer.suspicious");
}

// Inside its destructor the count is -1: a GRef made from `this` must not
// bring the object back, or it would be deleted twice.
struct Resurrecting : GPEnabled {
  bool *came_back;
  explicit Resurrecting(bool *flag) : came_back(flag) {}
  ~Resurrecting() override {
    GRef<Resurrecting> again(this);
    *came_back = static_cast<bool>(again);
  }
};

TEST(GRef, ObjectUnderDestructionIsNeverAcquired) {
  bool came_back = true;
  GRef<Resurrecting> ref = new Resurrecting(&came_back);
  ref.reset();
  EXPECT_FALSE(came_back);
}

TEST(GPEnabled, DeletingAReferencedObjectIsReported) {
  Counted *object = new Counted;
  // A reference that is never released, so that the count stays at 1.
  alignas(GRef<Counted>) unsigned char slot[sizeof(GRef<Counted>)];
  new (slot) GRef<Counted>(object);
  EXPECT_EQ(stderr_of([&] { delete object; }),
            "***" + unrecognized("GSmartPointer.suspicious") + "\n" +
                unrecognized("GException.exception") + "\n\n");
  EXPECT_EQ(live, 0);
}

TEST(GPEnabledWrapper, SharesAPlainValue) {
  using Table = GMap<std::string, GRef<Counted>>;
  GRef<GPEnabledWrapper<Table>> shared = new GPEnabledWrapper<Table>();
  shared->get()["lt"] = new Counted;
  GRef<GPEnabledWrapper<Table>> other = shared;
  shared.reset();
  EXPECT_EQ(live, 1);
  other.reset(); // destroys the map, which releases its value
  EXPECT_EQ(live, 0);
}

// Runs job on two threads that start together, so that they really overlap.
template <class Job> void on_two_threads(Job job) {
  std::atomic<int> ready{0};
  auto start_then_run = [&](int which) {
    ++ready;
    while (ready < 2) {
    }
    job(which);
  };
  std::thread first(start_then_run, 0);
  std::thread second(start_then_run, 1);
  first.join();
  second.join();
}

// Two threads copy and drop references to one object as fast as they can;
// every count change must happen under the lock or the count drifts.
TEST(GRef, TwoThreadsHammeringCopiesKeepTheCount) {
  GRef<Counted> shared = new Counted;
  on_two_threads([&shared](int) {
    for (int i = 0; i < 50000; ++i) {
      GRef<Counted> copy = shared;
      GRef<Counted> another;
      another = copy;
      GRef<GPEnabled> base = another;
      copy.reset();
    }
  });
  EXPECT_EQ(shared->get_ref_count(), 1);
  shared.reset();
  EXPECT_EQ(live, 0);
}

// One thread copies a GRef while the other points it at new objects: the
// copy must read the pointer under the lock, or it counts a reference on an
// object that the reassignment has just deleted (a use after free under ASan).
TEST(GRef, CopyingAGRefThatAnotherThreadReassigns) {
  GRef<Counted> shared = new Counted;
  on_two_threads([&shared](int which) {
    for (int i = 0; i < 50000; ++i) {
      if (which == 1) {
        shared = new Counted;
        continue;
      }
      GRef<Counted> copy = shared;
      GRef<Counted> assigned;
      assigned = shared;
      EXPECT_GE(copy->get_ref_count(), 1);
    }
  });
  shared.reset();
  EXPECT_EQ(live, 0);
}

// Two threads drop the two references of many objects at once: each object
// must be deleted by exactly one of them (a double free shows under ASan).
TEST(GRef, RacingLastReleasesDeleteOnce) {
  const int count = 20000;
  std::vector<GRef<Counted>> refs[2] = {std::vector<GRef<Counted>>(count),
                                        std::vector<GRef<Counted>>(count)};
  for (int i = 0; i < count; ++i)
    refs[1][i] = refs[0][i] = new Counted;
  on_two_threads([&refs](int which) {
    for (auto &ref : refs[which])
      ref.reset();
  });
  EXPECT_EQ(live, 0);
}

} // namespace
