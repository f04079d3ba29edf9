// Where code page 936 and GBK part ways, the texts still convert the same on every
// system: the euro sign at 0x80, the user-defined areas (private use characters in
// code page 936, no characters in GBK) and UTF-8 sequences that are not characters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gbk.h"

namespace {

TEST(GbkEdges, DecodingKeepsToGbkProper) {
  struct Case {
    std::string gbk;
    std::u32string expected;
  };
  const std::vector<Case> cases = {
      {"\x80", U"\u20AC"},                  // euro sign, the one single byte beyond ASCII
      {"\xA1\xA1", U"\u3000"},              // ideographic space
      {"\x81\x40", U"\u4E02"},              // first character of the extension
      {"\xA8\x95", U"\u301E"},
      {"\xAA\xA1", U"\uFFFD\uFFFD"},        // user-defined area: no character, both bytes
      {"\xFE\xFE", U"\uFFFD\uFFFD"},
      {"\xA1\x40", U"\uFFFD@"},             // user-defined area with an ASCII trail byte
      {"\xFE\x50", U"\uFFFDP"},
      {"\xA2\xA0", U"\uFFFD\uFFFD"},        // unassigned
      {"\xD7\xFA", U"\uFFFD\uFFFD"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::gbk_to_utf32(c.gbk), c.expected) << testing::PrintToString(c.gbk);
  }
}

TEST(GbkEdges, EncodingGivesOneQuestionMarkPerSequence) {
  struct Case {
    const char* utf8;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"\xE2\x82\xAC", "\x80"},             // euro sign
      {"\xE3\x80\x80", "\xA1\xA1"},
      {"\xC2\xB7", "\xA1\xA4"},
      {"\xEE\x80\x80", "?"},                // private use, which GBK lacks
      {"\xF4\x90\x80\x80", "?"},            // beyond U+10FFFF
      {"\xE0\x80\x80", "?"},                // overlong NUL
      {"\xED\xA0\x80", "?"},                // a surrogate's code
      {"\xC0\xAF", "??"},                   // no lead byte at all
      {"\xF8\x88\x80\x80\x80", "?????"},
      {"\xC2\xA0", "?"},                    // no-break space
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::utf8_to_gbk(c.utf8), c.expected) << testing::PrintToString(std::string(c.utf8));
  }
}

}  // namespace
