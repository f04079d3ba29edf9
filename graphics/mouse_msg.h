#pragma once
#include <cstdint>

// Mouse message numbers, as the window reports them. The second press of a double
// click arrives as the matching double-click message, not as a second button-down.
inline constexpr uint32_t WM_MOUSEMOVE = 0x200;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x201;
inline constexpr uint32_t WM_LBUTTONUP = 0x202;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x203;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x204;
inline constexpr uint32_t WM_RBUTTONUP = 0x205;
inline constexpr uint32_t WM_RBUTTONDBLCLK = 0x206;
inline constexpr uint32_t WM_MBUTTONDOWN = 0x207;
inline constexpr uint32_t WM_MBUTTONUP = 0x208;
inline constexpr uint32_t WM_MBUTTONDBLCLK = 0x209;
inline constexpr uint32_t WM_MOUSEWHEEL = 0x20A;
// A key pressed in the window, queued in order with the mouse messages so that a
// shortcut acts exactly between the clicks around it. Its button flags are clear, so
// whatever handles mouse messages by their buttons leaves it alone.
inline constexpr uint32_t WM_KEYDOWN = 0x100;

// Key-state bits of a mouse message; the wheel delta rides in the high 16 bits.
inline constexpr uint32_t MK_LBUTTON = 0x01;
inline constexpr uint32_t MK_RBUTTON = 0x02;
inline constexpr uint32_t MK_SHIFT = 0x04;
inline constexpr uint32_t MK_CONTROL = 0x08;
inline constexpr uint32_t MK_MBUTTON = 0x10;

// One mouse event (or key press). Flags hold the keys and buttons as they were at that
// event; x and y are client coordinates; wheel_delta is 120 per notch, positive away
// from the user, and 0 for every message but WM_MOUSEWHEEL; key is the window's key
// code (platform::KeyEvent) of a WM_KEYDOWN and 0 for every other message.
struct MOUSEMSG {
  uint32_t message;
  bool ctrl;
  bool shift;
  bool left_button;
  bool middle_button;
  bool right_button;
  int16_t x;
  int16_t y;
  int16_t wheel_delta;
  uint32_t key;
};
