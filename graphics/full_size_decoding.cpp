#include "graphics/full_size_decoding.h"

#include <algorithm>
#include <new>
#include <vector>

#include "graphics/exif_orientation.h"
#include "graphics/tile_store.h"
#include "platform/picture_decode.h"

namespace Canvas {

namespace {

constexpr int32_t BAND = TileStore::TILE;

// A word 0xAARRGGBB laid over black, as a loaded picture shows it.
uint32_t over_black(uint32_t word) {
  const uint32_t alpha = word >> 24;
  if (alpha == 0xFF) return word & 0xFFFFFFu;
  uint32_t result = 0;
  for (int shift = 0; shift <= 16; shift += 8) result |= ((((word >> shift) & 0xFF) * alpha + 127) / 255) << shift;
  return result;
}

// Rows that come in order: each band goes on as soon as a row of the next one comes.
// A row that comes back to an earlier band, a jump over a band, or an interlaced
// delivery breaks the order; the picture then needs the tile store.
class InOrderBands final : public platform::PictureSink {
 public:
  InOrderBands(int32_t width, int32_t height, bool mirrored, UprightBandSink& sink)
      : width_(width), height_(height), mirrored_(mirrored), sink_(sink) {}

  bool begin(int32_t width, int32_t height) override {
    if (width != width_ || height != height_) return false;
    try {
      rows_.assign(static_cast<size_t>(width) * BAND, 0);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }

  void pixels(int32_t y, int32_t x, int32_t step, const uint32_t* words, int32_t count) override {
    if (broken_ || stopped_ || rows_.empty()) return;
    const int32_t band = y / BAND;
    if (step != 1 || y < 0 || y >= height_ || x < 0 || band < band_ || band > band_ + 1) {
      broken_ = true;
      return;
    }
    if (band > band_ && !hand_on()) return;
    band_ = band;
    uint32_t* row = rows_.data() + static_cast<size_t>(y - band * BAND) * width_;
    const int32_t n = std::min(count, width_ - x);
    for (int32_t i = 0; i < n; ++i) {
      const int32_t at = mirrored_ ? width_ - 1 - (x + i) : x + i;
      row[at] = over_black(words[i]);
    }
  }

  // The last band, once the decoder is through.
  bool finish() { return !broken_ && !stopped_ && !rows_.empty() && hand_on(); }

  bool broken() const { return broken_; }
  bool handed_on() const { return handed_on_; }

 private:
  bool hand_on() {
    const int32_t first = band_ * BAND;
    if (!sink_.band(first, std::min(BAND, height_ - first), rows_.data())) {
      stopped_ = true;
      return false;
    }
    handed_on_ = true;
    sink_.progress(static_cast<double>(first + BAND) / height_);
    std::fill(rows_.begin(), rows_.end(), 0u);
    return true;
  }

  int32_t width_;
  int32_t height_;
  bool mirrored_;
  UprightBandSink& sink_;
  std::vector<uint32_t> rows_;
  int32_t band_ = 0;
  bool broken_ = false;
  bool stopped_ = false;
  bool handed_on_ = false;
};

class TileFiller final : public platform::PictureSink {
 public:
  TileFiller(TileStore& store, int32_t width, int32_t height, UprightBandSink& sink)
      : store_(store), width_(width), height_(height), sink_(sink) {}

  bool begin(int32_t width, int32_t height) override { return width == width_ && height == height_; }

  void pixels(int32_t y, int32_t x, int32_t step, const uint32_t* words, int32_t count) override {
    if (count <= 0) return;
    if (static_cast<size_t>(count) > shown_.size()) shown_.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) shown_[i] = over_black(words[i]);
    store_.put(y, x, step, shown_.data(), count);
    // Half the work is the decoding, half the turning.
    if (y / BAND != last_band_) {
      last_band_ = y / BAND;
      sink_.progress(0.5 * y / height_);
    }
  }

 private:
  TileStore& store_;
  int32_t width_;
  int32_t height_;
  UprightBandSink& sink_;
  std::vector<uint32_t> shown_;
  int32_t last_band_ = -1;
};

// The seen position (x, y) of the stored pixel (sx, sy) is
// x = ax * sx + bx * sy + cx, y = ay * sx + by * sy + cy.
struct Placement {
  int32_t ax, bx, cx, ay, by, cy;
};

Placement placement(int32_t orientation, int32_t width, int32_t height) {
  switch (orientation) {
    case 2: return {-1, 0, width - 1, 0, 1, 0};
    case 3: return {-1, 0, width - 1, 0, -1, height - 1};
    case 4: return {1, 0, 0, 0, -1, height - 1};
    case 5: return {0, 1, 0, 1, 0, 0};
    case 6: return {0, -1, height - 1, 1, 0, 0};
    case 7: return {0, -1, height - 1, -1, 0, width - 1};
    case 8: return {0, 1, 0, -1, 0, width - 1};
    default: return {1, 0, 0, 0, 1, 0};
  }
}

// Reads the stored picture back from the tiles, a band of seen rows at a time.
bool hand_on_turned(TileStore& store, int32_t orientation, int32_t width, int32_t height, UprightBandSink& sink) {
  const bool swap = orientation_swaps_sides(orientation);
  const int32_t seen_width = swap ? height : width;
  const int32_t seen_height = swap ? width : height;
  const Placement p = placement(orientation, width, height);
  std::vector<uint32_t> rows(static_cast<size_t>(seen_width) * BAND);
  std::vector<uint32_t> tile(static_cast<size_t>(TileStore::TILE) * TileStore::TILE);
  for (int32_t top = 0; top < seen_height; top += BAND) {
    const int32_t count = std::min(BAND, seen_height - top);
    // The stored rectangle these seen rows show, from two opposite corners.
    int32_t x0 = 0, y0 = top, x1 = seen_width - 1, y1 = top + count - 1;
    stored_position(orientation, width, height, x0, y0);
    stored_position(orientation, width, height, x1, y1);
    const int32_t left = std::min(x0, x1), right = std::max(x0, x1);
    const int32_t upper = std::min(y0, y1), lower = std::max(y0, y1);
    for (int32_t tr = upper / TileStore::TILE; tr <= lower / TileStore::TILE; ++tr) {
      for (int32_t tc = left / TileStore::TILE; tc <= right / TileStore::TILE; ++tc) {
        store.read_tile(tr, tc, tile.data());
        const int32_t sy0 = std::max(upper, tr * TileStore::TILE);
        const int32_t sy1 = std::min(lower, tr * TileStore::TILE + TileStore::TILE - 1);
        const int32_t sx0 = std::max(left, tc * TileStore::TILE);
        const int32_t sx1 = std::min(right, tc * TileStore::TILE + TileStore::TILE - 1);
        for (int32_t sy = sy0; sy <= sy1; ++sy) {
          const uint32_t* from = tile.data() + static_cast<size_t>(sy - tr * TileStore::TILE) * TileStore::TILE;
          for (int32_t sx = sx0; sx <= sx1; ++sx) {
            const int32_t x = p.ax * sx + p.bx * sy + p.cx;
            const int32_t y = p.ay * sx + p.by * sy + p.cy - top;
            rows[static_cast<size_t>(y) * seen_width + x] = from[sx - tc * TileStore::TILE];
          }
        }
      }
    }
    if (!store.ok() || !sink.band(top, count, rows.data())) return false;
    sink.progress(0.5 + 0.5 * (top + count) / seen_height);
  }
  return true;
}

}  // namespace

bool decode_full_size(const uint8_t* bytes, size_t size, const char* scratch_path, UprightBandSink& sink,
                      int64_t budget) {
  int32_t width = 0;
  int32_t height = 0;
  if (!platform::read_picture_size(bytes, size, width, height)) return false;
  const int32_t orientation = exif_orientation(bytes, size);
  try {
    if (orientation == 1 || orientation == 2) {
      InOrderBands bands(width, height, orientation == 2, sink);
      const bool decoded = platform::decode_picture(bytes, size, width, height, bands);
      if (!bands.broken()) return decoded && bands.finish();
      if (bands.handed_on() && !sink.restart()) return false;
    }
    TileStore store(width, height, scratch_path == nullptr ? "" : scratch_path, budget);
    TileFiller filler(store, width, height, sink);
    if (!platform::decode_picture(bytes, size, width, height, filler) || !store.ok()) return false;
    return hand_on_turned(store, orientation, width, height, sink);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace Canvas
