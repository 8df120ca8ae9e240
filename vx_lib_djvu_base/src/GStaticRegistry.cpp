//===- GStaticRegistry.cpp - Static pointers released at exit -------------===//

#include "GStaticRegistry.h"

#include "GContainer.h"

#include <cstdlib>

namespace {

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
  released_at_exit = true;
  if (!registrations)
    return;
  while (!registrations->empty()) {
    GCursor newest = registrations->first();
    Registration registration = (*registrations)[newest];
    registrations->del(newest);
    registration.clear(registration.variable);
    // The last reference, unless someone copied the pointer: released here.
    registration.object.reset();
  }
  delete registrations;
  registrations = nullptr;
}

} // namespace

bool GStaticRegistry::keep(GPEnabled *object, void *variable,
                           void (*clear)(void *) noexcept) {
  GRef<GPEnabled> held(object);
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
