// The treemap's geometry (see treemap_layout.h): squarified rows, the nesting level by level,
// the cushions and the index of the scan results below the shown directory.
#include "view/treemap_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "os/text.h"
#include "view/filestats.h"

namespace vardune {

const uint32_t kTreemapPalette[7] = {0xE69F00, 0x56B4E9, 0x009E73, 0xF0E442,
                                     0x0072B2, 0xD55E00, 0xCC79A7};

uint32_t ChangeColour(int64_t now, int64_t before, uint32_t grey) {
  if (before == INT64_MIN) return now >= 0 ? kNewColour : grey;
  if (now < 0 || before < 0 || now == before) return grey;
  const double hi = static_cast<double>(std::max(now, before));
  const double lo = static_cast<double>(std::min(now, before));
  // The share of the change in the larger size, as a doubling reaches 1/2: twice that, at most 1.
  const double share = std::min(1.0, 2.0 * (hi - lo) / hi);
  const double strength = 0.25 + 0.75 * share;
  const uint32_t hue = now > before ? kGrownColour : kShrunkColour;
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const double g = static_cast<double>((grey >> shift) & 0xFF);
    const double c = static_cast<double>((hue >> shift) & 0xFF);
    out |= static_cast<uint32_t>(std::lround(g + (c - g) * strength)) << shift;
  }
  return out;
}

namespace {

// The worst aspect ratio of a row of total area `sum` laid along a side of length `side`,
// whose largest item has area `big` and smallest `small`.
double Worst(double sum, double big, double small, double side) {
  const double s2 = side * side;
  const double sum2 = sum * sum;
  return std::max(s2 * big / sum2, sum2 / (s2 * small));
}

// One ridge of the cushion across [a, b] of the given height (van Wijk and van de Wetering:
// the parabola through a and b with that height at the middle).
void AddRidge(double a, double b, double h, double& s1, double& s2) {
  const double w = b - a;
  if (!(w > 0)) return;
  s1 += 4 * h * (b + a) / w;
  s2 -= 4 * h / w;
}

int64_t AddSaturating(int64_t a, int64_t b) {
  if (b > 0 && a > std::numeric_limits<int64_t>::max() - b) {
    return std::numeric_limits<int64_t>::max();
  }
  return a + b;
}

// FNV-1a over the code units of a text; HashMore goes on from where another text ended.
constexpr uint64_t kFnvStart = 14695981039346656037ull;
uint64_t HashMore(uint64_t h, std::wstring_view s) {
  for (wchar_t c : s) {
    h ^= static_cast<uint16_t>(c);
    h *= 1099511628211ull;
  }
  return h;
}
uint64_t HashText(std::wstring_view s) { return HashMore(kFnvStart, s); }

// Tags above this are no ranks: a tile of tiny files takes no tag from them.
constexpr uint32_t kMaxRankTag = 1u << 20;

// Levels deeper than the longest path the scanner records cannot come from the scan results;
// a children function that leads round in a circle stops here.
constexpr int kMaxDepth = 256;

}  // namespace

double AspectRatio(const TmRect& r) {
  const double w = r.W(), h = r.H();
  if (!(w > 0) || !(h > 0)) return std::numeric_limits<double>::infinity();
  return w > h ? w / h : h / w;
}

std::vector<TmRect> Squarify(const std::vector<double>& sizes, const TmRect& r) {
  const size_t n = sizes.size();
  std::vector<TmRect> out(n, TmRect{r.x0, r.y0, r.x0, r.y0});
  if (n == 0 || !(r.W() > 0) || !(r.H() > 0)) return out;
  // What is left from item i on, summed from the smallest up so that tiny items still count.
  std::vector<double> rest(n + 1, 0.0);
  for (size_t i = n; i-- > 0;) rest[i] = rest[i + 1] + std::max(sizes[i], 0.0);
  if (!(rest[0] > 0) || !std::isfinite(rest[0])) return out;
  const double scale = r.W() * r.H() / rest[0];

  TmRect free = r;
  size_t i = 0;
  while (i < n) {
    // The row runs along the shorter side of the free rectangle.
    const bool column = free.W() >= free.H();
    const double side = column ? free.H() : free.W();
    const double big = sizes[i] * scale;
    double rowArea = big;
    double worst = Worst(rowArea, big, big, side);
    size_t j = i + 1;
    for (; j < n; ++j) {
      const double a = sizes[j] * scale;
      const double w = Worst(rowArea + a, big, a, side);
      if (w > worst) break;
      worst = w;
      rowArea += a;
    }
    // The row's share of what is left decides its thickness; the last row takes all of it.
    // Summed in the order the positions below are, so that none passes the row's end.
    double rowSize = 0;
    for (size_t k = i; k < j; ++k) rowSize += sizes[k];
    const double share = j == n || !(rest[i] > 0) ? 1.0 : std::min(1.0, rowSize / rest[i]);
    double done = 0;
    if (column) {
      const double x1 = j == n ? free.x1 : free.x0 + free.W() * share;
      double y = free.y0;
      for (size_t k = i; k < j; ++k) {
        done += sizes[k];
        const double y1 = k + 1 == j ? free.y1 : free.y0 + free.H() * (done / rowSize);
        out[k] = TmRect{free.x0, y, x1, y1};
        y = y1;
      }
      free.x0 = x1;
    } else {
      const double y1 = j == n ? free.y1 : free.y0 + free.H() * share;
      double x = free.x0;
      for (size_t k = i; k < j; ++k) {
        done += sizes[k];
        const double x1 = k + 1 == j ? free.x1 : free.x0 + free.W() * (done / rowSize);
        out[k] = TmRect{x, free.y0, x1, y1};
        x = x1;
      }
      free.y0 = y1;
    }
    i = j;
  }
  return out;
}

std::vector<TmTile> LayoutTreemap(const TmChildren& children, const TmRect& r,
                                  const TmOptions& o) {
  std::vector<TmTile> tiles;
  LayoutTreemap(children, r, tiles, o);
  return tiles;
}

void LayoutTreemap(const TmChildren& children, const TmRect& r, std::vector<TmTile>& tiles,
                   const TmOptions& o) {
  tiles.clear();
  if (!(r.W() > 0) || !(r.H() > 0)) return;
  std::vector<TmItem> items, sorted;
  std::vector<uint32_t> order, counts;
  std::vector<double> sizes;
  std::vector<int64_t> tagBytes;
  // The tag of most of the bytes of tiny items taken together, for a tile left undivided
  // because it holds nothing else.
  uint32_t crumbTag = kTmNoTag;

  // The surface of the whole map: one cushion over all of it.
  TmTile root;
  root.r = r;
  AddRidge(r.x0, r.x1, o.height, root.s1x, root.s2x);
  AddRidge(r.y0, r.y1, o.height, root.s1y, root.s2y);

  // Lays out the contents of `outer` (parent index -1: the map itself) as new tiles; false
  // when there is nothing worth dividing it into.
  const auto divide = [&](int32_t parent, const TmTile& outer, int depth) {
    crumbTag = kTmNoTag;
    items.clear();
    children(parent < 0 ? kTmRoot : outer.id, items);
    std::erase_if(items, [](const TmItem& it) { return it.size <= 0; });
    if (items.empty()) return false;
    // Largest first; equal sizes in the order the items came.
    order.resize(items.size());
    for (size_t k = 0; k < items.size(); ++k) order[k] = static_cast<uint32_t>(k);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      return items[a].size != items[b].size ? items[a].size > items[b].size : a < b;
    });
    sorted.resize(items.size());
    for (size_t k = 0; k < items.size(); ++k) sorted[k] = items[order[k]];
    items.swap(sorted);
    counts.assign(items.size(), 1);
    // Items whose tile would be smaller than a pixel become one tile together.
    double total = 0;
    for (const TmItem& it : items) total += static_cast<double>(it.size);
    const double area = outer.r.W() * outer.r.H();
    size_t tiny = items.size();
    while (tiny > 0 && static_cast<double>(items[tiny - 1].size) / total * area < o.minArea) {
      --tiny;
    }
    if (items.size() - tiny >= 2) {
      TmItem rest{kTmMerged, 0};
      uint32_t best = kTmNoTag;
      for (size_t k = tiny; k < items.size(); ++k) {
        rest.size = AddSaturating(rest.size, items[k].size);
        const uint32_t tag = items[k].tag;
        if (tag >= kMaxRankTag) continue;
        if (tag >= tagBytes.size()) tagBytes.resize(tag + 1, 0);
        tagBytes[tag] = AddSaturating(tagBytes[tag], items[k].size);
        if (best == kTmNoTag || tagBytes[tag] > tagBytes[best] ||
            (tagBytes[tag] == tagBytes[best] && tag < best)) {
          best = tag;
        }
      }
      for (size_t k = tiny; k < items.size(); ++k) {
        if (items[k].tag < tagBytes.size()) tagBytes[items[k].tag] = 0;
      }
      rest.tag = best;
      const auto n = static_cast<uint32_t>(items.size() - tiny);
      items.resize(tiny);
      counts.resize(tiny);
      // In its place by size, after the items of equal size.
      size_t at = 0;
      while (at < items.size() && items[at].size >= rest.size) ++at;
      items.insert(items.begin() + static_cast<ptrdiff_t>(at), rest);
      counts.insert(counts.begin() + static_cast<ptrdiff_t>(at), n);
    }
    // A tile made only of crumbs shows nothing that the tile itself does not.
    if (parent >= 0 && items.size() == 1 && items[0].id == kTmMerged) {
      crumbTag = items[0].tag;
      return false;
    }

    sizes.resize(items.size());
    for (size_t k = 0; k < items.size(); ++k) sizes[k] = static_cast<double>(items[k].size);
    const std::vector<TmRect> rects = Squarify(sizes, outer.r);
    const double h = o.height * std::pow(o.falloff, depth + 1);
    for (size_t k = 0; k < items.size(); ++k) {
      TmTile t;
      t.r = rects[k];
      t.s1x = outer.s1x;
      t.s2x = outer.s2x;
      t.s1y = outer.s1y;
      t.s2y = outer.s2y;
      AddRidge(t.r.x0, t.r.x1, h, t.s1x, t.s2x);
      AddRidge(t.r.y0, t.r.y1, h, t.s1y, t.s2y);
      t.size = items[k].size;
      t.id = items[k].id;
      t.merged = items[k].id == kTmMerged ? counts[k] : 0;
      t.file = items[k].file;
      t.tag = items[k].tag;
      t.parent = parent;
      t.top = parent < 0 ? static_cast<int32_t>(tiles.size()) : outer.top;
      t.depth = static_cast<uint16_t>(depth);
      tiles.push_back(t);
    }
    return true;
  };

  divide(-1, root, 0);
  // Level by level: the list grows behind the tile being looked at.
  for (size_t t = 0; t < tiles.size(); ++t) {
    const TmTile outer = tiles[t];
    if (outer.id == kTmMerged || outer.file != 0 || outer.depth + 1 >= kMaxDepth) continue;
    if (outer.r.W() < o.minNest || outer.r.H() < o.minNest) continue;
    if (divide(static_cast<int32_t>(t), outer, outer.depth + 1)) {
      tiles[t].leaf = false;
    } else if (tiles[t].tag == kTmNoTag) {
      tiles[t].tag = crumbTag;
    }
  }
}

std::vector<uint32_t> ColoursByTopTile(const std::vector<TmTile>& tiles, const uint32_t* palette,
                                       size_t count, uint32_t mergedColour) {
  std::vector<uint32_t> colours(tiles.size(), mergedColour);
  for (size_t t = 0; t < tiles.size(); ++t) {
    const TmTile& top = tiles[static_cast<size_t>(tiles[t].top)];
    if (top.id != kTmMerged && count > 0) {
      colours[t] = palette[static_cast<size_t>(tiles[t].top) % count];
    }
  }
  return colours;
}

void RenderCushions(const std::vector<TmTile>& tiles, const uint32_t* palette, size_t count,
                    uint32_t mergedColour, uint32_t background, int w, int h, uint32_t* pixels,
                    size_t stride, int32_t* hit) {
  RenderCushions(tiles, ColoursByTopTile(tiles, palette, count, mergedColour), background, w, h,
                 pixels, stride, hit);
}

void RenderCushions(const std::vector<TmTile>& tiles, const std::vector<uint32_t>& colours,
                    uint32_t background, int w, int h, uint32_t* pixels, size_t stride,
                    int32_t* hit) {
  if (w <= 0 || h <= 0 || !pixels) return;
  for (int y = 0; y < h; ++y) {
    std::fill_n(pixels + static_cast<size_t>(y) * stride, w, background);
    if (hit) std::fill_n(hit + static_cast<size_t>(y) * w, w, -1);
  }
  // Light from the upper left, a little ambient light so that no slope goes black; scaled so
  // that a flat surface shows the palette's colour itself.
  const double len = std::sqrt(1.0 + 4.0 + 100.0);
  const double lx = -1.0 / len, ly = -2.0 / len, lz = 10.0 / len;
  const double flat = (40.0 + 215.0 * lz) / 255.0;
  const double ambient = 40.0 / 255.0 / flat, diffuse = 215.0 / 255.0 / flat;
  // A pixel belongs to the tile that holds its centre: edges shared by two tiles round the
  // same way for both.
  const auto first = [](double edge, int limit) {
    if (!(edge == edge)) return 0;
    const double v = std::ceil(edge - 0.5);
    return v < 0 ? 0 : v > limit ? limit : static_cast<int>(v);
  };
  std::vector<double> nx;
  for (size_t t = 0; t < tiles.size(); ++t) {
    const TmTile& tile = tiles[t];
    if (!tile.leaf) continue;
    const int x0 = first(tile.r.x0, w), x1 = first(tile.r.x1, w);
    const int y0 = first(tile.r.y0, h), y1 = first(tile.r.y1, h);
    if (x0 >= x1 || y0 >= y1) continue;
    const uint32_t colour = t < colours.size() ? colours[t] : background;
    const double cr = (colour >> 16) & 0xFF, cg = (colour >> 8) & 0xFF, cb = colour & 0xFF;
    nx.resize(static_cast<size_t>(x1 - x0));
    for (int x = x0; x < x1; ++x) nx[x - x0] = -(2 * tile.s2x * (x + 0.5) + tile.s1x);
    for (int y = y0; y < y1; ++y) {
      const double ny = -(2 * tile.s2y * (y + 0.5) + tile.s1y);
      uint32_t* row = pixels + static_cast<size_t>(y) * stride;
      int32_t* hits = hit ? hit + static_cast<size_t>(y) * w : nullptr;
      for (int x = x0; x < x1; ++x) {
        const double n = nx[x - x0];
        const double cosa = (n * lx + ny * ly + lz) / std::sqrt(n * n + ny * ny + 1.0);
        const double v = ambient + diffuse * std::max(0.0, cosa);
        const auto c = [v](double channel) {
          const double p = channel * v + 0.5;
          return static_cast<uint32_t>(p > 255 ? 255 : p);
        };
        row[x] = (c(cr) << 16) | (c(cg) << 8) | c(cb);
        if (hits) hits[x] = static_cast<int32_t>(t);
      }
    }
  }
}

void TreemapIndex::Clear() {
  list_ = nullptr;
  types_ = nullptr;
  top_.clear();
  owner_.clear();
  below_.clear();
  bytes_ = 0;
  start_.clear();
  recs_.clear();
  slots_.clear();
  sameText_.clear();
}

void TreemapIndex::Build(const PfadListe& list, std::wstring_view path, const TypeRanking* types) {
  Clear();
  list_ = &list;
  types_ = types;
  const size_t depth = CountChar(path, L'\\');
  const PfadListe::ParentId parents = list.ParentCount();
  // Per parent text: listed for the path by the rule of _ShowDir (the path found in it, as
  // many backslashes), and lying below the path.
  std::vector<uint8_t>& listed = listed_;
  listed.assign(parents, 0);
  std::vector<uint8_t>& below = below_;
  below.assign(parents, 0);
  if (depthList_ != &list || depthChanges_ != list.Changes() || depth_.size() != parents) {
    depth_.resize(parents);
    for (PfadListe::ParentId p = 0; p < parents; ++p) {
      depth_[p] = static_cast<uint16_t>(std::min<size_t>(CountChar(list.ParentText(p), L'\\'), UINT16_MAX));
    }
    depthList_ = &list;
    depthChanges_ = list.Changes();
  }
  const size_t depthKey = std::min<size_t>(depth, UINT16_MAX);
  for (PfadListe::ParentId p = 0; p < parents; ++p) {
    const std::wstring_view text = list.ParentText(p);
    below[p] = text.starts_with(path);
    // Of the same depth, and holding the path (which a text below it does from its start).
    listed[p] = depth_[p] == depthKey && (below[p] || text.find(path) != std::wstring_view::npos);
  }
  start_.assign(static_cast<size_t>(parents) + 1, 0);
  for (size_t i = 0; i < list.size(); ++i) {
    const PfadListe::ParentId p = list[i].Parent;
    if (listed[p]) {
      top_.push_back(static_cast<uint32_t>(i));
      // An ERROR record's -1 is no size, and imported sizes can add up past the largest one.
      const int64_t size = list[i].Size;
      if (size > 0) {
        bytes_ = size > std::numeric_limits<int64_t>::max() - bytes_
                     ? std::numeric_limits<int64_t>::max()
                     : bytes_ + size;
      }
    }
    if (below[p]) ++start_[p + 1];
  }
  for (size_t p = 0; p < parents; ++p) start_[p + 1] += start_[p];
  recs_.resize(start_[parents]);
  std::vector<uint32_t>& fill = fill_;
  fill.assign(start_.begin(), start_.end() - 1);
  size_t used = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    const PfadListe::ParentId p = list[i].Parent;
    if (!below[p]) continue;
    if (fill[p] == start_[p]) ++used;
    recs_[fill[p]++] = static_cast<uint32_t>(i);
  }
  sameText_.assign(parents, UINT32_MAX);
  size_t size = 16;
  while (size < 2 * used) size *= 2;
  slots_.assign(size, 0);
  const size_t mask = size - 1;
  for (PfadListe::ParentId p = 0; p < parents; ++p) {
    if (start_[p] == start_[p + 1]) continue;
    const std::wstring_view text = list.ParentText(p);
    for (size_t k = HashText(text) & mask;; k = (k + 1) & mask) {
      if (slots_[k] == 0) {
        slots_[k] = p + 1;
        break;
      }
      if (list.ParentText(slots_[k] - 1) == text) {
        sameText_[p] = slots_[k] - 1;
        slots_[k] = p + 1;
        break;
      }
    }
  }
  if (list.FileStore().LiveFiles() > 0) FindOwners(path);
}

void TreemapIndex::FindOwners(std::wstring_view path) {
  const PfadListe& list = *list_;
  owner_.assign(list.ParentCount(), UINT32_MAX);
  const PathSplit own = SplitRecordPath(path);
  const size_t mask = slots_.size() - 1;
  // The records that hold files, below the path or the path's own: the parent text that is
  // their path (with its backslash) is where their "<DATEIEN>" record lies. The hash of a
  // parent text is the same for every record sharing it.
  std::vector<uint64_t>& parentHash = parentHash_;
  std::vector<uint8_t>& hashed = hashed_;
  parentHash.assign(list.ParentCount(), 0);
  hashed.assign(list.ParentCount(), 0);
  for (size_t i = 0; i < list.size(); ++i) {
    const PfadListe::Rec& r = list[i];
    if (r.FileBlock == FileTable::kNone) continue;
    const std::wstring_view parent = list.ParentText(r.Parent);
    const std::wstring_view name = list.Name(i);
    if (!below_[r.Parent] && !(parent == own.Parent && name == own.Name)) continue;
    if (!hashed[r.Parent]) {
      parentHash[r.Parent] = HashText(parent);
      hashed[r.Parent] = 1;
    }
    const uint64_t h = HashMore(HashMore(parentHash[r.Parent], name), L"\\");
    for (size_t k = h & mask; slots_[k] != 0; k = (k + 1) & mask) {
      const std::wstring_view text = list.ParentText(slots_[k] - 1);
      if (text.size() == parent.size() + name.size() + 1 && text.starts_with(parent) &&
          text.substr(parent.size(), name.size()) == name && text.back() == L'\\') {
        for (uint32_t p = slots_[k] - 1; p != UINT32_MAX; p = sameText_[p]) {
          if (owner_[p] == UINT32_MAX) owner_[p] = static_cast<uint32_t>(i);
        }
        break;
      }
    }
  }
}

void TreemapIndex::Children(uint32_t id, std::vector<TmItem>& out) const {
  if (!list_) return;
  if (id == kTmRoot) {
    out.reserve(out.size() + top_.size());
    for (uint32_t i : top_) out.push_back(TmItem{i, (*list_)[i].Size});
    return;
  }
  if (id >= list_->size()) return;
  const std::wstring_view name = list_->Name(id);
  if (name == kDateien) {
    const PfadListe::ParentId p = (*list_)[id].Parent;
    const uint32_t owner = p < owner_.size() ? owner_[p] : UINT32_MAX;
    if (owner == UINT32_MAX) return;
    uint32_t ord = 0;
    out.reserve(out.size() + list_->FileStore().Count((*list_)[owner].FileBlock));
    list_->ForEachFile(owner, [&](const FileRef& f) {
      ++ord;
      const uint32_t tag = types_ ? types_->RankOfName8(f.Name8()) : kTmNoTag;
      out.push_back(TmItem{owner, f.size, ord, tag});
    });
    return;
  }
  key_.assign(list_->Parent(id));
  key_.append(name);
  key_.push_back(L'\\');
  if (slots_.empty()) return;
  const size_t mask = slots_.size() - 1;
  uint32_t head = UINT32_MAX;
  for (size_t k = HashText(key_) & mask; slots_[k] != 0; k = (k + 1) & mask) {
    if (list_->ParentText(slots_[k] - 1) == key_) {
      head = slots_[k] - 1;
      break;
    }
  }
  // The newest parent id heads the chain: walk it from the oldest.
  chain_.clear();
  for (uint32_t p = head; p != UINT32_MAX; p = sameText_[p]) chain_.push_back(p);
  for (size_t k = chain_.size(); k-- > 0;) {
    const uint32_t p = chain_[k];
    for (uint32_t j = start_[p]; j < start_[p + 1]; ++j) {
      out.push_back(TmItem{recs_[j], (*list_)[recs_[j]].Size});
    }
  }
}

}  // namespace vardune
