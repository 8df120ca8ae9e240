//===- line_feed.cpp - The page, one line at a time, for the engine -------===//

#include "line_feed.h"

int32_t engine_line_callback(void *feed, int32_t request, uint8_t *buffer) {
  try {
    auto &lines = *static_cast<LineFeed *>(feed);
    if (request == 0)
      lines.next_line = 0;
    if (lines.next_line < 0 ||
        static_cast<uint32_t>(lines.next_line) >= lines.lines)
      return -1;
    const unsigned char *start = nullptr;
    const unsigned char *end = nullptr;
    int64_t step = pix_row_span(
        lines.image, static_cast<uint32_t>(lines.next_line), &start, &end);
    if (step == 0)
      return -1;
    // A row has the image's displayed width in pixels; the span's end may
    // lie outside the memory, so the row is walked by count.
    const PixImageDesc &image = *lines.image;
    uint32_t count = (image.orientation & 4) ? image.height : image.width;
    if (count > lines.width)
      count = lines.width;
    for (uint32_t i = 0; i < count; ++i)
      buffer[i] = start[static_cast<int64_t>(i) * step];
    ++lines.next_line;
    return 0;
  } catch (...) {
    return -1;
  }
}
