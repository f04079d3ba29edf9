#include "platform/heif_container.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace platform::heif {
namespace {

constexpr uint32_t fourcc(const char (&name)[5]) {
  return (uint32_t(uint8_t(name[0])) << 24) | (uint32_t(uint8_t(name[1])) << 16) | (uint32_t(uint8_t(name[2])) << 8) |
         uint32_t(uint8_t(name[3]));
}

constexpr int64_t MAX_SIDE = 65535;

// Reads big-endian fields from [at, end) of the file; a read past the end sets
// `failed` and gives 0, so callers check once after a run of reads.
struct Reader {
  const uint8_t* bytes;
  size_t at;
  size_t end;
  bool failed = false;
  bool has(size_t n) const { return !failed && n <= end - at; }
  uint64_t read(int n) {
    if (!has(static_cast<size_t>(n))) {
      failed = true;
      return 0;
    }
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | bytes[at++];
    return v;
  }
  uint32_t u8() { return static_cast<uint32_t>(read(1)); }
  uint32_t u16() { return static_cast<uint32_t>(read(2)); }
  uint32_t u32() { return static_cast<uint32_t>(read(4)); }
  void skip(size_t n) {
    if (has(n)) at += n;
    else failed = true;
  }
};

struct Box {
  uint32_t type = 0;
  size_t start = 0;  // of the whole box
  size_t body = 0;   // after the size and type
  size_t end = 0;
};

// The boxes inside [start, end), in order; false when one does not fit.
bool children(const uint8_t* bytes, size_t start, size_t end, std::vector<Box>& out) {
  out.clear();
  Reader r{bytes, start, end};
  while (r.at < end) {
    Box box;
    box.start = r.at;
    uint64_t size = r.u32();
    box.type = r.u32();
    if (size == 1) size = r.read(8);
    else if (size == 0) size = end - box.start;
    if (r.failed || size < r.at - box.start || size > end - box.start) return false;
    box.body = r.at;
    box.end = box.start + static_cast<size_t>(size);
    out.push_back(box);
    r.at = box.end;
  }
  return true;
}

const Box* find(const std::vector<Box>& boxes, uint32_t type) {
  for (const Box& b : boxes)
    if (b.type == type) return &b;
  return nullptr;
}

struct Item {
  uint32_t id = 0;
  uint32_t type = 0;
  uint32_t construction = 0;  // 0: in the file, 1: in the meta box's idat
  bool located = false;
  std::vector<Span> extents;
  std::vector<uint32_t> properties;  // indexes into the property boxes, in order
  std::vector<uint32_t> tiles;       // dimg references, in order
};

struct Meta {
  uint32_t primary = 0;
  std::vector<Item> items;
  std::vector<Box> properties;
  Box idat;
  bool has_idat = false;
  // Items are sorted by id once read, so that files of many items are looked
  // through quickly.
  Item* item(uint32_t id) {
    const auto at = std::lower_bound(items.begin(), items.end(), id, [](const Item& i, uint32_t v) { return i.id < v; });
    return at != items.end() && at->id == id ? &*at : nullptr;
  }
};

bool read_item_infos(const uint8_t* bytes, const Box& iinf, Meta& meta) {
  Reader r{bytes, iinf.body, iinf.end};
  const uint32_t version = r.u8();
  r.skip(3);
  const uint32_t count = version == 0 ? r.u16() : r.u32();
  if (r.failed) return false;
  std::vector<Box> entries;
  if (!children(bytes, r.at, iinf.end, entries) || entries.size() != count) return false;
  for (const Box& e : entries) {
    if (e.type != fourcc("infe")) continue;
    Reader f{bytes, e.body, e.end};
    const uint32_t v = f.u8();
    f.skip(3);
    if (v < 2) continue;  // old entries name no item type
    Item item;
    item.id = v == 2 ? f.u16() : f.u32();
    f.skip(2);  // protection index
    item.type = f.u32();
    if (f.failed) return false;
    meta.items.push_back(item);
  }
  std::stable_sort(meta.items.begin(), meta.items.end(), [](const Item& a, const Item& b) { return a.id < b.id; });
  return true;
}

bool read_locations(const uint8_t* bytes, const Box& iloc, Meta& meta) {
  Reader r{bytes, iloc.body, iloc.end};
  const uint32_t version = r.u8();
  r.skip(3);
  const uint32_t sizes = r.u16();
  const int offset_size = static_cast<int>(sizes >> 12), length_size = static_cast<int>((sizes >> 8) & 15);
  const int base_size = static_cast<int>((sizes >> 4) & 15), index_size = version >= 1 ? static_cast<int>(sizes & 15) : 0;
  for (int s : {offset_size, length_size, base_size, index_size})
    if (s != 0 && s != 4 && s != 8) return false;
  const uint32_t count = version < 2 ? r.u16() : r.u32();
  for (uint32_t i = 0; i < count && !r.failed; ++i) {
    const uint32_t id = version < 2 ? r.u16() : r.u32();
    const uint32_t construction = version >= 1 ? r.u16() & 15 : 0;
    r.skip(2);  // data reference: this file
    const uint64_t base = r.read(base_size);
    const uint32_t extents = r.u16();
    Item* item = meta.item(id);
    if (item != nullptr) {
      item->located = true;
      item->construction = construction;
    }
    for (uint32_t e = 0; e < extents && !r.failed; ++e) {
      r.read(index_size);
      const uint64_t offset = base + r.read(offset_size);
      const uint64_t length = r.read(length_size);
      if (offset < base || length == 0) return false;  // wrapped, or "to the end"
      if (offset > SIZE_MAX || length > SIZE_MAX) return false;
      if (item != nullptr) item->extents.push_back(Span{static_cast<size_t>(offset), static_cast<size_t>(length)});
    }
  }
  return !r.failed;
}

bool read_references(const uint8_t* bytes, const Box& iref, Meta& meta) {
  Reader r{bytes, iref.body, iref.end};
  const uint32_t version = r.u8();
  r.skip(3);
  std::vector<Box> refs;
  if (r.failed || !children(bytes, r.at, iref.end, refs)) return false;
  const int id_size = version == 0 ? 2 : 4;
  for (const Box& ref : refs) {
    if (ref.type != fourcc("dimg")) continue;
    Reader f{bytes, ref.body, ref.end};
    Item* from = meta.item(static_cast<uint32_t>(f.read(id_size)));
    const uint32_t count = f.u16();
    std::vector<uint32_t> to;
    for (uint32_t i = 0; i < count && !f.failed; ++i) to.push_back(static_cast<uint32_t>(f.read(id_size)));
    if (f.failed) return false;
    if (from != nullptr) from->tiles.insert(from->tiles.end(), to.begin(), to.end());
  }
  return true;
}

bool read_properties(const uint8_t* bytes, const Box& iprp, Meta& meta) {
  std::vector<Box> parts;
  if (!children(bytes, iprp.body, iprp.end, parts)) return false;
  const Box* ipco = find(parts, fourcc("ipco"));
  if (ipco == nullptr || !children(bytes, ipco->body, ipco->end, meta.properties)) return false;
  for (const Box& ipma : parts) {
    if (ipma.type != fourcc("ipma")) continue;
    Reader r{bytes, ipma.body, ipma.end};
    const uint32_t version = r.u8();
    const uint32_t flags = static_cast<uint32_t>(r.read(3));
    const uint32_t count = r.u32();
    for (uint32_t i = 0; i < count && !r.failed; ++i) {
      Item* item = meta.item(version < 1 ? r.u16() : r.u32());
      const uint32_t associations = r.u8();
      for (uint32_t a = 0; a < associations && !r.failed; ++a) {
        const uint32_t index = (flags & 1) ? r.u16() & 0x7FFF : r.u8() & 0x7F;
        if (index == 0) continue;
        if (index > meta.properties.size()) return false;
        if (item != nullptr) item->properties.push_back(index - 1);
      }
    }
    if (r.failed) return false;
  }
  return true;
}

bool read_meta(const uint8_t* bytes, const Box& box, Meta& meta) {
  Reader r{bytes, box.body, box.end};
  r.skip(4);  // version and flags
  std::vector<Box> parts;
  if (r.failed || !children(bytes, r.at, box.end, parts)) return false;
  const Box* hdlr = find(parts, fourcc("hdlr"));
  const Box* pitm = find(parts, fourcc("pitm"));
  const Box* iinf = find(parts, fourcc("iinf"));
  const Box* iloc = find(parts, fourcc("iloc"));
  const Box* iprp = find(parts, fourcc("iprp"));
  if (hdlr == nullptr || pitm == nullptr || iinf == nullptr || iloc == nullptr || iprp == nullptr) return false;
  Reader h{bytes, hdlr->body, hdlr->end};
  h.skip(8);
  if (h.u32() != fourcc("pict") || h.failed) return false;
  Reader p{bytes, pitm->body, pitm->end};
  const uint32_t version = p.u8();
  p.skip(3);
  meta.primary = version == 0 ? p.u16() : p.u32();
  if (p.failed) return false;
  if (const Box* idat = find(parts, fourcc("idat"))) {
    meta.idat = *idat;
    meta.has_idat = true;
  }
  const Box* iref = find(parts, fourcc("iref"));
  return read_item_infos(bytes, *iinf, meta) && read_locations(bytes, *iloc, meta) &&
         (iref == nullptr || read_references(bytes, *iref, meta)) && read_properties(bytes, *iprp, meta);
}

// The item's data as runs of the file; false when a run lies outside it.
bool item_data(const Meta& meta, const Item& item, size_t file_size, std::vector<Span>& out) {
  if (!item.located || item.extents.empty() || item.construction > 1) return false;
  const size_t start = item.construction == 1 ? meta.idat.body : 0;
  const size_t end = item.construction == 1 ? meta.idat.end : file_size;
  if (item.construction == 1 && !meta.has_idat) return false;
  out.clear();
  for (const Span& e : item.extents) {
    if (e.offset > end - start || e.size > end - start - e.offset) return false;
    out.push_back(Span{start + e.offset, e.size});
  }
  return true;
}

const Box* property(const Meta& meta, const Item& item, uint32_t type) {
  for (uint32_t index : item.properties)
    if (meta.properties[index].type == type) return &meta.properties[index];
  return nullptr;
}

bool image_size(const uint8_t* bytes, const Meta& meta, const Item& item, int64_t& width, int64_t& height) {
  const Box* ispe = property(meta, item, fourcc("ispe"));
  if (ispe == nullptr) return false;
  Reader r{bytes, ispe->body + 4, ispe->end};
  width = r.u32();
  height = r.u32();
  return !r.failed && width > 0 && height > 0 && width <= MAX_SIDE && height <= MAX_SIDE;
}

// One coded image as a tile: its data and the properties its decoder needs.
bool coded_tile(size_t size, const Meta& meta, const Item& item, Tile& tile) {
  if (!item_data(meta, item, size, tile.data)) return false;
  // The first of each kind, as a reader takes it; a colour profile may come beside
  // the colour coefficients.
  for (uint32_t type : {fourcc("hvcC"), fourcc("av1C"), fourcc("ispe"), fourcc("pixi")}) {
    if (const Box* p = property(meta, item, type)) tile.properties.push_back(Span{p->start, p->end - p->start});
  }
  int colours = 0;
  for (uint32_t index : item.properties) {
    const Box& p = meta.properties[index];
    if (p.type == fourcc("colr") && colours++ < 2) tile.properties.push_back(Span{p.start, p.end - p.start});
  }
  return true;
}

bool codec_of(uint32_t type, Codec& codec) {
  if (type == fourcc("hvc1")) codec = Codec::hevc;
  else if (type == fourcc("av01")) codec = Codec::av1;
  else return false;
  return true;
}

bool read_grid(const uint8_t* bytes, size_t size, Meta& meta, const Item& grid, Picture& picture) {
  std::vector<Span> data;
  if (!item_data(meta, grid, size, data) || data.size() != 1) return false;
  Reader r{bytes, data[0].offset, data[0].offset + data[0].size};
  r.skip(1);  // version
  const int field = (r.u8() & 1) ? 4 : 2;
  picture.rows = static_cast<int32_t>(r.u8()) + 1;
  picture.columns = static_cast<int32_t>(r.u8()) + 1;
  const int64_t width = static_cast<int64_t>(r.read(field));
  const int64_t height = static_cast<int64_t>(r.read(field));
  if (r.failed || width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE) return false;
  const int64_t count = int64_t{picture.rows} * picture.columns;
  if (count > MAX_TILES || grid.tiles.size() != static_cast<size_t>(count)) return false;
  // The grid's own size property is not looked at: libheif 1.15 writes it turned.
  for (size_t i = 0; i < grid.tiles.size(); ++i) {
    const Item* tile = meta.item(grid.tiles[i]);
    Codec codec = Codec::hevc;
    int64_t w = 0, h = 0;
    if (tile == nullptr || !codec_of(tile->type, codec) || !image_size(bytes, meta, *tile, w, h)) return false;
    if (i == 0) {
      picture.codec = codec;
      picture.tile_width = static_cast<int32_t>(w);
      picture.tile_height = static_cast<int32_t>(h);
    } else if (codec != picture.codec || w != picture.tile_width || h != picture.tile_height) {
      return false;
    }
    picture.tiles.emplace_back();
    if (!coded_tile(size, meta, *tile, picture.tiles.back())) return false;
  }
  // The tiles cover the canvas, with no row or column of them wholly outside it.
  const int64_t tw = picture.tile_width, th = picture.tile_height;
  if (tw * picture.columns < width || th * picture.rows < height || tw * (picture.columns - 1) >= width ||
      th * (picture.rows - 1) >= height)
    return false;
  picture.stored_width = static_cast<int32_t>(width);
  picture.stored_height = static_cast<int32_t>(height);
  return true;
}

// A fraction with a positive denominator rounded down, and to the nearest, halves up.
int64_t floored(int64_t numerator, int64_t denominator) {
  return numerator / denominator - (numerator % denominator != 0 && numerator < 0);
}
int64_t rounded(int64_t numerator, int64_t denominator) { return floored(2 * numerator + denominator, 2 * denominator); }

// Applies one transform to the map from shown to stored pixels: the shown picture
// of width x height becomes the next one. False when it does not fit the picture.
bool apply_transform(const uint8_t* bytes, const Box& box, int64_t& width, int64_t& height, PixelMap& m) {
  Reader r{bytes, box.body, box.end};
  // The new shown (x, y) is the old (cx + x * ax + y * ay, cy + x * bx + y * by).
  int64_t cx = 0, ax = 1, ay = 0, cy = 0, bx = 0, by = 1;
  int64_t new_width = width, new_height = height;
  if (box.type == fourcc("irot")) {
    const uint32_t quarter_turns = r.u8() & 3;  // anticlockwise
    if (quarter_turns == 1) cx = width - 1, ax = 0, ay = -1, cy = 0, bx = 1, by = 0;
    if (quarter_turns == 2) cx = width - 1, ax = -1, cy = height - 1, by = -1;
    if (quarter_turns == 3) cx = 0, ax = 0, ay = 1, cy = height - 1, bx = -1, by = 0;
    if (quarter_turns % 2 == 1) std::swap(new_width, new_height);
  } else if (box.type == fourcc("imir")) {
    // As libheif and the current standard read it; the first edition had the two the
    // other way round.
    if (r.u8() & 1) cx = width - 1, ax = -1;  // left and right exchanged
    else cy = height - 1, by = -1;           // top and bottom exchanged
  } else if (box.type == fourcc("clap")) {
    int64_t f[8];
    for (int64_t& v : f) v = static_cast<int32_t>(r.u32());
    // Denominators beyond a 16-bit value are refused, so the sums below stay exact.
    for (int d = 1; d < 8; d += 2)
      if (f[d] <= 0 || f[d] > MAX_SIDE) return false;
    if (r.failed || f[0] <= 0 || f[2] <= 0) return false;
    // The aperture is centred at offset + (side - 1) / 2, so its first pixel lies at
    // that less (size - 1) / 2. A half pixel is rounded as libheif 1.15 rounds it:
    // the left edge down, the top edge up.
    auto first = [](int64_t side, int64_t size_n, int64_t size_d, int64_t off_n, int64_t off_d, bool up) {
      const int64_t n = 2 * off_n * size_d + (side - 1) * off_d * size_d - (size_n - size_d) * off_d;
      const int64_t d = 2 * off_d * size_d;
      return up ? rounded(n, d) : floored(n, d);
    };
    const int64_t left = first(width, f[0], f[1], f[4], f[5], false);
    const int64_t top = first(height, f[2], f[3], f[6], f[7], true);
    const int64_t crop_width = rounded(f[0], f[1]), crop_height = rounded(f[2], f[3]);
    if (left < 0 || top < 0 || crop_width <= 0 || crop_height <= 0 || left + crop_width > width ||
        top + crop_height > height)
      return false;
    cx = left, cy = top;
    new_width = crop_width;
    new_height = crop_height;
  }
  if (r.failed) return false;
  PixelMap n = m;
  n.x0 = m.x0 + m.xx * cx + m.xy * cy;
  n.xx = m.xx * ax + m.xy * bx;
  n.xy = m.xx * ay + m.xy * by;
  n.y0 = m.y0 + m.yx * cx + m.yy * cy;
  n.yx = m.yx * ax + m.yy * bx;
  n.yy = m.yx * ay + m.yy * by;
  m = n;
  width = new_width;
  height = new_height;
  return true;
}

}  // namespace

bool is_heif(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr || size < 16 || std::memcmp(bytes + 4, "ftyp", 4) != 0) return false;
  const size_t box_size = (size_t{bytes[0]} << 24) | (size_t{bytes[1]} << 16) | (size_t{bytes[2]} << 8) | bytes[3];
  if (box_size < 16 || box_size > size) return false;
  // The major brand, then the compatible ones (after the minor version).
  for (size_t at = 8; at + 4 <= box_size; at += at == 8 ? 8 : 4) {
    for (const char* brand : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "avif"})
      if (std::memcmp(bytes + at, brand, 4) == 0) return true;
  }
  return false;
}

bool read_picture(const uint8_t* bytes, size_t size, Picture& picture) {
  picture = Picture{};
  if (!is_heif(bytes, size)) return false;
  std::vector<Box> top;
  // A file cut short inside a box is refused, so every box must fit.
  if (!children(bytes, 0, size, top)) return false;
  const Box* meta_box = find(top, fourcc("meta"));
  Meta meta;
  if (meta_box == nullptr || !read_meta(bytes, *meta_box, meta)) return false;
  const Item* primary = meta.item(meta.primary);
  if (primary == nullptr) return false;
  if (primary->type == fourcc("grid")) {
    if (!read_grid(bytes, size, meta, *primary, picture)) return false;
  } else {
    int64_t w = 0, h = 0;
    if (!codec_of(primary->type, picture.codec) || !image_size(bytes, meta, *primary, w, h)) return false;
    picture.stored_width = picture.tile_width = static_cast<int32_t>(w);
    picture.stored_height = picture.tile_height = static_cast<int32_t>(h);
    picture.tiles.emplace_back();
    if (!coded_tile(size, meta, *primary, picture.tiles.back())) return false;
  }
  int64_t width = picture.stored_width, height = picture.stored_height;
  if (width * height > MAX_PIXELS) return false;
  for (uint32_t index : primary->properties) {
    const Box& p = meta.properties[index];
    if ((p.type == fourcc("irot") || p.type == fourcc("imir") || p.type == fourcc("clap")) &&
        !apply_transform(bytes, p, width, height, picture.map))
      return false;
  }
  picture.width = static_cast<int32_t>(width);
  picture.height = static_cast<int32_t>(height);
  return true;
}

}  // namespace platform::heif
