#pragma once
// One tile of a HEIF picture as a HEIF file of its own, for a decoder that can decode
// a grid only whole: the tile's coded data and the properties its decoder needs, as
// the primary and only image.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/heif_container.h"

namespace platform::heif {

std::vector<uint8_t> tile_file(const uint8_t* bytes, Codec codec, const Tile& tile);

}  // namespace platform::heif
