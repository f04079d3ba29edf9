// Input of the SDL window backend, as the host's events have it.
#include "platform/window_sdl.h"

namespace platform::sdl {

// SDL names the ASCII keys by their character (Delete is 127); the rest carry their
// scan code above bit 30. The keypad's plus and minus count as the main ones.
uint32_t key_code(SDL_Keycode key) {
  const auto code = static_cast<uint32_t>(key);
  if (code < 0x80) return code;
  if (key == SDLK_KP_PLUS) return '+';
  if (key == SDLK_KP_MINUS) return '-';
  return KEY_OTHER + (code & 0xFFFFu);
}

bool is_modifier_key(SDL_Keycode key) {
  switch (key) {
    case SDLK_LCTRL:
    case SDLK_RCTRL:
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
    case SDLK_LALT:
    case SDLK_RALT:
    case SDLK_LGUI:
    case SDLK_RGUI:
    case SDLK_CAPSLOCK:
    case SDLK_NUMLOCKCLEAR:
    case SDLK_SCROLLLOCK:
    case SDLK_MODE:
      return true;
    default:
      return false;
  }
}

uint8_t button_number(uint8_t sdl_button) {
  switch (sdl_button) {
    case SDL_BUTTON_LEFT:
      return 1;
    case SDL_BUTTON_MIDDLE:
      return 2;
    case SDL_BUTTON_RIGHT:
      return 3;
    default:
      return 0;
  }
}

bool pointer_keys(const SDL_SysWMmsg& msg, bool& ctrl, bool& shift) {
#if defined(SDL_VIDEO_DRIVER_X11)
  if (msg.subsystem != SDL_SYSWM_X11) return false;
  const XEvent& x = msg.msg.x11.event;
  unsigned int state;
  switch (x.type) {
    case ButtonPress:
    case ButtonRelease:
      state = x.xbutton.state;
      break;
    case MotionNotify:
      state = x.xmotion.state;
      break;
    default:
      return false;
  }
  ctrl = (state & ControlMask) != 0;
  shift = (state & ShiftMask) != 0;
  return true;
#else
  (void)msg;
  (void)ctrl;
  (void)shift;
  return false;
#endif
}

}  // namespace platform::sdl
