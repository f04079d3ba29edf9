#pragma once
// GraphWnd: the graphics window. Its IMAGE part is the window's backing image, which
// the main thread draws into under graph_lock; the window thread shows the parts
// marked changed and turns mouse input into MOUSEMSG records in a bounded queue. The
// window is titled after the executable, and its close box ends the process
// (platform/this_process.h).
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "graphics/fixed_queue.h"
#include "graphics/image.h"
#include "graphics/mouse_msg.h"
#include "platform/this_process.h"
#include "platform/window.h"

namespace Canvas {

using MouseQueue = Collections::FixedQueue<MOUSEMSG, 64>;

class GraphWnd : public IMAGE, private platform::WindowHost {
 public:
  GraphWnd();
  ~GraphWnd() override;
  GraphWnd(const GraphWnd&) = delete;
  GraphWnd& operator=(const GraphWnd&) = delete;

  void reset_state() override;
  // Resizes the backing image and the window's client area with it.
  void resize(int32_t new_width, int32_t new_height) override;

  // Closes an open window, gives the backing image the requested size and shows a
  // window with a client area of exactly that size. False when no window could be made.
  bool open(int32_t width, int32_t height, int32_t flags);
  // Hides and forgets the window; the backing image keeps its buffer.
  void close();
  bool is_open() const;
  // The native window, for a dialog to be kept above it.
  const platform::NativeWindow& native_window() const { return native_; }

  // Notes that the backing image changed inside the inclusive rectangle (clipped to
  // the image) and lets the window thread show it. Call under graph_lock or not.
  void mark_changed(int32_t left, int32_t top, int32_t right, int32_t bottom);
  void mark_all_changed();
  // Shows the inclusive rectangle, or the whole image, and returns once it is on
  // screen (or the window did not answer in time).
  void show_now(int32_t left, int32_t top, int32_t right, int32_t bottom);
  void show_all_now();

  // The oldest queued message; waits while none is queued. With no window open and
  // nothing queued nothing could ever arrive, so it gives a zero message instead.
  MOUSEMSG next_mouse_msg();
  void clear_mouse_queue();
  bool mouse_msg_waiting() const { return !queue_.is_empty(); }

  // GBK text.
  void set_caption(const char* text);

  // Turns one pointer event into the mouse message it stands for and queues it;
  // keeps the button state between events. Runs on the window thread.
  void handle_pointer(const platform::PointerEvent& event);
  // Hands the key to a waiting key read and queues it as a WM_KEYDOWN record behind
  // the mouse messages before it. Runs on the window thread.
  void handle_key(const platform::KeyEvent& key);
  MouseQueue& mouse_queue() { return queue_; }

 private:
  void on_pointer(const platform::PointerEvent& event) override;
  void on_key(const platform::KeyEvent& key) override;
  void on_close_request() override;
  platform::PixelRect fill_frame(uint32_t* frame, int32_t pitch, int32_t width, int32_t height, bool whole) override;
  void on_presented() override;

  // Queues (or, when the queue is full, drops) the record and wakes the reader.
  void enqueue(const MOUSEMSG& msg);
  uint64_t note_changed(int32_t left, int32_t top, int32_t right, int32_t bottom);
  void wait_shown(uint64_t generation);

  platform::NativeWindow native_;
  MouseQueue queue_;
  int32_t flags_ = 0;

  // Reader wake-up: the window thread notifies after each mouse message.
  std::mutex reader_mutex_;
  std::condition_variable message_arrived_;
  bool window_gone_ = true;

  // Changed part of the backing image, exclusive right and bottom; under graph_lock.
  platform::PixelRect changed_;
  uint64_t change_generation_ = 0;
  // Window thread only: the generation the frame being presented covers.
  uint64_t frame_generation_ = 0;
  // Generation on screen, under shown_mutex_.
  std::mutex shown_mutex_;
  std::condition_variable shown_;
  uint64_t shown_generation_ = 0;

  // Buttons held, as the window thread has seen them (bit 0 left, 1 middle, 2 right).
  uint8_t held_buttons_ = 0;
};

}  // namespace Canvas
