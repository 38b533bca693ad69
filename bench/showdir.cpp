// Benchmark of the result list: showing a directory with 100,000 subdirectories out of a
// result list of 1,000,000 records, and a click on a column header of it, in the real main
// window; and the treemap of that directory, made from scratch and painted, in its window of
// 800 x 600. Prints showdir_100k_seconds, sort_click_100k_seconds and treemap_100k_seconds
// (medians).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/app.h"
#include "bench/bench.h"
#include "os/clock.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "ui/mainwindow.h"
#include "ui/platform/platform.h"
#include "view/resultlist.h"
#include "view/treemap.h"

using namespace vardune;
using bench::Median;
using bench::Pump;

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
    TreemapShowDir(GStartPath);
    map.push_back(static_cast<double>(os::Millis() - t0) / 1000.0);
    tiles = TreemapTiles().size();
  }
  if (tiles == 0) std::fprintf(stderr, "treemap: no tiles\n");
  std::printf("treemap_100k_seconds: %.3f\n", Median(map));
  std::fprintf(stderr, "treemap tiles: %zu\n", tiles);
  ShutDown();
  return 0;
}
