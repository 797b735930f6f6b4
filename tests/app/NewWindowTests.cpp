// Where the page's new windows go: the main window with korvexa.ini's 新窗口
// set, and the test double standing in for the browser control as it asks
// for a new window (with the address, without it, or through the host's
// new-window manager first).
#include "toolkit/Win.h"

#include "app/MainForm.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/MainWindowTest.h"
#include "tests/support/TestDoubleControl.h"
#include "toolkit/Application.h"

#include <shobjidl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kvx::test {
namespace {

using Microsoft::WRL::ComPtr;

const auto Default = TNewWindowMode::nwDefault, OwnWindow = TNewWindowMode::nwOwnWindow,
           Blocked = TNewWindowMode::nwBlocked;

std::string ModeName(TNewWindowMode mode) {
  return mode == Default ? "默认" : mode == OwnWindow ? "本窗口" : "禁止";
}

// Answers the message boxes this thread shows while it lives, as a user
// would, and keeps what they said.
class TBoxAnswerer {
 public:
  struct TBox {
    std::wstring Caption;
    std::wstring Text;
  };
  explicit TBoxAnswerer(int button) : FButton(button) {
    Current = this;
    FTimer = SetTimer(nullptr, 0, 20, Answer);
  }
  ~TBoxAnswerer() {
    KillTimer(nullptr, FTimer);
    Current = nullptr;
  }
  TBoxAnswerer(const TBoxAnswerer&) = delete;
  TBoxAnswerer& operator=(const TBoxAnswerer&) = delete;

  std::vector<TBox> Boxes;

 private:
  static BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring_view(name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  static BOOL CALLBACK CollectText(HWND child, LPARAM text) {
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    if (_wcsicmp(name, L"Static") == 0) {
      wchar_t buffer[512] = {};
      GetWindowTextW(child, buffer, 512);
      for (const wchar_t* c = buffer; *c; ++c)
        if (*c != L'\r')
          *reinterpret_cast<std::wstring*>(text) += *c;  // line breaks as LF, however written
    }
    return TRUE;
  }
  static void CALLBACK Answer(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (!box || !Current || box == Current->FAnswered) return;
    Current->FAnswered = box;
    TBox seen;
    wchar_t caption[128] = {};
    GetWindowTextW(box, caption, 128);
    seen.Caption = caption;
    EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&seen.Text));
    Current->Boxes.push_back(seen);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(Current->FButton, BN_CLICKED), 0);
  }

  static inline TBoxAnswerer* Current = nullptr;
  int FButton;
  UINT_PTR FTimer = 0;
  HWND FAnswered = nullptr;
};

VARIANT Flags(DWORD flags) {
  VARIANT v;
  V_VT(&v) = VT_UI4;
  V_UI4(&v) = flags;
  return v;
}

// How the control asks for a new window for an address.
struct TRequest {
  const char* Name;
  bool Manager;  // the host's new-window manager, which engines ask first; else the event
  bool Script;   // window.open with a size and position; else a link
};
const TRequest Requests[] = {
    {"link, event", false, false},
    {"script window, event", false, true},
    {"link, manager", true, false},
    {"script window, manager", true, true},
};

class NewWindows : public test::MainWindowTest {
 protected:
  // A main window as a launcher-bar start makes it (no page), with the option.
  TTestDoubleControl& Open(std::optional<TNewWindowMode> mode) {
    TTestDoubleControl& control = FRegistration.Prepare();
    // No page yet, not loading: what the window reads when it is activated.
    control.SetBoolProperty(dispidBusy, false);
    control.SetProperty(dispidDocument, Dispatch(nullptr));
    FForm.reset();  // one main window at a time, as in the shell
    FForm = std::make_unique<TMainForm>(std::vector<std::string>{"0", "0", "0", "400"});
    if (mode) FForm->SetNewWindowMode(*mode);
    return control;
  }

  struct TOutcome {
    bool Asked = true;                    // the manager was handed out (always, for the event)
    bool Refused = false;                 // Cancel set, or the manager's S_FALSE
    VARIANT_BOOL Cancel = VARIANT_FALSE;  // the event's Cancel
  };

  // The control asks for a new window for `url`; `cancel` is the event's
  // Cancel as the control set it before it asked.
  static TOutcome Ask(TTestDoubleControl& control, const TRequest& request, const std::wstring& url,
                      VARIANT_BOOL cancel = VARIANT_FALSE) {
    TOutcome outcome;
    const DWORD flags =
        request.Script ? NWMF_FIRST : NWMF_USERINITED | NWMF_FIRST | NWMF_USERREQUESTED;
    if (request.Manager) {
      ComPtr<INewWindowManager> manager;
      ComPtr<IServiceProvider> services = control.SiteAs<IServiceProvider>();
      outcome.Asked = services && SUCCEEDED(services->QueryService(SID_SNewWindowManager,
                                                                   IID_PPV_ARGS(&manager)));
      if (!outcome.Asked) return outcome;
      const HRESULT answer = manager->EvaluateNewWindow(
          url.c_str(), request.Script ? L"report" : L"_blank", L"http://erp/portal.aspx",
          request.Script ? L"width=300,height=200,left=10,top=10" : nullptr, FALSE, flags, 0);
      EXPECT_TRUE(answer == S_FALSE || answer == E_FAIL) << "refused, or the platform's decision";
      outcome.Refused = answer == S_FALSE;
      return outcome;
    }
    TUniqueBstr context(SysAllocString(L"http://erp/portal.aspx")),
        address(SysAllocString(url.c_str()));
    IDispatch* window = nullptr;
    outcome.Cancel = cancel;
    control.FireEvent(273, {ByRef(&window), ByRef(&outcome.Cancel), Flags(flags),
                            Bstr(context.Get()), Bstr(address.Get())});
    EXPECT_EQ(window, nullptr) << "no browser is handed over when the address is told";
    outcome.Refused = outcome.Cancel == VARIANT_TRUE;
    return outcome;
  }

  static std::vector<std::wstring> Navigated(const TTestDoubleControl& control) {
    std::vector<std::wstring> urls;
    for (const TNavigateCall& call : control.Navigations)
      if (call.Method == TDoubleCall::Navigate) urls.push_back(call.Url.Text());
    return urls;
  }

  std::unique_ptr<TMainForm> FForm;
};

TEST_F(NewWindows, AWindowWithItsAddressOpensInTheShellNowhereOrAsTheControlDecidesByTheOption) {
  const std::wstring report = L"http://erp/report.aspx?id=7";
  for (const TRequest& request : Requests) {
    SCOPED_TRACE(request.Name);
    {
      SCOPED_TRACE("本窗口: refused, and the shell goes to the address");
      TTestDoubleControl& control = Open(OwnWindow);
      EXPECT_TRUE(Ask(control, request, report).Refused);
      EXPECT_EQ(Navigated(control), std::vector<std::wstring>{report});
      // A window a script fills itself would empty the application's page.
      EXPECT_TRUE(Ask(control, request, L"about:blank").Refused);
      EXPECT_EQ(Navigated(control).size(), 1u);
    }
    {
      SCOPED_TRACE("禁止: refused, and nothing navigated");
      TTestDoubleControl& control = Open(Blocked);
      EXPECT_TRUE(Ask(control, request, report).Refused);
      EXPECT_EQ(Navigated(control), std::vector<std::wstring>{});
    }
    for (std::optional<TNewWindowMode> mode :
         {std::optional<TNewWindowMode>(Default), std::optional<TNewWindowMode>()}) {
      SCOPED_TRACE(mode ? "默认" : "without the option");
      TTestDoubleControl& control = Open(mode);
      if (request.Manager) {
        EXPECT_FALSE(Ask(control, request, report).Asked)
            << "the engine's own pop-up check decides";
      } else {
        for (VARIANT_BOOL preset : {VARIANT_FALSE, VARIANT_TRUE})
          EXPECT_EQ(Ask(control, request, report, preset).Cancel, preset)
              << "Cancel as the control set it";
      }
      EXPECT_EQ(Navigated(control), std::vector<std::wstring>{});
    }
  }
}

TEST_F(NewWindows, TheApplicationsDialogsOpenAsAlways) {
  for (TNewWindowMode mode : {OwnWindow, Blocked}) {
    SCOPED_TRACE(ModeName(mode));
    TTestDoubleControl& control = Open(mode);
    TUniqueBstr context(SysAllocString(L"http://erp/portal.aspx")),
        address(SysAllocString(L"http://erp/pick.aspx"));
    IDispatch* window = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    control.FireEvent(273, {ByRef(&window), ByRef(&cancel), Flags(NWMF_HTMLDIALOG),
                            Bstr(context.Get()), Bstr(address.Get())});
    EXPECT_EQ(cancel, VARIANT_FALSE);
    EXPECT_EQ(Navigated(control), std::vector<std::wstring>{});
  }
}

// Controls that tell no address with their new-window event.
TEST_F(NewWindows,
       AWindowWithoutItsAddressGetsTheShellsBrowserNothingOrWhatTheControlDecidesByTheOption) {
  {
    SCOPED_TRACE("本窗口: the shell's own browser is handed over as the new window's");
    TTestDoubleControl& control = Open(OwnWindow);
    const long held = control.OutstandingReferences();
    IDispatch* window = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    control.FireEvent(251, {ByRef(&window), ByRef(&cancel)});
    EXPECT_EQ(cancel, VARIANT_FALSE);
    EXPECT_EQ(window, static_cast<IDispatch*>(static_cast<IWebBrowser2*>(&control)));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(control.OutstandingReferences(), held + 1)
        << "one reference, the control's to take over";
    window->Release();
    EXPECT_EQ(Navigated(control), std::vector<std::wstring>{});

    // Without its own browser to hand over, the shell lets nothing open.
    control.FailProperty(dispidApplication, E_FAIL);
    window = nullptr;
    control.FireEvent(251, {ByRef(&window), ByRef(&cancel)});
    EXPECT_EQ(cancel, VARIANT_TRUE);
    EXPECT_EQ(window, nullptr);
  }
  {
    SCOPED_TRACE("禁止: cancelled");
    TTestDoubleControl& control = Open(Blocked);
    IDispatch* window = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    control.FireEvent(251, {ByRef(&window), ByRef(&cancel)});
    EXPECT_EQ(cancel, VARIANT_TRUE);
    EXPECT_EQ(window, nullptr);
  }
  for (std::optional<TNewWindowMode> mode :
       {std::optional<TNewWindowMode>(Default), std::optional<TNewWindowMode>()}) {
    SCOPED_TRACE(mode ? "默认" : "without the option");
    TTestDoubleControl& control = Open(mode);
    for (VARIANT_BOOL preset : {VARIANT_FALSE, VARIANT_TRUE}) {
      IDispatch* window = nullptr;
      VARIANT_BOOL cancel = preset;
      control.FireEvent(251, {ByRef(&window), ByRef(&cancel)});
      EXPECT_EQ(cancel, preset);
      EXPECT_EQ(window, nullptr);
    }
  }
}

// The close address arriving in a new window still closes the shell after
// the user confirms, and never opens a window.
TEST_F(NewWindows, TheCloseAddressInANewWindowAsksForConfirmation) {
  const std::wstring closeAddress = L"JavaScript:banner_closeapp()";
  for (TNewWindowMode mode : {OwnWindow, Blocked}) {
    for (const TRequest& request : Requests) {
      SCOPED_TRACE(ModeName(mode) + ", " + request.Name);
      TTestDoubleControl& control = Open(mode);
      TBoxAnswerer user(IDNO);
      EXPECT_TRUE(Ask(control, request, closeAddress).Refused);
      ASSERT_EQ(user.Boxes.size(), 1u);
      EXPECT_EQ(user.Boxes[0].Caption, L"提示信息");
      EXPECT_EQ(user.Boxes[0].Text, L"你查看的网页正在试图关闭窗口。\n\n是否关闭此窗口？");
      EXPECT_EQ(Navigated(control), std::vector<std::wstring>{});
      EXPECT_FALSE(FApplication.Terminated()) << "the user said no";
    }
  }
  {
    SCOPED_TRACE("本窗口, the event without the address");
    TTestDoubleControl& control = Open(OwnWindow);
    TBoxAnswerer user(IDNO);
    IDispatch* window = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    control.FireEvent(251, {ByRef(&window), ByRef(&cancel)});
    ASSERT_NE(window, nullptr);
    // The control takes the handed browser and tells it the address first.
    TUniqueBstr address(SysAllocString(closeAddress.c_str()));
    VARIANT url = Bstr(address.Get()), empty{};
    control.FireEvent(250, {Dispatch(window), ByRef(&url), ByRef(&empty), ByRef(&empty),
                            ByRef(&empty), ByRef(&empty), ByRef(&cancel)});
    window->Release();
    EXPECT_EQ(cancel, VARIANT_TRUE) << "the close address is never loaded";
    ASSERT_EQ(user.Boxes.size(), 1u);
    EXPECT_EQ(user.Boxes[0].Caption, L"提示信息");
    EXPECT_FALSE(FApplication.Terminated()) << "the user said no";
  }
  TTestDoubleControl& control = Open(OwnWindow);
  TBoxAnswerer user(IDYES);
  EXPECT_TRUE(Ask(control, Requests[0], closeAddress).Refused);
  EXPECT_EQ(user.Boxes.size(), 1u);
  EXPECT_TRUE(FApplication.Terminated()) << "the user said yes";
  EXPECT_EQ(Navigated(control), std::vector<std::wstring>{});
}

}  // namespace
}  // namespace kvx::test
