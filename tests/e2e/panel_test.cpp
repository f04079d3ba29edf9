// The panel's settings as a user changes them: the wheel on the tolerance and block
// size rows, the four toggles, the block sizes left after a delete, and the swatches.
#include <map>

#include <gtest/gtest.h>

#include "e2e_model.h"
#include "e2e_support.h"

namespace e2e {
namespace {

constexpr uint32_t BG = 0x285AA0;
constexpr uint32_t RED = 0xC81E1E;
constexpr uint32_t GREEN = 0x1EAA3C;
constexpr uint32_t YELLOW = 0xDCC828;

// 240 x 180; the red square lies on the grids of sizes 5 and 12 alike.
Picture board() {
  Picture p(240, 180, BG);
  p.fill(60, 24, 119, 83, RED);
  p.fill(150, 100, 209, 159, GREEN);
  p.fill(20, 120, 79, 169, YELLOW);
  return p;
}

struct Panel : ::testing::Test {
  Session s;
  Model m{board()};

  void SetUp() override { ASSERT_NO_FATAL_FAILURE(s.start(m.picture)); }

  Picture box(int row) { return s.settle().crop(s.value_box(row)); }
  int row_x(int row) { return s.row_rect(row).x + s.row_rect(row).width - 30; }
  int row_y(int row) { return s.row_rect(row).y + 15; }

  // Turns the wheel over a row; waits for its value box to change when `changes`.
  void turn(int row, int notches, bool changes = true) {
    Picture before = s.settle();
    s.wheel(row_x(row), row_y(row), notches);
    if (changes) {
      ASSERT_TRUE(s.wait_change(before, s.value_box(row)).has_value())
          << notches << " notches on row " << row << " changed nothing";
    } else {
      s.quiet(0.6);
    }
  }
  void wait_region(const Picture& before, const Rect& region, const char* what) {
    ASSERT_TRUE(s.wait_change(before, region).has_value()) << what;
  }
  static bool all(const Picture& p, uint32_t v) {
    for (uint32_t x : p.pixels)
      if (x != v) return false;
    return true;
  }
  static bool hatched(const Picture& p) {
    int white = 0, black = 0;
    for (uint32_t v : p.pixels) {
      white += v == WHITE;
      black += v == BLACK;
    }
    return white > 20 && black > 20 && white + black == int(p.pixels.size());
  }
};

TEST_F(Panel, WheelChangesToleranceAndBlockSizeWithinTheirLimits) {
  const Picture t10 = box(0);
  ASSERT_NO_FATAL_FAILURE(turn(0, -10));
  const Picture t0 = box(0);
  ASSERT_NO_FATAL_FAILURE(turn(0, -5, false));
  EXPECT_EQ(box(0), t0) << "tolerance went below 0";
  ASSERT_NO_FATAL_FAILURE(turn(0, 10));
  EXPECT_EQ(box(0), t10) << "ten notches up from the lower limit should give 10 again";
  ASSERT_NO_FATAL_FAILURE(turn(0, 250));
  const Picture t255 = box(0);
  ASSERT_NO_FATAL_FAILURE(turn(0, 4, false));
  EXPECT_EQ(box(0), t255) << "tolerance went above 255";
  ASSERT_NO_FATAL_FAILURE(turn(0, -245));
  EXPECT_EQ(box(0), t10) << "245 notches down from the upper limit should give 10";

  const Picture b5 = box(1);
  ASSERT_NO_FATAL_FAILURE(turn(1, -10));
  const Picture b1 = box(1);
  ASSERT_NO_FATAL_FAILURE(turn(1, -3, false));
  EXPECT_EQ(box(1), b1) << "block size went below the first entry";
  ASSERT_NO_FATAL_FAILURE(turn(1, 4));
  EXPECT_EQ(box(1), b5);
  ASSERT_NO_FATAL_FAILURE(turn(1, 100));
  const Picture b80 = box(1);
  ASSERT_NO_FATAL_FAILURE(turn(1, 2, false));
  EXPECT_EQ(box(1), b80) << "block size went beyond 80";
  ASSERT_NO_FATAL_FAILURE(turn(1, -75));
  EXPECT_EQ(box(1), b5);

  // The wheel on other rows changes nothing.
  const Picture before = s.settle();
  ASSERT_NO_FATAL_FAILURE(turn(2, 3, false));
  ASSERT_NO_FATAL_FAILURE(turn(11, -3, false));
  const Picture after = s.settle();
  for (int row : {0, 1, 2, 3, 6, 8}) EXPECT_EQ(after.crop(s.value_box(row)), before.crop(s.value_box(row))) << row;
}

TEST_F(Panel, TogglesFlipTheirValueAndBack) {
  const int rows[] = {2, 3, 6, 8};
  std::map<int, Picture> start;
  for (int r : rows) start[r] = box(r);
  for (int r : rows) {
    Picture before = s.settle();
    s.click_row(r);
    ASSERT_NO_FATAL_FAILURE(wait_region(before, s.value_box(r), "toggle did not change its value"));
    Picture flipped = s.settle();
    for (int other : rows) {
      if (other == r) continue;
      EXPECT_EQ(flipped.crop(s.value_box(other)), start[other]) << "row " << r << " changed row " << other;
    }
    s.click_row(r);
    ASSERT_NO_FATAL_FAILURE(wait_region(flipped, s.value_box(r), "second toggle did not change its value"));
    EXPECT_EQ(box(r), start[r]) << "row " << r << " did not come back";
  }
}

TEST_F(Panel, DeleteAtBlockSize12LeavesItsDivisors) {
  std::map<int, Picture> sizes;
  sizes[5] = box(1);
  for (int v = 4; v >= 1; --v) {
    ASSERT_NO_FATAL_FAILURE(turn(1, -1));
    sizes[v] = box(1);
  }
  for (int v = 2; v <= 12; ++v) {
    ASSERT_NO_FATAL_FAILURE(turn(1, 1));
    if (v <= 5) {
      ASSERT_EQ(box(1), sizes[v]) << "size " << v;
    } else {
      sizes[v] = box(1);
    }
  }
  for (int a = 1; a <= 12; ++a)
    for (int b = a + 1; b <= 12; ++b) ASSERT_NE(sizes[a], sizes[b]) << a << " and " << b << " look the same";

  m.settings.block_size = 12;
  Picture before = s.settle();
  s.click(90, s.picture_top() + 50);
  ASSERT_NO_FATAL_FAILURE(wait_region(before, s.picture_rect(), "no selection"));
  m.stroke = {{90, 50}};
  m.apply();
  EXPECT_TRUE(shows_outline(picture_area(s, s.settle()), m, OUTLINE_BLUE)) << "outline on the 12-pixel grid";
  before = s.settle();
  s.click_row(7);
  ASSERT_NO_FATAL_FAILURE(wait_region(before, s.picture_rect(), "delete changed nothing"));
  m.remove();
  EXPECT_TRUE(shows_picture(picture_area(s, s.settle()), m.picture));
  EXPECT_EQ(box(1), sizes[12]) << "the size used for the delete stays selected";

  for (int v : {6, 4, 3, 2, 1}) {
    ASSERT_NO_FATAL_FAILURE(turn(1, -1));
    EXPECT_EQ(box(1), sizes[v]) << "expected size " << v;
  }
  ASSERT_NO_FATAL_FAILURE(turn(1, -1, false));
  EXPECT_EQ(box(1), sizes[1]);
  ASSERT_NO_FATAL_FAILURE(turn(1, 5));
  EXPECT_EQ(box(1), sizes[12]) << "five notches up from 1 reach 12";
  ASSERT_NO_FATAL_FAILURE(turn(1, 1, false));
  EXPECT_EQ(box(1), sizes[12]) << "12 is the largest size left";
}

TEST_F(Panel, SwatchesChooseOutlineAndBackgroundColours) {
  // Left click: swatch 2 (0x0000FF, red) becomes the outline colour.
  Picture before = s.settle();
  Rect sw = s.swatch_rect(2);
  s.click(sw.x + 10, sw.y + 7);
  ASSERT_NO_FATAL_FAILURE(wait_region(before, s.outline_sample(), "outline sample unchanged"));
  EXPECT_TRUE(all(s.settle().crop(s.outline_sample()), 0xFF0000));

  before = s.settle();
  s.click(90, s.picture_top() + 50);
  ASSERT_NO_FATAL_FAILURE(wait_region(before, s.picture_rect(), "no selection"));
  m.stroke = {{90, 50}};
  m.apply();
  EXPECT_TRUE(shows_outline(picture_area(s, s.settle()), m, 0xFF0000)) << "outline in the chosen colour";

  // Choosing another outline colour redraws the shown outline in it.
  before = s.settle();
  sw = s.swatch_rect(8);
  s.click(sw.x + 10, sw.y + 7);
  ASSERT_NO_FATAL_FAILURE(wait_region(before, s.picture_rect(), "outline not redrawn"));
  EXPECT_TRUE(all(s.settle().crop(s.outline_sample()), 0xFFFF00));
  EXPECT_TRUE(shows_outline(picture_area(s, s.settle()), m, 0xFFFF00)) << "outline redrawn in the new colour";

  // Right click: swatch 18 (0xFF0000, blue) becomes the background colour, which a
  // delete paints with.
  before = s.settle();
  sw = s.swatch_rect(18);
  s.click(sw.x + 10, sw.y + 7, 3);
  ASSERT_NO_FATAL_FAILURE(wait_region(before, s.fill_sample(), "background sample unchanged"));
  EXPECT_TRUE(all(s.settle().crop(s.fill_sample()), 0x0000FF));
  before = s.settle();
  s.click_row(7);
  ASSERT_NO_FATAL_FAILURE(wait_region(before, s.picture_rect(), "delete changed nothing"));
  m.settings.fill = 0x0000FF;
  m.remove();
  EXPECT_TRUE(shows_picture(picture_area(s, s.settle()), m.picture));
  s.save_and_confirm();
  auto saved = read_bmp(s.work() / "pic_0.bmp");
  ASSERT_TRUE(saved.has_value());
  DiffReport d = diff_pictures(m.picture, *saved, s.root() / "saved-diff.png");
  EXPECT_TRUE(d.same()) << d.describe();
}

TEST_F(Panel, RightClicksPickColoursIntoFreeSlotsAndCtrlRightEmptiesOne) {
  const std::pair<std::pair<int, int>, uint32_t> picks[] = {
      {{90, 50}, RED}, {{180, 130}, GREEN}, {{5, 5}, BG}};
  int slot = 27;
  for (auto& [where, colour] : picks) {
    Picture before = s.settle();
    s.click(where.first, s.picture_top() + where.second, 3);
    ASSERT_NO_FATAL_FAILURE(wait_region(before, s.swatch_rect(slot), "pick did not fill the slot"));
    EXPECT_TRUE(all(s.settle().crop(s.swatch_rect(slot)), colour)) << "slot " << slot;
    ++slot;
  }
  // No free slot left: a fourth pick changes nothing on the panel.
  Rect panel{s.picture_width(), 0, 200, 768};
  Picture before = s.settle();
  s.click(40, s.picture_top() + 150, 3);
  Picture after = s.quiet(0.6);
  EXPECT_EQ(after.crop(panel), before.crop(panel)) << "a pick with every slot used changed the panel";

  // Ctrl + right click empties slot 13; the next pick fills it.
  before = s.settle();
  Rect sw = s.swatch_rect(13);
  s.move(sw.x + 10, sw.y + 7);
  s.key_down("ctrl");
  s.click(sw.x + 10, sw.y + 7, 3);
  s.key_up("ctrl");
  ASSERT_NO_FATAL_FAILURE(wait_region(before, sw, "slot not emptied"));
  EXPECT_TRUE(hatched(s.settle().crop(sw))) << "an empty slot shows the white cross-hatch on black";
  EXPECT_TRUE(all(s.settle().crop(s.fill_sample()), WHITE)) << "emptying a slot changed the background sample";

  before = s.settle();
  s.click(40, s.picture_top() + 150, 3);
  ASSERT_NO_FATAL_FAILURE(wait_region(before, sw, "the emptied slot was not refilled"));
  EXPECT_TRUE(all(s.settle().crop(sw), YELLOW));
}

}  // namespace
}  // namespace e2e
