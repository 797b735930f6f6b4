// PENDING (document-host UI engineer): IDocHostUIHandler2 and IDocHostShowUI.
#include "toolkit/Win.h"

#include "browser/WebHostCore.h"

namespace kvx {

STDMETHODIMP TDocHostUIHandler::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) noexcept { return S_FALSE; }
STDMETHODIMP TDocHostUIHandler::GetHostInfo(DOCHOSTUIINFO*) noexcept { return E_NOTIMPL; }
STDMETHODIMP TDocHostUIHandler::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                       IOleInPlaceUIWindow*) noexcept { return S_FALSE; }
STDMETHODIMP TDocHostUIHandler::HideUI() noexcept { return S_FALSE; }
STDMETHODIMP TDocHostUIHandler::UpdateUI() noexcept { return S_FALSE; }
STDMETHODIMP TDocHostUIHandler::EnableModeless(BOOL) noexcept { return S_OK; }
STDMETHODIMP TDocHostUIHandler::OnDocWindowActivate(BOOL) noexcept { return S_OK; }
STDMETHODIMP TDocHostUIHandler::OnFrameWindowActivate(BOOL) noexcept { return S_OK; }
STDMETHODIMP TDocHostUIHandler::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) noexcept { return S_OK; }
STDMETHODIMP TDocHostUIHandler::TranslateAccelerator(LPMSG, const GUID*, DWORD) noexcept { return S_FALSE; }
STDMETHODIMP TDocHostUIHandler::GetOptionKeyPath(LPOLESTR* pchKey, DWORD) noexcept {
  if (pchKey) *pchKey = nullptr;
  return S_FALSE;
}
STDMETHODIMP TDocHostUIHandler::GetDropTarget(IDropTarget*, IDropTarget** ppDropTarget) noexcept {
  if (ppDropTarget) *ppDropTarget = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP TDocHostUIHandler::GetExternal(IDispatch** ppDispatch) noexcept {
  if (ppDispatch) *ppDispatch = nullptr;
  return S_FALSE;
}
STDMETHODIMP TDocHostUIHandler::TranslateUrl(DWORD, LPWSTR, LPWSTR*) noexcept { return S_FALSE; }
STDMETHODIMP TDocHostUIHandler::FilterDataObject(IDataObject*, IDataObject** ppDORet) noexcept {
  if (ppDORet) *ppDORet = nullptr;
  return S_FALSE;
}
STDMETHODIMP TDocHostUIHandler::GetOverrideKeyPath(LPOLESTR* pchKey, DWORD) noexcept {
  if (pchKey) *pchKey = nullptr;
  return S_FALSE;
}

STDMETHODIMP TDocHostShowUI::ShowMessage(HWND, LPOLESTR, LPOLESTR, DWORD, LPOLESTR, DWORD, LRESULT*) noexcept {
  return S_FALSE;
}
STDMETHODIMP TDocHostShowUI::ShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) noexcept { return S_FALSE; }

bool TCustomWebHost::IsMaskedCtrlShortcut(const MSG&) { return false; }
bool TCustomWebHost::NeedsMenuFilter() { return static_cast<bool>(OnFilterPopupMenu); }
void TCustomWebHost::FilterContextMenu(TObject* Sender, DWORD ID, HMENU Menu, IDispatch* Context) {
  if (OnFilterPopupMenu) OnFilterPopupMenu(Sender, ID, Menu, Context);
}
HRESULT TCustomWebHost::GetHostInfo(DOCHOSTUIINFO&) { return E_NOTIMPL; }
HRESULT TCustomWebHost::ShowFilteredContextMenu(DWORD, const POINT*, IUnknown*, IDispatch*) { return S_FALSE; }

}  // namespace kvx
