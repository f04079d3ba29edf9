#include <cstdio>
#include <cstdlib>

#include "e2e_model.h"

namespace e2e {

namespace {
constexpr int STEPS[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
}  // namespace

Model::Model(Picture p) : picture(std::move(p)), deleted_pixels(size_t(picture.width) * picture.height, 0) {}

bool Model::similar(int rc, int rr, int cc, int cr) const {
  uint32_t a = colors_[index(rc, rr)], b = colors_[index(cc, cr)];
  int Rr = (a >> 16) & 0xFF, Gr = (a >> 8) & 0xFF, Br = a & 0xFF;
  int Rc = (b >> 16) & 0xFF, Gc = (b >> 8) & 0xFF, Bc = b & 0xFF;
  int tol = settings.tolerance;
  if (settings.euclidean) {
    int dr = Rc - Rr, dg = Gc - Gr, db = Bc - Br;
    return dr * dr + dg * dg + db * db <= tol * tol;
  }
  if (Rc > Rr) return Rc - Rr <= tol;
  if (Rc < Rr) return Gc >= Gr && Gc - Gr <= tol;
  if (Gc > Gr) return Gc - Gr <= tol;
  if (Gc < Gr) return Bc >= Br && Bc - Br <= tol;
  return std::abs(Bc - Br) <= tol;
}

void Model::apply() {
  const int w = picture.width, h = picture.height;
  size_ = settings.block_size;
  cols_ = (w + size_ - 1) / size_;
  rows_ = (h + size_ - 1) / size_;
  const size_t n = size_t(cols_) * rows_;
  colors_.resize(n, 0);
  block_deleted_.assign(n, 0);
  for (int c = 0; c < cols_; ++c)
    for (int r = 0; r < rows_; ++r) {
      int x0 = c * size_, y0 = r * size_;
      int bw = std::min(size_, w - x0), bh = std::min(size_, h - y0);
      if (deleted_pixels[size_t(y0) * w + x0] && !settings.range_mode) {
        block_deleted_[index(c, r)] = 1;
        continue;
      }
      uint32_t sum[3] = {0, 0, 0};
      for (int i = 0; i < bw; ++i) {
        uint32_t col[3] = {0, 0, 0};
        for (int j = 0; j < bh; ++j) {
          uint32_t v = picture.at(x0 + i, y0 + j);
          col[0] += (v >> 16) & 0xFF;
          col[1] += (v >> 8) & 0xFF;
          col[2] += v & 0xFF;
        }
        for (int k = 0; k < 3; ++k) sum[k] += col[k] / uint32_t(bh);
      }
      colors_[index(c, r)] = rgb(sum[0] / bw, sum[1] / bw, sum[2] / bw);
    }

  selected_.assign(n, 0);
  selected_list_.clear();
  for (auto [x, y] : stroke) {
    selected_list_.push_back({x / size_, y / size_});
    selected_[index(x / size_, y / size_)] = 1;
  }
  for (size_t j = 0; j < selected_list_.size(); ++j) {
    auto [c, r] = selected_list_[j];
    for (auto& s : STEPS) {
      int nc = c + s[0], nr = r + s[1];
      if (!inside(nc, nr) || selected_[index(nc, nr)]) continue;
      if (block_deleted_[index(nc, nr)] && !settings.range_mode) continue;
      auto ref = settings.first_reference ? selected_list_[0] : std::pair{c, r};
      if (similar(ref.first, ref.second, nc, nr)) {
        selected_[index(nc, nr)] = 1;
        selected_list_.push_back({nc, nr});
      }
    }
  }

  derive();
}

void Model::change_ring(int step) {
  const std::vector<uint8_t> before = selected_;
  std::vector<std::pair<int, int>> list;
  for (auto [x, y] : stroke) list.push_back({x / size_, y / size_});
  for (int r = 0; r < rows_; ++r)
    for (int c = 0; c < cols_; ++c) {
      int beside = 0;
      for (auto& s : STEPS) beside += inside(c + s[0], r + s[1]) && before[index(c + s[0], r + s[1])];
      bool seed = false;
      for (auto [x, y] : stroke) seed = seed || (x / size_ == c && y / size_ == r);
      const bool was = before[index(c, r)], wall = block_deleted_[index(c, r)] && !settings.range_mode;
      const bool in = step > 0 ? was || (beside > 0 && !wall) : seed || (was && beside == 4);
      selected_[index(c, r)] = in;
      if (in && !seed) list.push_back({c, r});
    }
  selected_list_ = list;
  derive();
}

void Model::derive() {
  const size_t n = size_t(cols_) * rows_;
  auto edges = [&](const std::vector<std::pair<int, int>>& list, const std::vector<uint8_t>& map, uint8_t inside_value,
                   std::vector<int>& out) {
    out.assign(n, 0);
    for (auto [c, r] : list) {
      int word = 0;
      for (int k = 0; k < 4; ++k) {
        int nc = c + STEPS[k][0], nr = r + STEPS[k][1];
        if (!inside(nc, nr) || map[index(nc, nr)] != inside_value || block_deleted_[index(nc, nr)]) word |= 1 << k;
      }
      out[index(c, r)] = word;
    }
  };
  edges(selected_list_, selected_, 1, selected_edges_);

  outside_.assign(n, 0);
  std::vector<std::pair<int, int>> queue;
  auto seed = [&](int c, int r) {
    if (!selected_[index(c, r)] && !outside_[index(c, r)]) {
      outside_[index(c, r)] = 1;
      queue.push_back({c, r});
    }
  };
  for (int c = 0; c < cols_; ++c) {
    seed(c, 0);
    seed(c, rows_ - 1);
  }
  for (int r = 0; r < rows_; ++r) {
    seed(0, r);
    seed(cols_ - 1, r);
  }
  for (size_t j = 0; j < queue.size(); ++j) {
    auto [c, r] = queue[j];
    for (auto& s : STEPS) {
      int nc = c + s[0], nr = r + s[1];
      if (inside(nc, nr)) seed(nc, nr);
    }
  }
  boundary_list_.clear();
  for (int c = 0; c < cols_; ++c)
    for (int r = 0; r < rows_; ++r) {
      if (!selected_[index(c, r)]) continue;
      for (auto& s : STEPS) {
        int nc = c + s[0], nr = r + s[1];
        if (!inside(nc, nr) || outside_[index(nc, nr)]) {
          boundary_list_.push_back({c, r});
          break;
        }
      }
    }
  edges(boundary_list_, outside_, 0, boundary_edges_);
}

void Model::remove() {
  const int w = picture.width, h = picture.height;
  for (int c = 0; c < cols_; ++c)
    for (int r = 0; r < rows_; ++r) {
      bool paint = settings.include_inner ? outside_[index(c, r)] == 0 : selected_[index(c, r)] != 0;
      if (!paint) continue;
      block_deleted_[index(c, r)] = 1;
      for (int y = r * size_; y < std::min((r + 1) * size_, h); ++y)
        for (int x = c * size_; x < std::min((c + 1) * size_, w); ++x) {
          deleted_pixels[size_t(y) * w + x] = 1;
          picture.set(x, y, settings.fill);
        }
    }
}

std::vector<uint8_t> Model::outline_mask() const {
  const int w = picture.width, h = picture.height;
  std::vector<uint8_t> mask(size_t(w) * h, 0);
  const auto& list = settings.include_inner ? boundary_list_ : selected_list_;
  const auto& edges = settings.include_inner ? boundary_edges_ : selected_edges_;
  for (auto [c, r] : list) {
    int word = edges[index(c, r)];
    int x0 = c * size_, x1 = std::min((c + 1) * size_, w) - 1;
    int y0 = r * size_, y1 = std::min((r + 1) * size_, h) - 1;
    auto line = [&](int ax, int ay, int bx, int by) {
      for (int y = ay; y <= by; ++y)
        for (int x = ax; x <= bx; ++x) mask[size_t(y) * w + x] = 1;
    };
    if (word & 1) line(x0, y0, x1, y0);
    if (word & 2) line(x1, y0, x1, y1);
    if (word & 4) line(x0, y1, x1, y1);
    if (word & 8) line(x0, y0, x0, y1);
  }
  return mask;
}

Picture picture_area(const Session& session, const Picture& client_shot) {
  return client_shot.crop(session.picture_rect());
}

::testing::AssertionResult shows_outline(const Picture& area, const Model& model, uint32_t color) {
  const Picture& p = model.picture;
  if (area.width != p.width || area.height != p.height) return ::testing::AssertionFailure() << "picture area size";
  auto mask = model.outline_mask();
  int64_t expected = 0, lit = 0;
  char where[160];
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      uint32_t v = area.at(x, y);
      bool on = mask[size_t(y) * p.width + x];
      expected += on;
      if (on) {
        if (v == color) {
          ++lit;
        } else if (v != p.at(x, y) && v != BLACK) {
          std::snprintf(where, sizeof where, "outline side pixel (%d, %d) is %06X, neither %06X nor the picture's %06X",
                        x, y, v, color, p.at(x, y));
          return ::testing::AssertionFailure() << where;
        }
      } else if (v != p.at(x, y)) {
        std::snprintf(where, sizeof where, "pixel (%d, %d) off the outline is %06X, the picture has %06X", x, y, v,
                      p.at(x, y));
        return ::testing::AssertionFailure() << where;
      }
    }
  if (expected == 0) return lit == 0 ? ::testing::AssertionSuccess() : ::testing::AssertionFailure();
  // A dash-dot line lights well over a third of its pixels.
  if (lit * 3 < expected)
    return ::testing::AssertionFailure() << "only " << lit << " of " << expected << " outline pixels drawn";
  // Every side long enough to hold one period of the pattern shows some of it: look
  // along each row and column of the mask for runs.
  auto check_runs = [&](bool rows) -> std::optional<std::string> {
    int outer = rows ? p.height : p.width, inner = rows ? p.width : p.height;
    for (int a = 0; a < outer; ++a) {
      int run = 0, run_lit = 0;
      for (int b = 0; b <= inner; ++b) {
        int x = rows ? b : a, y = rows ? a : b;
        bool on = b < inner && mask[size_t(y) * p.width + x];
        if (on) {
          ++run;
          run_lit += area.at(x, y) == color;
          continue;
        }
        if (run >= 40 && run_lit == 0) {
          char text[120];
          std::snprintf(text, sizeof text, "an outline run of %d pixels ending at (%d, %d) shows no outline", run,
                        rows ? b - 1 : a, rows ? a : b - 1);
          return std::string(text);
        }
        run = run_lit = 0;
      }
    }
    return std::nullopt;
  };
  if (auto bad = check_runs(true)) return ::testing::AssertionFailure() << *bad;
  if (auto bad = check_runs(false)) return ::testing::AssertionFailure() << *bad;
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult shows_picture(const Picture& area, const Picture& picture) {
  DiffReport d = diff_pictures(picture, area);
  if (d.same()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << d.describe();
}

}  // namespace e2e
