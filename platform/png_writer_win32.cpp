// PNG writing through the Windows Imaging Component's PNG encoder.
#include <windows.h>
#include <wincodec.h>

#include <climits>
#include <new>
#include <vector>

#include "platform/png_writer.h"
#include "platform/wic_win32.h"
#include "platform/win32_text.h"

namespace platform {
namespace {

// Rows of 24-bit BGR bytes, the encoder's opaque format, from 0x00RRGGBB words.
std::vector<BYTE> bgr_rows(const uint32_t* pixels, int32_t width, int32_t height, UINT stride) {
  std::vector<BYTE> rows(static_cast<size_t>(stride) * height, 0);
  for (int32_t y = 0; y < height; ++y) {
    BYTE* out = rows.data() + static_cast<size_t>(y) * stride;
    const uint32_t* in = pixels + static_cast<size_t>(y) * width;
    for (int32_t x = 0; x < width; ++x) {
      out[3 * x] = static_cast<BYTE>(in[x]);
      out[3 * x + 1] = static_cast<BYTE>(in[x] >> 8);
      out[3 * x + 2] = static_cast<BYTE>(in[x] >> 16);
    }
  }
  return rows;
}

// `created` tells whether the file was opened (and emptied) for writing.
bool encode(IWICImagingFactory* factory, const std::wstring& path, const uint32_t* pixels, int32_t width,
            int32_t height, bool& created) {
  const UINT stride = (static_cast<UINT>(width) * 3 + 3) / 4 * 4;
  std::vector<BYTE> rows;
  try {
    rows = bgr_rows(pixels, width, height, stride);
  } catch (const std::bad_alloc&) {
    return false;
  }
  wic::Com<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.put()))) return false;
  if (FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE))) return false;
  created = true;
  wic::Com<IWICBitmapEncoder> encoder;
  if (FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()))) return false;
  if (FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache))) return false;
  wic::Com<IWICBitmapFrameEncode> frame;
  if (FAILED(encoder->CreateNewFrame(frame.put(), nullptr))) return false;
  if (FAILED(frame->Initialize(nullptr))) return false;
  if (FAILED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)))) return false;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return false;
  if (FAILED(frame->WritePixels(static_cast<UINT>(height), stride, static_cast<UINT>(rows.size()), rows.data())))
    return false;
  return SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace

bool write_png(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height) {
  if (pixels == nullptr || width <= 0 || height <= 0 || width > INT_MAX / 4 ||
      static_cast<int64_t>(width) * height > INT_MAX / 4) {
    return false;
  }
  const std::wstring wide = to_wide(path);
  if (wide.empty()) return false;
  const wic::ComScope com;
  if (!com.ready()) return false;
  const wic::Com<IWICImagingFactory> factory = wic::imaging_factory();
  if (!factory) return false;
  // The stream holds the file until it is released, so a half-written file is
  // removed only after encode() has let go of it.
  bool created = false;
  if (encode(factory.get(), wide, pixels, width, height, created)) return true;
  if (created) DeleteFileW(wide.c_str());
  return false;
}

}  // namespace platform
