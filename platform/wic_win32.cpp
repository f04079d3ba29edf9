#include "platform/wic_win32.h"

#include <climits>
#include <new>

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

bool decode_reduced(IWICBitmapFrameDecode* frame, uint32_t& width, uint32_t& height, std::vector<uint32_t>& pixels) {
  pixels.clear();
  if (frame == nullptr || width == 0 || height == 0) return false;
  Com<SourceTransform> transform;
  if (FAILED(frame->QueryInterface(kSourceTransformId, reinterpret_cast<void**>(transform.put())))) {
    return false;
  }
  UINT w = width;
  UINT h = height;
  if (FAILED(transform->GetClosestSize(&w, &h)) || w == 0 || h == 0) return false;
  if (static_cast<int64_t>(w) * h > MAX_DECODED_PIXELS) return false;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  if (FAILED(transform->GetClosestPixelFormat(&format))) return false;
  const UINT depth = bytes_per_pixel(format);
  if (depth == 0) return false;
  const UINT stride = (w * depth + 3) / 4 * 4;
  try {
    std::vector<BYTE> rows(static_cast<size_t>(stride) * h);
    if (FAILED(transform->CopyPixels(nullptr, w, h, &format, WICBitmapTransformRotate0, stride,
                                     static_cast<UINT>(rows.size()), rows.data()))) {
      return false;
    }
    pixels.resize(static_cast<size_t>(w) * h);
    for (UINT y = 0; y < h; ++y) {
      const BYTE* row = rows.data() + static_cast<size_t>(y) * stride;
      for (UINT x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = word_of(row + x * depth, format);
    }
  } catch (const std::bad_alloc&) {
    pixels.clear();
    return false;
  }
  width = w;
  height = h;
  return true;
}

bool decode_resampled(IWICImagingFactory* factory, IWICBitmapSource* source, uint32_t width, uint32_t height,
                      std::vector<uint32_t>& pixels) {
  pixels.clear();
  if (factory == nullptr || source == nullptr || width == 0 || height == 0 ||
      static_cast<int64_t>(width) * height > MAX_DECODED_PIXELS) {
    return false;
  }
  Com<IWICBitmapScaler> scaler;
  if (FAILED(factory->CreateBitmapScaler(scaler.put())) ||
      FAILED(scaler->Initialize(source, width, height, WICBitmapInterpolationModeFant))) {
    return false;
  }
  const Com<IWICBitmapSource> bgra = as_bgra(scaler.get());
  if (!bgra) return false;
  try {
    pixels.resize(static_cast<size_t>(width) * height);
  } catch (const std::bad_alloc&) {
    return false;
  }
  // BGRA bytes are a little-endian 0xAARRGGBB word per pixel.
  if (FAILED(bgra->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size() * 4),
                              reinterpret_cast<BYTE*>(pixels.data())))) {
    pixels.clear();
    return false;
  }
  return true;
}

}  // namespace platform::wic
