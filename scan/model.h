// The scan results: one ordered list of records, one per visited directory plus one file-sum
// record per directory whose own files hold bytes. Every view of the program reads it; only
// a scan changes its records (and the reconciliation with the backup sets their Bup flag).
//
// The list is held lean, since a large drive gives millions of records: a record is 32 bytes
// of numbers, its Name lives in one character arena, and its Parent is a number into a table
// of parent texts shared by all records of one directory. Beside the records lies the table of
// every file (filetable.h): a directory record names the block of its own files.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/filetable.h"

namespace vardune {

inline constexpr std::wstring_view kDateien = L"<DATEIEN>";

// One record as a plain value (for appending, for tests, for lists of other kinds), with the
// directory's own files when it has them kept.
struct Pfad {
  std::wstring Parent;
  std::wstring Name;
  int64_t Size = 0;
  int32_t Dirs = 0;
  int32_t Files = 0;
  uint8_t Bup = 0;
  std::vector<FileInfo> FileList;
  bool operator==(const Pfad&) const = default;
};

class PfadListe {
 public:
  using ParentId = uint32_t;
  static constexpr size_t npos = static_cast<size_t>(-1);

  struct Rec {
    int64_t Size;
    int32_t Dirs;
    int32_t Files;
    ParentId Parent;
    uint32_t NameOff;
    uint16_t NameLen;
    uint8_t Bup;
    // A directory record's own files (kNone: none kept, as for a "<DATEIEN>" record).
    FileTable::BlockId FileBlock;
  };

  size_t size() const { return recs_.size(); }
  bool empty() const { return recs_.empty(); }
  Rec& operator[](size_t i) { return recs_[i]; }
  const Rec& operator[](size_t i) const { return recs_[i]; }

  std::wstring_view Parent(size_t i) const { return ParentText(recs_[i].Parent); }
  std::wstring_view Name(size_t i) const {
    return {names_.data() + recs_[i].NameOff, recs_[i].NameLen};
  }
  std::wstring FullPath(size_t i) const;  // Parent + Name
  Pfad Get(size_t i) const;

  // Registers a parent text; every record appended with the id shares it.
  ParentId AddParent(std::wstring_view parent);
  std::wstring_view ParentText(ParentId id) const {
    return {ptext_.data() + parents_[id].off, parents_[id].len};
  }
  ParentId ParentCount() const { return static_cast<ParentId>(parents_.size()); }

  void Append(ParentId parent, std::wstring_view name, int64_t size, int32_t dirs,
              int32_t files, FileTable::BlockId fileBlock = FileTable::kNone);
  // Appends a plain record with its files; reuses the parent of the last record when it is the
  // same text.
  void Append(const Pfad& p);

  // The files of the results. A producer adds a directory's block and passes its id with the
  // directory's record; from then on the list owns it.
  FileTable& FileStore() { return files_; }
  const FileTable& FileStore() const { return files_; }
  // The own files of record i, in the order the producer met them.
  std::vector<FileInfo> FilesOf(size_t i) const { return files_.Files(recs_[i].FileBlock); }
  template <class F>
  void ForEachFile(size_t i, F&& f) const {
    files_.ForEach(recs_[i].FileBlock, f);
  }
  // Replaces record i's files (kNone: it keeps none); the old block goes.
  void SetFiles(size_t i, FileTable::BlockId block);

  // Taking over another list counts as a change of this one, whatever the other one counted:
  // a reader that kept record numbers of the old results must see that they no longer hold.
  PfadListe() = default;
  PfadListe(PfadListe&&) noexcept = default;
  PfadListe& operator=(PfadListe&& o) noexcept;
  PfadListe(const PfadListe&) = delete;
  PfadListe& operator=(const PfadListe&) = delete;

  void Clear();
  // Removes the records for which keep(i) is false, keeping the order of the others.
  template <class Keep>
  size_t KeepIf(Keep keep);
  // Stable sort by Parent, ascending, ignoring letter case.
  void SortByParent();

  // Bytes of memory the list holds (records, texts and tables, capacity included).
  size_t MemoryBytes() const;

  // Counts every change that adds, removes or moves records (not the writes to a record's
  // numbers through operator[]): a reader that keeps record indices or texts sees from it
  // that they no longer hold.
  uint64_t Changes() const { return changes_; }

 private:
  struct Span {
    uint32_t off;
    uint32_t len;
  };
  void CompactIfWasteful();
  void Compact();
  void CompactFiles();

  std::vector<Rec> recs_;
  std::vector<wchar_t> names_;
  std::vector<wchar_t> ptext_;
  std::vector<Span> parents_;
  FileTable files_;
  size_t liveNameChars_ = 0;
  uint64_t changes_ = 0;
};

template <class Keep>
size_t PfadListe::KeepIf(Keep keep) {
  size_t out = 0;
  for (size_t i = 0; i < recs_.size(); ++i) {
    if (keep(i)) {
      recs_[out++] = recs_[i];
    } else {
      liveNameChars_ -= recs_[i].NameLen;
      files_.Release(recs_[i].FileBlock);
    }
  }
  const size_t removed = recs_.size() - out;
  recs_.resize(out);
  if (removed) {
    ++changes_;
    CompactIfWasteful();
  }
  return removed;
}

// The scan results of this run.
extern PfadListe Pfade;

// Returns the path with "\" appended when its last character is not "\" ("" gives "\").
std::wstring _AddBackslash(std::wstring_view path);

// Strips every trailing backslash.
std::wstring_view StripBackslashes(std::wstring_view p);

// A path as it enters the program (typed, picked, given on the command line) in the form
// every part of the program works with: "/" turned into "\", runs of backslashes made one
// (the two that begin a network path stay), and "." and ".." resolved below the drive or the
// share as Windows itself resolves them. Names are otherwise kept exactly as given, trailing
// dots and blanks included: the program reaches the file system through the \\?\ form, which
// takes names as they are.
std::wstring NormalizeEnteredPath(std::wstring_view path);
// A run of trailing backslashes made one ("C:\a\\" gives "C:\a\"); a path of backslashes
// alone stays as it is.
std::wstring CollapseTrailingBackslashes(std::wstring_view path);

// Parent and Name of the record of directory path P: trailing backslashes stripped, then split
// after the last backslash (C:\Daten\Fotos\ -> C:\Daten\ + Fotos; C:\ -> "" + C:).
struct PathSplit {
  std::wstring_view Parent;
  std::wstring_view Name;
};
PathSplit SplitRecordPath(std::wstring_view p);

// Index of the first record with exactly that Parent and Name, or npos.
size_t FindRecord(const PfadListe& list, std::wstring_view parent, std::wstring_view name);
// Index of the record of directory path P (exact comparison), or npos.
size_t FindRecordOf(const PfadListe& list, std::wstring_view p);
// Records whose Parent equals P (the contents of P), in list order.
std::vector<size_t> ContentsOf(const PfadListe& list, std::wstring_view p);
// P's own record and every record whose Parent begins with P (with its backslash).
std::vector<size_t> SubtreeOf(const PfadListe& list, std::wstring_view p);

// Drops the stale results before a scan of P: all of them for a drive root, or when P has no
// records yet; otherwise only P's own record and everything below it.
void _ClearPfade(std::wstring_view p);
void ClearPfade(PfadListe& list, std::wstring_view p);

}  // namespace vardune
