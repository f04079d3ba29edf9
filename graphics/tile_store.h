#pragma once
// A picture too large to hold, kept in square tiles: pixels are put in as a decoder
// delivers them, in any order, and read back a tile at a time, so the picture can be
// turned without ever being whole in memory. Bands of TILE rows stay in memory up to
// a fixed budget; the rest waits in a scratch file, each tile's TILE x TILE words in
// one piece. A picture within the budget never touches the file.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace Canvas {

class TileStore {
 public:
  static constexpr int32_t TILE = 64;
  static constexpr int64_t MEMORY_BUDGET = int64_t{64} << 20;

  // `scratch_path` names the scratch file, made only when `budget` bytes of bands do
  // not hold the picture; at least two bands are always held.
  TileStore(int32_t width, int32_t height, std::string scratch_path, int64_t budget = MEMORY_BUDGET);
  ~TileStore();
  TileStore(const TileStore&) = delete;
  TileStore& operator=(const TileStore&) = delete;

  // `count` words for row y at columns x, x + step, ... (as a decoder sink gets them).
  void put(int32_t y, int32_t x, int32_t step, const uint32_t* words, int32_t count);
  // The tile at tile row `row` and tile column `column`, TILE x TILE words, rows
  // packed; words never put are 0.
  void read_tile(int32_t row, int32_t column, uint32_t* out);
  // False once a read or write of the scratch file has failed (or memory ran out).
  bool ok() const { return ok_; }

  int32_t tile_rows() const { return tile_rows_; }
  int32_t tile_columns() const { return tile_columns_; }

 private:
  struct Band {
    int32_t row = -1;  // tile row held, -1 for none
    uint64_t used = 0;
    bool dirty = false;
    std::vector<uint32_t> words;  // TILE rows of tile_columns_ * TILE words
  };
  Band& band_for(int32_t row);
  void write_band(Band& band);
  uint64_t tile_offset(int32_t row, int32_t column) const;

  int32_t width_;
  int32_t height_;
  int32_t tile_rows_;
  int32_t tile_columns_;
  size_t band_words_;
  std::string scratch_path_;
  std::FILE* scratch_ = nullptr;
  bool ok_ = true;
  uint64_t clock_ = 0;
  std::vector<Band> bands_;
  std::vector<int32_t> band_of_row_;  // per tile row: index into bands_, or -1
  std::vector<uint8_t> in_file_;      // per tile row: written to the scratch file
  std::vector<uint32_t> tile_;
};

}  // namespace Canvas
