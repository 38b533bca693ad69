// Dragging a set's files out of the program: the path list of the selected set, the CF_HDROP
// block, and an OLE drag with copy and link effects.
#pragma once
#include <windows.h>
#include <objidl.h>

#include <string>
#include <string_view>
#include <vector>

namespace vardune {

// The paths that dragging the set hands over, in entry order: a "<DATEIEN>" entry gives the
// files lying in its directory as listed on disk now (hidden and system files too, no
// subdirectories, nothing when it cannot be listed); any other entry its path with a trailing
// backslash.
std::vector<std::wstring> SetsDragPaths(std::wstring_view set);
// A CF_HDROP block (DROPFILES with fWide = 1, then the paths of a line-feed separated list,
// each ended by a zero, and one zero more), in movable global memory owned by the caller;
// null when it cannot be allocated.
HGLOBAL MakeHDrop(std::wstring_view list);
// A data object that offers the list as CF_HDROP only (reference count 1, or null).
IDataObject* NewFileListDataObject(std::wstring_view list);
// Runs an OLE drag of the list with DROPEFFECT_COPY | DROPEFFECT_LINK until it ends; false
// when it could not start. `effect` receives the drop effect when given.
bool StartFileDrag(std::wstring_view list, DWORD* effect = nullptr);

// The drag start of control 20: drags the files of the set shown in the selector; no drag
// for an empty list.
void _SetsDrag();

}  // namespace vardune
