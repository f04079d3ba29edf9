#include "graphics/graph_wnd.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "graphics/graph_context.h"
#include "platform/console.h"
#include "platform/gbk.h"

namespace Canvas {
namespace {

// How long a flush waits for the window thread before giving up on a dead window.
constexpr auto show_timeout = std::chrono::seconds(2);
constexpr int32_t wheel_step = 120;

uint32_t button_message(uint8_t button, bool press, bool second_click) {
  // Left, middle and right each have down, up and double-click messages.
  uint32_t down = WM_LBUTTONDOWN;
  if (button == 2) down = WM_MBUTTONDOWN;
  if (button == 3) down = WM_RBUTTONDOWN;
  if (!press) return down + 1;
  return second_click ? down + 2 : down;
}

}  // namespace

GraphWnd::GraphWnd() : IMAGE(0, 0) {}

GraphWnd::~GraphWnd() { close(); }

void GraphWnd::reset_state() { IMAGE::reset_state(); }

void GraphWnd::resize(int32_t new_width, int32_t new_height) {
  if (new_width <= 0 || new_height <= 0) return;
  bool grew;
  {
    std::lock_guard lock(graph_context().graph_lock);
    grew = new_width > width || new_height > height;
    IMAGE::resize(new_width, new_height);
  }
  if (!native_.is_open()) return;
  native_.set_client_size(new_width, new_height);
  if (grew) show_all_now();
}

bool GraphWnd::open(int32_t new_width, int32_t new_height, int32_t flags) {
  close();
  flags_ = flags;
  {
    std::lock_guard lock(graph_context().graph_lock);
    IMAGE::resize(new_width, new_height);
    changed_ = {};
  }
  platform::WindowOptions options;
  options.width = new_width;
  options.height = new_height;
  options.title = platform::executable_title();
  options.close_box = (flags & GFX_NO_CLOSE_BOX) == 0;
  {
    std::lock_guard lock(reader_mutex_);
    window_gone_ = false;
  }
  held_buttons_ = 0;
  if (native_.open(options, this)) return true;
  std::lock_guard lock(reader_mutex_);
  window_gone_ = true;
  return false;
}

void GraphWnd::close() {
  native_.close();
  {
    std::lock_guard lock(reader_mutex_);
    window_gone_ = true;
  }
  message_arrived_.notify_all();
}

bool GraphWnd::is_open() const { return native_.is_open(); }

uint64_t GraphWnd::note_changed(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  std::lock_guard lock(graph_context().graph_lock);
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width - 1);
  bottom = std::min(bottom, height - 1);
  if (left <= right && top <= bottom) {
    if (changed_.empty()) {
      changed_ = {left, top, right + 1, bottom + 1};
    } else {
      changed_.left = std::min(changed_.left, left);
      changed_.top = std::min(changed_.top, top);
      changed_.right = std::max(changed_.right, right + 1);
      changed_.bottom = std::max(changed_.bottom, bottom + 1);
    }
  }
  return ++change_generation_;
}

void GraphWnd::mark_changed(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  note_changed(left, top, right, bottom);
  native_.request_present();
}

void GraphWnd::mark_all_changed() { mark_changed(0, 0, width - 1, height - 1); }

void GraphWnd::wait_shown(uint64_t generation) {
  std::unique_lock lock(shown_mutex_);
  shown_.wait_for(lock, show_timeout, [&] { return shown_generation_ >= generation || !native_.is_open(); });
}

void GraphWnd::show_now(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!native_.is_open()) return;
  const uint64_t generation = note_changed(left, top, right, bottom);
  native_.request_present();
  wait_shown(generation);
}

void GraphWnd::show_all_now() { show_now(0, 0, width - 1, height - 1); }

MOUSEMSG GraphWnd::next_mouse_msg() {
  if (queue_.is_empty()) {
    std::unique_lock lock(reader_mutex_);
    message_arrived_.wait(lock, [this] { return !queue_.is_empty() || window_gone_; });
    if (queue_.is_empty()) return MOUSEMSG{};
  }
  return queue_.pop();
}

void GraphWnd::clear_mouse_queue() {
  while (!queue_.is_empty()) queue_.pop();
}

void GraphWnd::set_caption(const char* text) {
  if (text == nullptr) return;
  native_.set_title(platform::gbk_to_utf8(text));
}

void GraphWnd::handle_pointer(const platform::PointerEvent& event) {
  using Kind = platform::PointerEvent::Kind;
  MOUSEMSG msg{};
  const uint8_t bit = event.button == 0 ? 0 : static_cast<uint8_t>(1u << (event.button - 1));
  switch (event.kind) {
    case Kind::move:
      msg.message = WM_MOUSEMOVE;
      break;
    case Kind::press:
      if (bit == 0) return;
      held_buttons_ |= bit;
      // Every second press in a row is the double click; the next one starts afresh.
      msg.message = button_message(event.button, true, event.clicks >= 2 && event.clicks % 2 == 0);
      break;
    case Kind::release:
      if (bit == 0) return;
      held_buttons_ &= static_cast<uint8_t>(~bit);
      msg.message = button_message(event.button, false, false);
      break;
    case Kind::wheel:
      msg.message = WM_MOUSEWHEEL;
      msg.wheel_delta =
          static_cast<int16_t>(std::clamp(event.wheel_notches * wheel_step, INT16_MIN + 0, INT16_MAX + 0));
      break;
  }
  msg.ctrl = event.ctrl;
  msg.shift = event.shift;
  msg.left_button = (held_buttons_ & 1u) != 0;
  msg.middle_button = (held_buttons_ & 2u) != 0;
  msg.right_button = (held_buttons_ & 4u) != 0;
  msg.x = static_cast<int16_t>(std::clamp(event.x, INT16_MIN + 0, INT16_MAX + 0));
  msg.y = static_cast<int16_t>(std::clamp(event.y, INT16_MIN + 0, INT16_MAX + 0));
  enqueue(msg);
}

void GraphWnd::handle_key(const platform::KeyEvent& key) {
  platform::post_window_key(key.code);
  MOUSEMSG msg{};
  msg.message = WM_KEYDOWN;
  msg.key = key.code;
  msg.ctrl = key.ctrl;
  msg.shift = key.shift;
  enqueue(msg);
}

void GraphWnd::enqueue(const MOUSEMSG& msg) {
  // A message that finds the queue full is dropped; the reader is woken either way.
  queue_.push(msg);
  {
    std::lock_guard lock(reader_mutex_);
  }
  message_arrived_.notify_one();
}

void GraphWnd::on_pointer(const platform::PointerEvent& event) { handle_pointer(event); }

void GraphWnd::on_key(const platform::KeyEvent& key) { handle_key(key); }

void GraphWnd::on_close_request() { platform::end_process_now(0); }

platform::PixelRect GraphWnd::fill_frame(uint32_t* frame, int32_t pitch, int32_t frame_width, int32_t frame_height,
                                         bool whole) {
  std::lock_guard lock(graph_context().graph_lock);
  platform::PixelRect rect = whole ? platform::PixelRect{0, 0, frame_width, frame_height} : changed_;
  rect.right = std::min(rect.right, frame_width);
  rect.bottom = std::min(rect.bottom, frame_height);
  changed_ = {};
  frame_generation_ = change_generation_;
  if (rect.empty()) return {};
  for (int32_t y = rect.top; y < rect.bottom; ++y) {
    uint32_t* row = frame + static_cast<size_t>(y) * pitch;
    // What lies beyond the backing image shows black.
    int32_t copied_right = rect.left;
    if (pixels != nullptr && y < height) {
      copied_right = std::max(rect.left, std::min(rect.right, width));
      if (copied_right > rect.left) {
        std::memcpy(row + rect.left, pixels + static_cast<size_t>(y) * width + rect.left,
                    sizeof(uint32_t) * (copied_right - rect.left));
      }
    }
    std::fill(row + copied_right, row + rect.right, 0u);
  }
  return rect;
}

void GraphWnd::on_presented() {
  {
    std::lock_guard lock(shown_mutex_);
    shown_generation_ = frame_generation_;
  }
  shown_.notify_all();
}

}  // namespace Canvas
