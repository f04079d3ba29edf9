#pragma once
// The numbered result files "%s_%d.bmp" and "%s_%d.png" in the working directory. A
// number is free only while neither of its two names exists; no save ever replaces a
// file that is already there.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/whole_file.h"

// "<base>_<number>.<extension>" into `out` of `capacity` bytes, cut to fit.
void numbered_name(char* out, std::size_t capacity, const char* base, int32_t number, const char* extension);

// The first number from `first` on whose two names are both free; -1 when none is.
int32_t first_free_number(const char* base, int32_t first);

// How one file of the pair is put in place; write_whole_file without replacing, but
// tests can stand in for it.
using PlaceFile = WholeFileResult (*)(const char* path, const std::vector<uint8_t>& bytes);

struct NumberedSave {
  bool saved = false;
  // The number the pair was saved under, or the one that failed.
  int32_t number = -1;
};

// Puts `bmp` and `png` in place under the first free number from `first` on. A name
// taken in the meantime moves on to the next number; when the PNG cannot be placed
// after its BMP, the BMP is removed again, so a result is always a whole pair.
NumberedSave save_numbered_pair(const char* base, int32_t first, const std::vector<uint8_t>& bmp,
                                const std::vector<uint8_t>& png, PlaceFile place = nullptr);

// The same with the PNG already written to the file `png_file` (in the working
// directory), which is moved to its numbered name; on failure it is removed.
NumberedSave save_numbered_pair(const char* base, int32_t first, const std::vector<uint8_t>& bmp,
                                const char* png_file);
