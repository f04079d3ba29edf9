#pragma once
// Moves the test program into a PID namespace of its own with its own /proc, so tests
// that read the process list see this program alone: a Tessary.exe running elsewhere
// on the machine (another test's, anyone's) is not counted. The process that was
// started stays outside, waits and ends with the tests' status. Needs root; without
// it, or where /proc cannot be kept to the new namespace, the tests see the machine's
// list and say so. It never ends the program: CTest lists the tests by running it.
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

// In a fresh mount namespace, stops mounts on /proc from reaching the namespace it
// was copied from: a /proc mounted there would otherwise cover the machine's /proc
// (or a chroot's) with one that lists only this namespace. Usually `/` is made
// private, and everything under it with it. In a chroot `/` is no mount point, and
// binding it onto itself would reach the outer namespace as a new mount there when
// the chroot's directory sits on a shared mount, so the chroot's own /proc mount is
// made private instead: the new /proc is mounted on top of it. Makes only system
// calls, so a child forked from a threaded program may call it. Returns 0, or the
// errno of the mount that failed.
inline int keep_mounts_private() {
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0) return 0;
  if (errno != EINVAL) return errno;
  return mount(nullptr, "/proc", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 ? 0 : errno;
}

inline bool enter() {
  if (getpid() == 1) return true;
  // The mount namespace first: it is harmless to stay in one that nothing was
  // mounted in, while a PID namespace without its own /proc would list the wrong
  // processes.
  if (unshare(CLONE_NEWNS) != 0) {
    std::fprintf(stderr, "no PID namespace of its own (%s): the machine's processes are listed\n",
                 std::strerror(errno));
    return false;
  }
  if (const int error = keep_mounts_private(); error != 0) {
    std::fprintf(stderr,
                 "no PID namespace of its own (neither / nor /proc can be made a private mount: %s): "
                 "the machine's processes are listed\n",
                 std::strerror(error));
    return false;
  }
  if (unshare(CLONE_NEWPID) != 0) {
    std::fprintf(stderr, "no PID namespace of its own (%s): the machine's processes are listed\n",
                 std::strerror(errno));
    return false;
  }
  const pid_t tests = fork();
  if (tests < 0) {
    std::fprintf(stderr, "no PID namespace of its own (fork: %s): the machine's processes are listed\n",
                 std::strerror(errno));
    return false;
  }
  if (tests == 0) {
    // The tests end when whoever started them ends them.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) {
      std::fprintf(stderr, "no /proc of its own (%s): the machine's processes are listed\n", std::strerror(errno));
      return false;
    }
    return true;
  }
  int status = 0;
  while (waitpid(tests, &status, 0) < 0 && errno == EINTR) {
  }
  _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

}  // namespace own_pid_namespace
