// How the views beside the result list (the treemap, the largest files, the file types)
// follow it: one mechanism for all of them. The list tells what it shows (every _ShowDir and
// _ShowErrors, which every scan, move and deletion ends with); the scan engine tells when the
// results are about to change, and the views then let go of what they read from them. The
// views' work is not done while the list is being shown: it is done afterwards, in pieces,
// when the main loop has no message to handle, and a newer move replaces work not yet done.
//
// What the views share is made here once: the ranking of the types of the whole results
// (which gives every type its colour), once per change of the results, and the largest files
// and the types below the directory the list shows, kept for the last few directories.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "view/filestats.h"

namespace vardune {

// What the result list shows.
struct ListShows {
  enum Kind { Nothing, Dir, Errors };
  Kind kind = Nothing;
  std::wstring path;  // Dir: the directory, with its trailing backslash
  bool operator==(const ListShows&) const = default;
};

// A view that follows the list.
struct FollowingView {
  // The list shows something (another directory, or the same with other results). Cheap: what
  // takes time is left to Work.
  void (*Show)(const ListShows& shows) = nullptr;
  // The results are about to change: nothing read from them may be kept or shown.
  void (*Drop)() = nullptr;
  // Goes on with the pending work until about the given time of os::Millis(); true while
  // some is left.
  bool (*Work)(int64_t until) = nullptr;
};
void AddFollowingView(const FollowingView& view);

// Called by the result list after it showed a directory or the error view.
void ViewsFollowDir(std::wstring_view path);
void ViewsFollowErrors();
// The results are about to change (a scan or an import begins).
void ViewsDrop();
// They did not change after all (an import that failed or was stopped): the views show
// again what the list shows.
void ViewsResume();
const ListShows& ListShowing();

// One piece of the views' pending work (about 10 ms); true while some is left. The main
// loop runs it whenever it has no message to handle; nothing while a scan runs.
bool ViewsIdle();
// All of the pending work at once.
void ViewsFinish();

// What a view needs of the shared results; asked for in its Work, made in the pieces that
// follow. Each is null until it is made for the results (and the directory) of now.
const TypeRanking* SharedTypeRanking();
struct DirFileStats {
  std::wstring path;
  std::vector<FileHit> largest;  // the 1,000 largest files below it, largest first
  std::vector<TypeRow> types;    // the types of all files below it, most bytes first
  int64_t bytes = 0;
  int64_t files = 0;
};
inline constexpr size_t kLargestShown = 1000;
const DirFileStats* SharedDirStats();

}  // namespace vardune
