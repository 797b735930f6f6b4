#include "toolkit/Win.h"

#include "app/MainForm.h"

#include "app/KioskOptions.h"
#include "app/PeerSend.h"
#include "app/Resources.h"
#include "app/ShellTexts.h"
#include "app/ShellPaths.h"
#include "browser/component/DialogWatcher.h"
#include "core/CodePage.h"
#include "core/ProfileReader.h"
#include "core/Startup.h"
#include "core/Text.h"
#include "toolkit/Application.h"
#include "toolkit/Component.h"
#include "toolkit/Exceptions.h"
#include "toolkit/Trace.h"

#include <iterator>

namespace kvx {

TPreviousApplicationHooks PreviousApplicationHooks;

TMainForm::TMainForm(std::vector<std::string> params) : FParams(std::move(params)) {
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetCaption(WideToGbk(texts::Caption));
  SetClientSize(775, 538);
  SetMinHeight(251);
  SetColor(clBtnFace);
  TFont font;
  font.Name = L"宋体";
  font.Height = -12;
  font.Charset = ANSI_CHARSET;
  font.Color = clWindowText;
  SetFont(font);
  KeyPreview = true;

  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnActivate = [this](TObject* s) { FormActivate(s); };
  OnDeactivate = [this](TObject* s) { FormDeactivate(s); };
  OnDestroy = [this](TObject* s) { FormDestroy(s); };
  OnResize = [this](TObject* s) { FormResize(s); };
  OnCloseQuery = [this](TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
  OnClose = [this](TObject* s, TCloseAction& action) { FormClose(s, action); };

  CreateComponents();
  HandleNeeded();
  DoCreate();
}

TMainForm::~TMainForm() {
  DoDestroy();
  // The components go after this, newest first (the reverse of their
  // declaration), while the window they live in still exists.
}

void TMainForm::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  params.ClassName = std::wstring(MainWindowClass);
}

void TMainForm::SetVisible(bool visible) {
  TForm::SetVisible(visible);
  if (!visible) return;
  FStartupDone = true;
  // The window is activated while it is being shown, before its controls can
  // take the focus, and keeps it itself. The page takes the keyboard then (the
  // controls before it in tab order are hidden), unless it has it already.
  if (HandleAllocated() && GetFocus() == Handle()) SetActiveControl(WebBrowser1.get());
}

void TMainForm::SetNewWindowMode(TNewWindowMode mode) {
  RouteNewWindows(*WebBrowser1, mode, [this] { Close(); });
}

void TMainForm::CreateComponents() {
  WebBrowser1 = CreateComponent<TWebHost>(this);
  WebBrowser1->SetName("WebBrowser1");
  WebBrowser1->SetBounds(136, 104, 607, 361);
  WebBrowser1->SetTabOrder(2);
  WebBrowser1->SetDisableCtrlShortcuts("N");
  WebBrowser1->SetUserInterfaceOptions(
      {TUserInterfaceOption::EnablesFormsAutoComplete, TUserInterfaceOption::EnableThemes});
  WebBrowser1->SetScriptErrorAction(TScriptErrorAction::eaContinue);
  WebBrowser1->DisableErrors().ScriptErrorsSuppressed = false;
  WebBrowser1->PrintOptions() = MainWindowPrintOptions();
  WebBrowser1->OnBeforeNavigate2 = [this](TObject* s, IDispatch* pDisp, VARIANT* URL,
                                          VARIANT* Flags, VARIANT* TargetFrameName,
                                          VARIANT* PostData, VARIANT* Headers,
                                          VARIANT_BOOL* Cancel) {
    WebBrowser1BeforeNavigate2(s, pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel);
  };
  WebBrowser1->OnQuit = [this](TObject* s) { WebBrowser1Quit(s); };
  WebBrowser1->OnDownloadComplete = [this](TObject* s) { WebBrowser1DownloadComplete(s); };

  Button1 = CreateComponent<TButton>(this);
  Button1->SetVisible(false);
  Button1->SetBounds(248, 0, 75, 25);
  Button1->SetCaption(WideToGbk(texts::ButtonCaption));
  Button1->SetTabOrder(0);
  Button1->OnClick = [this](TObject* s) { Button1Click(s); };

  Edit1 = CreateComponent<TEdit>(this);
  Edit1->SetVisible(false);
  Edit1->SetBounds(368, 0, 201, 20);
  Edit1->SetCaption(WideToGbk(texts::EditText));
  Edit1->SetTabOrder(1);

  Panel2 = CreateComponent<TPanel>(this);
  Panel2->SetBounds(0, 0, 775, 36);
  Panel2->SetAlign(TAlign::alTop);
  Panel2->SetBorderWidth(1);
  Panel2->SetColor(RGB(197, 197, 197));
  Panel2->SetTabOrder(3);

  Panel1 = CreateComponent<TPanel>(Panel2.get());
  Panel1->SetBounds(1, 1, 773, 34);
  Panel1->SetAlign(TAlign::alClient);
  Panel1->SetColor(RGB(232, 243, 255));
  Panel1->SetTabOrder(0);

  Label1 = CreateComponent<TLabel>(Panel1.get());
  Label1->SetBounds(42, 11, 144, 12);
  Label1->SetCaption(WideToGbk(texts::Caption));

  Image1 = CreateComponent<TImage>(Panel1.get());
  Image1->SetBounds(8, 5, 24, 24);
  Image1->LoadBitmapResource(IDB_TITLE);

  ExitButton = CreateComponent<THotButton>(Panel1.get());
  ExitButton->SetBounds(224, 4, 75, 25);
  ExitButton->SetCaption(WideToGbk(texts::ExitCaption));
  ExitButton->SetHotTrack(true);
  ExitButton->SetTabOrder(0);
  ExitButton->OnClick = [this](TObject* s) { ExitButtonClick(s); };
  FinishLoading();
}

void TMainForm::FormCreate(TObject*) {
  const bool geometryMode = FParams.size() >= 4;
  std::string address;
  if (!geometryMode) {
    SetWindowState(TWindowState::wsMaximized);
  } else {
    TStartupPlan plan = PlanStartup(FParams);
    FDockLeft = plan.Dock.Left;
    FDockTop = plan.Dock.Top;
    FDockOffset = plan.Dock.Offset;
    FDockHeight = plan.Dock.Height;
    if (plan.Mode == TStartMode::smPlaced) {
      address = plan.Address;
      auto suppress = SuppressReports();
      SetBounds(DockedWindowLeft(plan.Dock), FDockTop, Width(), FDockHeight);
    }
  }

  InstallApplicationHooks();
  WebBrowser1->SetAlign(TAlign::alClient);
  SetCaption(WideToGbk(texts::Caption));

  if (geometryMode) {
    if (!TrimBlanks(address).empty()) NavigateTo(address);
    return;
  }

  TProfileReader ini = TProfileReader::FromFile(ShellIniPath());
  address = ini.ReadString(WideToGbk(texts::ServerSection), WideToGbk(texts::AddressKey),
                           WideToGbk(texts::DefaultServerHost));
  if (ini.ReadString(WideToGbk(texts::SystemSection), WideToGbk(texts::AllowResizeKey),
                     WideToGbk(texts::No)) == WideToGbk(texts::Yes)) {
    SetBorderStyle(TFormBorderStyle::bsSingle);
    Panel2->SetVisible(false);
  }
  if (!TrimBlanks(address).empty()) {
    NavigateTo(address);
  } else {
    Application().ShowMessageBox(WideToGbk(texts::MissingAddress), WideToGbk(texts::NoticeTitle),
                                 MB_ICONINFORMATION);
    Close();
  }
}

void TMainForm::NavigateTo(const std::string& address) {
  if (address.empty()) return;
  if (TraceEnabled()) Trace(L"navigate to " + GbkToWide(address));
  try {
    TVariant zero(0);
    WebBrowser1->Navigate(GbkToWide(address), zero.Get(), zero.Get(), zero.Get(), zero.Get());
  } catch (...) {
    // A failed navigation leaves the page as it was; nobody is told.
  }
}

void TMainForm::FormCloseQuery(TObject*, bool& canClose) {
  // Once settled, a close is not asked about again.
  if (!FCloseSettled &&
      Application().ShowMessageBox(WideToGbk(texts::CloseQuestion), WideToGbk(texts::NoticeTitle),
                                   MB_YESNO | MB_ICONQUESTION) == IDYES)
    SettleClose();
  // A close confirmed while this box was open settles this one too.
  canClose = FCloseSettled;
}

void TMainForm::SettleClose() {
  FCloseSettled = true;
  // A box of the shell still open (an error report, an earlier confirmation)
  // would hold the ending program until someone answers it: end it unanswered.
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM) -> BOOL {
        // One longer than the box's class: a longer name cannot come back cut to it.
        wchar_t name[std::size(StandardDialogClass) + 1] = {};
        if (GetClassNameW(window, name, static_cast<int>(std::size(name))) &&
            std::wstring_view(name) == StandardDialogClass)
          EndDialog(window, IDCANCEL);
        return TRUE;
      },
      0);
}

void TMainForm::EndSession() {
  // Nobody is asked: the session is ending, whatever anyone would answer.
  SettleClose();
  Close();
  // The program ends the form too: the event runs from a copy on this frame.
  if (TNotifyEvent end = OnEndSession) end(this);
}

void TMainForm::FormClose(TObject*, TCloseAction& action) {
  action = TCloseAction::caFree;
}

void TMainForm::ExitButtonClick(TObject*) {
  Close();
}

void TMainForm::Button1Click(TObject*) {}

void TMainForm::WebBrowser1BeforeNavigate2(TObject*, IDispatch*, VARIANT* URL, VARIANT*, VARIANT*,
                                           VARIANT*, VARIANT*, VARIANT_BOOL* Cancel) {
  std::string url;
  if (URL) {
    TVariant text;
    if (SUCCEEDED(VariantChangeType(&text.Get(), URL, 0, VT_BSTR)) && text.Get().bstrVal)
      url = WideToGbk(std::wstring_view(text.Get().bstrVal, SysStringLen(text.Get().bstrVal)));
  }
  if (TraceEnabled()) Trace(L"before navigation to " + GbkToWide(url));
  if (IsCloseAddress(url)) {
    Close();
    if (Cancel) *Cancel = VARIANT_TRUE;
  }
}

void TMainForm::WebBrowser1Quit(TObject*) {
  Abort();
}

void TMainForm::WebBrowser1DownloadComplete(TObject*) {}

void TMainForm::InstallApplicationHooks() {
  PreviousApplicationHooks.MessageFilter = Application().OnMessage;
  PreviousApplicationHooks.Activated = Application().OnActivate;
  Application().OnMessage = [this](MSG& msg, bool& handled) {
    ApplicationMessageFilter(msg, handled);
  };
  Application().OnActivate = [this](TObject* s) { ApplicationActivated(s); };
}

void TMainForm::RestoreApplicationHooks() {
  Application().OnMessage = PreviousApplicationHooks.MessageFilter;
  Application().OnActivate = PreviousApplicationHooks.Activated;
}

void TMainForm::DefaultSysCommand(WPARAM wParam, LPARAM lParam) {
  TForm::WndProc(WM_SYSCOMMAND, wParam, lParam);
}

LRESULT TMainForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COPYDATA || msg == WM_SYSCOMMAND || msg == WM_CLOSE || msg == WM_ACTIVATEAPP ||
      msg == WM_ENDSESSION)
    TraceMessage(L"main window", Handle(), msg, wParam, lParam);
  if (msg == PeerAnsweredMessage() && msg != 0) {
    LauncherAnswers(reinterpret_cast<HWND>(wParam));
    return 0;
  }
  switch (msg) {
    case WM_ENDSESSION:
      if (wParam) EndSession();
      return 0;
    case WM_COPYDATA:
      return HandleCopyData(wParam, lParam);
    case WM_MOVE: {
      LRESULT r = TForm::WndProc(msg, wParam, lParam);
      HandleMoveMessage();
      return r;
    }
    case WM_SYSCOMMAND:
      HandleSysCommand(wParam, lParam);
      return 0;
    default:
      return TForm::WndProc(msg, wParam, lParam);
  }
}

}  // namespace kvx
