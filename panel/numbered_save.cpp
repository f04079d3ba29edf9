#include "panel/numbered_save.h"

#include <cstdio>

#include "platform/files.h"

namespace {

constexpr std::size_t NAME_CAPACITY = 64;

WholeFileResult place_new_file(const char* path, const std::vector<uint8_t>& bytes) {
  return write_whole_file(path, bytes, false);
}

bool number_taken(const char* base, int32_t number) {
  char name[NAME_CAPACITY];
  for (const char* extension : {"bmp", "png"}) {
    numbered_name(name, sizeof name, base, number, extension);
    if (platform::file_exists(name)) return true;
  }
  return false;
}

}  // namespace

void numbered_name(char* out, std::size_t capacity, const char* base, int32_t number, const char* extension) {
  std::snprintf(out, capacity, "%s_%d.%s", base, number, extension);
}

int32_t first_free_number(const char* base, int32_t first) {
  for (int32_t number = first < 0 ? 0 : first; number >= 0; ++number) {
    if (!number_taken(base, number)) return number;
    if (number == INT32_MAX) break;
  }
  return -1;
}

namespace {

// Places the PNG under its numbered name; the BMP is placed first.
template <typename PlacePng>
NumberedSave place_pair(const char* base, int32_t first, const std::vector<uint8_t>& bmp, PlaceFile place,
                        PlacePng place_png) {
  char bmp_name[NAME_CAPACITY];
  char png_name[NAME_CAPACITY];
  NumberedSave result;
  for (int32_t number = first_free_number(base, first); number >= 0;) {
    result.number = number;
    numbered_name(bmp_name, sizeof bmp_name, base, number, "bmp");
    numbered_name(png_name, sizeof png_name, base, number, "png");
    WholeFileResult placed = place(bmp_name, bmp);
    if (placed == WholeFileResult::written) {
      placed = place_png(png_name);
      // Half a pair is no result: the BMP we just made goes again.
      if (placed != WholeFileResult::written) platform::remove_file(bmp_name);
    }
    if (placed == WholeFileResult::written) {
      result.saved = true;
      return result;
    }
    if (placed == WholeFileResult::failed) return result;
    if (number == INT32_MAX) break;
    number = first_free_number(base, number + 1);
  }
  return result;
}

}  // namespace

NumberedSave save_numbered_pair(const char* base, int32_t first, const std::vector<uint8_t>& bmp,
                                const std::vector<uint8_t>& png, PlaceFile place) {
  if (place == nullptr) place = place_new_file;
  return place_pair(base, first, bmp, place, [&](const char* name) { return place(name, png); });
}

NumberedSave save_numbered_pair(const char* base, int32_t first, const std::vector<uint8_t>& bmp,
                                const char* png_file) {
  const NumberedSave result = place_pair(base, first, bmp, place_new_file, [png_file](const char* name) {
    if (platform::move_file(png_file, name, false)) return WholeFileResult::written;
    return platform::file_exists(name) ? WholeFileResult::name_taken : WholeFileResult::failed;
  });
  if (!result.saved) platform::remove_file(png_file);
  return result;
}
