// The treemap's geometry: squarified tiles cover their rectangle in proportion to the sizes,
// nest inside their parents down the stored tree, merge what is smaller than a pixel, and
// come out as whole pixels without gaps; the index finds what the result list shows; a window
// placed beside another stays on the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "os/text.h"
#include "scan/model.h"
#include "tests/core/file_model.h"
#include "ui/placement.h"
#include "view/filestats.h"
#include "view/treemap_layout.h"

namespace vardune {
namespace {

double Area(const TmRect& r) { return r.W() * r.H(); }

double WorstOf(const std::vector<TmRect>& rects) {
  double worst = 1;
  for (const TmRect& r : rects) worst = std::max(worst, AspectRatio(r));
  return worst;
}

// The layout squarifying improves on: strips across the longer side, one per size.
std::vector<TmRect> SliceAndDice(const std::vector<double>& sizes, const TmRect& r) {
  double total = 0;
  for (double s : sizes) total += s;
  std::vector<TmRect> out;
  double at = 0;
  for (double s : sizes) {
    const double next = at + s / total;
    if (r.W() >= r.H()) out.push_back({r.x0 + r.W() * at, r.y0, r.x0 + r.W() * next, r.y1});
    else out.push_back({r.x0, r.y0 + r.H() * at, r.x1, r.y0 + r.H() * next});
    at = next;
  }
  return out;
}

// Tiles of a rectangle: inside it, areas in proportion, no two overlapping, nothing left over.
void ExpectTiling(const std::vector<double>& sizes, const TmRect& r,
                  const std::vector<TmRect>& rects) {
  ASSERT_EQ(rects.size(), sizes.size());
  double total = 0, covered = 0;
  for (double s : sizes) total += s;
  const double eps = 1e-9 * std::max(r.W(), r.H());
  for (size_t i = 0; i < rects.size(); ++i) {
    const TmRect& t = rects[i];
    ASSERT_GE(t.W(), 0) << i;
    ASSERT_GE(t.H(), 0) << i;
    EXPECT_GE(t.x0, r.x0 - eps);
    EXPECT_GE(t.y0, r.y0 - eps);
    EXPECT_LE(t.x1, r.x1 + eps);
    EXPECT_LE(t.y1, r.y1 + eps);
    EXPECT_NEAR(Area(t) / Area(r), sizes[i] / total, 1e-9) << "tile " << i;
    covered += Area(t);
  }
  EXPECT_NEAR(covered, Area(r), 1e-9 * Area(r));
  if (rects.size() > 400) return;  // pairwise below
  for (size_t i = 0; i < rects.size(); ++i) {
    for (size_t j = i + 1; j < rects.size(); ++j) {
      const double w = std::min(rects[i].x1, rects[j].x1) - std::max(rects[i].x0, rects[j].x0);
      const double h = std::min(rects[i].y1, rects[j].y1) - std::max(rects[i].y0, rects[j].y0);
      EXPECT_FALSE(w > eps && h > eps) << "tiles " << i << " and " << j << " overlap";
    }
  }
}

std::vector<double> Descending(std::vector<double> v) {
  std::sort(v.begin(), v.end(), std::greater<>());
  return v;
}

TEST(TreemapLayout, SquarifiedTilesCoverTheRectangleInProportionAndBeatSlicing) {
  std::mt19937 rng(17);
  const TmRect shapes[] = {{0, 0, 800, 600}, {0, 0, 100, 1000}, {10, 20, 11, 21},
                           {3.5, 7.25, 503.5, 57.25}, {0, 0, 1, 1}};
  int cases = 0;
  for (const TmRect& r : shapes) {
    for (int n : {1, 2, 3, 7, 50, 300}) {
      for (int kind = 0; kind < 4; ++kind) {
        std::vector<double> sizes;
        for (int i = 0; i < n; ++i) {
          switch (kind) {
            case 0: sizes.push_back(1 + rng() % 1000); break;                 // uniform
            case 1: sizes.push_back(std::pow(10.0, (rng() % 1200) / 100.0)); break;  // 1 .. 1e12
            case 2: sizes.push_back(42); break;                               // all tied
            default: sizes.push_back(i == 0 ? 1e15 : 1 + rng() % 3); break;   // one huge
          }
        }
        sizes = Descending(sizes);
        const auto rects = Squarify(sizes, r);
        SCOPED_TRACE(testing::Message() << "n=" << n << " kind=" << kind << " rect " << r.W()
                                        << "x" << r.H());
        ExpectTiling(sizes, r, rects);
        EXPECT_LE(WorstOf(rects), WorstOf(SliceAndDice(sizes, r)) * (1 + 1e-9));
        ++cases;
      }
    }
  }
  EXPECT_EQ(cases, 5 * 6 * 4);

  // Ties in a square: four equal sizes are four equal squares.
  const auto four = Squarify({1, 1, 1, 1}, {0, 0, 2, 2});
  for (const TmRect& t : four) {
    EXPECT_DOUBLE_EQ(t.W(), 1);
    EXPECT_DOUBLE_EQ(t.H(), 1);
  }
  // The example of the paper: 6 6 4 3 2 2 1 in 6 x 4, worst aspect ratio under 3.
  const auto paper = Squarify({6, 6, 4, 3, 2, 2, 1}, {0, 0, 6, 4});
  EXPECT_LT(WorstOf(paper), 3.0);
  EXPECT_DOUBLE_EQ(paper[0].W() * paper[0].H(), 6);
  // Nothing to place, or nowhere to place it: empty tiles, no division by zero.
  EXPECT_TRUE(Squarify({}, {0, 0, 5, 5}).empty());
  for (const TmRect& t : Squarify({3, 2}, {4, 4, 4, 9})) EXPECT_EQ(Area(t), 0);
}

// A directory record and its path's parent id, for building lists by hand.
struct Tree {
  PfadListe list;
  void Add(std::wstring_view parent, std::wstring_view name, int64_t size, int32_t dirs = 0,
           int32_t files = 1) {
    list.Append(Pfad{std::wstring(parent), std::wstring(name), size, dirs, files, 0});
  }
};

std::vector<TmTile> Layout(const TreemapIndex& index, const TmRect& r, TmOptions o = {}) {
  return LayoutTreemap([&](uint32_t id, std::vector<TmItem>& out) { index.Children(id, out); },
                       r, o);
}

bool Inside(const TmRect& in, const TmRect& out) {
  const double eps = 1e-9;
  return in.x0 >= out.x0 - eps && in.y0 >= out.y0 - eps && in.x1 <= out.x1 + eps &&
         in.y1 <= out.y1 + eps;
}

TEST(TreemapLayout, TenLevelsNestInsideTheirParentsAndSkipErrorsAndEmptyRecords) {
  // C:\t\ holds a chain d1\d2\...\d10; every level also holds a file-sum record, a small
  // directory with files, an unreadable directory and an empty one.
  Tree t;
  std::vector<std::wstring> levels;
  std::wstring path = L"C:\\t\\";
  for (int level = 0; level <= 10; ++level) {
    levels.push_back(path);
    path += L"d" + std::to_wstring(level + 1) + L"\\";
  }
  // Post-order, as the scanner appends: the deepest level first.
  int64_t below = 0;
  for (int level = 10; level >= 0; --level) {
    const std::wstring& p = levels[static_cast<size_t>(level)];
    t.Add(p + L"klein\\", L"<DATEIEN>", 1000);
    t.Add(p, L"klein", 1000);
    t.Add(p, L"kaputt", -1, 0, 0);
    t.Add(p, L"leer", 0, 0, 0);
    if (level < 10) t.Add(p, L"d" + std::to_wstring(level + 1), below);
    t.Add(p, L"<DATEIEN>", 4096);
    below += 1000 + 4096;
  }
  t.list.SortByParent();
  TreemapIndex index;
  index.Build(t.list, L"C:\\t\\");
  ASSERT_EQ(index.TopCount(), 5u);  // klein, kaputt, leer, d1, <DATEIEN>

  const TmRect map{0, 0, 4000, 3000};
  const auto tiles = Layout(index, map);
  int deepest = 0;
  std::set<std::wstring> shown;
  for (size_t i = 0; i < tiles.size(); ++i) {
    const TmTile& tile = tiles[i];
    ASSERT_NE(tile.id, kTmMerged);
    const std::wstring name(t.list.Name(tile.id));
    EXPECT_NE(name, L"kaputt");
    EXPECT_NE(name, L"leer");
    EXPECT_GT(tile.size, 0);
    shown.insert(t.list.FullPath(tile.id));
    deepest = std::max<int>(deepest, tile.depth);
    if (tile.parent < 0) {
      EXPECT_EQ(tile.top, static_cast<int32_t>(i));
      EXPECT_TRUE(Inside(tile.r, map));
      continue;
    }
    const TmTile& up = tiles[static_cast<size_t>(tile.parent)];
    EXPECT_LT(tile.parent, static_cast<int32_t>(i)) << "parents come first";
    EXPECT_FALSE(up.leaf);
    EXPECT_EQ(tile.depth, up.depth + 1);
    EXPECT_EQ(tile.top, up.top);
    EXPECT_TRUE(Inside(tile.r, up.r)) << "tile " << i;
    // The record is one of the parent's contents.
    EXPECT_EQ(t.list.Parent(tile.id), t.list.FullPath(up.id) + L"\\");
  }
  // Every level is there, down to the files of d10's "klein".
  EXPECT_EQ(deepest, 11);
  EXPECT_TRUE(shown.count(levels[10] + L"klein\\<DATEIEN>")) << "the deepest file-sum record";
  // The children of each divided tile fill it exactly.
  std::map<int32_t, double> childArea;
  for (const TmTile& tile : tiles) {
    if (tile.parent >= 0) childArea[tile.parent] += Area(tile.r);
  }
  for (const auto& [parent, area] : childArea) {
    EXPECT_NEAR(area, Area(tiles[static_cast<size_t>(parent)].r), 1e-6) << parent;
  }

  // A small map stops nesting where tiles get smaller than a few pixels.
  const auto small = Layout(index, {0, 0, 12, 9});
  for (const TmTile& tile : small) {
    if (!tile.leaf) {
      EXPECT_GE(tile.r.W(), 4);
      EXPECT_GE(tile.r.H(), 4);
    }
  }
  int smallDeepest = 0;
  for (const TmTile& tile : small) smallDeepest = std::max<int>(smallDeepest, tile.depth);
  EXPECT_GT(smallDeepest, 0);
  EXPECT_LT(smallDeepest, deepest);
}

TEST(TreemapLayout, TilesBelowAPixelAreMergedAndDrawnAsOne) {
  // One huge directory among 20,000 tiny ones in a map of 200 x 100 pixels.
  Tree t;
  t.Add(L"C:\\m\\", L"riesig", 1'000'000'000);
  for (int i = 0; i < 20000; ++i) t.Add(L"C:\\m\\", L"x" + std::to_wstring(i), 1000 + i % 7);
  TreemapIndex index;
  index.Build(t.list, L"C:\\m\\");
  const auto tiles = Layout(index, {0, 0, 200, 100});
  ASSERT_EQ(tiles.size(), 2u);
  EXPECT_EQ(t.list.Name(tiles[0].id), L"riesig");
  EXPECT_EQ(tiles[1].id, kTmMerged);
  EXPECT_EQ(tiles[1].merged, 20000u);
  int64_t sum = 0;
  for (int i = 0; i < 20000; ++i) sum += 1000 + i % 7;
  EXPECT_EQ(tiles[1].size, sum);
  // A single tiny item among big ones stays itself: there is nothing to merge it with.
  Tree u;
  u.Add(L"C:\\u\\", L"a", 1'000'000);
  u.Add(L"C:\\u\\", L"b", 1'000'000);
  u.Add(L"C:\\u\\", L"winzig", 1);
  TreemapIndex ui;
  ui.Build(u.list, L"C:\\u\\");
  const auto three = Layout(ui, {0, 0, 100, 100});
  ASSERT_EQ(three.size(), 3u);
  EXPECT_EQ(u.list.Name(three[2].id), L"winzig");

  // Drawn: every pixel belongs to one of the two tiles, the merged one in grey.
  const int w = 200, h = 100;
  std::vector<uint32_t> px(w * h);
  std::vector<int32_t> hit(w * h);
  RenderCushions(tiles, kTreemapPalette, 7, kTreemapGrey, 0x123456, w, h, px.data(), w,
                 hit.data());
  int count[2] = {0, 0};
  for (int32_t k : hit) {
    ASSERT_TRUE(k == 0 || k == 1);
    ++count[k];
  }
  EXPECT_GT(count[1], 0);
  EXPECT_NEAR(count[1], Area(tiles[1].r), tiles[1].r.W() + tiles[1].r.H() + 1);
  for (size_t i = 0; i < px.size(); ++i) {
    const uint32_t c = px[i];
    if (hit[i] == 1) {
      EXPECT_TRUE(((c >> 16) & 0xFF) == ((c >> 8) & 0xFF) && (c & 0xFF) == ((c >> 8) & 0xFF))
          << "grey";
    }
  }
}

TEST(TreemapLayout, PixelsTileTheMapWithoutGapsAndCushionsShowTheEdges) {
  std::mt19937 rng(5);
  Tree t;
  for (int i = 0; i < 60; ++i) {
    const std::wstring d = L"d" + std::to_wstring(i);
    for (int k = 0; k < 5; ++k) t.Add(L"C:\\p\\" + d + L"\\", L"s" + std::to_wstring(k), 1 + rng() % 5000);
    t.Add(L"C:\\p\\", d, 0);  // sizes below
  }
  // The directories' sizes are the sums of their contents.
  for (size_t i = 0; i < t.list.size(); ++i) {
    if (t.list.Parent(i) != L"C:\\p\\") continue;
    int64_t s = 0;
    for (size_t k = 0; k < t.list.size(); ++k) {
      if (t.list.Parent(k) == t.list.FullPath(i) + L"\\") s += t.list[k].Size;
    }
    t.list[i].Size = s;
  }
  TreemapIndex index;
  index.Build(t.list, L"C:\\p\\");
  const int w = 333, h = 211;
  const auto tiles = Layout(index, {0, 0, w, h});
  std::vector<uint32_t> px(static_cast<size_t>(w + 7) * h);
  std::vector<int32_t> hit(static_cast<size_t>(w) * h);
  RenderCushions(tiles, kTreemapPalette, 7, kTreemapGrey, 0xFFFFFF, w, h, px.data(), w + 7,
                 hit.data());
  std::map<int32_t, int> pixels;
  for (int32_t k : hit) {
    ASSERT_GE(k, 0) << "a pixel without a tile";
    ASSERT_TRUE(tiles[static_cast<size_t>(k)].leaf);
    ++pixels[k];
  }
  // Each leaf has about its area in pixels: rounding moves each edge by half a pixel at most.
  for (const auto& [k, n] : pixels) {
    const TmRect& r = tiles[static_cast<size_t>(k)].r;
    EXPECT_NEAR(n, Area(r), (r.W() + r.H()) + 1) << k;
  }
  // The padding beyond each row stays untouched.
  for (int y = 0; y < h; ++y) {
    for (int x = w; x < w + 7; ++x) EXPECT_EQ(px[static_cast<size_t>(y) * (w + 7) + x], 0u);
  }
  // Cushions: within a tile the light changes, brightest inside and darkest at an edge, and a
  // tile's colour is that of its top-level tile.
  const TmTile* big = nullptr;
  for (const TmTile& tile : tiles) {
    if (tile.leaf && tile.r.W() >= 12 && tile.r.H() >= 12) big = &tile;
  }
  ASSERT_NE(big, nullptr);
  const auto lum = [&](int x, int y) {
    const uint32_t c = px[static_cast<size_t>(y) * (w + 7) + x];
    return ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF);
  };
  const int cx = static_cast<int>((big->r.x0 + big->r.x1) / 2);
  const int cy = static_cast<int>((big->r.y0 + big->r.y1) / 2);
  const int ex = static_cast<int>(std::ceil(big->r.x1 - 0.5)) - 1;
  const int ey = static_cast<int>(std::ceil(big->r.y1 - 0.5)) - 1;
  EXPECT_GT(lum(cx, cy), lum(ex, ey) + 30) << "the lower right edge lies in the shade";
  const uint32_t base = kTreemapPalette[static_cast<size_t>(big->top) % 7];
  const uint32_t c = px[static_cast<size_t>(cy) * (w + 7) + cx];
  // Shading scales the colour: its strongest channel stays the strongest.
  const auto strongest = [](uint32_t v) {
    const uint32_t r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
    return r >= g && r >= b ? 0 : g >= b ? 1 : 2;
  };
  EXPECT_EQ(strongest(c), strongest(base));
}

TEST(TreemapLayout, IndexFindsTheListedRecordsAndTheContentsBelow) {
  Tree t;
  t.Add(L"C:\\x\\a\\", L"<DATEIEN>", 10);
  t.Add(L"C:\\x\\", L"a", 10);
  t.Add(L"C:\\x\\", L"kaputt", -1, 0, 0);
  t.Add(L"C:\\xy\\", L"fremd", 99);   // begins with the same letters, is not below
  t.Add(L"C:\\x\\", L"<DATEIEN>", 5);
  t.Add(L"C:\\x\\a\\", L"spaet", 7);  // a later rescan's record: a second parent id
  TreemapIndex index;
  index.Build(t.list, L"C:\\x\\");
  std::vector<TmItem> top;
  index.Children(kTmRoot, top);
  std::vector<std::wstring> names;
  for (const TmItem& it : top) names.push_back(std::wstring(t.list.Name(it.id)));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"a", L"kaputt", L"<DATEIEN>"}));
  // The caption's bytes: an ERROR record adds nothing (not its -1).
  EXPECT_EQ(index.Bytes(), 10 + 5);
  std::vector<TmItem> inA;
  index.Children(top[0].id, inA);
  names.clear();
  for (const TmItem& it : inA) names.push_back(std::wstring(t.list.Name(it.id)));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"<DATEIEN>", L"spaet"}));
  std::vector<TmItem> none;
  index.Children(top[2].id, none);  // "<DATEIEN>" has no contents
  index.Children(12345, none);      // nor has a number past the list
  EXPECT_TRUE(none.empty());
  // A path without records lists nothing.
  index.Build(t.list, L"C:\\nie\\");
  index.Children(kTmRoot, none);
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(index.Bytes(), 0);

  // Imported sizes near the 64-bit limit: the sum stops at the largest size, whatever the
  // order, and ERROR records among them change nothing.
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  struct Case {
    std::vector<int64_t> sizes;
    int64_t bytes;
  };
  for (const Case& c : std::vector<Case>{
           {{kMax, 1}, kMax},
           {{1, kMax}, kMax},
           {{kMax / 2 + 1, kMax / 2 + 1, -1}, kMax},
           {{-1, kMax - 1, 1, -1}, kMax},
           {{kMax - 2, -1, 1}, kMax - 1},
           {{-1, -1}, 0},
       }) {
    Tree big;
    for (size_t k = 0; k < c.sizes.size(); ++k) {
      big.Add(L"C:\\g\\", L"d" + std::to_wstring(k), c.sizes[k]);
    }
    index.Build(big.list, L"C:\\g\\");
    EXPECT_EQ(index.Bytes(), c.bytes) << c.sizes.size() << " sizes, first " << c.sizes[0];
  }
}

// Inside the tile of a directory's "<DATEIEN>" record its files are tiles of their own, in
// proportion to their sizes, tagged with the rank of their type; tiny ones taken together
// carry the type of most of their bytes; the colours given per tile are the ones drawn.
TEST(TreemapLayout, FilesAreTilesInsideTheirDirectoryTaggedByType) {
  using testmodel::F;
  std::vector<FileInfo> many = {F(L"gross.mkv", 4000000)};
  for (int i = 0; i < 300; ++i) many.push_back(F(L"klein" + std::to_wstring(i) + L".JPG", 10));
  for (int i = 0; i < 100; ++i) many.push_back(F(L"winzig" + std::to_wstring(i) + L".txt", 10));
  const PfadListe l = testmodel::Scan(
      L"C:\\p\\", {{L"C:\\p\\", {F(L"a.iso", 3000000), F(L"b.ISO", 1000000), F(L"c.txt", 500000),
                                 F(L"leer.txt", 0)}},
                   {L"C:\\p\\viele\\", many},
                   {L"C:\\p\\tief\\unten\\", {F(L"d.mkv", 2000000), F(L"e.doc", 700000)}}});
  TypeRanking ranks;
  ranks.Assign(FileTypes(l, RecordsBelow(l, L"C:\\p\\")));
  ASSERT_EQ(ranks.TypeAt(0), L"mkv");
  TreemapIndex index;
  index.Build(l, L"C:\\p\\", &ranks);
  const TmRect area{0, 0, 600, 400};
  const auto tiles = Layout(index, area);

  std::map<std::wstring, const TmTile*> files;
  for (const TmTile& t : tiles) {
    if (!t.file) continue;
    ASSERT_TRUE(t.leaf);
    ASSERT_GE(t.parent, 0);
    const TmTile& own = tiles[static_cast<size_t>(t.parent)];
    // The parent is the "<DATEIEN>" record of the directory whose files they are.
    ASSERT_EQ(l.Name(own.id), kDateien);
    ASSERT_EQ(l.Parent(own.id), l.FullPath(t.id) + L"\\");
    EXPECT_TRUE(Inside(t.r, own.r));
    EXPECT_NEAR(Area(t.r) / Area(own.r), static_cast<double>(t.size) / own.size, 1e-9);
    const FileInfo f = l.FilesOf(t.id)[t.file - 1];
    EXPECT_EQ(f.Size, t.size);
    std::string name8;
    AppendWtf8(name8, f.Name);
    EXPECT_EQ(t.tag, ranks.RankOfName8(name8));
    files[l.FullPath(t.id) + L"\\" + f.Name] = &t;
  }
  for (const wchar_t* name : {L"a.iso", L"b.ISO", L"c.txt", L"viele\\gross.mkv",
                              L"tief\\unten\\d.mkv", L"tief\\unten\\e.doc"}) {
    EXPECT_TRUE(files.count(L"C:\\p\\" + std::wstring(name))) << ToUtf8(name);
  }
  // Files of 0 bytes get no tile.
  EXPECT_FALSE(files.count(L"C:\\p\\leer.txt"));
  // The 400 small files of viele\ are one merged tile, of the type with most of their bytes.
  int mergedInViele = 0;
  for (const TmTile& t : tiles) {
    if (t.id == kTmMerged && t.parent >= 0 &&
        l.Parent(tiles[static_cast<size_t>(t.parent)].id) == L"C:\\p\\viele\\") {
      ++mergedInViele;
      EXPECT_EQ(t.merged, 400u);
      EXPECT_EQ(ranks.TypeAt(t.tag), L"jpg");
    }
  }
  EXPECT_EQ(mergedInViele, 1);
  // A directory of nothing but crumbs (3,000 files of under a pixel each, in a tile wide
  // enough to divide) stays one tile, of the type of most of them.
  std::vector<FileInfo> crumbs;
  for (int i = 0; i < 3000; ++i) crumbs.push_back(F(std::to_wstring(i) + (i % 3 ? L".jpg" : L".txt"), 1));
  const PfadListe c = testmodel::Scan(
      L"C:\\q\\", {{L"C:\\q\\gross\\", {F(L"g.bin", 300000)}}, {L"C:\\q\\krume\\", crumbs}});
  TypeRanking cranks;
  cranks.Assign(FileTypes(c, RecordsBelow(c, L"C:\\q\\")));
  TreemapIndex cindex;
  cindex.Build(c, L"C:\\q\\", &cranks);
  bool seen = false;
  for (const TmTile& t : Layout(cindex, area)) {
    if (t.id == kTmMerged || t.file || c.Parent(t.id) != L"C:\\q\\krume\\") continue;
    seen = true;
    EXPECT_TRUE(t.leaf);
    EXPECT_EQ(cranks.TypeAt(t.tag), L"jpg");
  }
  EXPECT_TRUE(seen);

  // Drawn with a colour per tile: the pixels of each leaf are its colour, shaded.
  const int w = 600, h = 400;
  std::vector<uint32_t> colours(tiles.size());
  for (size_t k = 0; k < tiles.size(); ++k) colours[k] = 0x406080 + 0x100 * (k % 64);
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  std::vector<int32_t> hit(px.size());
  RenderCushions(tiles, colours, 0xFFFFFF, w, h, px.data(), w, hit.data());
  for (size_t i = 0; i < px.size(); i += 97) {
    ASSERT_GE(hit[i], 0);
    const uint32_t c = colours[static_cast<size_t>(hit[i])], p = px[i];
    const double r = ((p >> 16) & 255) / double((c >> 16) & 255);
    const double b = (p & 255) / double(c & 255);
    EXPECT_NEAR(r, b, 0.03) << i;
  }
  // An index made without the ranking tags nothing.
  TreemapIndex plain;
  plain.Build(l, L"C:\\p\\");
  for (const TmTile& t : Layout(plain, area)) EXPECT_EQ(t.tag, kTmNoTag);
}

TEST(WindowPlacement, BesideWhereTheScreenHasRoom) {
  const ScreenRect work{0, 0, 1280, 1000};
  // Room on the right.
  EXPECT_EQ(PlaceBeside({100, 100, 600, 500}, work, 400, 400, 250),
            (ScreenRect{600, 100, 1000, 500}));
  // None on the right, enough on the left.
  EXPECT_EQ(PlaceBeside({700, 100, 1200, 500}, work, 400, 400, 250),
            (ScreenRect{300, 100, 700, 500}));
  // Neither side has 500: the wider side (left, 390) narrows the window.
  EXPECT_EQ(PlaceBeside({390, 300, 906, 700}, work, 500, 400, 250),
            (ScreenRect{0, 300, 390, 700}));
  // Not even the smallest width: over the window, at the right edge of the screen.
  EXPECT_EQ(PlaceBeside({100, 100, 1180, 500}, work, 400, 400, 250),
            (ScreenRect{880, 100, 1280, 500}));
  // Low on the screen: moved up to keep its bottom on it; too tall: cut to the screen.
  EXPECT_EQ(PlaceBeside({100, 800, 600, 990}, work, 400, 400, 250),
            (ScreenRect{600, 600, 1000, 1000}));
  EXPECT_EQ(PlaceBeside({100, 100, 600, 500}, {0, 40, 1280, 600}, 400, 900, 250),
            (ScreenRect{600, 40, 1000, 600}));
}

}  // namespace
}  // namespace vardune
