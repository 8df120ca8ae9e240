//===- image_codecs.h - Image files through the system's codecs -*- C++ -*-===//
//
// The Windows host programs read page images with the codecs that come with
// the system, the Windows Imaging Component (Wine has its own): PNG, TIFF
// with every page, JPEG and BMP. Nothing has to be cross-built or shipped
// for them, and they are the codecs the editor itself would use. The
// plug-in and the engine never read image files; only host programs link
// this unit.
//
// Decoding works on the file's bytes, so that the file is opened once, by
// name in UTF-16, whatever the code page; encoding gives the bytes of a file
// for the caller to write, likewise.
//
//   std::vector<uint8_t> bytes = ...;
//   int frames = 0;
//   if (platform::count_image_frames(bytes, frames) == DecodeResult::ok)
//     platform::decode_image_frame(bytes, 0, frame);
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_PLATFORM_IMAGE_CODECS_H
#define LECTORIN_PLATFORM_IMAGE_CODECS_H

#include <cstdint>
#include <vector>

namespace platform {

enum class FrameFormat {
  bilevel, ///< 1 bit a pixel, the first in the top bit of a byte, 1 black
  gray,    ///< a byte a pixel
  rgb,     ///< red, green, blue and a spare byte a pixel
};

struct ImageFrame {
  FrameFormat format = FrameFormat::gray;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t row_step = 0; ///< bytes from one row to the next
  /// Dots per inch as the file gives them.
  double x_resolution = 0;
  double y_resolution = 0;
  /// Rows top first; transparency is laid over white.
  std::vector<uint8_t> pixels;
};

enum class DecodeResult {
  ok,
  not_an_image, ///< no codec of the system reads these bytes
  damaged,      ///< a codec claims them, but cannot decode them
  too_large,    ///< the frame's pixels would take 2 GB or more
};

/// The number of frames (pages) in an image file's bytes, at least 1 when
/// ok.
DecodeResult count_image_frames(const std::vector<uint8_t> &file, int &frames);

/// Decodes frame `index` (from 0). Black-and-white frames stay 1 bit a
/// pixel; frames of gray levels only become gray (a palette of grays as
/// well); every other frame becomes rgb.
DecodeResult decode_image_frame(const std::vector<uint8_t> &file, int index,
                                ImageFrame &frame);

/// The frame as the bytes of a PNG file, with its resolution where it has
/// one; bilevel stays 1 bit a pixel, gray 8 and rgb becomes 24. False when
/// the frame is empty or the codec fails.
bool encode_png(const ImageFrame &frame, std::vector<uint8_t> &file);

} // namespace platform

#endif // LECTORIN_PLATFORM_IMAGE_CODECS_H
