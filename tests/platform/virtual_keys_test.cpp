#include <gtest/gtest.h>

#include "platform/virtual_keys.h"

namespace {

TEST(VirtualKeys, MapToTheWindowsKeyCodes) {
  struct Case {
    uint32_t vk;
    uint32_t code;
  };
  const Case cases[] = {
      {'A', 'a'},     {'Z', 'z'},           {'0', '0'},        {'9', '9'},
      {0x0D, 13},     {0x1B, 27},           {0x20, 32},        {0x2E, platform::KEY_DELETE},
      {0x70, platform::KEY_OTHER + 0x70},  // F1
      {0x60, platform::KEY_OTHER + 0x60},  // keypad 0 is not the digit key
      {0x25, platform::KEY_OTHER + 0x25},  // left arrow
      {0x08, platform::KEY_OTHER + 0x08},  // backspace
      {0xBB, '='},                         // the plus key of the main block
      {0x6B, '+'},                         // keypad +
      {0xBD, '-'},                         // minus, main block
      {0x6D, '-'},                         // keypad -
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::key_code_of_virtual_key(c.vk), c.code) << "vk " << c.vk;
  }
}

TEST(VirtualKeys, ModifiersAloneAreNoKeys) {
  for (uint32_t vk : {0x10u, 0x11u, 0x12u, 0x14u, 0x5Bu, 0x5Cu, 0x90u, 0x91u, 0xA0u, 0xA1u, 0xA2u, 0xA3u, 0xA4u, 0xA5u}) {
    EXPECT_TRUE(platform::is_modifier_virtual_key(vk)) << "vk " << vk;
  }
  for (uint32_t vk : {0x0Du, 0x1Bu, 0x20u, 0x2Eu, uint32_t{'A'}, uint32_t{'0'}, 0x70u}) {
    EXPECT_FALSE(platform::is_modifier_virtual_key(vk)) << "vk " << vk;
  }
}

}  // namespace
