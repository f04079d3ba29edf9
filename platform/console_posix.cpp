#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>

#include "platform/console.h"

namespace platform {
namespace {

// Keys from the window travel through a pipe, so one poll waits for both sources.
struct WindowKeyPipe {
  int read_end = -1;
  int write_end = -1;
};

WindowKeyPipe& window_key_pipe() {
  static WindowKeyPipe keys = [] {
    WindowKeyPipe made;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
      made.read_end = ends[0];
      made.write_end = ends[1];
    }
    return made;
  }();
  return keys;
}

// The terminal settings a key wait replaced, for restore_terminal from any thread.
std::atomic<bool> terminal_raw{false};
termios saved_terminal{};

bool is_foreground_terminal(int fd) { return isatty(fd) == 1 && tcgetpgrp(fd) == getpgrp(); }

void make_raw(int fd) {
  termios raw{};
  if (tcgetattr(fd, &raw) != 0) return;
  saved_terminal = raw;
  raw.c_lflag &= ~(ICANON | ECHO);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &raw) == 0) terminal_raw.store(true);
}

// Takes one key from the window's pipe; false when the pipe was empty after all.
bool take_window_key(int fd) {
  unsigned char key = 0;
  return read(fd, &key, 1) == 1;
}

}  // namespace

void post_window_key(uint32_t code) {
  const WindowKeyPipe& keys = window_key_pipe();
  if (keys.write_end < 0) return;
  // One byte per key is all a waiter needs; a full pipe drops the key.
  const unsigned char byte = static_cast<unsigned char>(code == 0 ? 0xFF : code);
  ssize_t written;
  do {
    written = write(keys.write_end, &byte, 1);
  } while (written < 0 && errno == EINTR);
}

void restore_terminal() {
  if (terminal_raw.exchange(false)) tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal);
}

void wait_for_key() {
  const WindowKeyPipe& keys = window_key_pipe();
  const bool terminal = is_foreground_terminal(STDIN_FILENO);
  // A terminal in the background would stop the process for reading it; only the
  // window can end the wait then.
  bool read_stdin = terminal || isatty(STDIN_FILENO) == 0;
  if (terminal) make_raw(STDIN_FILENO);

  for (;;) {
    pollfd sources[2] = {{keys.read_end, POLLIN, 0}, {read_stdin ? STDIN_FILENO : -1, POLLIN, 0}};
    const int ready = poll(sources, 2, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if ((sources[0].revents & POLLIN) != 0 && take_window_key(keys.read_end)) break;
    if (sources[1].revents == 0) continue;
    if ((sources[1].revents & POLLNVAL) != 0) {
      read_stdin = false;
      continue;
    }
    // Reading a whole burst takes the escape sequence of a function key as one key.
    unsigned char burst[16];
    const ssize_t got = read(STDIN_FILENO, burst, terminal ? sizeof burst : 1);
    if (got > 0) break;
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    // End of input (or an error): keep waiting for the window alone.
    read_stdin = false;
  }

  if (terminal) restore_terminal();
}

}  // namespace platform
