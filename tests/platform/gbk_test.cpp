#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/texts.h"
#include "platform/gbk.h"

namespace {

std::vector<std::string> program_texts() {
  std::vector<std::string> all = {texts::caption_initialising, texts::caption_main,     texts::msg_bad_file_name,
                                  texts::msg_bad_arguments,    texts::msg_second_instance, texts::msg_unreadable_picture,
                                  texts::msg_saved_format,     texts::msg_save_failed_format, texts::caption_save,
                                  texts::font_panel,           texts::font_message,     texts::font_system};
  for (const auto& label : texts::panel_labels) all.emplace_back(label);
  for (const auto* table : {texts::distance_labels, texts::reference_labels, texts::include_labels, texts::range_labels}) {
    all.emplace_back(table[0]);
    all.emplace_back(table[1]);
  }
  return all;
}

TEST(Gbk, EveryProgramTextRoundTripsThroughUtf8) {
  for (const std::string& text : program_texts()) {
    const std::string utf8 = platform::gbk_to_utf8(text);
    EXPECT_EQ(utf8.find("\xEF\xBF\xBD"), std::string::npos) << text;
    EXPECT_EQ(platform::utf8_to_gbk(utf8), text);
  }
}

TEST(Gbk, KnownTextsDecodeToTheirCharacters) {
  EXPECT_EQ(platform::gbk_to_utf8(texts::font_panel), "\xE5\xBE\xAE\xE8\xBD\xAF\xE9\x9B\x85\xE9\xBB\x91");  // 微软雅黑
  EXPECT_EQ(platform::gbk_to_utf32(texts::panel_labels[10]), U"\u524D\u8FDB");                            // 前进
  EXPECT_EQ(platform::gbk_to_utf32(texts::panel_labels[0]), U"\u989C\u8272\u5BB9\u5DEE\uFF1A");           // 颜色容差：
  EXPECT_EQ(platform::gbk_to_utf32(texts::caption_main), U"Vorlane      By Corvalis");
  EXPECT_EQ(platform::gbk_to_utf32("0123 255"), U"0123 255");
}

TEST(Gbk, EmptyTextsStayEmpty) {
  EXPECT_EQ(platform::gbk_to_utf8(""), "");
  EXPECT_EQ(platform::gbk_to_utf32(""), U"");
  EXPECT_EQ(platform::utf8_to_gbk(""), "");
}

TEST(Gbk, InvalidBytesBecomeReplacementCharacters) {
  struct Case {
    std::string gbk;
    std::u32string expected;
  };
  const std::vector<Case> cases = {
      {"\x81", U"\uFFFD"},                      // lead byte cut off at the end
      {"A\xB1", U"A\uFFFD"},                    // same after ASCII
      {"\xFF\xFF", U"\uFFFD\uFFFD"},            // never a lead byte
      {"\xB1\n", U"\uFFFD\n"},                  // lead byte with an impossible trail keeps the trail
      {"\xB1\xA3\xFF", U"\u4FDD\uFFFD"},        // a good character then garbage
      {std::string("a\0b", 3), std::u32string(U"a\0b", 3)},  // NUL passes through in a sized view
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::gbk_to_utf32(c.gbk), c.expected);
    EXPECT_FALSE(platform::gbk_to_utf8(c.gbk).empty());
  }
}

TEST(Gbk, LongTextsGrowTheOutput) {
  std::string gbk;
  for (int i = 0; i < 5000; ++i) gbk += texts::panel_labels[i % 12];
  const std::string utf8 = platform::gbk_to_utf8(gbk);
  EXPECT_GT(utf8.size(), gbk.size());
  EXPECT_EQ(platform::utf8_to_gbk(utf8), gbk);
}

TEST(Gbk, CharactersWithoutGbkFormBecomeOneQuestionMarkEach) {
  EXPECT_EQ(platform::utf8_to_gbk("a\xF0\x9F\x98\x80z"), "a?z");             // emoji, four bytes
  EXPECT_EQ(platform::utf8_to_gbk("\xE0\xB8\x81\xE0\xB8\x82"), "??");          // two Thai letters
  EXPECT_EQ(platform::utf8_to_gbk("x\xC3"), "x?");                            // cut-off sequence
  EXPECT_EQ(platform::utf8_to_gbk("\x80\x80" "b"), "??b");                    // stray continuation bytes
  EXPECT_EQ(platform::utf8_to_gbk("\xE5\x89\x8D\xE8\xBF\x9B"), texts::panel_labels[10]);
}

}  // namespace
