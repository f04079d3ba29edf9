#include "e2e_support.h"

#include <png.h>

#include "app/texts.h"
#include "platform/gbk.h"
#include "tests/app/own_pid_namespace.h"

#include <gtest/gtest.h>

// After gtest: the X headers define macros (None, Bool, Status) that its headers use as names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void put16(std::string& out, uint32_t v) {
  out.push_back(char(v & 0xFF));
  out.push_back(char((v >> 8) & 0xFF));
}
void put32(std::string& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}
void put32_be(std::string& out, uint32_t v) {
  out.push_back(char(v >> 24));
  out.push_back(char((v >> 16) & 0xFF));
  out.push_back(char((v >> 8) & 0xFF));
  out.push_back(char(v & 0xFF));
}
uint32_t get16(const std::string& s, size_t at) { return uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8); }
uint32_t get32(const std::string& s, size_t at) { return get16(s, at) | (get16(s, at + 2) << 16); }

bool write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  return bool(out);
}

std::optional<std::string> read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

uint32_t crc32(const std::string& data, size_t from, size_t to) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = from; i < to; ++i) {
    c ^= uint8_t(data[i]);
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

void png_chunk(std::string& out, const char* type, const std::string& body) {
  put32_be(out, uint32_t(body.size()));
  size_t start = out.size();
  out.append(type, 4);
  out += body;
  put32_be(out, crc32(out, start, out.size()));
}

}  // namespace

void Picture::fill(int x0, int y0, int x1, int y1, uint32_t v) {
  for (int y = std::max(y0, 0); y <= std::min(y1, height - 1); ++y)
    for (int x = std::max(x0, 0); x <= std::min(x1, width - 1); ++x) set(x, y, v);
}

Picture Picture::crop(const Rect& r) const {
  Picture out(r.width, r.height);
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x) {
      int sx = r.x + x, sy = r.y + y;
      out.set(x, y, sx >= 0 && sy >= 0 && sx < width && sy < height ? at(sx, sy) : 0);
    }
  return out;
}

bool write_bmp(const fs::path& path, const Picture& p) {
  const uint32_t row = (uint32_t(p.width) * 3 + 3) & ~3u;
  const uint32_t data = row * uint32_t(p.height);
  std::string out = "BM";
  put32(out, 54 + data);
  put32(out, 0);
  put32(out, 54);
  put32(out, 40);
  put32(out, uint32_t(p.width));
  put32(out, uint32_t(p.height));
  put16(out, 1);
  put16(out, 24);
  put32(out, 0);
  put32(out, data);
  put32(out, 2835);
  put32(out, 2835);
  put32(out, 0);
  put32(out, 0);
  for (int y = p.height - 1; y >= 0; --y) {
    for (int x = 0; x < p.width; ++x) {
      uint32_t v = p.at(x, y);
      out.push_back(char(v & 0xFF));
      out.push_back(char((v >> 8) & 0xFF));
      out.push_back(char((v >> 16) & 0xFF));
    }
    out.append(row - uint32_t(p.width) * 3, '\0');
  }
  return write_file(path, out);
}

std::optional<Picture> read_bmp(const fs::path& path) {
  auto bytes = read_file(path);
  if (!bytes || bytes->size() < 54 || (*bytes)[0] != 'B' || (*bytes)[1] != 'M') return std::nullopt;
  const std::string& s = *bytes;
  const uint32_t offset = get32(s, 10);
  const int32_t width = int32_t(get32(s, 18));
  const int32_t raw_height = int32_t(get32(s, 22));
  const uint32_t bits = get16(s, 28);
  const uint32_t compression = get32(s, 30);
  if (width <= 0 || raw_height == 0 || (bits != 24 && bits != 32)) return std::nullopt;
  if (compression != 0 && !(compression == 3 && bits == 32)) return std::nullopt;
  const bool top_down = raw_height < 0;
  const int32_t height = top_down ? -raw_height : raw_height;
  const size_t bpp = bits / 8;
  const size_t row = (size_t(width) * bpp + 3) & ~size_t(3);
  if (offset + row * size_t(height) > s.size()) return std::nullopt;
  Picture p(width, height);
  for (int32_t y = 0; y < height; ++y) {
    size_t at = offset + row * size_t(top_down ? y : height - 1 - y);
    for (int32_t x = 0; x < width; ++x, at += bpp)
      p.set(x, y, rgb(uint8_t(s[at + 2]), uint8_t(s[at + 1]), uint8_t(s[at])));
  }
  return p;
}

bool write_png(const fs::path& path, const Picture& p) {
  std::string raw;
  for (int y = 0; y < p.height; ++y) {
    raw.push_back('\0');
    for (int x = 0; x < p.width; ++x) {
      uint32_t v = p.at(x, y);
      raw.push_back(char((v >> 16) & 0xFF));
      raw.push_back(char((v >> 8) & 0xFF));
      raw.push_back(char(v & 0xFF));
    }
  }
  // zlib stream of stored blocks.
  std::string z = "\x78\x01";
  size_t pos = 0;
  do {
    size_t n = std::min<size_t>(65535, raw.size() - pos);
    bool last = pos + n == raw.size();
    z.push_back(last ? 1 : 0);
    put16(z, uint32_t(n));
    put16(z, uint32_t(~n & 0xFFFF));
    z.append(raw, pos, n);
    pos += n;
  } while (pos < raw.size());
  uint32_t a = 1, b = 0;
  for (char c : raw) {
    a = (a + uint8_t(c)) % 65521;
    b = (b + a) % 65521;
  }
  put32_be(z, (b << 16) | a);

  std::string out = "\x89PNG\r\n\x1a\n";
  std::string header;
  put32_be(header, uint32_t(p.width));
  put32_be(header, uint32_t(p.height));
  header += std::string("\x08\x02\x00\x00\x00", 5);
  png_chunk(out, "IHDR", header);
  png_chunk(out, "IDAT", z);
  png_chunk(out, "IEND", "");
  return write_file(path, out);
}

std::string DiffReport::describe() const {
  std::ostringstream s;
  s << differing << " pixels differ, largest channel difference " << max_channel << ", total " << total;
  if (!first.empty()) s << ", first " << first;
  return s.str();
}

DiffReport diff_pictures(const Picture& expected, const Picture& actual, const fs::path& diff_png) {
  DiffReport r;
  if (expected.width != actual.width || expected.height != actual.height) {
    r.differing = -1;
    r.first = "size " + std::to_string(expected.width) + "x" + std::to_string(expected.height) + " expected, got " +
              std::to_string(actual.width) + "x" + std::to_string(actual.height);
    return r;
  }
  Picture marks(expected.width, expected.height, BLACK);
  for (int y = 0; y < expected.height; ++y)
    for (int x = 0; x < expected.width; ++x) {
      uint32_t e = expected.at(x, y), a = actual.at(x, y);
      if (e == a) continue;
      ++r.differing;
      marks.set(x, y, 0xFF0000);
      for (int shift = 0; shift <= 16; shift += 8) {
        int d = std::abs(int((e >> shift) & 0xFF) - int((a >> shift) & 0xFF));
        r.max_channel = std::max(r.max_channel, d);
        r.total += d;
      }
      if (r.first.empty()) {
        char text[96];
        std::snprintf(text, sizeof text, "(%d, %d): expected %06X, got %06X", x, y, e, a);
        r.first = text;
      }
    }
  if (r.differing > 0 && !diff_png.empty()) {
    const int w = expected.width;
    Picture side(w * 3 + 8, expected.height, 0x404040);
    for (int y = 0; y < expected.height; ++y)
      for (int x = 0; x < w; ++x) {
        side.set(x, y, expected.at(x, y));
        side.set(w + 4 + x, y, actual.at(x, y));
        side.set(2 * w + 8 + x, y, marks.at(x, y));
      }
    write_png(diff_png, side);
  }
  return r;
}

TempDir::TempDir() {
  char pattern[] = "/tmp/tessary-e2e-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (made) path_ = made;
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  if (std::getenv("E2E_KEEP") || ::testing::Test::HasFailure()) {
    std::fprintf(stderr, "e2e: scratch folder kept at %s\n", path_.c_str());
    return;
  }
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string shell_quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out.push_back(c);
  }
  return out + "'";
}

CommandResult run_command(const std::string& command, const std::string& display) {
  std::string line = command;
  if (!display.empty()) line = "DISPLAY=" + display + " " + command;
  CommandResult result;
  FILE* pipe = popen(line.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// The few Xlib calls the tests need, loaded at run time so that the test programs
// need no link against libX11.
struct XServer::Xlib {
  void* handle = nullptr;
  decltype(&XOpenDisplay) open_display = nullptr;
  decltype(&XCloseDisplay) close_display = nullptr;
  decltype(&XGetImage) get_image = nullptr;
  decltype(&XGetWindowAttributes) get_window_attributes = nullptr;
  decltype(&XTranslateCoordinates) translate_coordinates = nullptr;
  decltype(&XInternAtom) intern_atom = nullptr;
  decltype(&XSendEvent) send_event = nullptr;
  decltype(&XSync) sync = nullptr;
  decltype(&XGetWindowProperty) get_window_property = nullptr;
  decltype(&XFree) free = nullptr;
  decltype(&XSetErrorHandler) set_error_handler = nullptr;
  decltype(&XQueryTree) query_tree = nullptr;

  bool load() {
    handle = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!handle) return false;
    auto get = [&](auto& fn, const char* name) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(handle, name));
      return fn != nullptr;
    };
    return get(open_display, "XOpenDisplay") && get(close_display, "XCloseDisplay") &&
           get(get_image, "XGetImage") && get(get_window_attributes, "XGetWindowAttributes") &&
           get(translate_coordinates, "XTranslateCoordinates") && get(intern_atom, "XInternAtom") &&
           get(send_event, "XSendEvent") && get(sync, "XSync") &&
           get(get_window_property, "XGetWindowProperty") && get(free, "XFree") &&
           get(set_error_handler, "XSetErrorHandler") && get(query_tree, "XQueryTree");
  }
};

namespace {
// Windows vanish under the tests' feet (a program that ends); such errors are normal.
int ignore_x_errors(Display*, XErrorEvent*) { return 0; }
}  // namespace

XServer::XServer() : xlib_(std::make_unique<Xlib>()) {
  if (!xlib_->load()) {
    ADD_FAILURE() << "libX11.so.6 cannot be loaded";
    return;
  }
  xlib_->set_error_handler(ignore_x_errors);
  // The server picks a free display itself and tells its number, so tests that start
  // servers at the same moment never meet on one.
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe failed";
    return;
  }
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (ends[1] == 3) fcntl(3, F_SETFD, 0);
    dup2(ends[1], 3);
    setpgid(0, 0);
    execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1600x1000x24", "-nolisten", "tcp", "-nocursor",
           "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ends[1]);
  std::string number;
  for (auto start = Clock::now(); pid > 0 && seconds_since(start) < 15;) {
    pollfd ready{ends[0], POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) continue;
    char c;
    if (read(ends[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(ends[0]);
  if (!number.empty()) display_ = xlib_->open_display((":" + number).c_str());
  if (display_) {
    server_ = pid;
    name_ = ":" + number;
  } else if (pid > 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  if (!display_) ADD_FAILURE() << "no Xvfb could be started";
}

XServer::~XServer() {
  if (display_) xlib_->close_display(static_cast<Display*>(display_));
  if (server_ > 0) {
    kill(server_, SIGTERM);
    auto start = Clock::now();
    while (seconds_since(start) < 3) {
      if (waitpid(server_, nullptr, WNOHANG) == server_) {
        server_ = -1;
        break;
      }
      sleep_ms(20);
    }
    if (server_ > 0) {
      kill(server_, SIGKILL);
      waitpid(server_, nullptr, 0);
    }
  }
  if (xlib_->handle) dlclose(xlib_->handle);
}

Picture XServer::screenshot() {
  Display* d = static_cast<Display*>(display_);
  XWindowAttributes attributes;
  xlib_->get_window_attributes(d, DefaultRootWindow(d), &attributes);
  return screenshot(Rect{0, 0, attributes.width, attributes.height});
}

Picture XServer::screenshot(const Rect& area) {
  Display* d = static_cast<Display*>(display_);
  Picture out(area.width, area.height);
  XImage* image = xlib_->get_image(d, DefaultRootWindow(d), area.x, area.y, unsigned(area.width),
                                   unsigned(area.height), AllPlanes, ZPixmap);
  if (!image) return out;
  for (int y = 0; y < image->height && y < area.height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(image->data + size_t(y) * image->bytes_per_line);
    uint32_t* to = out.pixels.data() + size_t(y) * area.width;
    for (int x = 0; x < image->width && x < area.width; ++x) to[x] = row[x] & 0xFFFFFF;
  }
  XDestroyImage(image);
  return out;
}

std::optional<Rect> XServer::client_rect(unsigned long window) {
  Display* d = static_cast<Display*>(display_);
  XWindowAttributes attributes;
  if (!xlib_->get_window_attributes(d, window, &attributes)) return std::nullopt;
  int x = 0, y = 0;
  Window child;
  if (!xlib_->translate_coordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child)) return std::nullopt;
  return Rect{x, y, attributes.width, attributes.height};
}

bool XServer::window_viewable(unsigned long window) {
  Display* d = static_cast<Display*>(display_);
  XWindowAttributes attributes;
  if (!xlib_->get_window_attributes(d, window, &attributes)) return false;
  return attributes.map_state == IsViewable;
}

std::string XServer::window_title(unsigned long window) {
  Display* d = static_cast<Display*>(display_);
  for (const char* property : {"_NET_WM_NAME", "WM_NAME"}) {
    Atom name = xlib_->intern_atom(d, property, False);
    Atom type;
    int format;
    unsigned long count, rest;
    unsigned char* data = nullptr;
    if (xlib_->get_window_property(d, window, name, 0, 1024, False, AnyPropertyType, &type, &format, &count, &rest,
                                   &data) == Success &&
        data) {
      std::string title(reinterpret_cast<char*>(data), count);
      xlib_->free(data);
      if (!title.empty()) return title;
    }
  }
  return {};
}

void XServer::send_close_request(unsigned long window) {
  Display* d = static_cast<Display*>(display_);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = xlib_->intern_atom(d, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = long(xlib_->intern_atom(d, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  xlib_->send_event(d, window, False, NoEventMask, &event);
  xlib_->sync(d, False);
}

unsigned long XServer::find_window_by_title(const std::string& title) {
  Display* d = static_cast<Display*>(display_);
  Window root_return, parent;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!xlib_->query_tree(d, DefaultRootWindow(d), &root_return, &parent, &children, &count)) return 0;
  unsigned long found = 0;
  for (unsigned int i = 0; i < count && !found; ++i)
    if (window_viewable(children[i]) && window_title(children[i]) == title) found = children[i];
  if (children) xlib_->free(children);
  return found;
}

CommandResult XServer::xdotool(const std::string& arguments) {
  return run_command("xdotool " + arguments + " 2>/dev/null", name_);
}

std::vector<unsigned long> XServer::windows_of(pid_t pid) {
  std::vector<unsigned long> out;
  std::istringstream lines(xdotool("search --onlyvisible --pid " + std::to_string(pid)).output);
  unsigned long id;
  while (lines >> id) out.push_back(id);
  return out;
}

namespace {

// Everything the program's start needs, made before the fork: the child of a possibly
// threaded test program only makes system calls.
struct Launch {
  std::string exe;
  std::string workdir;
  std::string log_path;
  std::vector<std::string> argv_text;
  std::vector<std::string> env_text;
  std::vector<char*> argv;
  std::vector<char*> envp;
  int stdin_fd = -1;
  int ready_fd = -1;
  // The test's ends of the pipes: held by the keeper they would keep the program's
  // input from ever ending.
  int test_ends[2] = {-1, -1};
};

[[noreturn]] void exec_program(const Launch& l) {
  if (chdir(l.workdir.c_str()) != 0) _exit(126);
  int log = open(l.log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  dup2(l.stdin_fd, 0);
  if (log >= 0) {
    dup2(log, 1);
    dup2(log, 2);
  }
  execve(l.exe.c_str(), l.argv.data(), l.envp.data());
  _exit(127);
}

// A program's status as the keeper passes it on: its exit status, or 128 + signal.
int status_code(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

// Starts the program as its child and tells the test it runs; its own exit status is
// the program's. Without `reap_all` it waits for the program alone.
[[noreturn]] void keep_program(const Launch& l, bool reap_all) {
  close(l.test_ends[0]);
  close(l.test_ends[1]);
  const pid_t program = fork();
  if (program == 0) exec_program(l);
  const char ready = 'r';
  if (write(l.ready_fd, &ready, 1) != 1) _exit(125);
  close(l.ready_fd);
  close(l.stdin_fd);
  if (program < 0) _exit(124);
  int code = 124;
  for (;;) {
    int status = 0;
    const pid_t ended = waitpid(reap_all ? -1 : program, &status, 0);
    if (ended == program) {
      code = status_code(status);
      if (!reap_all) break;
    }
    if (ended < 0 && errno != EINTR) break;
  }
  _exit(code);
}

// Made the first process of a fresh PID namespace (the first child after the
// unshare), it gives the namespace its own /proc, so the program there sees only its
// own processes, and everything the program leaves behind becomes its child. It ends
// when nothing else is left.
[[noreturn]] void namespace_init(const Launch& l) {
  if (own_pid_namespace::keep_mounts_private() != 0) _exit(123);
  if (mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) _exit(123);
  keep_program(l, true);
}

// Outside the namespace, the test's own child: it makes the namespace, starts its
// first process and ends with that one's status.
[[noreturn]] void start_namespace(const Launch& l) {
  if (unshare(CLONE_NEWPID | CLONE_NEWNS) != 0) _exit(122);
  const pid_t init = fork();
  if (init == 0) namespace_init(l);
  close(l.ready_fd);
  close(l.stdin_fd);
  close(l.test_ends[0]);
  close(l.test_ends[1]);
  int status = 0;
  while (init > 0 && waitpid(init, &status, 0) < 0 && errno == EINTR) {
  }
  _exit(init > 0 ? status_code(status) : 124);
}

// The first child of `pid`, 0 when it has none.
pid_t first_child(pid_t pid) {
  std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
  pid_t child = 0;
  children >> child;
  return child;
}

std::string namespace_of(pid_t pid) {
  std::error_code ec;
  return fs::read_symlink("/proc/" + std::to_string(pid) + "/ns/pid", ec).string();
}

// The last number of a process's NSpid line: its id inside its own namespace.
pid_t inner_pid(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("NSpid:", 0) != 0) continue;
    std::istringstream ids(line.substr(6));
    pid_t id = pid;
    for (pid_t next; ids >> next;) id = next;
    return id;
  }
  return pid;
}

}  // namespace

Process::Process(XServer& x, const fs::path& exe, const std::vector<std::string>& args, const fs::path& workdir,
                 const fs::path& log_dir, const std::string& display, const Process* beside)
    : Process(x, Program{exe, {}}, args, workdir, log_dir, display, beside) {}

Process::Process(XServer& x, const Program& program, const std::vector<std::string>& args, const fs::path& workdir,
                 const fs::path& log_dir, const std::string& display, const Process* beside)
    : x_(x) {
  static int counter = 0;
  log_path_ = log_dir / ("tessary-" + std::to_string(++counter) + ".log");
  int pipe_fds[2];
  int ready_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0 || pipe2(ready_fds, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe failed";
    return;
  }
  Launch l;
  // Wine's loader becomes the Windows process itself, so the process id is the one
  // its windows carry.
  l.exe = program.under_wine() ? program.loader.string() : program.exe.string();
  l.workdir = workdir.string();
  l.log_path = log_path_.string();
  if (program.under_wine()) l.argv_text.push_back(program.loader.string());
  l.argv_text.push_back(program.exe.string());
  l.argv_text.insert(l.argv_text.end(), args.begin(), args.end());
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (entry.rfind("DISPLAY=", 0) != 0 && entry.rfind("ASAN_OPTIONS=", 0) != 0) l.env_text.push_back(entry);
  }
  if (program.under_wine()) {
    l.env_text.push_back("WINEPREFIX=" + wine_prefix().string());
    l.env_text.push_back("WINEDEBUG=-all");
    l.env_text.push_back("WINEDLLOVERRIDES=mscoree,mshtml=");
  }
  l.env_text.push_back("DISPLAY=" + (display.empty() ? x.name() : display));
  // Leak reports at exit would turn a clean close into a failed status; leaks are
  // the unit tests' business. The quarantine of freed memory is kept small, so that
  // a decoder that frees and allocates as it goes (a HEIC's tiles) is held to the
  // memory bounds by what it holds, not by what the sanitizer keeps back.
  l.env_text.push_back("ASAN_OPTIONS=detect_leaks=0:quarantine_size_mb=16");
  for (auto& a : l.argv_text) l.argv.push_back(a.data());
  l.argv.push_back(nullptr);
  for (auto& e : l.env_text) l.envp.push_back(e.data());
  l.envp.push_back(nullptr);
  l.stdin_fd = pipe_fds[0];
  l.ready_fd = ready_fds[1];
  l.test_ends[0] = pipe_fds[1];
  l.test_ends[1] = ready_fds[0];

  // Tessary refuses to run beside another Tessary.exe, so each program gets a PID
  // namespace of its own and sees no other test's program, nor any instance running
  // elsewhere on the machine. A program started `beside` another joins that one's
  // namespace instead, and meets it there.
  if (program.under_wine()) {
    keeper_ = fork();
    if (keeper_ == 0) keep_program(l, false);
  } else if (beside == nullptr) {
    keeper_ = fork();
    if (keeper_ == 0) start_namespace(l);
  } else {
    const std::string proc = "/proc/" + std::to_string(beside->pid_);
    const int pid_ns = open((proc + "/ns/pid").c_str(), O_RDONLY | O_CLOEXEC);
    const int mount_ns = open((proc + "/ns/mnt").c_str(), O_RDONLY | O_CLOEXEC);
    // Joining a mount namespace moves the root to the namespace's own; in a chroot the
    // other program's root (the chroot, as that namespace sees it) is taken back.
    const int root = open((proc + "/root").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (pid_ns < 0 || mount_ns < 0 || root < 0) ADD_FAILURE() << "the program to run beside has ended";
    keeper_ = pid_ns < 0 || mount_ns < 0 || root < 0 ? -1 : fork();
    if (keeper_ == 0) {
      if (setns(pid_ns, CLONE_NEWPID) != 0 || setns(mount_ns, CLONE_NEWNS) != 0) _exit(122);
      if (fchdir(root) != 0 || chroot(".") != 0) _exit(122);
      keep_program(l, false);
    }
    for (int fd : {pid_ns, mount_ns, root}) {
      if (fd >= 0) close(fd);
    }
  }
  close(pipe_fds[0]);
  close(ready_fds[1]);
  stdin_fd_ = pipe_fds[1];
  char ready = 0;
  if (keeper_ > 0 && read(ready_fds[0], &ready, 1) == 1) {
    // The program is the only child of the process that started it.
    const bool own_namespace = beside == nullptr && !program.under_wine();
    init_ = own_namespace ? first_child(keeper_) : -1;
    pid_ = first_child(own_namespace ? init_ : keeper_);
  } else if (keeper_ > 0) {
    ADD_FAILURE() << "the program could not be started in a PID namespace of its own (exit status "
                  << wait_exit(5).value_or(-1) << "); the end-to-end tests need root";
  }
  close(ready_fds[0]);
  if (pid_ <= 0) pid_ = keeper_;
  window_pid_ = inner_pid(pid_);
  namespace_ = namespace_of(pid_);
}

Process::~Process() {
  close_stdin();
  kill_now();
}

void Process::kill_now() {
  if (keeper_ > 0 && !status_) {
    // The namespace's first process takes everything in the namespace with it.
    for (pid_t pid : {pid_, init_}) {
      if (pid > 0 && pid != keeper_) kill(pid, SIGKILL);
    }
    kill(keeper_, SIGKILL);
    int status = 0;
    waitpid(keeper_, &status, 0);
    status_ = 128 + SIGKILL;
  }
}

std::vector<std::string> Process::left_in_namespace() const {
  std::vector<std::string> out;
  if (namespace_.empty()) return out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    const pid_t pid = pid_t(std::stol(name));
    if (pid == init_ || namespace_of(pid) != namespace_) continue;
    std::ifstream comm(entry.path() / "comm");
    std::string command;
    std::getline(comm, command);
    out.push_back(name + " " + command);
  }
  return out;
}

std::optional<int> Process::wait_exit(double seconds) {
  if (status_) return status_;
  if (keeper_ <= 0) return status_ = 127;
  auto start = Clock::now();
  do {
    int status = 0;
    if (waitpid(keeper_, &status, WNOHANG) == keeper_) {
      // The keeper ends with the program's status (128 + signal for a signal).
      status_ = status_code(status);
      return status_;
    }
    sleep_ms(20);
  } while (seconds_since(start) < seconds);
  return std::nullopt;
}

bool Process::running() { return !wait_exit(0).has_value(); }

void Process::write_stdin(const std::string& bytes) {
  if (stdin_fd_ >= 0) {
    ssize_t written = write(stdin_fd_, bytes.data(), bytes.size());
    (void)written;
  }
}

void Process::close_stdin() {
  if (stdin_fd_ >= 0) close(stdin_fd_);
  stdin_fd_ = -1;
}

unsigned long Process::wait_window(double seconds, int min_width) {
  auto start = Clock::now();
  do {
    for (unsigned long id : x_.windows_of(window_pid_)) {
      auto rect = x_.client_rect(id);
      if (rect && rect->width >= min_width && x_.window_viewable(id)) return id;
    }
    if (!running()) return 0;
    sleep_ms(50);
  } while (seconds_since(start) < seconds);
  return 0;
}

unsigned long Process::wait_other_window(unsigned long except, double seconds) {
  auto start = Clock::now();
  do {
    for (unsigned long id : x_.windows_of(window_pid_))
      if (id != except && x_.window_viewable(id)) return id;
    sleep_ms(50);
  } while (seconds_since(start) < seconds);
  return 0;
}

std::string Process::log() const { return read_file(log_path_).value_or(""); }

std::string save_caption() { return platform::gbk_to_utf8(texts::caption_save); }

fs::path tessary_exe() { return TESSARY_EXE; }
fs::path source_dir() { return TESSARY_SOURCE_DIR; }

Program linux_build() { return Program{tessary_exe(), {}}; }

Program windows_build(const std::string& arch) {
  return Program{fs::path(TESSARY_WINDOWS_BUILD) / arch / "Tessary.exe",
                 arch == "x86_64" ? "/usr/lib/wine/wine64" : "/usr/lib/wine/wine"};
}

fs::path wine_prefix() { return fs::path(TESSARY_WINDOWS_BUILD) / "wineprefix"; }

namespace {
void end_wineserver() {
  run_command("WINEPREFIX=" + shell_quote(wine_prefix().string()) + " wineserver -k >/dev/null 2>&1; WINEPREFIX=" +
              shell_quote(wine_prefix().string()) + " wineserver -w >/dev/null 2>&1");
}
}  // namespace

WineServer::WineServer() {
  if (!fs::exists(wine_prefix() / "system.reg")) ADD_FAILURE() << "no Wine prefix at " << wine_prefix();
  end_wineserver();
}

WineServer::~WineServer() { end_wineserver(); }

Session::Session(Program program) : program_(std::move(program)), x_(std::make_unique<XServer>()) {
  if (program_.under_wine()) wine_.emplace();
  fs::create_directories(work());
}

Session::~Session() {
  if (::testing::Test::HasFailure() && app_) {
    std::fprintf(stderr, "e2e: program output:\n%s\n", app_->log().c_str());
    if (x_->ok()) write_png(root() / "screen-at-end.png", x_->screenshot());
  }
  app_.reset();
}

void Session::start(const Picture& picture, const std::string& name, bool logo) {
  ASSERT_TRUE(write_bmp(work() / name, picture));
  if (logo) fs::copy_file(source_dir() / "assets" / "CORVALIS.jpg", work() / "CORVALIS.jpg");
  start_file(name, picture.width, picture.height);
}

void Session::start_file(const std::string& name, int width, int height) {
  ASSERT_TRUE(x_->ok());
  app_ = std::make_unique<Process>(*x_, program_, std::vector<std::string>{name}, work(), root(), "", beside_);
  window_ = app_->wait_window(30, 200 + 1);
  ASSERT_NE(window_, 0u) << "the editing window did not appear; exit status "
                         << app_->wait_exit(0).value_or(-1) << "\n"
                         << app_->log();
  auto rect = x_->client_rect(window_);
  ASSERT_TRUE(rect.has_value());
  client_ = *rect;
  picture_width_ = width;
  picture_height_ = height;
  picture_top_ = (768 - height) / 2;
  x_->xdotool("windowfocus --sync " + std::to_string(window_));
  settle();
}

Rect Session::picture_rect() const {
  return Rect{0, picture_top_, picture_width_, picture_height_};
}

void Session::move(int x, int y) {
  // xdotool's --sync waits for the pointer to move, which it never does when it is
  // already there.
  if (pointer_ == std::pair{x, y}) return;
  x_->xdotool("mousemove --sync " + std::to_string(client_.x + x) + " " + std::to_string(client_.y + y));
  pointer_ = {x, y};
}
void Session::press(int button) { x_->xdotool("mousedown " + std::to_string(button)); }
void Session::release(int button) { x_->xdotool("mouseup " + std::to_string(button)); }
void Session::click(int x, int y, int button) {
  move(x, y);
  press(button);
  release(button);
}
void Session::key_down(const std::string& key) { x_->xdotool("keydown " + key); }
void Session::key_up(const std::string& key) { x_->xdotool("keyup " + key); }
void Session::wheel(int x, int y, int notches) {
  move(x, y);
  if (notches == 0) return;
  x_->xdotool("click --delay 15 --repeat " + std::to_string(std::abs(notches)) + " " + (notches > 0 ? "4" : "5"));
}
void Session::park() { move(picture_width_ + 190, 10); }

Picture Session::shot() { return x_->screenshot(client_); }

Picture Session::settle(double seconds) {
  auto start = Clock::now();
  Picture last = shot();
  int same = 0;
  while (seconds_since(start) < seconds) {
    sleep_ms(40);
    Picture next = shot();
    if (next == last) {
      if (++same >= 2) {
        trace("settled", start);
        return next;
      }
    } else {
      same = 0;
      last = std::move(next);
    }
  }
  trace("did not settle", start);
  return last;
}

void Session::trace(const char* what, std::chrono::steady_clock::time_point since) {
  if (std::getenv("E2E_TRACE")) std::fprintf(stderr, "e2e: %s after %.3f s\n", what, seconds_since(since));
}

std::optional<Picture> Session::wait_change(const Picture& before, const Rect& region, double seconds) {
  auto start = Clock::now();
  const Picture old = before.crop(region);
  while (seconds_since(start) < seconds) {
    Picture now = shot();
    if (!(now.crop(region) == old)) {
      trace("changed", start);
      return settle();
    }
    sleep_ms(30);
  }
  trace("no change", start);
  return std::nullopt;
}

Picture Session::quiet(double seconds) {
  sleep_ms(int(seconds * 1000));
  return settle();
}

namespace {
// left, top, right, bottom of the panel rows, left and right relative to the panel.
constexpr int ROWS[12][4] = {{20, 100, 180, 130}, {20, 150, 180, 180}, {20, 200, 180, 230}, {20, 250, 180, 280},
                             {20, 300, 180, 430}, {20, 450, 180, 480}, {20, 500, 180, 530}, {20, 550, 180, 580},
                             {20, 600, 180, 630}, {20, 650, 90, 680},  {110, 650, 180, 680}, {20, 700, 180, 730}};
}  // namespace

Rect Session::row_rect(int row) const {
  const int* r = ROWS[row];
  return Rect{picture_width_ + r[0], r[1], r[2] - r[0] + 1, r[3] - r[1] + 1};
}

Rect Session::value_box(int row) const {
  const int* r = ROWS[row];
  return Rect{picture_width_ + r[0] + 80, r[1] + 5, (r[2] - 10) - (r[0] + 80) + 1, (r[3] - 5) - (r[1] + 5) + 1};
}

Rect Session::swatch_rect(int slot) const {
  int c = slot % 5, r = slot / 5;
  return Rect{picture_width_ + 26 + 30 * c + 1, 328 + 16 * r + 1, 28, 14};
}

Rect Session::outline_sample() const { return Rect{picture_width_ + 73, 309, 28, 15}; }
Rect Session::fill_sample() const { return Rect{picture_width_ + 147, 309, 28, 15}; }

void Session::click_row(int row) {
  Rect r = row_rect(row);
  // The caption sits at the left; the middle right of a row is free for every row.
  click(r.x + r.width - 30, r.y + r.height / 2);
}

std::string Session::save_and_confirm(Picture* box_shot) {
  click_row(11);
  return confirm_save_box(box_shot);
}

std::string Session::confirm_save_box(Picture* box_shot) {
  unsigned long box = 0;
  // The cut-out of a large photo is saved at its own size, which takes a while.
  for (auto start = Clock::now(); box == 0 && seconds_since(start) < 180; sleep_ms(50))
    box = x_->find_window_by_title(save_caption());
  if (box == 0) {
    ADD_FAILURE() << "no message box titled " << save_caption() << " appeared after saving";
    return {};
  }
  std::string title = x_->window_title(box);
  // The box's own content, once drawn.
  sleep_ms(300);
  if (box_shot) {
    auto rect = x_->client_rect(box);
    if (rect) *box_shot = x_->screenshot(*rect);
  }
  x_->xdotool("windowfocus --sync " + std::to_string(box));
  auto start = Clock::now();
  while (x_->window_viewable(box) && seconds_since(start) < 10) {
    x_->xdotool("key --clearmodifiers Return");
    for (int i = 0; i < 10 && x_->window_viewable(box); ++i) sleep_ms(50);
  }
  if (x_->window_viewable(box)) ADD_FAILURE() << "the message box did not close on Return";
  x_->xdotool("windowfocus " + std::to_string(window_));
  return title;
}

std::string why_no_wine32() {
  const std::string loader = windows_build("i686").loader.string();
  if (run_command(shell_quote(loader) + " --version >/dev/null 2>&1").status == 0) return {};
  const std::string state = run_command("dpkg-query -W -f '${db:Status-Status}' wine32:i386 2>/dev/null").output;
  if (state == "installed") return {};
  return "wine32:i386 is not installed (dpkg: " + (state.empty() ? std::string("no such package") : state) +
         "), so the 32-bit loader " + loader + " cannot start the i686 build";
}

Rgba read_rgba_png(const fs::path& path) {
  Rgba out;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) {
    ADD_FAILURE() << path << ": " << png.message;
    return out;
  }
  EXPECT_EQ(png.format, static_cast<uint32_t>(PNG_FORMAT_RGBA)) << path << " is not 8-bit RGBA";
  png.format = PNG_FORMAT_RGBA;
  out.bytes.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, out.bytes.data(), 0, nullptr)) {
    ADD_FAILURE() << path << ": " << png.message;
    out.bytes.clear();
    return out;
  }
  out.width = static_cast<int>(png.width);
  out.height = static_cast<int>(png.height);
  return out;
}

void Session::keep(const std::string& name, const Picture& picture) { write_png(root() / name, picture); }

Picture refusal_message(XServer& x, Process& p, double seconds) {
  unsigned long window = p.wait_window(seconds);
  if (window == 0) {
    ADD_FAILURE() << "no message window; exit status " << p.wait_exit(0).value_or(-1) << "\n" << p.log();
    return {};
  }
  auto rect = x.client_rect(window);
  EXPECT_TRUE(rect.has_value());
  if (!rect) return {};
  EXPECT_EQ(rect->width, 200);
  EXPECT_EQ(rect->height, 30);
  // Let the text be drawn.
  Picture last;
  for (int i = 0; i < 40; ++i) {
    Picture now = x.screenshot(*rect);
    if (now == last && !now.pixels.empty()) break;
    last = now;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  int lit = 0;
  for (uint32_t v : last.pixels) lit += v != BLACK;
  EXPECT_GT(lit, 30) << "the message window shows no text";
  return last;
}

void end_refusal_with_key(XServer& x, Process& p) {
  unsigned long window = p.wait_window(5);
  ASSERT_NE(window, 0u);
  // Typed through the server at the focused window, press and release alike. With
  // --window xdotool presses through the server while the window has the focus but
  // sends the release to the window itself; a program that ends on the press has
  // no window left by then, and the key stays down for the next program to see.
  const std::string focus_and_type = "windowfocus --sync " + std::to_string(window) + " key space";
  x.xdotool(focus_and_type);
  auto status = p.wait_exit(3);
  if (!status) {
    x.xdotool(focus_and_type);
    status = p.wait_exit(15);
  }
  ASSERT_TRUE(status.has_value()) << "a key in the message window did not end the program";
  EXPECT_EQ(*status, 0) << "program output:\n" << p.log();
}

}  // namespace e2e
