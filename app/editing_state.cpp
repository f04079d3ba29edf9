#include "app/editing_state.h"

#include <cstring>


namespace {

// Slot = 9 x blue level + 3 x green level + red level, levels 0x00, 0x80, 0xFF;
// slots 27..29 start empty.
constexpr COLORREF initial_swatch(int slot) {
  constexpr COLORREF levels[3] = {0x00, 0x80, 0xFF};
  if (slot >= FIRST_PICKED_SWATCH) return 0;
  return levels[slot % 3] | (levels[(slot / 3) % 3] << 8) | (levels[slot / 9] << 16);
}

}  // namespace

IMAGE picture;
uint32_t* picture_pixels = nullptr;
uint32_t* window_pixels = nullptr;
int32_t picture_width = 0;
int32_t picture_height = 0;
int32_t picture_left = 0;
int32_t picture_top = 0;
int32_t picture_right = 0;
int32_t picture_bottom = 0;
char picture_base_name[20];
int32_t save_counter = 0;
char save_path[40];
char save_message[80];

SettingsRecord settings;

int32_t block_sizes[BLOCK_SIZE_CAPACITY];

COLORREF swatch_colors[SWATCH_COUNT] = {
    initial_swatch(0),  initial_swatch(1),  initial_swatch(2),  initial_swatch(3),  initial_swatch(4),
    initial_swatch(5),  initial_swatch(6),  initial_swatch(7),  initial_swatch(8),  initial_swatch(9),
    initial_swatch(10), initial_swatch(11), initial_swatch(12), initial_swatch(13), initial_swatch(14),
    initial_swatch(15), initial_swatch(16), initial_swatch(17), initial_swatch(18), initial_swatch(19),
    initial_swatch(20), initial_swatch(21), initial_swatch(22), initial_swatch(23), initial_swatch(24),
    initial_swatch(25), initial_swatch(26), initial_swatch(27), initial_swatch(28), initial_swatch(29)};
uint8_t swatch_used[SWATCH_COUNT];

PicturePoint stroke_points[STROKE_CAPACITY];
int32_t stroke_last = 0;
BlockPos stroke_blocks[STROKE_CAPACITY];

int32_t grid_cols = 0;
int32_t grid_rows = 0;
uint32_t block_colors[MAX_GRID_BLOCKS];
uint8_t block_deleted[MAX_GRID_BLOCKS];
uint8_t selected_map[MAX_GRID_BLOCKS];
BlockPos selected_blocks[MAX_GRID_BLOCKS + MAX_STROKE_POINTS];
int32_t selected_count = 0;
int32_t selected_edges[MAX_GRID_BLOCKS];
uint8_t outside_map[MAX_GRID_BLOCKS];
BlockPos outside_queue[MAX_GRID_BLOCKS];
int32_t outside_queue_len = 0;
BlockPos boundary_blocks[MAX_GRID_BLOCKS];
int32_t boundary_count = 0;
int32_t boundary_edges[MAX_GRID_BLOCKS];

uint8_t deleted_pixels[MAX_GRID_BLOCKS];

int32_t history_pos = 0;
int32_t history_newest = 0;
int32_t history_oldest = 0;
char cache_dir[20];
FILE* shared_file = nullptr;

MOUSEMSG current_msg;
int32_t hover_row = 0;
int32_t color_transform_step = 0;
uint8_t regrowth_waiting = 0;

uint32_t loaded_pixels[MAX_GRID_BLOCKS];
CutoutRecord cutout;
CutoutRecord history_cutouts[HISTORY_SLOTS];
DroppedFile dropped_file;

void clear_editing_state() {
  picture_pixels = nullptr;
  window_pixels = nullptr;
  picture_width = picture_height = picture_left = picture_top = picture_right = picture_bottom = 0;
  std::memset(picture_base_name, 0, sizeof picture_base_name);
  save_counter = 0;
  std::memset(save_path, 0, sizeof save_path);
  std::memset(save_message, 0, sizeof save_message);
  std::memset(&settings, 0, sizeof settings);
  std::memset(block_sizes, 0, sizeof block_sizes);
  for (int slot = 0; slot < SWATCH_COUNT; ++slot) swatch_colors[slot] = initial_swatch(slot);
  std::memset(swatch_used, 0, sizeof swatch_used);
  std::memset(stroke_points, 0, sizeof stroke_points);
  stroke_last = 0;
  std::memset(stroke_blocks, 0, sizeof stroke_blocks);
  grid_cols = grid_rows = 0;
  std::memset(block_colors, 0, sizeof block_colors);
  std::memset(block_deleted, 0, sizeof block_deleted);
  std::memset(selected_map, 0, sizeof selected_map);
  std::memset(selected_blocks, 0, sizeof selected_blocks);
  selected_count = 0;
  std::memset(selected_edges, 0, sizeof selected_edges);
  std::memset(outside_map, 0, sizeof outside_map);
  std::memset(outside_queue, 0, sizeof outside_queue);
  outside_queue_len = 0;
  std::memset(boundary_blocks, 0, sizeof boundary_blocks);
  boundary_count = 0;
  std::memset(boundary_edges, 0, sizeof boundary_edges);
  std::memset(deleted_pixels, 0, sizeof deleted_pixels);
  history_pos = history_newest = history_oldest = 0;
  std::memset(cache_dir, 0, sizeof cache_dir);
  shared_file = nullptr;
  current_msg = MOUSEMSG{};
  hover_row = 0;
  color_transform_step = 0;
  regrowth_waiting = 0;
  std::memset(loaded_pixels, 0, sizeof loaded_pixels);
  cutout = CutoutRecord{};
  for (CutoutRecord& record : history_cutouts) record = CutoutRecord{};
  dropped_file = DroppedFile{};
}
