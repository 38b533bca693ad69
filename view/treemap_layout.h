// The geometry of the treemap, free of windows: the squarified layout of sizes in a rectangle
// (Bruls, Huizing and van Wijk, 2000), its nesting down the stored tree, the cushion shading
// of the tiles (van Wijk and van de Wetering, 1999) into a pixel buffer, and the index that
// finds a directory's contents in the scan results without walking the whole list each time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "scan/model.h"

namespace vardune {

struct TmRect {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  double W() const { return x1 - x0; }
  double H() const { return y1 - y0; }
};

// Longer side over shorter side (1 for a square); infinite for a rectangle without area.
double AspectRatio(const TmRect& r);

// Places the sizes (positive, largest first) in r, one rectangle per size, with areas in
// proportion to the sizes. Rows are laid along the shorter side of what is left and grow
// while that improves their worst aspect ratio. Neighbours share their edges exactly and the
// last tile of a row ends exactly on the edge of r, so rounding the edges to pixels leaves
// neither gaps nor overlaps.
std::vector<TmRect> Squarify(const std::vector<double>& sizes, const TmRect& r);

// An entry of a directory as the layout sees it: the caller's number for it and its bytes;
// for a file, its number among the files of record `id` plus 1 (0: not a file, an entry that
// may have contents of its own) and a tag of the caller's (the rank of its type).
struct TmItem {
  uint32_t id;
  int64_t size;
  uint32_t file = 0;
  uint32_t tag = UINT32_MAX;
};

inline constexpr uint32_t kTmRoot = UINT32_MAX - 1;  // the shown directory itself
inline constexpr uint32_t kTmMerged = UINT32_MAX;    // tiny entries taken together
inline constexpr uint32_t kTmNoTag = UINT32_MAX;

struct TmTile {
  TmRect r;
  // The cushion: the surface z = s2x x² + s1x x + s2y y² + s1y y, summed over the tile and
  // all tiles around it.
  double s1x = 0, s2x = 0, s1y = 0, s2y = 0;
  int64_t size = 0;
  uint32_t id = 0;      // the item's id; kTmMerged for tiny items taken together
  uint32_t merged = 0;  // how many items a merged tile stands for
  uint32_t file = 0;    // the item's file number (0: no file)
  // The item's tag; for tiny files taken together (and for a tile made only of them) the tag
  // of most of their bytes.
  uint32_t tag = kTmNoTag;
  int32_t parent = -1;  // index of the enclosing tile; -1 at the top level
  int32_t top = 0;      // index of the top-level tile it lies in (itself at the top level)
  uint16_t depth = 0;   // 0 at the top level
  bool leaf = true;     // not divided into contents: the tiles that are drawn
};

struct TmOptions {
  double minArea = 1.0;  // items whose tile would cover less (in pixels) are merged
  double minNest = 4.0;  // a tile is divided into its contents when both sides reach this
  double height = 0.5;   // height of the outermost cushion; each level down multiplies it
  double falloff = 0.75;
};

// Appends the contents of an item (kTmRoot: the shown directory) to `out`.
using TmChildren = std::function<void(uint32_t id, std::vector<TmItem>& out)>;

// The tiles of the whole map: the shown directory's contents laid out in r, and each tile
// big enough divided into its own contents, level by level, as far as they reach. Items of
// 0 bytes or less get no tile. Tiles come in levels, so the top-level tiles are the first
// ones and every tile stands after its parent. A file is never divided.
std::vector<TmTile> LayoutTreemap(const TmChildren& children, const TmRect& r,
                                  const TmOptions& options = {});
// The same into `tiles` (its contents replaced, its capacity kept for the next map).
void LayoutTreemap(const TmChildren& children, const TmRect& r, std::vector<TmTile>& tiles,
                   const TmOptions& options = {});

// Cushion shading of the leaf tiles into a w x h area of 0x00RRGGBB pixels, rows `stride`
// pixels apart. Each tile takes the pixels whose centres lie inside it and the colour of its
// top-level tile: palette[top index % count], or `mergedColour` when the top-level tile is a
// merged one. Pixels of no tile get `background`. `hit` (w x h, row by row, may be null)
// receives the index of the tile drawn at each pixel, -1 where there is none.
void RenderCushions(const std::vector<TmTile>& tiles, const uint32_t* palette, size_t count,
                    uint32_t mergedColour, uint32_t background, int w, int h, uint32_t* pixels,
                    size_t stride, int32_t* hit);
// The same with a colour of the caller's for every tile (colours[k] for tiles[k]; only those
// of the leaves are used).
void RenderCushions(const std::vector<TmTile>& tiles, const std::vector<uint32_t>& colours,
                    uint32_t background, int w, int h, uint32_t* pixels, size_t stride,
                    int32_t* hit);
// The colours by top-level tile: palette[top index % count], `mergedColour` under a merged
// top-level tile.
std::vector<uint32_t> ColoursByTopTile(const std::vector<TmTile>& tiles, const uint32_t* palette,
                                       size_t count, uint32_t mergedColour);

// A palette of seven colours that colour-blind readers tell apart (Okabe and Ito), and a grey
// for the merged tiles.
extern const uint32_t kTreemapPalette[7];
inline constexpr uint32_t kTreemapGrey = 0x999999;

// The colours by change since an earlier scan, from the same palette: what grew in vermilion,
// what shrank in blue, the more of the colour the larger the share of the change in its size
// (a quarter of it for the least change, all of it for a size doubled or halved and more);
// what is new in full yellow; what stayed the same (or is not known) `grey`. Sizes in bytes;
// `before` kBeforeAbsent (scan/compare.h) for what is new, below 0 otherwise for not known.
inline constexpr uint32_t kGrownColour = 0xD55E00, kShrunkColour = 0x0072B2, kNewColour = 0xF0E442;
uint32_t ChangeColour(int64_t now, int64_t before, uint32_t grey);

class TypeRanking;

// The contents of every directory below one path in the scan results, gathered in one walk of
// the list. It keeps record numbers and texts of the list: it is good until the list changes.
class TreemapIndex {
 public:
  // The records _ShowDir lists for `path` (its subdirectories and its "<DATEIEN>" record)
  // and, below them, every record whose Parent begins with `path`. With `types`, the files
  // are tagged with the rank of their type there (kTmNoTag for a type it does not hold).
  void Build(const PfadListe& list, std::wstring_view path, const TypeRanking* types = nullptr);
  void Clear();
  // kTmRoot: the records listed for the path; a directory record: the records whose Parent is
  // its full path; a "<DATEIEN>" record: the files of its directory (items with the id of the
  // directory's record and the file's number + 1), when the table holds them.
  void Children(uint32_t id, std::vector<TmItem>& out) const;
  // The bytes of the listed records: the sizes that are not negative (an ERROR record has
  // none), summed up to the largest size and no further.
  int64_t Bytes() const { return bytes_; }
  size_t TopCount() const { return top_.size(); }

 private:
  void FindOwners(std::wstring_view path);
  const PfadListe* list_ = nullptr;
  const TypeRanking* types_ = nullptr;
  std::vector<uint32_t> top_;
  // Per parent id: the record of the directory whose path it is and whose files the table
  // holds (UINT32_MAX: none), for the "<DATEIEN>" records among its contents.
  std::vector<uint32_t> owner_;
  std::vector<uint8_t> below_;  // per parent id: its text begins with the path
  int64_t bytes_ = 0;
  // The records below the path grouped by parent id: those of parent p are
  // recs_[start_[p]] .. recs_[start_[p + 1] - 1].
  std::vector<uint32_t> start_;
  std::vector<uint32_t> recs_;
  // Parent texts by hash, open addressing: a slot holds a parent id + 1 (0: empty); further
  // ids with the same text follow in sameText_. One table without a node per text: made for
  // a hundred thousand directories in a few milliseconds.
  std::vector<uint32_t> slots_;
  std::vector<uint32_t> sameText_;
  mutable std::wstring key_;
  mutable std::vector<uint32_t> chain_;
  // Scratch of Build, kept with its capacity: a map made again and again for results of
  // millions of records would otherwise fault in fresh pages for every one.
  std::vector<uint8_t> listed_, hashed_;
  // The number of backslashes of every parent text, for the results of changes_ (the same
  // for every directory shown until the results change).
  std::vector<uint16_t> depth_;
  uint64_t depthChanges_ = UINT64_MAX;
  const PfadListe* depthList_ = nullptr;
  std::vector<uint32_t> fill_;
  std::vector<uint64_t> parentHash_;
};

}  // namespace vardune
