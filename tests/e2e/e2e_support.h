#pragma once
// Drives the real Tessary.exe under a private Xvfb: pictures made by the tests, the
// program started in a scratch working folder, real X input through xdotool, and
// screenshots of the client area compared pixel for pixel.
//
// Pixels everywhere here are 0x00RRGGBB words, rows from the top (the program's own
// picture layout). Colour references of the program (0x00BBGGRR) are turned into
// pixels with `pixel_of`.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

inline uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }
inline uint32_t pixel_of(uint32_t colorref) {
  return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}
inline constexpr uint32_t BLACK = 0x000000;
inline constexpr uint32_t WHITE = 0xFFFFFF;
inline constexpr uint32_t GREY = 0x808080;
// The default outline swatch 0xFF8000 on the screen.
inline constexpr uint32_t OUTLINE_BLUE = 0x0080FF;
// Caption of the message box after saving, in UTF-8 as the window system shows it.
std::string save_caption();

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
};

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  Picture() = default;
  Picture(int w, int h, uint32_t fill = 0) : width(w), height(h), pixels(size_t(w) * h, fill) {}
  uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
  void set(int x, int y, uint32_t v) { pixels[size_t(y) * width + x] = v; }
  // Inclusive corners, clipped.
  void fill(int x0, int y0, int x1, int y1, uint32_t v);
  Picture crop(const Rect& r) const;
  bool operator==(const Picture&) const = default;
};

// 24-bit, bottom-up, rows padded to four bytes.
bool write_bmp(const fs::path& path, const Picture& picture);
// Uncompressed 24- or 32-bit BMP in either row order; nullopt when not such a file.
std::optional<Picture> read_bmp(const fs::path& path);
// Uncompressed (stored) PNG, for looking at results.
bool write_png(const fs::path& path, const Picture& picture);

struct Rgba {
  int width = 0, height = 0;
  std::vector<uint8_t> bytes;  // four per pixel
  uint32_t colour(size_t i) const { return rgb(bytes[4 * i], bytes[4 * i + 1], bytes[4 * i + 2]); }
  uint8_t alpha(size_t i) const { return bytes[4 * i + 3]; }
};
// Reads an 8-bit RGBA PNG; fails the test when the file is anything else.
Rgba read_rgba_png(const fs::path& path);

struct DiffReport {
  int64_t differing = 0;  // pixels that differ
  int max_channel = 0;    // largest difference of one channel
  int64_t total = 0;      // sum of all channel differences
  std::string first;      // where the first difference is, for the failure text
  bool same() const { return differing == 0; }
  std::string describe() const;
};
// Compares two pictures of the same size; when they differ and `diff_png` is given,
// writes expected | actual | differing pixels in red, side by side.
DiffReport diff_pictures(const Picture& expected, const Picture& actual, const fs::path& diff_png = {});

// A scratch folder, removed with everything in it at the end unless E2E_KEEP is set.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Runs a command line through /bin/sh with DISPLAY set; returns the exit status and
// what it printed on standard output.
struct CommandResult {
  int status = -1;
  std::string output;
};
CommandResult run_command(const std::string& command, const std::string& display = {});
std::string shell_quote(const std::string& text);

// A private X server (Xvfb 1600 x 1000 x 24 on the first free display from :91).
class XServer {
 public:
  XServer();
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;
  bool ok() const { return display_ != nullptr; }
  const std::string& name() const { return name_; }
  // The whole screen, or the part of it in `area`.
  Picture screenshot();
  Picture screenshot(const Rect& area);
  // Client area of a window, in screen coordinates; nullopt when it is gone.
  std::optional<Rect> client_rect(unsigned long window);
  std::string window_title(unsigned long window);
  bool window_viewable(unsigned long window);
  // Asks the window to close as a window manager's close box does (WM_DELETE_WINDOW).
  void send_close_request(unsigned long window);
  // Runs xdotool with `arguments`.
  CommandResult xdotool(const std::string& arguments);
  // Visible windows of a process.
  std::vector<unsigned long> windows_of(pid_t pid);
  // A visible top-level window with this title (UTF-8); 0 when there is none.
  unsigned long find_window_by_title(const std::string& title);

 private:
  struct Xlib;
  std::unique_ptr<Xlib> xlib_;
  void* display_ = nullptr;
  pid_t server_ = -1;
  std::string name_;
};

// A build of the program and how to start it: the Linux build directly, a Windows
// build through Wine's loader for its architecture, in the Wine prefix that
// `wine_prefix()` names.
struct Program {
  fs::path exe;
  fs::path loader;  // empty for the Linux build
  bool under_wine() const { return !loader.empty(); }
  // The same build with its program file elsewhere (a copy under another name).
  Program with_exe(const fs::path& other) const { return Program{other, loader}; }
};
Program linux_build();
// arch is "x86_64" (run by wine64) or "i686" (run by the 32-bit loader).
Program windows_build(const std::string& arch);
// Why the 32-bit build cannot run here, empty when it can. 32-bit Wine (wine32:i386)
// is the one optional package: without it the i686 loader is not there to start.
// Only that absence is a reason to skip; a loader that dpkg says is installed but that
// does not start is a fault, and a test that runs it then fails.
std::string why_no_wine32();
// The Wine prefix the tests of the Windows builds share, made by
// scripts/wine-prefix.sh before they run.
fs::path wine_prefix();

// The prefix's wineserver with every process in it, ended when this is made (left
// over from an earlier test) and when it goes: each test starts with a fresh server,
// so no key or modifier state and no window of an earlier one carries over.
class WineServer {
 public:
  WineServer();
  ~WineServer();
  WineServer(const WineServer&) = delete;
  WineServer& operator=(const WineServer&) = delete;
};

// One run of Tessary.exe: started with the given arguments in `workdir`, standard
// input from a pipe this object holds, output into `log_dir`. Killed and reaped when
// destroyed if still running.
//
// Each run has a PID namespace of its own with its own /proc, so it meets no other
// Tessary.exe of the machine (other tests' or anyone's). A keeper process, the
// namespace's first, starts the program and ends with its status once the program and
// everything it started have ended: a run counts as ended only when nothing of it is
// left. A run started `beside` another joins that one's namespace instead (to meet
// it), and ends with its program.
class Process {
 public:
  // `display` replaces the server's own display name when not empty.
  Process(XServer& x, const fs::path& exe, const std::vector<std::string>& args, const fs::path& workdir,
          const fs::path& log_dir, const std::string& display = "", const Process* beside = nullptr);
  // A Windows build runs under Wine without a namespace of its own: its private Wine
  // prefix already keeps it from seeing any other Tessary.exe.
  Process(XServer& x, const Program& program, const std::vector<std::string>& args, const fs::path& workdir,
          const fs::path& log_dir, const std::string& display = "", const Process* beside = nullptr);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  // The program's process id as the tests see it.
  pid_t pid() const { return pid_; }
  // Exit status when it ended, and everything it started with it, within `seconds`
  // (a signal gives 128 + signal number); nullopt while anything of it still runs.
  std::optional<int> wait_exit(double seconds);
  bool running();
  void write_stdin(const std::string& bytes);
  void close_stdin();
  // Waits for a visible window of this process whose client area is at least
  // min_width wide (0 = any); 0 when none came.
  unsigned long wait_window(double seconds, int min_width = 0);
  // Waits for a visible window of the process other than `except`.
  unsigned long wait_other_window(unsigned long except, double seconds);
  std::string log() const;
  void kill_now();
  // "pid name" of every process in the program's namespace but its first one.
  std::vector<std::string> left_in_namespace() const;

 private:
  XServer& x_;
  // The test's child, and the first process of the program's own namespace.
  pid_t keeper_ = -1;
  pid_t init_ = -1;
  pid_t pid_ = -1;
  // The id the program has inside its namespace, which its windows carry.
  pid_t window_pid_ = -1;
  std::string namespace_;
  int stdin_fd_ = -1;
  std::optional<int> status_;
  fs::path log_path_;
};

// A refusal of the program: waits up to `seconds` for its 200 x 30 message window
// and returns what the window shows once drawn (empty, with a failure, when none
// came). The process keeps waiting for its key.
Picture refusal_message(XServer& x, Process& p, double seconds);
// Types a key into the focused message window of a refusal; the program must then
// end with status 0.
void end_refusal_with_key(XServer& x, Process& p);

// Path of the built program and the repository's files.
fs::path tessary_exe();
fs::path source_dir();

// A running editing session: Xvfb, a scratch folder with `work/` as the working
// directory, Tessary on a picture written there, and input in client coordinates.
class Session {
 public:
  explicit Session(Program program = linux_build());
  ~Session();
  // Writes `picture` as work/<name> (BMP) and starts the program on it; with `logo`
  // the working folder also holds the panel logo. Fails the test when the editing
  // window does not come up.
  void start(const Picture& picture, const std::string& name = "pic.bmp", bool logo = false);
  // Starts on a picture file already in the working folder, which the program shows
  // at width x height (after its own scaling).
  void start_file(const std::string& name, int width, int height);
  // Later starts run the program beside `other` (in its PID namespace), so that they
  // meet what is left there.
  void run_beside(const Process& other) { beside_ = &other; }

  XServer& x() { return *x_; }
  Process& app() { return *app_; }
  const fs::path& root() const { return tmp_.path(); }
  fs::path work() const { return tmp_.path() / "work"; }
  unsigned long window() const { return window_; }
  const Rect& client() const { return client_; }
  int picture_width() const { return picture_width_; }
  int picture_top() const { return picture_top_; }
  Rect picture_rect() const;  // client coordinates of the picture

  // Input, in client coordinates.
  void move(int x, int y);
  void press(int button);
  void release(int button);
  void click(int x, int y, int button = 1);
  void key_down(const std::string& key);
  void key_up(const std::string& key);
  void wheel(int x, int y, int notches);  // positive = away from the user
  // Moves the pointer onto a spot of the panel where no row or swatch is.
  void park();

  // Client area now.
  Picture shot();
  // Polls until two shots in a row agree (bounded); returns the last one.
  Picture settle(double seconds = 8);
  // Waits until `region` differs from `before`, then settles; nullopt on timeout.
  std::optional<Picture> wait_change(const Picture& before, const Rect& region, double seconds = 10);
  // Lets the program handle what is queued when no visible change is expected.
  Picture quiet(double seconds = 0.4);

  // Panel actions (left click on a row or swatch), each waiting until `watch`
  // changed when given.
  void click_row(int row);
  Rect row_rect(int row) const;    // whole row, frame centre lines
  Rect value_box(int row) const;   // the value text box
  Rect swatch_rect(int slot) const;
  Rect outline_sample() const;
  Rect fill_sample() const;
  // Clicks "save" and dismisses the message box titled save_caption(); returns the
  // box's title (empty when none appeared).
  std::string save_and_confirm(Picture* box_shot = nullptr);
  // Waits for the message box of a save however it was asked for, and dismisses it
  // as save_and_confirm does.
  std::string confirm_save_box(Picture* box_shot = nullptr);

  // Writes a picture into the scratch folder for a failing test to look at.
  void keep(const std::string& name, const Picture& picture);

 private:
  // With E2E_TRACE set, tells how long a wait took.
  static void trace(const char* what, std::chrono::steady_clock::time_point since);
  Program program_;
  std::optional<WineServer> wine_;
  TempDir tmp_;
  std::unique_ptr<XServer> x_;
  std::unique_ptr<Process> app_;
  const Process* beside_ = nullptr;
  unsigned long window_ = 0;
  Rect client_;
  int picture_width_ = 0;
  int picture_top_ = 0;
  int picture_height_ = 0;
  std::optional<std::pair<int, int>> pointer_;  // last position moved to, client coordinates
};

}  // namespace e2e
