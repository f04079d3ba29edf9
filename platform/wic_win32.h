#pragma once
// Windows Imaging Component plumbing shared by the picture decoder and the PNG
// writer: COM on the calling thread, the imaging factory, decoders over bytes in
// memory, and frames converted to 32-bit BGRA.
#include <windows.h>
#include <wincodec.h>

#include <cstddef>
#include <cstdint>
#include <utility>

namespace platform::wic {

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

}  // namespace platform::wic
