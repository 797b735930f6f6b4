// The document host's command target: the browser's unload and pre-refresh
// notices, its script errors, its refresh commands, and every other command
// it sends its host.
#include "toolkit/Win.h"

#include "browser/dochost/WebHostCore.h"

#include "browser/dochost/DocHostEvents.h"
#include "browser/activex/OleError.h"
#include "core/CodePage.h"
#include "toolkit/Handles.h"

#include <mshtmcid.h>
#include <mshtml.h>
#include <shlguid.h>

#include <memory>
#include <string>

using Microsoft::WRL::ComPtr;

// MinGW-w64's libuuid lacks the document host's command group.
extern "C" const GUID DECLSPEC_SELECTANY CGID_DocHostCommandHandler = {
    0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};

namespace kvx {
namespace {

// A refresh command the browser sends in the document host's command group
// between IDM_REFRESH and IDM_REFRESH_THIS; MinGW's mshtmcid.h leaves it unnamed.
constexpr DWORD kUnnamedRefreshCommand = 6041;

// The browser's refresh commands in the document host's command group.
bool IsRefreshCommand(DWORD command) noexcept {
  return command == IDM_REFRESH || command == kUnnamedRefreshCommand || command == IDM_REFRESH_THIS;
}

// One property of a script error's event object, read by name, as 8-bit text.
std::string ScriptErrorText(IDispatch& event, const wchar_t* name) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = event.GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
  if (FAILED(hr)) throw EOleError(hr, "'" + WideToGbk(name) + "' is not supported.");
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  TExcepInfo exception;
  TVariant value;
  hr = event.Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none, &value,
                    &exception, nullptr);
  if (hr == DISP_E_EXCEPTION) OleExceptionError(hr, exception);
  OleCheck(hr);
  if (value.Type() == VT_EMPTY || value.Type() == VT_NULL) return {};
  TVariant text;
  OleCheck(VariantChangeType(&text, &value, 0, VT_BSTR));
  BSTR chars = V_BSTR(&text.Get());
  return chars ? WideToGbk(std::wstring_view(chars, SysStringLen(chars))) : std::string();
}

struct TScriptErrorTexts {
  std::string Line, Character, Code, Message, Url;
};

// The texts of the script error that the document's window holds as its
// current event; false when the document, its window or the event is missing.
bool ReadScriptError(const VARIANT* vaIn, TScriptErrorTexts& texts) {
  if (!vaIn) return false;
  IUnknown* carried = nullptr;
  if (V_VT(vaIn) == VT_UNKNOWN) carried = V_UNKNOWN(vaIn);
  if (V_VT(vaIn) == VT_DISPATCH) carried = V_DISPATCH(vaIn);
  ComPtr<IHTMLDocument2> document;
  if (!carried || FAILED(carried->QueryInterface(IID_PPV_ARGS(&document))) || !document)
    return false;
  IHTMLWindow2* rawWindow = nullptr;
  if (FAILED(document->get_parentWindow(&rawWindow)) || !rawWindow) return false;
  ComPtr<IHTMLWindow2> window = AdoptReference(rawWindow);
  IHTMLEventObj* rawEvent = nullptr;
  if (FAILED(window->get_event(&rawEvent)) || !rawEvent) return false;
  ComPtr<IHTMLEventObj> event = AdoptReference(rawEvent);
  texts.Character = ScriptErrorText(*event.Get(), L"errorCharacter");
  texts.Code = ScriptErrorText(*event.Get(), L"errorCode");
  texts.Message = ScriptErrorText(*event.Get(), L"errorMessage");
  texts.Url = ScriptErrorText(*event.Get(), L"errorUrl");
  texts.Line = ScriptErrorText(*event.Get(), L"errorline");
  return true;
}

// The answer to a script error: go on running scripts, stop them, or (S_FALSE)
// let the browser ask the user.
HRESULT AnswerScriptError(TScriptErrorAction action, VARIANT* vaOut) noexcept {
  if (action == TScriptErrorAction::eaAskUser) return S_FALSE;
  if (vaOut) {
    VariantClear(vaOut);
    *vaOut = TVariant(action == TScriptErrorAction::eaContinue).Release();
  }
  return S_OK;
}

}  // namespace

HRESULT TCustomWebHost::HandleScriptError(const VARIANT* vaIn, VARIANT* vaOut) {
  // The action this error is answered with; what the event changes answers
  // the next one.
  const HRESULT answer = AnswerScriptError(FScriptErrorAction, vaOut);
  if (OnScriptError) {
    try {
      TScriptErrorTexts texts;
      if (ReadScriptError(vaIn, texts))
        OnScriptError(this, texts.Line, texts.Character, texts.Code, texts.Message, texts.Url,
                      FScriptErrorAction);
    } catch (...) {
      Application().HandleException(this);
    }
  }
  return answer;
}

// --- IOleCommandTarget
// ----------------------------------------------------------------------------

STDMETHODIMP TDocHostCommandTarget::QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) noexcept {
  return S_OK;
}

STDMETHODIMP TDocHostCommandTarget::Exec(const GUID* pguidCmdGroup, DWORD nCmdID, DWORD nCmdexecopt,
                                         VARIANT* pvaIn, VARIANT* pvaOut) noexcept {
  TCustomWebHost& host = Host();
  HRESULT result = OLECMDERR_E_NOTSUPPORTED;
  if (host.ShuttingDown()) {
    // No event runs now, but a page's unload scripts may still fail: their
    // errors get the option's answer, so no dialog shows while the host ends.
    const bool scriptError = pguidCmdGroup && *pguidCmdGroup == CGID_DocHostCommandHandler &&
                             nCmdID == OLECMDID_SHOWSCRIPTERROR;
    return scriptError ? AnswerScriptError(host.FScriptErrorAction, pvaOut) : result;
  }
  const std::weak_ptr<const void> life = host.LifeToken();
  try {
    if (pguidCmdGroup && *pguidCmdGroup == CGID_Explorer) {
      if (nCmdID == OLECMDID_ONUNLOAD && host.OnUnload) {
        RaiseEvent(&host, host.OnUnload);
        return S_OK;
      }
      // The document's inner windows are there to be hooked now.
      if (nCmdID == OLECMDID_PREREFRESH &&
          (host.FindChildWindowByClass(L"Internet Explorer_Server") ||
           host.FindChildWindowByClass(L"SysListView32"))) {
        RaiseEvent(&host, host.FInnerWindowHook);
        if (life.expired()) return result;
      }
    } else if (pguidCmdGroup && *pguidCmdGroup == CGID_DocHostCommandHandler) {
      if (nCmdID == OLECMDID_SHOWSCRIPTERROR) return host.HandleScriptError(pvaIn, pvaOut);
      if (IsRefreshCommand(nCmdID)) {
        if (!host.OnRefresh) return OLECMDERR_E_NOTSUPPORTED;
        bool cancel = false;
        RaiseEvent(&host, host.OnRefresh, static_cast<int>(nCmdID), cancel);
        return cancel ? S_OK : OLECMDERR_E_NOTSUPPORTED;
      }
    }
    RaiseEvent(&host, host.OnCommandExec, pguidCmdGroup, nCmdID, nCmdexecopt,
               static_cast<const VARIANT*>(pvaIn), pvaOut, result);
  } catch (...) {
    Application().HandleException(&host);
  }
  return result;
}

}  // namespace kvx
