#include "app/workspace.h"

#include <cstdlib>
#include <cstring>

#include "app/base_name.h"
#include "app/cache_folder.h"
#include "app/editing_state.h"
#include "app/fatal_message.h"
#include "app/picture_fit.h"
#include "app/texts.h"
#include "drawing/gfx_drawing.h"
#include "graphics/graph_context.h"
#include "graphics/picture_files.h"
#include "panel/tool_panel.h"
#include "platform/files.h"

namespace {

// A solid line with flat ends.
constexpr int32_t SEPARATOR_STYLE = PS_SOLID | PS_ENDCAP_FLAT;
constexpr int32_t SEPARATOR_THICKNESS = 3;
constexpr COLORREF BLACK = 0x000000;
constexpr COLORREF WHITE = 0xFFFFFF;

[[noreturn]] void refuse_picture() {
  show_fatal_message(texts::msg_unreadable_picture);
  std::exit(0);
}

// The cut-out is read again from the file at its own size when saved, but only from
// the file as it was now: a path too long to keep, or a file whose size or time has
// changed by then, makes the save fall back to the size shown.
void remember_dropped_file(const char* path, int32_t width, int32_t height) {
  dropped_file = DroppedFile{};
  if (std::strlen(path) >= sizeof dropped_file.path) return;
  if (!platform::file_identity(path, dropped_file.size, dropped_file.modified)) return;
  std::strcpy(dropped_file.path, path);
  dropped_file.width = width;
  dropped_file.height = height;
}

// The size comes from the header first, so a large picture is decoded only once,
// straight down to the size it is shown at.
void load_picture(const char* path) {
  int32_t width = 0;
  int32_t height = 0;
  if (!gfx_picture_size(path, width, height)) refuse_picture();
  remember_dropped_file(path, width, height);
  const PictureSize fitted = fitted_picture_size(width, height);
  if (fitted.width == width && fitted.height == height) {
    gfx_load_picture(&picture, path, 0, 0, false);
  } else {
    gfx_load_picture(&picture, path, fitted.width, fitted.height, true);
  }
  // Every map of the editing state is sized for at most 1024 x 768 pixels.
  if (picture.image_height() == 0 || picture.image_width() > MAX_PICTURE_WIDTH ||
      picture.image_height() > MAX_PICTURE_HEIGHT) {
    refuse_picture();
  }
}
}  // namespace

void place_picture(int32_t width, int32_t height) {
  picture_width = width;
  picture_height = height;
  picture_left = 0;
  picture_top = (WINDOW_HEIGHT - height) / 2;
  picture_right = width - 1;
  picture_bottom = picture_top + height - 1;
}

void set_start_values() {
  settings.distance_mode = 1;
  settings.reference_mode = 1;
  settings.reserved = 0;
  settings.block_index = 5;
  settings.tolerance = 10;
  settings.fill_color_index = 26;
  settings.outline_color_index = 21;
  stroke_last = 0;
  hover_row = -1;
  color_transform_step = 0;
  history_oldest = 0;
  history_newest = 0;
  block_sizes[0] = LARGEST_BLOCK_SIZE;
  for (int32_t k = 1; k <= LARGEST_BLOCK_SIZE; ++k) block_sizes[k] = k;
  save_counter = 0;
  picture_pixels = gfx_pixels(&picture);
  if (picture_pixels != nullptr && picture_width > 0 && picture_height > 0)
    std::memcpy(loaded_pixels, picture_pixels,
                sizeof(uint32_t) * static_cast<size_t>(picture_width) * static_cast<size_t>(picture_height));
  cutout = CutoutRecord{};
  window_pixels = gfx_pixels(nullptr);
  std::memset(selected_map, 0, sizeof selected_map);
  std::memset(outside_map, 0, sizeof outside_map);
  std::memset(deleted_pixels, 0, sizeof deleted_pixels);
  std::memset(boundary_edges, 0, sizeof boundary_edges);
  for (int32_t slot = 0; slot < SWATCH_COUNT; ++slot) swatch_used[slot] = slot < FIRST_PICKED_SWATCH ? 1 : 0;
}

void setup_workspace(const char* path) {
  prepare_cache_folder();
  load_picture(path);
  picture_base_name_of(path, picture_base_name);

  place_picture(picture.image_width(), picture.image_height());

  const int32_t window_width = picture_width + PANEL_WIDTH;
  // Without a window there is nothing to edit on.
  if (!gfx_open_window(window_width, WINDOW_HEIGHT, 0)) std::exit(EXIT_FAILURE);
  gfx_set_window_caption(texts::caption_main);

  gfx_set_bk_color(BLACK);
  gfx_clear_rect(0, 0, window_width, WINDOW_HEIGHT);
  gfx_set_line_style(SEPARATOR_STYLE, SEPARATOR_THICKNESS, nullptr, 0);
  gfx_set_line_color(WHITE);
  gfx_line(picture_width + 1, 0, picture_width + 1, WINDOW_HEIGHT - 1);
  gfx_put_image(picture_left, picture_top, &picture, SRCCOPY);

  set_start_values();
  draw_panel();
  gfx_flush();
}
