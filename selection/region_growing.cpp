#include "selection/region_growing.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "selection/block_rows.h"
#include "selection/verdict_rows.h"

const NeighbourStep neighbour_steps[4] = {
    {0, -1, EDGE_TOP},
    {+1, 0, EDGE_RIGHT},
    {0, +1, EDGE_BOTTOM},
    {-1, 0, EDGE_LEFT},
};

namespace {

// The selection, its seeds, the deleted blocks, the outside and what growth may
// enter, as rows of bits.
BlockRows selected_rows;
BlockRows seed_rows;
BlockRows deleted_rows;
BlockRows passable_rows;
BlockRows outside_rows;

// Boundary blocks as found row by row, before they are put in column-major order.
BlockPos boundary_found[MAX_GRID_BLOCKS];
int32_t column_fill[MAX_PICTURE_WIDTH + 1];

// The part of a block map that may hold entries other than 0. Only these
// functions write the maps, so whatever lies outside it is known to be 0 and is
// not cleared again; the whole capacity is unknown at the start.
struct Written {
  int32_t begin = 0;
  int32_t end = MAX_GRID_BLOCKS;
};
Written selected_map_written, selected_edges_written, outside_map_written, boundary_edges_written;

// Clears what was written outside [begin, end) and records [begin, end) as written.
template <typename T>
void clear_around(T* map, Written& written, int32_t begin, int32_t end) {
  if (begin >= end) begin = end = 0;
  const int32_t low_end = std::min(written.end, begin == end ? written.end : begin);
  if (written.begin < low_end) std::memset(map + written.begin, 0, sizeof(T) * (low_end - written.begin));
  const int32_t high_begin = std::max(written.begin, end);
  if (begin != end && high_begin < written.end) std::memset(map + high_begin, 0, sizeof(T) * (written.end - high_begin));
  written = {begin, end};
}

void clear_rows(BlockRows& rows, int32_t row_count) { std::memset(rows, 0, sizeof(rows[0]) * row_count); }

void set_bit(BlockRows& rows, int32_t c, int32_t r) { rows[r][c / 64] |= uint64_t{1} << (c % 64); }

// Writes the edge words of one grid row: the four masks hold the blocks that get
// each side (only selected blocks are in them).
void write_edge_row(int32_t* out, int32_t cols, const uint64_t* top, const uint64_t* right,
                    const uint64_t* bottom, const uint64_t* left) {
  const int32_t words = row_words(cols);
  for (int32_t w = 0; w < words; ++w) {
    const int32_t count = w + 1 < words ? 64 : cols - 64 * w;
    int32_t* line = out + 64 * w;
    if ((top[w] | right[w] | bottom[w] | left[w]) == 0) {
      std::memset(line, 0, sizeof(int32_t) * count);
      continue;
    }
    // Nibbles as bytes first, then widened in one plain loop the compiler vectorises.
    alignas(16) uint8_t nibbles[64];
    for (int32_t i = 0; i < 64; i += 8) {
      const uint64_t eight = byte_spread.bytes[(top[w] >> i) & 0xFF] | byte_spread.bytes[(right[w] >> i) & 0xFF] << 1 |
                             byte_spread.bytes[(bottom[w] >> i) & 0xFF] << 2 |
                             byte_spread.bytes[(left[w] >> i) & 0xFF] << 3;
      std::memcpy(nibbles + i, &eight, 8);
    }
    if (count == 64) {
      for (int32_t k = 0; k < 64; ++k) line[k] = nibbles[k];
    } else {
      for (int32_t k = 0; k < count; ++k) line[k] = nibbles[k];
    }
  }
}

// Rows holding any bit, as [first, last]; first > last when none does.
void used_rows(const BlockRows& rows, int32_t words, int32_t row_count, int32_t& first, int32_t& last) {
  first = row_count;
  last = -1;
  for (int32_t r = 0; r < row_count; ++r) {
    uint64_t any = 0;
    for (int32_t w = 0; w < words; ++w) any |= rows[r][w];
    if (any != 0) {
      first = std::min(first, r);
      last = r;
    }
  }
}

// Seeds first, as the stroke lists them, then every other selected block row by row.
int32_t list_selection(int32_t seeds) {
  const int32_t rows = grid_rows, words = row_words(grid_cols);
  int32_t count = seeds;
  BlockPos* out = selected_blocks;
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t w = 0; w < words; ++w) {
      uint64_t bits = selected_rows[r][w] & ~seed_rows[r][w];
      const int32_t base = 64 * w;
      if (bits == ~uint64_t{0}) {
        for (int32_t i = 0; i < 64; ++i) out[count + i] = BlockPos{base + i, r};
        count += 64;
        continue;
      }
      while (bits != 0) {
        out[count++] = BlockPos{base + std::countr_zero(bits), r};
        bits &= bits - 1;
      }
    }
  }
  return count;
}

// Growth with the block it was reached from as the reference: the rule is not
// symmetric, so every block gets its own step into each neighbour, and the
// selection is what those steps reach from the seeds.
BlockSteps steps;

void grow_from_neighbours(int32_t seed_first_row, int32_t seed_last_row, bool deleted_are_walls, uint32_t tolerance,
                          bool euclidean) {
  const int32_t cols = grid_cols, rows = grid_rows, words = row_words(cols);
  const uint64_t last_mask = last_word_mask(cols);
  static BlockRows enterable;
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t w = 0; w < words; ++w) {
      const uint64_t grid = w + 1 == words ? last_mask : ~uint64_t{0};
      enterable[r][w] = deleted_are_walls ? grid & ~deleted_rows[r][w] : grid;
    }
  }
  uint64_t shifted[ROW_WORDS], sideways[ROW_WORDS];
  for (int32_t r = 0; r < rows; ++r) {
    const uint32_t* line = block_colors + static_cast<size_t>(r) * cols;
    // Right: from column c to c + 1.
    std::fill(sideways, sideways + ROW_WORDS, uint64_t{0});
    similar_pairs(line, line + 1, cols - 1, tolerance, euclidean, sideways);
    from_right_neighbours(enterable[r], words, shifted);
    for (int32_t w = 0; w < words; ++w) steps.right[r][w] = sideways[w] & shifted[w];
    // Left: from column c + 1 to c, moved to the column the step starts from.
    if (!euclidean) {
      std::fill(sideways, sideways + ROW_WORDS, uint64_t{0});
      similar_pairs(line + 1, line, cols - 1, tolerance, euclidean, sideways);
    }
    uint64_t from_left_side[ROW_WORDS];
    from_left_neighbours(sideways, words, from_left_side);
    from_left_neighbours(enterable[r], words, shifted);
    for (int32_t w = 0; w < words; ++w) steps.left[r][w] = from_left_side[w] & shifted[w];
    // Down: from row r to r + 1; up: from row r + 1 to r, kept at row r + 1.
    if (r + 1 < rows) {
      similar_pairs(line, line + cols, cols, tolerance, euclidean, sideways);
      for (int32_t w = 0; w < words; ++w) steps.down[r][w] = sideways[w] & enterable[r + 1][w];
      if (!euclidean) similar_pairs(line + cols, line, cols, tolerance, euclidean, sideways);
      for (int32_t w = 0; w < words; ++w) steps.up[r + 1][w] = sideways[w] & enterable[r][w];
    } else {
      for (int32_t w = 0; w < words; ++w) steps.down[r][w] = 0;
    }
  }
  for (int32_t w = 0; w < words; ++w) steps.up[0][w] = 0;
  for (int32_t r = 0; r < rows; ++r) std::memcpy(selected_rows[r], seed_rows[r], sizeof(uint64_t) * words);
  flood_steps(steps, selected_rows, cols, rows, seed_first_row, seed_last_row);
}

// Growth with the first stroke block as the reference: every block's verdict is
// known in advance, so the selection is what a flood through the similar blocks
// (and the seeds) reaches.
void grow_from_first(int32_t seed_first_row, int32_t seed_last_row, bool deleted_are_walls,
                     uint32_t tolerance, bool euclidean) {
  const int32_t cols = grid_cols, rows = grid_rows, words = row_words(cols);
  const uint32_t first_color = block_colors[stroke_blocks[0].row * cols + stroke_blocks[0].col];
  similar_rows(first_color, block_colors, cols, rows, tolerance, euclidean, passable_rows);
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t w = 0; w < words; ++w) {
      uint64_t open = passable_rows[r][w];
      if (deleted_are_walls) open &= ~deleted_rows[r][w];
      passable_rows[r][w] = open | seed_rows[r][w];
      selected_rows[r][w] = seed_rows[r][w];
    }
  }
  flood_rows(passable_rows, selected_rows, cols, rows, seed_first_row, seed_last_row);
}

// The stroke's blocks as seed rows, and the rows they lie on; returns how many
// entries the seeds take at the head of selected_blocks (one per stroke point).
int32_t mark_seeds(int32_t& first_row, int32_t& last_row) {
  clear_rows(seed_rows, grid_rows);
  const int32_t seeds = std::min(stroke_last, MAX_STROKE_POINTS - 1) + 1;
  first_row = grid_rows;
  last_row = -1;
  for (int32_t i = 0; i < seeds; ++i) {
    set_bit(seed_rows, stroke_blocks[i].col, stroke_blocks[i].row);
    first_row = std::min(first_row, stroke_blocks[i].row);
    last_row = std::max(last_row, stroke_blocks[i].row);
  }
  return seeds;
}

// selected_rows into the list (the seeds already at its head), the map and the edges.
void publish_selection(int32_t seeds) {
  const int32_t cols = grid_cols, rows = grid_rows, words = row_words(cols);
  selected_count = list_selection(seeds);

  // Only rows that hold selected blocks get anything but 0.
  int32_t first, last;
  used_rows(selected_rows, words, rows, first, last);
  const int32_t begin = first * cols, end = (last + 1) * cols;
  clear_around(selected_map, selected_map_written, begin, end);
  clear_around(selected_edges, selected_edges_written, begin, end);
  if (first > last) return;
  unpack_block_map(selected_rows + first, cols, last - first + 1, selected_map + begin);

  // A side needs an outline where it faces the grid border, an unselected block or a
  // deleted one.
  static BlockRows closed;  // selected and not deleted: the neighbours that need no side
  for (int32_t r = std::max(first - 1, 0); r <= std::min(last + 1, rows - 1); ++r) {
    for (int32_t w = 0; w < words; ++w) closed[r][w] = selected_rows[r][w] & ~deleted_rows[r][w];
  }
  for (int32_t r = first; r <= last; ++r) {
    uint64_t top[ROW_WORDS], right[ROW_WORDS], bottom[ROW_WORDS], left[ROW_WORDS];
    from_right_neighbours(closed[r], words, right);
    from_left_neighbours(closed[r], words, left);
    const uint64_t* s = selected_rows[r];
    for (int32_t w = 0; w < words; ++w) {
      top[w] = s[w] & ~(r > 0 ? closed[r - 1][w] : 0);
      bottom[w] = s[w] & ~(r + 1 < rows ? closed[r + 1][w] : 0);
      right[w] = s[w] & ~right[w];
      left[w] = s[w] & ~left[w];
    }
    write_edge_row(selected_edges + static_cast<size_t>(r) * cols, cols, top, right, bottom, left);
  }
}

// The selection as the maps hold it, for a change by one ring; returns the seeds'
// share of the list, which stays as it is.
int32_t load_selection() {
  pack_block_map(selected_map, grid_cols, grid_rows, selected_rows);
  pack_block_map(block_deleted, grid_cols, grid_rows, deleted_rows);
  int32_t first_row, last_row;
  return mark_seeds(first_row, last_row);
}

}  // namespace

void grow_selection() {
  const int32_t cols = grid_cols;
  const int32_t rows = grid_rows;
  const bool deleted_are_walls = settings.range_mode == 0;
  const bool euclidean = settings.distance_mode == 1;
  const uint32_t tolerance = static_cast<uint32_t>(settings.tolerance);
  if (cols <= 0 || rows <= 0) {
    selected_count = 0;
    return;
  }

  pack_block_map(block_deleted, cols, rows, deleted_rows);
  // The list has room for the whole grid plus one entry per possible stroke point;
  // seeds are listed once per stroke point and taken whatever their colour.
  int32_t seed_first_row, seed_last_row;
  const int32_t seeds = mark_seeds(seed_first_row, seed_last_row);
  for (int32_t i = 0; i < seeds; ++i) selected_blocks[i] = stroke_blocks[i];

  if (settings.reference_mode == 1) {
    grow_from_first(seed_first_row, seed_last_row, deleted_are_walls, tolerance, euclidean);
  } else {
    grow_from_neighbours(seed_first_row, seed_last_row, deleted_are_walls, tolerance, euclidean);
  }
  publish_selection(seeds);
}

namespace {

// One ring of blocks more or less, row by row from the selection as it was: the row
// above is kept before it changes. Growing takes in every block beside the selection
// that is no wall; shrinking keeps a block only when all four sides face selected
// blocks (the grid border faces none), or when it holds a stroke point.
void change_by_ring(bool grow) {
  const int32_t cols = grid_cols, rows = grid_rows, words = row_words(cols);
  if (cols <= 0 || rows <= 0) return;
  const int32_t seeds = load_selection();
  const bool deleted_are_walls = settings.range_mode == 0;
  const uint64_t last_mask = last_word_mask(cols);
  uint64_t above[ROW_WORDS] = {};
  for (int32_t r = 0; r < rows; ++r) {
    uint64_t right[ROW_WORDS], left[ROW_WORDS], here[ROW_WORDS];
    std::memcpy(here, selected_rows[r], sizeof(uint64_t) * words);
    from_right_neighbours(here, words, right);
    from_left_neighbours(here, words, left);
    for (int32_t w = 0; w < words; ++w) {
      const uint64_t below = r + 1 < rows ? selected_rows[r + 1][w] : 0;
      if (grow) {
        uint64_t open = w + 1 == words ? last_mask : ~uint64_t{0};
        if (deleted_are_walls) open &= ~deleted_rows[r][w];
        selected_rows[r][w] = here[w] | (open & (above[w] | below | right[w] | left[w]));
      } else {
        selected_rows[r][w] = (here[w] & above[w] & below & right[w] & left[w]) | seed_rows[r][w];
      }
    }
    std::memcpy(above, here, sizeof(uint64_t) * words);
  }
  publish_selection(seeds);
}

}  // namespace

void add_selection_ring() { change_by_ring(true); }

void remove_selection_ring() { change_by_ring(false); }

void find_boundary() {
  const int32_t cols = grid_cols;
  const int32_t rows = grid_rows;
  const int32_t words = row_words(cols);
  const int32_t total = cols * rows;
  const uint64_t last_mask = last_word_mask(cols);
  const uint64_t last_col_bit = uint64_t{1} << (std::max(cols - 1, 0) % 64);
  const int32_t last_word = words - 1;
  if (cols <= 0 || rows <= 0) {
    outside_queue_len = boundary_count = 0;
    return;
  }

  // The selection as the map says, and the deleted blocks, which do not stop the
  // outside but do get outline sides.
  pack_block_map(selected_map, cols, rows, selected_rows);
  pack_block_map(block_deleted, cols, rows, deleted_rows);

  // The outside starts at every unselected block of the grid border and floods
  // through unselected blocks.
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t w = 0; w < words; ++w) {
      const uint64_t open = ~selected_rows[r][w] & (w == last_word ? last_mask : ~uint64_t{0});
      passable_rows[r][w] = open;
      uint64_t border = (r == 0 || r == rows - 1) ? ~uint64_t{0} : 0;
      if (w == 0) border |= 1;
      if (w == last_word) border |= last_col_bit;
      outside_rows[r][w] = open & border;
    }
  }
  flood_rows(passable_rows, outside_rows, cols, rows, 0, rows - 1);
  outside_queue_len = count_bits(outside_rows, cols, rows);
  clear_around(outside_map, outside_map_written, 0, total);
  unpack_block_map(outside_rows, cols, rows, outside_map);

  // Boundary blocks: selected, and on the grid border or beside an outside block.
  // Found row by row and counted per column, then spread into column-major order.
  std::fill(column_fill, column_fill + cols + 1, 0);
  static BlockRows facing;  // outside or deleted: neighbours a boundary side faces
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t w = 0; w < words; ++w) facing[r][w] = outside_rows[r][w] | deleted_rows[r][w];
  }
  // The boundary is sparse: the last stroke's words go first, then the new ones.
  clear_around(boundary_edges, boundary_edges_written, 0, 0);
  int32_t found = 0;
  int32_t begin = total, end = 0;
  for (int32_t r = 0; r < rows; ++r) {
    uint64_t out_right[ROW_WORDS], out_left[ROW_WORDS], face_right[ROW_WORDS], face_left[ROW_WORDS];
    from_right_neighbours(outside_rows[r], words, out_right);
    from_left_neighbours(outside_rows[r], words, out_left);
    from_right_neighbours(facing[r], words, face_right);
    from_left_neighbours(facing[r], words, face_left);
    for (int32_t w = 0; w < words; ++w) {
      const uint64_t s = selected_rows[r][w];
      if (s == 0) continue;
      uint64_t edge_cols = 0;
      if (w == 0) edge_cols |= 1;
      if (w == last_word) edge_cols |= last_col_bit;
      const bool edge_row_top = r == 0, edge_row_bottom = r == rows - 1;
      uint64_t near = out_right[w] | out_left[w] | edge_cols;
      if (edge_row_top || edge_row_bottom) near = ~uint64_t{0};
      if (r > 0) near |= outside_rows[r - 1][w];
      if (r + 1 < rows) near |= outside_rows[r + 1][w];
      uint64_t bits = s & near;
      if (bits == 0) continue;
      const uint64_t top = edge_row_top ? ~uint64_t{0} : facing[r - 1][w];
      const uint64_t bottom = edge_row_bottom ? ~uint64_t{0} : facing[r + 1][w];
      const uint64_t right = face_right[w] | (w == last_word ? last_col_bit : 0);
      const uint64_t left = face_left[w] | (w == 0 ? 1 : 0);
      while (bits != 0) {
        const int32_t i = std::countr_zero(bits);
        bits &= bits - 1;
        const int32_t c = 64 * w + i;
        boundary_found[found++] = BlockPos{c, r};
        ++column_fill[c + 1];
        const int32_t index = r * cols + c;
        begin = std::min(begin, index);
        end = index + 1;
        boundary_edges[index] = static_cast<int32_t>(((top >> i) & 1) * EDGE_TOP | ((right >> i) & 1) * EDGE_RIGHT |
                                                     ((bottom >> i) & 1) * EDGE_BOTTOM | ((left >> i) & 1) * EDGE_LEFT);
      }
    }
  }
  for (int32_t c = 0; c < cols; ++c) column_fill[c + 1] += column_fill[c];
  for (int32_t k = 0; k < found; ++k) boundary_blocks[column_fill[boundary_found[k].col]++] = boundary_found[k];
  boundary_count = found;
  boundary_edges_written = found > 0 ? Written{begin, end} : Written{0, 0};
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
