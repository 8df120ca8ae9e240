// The registry of static pointers: at exit each variable is cleared before
// its object goes, newest registration first.

#include "GStaticRegistry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

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

std::atomic<int> released{0};

struct Released : GPEnabled {
  ~Released() override { ++released; }
};

// Threads register at once from the very first registration on: none may
// be lost, or its object is never released.
TEST(GStaticRegistryDeathTest, ThreadsRegisteringAtOnceLoseNothing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        // Registered before the registry's own handler, so it runs after.
        std::atexit(
            [] { std::fprintf(stderr, "released %d", released.load()); });
        const int threads = 4;
        const int each = 50000;
        static Released *variables[threads][each];
        std::atomic<int> ready{0};
        auto register_all = [&](int which) {
          ++ready;
          while (ready < threads) {
          }
          for (Released *&variable : variables[which])
            GStaticRegistry::add(variable, new Released);
        };
        std::vector<std::thread> running;
        running.reserve(threads);
        for (int t = 0; t < threads; ++t)
          running.emplace_back(register_all, t);
        for (std::thread &thread : running)
          thread.join();
        std::exit(0);
      },
      testing::ExitedWithCode(0), "released 200000");
}

struct Quiet : GPEnabled {};

TEST(GStaticRegistry, NullObjectClearsTheVariable) {
  Quiet stale;
  Quiet *variable = &stale;
  GStaticRegistry::add(variable, static_cast<Quiet *>(nullptr));
  EXPECT_EQ(variable, nullptr);
}

} // namespace
