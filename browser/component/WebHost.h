#pragma once
// The browser host component the main window places on its client area: the
// document host with its options, its own window procedure, focus tracking of
// the windows inside the browser, HTML text loaded into the document, the
// context-menu items it removes, the dialogs it watches, print, proxy and
// user-agent options.

#include "toolkit/Win.h"

#include "browser/component/BrowserWindowHooks.h"
#include "browser/component/DialogWatcher.h"
#include "browser/component/PrintOptions.h"
#include "browser/component/UserAgentMode.h"
#include "browser/component/WebHostOptions.h"
#include "browser/settings/ProxySettings.h"
#include "browser/settings/SettingsJournal.h"
#include "browser/dochost/WebHostCore.h"
#include "toolkit/Form.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kvx {

namespace test {
class WebHostTest;
}

// The flag an OnMessage handler answers in. It reads as the low byte of the
// message's result; assigning it makes the result 1 or 0. A handler that
// leaves it alone leaves the result as it stands.
class TMessageHandled {
 public:
  explicit TMessageHandled(bool value) noexcept : FValue(value) {}
  TMessageHandled& operator=(bool value) noexcept {
    FValue = value;
    FAssigned = true;
    return *this;
  }
  operator bool() const noexcept { return FValue; }
  bool Assigned() const noexcept { return FAssigned; }

 private:
  bool FValue;
  bool FAssigned = false;
};

using TMsgEvent = std::function<void(TObject* Sender, TMessage& Msg, TMessageHandled& Handled)>;
using TOnBusyWait =
    std::function<void(TObject* Sender, DWORD AStartTime, DWORD& TimeOut, bool& Cancel)>;
using TWindowStateChangedEvent =
    std::function<void(TObject* Sender, DWORD dwFlags, DWORD dwValidFlagsMask)>;

class TWebHost : public TCustomWebHost {
 public:
  explicit TWebHost(TWinControl* parent);
  ~TWebHost() override;

  // --- options
  // An informational credit line; writes are ignored.
  const std::string& About() const noexcept { return FAbout; }
  void SetAbout(const std::string&) noexcept {}
  // A style sheet and namespaces handed to the document (GBK).
  const std::string& HostCSS() const noexcept { return FHostCSS; }
  void SetHostCSS(const std::string& value) { FHostCSS = value; }
  const std::string& HostNS() const noexcept { return FHostNS; }
  void SetHostNS(const std::string& value) { FHostNS = value; }
  // Enter on the control goes on to the control (the after-loading step turns it on).
  bool EnableMessageHandler() const noexcept { return FEnableMessageHandler; }
  void SetEnableMessageHandler(bool value) noexcept { FEnableMessageHandler = value; }
  TIEPopupMenuItemSet DisabledPopupMenuItems() const noexcept { return FDisabledPopupMenuItems; }
  void SetDisabledPopupMenuItems(TIEPopupMenuItemSet value) noexcept {
    FDisabledPopupMenuItems = value;
  }
  TDisableErrors& DisableErrors() noexcept { return FDisableErrors; }
  TDialogBoxes& DialogBoxes() noexcept { return FDialogBoxes; }
  TPrintOptions& PrintOptions() noexcept { return FPrintOptions; }
  TProxySettings& ProxySettings() noexcept { return FProxySettings; }
  TVisualEffects& VisualEffects() noexcept { return FVisualEffects; }

  // HTML text (GBK lines). Setting it loads it: a single line that starts
  // with "http", "www.", "ftp:" or "file" (in any case) is opened as an
  // address, anything else is loaded into the document as its text.
  const std::vector<std::string>& HTMLCode() const noexcept { return FHTMLCode; }
  void SetHTMLCode(const std::vector<std::string>& lines);

  // The user agent the browser announces: as the host's ambient property
  // (uaInternal) or in the user's registry settings (uaRegistry).
  const std::string& UserAgent() const noexcept { return FUserAgent; }
  void SetUserAgent(const std::string& value);
  TUserAgentMode UserAgentMode() const noexcept { return FUserAgentMode; }
  void SetUserAgentMode(TUserAgentMode value);

  // True before Windows XP Service Pack 2: moves and resizes of the
  // component's window are turned into OnMove and OnResize instead.
  bool InterceptWindowMoves() const noexcept { return FInterceptWindowMoves; }

  // --- operations
  void ShowBlankPage();
  // A directory is shown as a folder; any other non-blank text is navigated to.
  void OpenLocation(const std::string& location);
  // Loads the lines (each ended by CR LF) into the document as its text.
  // Answer 0 on success, the document's failure code, or 1 when there was no
  // document to load into or an error arose.
  HRESULT LoadHtmlLines(const std::vector<std::string>& lines);
  // Loads the stream from its start into the document; answers as above.
  HRESULT LoadHtmlStream(IStream* stream);

  // Registered as the document host's inner-window hook: watches the windows
  // inside the browser when they are not watched yet.
  void EnsureBrowserWindowHooks();
  // Registered as the ambient user agent's supplier.
  HRESULT ProvideAmbientAgent(std::string& agent);
  // Takes the registry user agent away again.
  void WithdrawRegistryAgent();
  // Applies ProxySettings for the program's run (held by the running unit).
  void ApplyProxySettings();

  // --- events
  TCloseQueryEvent OnCloseQuery;
  TMsgEvent OnMessage;
  TShowDialogEvent OnShowDialog;
  TOnBusyWait OnBusyWait;                         // kept; nothing raises it
  TWindowStateChangedEvent OnWindowStateChanged;  // kept; nothing raises it
  // The component's own visibility changed (True = -1). A slot of its own:
  // the control's Visible event stays in the control wrapper's OnVisible.
  TBrowserOnVisible OnVisible;

 protected:
  void Loaded() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool NeedsMenuFilter() override;
  void FilterContextMenu(TObject* Sender, DWORD ID, HMENU Menu, IDispatch* Context) override;
  HRESULT GetHostInfo(DOCHOSTUIINFO& info) override;

 private:
  friend class test::WebHostTest;

  // The messages of the component's own (dispatched after the close and dialog-key rules).
  LRESULT DispatchOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void FocusRequest();
  void HtmlCodeChanged();
  void HookBrowserWindows();
  void BrowserWindowFocused(TBrowserWindowHooks::TRole role);
  void InterceptWindowPos(WINDOWPOS& position);
  void ResetZoom() noexcept;
  void ApplyUserAgent();
  void AnnounceAmbientAgent();
  void PublishRegistryAgent();

  std::string FAbout;
  TPrintOptions FPrintOptions;
  TProxySettings FProxySettings;
  TDisableErrors FDisableErrors;
  TDialogBoxes FDialogBoxes;
  TVisualEffects FVisualEffects;
  bool FInterceptWindowMoves = false;
  std::string FUserAgent;
  TUserAgentMode FUserAgentMode = TUserAgentMode::uaDefault;
  std::string FLastAmbientAgent;
  TJournalHold FRegistryAgent;  // the registry user agent, while held
  std::vector<std::string> FHTMLCode;
  bool FEnableMessageHandler = true;
  std::string FHostCSS;
  std::string FHostNS;
  TIEPopupMenuItemSet FDisabledPopupMenuItems;
  TBrowserWindowHooks FBrowserHooks;
  TDialogWatcher FDialogWatcher;
};

}  // namespace kvx
