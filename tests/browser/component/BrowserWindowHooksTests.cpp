// The component's watch over the windows inside the browser control: which
// windows it takes, what their focus tells the form, and that letting go of
// them never leaves a window calling code that is gone, whoever destroys
// what first (the window, the component, or someone who subclassed the
// window after us).
#include "toolkit/Win.h"

#include "browser/component/BrowserWindowHooks.h"
#include "browser/component/WebHost.h"
#include "tests/browser/component/WebHostTest.h"
#include "tests/support/Pump.h"
#include "toolkit/Component.h"

#include <gtest/gtest.h>
#include <shlguid.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace kvx::test {
namespace {

constexpr UINT kPing = WM_APP + 1;       // answered 0x1234 by the window's own procedure
constexpr UINT kRunAction = WM_APP + 2;  // runs gAction inside the window's own procedure
constexpr LRESULT kPingAnswer = 0x1234;

// What the windows' own procedure saw.
std::map<HWND, int> gPings;
std::map<HWND, bool> gOwnProcedureAtEnd;  // its own procedure was in force at WM_NCDESTROY
std::function<void()> gAction;

LRESULT CALLBACK InnerWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case kPing:
      ++gPings[window];
      return kPingAnswer;
    case kRunAction:
      if (auto action = std::exchange(gAction, nullptr)) action();
      return 0;
    case WM_NCDESTROY:
      gOwnProcedureAtEnd[window] =
          GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&InnerWindowProc);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

HWND MakeInnerWindow(const wchar_t* className, HWND parent) {
  WNDCLASSW wc{};
  if (!GetClassInfoW(GetModuleHandleW(nullptr), className, &wc)) {
    wc.lpfnWndProc = InnerWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    RegisterClassW(&wc);
  }
  return CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, parent, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

bool OwnProcedureInForce(HWND window) {
  return GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&InnerWindowProc);
}

// The document view and the page window inside it, as the browser makes them.
struct TInnerWindows {
  explicit TInnerWindows(HWND browser)
      : First(MakeInnerWindow(DocumentViewClass, browser)),
        Second(MakeInnerWindow(L"Internet Explorer_Server", First.Get())) {}
  TUniqueWindow First;
  TUniqueWindow Second;
};

// Another window subclassing one of ours after us, as another program's
// hook or a library may.
class TLaterSubclass {
 public:
  explicit TLaterSubclass(HWND window)
      : FWindow(window),
        FPrevious(reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure)))) {
    gPrevious = FPrevious;
  }
  // Puts back what it found (our procedure).
  void Remove() { SetWindowLongPtrW(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FPrevious)); }
  static int Seen;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    ++Seen;
    return CallWindowProcW(gPrevious, window, msg, wParam, lParam);
  }
  static WNDPROC gPrevious;
  HWND FWindow;
  WNDPROC FPrevious;
};
int TLaterSubclass::Seen = 0;
WNDPROC TLaterSubclass::gPrevious = nullptr;

class BrowserWindowHooksTest : public WebHostTest {
 protected:
  void SetUp() override {
    WebHostTest::SetUp();
    gPings.clear();
    gOwnProcedureAtEnd.clear();
    FBaseThunks = TWindowThunk::LiveCount();
  }
  long ThunksMade() const { return TWindowThunk::LiveCount() - FBaseThunks; }
  // What the browser sends when it rebuilds its windows: its pre-refresh command.
  HRESULT PreRefresh() { return Engine().Exec(&CGID_Explorer, OLECMDID_PREREFRESH); }

  long FBaseThunks = 0;
};

TEST_F(BrowserWindowHooksTest, InnerWindowsAreTakenOnceAndGetTheirProceduresBackWhenDestroyed) {
  auto host = MakeWebHost();
  TInnerWindows inner(host->Handle());
  PreRefresh();
  EXPECT_EQ(ThunksMade(), 2);
  EXPECT_FALSE(OwnProcedureInForce(inner.First.Get()));
  EXPECT_FALSE(OwnProcedureInForce(inner.Second.Get()));
  EXPECT_EQ(SendMessageW(inner.Second.Get(), kPing, 0, 0), kPingAnswer)
      << "the window's own procedure answers";
  PreRefresh();
  EXPECT_EQ(ThunksMade(), 2) << "taken once";

  HWND first = inner.First.Get(), second = inner.Second.Get();
  inner.First.Reset();  // the page window goes with it
  EXPECT_TRUE(gOwnProcedureAtEnd[first]);
  EXPECT_TRUE(gOwnProcedureAtEnd[second]);
  EXPECT_EQ(ThunksMade(), 0);

  // The browser's next windows are taken again, and go with the control.
  TInnerWindows next(host->Handle());
  PreRefresh();
  EXPECT_EQ(ThunksMade(), 2);
  host.reset();
  EXPECT_FALSE(IsWindow(next.Second.Get()));
  EXPECT_TRUE(gOwnProcedureAtEnd[next.Second.Get()]);
  EXPECT_EQ(ThunksMade(), 0);
}

TEST_F(BrowserWindowHooksTest, AFolderViewIsTakenAloneAndItsFocusDoesNotActivateTheDocument) {
  auto host = MakeWebHost();
  TUniqueWindow folderView(MakeInnerWindow(L"SysListView32", host->Handle()));
  PreRefresh();
  EXPECT_EQ(ThunksMade(), 1);
  TUniqueWindow item(CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                                     folderView.Get(), nullptr, nullptr, nullptr));
  FForm.Show();
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == FForm.Handle(); }));
  // From a window of the browser's own: nothing of the toolkit's sees the focus move.
  SetFocus(item.Get());
  FForm.SetActiveControl(nullptr);
  const size_t before = UIActivations();
  SetFocus(folderView.Get());
  ASSERT_EQ(GetFocus(), folderView.Get());
  EXPECT_EQ(FForm.ActiveControl(), host.get());
  EXPECT_EQ(UIActivations(), before);
}

TEST_F(BrowserWindowHooksTest,
       ThePageWindowsFocusMakesTheHostTheActiveControlAndActivatesTheDocument) {
  auto host = MakeWebHost();
  TInnerWindows inner(host->Handle());
  FForm.Show();
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == FForm.Handle(); }));
  for (bool hooked : {false, true}) {
    SCOPED_TRACE(hooked ? "watched" : "not watched");
    // The focus moves between the browser's own windows: nothing of the
    // toolkit's sees it go.
    SetFocus(inner.First.Get());
    if (hooked) PreRefresh();
    FForm.SetActiveControl(nullptr);
    const size_t before = UIActivations();
    SetFocus(inner.Second.Get());
    ASSERT_EQ(GetFocus(), inner.Second.Get());
    EXPECT_EQ(FForm.ActiveControl(), hooked ? host.get() : nullptr);
    EXPECT_EQ(UIActivations(), before + (hooked ? 1 : 0));
  }
}

TEST_F(BrowserWindowHooksTest, MakingTheFormsWindowAgainKeepsTheComponentsWindowProcedureAndWatch) {
  auto host = MakeWebHost();
  host->SetAlign(TAlign::alClient);
  TInnerWindows inner(host->Handle());
  FForm.Show();
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == FForm.Handle(); }));
  PreRefresh();
  ASSERT_EQ(ThunksMade(), 2);
  const HWND window = host->Handle(), oldForm = FForm.Handle();
  const size_t windows = ProcessWindowCount();

  FForm.SetBorderStyle(TFormBorderStyle::bsSizeable);  // the form's window is made again
  FForm.RecreateWnd();
  ASSERT_FALSE(IsWindow(oldForm));
  SetForegroundWindow(FForm.Handle());
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == FForm.Handle(); }));
  EXPECT_EQ(host->Handle(), window);
  EXPECT_EQ(GetParent(window), FForm.Handle());
  EXPECT_EQ(ProcessWindowCount(), windows) << "no window left behind";
  // The component's own window procedure still answers, and the browser's
  // windows are still watched, by the same procedures.
  EXPECT_EQ(SendMessageW(window, WM_GETDLGCODE, 0, 0), DLGC_WANTCHARS);
  EXPECT_EQ(ThunksMade(), 2);
  EXPECT_FALSE(OwnProcedureInForce(inner.Second.Get()));
  // The control lost its user-interface activation with the old frame; the
  // page window's focus gives it back.
  FForm.SetActiveControl(nullptr);
  ASSERT_FALSE(Double().UIActive());
  SetFocus(inner.Second.Get());
  ASSERT_EQ(GetFocus(), inner.Second.Get());
  EXPECT_EQ(FForm.ActiveControl(), host.get());
  EXPECT_TRUE(Double().UIActive());

  host.reset();
  EXPECT_EQ(ThunksMade(), 0);
}

TEST_F(BrowserWindowHooksTest, AHostThatGoesFirstGivesLiveWindowsTheirProceduresBack) {
  TUniqueWindow elsewhere(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                          nullptr, nullptr, nullptr));
  auto host = MakeWebHost();
  TInnerWindows inner(host->Handle());
  PreRefresh();
  ASSERT_EQ(ThunksMade(), 2);
  SetParent(inner.First.Get(), elsewhere.Get());  // outlives the control's window
  host.reset();
  EXPECT_TRUE(OwnProcedureInForce(inner.First.Get()));
  EXPECT_TRUE(OwnProcedureInForce(inner.Second.Get()));
  EXPECT_EQ(ThunksMade(), 0) << "no thunk left to reach";
  EXPECT_EQ(SendMessageW(inner.Second.Get(), kPing, 0, 0), kPingAnswer);
}

TEST_F(BrowserWindowHooksTest, AWindowSubclassedAfterUsKeepsWorkingAfterWeLetGo) {
  for (bool removedFirst : {true, false}) {
    SCOPED_TRACE(removedFirst ? "the later subclass removed, then a message"
                              : "the window destroyed");
    TUniqueWindow elsewhere(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                            nullptr, nullptr, nullptr));
    auto host = MakeWebHost();
    TInnerWindows inner(host->Handle());
    PreRefresh();
    HWND second = inner.Second.Get();
    TLaterSubclass later(second);
    SetParent(inner.First.Get(), elsewhere.Get());
    host.reset();

    // Our procedure stays behind the later one, passing messages on.
    EXPECT_EQ(ThunksMade(), 1);
    TLaterSubclass::Seen = 0;
    gPings.clear();
    EXPECT_EQ(SendMessageW(second, kPing, 0, 0), kPingAnswer);
    EXPECT_EQ(TLaterSubclass::Seen, 1);
    EXPECT_EQ(gPings[second], 1);
    if (removedFirst) {
      later.Remove();  // ours is in force again: the next message lets it go
      EXPECT_EQ(SendMessageW(second, kPing, 0, 0), kPingAnswer);
      EXPECT_TRUE(OwnProcedureInForce(second));
      EXPECT_EQ(ThunksMade(), 0);
    } else {
      inner.First.Reset();
      EXPECT_EQ(ThunksMade(), 0) << "freed with the window";
    }
  }
}

TEST_F(BrowserWindowHooksTest, AHostDestroyedWhileAMessageIsInsideTheWindowFreesNothingUnderIt) {
  auto host = MakeWebHost();
  TInnerWindows inner(host->Handle());
  PreRefresh();
  gAction = [&] { host.reset(); };  // the windows go with the control, inside the message
  SendMessageW(inner.Second.Get(), kRunAction, 0, 0);
  EXPECT_FALSE(host);
  EXPECT_FALSE(IsWindow(inner.Second.Get()));
  EXPECT_EQ(ThunksMade(), 0);
}

}  // namespace
}  // namespace kvx::test
