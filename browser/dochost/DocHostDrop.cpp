// Drag and drop on the document: who takes what is dropped (the control
// itself, the host, a target of the application's, or nobody), and the
// host's own drop target, which hands every drag to the events.
#include "toolkit/Win.h"

#include "browser/dochost/WebHostCore.h"

#include "browser/activex/OleError.h"

using Microsoft::WRL::ComPtr;

namespace kvx {
namespace {

// The window of the document's view, where drops land.
constexpr wchar_t kViewWindowClass[] = L"Internet Explorer_Server";

}  // namespace

void TCustomWebHost::SetDropHandlingType(TDragDropHandlingType value) {
  if (value == FDropHandlingType) return;
  FDropHandlingType = value;
  // No window yet: the control asks the UI handler (GetDropTarget) once its view exists.
  HWND view = FindChildWindowByClass(kViewWindowClass);
  if (view) {
    RevokeDragDrop(view);
    if (view == FDropView) FDropView = nullptr;
  }
  ComPtr<IDropTarget> target = DropTargetForType(view != nullptr);
  if (view && target) {
    OleCheck(RegisterDragDrop(view, target.Get()));
    FDropView = view;
  }
}

void TCustomWebHost::RevokeDropTarget() noexcept {
  if (FDropView && IsWindow(FDropView)) RevokeDragDrop(FDropView);
  FDropView = nullptr;
}

ComPtr<IDropTarget> TCustomWebHost::DropTargetForType(bool viewWindowFound) {
  auto registerAsDropTarget = [this](bool value) {
    ComPtr<IWebBrowser2> browser = BrowserInterface();
    ClearErrorInfo();
    OleCallCheck(browser->put_RegisterAsDropTarget(value ? VARIANT_TRUE : VARIANT_FALSE));
  };
  ComPtr<IDropTarget> target;
  switch (FDropHandlingType) {
    case TDragDropHandlingType::ddtMS:
      registerAsDropTarget(true);
      break;
    case TDragDropHandlingType::ddtMy:
      target = &FDropTarget;
      break;
    case TDragDropHandlingType::ddtCustom:
      if (!viewWindowFound) break;
      target = &FDropTarget;
      if (OnGetDropTarget) OnGetDropTarget(this, target);
      break;
    case TDragDropHandlingType::ddtNo:
      registerAsDropTarget(false);
      break;
  }
  return target;
}

// --- the host's drop target: no effect unless a handler says otherwise ---------------------------

STDMETHODIMP TDocHostDropTarget::DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt,
                                           DWORD* pdwEffect) noexcept {
  if (!pdwEffect) return E_INVALIDARG;
  *pdwEffect = DROPEFFECT_NONE;
  return Host().AnswerControl(S_OK, [&] {
    HRESULT rezult = S_OK;
    if (Host().OnDragEnter)
      Host().OnDragEnter(&Host(), pDataObj, grfKeyState, pt, *pdwEffect, rezult);
    return rezult;
  });
}

STDMETHODIMP TDocHostDropTarget::DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) noexcept {
  if (!pdwEffect) return E_INVALIDARG;
  *pdwEffect = DROPEFFECT_NONE;
  return Host().AnswerControl(S_OK, [&] {
    HRESULT rezult = S_OK;
    if (Host().OnDragOver2) Host().OnDragOver2(&Host(), grfKeyState, pt, *pdwEffect, rezult);
    return rezult;
  });
}

STDMETHODIMP TDocHostDropTarget::DragLeave() noexcept {
  return Host().AnswerControl(S_OK, [&] {
    if (Host().OnDragLeave) Host().OnDragLeave(&Host());
    return S_OK;
  });
}

STDMETHODIMP TDocHostDropTarget::Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt,
                                      DWORD* pdwEffect) noexcept {
  if (!pdwEffect) return E_INVALIDARG;
  *pdwEffect = DROPEFFECT_NONE;
  return Host().AnswerControl(S_OK, [&] {
    HRESULT rezult = S_OK;
    if (Host().OnDropEvent)
      Host().OnDropEvent(&Host(), pDataObj, grfKeyState, pt, *pdwEffect, rezult);
    return rezult;
  });
}

}  // namespace kvx
