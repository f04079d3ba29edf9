#include "platform/wic_win32.h"

#include <climits>
#include <new>
#include <vector>

#include "platform/picture_decode.h"

namespace platform::wic {

ComScope::ComScope() {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  // S_FALSE: already initialised in the same apartment, still to be balanced.
  owns_ = SUCCEEDED(result);
  ready_ = owns_ || result == RPC_E_CHANGED_MODE;
}

ComScope::~ComScope() {
  if (owns_) CoUninitialize();
}

Com<IWICImagingFactory> imaging_factory() {
  Com<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.put())))) {
    factory.reset();
  }
  return factory;
}

bool open_decoder(IWICImagingFactory* factory, const uint8_t* bytes, size_t size, MemoryDecoder& out) {
  out = MemoryDecoder{};
  if (factory == nullptr || bytes == nullptr || size == 0 || size > static_cast<size_t>(UINT32_MAX)) return false;
  if (FAILED(factory->CreateStream(out.stream.put()))) return false;
  // The stream only reads the bytes; its interface just has no const form.
  if (FAILED(out.stream->InitializeFromMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(size)))) return false;
  if (FAILED(factory->CreateDecoderFromStream(out.stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              out.decoder.put()))) {
    return false;
  }
  return true;
}

bool first_frame(IWICBitmapDecoder* decoder, Com<IWICBitmapFrameDecode>& frame, uint32_t& width, uint32_t& height) {
  UINT frames = 0;
  if (decoder == nullptr || FAILED(decoder->GetFrameCount(&frames)) || frames == 0) return false;
  if (FAILED(decoder->GetFrame(0, frame.put()))) return false;
  UINT w = 0;
  UINT h = 0;
  if (FAILED(frame->GetSize(&w, &h))) return false;
  width = w;
  height = h;
  return true;
}

Com<IWICBitmapSource> as_bgra(IWICBitmapSource* source) {
  Com<IWICBitmapSource> converted;
  if (source == nullptr || FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, source, converted.put()))) {
    converted.reset();
  }
  return converted;
}

namespace {

// Bytes per pixel of the formats a scaling codec hands out; 0 for others.
UINT bytes_per_pixel(const WICPixelFormatGUID& format) {
  if (IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA) || IsEqualGUID(format, GUID_WICPixelFormat32bppBGR)) return 4;
  if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return 3;
  if (IsEqualGUID(format, GUID_WICPixelFormat8bppGray)) return 1;
  return 0;
}

uint32_t word_of(const BYTE* p, const WICPixelFormatGUID& format) {
  if (IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA))
    return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
  if (IsEqualGUID(format, GUID_WICPixelFormat8bppGray)) return 0xFF000000u | (uint32_t{p[0]} * 0x010101u);
  return 0xFF000000u | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

}  // namespace

namespace {

UINT band_of(size_t band_bytes, UINT stride, UINT height) {
  const size_t rows = band_bytes / stride;
  return static_cast<UINT>(rows < 1 ? 1 : rows > height ? height : rows);
}

// Hands over `rows` rows of a band in `format`, starting at row `first`.
void deliver(const std::vector<BYTE>& band, UINT stride, UINT depth, const WICPixelFormatGUID& format, UINT width,
             UINT first, UINT rows, int32_t left, int32_t top, std::vector<uint32_t>& words, PictureSink& sink) {
  for (UINT r = 0; r < rows; ++r) {
    const BYTE* row = band.data() + static_cast<size_t>(r) * stride;
    for (UINT x = 0; x < width; ++x) words[x] = word_of(row + x * depth, format);
    sink.pixels(top + static_cast<int32_t>(first + r), left, 1, words.data(), static_cast<int32_t>(width));
  }
}

}  // namespace

bool reduced_size(IWICBitmapFrameDecode* frame, uint32_t width, uint32_t height, uint32_t min_width,
                  uint32_t min_height, Com<SourceTransform>& transform, uint32_t& out_width, uint32_t& out_height) {
  transform.reset();
  if (frame == nullptr || width == 0 || height == 0) return false;
  Com<SourceTransform> candidate;
  if (FAILED(frame->QueryInterface(kSourceTransformId, reinterpret_cast<void**>(candidate.put())))) return false;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  if (FAILED(candidate->GetClosestPixelFormat(&format)) || bytes_per_pixel(format) == 0) return false;
  for (uint32_t denominator : {8u, 4u, 2u}) {
    UINT w = (width + denominator - 1) / denominator;
    UINT h = (height + denominator - 1) / denominator;
    if (w < min_width || h < min_height) continue;
    // The codec may round its own way; only a size that still covers the minimum
    // and is smaller than the stored one is worth it.
    if (FAILED(candidate->GetClosestSize(&w, &h))) return false;
    if (w < min_width || h < min_height || w > width || h > height || (w == width && h == height)) continue;
    out_width = w;
    out_height = h;
    transform = std::move(candidate);
    return true;
  }
  return false;
}

// Copies the picture in bands of whole rows, top first, each band through `copy` into
// one buffer of at most `band_bytes`, then hands it to `use`.
template <typename Copy, typename Use>
bool for_each_band(UINT width, UINT height, UINT stride, size_t band_bytes, Copy copy, Use use) {
  const UINT band_rows = band_of(band_bytes, stride, height);
  try {
    std::vector<BYTE> band(static_cast<size_t>(stride) * band_rows);
    std::vector<uint32_t> words(width);
    for (UINT y = 0; y < height; y += band_rows) {
      const UINT rows = band_rows < height - y ? band_rows : height - y;
      const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(rows)};
      if (!copy(rect, band.data())) return false;
      use(band, y, rows, words);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool copy_strips(IWICBitmapSource* source, uint32_t width, uint32_t height, int32_t left, int32_t top,
                 PictureSink& sink, size_t band_bytes) {
  if (source == nullptr || width == 0 || height == 0 || width > INT32_MAX / 4) return false;
  const UINT stride = width * 4;
  return for_each_band(width, height, stride, band_bytes, [&](const WICRect& rect, BYTE* band) {
    return SUCCEEDED(source->CopyPixels(&rect, stride, stride * rect.Height, band));
  }, [&](const std::vector<BYTE>& band, UINT y, UINT rows, std::vector<uint32_t>& words) {
    deliver(band, stride, 4, GUID_WICPixelFormat32bppBGRA, width, y, rows, left, top, words, sink);
  });
}

bool copy_reduced_strips(SourceTransform* transform, uint32_t width, uint32_t height, PictureSink& sink,
                         size_t band_bytes) {
  if (transform == nullptr || width == 0 || height == 0 || width > INT32_MAX / 4) return false;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  if (FAILED(transform->GetClosestPixelFormat(&format))) return false;
  const UINT depth = bytes_per_pixel(format);
  if (depth == 0) return false;
  const UINT stride = (width * depth + 3) / 4 * 4;
  // The rectangles are in the scaled picture's own coordinates.
  return for_each_band(width, height, stride, band_bytes, [&](const WICRect& rect, BYTE* band) {
    return SUCCEEDED(transform->CopyPixels(&rect, width, height, &format, WICBitmapTransformRotate0, stride,
                                           stride * rect.Height, band));
  }, [&](const std::vector<BYTE>& band, UINT y, UINT rows, std::vector<uint32_t>& words) {
    deliver(band, stride, depth, format, width, y, rows, 0, 0, words, sink);
  });
}

}  // namespace platform::wic
