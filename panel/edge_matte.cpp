#include "panel/edge_matte.h"

#include <algorithm>
#include <cstddef>

// The method, a local two-colour model:
// - The border zone is every shown pixel within `block_size + 1` pixels (in rows,
//   columns or diagonals) of a pixel on the other side of the mask. Only there can a
//   block hold colours of the other side; everywhere else the mask decides alone.
// - For each zone pixel, eight rays go out until they meet a pixel clear of the zone
//   (in strides of a twelfth of their length, so wide zones stay cheap);
//   the nearest four met on each side give the kept and the deleted colours, each the
//   average of its 3 x 3 neighbours on the same side, which quietens noise.
// - A full-resolution pixel C in the zone is matched against every pair (F kept,
//   B deleted) of its shown pixel: C is taken as a * F + (1 - a) * B, with a the
//   projection of C - B onto F - B, clamped to 0..1. The pair that leaves the least
//   residual wins, so a gradient or a two-coloured object finds its own local colours.
// - Pairs of too little contrast say nothing; a pixel no pair explains (a third
//   colour) keeps the mask's value.
// - Small values of a near 0 and 1 are noise, not mixture: a is stretched from
//   [DEAD_LOW, DEAD_HIGH] to [0, 1] before it becomes a byte.

namespace {

constexpr int32_t MIN_CONTRAST_SQUARED = 32 * 32;
constexpr int64_t MIN_RESIDUAL_LIMIT = 40 * 40;
constexpr int32_t DEAD_LOW = 32;    // of 256
constexpr int32_t DEAD_HIGH = 224;  // of 256
constexpr int32_t MAX_SIDES = 4;

struct Rgb {
  int32_t r;
  int32_t g;
  int32_t b;
};

Rgb rgb_of(uint32_t v) {
  return {static_cast<int32_t>((v >> 16) & 0xFF), static_cast<int32_t>((v >> 8) & 0xFF),
          static_cast<int32_t>(v & 0xFF)};
}

// Per pixel: whether a pixel of the given side lies within `reach` in both axes, by
// running counts along the rows, then along the columns.
std::vector<uint8_t> near_side(const std::vector<uint8_t>& side, int32_t width, int32_t height, int32_t reach) {
  std::vector<uint8_t> across(side.size());
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = side.data() + static_cast<size_t>(y) * width;
    uint8_t* out = across.data() + static_cast<size_t>(y) * width;
    int32_t count = 0;
    for (int32_t x = 0; x < std::min(reach, width); ++x) count += in[x];
    for (int32_t x = 0; x < width; ++x) {
      if (x + reach < width) count += in[x + reach];
      if (x - reach - 1 >= 0) count -= in[x - reach - 1];
      out[x] = count > 0;
    }
  }
  std::vector<uint8_t> near(side.size());
  std::vector<int32_t> counts(static_cast<size_t>(width), 0);
  for (int32_t y = 0; y < std::min(reach, height); ++y)
    for (int32_t x = 0; x < width; ++x) counts[x] += across[static_cast<size_t>(y) * width + x];
  for (int32_t y = 0; y < height; ++y) {
    const size_t row = static_cast<size_t>(y) * width;
    for (int32_t x = 0; x < width; ++x) {
      if (y + reach < height) counts[x] += across[static_cast<size_t>(y + reach) * width + x];
      if (y - reach - 1 >= 0) counts[x] -= across[static_cast<size_t>(y - reach - 1) * width + x];
      near[row + x] = counts[x] > 0;
    }
  }
  return near;
}

enum Clear : uint8_t { IN_ZONE = 0, CLEAR_KEPT = 1, CLEAR_DELETED = 2 };

// The average colour of the clear pixels of one side around (x, y).
uint32_t side_colour(const MatteSource& source, const std::vector<uint8_t>& clear, int32_t x, int32_t y) {
  const uint8_t want = clear[static_cast<size_t>(y) * source.width + x];
  int32_t sum[3] = {0, 0, 0};
  int32_t count = 0;
  for (int32_t dy = -1; dy <= 1; ++dy) {
    for (int32_t dx = -1; dx <= 1; ++dx) {
      const int32_t nx = x + dx;
      const int32_t ny = y + dy;
      if (nx < 0 || ny < 0 || nx >= source.width || ny >= source.height) continue;
      const size_t i = static_cast<size_t>(ny) * source.width + nx;
      if (clear[i] != want) continue;
      const Rgb c = rgb_of(source.colours[i]);
      sum[0] += c.r;
      sum[1] += c.g;
      sum[2] += c.b;
      ++count;
    }
  }
  const auto mean = [count](int32_t total) { return static_cast<uint32_t>((total + count / 2) / count); };
  return (mean(sum[0]) << 16) | (mean(sum[1]) << 8) | mean(sum[2]);
}

// Walks the eight rays from (x, y) and keeps the nearest clear pixels of each side.
MatteSides sides_near(const MatteSource& source, const std::vector<uint8_t>& clear, int32_t x, int32_t y,
                      int32_t reach) {
  static constexpr int32_t STEPS[8][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}, {1, -1}, {1, 1}, {-1, 1}, {-1, -1}};
  struct Hit {
    int32_t distance;
    int32_t x;
    int32_t y;
    uint8_t side;
  };
  Hit hits[8];
  int32_t hit_count = 0;
  // Wide zones are crossed in strides, so large blocks cost no more than small ones.
  const int32_t stride = std::max(1, reach / 12);
  for (const auto& step : STEPS) {
    for (int32_t d = stride; d <= reach; d += stride) {
      const int32_t nx = x + step[0] * d;
      const int32_t ny = y + step[1] * d;
      if (nx < 0 || ny < 0 || nx >= source.width || ny >= source.height) break;
      const uint8_t side = clear[static_cast<size_t>(ny) * source.width + nx];
      if (side == IN_ZONE) continue;
      hits[hit_count++] = {d, nx, ny, side};
      break;
    }
  }
  std::stable_sort(hits, hits + hit_count, [](const Hit& a, const Hit& b) { return a.distance < b.distance; });
  MatteSides sides;
  for (int32_t i = 0; i < hit_count; ++i) {
    const uint32_t colour = side_colour(source, clear, hits[i].x, hits[i].y);
    if (hits[i].side == CLEAR_KEPT && sides.kept_count < MAX_SIDES) sides.kept[sides.kept_count++] = colour;
    if (hits[i].side == CLEAR_DELETED && sides.deleted_count < MAX_SIDES)
      sides.deleted[sides.deleted_count++] = colour;
  }
  return sides;
}

int32_t squared_distance(const Rgb& a, const Rgb& b) {
  const int32_t dr = a.r - b.r;
  const int32_t dg = a.g - b.g;
  const int32_t db = a.b - b.b;
  return dr * dr + dg * dg + db * db;
}

// The alpha of colour `c` between the sides of its shown pixel, or -1 when no pair of
// colours explains it.
int32_t two_colour_alpha(const MatteSides& sides, const Rgb& c) {
  bool found = false;
  int64_t best_residual = 0;  // squared residual, times best_scale
  int64_t best_scale = 1;
  int64_t best_contrast = 0;
  int32_t best_alpha = 0;  // of 256
  for (int32_t k = 0; k < sides.kept_count; ++k) {
    const Rgb f = rgb_of(sides.kept[k]);
    for (int32_t d = 0; d < sides.deleted_count; ++d) {
      const Rgb b = rgb_of(sides.deleted[d]);
      const Rgb fb{f.r - b.r, f.g - b.g, f.b - b.b};
      const int32_t contrast = fb.r * fb.r + fb.g * fb.g + fb.b * fb.b;
      if (contrast < MIN_CONTRAST_SQUARED) continue;
      const Rgb cb{c.r - b.r, c.g - b.g, c.b - b.b};
      const int64_t along = int64_t{cb.r} * fb.r + int64_t{cb.g} * fb.g + int64_t{cb.b} * fb.b;
      int64_t residual;
      int64_t scale = 1;
      int32_t alpha;
      if (along <= 0) {
        residual = squared_distance(c, b);
        alpha = 0;
      } else if (along >= contrast) {
        residual = squared_distance(c, f);
        alpha = 256;
      } else {
        residual = int64_t{squared_distance(c, b)} * contrast - along * along;
        scale = contrast;
        alpha = static_cast<int32_t>((along * 256 + contrast / 2) / contrast);
      }
      if (!found || residual * best_scale < best_residual * scale) {
        found = true;
        best_residual = residual;
        best_scale = scale;
        best_contrast = contrast;
        best_alpha = alpha;
      }
    }
  }
  if (!found) return -1;
  // A pixel that lies far off every line between the two sides is neither.
  const int64_t limit = std::max(MIN_RESIDUAL_LIMIT, best_contrast / 4);
  if (best_residual > limit * best_scale) return -1;
  const int32_t stretched = (best_alpha - DEAD_LOW) * 255 / (DEAD_HIGH - DEAD_LOW);
  return std::clamp(stretched, 0, 255);
}

}  // namespace

bool build_edge_matte(const MatteSource& source, EdgeMatte& matte) {
  matte = EdgeMatte{};
  if (source.colours == nullptr || source.deleted == nullptr || source.width <= 0 || source.height <= 0 ||
      source.full_width < source.width || source.full_height < source.height) {
    return false;
  }
  const size_t count = static_cast<size_t>(source.width) * static_cast<size_t>(source.height);
  matte.width = source.width;
  matte.height = source.height;
  matte.full_width = source.full_width;
  matte.full_height = source.full_height;
  matte.kept.resize(count);
  for (size_t i = 0; i < count; ++i) matte.kept[i] = source.deleted[i] == 0;
  matte.sides_of.assign(count, -1);
  matte.shown_column.resize(static_cast<size_t>(source.full_width));
  for (int32_t x = 0; x < source.full_width; ++x)
    matte.shown_column[x] = static_cast<int32_t>(int64_t{x} * source.width / source.full_width);
  if (source.block_size <= 0) return true;

  const int32_t zone = source.block_size + 1;
  std::vector<uint8_t> deleted(count);
  for (size_t i = 0; i < count; ++i) deleted[i] = !matte.kept[i];
  const std::vector<uint8_t> near_deleted = near_side(deleted, source.width, source.height, zone);
  const std::vector<uint8_t> near_kept = near_side(matte.kept, source.width, source.height, zone);
  std::vector<uint8_t> clear(count);
  for (size_t i = 0; i < count; ++i) {
    if (matte.kept[i] && !near_deleted[i]) clear[i] = CLEAR_KEPT;
    if (!matte.kept[i] && !near_kept[i]) clear[i] = CLEAR_DELETED;
  }
  // From a zone pixel, the clear pixels of the far side lie at most twice the zone's
  // width away.
  const int32_t reach = 2 * zone + 2;
  for (int32_t y = 0; y < source.height; ++y) {
    for (int32_t x = 0; x < source.width; ++x) {
      const size_t i = static_cast<size_t>(y) * source.width + x;
      if (clear[i] != IN_ZONE) continue;
      const MatteSides sides = sides_near(source, clear, x, y, reach);
      if (sides.kept_count == 0 || sides.deleted_count == 0) continue;
      matte.sides_of[i] = static_cast<int32_t>(matte.sides.size());
      matte.sides.push_back(sides);
    }
  }
  return true;
}

void edge_matte_row(const EdgeMatte& matte, int32_t y, const uint32_t* row, uint8_t* alpha) {
  const int32_t shown_y = static_cast<int32_t>(int64_t{y} * matte.height / matte.full_height);
  const size_t shown_row = static_cast<size_t>(shown_y) * matte.width;
  for (int32_t x = 0; x < matte.full_width; ++x) {
    const size_t i = shown_row + matte.shown_column[x];
    const uint8_t by_mask = matte.kept[i] ? 255 : 0;
    const int32_t sides = matte.sides_of[i];
    if (sides < 0) {
      alpha[x] = by_mask;
      continue;
    }
    const int32_t a = two_colour_alpha(matte.sides[sides], rgb_of(row[x]));
    alpha[x] = a < 0 ? by_mask : static_cast<uint8_t>(a);
  }
}
