#include "toolkit/Win.h"

#include "app/KioskOptions.h"

#include "app/ShellTexts.h"
#include "browser/settings/DocumentMode.h"
#include "browser/dochost/WebHostCore.h"
#include "core/CodePage.h"
#include "toolkit/Application.h"

#include <wrl/client.h>

#include <string_view>
#include <utility>

namespace kvx {
namespace {

std::wstring_view TextOf(const wchar_t* text) {
  return text ? std::wstring_view(text) : std::wstring_view();
}

// A new window whose address is known. Unless the platform is to open it,
// `refuse` keeps its window from opening before the shell acts: the close
// path may end the run, and the control must have its answer whatever the
// user says.
template <class Refuse>
void SettleNewWindow(TCustomWebHost& browser, TNewWindowMode mode, std::wstring_view url,
                     DWORD flags, const std::function<void()>& closeRequested, Refuse refuse) {
  const TNewWindowAction action =
      DecideNewWindow(mode, WideToGbk(url), (flags & NWMF_HTMLDIALOG) != 0);
  if (action == TNewWindowAction::naAllow) return;
  refuse();
  if (action == TNewWindowAction::naClose) {
    closeRequested();
  } else if (action == TNewWindowAction::naOpenHere) {
    try {
      browser.Navigate(std::wstring(url));
    } catch (...) {
      // As with any address the shell is handed: the page stays as it was.
    }
  }
}

}  // namespace

TKioskOptionTexts ReadKioskOptions(const TProfileReader& ini) {
  const std::string section = WideToGbk(BrowserSection);
  return {ini.ReadString(section, WideToGbk(DocumentModeKey), ""),
          ini.ReadString(section, WideToGbk(NewWindowKey), "")};
}

TKioskOptions::TKioskOptions(const TKioskOptionTexts& texts, TSettingsJournal& journal) {
  TDocumentModeResult documentMode = HoldDocumentModeOption(texts.DocumentMode, journal);
  FDocumentMode = std::move(documentMode.Hold);
  TNewWindowOption newWindow = ParseNewWindowOption(texts.NewWindow);
  FNewWindowMode = newWindow.Mode;
  for (const std::string* error : {&documentMode.Error, &newWindow.Error}) {
    if (error->empty()) continue;
    if (!FErrors.empty()) FErrors += "\r\n\r\n";
    FErrors += *error;
  }
}

void TKioskOptions::ReportErrors() {
  if (FReported || FErrors.empty()) return;
  FReported = true;
  Application().ShowMessageBox(FErrors, WideToGbk(texts::NoticeTitle), MB_OK | MB_ICONWARNING);
}

void RouteNewWindows(TCustomWebHost& browser, TNewWindowMode mode,
                     std::function<void()> closeRequested) {
  if (mode == TNewWindowMode::nwDefault) return;

  // Engines that keep pop-ups in check ask the host first, with the address.
  browser.OnEvaluateNewWindow = [&browser, mode, closeRequested](
                                    TCustomWebHost*, const wchar_t* pszUrl, const wchar_t*,
                                    const wchar_t*, const wchar_t*, BOOL, DWORD dwFlags, DWORD,
                                    HRESULT& Rezult) {
    SettleNewWindow(browser, mode, TextOf(pszUrl), dwFlags, closeRequested,
                    [&] { Rezult = S_FALSE; });
  };

  browser.OnNewWindow3 = [&browser, mode, closeRequested](
                             TObject*, IDispatch**, VARIANT_BOOL* Cancel, std::uint32_t dwFlags,
                             BSTR, BSTR bstrUrl) {
    const std::wstring_view url =
        bstrUrl ? std::wstring_view(bstrUrl, SysStringLen(bstrUrl)) : std::wstring_view();
    SettleNewWindow(browser, mode, url, dwFlags, closeRequested, [&] {
      if (Cancel) *Cancel = VARIANT_TRUE;
    });
  };

  // Controls without the address-carrying event tell no address. Blocked,
  // the window is refused. In the shell's window, the shell's own browser is
  // handed over as the new window's browser: the address loads there and is
  // announced to its before-navigation handler like any other (the close
  // address included), and nothing opens outside the shell. A control that
  // offers both events may ask this one first; its address-carrying event
  // then settles the window all the same.
  browser.OnNewWindow2 = [&browser, mode](TObject*, IDispatch** ppDisp, VARIANT_BOOL* Cancel) {
    if (mode == TNewWindowMode::nwOwnWindow && ppDisp) {
      try {
        Microsoft::WRL::ComPtr<IDispatch> own = browser.ApplicationObject();
        if (own) {
          if (*ppDisp) (*ppDisp)->Release();  // ours to replace: the control takes what we leave
          *ppDisp = own.Detach();
          return;
        }
      } catch (...) {
        // Without the shell's own browser to hand over, nothing opens.
      }
    }
    if (Cancel) *Cancel = VARIANT_TRUE;
  };
}

}  // namespace kvx
