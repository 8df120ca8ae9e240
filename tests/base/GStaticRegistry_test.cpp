// The registry of static pointers: at exit each variable is cleared before
// its object goes, newest registration first.

#include "GStaticRegistry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct Announcing : GPEnabled {
  const char *name;
  Announcing *const *variable;
  Announcing(const char *n, Announcing *const *v) : name(n), variable(v) {}
  ~Announcing() override {
    std::fprintf(stderr, "%s-%s:", name, *variable ? "set" : "cleared");
  }
};

Announcing *first_object;
Announcing *second_object;

TEST(GStaticRegistryDeathTest, ReleasesNewestFirstAtExit) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        GStaticRegistry::add(first_object,
                             new Announcing("first", &first_object));
        GStaticRegistry::add(second_object,
                             new Announcing("second", &second_object));
        if (first_object && second_object)
          std::exit(0);
        std::exit(1);
      },
      testing::ExitedWithCode(0), "second-cleared:first-cleared:");
}

struct Quiet : GPEnabled {};

TEST(GStaticRegistry, NullObjectClearsTheVariable) {
  Quiet stale;
  Quiet *variable = &stale;
  GStaticRegistry::add(variable, static_cast<Quiet *>(nullptr));
  EXPECT_EQ(variable, nullptr);
}

} // namespace
