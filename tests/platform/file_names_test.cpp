// File calls with names in any language: what reaches the file system is the name
// asked for, and a move without replace never overwrites such a name either.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

class FileNames : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tessary-names-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The program's narrow names are UTF-8; std::filesystem is told so explicitly.
  std::string path(const std::string& utf8_name) const {
    const std::u8string name(utf8_name.begin(), utf8_name.end());
    const std::u8string full = (dir_ / fs::path(name)).u8string();
    return std::string(full.begin(), full.end());
  }
  fs::path native(const std::string& utf8_name) const {
    return dir_ / fs::path(std::u8string(utf8_name.begin(), utf8_name.end()));
  }
  void write(const std::string& name, const char* content) const {
    std::FILE* file = platform::open_file(path(name).c_str(), "wb");
    ASSERT_NE(file, nullptr) << name;
    std::fputs(content, file);
    std::fclose(file);
  }
  std::string read(const std::string& name) const {
    std::FILE* file = platform::open_file(path(name).c_str(), "rb");
    if (file == nullptr) return "<missing>";
    char buffer[32] = {};
    std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    return buffer;
  }

  fs::path dir_;
};

const std::string cat = "\xE7\x8C\xAB";                                  // 猫
const std::string folder = "\xE5\x9B\xBE\xE7\x89\x87";                   // 图片
const std::string greek = "\xCE\xB5\xCE\xB9\xCE\xBA\xCF\x8C\xCE\xBD\xCE\xB1";  // εικόνα, no GBK form of ό

TEST_F(FileNames, TheSystemSeesTheNameAsked) {
  for (const std::string& name : {cat + " my cat_0.bmp", greek + ".bmp", std::string("\xF0\x9F\x90\x88.bmp")}) {
    SCOPED_TRACE(name);
    write(name, "pixels");
    EXPECT_TRUE(fs::exists(native(name)));
    EXPECT_TRUE(platform::file_exists(path(name).c_str()));
    EXPECT_EQ(read(name), "pixels");
  }
}

TEST_F(FileNames, MovesKeepATakenNameUnlessAskedToReplace) {
  fs::create_directory(native(folder));
  const std::string target = folder + "/" + cat + "_0.bmp";
  write(target, "old");
  write(cat + ".~tmp", "new");
  EXPECT_FALSE(platform::move_file(path(cat + ".~tmp").c_str(), path(target).c_str(), false));
  EXPECT_EQ(read(target), "old");
  EXPECT_EQ(read(cat + ".~tmp"), "new");
  EXPECT_TRUE(platform::move_file(path(cat + ".~tmp").c_str(), path(target).c_str(), true));
  EXPECT_EQ(read(target), "new");
  EXPECT_FALSE(platform::file_exists(path(cat + ".~tmp").c_str()));
}

TEST_F(FileNames, CreateNewFileTakesOnlyAFreeName) {
  std::FILE* file = platform::create_new_file(path(greek).c_str());
  ASSERT_NE(file, nullptr);
  std::fputs("first", file);
  std::fclose(file);
  EXPECT_EQ(platform::create_new_file(path(greek).c_str()), nullptr);
  EXPECT_EQ(read(greek), "first");
  EXPECT_TRUE(platform::remove_file(path(greek).c_str()));
  EXPECT_FALSE(fs::exists(native(greek)));
}

}  // namespace
