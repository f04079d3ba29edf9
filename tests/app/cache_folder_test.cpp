#include "app/cache_folder.h"

#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/cache_name.h"
#include "app/editing_state.h"
#include "temp_workdir.h"

namespace {

namespace fs = std::filesystem;

// The name's form, spelled out independently of the program's own check.
bool has_cache_name_form(const std::string& name) {
  const size_t stem = name.size() - 6;
  if (name.size() < 10 || name.size() > 15 || name.compare(stem, 6, ".cache") != 0) return false;
  for (size_t i = 0; i < stem; ++i) {
    if (std::strchr("abcdefghijklmnopqrstuvwxyz0123456789", name[i]) == nullptr || name[i] == '\0') return false;
  }
  return true;
}

TEST(CacheName, FourToNineLettersOrDigitsThenCache) {
  for (int run = 0; run < 20; ++run) {
    make_cache_name();
    const std::string name = cache_dir;
    EXPECT_GE(name.size(), 10u);
    EXPECT_LE(name.size(), 15u);
    EXPECT_TRUE(has_cache_name_form(name)) << name;
    EXPECT_TRUE(is_cache_folder_name(name)) << name;
  }
}

TEST(CacheName, RunsInTheSameSecondDrawTheSameName) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::time_t before = std::time(nullptr);
    make_cache_name();
    const std::string first = cache_dir;
    make_cache_name();
    const std::string second = cache_dir;
    if (std::time(nullptr) != before) continue;  // the second ticked over meanwhile
    EXPECT_EQ(first, second);
    return;
  }
  FAIL() << "the clock kept ticking over";
}

TEST(CacheName, FormCheck) {
  const struct {
    const char* name;
    bool ok;
  } cases[] = {
      {"abcd.cache", true},     {"a1b2c3d4e.cache", true}, {"abc.cache", false},  {"abcdefghij.cache", false},
      {"ABCD.cache", false},    {"ab-d.cache", false},     {"abcd.cachex", false}, {"abcd.cache\n", false},
      {"x/abcd.cache", false},  {"../abc.cache", false},   {".cache", false},      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_cache_folder_name(c.name), c.ok) << c.name;
}

class CacheFolder : public ::testing::Test {
 protected:
  void SetUp() override { clear_editing_state(); }

  // A folder holding one file, as a previous run leaves its snapshots.
  static void make_full_folder(const fs::path& folder) {
    fs::create_directories(folder);
    write_text_file(folder / "A.~tmp", "snapshot");
  }

  TempWorkdir dir_;
};

TEST_F(CacheFolder, MakesItsFolderAndNamesItInTheMarkerWithoutLineEnd) {
  prepare_cache_folder();
  const std::string name = cache_dir;
  ASSERT_TRUE(is_cache_folder_name(name)) << name;
  EXPECT_TRUE(fs::is_directory(dir_.work() / name));
  EXPECT_TRUE(fs::is_empty(dir_.work() / name));
  EXPECT_EQ(read_text_file(dir_.work() / "DontDeleteMe"), name);
  EXPECT_EQ(shared_file, nullptr);
}

TEST_F(CacheFolder, RemovesThePreviousRunsFolderWithItsFiles) {
  for (const std::string marker : {"prev1.cache", "prev1.cache\n", "prev1.cache\r\n"}) {
    make_full_folder(dir_.work() / "prev1.cache");
    write_text_file(dir_.work() / "DontDeleteMe", marker);
    prepare_cache_folder();
    EXPECT_FALSE(fs::exists(dir_.work() / "prev1.cache")) << marker;
    EXPECT_EQ(read_text_file(dir_.work() / "DontDeleteMe"), std::string(cache_dir));
  }
}

TEST_F(CacheFolder, HostileMarkerRemovesNothing) {
  // Everything here must survive, whatever the marker names.
  const fs::path victim = dir_.root() / "victim";
  make_full_folder(victim);
  write_text_file(dir_.root() / "beside.txt", "keep");
  make_full_folder(dir_.work() / "x");
  make_full_folder(dir_.work() / "x" / "abcd.cache");
  make_full_folder(dir_.work() / "a; rm -rf x");
  // Wine makes no symbolic links; there the marker can name no link.
  std::error_code no_links;
  fs::create_directory_symlink(victim, dir_.work() / "link.cache", no_links);
  write_text_file(dir_.work() / "file.cache", "not a folder");
  const std::string markers[] = {
      "..",
      victim.string(),
      (dir_.work() / "x").string(),
      "link.cache",
      "link.cache/",
      "a; rm -rf x",
      "x/abcd.cache",
      "x\\abcd.cache",
      "./x",
      ".\\x",
      "..\\victim",
      "file.cache",
      "zzzzzzzzzzzzzzzzzzzabcd.cache",  // a longer line is not read in pieces
      "\nx",
      "",
  };
  // The nested folder's name would pass if only the part after the separator counted.
  make_full_folder(dir_.work() / "abcd.cache.keep");
  for (const std::string& marker : markers) {
    write_text_file(dir_.work() / "DontDeleteMe", marker);
    prepare_cache_folder();
    EXPECT_TRUE(fs::exists(victim / "A.~tmp")) << marker;
    EXPECT_TRUE(fs::exists(dir_.root() / "beside.txt")) << marker;
    EXPECT_TRUE(fs::exists(dir_.work() / "x" / "A.~tmp")) << marker;
    EXPECT_TRUE(fs::exists(dir_.work() / "x" / "abcd.cache" / "A.~tmp")) << marker;
    EXPECT_TRUE(fs::exists(dir_.work() / "a; rm -rf x" / "A.~tmp")) << marker;
    if (!no_links) {
      EXPECT_TRUE(fs::is_symlink(dir_.work() / "link.cache")) << marker;
    }
    EXPECT_TRUE(fs::is_regular_file(dir_.work() / "file.cache")) << marker;
    EXPECT_TRUE(fs::exists(dir_.work() / "abcd.cache.keep" / "A.~tmp")) << marker;
  }
}

TEST_F(CacheFolder, StaleFolderOfTheNewNameIsEmptied) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::time_t before = std::time(nullptr);
    make_cache_name();
    const std::string predicted = cache_dir;
    make_full_folder(dir_.work() / predicted);
    prepare_cache_folder();
    if (std::time(nullptr) != before) {
      fs::remove_all(dir_.work() / predicted);
      continue;
    }
    ASSERT_EQ(std::string(cache_dir), predicted);
    EXPECT_TRUE(fs::is_directory(dir_.work() / predicted));
    EXPECT_TRUE(fs::is_empty(dir_.work() / predicted));
    return;
  }
  FAIL() << "the clock kept ticking over";
}

TEST_F(CacheFolder, UnwritableMarkerIsNotFatal) {
  fs::create_directory(dir_.work() / "DontDeleteMe");
  prepare_cache_folder();
  EXPECT_TRUE(fs::is_directory(dir_.work() / cache_dir));
  EXPECT_EQ(shared_file, nullptr);
}

}  // namespace
