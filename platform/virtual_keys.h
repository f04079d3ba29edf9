#pragma once
// Windows virtual-key codes turned into the window's key codes (platform/window.h).
// Plain numbers, so the table can be checked on any system.
#include <cstdint>

#include "platform/window.h"

namespace platform {

inline constexpr uint32_t VKEY_RETURN = 0x0D;
inline constexpr uint32_t VKEY_ESCAPE = 0x1B;
inline constexpr uint32_t VKEY_SPACE = 0x20;
inline constexpr uint32_t VKEY_DELETE = 0x2E;
inline constexpr uint32_t VKEY_ADD = 0x6B;        // keypad +
inline constexpr uint32_t VKEY_SUBTRACT = 0x6D;   // keypad -
inline constexpr uint32_t VKEY_OEM_PLUS = 0xBB;   // the main block's = / + key
inline constexpr uint32_t VKEY_OEM_MINUS = 0xBD;  // the main block's - key

// Letters as lower-case ASCII, digits of the main block as their character, Return,
// Escape, Space and Delete by their fixed codes, the plus key of the main block as '='
// (its unshifted character on a US layout, as the Linux window names it) and the
// keypad's as '+', both minus keys as '-', everything else KEY_OTHER + code.
inline uint32_t key_code_of_virtual_key(uint32_t vk) {
  if (vk >= 'A' && vk <= 'Z') return vk - 'A' + 'a';
  if (vk >= '0' && vk <= '9') return vk;
  switch (vk) {
    case VKEY_RETURN:
      return 13;
    case VKEY_ESCAPE:
      return 27;
    case VKEY_SPACE:
      return 32;
    case VKEY_DELETE:
      return KEY_DELETE;
    case VKEY_OEM_PLUS:
      return '=';
    case VKEY_ADD:
      return '+';
    case VKEY_OEM_MINUS:
    case VKEY_SUBTRACT:
      return '-';
    default:
      return KEY_OTHER + (vk & 0xFFFFu);
  }
}

// Shift, Ctrl, Alt (menu), the Windows keys and the lock keys: not keys of their own.
inline bool is_modifier_virtual_key(uint32_t vk) {
  switch (vk) {
    case 0x10:  // shift
    case 0x11:  // control
    case 0x12:  // menu (Alt)
    case 0x14:  // caps lock
    case 0x5B:  // left Windows key
    case 0x5C:  // right Windows key
    case 0x90:  // num lock
    case 0x91:  // scroll lock
    case 0xA0:  // left and right shift, control, menu
    case 0xA1:
    case 0xA2:
    case 0xA3:
    case 0xA4:
    case 0xA5:
      return true;
    default:
      return false;
  }
}

}  // namespace platform
