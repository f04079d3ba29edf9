// Pictures decoded smaller than their size, through WIC's scaler or inside the JPEG
// codec itself (Windows only).
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#include <wincodec.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/wic_win32.h"

namespace {

using platform::wic::Com;

// 8 x 8 blocks of one colour each, all different: shrunk by exactly eight, every
// filter, nearest or averaging, must give each block's own colour.
uint32_t block_colour(uint32_t col, uint32_t row) { return 0xFF000000u | (col * 0x1F0000u) | (row * 0x2900u) | 0x33u; }

TEST(WicReduced, ScalerShrinksBlocksToTheirColours) {
  const platform::wic::ComScope com;
  const Com<IWICImagingFactory> factory = platform::wic::imaging_factory();
  ASSERT_TRUE(factory);
  constexpr UINT kCols = 8, kRows = 6;
  std::vector<uint32_t> source(kCols * 8 * kRows * 8);
  for (UINT y = 0; y < kRows * 8; ++y)
    for (UINT x = 0; x < kCols * 8; ++x) source[y * kCols * 8 + x] = block_colour(x / 8, y / 8);
  Com<IWICBitmap> bitmap;
  ASSERT_TRUE(SUCCEEDED(factory->CreateBitmapFromMemory(kCols * 8, kRows * 8, GUID_WICPixelFormat32bppBGRA,
                                                        kCols * 8 * 4, static_cast<UINT>(source.size() * 4),
                                                        reinterpret_cast<BYTE*>(source.data()), bitmap.put())));
  std::vector<uint32_t> pixels;
  ASSERT_TRUE(platform::wic::decode_resampled(factory.get(), bitmap.get(), kCols, kRows, pixels));
  ASSERT_EQ(pixels.size(), size_t{kCols * kRows});
  for (UINT row = 0; row < kRows; ++row)
    for (UINT col = 0; col < kCols; ++col) EXPECT_EQ(pixels[row * kCols + col], block_colour(col, row)) << col << "," << row;

  EXPECT_FALSE(platform::wic::decode_resampled(factory.get(), bitmap.get(), 0, 5, pixels));
  EXPECT_FALSE(platform::wic::decode_resampled(factory.get(), bitmap.get(), 20000, 6000, pixels));
  EXPECT_TRUE(pixels.empty());
}

// The codec's own reduction of the sample picture looks like the scaler's reduction
// of the whole decoded picture, at the size the codec chose.
TEST(WicReduced, JpegCodecDecodesAtAFractionOfItsSize) {
  std::ifstream in(TESSARY_SOURCE_DIR "/assets/sample.jpg", std::ios::binary);
  const std::vector<uint8_t> jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(jpeg.empty());
  const platform::wic::ComScope com;
  const Com<IWICImagingFactory> factory = platform::wic::imaging_factory();
  platform::wic::MemoryDecoder source;
  ASSERT_TRUE(platform::wic::open_decoder(factory.get(), jpeg.data(), jpeg.size(), source));
  Com<IWICBitmapFrameDecode> frame;
  uint32_t width = 0, height = 0;
  ASSERT_TRUE(platform::wic::first_frame(source.decoder.get(), frame, width, height));

  Com<platform::wic::SourceTransform> transform;
  if (FAILED(frame->QueryInterface(platform::wic::kSourceTransformId, reinterpret_cast<void**>(transform.put())))) {
    uint32_t w = 100, h = 75;
    std::vector<uint32_t> pixels;
    EXPECT_FALSE(platform::wic::decode_reduced(frame.get(), w, h, pixels));
    EXPECT_EQ(w, 100u);
    GTEST_SKIP() << "this JPEG codec cannot scale while decoding (Wine's cannot)";
  }
  for (uint32_t wanted : {width / 8, width / 3, width}) {
    SCOPED_TRACE(wanted);
    uint32_t w = wanted, h = wanted * height / width;
    std::vector<uint32_t> reduced;
    ASSERT_TRUE(platform::wic::decode_reduced(frame.get(), w, h, reduced));
    EXPECT_GE(w, wanted);
    EXPECT_LE(w, width);
    EXPECT_LE(std::abs(static_cast<int64_t>(w) * height - static_cast<int64_t>(h) * width), static_cast<int64_t>(width));
    std::vector<uint32_t> resampled;
    ASSERT_TRUE(platform::wic::decode_resampled(factory.get(), frame.get(), w, h, resampled));
    ASSERT_EQ(reduced.size(), resampled.size());
    int64_t total = 0;
    for (size_t i = 0; i < reduced.size(); ++i)
      for (int shift = 0; shift <= 16; shift += 8)
        total += std::abs(int((reduced[i] >> shift) & 0xFF) - int((resampled[i] >> shift) & 0xFF));
    EXPECT_LT(total / (3.0 * reduced.size()), 8.0);
  }
}

}  // namespace
#endif
