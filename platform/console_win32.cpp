// The key wait on Windows: console input records when standard input is a console,
// bytes when it is a pipe, a device or a file, and keys the graphics window posts.
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/console.h"
#include "platform/virtual_keys.h"

namespace platform {
namespace {

// Keys from the window and bytes from a read standard input: counts, and an event
// that wakes a waiter when one grows.
struct WindowKeys {
  std::mutex mutex;
  unsigned pending = 0;
  unsigned stdin_bytes = 0;
  HANDLE arrived = CreateEventW(nullptr, FALSE, FALSE, nullptr);
};

WindowKeys& window_keys() {
  static WindowKeys keys;
  return keys;
}

// Takes one key from the window or one byte the stdin reader got.
bool take_key() {
  WindowKeys& keys = window_keys();
  std::lock_guard lock(keys.mutex);
  unsigned& source = keys.pending > 0 ? keys.pending : keys.stdin_bytes;
  if (source == 0) return false;
  --source;
  return true;
}

void wait_on_window() {
  while (!take_key()) WaitForSingleObject(window_keys().arrived, INFINITE);
}

// A file gives its next byte at once, or ends.
void wait_on_file(HANDLE input) {
  char byte = 0;
  DWORD got = 0;
  if (take_key()) return;
  if (ReadFile(input, &byte, 1, &got, nullptr) && got == 1) return;
  wait_on_window();
}

// The console mode a key wait replaced, for restore_terminal from any thread.
std::atomic<bool> mode_changed{false};
DWORD saved_mode = 0;

// Reads what the console holds; true when a key went down among it.
bool read_console_key(HANDLE input) {
  INPUT_RECORD records[16];
  DWORD count = 0;
  if (!ReadConsoleInputW(input, records, 16, &count)) return false;
  for (DWORD i = 0; i < count; ++i) {
    if (records[i].EventType != KEY_EVENT) continue;
    const KEY_EVENT_RECORD& key = records[i].Event.KeyEvent;
    if (key.bKeyDown && !is_modifier_virtual_key(key.wVirtualKeyCode)) return true;
  }
  return false;
}

void wait_on_console(HANDLE input) {
  DWORD mode = 0;
  if (GetConsoleMode(input, &mode)) {
    // Ctrl+C is a key like the others here, as in a raw read.
    saved_mode = mode;
    if (SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_PROCESSED_INPUT))) mode_changed.store(true);
  }
  HANDLE sources[2] = {window_keys().arrived, input};
  bool console_readable = true;
  for (;;) {
    if (take_key()) break;
    const DWORD woke = WaitForMultipleObjects(console_readable ? 2 : 1, sources, FALSE, INFINITE);
    if (woke == WAIT_OBJECT_0 + 1) {
      if (read_console_key(input)) break;
    } else if (woke != WAIT_OBJECT_0) {
      // A console that can no longer be waited on leaves the window alone.
      if (!console_readable) break;
      console_readable = false;
    }
  }
  restore_terminal();
}

// Pipes and character devices cannot be waited on everywhere (Wine's pipes can't be
// peeked into either), so a thread of its own reads them, one byte per wait that
// asks for one. A byte read after its wait ended serves the next one.
struct StdinReader {
  std::mutex mutex;
  std::condition_variable asked;
  bool wanted = false;
  bool ended = false;
  bool started = false;
};

StdinReader& stdin_reader() {
  static StdinReader reader;
  return reader;
}

void read_stdin_bytes(HANDLE input) {
  StdinReader& reader = stdin_reader();
  for (;;) {
    {
      std::unique_lock lock(reader.mutex);
      reader.asked.wait(lock, [&] { return reader.wanted; });
    }
    char byte = 0;
    DWORD got = 0;
    const bool read = ReadFile(input, &byte, 1, &got, nullptr) && got == 1;
    {
      std::lock_guard lock(reader.mutex);
      reader.wanted = false;
      // End of input (or an error) leaves the window alone to end waits.
      if (!read) reader.ended = true;
    }
    if (!read) return;
    WindowKeys& keys = window_keys();
    {
      std::lock_guard lock(keys.mutex);
      ++keys.stdin_bytes;
    }
    SetEvent(keys.arrived);
  }
}

void wait_with_reader(HANDLE input) {
  StdinReader& reader = stdin_reader();
  {
    std::lock_guard lock(reader.mutex);
    if (!reader.started) {
      reader.started = true;
      std::thread([input] { read_stdin_bytes(input); }).detach();
    }
    if (!reader.ended) reader.wanted = true;
  }
  reader.asked.notify_one();
  wait_on_window();
}

}  // namespace

void post_window_key(uint32_t /*code*/) {
  WindowKeys& keys = window_keys();
  {
    std::lock_guard lock(keys.mutex);
    ++keys.pending;
  }
  SetEvent(keys.arrived);
}

void restore_terminal() {
  if (mode_changed.exchange(false)) SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), saved_mode);
}

void wait_for_key() {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  const DWORD type = input == nullptr || input == INVALID_HANDLE_VALUE ? FILE_TYPE_UNKNOWN : GetFileType(input);
  if (type != FILE_TYPE_UNKNOWN && GetConsoleMode(input, &mode)) {
    wait_on_console(input);
  } else if (type == FILE_TYPE_DISK) {
    wait_on_file(input);
  } else if (type == FILE_TYPE_PIPE || type == FILE_TYPE_CHAR) {
    wait_with_reader(input);
  } else {
    wait_on_window();
  }
}

}  // namespace platform
