// Picture decoding through the Windows Imaging Component, streamed into the sink a
// band of rows at a time; JPEGs scaled inside the codec where it can. HEIC and AVIF
// decode only where Windows has their codecs (the free HEIF, HEVC and AV1 extensions
// from the Microsoft Store); elsewhere WIC finds no decoder and they are refused.
#include <windows.h>
#include <wincodec.h>

#include <climits>

#include "platform/picture_checks.h"
#include "platform/picture_decode.h"
#include "platform/wic_win32.h"

namespace platform {
namespace {

// A GIF frame's place on the canvas its header declares; 0 where not given.
int32_t frame_offset(IWICBitmapFrameDecode* frame, const wchar_t* name) {
  wic::Com<IWICMetadataQueryReader> reader;
  if (FAILED(frame->GetMetadataQueryReader(reader.put()))) return 0;
  PROPVARIANT value;
  PropVariantInit(&value);
  int32_t offset = 0;
  if (SUCCEEDED(reader->GetMetadataByName(name, &value)) && value.vt == VT_UI2) offset = value.uiVal;
  PropVariantClear(&value);
  return offset;
}

bool is_gif(const uint8_t* bytes) { return bytes[0] == 'G' && bytes[1] == 'I' && bytes[2] == 'F'; }
bool is_jpeg(const uint8_t* bytes) { return bytes[0] == 0xFF && bytes[1] == 0xD8; }

}  // namespace

bool decode_picture(const uint8_t* bytes, size_t size, int32_t min_width, int32_t min_height, PictureSink& sink) {
  // Only the formats we read reach WIC, and only with a size checked beforehand.
  int32_t width = 0;
  int32_t height = 0;
  if (!read_picture_size(bytes, size, width, height)) return false;
  if (size > static_cast<size_t>(INT_MAX) || !looks_complete(bytes, size)) return false;

  const wic::ComScope com;
  if (!com.ready()) return false;
  const wic::Com<IWICImagingFactory> factory = wic::imaging_factory();
  wic::MemoryDecoder source;
  if (!wic::open_decoder(factory.get(), bytes, size, source)) return false;
  wic::Com<IWICBitmapFrameDecode> frame;
  uint32_t frame_width = 0;
  uint32_t frame_height = 0;
  if (!wic::first_frame(source.decoder.get(), frame, frame_width, frame_height)) return false;

  // A frame that disagrees with the header is refused before a pixel is decoded;
  // only a GIF frame may be smaller than its canvas, and it must lie inside it.
  int32_t left = 0;
  int32_t top = 0;
  if (is_gif(bytes)) {
    left = frame_offset(frame.get(), L"/imgdesc/Left");
    top = frame_offset(frame.get(), L"/imgdesc/Top");
    if (frame_width == 0 || frame_height == 0 || frame_width > static_cast<uint32_t>(width - left) ||
        frame_height > static_cast<uint32_t>(height - top) || left >= width || top >= height) {
      return false;
    }
  } else if (frame_width != static_cast<uint32_t>(width) || frame_height != static_cast<uint32_t>(height)) {
    return false;
  }

  if (is_jpeg(bytes) && min_width > 0 && min_height > 0) {
    wic::Com<wic::SourceTransform> transform;
    uint32_t reduced_width = 0;
    uint32_t reduced_height = 0;
    if (wic::reduced_size(frame.get(), frame_width, frame_height, static_cast<uint32_t>(min_width),
                          static_cast<uint32_t>(min_height), transform, reduced_width, reduced_height)) {
      if (!sink.begin(static_cast<int32_t>(reduced_width), static_cast<int32_t>(reduced_height))) return false;
      return wic::copy_reduced_strips(transform.get(), reduced_width, reduced_height, sink);
    }
  }

  const wic::Com<IWICBitmapSource> bgra = wic::as_bgra(frame.get());
  if (!bgra || !sink.begin(width, height)) return false;
  return wic::copy_strips(bgra.get(), frame_width, frame_height, left, top, sink);
}

}  // namespace platform
