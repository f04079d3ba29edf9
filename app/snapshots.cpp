#include "app/snapshots.h"

#include <cstdio>
#include <cstring>

#include "app/editing_state.h"
#include "drawing/gfx_drawing.h"
#include "graphics/graph_context.h"
#include "panel/tool_panel.h"
#include "platform/paths.h"

// A snapshot file holds, with no header: the picture's pixel words, deleted_pixels,
// the settings record, all of block_sizes, swatch_used and swatch_colors.

namespace {

constexpr size_t snapshot_tail_bytes =
    sizeof(SettingsRecord) + sizeof block_sizes + sizeof swatch_used + sizeof swatch_colors;
static_assert(snapshot_tail_bytes == 534);
constexpr size_t largest_snapshot_bytes = 5 * static_cast<size_t>(MAX_GRID_BLOCKS) + snapshot_tail_bytes;

// A whole snapshot is read here before any of it is applied; one more byte than the
// largest file tells an overlong file apart.
uint8_t read_buffer[largest_snapshot_bytes + 1];

int32_t step_forward(int32_t pos) { return (pos + 1) % HISTORY_SLOTS; }
int32_t step_back(int32_t pos) { return (pos + HISTORY_SLOTS - 1) % HISTORY_SLOTS; }

size_t picture_pixel_count() {
  if (picture_width <= 0 || picture_height <= 0) return 0;
  return static_cast<size_t>(picture_width) * static_cast<size_t>(picture_height);
}

void snapshot_file_name(int32_t pos, char (&name)[50]) {
  std::snprintf(name, sizeof name, "%s%c%c.~tmp", cache_dir, platform::path_separator, static_cast<char>('A' + pos));
}

bool write_snapshot_file(const char* name) {
  const size_t pixels = picture_pixel_count();
  shared_file = std::fopen(name, "wb");
  if (shared_file == nullptr) return false;
  bool written = pixels == 0 || (std::fwrite(picture_pixels, sizeof(uint32_t), pixels, shared_file) == pixels &&
                                 std::fwrite(deleted_pixels, 1, pixels, shared_file) == pixels);
  written = written && std::fwrite(&settings, sizeof settings, 1, shared_file) == 1;
  written = written && std::fwrite(block_sizes, sizeof block_sizes, 1, shared_file) == 1;
  written = written && std::fwrite(swatch_used, sizeof swatch_used, 1, shared_file) == 1;
  written = written && std::fwrite(swatch_colors, sizeof swatch_colors, 1, shared_file) == 1;
  const bool closed = std::fclose(shared_file) == 0;
  shared_file = nullptr;
  return written && closed;
}

bool is_flag(uint8_t value) { return value <= 1; }

// Only a snapshot whose every value is one the program can work with is applied.
bool snapshot_values_valid(const SettingsRecord& saved, const int32_t (&sizes)[BLOCK_SIZE_CAPACITY],
                           const uint8_t (&used)[SWATCH_COUNT]) {
  const int32_t count = sizes[0];
  if (count < 1 || count > BLOCK_SIZE_CAPACITY - 1) return false;
  for (int32_t k = 1; k <= count; ++k) {
    if (sizes[k] < 1 || sizes[k] > LARGEST_BLOCK_SIZE) return false;
  }
  if (saved.block_index < 1 || saved.block_index > count) return false;
  if (saved.tolerance < 0 || saved.tolerance > LARGEST_TOLERANCE) return false;
  if (!is_flag(saved.distance_mode) || !is_flag(saved.reference_mode) || !is_flag(saved.outline_shown) ||
      !is_flag(saved.include_inner) || !is_flag(saved.range_mode)) {
    return false;
  }
  if (saved.fill_color_index < 0 || saved.fill_color_index >= SWATCH_COUNT) return false;
  if (saved.outline_color_index < 0 || saved.outline_color_index >= SWATCH_COUNT) return false;
  for (uint8_t flag : used) {
    if (!is_flag(flag)) return false;
  }
  return true;
}

// Reads the snapshot at `pos` and applies it only when it is whole, made for a picture
// of this size and holds valid values; otherwise nothing changes.
bool restore_snapshot(int32_t pos) {
  char name[50];
  snapshot_file_name(pos, name);
  const size_t pixels = picture_pixel_count();
  const size_t expected = 5 * pixels + snapshot_tail_bytes;
  shared_file = std::fopen(name, "rb");
  if (shared_file == nullptr) return false;
  const size_t got = std::fread(read_buffer, 1, expected + 1, shared_file);
  std::fclose(shared_file);
  shared_file = nullptr;
  if (got != expected) return false;

  const uint8_t* tail = read_buffer + 5 * pixels;
  SettingsRecord saved;
  int32_t sizes[BLOCK_SIZE_CAPACITY];
  uint8_t used[SWATCH_COUNT];
  COLORREF colors[SWATCH_COUNT];
  std::memcpy(&saved, tail, sizeof saved);
  tail += sizeof saved;
  std::memcpy(sizes, tail, sizeof sizes);
  tail += sizeof sizes;
  std::memcpy(used, tail, sizeof used);
  tail += sizeof used;
  std::memcpy(colors, tail, sizeof colors);
  if (!snapshot_values_valid(saved, sizes, used)) return false;

  if (pixels > 0) {
    std::memcpy(picture_pixels, read_buffer, 4 * pixels);
    std::memcpy(deleted_pixels, read_buffer + 4 * pixels, pixels);
  }
  settings = saved;
  std::memcpy(block_sizes, sizes, sizeof sizes);
  std::memcpy(swatch_used, used, sizeof used);
  std::memcpy(swatch_colors, colors, sizeof colors);
  cutout = history_cutouts[pos];
  return true;
}

void redraw_after_restore() {
  settings.outline_shown = 0;
  for (int32_t row : PANEL_VALUE_ROWS) draw_row_value(row);
  draw_all_swatches();
  draw_fill_sample();
  draw_outline_sample();
  // Also wipes any outline that was drawn over the picture.
  gfx_put_image(picture_left, picture_top, &picture, SRCCOPY);
  gfx_flush();
}

}  // namespace

void save_snapshot() {
  char name[50];
  snapshot_file_name(history_pos, name);
  history_cutouts[history_pos] = cutout;
  history_pos = step_forward(history_pos);
  history_newest = history_pos;
  // A full ring gives up its oldest snapshot.
  if (history_pos == history_oldest) history_oldest = step_forward(history_oldest);
  if (!write_snapshot_file(name)) history_pos = step_back(history_pos);
}

void undo_snapshot() {
  if (history_pos == history_oldest) return;
  history_pos = step_back(history_pos);
  if (!restore_snapshot(history_pos)) {
    history_pos = step_forward(history_pos);
    return;
  }
  redraw_after_restore();
}

void redo_snapshot() {
  if (history_pos == history_newest) return;
  history_pos = step_forward(history_pos);
  if (!restore_snapshot(history_pos)) {
    history_pos = step_back(history_pos);
    return;
  }
  redraw_after_restore();
}
