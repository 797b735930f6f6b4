#include "toolkit/Win.h"

#include "browser/component/AppActivationHook.h"

#include "browser/component/WebHost.h"
#include "toolkit/Application.h"
#include "toolkit/Form.h"
#include "toolkit/Trace.h"

namespace kvx {
namespace {

bool gHookInstalled = false;

}  // namespace

TAppActivationHook::~TAppActivationHook() {
  RemoveHook();
}

bool TAppActivationHook::ProcessInstalled() noexcept {
  return gHookInstalled;
}

void TAppActivationHook::InstallHook() {
  if (gHookInstalled) return;
  FHookId = FApplication.AddWindowHook(
      [this](TMessage& message) { return ApplicationWindowHook(message); });
  gHookInstalled = true;
}

void TAppActivationHook::RemoveHook() noexcept {
  if (!FHookId) return;
  FApplication.RemoveWindowHook(FHookId);
  FHookId = 0;
  gHookInstalled = false;
}

bool TAppActivationHook::ApplicationWindowHook(TMessage& message) {
  if (message.Msg != CM_ACTIVATE) return false;
  if (TraceEnabled()) Trace(L"application activated");
  TForm* form = FApplication.ActiveForm();
  if (!form) return false;
  // Posted, not sent: the component takes the focus once the activation is
  // done. The control rides along as the request's wParam for whoever
  // watches the message; the component itself never follows it.
  if (auto* host = dynamic_cast<TWebHost*>(form->ActiveControl());
      host && host->HandleAllocated()) {
    PostMessageW(host->Handle(), WM_REQUESTFOCUS, reinterpret_cast<WPARAM>(host), 0);
    if (TraceEnabled()) Trace(L"focus request posted to the browser host");
  }
  return false;
}

}  // namespace kvx
