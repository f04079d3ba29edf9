// Start-up refusals of the Windows build under Wine: each in its 200 x 30 window
// with its own message, ended by a key typed into the window with status 0.
#include <chrono>
#include <cstdio>
#include <thread>

#include <gtest/gtest.h>

#include "../graphics/heif_writers.h"
#include "e2e_support.h"

namespace e2e {
namespace {

Picture small_picture() {
  Picture p(64, 48, rgb(90, 30, 160));
  p.fill(10, 10, 40, 30, rgb(250, 200, 20));
  return p;
}

struct WineStartup : ::testing::Test {
  WineServer wine;
  TempDir tmp;
  XServer x;
  const Program program = windows_build("x86_64");

  fs::path folder(const std::string& name) {
    fs::path p = tmp.path() / name;
    fs::create_directories(p);
    return p;
  }

  Picture message_of(Process& p) { return refusal_message(x, p, 40); }
  void end_with_window_key(Process& p) { end_refusal_with_key(x, p); }
};

TEST_F(WineStartup, AWronglyNamedProgramIsRefusedBeforeTheArgumentsAreLookedAt) {
  ASSERT_TRUE(x.ok());
  fs::path work = folder("w");
  ASSERT_TRUE(write_bmp(work / "pic.bmp", small_picture()));
  const fs::path other = tmp.path() / "Other.exe";
  fs::copy_file(program.exe, other);
  Process wrong_name(x, program.with_exe(other), {"pic.bmp"}, work, tmp.path());
  const Picture name_message = message_of(wrong_name);
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(wrong_name));
  Process wrong_bare(x, program.with_exe(other), {}, work, tmp.path());
  EXPECT_EQ(message_of(wrong_bare), name_message);
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(wrong_bare));

  Process bare(x, program, {}, work, tmp.path());
  EXPECT_NE(message_of(bare), name_message) << "the right name gave the name message";
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(bare));
}

TEST_F(WineStartup, NoArgumentOrTwoAreRefused) {
  ASSERT_TRUE(x.ok());
  fs::path work = folder("w");
  ASSERT_TRUE(write_bmp(work / "pic.bmp", small_picture()));
  Process bare(x, program, {}, work, tmp.path());
  const Picture argument_message = message_of(bare);
  EXPECT_FALSE(bare.wait_exit(1).has_value()) << "the program did not wait for a key";
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(bare));
  Process two(x, program, {"pic.bmp", "pic.bmp"}, work, tmp.path());
  EXPECT_EQ(message_of(two), argument_message) << "two arguments";
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(two));
}

TEST_F(WineStartup, AnUnreadablePictureIsRefused) {
  ASSERT_TRUE(x.ok());
  fs::path work = folder("w");
  {
    std::FILE* f = std::fopen((work / "broken.jpg").c_str(), "wb");
    std::fputs("this is no picture at all", f);
    std::fclose(f);
  }
  Process broken(x, program, {"broken.jpg"}, work, tmp.path());
  const Picture unreadable = message_of(broken);
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(broken));
  // A whole, sound HEIC passes the header checks but Wine has no codec for it: the
  // same message, and the same clean end.
  ASSERT_TRUE(heif_writers::write_heif((work / "IMG_0001.HEIC").string(), 64, 48, [](int32_t y, std::vector<uint8_t>& row) {
    for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(i * 3 + y);
  }));
  Process phone(x, program, {"IMG_0001.HEIC"}, work, tmp.path());
  EXPECT_EQ(message_of(phone), unreadable) << "the HEIC did not give the unreadable-picture message";
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(phone));
  Process bare(x, program, {}, work, tmp.path());
  EXPECT_NE(message_of(bare), unreadable) << "the unreadable picture gave the argument message";
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(bare));
}

TEST_F(WineStartup, ASecondInstanceIsRefusedWhileTheFirstRuns) {
  ASSERT_TRUE(x.ok());
  fs::path first_dir = folder("first"), second_dir = folder("second");
  ASSERT_TRUE(write_bmp(first_dir / "pic.bmp", small_picture()));
  ASSERT_TRUE(write_bmp(second_dir / "pic.bmp", small_picture()));
  Process first(x, program, {"pic.bmp"}, first_dir, tmp.path());
  unsigned long editing = first.wait_window(40, 201);
  ASSERT_NE(editing, 0u) << first.log();
  Process second(x, program, {"pic.bmp"}, second_dir, tmp.path());
  const Picture refused = message_of(second);
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(second));
  Process bare(x, program, {}, second_dir, tmp.path());
  EXPECT_NE(message_of(bare), refused) << "the second instance showed the argument message";
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(bare));
  EXPECT_TRUE(first.running()) << "the first instance ended";
  EXPECT_TRUE(x.window_viewable(editing));
  EXPECT_FALSE(fs::exists(second_dir / "DontDeleteMe")) << "the refused instance prepared a cache folder";
}

}  // namespace
}  // namespace e2e
