#include "toolkit/Win.h"

#include "toolkit/Control.h"

#include "core/CodePage.h"

namespace kvx {

void TWinControl::EraseBackground(HDC dc) {
  RECT r;
  GetClientRect(FHandle, &r);
  SetBkColor(dc, ColorToRGB(FColor));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void TWinControl::SetColor(TColor color) {
  FParentColor = false;
  ApplyColor(color);
}

void TWinControl::ApplyColor(TColor color) {
  FColor = color;
  Invalidate();
  ColorChanged();
  for (TWinControl* child : std::vector<TWinControl*>(FControls)) {
    if (!child->FParentColor) continue;
    child->ApplyColor(color);
    child->ParentColorChanged();
  }
}

void TWinControl::SetParentColor(bool value) {
  if (FParentColor == value) return;
  FParentColor = value;
  if (value && FParent) {
    ApplyColor(FParent->FColor);
    ParentColorChanged();
  }
}

const TFont& TWinControl::Font() const noexcept {
  if (FParentFont && FParent) return FParent->Font();
  static const TFont defaultFont;
  return FFont ? *FFont : defaultFont;
}

HFONT TWinControl::FontHandle() {
  if (FParentFont && FParent) return FParent->FontHandle();
  if (!FFontHandle) {
    const TFont& f = Font();
    FFontHandle.Reset(CreateFontW(f.Height, 0, 0, 0, f.Bold ? FW_BOLD : FW_NORMAL, f.Italic,
                                  f.Underline, FALSE, f.Charset, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                  f.Name.c_str()));
  }
  return FFontHandle.Get();
}

void TWinControl::SetFont(const TFont& font) {
  FFont = std::make_unique<TFont>(font);
  FParentFont = false;
  FFontHandle.Reset();
  FontChanged();
}

void TWinControl::FontChanged() {
  if (FHandle) {
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), TRUE);
    Invalidate();
  }
  for (TWinControl* child : std::vector<TWinControl*>(FControls)) {
    if (!child->FParentFont) continue;
    child->FontChanged();
    child->ParentFontChanged();
  }
}

void TWinControl::SetCaption(const std::string& caption) {
  FCaption = caption;
  if (FHandle) SetWindowTextW(FHandle, GbkToWide(caption).c_str());
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

}  // namespace kvx
