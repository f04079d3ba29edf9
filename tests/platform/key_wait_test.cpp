// The key wait ends on keys the window hands over, also on keys handed over before
// anyone waited. A watchdog posts the keys a broken wait would miss, so a failure
// shows as a failed check instead of a hung test.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/console.h"

namespace {

class Watchdog {
 public:
  explicit Watchdog(int keys) : thread_([this, keys] {
      for (int waited = 0; waited < 100 && !done_.load(); ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (done_.load()) return;
      rescued_.store(true);
      for (int i = 0; i < keys; ++i) platform::post_window_key('r');
    }) {}
  ~Watchdog() { finish(); }
  // True when the waits only ended because the watchdog stepped in.
  bool finish() {
    done_.store(true);
    if (thread_.joinable()) thread_.join();
    return rescued_.load();
  }

 private:
  std::atomic<bool> done_{false};
  std::atomic<bool> rescued_{false};
  std::thread thread_;
};

TEST(KeyWait, KeysPostedBeforehandAreKeptOneWaitEach) {
  platform::post_window_key('a');
  platform::post_window_key(13);
  Watchdog watchdog(2);
  platform::wait_for_key();
  platform::wait_for_key();
  EXPECT_FALSE(watchdog.finish());
}

TEST(KeyWait, AKeyFromTheWindowThreadEndsAWaitInProgress) {
  Watchdog watchdog(1);
  std::thread window([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    platform::post_window_key('z');
  });
  platform::wait_for_key();
  window.join();
  EXPECT_FALSE(watchdog.finish());
}

}  // namespace
