#include <algorithm>
#include <mutex>

#include "platform/window_win32.h"

namespace platform {

namespace {

// The console window while the graphics window stands in its place, and where that
// window last was.
struct ConsolePlace {
  std::mutex mutex;
  HWND console = nullptr;
  HWND window = nullptr;
  POINT last_place{};
};

ConsolePlace& console_place() {
  static ConsolePlace place;
  return place;
}

}  // namespace

HWND console_to_stand_in_for(int& x, int& y) {
  HWND console = GetConsoleWindow();
  if (console != nullptr) SetConsoleCtrlHandler(nullptr, TRUE);
  if (console == nullptr || !IsWindowVisible(console)) return nullptr;
  RECT console_rect;
  if (!GetWindowRect(console, &console_rect)) return nullptr;
  x = std::max(0L, console_rect.left);
  y = std::max(0L, console_rect.top);
  return console;
}

void hide_console_for(HWND console, HWND window, int x, int y) {
  ConsolePlace& place = console_place();
  std::lock_guard lock(place.mutex);
  place.console = console;
  place.window = window;
  place.last_place = {x, y};
  ShowWindow(console, SW_HIDE);
}

void note_window_place(HWND window) {
  ConsolePlace& place = console_place();
  std::lock_guard lock(place.mutex);
  RECT rect;
  if (place.console != nullptr && place.window == window && GetWindowRect(window, &rect)) {
    place.last_place = {rect.left, rect.top};
  }
}

void bring_console_back() {
  ConsolePlace& place = console_place();
  std::lock_guard lock(place.mutex);
  if (place.console == nullptr) return;
  SetWindowPos(place.console, HWND_TOP, place.last_place.x, place.last_place.y, 0, 0, SWP_NOSIZE);
  ShowWindow(place.console, SW_SHOW);
  place.console = nullptr;
  place.window = nullptr;
}

}  // namespace platform
