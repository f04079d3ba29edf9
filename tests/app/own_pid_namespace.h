#pragma once
// Moves the test program into a PID namespace of its own with its own /proc, so tests
// that read the process list see this program alone: a Tessary.exe running elsewhere
// on the machine (another test's, anyone's) is not counted. The process that was
// started stays outside, waits and ends with the tests' status. Needs root; without
// it the tests see the machine's list and say so.
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace own_pid_namespace {

inline bool enter() {
  if (getpid() == 1) return true;
  if (unshare(CLONE_NEWPID | CLONE_NEWNS) != 0) {
    std::fprintf(stderr, "no PID namespace of its own (%s): the machine's processes are listed\n",
                 std::strerror(errno));
    return false;
  }
  const pid_t tests = fork();
  if (tests < 0) _exit(120);
  if (tests == 0) {
    // The tests end when whoever started them ends them.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) {
      _exit(121);
    }
    return true;
  }
  int status = 0;
  while (waitpid(tests, &status, 0) < 0 && errno == EINTR) {
  }
  _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

}  // namespace own_pid_namespace
