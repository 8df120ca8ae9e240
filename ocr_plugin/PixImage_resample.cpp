//===- PixImage_resample.cpp - Bringing an image to another size ----------===//
//
// The resampling operations (box reduction, width and height stretches and
// their row helpers) come here. Until they do, resize keeps an image whose
// displayed size is already the one asked for, and refuses any other.
//
//===----------------------------------------------------------------------===//

#include "PixImage.h"

#include "GException.h"
#include "PixImageInternal.h"

void PixImage::resize(uint32_t width, uint32_t height) {
  if (pix::displayed_width(*active_) == width &&
      pix::displayed_height(*active_) == height)
    return;
  G_THROW("PixImage.no_resample");
}
