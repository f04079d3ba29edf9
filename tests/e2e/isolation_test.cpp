// A Tessary.exe running elsewhere on the machine disturbs no test: each test's
// program has a PID namespace of its own and does not count it.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "e2e_support.h"

namespace e2e {
namespace {

TEST(Isolation, AnInstanceOutsideTheTestDoesNotRefuseItsProgram) {
  TempDir outside;
  // A process whose executable is called Tessary.exe, as the start-up check counts them.
  const fs::path stand_in = outside.path() / "Tessary.exe";
  fs::copy_file("/bin/sleep", stand_in);
  fs::permissions(stand_in, fs::perms::owner_all);
  pid_t other = 0;
  char* args[] = {const_cast<char*>(stand_in.c_str()), const_cast<char*>("600"), nullptr};
  ASSERT_EQ(posix_spawn(&other, stand_in.c_str(), nullptr, nullptr, args, environ), 0);
  struct Reap {
    pid_t pid;
    ~Reap() {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  } reap{other};

  Session s;
  Picture picture(80, 60, rgb(200, 40, 40));
  ASSERT_NO_FATAL_FAILURE(s.start(picture));
  EXPECT_EQ(s.save_and_confirm(), save_caption());
  EXPECT_TRUE(fs::exists(s.work() / "pic_0.bmp"));
  EXPECT_EQ(kill(other, 0), 0) << "the instance outside ended during the test";
  s.x().send_close_request(s.window());
  const auto status = s.app().wait_exit(10);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, 0);
}

}  // namespace
}  // namespace e2e
