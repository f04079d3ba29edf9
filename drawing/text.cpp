// Placeholder so the drawing device links while text rendering is written; replaced
// by the FreeType renderer.
#include "drawing/text.h"

void draw_text_on_image(IMAGE&, int32_t, int32_t, const char*) {}
int32_t measure_text_width(const FONTDESC&, const char*) { return 0; }
int32_t measure_text_height(const FONTDESC& font, const char*) { return font.height; }
