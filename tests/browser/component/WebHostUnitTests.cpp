// The browser component's process-wide start and stop: what the unit puts in
// (OLE, the activation and wheel-focus hooks), what it keeps (the program's
// floating-point control) and what it puts back at its end, the user's proxy
// and navigation sound included; and the wheel turning over a document view.
#include "toolkit/Win.h"

#include "browser/component/AppActivationHook.h"
#include "browser/component/BrowserWindowHooks.h"
#include "browser/component/WebHost.h"
#include "browser/settings/NavigationSound.h"
#include "browser/component/WebHostUnit.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/ToolsTestSupport.h"
#include "tests/support/TestDoubleControl.h"
#include "toolkit/Application.h"
#include "toolkit/Button.h"
#include "toolkit/Component.h"
#include "toolkit/Exceptions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kvx::test {
namespace {

// The floating-point control the tests start from: zero division unmasked in
// both units, so that masking everything and putting it back both show.
constexpr TFloatingPointControl kZeroDivideUnmasked{0x027B, 0x1D80};

// Puts the test program's own floating-point control back, whatever a test did.
class TFloatingPointScope {
 public:
  TFloatingPointScope() : FOriginal(TFloatingPointControl::Current()) {
    kZeroDivideUnmasked.Load();
  }
  ~TFloatingPointScope() { FOriginal.Load(); }
  TFloatingPointScope(const TFloatingPointScope&) = delete;
  TFloatingPointScope& operator=(const TFloatingPointScope&) = delete;

 private:
  TFloatingPointControl FOriginal;
};

bool OleInitialisedHere() {
  const HRESULT result = OleInitialize(nullptr);
  if (SUCCEEDED(result)) OleUninitialize();
  return result == S_FALSE;
}

int FocusRequestsQueued() {
  int count = 0;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_REQUESTFOCUS, WM_REQUESTFOCUS, PM_REMOVE)) ++count;
  return count;
}

TEST(WebHostUnit, KeepsTheFloatingPointControlAndItsStopTakesBackAllItPutIn) {
  TFloatingPointScope floatingPoint;
  TApplication application;
  TSettingsJournal journal{std::wstring(TestJournalKey)};
  for (bool programHoldsOle : {false, true}) {
    SCOPED_TRACE(programHoldsOle ? "the program initialised OLE first" : "OLE by the unit alone");
    std::optional<TOleInitialize> programOle;
    if (programHoldsOle) programOle.emplace();
    {
      TWebHostUnit unit(application, journal);
      EXPECT_EQ(TWebHostUnit::Running(), &unit);
      EXPECT_EQ(unit.SavedFloatingPointControl(), kZeroDivideUnmasked);
      EXPECT_TRUE(OleInitialisedHere());
      EXPECT_TRUE(WheelFocusHookInstalled());
      EXPECT_TRUE(TAppActivationHook::ProcessInstalled());
      EXPECT_THROW(TWebHostUnit second(application, journal), Exception);

      TDisableErrors errors;
      errors.SetfpExceptions(false);
      // (Bit 6 of the x87 word always reads as set.)
      EXPECT_EQ(TFloatingPointControl::Current(), (TFloatingPointControl{0x133F | 0x40, 0x1F80}))
          << "all six masked";
      errors.SetfpExceptions(true);
      EXPECT_EQ(TFloatingPointControl::Current(), kZeroDivideUnmasked);
      errors.SetfpExceptions(false);  // left masked at the stop
    }
    EXPECT_EQ(TFloatingPointControl::Current(), kZeroDivideUnmasked);
    EXPECT_EQ(TWebHostUnit::Running(), nullptr);
    EXPECT_FALSE(WheelFocusHookInstalled());
    EXPECT_FALSE(TAppActivationHook::ProcessInstalled());
    EXPECT_EQ(OleInitialisedHere(), programHoldsOle)
        << "the unit's own OLE is let go of, and only that";
  }
}

TEST(WebHostUnit, TheActivationHookAsksAnActiveBrowserHostForTheFocusUntilTheUnitStops) {
  TOleInitialize ole;
  TApplication application;
  TSettingsJournal journal{std::wstring(TestJournalKey)};
  TTestDoubleRegistration registration;
  THostForm form;
  auto host = CreateComponent<TWebHost>(&form);
  auto button = CreateComponent<TButton>(&form);
  host->HandleNeeded();
  application.FormActivated(&form);
  int activations = 0;
  application.OnActivate = [&](TObject*) { ++activations; };
  auto activate = [&] {
    FocusRequestsQueued();  // nothing older counts
    SendMessageW(application.Handle(), CM_ACTIVATE, 0, 0);
  };
  {
    TWebHostUnit unit(application, journal);
    form.SetActiveControl(host.get());
    activate();
    MSG request{};
    ASSERT_TRUE(PeekMessageW(&request, nullptr, WM_REQUESTFOCUS, WM_REQUESTFOCUS, PM_NOREMOVE));
    EXPECT_EQ(request.hwnd, host->Handle());
    EXPECT_EQ(request.wParam, reinterpret_cast<WPARAM>(host.get()));
    EXPECT_EQ(request.lParam, 0);
    EXPECT_EQ(FocusRequestsQueued(), 1);
    EXPECT_EQ(activations, 1) << "the toolkit's own processing goes on";

    form.SetActiveControl(button.get());
    activate();
    EXPECT_EQ(FocusRequestsQueued(), 0);
    form.SetActiveControl(nullptr);
    activate();
    EXPECT_EQ(FocusRequestsQueued(), 0);

    TAppActivationHook second(application);
    second.InstallHook();
    EXPECT_FALSE(second.Installed()) << "one per process";
    form.SetActiveControl(host.get());
    activate();
    EXPECT_EQ(FocusRequestsQueued(), 1);
  }
  activate();
  EXPECT_EQ(FocusRequestsQueued(), 0);
  EXPECT_EQ(activations, 5);
}

// --- the wheel ----------------------------------------------------------------------------

// A window of this thread: a document view with a page inside it, and a
// page inside a window of another class. (Windows of classes of their own:
// static controls are transparent to the pointer.)
class TWheelFixture {
 public:
  TWheelFixture() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    for (const wchar_t* name :
         {DocumentViewClass, L"Shell DocObject View Other", L"KorvexaWheelTestWindow"}) {
      wc.lpszClassName = name;
      RegisterClassW(&wc);
    }
    FTop.Reset(CreateWindowExW(0, L"KorvexaWheelTestWindow", L"wheel", WS_POPUP | WS_VISIBLE, 100,
                               100, 400, 200, nullptr, nullptr, nullptr, nullptr));
    DocumentView = CreateWindowExW(0, DocumentViewClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 200,
                                   FTop.Get(), nullptr, nullptr, nullptr);
    OtherView = CreateWindowExW(0, L"Shell DocObject View Other", L"", WS_CHILD | WS_VISIBLE, 200,
                                0, 200, 200, FTop.Get(), nullptr, nullptr, nullptr);
    Page = CreateWindowExW(0, L"KorvexaWheelTestWindow", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 200,
                           DocumentView, nullptr, nullptr, nullptr);
    OtherPage = CreateWindowExW(0, L"KorvexaWheelTestWindow", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200,
                                200, OtherView, nullptr, nullptr, nullptr);
    FCounter.Reset(SetWindowsHookExW(WH_MOUSE, &CountWheels, nullptr, GetCurrentThreadId()));
  }

  HWND Top() const noexcept { return FTop.Get(); }
  HWND DocumentView, OtherView, Page, OtherPage;

  // Turns the wheel over `window`; true once this thread took the turn from its queue.
  bool TurnWheelOver(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    const int before = gWheels;
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_WHEEL;
    input.mi.mouseData = static_cast<DWORD>(-WHEEL_DELTA);
    SendInput(1, &input, sizeof input);
    return PumpUntil([&] { return gWheels > before; });
  }

 private:
  // Installed after the unit's hook, so it runs first and passes the turn on to it.
  static LRESULT CALLBACK CountWheels(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && wParam == WM_MOUSEWHEEL) ++gWheels;
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline int gWheels = 0;
  TUniqueWindow FTop;
  TUniqueHook FCounter;
};

TEST(WebHostUnit, TheWheelGivesTheDocumentViewUnderThePointerTheFocusWhileTheUnitRuns) {
  TApplication application;
  TSettingsJournal journal{std::wstring(TestJournalKey)};
  auto unit = std::make_unique<TWebHostUnit>(application, journal);
  TWheelFixture fixture;
  SetForegroundWindow(fixture.Top());
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == fixture.Top(); }));

  SetFocus(fixture.Top());
  ASSERT_TRUE(fixture.TurnWheelOver(fixture.OtherPage));
  EXPECT_EQ(GetFocus(), fixture.Top()) << "a parent of another class is no document view";
  ASSERT_TRUE(fixture.TurnWheelOver(fixture.Page));
  EXPECT_EQ(GetFocus(), fixture.DocumentView);

  unit.reset();
  SetFocus(fixture.Top());
  ASSERT_TRUE(fixture.TurnWheelOver(fixture.Page));
  EXPECT_EQ(GetFocus(), fixture.Top()) << "the hook went with the unit";
}

// --- the user's settings ------------------------------------------------------------------

TEST(WebHostUnit, TheUsersOwnProxyAndNavigationSoundComeBackWhenTheUnitStops) {
  TUserSettingsGuard guard;
  TOleInitialize ole;
  TApplication application;
  TSettingsJournal journal{std::wstring(TestJournalKey)};
  TTestDoubleRegistration registration;
  const TProxySnapshot user{PROXY_TYPE_PROXY, L"corp:3128", L"<local>;*.corp", std::nullopt};
  ASSERT_TRUE(user.Restore());
  const std::wstring current = std::wstring(NavigationSoundKey) + L"\\.Current";
  WriteText(current, nullptr, L"C:\\windows\\media\\click.wav");
  const TOptionsInForce before = OptionsInForce();
  ASSERT_EQ(before.ProxyServer, L"corp:3128");
  {
    TWebHostUnit unit(application, journal);
    THostForm form;
    auto host = CreateComponent<TWebHost>(&form);
    host->ProxySettings().AutoLoadProxy = true;
    host->ProxySettings().Address = "10.0.0.1";
    host->ProxySettings().Port = 8080;
    host->VisualEffects().DisableSounds = true;
    form.FinishLoading();
    EXPECT_TRUE(unit.ProxyApplied());
    EXPECT_TRUE(unit.SoundsDisabled());
    EXPECT_TRUE(OptionsInForce().Flags & PROXY_TYPE_PROXY);
    EXPECT_EQ(OptionsInForce().ProxyServer, L"10.0.0.1:8080");
    EXPECT_FALSE(KeyExists(current));
    host.reset();
    EXPECT_EQ(OptionsInForce().ProxyServer, L"10.0.0.1:8080")
        << "held by the unit, not the component";
  }
  const TOptionsInForce after = OptionsInForce();
  EXPECT_EQ(after.Flags, before.Flags) << "never direct with an empty proxy";
  EXPECT_EQ(after.ProxyServer, before.ProxyServer);
  EXPECT_EQ(after.ProxyBypass, before.ProxyBypass);
  EXPECT_EQ(ReadText(current, nullptr), L"C:\\windows\\media\\click.wav");
}

}  // namespace
}  // namespace kvx::test
