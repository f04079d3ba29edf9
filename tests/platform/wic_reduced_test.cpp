// WIC's decoding in bands of rows, and JPEGs decoded smaller inside the codec
// itself (Windows only).
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#include <wincodec.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "platform/picture_decode.h"
#include "platform/wic_win32.h"

namespace {

using platform::wic::Com;

// Remembers every pixel and how many times each came.
struct Collect final : platform::PictureSink {
  int32_t width = 0, height = 0;
  std::vector<uint32_t> got;
  std::vector<int> times;
  bool begin(int32_t w, int32_t h) override {
    width = w, height = h;
    got.assign(static_cast<size_t>(w) * h, 0);
    times.assign(got.size(), 0);
    return true;
  }
  void store(int32_t y, int32_t x, const uint32_t* words, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
      got[static_cast<size_t>(y) * width + x + i] = words[i];
      ++times[static_cast<size_t>(y) * width + x + i];
    }
  }
  void pixels(int32_t y, int32_t x, int32_t step, const uint32_t* words, int32_t count) override {
    ASSERT_EQ(step, 1);
    ASSERT_TRUE(y >= 0 && y < height && x >= 0 && x + count <= width);
    store(y, x, words, count);
  }
};

uint32_t colour(uint32_t x, uint32_t y) { return 0xFF000000u | (x * 0x0B0000u) | (y * 0x0500u) | ((x ^ y) & 0xFF); }

// Bands smaller than the picture, of one row and of several, and an odd last band:
// every pixel arrives once, at its own place.
TEST(WicStrips, EveryPixelOnceAtItsPlace) {
  const platform::wic::ComScope com;
  const Com<IWICImagingFactory> factory = platform::wic::imaging_factory();
  ASSERT_TRUE(factory);
  constexpr UINT kWidth = 13, kHeight = 11;
  std::vector<uint32_t> source(kWidth * kHeight);
  for (UINT y = 0; y < kHeight; ++y)
    for (UINT x = 0; x < kWidth; ++x) source[y * kWidth + x] = colour(x, y);
  Com<IWICBitmap> bitmap;
  ASSERT_TRUE(SUCCEEDED(factory->CreateBitmapFromMemory(kWidth, kHeight, GUID_WICPixelFormat32bppBGRA, kWidth * 4,
                                                        static_cast<UINT>(source.size() * 4),
                                                        reinterpret_cast<BYTE*>(source.data()), bitmap.put())));
  for (size_t band_bytes : {size_t{1}, size_t{kWidth * 4 * 3}, size_t{1} << 20}) {
    SCOPED_TRACE(band_bytes);
    Collect sink;
    sink.begin(kWidth + 2, kHeight + 1);
    ASSERT_TRUE(platform::wic::copy_strips(bitmap.get(), kWidth, kHeight, 2, 1, sink, band_bytes));
    for (int32_t y = 0; y < sink.height; ++y)
      for (int32_t x = 0; x < sink.width; ++x) {
        const bool inside = x >= 2 && y >= 1;
        EXPECT_EQ(sink.times[y * sink.width + x], inside ? 1 : 0) << x << "," << y;
        if (inside) {
          EXPECT_EQ(sink.got[y * sink.width + x], colour(x - 2, y - 1)) << x << "," << y;
        }
      }
  }
}

// Where the codec scales while decoding, a small minimum gives a picture between it
// and the stored size; without that the picture comes whole, at its own size.
TEST(WicStrips, JpegDecodesAtTheSmallestScaleThatCovers) {
  std::ifstream in(TESSARY_SOURCE_DIR "/assets/sample.jpg", std::ios::binary);
  const std::vector<uint8_t> jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(jpeg.empty());
  int32_t width = 0, height = 0;
  ASSERT_TRUE(platform::read_picture_size(jpeg.data(), jpeg.size(), width, height));
  const int32_t min_width = width / 5, min_height = height / 5;
  Collect sink;
  ASSERT_TRUE(platform::decode_picture(jpeg.data(), jpeg.size(), min_width, min_height, sink));
  for (int times : sink.times) ASSERT_EQ(times, 1);

  const platform::wic::ComScope com;
  const Com<IWICImagingFactory> factory = platform::wic::imaging_factory();
  platform::wic::MemoryDecoder source;
  ASSERT_TRUE(platform::wic::open_decoder(factory.get(), jpeg.data(), jpeg.size(), source));
  Com<IWICBitmapFrameDecode> frame;
  uint32_t w = 0, h = 0;
  ASSERT_TRUE(platform::wic::first_frame(source.decoder.get(), frame, w, h));
  Com<platform::wic::SourceTransform> transform;
  uint32_t reduced_width = 0, reduced_height = 0;
  if (!platform::wic::reduced_size(frame.get(), w, h, min_width, min_height, transform, reduced_width,
                                   reduced_height)) {
    EXPECT_EQ(sink.width, width);
    EXPECT_EQ(sink.height, height);
    GTEST_SKIP() << "this JPEG codec cannot scale while decoding (Wine's cannot)";
  }
  EXPECT_EQ(sink.width, static_cast<int32_t>(reduced_width));
  EXPECT_GE(sink.width, min_width);
  EXPECT_GE(sink.height, min_height);
  EXPECT_LT(sink.width, width);
}

}  // namespace
#endif
