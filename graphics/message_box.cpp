#include "graphics/message_box.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "drawing/text.h"
#include "graphics/graph_wnd.h"
#include "graphics/window_device.h"
#include "platform/gbk.h"
#include "platform/message_box.h"
#include "platform/window.h"

namespace {

// The button's caption is the system's, as a system box would show it.
constexpr char button_label[] = "\xC8\xB7\xB6\xA8";  // 确定
constexpr char message_face[] = "\xCB\xCE\xCC\xE5";  // 宋体
constexpr int32_t font_height = 12;

constexpr int32_t text_margin = 24;
constexpr int32_t text_to_button = 20;
constexpr int32_t button_width = 75;
constexpr int32_t button_height = 23;
constexpr int32_t button_margin = 12;
constexpr int32_t min_width = 220;

// Pixel words 0x00RRGGBB.
constexpr uint32_t paper = 0xFFFFFF;
constexpr uint32_t band = 0xF0F0F0;
constexpr uint32_t button_face = 0xE1E1E1;
constexpr uint32_t button_frame = 0x0078D7;
constexpr COLORREF ink = 0x000000;

constexpr uint32_t key_return = 13;
constexpr uint32_t key_escape = 27;
constexpr uint32_t key_space = 32;

void fill(IMAGE& image, const PixelBox& part, uint32_t pixel) {
  for (int32_t y = std::max(part.top, 0); y <= std::min(part.bottom, image.height - 1); ++y) {
    uint32_t* row = image.pixels + static_cast<size_t>(y) * image.width;
    std::fill(row + std::max(part.left, 0), row + std::min(part.right, image.width - 1) + 1, pixel);
  }
}

void frame(IMAGE& image, const PixelBox& part, uint32_t pixel) {
  fill(image, {part.left, part.top, part.right, part.top}, pixel);
  fill(image, {part.left, part.bottom, part.right, part.bottom}, pixel);
  fill(image, {part.left, part.top, part.left, part.bottom}, pixel);
  fill(image, {part.right, part.top, part.right, part.bottom}, pixel);
}

// The box as a window: the finished picture to show, and the user's ways to dismiss
// it. Input arrives on the window thread; the caller waits until it is dismissed.
class MessageBoxWindow : private platform::WindowHost {
 public:
  explicit MessageBoxWindow(const char* text) : layout_(lay_out_message_box(text)) {
    paint_message_box(picture_, layout_, text);
  }

  // False when no window could be shown.
  bool run(const char* caption) {
    platform::WindowOptions options;
    options.width = layout_.width;
    options.height = layout_.height;
    options.title = platform::gbk_to_utf8(caption);
    options.dialog = true;
    options.owner = &Canvas::graph_window().native_window();
    if (!native_.open(options, this)) return false;
    {
      std::unique_lock lock(mutex_);
      dismissed_changed_.wait(lock, [this] { return dismissed_; });
    }
    native_.close();
    return true;
  }

 private:
  void dismiss() {
    {
      std::lock_guard lock(mutex_);
      dismissed_ = true;
    }
    dismissed_changed_.notify_all();
  }

  void on_pointer(const platform::PointerEvent& event) override {
    using Kind = platform::PointerEvent::Kind;
    if (event.button != 1) return;
    const bool on_button = layout_.button.contains(event.x, event.y);
    // A click is a press and a release both on the button.
    if (event.kind == Kind::press) armed_ = on_button;
    if (event.kind == Kind::release) {
      if (armed_ && on_button) dismiss();
      armed_ = false;
    }
  }

  void on_key(const platform::KeyEvent& key) override {
    if (key.code == key_return || key.code == key_space || key.code == key_escape) dismiss();
  }

  void on_close_request() override { dismiss(); }

  // The picture never changes: it is shown whole whenever the window asks for it.
  platform::PixelRect fill_frame(uint32_t* frame, int32_t pitch, int32_t width, int32_t height, bool whole) override {
    if (!whole) return {};
    const int32_t shown_width = std::min(width, picture_.width);
    const int32_t shown_height = std::min(height, picture_.height);
    for (int32_t y = 0; y < shown_height; ++y) {
      std::memcpy(frame + static_cast<size_t>(y) * pitch, picture_.pixels + static_cast<size_t>(y) * picture_.width,
                  sizeof(uint32_t) * static_cast<size_t>(shown_width));
    }
    return {0, 0, shown_width, shown_height};
  }

  void on_presented() override {}

  const MessageBoxLayout layout_;
  IMAGE picture_;
  // Window thread only.
  bool armed_ = false;

  std::mutex mutex_;
  std::condition_variable dismissed_changed_;
  bool dismissed_ = false;

  // Last, so the window is closed before the rest goes.
  platform::NativeWindow native_;
};

}  // namespace

FONTDESC message_box_font() {
  FONTDESC font;
  font.height = font_height;
  std::memcpy(font.face, message_face, sizeof message_face);
  return font;
}

MessageBoxLayout lay_out_message_box(const char* text) {
  const FONTDESC font = message_box_font();
  const char* shown = text != nullptr ? text : "";
  const int32_t text_width = measure_text_width(font, shown);
  const int32_t text_height = std::max(measure_text_height(font, shown), font_height);
  MessageBoxLayout layout;
  layout.width = std::max(text_width + 2 * text_margin, min_width);
  layout.height = text_margin + text_height + text_to_button + button_height + button_margin;
  layout.text = {text_margin, text_margin, text_margin + text_width - 1, text_margin + text_height - 1};
  const int32_t button_left = layout.width - button_margin - button_width;
  const int32_t button_top = layout.height - button_margin - button_height;
  layout.button = {button_left, button_top, button_left + button_width - 1, button_top + button_height - 1};
  return layout;
}

void paint_message_box(IMAGE& image, const MessageBoxLayout& layout, const char* text) {
  image.resize(layout.width, layout.height);
  if (image.width != layout.width || image.height != layout.height) return;
  const int32_t band_top = layout.button.top - button_margin;
  fill(image, {0, 0, layout.width - 1, band_top - 1}, paper);
  fill(image, {0, band_top, layout.width - 1, layout.height - 1}, band);
  fill(image, layout.button, button_face);
  frame(image, layout.button, button_frame);

  image.font = message_box_font();
  image.text_color = ink;
  image.bk_mode = BK_TRANSPARENT;
  draw_text_on_image(image, layout.text.left, layout.text.top, text != nullptr ? text : "");
  const int32_t label_width = measure_text_width(image.font, button_label);
  const int32_t label_height = measure_text_height(image.font, button_label);
  const int32_t button_middle_x = (layout.button.left + layout.button.right + 1) / 2;
  const int32_t button_middle_y = (layout.button.top + layout.button.bottom + 1) / 2;
  draw_text_on_image(image, button_middle_x - label_width / 2, button_middle_y - label_height / 2, button_label);
}

void gfx_message_box(const char* text, const char* caption) {
  if constexpr (platform::has_system_message_box) {
    platform::show_message_box(text, caption);
  } else {
    MessageBoxWindow box(text);
    if (box.run(caption)) return;
    // No box could be shown (no display): the user still gets the message.
    std::fprintf(stderr, "%s: %s\n", platform::gbk_to_utf8(caption != nullptr ? caption : "").c_str(),
                 platform::gbk_to_utf8(text != nullptr ? text : "").c_str());
  }
}
