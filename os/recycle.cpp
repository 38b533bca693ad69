// The recycle bin through the shell (see recycle.h).
#include "os/recycle.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace vardune::os {

namespace {

// The shell wants a directory without its trailing backslash ("C:\a", not "C:\a\").
std::wstring ItemPath(const std::wstring& p) {
  std::wstring s = p;
  while (s.size() > 3 && s.back() == L'\\') s.pop_back();
  return s;
}

template <class T>
struct ComPtr {
  T* p = nullptr;
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() {
    if (p) p->Release();
  }
  T* operator->() const { return p; }
};

// What IFileOperation made of the request.
enum class Outcome { Done, NotImplemented, Failed };

// No confirmation (the program has asked), no error boxes (the caller reports what stayed),
// but the shell's own question before anything would be destroyed instead of recycled: an
// item too large for the bin, a drive without one.
constexpr DWORD kQuietRecycle = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_WANTNUKEWARNING;

Outcome WithFileOperation(const std::vector<std::wstring>& paths, HWND owner) {
  ComPtr<IFileOperation> op;
  if (FAILED(CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&op.p))) ||
      !op.p) {
    return Outcome::NotImplemented;
  }
  // FOFX_RECYCLEONDELETE is the documented way since Windows 8; Windows 7 knows only
  // FOF_ALLOWUNDO, which recycles there.
  HRESULT hr = op->SetOperationFlags(kQuietRecycle | FOF_ALLOWUNDO | FOFX_RECYCLEONDELETE);
  if (hr == E_NOTIMPL) return Outcome::NotImplemented;
  if (FAILED(hr)) hr = op->SetOperationFlags(kQuietRecycle | FOF_ALLOWUNDO);
  if (hr == E_NOTIMPL) return Outcome::NotImplemented;
  if (FAILED(hr)) return Outcome::Failed;
  if (owner) op->SetOwnerWindow(owner);
  int queued = 0;
  for (const std::wstring& p : paths) {
    ComPtr<IShellItem> item;
    const std::wstring path = ItemPath(p);
    // An item that is gone already needs nothing.
    if (FAILED(SHCreateItemFromParsingName(path.c_str(), nullptr, IID_PPV_ARGS(&item.p)))) {
      continue;
    }
    hr = op->DeleteItem(item.p, nullptr);
    // Nothing has been done yet: another way may still do all of it.
    if (hr == E_NOTIMPL) return Outcome::NotImplemented;
    if (SUCCEEDED(hr)) ++queued;
  }
  if (queued == 0) return Outcome::Failed;
  hr = op->PerformOperations();
  return hr == E_NOTIMPL ? Outcome::NotImplemented : Outcome::Done;
}

bool WithShellFileOperation(const std::vector<std::wstring>& paths, HWND owner) {
  // The list of names, each ended by a zero, the whole by one more.
  std::wstring from;
  for (const std::wstring& p : paths) {
    from += ItemPath(p);
    from += L'\0';
  }
  if (from.empty()) return false;
  from += L'\0';
  SHFILEOPSTRUCTW op{};
  op.hwnd = owner;
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = static_cast<FILEOP_FLAGS>(kQuietRecycle | FOF_ALLOWUNDO);
  return SHFileOperationW(&op) == 0;
}

}  // namespace

RecycleVia MoveToRecycleBin(const std::vector<std::wstring>& paths, HWND owner) {
  if (paths.empty()) return RecycleVia::None;
  switch (WithFileOperation(paths, owner)) {
    case Outcome::Done:
      return RecycleVia::FileOperation;
    case Outcome::Failed:
      return RecycleVia::None;
    case Outcome::NotImplemented:
      break;
  }
  // Only where IFileOperation cannot be had: Wine 8 creates the object, but every method
  // of it answers E_NOTIMPL, and it moves nothing. SHFileOperationW with FOF_ALLOWUNDO is the
  // older documented way to the bin (Wine moves the items into the XDG trash of the user).
  WithShellFileOperation(paths, owner);
  return RecycleVia::ShellFileOperation;
}

}  // namespace vardune::os
