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

// 240 x 180: a yellow ring on the left edge (12 x 12 blocks of 6 round a 4 x 4 hole)
// and, below it, a strip of 32 columns of 5, each 6 redder than the one on its left.
Picture scene() {
  Picture p(240, 180, 0x285AA0);
  p.fill(0, 6, 71, 77, 0xDCC828);
  p.fill(24, 30, 47, 53, 0x285AA0);
  for (int i = 0; i < 32; ++i) p.fill(40 + 5 * i, 80, 44 + 5 * i, 139, rgb(60 + 6 * i, 40, 40));
  return p;
}

struct LiveSelection : ::testing::Test {
  Session s;
  Model m{scene()};

  void SetUp() override { ASSERT_NO_FATAL_FAILURE(s.start(m.picture)); }
  Picture box(int row) { return s.settle().crop(s.value_box(row)); }

  // Does `act`, waits for `watch` (the picture by default) to change, and checks the
  // picture area against the model: with its outline, or with none.
  template <typename Act>
  void step(const std::string& what, Act act, std::optional<Rect> watch = std::nullopt, bool outlined = true) {
    Picture before = s.settle();
    act();
    ASSERT_TRUE(s.wait_change(before, watch.value_or(s.picture_rect())).has_value()) << what << " changed nothing";
    Picture now = picture_area(s, s.settle());
    auto result = outlined ? shows_outline(now, m, OUTLINE_BLUE) : shows_picture(now, m.picture);
    EXPECT_TRUE(result) << what;
    if (!result) s.keep("outline-" + what + ".png", now);
  }
  void click(int x, int y) {
    m.stroke = {{x, y}};
    m.apply();
    step("a click", [&] { s.click(x, s.picture_top() + y); });
  }
  auto wheel(int row, int notches) {
    return [=, this] { s.wheel(s.row_rect(row).x + s.row_rect(row).width - 30, s.row_rect(row).y + 15, notches); };
  }
  auto key(const std::string& name) {
    return [=, this] {
      s.park();
      s.x().xdotool("windowfocus --sync " + std::to_string(s.window()) + " key " + name);
    };
  }
};

TEST_F(LiveSelection, SettingsAndRingKeysChangeTheShownSelection) {
  // No outline: the wheel changes the value, the picture stays as it is.
  const Picture t10 = box(0);
  ASSERT_NO_FATAL_FAILURE(step("10 notches, no outline", wheel(0, 10), s.value_box(0), false));
  const Picture t20 = box(0);
  ASSERT_NO_FATAL_FAILURE(step("10 notches back", wheel(0, -10), s.value_box(0), false));
  ASSERT_EQ(box(0), t10);

  // Tolerance 10 from the first block: one column either side; 20 reaches three.
  ASSERT_NO_FATAL_FAILURE(click(122, 110));
  ASSERT_EQ(m.selected_count(), 3 * 12);
  m.settings.tolerance = 20;
  m.apply();
  ASSERT_EQ(m.selected_count(), 7 * 12);
  ASSERT_NO_FATAL_FAILURE(step("tolerance 20", wheel(0, 10)));
  EXPECT_EQ(box(0), t20) << "the value box does not show the last notch's value";
  // The neighbour as reference: 6 per step passes all along the strip.
  m.settings.first_reference = false;
  m.apply();
  ASSERT_EQ(m.selected_count(), 32 * 12);
  ASSERT_NO_FATAL_FAILURE(step("neighbour as reference", [&] { s.click_row(3); }));
  // Block size 6: the same stroke on a grid whose edge blocks mix in the ground.
  m.settings.block_size = 6;
  m.apply();
  ASSERT_NO_FATAL_FAILURE(step("block size 6", wheel(1, 1)));
  m.remove();
  ASSERT_NO_FATAL_FAILURE(step("delete", [&] { s.click_row(7); }, std::nullopt, false));

  // The ring, from a block on the picture's edge: two rings grow round the deleted
  // strip and fill the hole, one goes again (the stroke's block stays).
  ASSERT_NO_FATAL_FAILURE(click(2, 40));
  m.change_ring(1);
  ASSERT_NO_FATAL_FAILURE(step("plus", key("plus")));
  m.change_ring(1);
  ASSERT_NO_FATAL_FAILURE(step("equal", key("equal")));
  m.change_ring(-1);
  ASSERT_NO_FATAL_FAILURE(step("minus", key("minus")));
  // A notch starts again from the stroke, and a ring adds to that.
  m.settings.tolerance = 21;
  m.apply();
  ASSERT_NO_FATAL_FAILURE(step("tolerance 21, from the stroke", wheel(0, 1)));
  m.change_ring(1);
  ASSERT_NO_FATAL_FAILURE(step("keypad plus", key("KP_Add")));
  // With inner points the outline and the delete take the hole too.
  m.settings.include_inner = true;
  ASSERT_NO_FATAL_FAILURE(step("inner points", [&] { s.click_row(6); }));
  m.remove();
  ASSERT_NO_FATAL_FAILURE(step("delete of the grown ring", [&] { s.click_row(7); }, std::nullopt, false));
}

}  // namespace
}  // namespace e2e
