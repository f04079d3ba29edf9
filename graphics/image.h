#pragma once
// IMAGE: a width, a height, a pixel buffer the program reads and writes directly,
// and the drawing state the drawing operations use.
//
// Pixel buffer layout: width x height 32-bit words, row-major, top row first, rows
// packed end to end (word index = y * width + x). Each word is 0x00RRGGBB, so in
// memory the bytes run blue, green, red, 0. Colours handed to drawing operations are
// COLORREF words 0x00BBGGRR (red lowest); swap_red_blue moves between the two forms.
#include <cstdint>
#include <memory>

#include "graphics/drawing_styles.h"

using COLORREF = uint32_t;

// Exchanges the lowest and the third byte; green stays. Turns a COLORREF into a
// pixel word and a pixel word back into a COLORREF.
constexpr uint32_t swap_red_blue(uint32_t v) {
  return ((v & 0xFFu) << 16) | (v & 0xFF00u) | ((v >> 16) & 0xFFu);
}

class IMAGE;

// A rectangle of pixels with both corners included: columns left..right, rows
// top..bottom; empty when left > right or top > bottom.
struct PixelBox {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = -1;
  int32_t bottom = -1;
  constexpr bool empty() const { return left > right || top > bottom; }
  constexpr bool contains(int64_t x, int64_t y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

// Line style: style word (PS_ kind in the low four bits, end and join bits above),
// thickness in pixels and an optional user dash pattern the style owns.
struct LINESTYLE {
  int32_t style = PS_SOLID;
  int32_t thickness = 1;
  uint32_t* pattern = nullptr;
  int32_t count = 0;

  LINESTYLE() = default;
  LINESTYLE(const LINESTYLE& other);
  LINESTYLE& operator=(const LINESTYLE& other);
  ~LINESTYLE();
  void free_pattern();
};

// Fill style: type (BS_SOLID, BS_NULL, BS_HATCHED, BS_PATTERN, BS_DIBPATTERN), hatch
// kind (HS_) and an optional pattern image the style owns.
struct FILLSTYLE {
  int32_t style = BS_SOLID;
  int32_t hatch = HS_HORIZONTAL;
  IMAGE* pattern = nullptr;

  FILLSTYLE() = default;
  FILLSTYLE(const FILLSTYLE& other);
  FILLSTYLE& operator=(const FILLSTYLE& other);
  ~FILLSTYLE();
  void free_pattern();
};

// A full font description, as a drawing context keeps it.
struct FONTDESC {
  int32_t height = 16;
  int32_t width = 0;
  int32_t escapement = 0;
  int32_t orientation = 0;
  int32_t weight = 0;
  uint8_t italic = 0;
  uint8_t underline = 0;
  uint8_t strike_out = 0;
  uint8_t char_set = 1;
  uint8_t out_precision = 0;
  uint8_t clip_precision = 0;
  uint8_t quality = NONANTIALIASED_QUALITY;
  uint8_t pitch_and_family = 0;
  char face[32] = "System";
};

class IMAGE {
 public:
  explicit IMAGE(int32_t width = 0, int32_t height = 0);
  // A copy starts with the default drawing state and the other image's pixels.
  IMAGE(const IMAGE& other);
  // Resizes through the virtual resize, then copies the other image's pixels to (0, 0).
  // The drawing state stays as it was; assigning an image to itself does nothing.
  IMAGE& operator=(const IMAGE& other);
  virtual ~IMAGE();

  // Restores the default drawing state: position (0, 0), identity transform, white
  // line, fill and text, black background, solid thin line, solid fill, opaque mode,
  // copy raster operation, no clipping, the 16-pixel "System" font.
  virtual void reset_state();
  // Changes the size keeping the overlapping content; new pixels take bk_color.
  // A zero width or height, or a failed allocation, changes nothing.
  virtual void resize(int32_t new_width, int32_t new_height);

  int32_t image_width() const { return width; }
  int32_t image_height() const { return height; }

  int32_t width = 0;
  int32_t height = 0;
  int32_t cur_x = 0;
  int32_t cur_y = 0;
  // scale x, shear, shear, scale y, origin x, origin y
  float transform[6] = {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
  COLORREF line_color = 0xFFFFFF;
  COLORREF fill_color = 0xFFFFFF;
  COLORREF text_color = 0xFFFFFF;
  COLORREF bk_color = 0x000000;
  uint32_t* pixels = nullptr;
  LINESTYLE line_style;
  FILLSTYLE fill_style;

  // What a platform drawing context keeps beside the fields above.
  int32_t bk_mode = BK_OPAQUE;
  int32_t rop = ROP2_COPY;
  int32_t poly_fill_mode = FILL_ALTERNATE;
  FONTDESC font;
  bool clip_on = false;  // drawing is limited to the inclusive clip rectangle below
  int32_t clip_left = 0;
  int32_t clip_top = 0;
  int32_t clip_right = 0;
  int32_t clip_bottom = 0;

 private:
  std::unique_ptr<uint32_t[]> buffer_;
};

// Copies the whole of `source` to (x, y) of `target`, clipped to the target.
void copy_image_pixels(IMAGE& target, int32_t x, int32_t y, const IMAGE& source);
