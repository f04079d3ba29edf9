#include "platform/picture_checks.h"

#include <cstring>

#include "platform/heif_container.h"
#include "platform/picture_decode.h"
#include "platform/picture_formats.h"

namespace platform {
namespace {

uint32_t read_be16(const uint8_t* p) { return (uint32_t{p[0]} << 8) | p[1]; }
uint32_t read_be32(const uint8_t* p) { return (read_be16(p) << 16) | read_be16(p + 2); }
uint32_t read_le16(const uint8_t* p) { return (uint32_t{p[1]} << 8) | p[0]; }
uint32_t read_le32(const uint8_t* p) { return (read_le16(p + 2) << 16) | read_le16(p); }

const uint8_t png_signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// The size a JPEG declares in its first start-of-frame segment.
bool jpeg_size(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height) {
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
      height = static_cast<int32_t>(read_be16(bytes + at + 5));
      width = static_cast<int32_t>(read_be16(bytes + at + 7));
      return true;
    }
    if (marker == 0xDA || length < 2) return false;  // scan data before any frame
    at += 2 + length;
  }
  return false;
}

// The PNG reader takes a short read for data and would walk stale bytes, so a PNG
// whose chunks run past the end of the file, or that has no end chunk, is refused.
// So is one whose compressed data deflate could not expand to the rows its header
// declares (at most 1032 bytes out for one in): the reader would allocate them first.
bool png_complete(const uint8_t* bytes, size_t size) {
  if (size < 33) return false;
  static constexpr uint8_t channels[7] = {1, 0, 3, 1, 2, 0, 4};
  const uint32_t colour_type = bytes[25];
  const uint64_t bits = uint64_t{bytes[24]} * (colour_type < 7 ? channels[colour_type] : 0);
  const uint64_t row_bytes = (uint64_t{read_be32(bytes + 16)} * bits + 7) / 8;
  const uint64_t picture_bytes = row_bytes * read_be32(bytes + 20);
  uint64_t data = 0;
  size_t at = 8;
  while (at + 12 <= size) {
    const uint64_t length = read_be32(bytes + at);
    if (length > size - at - 12) return false;
    if (std::memcmp(bytes + at + 4, "IDAT", 4) == 0) data += length;
    if (std::memcmp(bytes + at + 4, "IEND", 4) == 0) return bits != 0 && picture_bytes / 1032 <= data;
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

bool bmp_size(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height) {
  if (size < 26) return false;
  int64_t w = 0;
  int64_t h = 0;
  if (read_le32(bytes + 14) == 12) {
    w = read_le16(bytes + 18);
    h = read_le16(bytes + 20);
  } else {
    w = static_cast<int32_t>(read_le32(bytes + 18));
    h = static_cast<int32_t>(read_le32(bytes + 22));
  }
  if (h < 0) h = -h;  // top-down rows
  if (!side_ok(w) || !side_ok(h)) return false;
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
  return true;
}

// The BMP readers allocate the whole picture before reading its rows, so an
// uncompressed BMP must hold every row its header declares; a run-length coded one
// at least a byte for each 255 pixels.
bool bmp_complete(const uint8_t* bytes, size_t size) {
  int32_t width = 0;
  int32_t height = 0;
  if (!bmp_size(bytes, size, width, height)) return false;
  const uint32_t header = read_le32(bytes + 14);
  const uint32_t bits = header == 12 ? read_le16(bytes + 24) : size >= 30 ? read_le16(bytes + 28) : 0;
  const uint32_t compression = header >= 40 && size >= 34 ? read_le32(bytes + 30) : 0;
  const uint64_t pixels = uint64_t(width) * uint64_t(height);
  if (compression == 1 || compression == 2) return pixels / 255 <= size;
  const uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
  const uint64_t offset = read_le32(bytes + 10);
  return bits != 0 && offset <= size && stride * uint64_t(height) <= size - offset;
}

// The canvas of a WebP: from the extended header, or from the single lossy or
// lossless bitstream's own header.
bool webp_size(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height) {
  if (size < 30) return false;
  const uint8_t* data = bytes + 20;
  if (std::memcmp(bytes + 12, "VP8X", 4) == 0) {
    width = static_cast<int32_t>((data[4] | (data[5] << 8) | (data[6] << 16)) + 1);
    height = static_cast<int32_t>((data[7] | (data[8] << 8) | (data[9] << 16)) + 1);
    return true;
  }
  if (std::memcmp(bytes + 12, "VP8L", 4) == 0) {
    if (data[0] != 0x2F) return false;
    const uint32_t bits = read_le32(data + 1);
    width = static_cast<int32_t>((bits & 0x3FFF) + 1);
    height = static_cast<int32_t>(((bits >> 14) & 0x3FFF) + 1);
    return true;
  }
  if (std::memcmp(bytes + 12, "VP8 ", 4) == 0) {
    if (data[3] != 0x9D || data[4] != 0x01 || data[5] != 0x2A) return false;  // key frame start code
    width = static_cast<int32_t>(read_le16(data + 6) & 0x3FFF);
    height = static_cast<int32_t>(read_le16(data + 8) & 0x3FFF);
    return true;
  }
  return false;
}

// Width and length tags of a TIFF's first directory, in either byte order.
bool tiff_size(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height) {
  if (size < 8) return false;
  const bool big = bytes[0] == 'M';
  auto u16 = [&](size_t at) { return big ? read_be16(bytes + at) : read_le16(bytes + at); };
  auto u32 = [&](size_t at) { return big ? read_be32(bytes + at) : read_le32(bytes + at); };
  const size_t directory = u32(4);
  if (directory > size - 2) return false;
  const size_t entries = u16(directory);
  int64_t w = 0;
  int64_t h = 0;
  for (size_t i = 0; i < entries; ++i) {
    const size_t at = directory + 2 + 12 * i;
    if (at + 12 > size) return false;
    const uint32_t tag = u16(at);
    if (tag != 256 && tag != 257) continue;
    const uint32_t type = u16(at + 2);
    if (u32(at + 4) != 1 || (type != 3 && type != 4)) return false;
    const int64_t value = type == 3 ? u16(at + 8) : u32(at + 8);
    (tag == 256 ? w : h) = value;
  }
  if (!side_ok(w) || !side_ok(h)) return false;
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
  return true;
}

}  // namespace

PictureFormat picture_format(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr) return PictureFormat::none;
  if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return PictureFormat::jpeg;
  if (size >= 8 && std::memcmp(bytes, png_signature, 8) == 0) return PictureFormat::png;
  if (size >= 6 && (std::memcmp(bytes, "GIF87a", 6) == 0 || std::memcmp(bytes, "GIF89a", 6) == 0))
    return PictureFormat::gif;
  if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return PictureFormat::bmp;
  if (size >= 12 && std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WEBP", 4) == 0)
    return PictureFormat::webp;
  if (size >= 4 && (std::memcmp(bytes, "II*\0", 4) == 0 || std::memcmp(bytes, "MM\0*", 4) == 0))
    return PictureFormat::tiff;
  if (heif::is_heif(bytes, size)) return PictureFormat::heif;
  return PictureFormat::none;
}

bool read_picture_size(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height) {
  int32_t w = 0;
  int32_t h = 0;
  bool ok = false;
  switch (picture_format(bytes, size)) {
    case PictureFormat::none:
      return false;
    case PictureFormat::jpeg:
      ok = jpeg_size(bytes, size, w, h);
      break;
    case PictureFormat::png:
      ok = size >= 24 && std::memcmp(bytes + 12, "IHDR", 4) == 0 && side_ok(read_be32(bytes + 16)) &&
           side_ok(read_be32(bytes + 20));
      if (ok) {
        w = static_cast<int32_t>(read_be32(bytes + 16));
        h = static_cast<int32_t>(read_be32(bytes + 20));
      }
      break;
    case PictureFormat::gif:
      ok = size >= 10;
      if (ok) {
        w = static_cast<int32_t>(read_le16(bytes + 6));
        h = static_cast<int32_t>(read_le16(bytes + 8));
      }
      break;
    case PictureFormat::bmp:
      ok = bmp_size(bytes, size, w, h);
      break;
    case PictureFormat::webp:
      ok = webp_size(bytes, size, w, h);
      break;
    case PictureFormat::tiff:
      ok = tiff_size(bytes, size, w, h);
      break;
    case PictureFormat::heif: {
      // The size as shown, after the container's crop and turns.
      heif::Picture picture;
      ok = heif::read_picture(bytes, size, picture);
      w = picture.width;
      h = picture.height;
      break;
    }
  }
  if (!ok || !side_ok(w) || !side_ok(h)) return false;
  width = w;
  height = h;
  return true;
}

bool looks_complete(const uint8_t* bytes, size_t size) {
  if (size >= 8 && std::memcmp(bytes, png_signature, 8) == 0) return png_complete(bytes, size);
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) return jpeg_complete(bytes, size);
  if (size >= 6 && (std::memcmp(bytes, "GIF87a", 6) == 0 || std::memcmp(bytes, "GIF89a", 6) == 0))
    return gif_complete(bytes, size);
  if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return bmp_complete(bytes, size);
  // A HEIF's layout is read only when every box, and all the data its picture names,
  // lies inside the file.
  heif::Picture picture;
  if (heif::is_heif(bytes, size)) return heif::read_picture(bytes, size, picture);
  return true;
}

}  // namespace platform
