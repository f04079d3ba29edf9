#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/utf16.h"

namespace {

struct Case {
  const char* name;
  std::u16string utf16;
  std::string utf8;
};

TEST(Utf16, ConvertsBothWays) {
  const std::vector<Case> cases = {
      {"empty", u"", ""},
      {"ascii path", u"C:\\pics\\cat.jpg", "C:\\pics\\cat.jpg"},
      {"two-byte", u"caf\u00E9", "caf\xC3\xA9"},
      {"chinese folder", u"C:\\\u56FE\u7247\\my cat.jpg", "C:\\\xE5\x9B\xBE\xE7\x89\x87\\my cat.jpg"},
      {"surrogate pair", u"a\U0001F600z", "a\xF0\x9F\x98\x80z"},
      {"highest code", u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
      {"lone high surrogate", std::u16string(u"x") + char16_t(0xD83D) + u"y", "x\xED\xA0\xBDy"},
      {"lone low surrogate at the end", std::u16string(u"x") + char16_t(0xDE00), "x\xED\xB8\x80"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(platform::utf16_to_utf8(c.utf16), c.utf8);
    EXPECT_EQ(platform::utf8_to_utf16(c.utf8), c.utf16);
  }
}

TEST(Utf16, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  const std::vector<Case> cases = {
      {"stray continuation", u"\uFFFDa", "\x80" "a"},
      {"cut-off sequence, one per byte", u"x\uFFFD\uFFFD", "x\xE5\x9B"},
      {"overlong slash", u"\uFFFD\uFFFD", "\xC0\xAF"},
      {"above U+10FFFF", u"\uFFFD\uFFFD\uFFFD\uFFFD", "\xF4\x90\x80\x80"},
      {"lead without continuation", u"\uFFFDb", "\xE5" "b"},
      {"never a lead byte", u"\uFFFD", "\xFF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(platform::utf8_to_utf16(c.utf8), c.utf16);
  }
}

}  // namespace
