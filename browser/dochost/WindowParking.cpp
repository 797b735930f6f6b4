// The control's window across a re-creation of the windows it lives in (the
// form's border style changes, a parent is made again): it waits on the
// application's hidden window and comes back as the host's window, so the
// control stays active in place and keeps its page.
#include "toolkit/Win.h"

#include "browser/dochost/WebHostCore.h"

#include "toolkit/Application.h"

#include <utility>

namespace kvx {

void TCustomWebHost::DestroyControlWindow() {
  const HWND parking = Application().Handle();
  if (ShuttingDown() || !HandleAllocated() || !parking) {
    RevokeDropTarget();
    TBrowserControl::DestroyControlWindow();
    return;
  }
  // The user-interface activation belongs to the frame whose window goes;
  // the control is made UI-active again when its form gives it the focus.
  UIDeactivate();
  const HWND window = Handle();
  // Our procedure leaves first, so the move reaches nothing of the host:
  // its bounds stay those it had in its parent.
  ReleaseWindow();
  ::SetParent(window, parking);
  FParkedWindow = window;
}

void TCustomWebHost::CreateWnd() {
  const HWND parked = std::exchange(FParkedWindow, nullptr);
  if (!parked || !IsWindow(parked) || !InPlaceObject()) {
    TBrowserControl::CreateWnd();
    return;
  }
  if (Parent()) {
    ::SetParent(parked, Parent()->Handle());
    // Where the host stood; a host that fills its parent is aligned to the
    // new client area right after.
    MoveWindow(parked, Left(), Top(), Width(), Height(), TRUE);
  }
  AdoptControlWindow();
}

STDMETHODIMP TCustomWebHost::ShowObject() noexcept {
  // A parked window must not become the host's where it waits.
  if (FParkedWindow) return S_OK;
  return TBrowserControl::ShowObject();
}

}  // namespace kvx
