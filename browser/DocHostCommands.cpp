// PENDING (document-host UI engineer): IOleCommandTarget and script errors.
#include "toolkit/Win.h"

#include "browser/WebHostCore.h"

namespace kvx {

STDMETHODIMP TDocHostCommandTarget::QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) noexcept { return S_OK; }
STDMETHODIMP TDocHostCommandTarget::Exec(const GUID*, DWORD, DWORD, VARIANT*, VARIANT*) noexcept {
  return OLECMDERR_E_NOTSUPPORTED;
}

HRESULT TCustomWebHost::HandleScriptError(const VARIANT*, VARIANT*) { return S_FALSE; }

}  // namespace kvx
