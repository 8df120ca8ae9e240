//===- GStaticRegistry.cpp - Static pointers released at exit -------------===//

#include "GStaticRegistry.h"

#include "GContainer.h"
#include "GThreads.h"

#include <cstdlib>

namespace {

// Threads may register at once. Like the process-wide locks, this one is
// dormant before the library's static construction and after its static
// destruction, when registrations come from one thread only.
GRecursiveLock registry_lock;

struct RegistryLockLife {
  RegistryLockLife() noexcept { registry_lock.start(); }
  ~RegistryLockLife() { registry_lock.stop(); }
} registry_lock_life;

struct Registration {
  GRef<GPEnabled> object;
  void *variable;
  void (*clear)(void *) noexcept;
};

// Newest first, so that release in list order is release in reverse order of
// registration.
GLinkedList<Registration> *registrations;
bool released_at_exit;

void release_all() {
  GLinkedList<Registration> *list;
  {
    GRecursiveLock::Guard hold(registry_lock);
    released_at_exit = true;
    list = registrations;
    registrations = nullptr;
  }
  if (!list)
    return;
  // Outside the lock, which no destructor run here should keep other
  // threads waiting for; an object offered now is released at once.
  while (!list->empty()) {
    GCursor newest = list->first();
    Registration registration = (*list)[newest];
    list->del(newest);
    registration.clear(registration.variable);
    // The last reference, unless someone copied the pointer: released here.
    registration.object.reset();
  }
  delete list;
}

} // namespace

bool GStaticRegistry::keep(GPEnabled *object, void *variable,
                           void (*clear)(void *) noexcept) {
  GRef<GPEnabled> held(object);
  GRecursiveLock::Guard hold(registry_lock);
  if (released_at_exit || !held)
    return false;
  if (!registrations) {
    registrations = new GLinkedList<Registration>;
    // Without the exit handler the objects are only left to the system.
    (void)std::atexit(release_all);
  }
  registrations->prepend(Registration{held, variable, clear});
  return true;
}
