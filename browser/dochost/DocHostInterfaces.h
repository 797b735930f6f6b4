#pragma once
// The interfaces the document host offers the browser control besides the
// container site: each is an object of its own (a tear-off sharing the host's
// identity and count), implemented in the file of its concern:
//   DocHostUIHandler.cpp  the UI handler and the browser's message boxes and help
//   DocHostCommands.cpp   the command target: unload, refresh, script errors
//   DocHostServices.cpp   the service provider and the services it hands out
//   DocHostDrop.cpp       the host's own drop target

#include "toolkit/Win.h"

#include "browser/activex/ActiveXSite.h"

#include <docobj.h>
#include <downloadmgr.h>
#include <mshtmhst.h>
#include <mshtmdid.h>
#include <mshtml.h>
#include <shobjidl.h>
#include <urlmon.h>

namespace kvx {

class TCustomWebHost;

// A tear-off that knows the document host it belongs to.
template <class Interface>
class TDocHostTearOff : public TSiteTearOff<Interface> {
 public:
  explicit TDocHostTearOff(TCustomWebHost& host) noexcept;

 protected:
  ~TDocHostTearOff() = default;
  TCustomWebHost& Host() const noexcept { return FHost; }

 private:
  TCustomWebHost& FHost;
};

class TDocHostUIHandler final : public TDocHostTearOff<IDocHostUIHandler2> {
 public:
  using TDocHostTearOff::TDocHostTearOff;
  STDMETHODIMP ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved,
                               IDispatch* pdispReserved) noexcept override;
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* pInfo) noexcept override;
  STDMETHODIMP ShowUI(DWORD dwID, IOleInPlaceActiveObject* pActiveObject,
                      IOleCommandTarget* pCommandTarget, IOleInPlaceFrame* pFrame,
                      IOleInPlaceUIWindow* pDoc) noexcept override;
  STDMETHODIMP HideUI() noexcept override;
  STDMETHODIMP UpdateUI() noexcept override;
  STDMETHODIMP EnableModeless(BOOL fEnable) noexcept override;
  STDMETHODIMP OnDocWindowActivate(BOOL fActivate) noexcept override;
  STDMETHODIMP OnFrameWindowActivate(BOOL fActivate) noexcept override;
  STDMETHODIMP ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow,
                            BOOL fRameWindow) noexcept override;
  STDMETHODIMP TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup,
                                    DWORD nCmdID) noexcept override;
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* pchKey, DWORD dw) noexcept override;
  STDMETHODIMP GetDropTarget(IDropTarget* pDropTarget,
                             IDropTarget** ppDropTarget) noexcept override;
  STDMETHODIMP GetExternal(IDispatch** ppDispatch) noexcept override;
  STDMETHODIMP TranslateUrl(DWORD dwTranslate, LPWSTR pchURLIn,
                            LPWSTR* ppchURLOut) noexcept override;
  STDMETHODIMP FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) noexcept override;
  STDMETHODIMP GetOverrideKeyPath(LPOLESTR* pchKey, DWORD dw) noexcept override;
};

class TDocHostShowUI final : public TDocHostTearOff<IDocHostShowUI> {
 public:
  using TDocHostTearOff::TDocHostTearOff;
  STDMETHODIMP ShowMessage(HWND hwnd, LPOLESTR lpstrText, LPOLESTR lpstrCaption, DWORD dwType,
                           LPOLESTR lpstrHelpFile, DWORD dwHelpContext,
                           LRESULT* plResult) noexcept override;
  STDMETHODIMP ShowHelp(HWND hwnd, LPOLESTR pszHelpFile, UINT uCommand, DWORD dwData, POINT ptMouse,
                        IDispatch* pDispatchObjectHit) noexcept override;
};

class TDocHostCommandTarget final : public TDocHostTearOff<IOleCommandTarget> {
 public:
  using TDocHostTearOff::TDocHostTearOff;
  STDMETHODIMP QueryStatus(const GUID* pguidCmdGroup, ULONG cCmds, OLECMD* prgCmds,
                           OLECMDTEXT* pCmdText) noexcept override;
  STDMETHODIMP Exec(const GUID* pguidCmdGroup, DWORD nCmdID, DWORD nCmdexecopt, VARIANT* pvaIn,
                    VARIANT* pvaOut) noexcept override;
};

class TDocHostServiceProvider final : public TDocHostTearOff<IServiceProvider> {
 public:
  using TDocHostTearOff::TDocHostTearOff;
  STDMETHODIMP QueryService(REFGUID guidService, REFIID riid, void** ppv) noexcept override;
};

class TDocHostNewWindowManager final : public TDocHostTearOff<INewWindowManager> {
 public:
  using TDocHostTearOff::TDocHostTearOff;
  STDMETHODIMP EvaluateNewWindow(LPCWSTR pszUrl, LPCWSTR pszName, LPCWSTR pszUrlContext,
                                 LPCWSTR pszFeatures, BOOL fReplace, DWORD dwFlags,
                                 DWORD dwUserActionTime) noexcept override;
};

class TDocHostProtectFocus final : public TDocHostTearOff<IProtectFocus> {
 public:
  using TDocHostTearOff::TDocHostTearOff;
  STDMETHODIMP AllowFocusChange(BOOL* pfAllow) noexcept override;
};

class TDocHostDownloadManager final : public TDocHostTearOff<IDownloadManager> {
 public:
  using TDocHostTearOff::TDocHostTearOff;
  STDMETHODIMP Download(IMoniker* pmk, IBindCtx* pbc, DWORD dwBindVerb, LONG grfBINDF,
                        BINDINFO* pBindInfo, LPCOLESTR pszHeaders, LPCOLESTR pszRedir,
                        UINT uiCP) noexcept override;
};

class TDocHostBehaviorInit final : public TDocHostTearOff<IHostBehaviorInit> {
 public:
  using TDocHostTearOff::TDocHostTearOff;
  STDMETHODIMP PopulateNamespaceTable() noexcept override;
};

class TDocHostWindowServices final : public TDocHostTearOff<IHTMLOMWindowServices> {
 public:
  using TDocHostTearOff::TDocHostTearOff;
  STDMETHODIMP moveTo(LONG x, LONG y) noexcept override;
  STDMETHODIMP moveBy(LONG x, LONG y) noexcept override;
  STDMETHODIMP resizeTo(LONG x, LONG y) noexcept override;
  STDMETHODIMP resizeBy(LONG x, LONG y) noexcept override;
};

class TDocHostZoomEvents final : public TDocHostTearOff<IZoomEvents> {
 public:
  using TDocHostTearOff::TDocHostTearOff;
  STDMETHODIMP OnZoomPercentChanged(ULONG ulZoomPercent) noexcept override;
};

class TDocHostAuthenticate final : public TDocHostTearOff<IAuthenticate> {
 public:
  using TDocHostTearOff::TDocHostTearOff;
  STDMETHODIMP Authenticate(HWND* phwnd, LPWSTR* pszUsername,
                            LPWSTR* pszPassword) noexcept override;
};

class TDocHostDropTarget final : public TDocHostTearOff<IDropTarget> {
 public:
  using TDocHostTearOff::TDocHostTearOff;
  STDMETHODIMP DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt,
                         DWORD* pdwEffect) noexcept override;
  STDMETHODIMP DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) noexcept override;
  STDMETHODIMP DragLeave() noexcept override;
  STDMETHODIMP Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt,
                    DWORD* pdwEffect) noexcept override;
};

}  // namespace kvx
