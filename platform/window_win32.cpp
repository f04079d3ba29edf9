// The graphics windows on Win32 (Windows).
//
// Model: one thread per window. Each open window has a thread of its own that makes
// a window of class "CanvasWnd", runs its message loop and shows it from a 32-bit
// top-down DIB section that the host fills; the thread ends with its window. Other
// threads only post messages to the window, never send them, so a thread that holds
// the host's drawing lock can never wait for a window thread that waits for the same
// lock to paint. A window takes the place of a console that shows
// (window_console_win32.cpp).
//
// Gaps: `dialog` and `owner` are ignored: every window opens where the console was
// (or where the system puts it) and none is kept above another. The program's one
// dialog, the message box, is the system's own here, so nothing asks for them.
#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "platform/console.h"
#include "platform/virtual_keys.h"
#include "platform/win32_text.h"
#include "platform/window.h"
#include "platform/window_win32.h"

namespace platform {
namespace {

constexpr wchar_t CLASS_NAME[] = L"CanvasWnd";
constexpr DWORD WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT MSG_PRESENT = WM_APP + 1;
constexpr UINT MSG_TITLE = WM_APP + 2;
constexpr UINT MSG_SIZE = WM_APP + 3;
constexpr UINT MSG_CLOSE = WM_APP + 4;
constexpr int WHEEL_NOTCH = 120;
// IDI_APPLICATION and IDC_ARROW, as wide resource names.
constexpr WORD STANDARD_APPLICATION_ICON = 32512;
constexpr WORD STANDARD_ARROW_CURSOR = 32512;

// Outer size of a window whose client area is width x height.
SIZE outer_size(int32_t width, int32_t height) {
  RECT rect{0, 0, width, height};
  AdjustWindowRectEx(&rect, WINDOW_STYLE, FALSE, 0);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

uint8_t button_of(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
      return 1;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      return 2;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      return 3;
    default:
      return 0;
  }
}

}  // namespace

struct NativeWindow::Impl {
  WindowHost* host = nullptr;
  WindowOptions options;
  std::thread thread;

  // Start-up handshake, and the requests that travel with a posted message.
  std::mutex mutex;
  std::condition_variable started;
  bool start_done = false;
  bool start_ok = false;
  std::string title;
  int32_t new_width = 0;
  int32_t new_height = 0;

  std::atomic<HWND> hwnd{nullptr};
  std::atomic<bool> present_pending{false};
  std::atomic<bool> open{false};

  // Window thread only.
  HDC frame_dc = nullptr;
  HBITMAP frame_bitmap = nullptr;
  HGDIOBJ old_bitmap = nullptr;
  uint32_t* frame = nullptr;
  int32_t frame_width = 0;
  int32_t frame_height = 0;
  int wheel_rest = 0;
  // Buttons pressed inside the window and not yet released (bit 0 left, 1 middle,
  // 2 right), and where the pointer was last, for releases the capture lost.
  uint8_t held = 0;
  POINT last_pointer{};

  void thread_main();
  bool make_frame(int32_t width, int32_t height);
  void free_frame();
  void present(HDC dc, bool whole);
  void present_now(bool whole);
  void pointer(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void release_held();
  void key_down(WPARAM vk);
  void destroy(HWND window);
  LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
};

bool NativeWindow::Impl::make_frame(int32_t width, int32_t height) {
  free_frame();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = std::max(width, 1);
  // Negative: rows from the top, as the host writes them.
  info.bmiHeader.biHeight = -std::max(height, 1);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  frame_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  frame_dc = CreateCompatibleDC(nullptr);
  if (frame_bitmap == nullptr || frame_dc == nullptr || bits == nullptr) {
    free_frame();
    return false;
  }
  old_bitmap = SelectObject(frame_dc, frame_bitmap);
  frame = static_cast<uint32_t*>(bits);
  frame_width = std::max(width, 1);
  frame_height = std::max(height, 1);
  std::fill(frame, frame + static_cast<size_t>(frame_width) * frame_height, 0u);
  return true;
}

void NativeWindow::Impl::free_frame() {
  if (frame_dc != nullptr && old_bitmap != nullptr) SelectObject(frame_dc, old_bitmap);
  if (frame_bitmap != nullptr) DeleteObject(frame_bitmap);
  if (frame_dc != nullptr) DeleteDC(frame_dc);
  frame_dc = nullptr;
  frame_bitmap = nullptr;
  old_bitmap = nullptr;
  frame = nullptr;
  frame_width = frame_height = 0;
}

// Lets the host write what has changed (or everything) into the DIB, then copies
// that rectangle onto the window.
void NativeWindow::Impl::present(HDC dc, bool whole) {
  if (frame == nullptr) return;
  const PixelRect rect = host->fill_frame(frame, frame_width, frame_width, frame_height, whole);
  if (!rect.empty()) {
    GdiFlush();
    BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, frame_dc, rect.left, rect.top,
           SRCCOPY);
    GdiFlush();
  }
  host->on_presented();
}

void NativeWindow::Impl::present_now(bool whole) {
  const HWND window = hwnd.load();
  HDC dc = GetDC(window);
  if (dc == nullptr) return;
  present(dc, whole);
  ReleaseDC(window, dc);
}

void NativeWindow::Impl::pointer(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  PointerEvent event;
  event.ctrl = (wparam & MK_CONTROL) != 0;
  event.shift = (wparam & MK_SHIFT) != 0;
  event.x = GET_X_LPARAM(lparam);
  event.y = GET_Y_LPARAM(lparam);
  const uint8_t button = button_of(message);
  if (message == WM_MOUSEWHEEL) {
    // The wheel reports screen coordinates; high-resolution wheels send parts of a
    // notch, which add up.
    POINT at{event.x, event.y};
    ScreenToClient(window, &at);
    event.x = at.x;
    event.y = at.y;
    wheel_rest += GET_WHEEL_DELTA_WPARAM(wparam);
    event.wheel_notches = wheel_rest / WHEEL_NOTCH;
    wheel_rest -= event.wheel_notches * WHEEL_NOTCH;
    if (event.wheel_notches == 0) return;
    event.kind = PointerEvent::Kind::wheel;
  } else if (message == WM_MOUSEMOVE) {
    event.kind = PointerEvent::Kind::move;
    last_pointer = {event.x, event.y};
  } else if (button != 0) {
    const uint8_t bit = static_cast<uint8_t>(1u << (button - 1));
    const bool press = message == WM_LBUTTONDOWN || message == WM_MBUTTONDOWN || message == WM_RBUTTONDOWN ||
                       message == WM_LBUTTONDBLCLK || message == WM_MBUTTONDBLCLK || message == WM_RBUTTONDBLCLK;
    event.button = button;
    last_pointer = {event.x, event.y};
    if (press) {
      event.kind = PointerEvent::Kind::press;
      event.clicks = (message == WM_LBUTTONDBLCLK || message == WM_MBUTTONDBLCLK || message == WM_RBUTTONDBLCLK) ? 2 : 1;
      // Held buttons keep the pointer, so their release comes here even outside.
      if (held == 0) SetCapture(window);
      held |= bit;
    } else {
      event.kind = PointerEvent::Kind::release;
      held &= static_cast<uint8_t>(~bit);
      if (held == 0 && GetCapture() == window) ReleaseCapture();
    }
  } else {
    return;
  }
  host->on_pointer(event);
}

// The capture went elsewhere while buttons were held: their releases would never
// come, so report them now.
void NativeWindow::Impl::release_held() {
  for (uint8_t button = 1; button <= 3; ++button) {
    const uint8_t bit = static_cast<uint8_t>(1u << (button - 1));
    if ((held & bit) == 0) continue;
    held &= static_cast<uint8_t>(~bit);
    PointerEvent event;
    event.kind = PointerEvent::Kind::release;
    event.button = button;
    event.x = last_pointer.x;
    event.y = last_pointer.y;
    event.ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    event.shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    host->on_pointer(event);
  }
}

void NativeWindow::Impl::key_down(WPARAM vk) {
  const auto code = static_cast<uint32_t>(vk);
  if (is_modifier_virtual_key(code)) return;
  KeyEvent key;
  key.code = key_code_of_virtual_key(code);
  key.ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  key.shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
  // Ctrl+C is the console's interrupt, not a key.
  if (key.ctrl && key.code == 'c') return;
  host->on_key(key);
}

// Hides and destroys the window; a console it stood in for comes back at its place.
void NativeWindow::Impl::destroy(HWND window) {
  note_window_place(window);
  ShowWindow(window, SW_HIDE);
  DestroyWindow(window);
  bring_console_back();
}

LRESULT NativeWindow::Impl::handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (dc != nullptr) present(dc, true);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      // The paint covers the whole client area.
      return 1;
    case MSG_PRESENT:
      present_pending.store(false);
      present_now(false);
      return 0;
    case MSG_TITLE: {
      std::wstring wide;
      {
        std::lock_guard lock(mutex);
        wide = to_wide(title);
      }
      SetWindowTextW(window, wide.c_str());
      return 0;
    }
    case MSG_SIZE: {
      int32_t width, height;
      {
        std::lock_guard lock(mutex);
        width = new_width;
        height = new_height;
      }
      const SIZE outer = outer_size(width, height);
      SetWindowPos(window, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      if (make_frame(width, height)) present_now(true);
      return 0;
    }
    case MSG_CLOSE:
      destroy(window);
      return 0;
    case WM_MOVE:
      note_window_place(window);
      break;
    case WM_CLOSE:
      // Close box and Alt+F4; the host decides, and a window without a close box
      // ignores them.
      if (options.close_box) {
        note_window_place(window);
        host->on_close_request();
      }
      return 0;
    case WM_DESTROY:
      hwnd.store(nullptr);
      PostQuitMessage(0);
      return 0;
    case WM_KEYDOWN:
      key_down(wparam);
      return 0;
    case WM_KEYUP:
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lparam) != window && held != 0) release_held();
      return 0;
    default:
      break;
  }
  if (message >= WM_MOUSEFIRST && message <= WM_MOUSEWHEEL) {
    pointer(window, message, wparam, lparam);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK NativeWindow::Impl::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* impl = reinterpret_cast<Impl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (impl == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return impl->handle(window, message, wparam, lparam);
}

void NativeWindow::Impl::thread_main() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  const std::wstring path = module_path();
  // The first icon stored in the executable; 1 means the file has none to give.
  HICON icon = path.empty() ? nullptr : ExtractIconW(instance, path.c_str(), 0);
  if (icon == reinterpret_cast<HICON>(1)) icon = nullptr;

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_DBLCLKS | (options.close_box ? 0 : CS_NOCLOSE);
  window_class.lpfnWndProc = &Impl::window_proc;
  window_class.hInstance = instance;
  window_class.hIcon = icon != nullptr ? icon : LoadIconW(nullptr, MAKEINTRESOURCEW(STANDARD_APPLICATION_ICON));
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(STANDARD_ARROW_CURSOR));
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  window_class.lpszClassName = CLASS_NAME;
  // Another window of ours may hold the class; this window then uses it as it is.
  const bool registered = RegisterClassExW(&window_class) != 0;

  // The window takes the place of a console that shows, which hides meanwhile.
  int x = CW_USEDEFAULT;
  int y = CW_USEDEFAULT;
  const HWND console = console_to_stand_in_for(x, y);

  const SIZE outer = outer_size(options.width, options.height);
  const bool framed = make_frame(options.width, options.height);
  HWND window = framed ? CreateWindowExW(0, CLASS_NAME, to_wide(options.title).c_str(), WINDOW_STYLE, x, y, outer.cx,
                                         outer.cy, nullptr, nullptr, instance, this)
                       : nullptr;
  if (window != nullptr) {
    // A frame drawn otherwise than the style says would change the client area.
    RECT client;
    if (GetClientRect(window, &client) && (client.right != options.width || client.bottom != options.height)) {
      SetWindowPos(window, nullptr, 0, 0, outer.cx + options.width - client.right,
                   outer.cy + options.height - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!options.close_box) EnableMenuItem(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    hwnd.store(window);
    if (console != nullptr) hide_console_for(console, window, x, y);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
  } else {
    std::fprintf(stderr, "Tessary: no window can be opened (error %lu)\n", GetLastError());
  }
  {
    std::lock_guard lock(mutex);
    start_done = true;
    start_ok = window != nullptr;
  }
  started.notify_all();

  if (window != nullptr) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  hwnd.store(nullptr);
  free_frame();
  if (registered) UnregisterClassW(CLASS_NAME, instance);
  if (icon != nullptr) DestroyIcon(icon);
}

NativeWindow::NativeWindow() : impl_(std::make_unique<Impl>()) {}

NativeWindow::~NativeWindow() { close(); }

bool NativeWindow::open(const WindowOptions& options, WindowHost* host) {
  close();
  Impl& impl = *impl_;
  impl.host = host;
  impl.options = options;
  impl.start_done = false;
  impl.start_ok = false;
  impl.held = 0;
  impl.wheel_rest = 0;
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
  // The window thread destroys its own window, which ends its message loop.
  const HWND window = impl.hwnd.load();
  if (window != nullptr) PostMessageW(window, MSG_CLOSE, 0, 0);
  if (impl.thread.get_id() == std::this_thread::get_id()) {
    impl.thread.detach();
  } else {
    impl.thread.join();
  }
  impl.open.store(false);
}

bool NativeWindow::is_open() const { return impl_->open.load(); }

void NativeWindow::request_present() {
  const HWND window = impl_->hwnd.load();
  if (window == nullptr) return;
  if (!impl_->present_pending.exchange(true)) PostMessageW(window, MSG_PRESENT, 0, 0);
}

void NativeWindow::set_title(const std::string& utf8) {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->title = utf8;
  }
  const HWND window = impl_->hwnd.load();
  if (window != nullptr) PostMessageW(window, MSG_TITLE, 0, 0);
}

void NativeWindow::set_client_size(int32_t width, int32_t height) {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->new_width = width;
    impl_->new_height = height;
  }
  const HWND window = impl_->hwnd.load();
  if (window != nullptr) PostMessageW(window, MSG_SIZE, 0, 0);
}

}  // namespace platform
