#include "app/base_name.h"

#include <cstring>

#include "platform/paths.h"

namespace {

bool is_utf8_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

void picture_base_name_of(const char* path, char (&out)[20]) {
  std::memset(out, 0, sizeof out);
  if (path == nullptr) return;
  const size_t length = std::strlen(path);
  size_t start = 0;
  size_t end = length;
  bool dot_seen = false;
  for (size_t i = length; i > 0; --i) {
    const char c = path[i - 1];
    if (platform::is_path_separator(c)) {
      start = i;
      break;
    }
    if (c == '.' && !dot_seen) {
      end = i - 1;
      dot_seen = true;
    }
  }
  size_t count = end - start;
  if (count > BASE_NAME_LIMIT) {
    count = BASE_NAME_LIMIT;
    // A character that does not fit whole is dropped whole (at most three bytes of
    // it lie before the cut).
    for (int step = 0; step < 3 && count > 0 && is_utf8_continuation(path[start + count]); ++step) --count;
  }
  std::memcpy(out, path + start, count);
}
