//===- line_feed.h - The page, one line at a time, for the engine -*- C++
//-*-===//
//
// The engine reads the page through a callback while it finds the zones. The
// line feed holds what the callback needs: the prepared page image and the
// number of the next line to deliver.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_OCR_PLUGIN_LINE_FEED_H
#define LECTORIN_OCR_PLUGIN_LINE_FEED_H

#include "PixImage.h"

#include <cstdint>

struct LineFeed {
  uint32_t lines;      ///< lines of the page (its displayed height)
  uint32_t width;      ///< pixels per line (its displayed width)
  uint32_t resolution; ///< the resolution the engine reads the page at
  int32_t next_line;   ///< the line the next call delivers
  const PixImageDesc *image;
};

extern "C" {
/// Request 0 starts again at the first line, any other value asks for the
/// next. Copies one byte per pixel of the line, at most width bytes, into
/// buffer and returns 0, or returns -1 when there are no more lines (the
/// buffer untouched). Nothing escapes into the engine's frames.
int32_t engine_line_callback(void *feed, int32_t request, uint8_t *buffer);
}

#endif // LECTORIN_OCR_PLUGIN_LINE_FEED_H
