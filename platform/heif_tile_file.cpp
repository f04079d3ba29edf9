#include "platform/heif_tile_file.h"

#include <cstring>

#include "platform/heif_box_writer.h"

namespace platform::heif {
std::vector<uint8_t> tile_file(const uint8_t* bytes, Codec codec, const Tile& tile) {
  const char* item_type = codec == Codec::hevc ? "hvc1" : "av01";
  const char* brand = codec == Codec::hevc ? "heic" : "avif";
  size_t data_size = 0;
  for (const Span& s : tile.data) data_size += s.size;

  BoxWriter w;
  size_t box = w.begin("ftyp");
  w.tag(brand), w.u32(0), w.tag("mif1"), w.tag(brand);
  w.end(box);
  const size_t meta = w.begin("meta", 0);
  box = w.begin("hdlr", 0);
  w.u32(0), w.tag("pict"), w.u32(0), w.u32(0), w.u32(0), w.u8(0);
  w.end(box);
  box = w.begin("pitm", 0);
  w.u16(1);
  w.end(box);
  const size_t iinf = w.begin("iinf", 0);
  w.u16(1);
  box = w.begin("infe", 2);
  w.u16(1), w.u16(0), w.tag(item_type), w.u8(0);
  w.end(box);
  w.end(iinf);
  const size_t iprp = w.begin("iprp");
  box = w.begin("ipco");
  for (const Span& p : tile.properties) w.out.insert(w.out.end(), bytes + p.offset, bytes + p.offset + p.size);
  w.end(box);
  box = w.begin("ipma", 0);
  w.u32(1), w.u16(1), w.u8(static_cast<uint32_t>(tile.properties.size()));
  for (size_t i = 0; i < tile.properties.size(); ++i) w.u8(static_cast<uint32_t>(i + 1));
  w.end(box);
  w.end(iprp);
  // One extent, at the start of the data box that follows this box.
  box = w.begin("iloc", 0);
  w.u16(0x4400), w.u16(1), w.u16(1), w.u16(0), w.u16(1);
  const size_t offset_at = w.out.size();
  w.u32(0), w.u32(static_cast<uint32_t>(data_size));
  w.end(box);
  w.end(meta);
  const auto data_offset = static_cast<uint32_t>(w.out.size() + 8);
  for (int i = 0; i < 4; ++i) w.out[offset_at + i] = static_cast<uint8_t>(data_offset >> (24 - 8 * i));
  box = w.begin("mdat");
  w.out.reserve(w.out.size() + data_size);
  for (const Span& s : tile.data) w.out.insert(w.out.end(), bytes + s.offset, bytes + s.offset + s.size);
  w.end(box);
  return w.out;
}

}  // namespace platform::heif
