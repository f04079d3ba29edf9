#include "platform/wic_win32.h"

#include <climits>

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

}  // namespace platform::wic
