// The PID namespace helper in a chroot, as Debian's package builders run test suites:
// there `/` is no mount point, and the directory the chroot lives in sits on a
// shared mount, as a machine's `/` usually does.
#include "own_pid_namespace.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "temp_workdir.h"

namespace {

int numbered_entries(const char* folder) {
  int count = 0;
  if (DIR* dir = opendir(folder)) {
    while (const dirent* entry = readdir(dir)) count += std::isdigit(static_cast<unsigned char>(entry->d_name[0])) != 0;
    closedir(dir);
  }
  return count;
}

int mounts_under(const std::string& folder) {
  std::ifstream mounts("/proc/self/mountinfo");
  int count = 0;
  for (std::string line; std::getline(mounts, line);) count += line.find(" " + folder + "/") != std::string::npos;
  return count;
}

// What the tests found in the chroot, as the child's exit status.
enum Outcome {
  alone = 0,
  listed_the_machine = 10,
  others_listed = 11,
  mount_reached_outside = 12,
  failed = 13,
  in_a_chroot_already = 14
};

// Enters the helper where this process is and reports what the tests see there.
[[noreturn]] void enter_here() {
  if (!own_pid_namespace::enter()) _exit(listed_the_machine);
  _exit(getpid() == 1 && numbered_entries("/proc") == 1 ? alone : others_listed);
}

Outcome outcome_of_child(void (*child)(const std::string&, bool), const std::string& box, bool proc_mounted) {
  const pid_t pid = fork();
  if (pid == 0) child(box, proc_mounted);
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return failed;
  return Outcome(WEXITSTATUS(status));
}

// In a mount namespace of its own (so nothing reaches the machine), makes `box` a
// shared tmpfs holding the chroot `box/root`, with or without a /proc mounted in it,
// and enters the helper there. Runs in a child, which ends with its Outcome.
[[noreturn]] void enter_in_chroot(const std::string& box, bool proc_mounted) {
  const std::string root = box + "/root";
  if (unshare(CLONE_NEWNS) != 0) _exit(failed);
  // Unless `/` is private here, a mount made here would reach the namespace this one
  // was copied from.
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    _exit(errno == EINVAL ? in_a_chroot_already : failed);
  }
  if (mount("tmpfs", box.c_str(), "tmpfs", 0, nullptr) != 0 ||
      mount(nullptr, box.c_str(), nullptr, MS_SHARED, nullptr) != 0 || mkdir(root.c_str(), 0755) != 0 || mkdir((root + "/proc").c_str(), 0755) != 0 ||
      (proc_mounted && mount("proc", (root + "/proc").c_str(), "proc", 0, nullptr) != 0)) {
    _exit(failed);
  }
  const int mounts_before = mounts_under(box);
  const Outcome outcome = outcome_of_child(
      [](const std::string& chroot_at, bool) {
        if (chroot(chroot_at.c_str()) != 0 || chdir("/") != 0) _exit(failed);
        enter_here();
      },
      root, proc_mounted);
  if (mounts_under(box) != mounts_before) _exit(mount_reached_outside);
  _exit(outcome);
}

bool proc_is_a_mount_point() {
  std::ifstream mounts("/proc/self/mountinfo");
  for (std::string line; std::getline(mounts, line);) {
    if (line.find(" /proc ") != std::string::npos) return true;
  }
  return false;
}

TEST(OwnPidNamespace, InAChrootTheTestsListTheirOwnProcessesOrFallBackWithoutEnding) {
  ASSERT_EQ(geteuid(), 0u) << "namespaces and chroot need root, as the end-to-end tests do";
  struct Case {
    bool proc_mounted;
    Outcome outcome;
  };
  // Without a /proc mount in the chroot there is nothing to mount the new one on
  // without reaching outside: the machine's list, as without root.
  const Case cases[] = {{true, alone}, {false, listed_the_machine}};
  for (const Case& c : cases) {
    TempWorkdir dir;
    const std::string box = (dir.root() / "box").string();
    ASSERT_EQ(mkdir(box.c_str(), 0755), 0);
    const Outcome outcome = outcome_of_child(enter_in_chroot, box, c.proc_mounted);
    if (outcome == in_a_chroot_already) {
      // These tests run in a chroot themselves, whose directory no mount made here
      // could be kept from: the chroot they run in is the case.
      const Outcome expected = proc_is_a_mount_point() ? alone : listed_the_machine;
      EXPECT_EQ(outcome_of_child([](const std::string&, bool) { enter_here(); }, box, false), expected)
          << "in the chroot the tests run in";
      return;
    }
    EXPECT_EQ(outcome, c.outcome) << "with /proc mounted in the chroot: " << c.proc_mounted;
  }
}

}  // namespace
