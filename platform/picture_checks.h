#pragma once
// What a picture file's header says before it is decoded: the size it declares and
// whether it is cut short. Decoders check these first, so that a huge or truncated
// file is refused before anything is allocated or half decoded.
#include <cstddef>
#include <cstdint>

namespace platform {

// The size a PNG, GIF, BMP or JPEG file declares in its header. False for other
// formats and for headers too short to say.
bool declared_size(const uint8_t* bytes, size_t size, int64_t& width, int64_t& height);

// False for PNG, JPEG and GIF files known to be cut short; other formats pass.
bool looks_complete(const uint8_t* bytes, size_t size);

// More pixels than a decoded picture may have.
bool too_many_pixels(int64_t width, int64_t height);

}  // namespace platform
