// The outline follows the settings while it is shown: the wheel over the tolerance and
// block size rows and the reference toggle grow the same stroke again without another
// click, and + (or =) and - add and take away rings of blocks; a delete then removes
// exactly what is outlined. Without an outline the wheel changes only the value.
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "e2e_model.h"
#include "e2e_support.h"

namespace e2e {
namespace {

constexpr uint32_t BG = 0x285AA0;
constexpr uint32_t YELLOW = 0xDCC828;
constexpr uint32_t GREEN = 0x1EAA3C;

// 240 x 180: a strip of 32 block columns (rows 60..119), each 6 redder than the one
// on its left.
Picture gradient() {
  Picture p(240, 180, BG);
  for (int i = 0; i < 32; ++i) p.fill(40 + 5 * i, 60, 44 + 5 * i, 119, rgb(60 + 6 * i, 40, 40));
  return p;
}

// A yellow ring on the picture's left edge (12 x 12 blocks round a 4 x 4 hole) and,
// one block column to its right, a green bar to be deleted first.
Picture ring_and_bar() {
  Picture p(240, 180, BG);
  p.fill(0, 40, 59, 99, YELLOW);
  p.fill(20, 60, 39, 79, BG);
  p.fill(65, 55, 79, 84, GREEN);
  return p;
}

struct LiveSelection : ::testing::Test {
  Session s;
  Model m{Picture()};

  void start(const Picture& picture) {
    m = Model(picture);
    ASSERT_NO_FATAL_FAILURE(s.start(picture));
  }
  Picture area() { return picture_area(s, s.settle()); }
  Picture box(int row) { return s.settle().crop(s.value_box(row)); }

  void click(int x, int y) {
    Picture before = s.settle();
    s.click(x, s.picture_top() + y);
    ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "no change after a click at " << x << "," << y;
    m.stroke = {{x, y}};
    m.apply();
  }
  // Turns the wheel over a row and waits for `watch` (the picture by default) to change.
  void turn(int row, int notches, std::optional<Rect> watch = std::nullopt) {
    Picture before = s.settle();
    Rect r = s.row_rect(row);
    s.wheel(r.x + r.width - 30, r.y + 15, notches);
    ASSERT_TRUE(s.wait_change(before, watch.value_or(s.picture_rect())).has_value())
        << notches << " notches on row " << row;
  }
  void click_row(int row) {
    Picture before = s.settle();
    s.click_row(row);
    ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "row " << row << " changed no picture";
  }
  void type(const std::string& key) {
    Picture before = s.settle();
    s.park();
    s.x().xdotool("windowfocus --sync " + std::to_string(s.window()));
    s.x().xdotool("key " + key);
    ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << key << " changed nothing";
  }
  void expect_outline(const std::string& what) {
    Picture now = area();
    auto result = shows_outline(now, m, OUTLINE_BLUE);
    EXPECT_TRUE(result) << what;
    if (!result) s.keep("outline-" + what + ".png", now);
  }
};

TEST_F(LiveSelection, WheelAndReferenceToggleRegrowTheShownStroke) {
  ASSERT_NO_FATAL_FAILURE(start(gradient()));
  // No outline: the wheel changes the value and nothing else.
  const Picture t10 = box(0);
  ASSERT_NO_FATAL_FAILURE(turn(0, 10, s.value_box(0)));
  const Picture t20 = box(0);
  EXPECT_TRUE(shows_picture(area(), m.picture)) << "the wheel with no outline changed the picture";
  ASSERT_NO_FATAL_FAILURE(turn(0, -10, s.value_box(0)));
  ASSERT_EQ(box(0), t10);

  // Tolerance 10 from the first block: one column either side.
  ASSERT_NO_FATAL_FAILURE(click(122, 90));
  ASSERT_EQ(m.selected_count(), 3 * 12);
  expect_outline("tolerance 10");

  // Ten notches, no click: 20 reaches three columns either side.
  ASSERT_NO_FATAL_FAILURE(turn(0, 10));
  m.settings.tolerance = 20;
  m.apply();
  ASSERT_EQ(m.selected_count(), 7 * 12);
  expect_outline("tolerance 20");
  EXPECT_EQ(box(0), t20) << "the value box does not show the last notch's value";

  // The neighbour as reference: 6 per step passes all along the strip.
  ASSERT_NO_FATAL_FAILURE(click_row(3));
  m.settings.first_reference = false;
  m.apply();
  ASSERT_EQ(m.selected_count(), 32 * 12);
  expect_outline("neighbour as reference");

  // Block size 6: the same stroke on the new grid, whose edge blocks mix in the ground.
  ASSERT_NO_FATAL_FAILURE(turn(1, 1));
  m.settings.block_size = 6;
  m.apply();
  expect_outline("block size 6");

  // Delete removes exactly what is outlined.
  ASSERT_NO_FATAL_FAILURE(click_row(7));
  m.remove();
  EXPECT_TRUE(shows_picture(area(), m.picture)) << "after the delete";
}

TEST_F(LiveSelection, RingKeysAddUpAndDeleteTakesWhatTheyLeft) {
  ASSERT_NO_FATAL_FAILURE(start(ring_and_bar()));
  // The bar's blocks become walls.
  ASSERT_NO_FATAL_FAILURE(click(70, 70));
  ASSERT_NO_FATAL_FAILURE(click_row(7));
  m.remove();

  // The stroke's own block lies on the picture's edge.
  ASSERT_NO_FATAL_FAILURE(click(2, 50));
  expect_outline("ring");
  ASSERT_NO_FATAL_FAILURE(type("plus"));
  m.grow_ring();
  expect_outline("one ring added");
  ASSERT_NO_FATAL_FAILURE(type("equal"));
  m.grow_ring();
  expect_outline("two rings added, hole filled, the bar left out");
  ASSERT_NO_FATAL_FAILURE(type("minus"));
  m.shrink_ring();
  expect_outline("one ring taken away, the stroke's edge block kept");

  // A notch starts again from the stroke; a ring then adds to that.
  ASSERT_NO_FATAL_FAILURE(turn(0, 1));
  m.settings.tolerance = 11;
  m.apply();
  expect_outline("tolerance 11, from the stroke");
  ASSERT_NO_FATAL_FAILURE(type("KP_Add"));
  m.grow_ring();
  expect_outline("one ring on the new growth");

  // With inner points the outline and the delete take the hole too.
  ASSERT_NO_FATAL_FAILURE(click_row(6));
  m.settings.include_inner = true;
  expect_outline("one ring, inner points");
  ASSERT_NO_FATAL_FAILURE(click_row(7));
  m.remove();
  EXPECT_TRUE(shows_picture(area(), m.picture)) << "after deleting the grown ring";
}

}  // namespace
}  // namespace e2e
