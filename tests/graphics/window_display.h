#pragma once
// Helpers for tests that need a real display: a private Xvfb server, shell commands
// (xdotool, xwininfo, ImageMagick) and screenshots. Header-only so that only the tests
// that include it carry it.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace test_display {

// Starts an Xvfb on a free display (it picks the number itself) once per process and
// points DISPLAY at it; the server is stopped when the process exits normally.
inline bool start() {
  static const bool started = [] {
    int ends[2];
    if (pipe(ends) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 3);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // -noreset: the server would otherwise restart each time its last client leaves
    // (between two tests' windows), refusing the connections that come meanwhile.
    const char* args[] = {"Xvfb", "-displayfd", "3", "-screen", "0", "1600x1000x24", "-nolisten", "tcp", "-noreset",
                          nullptr};
    static pid_t server = 0;
    const int failed = posix_spawnp(&server, "Xvfb", &actions, nullptr, const_cast<char**>(args), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (failed != 0) {
      close(ends[0]);
      return false;
    }
    std::string number;
    char c;
    while (read(ends[0], &c, 1) == 1 && c != '\n') number += c;
    close(ends[0]);
    if (number.empty()) return false;
    setenv("DISPLAY", (":" + number).c_str(), 1);
    std::atexit([] {
      kill(server, SIGTERM);
      waitpid(server, nullptr, 0);
    });
    return true;
  }();
  return started;
}

// Runs a shell command and returns its standard output.
inline std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[512];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
  pclose(pipe);
  return out;
}

inline bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The id of the visible top-level window titled exactly `title`, or 0.
inline unsigned long find_window(const std::string& title, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
  unsigned long id = 0;
  wait_until(
      [&] {
        const std::string out = run("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null");
        id = std::strtoul(out.c_str(), nullptr, 10);
        return id != 0;
      },
      limit);
  return id;
}

struct Geometry {
  int x = -1;
  int y = -1;
  int width = -1;
  int height = -1;
};

// Absolute position and size of a window's client area, from xwininfo.
inline Geometry window_geometry(unsigned long id) {
  Geometry g;
  const std::string out = run("xwininfo -id " + std::to_string(id));
  auto field = [&](const char* name) {
    const size_t at = out.find(name);
    return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + std::char_traits<char>::length(name));
  };
  g.x = field("Absolute upper-left X:");
  g.y = field("Absolute upper-left Y:");
  g.width = field("Width:");
  g.height = field("Height:");
  return g;
}

// A screenshot of the whole screen as 0x00RRGGBB words.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline Screenshot take_screenshot(const std::string& png_copy = "") {
  Screenshot shot;
  const std::string file = "/tmp/tessary_shot_" + std::to_string(getpid()) + ".ppm";
  run("import -window root -depth 8 ppm:" + file + " 2>/dev/null");
  if (!png_copy.empty()) run("convert " + file + " " + png_copy + " 2>/dev/null");
  std::ifstream in(file, std::ios::binary);
  std::string magic;
  int max_value = 0;
  in >> magic >> shot.width >> shot.height >> max_value;
  in.get();
  if (magic != "P6" || max_value != 255 || shot.width <= 0 || shot.height <= 0) return Screenshot{};
  std::vector<unsigned char> bytes(static_cast<size_t>(shot.width) * shot.height * 3);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  shot.pixels.resize(static_cast<size_t>(shot.width) * shot.height);
  for (size_t i = 0; i < shot.pixels.size(); ++i) {
    shot.pixels[i] = (uint32_t{bytes[3 * i]} << 16) | (uint32_t{bytes[3 * i + 1]} << 8) | bytes[3 * i + 2];
  }
  std::remove(file.c_str());
  return shot;
}

// What a window manager's close box does: sends WM_DELETE_WINDOW to the window.
// libX11 is loaded at run time so that the tests need no link flags of their own.
inline bool send_close_request(unsigned long id) {
  void* x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
  if (x11 == nullptr) return false;
  auto open_display = reinterpret_cast<Display* (*)(const char*)>(dlsym(x11, "XOpenDisplay"));
  auto intern_atom = reinterpret_cast<Atom (*)(Display*, const char*, Bool)>(dlsym(x11, "XInternAtom"));
  auto send_event = reinterpret_cast<Status (*)(Display*, Window, Bool, long, XEvent*)>(dlsym(x11, "XSendEvent"));
  auto flush = reinterpret_cast<int (*)(Display*)>(dlsym(x11, "XFlush"));
  auto close_display = reinterpret_cast<int (*)(Display*)>(dlsym(x11, "XCloseDisplay"));
  bool sent = false;
  if (open_display && intern_atom && send_event && flush && close_display) {
    if (Display* display = open_display(nullptr)) {
      XEvent event{};
      event.xclient.type = ClientMessage;
      event.xclient.window = id;
      event.xclient.message_type = intern_atom(display, "WM_PROTOCOLS", False);
      event.xclient.format = 32;
      event.xclient.data.l[0] = static_cast<long>(intern_atom(display, "WM_DELETE_WINDOW", False));
      event.xclient.data.l[1] = CurrentTime;
      sent = send_event(display, id, False, NoEventMask, &event) != 0;
      flush(display);
      close_display(display);
    }
  }
  dlclose(x11);
  return sent;
}

// The running test program's own path.
inline std::string self_path() {
  char path[4096];
  const ssize_t got = readlink("/proc/self/exe", path, sizeof path - 1);
  if (got <= 0) return {};
  path[got] = '\0';
  return path;
}

}  // namespace test_display
