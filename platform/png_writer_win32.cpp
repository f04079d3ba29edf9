// PNG encoding through the Windows Imaging Component's PNG encoder, into memory.
#include <windows.h>
#include <wincodec.h>

#include <climits>
#include <cstdio>
#include <new>
#include <vector>

#include "platform/files.h"
#include "platform/png_writer.h"
#include "platform/wic_win32.h"

namespace platform {
namespace {

// Rows of BGR (or BGRA with `alpha`) bytes, the encoder's formats, from 0x00RRGGBB
// words and an alpha byte per pixel.
std::vector<BYTE> encoder_rows(const uint32_t* pixels, const uint8_t* alpha, int32_t width, int32_t height,
                               UINT depth, UINT stride) {
  std::vector<BYTE> rows(static_cast<size_t>(stride) * height, 0);
  for (int32_t y = 0; y < height; ++y) {
    BYTE* out = rows.data() + static_cast<size_t>(y) * stride;
    const size_t first = static_cast<size_t>(y) * width;
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t word = pixels[first + x];
      BYTE* p = out + static_cast<size_t>(x) * depth;
      p[0] = static_cast<BYTE>(word);
      p[1] = static_cast<BYTE>(word >> 8);
      p[2] = static_cast<BYTE>(word >> 16);
      if (alpha != nullptr) p[3] = alpha[first + x];
    }
  }
  return rows;
}

bool encode_into(IWICImagingFactory* factory, IStream* memory, const std::vector<BYTE>& rows, int32_t width,
                 int32_t height, UINT stride, const WICPixelFormatGUID& wanted) {
  wic::Com<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.put())) || FAILED(stream->InitializeFromIStream(memory))) return false;
  wic::Com<IWICBitmapEncoder> encoder;
  if (FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()))) return false;
  if (FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache))) return false;
  wic::Com<IWICBitmapFrameEncode> frame;
  if (FAILED(encoder->CreateNewFrame(frame.put(), nullptr))) return false;
  if (FAILED(frame->Initialize(nullptr))) return false;
  if (FAILED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)))) return false;
  WICPixelFormatGUID format = wanted;
  if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, wanted)) return false;
  if (FAILED(frame->WritePixels(static_cast<UINT>(height), stride, static_cast<UINT>(rows.size()),
                                const_cast<BYTE*>(rows.data())))) {
    return false;
  }
  return SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

// What the memory stream holds, from its start.
std::vector<uint8_t> stream_bytes(IStream* memory) {
  STATSTG stat{};
  if (FAILED(memory->Stat(&stat, STATFLAG_NONAME)) || stat.cbSize.QuadPart > INT_MAX) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
  const LARGE_INTEGER start{};
  ULONG read = 0;
  if (FAILED(memory->Seek(start, STREAM_SEEK_SET, nullptr)) ||
      FAILED(memory->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read)) || read != bytes.size()) {
    return {};
  }
  return bytes;
}

}  // namespace

std::vector<uint8_t> encode_png(const uint32_t* pixels, int32_t width, int32_t height, const uint8_t* alpha) {
  const UINT depth = alpha != nullptr ? 4 : 3;
  if (pixels == nullptr || width <= 0 || height <= 0 || width > INT_MAX / 8 ||
      static_cast<int64_t>(width) * height > INT_MAX / 8) {
    return {};
  }
  const wic::ComScope com;
  if (!com.ready()) return {};
  const wic::Com<IWICImagingFactory> factory = wic::imaging_factory();
  if (!factory) return {};
  try {
    const UINT stride = (static_cast<UINT>(width) * depth + 3) / 4 * 4;
    const std::vector<BYTE> rows = encoder_rows(pixels, alpha, width, height, depth, stride);
    wic::Com<IStream> memory;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, memory.put()))) return {};
    const WICPixelFormatGUID format = alpha != nullptr ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
    if (!encode_into(factory.get(), memory.get(), rows, width, height, stride, format)) return {};
    return stream_bytes(memory.get());
  } catch (const std::bad_alloc&) {
    return {};
  }
}

bool write_png(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height) {
  const std::vector<uint8_t> bytes = encode_png(pixels, width, height, nullptr);
  if (bytes.empty()) return false;
  std::FILE* file = open_file(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (written && closed) return true;
  remove_file(path.c_str());
  return false;
}

}  // namespace platform
