#include "panel/numbered_save.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/panel/dispatch_workspace.h"

namespace {

namespace fs = std::filesystem;

const std::vector<uint8_t> BMP_BYTES = {'B', 'M', 1, 2, 3};
const std::vector<uint8_t> PNG_BYTES = {0x89, 'P', 'N', 'G', 4};

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void put_file(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class NumberedFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test_workspace::enter_scratch_folder("tessary_numbered_save_test"); }
  void SetUp() override {
    for (const auto& entry : fs::directory_iterator(".")) fs::remove_all(entry.path());
  }
};

TEST_F(NumberedFiles, TakenNumbersAreSkipped) {
  struct Case {
    std::vector<const char*> taken;
    int32_t first;
    int32_t expected;
  };
  const Case cases[] = {
      {{}, 0, 0},
      {{"cat_0.bmp"}, 0, 1},
      {{"cat_0.png"}, 0, 1},  // half a pair still takes its number
      {{"cat_0.bmp", "cat_1.bmp", "cat_3.bmp"}, 0, 2},
      {{"cat_0.bmp", "cat_1.bmp", "cat_3.bmp"}, 3, 4},
      {{"cat_2.bmp/"}, 2, 3},  // a folder of that name
      {{"cat_0.jpg", "cat0.bmp", "dog_0.bmp", "cat_00.bmp"}, 0, 0},
  };
  for (const Case& c : cases) {
    SetUp();
    for (const char* name : c.taken) {
      const std::string text = name;
      if (text.back() == '/')
        fs::create_directory(text.substr(0, text.size() - 1));
      else
        put_file(text, "theirs");
    }
    EXPECT_EQ(first_free_number("cat", c.first), c.expected) << "case with " << c.taken.size() << " names, from "
                                                           << c.first;
  }
}

TEST_F(NumberedFiles, NeverReplacesAFileAndSavesWholePairs) {
  put_file("cat_0.bmp", "theirs 0");
  put_file("cat_1.png", "theirs 1");
  NumberedSave first = save_numbered_pair("cat", 0, BMP_BYTES, PNG_BYTES);
  EXPECT_TRUE(first.saved);
  EXPECT_EQ(first.number, 2);
  NumberedSave second = save_numbered_pair("cat", first.number + 1, BMP_BYTES, PNG_BYTES);
  EXPECT_EQ(second.number, 3);
  EXPECT_EQ(contents("cat_0.bmp"), "theirs 0");
  EXPECT_EQ(contents("cat_1.png"), "theirs 1");
  EXPECT_FALSE(fs::exists("cat_0.png"));
  EXPECT_FALSE(fs::exists("cat_1.bmp"));
  for (const char* name : {"cat_2", "cat_3"}) {
    EXPECT_EQ(contents(std::string(name) + ".bmp"), std::string(BMP_BYTES.begin(), BMP_BYTES.end())) << name;
    EXPECT_EQ(contents(std::string(name) + ".png"), std::string(PNG_BYTES.begin(), PNG_BYTES.end())) << name;
  }
  // Nothing is left under a temporary name.
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 6);
}

// Stands in for another program that takes a name between our check and our move.
WholeFileResult png_taken_meanwhile(const char* path, const std::vector<uint8_t>& bytes) {
  const std::string name = path;
  if (name == "cat_0.png") {
    put_file(name, "theirs");
    return WholeFileResult::name_taken;
  }
  return write_whole_file(path, bytes, false);
}

WholeFileResult png_fails(const char* path, const std::vector<uint8_t>& bytes) {
  if (std::string(path).ends_with(".png")) return WholeFileResult::failed;
  return write_whole_file(path, bytes, false);
}

TEST_F(NumberedFiles, APngNameTakenMeanwhileMovesThePairOn) {
  NumberedSave result = save_numbered_pair("cat", 0, BMP_BYTES, PNG_BYTES, png_taken_meanwhile);
  EXPECT_TRUE(result.saved);
  EXPECT_EQ(result.number, 1);
  EXPECT_FALSE(fs::exists("cat_0.bmp")) << "half a pair was left";
  EXPECT_EQ(contents("cat_0.png"), "theirs");
  EXPECT_TRUE(fs::exists("cat_1.bmp") && fs::exists("cat_1.png"));
}

TEST_F(NumberedFiles, AFailedPngTakesItsBmpAlong) {
  NumberedSave result = save_numbered_pair("cat", 0, BMP_BYTES, PNG_BYTES, png_fails);
  EXPECT_FALSE(result.saved);
  EXPECT_EQ(result.number, 0);
  EXPECT_EQ(fs::directory_iterator("."), fs::directory_iterator()) << "a failed save left a file";
}

}  // namespace
