// Picture decoding through the Windows Imaging Component: JPEG, PNG, GIF, BMP, TIFF
// and whatever codecs the system has.
#include <windows.h>
#include <wincodec.h>

#include <climits>
#include <new>

#include "platform/picture_checks.h"
#include "platform/picture_decode.h"
#include "platform/wic_win32.h"

namespace platform {

bool decode_picture(const uint8_t* bytes, size_t size, DecodedPicture& out) {
  out = DecodedPicture{};
  if (bytes == nullptr || size == 0 || size > static_cast<size_t>(INT_MAX)) return false;
  if (!looks_complete(bytes, size)) return false;
  int64_t declared_width = 0;
  int64_t declared_height = 0;
  if (declared_size(bytes, size, declared_width, declared_height) && too_many_pixels(declared_width, declared_height))
    return false;

  const wic::ComScope com;
  if (!com.ready()) return false;
  const wic::Com<IWICImagingFactory> factory = wic::imaging_factory();
  wic::MemoryDecoder source;
  if (!wic::open_decoder(factory.get(), bytes, size, source)) return false;
  wic::Com<IWICBitmapFrameDecode> frame;
  uint32_t width = 0;
  uint32_t height = 0;
  // The frame's own size counts too: formats without a header we read, and headers
  // that disagree with their frame, are refused here before decoding.
  if (!wic::first_frame(source.decoder.get(), frame, width, height)) return false;
  if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX || too_many_pixels(width, height))
    return false;
  const wic::Com<IWICBitmapSource> bgra = wic::as_bgra(frame.get());
  if (!bgra) return false;

  try {
    // BGRA bytes are a little-endian 0xAARRGGBB word per pixel.
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    const UINT stride = width * 4;
    if (FAILED(bgra->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size() * 4),
                                reinterpret_cast<BYTE*>(pixels.data())))) {
      return false;
    }
    out.width = static_cast<int32_t>(width);
    out.height = static_cast<int32_t>(height);
    out.pixels = std::move(pixels);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace platform
