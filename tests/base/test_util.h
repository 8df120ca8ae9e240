// Helpers shared by the base library's tests.
#ifndef LECTORIN_TESTS_BASE_TEST_UTIL_H
#define LECTORIN_TESTS_BASE_TEST_UTIL_H

#include "GException.h"

#include <gtest/gtest.h>

#include <string>

// The identifier that f raises, or "<nothing raised>".
template <class F> std::string raised_id(F f) {
  try {
    f();
  } catch (const GException &ex) {
    return ex.get_message_id();
  }
  return "<nothing raised>";
}

// The built-in translation of an identifier without parameters that no
// message source names.
inline std::string unrecognized(const std::string &id) {
  return "** Unrecognized DjVu Message: [Contact Veltrix for assistance]\n"
         "\t** Message name:  " +
         id;
}

// What f writes on standard error.
template <class F> std::string stderr_of(F f) {
  testing::internal::CaptureStderr();
  f();
  return testing::internal::GetCapturedStderr();
}

#endif // LECTORIN_TESTS_BASE_TEST_UTIL_H
