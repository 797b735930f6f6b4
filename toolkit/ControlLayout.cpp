#include "toolkit/Win.h"

#include "toolkit/Control.h"

#include "core/Alignment.h"
#include "toolkit/Scope.h"

#include <vector>

namespace kvx {

void TWinControl::UpdateBoundsFromWindow() {
  if (!FHandle) return;
  RECT r;
  GetWindowRect(FHandle, &r);
  if (HWND parent = GetParent(FHandle); parent && (GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD))
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  FLeft = r.left;
  FTop = r.top;
  FWidth = r.right - r.left;
  FHeight = r.bottom - r.top;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (FHandle) {
    SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateBoundsFromWindow();
  } else {
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
  }
}

RECT TWinControl::ClientRect() {
  RECT r{0, 0, FWidth, FHeight};
  if (FHandle) GetClientRect(FHandle, &r);
  return r;
}

RECT TWinControl::AlignRect() {
  return ClientRect();
}

void TWinControl::SetAlign(TAlign align) {
  FAlign = align;
  if (FParent) FParent->Realign();
}

void TWinControl::Realign() {
  if (FAligning || FControls.empty()) return;
  TAutoReset aligning(FAligning, true);
  const RECT r = AlignRect();
  std::vector<TAlignChild> children;
  children.reserve(FControls.size());
  for (const TWinControl* c : FControls)
    children.push_back(TAlignChild{c->FAlign, c->FVisible, c->FWidth, c->FHeight});
  const auto placed = AlignChildren(TAlignArea{r.left, r.top, r.right, r.bottom}, children);
  for (size_t i = 0; i < placed.size() && i < FControls.size(); ++i)
    if (const auto& b = placed[i]) FControls[i]->SetBounds(b->Left, b->Top, b->Width, b->Height);
}

void TWinControl::Resized() {
  Realign();
}

void TWinControl::SetVisible(bool visible) {
  if (FVisible == visible) return;
  FVisible = visible;
  if (FHandle) ShowWindow(FHandle, visible ? (FParent ? SW_SHOWNA : SW_SHOW) : SW_HIDE);
  if (FParent) FParent->Realign();
  Perform(CM_VISIBLECHANGED, visible ? 1 : 0, 0);
}

bool TWinControl::Showing() const noexcept {
  for (const TWinControl* c = this; c; c = c->FParent)
    if (!c->FVisible) return false;
  return true;
}

}  // namespace kvx
