#pragma once
// The typed wrapper of the platform's WebBrowser control: its description
// (class, event interface, which event feeds which handler slot), its
// properties by DISPID, navigation and commands, and 34 event slots.

#include "toolkit/Win.h"

#include "browser/activex/ActiveXHost.h"

#include <exdisp.h>
#include <wrl/client.h>

#include <cstdint>
#include <functional>
#include <string>

namespace kvx {

// Handler types of the control's events (sender first, then the event's
// arguments in declaration order). Texts are the control's BSTRs, valid for
// the call; pointers lead into the control's own argument storage.
using TBrowserStatusTextChange = std::function<void(TObject* ASender, BSTR Text)>;
using TBrowserProgressChange =
    std::function<void(TObject* ASender, std::int32_t Progress, std::int32_t ProgressMax)>;
using TBrowserCommandStateChange =
    std::function<void(TObject* ASender, std::int32_t Command, VARIANT_BOOL Enable)>;
using TBrowserTitleChange = std::function<void(TObject* ASender, BSTR Text)>;
using TBrowserPropertyChange = std::function<void(TObject* ASender, BSTR szProperty)>;
using TBrowserBeforeNavigate2 = std::function<void(
    TObject* ASender, IDispatch* pDisp, VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
    VARIANT* PostData, VARIANT* Headers, VARIANT_BOOL* Cancel)>;
using TBrowserNewWindow2 =
    std::function<void(TObject* ASender, IDispatch** ppDisp, VARIANT_BOOL* Cancel)>;
using TBrowserNavigateComplete2 =
    std::function<void(TObject* ASender, IDispatch* pDisp, VARIANT* URL)>;
using TBrowserDocumentComplete =
    std::function<void(TObject* ASender, IDispatch* pDisp, VARIANT* URL)>;
using TBrowserOnVisible = std::function<void(TObject* ASender, VARIANT_BOOL Visible)>;
using TBrowserOnToolBar = std::function<void(TObject* ASender, VARIANT_BOOL ToolBar)>;
using TBrowserOnMenuBar = std::function<void(TObject* ASender, VARIANT_BOOL MenuBar)>;
using TBrowserOnStatusBar = std::function<void(TObject* ASender, VARIANT_BOOL StatusBar)>;
using TBrowserOnFullScreen = std::function<void(TObject* ASender, VARIANT_BOOL FullScreen)>;
using TBrowserOnTheaterMode = std::function<void(TObject* ASender, VARIANT_BOOL TheaterMode)>;
using TBrowserOnAddressBar = std::function<void(TObject* ASender, VARIANT_BOOL AddressBar)>;
using TBrowserWindowSetResizable = std::function<void(TObject* ASender, VARIANT_BOOL Resizable)>;
using TBrowserWindowSetLeft = std::function<void(TObject* ASender, std::int32_t Left)>;
using TBrowserWindowSetTop = std::function<void(TObject* ASender, std::int32_t Top)>;
using TBrowserWindowSetWidth = std::function<void(TObject* ASender, std::int32_t Width)>;
using TBrowserWindowSetHeight = std::function<void(TObject* ASender, std::int32_t Height)>;
using TBrowserWindowClosing =
    std::function<void(TObject* ASender, VARIANT_BOOL IsChildWindow, VARIANT_BOOL* Cancel)>;
using TBrowserClientToHostWindow =
    std::function<void(TObject* ASender, std::int32_t* CX, std::int32_t* CY)>;
using TBrowserSetSecureLockIcon =
    std::function<void(TObject* ASender, std::int32_t SecureLockIcon)>;
using TBrowserFileDownload = std::function<void(TObject* ASender, VARIANT_BOOL* Cancel)>;
using TBrowserNavigateError =
    std::function<void(TObject* ASender, IDispatch* pDisp, VARIANT* URL, VARIANT* Frame,
                       VARIANT* StatusCode, VARIANT_BOOL* Cancel)>;
using TBrowserPrintTemplateInstantiation = std::function<void(TObject* ASender, IDispatch* pDisp)>;
using TBrowserPrintTemplateTeardown = std::function<void(TObject* ASender, IDispatch* pDisp)>;
using TBrowserUpdatePageStatus =
    std::function<void(TObject* ASender, IDispatch* pDisp, VARIANT* nPage, VARIANT* fDone)>;
using TBrowserPrivacyImpactedStateChange =
    std::function<void(TObject* ASender, VARIANT_BOOL bImpacted)>;
using TBrowserNewWindow3 =
    std::function<void(TObject* ASender, IDispatch** ppDisp, VARIANT_BOOL* Cancel,
                       std::uint32_t dwFlags, BSTR bstrUrlContext, BSTR bstrUrl)>;

// DISPIDs of the control's properties (IWebBrowser2's: the platform's
// headers name none of them but the ready state).
inline constexpr DISPID dispidApplication = 200;
inline constexpr DISPID dispidDocument = 203;
inline constexpr DISPID dispidBusy = 212;
inline constexpr DISPID dispidReadyState = DISPID_READYSTATE;
inline constexpr DISPID dispidVisible = 402;
inline constexpr DISPID dispidStatusBar = 403;
inline constexpr DISPID dispidStatusText = 404;
inline constexpr DISPID dispidToolBar = 405;
inline constexpr DISPID dispidMenuBar = 406;
inline constexpr DISPID dispidFullScreen = 407;
inline constexpr DISPID dispidOffline = 550;
inline constexpr DISPID dispidSilent = 551;
inline constexpr DISPID dispidRegisterAsBrowser = 552;
inline constexpr DISPID dispidRegisterAsDropTarget = 553;
inline constexpr DISPID dispidTheaterMode = 554;
inline constexpr DISPID dispidAddressBar = 555;
inline constexpr DISPID dispidResizable = 556;

extern TControlDescription WebBrowserDescription;

class TBrowserControl : public TActiveXHost {
 public:
  explicit TBrowserControl(TWinControl* parent);
  ~TBrowserControl() override;

  // Attaches WebBrowserDescription and records where this class's handler
  // slots are; runs before the host uses the description.
  static TControlDescription& AttachDescription();

  // The control's IWebBrowser2, fetched once and kept.
  Microsoft::WRL::ComPtr<IWebBrowser2> BrowserInterface();

  // The short form leaves Flags, TargetFrameName and Headers missing and
  // PostData empty; the full form passes the caller's variants unchanged.
  void Navigate(const std::wstring& url);
  void Navigate(const std::wstring& url, VARIANT& flags, VARIANT& targetFrameName,
                VARIANT& postData, VARIANT& headers);
  void Navigate2(VARIANT& url, VARIANT& flags, VARIANT& targetFrameName, VARIANT& postData,
                 VARIANT& headers);
  void ExecWB(OLECMDID cmdID, OLECMDEXECOPT cmdexecopt, VARIANT& pvaIn);

  // Run-time properties, always fresh from the control. The control's
  // Application object has a name of its own, so that the toolkit's
  // Application() stays reachable in every class of the host chain.
  Microsoft::WRL::ComPtr<IDispatch> ApplicationObject() {
    return GetDispatchProperty(dispidApplication);
  }
  Microsoft::WRL::ComPtr<IDispatch> Document() { return GetDispatchProperty(dispidDocument); }
  bool Busy() { return GetBooleanProperty(dispidBusy); }
  std::int32_t ReadyState() { return GetEnumProperty(dispidReadyState); }

  // The control's published properties. The control's own Visible (DISPID
  // 402) is BrowserVisible here: the toolkit's Visible/SetVisible/Show/Hide
  // are the host window's visibility and never reach the control's property.
  bool BrowserVisible() { return GetBooleanProperty(dispidVisible); }
  void SetBrowserVisible(bool value) { SetBooleanProperty(dispidVisible, value); }
  bool StatusBar() { return GetBooleanProperty(dispidStatusBar); }
  void SetStatusBar(bool value) { SetBooleanProperty(dispidStatusBar, value); }
  std::wstring StatusText() { return GetTextProperty(dispidStatusText); }
  void SetStatusText(const std::wstring& value) { SetTextProperty(dispidStatusText, value); }
  std::int32_t ToolBar() { return GetIntegerProperty(dispidToolBar); }
  void SetToolBar(std::int32_t value) { SetIntegerProperty(dispidToolBar, value); }
  bool MenuBar() { return GetBooleanProperty(dispidMenuBar); }
  void SetMenuBar(bool value) { SetBooleanProperty(dispidMenuBar, value); }
  bool FullScreen() { return GetBooleanProperty(dispidFullScreen); }
  void SetFullScreen(bool value) { SetBooleanProperty(dispidFullScreen, value); }
  bool Offline() { return GetBooleanProperty(dispidOffline); }
  void SetOffline(bool value) { SetBooleanProperty(dispidOffline, value); }
  bool Silent() { return GetBooleanProperty(dispidSilent); }
  void SetSilent(bool value) { SetBooleanProperty(dispidSilent, value); }
  bool RegisterAsBrowser() { return GetBooleanProperty(dispidRegisterAsBrowser); }
  void SetRegisterAsBrowser(bool value) { SetBooleanProperty(dispidRegisterAsBrowser, value); }
  bool RegisterAsDropTarget() { return GetBooleanProperty(dispidRegisterAsDropTarget); }
  void SetRegisterAsDropTarget(bool value) {
    SetBooleanProperty(dispidRegisterAsDropTarget, value);
  }
  bool TheaterMode() { return GetBooleanProperty(dispidTheaterMode); }
  void SetTheaterMode(bool value) { SetBooleanProperty(dispidTheaterMode, value); }
  bool AddressBar() { return GetBooleanProperty(dispidAddressBar); }
  void SetAddressBar(bool value) { SetBooleanProperty(dispidAddressBar, value); }
  bool Resizable() { return GetBooleanProperty(dispidResizable); }
  void SetResizable(bool value) { SetBooleanProperty(dispidResizable, value); }

  // The event slots, in the order of the description's DISPID table.
  TBrowserStatusTextChange OnStatusTextChange;
  TBrowserProgressChange OnProgressChange;
  TBrowserCommandStateChange OnCommandStateChange;
  TNotifyEvent OnDownloadBegin;
  TNotifyEvent OnDownloadComplete;
  TBrowserTitleChange OnTitleChange;
  TBrowserPropertyChange OnPropertyChange;
  TBrowserBeforeNavigate2 OnBeforeNavigate2;
  TBrowserNewWindow2 OnNewWindow2;
  TBrowserNavigateComplete2 OnNavigateComplete2;
  TBrowserDocumentComplete OnDocumentComplete;
  TNotifyEvent OnQuit;
  TBrowserOnVisible OnVisible;
  TBrowserOnToolBar OnToolBar;
  TBrowserOnMenuBar OnMenuBar;
  TBrowserOnStatusBar OnStatusBar;
  TBrowserOnFullScreen OnFullScreen;
  TBrowserOnTheaterMode OnTheaterMode;
  TBrowserOnAddressBar OnAddressBar;
  TBrowserWindowSetResizable OnWindowSetResizable;
  TBrowserWindowSetLeft OnWindowSetLeft;
  TBrowserWindowSetTop OnWindowSetTop;
  TBrowserWindowSetWidth OnWindowSetWidth;
  TBrowserWindowSetHeight OnWindowSetHeight;
  TBrowserWindowClosing OnWindowClosing;
  TBrowserClientToHostWindow OnClientToHostWindow;
  TBrowserSetSecureLockIcon OnSetSecureLockIcon;
  TBrowserFileDownload OnFileDownload;
  TBrowserNavigateError OnNavigateError;
  TBrowserPrintTemplateInstantiation OnPrintTemplateInstantiation;
  TBrowserPrintTemplateTeardown OnPrintTemplateTeardown;
  TBrowserUpdatePageStatus OnUpdatePageStatus;
  TBrowserPrivacyImpactedStateChange OnPrivacyImpactedStateChange;
  TBrowserNewWindow3 OnNewWindow3;

 private:
  Microsoft::WRL::ComPtr<IWebBrowser2> FBrowserInterface;
};

}  // namespace kvx
