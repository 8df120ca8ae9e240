// Any bytes as an XML document: the parser either builds a tree or raises a
// GException, never more; and the tree, or the identifier raised, is the same
// whether the document is read in the real chunk size or in chunks of a few
// bytes, which cut every multi-byte character somewhere.

#include "ByteStream.h"
#include "GException.h"
#include "UnicodeByteStream.h"
#include "XMLTags.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string text_of(const GUTF8String &s) {
  return std::string(s.c_str(), static_cast<std::size_t>(s.length()));
}

// The tree as text, children in document order. Attribute order follows the
// map's hashing, the same for equal contents.
void dump(const vx_XMLTags &tag, std::string &out) {
  out += "(" + text_of(tag.name());
  for (GCursor c = tag.attributes().first(); c; ++c)
    out += " " + text_of(tag.attributes().key(c)) + "=" +
           text_of(tag.attributes()[c]);
  out += "|" + text_of(tag.raw_text()) + "@" + std::to_string(tag.start_line());
  for (GCursor c = tag.content().first(); c; ++c) {
    dump(*tag.content()[c].tag, out);
    out += text_of(tag.content()[c].text_after);
  }
  out += ")";
}

std::string parse(const uint8_t *data, std::size_t size, int32_t chunk) {
  GRef<ByteStream> stream = ByteStream::create_memory();
  stream->write_fully(data, static_cast<int32_t>(size));
  stream->seek(0);
  try {
    GRef<vx_XMLTags> root = new vx_XMLTags;
    GRef<XMLByteStream> text = XMLByteStream::create(stream, chunk);
    root->parse(*text);
    std::string out;
    dump(*root, out);
    return out;
  } catch (const GException &ex) {
    return std::string("raised ") + ex.get_message_id();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  if (size > (1u << 20))
    return 0;
  std::string whole = parse(data, size, UnicodeByteStream::chunk_bytes);
  int32_t small = size > 0 ? 1 + data[size - 1] % 7 : 1;
  std::string pieces = parse(data, size, small);
  if (whole != pieces) {
    std::fprintf(stderr, "chunk size %d changes the result\n", int(small));
    std::abort();
  }
  return 0;
}
