#include "toolkit/Win.h"

#include "widgets/ThemeDrawing.h"

#include "toolkit/Control.h"
#include "toolkit/Handles.h"
#include "toolkit/SystemColours.h"

#include <algorithm>
#include <cstdlib>

namespace kvx {
namespace {

enum class TDepth { dUnknown, dFull, dPalette };
TDepth gDepth = TDepth::dUnknown;

RECT Rect(LONG left, LONG top, LONG right, LONG bottom) noexcept {
  return RECT{left, top, right, bottom};
}

void Pixel(HDC dc, int x, int y, TColor colour) noexcept {
  SetPixelV(dc, x, y, ResolveColour(colour));
}

}  // namespace

void InitThemeDrawing() noexcept {
  UsePlatformSystemColours();
  if (gDepth == TDepth::dUnknown) gDepth = ScreenHasFullColour() ? TDepth::dFull : TDepth::dPalette;
}

bool FullColourDisplay() noexcept {
  InitThemeDrawing();
  return gDepth == TDepth::dFull;
}

void SetFullColourDisplay(bool fullColour) noexcept {
  InitThemeDrawing();
  gDepth = fullColour ? TDepth::dFull : TDepth::dPalette;
}

void FillSolid(HDC dc, const RECT& rect, TColor colour) noexcept {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  // An opaque empty text fills without creating a brush.
  COLORREF old = SetBkColor(dc, ResolveColour(colour));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
  SetBkColor(dc, old);
}

void ShadeRect(HDC dc, const RECT& rect, TColor top, TColor bottom) {
  const int width = std::abs(rect.right - rect.left);
  const int height = std::abs(rect.bottom - rect.top);
  if (width == 0 || height == 0) return;
  const std::vector<TColor> rows = VerticalShadeRows(top, bottom, height);

  TUniqueMemDC memory(CreateCompatibleDC(dc));
  if (!memory) return;
  TUniqueBitmap bitmap(CreateCompatibleBitmap(dc, width, height));
  if (!bitmap) return;
  {
    TSelectObject select(memory.Get(), bitmap.Get());
    int bandTop = 0;
    for (int y = 1; y <= height; ++y) {
      if (y < height && rows[static_cast<size_t>(y)] == rows[static_cast<size_t>(bandTop)])
        continue;
      FillSolid(memory.Get(), Rect(0, bandTop, width, y), rows[static_cast<size_t>(bandTop)]);
      bandTop = y;
    }
    BitBlt(dc, std::min(rect.left, rect.right), std::min(rect.top, rect.bottom), width, height,
           memory.Get(), 0, 0, SRCCOPY);
  }
}

void DrawRing(HDC dc, const RECT& r, TColor dark, TColor light) noexcept {
  const LONG L = r.left, T = r.top, R = r.right, B = r.bottom;
  FillSolid(dc, Rect(L, T + 2, L + 1, B - 2), dark);
  FillSolid(dc, Rect(L + 2, T, R - 2, T + 1), dark);
  FillSolid(dc, Rect(R - 1, T + 2, R, B - 2), light);
  FillSolid(dc, Rect(L + 2, B - 1, R - 2, B), light);
  Pixel(dc, L + 1, T + 1, dark);
  Pixel(dc, R - 2, T + 1, dark);
  Pixel(dc, R - 2, B - 2, light);
  Pixel(dc, L + 1, B - 2, dark);
}

void DrawFaceFrame(HDC dc, const RECT& r, TColor colour) noexcept {
  const LONG L = r.left, T = r.top, R = r.right, B = r.bottom;
  FillSolid(dc, Rect(L, T + 1, L + 1, B - 1), colour);
  FillSolid(dc, Rect(L + 1, T, R - 1, T + 1), colour);
  FillSolid(dc, Rect(R - 1, T + 1, R, B - 1), colour);
  FillSolid(dc, Rect(L + 1, B - 1, R - 1, B), colour);
}

void DrawFace(HDC dc, const RECT& r, TColor colour) {
  FillSolid(dc, Rect(r.left, r.bottom - 2, r.right, r.bottom - 1), Darken(colour, 20));
  FillSolid(dc, Rect(r.left, r.bottom - 1, r.right, r.bottom), Darken(colour, 30));
  const RECT body = Rect(r.left, r.top, r.right, r.bottom - 2);
  if (body.bottom <= body.top) return;
  if (FullColourDisplay())
    ShadeRect(dc, body, Lighten(colour, 30), Darken(colour, 10));
  else
    FillSolid(dc, body, colour);
}

void DrawGlowFrame(HDC dc, const RECT& r, TColor top, TColor bottom) {
  if (!FullColourDisplay()) return;
  // Saving the state keeps a clipping region the caller had.
  int saved = SaveDC(dc);
  ExcludeClipRect(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2);
  ShadeRect(dc, r, top, bottom);
  if (saved) RestoreDC(dc, saved);
}

void DrawDottedFocus(HDC dc, const RECT& r) noexcept {
  for (LONG y = r.top + 1; y < r.bottom; y += 2) {
    SetPixelV(dc, r.left, y, RGB(0, 0, 0));
    SetPixelV(dc, r.right - 1, y, RGB(0, 0, 0));
  }
  for (LONG x = r.left + 1; x < r.right; x += 2) {
    SetPixelV(dc, x, r.top, RGB(0, 0, 0));
    SetPixelV(dc, x, r.bottom - 1, RGB(0, 0, 0));
  }
}

void CopyParentBackground(TWinControl* control, HDC dc, bool invalidateParent) {
  TWinControl* parent = control ? control->Parent() : nullptr;
  if (!parent || !parent->HandleAllocated()) return;
  HWND parentWindow = parent->Handle();
  int saved = SaveDC(dc);
  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  SetViewportOrgEx(dc, origin.x - control->Left(), origin.y - control->Top(), nullptr);
  RECT client{};
  GetClientRect(parentWindow, &client);
  IntersectClipRect(dc, 0, 0, client.right, client.bottom);
  SendMessageW(parentWindow, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  SendMessageW(parentWindow, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  if (saved) RestoreDC(dc, saved);
  // A parent that paints through the toolkit has just painted into dc; one
  // that does not may only show its background after painting itself.
  if (invalidateParent && parent->Parent() && !parent->HasOwnPaint())
    InvalidateRect(parentWindow, nullptr, TRUE);
}

}  // namespace kvx
