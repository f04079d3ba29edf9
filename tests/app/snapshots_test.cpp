#include "app/snapshots.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/editing_state.h"
#include "graphics/graph_context.h"
#include "temp_workdir.h"

namespace {

namespace fs = std::filesystem;

// An odd-sized picture, placed off the window's corner so a misplaced copy shows.
constexpr int32_t W = 5;
constexpr int32_t H = 3;
constexpr int32_t TOP = 2;
constexpr size_t FILE_BYTES = 5 * W * H + 534;
constexpr size_t TAIL = 5 * W * H;  // where the settings record starts in the file

// What one "version" of the editable state looks like; every field depends on it.
struct Version {
  int k;
};

class Snapshots : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_editing_state();
    picture = IMAGE(W, H);
    picture_pixels = picture.pixels;
    picture_width = W;
    picture_height = H;
    picture_left = 0;
    picture_top = TOP;
    picture_right = W - 1;
    picture_bottom = TOP + H - 1;
    block_sizes[0] = LARGEST_BLOCK_SIZE;
    for (int32_t k = 1; k <= LARGEST_BLOCK_SIZE; ++k) block_sizes[k] = k;
    std::strcpy(cache_dir, "test.cache");
    fs::create_directory(dir_.work() / cache_dir);
    gfx_set_target(&canvas_);
    make_version(0);
  }

  void TearDown() override {
    gfx_set_target(nullptr);
    picture = IMAGE();
  }

  static uint32_t pixel_of(int k, int i) { return 0x00102030u * static_cast<uint32_t>(k + 1) + static_cast<uint32_t>(i); }

  static void make_version(int k) {
    for (int i = 0; i < W * H; ++i) {
      picture_pixels[i] = pixel_of(k, i);
      deleted_pixels[i] = static_cast<uint8_t>((i + k) % 3 == 0);
    }
    settings.block_index = 1 + k % 80;
    settings.tolerance = k;
    settings.distance_mode = static_cast<uint8_t>(k % 2);
    settings.reference_mode = static_cast<uint8_t>((k / 2) % 2);
    settings.fill_color_index = k % 30;
    settings.outline_color_index = (k + 7) % 30;
    settings.outline_shown = 1;
    settings.include_inner = static_cast<uint8_t>((k / 4) % 2);
    settings.range_mode = static_cast<uint8_t>((k / 8) % 2);
    swatch_colors[29] = 0x00ABCDEFu + static_cast<uint32_t>(k);
    swatch_used[29] = static_cast<uint8_t>(k % 2);
    cutout = cutout_of(k);
  }

  // The record beside the ring that the cut-out needs, one of its own per version.
  static CutoutRecord cutout_of(int k) {
    return {{static_cast<uint8_t>(k % 3), static_cast<uint8_t>((k + 1) % 3), static_cast<uint8_t>((k + 2) % 3),
             static_cast<uint8_t>((k / 3) % 2)},
            k + 1};
  }

  // True when the editable state is version k, as the snapshot restored it.
  static ::testing::AssertionResult is_version(int k) {
    for (int i = 0; i < W * H; ++i) {
      if (picture_pixels[i] != pixel_of(k, i)) return ::testing::AssertionFailure() << "pixel " << i;
      if (deleted_pixels[i] != ((i + k) % 3 == 0)) return ::testing::AssertionFailure() << "deleted " << i;
    }
    if (settings.tolerance != k || settings.block_index != 1 + k % 80 || settings.fill_color_index != k % 30 ||
        settings.outline_color_index != (k + 7) % 30 || settings.include_inner != (k / 4) % 2 ||
        settings.range_mode != (k / 8) % 2 || settings.distance_mode != k % 2) {
      return ::testing::AssertionFailure() << "settings of version " << settings.tolerance;
    }
    if (swatch_colors[29] != 0x00ABCDEFu + static_cast<uint32_t>(k) || swatch_used[29] != k % 2) {
      return ::testing::AssertionFailure() << "swatches";
    }
    const CutoutRecord want = cutout_of(k);
    if (std::memcmp(&cutout.colours, &want.colours, sizeof want.colours) != 0 ||
        cutout.deleted_block_size != want.deleted_block_size) {
      return ::testing::AssertionFailure() << "the cut-out record of version " << cutout.deleted_block_size - 1;
    }
    return ::testing::AssertionSuccess();
  }

  // A delete as the panel does it: a snapshot first, then the change.
  static void delete_to(int k) {
    save_snapshot();
    make_version(k);
  }

  fs::path file(char letter) const { return dir_.work() / cache_dir / (std::string(1, letter) + ".~tmp"); }

  void patch(char letter, size_t offset, const void* bytes, size_t count) {
    std::fstream f(file(letter), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(count));
  }

  TempWorkdir dir_;
  IMAGE canvas_{W + PANEL_WIDTH, WINDOW_HEIGHT};
};

TEST_F(Snapshots, NothingToStepToRightAfterSetup) {
  undo_snapshot();
  redo_snapshot();
  EXPECT_EQ(history_pos, 0);
  EXPECT_EQ(history_newest, 0);
  EXPECT_EQ(history_oldest, 0);
  EXPECT_TRUE(is_version(0));
}

TEST_F(Snapshots, FileHoldsPixelsDeletedMapSettingsSizesAndSwatches) {
  save_snapshot();
  EXPECT_EQ(shared_file, nullptr);
  const std::string bytes = read_text_file(file('A'));
  ASSERT_EQ(bytes.size(), FILE_BYTES);
  uint32_t word = 0;
  std::memcpy(&word, bytes.data() + 4 * 7, 4);
  EXPECT_EQ(word, pixel_of(0, 7));
  EXPECT_EQ(static_cast<uint8_t>(bytes[4 * W * H + 3]), 1);
  EXPECT_EQ(std::memcmp(bytes.data() + TAIL, &settings, 24), 0);
  EXPECT_EQ(std::memcmp(bytes.data() + TAIL + 24, block_sizes, 360), 0);
  EXPECT_EQ(std::memcmp(bytes.data() + TAIL + 384, swatch_used, 30), 0);
  EXPECT_EQ(std::memcmp(bytes.data() + TAIL + 414, swatch_colors, 120), 0);
  EXPECT_EQ(history_pos, 1);
  EXPECT_EQ(history_newest, 1);
}

TEST_F(Snapshots, OneDeleteThenBackRestoresAndRedraws) {
  delete_to(1);
  undo_snapshot();
  EXPECT_TRUE(is_version(0));
  EXPECT_EQ(settings.outline_shown, 0);
  EXPECT_EQ(history_pos, 0);
  // The picture is back on the window at its place.
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      EXPECT_EQ(canvas_.pixels[(TOP + y) * canvas_.width + x], pixel_of(0, y * W + x)) << x << "," << y;
    }
  }
  redo_snapshot();
  EXPECT_TRUE(is_version(0));
  EXPECT_EQ(history_pos, 0);
}

TEST_F(Snapshots, TwoDeletesBackTwiceForwardOnce) {
  delete_to(1);
  delete_to(2);
  undo_snapshot();
  EXPECT_TRUE(is_version(1));
  undo_snapshot();
  EXPECT_TRUE(is_version(0));
  undo_snapshot();  // at the oldest
  EXPECT_TRUE(is_version(0));
  redo_snapshot();
  EXPECT_TRUE(is_version(1));
  EXPECT_EQ(history_pos, 1);
  redo_snapshot();  // the state after the last delete was never saved
  EXPECT_TRUE(is_version(1));
  EXPECT_EQ(history_pos, 1);
}

TEST_F(Snapshots, TwentySavesKeepNineteenStepsBack) {
  for (int k = 1; k <= 20; ++k) delete_to(k);
  EXPECT_EQ(history_pos, 0);
  EXPECT_EQ(history_oldest, 1);
  for (int k = 19; k >= 1; --k) {
    undo_snapshot();
    ASSERT_TRUE(is_version(k)) << "step back to " << k;
  }
  undo_snapshot();
  EXPECT_TRUE(is_version(1));
  EXPECT_EQ(history_pos, history_oldest);
}

TEST_F(Snapshots, SaveAfterStepsBackCutsOffWhatLayAhead) {
  delete_to(1);
  delete_to(2);
  delete_to(3);
  undo_snapshot();
  undo_snapshot();
  ASSERT_TRUE(is_version(1));
  make_version(9);
  delete_to(10);  // saves version 9 at B, whose old content was version 1
  EXPECT_EQ(history_pos, 2);
  EXPECT_EQ(history_newest, 2);
  redo_snapshot();  // C.~tmp still holds version 2 but lies beyond the end
  EXPECT_TRUE(is_version(10));
  undo_snapshot();
  EXPECT_TRUE(is_version(9));
  undo_snapshot();
  EXPECT_TRUE(is_version(0));
}

TEST_F(Snapshots, FailedSaveLeavesForwardUnavailable) {
  delete_to(1);
  std::strcpy(cache_dir, "gone.cache");
  delete_to(2);
  EXPECT_EQ(history_pos, 1);
  EXPECT_EQ(history_newest, 2);
  EXPECT_EQ((history_pos + 1) % HISTORY_SLOTS, history_newest);
  redo_snapshot();
  EXPECT_EQ(history_pos, 1);
  EXPECT_TRUE(is_version(2));
  std::strcpy(cache_dir, "test.cache");
  undo_snapshot();
  EXPECT_TRUE(is_version(0));
}

TEST_F(Snapshots, MissingFileMovesTheStepBack) {
  delete_to(1);
  fs::remove(file('A'));
  undo_snapshot();
  EXPECT_EQ(history_pos, 1);
  EXPECT_TRUE(is_version(1));
}

TEST_F(Snapshots, BadSnapshotAppliesNothing) {
  struct Corruption {
    const char* what;
    size_t offset;  // where to write `value`; SIZE_MAX cuts the file to `value` bytes
    int32_t value;
    size_t width;   // 1 or 4 bytes
  };
  const size_t cut = static_cast<size_t>(-1);
  const Corruption corruptions[] = {
      {"truncated", cut, static_cast<int32_t>(FILE_BYTES - 1), 0},
      {"only the pixels", cut, static_cast<int32_t>(4 * W * H), 0},
      {"empty", cut, 0, 0},
      {"block index 0", TAIL + 0, 0, 4},
      {"block index beyond the count", TAIL + 0, 81, 4},
      {"tolerance 256", TAIL + 4, 256, 4},
      {"tolerance -1", TAIL + 4, -1, 4},
      {"distance mode 2", TAIL + 8, 2, 1},
      {"reference mode 3", TAIL + 9, 3, 1},
      {"fill slot 30", TAIL + 12, 30, 4},
      {"outline slot -1", TAIL + 16, -1, 4},
      {"outline shown 2", TAIL + 20, 2, 1},
      {"include inner 2", TAIL + 21, 2, 1},
      {"range mode 255", TAIL + 22, 255, 1},
      {"size count 0", TAIL + 24, 0, 4},
      {"size count 90", TAIL + 24, 90, 4},
      {"size 81 within the count", TAIL + 24 + 4 * 3, 81, 4},
      {"size 0 within the count", TAIL + 24 + 4 * 80, 0, 4},
      {"swatch flag 2", TAIL + 384 + 5, 2, 1},
  };
  delete_to(1);
  const std::string good = read_text_file(file('A'));
  for (const Corruption& c : corruptions) {
    write_text_file(file('A'), good);
    if (c.offset == cut) {
      fs::resize_file(file('A'), static_cast<uintmax_t>(c.value));
    } else {
      patch('A', c.offset, &c.value, c.width);
    }
    undo_snapshot();
    EXPECT_EQ(history_pos, 1) << c.what;
    EXPECT_TRUE(is_version(1)) << c.what;
  }
  // A longer file was made for a larger picture.
  write_text_file(file('A'), good + std::string(5, '\0'));
  undo_snapshot();
  EXPECT_EQ(history_pos, 1);
  EXPECT_TRUE(is_version(1));
  // Stale entries beyond the count are not looked at.
  write_text_file(file('A'), good);
  const int32_t count = 10;
  const int32_t stale = 1000;
  patch('A', TAIL + 24, &count, 4);
  patch('A', TAIL + 24 + 4 * 11, &stale, 4);
  undo_snapshot();
  EXPECT_EQ(history_pos, 0);
  EXPECT_EQ(block_sizes[0], 10);
  EXPECT_EQ(block_sizes[11], 1000);
}

TEST_F(Snapshots, SnapshotOfAnotherPictureSizeIsRefused) {
  delete_to(1);
  // The same pixel count laid out differently still fits; a different count doesn't.
  picture = IMAGE(W + 1, H);
  picture_pixels = picture.pixels;
  picture_width = W + 1;
  make_version(1);
  undo_snapshot();
  EXPECT_EQ(history_pos, 1);
  EXPECT_EQ(settings.tolerance, 1);
}

}  // namespace
