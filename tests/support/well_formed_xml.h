//===- well_formed_xml.h - A real XML parser's verdict, for tests -*- C++
//-*-===//
//
// Documents the plug-in writes are checked by an XML parser that is not the
// project's own (libxml2). Where the build has none (the Windows build), the
// check passes without looking; byte-for-byte expectations still hold there.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TESTS_WELL_FORMED_XML_H
#define LECTORIN_TESTS_WELL_FORMED_XML_H

#include <gtest/gtest.h>

#include <string>

namespace testing_support {

/// Success when the document is well-formed XML, or when no parser exists.
::testing::AssertionResult is_well_formed_xml(const std::string &document);

} // namespace testing_support

#endif // LECTORIN_TESTS_WELL_FORMED_XML_H
