#pragma once
// What a picture file's bytes say before any decoder sees them, shared by both
// systems: the format (by content), the size its header declares (read_picture_size
// in picture_decode.h), and whether the file is cut short.
#include <cstddef>
#include <cstdint>

namespace platform {

// False for PNG, JPEG, GIF, BMP and HEIF files known to be cut short; other formats
// pass.
bool looks_complete(const uint8_t* bytes, size_t size);

}  // namespace platform
