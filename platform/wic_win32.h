#pragma once
// Windows Imaging Component plumbing shared by the picture decoder and the PNG
// writer: COM on the calling thread, the imaging factory, decoders over bytes in
// memory, and frames converted to 32-bit BGRA.
#include <windows.h>
#include <wincodec.h>

#include <cstddef>
#include <cstdint>
#include <utility>

#include "platform/picture_decode.h"

namespace platform::wic {

// The codec-side scaling interface of a decoded frame. MinGW's headers lack it; the
// layout and identity are Windows' own.
struct SourceTransform : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height, WICPixelFormatGUID* format,
                                               WICBitmapTransformOptions transform, UINT stride, UINT buffer_size,
                                               BYTE* buffer) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL* supported) = 0;
};
inline constexpr IID kSourceTransformId = {0x3B16811B, 0x6A43, 0x4EC9, {0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40}};

// Owns one reference to a COM object.
template <class T>
class Com {
 public:
  Com() = default;
  ~Com() { reset(); }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  Com(Com&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Com& operator=(Com&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  void reset() {
    if (p_ != nullptr) p_->Release();
    p_ = nullptr;
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For the out-parameter of a creating call; drops what was held.
  T** put() {
    reset();
    return &p_;
  }

 private:
  T* p_ = nullptr;
};

// COM for the lifetime of the object on the calling thread. A thread already in
// COM (the program's main thread, in any apartment) keeps what it has.
class ComScope {
 public:
  ComScope();
  ~ComScope();
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool ready() const { return ready_; }

 private:
  bool ready_ = false;
  bool owns_ = false;
};

Com<IWICImagingFactory> imaging_factory();

// A decoder reading `size` bytes at `bytes`, which must outlive it.
struct MemoryDecoder {
  Com<IWICStream> stream;
  Com<IWICBitmapDecoder> decoder;
};
bool open_decoder(IWICImagingFactory* factory, const uint8_t* bytes, size_t size, MemoryDecoder& out);

// Frame 0 of a decoder and the size it declares, before any pixel is decoded.
bool first_frame(IWICBitmapDecoder* decoder, Com<IWICBitmapFrameDecode>& frame, uint32_t& width, uint32_t& height);

// The source converted to straight-alpha BGRA bytes, one 32-bit word per pixel.
Com<IWICBitmapSource> as_bgra(IWICBitmapSource* source);

// The size at which the frame's codec decodes it scaled down while it decodes (JPEG
// at 1/2, 1/4 or 1/8): the smallest such size that still covers min_width x
// min_height. False, leaving `transform` empty, when the codec cannot scale or no
// reduction is small enough to help.
bool reduced_size(IWICBitmapFrameDecode* frame, uint32_t width, uint32_t height, uint32_t min_width,
                  uint32_t min_height, Com<SourceTransform>& transform, uint32_t& out_width, uint32_t& out_height);

// Hands a width x height source to the sink (already begun) in bands of rows of at
// most `band_bytes` (at least one row), as 0xAARRGGBB words, each pixel (x, y) going
// to (left + x, top + y). The reduced form decodes through the codec's scaling, at a
// size reduced_size gave; neither ever holds more than one band.
bool copy_strips(IWICBitmapSource* source, uint32_t width, uint32_t height, int32_t left, int32_t top,
                 PictureSink& sink, size_t band_bytes = size_t{1} << 20);
bool copy_reduced_strips(SourceTransform* transform, uint32_t width, uint32_t height, PictureSink& sink,
                         size_t band_bytes = size_t{1} << 20);

}  // namespace platform::wic
