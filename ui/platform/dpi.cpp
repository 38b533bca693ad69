// Display scaling (see platform.h): the DPI calls of newer Windows with their fallbacks for
// Windows 7 and 8, fonts and icons per DPI, pictures drawn for several DPIs, and what the
// controls of a window become when its DPI changes.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <map>
#include <vector>

#include "ui/platform/platform.h"
#include "ui/platform/platform_internal.h"

namespace vardune::ui {

namespace {

LayoutHook gLayoutHook = nullptr;

// Each entry: one picture as drawn for several DPIs.
using Variants = std::vector<std::pair<int, HBITMAP>>;
std::vector<Variants> gPictures;

template <class F>
void Load(HMODULE m, const char* name, F& fn) {
  if (m) fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

HICON IconOfSize(int size) {
  static std::map<int, HICON> icons;
  auto it = icons.find(size);
  if (it != icons.end()) return it->second;
  // The icon resource holds the picture drawn for 16 to 64 pixels; Windows takes the size
  // asked for, or scales the nearest.
  auto* icon = static_cast<HICON>(
      LoadImageW(Instance(), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  icons[size] = icon;
  return icon;
}

bool IsListView(HWND h) {
  wchar_t cls[32] = {0};
  GetClassNameW(h, cls, 32);
  return lstrcmpiW(cls, WC_LISTVIEWW) == 0;
}

}  // namespace

const DpiApi& Dpi() {
  static const DpiApi api = [] {
    DpiApi a;
    HMODULE user = GetModuleHandleW(L"user32.dll");
    Load(user, "GetDpiForWindow", a.getDpiForWindow);
    Load(user, "GetDpiForSystem", a.getDpiForSystem);
    Load(user, "AdjustWindowRectExForDpi", a.adjustWindowRectExForDpi);
    Load(user, "SystemParametersInfoForDpi", a.systemParametersInfoForDpi);
    Load(user, "GetSystemMetricsForDpi", a.getSystemMetricsForDpi);
    Load(user, "SetDialogDpiChangeBehavior", a.setDialogDpiChangeBehavior);
    // Only from the system folder: shcore.dll does not exist before Windows 8.1, and a file of
    // that name beside the program must not be loaded instead.
    HMODULE shcore = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    Load(shcore, "GetDpiForMonitor", a.getDpiForMonitor);
    return a;
  }();
  return api;
}

int SystemDpi() {
  static const int dpi = [] {
    if (Dpi().getDpiForSystem) {
      if (const UINT d = Dpi().getDpiForSystem()) return static_cast<int>(d);
    }
    int d = 0;
    if (HDC dc = GetDC(nullptr)) {
      d = GetDeviceCaps(dc, LOGPIXELSY);
      ReleaseDC(nullptr, dc);
    }
    return d > 0 ? d : kDesignDpi;
  }();
  return dpi;
}

int DpiOfHandle(HWND h) {
  if (h && Dpi().getDpiForWindow) {
    if (const UINT d = Dpi().getDpiForWindow(h)) return static_cast<int>(d);
  }
  return SystemDpi();
}

int MonitorDpi(HMONITOR m) {
  UINT x = 0, y = 0;
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  if (m && Dpi().getDpiForMonitor && SUCCEEDED(Dpi().getDpiForMonitor(m, kEffectiveDpi, &x, &y)) &&
      y > 0) {
    return static_cast<int>(y);
  }
  return SystemDpi();
}

SIZE FrameAt(DWORD style, DWORD exStyle, int dpi) {
  RECT r{0, 0, 0, 0};
  if (!Dpi().adjustWindowRectExForDpi ||
      !Dpi().adjustWindowRectExForDpi(&r, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    r = RECT{0, 0, 0, 0};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
  }
  return SIZE{r.right - r.left, r.bottom - r.top};
}

int MetricAt(int index, int dpi) {
  // The metric at 96 dpi, scaled like every design length: Windows does not scale every
  // metric for every DPI itself (the drag distance, for one).
  int base = 0;
  if (Dpi().getSystemMetricsForDpi) base = Dpi().getSystemMetricsForDpi(index, kDesignDpi);
  if (base <= 0) base = MulDiv(GetSystemMetrics(index), kDesignDpi, SystemDpi());
  return ScaleToDpi(base, dpi);
}

SIZE DragDistance(int n) {
  const int dpi = WindowDpi(n);
  return SIZE{MetricAt(SM_CXDRAG, dpi), MetricAt(SM_CYDRAG, dpi)};
}

HFONT GuiFont(int dpi) {
  static std::map<int, HFONT> fonts;
  auto it = fonts.find(dpi);
  if (it != fonts.end()) return it->second;
  HFONT font = nullptr;
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof ncm;
  if (Dpi().systemParametersInfoForDpi &&
      Dpi().systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0,
                                       static_cast<UINT>(dpi))) {
    font = CreateFontIndirectW(&ncm.lfMessageFont);
  } else if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
    // Older Windows tells the font at the system DPI only.
    ncm.lfMessageFont.lfHeight = MulDiv(ncm.lfMessageFont.lfHeight, dpi, SystemDpi());
    font = CreateFontIndirectW(&ncm.lfMessageFont);
  }
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts[dpi] = font;
  return font;
}

void SetWindowIcons(HWND h, int dpi) {
  if (HICON smallIcon = IconOfSize(MetricAt(SM_CXSMICON, dpi))) {
    SendMessageW(h, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
  }
  if (HICON big = IconOfSize(MetricAt(SM_CXICON, dpi))) {
    SendMessageW(h, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  }
}

void SetLayoutHook(LayoutHook hook) { gLayoutHook = hook; }

LayoutHook InstalledLayoutHook() { return gLayoutHook; }

// ---- pictures ----------------------------------------------------------------------------

void AddPictureVariants(std::initializer_list<std::pair<int, HBITMAP>> variants) {
  Variants v;
  for (const auto& p : variants) {
    if (!p.second) continue;
    // A bitmap belongs to one picture only: a handle freed and handed out again must not
    // stay the variant of an old one.
    RemovePictureVariants(p.second);
    v.push_back(p);
  }
  if (!v.empty()) gPictures.push_back(std::move(v));
}

void RemovePictureVariants(HBITMAP picture) {
  std::erase_if(gPictures, [picture](const Variants& v) {
    return std::any_of(v.begin(), v.end(), [picture](const auto& p) { return p.second == picture; });
  });
}

HBITMAP PictureForDpi(HBITMAP picture, int dpi) {
  for (const Variants& v : gPictures) {
    if (std::none_of(v.begin(), v.end(), [picture](const auto& p) { return p.second == picture; })) {
      continue;
    }
    int bestDpi = 0;
    HBITMAP best = picture;
    for (const auto& [d, b] : v) {
      if (NearerDpi(dpi, d, bestDpi)) {
        bestDpi = d;
        best = b;
      }
    }
    return best;
  }
  return picture;
}

void PostGadgetImage(HWND gadget, HBITMAP picture) {
  if (!gadget) return;
  PostMessageW(GetParent(gadget), kMsgSetPicture, reinterpret_cast<WPARAM>(gadget),
               reinterpret_cast<LPARAM>(picture));
}

// ---- controls ----------------------------------------------------------------------------

RECT PlacedAt(const GadgetEntry& g, int dpi) {
  // The window of a drop-down list is as tall as its open list.
  const int h = g.kind == KindCombo ? std::max(g.design.h, 20) + 200 : g.design.h;
  const int x = ScaleToDpi(g.design.x, dpi);
  const int y = ScaleToDpi(g.design.y, dpi);
  return RECT{x, y, x + ScaleToDpi(g.design.w, dpi), y + ScaleToDpi(h, dpi)};
}

void RescaleGadgets(int win, int oldDpi, int newDpi) {
  HFONT font = GuiFont(newDpi);
  for (auto& entry : Gadgets()) {
    const GadgetEntry& g = entry.second;
    if (g.window != win || !IsWindow(g.hwnd)) continue;
    // The font first: a list measures its rows and its header by it.
    SendMessageW(g.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (g.designed) {
      const RECT r = PlacedAt(g, newDpi);
      SetWindowPos(g.hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (g.kind == KindImage || g.kind == KindImageButton) {
      const UINT get = g.kind == KindImage ? STM_GETIMAGE : BM_GETIMAGE;
      const UINT set = g.kind == KindImage ? STM_SETIMAGE : BM_SETIMAGE;
      if (auto* now = reinterpret_cast<HBITMAP>(SendMessageW(g.hwnd, get, IMAGE_BITMAP, 0))) {
        SendMessageW(g.hwnd, set, IMAGE_BITMAP,
                     reinterpret_cast<LPARAM>(PictureForDpi(now, newDpi)));
      }
    }
    if (IsListView(g.hwnd) && oldDpi > 0) {
      // By the ratio, not from the design widths: a column the user dragged keeps its share.
      HWND header = reinterpret_cast<HWND>(SendMessageW(g.hwnd, LVM_GETHEADER, 0, 0));
      const auto count = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
      for (int c = 0; c < count; ++c) {
        const auto w = static_cast<int>(SendMessageW(g.hwnd, LVM_GETCOLUMNWIDTH, c, 0));
        SendMessageW(g.hwnd, LVM_SETCOLUMNWIDTH, c, MAKELPARAM(MulDiv(w, newDpi, oldDpi), 0));
      }
    }
  }
}

}  // namespace vardune::ui
