// Any text as messages to translate, with a small fixed message source
// loaded: identifiers, tabs, vertical tabs and line feeds in any order,
// against entries whose markers cover every conversion kind. The same input
// also goes to insert_argument as an entry text of its own (up to its first
// zero byte) and the argument after it, so that any conversion is tried.

#include "ByteStream.h"
#include "DjVuMessageLite.h"
#include "GException.h"

#include <cstdint>
#include <cstring>

namespace {

const char source[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<DjVuXML><BODY>\n"
    "<MESSAGE name=\"A.s\" value=\"s[%1!s!] [%2!-8s!] [%1!.3s!]\"/>\n"
    "<MESSAGE name=\"A.d\" value=\"d[%1!d!] [%2!+05x!] [%1!#o!] [%3!c!]\" "
    "number=\"12\"/>\n"
    "<MESSAGE name=\"A.f\" value=\"f[%1!.2f!] [%1!e!] [%2!g!] [%0!s!]\"/>\n"
    "<MESSAGE name=\"A.none\" value=\"no markers\"/>\n"
    "<MESSAGE name=\"A.body\" number=\"7\">\n"
    "  body %1!s! &amp; %0!d! %2!20s!\n"
    "</MESSAGE>\n"
    "<MESSAGE name=\"A.bad\" value=\"%1!n! %1!*d! %1 %1!\"/>\n"
    "</BODY></DjVuXML>\n";

GRef<DjVuMessageLite> make_lookup() {
  GRef<DjVuMessageLite> lookup = new DjVuMessageLite;
  GRef<ByteStream> stream = ByteStream::create_memory();
  stream->write_fully(source, static_cast<int32_t>(std::strlen(source)));
  stream->seek(0);
  lookup->load_source(stream);
  return lookup;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  static GRef<DjVuMessageLite> lookup = make_lookup();
  if (size > (1u << 16))
    return 0;
  const char *text = reinterpret_cast<const char *>(data);
  GUTF8String message(text, 0, static_cast<int32_t>(size));
  lookup->translate(message);

  const void *zero = std::memchr(data, 0, size);
  if (zero) {
    std::size_t split =
        static_cast<std::size_t>(static_cast<const uint8_t *>(zero) - data);
    GUTF8String argument(text + split + 1, 0,
                         static_cast<int32_t>(size - split - 1));
    int32_t number = split > 0 ? data[0] % 4 : 0;
    lookup->insert_argument(message, number, argument);
  }
  return 0;
}
