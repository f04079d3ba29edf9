// Holds the optimised grid, growth and boundary code against a plain version of
// the same rules written straight from their description, over many random small
// inputs from a fixed seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <sstream>
#include <vector>

#include "selection/block_grid.h"
#include "selection/color_similarity.h"
#include "selection/region_growing.h"
#include "selection_fixture.h"

namespace {

bool reference_similar(uint32_t ref, uint32_t cand, int32_t tolerance, uint8_t distance_mode) {
  const int32_t rr = (ref >> 16) & 0xFF, gr = (ref >> 8) & 0xFF, br = ref & 0xFF;
  const int32_t rc = (cand >> 16) & 0xFF, gc = (cand >> 8) & 0xFF, bc = cand & 0xFF;
  const uint32_t tol = static_cast<uint32_t>(tolerance);
  if (distance_mode == 1) {
    const int32_t dr = rc - rr, dg = gc - gr, db = bc - br;
    return static_cast<uint32_t>(dr * dr + dg * dg + db * db) <= tol * tol;
  }
  if (rc > rr) return static_cast<uint32_t>(rc - rr) <= tol;
  if (rc < rr) return static_cast<uint32_t>(gc - gr) <= tol;
  if (gc > gr) return static_cast<uint32_t>(gc - gr) <= tol;
  if (gc < gr) return static_cast<uint32_t>(bc - br) <= tol;
  return static_cast<uint32_t>(std::abs(bc - br)) <= tol;
}

struct Expected {
  int32_t cols = 0, rows = 0;
  std::vector<BlockPos> stroke_blocks;
  std::vector<uint32_t> colors;
  std::vector<uint8_t> deleted, selected_map, outside_map;
  std::vector<BlockPos> selected, outside_queue, boundary;
  std::vector<int32_t> selected_edges, boundary_edges;
};

const int32_t steps[4][3] = {{0, -1, 1}, {1, 0, 2}, {0, 1, 4}, {-1, 0, 8}};

void reference_edges(Expected& e, const std::vector<BlockPos>& list, const std::vector<uint8_t>& map,
                     std::vector<int32_t>& edges, uint8_t inside) {
  edges.assign(static_cast<size_t>(e.cols * e.rows), 0);
  for (const BlockPos& b : list) {
    int32_t word = 0;
    for (const auto& s : steps) {
      const int32_t nc = b.col + s[0], nr = b.row + s[1];
      if (nc < 0 || nc >= e.cols || nr < 0 || nr >= e.rows) {
        word |= s[2];
        continue;
      }
      const int32_t n = nr * e.cols + nc;
      if (map[n] != inside || (map[n] == inside && e.deleted[n] != 0)) word |= s[2];
    }
    edges[b.row * e.cols + b.col] = word;
  }
}

// The whole grid, growth and boundary from the editing state's inputs;
// `previous_colors` is block_colors as it was before (deleted blocks keep theirs).
Expected reference_pipeline(const std::vector<uint32_t>& previous_colors) {
  Expected e;
  const int32_t bs = block_sizes[settings.block_index];
  e.cols = picture_width / bs + (picture_width % bs ? 1 : 0);
  e.rows = picture_height / bs + (picture_height % bs ? 1 : 0);
  for (int32_t i = 0; i <= stroke_last; ++i) e.stroke_blocks.push_back({stroke_points[i].x / bs, stroke_points[i].y / bs});

  const size_t total = static_cast<size_t>(e.cols * e.rows);
  e.colors.assign(previous_colors.begin(), previous_colors.begin() + total);
  e.deleted.assign(total, 0);
  for (int32_t col = 0; col < e.cols; ++col) {
    for (int32_t row = 0; row < e.rows; ++row) {
      const int32_t index = row * e.cols + col;
      const int32_t w = std::min(bs, picture_width - col * bs), h = std::min(bs, picture_height - row * bs);
      if (deleted_pixels[row * bs * picture_width + col * bs] && settings.range_mode == 0) {
        e.deleted[index] = 1;
        continue;
      }
      uint32_t sum[3] = {0, 0, 0};
      for (int32_t i = 0; i < w; ++i) {
        uint32_t column[3] = {0, 0, 0};
        for (int32_t j = 0; j < h; ++j) {
          const uint32_t p = picture_pixels[(row * bs + j) * picture_width + col * bs + i];
          column[0] += (p >> 16) & 0xFF;
          column[1] += (p >> 8) & 0xFF;
          column[2] += p & 0xFF;
        }
        for (int k = 0; k < 3; ++k) sum[k] += column[k] / static_cast<uint32_t>(h);
      }
      for (uint32_t& s : sum) s /= static_cast<uint32_t>(w);
      e.colors[index] = sum[0] << 16 | sum[1] << 8 | sum[2];
    }
  }

  e.selected_map.assign(total, 0);
  for (const BlockPos& b : e.stroke_blocks) {
    e.selected.push_back(b);
    e.selected_map[b.row * e.cols + b.col] = 1;
  }
  for (size_t j = 0; j < e.selected.size(); ++j) {
    const BlockPos cur = e.selected[j];
    for (const auto& s : steps) {
      const int32_t nc = cur.col + s[0], nr = cur.row + s[1];
      if (nc < 0 || nc >= e.cols || nr < 0 || nr >= e.rows) continue;
      const int32_t n = nr * e.cols + nc;
      if (e.selected_map[n]) continue;
      if (e.deleted[n] && settings.range_mode == 0) continue;
      const BlockPos ref = settings.reference_mode == 1 ? e.selected[0] : cur;
      if (reference_similar(e.colors[ref.row * e.cols + ref.col], e.colors[n], settings.tolerance,
                            settings.distance_mode)) {
        e.selected_map[n] = 1;
        e.selected.push_back({nc, nr});
      }
    }
  }
  reference_edges(e, e.selected, e.selected_map, e.selected_edges, 1);

  e.outside_map.assign(total, 0);
  auto seed = [&](int32_t c, int32_t r) {
    const int32_t n = r * e.cols + c;
    if (e.selected_map[n] == 0 && e.outside_map[n] == 0) {
      e.outside_map[n] = 1;
      e.outside_queue.push_back({c, r});
    }
  };
  for (int32_t c = 0; c < e.cols; ++c) {
    seed(c, 0);
    seed(c, e.rows - 1);
  }
  for (int32_t r = 0; r < e.rows; ++r) {
    seed(0, r);
    seed(e.cols - 1, r);
  }
  for (size_t k = 0; k < e.outside_queue.size(); ++k) {
    const BlockPos cur = e.outside_queue[k];
    for (const auto& s : steps) {
      const int32_t nc = cur.col + s[0], nr = cur.row + s[1];
      if (nc < 0 || nc >= e.cols || nr < 0 || nr >= e.rows) continue;
      seed(nc, nr);
    }
  }
  for (int32_t c = 0; c < e.cols; ++c) {
    for (int32_t r = 0; r < e.rows; ++r) {
      if (!e.selected_map[r * e.cols + c]) continue;
      for (const auto& s : steps) {
        const int32_t nc = c + s[0], nr = r + s[1];
        if (nc < 0 || nc >= e.cols || nr < 0 || nr >= e.rows || e.outside_map[nr * e.cols + nc]) {
          e.boundary.push_back({c, r});
          break;
        }
      }
    }
  }
  reference_edges(e, e.boundary, e.outside_map, e.boundary_edges, 0);
  return e;
}

template <typename T>
std::string compare_map(const char* name, const std::vector<T>& expected, const T* actual) {
  for (size_t i = 0; i < expected.size(); ++i) {
    if (expected[i] != actual[i]) {
      std::ostringstream out;
      out << name << "[" << i << "]: expected " << int64_t(expected[i]) << ", got " << int64_t(actual[i]) << "\n";
      return out.str();
    }
  }
  return "";
}

std::string compare_list(const char* name, const std::vector<BlockPos>& expected, const BlockPos* actual,
                         int32_t count) {
  const std::vector<BlockPos> got = list_of(actual, count);
  if (got == expected) return "";
  return std::string(name) + ":\n  expected " + describe(expected) + "\n  got      " + describe(got) + "\n";
}

std::string compare_state(const Expected& e) {
  std::string out;
  if (grid_cols != e.cols || grid_rows != e.rows) {
    return "grid " + std::to_string(grid_cols) + "x" + std::to_string(grid_rows) + ", expected " +
           std::to_string(e.cols) + "x" + std::to_string(e.rows) + "\n";
  }
  out += compare_list("stroke_blocks", e.stroke_blocks, stroke_blocks, stroke_last + 1);
  out += compare_map("block_colors", e.colors, block_colors);
  out += compare_map("block_deleted", e.deleted, block_deleted);
  out += compare_map("selected_map", e.selected_map, selected_map);
  out += compare_list("selected_blocks", e.selected, selected_blocks, selected_count);
  out += compare_map("selected_edges", e.selected_edges, selected_edges);
  out += compare_map("outside_map", e.outside_map, outside_map);
  out += compare_list("outside_queue", e.outside_queue, outside_queue, outside_queue_len);
  out += compare_list("boundary_blocks", e.boundary, boundary_blocks, boundary_count);
  out += compare_map("boundary_edges", e.boundary_edges, boundary_edges);
  // Entries past the grid carry nothing: left over from a larger grid they would be
  // read with the wrong stride.
  const size_t total = e.colors.size();
  for (size_t i = total; i < total + 512; ++i) {
    if (selected_edges[i] != 0 || boundary_edges[i] != 0 || selected_map[i] != 0 || outside_map[i] != 0) {
      out += "stale entry past the grid at " + std::to_string(i) + "\n";
      break;
    }
  }
  return out;
}

std::string describe_input(uint32_t seed, int iteration) {
  std::ostringstream out;
  out << "seed " << seed << " iteration " << iteration << ": picture " << picture_width << "x" << picture_height
      << " block size " << block_sizes[settings.block_index] << " tolerance " << settings.tolerance
      << " distance " << int(settings.distance_mode) << " reference " << int(settings.reference_mode)
      << " range " << int(settings.range_mode) << "\n  stroke";
  for (int32_t i = 0; i <= stroke_last; ++i) out << " (" << stroke_points[i].x << "," << stroke_points[i].y << ")";
  out << "\n  pixels";
  for (int32_t y = 0; y < picture_height; ++y) {
    out << "\n   ";
    for (int32_t x = 0; x < picture_width; ++x) {
      out << " " << std::hex << picture_pixels[y * picture_width + x] << (deleted_pixels[y * picture_width + x] ? "*" : "")
          << std::dec;
    }
  }
  return out.str();
}

// A few colours with a little noise, so that tolerances between 0 and 40 decide.
void random_input(std::mt19937& rng) {
  auto pick = [&](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); };
  const int32_t width = pick(1, 40), height = pick(1, 30);
  make_picture(width, height);
  settings.block_index = pick(0, 5) == 0 ? pick(9, 45) : pick(1, 8);
  settings.tolerance = std::vector<int32_t>{0, 3, 6, 10, 20, 40, 255}[pick(0, 6)];
  settings.distance_mode = static_cast<uint8_t>(pick(0, 1));
  settings.reference_mode = static_cast<uint8_t>(pick(0, 1));
  settings.range_mode = static_cast<uint8_t>(pick(0, 3) == 0);

  uint32_t palette[4];
  for (uint32_t& p : palette) p = static_cast<uint32_t>(pick(0, 0xFFFFFF));
  const int32_t noise = pick(0, 8);
  const int32_t regions = pick(1, 4);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t base = palette[((x / pick(3, 6)) + (y / 4)) % regions];
      uint32_t p = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const int32_t channel = std::clamp(static_cast<int32_t>((base >> shift) & 0xFF) + pick(0, noise), 0, 255);
        p |= static_cast<uint32_t>(channel) << shift;
      }
      // The top byte is no colour and must not leak into the averages.
      picture_pixels[y * width + x] = p | (pick(0, 7) == 0 ? 0xFF000000u : 0u);
    }
  }
  std::memset(deleted_pixels, 0, static_cast<size_t>(width * height));
  for (int32_t k = pick(0, 3); k > 0; --k) {
    const int32_t x0 = pick(0, width - 1), y0 = pick(0, height - 1);
    const int32_t x1 = pick(x0, width - 1), y1 = pick(y0, height - 1);
    for (int32_t y = y0; y <= y1; ++y) std::memset(deleted_pixels + y * width + x0, 1, static_cast<size_t>(x1 - x0 + 1));
  }
  stroke_last = pick(0, 5);
  for (int32_t i = 0; i <= stroke_last; ++i) stroke_points[i] = {pick(0, width - 1), pick(0, height - 1)};
  for (int32_t i = 0; i < 2048; ++i) block_colors[i] = static_cast<uint32_t>(pick(0, 0xFFFFFF));
}

TEST(PipelineDifferential, MatchesThePlainRulesOnRandomInputs) {
  reset_selection_state();
  constexpr uint32_t seed = 20240611;
  std::mt19937 rng(seed);
  for (int iteration = 0; iteration < 3000; ++iteration) {
    random_input(rng);
    const std::vector<uint32_t> previous(block_colors, block_colors + 2048);
    const Expected expected = reference_pipeline(previous);
    rebuild_block_grid();
    grow_selection();
    find_boundary();
    const std::string mismatch = compare_state(expected);
    if (!mismatch.empty()) {
      FAIL() << describe_input(seed, iteration) << "\n" << mismatch;
    }
  }
}

TEST(PipelineDifferential, ColourRuleMatchesThePlainRule) {
  reset_selection_state();
  grid_cols = 2;
  grid_rows = 1;
  std::mt19937 rng(7);
  std::uniform_int_distribution<uint32_t> color(0, 0xFFFFFF);
  std::uniform_int_distribution<int32_t> tolerance(0, 255);
  for (int i = 0; i < 200000; ++i) {
    // Near colours half the time, so every case of the rule is reached often.
    block_colors[0] = color(rng);
    block_colors[1] = i % 2 ? color(rng) : block_colors[0] ^ (color(rng) & 0x070707);
    settings.tolerance = i % 3 ? tolerance(rng) % 12 : tolerance(rng);
    settings.distance_mode = static_cast<uint8_t>(i % 2);
    const bool expected = reference_similar(block_colors[0], block_colors[1], settings.tolerance, settings.distance_mode);
    ASSERT_EQ(blocks_similar(0, 0, 1, 0), expected)
        << std::hex << "ref " << block_colors[0] << " cand " << block_colors[1] << std::dec << " tol "
        << settings.tolerance << " mode " << int(settings.distance_mode);
  }
}

}  // namespace
