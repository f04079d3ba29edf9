#pragma once
// The parts of the SDL window backend (window_sdl.cpp) kept in files of their own:
// reading SDL's and the window system's input, and showing a frame. All of them run
// on the window thread.
#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdint>
#include <vector>

#include "platform/window.h"

namespace platform::sdl {

// window_input_sdl.cpp: a key as KeyEvent::code has it.
uint32_t key_code(SDL_Keycode key);
// Ctrl, Shift, Alt, the system keys and the locks, which are not reported alone.
bool is_modifier_key(SDL_Keycode key);
// 1 left, 2 middle, 3 right, 0 for any other button.
uint8_t button_number(uint8_t sdl_button);
// Ctrl and Shift as the window system reported them with a pointer event; false for
// any other message (and where the window system is not X11).
bool pointer_keys(const SDL_SysWMmsg& msg, bool& ctrl, bool& shift);

// window_surface_sdl.cpp: lets the host fill what has to be shown (everything when
// `whole`) into the window's surface, through `staging` when the surface's pixel
// format differs from the host's, and shows it.
void present_frame(SDL_Window* window, WindowHost& host, bool whole, std::vector<uint32_t>& staging);

}  // namespace platform::sdl
