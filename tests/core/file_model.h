// Scan results with files made the way a scan makes them, for the tests of what is computed
// from the file table: directories given by path with their own files; the records appended
// depth-first (a directory after its subdirectories, its "<DATEIEN>" record after it) with the
// totals a scan adds up, then sorted as at the end of a scan.
#pragma once
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "scan/model.h"

namespace vardune::testmodel {

struct Dir {
  std::wstring path;  // with its trailing backslash, below the root (or the root itself)
  std::vector<FileInfo> files;
};

inline FileInfo F(std::wstring name, int64_t size, uint32_t time = 0, uint8_t flags = 0) {
  return FileInfo{std::move(name), size, (size + 4095) / 4096 * 4096, time, flags};
}

namespace detail {
struct Node {
  std::vector<FileInfo> files;
  std::map<std::wstring, Node> subs;
};
struct Totals {
  int64_t size = 0;
  int32_t dirs = 0, files = 0;
};
inline Totals Append(PfadListe& l, const std::wstring& path, const Node& n) {
  Totals t;
  for (const auto& [name, sub] : n.subs) {
    const Totals s = Append(l, path + name + L"\\", sub);
    t.size += s.size;
    t.dirs += s.dirs + 1;
    t.files += s.files;
  }
  FileBlockBuilder b;
  int64_t own = 0;
  for (const FileInfo& f : n.files) {
    b.Add(f);
    own += f.Size;
  }
  t.size += own;
  t.files += static_cast<int32_t>(n.files.size());
  const PathSplit s = SplitRecordPath(path);
  l.Append(l.AddParent(s.Parent), s.Name, t.size, t.dirs, t.files, l.FileStore().Add(b));
  if (own > 0) {
    l.Append(l.AddParent(path), kDateien, own, 0, static_cast<int32_t>(n.files.size()));
  }
  return t;
}
}  // namespace detail

// The results of a scan of `root` over the directories (intermediate ones are made empty).
inline PfadListe Scan(const std::wstring& root, const std::vector<Dir>& dirs) {
  detail::Node top;
  for (const Dir& d : dirs) {
    detail::Node* n = &top;
    for (size_t at = root.size(); at < d.path.size();) {
      const size_t end = d.path.find(L'\\', at);
      n = &n->subs[d.path.substr(at, end - at)];
      at = end + 1;
    }
    n->files.insert(n->files.end(), d.files.begin(), d.files.end());
  }
  PfadListe l;
  detail::Append(l, root, top);
  l.SortByParent();
  return l;
}

// A tree of random directories and files below `root`: about `dirs` directories, up to
// `perDir` files each, names of a handful of types in mixed case, sizes from 0 to a few MB
// with many equal ones.
inline std::vector<Dir> RandomTree(uint32_t seed, const std::wstring& root, int dirs, int perDir) {
  std::mt19937 rng(seed);
  const wchar_t* types[] = {L".jpg", L".JPG", L".mp4", L".txt", L"", L".tar.gz", L".Docx", L"."};
  std::vector<std::wstring> paths = {root};
  std::vector<Dir> out;
  for (int i = 0; i < dirs; ++i) {
    const std::wstring& parent = paths[rng() % paths.size()];
    paths.push_back(parent + L"d" + std::to_wstring(i) + L"\\");
  }
  for (const std::wstring& p : paths) {
    Dir d{p, {}};
    const int n = static_cast<int>(rng() % (perDir + 1));
    for (int k = 0; k < n; ++k) {
      const int64_t size = rng() % 4 == 0 ? 4096 : static_cast<int64_t>(rng() % 3000000);
      d.files.push_back(F(L"f" + std::to_wstring(k) + types[rng() % 8], size, rng(),
                          rng() % 10 == 0 ? kFileCloud : 0));
    }
    out.push_back(std::move(d));
  }
  return out;
}

}  // namespace vardune::testmodel
