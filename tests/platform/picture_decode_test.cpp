// The platform decoder, through its sink, on small BMP, PNG and GIF files written here byte by byte, so
// every decoded pixel is known exactly; and the files it must refuse.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/picture_decode.h"

namespace {

using Bytes = std::vector<uint8_t>;

void le16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void le32(Bytes& b, uint32_t v) {
  le16(b, v & 0xFFFF);
  le16(b, v >> 16);
}
void be32(Bytes& b, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<uint8_t>(v >> shift));
}

// Five by three, every pixel different in all three channels and no symmetry, so
// flipped rows, swapped channels or a wrong stride all show. Words are 0x00RRGGBB.
constexpr int32_t kWidth = 5;
constexpr int32_t kHeight = 3;
uint32_t colour_at(int32_t x, int32_t y) {
  return (uint32_t(20 + 45 * x) << 16) | (uint32_t(230 - 70 * y) << 8) | uint32_t(9 * x + 31 * y + 1);
}

// A 24-bit BMP, bottom row first, rows padded to four bytes (5 * 3 = 15 -> 16).
Bytes bmp24() {
  const uint32_t stride = (kWidth * 3 + 3) / 4 * 4;
  Bytes b = {'B', 'M'};
  le32(b, 54 + stride * kHeight);
  le32(b, 0);
  le32(b, 54);
  le32(b, 40), le32(b, kWidth), le32(b, kHeight), le16(b, 1), le16(b, 24);
  le32(b, 0), le32(b, stride * kHeight), le32(b, 2835), le32(b, 2835), le32(b, 0), le32(b, 0);
  for (int32_t y = kHeight - 1; y >= 0; --y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      const uint32_t c = colour_at(x, y);
      b.insert(b.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
    }
    b.resize(b.size() + stride - kWidth * 3, 0);
  }
  return b;
}

// An 8-bit palette BMP stored top row first (negative height); pixel (x, y) takes
// palette entry (x + 2y) % 4.
constexpr std::array<uint32_t, 4> kPalette = {0x102030, 0xF0E0D0, 0x00FF7F, 0x8000C0};
uint32_t palette_index(int32_t x, int32_t y) { return static_cast<uint32_t>((x + 2 * y) % 4); }

Bytes bmp8_top_down() {
  const uint32_t stride = (kWidth + 3) / 4 * 4;
  const uint32_t offset = 54 + 4 * 4;
  Bytes b = {'B', 'M'};
  le32(b, offset + stride * kHeight);
  le32(b, 0);
  le32(b, offset);
  le32(b, 40), le32(b, kWidth), le32(b, static_cast<uint32_t>(-kHeight)), le16(b, 1), le16(b, 8);
  le32(b, 0), le32(b, stride * kHeight), le32(b, 2835), le32(b, 2835), le32(b, 4), le32(b, 0);
  for (uint32_t c : kPalette) le32(b, c);  // B, G, R, 0
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) b.push_back(static_cast<uint8_t>(palette_index(x, y)));
    b.resize(b.size() + stride - kWidth, 0);
  }
  return b;
}

uint32_t crc32(const uint8_t* p, size_t n) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void png_chunk(Bytes& b, const char* type, const Bytes& data) {
  be32(b, static_cast<uint32_t>(data.size()));
  const size_t start = b.size();
  b.insert(b.end(), type, type + 4);
  b.insert(b.end(), data.begin(), data.end());
  be32(b, crc32(b.data() + start, b.size() - start));
}

Bytes png_header(uint32_t width, uint32_t height, uint8_t colour_type) {
  Bytes ihdr;
  be32(ihdr, width);
  be32(ihdr, height);
  ihdr.insert(ihdr.end(), {8, colour_type, 0, 0, 0});
  Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  png_chunk(b, "IHDR", ihdr);
  return b;
}

// A PNG whose rows (filter 0) sit in one stored deflate block: RGB, or RGBA with
// the alpha of pixel (x, y) from `alpha`.
Bytes png(bool with_alpha, uint8_t (*alpha)(int32_t, int32_t)) {
  Bytes raw;
  for (int32_t y = 0; y < kHeight; ++y) {
    raw.push_back(0);
    for (int32_t x = 0; x < kWidth; ++x) {
      const uint32_t c = colour_at(x, y);
      raw.insert(raw.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
      if (with_alpha) raw.push_back(alpha(x, y));
    }
  }
  Bytes z = {0x78, 0x01, 0x01};  // zlib header; one final stored block
  le16(z, static_cast<uint32_t>(raw.size()));
  le16(z, static_cast<uint32_t>(~raw.size() & 0xFFFF));
  z.insert(z.end(), raw.begin(), raw.end());
  uint32_t a = 1, s = 0;
  for (uint8_t v : raw) a = (a + v) % 65521, s = (s + a) % 65521;
  be32(z, (s << 16) | a);
  Bytes b = png_header(kWidth, kHeight, with_alpha ? 6 : 2);
  png_chunk(b, "IDAT", z);
  png_chunk(b, "IEND", {});
  return b;
}

uint8_t graded_alpha(int32_t x, int32_t y) { return static_cast<uint8_t>(255 - 60 * x - 7 * y); }

// A GIF with the four-colour palette, pixel (x, y) of index palette_index(x, y) and
// index 3 transparent. The codes stay three bits wide because a clear code follows
// every two literals, so the LZW stream is written without a dictionary.
Bytes gif() {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  le16(b, kWidth), le16(b, kHeight);
  b.insert(b.end(), {0x81, 0, 0});  // global table of 4 entries
  for (uint32_t c : kPalette) b.insert(b.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
  b.insert(b.end(), {0x21, 0xF9, 4, 0x01, 0, 0, 3, 0});  // transparent index 3
  b.push_back(0x2C);
  le16(b, 0), le16(b, 0), le16(b, kWidth), le16(b, kHeight);
  b.push_back(0);
  b.push_back(2);  // minimum code size
  std::vector<uint32_t> codes;
  for (int32_t i = 0; i < kWidth * kHeight; ++i) {
    if (i % 2 == 0) codes.push_back(4);  // clear
    codes.push_back(palette_index(i % kWidth, i / kWidth));
  }
  codes.push_back(5);  // end of information
  Bytes data;
  uint32_t bits = 0, count = 0;
  for (uint32_t code : codes) {
    bits |= code << count;
    count += 3;
    while (count >= 8) data.push_back(static_cast<uint8_t>(bits)), bits >>= 8, count -= 8;
  }
  if (count > 0) data.push_back(static_cast<uint8_t>(bits));
  b.push_back(static_cast<uint8_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  b.insert(b.end(), {0, 0x3B});
  return b;
}

// Collects what the decoder hands over; a pixel that comes twice or lands outside
// the begun size is a fault of the decoder.
struct Picture final : platform::PictureSink {
  int32_t width = 0;
  int32_t height = 0;
  int begins = 0;
  int faults = 0;
  std::vector<uint32_t> got;
  std::vector<bool> seen;
  bool begin(int32_t w, int32_t h) override {
    ++begins;
    width = w, height = h;
    got.assign(static_cast<size_t>(w) * h, 0);
    seen.assign(got.size(), false);
    return true;
  }
  void pixels(int32_t y, int32_t x, int32_t step, const uint32_t* words, int32_t count) override {
    for (int32_t i = 0; i < count; ++i, x += step) {
      if (y < 0 || y >= height || x < 0 || x >= width || seen[y * width + x]) {
        ++faults;
        continue;
      }
      seen[y * width + x] = true;
      got[y * width + x] = words[i];
    }
  }
};

Picture decode(const Bytes& bytes) {
  Picture out;
  int32_t width = 0, height = 0;
  EXPECT_TRUE(platform::read_picture_size(bytes.data(), bytes.size(), width, height));
  EXPECT_EQ(width, kWidth);
  EXPECT_EQ(height, kHeight);
  EXPECT_TRUE(platform::decode_picture(bytes.data(), bytes.size(), 1, 1, out));
  EXPECT_EQ(out.begins, 1);
  EXPECT_EQ(out.faults, 0);
  return out;
}

void expect_pixels(const Picture& picture, uint32_t (*expected)(int32_t, int32_t)) {
  ASSERT_EQ(picture.width, kWidth);
  ASSERT_EQ(picture.height, kHeight);
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) {
      EXPECT_TRUE(picture.seen[y * kWidth + x]) << x << "," << y;
      EXPECT_EQ(picture.got[y * kWidth + x], expected(x, y)) << std::hex << x << "," << y;
    }
}

TEST(PictureDecode, LosslessFormatsGiveEveryPixelExactly) {
  struct Case {
    const char* name;
    Bytes bytes;
    uint32_t (*expected)(int32_t, int32_t);
  };
  const Case cases[] = {
      {"24-bit BMP", bmp24(), [](int32_t x, int32_t y) { return 0xFF000000u | colour_at(x, y); }},
      {"8-bit top-down BMP", bmp8_top_down(),
       [](int32_t x, int32_t y) { return 0xFF000000u | kPalette[palette_index(x, y)]; }},
      {"RGB PNG", png(false, nullptr), [](int32_t x, int32_t y) { return 0xFF000000u | colour_at(x, y); }},
      {"RGBA PNG", png(true, graded_alpha),
       [](int32_t x, int32_t y) { return (uint32_t{graded_alpha(x, y)} << 24) | colour_at(x, y); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    expect_pixels(decode(c.bytes), c.expected);
  }
}

// A transparent palette entry is transparent; what colour it keeps is the decoder's.
TEST(PictureDecode, GifPaletteAndTransparentIndex) {
  const Picture picture = decode(gif());
  ASSERT_EQ(picture.width, kWidth);
  ASSERT_EQ(picture.height, kHeight);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      const uint32_t pixel = picture.got[y * kWidth + x];
      if (palette_index(x, y) == 3) {
        EXPECT_EQ(pixel >> 24, 0u) << x << "," << y;
      } else {
        EXPECT_TRUE(picture.seen[y * kWidth + x]) << x << "," << y;
        EXPECT_EQ(pixel, 0xFF000000u | kPalette[palette_index(x, y)]) << std::hex << x << "," << y;
      }
    }
  }
}

TEST(PictureDecode, RefusesWhatIsNoWholePictureOrTooLarge) {
  Bytes huge_bmp = bmp24();
  huge_bmp[18] = 0x20, huge_bmp[19] = 0x4E, huge_bmp[20] = 0, huge_bmp[21] = 0;  // 20000 wide
  huge_bmp[22] = 0x70, huge_bmp[23] = 0x17, huge_bmp[24] = 0, huge_bmp[25] = 0;  // 6000 high
  // Beyond the longest side a picture may have.
  Bytes huge_png = png_header(65536, 2, 2);
  png_chunk(huge_png, "IEND", {});
  // 60000 x 60000 whose few bytes of data could never inflate to its rows.
  Bytes bomb_png = png_header(60000, 60000, 2);
  png_chunk(bomb_png, "IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
  png_chunk(bomb_png, "IEND", {});
  const Bytes whole_png = png(false, nullptr);
  const Bytes whole_gif = gif();
  struct Case {
    const char* name;
    Bytes bytes;
  };
  const Case cases[] = {
      {"empty", {}},
      {"text", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}},
      {"huge BMP", huge_bmp},
      {"huge PNG", huge_png},
      {"PNG bomb", bomb_png},
      {"PNG cut in its data", Bytes(whole_png.begin(), whole_png.begin() + whole_png.size() / 2)},
      {"PNG without its end", Bytes(whole_png.begin(), whole_png.end() - 12)},
      {"GIF cut in its data", Bytes(whole_gif.begin(), whole_gif.end() - 6)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Picture out;
    EXPECT_FALSE(platform::decode_picture(c.bytes.empty() ? nullptr : c.bytes.data(), c.bytes.size(), 1, 1, out));
    EXPECT_EQ(out.faults, 0);
  }
}

// The sizes of WebP (each bitstream kind) and TIFF (either byte order, short or long
// fields) come from the header bytes alone.
Bytes riff_webp(const char* kind, const Bytes& data) {
  Bytes b = {'R', 'I', 'F', 'F'};
  le32(b, static_cast<uint32_t>(12 + data.size()));
  b.insert(b.end(), {'W', 'E', 'B', 'P'});
  b.insert(b.end(), kind, kind + 4);
  le32(b, static_cast<uint32_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  b.resize(b.size() + 16, 0);
  return b;
}

Bytes tiff(bool big_endian, uint16_t width_type, uint32_t width, uint32_t height) {
  auto u16 = [&](Bytes& b, uint32_t v) {
    if (big_endian) b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
    else le16(b, v);
  };
  auto u32 = [&](Bytes& b, uint32_t v) {
    if (big_endian) be32(b, v);
    else le32(b, v);
  };
  Bytes b = big_endian ? Bytes{'M', 'M', 0, '*'} : Bytes{'I', 'I', '*', 0};
  u32(b, 8);
  u16(b, 2);
  u16(b, 256), u16(b, width_type), u32(b, 1);
  if (width_type == 3) u16(b, width), u16(b, 0);
  else u32(b, width);
  u16(b, 257), u16(b, 4), u32(b, 1), u32(b, height);
  u32(b, 0);
  return b;
}

TEST(PictureDecode, WebpAndTiffSizesFromTheirHeaders) {
  const uint32_t lossless_bits = (1234 - 1) | ((567 - 1) << 14);
  struct Case {
    const char* name;
    Bytes bytes;
    int32_t width, height;
  };
  const Case cases[] = {
      {"lossy WebP", riff_webp("VP8 ", {0x10, 0x02, 0x00, 0x9D, 0x01, 0x2A, 0xD2, 0x04, 0x37, 0x02}), 1234, 567},
      {"lossless WebP",
       riff_webp("VP8L", {0x2F, uint8_t(lossless_bits), uint8_t(lossless_bits >> 8), uint8_t(lossless_bits >> 16),
                          uint8_t(lossless_bits >> 24)}),
       1234, 567},
      {"extended WebP", riff_webp("VP8X", {0x10, 0, 0, 0, 0xFE, 0xFF, 0x00, 0x01, 0x00, 0x00}), 65535, 2},
      {"extended WebP one wider than allowed", riff_webp("VP8X", {0x10, 0, 0, 0, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x00}),
       65536, 2},
      {"TIFF one higher than allowed", tiff(false, 3, 300, 65536), 300, 65536},
      {"little-endian TIFF, long width", tiff(false, 4, 300, 200), 300, 200},
      {"big-endian TIFF", tiff(true, 3, 4000, 3000), 4000, 3000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t width = -1, height = -1;
    const bool read = platform::read_picture_size(c.bytes.data(), c.bytes.size(), width, height);
    // A side beyond the longest allowed refuses the whole header.
    const bool allowed = c.width <= platform::MAX_PICTURE_SIDE && c.height <= platform::MAX_PICTURE_SIDE;
    EXPECT_EQ(read, allowed);
    if (allowed) {
      EXPECT_EQ(width, c.width);
      EXPECT_EQ(height, c.height);
    }
  }
}

}  // namespace
