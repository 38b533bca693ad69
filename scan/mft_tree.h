// The directory tree of an NTFS volume as its master file table describes it, built from the
// records of one sequential read: every directory with its subdirectories in the order the
// volume lists them, and the number and bytes of the files directly in it. Pure logic (no
// windows.h). It is held lean, since a volume has millions of records: while the records come
// in, a few bytes per record and one small entry per name; after the build, per directory its
// subdirectories and its files with what the results keep of each file.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "os/ntfs.h"

namespace vardune {

class MftTree {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFF;

  // Why the tree cannot be built: no usable root directory, or directories whose parents lead
  // round in a loop (the MFT contradicts the directories' indexes, so no result can be
  // trusted). `record` names the record where it was found. Stopped: the progress callback
  // asked for it.
  enum class Failure { None, NoRoot, Loop, Stopped };

  // Takes one record of the read (in use or broken, in any order, each once).
  void Add(uint32_t number, ntfs::RecordState state, const ntfs::FileRecord& record);

  // After the last record, before Build: the reparse points of directories whose value lies in
  // clusters of its own, whose tag is at the start of the cluster `lcn`. Each tag read goes
  // back through SetReparseTag(i, tag); a tag not read leaves the directory a link.
  struct TagToRead {
    size_t index;
    int64_t lcn;
  };
  std::vector<TagToRead> TagsToRead() const;
  void SetReparseTag(size_t index, uint32_t tag);

  // Build calls `tick(ctx)` every `every` steps, so that a caller can keep its window alive
  // on a volume of millions of records; true from it stops the build (Failure::Stopped) at
  // the next point where it can.
  struct Progress {
    bool (*tick)(void* ctx) = nullptr;
    void* ctx = nullptr;
    uint32_t every = 4096;
  };
  // Builds the tree after the last record, ordering names with the volume's $UpCase table
  // (65536 entries). Records not in use, broken, or whose parent is not an in-use directory
  // reachable from the root are left out, as are the metadata files; files count in every
  // directory that holds a name of theirs (hard links); names of the DOS namespace alone are no
  // entries.
  // A file's size is the real size of its unnamed data stream, what the file itself reports
  // (GetFileSizeEx, and the listing under Wine). The copy in each $FILE_NAME (which a
  // directory's index repeats, and which FindFirstFileW reports on Windows) is brought up to
  // date only for the name a file was opened by: for hard links and files being written it
  // can be old.
  // A directory that is a reparse point is entered by the rule of every engine
  // (os/reparse.h), from the tag of its $REPARSE_POINT.
  Failure Build(const char16_t* upcase, const Progress& progress);
  Failure Build(const char16_t* upcase);
  uint32_t FailedRecord() const { return failedRecord_; }

  // ---- the built tree: directories by node number, the root is node 0 ----
  static constexpr uint32_t Root() { return 0; }
  size_t DirCount() const { return nodes_.size(); }
  std::span<const uint32_t> Children(uint32_t node) const {
    return {children_.data() + nodes_[node].firstChild, nodes_[node].childCount};
  }
  std::u16string_view Name(uint32_t node) const {
    return std::u16string_view(names_).substr(nodes_[node].nameOff, nodes_[node].nameLen);
  }
  // A directory that no scan enters: a link (os/reparse.h).
  bool IsLink(uint32_t node) const { return nodes_[node].link != 0; }
  int32_t OwnFiles(uint32_t node) const { return nodes_[node].ownFiles; }
  // A file of a directory as the listing reports it: the size and the bytes on the disk of its
  // unnamed data, the last write and the attributes of $STANDARD_INFORMATION.
  struct File {
    int64_t size;
    int64_t allocated;
    uint64_t lastWrite;
    uint32_t attributes;
    uint32_t nameOff;
    uint8_t nameLen;
  };
  // The files of a directory (each name of a file with hard links once in its directory), in
  // the order the volume's index keeps them, which is the order the listing gives them.
  std::span<const File> Files(uint32_t node) const {
    return {files_.data() + nodes_[node].firstFile, nodes_[node].fileCount};
  }
  std::u16string_view FileName(const File& f) const {
    return std::u16string_view(names_).substr(f.nameOff, f.nameLen);
  }
  int64_t OwnBytes(uint32_t node) const { return nodes_[node].ownBytes; }
  // The subdirectory of `node` with that name as a path lookup finds it: the exact name first,
  // else the first one equal after upper-casing; kNone when there is none.
  uint32_t FindChild(uint32_t node, std::u16string_view name) const;

  // Records seen in use, and broken ones left out.
  uint64_t RecordsInUse() const { return inUse_; }
  uint64_t RecordsBroken() const { return broken_; }
  // Bytes held now (capacity included).
  size_t MemoryBytes() const;

 private:
  // A $FILE_NAME of a record: the record's entry in the directory `parent`.
  struct Link {
    uint32_t record;
    uint32_t parent;
    uint32_t nameOff;
    uint16_t recordSeq;
    uint16_t parentSeq;
    uint8_t nameLen;
    uint8_t hasName;
  };
  // The unnamed data of a record found in one of its extension records.
  struct ExtensionSize {
    uint32_t base;
    uint16_t baseSeq;
    int64_t size;
    int64_t allocated;
  };
  struct Node {
    uint32_t record;
    uint32_t parent;  // node, or kNone
    uint32_t nameOff;
    uint32_t firstChild;
    uint32_t childCount;
    int32_t ownFiles;
    int64_t ownBytes;
    uint32_t firstFile;
    uint32_t fileCount;
    uint8_t nameLen;
    uint8_t link;
  };
  // The reparse point of a directory (from its base record) or of any record (from an
  // extension record, which lends it to its base).
  struct Reparse {
    uint32_t record;
    uint16_t seq;
    uint8_t fromBase;
    uint32_t tag;
    int64_t lcn;
  };

  void Grow(uint32_t number);
  bool Valid(uint32_t record, uint16_t seq) const;
  bool IsDir(uint32_t record) const;

  // While the records come in, per record number.
  std::vector<uint8_t> flags_;
  std::vector<uint16_t> seq_;
  std::vector<int64_t> size_;
  std::vector<int64_t> allocated_;
  std::vector<uint64_t> lastWrite_;
  std::vector<uint32_t> attributes_;
  std::vector<Link> links_;
  std::vector<ExtensionSize> extensionSizes_;
  std::vector<Reparse> reparse_;
  // The built tree.
  std::u16string names_;
  std::vector<Node> nodes_;
  std::vector<uint32_t> children_;
  std::vector<File> files_;
  std::vector<char16_t> upcase_;
  uint32_t failedRecord_ = 0;
  uint64_t inUse_ = 0;
  uint64_t broken_ = 0;
};

}  // namespace vardune
