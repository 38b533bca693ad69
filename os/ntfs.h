// The on-disk format of NTFS as far as a scan needs it: the boot sector, the update-sequence
// fixups of file records, attributes and their data runs, attribute lists, the collation of
// file names, and the sequential reading of the master file table (MFT) from any source of
// volume bytes. Pure logic (no windows.h): every offset is checked against the bytes at hand
// and every loop is bounded by them, so that a damaged volume can neither hang nor crash it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardune::ntfs {

inline constexpr uint32_t kAttrStandardInformation = 0x10;
inline constexpr uint32_t kAttrAttributeList = 0x20;
inline constexpr uint32_t kAttrFileName = 0x30;
inline constexpr uint32_t kAttrData = 0x80;
inline constexpr uint32_t kAttrReparsePoint = 0xC0;
inline constexpr uint32_t kAttrEnd = 0xFFFFFFFF;

// Flags of a non-resident attribute: its data compressed (any compression unit) or sparse;
// then it also carries the clusters it really takes.
inline constexpr uint16_t kAttrFlagCompressed = 0x00FF;
inline constexpr uint16_t kAttrFlagSparse = 0x8000;

inline constexpr uint16_t kRecordInUse = 0x0001;
inline constexpr uint16_t kRecordIsDirectory = 0x0002;

inline constexpr uint32_t kFileAttributeReparsePoint = 0x400;
// In a $FILE_NAME's copy of the attributes: the record holds a file name index (a directory).
inline constexpr uint32_t kFileNameIndexPresent = 0x10000000;

inline constexpr uint8_t kNamespacePosix = 0;
inline constexpr uint8_t kNamespaceWin32 = 1;
inline constexpr uint8_t kNamespaceDos = 2;
inline constexpr uint8_t kNamespaceWin32AndDos = 3;

inline constexpr uint32_t kMftRecord = 0;
inline constexpr uint32_t kRootRecord = 5;
inline constexpr uint32_t kUpCaseRecord = 10;
// Records below this number are the volume's metadata files ($MFT ... $Extend): no listing
// shows them.
inline constexpr uint32_t kFirstUserRecord = 16;

// A file reference: 48 bits of record number, 16 bits of the record's sequence number.
inline uint64_t RecordOf(uint64_t ref) { return ref & 0xFFFFFFFFFFFFull; }
inline uint16_t SequenceOf(uint64_t ref) { return static_cast<uint16_t>(ref >> 48); }

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Le32(const uint8_t* p) { return Le16(p) | static_cast<uint32_t>(Le16(p + 2)) << 16; }
inline uint64_t Le64(const uint8_t* p) { return Le32(p) | static_cast<uint64_t>(Le32(p + 4)) << 32; }

struct BootSector {
  uint32_t bytesPerSector = 0;
  uint32_t clusterSize = 0;
  uint32_t recordSize = 0;
  uint64_t totalSectors = 0;
  uint64_t mftCluster = 0;
};
// The volume's first sector; nothing when it is no NTFS boot sector or its geometry lies
// outside what NTFS uses (sectors of 512 to 4096 bytes, clusters up to 2 MiB, file records of
// 512 bytes to 64 KiB made of whole 512-byte strides).
std::optional<BootSector> ParseBootSector(const uint8_t* data, size_t size);

// Checks and undoes the update-sequence protection of a multi-sector structure in place:
// the last two bytes of every 512-byte stride must carry the update sequence number and get
// their saved value back. False (the bytes partly undone) when they do not match.
bool ApplyFixups(uint8_t* data, size_t size);

// One run of a non-resident attribute: `length` clusters from virtual cluster `vcn` lie at
// logical cluster `lcn` of the volume; a sparse run has lcn -1.
struct Run {
  int64_t vcn = 0;
  int64_t lcn = -1;
  int64_t length = 0;
};
// Decodes the mapping pairs of an attribute whose first virtual cluster is `firstVcn` and
// appends the runs. False when they are malformed: a field wider than 8 bytes, a length that
// is not positive, a cluster number out of range, or no end marker within the bytes.
bool DecodeRuns(const uint8_t* p, size_t size, int64_t firstVcn, std::vector<Run>& runs);

// One attribute of a file record, as the record holds it.
struct Attribute {
  uint32_t type = 0;
  bool nonResident = false;
  uint16_t flags = 0;
  uint8_t nameLength = 0;  // in UTF-16 code units
  uint16_t id = 0;
  // Resident: the value.
  const uint8_t* value = nullptr;
  uint32_t valueLength = 0;
  // Non-resident: the extent this record holds and the attribute's sizes (valid in the
  // extent that starts at virtual cluster 0).
  int64_t lowestVcn = 0;
  int64_t highestVcn = 0;
  uint64_t allocatedSize = 0;
  uint64_t dataSize = 0;
  // Of a compressed or sparse attribute: the bytes its clusters take; otherwise its allocated
  // size.
  uint64_t compressedSize = 0;
  const uint8_t* runs = nullptr;
  size_t runsLength = 0;
};

// Walks the attributes of a file record whose fixups have been applied.
class AttributeCursor {
 public:
  AttributeCursor(const uint8_t* record, size_t size);
  // The next attribute; false at the end marker or on a malformed attribute (Malformed()).
  bool Next(Attribute& a);
  bool Malformed() const { return malformed_; }

 private:
  const uint8_t* rec_;
  size_t used_ = 0;
  size_t pos_ = 0;
  bool malformed_ = false;
};

struct FileName {
  uint64_t parent = 0;
  uint32_t attributes = 0;
  uint8_t nameSpace = 0;
  uint8_t length = 0;       // in UTF-16 code units
  uint32_t offset = 0;      // of its first code unit in FileRecord::nameText
};

// What a scan needs of one file record.
struct FileRecord {
  uint16_t flags = 0;
  uint16_t sequence = 0;
  uint64_t base = 0;  // 0 for a base record; else the reference of its base record
  bool hasStandardInformation = false;
  uint32_t attributes = 0;  // of $STANDARD_INFORMATION
  uint64_t lastWrite = 0;   // of $STANDARD_INFORMATION: a FILETIME in 64 bits
  bool hasData = false;     // the unnamed $DATA's first extent is in this record
  int64_t dataSize = 0;     // its real size in bytes
  // The bytes it takes on the disk, as the listing reports them: a non-resident stream's
  // allocated clusters (of a compressed or sparse one, those really taken); a resident one's
  // value length rounded up to 8 bytes, what NTFS reports for data kept in the record (its
  // AllocationSize; ntfs-3g computes the same) although no cluster holds it.
  int64_t allocatedSize = 0;
  // $REPARSE_POINT: its tag when the value lies in the record, else 0 and, when the value
  // lies in clusters of its own, the volume's cluster that holds its start (-1: none).
  bool hasReparsePoint = false;
  uint32_t reparseTag = 0;
  int64_t reparseLcn = -1;
  bool hasAttributeList = false;
  std::vector<FileName> names;  // every $FILE_NAME, in record order
  std::u16string nameText;      // the names' characters

  std::u16string_view Name(const FileName& n) const {
    return std::u16string_view(nameText).substr(n.offset, n.length);
  }
};

enum class RecordState { Free, Broken, InUse };

// Reads one file record of `size` bytes (fixups applied in place). Free: not a file record or
// not in use; Broken: in use but its fixups or its attributes are damaged.
RecordState ReadFileRecord(uint8_t* data, size_t size, FileRecord& out);

// One entry of an $ATTRIBUTE_LIST: where an attribute (or an extent of it) of the file lives.
struct ListEntry {
  uint32_t type = 0;
  uint8_t nameLength = 0;
  int64_t lowestVcn = 0;
  uint64_t segment = 0;  // file reference of the record that holds it
};
// Decodes the entries of an attribute list's value; false when they are malformed.
bool DecodeAttributeList(const uint8_t* p, size_t size, std::vector<ListEntry>& out);

// NTFS file name collation: code units compared after mapping through the volume's $UpCase
// table, the shorter name first when one is a prefix of the other, and names that are equal
// so compared ordered by their own code units (names differing only in letter case can both
// exist in the POSIX namespace).
int CollateNames(std::u16string_view a, std::u16string_view b, const char16_t* upcase);
// Equal after upper-casing, as a path lookup on the volume compares.
bool EqualUpcased(std::u16string_view a, std::u16string_view b, const char16_t* upcase);

// ---- reading the MFT ----------------------------------------------------------------------

// The bytes of a volume.
class VolumeSource {
 public:
  virtual ~VolumeSource() = default;
  // `length` bytes at byte `offset` of the volume, which the caller may change; valid until the
  // next call. Null when they cannot be read.
  virtual uint8_t* Read(uint64_t offset, size_t length) = 0;
};

// Where the MFT lies and what is needed to read its records and order their names.
struct MftLayout {
  BootSector boot;
  std::vector<Run> runs;  // of $MFT's unnamed $DATA, from virtual cluster 0 on, without gaps
  uint64_t records = 0;   // records the $MFT's data holds
  std::vector<char16_t> upcase;  // 65536 entries
};

enum class LayoutError { None, NotNtfs, Unreadable, Damaged };
// Reads the boot sector, the $MFT's own record (with the extents that its attribute list
// names) and $UpCase. NotNtfs: the volume holds no NTFS; Unreadable: a read failed; Damaged:
// the structures are inconsistent.
LayoutError ReadLayout(VolumeSource& volume, MftLayout& out);

// Byte offset on the volume of byte `pos` of the MFT, and how many bytes from there on are
// contiguous; -1 when `pos` is not mapped (beyond the runs or in a sparse run).
int64_t MftVolumeOffset(const MftLayout& layout, uint64_t pos, uint64_t* contiguous = nullptr);

// Receives the records of a sequential read.
class RecordSink {
 public:
  virtual ~RecordSink() = default;
  // Every record that is in use (state InUse) or damaged (Broken), once, in ascending order of
  // number except that a record read again after a damaged first reading may come later.
  virtual void Record(uint32_t number, RecordState state, const FileRecord& record) = 0;
  // After each block: MFT bytes done so far. False stops the read.
  virtual bool Block(uint64_t bytesDone) = 0;
};

enum class ReadEnd { Done, Stopped, Unreadable };
// Reads every record of the MFT in blocks of at most `blockBytes` (whole records), applying
// the fixups. A record with broken fixups is read once more on its own before it counts as
// Broken (a record being written while the block was read).
ReadEnd ReadRecords(VolumeSource& volume, const MftLayout& layout, RecordSink& sink,
                    size_t blockBytes = size_t{4} << 20);

}  // namespace vardune::ntfs
