// PENDING (document-host services engineer): IServiceProvider and the services.
#include "toolkit/Win.h"

#include "browser/WebHostCore.h"

namespace kvx {

STDMETHODIMP TDocHostServiceProvider::QueryService(REFGUID, REFIID, void** ppv) noexcept {
  if (ppv) *ppv = nullptr;
  return E_NOINTERFACE;
}
STDMETHODIMP TDocHostNewWindowManager::EvaluateNewWindow(LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, BOOL, DWORD,
                                                         DWORD) noexcept { return E_FAIL; }
STDMETHODIMP TDocHostProtectFocus::AllowFocusChange(BOOL*) noexcept { return E_NOTIMPL; }
STDMETHODIMP TDocHostDownloadManager::Download(IMoniker*, IBindCtx*, DWORD, LONG, BINDINFO*, LPCOLESTR, LPCOLESTR,
                                               UINT) noexcept { return E_NOTIMPL; }
STDMETHODIMP TDocHostBehaviorInit::PopulateNamespaceTable() noexcept { return S_OK; }
STDMETHODIMP TDocHostWindowServices::moveTo(LONG, LONG) noexcept { return S_OK; }
STDMETHODIMP TDocHostWindowServices::moveBy(LONG, LONG) noexcept { return S_OK; }
STDMETHODIMP TDocHostWindowServices::resizeTo(LONG, LONG) noexcept { return S_OK; }
STDMETHODIMP TDocHostWindowServices::resizeBy(LONG, LONG) noexcept { return S_OK; }
STDMETHODIMP TDocHostZoomEvents::OnZoomPercentChanged(ULONG) noexcept { return S_FALSE; }
STDMETHODIMP TDocHostAuthenticate::Authenticate(HWND*, LPWSTR*, LPWSTR*) noexcept { return E_NOTIMPL; }

bool TCustomWebHost::QueryHostService(REFGUID, REFIID, void**) { return false; }

}  // namespace kvx
