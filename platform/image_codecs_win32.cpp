//===- image_codecs_win32.cpp - Image files through WIC -------------------===//
//
// Every frame that is not black and white is converted to 32-bit BGRA, the
// format every codec of the Imaging Component converts to, Wine's included
// (Wine's converter turns black and white into nothing else, hence its own
// path); gray frames are then taken from one channel. Encoding writes PNG,
// the overlay pictures' form, in the frame's own depth.

#include "image_codecs.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, whose types they use.
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>

namespace platform {

namespace {

// A COM interface pointer, released when it goes.
template <class T> class Com {
public:
  Com() = default;
  ~Com() {
    if (p_)
      p_->Release();
  }
  Com(const Com &) = delete;
  Com &operator=(const Com &) = delete;
  T **out() { return &p_; }
  T *get() const { return p_; }
  T *operator->() const { return p_; }

private:
  T *p_ = nullptr;
};

// COM on the calling thread while a file is decoded. A thread that has COM
// in the other apartment mode already keeps it and its own counting.
class ComScope {
public:
  ComScope() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_))
      ::CoUninitialize();
  }
  ComScope(const ComScope &) = delete;
  ComScope &operator=(const ComScope &) = delete;

private:
  HRESULT result_;
};

struct Decoder {
  Com<IWICImagingFactory> factory;
  Com<IWICStream> stream;
  Com<IWICBitmapDecoder> decoder;
};

DecodeResult open_decoder(const std::vector<uint8_t> &file, Decoder &d) {
  if (file.empty() || file.size() > MAXDWORD)
    return DecodeResult::not_an_image;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr,
                                CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void **>(d.factory.out()))) ||
      FAILED(d.factory->CreateStream(d.stream.out())) ||
      FAILED(d.stream->InitializeFromMemory(const_cast<BYTE *>(file.data()),
                                            static_cast<DWORD>(file.size()))))
    return DecodeResult::damaged;
  HRESULT result = d.factory->CreateDecoderFromStream(
      d.stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, d.decoder.out());
  if (result == WINCODEC_ERR_COMPONENTNOTFOUND)
    return DecodeResult::not_an_image;
  return SUCCEEDED(result) ? DecodeResult::ok : DecodeResult::damaged;
}

bool is_gray_format(const WICPixelFormatGUID &format) {
  for (const GUID &gray :
       {GUID_WICPixelFormat2bppGray, GUID_WICPixelFormat4bppGray,
        GUID_WICPixelFormat8bppGray, GUID_WICPixelFormat16bppGray,
        GUID_WICPixelFormat16bppGrayFixedPoint,
        GUID_WICPixelFormat16bppGrayHalf, GUID_WICPixelFormat32bppGrayFloat,
        GUID_WICPixelFormat32bppGrayFixedPoint})
    if (::IsEqualGUID(format, gray))
      return true;
  return false;
}

bool is_indexed_format(const WICPixelFormatGUID &format) {
  for (const GUID &indexed :
       {GUID_WICPixelFormat1bppIndexed, GUID_WICPixelFormat2bppIndexed,
        GUID_WICPixelFormat4bppIndexed, GUID_WICPixelFormat8bppIndexed})
    if (::IsEqualGUID(format, indexed))
      return true;
  return false;
}

// The colours of a frame's palette; empty when it has none.
std::vector<WICColor> palette_colours(const Decoder &d,
                                      IWICBitmapFrameDecode *source) {
  Com<IWICPalette> palette;
  UINT count = 0;
  if (FAILED(d.factory->CreatePalette(palette.out())) ||
      FAILED(source->CopyPalette(palette.get())) ||
      FAILED(palette->GetColorCount(&count)) || count == 0)
    return {};
  std::vector<WICColor> colours(count);
  if (FAILED(palette->GetColors(count, colours.data(), &count)))
    return {};
  colours.resize(count);
  return colours;
}

constexpr WICColor opaque_black = 0xFF000000;
constexpr WICColor opaque_white = 0xFFFFFFFF;

bool is_gray_colour(WICColor c) {
  return (c & 0xFF) == ((c >> 8) & 0xFF) && (c & 0xFF) == ((c >> 16) & 0xFF);
}

// Copies the frame's own 1-bit rows; `black` is the bit value of black.
bool copy_bilevel(IWICBitmapSource *source, uint32_t black, ImageFrame &frame) {
  frame.format = FrameFormat::bilevel;
  frame.row_step = (frame.width + 7) / 8;
  frame.pixels.resize(std::size_t{frame.row_step} * frame.height);
  if (FAILED(source->CopyPixels(nullptr, frame.row_step,
                                static_cast<UINT>(frame.pixels.size()),
                                frame.pixels.data())))
    return false;
  if (black == 0)
    for (uint8_t &byte : frame.pixels)
      byte = static_cast<uint8_t>(~byte);
  return true;
}

// Any other frame through 32-bit BGRA: gray from one channel, or colour
// laid over white by its alpha.
bool copy_through_bgra(const Decoder &d, IWICBitmapSource *source, bool gray,
                       ImageFrame &frame) {
  Com<IWICFormatConverter> converter;
  if (FAILED(d.factory->CreateFormatConverter(converter.out())) ||
      FAILED(converter->Initialize(source, GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return false;
  const std::size_t stride = std::size_t{frame.width} * 4;
  std::vector<uint8_t> bgra(stride * frame.height);
  if (bgra.size() > MAXDWORD ||
      FAILED(converter->CopyPixels(nullptr, static_cast<UINT>(stride),
                                   static_cast<UINT>(bgra.size()),
                                   bgra.data())))
    return false;
  frame.format = gray ? FrameFormat::gray : FrameFormat::rgb;
  frame.row_step = gray ? frame.width : frame.width * 4;
  frame.pixels.resize(std::size_t{frame.row_step} * frame.height);
  uint8_t *out = frame.pixels.data();
  for (std::size_t at = 0; at < bgra.size(); at += 4) {
    const unsigned alpha = bgra[at + 3];
    auto over_white = [alpha](unsigned value) {
      return static_cast<uint8_t>((value * alpha + 255 * (255 - alpha) + 127) /
                                  255);
    };
    if (gray) {
      *out++ = over_white(bgra[at]);
      continue;
    }
    *out++ = over_white(bgra[at + 2]);
    *out++ = over_white(bgra[at + 1]);
    *out++ = over_white(bgra[at]);
    *out++ = 0;
  }
  return true;
}

// The codec's pixel format for a frame, and its rows as the codec takes
// them: 1 is white in its black and white, and colour comes as blue, green,
// red.
WICPixelFormatGUID rows_for_codec(const ImageFrame &frame,
                                  std::vector<uint8_t> &rows,
                                  uint32_t &stride) {
  const uint8_t *in = frame.pixels.data();
  switch (frame.format) {
  case FrameFormat::bilevel:
    stride = (frame.width + 7) / 8;
    rows.resize(std::size_t{stride} * frame.height);
    for (uint32_t y = 0; y < frame.height; ++y)
      for (uint32_t x = 0; x < stride; ++x)
        rows[std::size_t{y} * stride + x] =
            static_cast<uint8_t>(~in[std::size_t{y} * frame.row_step + x]);
    return GUID_WICPixelFormatBlackWhite;
  case FrameFormat::gray:
    stride = frame.width;
    rows.resize(std::size_t{stride} * frame.height);
    for (uint32_t y = 0; y < frame.height; ++y)
      std::copy_n(in + std::size_t{y} * frame.row_step, frame.width,
                  rows.data() + std::size_t{y} * stride);
    return GUID_WICPixelFormat8bppGray;
  case FrameFormat::rgb:
    break;
  }
  stride = frame.width * 3;
  rows.resize(std::size_t{stride} * frame.height);
  for (uint32_t y = 0; y < frame.height; ++y) {
    const uint8_t *pixel = in + std::size_t{y} * frame.row_step;
    uint8_t *out = rows.data() + std::size_t{y} * stride;
    for (uint32_t x = 0; x < frame.width; ++x, pixel += 4) {
      *out++ = pixel[2];
      *out++ = pixel[1];
      *out++ = pixel[0];
    }
  }
  return GUID_WICPixelFormat24bppBGR;
}

bool frame_is_whole(const ImageFrame &frame) {
  if (frame.width == 0 || frame.height == 0 ||
      uint64_t{frame.width} * frame.height * 4 > 0x7FFFFFFF)
    return false;
  const uint64_t row =
      frame.format == FrameFormat::bilevel ? (uint64_t{frame.width} + 7) / 8
      : frame.format == FrameFormat::gray  ? frame.width
                                           : uint64_t{frame.width} * 4;
  return frame.row_step >= row &&
         frame.pixels.size() >=
             uint64_t{frame.row_step} * (frame.height - 1) + row;
}

// The bytes written into a memory stream.
bool stream_bytes(IStream *memory, std::vector<uint8_t> &bytes) {
  STATSTG stat = {};
  HGLOBAL global = nullptr;
  if (FAILED(memory->Stat(&stat, STATFLAG_NONAME)) ||
      FAILED(::GetHGlobalFromStream(memory, &global)) ||
      stat.cbSize.QuadPart > ::GlobalSize(global))
    return false;
  const void *start = ::GlobalLock(global);
  if (!start)
    return false;
  const uint8_t *first = static_cast<const uint8_t *>(start);
  bytes.assign(first, first + static_cast<std::size_t>(stat.cbSize.QuadPart));
  ::GlobalUnlock(global);
  return true;
}

} // namespace

bool encode_png(const ImageFrame &frame, std::vector<uint8_t> &file) {
  if (!frame_is_whole(frame))
    return false;
  std::vector<uint8_t> rows;
  uint32_t stride = 0;
  const WICPixelFormatGUID wanted = rows_for_codec(frame, rows, stride);
  WICPixelFormatGUID format = wanted;

  ComScope com;
  Com<IWICImagingFactory> factory;
  Com<IStream> memory;
  Com<IWICBitmapEncoder> encoder;
  Com<IWICBitmapFrameEncode> target;
  Com<IPropertyBag2> options;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr,
                                CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void **>(factory.out()))) ||
      FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, memory.out())) ||
      FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr,
                                    encoder.out())) ||
      FAILED(encoder->Initialize(memory.get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(target.out(), options.out())) ||
      FAILED(target->Initialize(options.get())) ||
      FAILED(target->SetSize(frame.width, frame.height)))
    return false;
  if (frame.x_resolution > 0 && frame.y_resolution > 0 &&
      FAILED(target->SetResolution(frame.x_resolution, frame.y_resolution)))
    return false;
  // The codec may answer with a format of its own; rows in another one
  // would be misread.
  if (FAILED(target->SetPixelFormat(&format)) ||
      !::IsEqualGUID(format, wanted) ||
      FAILED(target->WritePixels(
          frame.height, stride, static_cast<UINT>(rows.size()), rows.data())) ||
      FAILED(target->Commit()) || FAILED(encoder->Commit()))
    return false;
  return stream_bytes(memory.get(), file);
}

DecodeResult count_image_frames(const std::vector<uint8_t> &file, int &frames) {
  ComScope com;
  Decoder d;
  DecodeResult opened = open_decoder(file, d);
  if (opened != DecodeResult::ok)
    return opened;
  UINT count = 0;
  if (FAILED(d.decoder->GetFrameCount(&count)) || count == 0)
    return DecodeResult::damaged;
  frames = static_cast<int>(std::min<UINT>(count, 0x7FFFFFFF));
  return DecodeResult::ok;
}

DecodeResult decode_image_frame(const std::vector<uint8_t> &file, int index,
                                ImageFrame &frame) {
  ComScope com;
  Decoder d;
  DecodeResult opened = open_decoder(file, d);
  if (opened != DecodeResult::ok)
    return opened;
  Com<IWICBitmapFrameDecode> source;
  UINT width = 0, height = 0;
  WICPixelFormatGUID format{};
  if (index < 0 ||
      FAILED(d.decoder->GetFrame(static_cast<UINT>(index), source.out())) ||
      FAILED(source->GetSize(&width, &height)) || width == 0 || height == 0 ||
      FAILED(source->GetPixelFormat(&format)))
    return DecodeResult::damaged;
  // Four bytes a pixel on the way, in a 32-bit process.
  if (uint64_t{width} * height * 4 > 0x7FFFFFFF)
    return DecodeResult::too_large;
  frame = ImageFrame();
  frame.width = width;
  frame.height = height;
  if (FAILED(source->GetResolution(&frame.x_resolution, &frame.y_resolution)))
    frame.x_resolution = frame.y_resolution = 0;

  bool copied = false;
  if (::IsEqualGUID(format, GUID_WICPixelFormatBlackWhite)) {
    copied = copy_bilevel(source.get(), 0, frame); // 1 is white there
  } else {
    std::vector<WICColor> palette;
    if (is_indexed_format(format))
      palette = palette_colours(d, source.get());
    // A two-colour palette of black and white is a bilevel page that a
    // codec (BMP's) keeps as colour indexes.
    bool black_and_white =
        ::IsEqualGUID(format, GUID_WICPixelFormat1bppIndexed) &&
        palette.size() == 2 &&
        ((palette[0] == opaque_black && palette[1] == opaque_white) ||
         (palette[0] == opaque_white && palette[1] == opaque_black));
    if (black_and_white)
      copied =
          copy_bilevel(source.get(), palette[0] == opaque_black ? 0 : 1, frame);
    else
      copied = copy_through_bgra(
          d, source.get(),
          is_gray_format(format) ||
              (!palette.empty() &&
               std::all_of(palette.begin(), palette.end(), is_gray_colour)),
          frame);
  }
  return copied ? DecodeResult::ok : DecodeResult::damaged;
}

} // namespace platform
