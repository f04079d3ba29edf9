// DrawOnImg's text: drawing it at a point or laid out in a rectangle, measuring it,
// and the font description it is drawn in.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "drawing/device_transform.h"
#include "drawing/image_device.h"
#include "drawing/text.h"

namespace Canvas {

namespace {

void copy_face(char (&to)[32], const char* face) {
  if (face == nullptr) {
    to[0] = '\0';
    return;
  }
  const size_t n = strnlen(face, sizeof(to) - 1);
  std::memcpy(to, face, n);
  to[n] = '\0';
}

// The nine values a font is asked for by; a null face keeps the one in `font`.
void set_font_basics(FONTDESC& font, int32_t height, int32_t width, const char* face, int32_t escapement,
                     int32_t orientation, int32_t weight, bool italic, bool underline, bool strike_out) {
  font.height = height;
  font.width = width;
  if (face != nullptr) copy_face(font.face, face);
  font.escapement = escapement;
  font.orientation = orientation;
  font.weight = weight;
  font.italic = italic;
  font.underline = underline;
  font.strike_out = strike_out;
}


}  // namespace

void DrawOnImg::draw_text(const char* text) {
  if (text == nullptr) return;
  IMAGE& image = target();
  text_at(image.cur_x, image.cur_y, text);
  image.cur_x = static_cast<int32_t>(static_cast<int64_t>(image.cur_x) + text_width(text));
}

void DrawOnImg::text_at(int32_t x, int32_t y, const char* text) {
  if (text == nullptr) return;
  draw_text_on_image(target(), x, y, text);
}

// Lays the text out in the rectangle (right and bottom exclusive, as the platform's
// text layout takes them): lines split at '\n' unless single-line, aligned by the
// flags, clipped to the rectangle unless told not to. Returns the text's height.
int32_t DrawOnImg::text_in_rect(const char* text, RECT32& rect, uint32_t format) {
  if (text == nullptr) return 0;
  std::vector<std::string> lines;
  if (format & DT_SINGLELINE) {
    lines.emplace_back(text);
  } else {
    const char* start = text;
    for (const char* p = text;; ++p) {
      if (*p == '\n' || *p == '\0') {
        std::string line(start, p);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        if (*p == '\0') break;
        start = p + 1;
      }
    }
  }
  int64_t total = 0;
  int32_t widest = 0;
  std::vector<int32_t> heights;
  for (const std::string& line : lines) {
    heights.push_back(text_height(line.c_str()));
    widest = std::max(widest, text_width(line.c_str()));
    total += heights.back();
  }
  if (format & DT_CALCRECT) {
    rect.right = static_cast<int32_t>(rect.left + static_cast<int64_t>(widest));
    rect.bottom = static_cast<int32_t>(rect.top + total);
    return static_cast<int32_t>(total);
  }
  IMAGE& image = target();
  const bool clip_was_on = image.clip_on;
  const int32_t saved[4] = {image.clip_left, image.clip_top, image.clip_right, image.clip_bottom};
  if (!(format & DT_NOCLIP)) {
    const BoxF box = device_box(image, rect.left, rect.top, rect.right, rect.bottom);
    int64_t l = static_cast<int64_t>(box.left), t = static_cast<int64_t>(box.top);
    int64_t r = static_cast<int64_t>(box.right) - 1, b = static_cast<int64_t>(box.bottom) - 1;
    if (clip_was_on) {
      l = std::max<int64_t>(l, std::min(saved[0], saved[2]));
      t = std::max<int64_t>(t, std::min(saved[1], saved[3]));
      r = std::min<int64_t>(r, std::max(saved[0], saved[2]));
      b = std::min<int64_t>(b, std::max(saved[1], saved[3]));
    }
    if (l > r || t > b) return static_cast<int32_t>(total);
    image.clip_on = true;
    image.clip_left = static_cast<int32_t>(std::clamp<int64_t>(l, INT32_MIN, INT32_MAX));
    image.clip_top = static_cast<int32_t>(std::clamp<int64_t>(t, INT32_MIN, INT32_MAX));
    image.clip_right = static_cast<int32_t>(std::clamp<int64_t>(r, INT32_MIN, INT32_MAX));
    image.clip_bottom = static_cast<int32_t>(std::clamp<int64_t>(b, INT32_MIN, INT32_MAX));
  }
  int64_t y = rect.top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) y = rect.top + (static_cast<int64_t>(rect.bottom) - rect.top - total) / 2;
    else if (format & DT_BOTTOM) y = rect.bottom - total;
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    const int64_t width = text_width(lines[i].c_str());
    int64_t x = rect.left;
    if (format & DT_CENTER) x = rect.left + (static_cast<int64_t>(rect.right) - rect.left - width) / 2;
    else if (format & DT_RIGHT) x = rect.right - width;
    text_at(static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)),
            static_cast<int32_t>(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX)), lines[i].c_str());
    y += heights[i];
  }
  image.clip_on = clip_was_on;
  image.clip_left = saved[0];
  image.clip_top = saved[1];
  image.clip_right = saved[2];
  image.clip_bottom = saved[3];
  return static_cast<int32_t>(total);
}

int32_t DrawOnImg::text_width(const char* text) {
  return text == nullptr ? 0 : measure_text_width(target().font, text);
}

int32_t DrawOnImg::text_height(const char* text) {
  return text == nullptr ? 0 : measure_text_height(target().font, text);
}

void DrawOnImg::set_font_desc(const FONTDESC& font) { target().font = font; }

void DrawOnImg::set_font_full(int32_t height, int32_t width, const char* face, int32_t escapement,
                              int32_t orientation, int32_t weight, bool italic, bool underline, bool strike_out,
                              uint8_t char_set, uint8_t out_precision, uint8_t clip_precision, uint8_t quality,
                              uint8_t pitch_and_family) {
  FONTDESC font;
  set_font_basics(font, height, width, face, escapement, orientation, weight, italic, underline, strike_out);
  if (face == nullptr) font.face[0] = '\0';
  font.char_set = char_set;
  font.out_precision = out_precision;
  font.clip_precision = clip_precision;
  font.quality = quality;
  font.pitch_and_family = pitch_and_family;
  set_font_desc(font);
}

void DrawOnImg::set_font_ex(int32_t height, int32_t width, const char* face, int32_t escapement,
                            int32_t orientation, int32_t weight, bool italic, bool underline, bool strike_out) {
  FONTDESC font;
  get_font_desc(font);
  set_font_basics(font, height, width, face, escapement, orientation, weight, italic, underline, strike_out);
  set_font_desc(font);
}

void DrawOnImg::set_font(int32_t height, int32_t width, const char* face) {
  FONTDESC font;
  get_font_desc(font);
  font.height = height;
  font.width = width;
  if (face != nullptr) copy_face(font.face, face);
  set_font_desc(font);
}

void DrawOnImg::get_font_desc(FONTDESC& out) { out = target().font; }

}  // namespace Canvas
