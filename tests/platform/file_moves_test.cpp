// Files through the platform seam: fresh names only, moves that never replace a
// file unless asked to.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

class FileMoves : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tessary-files-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                        "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const char* name) const { return dir_.string() + "/" + name; }
  void write(const char* name, const std::string& content) const {
    std::FILE* file = platform::open_file(path(name).c_str(), "wb");
    ASSERT_NE(file, nullptr) << name;
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
  }
  std::string read(const char* name) const {
    std::FILE* file = platform::open_file(path(name).c_str(), "rb");
    if (file == nullptr) return "<missing>";
    std::string content;
    char buffer[64];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) content.append(buffer, n);
    std::fclose(file);
    return content;
  }

  fs::path dir_;
};

TEST_F(FileMoves, CreateNewFileRefusesATakenName) {
  std::FILE* first = platform::create_new_file(path("fresh.bmp").c_str());
  ASSERT_NE(first, nullptr);
  std::fputs("one", first);
  std::fclose(first);
  EXPECT_EQ(platform::create_new_file(path("fresh.bmp").c_str()), nullptr);
  EXPECT_EQ(read("fresh.bmp"), "one");
}

struct MoveCase {
  const char* name;
  bool target_exists;
  bool replace;
  bool moved;
  const char* target_after;
};

TEST_F(FileMoves, MoveReplacesOnlyWhenAsked) {
  const MoveCase cases[] = {
      {"free name", false, false, true, "new"},
      {"free name, replace allowed", false, true, true, "new"},
      {"taken name kept", true, false, false, "old"},
      {"taken name replaced", true, true, true, "new"},
  };
  for (const MoveCase& c : cases) {
    SCOPED_TRACE(c.name);
    platform::remove_file(path("cat_0.bmp").c_str());
    write("cat_0.bmp.~tmp", "new");
    if (c.target_exists) write("cat_0.bmp", "old");
    EXPECT_EQ(platform::move_file(path("cat_0.bmp.~tmp").c_str(), path("cat_0.bmp").c_str(), c.replace), c.moved);
    EXPECT_EQ(read("cat_0.bmp"), c.target_after);
    EXPECT_EQ(platform::file_exists(path("cat_0.bmp.~tmp").c_str()), !c.moved);
    platform::remove_file(path("cat_0.bmp.~tmp").c_str());
  }
}

TEST_F(FileMoves, NamesInAnyLanguage) {
  const char* name = "\xE5\x9B\xBE\xE7\x89\x87 my cat_0.bmp";  // 图片 my cat_0.bmp
  write(name, "pixels");
  EXPECT_TRUE(platform::file_exists(path(name).c_str()));
  EXPECT_EQ(read(name), "pixels");
  EXPECT_TRUE(platform::remove_file(path(name).c_str()));
  EXPECT_FALSE(platform::file_exists(path(name).c_str()));
}

}  // namespace
