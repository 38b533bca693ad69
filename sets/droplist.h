// The list of paths that dragging a set out of the program hands over: joined into the
// line-feed separated list of the platform layer, and split again for the CF_HDROP block.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace vardune {

// The paths joined with "|", "|" removed from both ends, then every "|" made a line feed.
std::wstring JoinDragList(const std::vector<std::wstring>& paths);
// The paths of such a list, in order. Empty pieces are left out: in the CF_HDROP block an
// empty path would be read as the end of the list.
std::vector<std::wstring> SplitDragList(std::wstring_view list);
// The UTF-16 text that follows the DROPFILES header: every path ended by a zero character
// and the list ended by one more.
std::wstring DropFilesText(std::wstring_view list);

}  // namespace vardune
