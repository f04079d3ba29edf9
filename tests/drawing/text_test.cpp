#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/texts.h"
#include "drawing/text.h"
#include "drawing/text_faces.h"
#include "drawing/text_layout.h"

namespace {

constexpr uint32_t kSentinel = 0x123456;  // pixel word no text operation writes here
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;

FONTDESC font_of(const char* face, int32_t height, uint8_t quality = 3) {
  FONTDESC font;
  font.height = height;
  font.quality = quality;
  std::snprintf(font.face, sizeof(font.face), "%s", face);
  return font;
}

IMAGE filled_image(int32_t width, int32_t height, uint32_t pixel, const FONTDESC& font) {
  IMAGE image(width, height);
  std::fill(image.pixels, image.pixels + width * height, pixel);
  image.font = font;
  return image;
}

uint32_t pixel_at(const IMAGE& image, int32_t x, int32_t y) { return image.pixels[y * image.width + x]; }

bool inside(int32_t x, int32_t y, int32_t left, int32_t top, int32_t width, int32_t height) {
  return x >= left && x < left + width && y >= top && y < top + height;
}

std::vector<std::string> panel_texts() {
  std::vector<std::string> all;
  for (const auto& label : texts::panel_labels) all.emplace_back(label);
  for (const auto* table : {texts::distance_labels, texts::reference_labels, texts::include_labels, texts::range_labels}) {
    all.emplace_back(table[0]);
    all.emplace_back(table[1]);
  }
  for (int value = 0; value <= 255; ++value) all.push_back(std::to_string(value));
  return all;
}

std::vector<std::string> message_texts() {
  return {texts::msg_bad_file_name, texts::msg_bad_arguments, texts::msg_second_instance,
          texts::msg_unreadable_picture};
}

// Every character is drawn by a real glyph of the face that takes it.
void expect_no_missing_glyphs(const FONTDESC& font, const std::string& text) {
  const TextLine line = lay_out_text(font, text);
  ASSERT_FALSE(line.glyphs.empty()) << text;
  for (const PlacedGlyph& glyph : line.glyphs) {
    ASSERT_NE(glyph.face, nullptr);
    EXPECT_NE(glyph.glyph_index, 0u) << "U+" << std::hex << static_cast<uint32_t>(glyph.code) << " of " << text
                                     << " in " << glyph.face->file().path;
  }
}

TEST(Text, PanelFontStandsInWithAChineseFace) {
  const ResolvedFont& font = resolve_font(font_of(texts::font_panel, 20));
  ASSERT_FALSE(font.faces.empty());
  // The face the panel font resolves to has the panel's characters itself, so they
  // are not patched together from fallbacks: 颜, 删 and the full-width colon.
  for (char32_t code : {U'\u989C', U'\u5220', U'\uFF1A'}) EXPECT_NE(font.faces.front()->glyph_index(code), 0u);
  EXPECT_EQ(font.metrics.ascent + font.metrics.descent, 20);
}

TEST(Text, EveryPanelTextDrawsRealGlyphsWhiteOnBlackInsideItsCell) {
  const FONTDESC font = font_of(texts::font_panel, 20);
  for (const std::string& text : panel_texts()) {
    SCOPED_TRACE(text);
    expect_no_missing_glyphs(font, text);
    const TextLine line = lay_out_text(font, text);
    const int32_t width = measure_text_width(font, text.c_str());
    ASSERT_EQ(width, line.width);
    ASSERT_GT(width, 0);

    IMAGE image = filled_image(width + 20, 40, kSentinel, font);
    image.text_color = 0xFFFFFF;
    image.bk_color = 0x000000;
    image.bk_mode = BK_OPAQUE;
    draw_text_on_image(image, 7, 10, text.c_str());

    for (int32_t y = 0; y < image.height; ++y) {
      for (int32_t x = 0; x < image.width; ++x) {
        const uint32_t pixel = pixel_at(image, x, y);
        if (inside(x, y, 7, 10, width, 20)) {
          ASSERT_TRUE(pixel == kWhite || pixel == kBlack) << x << "," << y;
        } else {
          ASSERT_EQ(pixel, kSentinel) << x << "," << y;
        }
      }
    }
    // Every visible character leaves white pixels within its own advance.
    for (const PlacedGlyph& glyph : line.glyphs) {
      if (glyph.code == U' ') continue;
      const int32_t advance = glyph.face->glyph(glyph.code, false).advance;
      int32_t ink = 0;
      for (int32_t y = 10; y < 30; ++y) {
        for (int32_t x = 7 + glyph.x; x < 7 + glyph.x + advance; ++x) ink += pixel_at(image, x, y) == kWhite;
      }
      EXPECT_GT(ink, 3) << "U+" << std::hex << static_cast<uint32_t>(glyph.code);
    }
  }
}

TEST(Text, MessageTextsFitTheirTwelvePixelCell) {
  const FONTDESC font = font_of(texts::font_message, 12);
  EXPECT_EQ(measure_text_height(font, "x"), 12);
  for (const std::string& text : message_texts()) {
    SCOPED_TRACE(text);
    expect_no_missing_glyphs(font, text);
    const int32_t width = measure_text_width(font, text.c_str());
    IMAGE image = filled_image(width + 10, 24, kSentinel, font);
    image.bk_mode = BK_TRANSPARENT;
    draw_text_on_image(image, 3, 6, text.c_str());
    int32_t ink = 0;
    for (int32_t y = 0; y < image.height; ++y) {
      for (int32_t x = 0; x < image.width; ++x) {
        if (pixel_at(image, x, y) == kSentinel) continue;
        ++ink;
        ASSERT_TRUE(inside(x, y, 3, 6, width, 12)) << x << "," << y;
      }
    }
    EXPECT_GT(ink, width);
  }
}

TEST(Text, CellHeightIsTheRequestedHeight) {
  struct Case {
    const char* face;
    int32_t height;
  };
  for (const Case& c : {Case{texts::font_panel, 20}, Case{texts::font_message, 12}, Case{texts::font_system, 16},
                        Case{texts::font_panel, 7}, Case{texts::font_panel, 100}, Case{"Unknown Face", 20}}) {
    EXPECT_EQ(measure_text_height(font_of(c.face, c.height), "x"), c.height) << c.face << " " << c.height;
    EXPECT_EQ(measure_text_height(font_of(c.face, c.height), ""), c.height);
  }
  // A negative height is the character height; the cell around it is taller.
  EXPECT_GT(measure_text_height(font_of(texts::font_panel, -20), "x"), 20);
  // Zero asks for the default size.
  EXPECT_GT(measure_text_height(font_of(texts::font_panel, 0), "x"), 0);
}

TEST(Text, OpaqueModePaintsExactlyTheCellInTheBackgroundColour) {
  const FONTDESC font = font_of(texts::font_panel, 20);
  const char* text = texts::panel_labels[9];
  const int32_t width = measure_text_width(font, text);
  IMAGE image = filled_image(width + 12, 34, 0x00FF00, font);
  image.bk_color = 0x0000FF;    // red
  image.text_color = 0xFF0000;  // blue
  draw_text_on_image(image, 5, 7, text);
  int32_t background = 0;
  int32_t ink = 0;
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) {
      const uint32_t pixel = pixel_at(image, x, y);
      if (!inside(x, y, 5, 7, width, 20)) {
        ASSERT_EQ(pixel, 0x00FF00u) << x << "," << y;
      } else if (pixel == 0xFF0000) {
        ++background;
      } else {
        ASSERT_EQ(pixel, 0x0000FFu) << x << "," << y;
        ++ink;
      }
    }
  }
  EXPECT_GT(ink, 20);
  EXPECT_GT(background, ink);
}

TEST(Text, TransparentModeLeavesTheBackgroundAndDrawsTheSameGlyphPixels) {
  const FONTDESC font = font_of(texts::font_panel, 20);
  const char* text = texts::panel_labels[0];
  const int32_t width = measure_text_width(font, text);
  IMAGE opaque = filled_image(width + 4, 24, 0x00FF00, font);
  IMAGE transparent = filled_image(width + 4, 24, 0x00FF00, font);
  opaque.text_color = transparent.text_color = 0xFF0000;
  opaque.bk_color = transparent.bk_color = 0x0000FF;
  transparent.bk_mode = BK_TRANSPARENT;
  draw_text_on_image(opaque, 2, 2, text);
  draw_text_on_image(transparent, 2, 2, text);
  int32_t ink = 0;
  for (int32_t i = 0; i < opaque.width * opaque.height; ++i) {
    const bool glyph_pixel = opaque.pixels[i] == 0x0000FF;
    ASSERT_EQ(transparent.pixels[i], glyph_pixel ? 0x0000FFu : 0x00FF00u) << i;
    ink += glyph_pixel;
  }
  EXPECT_GT(ink, 50);
}

TEST(Text, OnlyAntialiasedQualitiesBlendGreyLevels) {
  struct Case {
    uint8_t quality;
    bool grey;
  };
  for (const Case& c : {Case{0, false}, Case{3, false}, Case{4, true}, Case{5, true}, Case{1, false}}) {
    const FONTDESC font = font_of(texts::font_panel, 20, c.quality);
    IMAGE image = filled_image(120, 24, kSentinel, font);
    image.text_color = 0xFFFFFF;
    image.bk_color = 0x000000;
    draw_text_on_image(image, 0, 2, texts::panel_labels[2]);
    int32_t grey = 0;
    for (int32_t y = 2; y < 22; ++y) {
      for (int32_t x = 0; x < measure_text_width(font, texts::panel_labels[2]); ++x) {
        const uint32_t pixel = pixel_at(image, x, y);
        if (pixel == kWhite || pixel == kBlack) continue;
        ++grey;
        // A blend of white over black is a neutral grey.
        ASSERT_EQ(pixel & 0xFF, (pixel >> 8) & 0xFF);
        ASSERT_EQ(pixel & 0xFF, (pixel >> 16) & 0xFF);
      }
    }
    if (c.grey) {
      EXPECT_GT(grey, 10) << int(c.quality);
    } else {
      EXPECT_EQ(grey, 0) << int(c.quality);
    }
  }
}

// Drawing near or past the edges must give exactly the part of the same text drawn
// on a larger image that the smaller one covers.
TEST(Text, TextPartlyOutsideTheImageIsClipped) {
  const FONTDESC font = font_of(texts::font_panel, 20);
  const char* text = texts::panel_labels[4];
  constexpr int32_t kWidth = 41;
  constexpr int32_t kHeight = 23;
  constexpr int32_t kPad = 400;
  struct Case {
    int32_t x;
    int32_t y;
  };
  for (const Case& c : {Case{-13, -9}, Case{kWidth - 5, kHeight - 6}, Case{-150, 3}, Case{20, -18}, Case{-60, 10}}) {
    IMAGE small = filled_image(kWidth, kHeight, kSentinel, font);
    IMAGE large = filled_image(kWidth + 2 * kPad, kHeight + 2 * kPad, kSentinel, font);
    draw_text_on_image(small, c.x, c.y, text);
    draw_text_on_image(large, c.x + kPad, c.y + kPad, text);
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int32_t x = 0; x < kWidth; ++x) {
        ASSERT_EQ(pixel_at(small, x, y), pixel_at(large, x + kPad, y + kPad)) << c.x << "," << c.y << " at " << x << "," << y;
      }
    }
  }
}

TEST(Text, ClipRectangleLimitsDrawing) {
  const FONTDESC font = font_of(texts::font_panel, 20);
  const char* text = texts::panel_labels[11];
  IMAGE clipped = filled_image(90, 30, kSentinel, font);
  IMAGE whole = filled_image(90, 30, kSentinel, font);
  clipped.clip_on = true;
  clipped.clip_left = 12;
  clipped.clip_top = 8;
  clipped.clip_right = 40;
  clipped.clip_bottom = 19;
  draw_text_on_image(clipped, 3, 4, text);
  draw_text_on_image(whole, 3, 4, text);
  for (int32_t y = 0; y < 30; ++y) {
    for (int32_t x = 0; x < 90; ++x) {
      const bool in_clip = x >= 12 && x <= 40 && y >= 8 && y <= 19;
      ASSERT_EQ(pixel_at(clipped, x, y), in_clip ? pixel_at(whole, x, y) : kSentinel) << x << "," << y;
    }
  }
}

TEST(Text, FarAwayOrDegenerateInputsDrawNothingAndDoNotCrash) {
  const FONTDESC font = font_of(texts::font_panel, 20);
  IMAGE image = filled_image(30, 20, kSentinel, font);
  for (auto [x, y] : {std::pair{INT32_MAX - 5, 0}, std::pair{INT32_MIN + 3, INT32_MIN}, std::pair{0, INT32_MAX}}) {
    draw_text_on_image(image, x, y, texts::panel_labels[0]);
  }
  draw_text_on_image(image, 0, 0, nullptr);
  draw_text_on_image(image, 0, 0, "");
  image.transform[4] = 1e12f;  // an origin no int32 holds
  draw_text_on_image(image, 0, 0, texts::panel_labels[0]);
  for (int32_t i = 0; i < 30 * 20; ++i) ASSERT_EQ(image.pixels[i], kSentinel);

  IMAGE empty;
  empty.font = font;
  draw_text_on_image(empty, 0, 0, texts::panel_labels[0]);
  EXPECT_EQ(measure_text_width(font, nullptr), 0);
  EXPECT_EQ(measure_text_width(font, ""), 0);
  // Bytes that are no GBK character still draw something in place, without crashing.
  EXPECT_GT(measure_text_width(font, "\xFF\xFF\x81"), 0);
  draw_text_on_image(image, 0, 0, "\xFF\x81");
}

TEST(Text, WidthIsTheSumOfAdvances) {
  const FONTDESC font = font_of(texts::font_panel, 20);
  const std::string back = texts::panel_labels[9];  // 后退
  EXPECT_EQ(measure_text_width(font, back.c_str()),
            measure_text_width(font, back.substr(0, 2).c_str()) + measure_text_width(font, back.substr(2).c_str()));
  EXPECT_EQ(measure_text_width(font, "AVA"), 2 * measure_text_width(font, "A") + measure_text_width(font, "V"));
  EXPECT_LT(measure_text_width(font, "1"), measure_text_width(font, "255"));
}

TEST(Text, WorldOriginMovesTheText) {
  const FONTDESC font = font_of(texts::font_panel, 20);
  IMAGE moved = filled_image(80, 40, kSentinel, font);
  IMAGE placed = filled_image(80, 40, kSentinel, font);
  moved.transform[4] = 10;
  moved.transform[5] = 3;
  draw_text_on_image(moved, 2, 4, texts::panel_labels[10]);
  draw_text_on_image(placed, 12, 7, texts::panel_labels[10]);
  EXPECT_EQ(std::memcmp(moved.pixels, placed.pixels, 80 * 40 * sizeof(uint32_t)), 0);
}

TEST(Text, AverageWidthScalesCharacters) {
  FONTDESC natural = font_of(texts::font_panel, 20);
  FONTDESC narrow = natural;
  narrow.width = 4;
  FONTDESC wide = natural;
  wide.width = 20;
  const char* digits = "0123456789";
  EXPECT_LT(measure_text_width(narrow, digits), measure_text_width(natural, digits));
  EXPECT_GT(measure_text_width(wide, digits), measure_text_width(natural, digits));
  EXPECT_EQ(measure_text_height(narrow, digits), 20);
}

int32_t ink_of(const FONTDESC& font, const char* text) {
  IMAGE image = filled_image(200, 30, kBlack, font);
  draw_text_on_image(image, 0, 0, text);
  int32_t ink = 0;
  for (int32_t i = 0; i < 200 * 30; ++i) ink += image.pixels[i] == kWhite;
  return ink;
}

TEST(Text, BoldAndUnderlineAddInk) {
  const FONTDESC regular = font_of(texts::font_panel, 20);
  FONTDESC bold = regular;
  bold.weight = 700;
  EXPECT_GT(ink_of(bold, texts::panel_labels[5]), ink_of(regular, texts::panel_labels[5]) * 11 / 10);

  FONTDESC underlined = regular;
  underlined.underline = 1;
  IMAGE image = filled_image(120, 30, kBlack, underlined);
  draw_text_on_image(image, 0, 0, texts::panel_labels[9]);
  const int32_t width = measure_text_width(underlined, texts::panel_labels[9]);
  bool full_row = false;
  for (int32_t y = 0; y < 20 && !full_row; ++y) {
    full_row = true;
    for (int32_t x = 0; x < width; ++x) full_row = full_row && pixel_at(image, x, y) == kWhite;
  }
  EXPECT_TRUE(full_row);
}

TEST(Text, ItalicShearsGlyphsWithoutChangingTheWidth) {
  const FONTDESC upright = font_of(texts::font_panel, 20);
  FONTDESC italic = upright;
  italic.italic = 1;
  const char* text = texts::panel_labels[7];
  EXPECT_EQ(measure_text_width(italic, text), measure_text_width(upright, text));
  IMAGE a = filled_image(100, 24, kBlack, upright);
  IMAGE b = filled_image(100, 24, kBlack, italic);
  draw_text_on_image(a, 0, 2, text);
  draw_text_on_image(b, 0, 2, text);
  EXPECT_NE(std::memcmp(a.pixels, b.pixels, 100 * 24 * sizeof(uint32_t)), 0);
}

// A Latin face named by the caller keeps its own letters; the Chinese characters it
// lacks come from a CJK face instead of drawing as boxes.
TEST(Text, CharactersMissingFromTheFaceComeFromAChineseFace) {
  const FONTDESC font = font_of("DejaVu Sans", 20);
  const ResolvedFont& resolved = resolve_font(font);
  ASSERT_FALSE(resolved.faces.empty());
  // The set-up installs DejaVu, so a face that has 保 here means it went missing.
  ASSERT_EQ(resolved.faces.front()->glyph_index(U'\u4FDD'), 0u) << "DejaVu Sans is not installed";
  const std::string text = std::string("A") + texts::panel_labels[11];
  expect_no_missing_glyphs(font, text);
  const TextLine line = lay_out_text(font, text);
  EXPECT_EQ(line.glyphs.front().face, resolved.faces.front().get());
  EXPECT_NE(line.glyphs.back().face, resolved.faces.front().get());
}

TEST(Text, FacesAreOpenedOncePerFontAndSize) {
  const FONTDESC font = font_of(texts::font_panel, 20);
  const auto first = resolve_font(font).faces;
  const auto again = resolve_font(font).faces;
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.front().get(), again.front().get());
  const platform::FaceSize size = face_size(font);
  EXPECT_EQ(platform::open_font_face(first.front()->file(), size).get(), first.front().get());
  // Another size is another face.
  EXPECT_NE(resolve_font(font_of(texts::font_panel, 21)).faces.front().get(), first.front().get());
}

}  // namespace
