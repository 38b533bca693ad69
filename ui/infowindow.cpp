// The info window (see infowindow.h): window 56 shows the help text that is unpacked from
// GInfoPacked on every opening; its own event loop keeps every other window out meanwhile.
#include "ui/infowindow.h"

#include <windows.h>
#include <richedit.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <new>
#include <string>

#include "os/build.h"
#include "ui/anchor.h"
#include "ui/mainwindow.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/platform.h"

namespace vardune {

namespace {

constexpr int kWinInfo = 56;
constexpr int kGadOk = 57;
constexpr int kGadText = 58;

// The text is stored in Windows-1252, whatever the ANSI code page of the system running the
// program: converting with CP_ACP would garble every umlaut on, say, a Cyrillic Windows.
constexpr UINT kTextCodePage = 1252;

// Ten times the packed length holds the built-in text with room to spare (it unpacks to about
// two and a half times its packed size); a block that needs more is reported, not cut.
constexpr unsigned long kUnpackFactor = 10;

std::wstring FromCp1252(const unsigned char* bytes, size_t n) {
  if (n == 0 || n > INT_MAX) return {};
  const char* s = reinterpret_cast<const char*>(bytes);
  const int len = MultiByteToWideChar(kTextCodePage, 0, s, static_cast<int>(n), nullptr, 0);
  if (len <= 0) return {};
  std::wstring w(static_cast<size_t>(len), L'\0');
  MultiByteToWideChar(kTextCodePage, 0, s, static_cast<int>(n), w.data(), len);
  return w;
}

// Steps 3 to 5 of opening: unpack into a fresh buffer and fill the text control. A failure
// leaves the control empty; the window still opens and closes as usual.
void FillText() {
  const size_t packed = GInfoPacked.size();
  std::unique_ptr<unsigned char[]> buffer;
  uLongf size = 0;
  if (packed <= ULONG_MAX / kUnpackFactor) {
    size = static_cast<uLongf>(packed * kUnpackFactor);
    buffer.reset(new (std::nothrow) unsigned char[size]());
  }
  if (!buffer) {
    ui::_Msg(L"Fehler in _Info(): Konnte Speicher nicht anfordern!");
    return;
  }
  uLongf produced = size;
  const int rc = uncompress(buffer.get(), &produced, GInfoPacked.data(),
                            static_cast<uLong>(packed));
  if (rc != Z_OK || produced == 0) {
    ui::_Msg(L"Fehler in _Info() beim Entpacken der Infodaten!");
    return;
  }
  HWND edit = ui::GadgetID(kGadText);
  SendMessageW(edit, EM_SETREADONLY, TRUE, 0);
  SendMessageW(edit, EM_SETTARGETDEVICE, 0, 0);  // wrap at the control's edge
  SendMessageW(edit, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  const unsigned char* end = std::find(buffer.get(), buffer.get() + produced, 0);
  ui::SetGadgetText(kGadText, FromCp1252(buffer.get(), static_cast<size_t>(end - buffer.get())));
}

}  // namespace

std::span<const unsigned char> GInfoPacked{InfoText, InfoTextLength};

HWND Window_FormInfo() {
  using namespace ui;
  HWND win = OpenWindow(kWinInfo, Scale(100), Scale(100), Scale(457), Scale(288),
                        L"Delete Files - Vardune", WinSystemMenu | WinWindowCentered, kMainWindow);
  if (!win) return nullptr;
  // Registered like every window; it has no sizing border and its controls no anchor
  // letters, so nothing ever moves.
  _AnchorAdd(kWinInfo, kAnchorKeep, WindowX(kWinInfo), WindowY(kWinInfo), Scale(457),
             Scale(288));
  // Created read-only, so that the window stays a pure display when the text cannot be
  // unpacked as well.
  if (!ButtonGadget(kWinInfo, kGadOk, Scale(185), Scale(265), Scale(80), Scale(20), L"OK") ||
      !EditorGadget(kWinInfo, kGadText, Scale(5), Scale(5), Scale(445), Scale(255),
                    GadReadOnly)) {
    CloseWindow(kWinInfo);
    return nullptr;
  }
  return win;
}

void _Info() {
  if (!Window_FormInfo()) {
    ui::_Msg(L"Fehler in _Info(): Konnte Fenster Window_FormInfo() nicht öffnen!");
    return;
  }
  ui::SetWindowTitle(kWinInfo, std::wstring(L" Vardune ") + GBuild);
  FillText();
  ui::SetActiveGadget(kGadOk);

  for (;;) {
    const ui::Event e = ui::WaitWindowEvent();
    if (e.Window == kWinInfo) {
      if (e.Kind == ui::EventCloseWindow) break;
      if (e.Kind == ui::EventGadget && e.Gadget == kGadOk) break;
      continue;
    }
    // Anything meant for another window is dropped while the help is up.
    ui::ActivateWindow(kWinInfo);
  }

  ui::CloseWindow(kWinInfo);
  ui::ActivateWindow(kMainWindow);
  // What the user did to other windows meanwhile, and what is still on its way, must not run
  // as commands once the main loop takes over again.
  ui::FlushEvents();
}

}  // namespace vardune
