#include "plain_rules.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/editing_state.h"
#include "drawing/gfx_drawing.h"
#include "graphics/graph_context.h"

namespace {

const int32_t plain_steps[4][3] = {{0, -1, EDGE_TOP}, {1, 0, EDGE_RIGHT}, {0, 1, EDGE_BOTTOM}, {-1, 0, EDGE_LEFT}};

bool inside_grid(int32_t c, int32_t r) { return c >= 0 && c < grid_cols && r >= 0 && r < grid_rows; }

bool plain_similar(int32_t ref_col, int32_t ref_row, int32_t cand_col, int32_t cand_row) {
  return plain_colors_similar(block_colors[ref_row * grid_cols + ref_col], block_colors[cand_row * grid_cols + cand_col],
                              static_cast<uint32_t>(settings.tolerance), settings.distance_mode == 1);
}

void plain_compute_edges(const BlockPos* list, int32_t count, const uint8_t* map, int32_t* edges, uint8_t inside) {
  for (int32_t k = 0; k < count; ++k) {
    const int32_t c = list[k].col, r = list[k].row;
    int32_t word = 0;
    for (const auto& s : plain_steps) {
      const int32_t nc = c + s[0], nr = r + s[1];
      if (!inside_grid(nc, nr)) {
        word |= s[2];
        continue;
      }
      const int32_t n = nr * grid_cols + nc;
      if (map[n] != inside || block_deleted[n] != 0) word |= s[2];
    }
    edges[r * grid_cols + c] = word;
  }
}

}  // namespace

bool plain_colors_similar(uint32_t ref, uint32_t cand, uint32_t tol, bool euclidean) {
  const uint32_t Rr = (ref >> 16) & 0xFF, Gr = (ref >> 8) & 0xFF, Br = ref & 0xFF;
  const uint32_t Rc = (cand >> 16) & 0xFF, Gc = (cand >> 8) & 0xFF, Bc = cand & 0xFF;
  if (euclidean) {
    const int32_t dR = int32_t(Rc) - int32_t(Rr), dG = int32_t(Gc) - int32_t(Gr), dB = int32_t(Bc) - int32_t(Br);
    return static_cast<uint32_t>(dR * dR + dG * dG + dB * dB) <= tol * tol;
  }
  if (Rc > Rr) return Rc - Rr <= tol;
  if (Rc < Rr) return Gc >= Gr && Gc - Gr <= tol;
  if (Gc > Gr) return Gc - Gr <= tol;
  if (Gc < Gr) return Bc >= Br && Bc - Br <= tol;
  return (Bc > Br ? Bc - Br : Br - Bc) <= tol;
}

void plain_rebuild_block_grid() {
  const int32_t bs = block_sizes[settings.block_index];
  grid_cols = picture_width / bs + (picture_width % bs != 0 ? 1 : 0);
  grid_rows = picture_height / bs + (picture_height % bs != 0 ? 1 : 0);
  for (int32_t i = 0; i <= stroke_last; ++i) stroke_blocks[i] = {stroke_points[i].x / bs, stroke_points[i].y / bs};
  for (int32_t col = 0; col < grid_cols; ++col) {
    for (int32_t row = 0; row < grid_rows; ++row) {
      const int32_t index = row * grid_cols + col;
      const int32_t w = std::min(bs, picture_width - col * bs);
      const int32_t h = std::min(bs, picture_height - row * bs);
      if (deleted_pixels[row * bs * picture_width + col * bs] != 0 && settings.range_mode == 0) {
        block_deleted[index] = 1;
        continue;
      }
      block_deleted[index] = 0;
      uint32_t red = 0, green = 0, blue = 0;
      for (int32_t i = 0; i < w; ++i) {
        uint32_t column_red = 0, column_green = 0, column_blue = 0;
        for (int32_t j = 0; j < h; ++j) {
          const uint32_t p = picture_pixels[(row * bs + j) * picture_width + col * bs + i];
          column_red += (p >> 16) & 0xFF;
          column_green += (p >> 8) & 0xFF;
          column_blue += p & 0xFF;
        }
        red += column_red / static_cast<uint32_t>(h);
        green += column_green / static_cast<uint32_t>(h);
        blue += column_blue / static_cast<uint32_t>(h);
      }
      const uint32_t uw = static_cast<uint32_t>(w);
      block_colors[index] = (red / uw) << 16 | (green / uw) << 8 | (blue / uw);
    }
  }
}

void plain_grow_selection() {
  std::memset(selected_map, 0, MAX_GRID_BLOCKS);
  selected_count = stroke_last + 1;
  for (int32_t i = 0; i <= stroke_last; ++i) {
    selected_blocks[i] = stroke_blocks[i];
    selected_map[stroke_blocks[i].row * grid_cols + stroke_blocks[i].col] = 1;
  }
  for (int32_t j = 0; j < selected_count; ++j) {
    const BlockPos cur = selected_blocks[j];
    for (const auto& s : plain_steps) {
      const int32_t nc = cur.col + s[0], nr = cur.row + s[1];
      if (!inside_grid(nc, nr)) continue;
      const int32_t n = nr * grid_cols + nc;
      if (selected_map[n] != 0) continue;
      if (block_deleted[n] != 0 && settings.range_mode == 0) continue;
      const BlockPos ref = settings.reference_mode == 1 ? selected_blocks[0] : cur;
      if (plain_similar(ref.col, ref.row, nc, nr)) {
        selected_map[n] = 1;
        selected_blocks[selected_count++] = {nc, nr};
      }
    }
  }
  std::memset(selected_edges, 0, sizeof(int32_t) * MAX_GRID_BLOCKS);
  plain_compute_edges(selected_blocks, selected_count, selected_map, selected_edges, 1);
}

void plain_find_boundary() {
  outside_queue_len = 0;
  std::memset(outside_map, 0, MAX_GRID_BLOCKS);
  auto seed = [](int32_t c, int32_t r) {
    const int32_t n = r * grid_cols + c;
    if (selected_map[n] == 0 && outside_map[n] == 0) {
      outside_map[n] = 1;
      outside_queue[outside_queue_len++] = {c, r};
    }
  };
  for (int32_t c = 0; c < grid_cols; ++c) {
    seed(c, 0);
    seed(c, grid_rows - 1);
  }
  for (int32_t r = 0; r < grid_rows; ++r) {
    seed(0, r);
    seed(grid_cols - 1, r);
  }
  for (int32_t k = 0; k < outside_queue_len; ++k) {
    const BlockPos cur = outside_queue[k];
    for (const auto& s : plain_steps) {
      const int32_t nc = cur.col + s[0], nr = cur.row + s[1];
      if (inside_grid(nc, nr)) seed(nc, nr);
    }
  }
  boundary_count = 0;
  for (int32_t c = 0; c < grid_cols; ++c) {
    for (int32_t r = 0; r < grid_rows; ++r) {
      if (selected_map[r * grid_cols + c] == 0) continue;
      for (const auto& s : plain_steps) {
        const int32_t nc = c + s[0], nr = r + s[1];
        if (!inside_grid(nc, nr) || outside_map[nr * grid_cols + nc] != 0) {
          boundary_blocks[boundary_count++] = {c, r};
          break;
        }
      }
    }
  }
  std::memset(boundary_edges, 0, sizeof(int32_t) * MAX_GRID_BLOCKS);
  plain_compute_edges(boundary_blocks, boundary_count, outside_map, boundary_edges, 0);
}

void plain_stroke_pipeline() {
  plain_rebuild_block_grid();
  plain_grow_selection();
  plain_find_boundary();
}

void plain_change_ring(int32_t step) {
  const std::vector<uint8_t> before(selected_map, selected_map + grid_cols * grid_rows);
  std::vector<uint8_t> seed(before.size(), 0);
  for (int32_t i = 0; i <= stroke_last; ++i) seed[stroke_blocks[i].row * grid_cols + stroke_blocks[i].col] = 1;
  selected_count = stroke_last + 1;  // the seeds stay at the head of the list
  for (int32_t r = 0; r < grid_rows; ++r) {
    for (int32_t c = 0; c < grid_cols; ++c) {
      const int32_t n = r * grid_cols + c;
      int32_t beside = 0;
      for (const auto& s : plain_steps) beside += inside_grid(c + s[0], r + s[1]) && before[n + s[1] * grid_cols + s[0]];
      const bool wall = block_deleted[n] != 0 && settings.range_mode == 0;
      if (step > 0) selected_map[n] = before[n] || (beside > 0 && !wall);
      if (step < 0) selected_map[n] = seed[n] || (before[n] && beside == 4);
      if (selected_map[n] && !seed[n]) selected_blocks[selected_count++] = {c, r};
    }
  }
  std::memset(selected_edges, 0, sizeof(int32_t) * MAX_GRID_BLOCKS);
  plain_compute_edges(selected_blocks, selected_count, selected_map, selected_edges, 1);
  plain_find_boundary();
}

void plain_draw_outline(const BlockPos* list, int32_t count, const int32_t* edges) {
  gfx_set_line_style(3, 1, nullptr, 0);
  gfx_set_line_color(swatch_colors[settings.outline_color_index]);
  const int32_t bs = block_sizes[settings.block_index];
  const int32_t t = picture_top;
  for (int32_t k = 0; k < count; ++k) {
    const int32_t c = list[k].col, r = list[k].row;
    const int32_t word = edges[r * grid_cols + c];
    const int32_t x0 = c * bs, x1 = std::min((c + 1) * bs, picture_width) - 1;
    const int32_t y0 = r * bs, y1 = std::min((r + 1) * bs, picture_height) - 1;
    if (word & EDGE_TOP) gfx_line(x0, y0 + t, x1, y0 + t);
    if (word & EDGE_RIGHT) gfx_line(x1, y0 + t, x1, y1 + t);
    if (word & EDGE_BOTTOM) gfx_line(x0, y1 + t, x1, y1 + t);
    if (word & EDGE_LEFT) gfx_line(x0, y0 + t, x0, y1 + t);
  }
  gfx_flush();
}

void plain_erase_outline() {
  const int32_t bs = block_sizes[settings.block_index];
  const int32_t stride = picture_width + PANEL_WIDTH;
  auto copy = [&](int32_t x, int32_t y) {
    window_pixels[(y + picture_top) * stride + x] = picture_pixels[y * picture_width + x];
  };
  for (int32_t k = 0; k < selected_count; ++k) {
    const int32_t c = selected_blocks[k].col, r = selected_blocks[k].row;
    const int32_t word = selected_edges[r * grid_cols + c];
    const int32_t x0 = c * bs, x1 = std::min((c + 1) * bs, picture_width) - 1;
    const int32_t y0 = r * bs, y1 = std::min((r + 1) * bs, picture_height) - 1;
    if (word & EDGE_TOP) for (int32_t x = x0; x <= x1; ++x) copy(x, y0);
    if (word & EDGE_RIGHT) for (int32_t y = y0; y <= y1; ++y) copy(x1, y);
    if (word & EDGE_BOTTOM) for (int32_t x = x0; x <= x1; ++x) copy(x, y1);
    if (word & EDGE_LEFT) for (int32_t y = y0; y <= y1; ++y) copy(x0, y);
  }
  gfx_flush();
}
