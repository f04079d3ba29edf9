#pragma once
// DrawOnWnd: the device that is current while the window is the target. Every
// operation draws into the window's backing image exactly as DrawOnImg does, under
// graph_lock, and then marks what it changed so that the window thread shows it.
// Drawing never waits for the window: a burst of drawing is shown together. While
// batching, changes stay in the backing image until end_batch or end_batch_rect.
#include <cstdint>

#include "drawing/image_device.h"

namespace Canvas {

class GraphWnd;

class DrawOnWnd : public DrawOnImg {
 public:
  ~DrawOnWnd() override;

  void clear_device() override;
  void clear_clip_region() override;

  void put_pixel(int32_t x, int32_t y, COLORREF color) override;
  void draw_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void line_rel(int32_t dx, int32_t dy) override;
  void line_to(int32_t x, int32_t y) override;
  // One lock and one changed rectangle for the whole set.
  void draw_lines(const int32_t* ends, int32_t count) override;

  void frame_rect(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void solid_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void clear_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;

  void frame_circle(int32_t x, int32_t y, int32_t radius) override;
  void fill_circle(int32_t x, int32_t y, int32_t radius) override;
  void solid_circle(int32_t x, int32_t y, int32_t radius) override;
  void clear_circle(int32_t x, int32_t y, int32_t radius) override;
  void frame_ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void fill_ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void solid_ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void clear_ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void frame_round_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t corner_width,
                        int32_t corner_height) override;
  void fill_round_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t corner_width,
                       int32_t corner_height) override;
  void solid_round_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t corner_width,
                        int32_t corner_height) override;
  void clear_round_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t corner_width,
                        int32_t corner_height) override;
  void draw_arc(const RECT32& box, double start_angle, double end_angle) override;
  void frame_pie(const RECT32& box, double start_angle, double end_angle) override;
  void fill_pie(const RECT32& box, double start_angle, double end_angle) override;
  void solid_pie(const RECT32& box, double start_angle, double end_angle) override;
  void clear_pie(const RECT32& box, double start_angle, double end_angle) override;
  void draw_polyline(const POINT32* points, int32_t count) override;
  void frame_polygon(const POINT32* points, int32_t count) override;
  void fill_polygon(const POINT32* points, int32_t count) override;
  void solid_polygon(const POINT32* points, int32_t count) override;
  void clear_polygon(const POINT32* points, int32_t count) override;
  void flood_fill(int32_t x, int32_t y, COLORREF border) override;

  void draw_text(const char* text) override;
  void text_at(int32_t x, int32_t y, const char* text) override;
  int32_t text_in_rect(const char* text, RECT32& rect, uint32_t format) override;

  // The window operations behind gfx_open_window, gfx_close_window and gfx_flush.
  // Opening makes the window the target, resets the drawing state, clears the
  // backing image to black and shows it. Returns false when no window could be made.
  virtual bool open_window(int32_t width, int32_t height, int32_t flags);
  virtual void close_window();
  virtual void begin_batch();
  // Shows the inclusive rectangle of the backing image; returns once it is on screen.
  virtual void flush_rect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  // Shows the whole backing image; returns once it is on screen.
  virtual void flush();
  virtual void end_batch_rect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  virtual void end_batch();

 private:
  // Marks the inclusive rectangle in drawing coordinates as changed, mapped through
  // the drawing transform and widened by the line thickness.
  void changed(int32_t left, int32_t top, int32_t right, int32_t bottom);
  void changed(const POINT32* points, int32_t count);
  void all_changed();
};

// The window, its device and their wiring into graph_context(); made on first use.
GraphWnd& graph_window();
DrawOnWnd& window_device();

}  // namespace Canvas
