#pragma once
// Takes decoded pixels as they come and averages them down (or repeats them up) to a
// fixed size, so a large picture never exists at its own size in memory.
#include <cstdint>
#include <vector>

#include "platform/picture_decode.h"

namespace Canvas {

class AreaScaler final : public platform::PictureSink {
 public:
  // The size the result will have. A delivered picture of exactly this size is
  // copied as it comes; any other is averaged, which needs an accumulator per
  // destination pixel and so takes targets of at most MAX_SCALED_PIXELS.
  AreaScaler(int32_t width, int32_t height);

  bool begin(int32_t width, int32_t height) override;
  void pixels(int32_t y, int32_t x, int32_t step, const uint32_t* words, int32_t count) override;

  // The target-size result: 0xAARRGGBB words, top row first, rows packed end to end.
  // Pixels that never came are 0 (transparent). Empty when begin refused.
  std::vector<uint32_t> finish();

  // Averaging keeps four doubles per destination pixel.
  static constexpr int64_t MAX_SCALED_PIXELS = 2'000'000;

 private:
  // For each source index along one axis: the destination indices it overlaps and
  // the share of each destination pixel's footprint it covers.
  struct Axis {
    std::vector<int32_t> first_out;  // first destination index, per source index
    std::vector<uint32_t> offset;    // into weight, per source index, plus one at the end
    std::vector<double> weight;
  };
  static Axis axis(int32_t source, int32_t destination);

  int32_t width_;
  int32_t height_;
  int32_t source_width_ = 0;
  int32_t source_height_ = 0;
  bool copying_ = false;
  bool begun_ = false;
  std::vector<uint32_t> copied_;
  Axis xs_;
  Axis ys_;
  std::vector<double> sums_;  // per destination pixel: alpha, then red, green, blue times alpha
  std::vector<double> row_;   // one source row (or piece) averaged along x
};

}  // namespace Canvas
