// The graphics window on SDL2, software presentation through the window surface.
// SDL's video subsystem is started, used and stopped on the window thread alone;
// other threads only push the wake-up event, which SDL allows from any thread.
#include <SDL.h>
#include <SDL_syswm.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/console.h"
#include "platform/window.h"

namespace platform {

namespace {

#if defined(SDL_VIDEO_DRIVER_X11)
// Xlib's own handler ends the process on any protocol error, from whichever thread
// met it. An error here concerns a window that is going away (an event sent to it
// as it closes), so it is harmless: note it and go on.
int ignore_x_error(Display*, XErrorEvent* error) {
  std::fprintf(stderr, "Tessary: X error %d on request %d ignored\n", error->error_code, error->request_code);
  return 0;
}
#endif

// When the display cannot be reached SDL falls through to drivers that draw
// nowhere; a window there would be one nobody can see, click or close. Those run
// only when SDL_VIDEODRIVER names them.
bool shows_on_screen(const char* driver) {
  if (driver == nullptr) return false;
  for (const char* nowhere : {"offscreen", "dummy", "evdev"}) {
    if (std::strcmp(driver, nowhere) != 0) continue;
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    return asked != nullptr && std::strcmp(driver, asked) == 0;
  }
  return true;
}

}  // namespace

struct NativeWindow::Impl {
  WindowHost* host = nullptr;
  WindowOptions options;
  std::thread thread;

  // Start-up handshake and requests to the window thread, under `mutex`.
  std::mutex mutex;
  std::condition_variable started;
  bool start_done = false;
  bool start_ok = false;
  // Wake-up events may be pushed only while SDL runs on the window thread.
  bool accepting_wakes = false;
  uint32_t wake_event = 0;
  bool quit_requested = false;
  bool title_changed = false;
  std::string title;
  bool size_changed = false;
  int32_t new_width = 0;
  int32_t new_height = 0;

  // Window thread only: Ctrl and Shift as the window system reported them with the
  // pointer event being handled, which stays right even before the window has the
  // keyboard focus.
  bool event_keys_known = false;
  bool event_ctrl = false;
  bool event_shift = false;

  std::atomic<bool> present_pending{false};
  std::atomic<bool> open{false};

  void wake();
  void thread_main();
  void present(SDL_Window* window, bool whole, std::vector<uint32_t>& staging);
  void handle(const SDL_Event& event, SDL_Window* window, bool& whole_present);
  void note_system_event(const SDL_SysWMmsg& msg);
  void fill_keys(PointerEvent& event);
};

void NativeWindow::Impl::note_system_event(const SDL_SysWMmsg& msg) {
#if defined(SDL_VIDEO_DRIVER_X11)
  if (msg.subsystem != SDL_SYSWM_X11) return;
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
      return;
  }
  event_keys_known = true;
  event_ctrl = (state & ControlMask) != 0;
  event_shift = (state & ShiftMask) != 0;
#else
  (void)msg;
#endif
}

// The system's report of a pointer event comes just before SDL's own event for it.
void NativeWindow::Impl::fill_keys(PointerEvent& event) {
  if (event_keys_known) {
    event.ctrl = event_ctrl;
    event.shift = event_shift;
    event_keys_known = false;
    return;
  }
  const SDL_Keymod keys = SDL_GetModState();
  event.ctrl = (keys & KMOD_CTRL) != 0;
  event.shift = (keys & KMOD_SHIFT) != 0;
}

void NativeWindow::Impl::wake() {
  std::lock_guard lock(mutex);
  if (!accepting_wakes) return;
  SDL_Event event{};
  event.type = wake_event;
  SDL_PushEvent(&event);
}

void NativeWindow::Impl::present(SDL_Window* window, bool whole, std::vector<uint32_t>& staging) {
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (surface == nullptr) return;
  const int32_t width = surface->w;
  const int32_t height = surface->h;
  PixelRect rect;
  if (surface->format->format == SDL_PIXELFORMAT_RGB888 || surface->format->format == SDL_PIXELFORMAT_ARGB8888) {
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    rect = host->fill_frame(static_cast<uint32_t*>(surface->pixels), surface->pitch / 4, width, height, whole);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  } else {
    staging.resize(static_cast<size_t>(width) * height);
    rect = host->fill_frame(staging.data(), width, width, height, whole);
    if (!rect.empty()) {
      if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
      auto* target = static_cast<uint8_t*>(surface->pixels) + rect.top * surface->pitch +
                     rect.left * surface->format->BytesPerPixel;
      SDL_ConvertPixels(rect.right - rect.left, rect.bottom - rect.top, SDL_PIXELFORMAT_RGB888,
                        staging.data() + static_cast<size_t>(rect.top) * width + rect.left, width * 4,
                        surface->format->format, target, surface->pitch);
      if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    }
  }
  if (!rect.empty()) {
    const SDL_Rect shown{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    SDL_UpdateWindowSurfaceRects(window, &shown, 1);
  }
  host->on_presented();
}

namespace {

// SDL names the ASCII keys by their character (Delete is 127); the rest carry their
// scan code above bit 30.
uint32_t key_code(SDL_Keycode key) {
  const auto code = static_cast<uint32_t>(key);
  if (code < 0x80) return code;
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

}  // namespace

void NativeWindow::Impl::handle(const SDL_Event& event, SDL_Window* window, bool& whole_present) {
  PointerEvent pointer;
  switch (event.type) {
    case SDL_SYSWMEVENT:
      if (event.syswm.msg != nullptr) note_system_event(*event.syswm.msg);
      break;
    case SDL_MOUSEMOTION:
      pointer.kind = PointerEvent::Kind::move;
      pointer.x = event.motion.x;
      pointer.y = event.motion.y;
      fill_keys(pointer);
      host->on_pointer(pointer);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      pointer.button = button_number(event.button.button);
      if (pointer.button == 0) break;
      pointer.kind = event.type == SDL_MOUSEBUTTONDOWN ? PointerEvent::Kind::press : PointerEvent::Kind::release;
      pointer.clicks = event.button.clicks;
      pointer.x = event.button.x;
      pointer.y = event.button.y;
      fill_keys(pointer);
      host->on_pointer(pointer);
      break;
    case SDL_MOUSEWHEEL: {
      int32_t notches = event.wheel.y;
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      if (notches == 0) break;
      pointer.kind = PointerEvent::Kind::wheel;
      pointer.wheel_notches = notches;
      pointer.x = event.wheel.mouseX;
      pointer.y = event.wheel.mouseY;
      fill_keys(pointer);
      host->on_pointer(pointer);
      break;
    }
    case SDL_KEYDOWN: {
      const SDL_Keycode key = event.key.keysym.sym;
      if (is_modifier_key(key)) break;
      // Ctrl+C is the terminal's interrupt, not a key.
      if (key == SDLK_c && (event.key.keysym.mod & KMOD_CTRL) != 0) break;
      KeyEvent pressed;
      pressed.code = key_code(key);
      pressed.ctrl = (event.key.keysym.mod & KMOD_CTRL) != 0;
      pressed.shift = (event.key.keysym.mod & KMOD_SHIFT) != 0;
      host->on_key(pressed);
      break;
    }
    case SDL_WINDOWEVENT:
      if (event.window.windowID != SDL_GetWindowID(window)) break;
      switch (event.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESTORED:
          whole_present = true;
          break;
        case SDL_WINDOWEVENT_CLOSE:
          if (options.close_box) host->on_close_request();
          break;
        default:
          break;
      }
      break;
    default:
      break;
  }
}

void NativeWindow::Impl::thread_main() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A click that activates the window is a click like any other.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");

  SDL_Window* window = nullptr;
  uint32_t event_type = 0;
#if defined(SDL_VIDEO_DRIVER_X11)
  // Set before SDL starts: SDL chains its own handler to the one it finds and puts
  // that one back when it stops, so errors met while it closes its connections
  // (a wake-up sent to the window as it goes away) land here too.
  XSetErrorHandler(ignore_x_error);
#endif
  const char* failure = nullptr;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    failure = SDL_GetError();
  } else if (!shows_on_screen(SDL_GetCurrentVideoDriver())) {
    failure = "the display cannot be reached";
  } else {
    event_type = SDL_RegisterEvents(1);
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    window = SDL_CreateWindow(options.title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, options.width,
                              options.height, SDL_WINDOW_SHOWN);
    if (window == nullptr) failure = SDL_GetError();
  }
  if (failure != nullptr) std::fprintf(stderr, "Tessary: no window can be opened: %s\n", failure);
  {
    std::lock_guard lock(mutex);
    start_done = true;
    start_ok = window != nullptr && event_type != static_cast<uint32_t>(-1);
    accepting_wakes = start_ok;
    wake_event = event_type;
  }
  started.notify_all();
  if (window == nullptr || event_type == static_cast<uint32_t>(-1)) {
    if (window != nullptr) SDL_DestroyWindow(window);
    SDL_Quit();
    return;
  }

  std::vector<uint32_t> staging;
  bool whole_present = true;
  for (;;) {
    SDL_Event event;
    // The timeout only guards against a lost wake-up; requests wake the wait at once.
    if (SDL_WaitEventTimeout(&event, 200) != 0) {
      do {
        handle(event, window, whole_present);
      } while (SDL_PollEvent(&event) != 0);
    }
    bool quit;
    {
      std::lock_guard lock(mutex);
      quit = quit_requested;
      if (title_changed) {
        SDL_SetWindowTitle(window, title.c_str());
        title_changed = false;
      }
      if (size_changed) {
        SDL_SetWindowSize(window, new_width, new_height);
        size_changed = false;
        whole_present = true;
      }
    }
    if (quit) break;
    if (present_pending.exchange(false) || whole_present) {
      present(window, whole_present, staging);
      whole_present = false;
    }
  }

  {
    std::lock_guard lock(mutex);
    accepting_wakes = false;
  }
  SDL_HideWindow(window);
  SDL_DestroyWindow(window);
  // SDL is the window's alone: stopping all of it frees what the video start made.
  SDL_Quit();
}

NativeWindow::NativeWindow() : impl_(std::make_unique<Impl>()) {}

NativeWindow::~NativeWindow() { close(); }

bool NativeWindow::open(const WindowOptions& options, WindowHost* host) {
  close();
  // SDL asks the session message bus about input methods; with no bus to ask, its
  // attempt to start one achieves nothing and leaves memory behind, so skip it.
  if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
  Impl& impl = *impl_;
  impl.host = host;
  impl.options = options;
  impl.start_done = false;
  impl.start_ok = false;
  impl.quit_requested = false;
  impl.title_changed = false;
  impl.size_changed = false;
  impl.present_pending.store(false);
  impl.thread = std::thread([&impl] { impl.thread_main(); });
  std::unique_lock lock(impl.mutex);
  impl.started.wait(lock, [&impl] { return impl.start_done; });
  const bool ok = impl.start_ok;
  lock.unlock();
  if (!ok) {
    impl.thread.join();
    return false;
  }
  impl.open.store(true);
  return true;
}

void NativeWindow::close() {
  Impl& impl = *impl_;
  if (!impl.thread.joinable()) return;
  {
    std::lock_guard lock(impl.mutex);
    impl.quit_requested = true;
  }
  impl.wake();
  // A process ending from the window thread itself runs this from there; that
  // thread cannot wait for itself.
  if (impl.thread.get_id() == std::this_thread::get_id()) {
    impl.thread.detach();
  } else {
    impl.thread.join();
  }
  impl.open.store(false);
}

bool NativeWindow::is_open() const { return impl_->open.load(); }

void NativeWindow::request_present() {
  if (!impl_->present_pending.exchange(true)) impl_->wake();
}

void NativeWindow::set_title(const std::string& utf8) {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->title = utf8;
    impl_->title_changed = true;
  }
  impl_->wake();
}

void NativeWindow::set_client_size(int32_t width, int32_t height) {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->new_width = width;
    impl_->new_height = height;
    impl_->size_changed = true;
  }
  impl_->wake();
}

std::string executable_title() {
  std::error_code error;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || path.empty()) return "Tessary";
  const std::string stem = path.stem().string();
  return stem.empty() ? "Tessary" : stem;
}

void end_process_now(int status) {
  restore_terminal();
  std::fflush(nullptr);
  _exit(status);
}

}  // namespace platform
