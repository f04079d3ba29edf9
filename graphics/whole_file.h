#pragma once
// Writing a file whole or not at all: the bytes go to a fresh temporary file beside
// the target, which is moved into place only once every byte is written, so no one
// ever sees a partial file under the target's name.
#include <cstdint>
#include <vector>

enum class WholeFileResult { written, name_taken, failed };

// Without `replace` an existing file (or folder) of that name is never touched: the
// result is name_taken, also when the name was taken while the bytes were written.
// A failure leaves no temporary file behind.
WholeFileResult write_whole_file(const char* path, const std::vector<uint8_t>& bytes, bool replace);
