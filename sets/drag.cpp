// Dragging a set out: a minimal data object that offers one CF_HDROP, a drop source that
// follows the left mouse button and Escape, and the drag itself.
#include "sets/drag.h"

#include <shlobj.h>
#include <shellapi.h>

#include <new>

#include "os/fs.h"
#include "sets/droplist.h"
#include "sets/ops.h"
#include "sets/store.h"
#include "ui/platform/platform.h"

namespace vardune {

namespace {

FORMATETC HDropFormat() { return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

bool IsHDropRequest(const FORMATETC* f) {
  return f && f->cfFormat == CF_HDROP && f->dwAspect == DVASPECT_CONTENT &&
         (f->tymed & TYMED_HGLOBAL) && (f->lindex == -1 || f->lindex == 0);
}

HGLOBAL CopyGlobal(HGLOBAL src) {
  const SIZE_T n = GlobalSize(src);
  HGLOBAL dst = GlobalAlloc(GMEM_MOVEABLE, n);
  if (!dst) return nullptr;
  void* s = GlobalLock(src);
  void* d = GlobalLock(dst);
  if (s && d) memcpy(d, s, n);
  if (d) GlobalUnlock(dst);
  if (s) GlobalUnlock(src);
  if (!s || !d) {
    GlobalFree(dst);
    return nullptr;
  }
  return dst;
}

// IUnknown of a COM object that offers one interface besides it, counted from 1 at creation.
template <class Interface, const IID& kIid>
class Counted : public Interface {
 public:
  virtual ~Counted() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIid)) {
      *out = static_cast<Interface*>(this);
      this->AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
  }

 private:
  LONG refs_ = 1;
};

class FileListData final : public Counted<IDataObject, IID_IDataObject> {
 public:
  explicit FileListData(HGLOBAL drop) : drop_(drop) {}
  ~FileListData() { GlobalFree(drop_); }

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* f, STGMEDIUM* m) override {
    if (!m) return E_POINTER;
    if (!IsHDropRequest(f)) return DV_E_FORMATETC;
    HGLOBAL copy = CopyGlobal(drop_);
    if (!copy) return E_OUTOFMEMORY;
    m->tymed = TYMED_HGLOBAL;
    m->hGlobal = copy;
    m->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* f) override {
    return IsHDropRequest(f) ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD dir, IEnumFORMATETC** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (dir != DATADIR_GET) return E_NOTIMPL;
    FORMATETC f = HDropFormat();
    return SHCreateStdEnumFmtEtc(1, &f, out);
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }

 private:
  HGLOBAL drop_;
};

// The drag goes on while the left button is held; Escape cancels it.
class LeftButtonSource final : public Counted<IDropSource, IID_IDropSource> {
 public:
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
    if (escape) return DRAGDROP_S_CANCEL;
    if (!(keys & MK_LBUTTON)) return DRAGDROP_S_DROP;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override {
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
};

}  // namespace

std::vector<std::wstring> SetsDragPaths(std::wstring_view set) {
  std::vector<std::wstring> paths;
  for (const Pfad& e : BupPfade) {
    if (e.Name != set) continue;
    if (e.Parent.find(kDateien) == std::wstring::npos) {
      paths.push_back(_AddBackslash(e.Parent));
      continue;
    }
    // The loose files of a directory: listed now, not taken from the scan.
    const size_t cut = e.Parent.rfind(L'\\');
    // Without a directory part the listing would be of whatever the current directory is.
    if (cut == std::wstring::npos) continue;
    const std::wstring dir = e.Parent.substr(0, cut + 1);
    // Listed through the \\?\ form: a directory "a." is not trimmed into its twin "a".
    os::DirListing l(os::LongPathForm(dir));
    if (l.Failed()) continue;
    while (l.Next()) {
      if (l.IsDirectory() || l.Name()[0] == 0 || l.IsDotOrDotDot()) continue;
      paths.push_back(dir + l.Name());
    }
  }
  return paths;
}

HGLOBAL MakeHDrop(std::wstring_view list) {
  const std::wstring text = DropFilesText(list);
  const SIZE_T bytes = sizeof(DROPFILES) + text.size() * sizeof(wchar_t);
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  if (!g) return nullptr;
  auto* df = static_cast<DROPFILES*>(GlobalLock(g));
  if (!df) {
    GlobalFree(g);
    return nullptr;
  }
  df->pFiles = sizeof(DROPFILES);
  df->pt = POINT{0, 0};
  df->fNC = FALSE;
  df->fWide = TRUE;
  memcpy(reinterpret_cast<char*>(df) + sizeof(DROPFILES), text.data(),
         text.size() * sizeof(wchar_t));
  GlobalUnlock(g);
  return g;
}

IDataObject* NewFileListDataObject(std::wstring_view list) {
  HGLOBAL g = MakeHDrop(list);
  if (!g) return nullptr;
  auto* d = new (std::nothrow) FileListData(g);
  if (!d) GlobalFree(g);
  return d;
}

bool StartFileDrag(std::wstring_view list, DWORD* effect) {
  IDataObject* data = NewFileListDataObject(list);
  if (!data) return false;
  auto* source = new (std::nothrow) LeftButtonSource();
  if (!source) {
    data->Release();
    return false;
  }
  DWORD done = DROPEFFECT_NONE;
  const HRESULT hr = DoDragDrop(data, source, DROPEFFECT_COPY | DROPEFFECT_LINK, &done);
  source->Release();
  data->Release();
  if (effect) *effect = done;
  return SUCCEEDED(hr);
}

void _SetsDrag() {
  // With nothing selected the selector's text is empty, which is also the name of a set
  // read from a line without one.
  if (ui::GetGadgetState(kSetsSelector) < 0) return;
  const std::wstring set = ui::GetGadgetText(kSetsSelector);
  const std::wstring list = JoinDragList(SetsDragPaths(set));
  if (list.empty()) return;
  StartFileDrag(list);
}

}  // namespace vardune
