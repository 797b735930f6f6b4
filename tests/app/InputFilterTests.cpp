// What input reaches the page: the main window's message filter and its
// activation hook, driven through the application's real message loop with
// the test double standing in for the browser control.
#include "toolkit/Win.h"

#include "app/MainForm.h"
#include "tests/support/MainWindowTest.h"
#include "tests/support/TestDoubleControl.h"
#include "toolkit/Application.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kvx::test {
namespace {

// A window of the form that counts key messages and empty messages reaching it.
class TCountingControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  int Arrived = 0;
  std::vector<WPARAM> Chars;  // WM_CHAR as it arrived

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_CHAR) Chars.push_back(wParam);
    if (msg == WM_NULL || (msg >= WM_KEYFIRST && msg <= 0x0108 && msg != WM_CHAR)) ++Arrived;
    return TWinControl::WndProc(msg, wParam, lParam);
  }
};

}  // namespace

// A friend of the main window: its tests reach the window's parts through it.
class InputFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    // An error report would be a modal box nobody answers: record it instead.
    FApplication.OnException = [this](TObject*, const std::exception& e) {
      FReported.push_back(e.what());
    };
    FControl = &FRegistration.Prepare();
    FControl->SetBoolProperty(212, false);  // not loading
    VARIANT noDocument;
    VariantInit(&noDocument);
    V_VT(&noDocument) = VT_DISPATCH;
    V_DISPATCH(&noDocument) = nullptr;
    FControl->SetProperty(203, noDocument);  // no page yet
    FForm = std::make_unique<TMainForm>(std::vector<std::string>{"0", "0", "0", "400"});
    FTarget = std::make_unique<TCountingControl>(FForm.get());
    FTarget->SetBounds(0, 0, 10, 10);
    FTarget->HandleNeeded();
    FInstalled = FApplication.OnMessage;
    ASSERT_TRUE(FInstalled) << "creating the main window installs the filter";
    Drain();
  }

  void TearDown() override {
    EXPECT_EQ(FReported, FExpectedReports);
    FTarget.reset();
    FForm.reset();
    SetKeys({});
  }

  // Empties the queue without the filter, so rows do not leak into each other.
  void Drain() {
    auto filter = FApplication.OnMessage;
    FApplication.OnMessage = nullptr;
    FApplication.ProcessMessages();
    FApplication.OnMessage = filter;
  }

  static void SetKeys(const std::vector<int>& held) {
    BYTE state[256] = {};
    for (int key : held) state[key] = 0x80;
    SetKeyboardState(state);
  }

  struct TOutcome {
    size_t Translated = 0;  // TranslateAccelerator calls for the message
    UINT Rewritten = 0;     // message number after the filter
    int ByFilter = 0;       // arrivals at the window while the filter ran
    int ByToolkit = 0;      // arrivals after it
  };

  // Posts one message to the counting window and lets the loop take it.
  TOutcome Run(UINT message, WPARAM key, const std::vector<int>& held) {
    TOutcome outcome;
    const size_t translatedBefore = Translated();
    bool seen = false;
    FApplication.OnMessage = [&](MSG& msg, bool& handled) {
      const bool ours =
          msg.hwnd == FTarget->Handle() && msg.message == message && msg.wParam == key && !seen;
      int before = FTarget->Arrived;
      SetKeys(held);
      FInstalled(msg, handled);
      if (ours) {
        seen = true;
        outcome.ByFilter = FTarget->Arrived - before;
        outcome.Rewritten = msg.message;
        FArrivedAfterFilter = FTarget->Arrived;
      }
    };
    PostMessageW(FTarget->Handle(), message, key, 0);
    MSG msg;
    while (!seen && FApplication.ProcessMessage(msg)) {
    }
    outcome.ByToolkit = FTarget->Arrived - FArrivedAfterFilter;
    outcome.Translated = Translated() - translatedBefore;
    FApplication.OnMessage = FInstalled;
    Drain();
    return outcome;
  }

  // The main window's parts and hooks.
  HWND TitlePanel() const { return FForm->Panel1->Handle(); }
  const Microsoft::WRL::ComPtr<IOleInPlaceActiveObject>& ActiveObject() const {
    return FForm->FActiveObject;
  }
  void NavigateTo(const std::string& address) { FForm->NavigateTo(address); }
  void ApplicationActivated() { FForm->ApplicationActivated(&FApplication); }
  IOleClientSite* BrowserSite() const { return FForm->WebBrowser1->ClientSite(); }
  static std::string WindowClassAtPoint(POINT point) {
    return TMainForm::WindowClassAtPoint(point);
  }

  size_t Translated() const {
    return static_cast<size_t>(
        std::count_if(FControl->Accelerated.begin(), FControl->Accelerated.end(),
                      [&](const MSG& m) { return m.hwnd == FTarget->Handle(); }));
  }

  TOleInitialize FOle;
  TApplication FApplication;
  TTestDoubleRegistration FRegistration;
  TTestDoubleControl* FControl = nullptr;
  std::unique_ptr<TMainForm> FForm;
  std::unique_ptr<TCountingControl> FTarget;
  TApplication::TMessageEvent FInstalled;
  int FArrivedAfterFilter = 0;
  std::vector<std::string> FReported;
  std::vector<std::string> FExpectedReports;
};

namespace {

TEST_F(InputFilter, EachKeyIsTranslatedEmptiedOrDispatchedAsTheKeysHeldWithItDecide) {
  const int F5 = VK_F5, Ctrl = VK_CONTROL;
  const struct {
    const char* row;
    UINT message;
    WPARAM key;
    std::vector<int> held;
    size_t translated;
    bool zeroed;
    int byFilter;
    int byToolkit;
  } rows[] = {
      {"Tab", WM_KEYDOWN, VK_TAB, {}, 1, true, 0, 1},
      {"Tab, F5 held", WM_KEYDOWN, VK_TAB, {F5}, 1, true, 0, 1},
      {"Ctrl+Tab", WM_KEYDOWN, VK_TAB, {Ctrl}, 1, false, 1, 0},
      {"Backspace", WM_KEYDOWN, VK_BACK, {}, 0, false, 1, 0},
      {"Page Up", WM_KEYDOWN, VK_PRIOR, {}, 0, false, 1, 0},
      {"Down", WM_KEYDOWN, VK_DOWN, {}, 0, false, 1, 0},
      {"F5 down with F5 held", WM_KEYDOWN, VK_F5, {F5}, 1, true, 0, 1},
      {"F5 up, nothing held", WM_KEYUP, VK_F5, {}, 0, false, 1, 0},
      {"F12 with F1 held", WM_KEYDOWN, VK_F12, {VK_F1}, 1, true, 0, 1},
      {"Ctrl+Left", WM_KEYDOWN, VK_LEFT, {Ctrl}, 0, false, 2, 0},
      {"Ctrl+Backspace with F5 held", WM_KEYDOWN, VK_BACK, {Ctrl, F5}, 1, true, 1, 0},
      {"Delete", WM_KEYDOWN, VK_DELETE, {}, 1, false, 1, 0},
      {"Ctrl+Delete", WM_KEYDOWN, VK_DELETE, {Ctrl}, 1, false, 1, 0},
      {"Enter (not for the host's dialog)", WM_KEYDOWN, VK_RETURN, {}, 1, false, 0, 1},
      {"A", WM_KEYDOWN, 'A', {}, 1, false, 0, 1},
      {"Ctrl+A", WM_KEYDOWN, 'A', {Ctrl}, 1, false, 1, 0},
      {"Ctrl+A key up", WM_KEYUP, 'A', {Ctrl}, 1, false, 1, 0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.row);
    TOutcome o = Run(r.message, r.key, r.held);
    EXPECT_EQ(o.Translated, r.translated);
    EXPECT_EQ(o.Rewritten, r.zeroed ? static_cast<UINT>(WM_NULL) : r.message);
    EXPECT_EQ(o.ByFilter, r.byFilter);
    EXPECT_EQ(o.ByToolkit, r.byToolkit);
  }
}

TEST_F(InputFilter, CharactersTypedWithCtrlHeldArriveUnchanged) {
  for (wchar_t c : {L'a', L'\u00E9', L'\u4E2D', L'\u20AC'}) {
    SCOPED_TRACE(static_cast<int>(c));
    FTarget->Chars.clear();
    TOutcome o = Run(WM_CHAR, c, {VK_CONTROL});
    EXPECT_EQ(o.Translated, 1u);
    EXPECT_EQ(FTarget->Chars, std::vector<WPARAM>{c})
        << "re-dispatched by the filter, as it was read";
  }
}

TEST_F(InputFilter, MouseAndTimerMessagesGoToTheDocumentToo) {
  for (UINT message : {WM_MOUSEMOVE, WM_TIMER}) {
    SCOPED_TRACE(message);
    TOutcome o = Run(message, 0, {});
    EXPECT_EQ(o.Translated, 1u);
    EXPECT_EQ(o.Rewritten, message);
  }
}

TEST_F(InputFilter, ContextMenuIsSwallowedEverywhere) {
  MSG msg{TitlePanel(), WM_CONTEXTMENU, 0, 0, 0, {}};
  bool handled = false;
  FInstalled(msg, handled);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_NULL));
  EXPECT_FALSE(handled);
}

// A real window of the page's class, where the cursor can be put.
class TPageWindow {
 public:
  TPageWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Internet Explorer_Server";
    RegisterClassW(&wc);
    FWindow = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, wc.lpszClassName, L"", WS_POPUP,
                              600, 400, 100, 100, nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowPos(FWindow, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
  ~TPageWindow() { DestroyWindow(FWindow); }
  HWND Get() const { return FWindow; }

 private:
  HWND FWindow;
};

TEST_F(InputFilter, TheRightButtonIsSwallowedOnlyWhileThePointerIsOverThePage) {
  TPageWindow page;
  ASSERT_NE(page.Get(), nullptr);
  FForm->Show();
  FApplication.ProcessMessages();
  const POINT overPage{650, 450};
  RECT title;
  GetWindowRect(TitlePanel(), &title);
  const POINT overTitle{title.left + 100, title.top + 10};

  for (UINT message : {WM_RBUTTONDOWN, WM_RBUTTONUP}) {
    SCOPED_TRACE(message);
    ASSERT_TRUE(SetCursorPos(overPage.x, overPage.y));
    ASSERT_EQ(WindowClassAtPoint(overPage), "Internet Explorer_Server");
    // The message's own window does not matter: the title panel's message is swallowed too.
    MSG msg{TitlePanel(), message, 0, 0, 0, {}};
    bool handled = false;
    FInstalled(msg, handled);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_NULL));

    ASSERT_TRUE(SetCursorPos(overTitle.x, overTitle.y));
    msg = MSG{TitlePanel(), message, 0, 0, 0, {}};
    FInstalled(msg, handled);
    EXPECT_EQ(msg.message, message);
  }
}

TEST_F(InputFilter, BusyHostGetsNoAcceleratorTranslation) {
  FControl->SetBoolProperty(212, true);
  TOutcome o = Run(WM_KEYDOWN, 'A', {});
  EXPECT_EQ(o.Translated, 0u);
  EXPECT_EQ(o.ByToolkit, 1);
  EXPECT_FALSE(ActiveObject());
  FControl->SetBoolProperty(212, false);
  EXPECT_EQ(Run(WM_KEYDOWN, 'A', {}).Translated, 1u);
}

TEST_F(InputFilter, ActiveObjectIsFetchedOnceKeptAndRetriedAfterARefusal) {
  FControl->RefuseNext(IID_IOleInPlaceActiveObject, 1);
  EXPECT_EQ(Run(WM_KEYDOWN, 'A', {}).Translated, 0u);
  EXPECT_FALSE(ActiveObject()) << "a refusal leaves it empty";
  EXPECT_EQ(Run(WM_KEYDOWN, 'A', {}).Translated, 1u);
  IOleInPlaceActiveObject* kept = ActiveObject().Get();
  ASSERT_NE(kept, nullptr);

  // Navigations come and go; the object is not asked for again.
  NavigateTo("http://erp.example/next");
  FControl->Refuse(IID_IOleInPlaceActiveObject);
  EXPECT_EQ(Run(WM_KEYDOWN, 'B', {}).Translated, 1u);
  EXPECT_EQ(ActiveObject().Get(), kept);
}

TEST_F(InputFilter, ActivationPutsThePageBackIntoUserInterfaceActiveState) {
  const size_t before = FControl->DoVerbs.size();
  ApplicationActivated();
  EXPECT_EQ(FControl->DoVerbs.size(), before) << "no document yet: nothing happens";

  VARIANT document;
  VariantInit(&document);
  V_VT(&document) = VT_DISPATCH;
  V_DISPATCH(&document) = static_cast<IWebBrowser2*>(FControl);
  FControl->SetProperty(203, document);
  ApplicationActivated();
  ASSERT_EQ(FControl->DoVerbs.size(), before + 1);
  const auto& call = FControl->DoVerbs.back();
  EXPECT_EQ(call.Verb, OLEIVERB_UIACTIVATE);
  EXPECT_EQ(call.Site, BrowserSite());
  EXPECT_EQ(call.Parent, FForm->Handle());
  RECT client;
  GetClientRect(FForm->Handle(), &client);
  EXPECT_TRUE(EqualRect(&call.Position, &client));

  // The application object refusing IOleObject goes to the error report.
  FControl->Refuse(IID_IOleObject);
  SendMessageW(FForm->Handle(), WM_ACTIVATEAPP, FALSE, 0);
  SendMessageW(FForm->Handle(), WM_ACTIVATEAPP, TRUE, 0);
  FExpectedReports = {"Interface not supported"};
}

TEST_F(InputFilter, TheHooksGoWhenTheFormIsDeactivatedOrDestroyedAndComeBackOnActivation) {
  FForm->Deactivate();
  EXPECT_FALSE(FApplication.OnMessage) << "deactivation puts back the earlier (empty) filter";
  EXPECT_FALSE(FApplication.OnActivate);
  FForm->Activate();
  EXPECT_TRUE(FApplication.OnMessage);
  EXPECT_TRUE(FApplication.OnActivate);
  FTarget.reset();
  FForm.reset();
  EXPECT_FALSE(FApplication.OnMessage) << "no filter runs after the window is gone";
  EXPECT_FALSE(FApplication.OnActivate);
}

// The main window's browser component as the control sees it.
class ShellBrowser : public test::MainWindowTest {};

TEST_F(ShellBrowser, TheComponentTellsTheControlItsNameWebBrowser1) {
  test::TTestDoubleControl& control = FRegistration.Prepare();
  TMainForm form({"0", "0", "0", "400"});
  TVariant name;
  ASSERT_EQ(control.AmbientProperty(DISPID_AMBIENT_DISPLAYNAME, &name), S_OK);
  ASSERT_EQ(name.Type(), VT_BSTR);
  EXPECT_STREQ(V_BSTR(&name.Get()), L"WebBrowser1");
}

// The references the shell takes on the control and its document while it
// lives (activation reads Document and Application each time) are all given
// back by the end of its life.
TEST_F(ShellBrowser, TheShellsWholeLifeLeavesNoReferenceOnTheControlOrItsDocument) {
  test::TTestDoubleControl& control = FRegistration.Prepare();
  test::TTestDoubleControl document;  // counts what is held on it
  control.SetProperty(dispidDocument, TVariant(static_cast<IWebBrowser2*>(&document)).Get());
  {
    TMainForm form({"0", "0", "0", "400"});
    for (int i = 0; i < 5; ++i) {
      FApplication.ActivateApp(true);
      FApplication.ActivateApp(false);
    }
    EXPECT_EQ(control.CountOf(TDoubleCall::DoVerbUIActivate), 5u);
  }
  EXPECT_EQ(control.OutstandingReferences(), 0);
  EXPECT_EQ(document.OutstandingReferences(), 1);  // the control's own
  control.SetProperty(dispidDocument, TVariant().Get());
  EXPECT_EQ(document.OutstandingReferences(), 0);
}

}  // namespace
}  // namespace kvx::test
