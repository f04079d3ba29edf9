#include "graphics/image.h"

#include <algorithm>
#include <cstring>
#include <new>

LINESTYLE::LINESTYLE(const LINESTYLE& other) { *this = other; }

// A dash pattern is duplicated only for user-pattern styles that carry one.
LINESTYLE& LINESTYLE::operator=(const LINESTYLE& other) {
  if (this == &other) return *this;
  style = other.style;
  thickness = other.thickness;
  free_pattern();
  if ((other.style & PS_STYLE_MASK) == PS_USERSTYLE && other.pattern != nullptr && other.count > 0) {
    pattern = new uint32_t[other.count];
    std::memcpy(pattern, other.pattern, sizeof(uint32_t) * other.count);
    count = other.count;
  }
  return *this;
}

LINESTYLE::~LINESTYLE() { free_pattern(); }

void LINESTYLE::free_pattern() {
  delete[] pattern;
  pattern = nullptr;
  count = 0;
}

FILLSTYLE::FILLSTYLE(const FILLSTYLE& other) { *this = other; }

// Pattern fills deep-copy the pattern image; every other copy drops its own.
FILLSTYLE& FILLSTYLE::operator=(const FILLSTYLE& other) {
  if (this == &other) return *this;
  style = other.style;
  hatch = other.hatch;
  if ((other.style == BS_PATTERN || other.style == BS_DIBPATTERN) && other.pattern != nullptr) {
    if (pattern == nullptr) pattern = new IMAGE();
    *pattern = *other.pattern;
  } else {
    free_pattern();
  }
  return *this;
}

FILLSTYLE::~FILLSTYLE() { free_pattern(); }

void FILLSTYLE::free_pattern() {
  delete pattern;
  pattern = nullptr;
}

IMAGE::IMAGE(int32_t w, int32_t h) {
  IMAGE::reset_state();
  if (w > 0 && h > 0) IMAGE::resize(w, h);
}

IMAGE::IMAGE(const IMAGE& other) : IMAGE() {
  IMAGE::resize(other.width, other.height);
  copy_image_pixels(*this, 0, 0, other);
}

IMAGE& IMAGE::operator=(const IMAGE& other) {
  if (this == &other) return *this;
  resize(other.width, other.height);
  copy_image_pixels(*this, 0, 0, other);
  return *this;
}

IMAGE::~IMAGE() = default;

void IMAGE::reset_state() {
  cur_x = cur_y = 0;
  line_color = 0xFFFFFF;
  text_color = 0xFFFFFF;
  bk_color = 0x000000;
  const float identity[6] = {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
  std::copy(identity, identity + 6, transform);
  line_style.style = PS_SOLID;
  line_style.thickness = 1;
  line_style.free_pattern();
  fill_color = 0xFFFFFF;
  fill_style.style = BS_SOLID;
  fill_style.hatch = HS_HORIZONTAL;
  fill_style.free_pattern();
  bk_mode = BK_OPAQUE;
  rop = ROP2_COPY;
  poly_fill_mode = FILL_ALTERNATE;
  font = FONTDESC{};
  clip_on = false;
}

void IMAGE::resize(int32_t new_width, int32_t new_height) {
  if (new_width <= 0 || new_height <= 0) return;
  const size_t count = static_cast<size_t>(new_width) * static_cast<size_t>(new_height);
  std::unique_ptr<uint32_t[]> fresh(new (std::nothrow) uint32_t[count]);
  if (!fresh) return;
  std::fill_n(fresh.get(), count, swap_red_blue(bk_color));
  if (pixels != nullptr) {
    const int32_t rows = std::min(height, new_height);
    const int32_t cols = std::min(width, new_width);
    for (int32_t y = 0; y < rows; ++y)
      std::memcpy(fresh.get() + static_cast<size_t>(y) * new_width, pixels + static_cast<size_t>(y) * width,
                  sizeof(uint32_t) * cols);
  }
  buffer_ = std::move(fresh);
  pixels = buffer_.get();
  width = new_width;
  height = new_height;
}

void copy_image_pixels(IMAGE& target, int32_t x, int32_t y, const IMAGE& source) {
  if (target.pixels == nullptr || source.pixels == nullptr) return;
  const int32_t src_x0 = std::max(0, -x);
  const int32_t src_y0 = std::max(0, -y);
  const int32_t src_x1 = std::min(source.width, target.width - x);
  const int32_t src_y1 = std::min(source.height, target.height - y);
  if (src_x0 >= src_x1 || src_y0 >= src_y1) return;
  for (int32_t sy = src_y0; sy < src_y1; ++sy) {
    const uint32_t* from = source.pixels + static_cast<size_t>(sy) * source.width + src_x0;
    uint32_t* to = target.pixels + static_cast<size_t>(sy + y) * target.width + (src_x0 + x);
    std::memmove(to, from, sizeof(uint32_t) * (src_x1 - src_x0));
  }
}
