// Strokes on a picture grow the expected selection and outline; deleting paints it
// over and the saved file holds exactly the painted picture.
#include <gtest/gtest.h>

#include "e2e_model.h"
#include "e2e_support.h"

namespace e2e {
namespace {

constexpr uint32_t BG = 0x285AA0;  // (40, 90, 160)
constexpr uint32_t RED = 0xC81E1E;
constexpr uint32_t GREEN = 0x1EAA3C;
constexpr uint32_t YELLOW = 0xDCC828;
constexpr uint32_t MAGENTA = 0xBE28B4;

// 240 x 180, every edge on the 5-pixel block grid: two rectangles, two rings with
// holes, and a strip whose blocks grow redder by 4 per block.
Picture scene() {
  Picture p(240, 180, BG);
  p.fill(20, 20, 69, 59, RED);
  p.fill(90, 20, 139, 59, GREEN);
  p.fill(20, 80, 99, 159, YELLOW);
  p.fill(35, 95, 84, 144, BG);
  p.fill(130, 80, 209, 159, MAGENTA);
  p.fill(145, 95, 194, 144, BG);
  for (int i = 0; i < 16; ++i) p.fill(150 + 5 * i, 30, 154 + 5 * i, 39, rgb(100 + 4 * i, 20, 20));
  return p;
}

struct Fixture : ::testing::Test {
  Session s;
  Model m{scene()};

  void SetUp() override { ASSERT_NO_FATAL_FAILURE(s.start(m.picture)); }

  Picture area() { return picture_area(s, s.shot()); }

  // A plain left click on the picture, waiting for the outline to change.
  void stroke_click(int x, int y) {
    Picture before = s.settle();
    s.click(x, s.picture_top() + y);
    ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "no change after a click at " << x << ", " << y;
  }
  void toggle(int row) {
    Picture before = s.settle();
    s.click_row(row);
    ASSERT_TRUE(s.wait_change(before, s.value_box(row)).has_value()) << "row " << row << " did not toggle";
  }
  void delete_selection() {
    Picture before = s.settle();
    s.click_row(7);
    ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "delete changed nothing";
  }
  void expect_outline(const char* what) {
    Picture now = area();
    auto result = shows_outline(now, m, OUTLINE_BLUE);
    EXPECT_TRUE(result) << what;
    if (!result) s.keep(std::string("outline-") + what + ".png", now);
  }
  void expect_saved(const std::string& name) {
    auto saved = read_bmp(s.work() / name);
    ASSERT_TRUE(saved.has_value()) << name << " missing or not a BMP";
    DiffReport d = diff_pictures(m.picture, *saved, s.root() / (name + "-diff.png"));
    EXPECT_TRUE(d.same()) << name << ": " << d.describe();
  }
};

TEST_F(Fixture, ClickGrowsTheSelectionWithItsOutline) {
  ASSERT_NO_FATAL_FAILURE(stroke_click(45, 40));
  m.stroke = {{45, 40}};
  m.apply();
  ASSERT_EQ(m.selected_count(), 10 * 8);
  expect_outline("red rectangle");

  // On the strip the first block is the reference: 4 and 8 redder pass tolerance
  // 10, 12 does not, so five columns of two blocks.
  ASSERT_NO_FATAL_FAILURE(stroke_click(192, 32));
  m.stroke = {{192, 32}};
  m.apply();
  ASSERT_EQ(m.selected_count(), 5 * 2);
  expect_outline("strip, first block as reference");

  // With the neighbour as reference the whole strip follows the drift; the shown
  // stroke grows again at once.
  ASSERT_NO_FATAL_FAILURE(toggle(3));
  m.settings.first_reference = false;
  m.apply();
  ASSERT_EQ(m.selected_count(), 16 * 2);
  expect_outline("strip, neighbour as reference");

  // The arithmetic rule from the strip's left end: red alone decides while the
  // candidate is redder, so the blocks up to 10 redder join (three columns).
  ASSERT_NO_FATAL_FAILURE(toggle(2));
  ASSERT_NO_FATAL_FAILURE(toggle(3));
  m.settings.euclidean = false;
  m.settings.first_reference = true;
  ASSERT_NO_FATAL_FAILURE(stroke_click(152, 32));
  m.stroke = {{152, 32}};
  m.apply();
  ASSERT_EQ(m.selected_count(), 3 * 2);
  expect_outline("strip, arithmetic rule");
}

TEST_F(Fixture, CtrlDragExtendsTheStrokeAndAPlainClickStartsOver) {
  Picture before = s.settle();
  s.move(45, s.picture_top() + 40);
  s.press(1);
  ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value());
  s.key_down("ctrl");
  before = s.settle();
  s.move(115, s.picture_top() + 40);
  ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "the Ctrl drag did not extend the selection";
  s.release(1);
  s.key_up("ctrl");
  m.stroke = {{45, 40}, {115, 40}};
  m.apply();
  // Growth compares with the first stroke block, so the green point's block joins as
  // a seed but none of its green neighbours do.
  ASSERT_EQ(m.selected_count(), 2 + 10 * 8 - 1);
  expect_outline("red rectangle and one green block");

  // Ctrl click on a third object adds a third point.
  s.key_down("ctrl");
  before = s.settle();
  s.click(25, s.picture_top() + 85);
  ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value());
  s.key_up("ctrl");
  m.stroke.push_back({25, 85});
  m.apply();
  expect_outline("three objects");

  ASSERT_NO_FATAL_FAILURE(stroke_click(115, 45));
  m.stroke = {{115, 45}};
  m.apply();
  expect_outline("green alone after a plain click");
}

TEST_F(Fixture, DeleteThenSaveGivesThePaintedPictureInBothIncludeModes) {
  // Without inner points: the ring alone is outlined (inner sides too) and painted.
  ASSERT_NO_FATAL_FAILURE(stroke_click(25, 85));
  m.stroke = {{25, 85}};
  m.apply();
  expect_outline("yellow ring");
  ASSERT_NO_FATAL_FAILURE(delete_selection());
  m.remove();
  Picture now = s.settle();
  EXPECT_TRUE(shows_picture(picture_area(s, now), m.picture)) << "after the first delete";
  s.save_and_confirm();
  expect_saved("pic_0.bmp");

  // A click on a deleted pixel is ignored while deleted parts are out of the picture.
  now = s.settle();
  s.click(25, s.picture_top() + 85);
  Picture after = s.quiet(0.8);
  EXPECT_TRUE(shows_picture(picture_area(s, after), m.picture)) << "a click on a deleted pixel changed the picture";

  // With inner points: the outline runs only along the outside, and the hole is
  // painted with the ring.
  ASSERT_NO_FATAL_FAILURE(toggle(6));
  m.settings.include_inner = true;
  ASSERT_NO_FATAL_FAILURE(stroke_click(135, 85));
  m.stroke = {{135, 85}};
  m.apply();
  expect_outline("magenta ring with inner points");
  ASSERT_NO_FATAL_FAILURE(delete_selection());
  m.remove();
  now = s.settle();
  EXPECT_TRUE(shows_picture(picture_area(s, now), m.picture)) << "after the second delete";
  s.save_and_confirm();
  expect_saved("pic_1.bmp");
  EXPECT_EQ(m.picture.at(160, 120), WHITE) << "the model painted the hole";

  // Once deleted parts belong to the picture again, the same click selects.
  ASSERT_NO_FATAL_FAILURE(toggle(8));
  m.settings.range_mode = true;
  ASSERT_NO_FATAL_FAILURE(stroke_click(25, 85));
  m.stroke = {{25, 85}};
  m.apply();
  expect_outline("deleted ring selected again");
}

}  // namespace
}  // namespace e2e
