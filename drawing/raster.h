#pragma once
// The raster under DrawOnImg: clipping, raster operations, brushes painting spans,
// dash patterns and thin lines, all in device pixels of one IMAGE.
//
// Device coordinates are pixel indices; a pixel's centre is the integer point itself.
// Spans and rectangles here are inclusive at both ends.
#include <cstdint>

#include "graphics/image.h"

namespace raster {

// The part of the image drawing may touch: the image intersected with its clip
// rectangle, both corners included; empty when nothing may be touched.
using ClipBox = PixelBox;

ClipBox clip_box(const IMAGE& image);

// Combines a pen or brush pixel word with the destination word by one of the
// sixteen binary raster operations (ROP2_BLACK .. ROP2_WHITE). Unknown codes copy.
uint32_t apply_rop(int32_t rop, uint32_t destination, uint32_t pen);

// What paints the inside of a shape, built from the image's fill state at draw time.
struct Brush {
  enum Kind { kNone, kSolid, kHatch, kTwoColour, kColourTile };
  Kind kind = kNone;
  uint32_t color = 0;       // pixel word: solid colour, hatch lines, black class of a two-colour tile
  uint32_t back = 0;        // pixel word: hatch gaps, other class of a two-colour tile
  bool paint_gaps = false;  // hatch gaps are painted (opaque background mode)
  int32_t hatch = 0;
  const IMAGE* tile = nullptr;
};

Brush fill_brush(const IMAGE& image);
Brush solid_brush(COLORREF color);

// True where hatch kind `hatch` has a line at tile position (x & 7, y & 7).
bool hatch_bit(int32_t hatch, int32_t x, int32_t y);

// Paints device pixels x0..x1 of row y, clipped to `clip`. Tiles are aligned to the
// image's (0, 0).
void paint_span(IMAGE& image, const ClipBox& clip, int32_t rop, const Brush& brush, int64_t y, int64_t x0,
                int64_t x1);
void paint_rect(IMAGE& image, const ClipBox& clip, int32_t rop, const Brush& brush, int64_t left, int64_t top,
                int64_t right, int64_t bottom);

// A dash pattern: alternating on and off lengths (first entry on), each multiplied
// by `unit`. No entries means a continuous line.
struct DashPattern {
  const uint32_t* lengths = nullptr;
  int32_t count = 0;
  uint32_t unit = 1;
  bool dashed() const { return count > 0; }
};

// Walks a dash pattern in whole pixel steps (thin lines).
class DashWalker {
 public:
  explicit DashWalker(const DashPattern& pattern);
  bool on() const { return on_; }
  void step();
  void skip(uint64_t steps);

 private:
  void enter(int32_t index, bool on);
  int32_t next_index(int32_t index) const { return index + 1 == pattern_.count ? 0 : index + 1; }
  DashPattern pattern_;
  uint64_t period_ = 0;
  int32_t index_ = 0;
  uint64_t left_ = 0;
  bool on_ = true;
};

// The pen built from the image's line state at draw time.
struct Pen {
  bool visible = true;
  int32_t width = 1;                // device pixels
  int32_t ends = PS_ENDCAP_ROUND;   // PS_ENDCAP_ROUND, _SQUARE or _FLAT
  int32_t joins = PS_JOIN_ROUND;    // PS_JOIN_ROUND, _BEVEL or _MITER
  DashPattern dash;
  uint32_t color = 0;  // pixel word
};

// `scale` is the transform's linear scale applied to the thickness.
Pen pen_of(const IMAGE& image, double scale);

// Thin line: covers (x1, y1) and every pixel up to, but not including, (x2, y2).
// The pattern walker, when given, advances one step per pixel and carries on
// across calls (paths); pixels in its gaps are left alone. Clipped exactly: a
// clipped line covers the same pixels inside the clip as the whole one.
void thin_line(IMAGE& image, const ClipBox& clip, int32_t rop, uint32_t color, int64_t x1, int64_t y1, int64_t x2,
               int64_t y2, DashWalker* dash);

}  // namespace raster
