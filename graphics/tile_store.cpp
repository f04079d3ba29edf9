#include "graphics/tile_store.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/files.h"

namespace Canvas {

TileStore::TileStore(int32_t width, int32_t height, std::string scratch_path, int64_t budget)
    : width_(width),
      height_(height),
      tile_rows_((height + TILE - 1) / TILE),
      tile_columns_((width + TILE - 1) / TILE),
      band_words_(static_cast<size_t>(tile_columns_) * TILE * TILE),
      scratch_path_(std::move(scratch_path)) {
  const int64_t band_bytes = static_cast<int64_t>(band_words_) * 4;
  const int64_t fitting = std::max<int64_t>(2, budget / std::max<int64_t>(band_bytes, 1));
  try {
    bands_.resize(static_cast<size_t>(std::min<int64_t>(fitting, tile_rows_)));
    band_of_row_.assign(static_cast<size_t>(tile_rows_), -1);
    in_file_.assign(static_cast<size_t>(tile_rows_), 0);
    tile_.resize(static_cast<size_t>(TILE) * TILE);
  } catch (const std::bad_alloc&) {
    ok_ = false;
  }
}

TileStore::~TileStore() {
  if (scratch_ != nullptr) {
    std::fclose(scratch_);
    platform::remove_file(scratch_path_.c_str());
  }
}

uint64_t TileStore::tile_offset(int32_t row, int32_t column) const {
  return (static_cast<uint64_t>(row) * static_cast<uint64_t>(tile_columns_) + static_cast<uint64_t>(column)) *
         (uint64_t{TILE} * TILE * 4);
}

void TileStore::write_band(Band& band) {
  if (!band.dirty) return;
  band.dirty = false;
  if (scratch_ == nullptr) scratch_ = platform::create_scratch_file(scratch_path_.c_str());
  if (scratch_ == nullptr) {
    ok_ = false;
    return;
  }
  const size_t stride = static_cast<size_t>(tile_columns_) * TILE;
  for (int32_t column = 0; column < tile_columns_; ++column) {
    for (int32_t r = 0; r < TILE; ++r)
      std::memcpy(tile_.data() + static_cast<size_t>(r) * TILE,
                  band.words.data() + static_cast<size_t>(r) * stride + static_cast<size_t>(column) * TILE,
                  TILE * sizeof(uint32_t));
    if (!platform::write_at(scratch_, tile_offset(band.row, column), tile_.data(), tile_.size() * sizeof(uint32_t)))
      ok_ = false;
  }
  in_file_[static_cast<size_t>(band.row)] = 1;
}

TileStore::Band& TileStore::band_for(int32_t row) {
  const int32_t held = band_of_row_[static_cast<size_t>(row)];
  if (held >= 0) {
    bands_[static_cast<size_t>(held)].used = ++clock_;
    return bands_[static_cast<size_t>(held)];
  }
  // The band used longest ago makes room.
  size_t pick = 0;
  for (size_t i = 1; i < bands_.size(); ++i)
    if (bands_[i].used < bands_[pick].used) pick = i;
  Band& band = bands_[pick];
  if (band.row >= 0) {
    write_band(band);
    band_of_row_[static_cast<size_t>(band.row)] = -1;
  }
  band.words.assign(band_words_, 0);
  band.row = row;
  band.used = ++clock_;
  band_of_row_[static_cast<size_t>(row)] = static_cast<int32_t>(pick);
  if (in_file_[static_cast<size_t>(row)]) {
    const size_t stride = static_cast<size_t>(tile_columns_) * TILE;
    for (int32_t column = 0; column < tile_columns_; ++column) {
      if (!platform::read_at(scratch_, tile_offset(row, column), tile_.data(), tile_.size() * sizeof(uint32_t)))
        ok_ = false;
      for (int32_t r = 0; r < TILE; ++r)
        std::memcpy(band.words.data() + static_cast<size_t>(r) * stride + static_cast<size_t>(column) * TILE,
                    tile_.data() + static_cast<size_t>(r) * TILE, TILE * sizeof(uint32_t));
    }
  }
  return band;
}

void TileStore::put(int32_t y, int32_t x, int32_t step, const uint32_t* words, int32_t count) {
  if (!ok_ || y < 0 || y >= height_ || x < 0 || step <= 0 || count <= 0) return;
  try {
    Band& band = band_for(y / TILE);
    band.dirty = true;
    uint32_t* row = band.words.data() + static_cast<size_t>(y % TILE) * tile_columns_ * TILE;
    for (int32_t i = 0; i < count; ++i) {
      const int64_t at = x + int64_t{i} * step;
      if (at >= width_) break;
      row[at] = words[i];
    }
  } catch (const std::bad_alloc&) {
    ok_ = false;
  }
}

void TileStore::read_tile(int32_t row, int32_t column, uint32_t* out) {
  if (!ok_ || row < 0 || row >= tile_rows_ || column < 0 || column >= tile_columns_) {
    std::fill(out, out + static_cast<size_t>(TILE) * TILE, 0u);
    return;
  }
  const int32_t held = band_of_row_[static_cast<size_t>(row)];
  if (held >= 0) {
    const Band& band = bands_[static_cast<size_t>(held)];
    const size_t stride = static_cast<size_t>(tile_columns_) * TILE;
    for (int32_t r = 0; r < TILE; ++r)
      std::memcpy(out + static_cast<size_t>(r) * TILE,
                  band.words.data() + static_cast<size_t>(r) * stride + static_cast<size_t>(column) * TILE,
                  TILE * sizeof(uint32_t));
    return;
  }
  if (in_file_[static_cast<size_t>(row)]) {
    if (!platform::read_at(scratch_, tile_offset(row, column), out, static_cast<size_t>(TILE) * TILE * 4)) ok_ = false;
    return;
  }
  std::fill(out, out + static_cast<size_t>(TILE) * TILE, 0u);
}

}  // namespace Canvas
