#pragma once
// DrawOnImg: the device that draws on the current target image with our own raster.
// It has no data of its own; it acts on graph_context().target.
//
// Pixel rules: rectangles include both corners; a thin line covers its start point
// and every pixel up to, but not including, its end point; thicker lines are strokes
// of that width centred on the segment.
#include <cstdint>

#include "graphics/image.h"

namespace Canvas {

struct POINT32 {
  int32_t x;
  int32_t y;
};

// A rectangle as the drawing operations take it: both corners included (clip
// regions, shapes' bounding boxes), except for text_in_rect, which reads right and
// bottom as exclusive, as the platform's text layout does.
struct RECT32 {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

class DrawOnImg {
 public:
  virtual ~DrawOnImg();

  virtual void clear_device();
  virtual COLORREF get_line_color();
  virtual void set_line_color(COLORREF color);
  virtual COLORREF get_text_color();
  virtual void set_text_color(COLORREF color);
  virtual COLORREF get_bk_color();
  virtual void set_bk_color(COLORREF color);
  virtual int32_t get_bk_mode();
  virtual void set_bk_mode(int32_t mode);
  virtual void set_origin(int32_t x, int32_t y);
  // Null removes the clip region.
  virtual void set_clip_region(const RECT32* region);
  virtual void clear_clip_region();
  virtual void get_line_style(LINESTYLE& out);
  virtual void set_line_style(int32_t style, int32_t thickness, const uint32_t* pattern, uint32_t count);
  virtual void apply_line_style(const LINESTYLE& style);
  virtual void get_fill_style(FILLSTYLE& out);
  virtual void set_fill_style(int32_t type, int32_t hatch, const IMAGE* pattern);
  virtual void set_fill_pattern(const uint8_t pattern[8]);
  virtual void apply_fill_style(const FILLSTYLE& style);
  virtual COLORREF get_fill_color();
  virtual void set_fill_color(COLORREF color);
  virtual void get_aspect(float& x_scale, float& y_scale);
  virtual void set_aspect(float x_scale, float y_scale);
  virtual int32_t get_rop();
  virtual void set_rop(int32_t rop);
  virtual int32_t get_poly_fill_mode();
  virtual void set_poly_fill_mode(int32_t mode);
  virtual void reset_device_state();

  virtual COLORREF get_pixel(int32_t x, int32_t y);
  virtual void put_pixel(int32_t x, int32_t y, COLORREF color);
  virtual void move_to(int32_t x, int32_t y);
  virtual void move_rel(int32_t dx, int32_t dy);
  virtual void draw_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  virtual void line_rel(int32_t dx, int32_t dy);
  virtual void line_to(int32_t x, int32_t y);

  virtual void frame_rect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  virtual void fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  virtual void solid_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  virtual void clear_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

  virtual void arc_points(const RECT32& box, double start_angle, double end_angle, POINT32& start, POINT32& end);
  virtual void frame_circle(int32_t x, int32_t y, int32_t radius);
  virtual void fill_circle(int32_t x, int32_t y, int32_t radius);
  virtual void solid_circle(int32_t x, int32_t y, int32_t radius);
  virtual void clear_circle(int32_t x, int32_t y, int32_t radius);
  virtual void frame_ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom);
  virtual void fill_ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom);
  virtual void solid_ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom);
  virtual void clear_ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom);
  virtual void frame_round_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t corner_width,
                                int32_t corner_height);
  virtual void fill_round_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t corner_width,
                               int32_t corner_height);
  virtual void solid_round_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t corner_width,
                                int32_t corner_height);
  virtual void clear_round_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t corner_width,
                                int32_t corner_height);
  virtual void draw_arc(const RECT32& box, double start_angle, double end_angle);
  virtual void frame_pie(const RECT32& box, double start_angle, double end_angle);
  virtual void fill_pie(const RECT32& box, double start_angle, double end_angle);
  virtual void solid_pie(const RECT32& box, double start_angle, double end_angle);
  virtual void clear_pie(const RECT32& box, double start_angle, double end_angle);
  virtual void draw_polyline(const POINT32* points, int32_t count);
  virtual void frame_polygon(const POINT32* points, int32_t count);
  virtual void fill_polygon(const POINT32* points, int32_t count);
  virtual void solid_polygon(const POINT32* points, int32_t count);
  virtual void clear_polygon(const POINT32* points, int32_t count);
  virtual void flood_fill(int32_t x, int32_t y, COLORREF border);

  virtual void draw_text(const char* text);
  virtual void text_at(int32_t x, int32_t y, const char* text);
  // `format`: DT_ flags; `rect`'s right and bottom are exclusive.
  virtual int32_t text_in_rect(const char* text, RECT32& rect, uint32_t format);
  virtual int32_t text_width(const char* text);
  virtual int32_t text_height(const char* text);
  virtual void set_font_desc(const FONTDESC& font);
  virtual void set_font_full(int32_t height, int32_t width, const char* face, int32_t escapement,
                             int32_t orientation, int32_t weight, bool italic, bool underline, bool strike_out,
                             uint8_t char_set, uint8_t out_precision, uint8_t clip_precision, uint8_t quality,
                             uint8_t pitch_and_family);
  virtual void set_font_ex(int32_t height, int32_t width, const char* face, int32_t escapement,
                           int32_t orientation, int32_t weight, bool italic, bool underline, bool strike_out);
  // A null face keeps the current face.
  virtual void set_font(int32_t height, int32_t width, const char* face);
  virtual void get_font_desc(FONTDESC& out);
  virtual int32_t target_width();
  virtual int32_t target_height();
  virtual int32_t get_x();
  virtual int32_t get_y();
  // `count` separate lines, line k from (ends[4k], ends[4k + 1]) to (ends[4k + 2],
  // ends[4k + 3]): each exactly as draw_line draws it, the pen built once.
  virtual void draw_lines(const int32_t* ends, int32_t count);

 protected:
  // The current target image.
  static IMAGE& target();
};

}  // namespace Canvas
