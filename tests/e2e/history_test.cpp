// Back and forward through the snapshots taken before each delete, and the frames
// of the two rows that show whether a step is available.
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "e2e_model.h"
#include "e2e_support.h"

namespace e2e {
namespace {

constexpr uint32_t BG = 0x285AA0;

// 200 x 100 with 21 squares of 10 x 10 (two by two blocks), each its own colour.
Picture squares() {
  Picture p(200, 100, BG);
  for (int i = 0; i < 21; ++i) {
    int x = 10 + 25 * (i % 7), y = 10 + 30 * (i / 7);
    p.fill(x, y, x + 9, y + 9, rgb(200 - 5 * i, 20 + 9 * i, 60 + (i % 3) * 40));
  }
  return p;
}
std::pair<int, int> square_centre(int i) { return {10 + 25 * (i % 7) + 4, 10 + 30 * (i / 7) + 4}; }

struct History : ::testing::Test {
  Session s;
  Model m{squares()};

  void SetUp() override { ASSERT_NO_FATAL_FAILURE(s.start(m.picture)); }

  Picture area() { return picture_area(s, s.settle()); }

  void delete_square(int i) {
    auto [x, y] = square_centre(i);
    Picture before = s.settle();
    s.click(x, s.picture_top() + y);
    ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "square " << i << " not selected";
    before = s.settle();
    s.click_row(7);
    ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "square " << i << " not deleted";
    m.stroke = {{x, y}};
    m.apply();
    m.remove();
  }
  // Clicks back (9) or forward (10); `changes` says whether the picture must change.
  void step(int row, bool changes) {
    Picture before = s.settle();
    s.click_row(row);
    if (changes) {
      ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "row " << row << " changed nothing";
    } else {
      s.quiet(0.6);
    }
  }
  // Colours of the back and forward frames with the pointer away from them.
  std::pair<uint32_t, uint32_t> frames() {
    s.park();
    Picture now = s.settle();
    Rect back = s.row_rect(9), forward = s.row_rect(10);
    return {now.at(back.x, back.y + 15), now.at(forward.x, forward.y + 15)};
  }
};

TEST_F(History, BackAndForwardAcrossTwoDeletes) {
  const Picture p0 = m.picture;
  EXPECT_EQ(frames(), std::pair(BLACK, BLACK)) << "nothing to step to at start";

  ASSERT_NO_FATAL_FAILURE(delete_square(0));
  const Picture p1 = m.picture;
  ASSERT_NO_FATAL_FAILURE(delete_square(1));
  const Picture p2 = m.picture;
  EXPECT_TRUE(shows_picture(area(), p2));
  EXPECT_EQ(frames(), std::pair(GREY, BLACK)) << "after two deletes";

  ASSERT_NO_FATAL_FAILURE(step(9, true));
  EXPECT_TRUE(shows_picture(area(), p1)) << "one step back";
  // The state after the last delete was never saved, so forward stays unavailable.
  EXPECT_EQ(frames(), std::pair(GREY, BLACK)) << "one step back";

  ASSERT_NO_FATAL_FAILURE(step(9, true));
  EXPECT_TRUE(shows_picture(area(), p0)) << "two steps back";
  EXPECT_EQ(frames(), std::pair(BLACK, GREY)) << "two steps back";

  ASSERT_NO_FATAL_FAILURE(step(9, false));
  EXPECT_TRUE(shows_picture(area(), p0)) << "a third step back does nothing";

  ASSERT_NO_FATAL_FAILURE(step(10, true));
  EXPECT_TRUE(shows_picture(area(), p1)) << "forward again";
  EXPECT_EQ(frames(), std::pair(GREY, BLACK)) << "forward again";

  ASSERT_NO_FATAL_FAILURE(step(10, false));
  EXPECT_TRUE(shows_picture(area(), p1)) << "a second forward does nothing";

  // A delete after stepping back cuts off what lay ahead.
  ASSERT_NO_FATAL_FAILURE(step(9, true));
  ASSERT_NO_FATAL_FAILURE(delete_square(5));
  EXPECT_EQ(frames(), std::pair(GREY, BLACK));
}

TEST_F(History, TwentyDeletesKeepNineteenStepsBack) {
  std::vector<Picture> states{m.picture};
  for (int i = 0; i < 20; ++i) {
    ASSERT_NO_FATAL_FAILURE(delete_square(i));
    states.push_back(m.picture);
  }
  EXPECT_TRUE(shows_picture(area(), states[20]));
  for (int k = 1; k <= 19; ++k) {
    ASSERT_NO_FATAL_FAILURE(step(9, true)) << "step back " << k;
    ASSERT_TRUE(shows_picture(area(), states[20 - k])) << "after " << k << " steps back";
  }
  EXPECT_EQ(frames().first, BLACK) << "the twentieth step back is unavailable";
  ASSERT_NO_FATAL_FAILURE(step(9, false));
  EXPECT_TRUE(shows_picture(area(), states[1])) << "the state before the first delete is gone";
}

}  // namespace
}  // namespace e2e
