// Focus tracking of the browser host component: the focus request posted to
// it when the program is activated, and the watch over the windows inside the
// browser, whose focus makes the component its form's active control.
#include "toolkit/Win.h"

#include "browser/component/WebHost.h"

#include "toolkit/Trace.h"

#include <commctrl.h>

namespace kvx {

void TWebHost::FocusRequest() {
  if (ShuttingDown()) return;
  TForm* form = ParentForm();
  if (!form || !dynamic_cast<TWebHost*>(form->ActiveControl()) || !CanFocus()) return;
  form->SetActiveControl(this);
  ActivateDocumentUI();
  if (TraceEnabled())
    Trace(ContainsFocus() ? L"browser host: focus request taken, the focus inside"
                          : L"browser host: focus request taken, the focus elsewhere");
}

void TWebHost::EnsureBrowserWindowHooks() {
  using TRole = TBrowserWindowHooks::TRole;
  if (!FBrowserHooks.Hooked(TRole::brFirst) || !FBrowserHooks.Hooked(TRole::brFolderView))
    HookBrowserWindows();
}

void TWebHost::HookBrowserWindows() {
  using TRole = TBrowserWindowHooks::TRole;
  if (Designing() || !HandleAllocated()) return;
  if (!FBrowserHooks.Hooked(TRole::brFolderView)) {
    // A folder shown in place of a page is a list view.
    if (HWND folderView = FindChildWindowByClass(WC_LISTVIEWW)) {
      FBrowserHooks.Hook(TRole::brFolderView, folderView);
      return;
    }
  }
  if (FBrowserHooks.Hooked(TRole::brFirst) || FBrowserHooks.Hooked(TRole::brSecond)) return;
  HWND first = ::GetWindow(Handle(), GW_CHILD);
  if (!first) return;
  HWND second = ::GetWindow(first, GW_CHILD);
  FBrowserHooks.Hook(TRole::brFirst, first);
  if (second) FBrowserHooks.Hook(TRole::brSecond, second);
}

void TWebHost::BrowserWindowFocused(TBrowserWindowHooks::TRole role) {
  if (ShuttingDown()) return;
  TForm* form = ParentForm();
  if (!form || !CanFocus()) return;
  form->SetActiveControl(this);
  if (role != TBrowserWindowHooks::TRole::brFolderView) ActivateDocumentUI();
}

}  // namespace kvx
