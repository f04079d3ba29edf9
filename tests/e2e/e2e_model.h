#pragma once
// What the screen and the saved files must show, worked out independently from the
// selection rules: block averages (mean of column means), growth over the block grid
// by colour similarity from the stroke's blocks, the outside region, the outline's
// block sides and the painting of a deleted selection.
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "e2e_support.h"

namespace e2e {

struct ModelSettings {
  int block_size = 5;
  int tolerance = 10;
  bool euclidean = true;
  bool first_reference = true;
  bool include_inner = false;
  bool range_mode = false;
  uint32_t fill = WHITE;  // pixel word the deleted blocks are painted with
};

class Model {
 public:
  explicit Model(Picture picture);

  Picture picture;
  std::vector<uint8_t> deleted_pixels;
  ModelSettings settings;
  std::vector<std::pair<int, int>> stroke;  // picture coordinates

  // Grows the selection of `stroke`.
  void apply();
  // One ring of blocks more (step > 0: every block beside the selection that is no
  // wall joins) or less (step < 0: every selected block beside an unselected one or
  // the picture's edge goes, except the stroke's own blocks).
  void change_ring(int step);
  // Paints the last grown selection (or what it encloses) and marks it deleted.
  void remove();
  // 1 for every picture pixel on a side of the shown outline.
  std::vector<uint8_t> outline_mask() const;
  int selected_count() const { return int(selected_list_.size()); }

 private:
  int cols_ = 0, rows_ = 0, size_ = 5;
  std::vector<uint32_t> colors_;
  std::vector<uint8_t> block_deleted_, selected_, outside_;
  std::vector<std::pair<int, int>> selected_list_, boundary_list_;
  std::vector<int> selected_edges_, boundary_edges_;

  bool similar(int rc, int rr, int cc, int cr) const;
  // The edges, the outside and the boundary of the selection.
  void derive();
  bool inside(int c, int r) const { return c >= 0 && r >= 0 && c < cols_ && r < rows_; }
  int index(int c, int r) const { return r * cols_ + c; }
};

// The picture area of a client-area shot.
Picture picture_area(const Session& session, const Picture& client_shot);

// The picture area shows the model's picture with exactly the model's outline drawn
// in `color`: no outline pixel off the outline's sides, every other pixel the
// picture's own, and the sides visibly drawn (dash-dot, so not every pixel).
::testing::AssertionResult shows_outline(const Picture& area, const Model& model, uint32_t color);
// The picture area shows the model's picture and nothing else.
::testing::AssertionResult shows_picture(const Picture& area, const Picture& picture);

}  // namespace e2e
