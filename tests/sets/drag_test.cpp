// Dragging a set out: the CF_HDROP block read back as a receiver reads it, the path list of
// the example of a set with a directory and the loose files of its parent, the data object,
// and a whole drag with the mouse from the "Drag..." area onto a drop target.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "os/fs.h"
#include "sets/drag.h"
#include "sets/droplist.h"
#include "sets/ops.h"
#include "sets/store.h"
#include "sets/window.h"
#include "tests/sets/sets_window_helpers.h"
#include "tests/support/support.h"
#include "ui/platform/platform.h"

namespace vardune {
namespace {

using test::TempTree;

Pfad E(std::wstring path, std::wstring set) { return Pfad{std::move(path), std::move(set), 0, 0, 0, 0}; }

// The paths of a CF_HDROP block, read with the shell's own call.
std::vector<std::wstring> ReadHDrop(HGLOBAL g) {
  std::vector<std::wstring> v;
  auto drop = static_cast<HDROP>(g);
  const UINT n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < n; ++i) {
    const UINT len = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring s(len + 1, L'\0');
    DragQueryFileW(drop, i, s.data(), len + 1);
    s.resize(len);
    v.push_back(s);
  }
  return v;
}

TEST(DragBlock, ReadsBackAsTheListOfPaths) {
  const std::wstring list = L"C:\\Daten\\Fotos\\\nC:\\Daten\\a.txt\nZ:\\Größe ä\\b c.txt";
  HGLOBAL g = MakeHDrop(list);
  ASSERT_NE(g, nullptr);
  {
    const auto* df = static_cast<const DROPFILES*>(GlobalLock(g));
    ASSERT_NE(df, nullptr);
    EXPECT_EQ(df->pFiles, sizeof(DROPFILES));
    EXPECT_TRUE(df->fWide);
    EXPECT_FALSE(df->fNC);
    // Each path ended by a zero, and one more zero at the end.
    const auto* text = reinterpret_cast<const wchar_t*>(reinterpret_cast<const char*>(df) + df->pFiles);
    const std::wstring expect = DropFilesText(list);
    EXPECT_EQ(std::wstring(text, expect.size()), expect);
    EXPECT_GE(GlobalSize(g), sizeof(DROPFILES) + expect.size() * sizeof(wchar_t));
    GlobalUnlock(g);
  }
  EXPECT_EQ(ReadHDrop(g), (std::vector<std::wstring>{L"C:\\Daten\\Fotos\\", L"C:\\Daten\\a.txt",
                                                     L"Z:\\Größe ä\\b c.txt"}));
  GlobalFree(g);
}

TEST(DragBlock, TheDataObjectOffersOnlyTheFileList) {
  IDataObject* d = NewFileListDataObject(L"C:\\x\\\nC:\\y.txt");
  ASSERT_NE(d, nullptr);
  FORMATETC f{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  EXPECT_EQ(d->QueryGetData(&f), S_OK);
  FORMATETC text{CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  EXPECT_EQ(d->QueryGetData(&text), DV_E_FORMATETC);
  STGMEDIUM m{};
  EXPECT_EQ(d->GetData(&text, &m), DV_E_FORMATETC);
  ASSERT_EQ(d->GetData(&f, &m), S_OK);
  EXPECT_EQ(m.tymed, static_cast<DWORD>(TYMED_HGLOBAL));
  EXPECT_EQ(ReadHDrop(m.hGlobal), (std::vector<std::wstring>{L"C:\\x\\", L"C:\\y.txt"}));
  ReleaseStgMedium(&m);
  // Asked twice, it gives a fresh copy each time.
  ASSERT_EQ(d->GetData(&f, &m), S_OK);
  EXPECT_EQ(ReadHDrop(m.hGlobal).size(), 2u);
  ReleaseStgMedium(&m);
  IEnumFORMATETC* e = nullptr;
  ASSERT_EQ(d->EnumFormatEtc(DATADIR_GET, &e), S_OK);
  FORMATETC got[3]{};
  ULONG n = 0;
  e->Next(3, got, &n);
  EXPECT_EQ(n, 1u);
  EXPECT_EQ(got[0].cfFormat, CF_HDROP);
  e->Release();
  EXPECT_EQ(d->Release(), 0u);
}

class DragPaths : public ::testing::Test {
 protected:
  void SetUp() override { BupPfade.clear(); }
  void TearDown() override { BupPfade.clear(); }
  TempTree tree;
};

TEST_F(DragPaths, ADirectoryAndTheLooseFilesOfItsParent) {
  tree.Dir(L"Daten\\Fotos");
  tree.File(L"Daten\\a.txt", 10);
  tree.File(L"Daten\\b.txt", 0);
  tree.File(L"Daten\\.versteckt", 3);  // hidden for Windows programs
  tree.File(L"Daten\\system.dat", 4);
  const std::wstring sys = tree.Path(L"Daten\\system.dat");
  ASSERT_TRUE(SetFileAttributesW(sys.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  ASSERT_EQ(GetFileAttributesW(sys.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  tree.File(L"Daten\\Fotos\\tief.jpg", 5);
  const std::wstring daten = tree.Path(L"Daten\\");
  BupPfade = {E(daten + L"Fotos", L"Urlaub"), E(daten + L"<DATEIEN>", L"Urlaub"),
              E(daten + L"Fotos", L"urlaub"), E(tree.Path(L"Anderes"), L"Arbeit")};
  // The files in the order the listing gives them.
  std::vector<std::wstring> files;
  os::DirListing l(daten);
  while (l.Next()) {
    if (!l.IsDirectory()) files.push_back(daten + l.Name());
  }
  ASSERT_EQ(files.size(), 4u);
  std::vector<std::wstring> expect{daten + L"Fotos\\"};
  expect.insert(expect.end(), files.begin(), files.end());
  EXPECT_EQ(SetsDragPaths(L"Urlaub"), expect);
  // In the order of the entries: the loose files first when their entry comes first.
  std::swap(BupPfade[0], BupPfade[1]);
  std::vector<std::wstring> swapped = files;
  swapped.push_back(daten + L"Fotos\\");
  EXPECT_EQ(SetsDragPaths(L"Urlaub"), swapped);
  EXPECT_EQ(SetsDragPaths(L"urlaub"), (std::vector<std::wstring>{daten + L"Fotos\\"}));
  EXPECT_TRUE(SetsDragPaths(L"URLAUB").empty());
  EXPECT_TRUE(SetsDragPaths(L"Leer").empty());
}

TEST_F(DragPaths, EntriesThatAreGoneOrCannotBeListed) {
  tree.Dir(L"leer");
  BupPfade = {E(tree.Path(L"weg"), L"S"), E(tree.Path(L"weg\\<DATEIEN>"), L"S"),
              E(tree.Path(L"leer\\<DATEIEN>"), L"S"), E(tree.Path(L"schon\\"), L"S"),
              E(L"<DATEIEN>", L"S")};
  // A directory that is gone is passed on; its files and those of an empty one add nothing;
  // a trailing backslash is not doubled; a "<DATEIEN>" without directory lists nothing.
  EXPECT_EQ(SetsDragPaths(L"S"),
            (std::vector<std::wstring>{tree.Path(L"weg\\"), tree.Path(L"schon\\")}));
  BupPfade = {E(tree.Path(L"leer\\<DATEIEN>"), L"T")};
  EXPECT_EQ(JoinDragList(SetsDragPaths(L"T")), L"");
}

// The loose files of "a." are its own, not those of its twin "a" that Windows would trim its
// name into.
TEST_F(DragPaths, DirectoryEndingInADotListsItsOwnFiles) {
  ASSERT_EQ(test::RunUnix("cd " + test::ShellQuote(test::UnixPath(tree.Root())) +
                          " && mkdir a a. && touch a/zwilling a./eigen"),
            0);
  BupPfade = {E(tree.Path(L"a.\\<DATEIEN>"), L"S")};
  EXPECT_EQ(SetsDragPaths(L"S"), std::vector<std::wstring>{tree.Path(L"a.\\eigen")});
}

// ---- a whole drag ---------------------------------------------------------------------------

// A drop target that keeps what it was given.
class Target final : public IDropTarget {
 public:
  std::vector<std::wstring> dropped;
  DWORD allowed = 0;
  int enters = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
    ++enters;
    allowed = *effect;
    *effect &= DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
    *effect &= DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* d, DWORD, POINTL, DWORD* effect) override {
    FORMATETC f{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM m{};
    if (d->GetData(&f, &m) == S_OK) {
      dropped = ReadHDrop(m.hGlobal);
      ReleaseStgMedium(&m);
    }
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }
};

void MouseAt(POINT p, DWORD flags = 0) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
  SendInput(1, &in, sizeof in);
}

POINT CenterOf(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class WholeDrag : public ::testing::Test {
 protected:
  void SetUp() override {
    BupPfade.clear();
    BupSets.clear();
    ASSERT_TRUE(ui::OpenWindow(1, 700, 100, 500, 334, L"Vardune", ui::WinNormal));
    test::DrainEvents();
  }
  void TearDown() override {
    RevokeDragDrop(ui::WindowID(1));
    ui::CloseWindow(kSetsWin);
    ui::CloseWindow(1);
    test::DrainEvents();
    BupPfade.clear();
    BupSets.clear();
  }
  // Presses the left button on the drag area, moves past the drag distance, goes over the
  // main window and lets go, while this thread runs the main loop.
  void DragToMain() {
    const POINT from = CenterOf(ui::GadgetID(kSetsDragArea));
    const POINT to = CenterOf(ui::WindowID(1));
    std::atomic<bool> done{false};
    std::thread hand([&] {
      Sleep(100);
      MouseAt(from);
      Sleep(50);
      MouseAt(from, MOUSEEVENTF_LEFTDOWN);
      Sleep(150);
      for (int k = 1; k <= 10; ++k) {
        MouseAt(POINT{from.x + (to.x - from.x) * k / 10, from.y + (to.y - from.y) * k / 10});
        Sleep(60);
      }
      Sleep(150);
      MouseAt(to, MOUSEEVENTF_LEFTUP);
      Sleep(300);
      done = true;
    });
    const DWORD start = GetTickCount();
    while (!done && GetTickCount() - start < 20000) {
      test::DispatchSetsEvents();
      Sleep(5);
    }
    hand.join();
    test::DispatchSetsEvents();
  }
  Target target;
};

TEST_F(WholeDrag, TheSetsFilesArriveAtTheDropTarget) {
  TempTree tree;
  tree.File(L"Daten\\a.txt", 1);
  tree.Dir(L"Daten\\Fotos");
  const std::wstring daten = tree.Path(L"Daten\\");
  BupPfade = {E(daten + L"Fotos", L"Urlaub"), E(daten + L"<DATEIEN>", L"Urlaub")};
  ASSERT_EQ(RegisterDragDrop(ui::WindowID(1), &target), S_OK);
  _SetsOpen();
  test::DispatchSetsEvents();
  ASSERT_EQ(ui::GetGadgetText(kSetsSelector), L"Urlaub");
  DragToMain();
  EXPECT_EQ(target.dropped, (std::vector<std::wstring>{daten + L"Fotos\\", daten + L"a.txt"}));
  EXPECT_EQ(target.allowed, static_cast<DWORD>(DROPEFFECT_COPY | DROPEFFECT_LINK));
}

TEST_F(WholeDrag, AnEmptySetStartsNoDragAndAFilledOneDoes) {
  BupSets = {L"Leer"};
  ASSERT_EQ(RegisterDragDrop(ui::WindowID(1), &target), S_OK);
  _SetsOpen();
  test::DispatchSetsEvents();
  ASSERT_EQ(ui::GetGadgetText(kSetsSelector), L"Leer");
  DragToMain();
  EXPECT_EQ(target.enters, 0);
  EXPECT_TRUE(target.dropped.empty());
  // The same gesture once the set holds a path: the drag starts.
  TempTree tree;
  tree.Dir(L"jetzt");
  BupPfade = {E(tree.Path(L"jetzt"), L"Leer")};
  DragToMain();
  EXPECT_EQ(target.enters, 1);
  EXPECT_EQ(target.dropped, (std::vector<std::wstring>{tree.Path(L"jetzt\\")}));
}

}  // namespace
}  // namespace vardune
