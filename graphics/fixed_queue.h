#pragma once
// FixedQueue: a bounded ring of records for one producer thread and one consumer
// thread. It has SLOTS slots and holds at most SLOTS - 1 records, since one slot
// always stays free to tell a full ring from an empty one. A push that finds the ring
// full is dropped: the records already queued are kept.
//
// The producer alone writes the write position and the consumer alone writes the
// read position, so neither can lose the other's update. A slot is written before the
// write position that publishes it (release) and read after the consumer sees that
// position (acquire); the consumer frees a slot the same way.
#include <atomic>
#include <cstdint>

namespace Canvas::Collections {

template <typename T, uint32_t SLOTS = 64>
class FixedQueue {
  static_assert(SLOTS >= 2 && (SLOTS & (SLOTS - 1)) == 0, "slot count must be a power of two");

 public:
  static constexpr uint32_t capacity = SLOTS - 1;

  FixedQueue() = default;
  FixedQueue(const FixedQueue&) = delete;
  FixedQueue& operator=(const FixedQueue&) = delete;
  virtual ~FixedQueue() = default;

  // Producer side. Returns false when the ring was full and the record was dropped.
  virtual bool push(const T& record) {
    const uint32_t write = write_pos_.load(std::memory_order_relaxed);
    const uint32_t read = read_pos_.load(std::memory_order_acquire);
    if (((write - read) & mask) >= capacity) return false;
    slots_[write] = record;
    write_pos_.store((write + 1) & mask, std::memory_order_release);
    return true;
  }

  // Consumer side; only on a non-empty queue.
  virtual T pop() {
    const uint32_t read = read_pos_.load(std::memory_order_relaxed);
    T record = slots_[read];
    read_pos_.store((read + 1) & mask, std::memory_order_release);
    return record;
  }

  // Consumer side; only on a non-empty queue.
  virtual T peek() const { return slots_[read_pos_.load(std::memory_order_relaxed)]; }

  virtual bool is_empty() const { return count() == 0; }
  virtual bool is_full() const { return count() >= capacity; }

  // Consumer side: drops every queued record. Only the read position moves, so a
  // push running at the same moment is either dropped with the rest or kept whole.
  virtual void clear() { read_pos_.store(write_pos_.load(std::memory_order_acquire), std::memory_order_release); }

  virtual uint32_t count() const {
    return (write_pos_.load(std::memory_order_acquire) - read_pos_.load(std::memory_order_acquire)) & mask;
  }

 private:
  static constexpr uint32_t mask = SLOTS - 1;

  T slots_[SLOTS]{};
  std::atomic<uint32_t> read_pos_{0};
  std::atomic<uint32_t> write_pos_{0};
};

}  // namespace Canvas::Collections
