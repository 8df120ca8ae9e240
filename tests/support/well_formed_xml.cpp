//===- well_formed_xml.cpp - A real XML parser's verdict, for tests -------===//

#include "well_formed_xml.h"

#ifdef LECTORIN_HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#endif

namespace testing_support {

::testing::AssertionResult is_well_formed_xml(const std::string &document) {
#ifdef LECTORIN_HAVE_LIBXML2
  xmlDocPtr parsed = xmlReadMemory(
      document.data(), static_cast<int>(document.size()), "hidden-text.xml",
      nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (!parsed) {
    const xmlError *error = xmlGetLastError();
    return ::testing::AssertionFailure()
           << "not well-formed: "
           << (error && error->message ? error->message : "?") << " in "
           << document;
  }
  xmlFreeDoc(parsed);
#else
  (void)document;
#endif
  return ::testing::AssertionSuccess();
}

} // namespace testing_support
