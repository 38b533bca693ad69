// Benchmark of the result list: showing a directory with 100,000 subdirectories out of a
// result list of 1,000,000 records, and a click on a column header of it, in the real main
// window; and the treemap of that directory, made from scratch and painted, in its window of
// 800 x 600. Prints showdir_100k_seconds, sort_click_100k_seconds and treemap_100k_seconds
// (medians).
//
// Then the views of the files, on results of 10,000,000 files in 500,000 directories made in
// memory (names of a few kinds as cameras, office programs, music players and compilers give
// them, sizes spread from bytes to gigabytes): the 1,000 largest files below the root
// (largest_files_10m_seconds) and its type table (file_types_10m_seconds), each from scratch;
// the treemap with file tiles of a directory holding 1,000,000 files below it, laid out,
// shaded and painted at 800 x 600 (treemap_files_1m_seconds, the ranking of the types made
// before, as once per change of the results); and with the treemap, the largest files and
// the types open, a real double click down into a directory of a million files and a click
// on the up button back, from the click until every view is made and painted
// (views_follow_down_seconds, views_follow_up_seconds, views_follow_seconds the larger; the
// list itself is shown before: views_follow_list_seconds). Medians.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/app.h"
#include "bench/bench.h"
#include "os/clock.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "ui/mainwindow.h"
#include "ui/platform/platform.h"
#include "view/filestats.h"
#include "view/fileswindow.h"
#include "view/follow.h"
#include "view/resultlist.h"
#include "view/treemap.h"
#include "view/typeswindow.h"

using namespace vardune;
using bench::Median;
using bench::Pump;

namespace {

double Seconds(int64_t t0) { return static_cast<double>(os::Millis() - t0) / 1000.0; }

// 10 top directories of 50 of 1,000 leaves, each leaf with 20 files: 10,000,000 files in
// 500,511 directories below C:\m\, appended as a scan appends them and sorted.
void MakeTenMillionFiles() {
  Pfade.Clear();
  uint64_t seed = 88172645463325252ull;
  const auto next = [&seed] {
    seed ^= seed << 13;
    seed ^= seed >> 7;
    seed ^= seed << 17;
    return seed;
  };
  struct Kind {
    const wchar_t* prefix;
    const wchar_t* type;
    double logMin, logMax;  // the size spread, natural logarithm of bytes
  };
  static const Kind kinds[] = {
      {L"IMG_", L".JPG", 12.5, 15.5},        {L"DSC0", L".jpg", 13, 15.5},
      {L"VID_", L".mp4", 17, 21.5},          {L"Rechnung_", L".pdf", 10, 13},
      {L"Bericht ", L".docx", 9.5, 13},      {L"Tabelle", L".xlsx", 9, 12.5},
      {L"track", L".mp3", 14.5, 16},         {L"", L".o", 7, 12},
      {L"lib", L".so", 11, 17},              {L"README", L"", 6, 9},
      {L"notes-", L".txt", 3, 10},           {L"backup-", L".tar.gz", 16, 22},
      {L"Win10_", L".iso", 21, 22.2},        {L"cache", L".tmp", 4, 14},
      {L"photo", L".HEIC", 13, 15},          {L"setup", L".exe", 14, 19},
  };
  const auto root = Pfade.AddParent(L"C:\\");
  int64_t rootBytes = 0;
  int32_t rootDirs = 0, rootFiles = 0;
  const auto rootDir = Pfade.AddParent(L"C:\\m\\");
  FileBlockBuilder b;
  for (int t = 0; t < 10; ++t) {
    const std::wstring top = L"C:\\m\\Bereich" + std::to_wstring(t) + L"\\";
    const auto topId = Pfade.AddParent(top);
    int64_t topBytes = 0;
    for (int m = 0; m < 50; ++m) {
      const std::wstring mid = top + L"Jahr " + std::to_wstring(1990 + m) + L"\\";
      const auto midId = Pfade.AddParent(mid);
      int64_t midBytes = 0;
      for (int l = 0; l < 1000; ++l) {
        const std::wstring leafName = L"Ordner_" + std::to_wstring(l);
        const auto leafId = Pfade.AddParent(mid + leafName + L"\\");
        b.Clear();
        int64_t bytes = 0;
        const Kind& main = kinds[next() % std::size(kinds)];
        for (int f = 0; f < 20; ++f) {
          // Most files of a directory are of one kind, as in a photo or a build folder.
          const Kind& k = next() % 4 ? main : kinds[next() % std::size(kinds)];
          const double u = static_cast<double>(next() % 1000000) / 1000000.0;
          const auto size = static_cast<int64_t>(std::exp(k.logMin + u * (k.logMax - k.logMin)));
          const std::wstring name = k.prefix + std::to_wstring(next() % 100000) + k.type;
          b.Add(name, size, (size + 4095) / 4096 * 4096, 1500000000u + static_cast<uint32_t>(next() % 300000000u), 0);
          bytes += size;
        }
        Pfade.Append(midId, leafName, bytes, 0, 20, Pfade.FileStore().Add(b));
        Pfade.Append(leafId, kDateien, bytes, 0, 20);
        midBytes += bytes;
      }
      Pfade.Append(topId, L"Jahr " + std::to_wstring(1990 + m), midBytes, 1000, 20000);
      topBytes += midBytes;
    }
    Pfade.Append(rootDir, L"Bereich" + std::to_wstring(t), topBytes, 50050, 1000000);
    rootBytes += topBytes;
    rootDirs += 50051;
    rootFiles += 1000000;
  }
  Pfade.Append(root, L"m", rootBytes, rootDirs, rootFiles);
  Pfade.SortByParent();
}

// A real double click on a row of the result list, and the events it makes dispatched.
void DoubleClickRow(int row) {
  HWND list = ui::GadgetID(kGadResults);
  RECT r{};
  r.left = LVIR_LABEL;
  SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  const LPARAM at = MAKELPARAM(r.left + 20, (r.top + r.bottom) / 2);
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(list, WM_LBUTTONUP, 0, at);
  SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageW(list, WM_LBUTTONUP, 0, at);
}

// The views' work as the main loop does it when idle, and the windows painted.
void FinishViews() {
  Pump();
  ViewsFinish();
  for (int w : {int{kMainWindow}, kTreemapWindow, kFilesWindow, kTypesWindow}) {
    RedrawWindow(ui::WindowID(w), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
}

void FileViews() {
  int64_t t0 = os::Millis();
  MakeTenMillionFiles();
  std::fprintf(stderr, "model of %zu files in %zu records made in %.1f s, %.0f MB\n",
               Pfade.FileStore().LiveFiles(), Pfade.size(), Seconds(t0),
               static_cast<double>(Pfade.MemoryBytes()) / 1048576.0);
  const std::wstring root = L"C:\\m\\";

  std::vector<double> largest, types;
  size_t got = 0, kinds = 0;
  for (int r = 0; r < 5; ++r) {
    FileStatsJob job;
    t0 = os::Millis();
    job.Begin(Pfade, root, 1000, false);
    while (!job.Step(1 << 20)) {
    }
    got = job.Largest().size();
    largest.push_back(Seconds(t0));
    FileStatsJob typeJob;
    t0 = os::Millis();
    typeJob.Begin(Pfade, root, 0, true);
    while (!typeJob.Step(1 << 20)) {
    }
    kinds = typeJob.Types().size();
    types.push_back(Seconds(t0));
  }
  if (got != 1000) std::fprintf(stderr, "largest files: %zu\n", got);
  std::fprintf(stderr, "types: %zu\n", kinds);
  std::printf("largest_files_10m_seconds: %.3f\n", Median(largest));
  std::printf("file_types_10m_seconds: %.3f\n", Median(types));

  // The three views open at their sizes, the list at the root; the ranking made once.
  GStartPath = root;
  ui::SetGadgetText(kGadPath, GStartPath);
  _ShowDir(GStartPath);
  _TreemapOpen();
  ui::ResizeWindow(kTreemapWindow, ui::kKeep, ui::kKeep, 800, 600);
  _FilesOpen();
  _TypesOpen();
  t0 = os::Millis();
  FinishViews();
  std::fprintf(stderr, "views of the root from scratch, with the ranking: %.3f s\n", Seconds(t0));

  // The treemap of a directory of a million files, from scratch but for the ranking.
  const std::wstring big = root + L"Bereich3\\";
  GStartPath = big;
  t0 = os::Millis();
  _ShowDir(GStartPath);
  FinishViews();
  std::fprintf(stderr, "views of a directory of a million files: %.3f s\n", Seconds(t0));
  std::vector<double> map;
  size_t tiles = 0, fileTiles = 0;
  for (int r = 0; r < 7; ++r) {
    TreemapInvalidate();
    t0 = os::Millis();
    ViewsFinish();
    RedrawWindow(ui::WindowID(kTreemapWindow), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    map.push_back(Seconds(t0));
    std::fprintf(stderr, "treemap with files: %.3f s\n", map.back());
  }
  for (const TreemapTileInfo& t : TreemapTiles()) {
    ++tiles;
    fileTiles += t.file ? 1 : 0;
  }
  std::fprintf(stderr, "treemap tiles: %zu, of them files: %zu\n", tiles, fileTiles);
  std::printf("treemap_files_1m_seconds: %.3f\n", Median(map));

  // Down from the root into each directory of a million files (a double click on its row),
  // and back up (the up button).
  GStartPath = root;
  _ShowDir(GStartPath);
  FinishViews();
  std::vector<double> list, down, up;
  for (int k = 0; k < 7; ++k) {
    const int row = k % ResultRowCount();
    t0 = os::Millis();
    DoubleClickRow(row);
    Pump();
    list.push_back(Seconds(t0));
    FinishViews();
    down.push_back(Seconds(t0));
    if (GStartPath == root) std::fprintf(stderr, "the double click did not go down\n");
    t0 = os::Millis();
    SendMessageW(ui::GadgetID(kGadUp), BM_CLICK, 0, 0);
    FinishViews();
    up.push_back(Seconds(t0));
    if (GStartPath != root) std::fprintf(stderr, "the up button did not go up\n");
  }
  if (FilesListed().size() != 1000) std::fprintf(stderr, "largest files shown: %zu\n", FilesListed().size());
  std::printf("views_follow_list_seconds: %.3f\n", Median(list));
  std::printf("views_follow_down_seconds: %.3f\n", Median(down));
  std::printf("views_follow_up_seconds: %.3f\n", Median(up));
  std::printf("views_follow_seconds: %.3f\n", std::max(Median(down), Median(up)));
}

}  // namespace

int wmain() {
  if (!StartUp({})) return 1;
  // 100,000 directories below C:\big\, each with 8 more records below it, and a tail of
  // records elsewhere, sorted as after a scan.
  const std::wstring big = L"C:\\big\\";
  const auto bigId = Pfade.AddParent(big);
  for (int i = 0; i < 100000; ++i) {
    const std::wstring dir = big + L"dir" + std::to_wstring(i) + L"\\";
    const auto id = Pfade.AddParent(dir);
    for (int k = 0; k < 8; ++k) Pfade.Append(id, L"s" + std::to_wstring(k), 1000 + k, 0, 3);
    Pfade.Append(bigId, L"dir" + std::to_wstring(i), (i * 7919LL % 100000) * 1024, 8, 24 + i % 5);
  }
  const auto other = Pfade.AddParent(L"D:\\sonst\\");
  while (Pfade.size() < 1000000) Pfade.Append(other, L"x" + std::to_wstring(Pfade.size()), 5, 0, 1);
  Pfade.SortByParent();
  GStartPath = big;

  std::vector<double> show, sort;
  for (int r = 0; r < 5; ++r) {
    int64_t t0 = os::Millis();
    _ShowDir(GStartPath);
    Pump();
    UpdateWindow(ui::WindowID(kMainWindow));
    show.push_back(static_cast<double>(os::Millis() - t0) / 1000.0);

    // A real header click through the window's message hook.
    NMLISTVIEW nm{};
    nm.hdr.hwndFrom = ui::GadgetID(kGadResults);
    nm.hdr.idFrom = kGadResults;
    nm.hdr.code = LVN_COLUMNCLICK;
    nm.iItem = -1;
    nm.iSubItem = 2;
    t0 = os::Millis();
    SendMessageW(ui::WindowID(kMainWindow), WM_NOTIFY, kGadResults, reinterpret_cast<LPARAM>(&nm));
    Pump();
    UpdateWindow(ui::WindowID(kMainWindow));
    sort.push_back(static_cast<double>(os::Millis() - t0) / 1000.0);
    if (ResultRowCount() != 100000) std::fprintf(stderr, "rows: %d\n", ResultRowCount());
  }
  std::printf("showdir_100k_seconds: %.3f\n", Median(show));
  std::printf("sort_click_100k_seconds: %.3f\n", Median(sort));

  // The treemap: the index of the records below the directory, the layout, the shading and
  // the painting, each time from scratch as after a scan.
  _TreemapOpen();
  ui::ResizeWindow(kTreemapWindow, ui::kKeep, ui::kKeep, 800, 600);
  Pump();
  UpdateWindow(ui::WindowID(kTreemapWindow));
  std::vector<double> map;
  size_t tiles = 0;
  for (int r = 0; r < 7; ++r) {
    TreemapInvalidate();
    const int64_t t0 = os::Millis();
    ViewsFinish();
    RedrawWindow(ui::WindowID(kTreemapWindow), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    map.push_back(static_cast<double>(os::Millis() - t0) / 1000.0);
    tiles = TreemapTiles().size();
  }
  if (tiles == 0) std::fprintf(stderr, "treemap: no tiles\n");
  std::printf("treemap_100k_seconds: %.3f\n", Median(map));
  std::fprintf(stderr, "treemap tiles: %zu\n", tiles);
  FileViews();
  ShutDown();
  return 0;
}
