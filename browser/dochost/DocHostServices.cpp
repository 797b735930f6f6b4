// The services the document host hands out to the control (IServiceProvider)
// and the small service interfaces themselves: new windows, focus changes,
// downloads, behaviours, script window moves, zoom and authentication.
#include "toolkit/Win.h"

#include "browser/dochost/WebHostCore.h"

#include "toolkit/TaskMemory.h"
#include "toolkit/Form.h"
#include "toolkit/Handles.h"

#include <algorithm>
#include <climits>

using Microsoft::WRL::ComPtr;

namespace kvx {
namespace {

// A script may pass any numbers: the form gets what a window can have.
int WindowCoordinate(long long value) noexcept {
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}
int WindowExtent(long long value) noexcept {
  return static_cast<int>(std::clamp<long long>(value, 0, INT_MAX));
}

}  // namespace

// --- IServiceProvider
// ------------------------------------------------------------------------------

bool TCustomWebHost::QueryHostService(REFGUID guidService, REFIID riid, void** object) {
  const bool offered = (guidService == __uuidof(INewWindowManager) && OnEvaluateNewWindow) ||
                       guidService == __uuidof(IProtectFocus) ||
                       (guidService == __uuidof(IDownloadManager) && OnFileDownload) ||
                       (guidService == __uuidof(IHostBehaviorInit) && OnPopulateNSTable) ||
                       (guidService == __uuidof(IHTMLOMWindowServices) &&
                        (FFloatingHosting || OnMove || OnMoveBy || OnResize || OnResizeBy)) ||
                       (riid == __uuidof(IAuthenticate) && OnAuthenticate);
  return offered && SUCCEEDED(QueryInterface(riid, object)) && *object;
}

STDMETHODIMP TDocHostServiceProvider::QueryService(REFGUID guidService, REFIID riid,
                                                   void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  TCustomWebHost& host = Host();
  return host.AnswerControl(E_NOINTERFACE, [&] {
    ComPtr<IUnknown> service;
    if (!host.QueryHostService(guidService, riid,
                               reinterpret_cast<void**>(service.GetAddressOf())) &&
        host.OnQueryService) {
      ComPtr<IUnknown> supplied;
      host.OnQueryService(&host, guidService, riid, supplied);
      // The caller takes the answer as riid: whatever the handler supplied
      // is asked for exactly that.
      if (supplied)
        supplied->QueryInterface(riid, reinterpret_cast<void**>(service.ReleaseAndGetAddressOf()));
    }
    if (!service) return E_NOINTERFACE;
    *ppv = service.Detach();
    return S_OK;
  });
}

// --- the services
// -------------------------------------------------------------------------------------

STDMETHODIMP TDocHostNewWindowManager::EvaluateNewWindow(LPCWSTR pszUrl, LPCWSTR pszName,
                                                         LPCWSTR pszUrlContext, LPCWSTR pszFeatures,
                                                         BOOL fReplace, DWORD dwFlags,
                                                         DWORD dwUserActionTime) noexcept {
  // E_FAIL: the platform decides as it would without a host.
  return Host().AnswerControl(E_FAIL, [&] {
    HRESULT rezult = E_FAIL;
    if (Host().OnEvaluateNewWindow)
      Host().OnEvaluateNewWindow(&Host(), pszUrl, pszName, pszUrlContext, pszFeatures, fReplace,
                                 dwFlags, dwUserActionTime, rezult);
    return rezult;
  });
}

STDMETHODIMP TDocHostProtectFocus::AllowFocusChange(BOOL* pfAllow) noexcept {
  if (!pfAllow) return E_POINTER;
  // True with every bit set, as the platform's own hosts answer it.
  const BOOL allowed = Host().FocusChangeAllowed() ? -1 : 0;
  *pfAllow = allowed;
  return Host().AnswerControl(S_OK, [&] {
    BOOL value = allowed;
    if (Host().OnAllowFocusChange) Host().OnAllowFocusChange(&Host(), value);
    *pfAllow = value;
    return S_OK;
  });
}

STDMETHODIMP TDocHostDownloadManager::Download(IMoniker* pmk, IBindCtx* pbc, DWORD dwBindVerb,
                                               LONG grfBINDF, BINDINFO* pBindInfo,
                                               LPCOLESTR pszHeaders, LPCOLESTR pszRedir,
                                               UINT uiCP) noexcept {
  // E_NOTIMPL: the platform downloads the file itself.
  return Host().AnswerControl(E_NOTIMPL, [&] {
    HRESULT rezult = E_NOTIMPL;
    if (Host().OnFileDownload)
      Host().OnFileDownload(&Host(), pmk, pbc, dwBindVerb, grfBINDF, pBindInfo, pszHeaders,
                            pszRedir, uiCP, rezult);
    return rezult;
  });
}

STDMETHODIMP TDocHostBehaviorInit::PopulateNamespaceTable() noexcept {
  return Host().AnswerControl(S_OK, [&] {
    if (Host().OnPopulateNSTable) Host().OnPopulateNSTable(&Host());
    return S_OK;
  });
}

// Script window moves: with FloatingHosting the page moves and sizes the
// form it lives in; the events hear of every request either way.
namespace {

template <class Place>
void PlaceForm(TCustomWebHost& host, Place place) {
  if (!host.FloatingHosting()) return;
  if (TForm* form = host.ParentForm()) place(*form);
}

}  // namespace

STDMETHODIMP TDocHostWindowServices::moveTo(LONG x, LONG y) noexcept {
  return Host().AnswerControl(S_OK, [&] {
    PlaceForm(Host(), [&](TForm& form) { form.SetBounds(x, y, form.Width(), form.Height()); });
    if (Host().OnMove) Host().OnMove(&Host(), x, y);
    return S_OK;
  });
}

STDMETHODIMP TDocHostWindowServices::moveBy(LONG x, LONG y) noexcept {
  return Host().AnswerControl(S_OK, [&] {
    PlaceForm(Host(), [&](TForm& form) {
      form.SetBounds(WindowCoordinate(0LL + form.Left() + x),
                     WindowCoordinate(0LL + form.Top() + y), form.Width(), form.Height());
    });
    if (Host().OnMoveBy) Host().OnMoveBy(&Host(), x, y);
    return S_OK;
  });
}

STDMETHODIMP TDocHostWindowServices::resizeTo(LONG x, LONG y) noexcept {
  return Host().AnswerControl(S_OK, [&] {
    PlaceForm(Host(), [&](TForm& form) {
      form.SetBounds(form.Left(), form.Top(), WindowExtent(x), WindowExtent(y));
    });
    if (Host().OnResize) Host().OnResize(&Host(), x, y);
    return S_OK;
  });
}

STDMETHODIMP TDocHostWindowServices::resizeBy(LONG x, LONG y) noexcept {
  return Host().AnswerControl(S_OK, [&] {
    PlaceForm(Host(), [&](TForm& form) {
      form.SetBounds(form.Left(), form.Top(), WindowExtent(0LL + form.Width() + x),
                     WindowExtent(0LL + form.Height() + y));
    });
    if (Host().OnResizeBy) Host().OnResizeBy(&Host(), x, y);
    return S_OK;
  });
}

STDMETHODIMP TDocHostZoomEvents::OnZoomPercentChanged(ULONG ulZoomPercent) noexcept {
  return Host().AnswerControl(S_FALSE, [&] {
    return Host().OnZoomPercentChange ? Host().OnZoomPercentChange(&Host(), ulZoomPercent)
                                      : S_FALSE;
  });
}

STDMETHODIMP TDocHostAuthenticate::Authenticate(HWND* phwnd, LPWSTR* pszUsername,
                                                LPWSTR* pszPassword) noexcept {
  if (phwnd) *phwnd = nullptr;
  if (pszUsername) *pszUsername = nullptr;
  if (pszPassword) *pszPassword = nullptr;
  if (!phwnd || !pszUsername || !pszPassword) return E_INVALIDARG;
  TCustomWebHost& host = Host();
  return host.AnswerControl(E_FAIL, [&] {
    HWND window = host.HandleAllocated() ? host.Handle() : nullptr;
    std::wstring userName, password;
    HRESULT rezult = S_OK;
    if (host.OnAuthenticate) host.OnAuthenticate(&host, window, userName, password, rezult);
    *phwnd = window;
    // The control frees the texts only when it is answered success.
    if (FAILED(rezult)) return rezult;
    // An empty text goes as none.
    auto copy = [](const std::wstring& text) {
      return TUniqueTaskMem(text.empty() ? nullptr : WideToTaskMemWide(text));
    };
    TUniqueTaskMem user = copy(userName), pass = copy(password);
    if ((!userName.empty() && !user) || (!password.empty() && !pass)) return E_OUTOFMEMORY;
    *pszUsername = static_cast<LPWSTR>(user.Release());
    *pszPassword = static_cast<LPWSTR>(pass.Release());
    return rezult;
  });
}

}  // namespace kvx
