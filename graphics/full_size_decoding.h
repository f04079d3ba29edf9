#pragma once
// A picture at its own size, upright, a band of rows at a time from the top, without
// ever holding it whole: for the cut-out that is saved at the photo's own resolution.
#include <cstddef>
#include <cstdint>

namespace Canvas {

class UprightBandSink {
 public:
  // `rows` upright rows from row `y` on, each `width` words 0x00RRGGBB (a picture's
  // transparency laid over black, as it is shown), packed. Returning false stops.
  virtual bool band(int32_t y, int32_t rows, const uint32_t* pixels) = 0;
  // The share of the work done, 0 to 1.
  virtual void progress(double done) = 0;
  // The bands handed on so far are void: they come again, from the top. False stops.
  virtual bool restart() = 0;

 protected:
  ~UprightBandSink() = default;
};

// Decodes the picture in `bytes` at its own size and hands it to `sink` upright (its
// EXIF orientation applied), band by band from the top. A picture that needs no
// turning and whose decoder delivers rows in order passes straight through; any other
// goes through a TileStore whose scratch file is `scratch_path`, holding up to
// `budget` bytes in memory. True when every band was handed on.
bool decode_full_size(const uint8_t* bytes, size_t size, const char* scratch_path, UprightBandSink& sink,
                      int64_t budget = int64_t{64} << 20);

}  // namespace Canvas
