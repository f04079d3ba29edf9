// Decoding a JPEG at a reduced size, inside the codec or through WIC's scaler, on
// Windows.
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#include <wincodec.h>

#include <cstdlib>
#include <vector>

#include "platform/wic_win32.h"

namespace {

using platform::wic::Com;

constexpr UINT kWidth = 256;
constexpr UINT kHeight = 192;
// Four flat quarters, red, green, blue and near-white, as 0x00RRGGBB.
constexpr uint32_t kQuarters[4] = {0xE01010, 0x10E010, 0x1010E0, 0xF0F0F0};

uint32_t quarter_of(UINT x, UINT y, UINT width, UINT height) {
  return kQuarters[(y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0)];
}

// The quarters encoded by the system's own JPEG encoder.
std::vector<uint8_t> quarters_jpeg(IWICImagingFactory* factory) {
  std::vector<uint8_t> bytes;
  Com<IStream> memory;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, memory.put()))) return bytes;
  Com<IWICBitmapEncoder> encoder;
  Com<IWICBitmapFrameEncode> frame;
  if (FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.put())) ||
      FAILED(encoder->Initialize(memory.get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.put(), nullptr)) || FAILED(frame->Initialize(nullptr)) ||
      FAILED(frame->SetSize(kWidth, kHeight))) {
    return bytes;
  }
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return bytes;
  std::vector<BYTE> rows(kWidth * 3 * kHeight);
  for (UINT y = 0; y < kHeight; ++y) {
    for (UINT x = 0; x < kWidth; ++x) {
      const uint32_t c = quarter_of(x, y, kWidth, kHeight);
      BYTE* p = &rows[(y * kWidth + x) * 3];
      p[0] = BYTE(c), p[1] = BYTE(c >> 8), p[2] = BYTE(c >> 16);
    }
  }
  if (FAILED(frame->WritePixels(kHeight, kWidth * 3, static_cast<UINT>(rows.size()), rows.data())) ||
      FAILED(frame->Commit()) || FAILED(encoder->Commit())) {
    return bytes;
  }
  HGLOBAL global = nullptr;
  STATSTG stat{};
  if (FAILED(GetHGlobalFromStream(memory.get(), &global)) || FAILED(memory->Stat(&stat, STATFLAG_NONAME))) return bytes;
  const auto* data = static_cast<const uint8_t*>(GlobalLock(global));
  if (data != nullptr) bytes.assign(data, data + stat.cbSize.QuadPart);
  GlobalUnlock(global);
  return bytes;
}

int channel_distance(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int shift = 0; shift <= 16; shift += 8)
    worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
  return worst;
}

// Each quarter's middle keeps its colour; JPEG and resampling blur only the seams.
void expect_quarters(const std::vector<uint32_t>& pixels, UINT w, UINT h) {
  ASSERT_EQ(pixels.size(), size_t{w} * h);
  for (auto [fx, fy] : {std::pair{1, 1}, {3, 1}, {1, 3}, {3, 3}}) {
    const UINT x = w * fx / 4, y = h * fy / 4;
    EXPECT_EQ(pixels[y * w + x] >> 24, 0xFFu);
    EXPECT_LE(channel_distance(pixels[y * w + x], quarter_of(x, y, w, h)), 16) << x << "," << y;
  }
}

class WicReduced : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ready());
    factory_ = platform::wic::imaging_factory();
    ASSERT_TRUE(factory_);
    jpeg_ = quarters_jpeg(factory_.get());
    ASSERT_FALSE(jpeg_.empty());
    ASSERT_TRUE(platform::wic::open_decoder(factory_.get(), jpeg_.data(), jpeg_.size(), source_));
    uint32_t width = 0, height = 0;
    ASSERT_TRUE(platform::wic::first_frame(source_.decoder.get(), frame_, width, height));
    ASSERT_EQ(width, kWidth);
    ASSERT_EQ(height, kHeight);
  }

  const platform::wic::ComScope com_;
  Com<IWICImagingFactory> factory_;
  std::vector<uint8_t> jpeg_;
  platform::wic::MemoryDecoder source_;
  Com<IWICBitmapFrameDecode> frame_;
};

TEST_F(WicReduced, ScalerShrinksToTheAskedSize) {
  for (auto [w, h] : {std::pair{64u, 48u}, {50u, 20u}, {kWidth, kHeight}}) {
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(platform::wic::decode_resampled(factory_.get(), frame_.get(), w, h, pixels));
    expect_quarters(pixels, w, h);
  }
  std::vector<uint32_t> pixels;
  EXPECT_FALSE(platform::wic::decode_resampled(factory_.get(), frame_.get(), 0, 5, pixels));
  EXPECT_FALSE(platform::wic::decode_resampled(factory_.get(), frame_.get(), 20000, 6000, pixels));
  EXPECT_TRUE(pixels.empty());
}

TEST_F(WicReduced, JpegCodecDecodesAtAFractionOfItsSize) {
  Com<IWICBitmapFrameDecode>& frame = frame_;

  // Wine's JPEG codec has no scaling transform; Windows' has had one since Vista.
  Com<platform::wic::SourceTransform> transform;
  if (FAILED(frame->QueryInterface(platform::wic::kSourceTransformId, reinterpret_cast<void**>(transform.put())))) {
    uint32_t w = 32, h = 24;
    std::vector<uint32_t> pixels;
    EXPECT_FALSE(platform::wic::decode_reduced(frame.get(), w, h, pixels));
    EXPECT_TRUE(pixels.empty());
    EXPECT_EQ(w, 32u);
    GTEST_SKIP() << "this JPEG codec cannot scale while decoding";
  }
  struct Case {
    uint32_t wanted_width, wanted_height;
  };
  for (const Case c : {Case{32, 24}, Case{64, 48}, Case{kWidth, kHeight}}) {
    SCOPED_TRACE(c.wanted_width);
    uint32_t w = c.wanted_width, h = c.wanted_height;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(platform::wic::decode_reduced(frame.get(), w, h, pixels));
    // The codec's scale keeps the aspect and never goes below the wanted size.
    EXPECT_GE(w, c.wanted_width);
    EXPECT_LE(w, kWidth);
    EXPECT_EQ(w * kHeight, h * kWidth);
    expect_quarters(pixels, w, h);
  }
}

}  // namespace
#endif
