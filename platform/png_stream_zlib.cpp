// The streamed PNG writer, the same on every system: rows are filtered and deflated
// in strips on worker threads, each strip a deflate stream of its own ended by a sync
// flush, so the strips join end to end into one zlib stream (the last one ends it).
// The Adler-32 checksums of the strips are combined in order. Only a few strips are
// in flight at a time, so memory stays bounded whatever the picture's size.
#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/png_writer.h"

namespace platform {

namespace {

// Fast first: run-length matches take the long runs of a cut-out's transparent parts,
// and a photo's rows compress mostly by their filtered residuals, which the Huffman
// codes take. Searching for longer matches costs time and, on a photo's noise, even
// size.
constexpr int DEFLATE_LEVEL = 1;
constexpr size_t STRIP_BYTES = 1 << 20;  // raw RGBA bytes per strip, about
constexpr int PAETH = 4;

struct Strip {
  std::vector<uint8_t> raw;    // the strip's rows as RGBA, unfiltered
  std::vector<uint8_t> above;  // the row before the strip (empty for the first strip)
  std::vector<uint8_t> packed;
  uLong adler = 1;
  size_t filtered_bytes = 0;
  bool last = false;
  bool done = false;
  bool ok = false;
};

uint8_t paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a);
  const int pb = std::abs(p - b);
  const int pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Paeth on every row: the best single filter for photos, and one pass over the row.
void filter_row(const uint8_t* row, const uint8_t* above, size_t bytes, uint8_t* out) {
  out[0] = PAETH;
  ++out;
  if (above == nullptr) {
    for (size_t i = 0; i < 4 && i < bytes; ++i) out[i] = row[i];
    for (size_t i = 4; i < bytes; ++i) out[i] = static_cast<uint8_t>(row[i] - row[i - 4]);
    return;
  }
  for (size_t i = 0; i < 4 && i < bytes; ++i) out[i] = static_cast<uint8_t>(row[i] - above[i]);
  for (size_t i = 4; i < bytes; ++i) out[i] = static_cast<uint8_t>(row[i] - paeth(row[i - 4], above[i], above[i - 4]));
}

void pack_strip(Strip& strip, size_t row_bytes) {
  const size_t rows = strip.raw.size() / row_bytes;
  std::vector<uint8_t> filtered(rows * (row_bytes + 1));
  for (size_t r = 0; r < rows; ++r) {
    const uint8_t* row = strip.raw.data() + r * row_bytes;
    const uint8_t* above = r > 0 ? row - row_bytes : (strip.above.empty() ? nullptr : strip.above.data());
    filter_row(row, above, row_bytes, filtered.data() + r * (row_bytes + 1));
  }
  strip.filtered_bytes = filtered.size();
  strip.adler = adler32(1, filtered.data(), static_cast<uInt>(filtered.size()));

  z_stream z{};
  if (deflateInit2(&z, DEFLATE_LEVEL, Z_DEFLATED, -15, 8, Z_RLE) != Z_OK) return;
  strip.packed.resize(deflateBound(&z, static_cast<uLong>(filtered.size())) + 16);
  z.next_in = filtered.data();
  z.avail_in = static_cast<uInt>(filtered.size());
  z.next_out = strip.packed.data();
  z.avail_out = static_cast<uInt>(strip.packed.size());
  const int result = deflate(&z, strip.last ? Z_FINISH : Z_SYNC_FLUSH);
  strip.ok = (strip.last ? result == Z_STREAM_END : result == Z_OK) && z.avail_in == 0;
  strip.packed.resize(strip.packed.size() - z.avail_out);
  deflateEnd(&z);
}

void put_u32(uint8_t* out, uint32_t v) {
  out[0] = static_cast<uint8_t>(v >> 24);
  out[1] = static_cast<uint8_t>(v >> 16);
  out[2] = static_cast<uint8_t>(v >> 8);
  out[3] = static_cast<uint8_t>(v);
}

}  // namespace

struct PngStream {
  std::FILE* file = nullptr;
  std::string path;
  int32_t width = 0;
  int32_t height = 0;
  size_t row_bytes = 0;
  size_t strip_rows = 0;
  int32_t rows_taken = 0;
  bool failed = false;
  uLong adler = 1;
  std::shared_ptr<Strip> filling;
  std::vector<uint8_t> last_row;  // the last row handed on, for the next strip's filter

  std::mutex lock;
  std::condition_variable changed;
  std::deque<std::shared_ptr<Strip>> queued;   // waiting for a worker
  std::deque<std::shared_ptr<Strip>> pending;  // in order, until written
  std::vector<std::thread> workers;
  bool stopping = false;

  void work() {
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
      changed.wait(hold, [this] { return stopping || !queued.empty(); });
      if (queued.empty()) return;
      std::shared_ptr<Strip> strip = queued.front();
      queued.pop_front();
      hold.unlock();
      pack_strip(*strip, row_bytes);
      hold.lock();
      strip->done = true;
      changed.notify_all();
    }
  }

  bool chunk(const char* type, const uint8_t* data, size_t size) {
    uint8_t head[8];
    put_u32(head, static_cast<uint32_t>(size));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0, head + 4, 4);
    if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
    uint8_t tail[4];
    put_u32(tail, static_cast<uint32_t>(crc));
    return std::fwrite(head, 1, 8, file) == 8 && (size == 0 || std::fwrite(data, 1, size, file) == size) &&
           std::fwrite(tail, 1, 4, file) == 4;
  }

  // Writes the finished strips at the front, in order, waiting for the front one
  // while more than `keep` strips are on their way.
  void drain(size_t keep) {
    std::unique_lock<std::mutex> hold(lock);
    while (pending.size() > keep || (!pending.empty() && pending.front()->done)) {
      changed.wait(hold, [this] { return pending.front()->done; });
      std::shared_ptr<Strip> strip = pending.front();
      pending.pop_front();
      hold.unlock();
      if (!strip->ok || !chunk("IDAT", strip->packed.data(), strip->packed.size())) failed = true;
      adler = adler32_combine(adler, strip->adler, static_cast<z_off_t>(strip->filtered_bytes));
      hold.lock();
    }
  }

  void hand_on(bool last) {
    filling->last = last;
    std::memcpy(last_row.data(), filling->raw.data() + filling->raw.size() - row_bytes, row_bytes);
    {
      std::lock_guard<std::mutex> hold(lock);
      queued.push_back(filling);
      pending.push_back(filling);
    }
    changed.notify_all();
    filling.reset();
    drain(2 * workers.size());
  }

  void stop_workers() {
    {
      std::lock_guard<std::mutex> hold(lock);
      stopping = true;
      queued.clear();
    }
    changed.notify_all();
    for (std::thread& t : workers) t.join();
    workers.clear();
  }
};

PngStream* png_stream_open(const char* path, int32_t width, int32_t height) {
  // A row's bytes, its filter byte included, must fit the counters of one strip.
  if (path == nullptr || width <= 0 || height <= 0 || width > (1 << 24)) return nullptr;
  auto png = std::make_unique<PngStream>();
  png->file = create_new_file(path);
  if (png->file == nullptr) return nullptr;
  png->path = path;
  png->width = width;
  png->height = height;
  png->row_bytes = static_cast<size_t>(width) * 4;
  png->strip_rows = std::max<size_t>(1, STRIP_BYTES / png->row_bytes);
  try {
    png->last_row.resize(png->row_bytes);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < std::min(cores, 4u); ++i) png->workers.emplace_back([p = png.get()] { p->work(); });
  } catch (...) {
    png_stream_abandon(png.release());
    return nullptr;
  }
  static const uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  uint8_t header[13];
  put_u32(header, static_cast<uint32_t>(width));
  put_u32(header + 4, static_cast<uint32_t>(height));
  header[8] = 8;   // bits per channel
  header[9] = 6;   // RGBA
  header[10] = 0;  // deflate
  header[11] = 0;  // adaptive filters
  header[12] = 0;  // not interlaced
  static const uint8_t ZLIB_HEADER[2] = {0x78, 0x01};
  if (std::fwrite(SIGNATURE, 1, 8, png->file) != 8 || !png->chunk("IHDR", header, sizeof header) ||
      !png->chunk("IDAT", ZLIB_HEADER, 2)) {
    png_stream_abandon(png.release());
    return nullptr;
  }
  return png.release();
}

bool png_stream_rows(PngStream* png, const uint32_t* pixels, const uint8_t* alpha, int32_t rows) {
  if (png == nullptr || png->failed) return false;
  if (rows < 0 || rows > png->height - png->rows_taken) {
    png->failed = true;
    return false;
  }
  try {
    for (int32_t r = 0; r < rows; ++r) {
      if (!png->filling) {
        png->filling = std::make_shared<Strip>();
        png->filling->raw.reserve(png->strip_rows * png->row_bytes);
        if (png->rows_taken > 0) png->filling->above = png->last_row;
      }
      std::vector<uint8_t>& raw = png->filling->raw;
      const size_t at = raw.size();
      raw.resize(at + png->row_bytes);
      const uint32_t* in = pixels + static_cast<size_t>(r) * png->width;
      const uint8_t* a = alpha + static_cast<size_t>(r) * png->width;
      uint8_t* out = raw.data() + at;
      for (int32_t x = 0; x < png->width; ++x, out += 4) {
        out[0] = static_cast<uint8_t>(in[x] >> 16);
        out[1] = static_cast<uint8_t>(in[x] >> 8);
        out[2] = static_cast<uint8_t>(in[x]);
        out[3] = a[x];
      }
      ++png->rows_taken;
      const bool last = png->rows_taken == png->height;
      if (last || raw.size() >= png->strip_rows * png->row_bytes) png->hand_on(last);
    }
  } catch (const std::bad_alloc&) {
    png->failed = true;
  }
  return !png->failed;
}

bool png_stream_finish(PngStream* png) {
  if (png == nullptr) return false;
  bool ok = !png->failed && png->rows_taken == png->height;
  if (ok) {
    png->drain(0);
    uint8_t checksum[4];
    put_u32(checksum, static_cast<uint32_t>(png->adler));
    ok = !png->failed && png->chunk("IDAT", checksum, 4) && png->chunk("IEND", nullptr, 0);
  }
  png->stop_workers();
  ok = std::fflush(png->file) == 0 && ok;
  ok = std::fclose(png->file) == 0 && ok;
  if (!ok) remove_file(png->path.c_str());
  delete png;
  return ok;
}

void png_stream_abandon(PngStream* png) {
  if (png == nullptr) return;
  png->stop_workers();
  std::fclose(png->file);
  remove_file(png->path.c_str());
  delete png;
}

}  // namespace platform
