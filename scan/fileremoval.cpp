// Files taken out of the results with the records above them corrected (see fileremoval.h).
#include "scan/fileremoval.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace vardune {

namespace {

struct Delta {
  int64_t bytes = 0;
  int32_t files = 0;
  bool own = false;  // a "<DATEIEN>" record, which goes when its bytes reach 0
};

}  // namespace

FilesRemoved RemoveFiles(PfadListe& list, std::vector<FileAt> files) {
  FilesRemoved total;
  std::sort(files.begin(), files.end());
  files.erase(std::unique(files.begin(), files.end()), files.end());

  // Per record: its block made again without the files, and what they held.
  // Records are found by their full text (Parent + Name is unique: a Parent ends with "\",
  // a Name holds none).
  std::unordered_map<std::wstring, Delta> deltas;
  for (size_t k = 0; k < files.size();) {
    const uint32_t rec = files[k].rec;
    size_t end = k;
    while (end < files.size() && files[end].rec == rec) ++end;
    if (rec >= list.size() || list[rec].FileBlock == FileTable::kNone) {
      k = end;
      continue;
    }
    FileBlockBuilder kept;
    Delta gone;
    uint32_t ord = 0;
    size_t next = k;
    list.ForEachFile(rec, [&](const FileRef& f) {
      while (next < end && files[next].ord < ord) ++next;
      if (next < end && files[next].ord == ord) {
        gone.bytes += f.size;
        ++gone.files;
      } else {
        kept.AddUtf8(f.Name8(), f.size, f.allocated, f.time, f.flags);
      }
      ++ord;
    });
    k = end;
    if (gone.files == 0) continue;
    // The record's own path text before its block changes (SetFiles may rebuild the table).
    const std::wstring dir = list.FullPath(rec);
    list.SetFiles(rec, kept.Empty() ? FileTable::kNone : list.FileStore().Add(kept));
    total.bytes += gone.bytes;
    total.files += gone.files;

    Delta& own = deltas[dir + L"\\" + std::wstring(kDateien)];
    own.bytes += gone.bytes;
    own.files += gone.files;
    own.own = true;
    // The directory and everything above it, up to the root of its drive or share.
    for (std::wstring_view p = dir; !p.empty();) {
      Delta& d = deltas[std::wstring(p)];
      d.bytes += gone.bytes;
      d.files += gone.files;
      const size_t cut = p.rfind(L'\\');
      if (cut == std::wstring_view::npos) break;
      p = StripBackslashes(p.substr(0, cut + 1));
    }
  }
  if (deltas.empty()) return total;

  // One walk over the list: only the records whose Parent is the Parent of a corrected path
  // can be one, and that is decided once per Parent text.
  std::unordered_set<std::wstring> parents;
  for (const auto& [path, d] : deltas) parents.insert(std::wstring(SplitRecordPath(path).Parent));
  std::vector<int8_t> candidate(list.ParentCount(), -1);
  std::vector<uint8_t> drop(list.size(), 0);
  bool dropping = false;
  std::wstring key;
  for (size_t i = 0; i < list.size(); ++i) {
    PfadListe::Rec& r = list[i];
    int8_t& c = candidate[r.Parent];
    if (c < 0) c = parents.count(std::wstring(list.Parent(i))) ? 1 : 0;
    if (!c) continue;
    key.assign(list.Parent(i));
    key.append(list.Name(i));
    const auto it = deltas.find(key);
    if (it == deltas.end() || r.Size < 0) continue;
    const Delta& d = it->second;
    r.Size = std::max<int64_t>(0, r.Size - d.bytes);
    r.Files = std::max<int32_t>(0, r.Files - d.files);
    if (d.own && r.Size == 0) {
      drop[i] = 1;
      dropping = true;
    }
  }
  if (dropping) list.KeepIf([&](size_t i) { return !drop[i]; });
  return total;
}

}  // namespace vardune
