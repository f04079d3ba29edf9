// Start-up as a user meets it: the refusals in their 200 x 30 message window and how
// a key ends them, the close box, and a cache marker that names something else.
#include <unistd.h>

#include <fstream>

#include <gtest/gtest.h>

#include "e2e_support.h"

namespace e2e {
namespace {

Picture small_picture() {
  Picture p(64, 48, rgb(90, 30, 160));
  p.fill(10, 10, 40, 30, rgb(250, 200, 20));
  return p;
}

struct Startup : ::testing::Test {
  TempDir tmp;
  XServer x;

  fs::path folder(const std::string& name) {
    fs::path p = tmp.path() / name;
    fs::create_directories(p);
    return p;
  }

  Picture message_of(Process& p) { return refusal_message(x, p, 30); }
  void end_with_window_key(Process& p) { end_refusal_with_key(x, p); }
  fs::path copy_exe(const std::string& name) {
    fs::path to = tmp.path() / name;
    fs::copy_file(tessary_exe(), to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    return to;
  }
};

TEST_F(Startup, NoArgumentShowsItsMessageUntilAKeyIsTypedIntoTheWindow) {
  ASSERT_TRUE(x.ok());
  Process p(x, tessary_exe(), {}, folder("w"), tmp.path());
  Picture message = message_of(p);
  EXPECT_FALSE(p.wait_exit(1).has_value()) << "the program did not wait for a key";
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(p));
}

TEST_F(Startup, AByteOnPipedInputEndsTheMessage) {
  ASSERT_TRUE(x.ok());
  Process p(x, tessary_exe(), {}, folder("w"), tmp.path());
  message_of(p);
  EXPECT_FALSE(p.wait_exit(0.5).has_value());
  p.write_stdin("k");
  auto status = p.wait_exit(15);
  ASSERT_TRUE(status.has_value()) << "a byte on standard input did not end the program";
  EXPECT_EQ(*status, 0) << "program output:\n" << p.log();
}

TEST_F(Startup, TheFileNameIsCheckedBeforeTheArguments) {
  ASSERT_TRUE(x.ok());
  fs::path work = folder("w");
  ASSERT_TRUE(write_bmp(work / "pic.bmp", small_picture()));

  Process right(x, tessary_exe(), {}, work, tmp.path());
  const Picture argument_message = message_of(right);
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(right));

  fs::path other = copy_exe("Other.exe");
  Process wrong_bare(x, other, {}, work, tmp.path());
  const Picture name_message = message_of(wrong_bare);
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(wrong_bare));
  EXPECT_NE(name_message, argument_message) << "a wrongly named program without argument gave the argument message";

  Process wrong_with_picture(x, other, {"pic.bmp"}, work, tmp.path());
  EXPECT_EQ(message_of(wrong_with_picture), name_message);
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(wrong_with_picture));

  // The name is compared without regard to case.
  Process lower(x, copy_exe("tessary.exe"), {}, work, tmp.path());
  EXPECT_EQ(message_of(lower), argument_message) << "tessary.exe should pass the name check";
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(lower));

  Process two(x, tessary_exe(), {"pic.bmp", "pic.bmp"}, work, tmp.path());
  EXPECT_EQ(message_of(two), argument_message) << "two arguments";
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(two));
}

TEST_F(Startup, ASecondInstanceIsRefusedWhileTheFirstRuns) {
  ASSERT_TRUE(x.ok());
  fs::path first_dir = folder("first"), second_dir = folder("second");
  ASSERT_TRUE(write_bmp(first_dir / "pic.bmp", small_picture()));
  ASSERT_TRUE(write_bmp(second_dir / "pic.bmp", small_picture()));
  Process first(x, tessary_exe(), {"pic.bmp"}, first_dir, tmp.path());
  unsigned long editing = first.wait_window(30, 201);
  ASSERT_NE(editing, 0u) << first.log();

  Process second(x, tessary_exe(), {"pic.bmp"}, second_dir, tmp.path(), "", &first);
  const Picture refused = message_of(second);
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(second));

  Process bare(x, tessary_exe(), {}, second_dir, tmp.path(), "", &first);
  EXPECT_NE(message_of(bare), refused) << "the second instance showed the argument message";
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(bare));

  EXPECT_TRUE(first.running()) << "the first instance ended";
  EXPECT_TRUE(x.window_viewable(editing));
  EXPECT_FALSE(fs::exists(second_dir / "DontDeleteMe")) << "the refused instance prepared a cache folder";
}

TEST_F(Startup, AnUnreadablePictureIsRefusedWithItsMessage) {
  ASSERT_TRUE(x.ok());
  fs::path work = folder("w");
  {
    std::FILE* f = std::fopen((work / "broken.jpg").c_str(), "wb");
    std::fputs("this is no picture at all", f);
    std::fclose(f);
    f = std::fopen((work / "empty.bmp").c_str(), "wb");
    std::fclose(f);
  }
  Process bare(x, tessary_exe(), {}, work, tmp.path());
  const Picture argument_message = message_of(bare);
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(bare));

  Process broken(x, tessary_exe(), {"broken.jpg"}, work, tmp.path());
  const Picture unreadable = message_of(broken);
  ASSERT_NO_FATAL_FAILURE(end_with_window_key(broken));
  EXPECT_NE(unreadable, argument_message);

  for (const char* name : {"empty.bmp", "missing.png"}) {
    Process p(x, tessary_exe(), {name}, work, tmp.path());
    EXPECT_EQ(message_of(p), unreadable) << name;
    ASSERT_NO_FATAL_FAILURE(end_with_window_key(p));
  }
}

// With no display to show them on, the program neither runs on unseen nor waits for
// a key that no window can take: it says why on standard error and ends.
TEST_F(Startup, WithoutAReachableDisplayTheProgramSaysSoAndEnds) {
  fs::path work = folder("w");
  ASSERT_TRUE(write_bmp(work / "pic.bmp", small_picture()));
  const std::string unreachable = ":9999";

  Process editing(x, tessary_exe(), {"pic.bmp"}, work, tmp.path(), unreachable);
  auto status = editing.wait_exit(30);
  ASSERT_TRUE(status.has_value()) << "the program kept running without a display";
  EXPECT_EQ(*status, 1);
  EXPECT_NE(editing.log().find("no window can be opened"), std::string::npos) << editing.log();

  Process refused(x, tessary_exe(), {}, work, tmp.path(), unreachable);
  status = refused.wait_exit(30);
  ASSERT_TRUE(status.has_value()) << "the refusal waited for a key without a window";
  EXPECT_EQ(*status, 0);
  EXPECT_NE(refused.log().find("需将图像拖给程序才能运行\n"), std::string::npos) << refused.log();
}

TEST(CloseBox, ClosingTheEditingWindowEndsTheProgramWithStatus0) {
  Session s;
  ASSERT_NO_FATAL_FAILURE(s.start(small_picture()));
  s.x().send_close_request(s.window());
  auto status = s.app().wait_exit(20);
  ASSERT_TRUE(status.has_value()) << "the program kept running after its window was closed";
  EXPECT_EQ(*status, 0) << "program output:\n" << s.app().log();
}

// 4 to 9 characters from a to z and 0 to 9, then ".cache".
bool is_cache_name(const std::string& name) {
  const std::string suffix = ".cache";
  if (name.size() < 4 + suffix.size() || name.size() > 9 + suffix.size()) return false;
  if (name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
  for (size_t i = 0; i + suffix.size() < name.size(); ++i)
    if (!((name[i] >= 'a' && name[i] <= 'z') || (name[i] >= '0' && name[i] <= '9'))) return false;
  return true;
}

// What a previous run's marker may name, and what must survive it.
struct HostileMarker {
  const char* label;
  std::string (*marker)(const fs::path& root);
};

void PrintTo(const HostileMarker& marker, std::ostream* out) { *out << marker.label; }

class Marker : public ::testing::TestWithParam<HostileMarker> {};

TEST_P(Marker, RemovesNothingButACacheFolder) {
  Session s;
  const fs::path root = s.root(), work = s.work();
  fs::create_directories(root / "victim" / "inner");
  std::FILE* f = std::fopen((root / "victim" / "inner" / "keep.txt").c_str(), "w");
  std::fputs("keep", f);
  std::fclose(f);
  fs::create_directories(work / "mine");
  f = std::fopen((work / "mine" / "keep.txt").c_str(), "w");
  std::fclose(f);
  fs::create_directory_symlink(root / "victim", work / "link");
  fs::create_directory_symlink(root / "victim", work / "abcd.cache");
  f = std::fopen((work / "DontDeleteMe").c_str(), "w");
  std::fputs(GetParam().marker(root).c_str(), f);
  std::fclose(f);

  ASSERT_NO_FATAL_FAILURE(s.start(small_picture()));

  EXPECT_TRUE(fs::exists(root / "victim" / "inner" / "keep.txt"));
  EXPECT_TRUE(fs::exists(work / "mine" / "keep.txt"));
  EXPECT_TRUE(fs::exists(work / "pic.bmp"));
  EXPECT_TRUE(fs::is_symlink(work / "link"));
  EXPECT_TRUE(fs::is_symlink(work / "abcd.cache"));
  EXPECT_FALSE(fs::exists(work / "pwned")) << "a shell command in the marker ran";
  EXPECT_FALSE(fs::exists(root / "pwned")) << "a shell command in the marker ran";

  // This run's own folder and marker.
  std::ifstream in(work / "DontDeleteMe");
  std::string name;
  std::getline(in, name);
  EXPECT_TRUE(is_cache_name(name)) << "marker holds '" << name << "'";
  EXPECT_TRUE(fs::is_directory(work / name)) << name;
  EXPECT_TRUE(s.app().running());
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, Marker,
    ::testing::Values(HostileMarker{"parent", [](const fs::path&) { return std::string(".."); }},
                      HostileMarker{"absolute", [](const fs::path& r) { return (r / "victim").string(); }},
                      HostileMarker{"link", [](const fs::path&) { return std::string("link"); }},
                      HostileMarker{"cache_named_link", [](const fs::path&) { return std::string("abcd.cache"); }},
                      HostileMarker{"own_folder", [](const fs::path&) { return std::string("mine"); }},
                      HostileMarker{"shell", [](const fs::path&) { return std::string("x & touch pwned ; touch pwned"); }},
                      HostileMarker{"substitution", [](const fs::path&) { return std::string("$(touch pwned)`touch pwned`"); }},
                      HostileMarker{"traversal", [](const fs::path&) { return std::string("../victim"); }}),
    [](const ::testing::TestParamInfo<HostileMarker>& info) { return std::string(info.param.label); });

TEST(Marker, ThePreviousRunsCacheFolderIsRemoved) {
  Session s;
  fs::create_directories(s.work() / "q7x2.cache");
  std::FILE* f = std::fopen((s.work() / "q7x2.cache" / "A.~tmp").c_str(), "w");
  std::fclose(f);
  f = std::fopen((s.work() / "DontDeleteMe").c_str(), "w");
  std::fputs("q7x2.cache", f);
  std::fclose(f);
  ASSERT_NO_FATAL_FAILURE(s.start(small_picture()));
  EXPECT_FALSE(fs::exists(s.work() / "q7x2.cache")) << "the previous run's cache folder is still there";
}

}  // namespace
}  // namespace e2e
