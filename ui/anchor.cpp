// The anchor records and the arithmetic of a re-layout (see anchor.h).
#include "ui/anchor.h"

#include "ui/platform/scale.h"

namespace vardune {

std::vector<Anchor> Anchors;

namespace {

Anchor* FindRecord(int32_t window, int32_t control) {
  for (Anchor& a : Anchors) {
    if (a.Window == window && a.Control == control) return &a;
  }
  return nullptr;
}

// Every place is computed from the creation rectangle, so repeated resizes never drift.
int32_t Follow(int32_t stored, int32_t delta, int dpi) {
  return stored == kAnchorKeep ? kAnchorKeep : ui::ScaleToDpi(stored, dpi) + delta;
}

}  // namespace

void _AnchorAdd(int32_t window, int32_t control, int32_t x, int32_t y, int32_t w, int32_t h) {
  if (Anchor* a = FindRecord(window, control)) {
    a->X = x;
    a->Y = y;
    a->W = w;
    a->H = h;
    return;
  }
  Anchors.push_back(Anchor{window, control, x, y, w, h});
}

void _Anchor(std::wstring_view letters, int32_t window, int32_t control, int32_t x, int32_t y,
             int32_t w, int32_t h) {
  if (letters.empty()) return;
  bool l = false, o = false, r = false, u = false;
  for (wchar_t c : letters) {
    switch (c) {
      case L'L': case L'l': l = true; break;
      case L'O': case L'o': o = true; break;
      case L'R': case L'r': r = true; break;
      case L'U': case L'u': u = true; break;
      default: break;
    }
  }
  _AnchorAdd(window, control, l ? x : kAnchorKeep, o ? y : kAnchorKeep, r ? w : kAnchorKeep,
             u ? h : kAnchorKeep);
}

std::vector<AnchorPlace> _AnchorLayout(int32_t window, int32_t innerW, int32_t innerH) {
  return _AnchorLayoutAt(window, innerW, innerH, ui::kDesignDpi);
}

std::vector<AnchorPlace> _AnchorLayoutAt(int32_t window, int32_t innerW, int32_t innerH,
                                         int dpi) {
  std::vector<AnchorPlace> places;
  const Anchor* own = FindRecord(window, kAnchorKeep);
  if (!own) return places;
  const int32_t dw = innerW - ui::ScaleToDpi(own->W, dpi);
  const int32_t dh = innerH - ui::ScaleToDpi(own->H, dpi);
  for (const Anchor& a : Anchors) {
    if (a.Window != window || a.Control == kAnchorKeep) continue;
    places.push_back(AnchorPlace{a.Control, Follow(a.X, dw, dpi), Follow(a.Y, dh, dpi),
                                 Follow(a.W, dw, dpi), Follow(a.H, dh, dpi)});
  }
  return places;
}

}  // namespace vardune
