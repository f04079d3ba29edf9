// Holds the stroke pipeline (grid, growth, boundary, a few rings of blocks added or
// taken away, outline drawn and erased) against the plain version of the same rules,
// over many random inputs from a fixed seed. A failing case prints the seed, the
// iteration and the whole input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "graphics/graph_context.h"
#include "plain_rules.h"
#include "selection/block_grid.h"
#include "selection/color_similarity.h"
#include "selection/outline.h"
#include "selection/region_growing.h"
#include "selection/verdict_rows.h"
#include "selection_fixture.h"

namespace {

// The pictures stay below this many blocks; everything past it is 0 throughout.
constexpr size_t SPAN = 1 << 15;

// Everything observable after a stroke application, and the window after drawing
// and after erasing.
struct Outcome {
  int32_t cols = 0, rows = 0, selected_count = 0, outside_count = 0;
  std::vector<BlockPos> stroke_blocks, selected_sorted, boundary;
  std::vector<uint32_t> colors;
  std::vector<uint8_t> deleted, selected_map, outside_map;
  std::vector<int32_t> selected_edges, boundary_edges;
  std::vector<uint32_t> drawn, erased;
};

bool before(const BlockPos& a, const BlockPos& b) { return a.row != b.row ? a.row < b.row : a.col < b.col; }

template <typename T>
std::vector<T> span_of(const T* map) {
  return std::vector<T>(map, map + SPAN);
}

Outcome capture() {
  Outcome o;
  o.cols = grid_cols;
  o.rows = grid_rows;
  o.selected_count = selected_count;
  o.outside_count = outside_queue_len;
  o.stroke_blocks = list_of(stroke_blocks, stroke_last + 1);
  o.selected_sorted = list_of(selected_blocks, selected_count);
  std::sort(o.selected_sorted.begin(), o.selected_sorted.end(), before);
  o.boundary = list_of(boundary_blocks, boundary_count);
  const size_t total = static_cast<size_t>(grid_cols) * grid_rows;
  o.colors.assign(block_colors, block_colors + total);
  o.deleted.assign(block_deleted, block_deleted + total);
  o.selected_map = span_of(selected_map);
  o.outside_map = span_of(outside_map);
  o.selected_edges = span_of(selected_edges);
  o.boundary_edges = span_of(boundary_edges);
  return o;
}

template <typename T>
std::string first_difference(const char* name, const std::vector<T>& expected, const std::vector<T>& got) {
  if (expected.size() != got.size()) return std::string(name) + ": sizes differ\n";
  for (size_t i = 0; i < expected.size(); ++i) {
    if (expected[i] != got[i]) {
      std::ostringstream out;
      out << name << "[" << i << "]: expected " << int64_t(expected[i]) << ", got " << int64_t(got[i]) << "\n";
      return out.str();
    }
  }
  return "";
}

std::string list_difference(const char* name, const std::vector<BlockPos>& expected, const std::vector<BlockPos>& got) {
  if (expected == got) return "";
  return std::string(name) + ":\n  expected " + describe(expected) + "\n  got      " + describe(got) + "\n";
}

std::string compare(const Outcome& e, const Outcome& g) {
  if (e.cols != g.cols || e.rows != g.rows) return "grid differs\n";
  std::string out;
  if (e.selected_count != g.selected_count)
    out += "selected_count " + std::to_string(g.selected_count) + ", expected " + std::to_string(e.selected_count) + "\n";
  if (e.outside_count != g.outside_count)
    out += "outside blocks " + std::to_string(g.outside_count) + ", expected " + std::to_string(e.outside_count) + "\n";
  out += list_difference("stroke_blocks", e.stroke_blocks, g.stroke_blocks);
  out += list_difference("selected blocks (sorted)", e.selected_sorted, g.selected_sorted);
  out += list_difference("boundary_blocks", e.boundary, g.boundary);
  out += first_difference("block_colors", e.colors, g.colors);
  out += first_difference("block_deleted", e.deleted, g.deleted);
  out += first_difference("selected_map", e.selected_map, g.selected_map);
  out += first_difference("outside_map", e.outside_map, g.outside_map);
  out += first_difference("selected_edges", e.selected_edges, g.selected_edges);
  out += first_difference("boundary_edges", e.boundary_edges, g.boundary_edges);
  out += first_difference("window after drawing", e.drawn, g.drawn);
  out += first_difference("window after erasing", e.erased, g.erased);
  return out;
}

std::string describe_input(uint32_t seed, int iteration, const std::vector<int>& rings) {
  std::ostringstream out;
  out << "seed " << seed << " iteration " << iteration << ": picture " << picture_width << "x" << picture_height
      << " block size " << block_sizes[settings.block_index] << " tolerance " << settings.tolerance << " distance "
      << int(settings.distance_mode) << " reference " << int(settings.reference_mode) << " range "
      << int(settings.range_mode) << " include " << int(settings.include_inner) << "\n  stroke";
  for (int32_t i = 0; i <= stroke_last; ++i) out << " (" << stroke_points[i].x << "," << stroke_points[i].y << ")";
  out << "\n  rings";
  for (int step : rings) out << " " << (step > 0 ? "+" : "-");
  out << "\n  pixels (* deleted)";
  for (int32_t y = 0; y < picture_height; ++y) {
    out << "\n   ";
    for (int32_t x = 0; x < picture_width; ++x) {
      out << " " << std::hex << picture_pixels[y * picture_width + x] << (deleted_pixels[y * picture_width + x] ? "*" : "")
          << std::dec;
    }
  }
  return out.str();
}

// A few colours with a little noise, so that tolerances between 0 and 40 decide;
// now and then a picture wide enough for several words of bits per grid row.
void random_input(std::mt19937& rng) {
  auto pick = [&](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); };
  const bool wide = pick(0, 9) == 0;
  const int32_t width = wide ? pick(60, 300) : pick(1, 40), height = wide ? pick(1, 100) : pick(1, 30);
  make_picture(width, height);
  settings.block_index = wide ? pick(1, 3) : pick(0, 5) == 0 ? pick(9, 45) : pick(1, 8);
  settings.tolerance = std::vector<int32_t>{0, 3, 6, 10, 20, 40, 255}[pick(0, 6)];
  settings.distance_mode = static_cast<uint8_t>(pick(0, 1));
  settings.reference_mode = static_cast<uint8_t>(pick(0, 1));
  settings.range_mode = static_cast<uint8_t>(pick(0, 3) == 0);
  settings.include_inner = static_cast<uint8_t>(pick(0, 1));

  uint32_t palette[4];
  for (uint32_t& p : palette) p = static_cast<uint32_t>(pick(0, 0xFFFFFF));
  const int32_t noise = pick(0, 8);
  const int32_t regions = pick(1, 4);
  const int32_t scale = wide ? pick(4, 30) : 4;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t base = palette[((x / pick(scale - 1, scale + 2)) + (y / scale)) % regions];
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
  // Deleted blocks keep the colour they had.
  for (size_t i = 0; i < SPAN; ++i) block_colors[i] = static_cast<uint32_t>(pick(0, 0xFFFFFF));
}

// The window stand-in: the picture shown, with leftovers of another colour around
// it so that a stray write shows.
std::unique_ptr<IMAGE> window_for_picture(std::mt19937& rng) {
  auto window = std::make_unique<IMAGE>(picture_width + PANEL_WIDTH, WINDOW_HEIGHT);
  for (int32_t i = 0; i < window->width * window->height; ++i) window->pixels[i] = rng() & 0x00FFFFFF;
  gfx_set_target(window.get());
  window_pixels = window->pixels;
  gfx_put_image(picture_left, picture_top, &picture, SRCCOPY);
  settings.outline_color_index = static_cast<int32_t>(rng() % 27);
  return window;
}

void draw_and_erase(Outcome& o, IMAGE& window, const std::vector<uint32_t>& shown, bool plain) {
  std::copy(shown.begin(), shown.end(), window.pixels);
  const bool whole = settings.include_inner == 1;
  const BlockPos* list = whole ? boundary_blocks : selected_blocks;
  const int32_t count = whole ? boundary_count : selected_count;
  const int32_t* edges = whole ? boundary_edges : selected_edges;
  if (plain) {
    plain_draw_outline(list, count, edges);
  } else {
    draw_outline(list, count, edges);
  }
  o.drawn.assign(window.pixels, window.pixels + shown.size());
  if (plain) {
    plain_erase_outline();
  } else {
    erase_outline();
  }
  o.erased.assign(window.pixels, window.pixels + shown.size());
}

// Block maps as the pipeline left them, so that the plain run in between does not
// hide what the pipeline itself clears.
struct SavedMaps {
  std::vector<uint8_t> selected, outside;
  std::vector<int32_t> selected_edges, boundary_edges;
  void save() {
    selected = span_of(selected_map);
    outside = span_of(outside_map);
    selected_edges = span_of(::selected_edges);
    boundary_edges = span_of(::boundary_edges);
  }
  void restore() const {
    std::copy(selected.begin(), selected.end(), selected_map);
    std::copy(outside.begin(), outside.end(), outside_map);
    std::copy(selected_edges.begin(), selected_edges.end(), ::selected_edges);
    std::copy(boundary_edges.begin(), boundary_edges.end(), ::boundary_edges);
  }
};

TEST(PipelineDifferential, MatchesThePlainRulesOnRandomInputs) {
  reset_selection_state();
  constexpr uint32_t seed = 20240611;
  std::mt19937 rng(seed);
  SavedMaps pipeline_maps;
  for (int iteration = 0; iteration < 2500; ++iteration) {
    random_input(rng);
    // Now and then, rings of blocks added and taken away after the growth.
    std::vector<int> rings(std::uniform_int_distribution<int>(0, 2)(rng) == 0 ? 0 : rng() % 4 + 1);
    for (int& step : rings) step = rng() % 2 ? 1 : -1;
    std::unique_ptr<IMAGE> window = window_for_picture(rng);
    const std::vector<uint32_t> shown(window->pixels, window->pixels + window->width * window->height);
    const std::vector<uint32_t> colors_before(block_colors, block_colors + SPAN);

    pipeline_maps.save();
    plain_stroke_pipeline();
    for (int step : rings) plain_change_ring(step);
    Outcome expected = capture();
    draw_and_erase(expected, *window, shown, true);

    pipeline_maps.restore();
    std::copy(colors_before.begin(), colors_before.end(), block_colors);
    rebuild_block_grid();
    grow_selection();
    find_boundary();
    for (int step : rings) {
      step > 0 ? add_selection_ring() : remove_selection_ring();
      find_boundary();
    }
    Outcome got = capture();
    draw_and_erase(got, *window, shown, false);
    gfx_set_target(nullptr);

    const std::string mismatch = compare(expected, got);
    if (!mismatch.empty()) FAIL() << describe_input(seed, iteration, rings) << "\n" << mismatch;
  }
}

// The verdicts of a whole row at once (vectorised where the machine allows) and of
// blocks_similar, against the plain rule.
TEST(PipelineDifferential, ColourVerdictsMatchThePlainRule) {
  reset_selection_state();
  std::mt19937 rng(7);
  std::uniform_int_distribution<uint32_t> color(0, 0xFFFFFF);
  constexpr int32_t cols = 71;  // two words, the second partly used
  static BlockRows verdicts;
  for (int i = 0; i < 4000; ++i) {
    const uint32_t ref = color(rng);
    const uint32_t tol = i % 3 ? rng() % 12 : rng() % 256;
    const bool euclidean = i % 2 == 0;
    grid_cols = cols;
    grid_rows = 1;
    // Near colours most of the time, so every case of the rule is reached often.
    for (int32_t c = 0; c < cols; ++c) {
      block_colors[c] = c % 4 ? ref ^ (color(rng) & 0x0F0F0F) : color(rng);
      if (c % 7 == 0) block_colors[c] |= 0xFF000000u;
    }
    block_colors[0] = ref;
    settings.tolerance = static_cast<int32_t>(tol);
    settings.distance_mode = euclidean ? 1 : 0;
    similar_rows(ref, block_colors, cols, 1, tol, euclidean, verdicts);
    for (int32_t c = 0; c < cols; ++c) {
      const bool expected = plain_colors_similar(ref, block_colors[c], tol, euclidean);
      const bool row_verdict = (verdicts[0][c / 64] >> (c % 64)) & 1;
      ASSERT_EQ(row_verdict, expected) << std::hex << "ref " << ref << " cand " << block_colors[c] << std::dec
                                       << " tol " << tol << " euclidean " << euclidean << " column " << c;
      ASSERT_EQ(blocks_similar(0, 0, c, 0), expected) << "column " << c;
    }
    ASSERT_EQ(verdicts[0][1] >> (cols - 64), 0u) << "bits past the grid";
  }
}

}  // namespace
