#include "platform/picture_checks.h"

#include <cstring>

#include "platform/picture_decode.h"

namespace platform {
namespace {

uint32_t read_be16(const uint8_t* p) { return (uint32_t{p[0]} << 8) | p[1]; }
uint32_t read_be32(const uint8_t* p) { return (read_be16(p) << 16) | read_be16(p + 2); }
uint32_t read_le16(const uint8_t* p) { return (uint32_t{p[1]} << 8) | p[0]; }
uint32_t read_le32(const uint8_t* p) { return (read_le16(p + 2) << 16) | read_le16(p); }

// The size a JPEG declares in its first start-of-frame segment.
bool jpeg_size(const uint8_t* bytes, size_t size, int64_t& width, int64_t& height) {
  size_t at = 2;
  while (at + 4 <= size) {
    if (bytes[at] != 0xFF) return false;
    const uint8_t marker = bytes[at + 1];
    if (marker == 0xFF) {  // fill byte before a marker
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // markers without a length
      at += 2;
      continue;
    }
    const size_t length = read_be16(bytes + at + 2);
    const bool start_of_frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (start_of_frame) {
      if (at + 9 > size) return false;
      height = read_be16(bytes + at + 5);
      width = read_be16(bytes + at + 7);
      return true;
    }
    if (marker == 0xDA || length < 2) return false;  // scan data before any frame
    at += 2 + length;
  }
  return false;
}

// The PNG reader takes a short read for data and would walk stale bytes, so a PNG
// whose chunks run past the end of the file, or that has no end chunk, is refused.
bool png_complete(const uint8_t* bytes, size_t size) {
  size_t at = 8;
  while (at + 12 <= size) {
    const uint64_t length = read_be32(bytes + at);
    if (length > size - at - 12) return false;
    if (std::memcmp(bytes + at + 4, "IEND", 4) == 0) return true;
    at += 12 + static_cast<size_t>(length);
  }
  return false;
}

// A JPEG cut short still decodes, padded with grey; one whose end marker is missing
// after the first scan is refused instead. Inside scan data a 0xFF byte is always
// followed by 0x00 or a marker, so the end marker cannot appear there by chance.
bool jpeg_complete(const uint8_t* bytes, size_t size) {
  size_t at = 2;
  while (at + 4 <= size) {
    if (bytes[at] != 0xFF) return false;
    const uint8_t marker = bytes[at + 1];
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
      at += 2;
      continue;
    }
    const size_t length = read_be16(bytes + at + 2);
    if (length < 2) return false;
    if (marker == 0xDA) {
      for (size_t i = at + 2 + length; i + 1 < size; ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xD9) return true;
      return false;
    }
    at += 2 + length;
  }
  return false;
}

// The GIF reader shows whatever part of the first frame it got, so a GIF whose
// first frame's data does not end inside the file is refused.
bool gif_complete(const uint8_t* bytes, size_t size) {
  size_t at = 13;
  if (size < at) return false;
  if (bytes[10] & 0x80) at += size_t{3} << ((bytes[10] & 7) + 1);  // global colour table
  // Skips a run of sub-blocks; false when it runs past the end.
  auto skip_sub_blocks = [&]() {
    while (at < size) {
      const size_t length = bytes[at++];
      if (length == 0) return true;
      at += length;
    }
    return false;
  };
  while (at < size) {
    const uint8_t introducer = bytes[at];
    if (introducer == 0x21) {  // extension: label, then sub-blocks
      at += 2;
      if (!skip_sub_blocks()) return false;
    } else if (introducer == 0x2C) {  // image descriptor, colour table, code size, data
      if (at + 10 > size) return false;
      const uint8_t flags = bytes[at + 9];
      at += 10;
      if (flags & 0x80) at += size_t{3} << ((flags & 7) + 1);
      at += 1;
      return skip_sub_blocks();
    } else {
      return false;
    }
  }
  return false;
}

}  // namespace

bool declared_size(const uint8_t* bytes, size_t size, int64_t& width, int64_t& height) {
  static const uint8_t png_signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size >= 24 && std::memcmp(bytes, png_signature, 8) == 0 && std::memcmp(bytes + 12, "IHDR", 4) == 0) {
    width = read_be32(bytes + 16);
    height = read_be32(bytes + 20);
    return true;
  }
  if (size >= 10 && (std::memcmp(bytes, "GIF87a", 6) == 0 || std::memcmp(bytes, "GIF89a", 6) == 0)) {
    width = read_le16(bytes + 6);
    height = read_le16(bytes + 8);
    return true;
  }
  if (size >= 26 && bytes[0] == 'B' && bytes[1] == 'M') {
    if (read_le32(bytes + 14) == 12) {
      width = read_le16(bytes + 18);
      height = read_le16(bytes + 20);
    } else {
      width = static_cast<int32_t>(read_le32(bytes + 18));
      height = static_cast<int32_t>(read_le32(bytes + 22));
    }
    if (width < 0) width = -width;
    if (height < 0) height = -height;
    return true;
  }
  if (size >= 4 && bytes[0] == 0xFF && bytes[1] == 0xD8) return jpeg_size(bytes, size, width, height);
  return false;
}

bool looks_complete(const uint8_t* bytes, size_t size) {
  static const uint8_t png_signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size >= 8 && std::memcmp(bytes, png_signature, 8) == 0) return png_complete(bytes, size);
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) return jpeg_complete(bytes, size);
  if (size >= 6 && (std::memcmp(bytes, "GIF87a", 6) == 0 || std::memcmp(bytes, "GIF89a", 6) == 0))
    return gif_complete(bytes, size);
  return true;
}

bool too_many_pixels(int64_t width, int64_t height) {
  return width > MAX_DECODED_PIXELS || height > MAX_DECODED_PIXELS || width * height > MAX_DECODED_PIXELS;
}

}  // namespace platform
