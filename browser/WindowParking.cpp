// PENDING (document-host services engineer): parking the control's window.
#include "toolkit/Win.h"

#include "browser/WebHostCore.h"

namespace kvx {

void TCustomWebHost::CreateWnd() { TBrowserControl::CreateWnd(); }
void TCustomWebHost::DestroyControlWindow() { TBrowserControl::DestroyControlWindow(); }

}  // namespace kvx
