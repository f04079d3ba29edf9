#pragma once
// The process-wide editing state: every field, map and list of the program's own
// logic, in fixed-capacity static storage. Nothing here is allocated, grown or freed
// while the program runs. Only the main thread touches it.
//
// Pixel maps are indexed y * picture_width + x in picture coordinates; block maps
// row * grid_cols + col (the row stride is the current grid's, not 1024). Swatch
// colours are COLORREF words 0x00BBGGRR; picture, window and block colours are pixel
// words 0x00RRGGBB.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "app/panel_layout.h"
#include "app/texts.h"
#include "graphics/image.h"
#include "graphics/mouse_msg.h"

inline constexpr int32_t MAX_PICTURE_WIDTH = 1024;
inline constexpr int32_t MAX_PICTURE_HEIGHT = 768;
inline constexpr int32_t PANEL_WIDTH = 200;
inline constexpr int32_t WINDOW_HEIGHT = 768;
// A grid never has more cells than the largest picture at block size 1.
inline constexpr int32_t MAX_GRID_BLOCKS = MAX_PICTURE_WIDTH * MAX_PICTURE_HEIGHT;
inline constexpr int32_t MAX_STROKE_POINTS = 101;  // indices 0..100
inline constexpr int32_t STROKE_CAPACITY = 1000;
inline constexpr int32_t FIRST_PICKED_SWATCH = 27;  // slots 27..29 start empty
inline constexpr int32_t BLOCK_SIZE_CAPACITY = 90;
inline constexpr int32_t LARGEST_BLOCK_SIZE = 80;
inline constexpr int32_t LARGEST_TOLERANCE = 255;
inline constexpr int32_t HISTORY_SLOTS = 20;

struct BlockPos {
  int32_t col;
  int32_t row;
};

struct PicturePoint {
  int32_t x;
  int32_t y;
};

// Outline bits of a block: the sides on which an outline segment belongs.
inline constexpr int32_t EDGE_TOP = 1;
inline constexpr int32_t EDGE_RIGHT = 2;
inline constexpr int32_t EDGE_BOTTOM = 4;
inline constexpr int32_t EDGE_LEFT = 8;

// The user's settings. Snapshot files store this record byte for byte, so its layout
// is fixed.
struct SettingsRecord {
  int32_t block_index;        // index into block_sizes, 1..block_sizes[0]
  int32_t tolerance;          // 0..LARGEST_TOLERANCE
  uint8_t distance_mode;      // 0 arithmetic, 1 Euclidean
  uint8_t reference_mode;     // 0 neighbour as reference, 1 first stroke block
  uint8_t reserved;           // no meaning; saved and restored with the rest
  uint8_t padding_11;
  int32_t fill_color_index;     // swatch that paints deleted blocks
  int32_t outline_color_index;  // swatch that draws the outline
  uint8_t outline_shown;        // 1 while an outline is drawn over the picture
  uint8_t include_inner;        // 1: holes enclosed by the selection count as inside
  uint8_t range_mode;           // 0: deleted pixels are out of the picture; 1: still in
  uint8_t padding_23;
};
static_assert(sizeof(SettingsRecord) == 24);
static_assert(offsetof(SettingsRecord, block_index) == 0);
static_assert(offsetof(SettingsRecord, tolerance) == 4);
static_assert(offsetof(SettingsRecord, distance_mode) == 8);
static_assert(offsetof(SettingsRecord, reference_mode) == 9);
static_assert(offsetof(SettingsRecord, reserved) == 10);
static_assert(offsetof(SettingsRecord, fill_color_index) == 12);
static_assert(offsetof(SettingsRecord, outline_color_index) == 16);
static_assert(offsetof(SettingsRecord, outline_shown) == 20);
static_assert(offsetof(SettingsRecord, include_inner) == 21);
static_assert(offsetof(SettingsRecord, range_mode) == 22);

// Picture and placement
extern IMAGE picture;
extern uint32_t* picture_pixels;
extern uint32_t* window_pixels;  // row stride picture_width + PANEL_WIDTH
extern int32_t picture_width;
extern int32_t picture_height;
extern int32_t picture_left;
extern int32_t picture_top;
extern int32_t picture_right;
extern int32_t picture_bottom;
extern char picture_base_name[20];
extern int32_t save_counter;
extern char save_path[40];
extern char save_message[80];

// Settings and their texts
extern SettingsRecord settings;
using texts::distance_labels;
using texts::include_labels;
using texts::range_labels;
using texts::reference_labels;

// Block sizes: entry 0 holds the count n, entries 1..n the sizes, ascending.
extern int32_t block_sizes[BLOCK_SIZE_CAPACITY];

// Colour swatches
extern COLORREF swatch_colors[SWATCH_COUNT];
extern uint8_t swatch_used[SWATCH_COUNT];

// Current stroke: points 0..stroke_last in picture coordinates, and in blocks.
extern PicturePoint stroke_points[STROKE_CAPACITY];
extern int32_t stroke_last;
extern BlockPos stroke_blocks[STROKE_CAPACITY];

// Block grid, rebuilt by every stroke application
extern int32_t grid_cols;
extern int32_t grid_rows;
extern uint32_t block_colors[MAX_GRID_BLOCKS];
extern uint8_t block_deleted[MAX_GRID_BLOCKS];
extern uint8_t selected_map[MAX_GRID_BLOCKS];
// Seeds are listed once per stroke point, so the list needs room for the whole grid
// plus every stroke point.
extern BlockPos selected_blocks[MAX_GRID_BLOCKS + MAX_STROKE_POINTS];
extern int32_t selected_count;
extern int32_t selected_edges[MAX_GRID_BLOCKS];
extern uint8_t outside_map[MAX_GRID_BLOCKS];
extern BlockPos outside_queue[MAX_GRID_BLOCKS];
extern int32_t outside_queue_len;
extern BlockPos boundary_blocks[MAX_GRID_BLOCKS];
extern int32_t boundary_count;
extern int32_t boundary_edges[MAX_GRID_BLOCKS];

// Deleted pixels
extern uint8_t deleted_pixels[MAX_GRID_BLOCKS];

// Snapshot ring and files
extern int32_t history_pos;
extern int32_t history_newest;
extern int32_t history_oldest;
extern char cache_dir[20];
extern FILE* shared_file;

// The colours the picture shows, from the colours it was loaded with: each output
// channel is taken from one loaded channel, then inverted when `inverted` is 1. The
// row 5 cycle moves it one step at a time.
struct ColourTransform {
  uint8_t red_from = 0;  // 0 red, 1 green, 2 blue
  uint8_t green_from = 1;
  uint8_t blue_from = 2;
  uint8_t inverted = 0;
};

// What the cut-out at the picture's own size needs beyond the snapshots: the picture
// as it was loaded, the colour transform in force and the largest block size any of
// the deletions in force was made at (how far a kept block may still hold background).
// The snapshot files keep their layout, so each snapshot position has this record
// beside it, written and brought back with the file.
struct CutoutRecord {
  ColourTransform colours;
  int32_t deleted_block_size = 0;
};
extern uint32_t loaded_pixels[MAX_GRID_BLOCKS];
extern CutoutRecord cutout;
extern CutoutRecord history_cutouts[HISTORY_SLOTS];

// The dropped file, as it was when the picture was loaded from it: the cut-out is read
// again from it at its own size, and only while it is unchanged.
struct DroppedFile {
  char path[4096];
  uint64_t size;
  int64_t modified;
  int32_t width;  // upright, at its own size
  int32_t height;
};
extern DroppedFile dropped_file;

// Input
extern MOUSEMSG current_msg;
extern int32_t hover_row;
extern int32_t color_transform_step;
// Set while a setting that decides growth has changed under a shown outline and the
// stroke still waits to be grown again (the old outline is already erased): 1 when
// the block grid still holds (tolerance, distance rule, reference), 2 when it must be
// rebuilt too (block size, picture range); 0 otherwise.
extern uint8_t regrowth_waiting;

// The tool panel's constant tables: panel_rows (app/panel_layout.h) and the captions.
using texts::panel_labels;

// The block size in force: the entry of block_sizes at settings.block_index.
inline int32_t current_block_size() { return block_sizes[settings.block_index]; }

// Puts the whole editing state back to how the program starts: zero, with the fixed
// swatch colours. The picture image itself is left alone. For tests that reuse one
// process.
void clear_editing_state();
