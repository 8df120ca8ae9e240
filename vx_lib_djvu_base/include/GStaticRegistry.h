//===- GStaticRegistry.h - Static pointers released at exit ----*- C++ -*-===//
//
// Process-wide objects made on first use (the error stream, the built-in
// entity table) are reached through a plain static pointer. A static GRef
// would be destroyed at an unpredictable point of static destruction; the
// registry instead holds the reference and, at process exit, releases its
// objects in a fixed order: most recently registered first, each pointer
// variable set to null before its object is released. Code running later in
// the exit sequence then finds a null pointer, not a dangling one.
//
// The registry itself is made on first use. It has a lock of its own, so
// threads may register at once; a variable is still set without it, so each
// is registered by one thread (a function-local static's initialiser, say).
//
// Usage:
//   static ErrorStream *stream;
//   if (!stream) GStaticRegistry::add(stream, new ErrorStream);
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_GSTATICREGISTRY_H
#define LECTORIN_BASE_GSTATICREGISTRY_H

#include "GSmartPointer.h"

class GStaticRegistry {
public:
  /// Holds a reference to object until process exit and points variable at
  /// it. A null object sets variable to null and registers nothing; so does
  /// an object offered once the registry has been released at exit, which is
  /// then released at once. When the registry cannot grow, the object is
  /// released, variable stays null and the failure propagates.
  template <class T> static void add(T *&variable, T *object) {
    variable = nullptr;
    if (object && keep(object, &variable, &clear_variable<T>))
      variable = object;
  }

private:
  template <class T> static void clear_variable(void *variable) noexcept {
    *static_cast<T **>(variable) = nullptr;
  }
  static bool keep(GPEnabled *object, void *variable,
                   void (*clear)(void *) noexcept);
};

#endif // LECTORIN_BASE_GSTATICREGISTRY_H
