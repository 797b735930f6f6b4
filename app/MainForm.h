#pragma once
// The shell's one window: a slim title panel above the embedded browser.

#include "toolkit/Win.h"

#include "browser/WebHost.h"
#include "toolkit/Application.h"
#include "toolkit/Button.h"
#include "toolkit/Edit.h"
#include "toolkit/Form.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"
#include "widgets/HotButton.h"

#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvx {

// Sets FSuppressReports for its lifetime and clears it on the way out, on
// every path. A plain flag, not a counter: an inner clearing clears it.
class TSuppressReports {
 public:
  explicit TSuppressReports(bool& flag) noexcept : FFlag(flag) { FFlag = true; }
  ~TSuppressReports() { FFlag = false; }
  TSuppressReports(const TSuppressReports&) = delete;
  TSuppressReports& operator=(const TSuppressReports&) = delete;

 private:
  bool& FFlag;
};

class TMainForm : public TForm {
 public:
  // params: the command-line parameters after the program path, as GBK texts.
  explicit TMainForm(std::vector<std::string> params);
  ~TMainForm() override;

  // Components, in creation order.
  std::unique_ptr<TWebHost> WebBrowser1;
  std::unique_ptr<TButton> Button1;
  std::unique_ptr<TEdit> Edit1;
  std::unique_ptr<TPanel> Panel2;
  std::unique_ptr<TPanel> Panel1;
  std::unique_ptr<TLabel> Label1;
  std::unique_ptr<TImage> Image1;
  std::unique_ptr<THotButton> ExitButton;

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

  // Application-wide hooks: what input reaches the page, and focus back to it.
  void ApplicationMessageFilter(MSG& msg, bool& handled);
  void ApplicationActivated(TObject* sender);
  static std::string WindowClassAtPoint(POINT point);

  // Launcher-bar link.
  bool SendToLauncher(const std::string& text);
  void ReportGeometry();
  LRESULT HandleCopyData(WPARAM wParam, LPARAM lParam);
  void HandleMoveMessage();
  void HandleSysCommand(WPARAM wParam, LPARAM lParam);
  static bool ForceForeground(HWND window);
  // The toolkit's own handling of a system command (the platform's maximise...).
  void DefaultSysCommand(WPARAM wParam, LPARAM lParam);

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

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void CreateComponents();
  void InstallApplicationHooks();
  void RestoreApplicationHooks();

  std::vector<std::string> FParams;
};

// The application's filter and activation handler that were in place before
// the main window installed its own; putting them back removes the hooks.
struct TPreviousApplicationHooks {
  TApplication::TMessageEvent MessageFilter;
  TNotifyEvent Activated;
};
extern TPreviousApplicationHooks PreviousApplicationHooks;

}  // namespace kvx
