// Which directories a scan enters: the one rule that every engine (the listing walks, the
// listing threads, the MFT tree) applies alike, so that their records cannot differ. Pure
// logic (no windows.h).
//
// A directory that is a reparse point is entered like any other unless it is a link: its tag a
// name surrogate (symbolic links, junctions, mount points: the entry stands for another place,
// counted where it really lies) or no tag at all. Every reparse point on Windows has a tag;
// none is what Wine reports for a Linux symbolic link, which is a link as well. Other reparse
// points hold their data where they stand: cloud placeholders (OneDrive's files on demand),
// deduplicated and tiered storage, app containers.
#pragma once
#include <cstdint>

namespace vardune::os {

inline constexpr uint32_t kAttrDirectory = 0x10;     // FILE_ATTRIBUTE_DIRECTORY
inline constexpr uint32_t kAttrReparsePoint = 0x400;  // FILE_ATTRIBUTE_REPARSE_POINT

inline constexpr uint32_t kTagMountPoint = 0xA0000003;  // junctions and mounted volumes
inline constexpr uint32_t kTagSymlink = 0xA000000C;
inline constexpr uint32_t kTagDedup = 0x80000013;
inline constexpr uint32_t kTagCloud = 0x9000001A;

// IsReparseTagNameSurrogate: the tag's entry names another entry of the namespace.
inline constexpr bool IsNameSurrogate(uint32_t tag) { return (tag & 0x20000000u) != 0; }

// A directory entry with these attributes and this reparse tag (0 when the tag is unknown or
// the entry is no reparse point) is entered and counted as a directory.
inline constexpr bool EntersDirectory(uint32_t attributes, uint32_t reparseTag) {
  if (!(attributes & kAttrReparsePoint)) return true;
  return reparseTag != 0 && !IsNameSurrogate(reparseTag);
}

// A file whose data is not (all) held here: a cloud placeholder (FILE_ATTRIBUTE_RECALL_ON_OPEN,
// FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS) or an offline file (FILE_ATTRIBUTE_OFFLINE). Opening or
// reading it makes the system fetch it from the cloud or the tape, so nothing of the program
// opens it: it is counted from its listing alone.
inline constexpr uint32_t kAttrsFetchedOnAccess = 0x1000 | 0x40000 | 0x400000;
inline constexpr bool FetchedOnAccess(uint32_t attributes) {
  return (attributes & kAttrsFetchedOnAccess) != 0;
}

}  // namespace vardune::os
