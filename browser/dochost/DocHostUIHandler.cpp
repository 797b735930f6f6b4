// The document host's UI handler and show-UI: what the browser and its HTML
// engine ask about the document window (flags, keys, the context menu, URL
// translation, option keys, external object, data objects) and the message
// boxes and help it would show. Every answer comes from an option or from an
// event the application assigned; with nothing assigned the browser does
// what it does by itself.
#include "toolkit/Win.h"

#include "browser/dochost/WebHostCore.h"

#include "browser/dochost/DocHostEvents.h"
#include "browser/dochost/PlatformLibraries.h"
#include "core/Text.h"
#include "toolkit/TaskMemory.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/KeyState.h"
#include "toolkit/Menus.h"

#include <mshtmcid.h>
#include <shlguid.h>

#include <memory>

using Microsoft::WRL::ComPtr;

namespace kvx {
namespace {

// The menu resource of the browser's context menus (one submenu a kind) in
// the shell's document-view resource library (the platform SDK's
// IDR_BROWSE_CONTEXT_MENU, which MinGW's mshtmhst.h does not name).
constexpr WORD kContextMenuResource = 24641;
// The command that answers the encoding submenu: 27 of the document view's
// group CGID_ShellDocView (the platform SDK's SHDVID_GETMIMECSETMENU, unnamed
// in MinGW's headers), asked of the command target that comes with the
// context-menu request. ExecWB cannot carry it: it speaks the standard group,
// whose 27 is another command.
constexpr DWORD kEncodingMenuCommand = 27;
constexpr UINT kContextMenuTracking =
    TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_HORPOSANIMATION | TPM_VERPOSANIMATION;

// The record every answer starts from. Its size is the platform's: a 64-bit
// program's record is 32 bytes, with the style sheet and namespace pointers
// at 16 and 24 (a 32-bit one's is 20 bytes), and all of it is cleared, so
// the browser never reads a half-written pointer.
void StartHostInfo(DOCHOSTUIINFO& info, DWORD flags) noexcept {
  ZeroMemory(&info, sizeof info);
  info.cbSize = sizeof info;
  info.dwFlags = flags;
  info.dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
}

// The menu a VARIANT answer carries, by reference or by value; null when it
// carries none.
HMENU MenuOf(const VARIANT& value) noexcept {
  HMENU menu = nullptr;
  if (V_VT(&value) & VT_BYREF) {
    menu = static_cast<HMENU>(V_BYREF(&value));
  } else {
    switch (V_VT(&value)) {
      case VT_I4:
      case VT_UI4:
      case VT_INT:
      case VT_UINT:
        menu = reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(V_UI4(&value)));
        break;
      case VT_I8:
      case VT_UI8:
        menu = reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(V_UI8(&value)));
        break;
      default:
        break;
    }
  }
  return menu && IsMenu(menu) ? menu : nullptr;
}

// The encoding submenu the request's command target answers (given to the
// caller), or none: a target that refuses the command or answers no menu
// leaves the encoding item without a submenu.
TUniqueMenu EncodingMenu(IOleCommandTarget& target) noexcept {
  TVariant out;
  if (FAILED(target.Exec(&CGID_ShellDocView, kEncodingMenuCommand, OLECMDEXECOPT_DODEFAULT, nullptr,
                         out.Put())))
    return {};
  return TUniqueMenu(MenuOf(out.Get()));
}

}  // namespace

// --- the host's own operations -----------------------------------------------------------------

HRESULT TCustomWebHost::GetHostInfo(DOCHOSTUIINFO& info) {
  StartHostInfo(info, FHostUIFlags);
  RaiseEvent(this, OnGetHostInfo, info);
  return S_OK;
}

bool TCustomWebHost::IsMaskedCtrlShortcut(const MSG& message) {
  if (FDisableCtrlShortcuts.empty() || message.message != WM_KEYDOWN) return false;
  // AltGr is left Ctrl with right Alt: a character key, no shortcut.
  const bool control =
      (KeyDown(VK_LCONTROL) && !KeyDown(VK_MENU)) || (KeyDown(VK_RCONTROL) && !KeyDown(VK_LMENU));
  if (!control) return false;
  const char key = static_cast<char>(LOBYTE(message.wParam));
  if (CharPosition(key, FDisableCtrlShortcuts) == 0) return false;
  RaiseEvent(this, OnMaskedCtrlChar, key);
  return true;
}

bool TCustomWebHost::NeedsMenuFilter() {
  return static_cast<bool>(OnFilterPopupMenu);
}

void TCustomWebHost::FilterContextMenu(TObject* Sender, DWORD ID, HMENU Menu, IDispatch* Context) {
  if (!OnFilterPopupMenu) return;
  try {
    OnFilterPopupMenu(Sender, ID, Menu, Context);
  } catch (...) {
    Application().HandleException(this);
  }
}

HRESULT TCustomWebHost::ShowFilteredContextMenu(DWORD dwID, const POINT* ppt,
                                                IUnknown* commandTarget, IDispatch* context) {
  HMODULE resources = ShdoclcModule();
  if (!resources || !commandTarget) return S_FALSE;
  ComPtr<IOleCommandTarget> target;
  ComPtr<IOleWindow> window;
  HWND owner = nullptr;
  if (FAILED(commandTarget->QueryInterface(IID_PPV_ARGS(&target))) ||
      FAILED(commandTarget->QueryInterface(IID_PPV_ARGS(&window))) ||
      FAILED(window->GetWindow(&owner)) || !owner)
    return S_FALSE;
  TUniqueMenu menus(LoadMenuW(resources, MAKEINTRESOURCEW(kContextMenuResource)));
  if (!menus) return S_FALSE;
  HMENU menu = GetSubMenu(menus.Get(), static_cast<int>(dwID));
  if (!menu) return S_FALSE;
  if (TUniqueMenu encoding = EncodingMenu(*target.Get())) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_SUBMENU;
    item.hSubMenu = encoding.Get();
    // Once attached it goes with the menu.
    if (SetMenuItemInfoW(menu, IDM_LANGUAGE, FALSE, &item)) encoding.Release();
  }
  const std::weak_ptr<const void> life = LifeToken();
  FilterContextMenu(this, dwID, menu, context);
  // A filter that freed the component leaves no menu to show: the browser
  // shows none either.
  if (life.expired()) return S_OK;
  POINT at{};
  if (ppt) {
    at = *ppt;
  } else {
    GetCursorPos(&at);
  }
  const UINT command =
      static_cast<UINT>(TrackPopupMenuEx(menu, kContextMenuTracking, at.x, at.y, owner, nullptr));
  if (command) SendMessageW(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
  return S_OK;
}

// --- IDocHostUIHandler2
// --------------------------------------------------------------------------- While the host shuts
// down no event is raised: each operation answers as with nothing assigned.

STDMETHODIMP TDocHostUIHandler::ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved,
                                                IDispatch* pdispReserved) noexcept {
  TCustomWebHost& host = Host();
  if (host.ShuttingDown()) return S_FALSE;
  const std::weak_ptr<const void> life = host.LifeToken();
  try {
    HRESULT result = E_NOTIMPL;
    RaiseEvent(&host, host.OnShowContextMenu, dwID, ppt, pcmdtReserved, pdispReserved, result);
    if (result != E_NOTIMPL) return result;
    // A handler that freed the component: no menu over a host that is gone.
    if (life.expired()) return S_OK;
    const TIEPopupMenuSet blocked = host.FDisabledPopupMenus;
    if (blocked.Contains(TIEPopupMenus::rcmAll) ||
        (dwID < static_cast<DWORD>(TIEPopupMenus::rcmAll) &&
         blocked.Contains(static_cast<TIEPopupMenus>(dwID)))) {
      if (TPopupMenu* menu = host.PopupMenu()) {
        // The browser shows nothing whatever the chosen item's handler does.
        try {
          POINT cursor{};
          GetCursorPos(&cursor);
          menu->Popup(cursor.x, cursor.y);
        } catch (...) {
          Application().HandleException(life.expired() ? nullptr : &host);
        }
      }
      return S_OK;
    }
    if (host.NeedsMenuFilter())
      return host.ShowFilteredContextMenu(dwID, ppt, pcmdtReserved, pdispReserved);
    return S_FALSE;
  } catch (...) {
    Application().HandleException(life.expired() ? nullptr : &host);
    return S_FALSE;
  }
}

STDMETHODIMP TDocHostUIHandler::GetHostInfo(DOCHOSTUIINFO* pInfo) noexcept {
  if (!pInfo) return E_POINTER;
  TCustomWebHost& host = Host();
  StartHostInfo(*pInfo, host.FHostUIFlags);
  if (host.ShuttingDown()) return S_OK;
  try {
    return host.GetHostInfo(*pInfo);
  } catch (...) {
    Application().HandleException(&host);
    return S_OK;
  }
}

STDMETHODIMP TDocHostUIHandler::ShowUI(DWORD dwID, IOleInPlaceActiveObject* pActiveObject,
                                       IOleCommandTarget* pCommandTarget, IOleInPlaceFrame* pFrame,
                                       IOleInPlaceUIWindow* pDoc) noexcept {
  TCustomWebHost& host = Host();
  HRESULT rezult = S_FALSE;
  if (!host.ShuttingDown())
    RaiseEvent(&host, host.OnShowUI, dwID, pActiveObject, pCommandTarget, pFrame, pDoc, rezult);
  return rezult;
}

STDMETHODIMP TDocHostUIHandler::HideUI() noexcept {
  TCustomWebHost& host = Host();
  HRESULT rezult = S_FALSE;
  if (!host.ShuttingDown()) RaiseEvent(&host, host.OnHideUI, rezult);
  return rezult;
}

STDMETHODIMP TDocHostUIHandler::UpdateUI() noexcept {
  TCustomWebHost& host = Host();
  HRESULT rezult = S_FALSE;
  if (!host.ShuttingDown()) RaiseEvent(&host, host.OnUpdateUI, rezult);
  return rezult;
}

STDMETHODIMP TDocHostUIHandler::EnableModeless(BOOL fEnable) noexcept {
  TCustomWebHost& host = Host();
  if (!host.ShuttingDown()) RaiseEvent(&host, host.OnEnableModeless, fEnable);
  return S_OK;
}

STDMETHODIMP TDocHostUIHandler::OnDocWindowActivate(BOOL fActivate) noexcept {
  TCustomWebHost& host = Host();
  if (!host.ShuttingDown()) RaiseEvent(&host, host.OnOnDocWindowActivate, fActivate);
  return S_OK;
}

STDMETHODIMP TDocHostUIHandler::OnFrameWindowActivate(BOOL fActivate) noexcept {
  TCustomWebHost& host = Host();
  if (!host.ShuttingDown()) RaiseEvent(&host, host.OnOnFrameWindowActivate, fActivate);
  return S_OK;
}

STDMETHODIMP TDocHostUIHandler::ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow,
                                             BOOL fRameWindow) noexcept {
  TCustomWebHost& host = Host();
  if (!host.ShuttingDown())
    RaiseEvent(&host, host.OnResizeBorder, prcBorder, pUIWindow, fRameWindow);
  return S_OK;
}

STDMETHODIMP TDocHostUIHandler::TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup,
                                                     DWORD nCmdID) noexcept {
  TCustomWebHost& host = Host();
  if (host.ShuttingDown()) return S_FALSE;
  try {
    bool done = lpMsg && host.IsMaskedCtrlShortcut(*lpMsg);
    if (!done) RaiseEvent(&host, host.OnTranslateAccelerator, lpMsg, pguidCmdGroup, nCmdID, done);
    return done ? S_OK : S_FALSE;
  } catch (...) {
    Application().HandleException(&host);
    return S_FALSE;
  }
}

namespace {

// An option key path in task memory for the browser, which frees it.
HRESULT AnswerKeyPath(const std::string& path, LPOLESTR* pchKey) noexcept {
  if (path.empty()) return S_FALSE;
  *pchKey = AnsiToTaskMemWide(path);
  return *pchKey ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

STDMETHODIMP TDocHostUIHandler::GetOptionKeyPath(LPOLESTR* pchKey, DWORD) noexcept {
  if (!pchKey) return E_POINTER;
  *pchKey = nullptr;
  TCustomWebHost& host = Host();
  if (host.FOverrideOptionKeyPath) return S_FALSE;
  return AnswerKeyPath(host.FOptionKeyPath, pchKey);
}

STDMETHODIMP TDocHostUIHandler::GetOverrideKeyPath(LPOLESTR* pchKey, DWORD) noexcept {
  if (!pchKey) return E_POINTER;
  *pchKey = nullptr;
  TCustomWebHost& host = Host();
  if (!host.FOverrideOptionKeyPath) return S_FALSE;
  return AnswerKeyPath(host.FOptionKeyPath, pchKey);
}

STDMETHODIMP TDocHostUIHandler::GetDropTarget(IDropTarget*, IDropTarget** ppDropTarget) noexcept {
  if (!ppDropTarget) return E_POINTER;
  *ppDropTarget = nullptr;
  TCustomWebHost& host = Host();
  if (host.ShuttingDown()) return E_NOTIMPL;
  try {
    switch (host.FDropHandlingType) {
      case TDragDropHandlingType::ddtMS:
        // The control keeps its own drop target.
        host.BrowserInterface()->put_RegisterAsDropTarget(VARIANT_TRUE);
        return E_NOTIMPL;
      case TDragDropHandlingType::ddtNo:
        host.BrowserInterface()->put_RegisterAsDropTarget(VARIANT_FALSE);
        return S_OK;
      case TDragDropHandlingType::ddtMy:
      case TDragDropHandlingType::ddtCustom:
        *ppDropTarget = host.DropTargetForType(true).Detach();
        return S_OK;
    }
    return E_NOTIMPL;
  } catch (...) {
    Application().HandleException(&host);
    return E_NOTIMPL;
  }
}

STDMETHODIMP TDocHostUIHandler::GetExternal(IDispatch** ppDispatch) noexcept {
  if (!ppDispatch) return E_POINTER;
  *ppDispatch = nullptr;
  TCustomWebHost& host = Host();
  if (host.ShuttingDown()) return S_FALSE;
  ComPtr<IDispatch> external;
  RaiseEvent(&host, host.OnGetExternal, external);
  *ppDispatch = external.Detach();
  return *ppDispatch ? S_OK : S_FALSE;
}

STDMETHODIMP TDocHostUIHandler::TranslateUrl(DWORD, LPWSTR pchURLIn, LPWSTR* ppchURLOut) noexcept {
  if (!ppchURLOut) return E_POINTER;
  // An out-parameter: the browser finds null, never what it passed in,
  // when nothing is handed out.
  *ppchURLOut = nullptr;
  TCustomWebHost& host = Host();
  if (host.ShuttingDown() || !host.OnTranslateUrl) return S_FALSE;
  std::wstring translated;
  RaiseEvent(&host, host.OnTranslateUrl, static_cast<const wchar_t*>(pchURLIn), translated);
  if (translated.empty()) return S_FALSE;
  *ppchURLOut = WideToTaskMemWide(translated);
  return *ppchURLOut ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP TDocHostUIHandler::FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) noexcept {
  if (!ppDORet) return E_POINTER;
  *ppDORet = nullptr;
  TCustomWebHost& host = Host();
  if (host.ShuttingDown()) return S_FALSE;
  ComPtr<IDataObject> replacement;
  RaiseEvent(&host, host.OnFilterDataObject, pDO, replacement);
  *ppDORet = replacement.Detach();
  return *ppDORet ? S_OK : S_FALSE;
}

// --- IDocHostShowUI
// --------------------------------------------------------------------------------

STDMETHODIMP TDocHostShowUI::ShowMessage(HWND hwnd, LPOLESTR lpstrText, LPOLESTR lpstrCaption,
                                         DWORD dwType, LPOLESTR lpstrHelpFile, DWORD dwHelpContext,
                                         LRESULT* plResult) noexcept {
  if (plResult) *plResult = 0;
  TCustomWebHost& host = Host();
  if (host.ShuttingDown() || !host.OnShowMessage) return S_FALSE;
  try {
    LRESULT result = 0;
    const HRESULT answer = host.OnShowMessage(&host, hwnd, lpstrText, lpstrCaption, dwType,
                                              lpstrHelpFile, dwHelpContext, result);
    if (plResult) *plResult = result;
    return answer;
  } catch (...) {
    Application().HandleException(&host);
    return S_FALSE;
  }
}

STDMETHODIMP TDocHostShowUI::ShowHelp(HWND hwnd, LPOLESTR pszHelpFile, UINT uCommand, DWORD dwData,
                                      POINT ptMouse, IDispatch* pDispatchObjectHit) noexcept {
  TCustomWebHost& host = Host();
  if (host.ShuttingDown()) return S_FALSE;
  try {
    if (host.OnShowHelpRequest) {
      ComPtr<IDispatch> hit(pDispatchObjectHit);
      return host.OnShowHelpRequest(&host, hwnd, pszHelpFile, uCommand, dwData, ptMouse, hit);
    }
    // A help file the browser names is the browser's to open.
    if (pszHelpFile || host.FHelpFile.empty()) return S_FALSE;
    CallHtmlHelp(hwnd, host.FHelpFile, uCommand, dwData);
    return S_OK;
  } catch (...) {
    Application().HandleException(&host);
    return S_FALSE;
  }
}

}  // namespace kvx
