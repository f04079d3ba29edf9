// The platform's fonts: a Chinese face is found, opens at the asked cell, and renders
// real coverage for a CJK character. Nothing here depends on one font's pixels.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/fonts.h"

namespace {

// The Windows names first, then the Linux desktop's Chinese faces.
platform::FontQuery chinese_sans() {
  return platform::FontQuery{{"Microsoft YaHei", "WenQuanYi Micro Hei", "Noto Sans CJK SC"}, "sans-serif", "zh-cn"};
}

constexpr char32_t kPicture = U'\u56FE';  // 图, dense enough to clog when rendered badly

int32_t ink(const platform::GlyphMask& mask) {
  return static_cast<int32_t>(std::count_if(mask.coverage.begin(), mask.coverage.end(), [](uint8_t v) { return v != 0; }));
}

TEST(Fonts, AChineseFaceIsFoundAndNamed) {
  const platform::FontFile file = platform::find_font_file(chinese_sans());
  ASSERT_FALSE(file.empty());
  EXPECT_FALSE(platform::font_family_name(file).empty());
  // A family nobody has still leads to some face covering Chinese.
  const platform::FontFile fallback = platform::find_font_file({{"No Such Family 0815"}, "sans-serif", "zh-cn"});
  ASSERT_FALSE(fallback.empty());
  auto face = platform::open_font_face(fallback, {});
  ASSERT_NE(face, nullptr);
  EXPECT_NE(face->glyph_index(kPicture), 0u) << fallback.path;
}

TEST(Fonts, CellModeGivesTheAskedCellAndEmModeATallerOne) {
  const platform::FontFile file = platform::find_font_file(chinese_sans());
  for (int32_t height : {12, 16, 20, 33}) {
    SCOPED_TRACE(height);
    platform::FaceSize cell;
    cell.height = height;
    auto face = platform::open_font_face(file, cell);
    ASSERT_NE(face, nullptr);
    const platform::FaceMetrics& m = face->metrics();
    EXPECT_EQ(m.ascent + m.descent, height);
    EXPECT_GT(m.ascent, m.descent);
    EXPECT_GT(m.descent, 0);
    EXPECT_GE(m.underline_thickness, 1);

    platform::FaceSize em = cell;
    em.mode = platform::HeightMode::em;
    auto em_face = platform::open_font_face(file, em);
    ASSERT_NE(em_face, nullptr);
    EXPECT_GT(em_face->metrics().ascent + em_face->metrics().descent, height);
  }
}

// Proportions of another face make the face stand in for it: the cell is the asked
// one, split as that face splits it, and the characters are that face's size.
TEST(Fonts, StandInsTakeTheCellAndEmOfTheFaceTheyReplace) {
  const platform::FontFile file = platform::find_font_file(chinese_sans());
  platform::FaceSize tall_cell;  // a cell of 1.32 em, ascent four fifths of it
  tall_cell.height = 20;
  tall_cell.proportions = {2048, 2167, 536};
  platform::FaceSize em_cell = tall_cell;  // a cell of exactly one em, split in half
  em_cell.proportions = {1000, 500, 500};
  auto tall = platform::open_font_face(file, tall_cell);
  auto even = platform::open_font_face(file, em_cell);
  ASSERT_NE(tall, nullptr);
  ASSERT_NE(even, nullptr);
  EXPECT_EQ(tall->metrics().ascent, 16);
  EXPECT_EQ(tall->metrics().descent, 4);
  EXPECT_EQ(even->metrics().ascent, 10);
  EXPECT_EQ(even->metrics().descent, 10);
  // 图 fills most of an em: about 15 pixels in the tall cell, 20 in the even one.
  EXPECT_GE(even->glyph(kPicture, false).height, tall->glyph(kPicture, false).height + 3);
}

TEST(Fonts, ACjkGlyphHasPlainCoverageInsideItsCell) {
  platform::FaceSize size;
  size.height = 20;
  auto face = platform::open_font_face(platform::find_font_file(chinese_sans()), size);
  ASSERT_NE(face, nullptr);
  ASSERT_NE(face->glyph_index(kPicture), 0u);
  const platform::GlyphMask& mask = face->glyph(kPicture, false);
  ASSERT_EQ(mask.coverage.size(), static_cast<size_t>(mask.width) * mask.height);
  EXPECT_TRUE(std::all_of(mask.coverage.begin(), mask.coverage.end(), [](uint8_t v) { return v == 0 || v == 255; }));
  // A boxed character: strokes, but far from a filled block.
  EXPECT_GT(ink(mask), 30);
  EXPECT_LT(ink(mask), mask.width * mask.height * 3 / 4);
  EXPECT_GE(mask.width, 8);
  EXPECT_LE(mask.width, size.height);
  EXPECT_GE(mask.advance, mask.width);
  EXPECT_LE(mask.top, face->metrics().ascent);
  EXPECT_GE(mask.height - mask.top, -face->metrics().descent);
  // The glyph is rendered once and kept.
  EXPECT_EQ(&face->glyph(kPicture, false), &mask);
  EXPECT_EQ(platform::open_font_face(face->file(), size), face);

  const platform::GlyphMask& smooth = face->glyph(kPicture, true);
  EXPECT_TRUE(std::any_of(smooth.coverage.begin(), smooth.coverage.end(), [](uint8_t v) { return v > 0 && v < 255; }));
}

TEST(Fonts, MissingCharactersAndSpacesStillAdvance) {
  platform::FaceSize regular;
  regular.height = 20;
  auto plain = platform::open_font_face(platform::find_font_file(chinese_sans()), regular);
  ASSERT_NE(plain, nullptr);
  // A private-use character of the last plane: no face has it, and it needs two
  // UTF-16 units; it draws as the missing-glyph box.
  constexpr char32_t kNowhere = 0x10FFFD;
  EXPECT_EQ(plain->glyph_index(kNowhere), 0u);
  EXPECT_GT(plain->glyph(kNowhere, false).advance, 0);
  EXPECT_EQ(ink(plain->glyph(U' ', false)), 0);
  EXPECT_GT(plain->glyph(U' ', false).advance, 0);
}

}  // namespace
