#include "heif_writers.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/heif_box_writer.h"
#include "platform/heif_container.h"

namespace heif_writers {
namespace {

using Bytes = std::vector<uint8_t>;

// RGB rows, three bytes a pixel, as the picture's RowMaker gives them.
struct Rgb {
  int32_t width = 0, height = 0;
  Bytes bytes;
  const uint8_t* at(int32_t x, int32_t y) const { return &bytes[(static_cast<size_t>(y) * width + x) * 3]; }
};

// The part (x0, y0, width, height) of `rgb` as an RGB image, its edge pixels repeated
// where the part reaches past it; libheif turns it into YCbCr for the encoder.
heif_image* rgb_image(const Rgb& rgb, int32_t x0, int32_t y0, int32_t width, int32_t height, int bits) {
  heif_image* image = nullptr;
  heif_image_create(width, height, heif_colorspace_RGB,
                    bits == 8 ? heif_chroma_interleaved_RGB : heif_chroma_interleaved_RRGGBB_LE, &image);
  heif_image_add_plane(image, heif_channel_interleaved, width, height, bits);
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* out = plane + static_cast<size_t>(y) * stride;
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* p = rgb.at(std::min(x0 + x, rgb.width - 1), std::min(y0 + y, rgb.height - 1));
      for (int c = 0; c < 3; ++c) {
        if (bits == 8) {
          out[3 * x + c] = p[c];
        } else {
          const int v = 4 * p[c] + 2;
          out[6 * x + 2 * c] = static_cast<uint8_t>(v), out[6 * x + 2 * c + 1] = static_cast<uint8_t>(v >> 8);
        }
      }
    }
  }
  return image;
}

// Debian 12's libheif asks the AV1 encoder for a profile that has no 10-bit 4:2:0 and
// trips its assertion, so 10-bit AVIF is written 4:2:2.
bool tall_chroma(const Options& options) { return options.codec == Codec::av1 && options.bits > 8; }

heif_error write_bytes(heif_context*, const void* data, size_t size, void* out) {
  auto* bytes = static_cast<Bytes*>(out);
  bytes->insert(bytes->end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
  return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}

// Encodes `image` as the only picture of a file, in memory; empty on failure.
Bytes encode(heif_image* image, const Options& options) {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  Bytes file;
  const heif_compression_format format =
      options.codec == Codec::hevc ? heif_compression_HEVC : heif_compression_AV1;
  if (heif_context_get_encoder_for_format(context, format, &encoder).code == heif_error_Ok) {
    heif_encoder_set_lossy_quality(encoder, options.quality);
    // The fastest settings: the tests need many pictures, not small ones.
    if (options.codec == Codec::hevc) heif_encoder_set_parameter(encoder, "preset", "ultrafast");
    else heif_encoder_set_parameter(encoder, "speed", "9");
    if (tall_chroma(options)) heif_encoder_set_parameter(encoder, "chroma", "422");
    heif_encoding_options* encoding = heif_encoding_options_alloc();
    encoding->image_orientation = static_cast<heif_orientation>(options.orientation);
    heif_image_handle* handle = nullptr;
    bool ok = heif_context_encode_image(context, image, encoder, encoding, &handle).code == heif_error_Ok;
    if (ok && !options.exif.empty())
      ok = heif_context_add_exif_metadata(context, handle, options.exif.data(), static_cast<int>(options.exif.size()))
               .code == heif_error_Ok;
    if (handle != nullptr) heif_image_handle_release(handle);
    heif_encoding_options_free(encoding);
    heif_encoder_release(encoder);
    heif_writer writer{1, write_bytes};
    if (!ok || heif_context_write(context, &writer, &file).code != heif_error_Ok) file.clear();
  }
  heif_context_free(context);
  return file;
}

Rgb rows_of(int32_t width, int32_t height, const picture_writers::RowMaker& rows, int32_t first, int32_t count) {
  Rgb rgb{width, count, Bytes(static_cast<size_t>(width) * count * 3)};
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  for (int32_t y = 0; y < count && first + y < height; ++y) {
    rows(first + y, row);
    std::copy(row.begin(), row.end(), rgb.bytes.begin() + static_cast<std::ptrdiff_t>(y) * width * 3);
  }
  rgb.height = std::min(count, height - first);
  return rgb;
}

bool save(const std::string& path, const Bytes& bytes) {
  if (bytes.empty()) return false;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

using Boxes = platform::heif::BoxWriter;

// A transform box whose contents are one byte.
std::vector<uint8_t> one_byte_box(const char* type, int value) {
  Boxes b;
  const size_t at = b.begin(type);
  b.u8(static_cast<uint32_t>(value));
  b.end(at);
  return b.out;
}

struct EncodedTile {
  Bytes data;
  std::vector<Bytes> properties;
};

}  // namespace

void shaded_row(int32_t y, std::vector<uint8_t>& row) {
  for (size_t x = 0; x < row.size() / 3; ++x) {
    row[3 * x] = uint8_t(x + (y / 40) * 60);
    row[3 * x + 1] = uint8_t(y * 2);
    row[3 * x + 2] = uint8_t(((x / 50) + (y / 30)) % 2 ? 220 : 30);
  }
}

bool write_heif(const std::string& path, int32_t width, int32_t height, const picture_writers::RowMaker& rows,
                const Options& options) {
  const Rgb rgb = rows_of(width, height, rows, 0, height);
  heif_image* image = rgb_image(rgb, 0, 0, width, height, options.bits);
  const Bytes file = encode(image, options);
  heif_image_release(image);
  return save(path, file);
}

bool write_heif_grid(const std::string& path, int32_t width, int32_t height, const picture_writers::RowMaker& rows,
                     const Grid& grid, const Options& options) {
  const int32_t columns = (width + grid.tile_width - 1) / grid.tile_width;
  const int32_t tile_rows = (height + grid.tile_height - 1) / grid.tile_height;
  std::vector<EncodedTile> tiles;
  Options tile_options = options;
  tile_options.orientation = 1;
  tile_options.exif.clear();
  for (int32_t r = 0; r < tile_rows; ++r) {
    const Rgb band = rows_of(width, height, rows, r * grid.tile_height, grid.tile_height);
    for (int32_t c = 0; c < columns; ++c) {
      heif_image* image = rgb_image(band, c * grid.tile_width, 0, grid.tile_width, grid.tile_height, options.bits);
      const Bytes file = encode(image, tile_options);
      heif_image_release(image);
      platform::heif::Picture encoded;
      if (!platform::heif::read_picture(file.data(), file.size(), encoded)) return false;
      EncodedTile tile;
      for (const auto& s : encoded.tiles[0].data) tile.data.insert(tile.data.end(), &file[s.offset], &file[s.offset] + s.size);
      for (const auto& s : encoded.tiles[0].properties) tile.properties.emplace_back(&file[s.offset], &file[s.offset] + s.size);
      tiles.push_back(std::move(tile));
    }
  }
  const size_t references = tiles.size() - static_cast<size_t>(grid.missing_tiles);
  const char* item_type = options.codec == Codec::hevc ? "hvc1" : "av01";
  const char* brand = options.codec == Codec::hevc ? "heic" : "avif";
  const bool exif = !options.exif.empty();
  const uint32_t exif_id = static_cast<uint32_t>(tiles.size()) + 2;

  Boxes b;
  size_t box = b.begin("ftyp");
  b.tag(brand), b.u32(0), b.tag("mif1"), b.tag(brand);
  b.end(box);
  const size_t meta = b.begin("meta", 0);
  box = b.begin("hdlr", 0);
  b.u32(0), b.tag("pict"), b.u32(0), b.u32(0), b.u32(0), b.u8(0);
  b.end(box);
  box = b.begin("pitm", 0);
  b.u16(1);
  b.end(box);
  const size_t iinf = b.begin("iinf", 0);
  b.u16(static_cast<uint32_t>(tiles.size() + 1 + exif));
  auto infe = [&](uint32_t id, const char* type, bool hidden) {
    const size_t at = b.begin("infe", 2, hidden ? 1 : 0);
    b.u16(id), b.u16(0), b.tag(type), b.u8(0);
    b.end(at);
  };
  infe(1, "grid", false);
  for (size_t i = 0; i < tiles.size(); ++i) infe(static_cast<uint32_t>(i + 2), item_type, true);
  if (exif) infe(exif_id, "Exif", true);
  b.end(iinf);
  const size_t iref = b.begin("iref", 0);
  box = b.begin("dimg");
  b.u16(1), b.u16(static_cast<uint32_t>(references));
  for (size_t i = 0; i < references; ++i) b.u16(static_cast<uint32_t>(i + 2));
  b.end(box);
  if (exif) {
    box = b.begin("cdsc");
    b.u16(exif_id), b.u16(1), b.u16(1);
    b.end(box);
  }
  b.end(iref);
  const size_t idat = b.begin("idat");
  const uint32_t declared_width = grid.declared_width ? grid.declared_width : width;
  const uint32_t declared_height = grid.declared_height ? grid.declared_height : height;
  const bool wide_fields = declared_width > 65535 || declared_height > 65535;
  b.u8(0), b.u8(wide_fields ? 1 : 0), b.u8(static_cast<uint32_t>(tile_rows - 1)), b.u8(static_cast<uint32_t>(columns - 1));
  if (wide_fields) b.u32(declared_width), b.u32(declared_height);
  else b.u16(declared_width), b.u16(declared_height);
  const uint32_t grid_data_size = static_cast<uint32_t>(b.out.size() - idat - 8);
  b.end(idat);
  const size_t iprp = b.begin("iprp");
  const size_t ipco = b.begin("ipco");
  std::vector<uint32_t> grid_properties;
  uint32_t index = 0;
  box = b.begin("ispe", 0);
  b.u32(declared_width), b.u32(declared_height);
  b.end(box);
  grid_properties.push_back(++index);
  for (const Bytes& t : grid.transforms) b.bytes(t), grid_properties.push_back(++index);
  std::vector<std::vector<uint32_t>> tile_properties;
  for (const EncodedTile& t : tiles) {
    tile_properties.emplace_back();
    for (const Bytes& p : t.properties) b.bytes(p), tile_properties.back().push_back(++index);
  }
  b.end(ipco);
  box = b.begin("ipma", 0, 1);  // 16-bit property indexes
  b.u32(static_cast<uint32_t>(tiles.size() + 1));
  auto associate = [&](uint32_t id, const std::vector<uint32_t>& properties) {
    b.u16(id), b.u8(static_cast<uint32_t>(properties.size()));
    for (uint32_t p : properties) b.u16(p);
  };
  associate(1, grid_properties);
  for (size_t i = 0; i < tiles.size(); ++i) associate(static_cast<uint32_t>(i + 2), tile_properties[i]);
  b.end(box);
  b.end(iprp);
  // Version 1 for the grid's data in idat; the others' offsets are patched once the
  // data box's place is known.
  box = b.begin("iloc", 1);
  b.u16(0x4400), b.u16(static_cast<uint32_t>(tiles.size() + 1 + exif));
  b.u16(1), b.u16(1), b.u16(0), b.u16(1), b.u32(0), b.u32(grid_data_size);
  std::vector<size_t> offsets;
  auto locate = [&](uint32_t id, uint32_t length) {
    b.u16(id), b.u16(0), b.u16(0), b.u16(1);
    offsets.push_back(b.out.size());
    b.u32(0), b.u32(length);
  };
  for (size_t i = 0; i < tiles.size(); ++i) locate(static_cast<uint32_t>(i + 2), static_cast<uint32_t>(tiles[i].data.size()));
  Bytes exif_item = {0, 0, 0, 6};  // the TIFF data starts after "Exif\0\0"
  exif_item.insert(exif_item.end(), options.exif.begin(), options.exif.end());
  if (exif) locate(exif_id, static_cast<uint32_t>(exif_item.size()));
  b.end(box);
  b.end(meta);
  const size_t mdat = b.begin("mdat");
  for (size_t i = 0; i < tiles.size(); ++i) b.patch32(offsets[i], static_cast<uint32_t>(b.out.size())), b.bytes(tiles[i].data);
  if (exif) b.patch32(offsets.back(), static_cast<uint32_t>(b.out.size())), b.bytes(exif_item);
  b.end(mdat);
  return save(path, b.out);
}

std::vector<uint8_t> irot_box(int quarter_turns_anticlockwise) { return one_byte_box("irot", quarter_turns_anticlockwise); }

std::vector<uint8_t> imir_box(int mode) { return one_byte_box("imir", mode); }

std::vector<uint8_t> clap_box(int32_t width, int32_t height, int32_t offset_x, int32_t offset_y) {
  Boxes b;
  const size_t at = b.begin("clap");
  for (int32_t v : {width, 1, height, 1, offset_x, 1, offset_y, 1}) b.u32(static_cast<uint32_t>(v));
  b.end(at);
  return b.out;
}

std::vector<uint32_t> libheif_pixels(const std::string& path, int32_t& width, int32_t& height) {
  std::vector<uint32_t> words;
  heif_context* context = heif_context_alloc();
  heif_image_handle* handle = nullptr;
  heif_image* image = nullptr;
  if (heif_context_read_from_file(context, path.c_str(), nullptr).code == heif_error_Ok &&
      heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok) {
    const bool wide = heif_image_handle_get_luma_bits_per_pixel(handle) > 8;
    if (heif_decode_image(handle, &image, heif_colorspace_RGB,
                          wide ? heif_chroma_interleaved_RRGGBB_LE : heif_chroma_interleaved_RGB, nullptr)
            .code == heif_error_Ok) {
      int stride = 0;
      const uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
      width = heif_image_get_width(image, heif_channel_interleaved);
      height = heif_image_get_height(image, heif_channel_interleaved);
      const double top = (1 << heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved)) - 1;
      for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
          uint32_t word = 0xFF000000u;
          for (int c = 0; c < 3; ++c) {
            const uint8_t* p = plane + static_cast<size_t>(y) * stride + (wide ? 6 : 3) * static_cast<size_t>(x);
            const double v = wide ? (p[2 * c] | (p[2 * c + 1] << 8)) * 255.0 / top : p[c];
            word |= static_cast<uint32_t>(std::lround(v)) << (16 - 8 * c);
          }
          words.push_back(word);
        }
      }
      heif_image_release(image);
    }
    heif_image_handle_release(handle);
  }
  heif_context_free(context);
  return words;
}

}  // namespace heif_writers
