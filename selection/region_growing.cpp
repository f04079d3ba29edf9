#include "selection/region_growing.h"

#include <algorithm>
#include <cstring>

#include "selection/similarity_rule.h"

const NeighbourStep neighbour_steps[4] = {
    {0, -1, EDGE_TOP},
    {+1, 0, EDGE_RIGHT},
    {0, +1, EDGE_BOTTOM},
    {-1, 0, EDGE_LEFT},
};

void grow_selection() {
  const int32_t cols = grid_cols;
  const int32_t rows = grid_rows;
  std::memset(selected_map, 0, sizeof selected_map);

  // The list has room for the whole grid plus one entry per possible stroke point.
  const int32_t seeds = std::min(stroke_last, MAX_STROKE_POINTS - 1) + 1;
  for (int32_t i = 0; i < seeds; ++i) {
    selected_blocks[i] = stroke_blocks[i];
    selected_map[stroke_blocks[i].row * cols + stroke_blocks[i].col] = 1;
  }

  const bool deleted_are_walls = settings.range_mode == 0;
  const bool first_is_reference = settings.reference_mode == 1;
  const bool euclidean = settings.distance_mode == 1;
  const uint32_t tolerance = static_cast<uint32_t>(settings.tolerance);
  const uint32_t first_color = block_colors[selected_blocks[0].row * cols + selected_blocks[0].col];

  // The list is its own queue: j chases the append index.
  int32_t count = seeds;
  for (int32_t j = 0; j < count; ++j) {
    const int32_t c = selected_blocks[j].col;
    const int32_t r = selected_blocks[j].row;
    const int32_t index = r * cols + c;
    const uint32_t reference = first_is_reference ? first_color : block_colors[index];
    auto visit = [&](int32_t nc, int32_t nr, int32_t n) {
      if (selected_map[n] != 0) return;
      if (deleted_are_walls && block_deleted[n] != 0) return;
      if (!colors_similar(reference, block_colors[n], tolerance, euclidean)) return;
      selected_map[n] = 1;
      selected_blocks[count++] = BlockPos{nc, nr};
    };
    if (r > 0) visit(c, r - 1, index - cols);
    if (c + 1 < cols) visit(c + 1, r, index + 1);
    if (r + 1 < rows) visit(c, r + 1, index + cols);
    if (c > 0) visit(c - 1, r, index - 1);
  }
  selected_count = count;

  std::memset(selected_edges, 0, sizeof selected_edges);
  compute_edges(selected_blocks, selected_count, selected_map, selected_edges, 1);
}

void find_boundary() {
  const int32_t cols = grid_cols;
  const int32_t rows = grid_rows;
  std::memset(outside_map, 0, sizeof outside_map);

  int32_t length = 0;
  auto enter = [&](int32_t c, int32_t r, int32_t n) {
    if (selected_map[n] != 0 || outside_map[n] != 0) return;
    outside_map[n] = 1;
    outside_queue[length++] = BlockPos{c, r};
  };
  const int32_t last_row_start = (rows - 1) * cols;
  for (int32_t c = 0; c < cols; ++c) {
    enter(c, 0, c);
    enter(c, rows - 1, last_row_start + c);
  }
  for (int32_t r = 0; r < rows; ++r) {
    enter(0, r, r * cols);
    enter(cols - 1, r, r * cols + cols - 1);
  }

  for (int32_t k = 0; k < length; ++k) {
    const int32_t c = outside_queue[k].col;
    const int32_t r = outside_queue[k].row;
    const int32_t index = r * cols + c;
    if (r > 0) enter(c, r - 1, index - cols);
    if (c + 1 < cols) enter(c + 1, r, index + 1);
    if (r + 1 < rows) enter(c, r + 1, index + cols);
    if (c > 0) enter(c - 1, r, index - 1);
  }
  outside_queue_len = length;

  // Column-major: every selected block that faces the grid border or the outside.
  int32_t count = 0;
  for (int32_t c = 0; c < cols; ++c) {
    const bool border_col = c == 0 || c == cols - 1;
    for (int32_t r = 0, index = c; r < rows; ++r, index += cols) {
      if (selected_map[index] == 0) continue;
      const bool touches = border_col || r == 0 || r == rows - 1 ||
                           (outside_map[index - cols] | outside_map[index + 1] | outside_map[index + cols] |
                            outside_map[index - 1]) != 0;
      if (touches) boundary_blocks[count++] = BlockPos{c, r};
    }
  }
  boundary_count = count;

  std::memset(boundary_edges, 0, sizeof boundary_edges);
  compute_edges(boundary_blocks, boundary_count, outside_map, boundary_edges, 0);
}

void compute_edges(const BlockPos* list, int32_t count, const uint8_t* map, int32_t* edges, uint8_t inside_value) {
  const int32_t cols = grid_cols;
  const int32_t rows = grid_rows;
  // A side needs an outline when it faces the grid border, a block of the other kind
  // or a deleted block.
  auto faces = [&](int32_t n) { return map[n] != inside_value || block_deleted[n] != 0; };
  for (int32_t k = 0; k < count; ++k) {
    const int32_t c = list[k].col;
    const int32_t r = list[k].row;
    const int32_t index = r * cols + c;
    int32_t word = 0;
    if (r == 0 || faces(index - cols)) word |= EDGE_TOP;
    if (c + 1 >= cols || faces(index + 1)) word |= EDGE_RIGHT;
    if (r + 1 >= rows || faces(index + cols)) word |= EDGE_BOTTOM;
    if (c == 0 || faces(index - 1)) word |= EDGE_LEFT;
    edges[index] = word;
  }
}
