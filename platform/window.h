#pragma once
// The native graphics windows: each created, shown and served on a window thread of
// the backend's. Each window reports pointer input, keys and the close box to its
// host and asks the host for the pixels to show; all host calls come from the thread
// that serves the window.
//
// Backends (their models and gaps stand at the top of their files):
//   window_sdl.cpp    one shared thread serves every window;
//   window_win32.cpp  one thread per window, and `dialog` and `owner` are ignored.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

struct PointerEvent {
  enum class Kind : uint8_t { move, press, release, wheel };
  Kind kind = Kind::move;
  // 1 left, 2 middle, 3 right (press and release only).
  uint8_t button = 0;
  // For a press: 1 for a single press, 2 for the second press of a double click,
  // 3 for a third one and so on.
  uint8_t clicks = 0;
  bool ctrl = false;
  bool shift = false;
  // Client coordinates.
  int32_t x = 0;
  int32_t y = 0;
  // Wheel notches, positive away from the user.
  int32_t wheel_notches = 0;
};

// A rectangle of the client area, right and bottom exclusive (the drawing layer's
// boxes include both corners).
struct PixelRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool empty() const { return right <= left || bottom <= top; }
};

// A key pressed in the window.
struct KeyEvent {
  // Letters and digits as their lower-case ASCII character ('z', '1'), Return 13,
  // Escape 27, Space 32, Delete KEY_DELETE, the plus key '=' (or '+' where the layout
  // has a key of its own for it, and on the keypad), both minus keys '-'; other keys a
  // platform code at or above KEY_OTHER.
  uint32_t code = 0;
  bool ctrl = false;
  bool shift = false;
};
inline constexpr uint32_t KEY_DELETE = 0x7F;
inline constexpr uint32_t KEY_OTHER = 0x10000;

class WindowHost {
 public:
  virtual void on_pointer(const PointerEvent& event) = 0;
  // A key pressed in the window (modifier keys alone are not reported).
  virtual void on_key(const KeyEvent& key) = 0;
  virtual void on_close_request() = 0;
  // Copies what has to be shown into `frame` (width x height words 0x00RRGGBB, rows
  // `pitch` words apart) and returns the rectangle written; the whole client area when
  // `whole` is set. An empty rectangle means nothing needs showing.
  virtual PixelRect fill_frame(uint32_t* frame, int32_t pitch, int32_t width, int32_t height, bool whole) = 0;
  // What fill_frame last returned is on screen now.
  virtual void on_presented() = 0;

 protected:
  ~WindowHost() = default;
};

class NativeWindow;

struct WindowOptions {
  int32_t width = 0;
  int32_t height = 0;
  // UTF-8.
  std::string title;
  bool close_box = true;
  // A dialog: centred on the screen, kept above `owner` (when that is open) and given
  // the keyboard focus. The Win32 backend ignores both: there the message box, the
  // one dialog, is the system's own.
  bool dialog = false;
  const NativeWindow* owner = nullptr;
};

class NativeWindow {
 public:
  NativeWindow();
  ~NativeWindow();
  NativeWindow(const NativeWindow&) = delete;
  NativeWindow& operator=(const NativeWindow&) = delete;

  // Has a window thread make a window whose client area is exactly the requested
  // size, show it and serve it. Returns once the window is shown, false when none
  // could be made. An open window is closed first.
  bool open(const WindowOptions& options, WindowHost* host);
  // Hides and destroys the window; its window thread ends when it serves no other.
  void close();
  bool is_open() const;
  // Asks the window's thread to show what the host has to show; requests made before
  // the thread gets to it are served together.
  void request_present();
  void set_title(const std::string& utf8);
  void set_client_size(int32_t width, int32_t height);

  // The backend's state of one window, defined by the implementation file.
  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
