// The bounded mouse queue, alone and with a producer thread racing the reader.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "graphics/fixed_queue.h"
#include "graphics/mouse_msg.h"

namespace {

using Queue = Canvas::Collections::FixedQueue<MOUSEMSG, 64>;

MOUSEMSG numbered(int n) {
  MOUSEMSG msg{};
  msg.message = WM_MOUSEMOVE;
  msg.x = static_cast<int16_t>(n & 0x7FFF);
  msg.y = static_cast<int16_t>((n >> 15) & 0x7FFF);
  return msg;
}

int number_of(const MOUSEMSG& msg) { return msg.x | (msg.y << 15); }

TEST(MouseQueue, HoldsSixtyThreeAndDropsTheNext) {
  Queue queue;
  EXPECT_TRUE(queue.is_empty());
  for (int i = 0; i < 63; ++i) EXPECT_TRUE(queue.push(numbered(i))) << i;
  EXPECT_TRUE(queue.is_full());
  EXPECT_EQ(queue.count(), 63u);
  EXPECT_FALSE(queue.push(numbered(63)));
  EXPECT_EQ(queue.count(), 63u);

  EXPECT_EQ(number_of(queue.pop()), 0);
  EXPECT_FALSE(queue.is_full());
  EXPECT_TRUE(queue.push(numbered(64)));
  EXPECT_TRUE(queue.is_full());
  // The dropped record never shows up; the one queued after the read comes last.
  for (int i = 1; i < 63; ++i) EXPECT_EQ(number_of(queue.pop()), i);
  EXPECT_EQ(number_of(queue.peek()), 64);
  EXPECT_EQ(number_of(queue.pop()), 64);
  EXPECT_TRUE(queue.is_empty());
}

TEST(MouseQueue, KeepsOrderAcrossTheRingsEnd) {
  Queue queue;
  int next_in = 0;
  int next_out = 0;
  // Uneven bursts walk the positions around the ring several times.
  for (int round = 0; round < 40; ++round) {
    for (int i = 0; i < round % 7 + 3; ++i) ASSERT_TRUE(queue.push(numbered(next_in++)));
    EXPECT_EQ(queue.count(), static_cast<uint32_t>(next_in - next_out));
    while (queue.count() > 2) {
      EXPECT_EQ(number_of(queue.peek()), next_out);
      ASSERT_EQ(number_of(queue.pop()), next_out++);
    }
  }
  EXPECT_GT(next_in, 64 * 3);
}

TEST(MouseQueue, ClearEmptiesAndTakesRecordsAgain) {
  Queue queue;
  for (int i = 0; i < 10; ++i) queue.push(numbered(i));
  queue.clear();
  EXPECT_TRUE(queue.is_empty());
  EXPECT_EQ(queue.count(), 0u);
  EXPECT_TRUE(queue.push(numbered(99)));
  EXPECT_EQ(number_of(queue.pop()), 99);
}

// One thread pushes while another reads: every record is either read, in order, or
// was refused as overflow by its push.
TEST(MouseQueue, ProducerAndConsumerLoseNothingButTheOverflow) {
  Queue queue;
  constexpr int total = 200000;
  std::atomic<bool> done{false};
  int refused = 0;
  std::thread producer([&] {
    for (int i = 0; i < total; ++i) {
      if (!queue.push(numbered(i))) ++refused;
      if (i % 1024 == 0) std::this_thread::yield();
    }
    done.store(true);
  });
  int received = 0;
  int last = -1;
  bool ordered = true;
  for (;;) {
    const bool finished = done.load();
    while (!queue.is_empty()) {
      const int n = number_of(queue.pop());
      if (n <= last) ordered = false;
      last = n;
      ++received;
    }
    if (finished) break;
  }
  producer.join();
  EXPECT_TRUE(ordered);
  EXPECT_EQ(received + refused, total);
  EXPECT_GT(received, 0);
}

}  // namespace
