#pragma once
// Writing pixel buffers as PNG files, for tools and tests that look at what was drawn.
#include <cstdint>
#include <string>

namespace platform {

// Writes width x height pixel words (0x00RRGGBB, top row first, rows packed end to
// end) to `path` as an opaque RGB PNG. False when the size is not positive or the
// file cannot be written.
bool write_png(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height);

}  // namespace platform
