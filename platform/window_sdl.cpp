// The graphics windows on SDL2 (Linux).
//
// Model: one window thread, shared. It starts SDL's video subsystem with the first
// window, makes, serves and destroys every open window (the editing window and a
// message box over it alike) and stops SDL when the last one is gone. Other threads
// only leave requests and push the wake-up event, which SDL allows from any thread.
// Frames are shown in software, through each window's surface.
//
// Gaps: a window without a close box still shows one (SDL cannot take it away); its
// close requests are ignored. A dialog is centred, raised and given the keyboard,
// but kept above its owner only where SDL can make it modal (X11). Since one thread
// serves all windows, a host that blocks in a call stalls every window.
#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/window.h"
#include "platform/window_sdl.h"

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

// One window. The fields under "requests" belong to the window thread's mutex; the
// SDL window itself is touched on the window thread alone.
struct NativeWindow::Impl {
  enum class State : uint8_t { closed, opening, open, closing };

  WindowHost* host = nullptr;
  WindowOptions options;
  const Impl* owner = nullptr;

  // Requests, under the window thread's mutex.
  State state = State::closed;
  bool title_changed = false;
  std::string title;
  bool size_changed = false;
  int32_t new_width = 0;
  int32_t new_height = 0;

  // Window thread only.
  SDL_Window* window = nullptr;
  uint32_t id = 0;
  bool whole_present = true;

  std::atomic<bool> present_pending{false};
  std::atomic<bool> open{false};
};

namespace {

using Impl = NativeWindow::Impl;

// The one thread that runs SDL's video: it starts SDL with the first window, makes,
// serves and destroys every window, and stops SDL when the last one is gone.
class WindowThread {
 public:
  static WindowThread& instance() {
    // Never destroyed: a window may still be closing while the process exits.
    static WindowThread* const thread = new WindowThread;
    return *thread;
  }

  bool open(Impl& window);
  void close(Impl& window);
  // Wakes the thread to look at the requests; under `mutex`.
  void wake_locked();
  void wake() {
    std::lock_guard lock(mutex);
    wake_locked();
  }

  std::mutex mutex;

 private:
  void main();
  bool start_video();
  // Makes, changes and destroys windows as asked; false when none is left to serve.
  bool serve_requests();
  void make_window(Impl& window);
  void destroy_window(Impl& window);
  Impl* window_of(uint32_t id) const;
  // Whether `window` is one of the windows shown now (an owner may have closed).
  bool serves(const Impl* window) const {
    return window != nullptr && std::find(served_.begin(), served_.end(), window) != served_.end();
  }
  void handle(const SDL_Event& event);
  void present(Impl& window);
  void note_system_event(const SDL_SysWMmsg& msg);
  void fill_keys(PointerEvent& event);
  // Joins a thread that has stopped; under start_mutex_.
  void join_stopped();

  std::condition_variable changed_;
  // Serialises starting and joining the thread.
  std::mutex start_mutex_;
  std::thread thread_;
  std::thread::id thread_id_;

  // Under `mutex`.
  bool running_ = false;
  // Wake-up events may be pushed only while SDL runs on the thread.
  bool accepting_wakes_ = false;
  uint32_t wake_event_ = 0;
  std::vector<Impl*> requests_;

  // Window thread only.
  std::vector<Impl*> served_;
  std::vector<uint32_t> staging_;
  // Ctrl and Shift as the window system reported them with the pointer event being
  // handled, which stays right even before the window has the keyboard focus.
  bool event_keys_known_ = false;
  bool event_ctrl_ = false;
  bool event_shift_ = false;
};

}  // namespace

void WindowThread::note_system_event(const SDL_SysWMmsg& msg) {
  bool ctrl = false, shift = false;
  if (!sdl::pointer_keys(msg, ctrl, shift)) return;
  event_keys_known_ = true;
  event_ctrl_ = ctrl;
  event_shift_ = shift;
}

// The system's report of a pointer event comes just before SDL's own event for it.
void WindowThread::fill_keys(PointerEvent& event) {
  if (event_keys_known_) {
    event.ctrl = event_ctrl_;
    event.shift = event_shift_;
    event_keys_known_ = false;
    return;
  }
  const SDL_Keymod keys = SDL_GetModState();
  event.ctrl = (keys & KMOD_CTRL) != 0;
  event.shift = (keys & KMOD_SHIFT) != 0;
}

void WindowThread::wake_locked() {
  if (!accepting_wakes_) return;
  SDL_Event event{};
  event.type = wake_event_;
  SDL_PushEvent(&event);
}

void WindowThread::present(Impl& target) {
  const bool whole = target.whole_present;
  target.whole_present = false;
  sdl::present_frame(target.window, *target.host, whole, staging_);
}

Impl* WindowThread::window_of(uint32_t id) const {
  for (Impl* window : served_) {
    if (window->id == id) return window;
  }
  return nullptr;
}

void WindowThread::handle(const SDL_Event& event) {
  PointerEvent pointer;
  Impl* target = nullptr;
  switch (event.type) {
    case SDL_SYSWMEVENT:
      if (event.syswm.msg != nullptr) note_system_event(*event.syswm.msg);
      break;
    case SDL_MOUSEMOTION:
      target = window_of(event.motion.windowID);
      if (target == nullptr) break;
      pointer.kind = PointerEvent::Kind::move;
      pointer.x = event.motion.x;
      pointer.y = event.motion.y;
      fill_keys(pointer);
      target->host->on_pointer(pointer);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      target = window_of(event.button.windowID);
      pointer.button = sdl::button_number(event.button.button);
      if (target == nullptr || pointer.button == 0) break;
      pointer.kind = event.type == SDL_MOUSEBUTTONDOWN ? PointerEvent::Kind::press : PointerEvent::Kind::release;
      pointer.clicks = event.button.clicks;
      pointer.x = event.button.x;
      pointer.y = event.button.y;
      fill_keys(pointer);
      target->host->on_pointer(pointer);
      break;
    case SDL_MOUSEWHEEL: {
      target = window_of(event.wheel.windowID);
      int32_t notches = event.wheel.y;
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      if (target == nullptr || notches == 0) break;
      pointer.kind = PointerEvent::Kind::wheel;
      pointer.wheel_notches = notches;
      pointer.x = event.wheel.mouseX;
      pointer.y = event.wheel.mouseY;
      fill_keys(pointer);
      target->host->on_pointer(pointer);
      break;
    }
    case SDL_KEYDOWN: {
      target = window_of(event.key.windowID);
      const SDL_Keycode key = event.key.keysym.sym;
      if (target == nullptr || sdl::is_modifier_key(key)) break;
      // Ctrl+C is the terminal's interrupt, not a key.
      if (key == SDLK_c && (event.key.keysym.mod & KMOD_CTRL) != 0) break;
      KeyEvent pressed;
      pressed.code = sdl::key_code(key);
      pressed.ctrl = (event.key.keysym.mod & KMOD_CTRL) != 0;
      pressed.shift = (event.key.keysym.mod & KMOD_SHIFT) != 0;
      target->host->on_key(pressed);
      break;
    }
    case SDL_WINDOWEVENT:
      target = window_of(event.window.windowID);
      if (target == nullptr) break;
      switch (event.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESTORED:
          target->whole_present = true;
          break;
        case SDL_WINDOWEVENT_CLOSE:
          if (target->options.close_box) target->host->on_close_request();
          break;
        default:
          break;
      }
      break;
    default:
      break;
  }
}

bool WindowThread::start_video() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A click that activates the window is a click like any other.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // Closing one of several windows is that window's business alone.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
#if defined(SDL_VIDEO_DRIVER_X11)
  // Set before SDL starts: SDL chains its own handler to the one it finds and puts
  // that one back when it stops, so errors met while it closes its connections
  // (a wake-up sent to the window as it goes away) land here too.
  XSetErrorHandler(ignore_x_error);
#endif
  const char* failure = nullptr;
  uint32_t event_type = static_cast<uint32_t>(-1);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    failure = SDL_GetError();
  } else if (!shows_on_screen(SDL_GetCurrentVideoDriver())) {
    failure = "the display cannot be reached";
  } else {
    event_type = SDL_RegisterEvents(1);
    if (event_type == static_cast<uint32_t>(-1)) failure = SDL_GetError();
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  }
  if (failure != nullptr) {
    std::fprintf(stderr, "Tessary: no window can be opened: %s\n", failure);
    return false;
  }
  std::lock_guard lock(mutex);
  accepting_wakes_ = true;
  wake_event_ = event_type;
  return true;
}

void WindowThread::make_window(Impl& made) {
  const WindowOptions& options = made.options;
  const int position = options.dialog ? SDL_WINDOWPOS_CENTERED : SDL_WINDOWPOS_UNDEFINED;
  made.window =
      SDL_CreateWindow(options.title.c_str(), position, position, options.width, options.height, SDL_WINDOW_SHOWN);
  if (made.window == nullptr) {
    std::fprintf(stderr, "Tessary: no window can be opened: %s\n", SDL_GetError());
    made.state = Impl::State::closed;
    return;
  }
  made.id = SDL_GetWindowID(made.window);
  made.whole_present = true;
  if (options.dialog) {
    if (serves(made.owner)) SDL_SetWindowModalFor(made.window, made.owner->window);
    SDL_RaiseWindow(made.window);
    SDL_SetWindowInputFocus(made.window);
  }
  made.state = Impl::State::open;
  made.open.store(true);
  served_.push_back(&made);
}

void WindowThread::destroy_window(Impl& gone) {
  std::erase(served_, &gone);
  if (gone.window != nullptr) {
    const bool had_focus = SDL_GetKeyboardFocus() == gone.window;
    SDL_HideWindow(gone.window);
    SDL_DestroyWindow(gone.window);
    // A dialog hands the keyboard back to the window it stood over.
    if (had_focus && serves(gone.owner)) SDL_SetWindowInputFocus(gone.owner->window);
  }
  gone.window = nullptr;
  gone.id = 0;
  gone.open.store(false);
  gone.state = Impl::State::closed;
}

bool WindowThread::serve_requests() {
  std::lock_guard lock(mutex);
  bool answered = false;
  for (Impl* window : requests_) {
    if (window->state == Impl::State::opening) make_window(*window);
    if (window->state == Impl::State::closing) destroy_window(*window);
    answered = true;
  }
  requests_.clear();
  for (Impl* window : served_) {
    if (window->title_changed) {
      SDL_SetWindowTitle(window->window, window->title.c_str());
      window->title_changed = false;
    }
    if (window->size_changed) {
      SDL_SetWindowSize(window->window, window->new_width, window->new_height);
      window->size_changed = false;
      window->whole_present = true;
    }
  }
  const bool serving = !served_.empty();
  if (!serving) {
    running_ = false;
    accepting_wakes_ = false;
  }
  if (answered) changed_.notify_all();
  return serving;
}

void WindowThread::main() {
  if (!start_video()) {
    {
      std::lock_guard lock(mutex);
      for (Impl* window : requests_) window->state = Impl::State::closed;
      requests_.clear();
      running_ = false;
    }
    changed_.notify_all();
    SDL_Quit();
    return;
  }
  while (serve_requests()) {
    SDL_Event event;
    // The timeout only guards against a lost wake-up; requests wake the wait at once.
    if (SDL_WaitEventTimeout(&event, 200) != 0) {
      do {
        handle(event);
      } while (SDL_PollEvent(&event) != 0);
    }
    for (Impl* window : served_) {
      if (window->present_pending.exchange(false) || window->whole_present) present(*window);
    }
  }
  // SDL is the window thread's alone: stopping all of it frees what the video start made.
  SDL_Quit();
}

void WindowThread::join_stopped() {
  bool stopped;
  {
    std::lock_guard lock(mutex);
    stopped = !running_;
  }
  if (stopped && thread_.joinable()) thread_.join();
}

bool WindowThread::open(Impl& window) {
  std::lock_guard start(start_mutex_);
  std::unique_lock lock(mutex);
  // A thread that has stopped serving may still be stopping SDL; only an opener, under
  // start_mutex_, starts the next one, so it stays stopped meanwhile.
  if (!running_ && thread_.joinable()) {
    lock.unlock();
    thread_.join();
    lock.lock();
  }
  window.state = Impl::State::opening;
  requests_.push_back(&window);
  if (!running_) {
    running_ = true;
    thread_ = std::thread([this] { main(); });
    thread_id_ = thread_.get_id();
  } else {
    wake_locked();
  }
  changed_.wait(lock, [&window] { return window.state != Impl::State::opening; });
  const bool opened = window.state == Impl::State::open;
  lock.unlock();
  if (!opened) join_stopped();
  return opened;
}

void WindowThread::close(Impl& window) {
  {
    std::unique_lock lock(mutex);
    if (window.state != Impl::State::open) return;
    window.state = Impl::State::closing;
    requests_.push_back(&window);
    wake_locked();
    // A process ending from the window thread itself (a host ending it) comes here
    // from there; that thread cannot wait for itself, and never serves again.
    if (std::this_thread::get_id() == thread_id_) return;
    changed_.wait(lock, [&window] { return window.state == Impl::State::closed; });
  }
  // With the last window gone the thread stops SDL; wait for it, so nothing of SDL
  // runs on once every window is closed.
  std::lock_guard start(start_mutex_);
  join_stopped();
}

NativeWindow::NativeWindow() : impl_(std::make_unique<Impl>()) {}

NativeWindow::~NativeWindow() { close(); }

bool NativeWindow::open(const WindowOptions& options, WindowHost* host) {
  close();
  // SDL asks the session message bus about input methods; with no bus to ask, its
  // attempt to start one achieves nothing and leaves memory behind, so skip it.
  if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
  Impl& impl = *impl_;
  WindowThread& thread = WindowThread::instance();
  {
    std::lock_guard lock(thread.mutex);
    impl.host = host;
    impl.options = options;
    impl.owner = options.owner != nullptr ? options.owner->impl_.get() : nullptr;
    impl.title_changed = false;
    impl.size_changed = false;
    impl.present_pending.store(false);
  }
  return thread.open(impl);
}

void NativeWindow::close() { WindowThread::instance().close(*impl_); }

bool NativeWindow::is_open() const { return impl_->open.load(); }

void NativeWindow::request_present() {
  if (!impl_->present_pending.exchange(true)) WindowThread::instance().wake();
}

void NativeWindow::set_title(const std::string& utf8) {
  WindowThread& thread = WindowThread::instance();
  std::lock_guard lock(thread.mutex);
  impl_->title = utf8;
  impl_->title_changed = true;
  thread.wake_locked();
}

void NativeWindow::set_client_size(int32_t width, int32_t height) {
  WindowThread& thread = WindowThread::instance();
  std::lock_guard lock(thread.mutex);
  impl_->new_width = width;
  impl_->new_height = height;
  impl_->size_changed = true;
  thread.wake_locked();
}

}  // namespace platform
