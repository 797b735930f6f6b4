#pragma once
// The shell's one window: a slim title panel above the embedded browser.

#include "toolkit/Win.h"

#include "browser/component/WebHost.h"
#include "core/BrowserOptions.h"
#include "toolkit/Application.h"
#include "toolkit/Button.h"
#include "toolkit/Edit.h"
#include "toolkit/Form.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"
#include "toolkit/Scope.h"
#include "widgets/HotButton.h"

#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

namespace test {
class InputFilter;
class RealControlHooks;
class TFilterBenchmark;
}  // namespace test

// The main window's own window class: with its title, what another copy of
// the shell looks for (a message box titled like the window is not it).
inline constexpr std::wstring_view MainWindowClass = L"TMainForm";

class TMainForm : public TForm {
 public:
  // params: the command-line parameters after the program path, as GBK texts.
  explicit TMainForm(std::vector<std::string> params);
  ~TMainForm() override;

  // The first show ends the start-up: the window stands where start-up put
  // it, and from then on its moves are reported to the launcher bar.
  void SetVisible(bool visible) override;

  // Where the page's new windows go (korvexa.ini's 新窗口); until set, the
  // platform's own way.
  void SetNewWindowMode(TNewWindowMode mode);

  // The user's session ends: the window has closed without asking, and the
  // process goes as soon as the window has answered. The program ends its
  // parts here, the way its message loop's end would, and does not return.
  TNotifyEvent OnEndSession;

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  friend class test::InputFilter;
  friend class test::RealControlHooks;
  friend class test::TFilterBenchmark;

  void CreateComponents();

  // Hands an address (GBK) to the browser; errors of the navigation are dropped.
  void NavigateTo(const std::string& address);

  // Event handlers.
  void FormCreate(TObject* sender);
  void FormActivate(TObject* sender);
  void FormDeactivate(TObject* sender);
  void FormDestroy(TObject* sender);
  void FormResize(TObject* sender);
  void FormCloseQuery(TObject* sender, bool& canClose);
  void FormClose(TObject* sender, TCloseAction& action);
  void ExitButtonClick(TObject* sender);
  void Button1Click(TObject* sender);
  void WebBrowser1BeforeNavigate2(TObject* sender, IDispatch* pDisp, VARIANT* URL, VARIANT* Flags,
                                  VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers,
                                  VARIANT_BOOL* Cancel);
  void WebBrowser1Quit(TObject* sender);
  void WebBrowser1DownloadComplete(TObject* sender);

  // Closing: once a close is confirmed (or the session ends) it is settled.
  void SettleClose();
  void EndSession();

  // Application-wide hooks: what input reaches the page, and focus back to it.
  void ApplicationMessageFilter(MSG& msg, bool& handled);
  void ApplicationActivated(TObject* sender);
  static std::string WindowClassAtPoint(POINT point);
  void InstallApplicationHooks();
  void RestoreApplicationHooks();

  // Launcher-bar link.
  // No report goes to the bar while the returned guard lives; its end clears
  // the flag whatever it was before. A plain flag, not a counter: the end of
  // an inner guard lets reports through again for the rest of an outer one.
  [[nodiscard]] auto SuppressReports() noexcept {
    FSuppressReports = true;
    return ScopeExit([this]() noexcept { FSuppressReports = false; });
  }
  // The bar's window when something may go to it now, else null.
  HWND FindLauncher();
  // A request: dropped while the bar has not answered an earlier send.
  bool SendToLauncher(const std::string& text);
  // Sends with a bound; after a send the bar does not answer, reports wait
  // until it answers again, the newest replacing older ones.
  void DeliverToLauncher(HWND launcher, std::string text);
  bool LauncherHolds(HWND launcher) const noexcept {
    return FSendingToLauncher || launcher == FUnansweredLauncher;
  }
  // The bar that did not answer a send takes messages again.
  void LauncherAnswers(HWND launcher);
  void ReportGeometry();
  LRESULT HandleCopyData(WPARAM wParam, LPARAM lParam);
  void HandleMoveMessage();
  void HandleSysCommand(WPARAM wParam, LPARAM lParam);
  static bool ForceForeground(HWND window);
  // The toolkit's own handling of a system command (the platform's maximise...).
  void DefaultSysCommand(WPARAM wParam, LPARAM lParam);
  // The bounds the window has when neither minimised nor maximised, in
  // screen coordinates (a minimised window's rectangle is its icon's).
  bool NormalBounds(RECT& bounds);
  // True once a docked maximise has saved bounds to return to.
  bool HasSavedGeometry() const noexcept { return FSavedWidth > 0 && FSavedHeight > 0; }

  // Components, in creation order.
  std::unique_ptr<TWebHost> WebBrowser1;
  std::unique_ptr<TButton> Button1;
  std::unique_ptr<TEdit> Edit1;
  std::unique_ptr<TPanel> Panel2;
  std::unique_ptr<TPanel> Panel1;
  std::unique_ptr<TLabel> Label1;
  std::unique_ptr<TImage> Image1;
  std::unique_ptr<THotButton> ExitButton;

  // Per-window state.
  Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> FActiveObject;
  std::int32_t FDockLeft = 0;
  std::int32_t FDockTop = 0;
  std::int32_t FDockOffset = 0;
  std::int32_t FDockHeight = 0;
  std::int32_t FSavedLeft = 0;
  std::int32_t FSavedTop = 0;
  std::int32_t FSavedWidth = 0;
  std::int32_t FSavedHeight = 0;
  bool FSuppressReports = false;
  // The bar window that did not answer the last send, until it answers again.
  HWND FUnansweredLauncher = nullptr;
  // The newest report made while the bar could not take it.
  std::optional<std::string> FHeldReport;
  bool FSendingToLauncher = false;

  std::vector<std::string> FParams;
  // Until the first show nothing goes to the launcher bar: the window is
  // still being built and placed.
  bool FStartupDone = false;
  bool FCloseSettled = false;
};

// The application's filter and activation handler that were in place before
// the main window installed its own; putting them back removes the hooks.
struct TPreviousApplicationHooks {
  TApplication::TMessageEvent MessageFilter;
  TNotifyEvent Activated;
};
extern TPreviousApplicationHooks PreviousApplicationHooks;

}  // namespace kvx
