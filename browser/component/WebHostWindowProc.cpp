// The browser host component's own window procedure: the close query, the
// dialog keys that belong to the document, the Enter rule, the message hook,
// the moves it announces instead of making, and the dialog code.
#include "toolkit/Win.h"

#include "browser/component/WebHost.h"

#include <memory>

namespace kvx {

// Each event may free the component: after one, nothing of it is touched
// unless it is still alive.
LRESULT TWebHost::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const std::weak_ptr<const void> life = LifeToken();
  bool canProcess = true;
  if (msg == WM_CLOSE && OnCloseQuery) {
    OnCloseQuery(this, canProcess);
    if (life.expired()) return 0;
  }
  // A dialog key while the focus is inside the document is the document's:
  // the form does not act on it.
  if (canProcess && msg == CM_DIALOGKEY && !(HandleAllocated() && GetFocus() == Handle()))
    canProcess = false;

  TMessage message{msg, wParam, lParam, 0};
  if (canProcess) message.Result = DispatchOwnMessage(msg, wParam, lParam);
  if (life.expired()) return message.Result;
  // Not taken as a dialog key: Enter goes on to the control.
  if (FEnableMessageHandler && msg == CN_KEYDOWN && wParam == VK_RETURN) message.Result = 0;
  if (OnMessage) {
    TMessageHandled handled((message.Result & 0xFF) != 0);
    OnMessage(this, message, handled);
    if (handled.Assigned()) message.Result = handled ? 1 : 0;
    if (life.expired()) return message.Result;
  }
  switch (msg) {
    case WM_WINDOWPOSCHANGING:
      if (FInterceptWindowMoves && lParam)
        InterceptWindowPos(*reinterpret_cast<WINDOWPOS*>(lParam));
      break;
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTCHARS;
      break;
    default:
      break;
  }
  return message.Result;
}

LRESULT TWebHost::DispatchOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_REQUESTFOCUS:
      FocusRequest();
      return 0;
    case CM_VISIBLECHANGED: {
      LRESULT result = TCustomWebHost::WndProc(msg, wParam, lParam);
      if (OnVisible) OnVisible(this, wParam == 1 ? VARIANT_TRUE : VARIANT_FALSE);
      return result;
    }
    default:
      return TCustomWebHost::WndProc(msg, wParam, lParam);
  }
}

void TWebHost::InterceptWindowPos(WINDOWPOS& position) {
  if (!(position.flags & (SWP_NOSIZE | SWP_NOMOVE))) return;
  if (!(position.flags & SWP_NOMOVE)) {
    position.flags |= SWP_NOMOVE;
    if (OnMove) OnMove(this, position.x, position.y);
  }
  if (!(position.flags & SWP_NOSIZE)) {
    position.flags |= SWP_NOSIZE;
    if (OnResize) OnResize(this, position.cx, position.cy);
  }
}

}  // namespace kvx
