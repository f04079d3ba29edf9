#pragma once
// Runs a test inside a fresh temporary working directory and puts the old one back.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <gtest/gtest.h>

class TempWorkdir {
 public:
  TempWorkdir() {
    namespace fs = std::filesystem;
    previous_ = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "tessary-app-XXXXXX").string();
    if (mkdtemp_portable(pattern)) root_ = pattern;
    fs::create_directory(root_ / "work");
    fs::current_path(root_ / "work");
  }
  ~TempWorkdir() {
    std::error_code error;
    std::filesystem::current_path(previous_, error);
    std::filesystem::remove_all(root_, error);
  }
  TempWorkdir(const TempWorkdir&) = delete;
  TempWorkdir& operator=(const TempWorkdir&) = delete;

  // The working directory; its parent holds nothing else of the test's.
  std::filesystem::path work() const { return root_ / "work"; }
  std::filesystem::path root() const { return root_; }

 private:
  static bool mkdtemp_portable(std::string& pattern) {
    const std::string stem = pattern.substr(0, pattern.size() - 6);
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string candidate = stem + std::to_string(random() % 100000000u);
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) {
        pattern = candidate;
        return true;
      }
    }
    return false;
  }

  std::filesystem::path previous_;
  std::filesystem::path root_;
};

inline void write_text_file(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

inline std::string read_text_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
