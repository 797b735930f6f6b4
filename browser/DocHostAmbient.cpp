// PENDING (document-host services engineer): the ambient properties.
#include "toolkit/Win.h"

#include "browser/WebHostCore.h"

namespace kvx {

HRESULT TCustomWebHost::InvokeAmbient(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                      EXCEPINFO* exception) {
  return TBrowserControl::InvokeAmbient(id, flags, params, result, exception);
}

STDMETHODIMP TCustomWebHost::GetTypeInfoCount(UINT* count) noexcept { return TBrowserControl::GetTypeInfoCount(count); }
STDMETHODIMP TCustomWebHost::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) noexcept {
  return TBrowserControl::GetTypeInfo(index, locale, info);
}
STDMETHODIMP TCustomWebHost::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) noexcept {
  return TBrowserControl::GetIDsOfNames(iid, names, count, locale, ids);
}

}  // namespace kvx
