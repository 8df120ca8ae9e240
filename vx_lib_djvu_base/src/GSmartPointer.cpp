//===- GSmartPointer.cpp - Reference-counted objects ----------------------===//

#include "GSmartPointer.h"

#include "GException.h"
#include "GThreads.h"

namespace {

const char suspicious[] = "GSmartPointer.suspicious";

GRecursiveLock &refcount_lock() { return GRecursiveLock::refcount_lock(); }

} // namespace

GPEnabled::~GPEnabled() {
  int32_t count;
  {
    GRecursiveLock::Guard hold(refcount_lock());
    count = ref_count_;
  }
  if (count > 0) {
    // Deleted behind the back of the GRefs that still hold it: say so, but
    // never let an exception leave a destructor.
    try {
      G_THROW(suspicious);
    } catch (...) {
      GException::report_current();
    }
  }
}

int32_t GPEnabled::get_ref_count() const noexcept {
  GRecursiveLock::Guard hold(refcount_lock());
  return ref_count_;
}

void GPEnabled::destroy() {
  int32_t count;
  {
    GRecursiveLock::Guard hold(refcount_lock());
    count = ref_count_;
  }
  if (count >= 0)
    G_THROW(suspicious);
  delete this;
}

GPBase::GPBase(const GPBase &other) noexcept : object_(acquire(other)) {}

GPBase::GPBase(GPEnabled *object) noexcept : object_(acquire(object)) {}

GPBase::~GPBase() {
  try {
    replace(nullptr);
  } catch (...) {
    GException::report_current();
  }
}

void GPBase::assign(GPEnabled *object) { replace(acquire(object)); }

void GPBase::assign(const GPBase &other) { replace(acquire(other)); }

void GPBase::take(GPBase &other) noexcept {
  if (&other == this)
    return;
  GPEnabled *object = other.object_;
  other.object_ = nullptr;
  replace(object);
}

void GPBase::raise_null() { G_THROW(suspicious); }

GPEnabled *GPBase::acquire(GPEnabled *object) noexcept {
  if (!object)
    return nullptr;
  GRecursiveLock::Guard hold(refcount_lock());
  return count_reference(object);
}

// The pointer is read under the lock too: read before it, another thread
// could reassign other and delete the object before it is counted here.
GPEnabled *GPBase::acquire(const GPBase &other) noexcept {
  GRecursiveLock::Guard hold(refcount_lock());
  return count_reference(other.object_);
}

GPEnabled *GPBase::count_reference(GPEnabled *object) noexcept {
  // An object whose destruction has begun is never brought back.
  if (!object || object->ref_count_ < 0)
    return nullptr;
  ++object->ref_count_;
  return object;
}

void GPBase::replace(GPEnabled *object) noexcept {
  GPEnabled *previous;
  bool last = false;
  {
    GRecursiveLock::Guard hold(refcount_lock());
    previous = object_;
    object_ = object;
    if (previous) {
      int32_t count = previous->ref_count_;
      previous->ref_count_ = count == 1 ? -1 : count - 1;
      last = previous->ref_count_ < 0;
    }
  }
  // Outside the lock: the destructor may take and drop references of its own.
  if (last)
    previous->destroy();
}
