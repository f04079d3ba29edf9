#include "drawing/raster.h"

#include <algorithm>
#include <cmath>

namespace raster {

namespace {

constexpr uint32_t kRgb = 0x00FFFFFFu;

// The platform's geometric dash patterns, in units of the pen width.
constexpr uint32_t kDashed[] = {3, 1};
constexpr uint32_t kDotted[] = {1, 1};
constexpr uint32_t kDashDot[] = {3, 1, 1, 1};
constexpr uint32_t kDashDotDot[] = {3, 1, 1, 1, 1, 1};

inline void put(uint32_t* pixel, int32_t rop, uint32_t color) {
  *pixel = rop == ROP2_COPY ? color : apply_rop(rop, *pixel, color);
}

// (2 * a * b + c) divided by d, for lines whose 2 * a * b outgrows 64 bits (far
// outside the image). 32-bit targets have no 128-bit integer, so the product is
// built from 32-bit halves and divided one bit at a time. The quotient keeps its
// low 64 bits.
void wide_divide(uint64_t a, uint64_t b, uint64_t c, uint64_t d, uint64_t& quotient, uint64_t& remainder) {
  const uint64_t a_lo = a & 0xFFFFFFFFu, a_hi = a >> 32;
  const uint64_t b_lo = b & 0xFFFFFFFFu, b_hi = b >> 32;
  const uint64_t lo_lo = a_lo * b_lo;
  const uint64_t cross = (lo_lo >> 32) + (a_hi * b_lo & 0xFFFFFFFFu) + (a_lo * b_hi & 0xFFFFFFFFu);
  uint64_t lo = (cross << 32) | (lo_lo & 0xFFFFFFFFu);
  uint64_t hi = a_hi * b_hi + (a_hi * b_lo >> 32) + (a_lo * b_hi >> 32) + (cross >> 32);
  hi = (hi << 1) | (lo >> 63);
  lo <<= 1;
  lo += c;
  if (lo < c) ++hi;

  quotient = 0;
  remainder = 0;
  for (int bit = 127; bit >= 0; --bit) {
    const bool carry = (remainder >> 63) != 0;
    remainder = (remainder << 1) | ((bit >= 64 ? hi >> (bit - 64) : lo >> bit) & 1);
    quotient <<= 1;
    if (carry || remainder >= d) {
      remainder -= d;
      quotient |= 1;
    }
  }
}

}  // namespace

ClipBox clip_box(const IMAGE& image) {
  ClipBox box;
  if (image.pixels == nullptr || image.width <= 0 || image.height <= 0) return box;
  box.left = 0;
  box.top = 0;
  box.right = image.width - 1;
  box.bottom = image.height - 1;
  if (image.clip_on) {
    box.left = std::max(box.left, std::min(image.clip_left, image.clip_right));
    box.right = std::min(box.right, std::max(image.clip_left, image.clip_right));
    box.top = std::max(box.top, std::min(image.clip_top, image.clip_bottom));
    box.bottom = std::min(box.bottom, std::max(image.clip_top, image.clip_bottom));
  }
  return box;
}

uint32_t apply_rop(int32_t rop, uint32_t d, uint32_t p) {
  uint32_t result;
  switch (rop) {
    case ROP2_BLACK: result = 0; break;
    case ROP2_NOT_MERGE_PEN: result = ~(d | p); break;
    case ROP2_MASK_NOT_PEN: result = d & ~p; break;
    case ROP2_NOT_COPY_PEN: result = ~p; break;
    case ROP2_MASK_PEN_NOT: result = p & ~d; break;
    case ROP2_NOT: result = ~d; break;
    case ROP2_XOR_PEN: result = d ^ p; break;
    case ROP2_NOT_MASK_PEN: result = ~(d & p); break;
    case ROP2_MASK_PEN: result = d & p; break;
    case ROP2_NOT_XOR_PEN: result = ~(d ^ p); break;
    case ROP2_NOP: result = d; break;
    case ROP2_MERGE_NOT_PEN: result = d | ~p; break;
    case ROP2_MERGE_PEN_NOT: result = p | ~d; break;
    case ROP2_MERGE_PEN: result = p | d; break;
    case ROP2_WHITE: result = kRgb; break;
    default: result = p; break;  // ROP2_COPY and unknown codes
  }
  return result & kRgb;
}

Brush solid_brush(COLORREF color) {
  Brush brush;
  brush.kind = Brush::kSolid;
  brush.color = swap_red_blue(color) & kRgb;
  return brush;
}

Brush fill_brush(const IMAGE& image) {
  Brush brush;
  const FILLSTYLE& style = image.fill_style;
  switch (style.style) {
    case BS_SOLID:
      return solid_brush(image.fill_color);
    case BS_HATCHED:
      brush.kind = Brush::kHatch;
      brush.color = swap_red_blue(image.fill_color) & kRgb;
      brush.back = swap_red_blue(image.bk_color) & kRgb;
      brush.paint_gaps = image.bk_mode != BK_TRANSPARENT;
      brush.hatch = style.hatch;
      return brush;
    case BS_PATTERN:
    case BS_DIBPATTERN:
      if (style.pattern == nullptr || style.pattern->pixels == nullptr) return brush;
      // A two-colour tile takes its colours from the text and background colours.
      brush.kind = style.style == BS_PATTERN ? Brush::kTwoColour : Brush::kColourTile;
      brush.color = swap_red_blue(image.text_color) & kRgb;
      brush.back = swap_red_blue(image.bk_color) & kRgb;
      brush.tile = style.pattern;
      return brush;
    default:
      return brush;
  }
}

// Tile lines: horizontal on tile row 0, vertical on column 0, the forward diagonal
// through (0, 0)-(7, 7), the backward one through (7, 0)-(0, 7). The two diagonals
// of the cross never share a pixel.
bool hatch_bit(int32_t hatch, int32_t x, int32_t y) {
  x &= 7;
  y &= 7;
  switch (hatch) {
    case HS_HORIZONTAL: return y == 0;
    case HS_VERTICAL: return x == 0;
    case HS_FDIAGONAL: return x == y;
    case HS_BDIAGONAL: return x + y == 7;
    case HS_CROSS: return x == 0 || y == 0;
    case HS_DIAGCROSS: return x == y || x + y == 7;
    default: return false;
  }
}

void paint_span(IMAGE& image, const ClipBox& clip, int32_t rop, const Brush& brush, int64_t y, int64_t x0,
                int64_t x1) {
  if (brush.kind == Brush::kNone || y < clip.top || y > clip.bottom) return;
  if (x0 > x1) std::swap(x0, x1);
  const int32_t from = static_cast<int32_t>(std::max<int64_t>(x0, clip.left));
  const int32_t to = static_cast<int32_t>(std::min<int64_t>(x1, clip.right));
  if (from > to) return;
  const int32_t row = static_cast<int32_t>(y);
  uint32_t* line = image.pixels + static_cast<size_t>(row) * image.width;
  switch (brush.kind) {
    case Brush::kSolid:
      if (rop == ROP2_COPY) {
        std::fill(line + from, line + to + 1, brush.color);
      } else {
        for (int32_t x = from; x <= to; ++x) line[x] = apply_rop(rop, line[x], brush.color);
      }
      break;
    case Brush::kHatch:
      for (int32_t x = from; x <= to; ++x) {
        if (hatch_bit(brush.hatch, x, row)) {
          put(line + x, rop, brush.color);
        } else if (brush.paint_gaps) {
          put(line + x, rop, brush.back);
        }
      }
      break;
    case Brush::kTwoColour:
    case Brush::kColourTile: {
      const IMAGE& tile = *brush.tile;
      const uint32_t* tile_row = tile.pixels + static_cast<size_t>(row % tile.height) * tile.width;
      for (int32_t x = from; x <= to; ++x) {
        const uint32_t source = tile_row[x % tile.width] & kRgb;
        uint32_t color = source;
        if (brush.kind == Brush::kTwoColour) color = source == 0 ? brush.color : brush.back;
        put(line + x, rop, color);
      }
      break;
    }
    case Brush::kNone:
      break;
  }
}

void paint_rect(IMAGE& image, const ClipBox& clip, int32_t rop, const Brush& brush, int64_t left, int64_t top,
                int64_t right, int64_t bottom) {
  if (top > bottom) std::swap(top, bottom);
  const int64_t from = std::max<int64_t>(top, clip.top);
  const int64_t to = std::min<int64_t>(bottom, clip.bottom);
  for (int64_t y = from; y <= to; ++y) paint_span(image, clip, rop, brush, y, left, right);
}

DashWalker::DashWalker(const DashPattern& pattern) : pattern_(pattern) {
  uint64_t sum = 0;
  for (int32_t i = 0; i < pattern_.count; ++i) sum += static_cast<uint64_t>(pattern_.lengths[i]) * pattern_.unit;
  if (sum == 0) {
    pattern_.count = 0;
    return;
  }
  // An odd number of entries swaps on and off in the second round.
  period_ = pattern_.count % 2 == 1 ? 2 * sum : sum;
  enter(0, true);
}

void DashWalker::enter(int32_t index, bool on) {
  for (;;) {
    index_ = index;
    on_ = on;
    left_ = static_cast<uint64_t>(pattern_.lengths[index]) * pattern_.unit;
    if (left_ > 0) return;
    index = next_index(index);
    on = !on;
  }
}

void DashWalker::step() {
  if (pattern_.count == 0) return;
  if (--left_ == 0) enter(next_index(index_), !on_);
}

void DashWalker::skip(uint64_t steps) {
  if (pattern_.count == 0) return;
  steps %= period_;
  while (steps >= left_) {
    steps -= left_;
    enter(next_index(index_), !on_);
  }
  left_ -= steps;
}

Pen pen_of(const IMAGE& image, double scale) {
  Pen pen;
  const LINESTYLE& style = image.line_style;
  const int32_t kind = style.style & PS_STYLE_MASK;
  pen.ends = style.style & PS_ENDCAP_MASK;
  pen.joins = style.style & PS_JOIN_MASK;
  double width = std::max(1, style.thickness) * std::fabs(scale);
  width = width == width ? std::clamp(width, 1.0, 1.0e6) : 1.0;
  pen.width = static_cast<int32_t>(std::lround(width));
  pen.color = swap_red_blue(image.line_color) & kRgb;
  const uint32_t unit = static_cast<uint32_t>(pen.width);
  switch (kind) {
    case PS_DASH: pen.dash = {kDashed, 2, unit}; break;
    case PS_DOT: pen.dash = {kDotted, 2, unit}; break;
    case PS_DASHDOT: pen.dash = {kDashDot, 4, unit}; break;
    case PS_DASHDOTDOT: pen.dash = {kDashDotDot, 6, unit}; break;
    case PS_NULL: pen.visible = false; break;
    case PS_USERSTYLE:
      // A user pattern without entries leaves no pen at all.
      if (style.pattern == nullptr || style.count <= 0) {
        pen.visible = false;
      } else {
        pen.dash = {style.pattern, style.count, 1};
      }
      break;
    default: break;  // PS_SOLID, PS_INSIDEFRAME and unknown kinds: solid
  }
  return pen;
}

void thin_line(IMAGE& image, const ClipBox& clip, int32_t rop, uint32_t color, int64_t x1, int64_t y1, int64_t x2,
               int64_t y2, DashWalker* dash) {
  const int64_t dx = x2 - x1;
  const int64_t dy = y2 - y1;
  const uint64_t adx = static_cast<uint64_t>(dx < 0 ? -dx : dx);
  const uint64_t ady = static_cast<uint64_t>(dy < 0 ? -dy : dy);
  const bool x_major = adx >= ady;
  const uint64_t steps = x_major ? adx : ady;
  if (steps == 0) return;
  if (clip.empty()) {
    if (dash != nullptr) dash->skip(steps);
    return;
  }
  const int64_t major_start = x_major ? x1 : y1;
  const int64_t minor_start = x_major ? y1 : x1;
  const int64_t major_sign = (x_major ? dx : dy) < 0 ? -1 : 1;
  const int64_t minor_sign = (x_major ? dy : dx) < 0 ? -1 : 1;
  const uint64_t major_len = steps;
  const uint64_t minor_len = x_major ? ady : adx;
  const int64_t major_lo = x_major ? clip.left : clip.top;
  const int64_t major_hi = x_major ? clip.right : clip.bottom;
  const int64_t minor_lo = x_major ? clip.top : clip.left;
  const int64_t minor_hi = x_major ? clip.bottom : clip.right;

  // Step i covers major = start + sign * i and minor = start + sign * round(i * minor_len / major_len),
  // halves rounded away from the start point.
  int64_t first, last;
  const int64_t last_step = static_cast<int64_t>(steps) - 1;
  if (major_sign > 0) {
    first = std::max<int64_t>(0, major_lo - major_start);
    last = std::min<int64_t>(last_step, major_hi - major_start);
  } else {
    first = std::max<int64_t>(0, major_start - major_hi);
    last = std::min<int64_t>(last_step, major_start - major_lo);
  }
  if (first > last) {
    if (dash != nullptr) dash->skip(steps);
    return;
  }
  if (dash != nullptr) dash->skip(static_cast<uint64_t>(first));

  const uint64_t denominator = 2 * major_len;
  const uint64_t increment = 2 * minor_len;
  int64_t offset = 0;
  uint64_t remainder = major_len;
  // Straight across or down (every outline side) needs no wide division.
  if (minor_len != 0) {
    const uint64_t start = static_cast<uint64_t>(first);
    uint64_t quotient = 0;
    if (minor_len <= UINT64_MAX / 2 && start <= (UINT64_MAX - major_len) / increment) {
      const uint64_t numerator = start * increment + major_len;
      quotient = numerator / denominator;
      remainder = numerator % denominator;
    } else {
      wide_divide(start, minor_len, major_len, denominator, quotient, remainder);
    }
    offset = static_cast<int64_t>(quotient);
  }

  const int32_t width = image.width;
  uint32_t* const pixels = image.pixels;
  int64_t i = first;
  for (; i <= last; ++i) {
    const int64_t minor = minor_start + minor_sign * offset;
    if (minor_sign > 0 ? minor > minor_hi : minor < minor_lo) break;
    if ((dash == nullptr || dash->on()) && minor >= minor_lo && minor <= minor_hi) {
      const int64_t major = major_start + major_sign * i;
      const int64_t x = x_major ? major : minor;
      const int64_t y = x_major ? minor : major;
      put(pixels + static_cast<size_t>(y) * width + x, rop, color);
    }
    if (dash != nullptr) dash->step();
    remainder += increment;
    if (remainder >= denominator) {
      remainder -= denominator;
      ++offset;
    }
  }
  if (dash != nullptr) dash->skip(static_cast<uint64_t>(last_step - i + 1));
}

}  // namespace raster
