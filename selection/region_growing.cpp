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

namespace {

// One byte per block for the growth and the outside flood, so each neighbour visit
// reads a single byte instead of the selected, deleted and outside maps.
uint8_t walk_state[MAX_GRID_BLOCKS];
constexpr uint8_t OPEN = 0;      // growth: may still be taken; flood: may still be entered
constexpr uint8_t CLOSED = 1;    // growth: a wall or unlike the reference; flood: selected
constexpr uint8_t TAKEN = 2;     // growth: selected; flood: outside
constexpr uint8_t BOUNDARY = 3;  // flood: a selected block already listed as boundary

// Boundary blocks as found, before they are put in column-major order.
BlockPos boundary_found[MAX_GRID_BLOCKS];
int32_t column_fill[MAX_PICTURE_WIDTH + 1];

// Below this share of the grid a list is walked block by block; above it the grid
// is swept row by row, which is cheaper per block and touches memory in order.
bool is_small(int32_t count, int32_t total) { return count < total / 4; }

// The edge word of the block at `index` when its sides face blocks for which
// `faces` holds; the grid border always counts.
template <typename Faces>
int32_t edge_word(int32_t c, int32_t r, int32_t index, int32_t cols, int32_t rows, Faces faces) {
  int32_t word = 0;
  if (r == 0 || faces(index - cols)) word |= EDGE_TOP;
  if (c + 1 >= cols || faces(index + 1)) word |= EDGE_RIGHT;
  if (r + 1 >= rows || faces(index + cols)) word |= EDGE_BOTTOM;
  if (c == 0 || faces(index - 1)) word |= EDGE_LEFT;
  return word;
}

// Stores the edge word of every block whose map entry is 1 and 0 for every other,
// over the whole capacity: what clearing the map and listing every such block in
// compute_edges gives, in one pass in memory order.
void sweep_selected_edges(int32_t cols, int32_t rows) {
  auto faces = [](int32_t n) { return selected_map[n] != 1 || block_deleted[n] != 0; };
  for (int32_t r = 0, index = 0; r < rows; ++r) {
    for (int32_t c = 0; c < cols; ++c, ++index) {
      selected_edges[index] = selected_map[index] == 1 ? edge_word(c, r, index, cols, rows, faces) : 0;
    }
  }
  const size_t total = static_cast<size_t>(cols) * static_cast<size_t>(rows);
  std::memset(selected_edges + total, 0, (MAX_GRID_BLOCKS - total) * sizeof(int32_t));
}

void fill_selected_map(int32_t total) {
  for (int32_t i = 0; i < total; ++i) selected_map[i] = walk_state[i] >> 1;
  std::memset(selected_map + total, 0, static_cast<size_t>(MAX_GRID_BLOCKS - total));
}

void fill_outside_map(int32_t total) {
  for (int32_t i = 0; i < total; ++i) outside_map[i] = walk_state[i] == TAKEN;
  std::memset(outside_map + total, 0, static_cast<size_t>(MAX_GRID_BLOCKS - total));
}

}  // namespace

void grow_selection() {
  const int32_t cols = grid_cols;
  const int32_t rows = grid_rows;
  const int32_t total = cols * rows;
  const bool deleted_are_walls = settings.range_mode == 0;
  const bool first_is_reference = settings.reference_mode == 1;
  const bool euclidean = settings.distance_mode == 1;
  const uint32_t tolerance = static_cast<uint32_t>(settings.tolerance);

  // The list has room for the whole grid plus one entry per possible stroke point.
  const int32_t seeds = std::min(stroke_last, MAX_STROKE_POINTS - 1) + 1;
  const uint32_t first_color = block_colors[stroke_blocks[0].row * cols + stroke_blocks[0].col];

  // With the first stroke block as the reference every block's verdict is known in
  // advance, so a block unlike it is closed like a wall.
  if (first_is_reference) {
    for (int32_t i = 0; i < total; ++i) {
      const bool wall = deleted_are_walls && block_deleted[i] != 0;
      walk_state[i] = wall || !colors_similar(first_color, block_colors[i], tolerance, euclidean) ? CLOSED : OPEN;
    }
  } else if (deleted_are_walls) {
    for (int32_t i = 0; i < total; ++i) walk_state[i] = block_deleted[i] != 0 ? CLOSED : OPEN;
  } else {
    std::memset(walk_state, OPEN, static_cast<size_t>(total));
  }

  // Seeds are taken whatever their colour, once per stroke point.
  for (int32_t i = 0; i < seeds; ++i) {
    selected_blocks[i] = stroke_blocks[i];
    walk_state[stroke_blocks[i].row * cols + stroke_blocks[i].col] = TAKEN;
  }

  // The list is its own queue: j chases the append index. While the list has room
  // for four more entries a neighbour is written unconditionally and kept only when
  // taken, which spares the unpredictable branch on noisy pictures.
  constexpr int32_t capacity = MAX_GRID_BLOCKS + MAX_STROKE_POINTS;
  int32_t count = seeds;
  auto grow = [&](auto admits) {
    for (int32_t j = 0; j < count; ++j) {
      const int32_t c = selected_blocks[j].col;
      const int32_t r = selected_blocks[j].row;
      const int32_t index = r * cols + c;
      const bool room = count + 4 <= capacity;
      auto visit = [&](int32_t nc, int32_t nr, int32_t n) {
        const bool take = walk_state[n] == OPEN && admits(index, n);
        if (room) {
          walk_state[n] = take ? TAKEN : walk_state[n];
          selected_blocks[count] = BlockPos{nc, nr};
          count += take;
        } else if (take) {
          walk_state[n] = TAKEN;
          selected_blocks[count++] = BlockPos{nc, nr};
        }
      };
      if (r > 0) visit(c, r - 1, index - cols);
      if (c + 1 < cols) visit(c + 1, r, index + 1);
      if (r + 1 < rows) visit(c, r + 1, index + cols);
      if (c > 0) visit(c - 1, r, index - 1);
    }
  };
  if (first_is_reference) {
    grow([](int32_t, int32_t) { return true; });
  } else {
    grow([&](int32_t from, int32_t n) { return colors_similar(block_colors[from], block_colors[n], tolerance, euclidean); });
  }
  selected_count = count;
  fill_selected_map(total);

  if (is_small(selected_count, total)) {
    std::memset(selected_edges, 0, sizeof selected_edges);
    compute_edges(selected_blocks, selected_count, selected_map, selected_edges, 1);
  } else {
    sweep_selected_edges(cols, rows);
  }
}

void find_boundary() {
  const int32_t cols = grid_cols;
  const int32_t rows = grid_rows;
  const int32_t total = cols * rows;
  for (int32_t i = 0; i < total; ++i) walk_state[i] = selected_map[i] != 0 ? CLOSED : OPEN;

  // Entered blocks are written unconditionally while the queue has room for four
  // more, as in the growth.
  int32_t length = 0;
  bool room = true;
  auto enter = [&](int32_t c, int32_t r, int32_t n) {
    const bool open = walk_state[n] == OPEN;
    if (room) {
      walk_state[n] = open ? TAKEN : walk_state[n];
      outside_queue[length] = BlockPos{c, r};
      length += open;
    } else if (open) {
      walk_state[n] = TAKEN;
      outside_queue[length++] = BlockPos{c, r};
    }
  };
  const int32_t last_row_start = (rows - 1) * cols;
  room = false;
  for (int32_t c = 0; c < cols; ++c) {
    enter(c, 0, c);
    enter(c, rows - 1, last_row_start + c);
  }
  for (int32_t r = 0; r < rows; ++r) {
    enter(0, r, r * cols);
    enter(cols - 1, r, r * cols + cols - 1);
  }
  // Deleted blocks do not stop the outside.
  for (int32_t k = 0; k < length; ++k) {
    room = length + 4 <= MAX_GRID_BLOCKS;
    const int32_t c = outside_queue[k].col;
    const int32_t r = outside_queue[k].row;
    const int32_t index = r * cols + c;
    if (r > 0) enter(c, r - 1, index - cols);
    if (c + 1 < cols) enter(c + 1, r, index + 1);
    if (r + 1 < rows) enter(c, r + 1, index + cols);
    if (c > 0) enter(c - 1, r, index - 1);
  }
  outside_queue_len = length;
  fill_outside_map(total);

  // Boundary blocks: selected, and on the grid border or next to an outside block.
  // They are listed column by column, rows ascending within a column.
  auto on_boundary = [&](int32_t c, int32_t r, int32_t i) {
    return c == 0 || r == 0 || c == cols - 1 || r == rows - 1 || walk_state[i - cols] == TAKEN ||
           walk_state[i + 1] == TAKEN || walk_state[i + cols] == TAKEN || walk_state[i - 1] == TAKEN;
  };
  int32_t found = 0;
  if (is_small(selected_count, total)) {
    // Only the listed blocks can be selected; a block listed twice is taken once.
    for (int32_t k = 0; k < selected_count; ++k) {
      const int32_t c = selected_blocks[k].col;
      const int32_t r = selected_blocks[k].row;
      const int32_t i = r * cols + c;
      if (walk_state[i] == CLOSED && on_boundary(c, r, i)) {
        walk_state[i] = BOUNDARY;
        boundary_found[found++] = BlockPos{c, r};
      }
    }
    std::sort(boundary_found, boundary_found + found, [](const BlockPos& a, const BlockPos& b) {
      return a.col != b.col ? a.col < b.col : a.row < b.row;
    });
    std::copy(boundary_found, boundary_found + found, boundary_blocks);
  } else {
    // Found row by row, then spread into columns: within a column rows stay ascending.
    std::fill(column_fill, column_fill + cols + 1, 0);
    for (int32_t r = 0, i = 0; r < rows; ++r) {
      for (int32_t c = 0; c < cols; ++c, ++i) {
        if (walk_state[i] == CLOSED && on_boundary(c, r, i)) {
          boundary_found[found++] = BlockPos{c, r};
          ++column_fill[c + 1];
        }
      }
    }
    for (int32_t c = 0; c < cols; ++c) column_fill[c + 1] += column_fill[c];
    for (int32_t k = 0; k < found; ++k) boundary_blocks[column_fill[boundary_found[k].col]++] = boundary_found[k];
  }
  boundary_count = found;

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
    edges[index] = edge_word(c, r, index, cols, rows, faces);
  }
}
