#include "graphics/window_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "graphics/graph_context.h"
#include "graphics/graph_wnd.h"

namespace Canvas {
namespace {

GraphWnd& window() { return *graph_context().window; }

// graph_lock held by a drawing operation. The window thread needs the lock to show
// anything, so a flush reached from inside an operation must not wait for it.
thread_local int drawing_depth = 0;

class WindowLock {
 public:
  WindowLock() : lock_(graph_context().graph_lock) { ++drawing_depth; }
  ~WindowLock() { --drawing_depth; }
  WindowLock(const WindowLock&) = delete;
  WindowLock& operator=(const WindowLock&) = delete;

 private:
  std::lock_guard<std::recursive_mutex> lock_;
};

// The inclusive box of a circle or ellipse drawn from its centre.
RECT32 circle_box(int32_t x, int32_t y, int32_t radius) { return {x - radius, y - radius, x + radius, y + radius}; }

void show_changes_of_put_image(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!graph_context().batching) window().mark_changed(left, top, right, bottom);
}

}  // namespace

GraphWnd& graph_window() {
  static GraphWnd* made = [] {
    GraphContext& ctx = graph_context();
    static GraphWnd window;
    static DrawOnWnd device;
    std::lock_guard lock(ctx.graph_lock);
    ctx.window = &window;
    ctx.window_device = &device;
    ctx.window_changed = &show_changes_of_put_image;
    return &window;
  }();
  return *made;
}

DrawOnWnd& window_device() {
  graph_window();
  return *graph_context().window_device;
}

DrawOnWnd::~DrawOnWnd() = default;

void DrawOnWnd::changed(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  GraphContext& ctx = graph_context();
  if (ctx.batching || ctx.window == nullptr) return;
  const IMAGE& image = *ctx.window;
  const float* m = image.transform;
  if (m[1] != 0.0f || m[2] != 0.0f) {
    all_changed();
    return;
  }
  const float x1 = left * m[0] + m[4];
  const float x2 = right * m[0] + m[4];
  const float y1 = top * m[3] + m[5];
  const float y2 = bottom * m[3] + m[5];
  const float scale = std::max({std::fabs(m[0]), std::fabs(m[3]), 1.0f});
  // Thick pens and rounding reach a little past the nominal shape.
  const float reach = std::max(image.line_style.thickness, 1) * scale + 2.0f;
  const float far = 1.0e6f;
  const float l = std::clamp(std::min(x1, x2) - reach, -far, far);
  const float r = std::clamp(std::max(x1, x2) + reach, -far, far);
  const float t = std::clamp(std::min(y1, y2) - reach, -far, far);
  const float b = std::clamp(std::max(y1, y2) + reach, -far, far);
  ctx.window->mark_changed(static_cast<int32_t>(std::floor(l)), static_cast<int32_t>(std::floor(t)),
                           static_cast<int32_t>(std::ceil(r)), static_cast<int32_t>(std::ceil(b)));
}

void DrawOnWnd::changed(const POINT32* points, int32_t count) {
  if (points == nullptr || count <= 0) return;
  int32_t left = points[0].x, right = points[0].x, top = points[0].y, bottom = points[0].y;
  for (int32_t i = 1; i < count; ++i) {
    left = std::min(left, points[i].x);
    right = std::max(right, points[i].x);
    top = std::min(top, points[i].y);
    bottom = std::max(bottom, points[i].y);
  }
  changed(left, top, right, bottom);
}

void DrawOnWnd::all_changed() {
  GraphContext& ctx = graph_context();
  if (ctx.batching || ctx.window == nullptr) return;
  ctx.window->mark_all_changed();
}

void DrawOnWnd::clear_device() {
  {
    WindowLock lock;
    DrawOnImg::clear_device();
  }
  if (!graph_context().batching) flush();
  move_to(0, 0);
}

void DrawOnWnd::clear_clip_region() {
  WindowLock lock;
  DrawOnImg::clear_clip_region();
  all_changed();
}

void DrawOnWnd::put_pixel(int32_t x, int32_t y, COLORREF color) {
  WindowLock lock;
  DrawOnImg::put_pixel(x, y, color);
  changed(x, y, x, y);
}

void DrawOnWnd::draw_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  WindowLock lock;
  DrawOnImg::draw_line(x1, y1, x2, y2);
  changed(x1, y1, x2, y2);
}

void DrawOnWnd::line_rel(int32_t dx, int32_t dy) {
  WindowLock lock;
  const int32_t x = target().cur_x;
  const int32_t y = target().cur_y;
  DrawOnImg::line_rel(dx, dy);
  changed(x, y, x + dx, y + dy);
}

void DrawOnWnd::line_to(int32_t x, int32_t y) {
  WindowLock lock;
  const int32_t from_x = target().cur_x;
  const int32_t from_y = target().cur_y;
  DrawOnImg::line_to(x, y);
  changed(from_x, from_y, x, y);
}

void DrawOnWnd::draw_lines(const int32_t* ends, int32_t count) {
  if (ends == nullptr || count <= 0) return;
  WindowLock lock;
  DrawOnImg::draw_lines(ends, count);
  int32_t left = ends[0], right = ends[0], top = ends[1], bottom = ends[1];
  for (int32_t i = 0; i < 2 * count; ++i) {
    left = std::min(left, ends[2 * i]);
    right = std::max(right, ends[2 * i]);
    top = std::min(top, ends[2 * i + 1]);
    bottom = std::max(bottom, ends[2 * i + 1]);
  }
  changed(left, top, right, bottom);
}

#define TESSARY_BOX_OPERATION(name)                                          \
  void DrawOnWnd::name(int32_t left, int32_t top, int32_t right, int32_t bottom) { \
    WindowLock lock;                                                         \
    DrawOnImg::name(left, top, right, bottom);                               \
    changed(left, top, right, bottom);                                       \
  }
TESSARY_BOX_OPERATION(frame_rect)
TESSARY_BOX_OPERATION(fill_rect)
TESSARY_BOX_OPERATION(solid_rect)
TESSARY_BOX_OPERATION(clear_rect)
TESSARY_BOX_OPERATION(frame_ellipse)
TESSARY_BOX_OPERATION(fill_ellipse)
TESSARY_BOX_OPERATION(solid_ellipse)
TESSARY_BOX_OPERATION(clear_ellipse)
#undef TESSARY_BOX_OPERATION

#define TESSARY_CIRCLE_OPERATION(name)                                  \
  void DrawOnWnd::name(int32_t x, int32_t y, int32_t radius) {          \
    WindowLock lock;                                                    \
    DrawOnImg::name(x, y, radius);                                      \
    const RECT32 box = circle_box(x, y, radius);                        \
    changed(box.left, box.top, box.right, box.bottom);                  \
  }
TESSARY_CIRCLE_OPERATION(frame_circle)
TESSARY_CIRCLE_OPERATION(fill_circle)
TESSARY_CIRCLE_OPERATION(solid_circle)
TESSARY_CIRCLE_OPERATION(clear_circle)
#undef TESSARY_CIRCLE_OPERATION

#define TESSARY_ROUND_RECT_OPERATION(name)                                                              \
  void DrawOnWnd::name(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t corner_width, \
                       int32_t corner_height) {                                                         \
    WindowLock lock;                                                                                    \
    DrawOnImg::name(left, top, right, bottom, corner_width, corner_height);                             \
    changed(left, top, right, bottom);                                                                  \
  }
TESSARY_ROUND_RECT_OPERATION(frame_round_rect)
TESSARY_ROUND_RECT_OPERATION(fill_round_rect)
TESSARY_ROUND_RECT_OPERATION(solid_round_rect)
TESSARY_ROUND_RECT_OPERATION(clear_round_rect)
#undef TESSARY_ROUND_RECT_OPERATION

#define TESSARY_ARC_OPERATION(name)                                                 \
  void DrawOnWnd::name(const RECT32& box, double start_angle, double end_angle) { \
    WindowLock lock;                                                               \
    DrawOnImg::name(box, start_angle, end_angle);                                  \
    changed(box.left, box.top, box.right, box.bottom);                             \
  }
TESSARY_ARC_OPERATION(draw_arc)
TESSARY_ARC_OPERATION(frame_pie)
TESSARY_ARC_OPERATION(fill_pie)
TESSARY_ARC_OPERATION(solid_pie)
TESSARY_ARC_OPERATION(clear_pie)
#undef TESSARY_ARC_OPERATION

#define TESSARY_POINTS_OPERATION(name)                               \
  void DrawOnWnd::name(const POINT32* points, int32_t count) {      \
    WindowLock lock;                                                 \
    DrawOnImg::name(points, count);                                  \
    changed(points, count);                                          \
  }
TESSARY_POINTS_OPERATION(draw_polyline)
TESSARY_POINTS_OPERATION(frame_polygon)
TESSARY_POINTS_OPERATION(fill_polygon)
TESSARY_POINTS_OPERATION(solid_polygon)
TESSARY_POINTS_OPERATION(clear_polygon)
#undef TESSARY_POINTS_OPERATION

void DrawOnWnd::flood_fill(int32_t x, int32_t y, COLORREF border) {
  WindowLock lock;
  DrawOnImg::flood_fill(x, y, border);
  all_changed();
}

void DrawOnWnd::draw_text(const char* text) {
  WindowLock lock;
  IMAGE& image = target();
  text_at(image.cur_x, image.cur_y, text);
  image.cur_x += text_width(text);
}

// Text may reach past its measured cell (italics, turned text), so it shows whole.
void DrawOnWnd::text_at(int32_t x, int32_t y, const char* text) {
  WindowLock lock;
  DrawOnImg::text_at(x, y, text);
  all_changed();
}

int32_t DrawOnWnd::text_in_rect(const char* text, RECT32& rect, uint32_t format) {
  WindowLock lock;
  const int32_t result = DrawOnImg::text_in_rect(text, rect, format);
  all_changed();
  return result;
}

bool DrawOnWnd::open_window(int32_t width, int32_t height, int32_t flags) {
  GraphWnd& wnd = graph_window();
  const bool opened = wnd.open(width, height, flags);
  gfx_set_target(nullptr);
  {
    WindowLock lock;
    reset_device_state();
    if (wnd.pixels != nullptr) {
      std::memset(wnd.pixels, 0, sizeof(uint32_t) * static_cast<size_t>(wnd.width) * wnd.height);
    }
  }
  flush();
  return opened;
}

void DrawOnWnd::close_window() { graph_window().close(); }

void DrawOnWnd::begin_batch() { graph_context().batching = true; }

void DrawOnWnd::flush_rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (drawing_depth > 0) {
    window().mark_changed(left, top, right, bottom);
    return;
  }
  window().show_now(left, top, right, bottom);
}

void DrawOnWnd::flush() {
  if (drawing_depth > 0) {
    window().mark_all_changed();
    return;
  }
  window().show_all_now();
}

void DrawOnWnd::end_batch_rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  flush_rect(left, top, right, bottom);
  graph_context().batching = false;
}

void DrawOnWnd::end_batch() {
  flush();
  graph_context().batching = false;
}

}  // namespace Canvas
