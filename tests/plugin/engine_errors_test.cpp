// The engine's complaints as identifiers: every class and reason pair with a
// name of its own, neighbours that have none, and the collection of a run.

#include "engine_errors.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string identifier(uint32_t class_code, uint32_t detail_code,
                       uint32_t reason_code) {
  return engine_complaint_identifier(class_code, detail_code, reason_code)
      .c_str();
}

TEST(EngineComplaints, KnownPairsHaveTheirOwnIdentifier) {
  struct Case {
    uint32_t class_code, reason_code;
    const char *expected;
  };
  const Case cases[] = {
      {0x1500, 32, "IRIS.nomem"},     {0x1500, 40, "IRIS.nomem"},
      {0x1500, 137, "IRIS.lexicon"},  {0x1600, 1290, "IRIS.badchar"},
      {0x1800, 13, "IRIS.abnormal"},  {0x1800, 99, "IRIS.badchar"},
      {0x1A00, 341, "IRIS.maindict"}, {0x1A00, 413, "IRIS.userdict"},
      {0x1A00, 417, "IRIS.userdict"}, {0x1A00, 421, "IRIS.userdict"},
      {0x1A00, 437, "IRIS.userdict"}, {0x1A00, 465, "IRIS.userdict"},
      {0x1A00, 469, "IRIS.userdict"}, {0x1A00, 489, "IRIS.userdict"},
      {0x1A00, 505, "IRIS.userdict"},
  };
  for (const Case &c : cases) {
    // The detail code never decides.
    EXPECT_EQ(identifier(c.class_code, 0, c.reason_code), c.expected);
    EXPECT_EQ(identifier(c.class_code, 0xFFFFFFFF, c.reason_code), c.expected);
  }
}

TEST(EngineComplaints, OtherPairsNameTheirThreeCodes) {
  // A known reason under another class, and a known class with a reason
  // next to a known one.
  EXPECT_EQ(identifier(0x1600, 5, 341),
            "IRIS.detected\t0x1600\t0x0005\t0x0155");
  EXPECT_EQ(identifier(0x1A00, 0, 342),
            "IRIS.detected\t0x1a00\t0x0000\t0x0156");
  EXPECT_EQ(identifier(0x1500, 7, 33), "IRIS.detected\t0x1500\t0x0007\t0x0021");
  // Codes wider than four digits keep all of theirs.
  EXPECT_EQ(identifier(0x12345, 0xABCDEF01, 0),
            "IRIS.detected\t0x12345\t0xabcdef01\t0x0000");
}

TEST(EngineComplaints, TheCallbackCollectsOneLinePerComplaint) {
  engine_errors() = GUTF8String();
  EXPECT_EQ(engine_error_callback(0x1A00, 1, 341), 0);
  EXPECT_EQ(engine_error_callback(0x1800, 2, 14), 0);
  EXPECT_EQ(engine_error_callback(0x1500, 3, 40), 0);
  EXPECT_STREQ(
      engine_errors().c_str(),
      "IRIS.maindict\nIRIS.detected\t0x1800\t0x0002\t0x000e\nIRIS.nomem");
  engine_errors() = GUTF8String();
}

} // namespace
