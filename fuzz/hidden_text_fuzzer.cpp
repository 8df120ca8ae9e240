// The hidden-text writer on an arbitrary code list whose characters have
// arbitrary texts (any 16 UTF-16 units, terminated or not, surrogates cut
// anywhere) and rectangles, at arbitrary scale factors and with every
// option: it reads no entry past the list's bytes, and the document it hands
// back is one that the plug-in's own XML parser reads without complaint.
//
// The plug-in binds table_engine.cpp, built as the engine library beside
// this program, and serves each input's characters through it.
//
// Input: options (1 byte), two scale selectors (1 byte each), the number of
// characters K (1 byte), K characters of 41 bytes (a has-text byte, 16
// units, x0 y0 x1 y1), then the code list as the engine lays it out.

#include "ByteStream.h"
#include "GException.h"
#include "XMLTags.h"
#include "engine_binding.h"
#include "hidden_text.h"
#include "ocr_options.h"
#include "platform.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" struct TableCharacter {
  int32_t has_text;
  uint16_t units[16];
  drs_rectangle rectangle;
};

namespace {

using ServeFunction = void (*)(const TableCharacter *, int32_t);

constexpr std::size_t character_bytes = 1 + 32 + 8;

ServeFunction bind_table_engine() {
  std::string self;
  if (!platform::executable_path(self))
    std::abort();
  std::string file = self.substr(0, self.rfind(platform::path_separator)) +
                     "/table_engine/" + platform::engine_library_file;
  std::string reason;
  if (!bind_engine(file, reason)) {
    std::fprintf(stderr, "cannot bind the table engine: %s\n", reason.c_str());
    std::abort();
  }
  platform::LibraryHandle library = platform::load_library(file, reason);
  auto serve = reinterpret_cast<ServeFunction>(
      platform::find_function(library, "table_engine_serve"));
  if (serve == nullptr)
    std::abort();
  return serve;
}

// Scale factors as the run makes them (page over target resolution, at
// most 1), with now and then one that no run makes.
double scale(uint8_t selector) {
  switch (selector % 8) {
  case 0:
    return 1.0;
  case 1:
    return 1e300;
  case 2:
    return -3.5;
  default:
    return (selector + 1) / 256.0;
  }
}

uint16_t unit_at(const uint8_t *p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  static const ServeFunction serve = bind_table_engine();
  if (size < 4)
    return 0;
  OcrOptions options;
  options.characters = data[0] & 1;
  options.separate = data[0] & 2;
  std::size_t count = data[3] % 32;
  if (size < 4 + count * character_bytes)
    return 0;
  std::vector<TableCharacter> characters(count);
  const uint8_t *p = data + 4;
  for (TableCharacter &c : characters) {
    c.has_text = p[0] & 1;
    for (int i = 0; i < 16; ++i)
      c.units[i] = unit_at(p + 1 + 2 * i);
    c.rectangle = {unit_at(p + 33), unit_at(p + 35), unit_at(p + 37),
                   unit_at(p + 39)};
    p += character_bytes;
  }
  serve(characters.data(), static_cast<int32_t>(count));

  // The list alone in a block of its size, so that a read past it shows.
  std::size_t list_bytes = size - static_cast<std::size_t>(p - data);
  std::vector<unsigned char> list(p, p + list_bytes);

  OcrSession session;
  session.scale_x = scale(data[1]);
  session.scale_y = scale(data[2]);
  write_hidden_text(session, list.data(), list.size(), options);
  char *document = take_hidden_text(session);

  try {
    GRef<ByteStream> stream = ByteStream::create_memory();
    stream->write_fully(document, static_cast<int32_t>(std::strlen(document)));
    stream->seek(0);
    GRef<vx_XMLTags> root = vx_XMLTags::create_from_stream(stream);
    if (root->name() != "HIDDENTEXT")
      throw GException("not the hidden text");
  } catch (const GException &ex) {
    std::fprintf(stderr, "%s\nthe document does not read back: %s\n", document,
                 ex.get_message_id());
    std::abort();
  }
  delete[] document;
  serve(nullptr, 0);
  return 0;
}
