#pragma once
// Alpha for the cut-out at the picture's own resolution. The user's deletes are known
// on the shown (scaled) picture's pixels, a block at a time, so a kept block on the
// border can still hold background and a deleted one a piece of the object. Each
// full-resolution pixel near that border gets its alpha from its own colour, weighed
// against the colours of the two sides nearby: a local two-colour model. A strip of
// background left inside a kept block turns transparent, and an anti-aliased rim
// keeps partial alpha. Away from the border the alpha is exactly 255 (kept) or 0
// (deleted).
//
// Full-resolution pixel (x, y) lies in shown pixel
// (x * width / full_width, y * height / full_height), rounded down.
#include <cstdint>
#include <vector>

struct MatteSource {
  // width x height words 0x00RRGGBB, top row first, rows packed: the picture as it was
  // loaded at its shown size, before any delete, with the colour transform in force.
  const uint32_t* colours = nullptr;
  // width x height bytes in the same layout; nonzero where the user deleted.
  const uint8_t* deleted = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  // The picture upright at its own size; equal to width x height when not scaled.
  int32_t full_width = 0;
  int32_t full_height = 0;
  // The largest block size the deletes were made at, in shown pixels: how far from
  // the border a block may hold the other side's colours. 0 when nothing was deleted.
  int32_t block_size = 0;
};

// The colours of the two sides near one shown pixel of the border zone: the averaged
// colours of up to four places on each side that lie clear of the zone.
struct MatteSides {
  uint8_t kept_count = 0;
  uint8_t deleted_count = 0;
  uint32_t kept[4] = {};
  uint32_t deleted[4] = {};
};

// What the rows need, prepared once per save from a MatteSource; holds no pointer
// into it.
struct EdgeMatte {
  int32_t width = 0;
  int32_t height = 0;
  int32_t full_width = 0;
  int32_t full_height = 0;
  std::vector<uint8_t> kept;          // per shown pixel: 1 kept, 0 deleted
  std::vector<int32_t> sides_of;      // per shown pixel: index into sides, or -1 off the border
  std::vector<MatteSides> sides;
  std::vector<int32_t> shown_column;  // per full-resolution column
};

// False when a size is not positive, a pointer is null, or the full size is smaller
// than the shown one.
bool build_edge_matte(const MatteSource& source, EdgeMatte& matte);

// Alpha of the upright full-resolution row y: `row` holds full_width words 0x00RRGGBB
// (the colour transform applied), `alpha` receives full_width bytes. Rows may come in
// any order, and several threads may ask at once. Integer arithmetic only, so every
// build of the program gives the same bytes.
void edge_matte_row(const EdgeMatte& matte, int32_t y, const uint32_t* row, uint8_t* alpha);
