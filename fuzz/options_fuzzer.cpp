// libFuzzer target: any byte string as the option text of a recognise call.
// The parser must accept or reject it without reading past its end, leaking
// or overflowing anything.

#include "ocr_options.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  // The editor's text ends at its first zero byte. The copy is exactly that
  // long, so a read past it is a fault the sanitizer sees.
  std::size_t length =
      static_cast<std::size_t>(std::find(data, data + size, uint8_t{0}) - data);
  char *text = static_cast<char *>(std::malloc(length + 1));
  if (!text)
    return 0;
  std::memcpy(text, data, length);
  text[length] = '\0';

  OcrOptions options;
  parse_options(options, text);
  std::free(text);
  return 0;
}
