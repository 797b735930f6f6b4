// The real korvexa.exe under Wine with the launcher-bar simulator's window as
// its peer: commands, addresses and dock geometry in, geometry reports out.
#include "tests/support/ShellHarness.h"

#include "LauncherBar.h"

#include "core/CodePage.h"
#include "core/LauncherText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <sstream>

namespace kvx::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kMaximise(LauncherMaximiseText);
const std::string kRestore(LauncherRestoreText);
const std::string kToFront(LauncherToFrontText);
const std::string kPosition(LauncherPositionText);
const std::string kClose(LauncherCloseText);
const std::string kCloseAddress = "javascript:banner_closeapp()";

std::string BoundsText(const RECT& r) {
  return FormatGeometryReport(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

RECT WorkArea() {
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

class LauncherE2E : public ::testing::Test {
 protected:
  void Start(const std::wstring& args, const std::vector<std::wstring>& environment = {}) {
    const std::size_t first = FBar->MessageCount();
    FShell = std::make_unique<TShellProcess>(FFolder, args, environment);
    FWindow = FShell->WaitMainWindow();
    ASSERT_NE(FWindow, nullptr);
    FBar->SetShell(FWindow);
    // Once the shell answers, its start-up is over: it reported nothing while
    // it came up (the bar may be hung: its texts are read without asking it).
    DWORD_PTR result = 0;
    ASSERT_NE(SendMessageTimeoutW(FWindow, WM_NULL, 0, 0, SMTO_NORMAL, kWaitLimitMs, &result), 0)
        << "not responsive";
    EXPECT_EQ(FBar->Texts(first), Texts{}) << "reported while starting";
  }

  RECT Bounds() const { return FShell->WindowRect(FWindow); }

  // Sends text and returns what the shell sent the bar meanwhile. The send is
  // synchronous and so are the shell's reports, so nothing arrives later.
  Texts Exchange(const std::string& text) {
    std::size_t first = FBar->MessageCount();
    EXPECT_TRUE(FBar->Send(text));
    return FBar->Texts(first);
  }

  // Sends text that the shell answers with a modal box; returns the box.
  TDialog SendExpectingBox(const std::string& text, const std::wstring& title = kNoticeTitle) {
    FSending.push_back(FBar->SendAsync(text));
    return FShell->WaitDialog(title);
  }

  // Waits until the sends of SendExpectingBox have come back.
  void WaitSent() {
    for (auto& sending : FSending) sending.wait();
    FSending.clear();
  }

  ~LauncherE2E() override {
    FShell.reset();  // ends it if it hung, so pending sends come back
    WaitSent();
  }

  // Answers Yes to every close confirmation until the shell has ended.
  void ConfirmUntilExit() {
    const auto end = std::chrono::steady_clock::now() + kWaitLimit;
    while (FShell->Running() && std::chrono::steady_clock::now() < end) {
      TDialog confirm = FShell->WaitDialog(kNoticeTitle, std::chrono::milliseconds(200));
      if (confirm.Window) TShellProcess::Press(confirm, IDYES);
    }
    EXPECT_EQ(FShell->WaitExit(std::chrono::milliseconds(0)), std::optional<DWORD>(0));
  }

  void CloseShell() {
    if (!FShell || !FShell->Running()) return;
    // Sent without the bar's help: a test may have taken the bar away.
    std::future<LRESULT> sending =
        std::async(std::launch::async, [this] { return SendLauncherText(FWindow, kClose); });
    ConfirmUntilExit();
    FShell.reset();  // ends it if it hung, so the send comes back
    sending.wait();
  }

  TShellFolder FFolder;
  std::vector<std::future<bool>> FSending;
  std::unique_ptr<TLauncherBar> FBar = std::make_unique<TLauncherBar>();
  std::unique_ptr<TShellProcess> FShell;
  HWND FWindow = nullptr;
};

TEST_F(LauncherE2E, DockGeometryMovesWithoutReporting) {
  Start(L"0 300 0 400");
  const int width = Bounds().right - Bounds().left;
  const struct {
    const char* text;
    RECT expected;
  } cases[] = {
      {"100,0,80,600", {180, 0, 180 + width, 600}},
      {"10,20,30,500,ignored", {40, 20, 40 + width, 520}},  // five items behave as four
      {" 5 , 6 ,\"7\", 300", {12, 6, 12 + width, 306}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Exchange(c.text), Texts{});
    RECT r = Bounds();
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right);
    EXPECT_EQ(r.bottom, c.expected.bottom);
  }
  CloseShell();
}

TEST_F(LauncherE2E, MaximiseDocksThenRestoresAndOnlyTheRestoreIsReported) {
  Start(L"100 0 80 600");
  const RECT area = WorkArea();
  for (const std::string& toggle : {kMaximise, kRestore}) {
    SCOPED_TRACE(toggle == kMaximise ? "maximise" : "restore");
    const RECT before = Bounds();
    EXPECT_EQ(Exchange(toggle), Texts{}) << "a docked maximise ordered by the bar is not reported";
    RECT docked = Bounds();
    EXPECT_EQ(docked.left, 80);
    EXPECT_EQ(docked.top, 0);
    EXPECT_EQ(docked.right, area.right);
    EXPECT_EQ(docked.bottom, area.bottom);
    EXPECT_FALSE(IsZoomed(FWindow)) << "docking is not the platform's maximise";

    EXPECT_EQ(Exchange(toggle), Texts{BoundsText(before)});
    EXPECT_EQ(BoundsText(Bounds()), BoundsText(before));
  }
  // A maximise the user makes (not ordered by the bar) reports its moves,
  // the final report being the docked bounds.
  std::size_t first = FBar->MessageCount();
  SendMessageW(FWindow, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  // Moved and resized at once: one report for each, then the closing one.
  EXPECT_EQ(FBar->Texts(first), Texts(3, BoundsText({80, 0, area.right, area.bottom})));
  CloseShell();
}

TEST_F(LauncherE2E, PositionReportsTheCurrentBoundsInTheAgreedFormat) {
  Start(L"100 0 80 600");
  for (const std::string& text : {kPosition, " " + kPosition + " ", "\t" + kPosition + "\r\n"}) {
    std::size_t first = FBar->MessageCount();
    EXPECT_EQ(Exchange(text), Texts{BoundsText(Bounds())});
    auto messages = FBar->Messages();
    ASSERT_EQ(messages.size(), first + 1);
    const auto& report = messages.back();
    EXPECT_EQ(report.Size, report.Text.size() + 1);
    EXPECT_TRUE(report.NulTerminated);
    EXPECT_EQ(report.Data, 0u);
    EXPECT_EQ(report.Sender, 0u) << "the shell does not pass its window";
  }
  CloseShell();
}

TEST_F(LauncherE2E, ToFrontBringsTheShellForward) {
  Start(L"100 0 80 600");
  TUniqueWindow other(CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                      nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(other);
  auto above = [](HWND upper, HWND lower) {
    for (HWND w = GetWindow(upper, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
      if (w == lower) return true;
    return false;
  };
  SetForegroundWindow(other.Get());
  ASSERT_TRUE(PumpUntil(
      [&] { return GetForegroundWindow() == other.Get() && above(other.Get(), FWindow); }));
  EXPECT_EQ(Exchange(" " + kToFront + " "), Texts{});
  // In front of our window, which has lost the foreground. (Whether the
  // foreground then stays with the shell is up to Wine's X focus handling,
  // which sometimes hands it on to the desktop.)
  EXPECT_TRUE(PumpUntil(
      [&] { return above(FWindow, other.Get()) && GetForegroundWindow() != other.Get(); }));
  other.Reset();
  CloseShell();
}

TEST_F(LauncherE2E, CloseEndsTheProgramWhateverTheAnswer) {
  for (int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDNO ? "No" : "Yes");
    Start(L"100 0 80 600");
    TDialog confirm = SendExpectingBox(kClose);
    ASSERT_NE(confirm.Window, nullptr);
    EXPECT_EQ(NormaliseLineBreaks(confirm.Text), NormaliseLineBreaks(kCloseQuestion));
    TShellProcess::Press(confirm, answer);
    EXPECT_EQ(FShell->WaitExit(), std::optional<DWORD>(0));
    WaitSent();
  }
}

TEST_F(LauncherE2E, OtherItemsAreAddressesUnlessCommasSplitThem) {
  // Single items that are not commands, a minimise among them, are navigated
  // to; the close address shows that they reached the browser: the shell asks
  // to close.
  const std::string quoted = "\"" + kCloseAddress + ",a b\"";
  for (const std::string& address : {kCloseAddress, quoted}) {
    SCOPED_TRACE(address);
    Start(L"100 0 80 600");
    const RECT before = Bounds();
    EXPECT_EQ(Exchange("\xD7\xEE\xD0\xA1\xBB\xAF"), Texts{});  // 最小化
    EXPECT_FALSE(IsIconic(FWindow));
    EXPECT_EQ(BoundsText(Bounds()), BoundsText(before));

    if (address == kCloseAddress) {
      // Unquoted, commas make it a dock geometry message whose first item is no integer.
      TDialog error = SendExpectingBox(kCloseAddress + ",1,2,3");
      ASSERT_NE(error.Window, nullptr);
      TShellProcess::Press(error, IDOK);
      WaitSent();
      EXPECT_EQ(BoundsText(Bounds()), BoundsText(before));
    }

    std::future<bool> sending = FBar->SendAsync(address);
    ASSERT_NE(FShell->WaitDialog(kNoticeTitle).Window, nullptr) << "not navigated";
    ConfirmUntilExit();
    sending.wait();
  }
}

TEST_F(LauncherE2E, MalformedGeometryIsReportedAndMovesNothing) {
  Start(L"0 0 0 600");
  const RECT before = Bounds();
  for (const char* text : {"", "   ", "7,0,x,600", "1,2"}) {
    SCOPED_TRACE(text);
    TDialog error = SendExpectingBox(text);
    ASSERT_NE(error.Window, nullptr) << "no error report";
    EXPECT_NE(error.Text.find(L"\u505C\u9760\u4F4D\u7F6E\u6D88\u606F\u65E0\u6548"),
              std::wstring::npos);
    TShellProcess::Press(error, IDOK);
    WaitSent();
    EXPECT_EQ(BoundsText(Bounds()), BoundsText(before));
  }
  EXPECT_EQ(FBar->Texts(), Texts{});

  // The dock left was stored before the conversion stopped ("7", then "1"),
  // so a user maximise no longer asks for the position; the offset is still 0, so
  // it is the platform's maximise. Reports flow again: the flag was cleared.
  std::size_t first = FBar->MessageCount();
  SendMessageW(FWindow, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(FWindow));
  Texts after = FBar->Texts(first);
  EXPECT_FALSE(after.empty()) << "reports stayed suppressed";
  for (const auto& text : after) EXPECT_NE(text, kPosition);
  CloseShell();
}

TEST_F(LauncherE2E, WithAZeroDockMaximiseIsThePlatformsAndToFrontKeepsOrRestoresTheWindow) {
  Start(L"0 0 0 600");
  // Ordered by the bar: the position request is suppressed, so it is the
  // platform's maximise and nothing is sent.
  EXPECT_EQ(Exchange(kMaximise), Texts{});
  EXPECT_TRUE(IsZoomed(FWindow));
  // Brought to the front, it stays maximised; minimised, it comes back.
  EXPECT_EQ(Exchange(kToFront), Texts{});
  EXPECT_TRUE(IsZoomed(FWindow));
  ShowWindow(FWindow, SW_MINIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(FWindow) != FALSE; }));
  EXPECT_EQ(Exchange(kToFront), Texts{});
  EXPECT_FALSE(IsIconic(FWindow));
  CloseShell();
}

TEST_F(LauncherE2E, GeometryForAPlatformMaximisedWindowRestoresItSoTheNextMaximiseDocks) {
  Start(L"0 0 0 600");
  const RECT before = Bounds();
  const int width = before.right - before.left;
  EXPECT_EQ(Exchange(kMaximise), Texts{});
  ASSERT_TRUE(IsZoomed(FWindow)) << "no offset yet: the platform's maximise";

  EXPECT_EQ(Exchange("100,0,80,600"), Texts{});
  EXPECT_FALSE(IsZoomed(FWindow)) << "moved by the bar, no longer maximised";
  EXPECT_EQ(BoundsText(Bounds()), BoundsText({180, 0, 180 + width, 600}));

  const RECT area = WorkArea();
  EXPECT_EQ(Exchange(kMaximise), Texts{});
  EXPECT_FALSE(IsZoomed(FWindow));
  EXPECT_EQ(BoundsText(Bounds()), BoundsText({80, 0, area.right, area.bottom})) << "docked";
  EXPECT_EQ(Exchange(kRestore), Texts{BoundsText({180, 0, 180 + width, 600})}) << "and back";
  CloseShell();
}

TEST_F(LauncherE2E, UserMaximiseAsksForThePositionAndDocksWithTheAnswer) {
  FFolder.WriteIniLines({L"[服务器]", L"地址=about:blank", L"[系统设置]", L"允许调整窗体大小=是"});
  FBar->SetPositionAnswer("10,0,90,500");
  Start(L"");
  ASSERT_TRUE(GetWindowLongW(FWindow, GWL_STYLE) & WS_CAPTION) << "not the framed mode";
  // A user start maximises the window the platform's way; undo that first.
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(FWindow) != FALSE; }));
  SendMessageW(FWindow, WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_FALSE(IsZoomed(FWindow));

  const RECT area = WorkArea();
  std::size_t first = FBar->MessageCount();
  // A double click on the caption bar.
  PostMessageW(FWindow, WM_SYSCOMMAND, SC_MAXIMIZE | 2, 0);
  const std::string docked = BoundsText({90, 0, area.right, area.bottom});
  auto request = [&] {
    Texts texts = FBar->Texts(first);
    return std::find(texts.begin(), texts.end(), kPosition) - texts.begin();
  };
  ASSERT_TRUE(PumpUntil([&] {
    return FBar->Texts(first).size() >= static_cast<std::size_t>(request()) + 4;
  })) << ::testing::PrintToString(FBar->Texts(first));
  // Late notices of the restore (Wine syncs with the X server) may come
  // first; then the request, and then, the answer's move not being reported,
  // the docking's move, resize and end.
  Texts texts = FBar->Texts(first);
  Texts fromRequest(texts.begin() + request(), texts.end());
  EXPECT_EQ(fromRequest, (Texts{kPosition, docked, docked, docked}));
  EXPECT_EQ(BoundsText(Bounds()), docked);
  EXPECT_FALSE(IsZoomed(FWindow));
  CloseShell();
}

TEST_F(LauncherE2E, MaximiseNeverLeavesTheWindowCollapsed) {
  FFolder.WriteIniLines({L"[服务器]", L"地址=about:blank"});
  const RECT area = WorkArea();
  const struct {
    const char* name;
    std::wstring args;
    std::vector<std::string> toggles;
  } cases[] = {
      // Maximised the platform's way, the window matches the work area, but
      // no docked maximise saved bounds to go back to.
      {"user start", L"", {kMaximise}},
      {"zero dock geometry", L"0 0 0 600", {kMaximise, kMaximise}},
      // Docking right of the offset would leave no width at all.
      {"offset past the right edge",
       L"0 0 " + std::to_wstring(area.right + 20) + L" 600",
       {kMaximise, kRestore}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NO_FATAL_FAILURE(Start(c.args));
    for (const std::string& toggle : c.toggles) {
      Exchange(toggle);
      const RECT r = Bounds();
      EXPECT_GT(r.right - r.left, 0);
      EXPECT_GT(r.bottom - r.top, 0);
      RECT onScreen{};
      EXPECT_TRUE(IntersectRect(&onScreen, &r, &area)) << BoundsText(r);
      EXPECT_TRUE(IsWindowVisible(FWindow));
      EXPECT_TRUE(IsZoomed(FWindow)) << "the platform's maximise: " << BoundsText(r);
    }
    CloseShell();
  }
}

// Minimised, a window's rectangle is its icon's (160 x 24 under Wine, about
// -32000, -32000 on Windows). Whatever the bar sends meanwhile, the user gets
// the whole docked window back, never one the icon's size or off screen.
TEST_F(LauncherE2E, ADockedWindowMinimisedComesBackAtItsFullDockedSize) {
  Start(L"100 0 80 600");
  const RECT area = WorkArea();
  const std::string start = BoundsText(Bounds());
  const std::string docked = BoundsText({80, 0, area.right, area.bottom});
  for (const std::string& toggle : {kRestore, kMaximise}) {
    SCOPED_TRACE(toggle == kMaximise ? "maximise" : "restore");
    Exchange(kMaximise);
    ASSERT_EQ(BoundsText(Bounds()), docked);
    ShowWindow(FWindow, SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return IsIconic(FWindow) != FALSE; }));

    // The bar's toggle brings the window back from its icon and undocks it.
    Exchange(toggle);
    EXPECT_FALSE(IsIconic(FWindow));
    EXPECT_EQ(BoundsText(Bounds()), start);
    // The user restores it from the task bar, and the bar docks it again.
    SendMessageW(FWindow, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_EQ(Exchange(kMaximise), Texts{});
    EXPECT_EQ(BoundsText(Bounds()), docked);
    EXPECT_EQ(Exchange(kMaximise), Texts{start});
    EXPECT_EQ(BoundsText(Bounds()), start);
  }
  CloseShell();
}

// Bounds to go back to that lie on no monitor's work area (a bar that put the
// window off screen, a monitor taken away since) come back on the nearest one,
// their size kept.
TEST_F(LauncherE2E, ASavedGeometryOffEveryScreenComesBackOnTheWorkArea) {
  Start(L"100 0 80 600");
  const RECT area = WorkArea();
  const int width = Bounds().right - Bounds().left;
  const struct {
    const char* geometry;
    RECT away;
    POINT back;
  } cases[] = {
      {"-5000,0,80,600", {-4920, 0, -4920 + width, 600}, {area.left, 0}},
      {"5000,0,80,600", {5080, 0, 5080 + width, 600}, {area.right - width, 0}},
      {"0,-5000,80,600", {80, -5000, 80 + width, -4400}, {80, area.top}},
      {"0,5000,80,600", {80, 5000, 80 + width, 5600}, {80, area.bottom - 600}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.geometry);
    EXPECT_EQ(Exchange(c.geometry), Texts{});
    ASSERT_EQ(BoundsText(Bounds()), BoundsText(c.away));
    Exchange(kMaximise);
    ASSERT_EQ(BoundsText(Bounds()), BoundsText({80, 0, area.right, area.bottom}));
    const std::string back = BoundsText({c.back.x, c.back.y, c.back.x + width, c.back.y + 600});
    EXPECT_EQ(Exchange(kMaximise), Texts{back});
    EXPECT_EQ(BoundsText(Bounds()), back);
  }
  CloseShell();
}

TEST_F(LauncherE2E, ShellStaysUsableWhenTheBarStopsAnswering) {
  FBar->StopAnswering();
  ASSERT_NO_FATAL_FAILURE(Start(L"100 0 80 600"));
  // A maximise the user makes reports three times to the hung bar; the
  // first send gives up, the others wait for the bar, and the shell goes on.
  PostMessageW(FWindow, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  const RECT area = WorkArea();
  EXPECT_TRUE(PumpUntil([&] {
    return BoundsText(Bounds()) == BoundsText({80, 0, area.right, area.bottom});
  }));

  HWND exitButton = ExitButtonOf(FWindow);
  ASSERT_NE(exitButton, nullptr);
  PostMessageW(exitButton, BM_CLICK, 0, 0);
  TDialog confirm = FShell->WaitDialog(kNoticeTitle);
  ASSERT_NE(confirm.Window, nullptr) << "the shell did not answer its exit button";
  TShellProcess::Press(confirm, IDYES);
  EXPECT_EQ(FShell->WaitExit(), std::optional<DWORD>(0));
}

// A bar that has not answered one send costs the shell that one bounded wait:
// the user's window answers within 2.5 s throughout, reports made meanwhile
// wait, and once the bar answers again it gets the newest bounds.
TEST_F(LauncherE2E, AHungBarCostsTheShellAtMostOneBound) {
  const struct {
    const char* name;
    std::wstring args;
    std::function<void(HWND)> act;
    std::optional<POINT> endsAt;  // the window's top left at the end
  } cases[] = {
      // It asks the bar for the position first, then maximises the platform's way.
      {"a user maximise with no dock geometry", L"0 0 0 600",
       [](HWND shell) { PostMessageW(shell, WM_SYSCOMMAND, SC_MAXIMIZE, 0); }, std::nullopt},
      {"a user maximise after a launcher-bar start", L"100 0 80 600",
       [](HWND shell) { PostMessageW(shell, WM_SYSCOMMAND, SC_MAXIMIZE, 0); }, POINT{80, 0}},
      {"a burst of moves", L"100 0 80 600",
       [](HWND shell) {
         for (int x = 110; x <= 200; x += 10)
           SetWindowPos(shell, nullptr, x, x / 2, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
       },
       POINT{200, 100}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // A bar of its own each time: the platform gives up on a bar at once
    // only after it has not answered for about 5 s.
    FBar = std::make_unique<TLauncherBar>();
    ASSERT_NO_FATAL_FAILURE(Start(c.args));
    HWND exitButton = ExitButtonOf(FWindow);
    ASSERT_NE(exitButton, nullptr);
    FBar->StopAnswering();
    const std::size_t first = FBar->MessageCount();

    const auto acted = std::chrono::steady_clock::now();
    c.act(FWindow);
    // The user clicks the exit button: the question comes in time.
    PostMessageW(exitButton, BM_CLICK, 0, 0);
    TDialog confirm = FShell->WaitDialog(kNoticeTitle);
    const auto answered = std::chrono::steady_clock::now() - acted;
    ASSERT_NE(confirm.Window, nullptr) << "the shell did not answer its exit button";
    EXPECT_LT(answered, std::chrono::milliseconds(2500));
    TShellProcess::Press(confirm, IDNO);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(confirm.Window); }));

    // Answering again, the bar gets what waited for it, the newest bounds
    // last, and then each report as it is made.
    FBar->ResumeAnswering();
    EXPECT_TRUE(PumpUntil([&] {
      Texts texts = FBar->Texts(first);
      return !texts.empty() && texts.back() == BoundsText(Bounds());
    })) << ::testing::PrintToString(FBar->Texts(first));
    EXPECT_LE(FBar->Texts(first).size(), 2u)
        << "only the newest bounds matter: " << ::testing::PrintToString(FBar->Texts(first));
    EXPECT_EQ(Exchange(kPosition), Texts{BoundsText(Bounds())});
    if (c.endsAt) {
      EXPECT_EQ(Bounds().left, c.endsAt->x);
      EXPECT_EQ(Bounds().top, c.endsAt->y);
    }
    CloseShell();
  }
}

TEST_F(LauncherE2E, AnErrorBoxDoesNotCaptureMessagesForTheMainWindow) {
  FFolder.WriteIniLines({L"[服务器]", L"地址=about:blank"});
  // The main window's trace shows what reaches it.
  const std::filesystem::path trace = FFolder.Path() / L"trace.log";
  ASSERT_NO_FATAL_FAILURE(Start(L"0 300 0 400", {L"KORVEXA_TRACE=" + trace.wstring()}));
  // Found by title, as a launcher bar finds the shell.
  FBar->SetShell(nullptr);
  TDialog error = SendExpectingBox("1,2");
  ASSERT_NE(error.Window, nullptr);
  EXPECT_EQ(Exchange(kPosition), Texts{BoundsText(Bounds())});

  // A second copy asks the minimised main window to come back. (The window
  // cannot, its box being open: a disabled window ignores system commands.)
  ShowWindow(FWindow, SW_MINIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(FWindow) != FALSE; }));
  TShellProcess second(FFolder, L"0 300 0 400");
  EXPECT_EQ(second.WaitExit(), std::optional<DWORD>(0));
  EXPECT_FALSE(LinesWith(trace, "main window").empty()) << "no trace";
  EXPECT_EQ(LinesWith(trace, "WM_SYSCOMMAND wParam=f120").size(), 1u)
      << "the second copy did not reach the main window";

  TShellProcess::Press(error, IDOK);
  WaitSent();
  CloseShell();
}

TEST_F(LauncherE2E, WithoutLauncherBarNothingIsSentAndNothingFails) {
  Start(L"0 0 0 600");
  FBar.reset();
  // Windows that match the bar by class or by title only are not the bar.
  TLauncherBar wrongTitle;
  ASSERT_TRUE(SetWindowTextW(wrongTitle.Window(), L"TolvinMain2"));
  TUniqueWindow wrongClass(CreateWindowExW(0, L"STATIC", L"TolvinMain", WS_POPUP, 0, 0, 10, 10,
                                           nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(wrongClass);
  static int copiesToWrongClass = 0;
  static WNDPROC staticProc = nullptr;
  staticProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      wrongClass.Get(), GWLP_WNDPROC,
      reinterpret_cast<LONG_PTR>(+[](HWND w, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        if (msg == WM_COPYDATA) ++copiesToWrongClass;
        return CallWindowProcW(staticProc, w, msg, wp, lp);
      })));
  ASSERT_EQ(FindWindowW(L"TTolvinMain", L"TolvinMain"), nullptr);

  // A user maximise finds nobody to ask and falls back to the platform's.
  SendMessageW(FWindow, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(FWindow));
  SendMessageW(FWindow, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsZoomed(FWindow));

  const int width = Bounds().right - Bounds().left;
  for (const std::string& text : {std::string("100,0,80,600"), kPosition, kMaximise}) {
    SCOPED_TRACE(text);
    SendLauncherText(FWindow, text);
  }
  const RECT area = WorkArea();
  EXPECT_EQ(BoundsText(Bounds()), BoundsText({80, 0, area.right, area.bottom}));
  // Restoring reports, to nobody.
  SendMessageW(FWindow, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_EQ(BoundsText(Bounds()), BoundsText({180, 0, 180 + width, 600}));
  DWORD_PTR result = 0;
  EXPECT_NE(SendMessageTimeoutW(FWindow, WM_NULL, 0, 0, SMTO_NORMAL, kWaitLimitMs, &result), 0)
      << "not responsive";
  EXPECT_EQ(wrongTitle.MessageCount(), 0u);
  EXPECT_EQ(copiesToWrongClass, 0);
  CloseShell();
}

TEST_F(LauncherE2E, HostileBuffersAreBoundedByTheirSize) {
  Start(L"0 300 0 400");
  const RECT before = Bounds();
  const int width = before.right - before.left;

  // "位置" without a NUL: read as exactly its four bytes.
  std::size_t first = FBar->MessageCount();
  std::unique_ptr<char[]> position(new char[4]);
  std::copy(kPosition.begin(), kPosition.end(), position.get());
  EXPECT_TRUE(FBar->SendBytes(position.get(), 4));
  EXPECT_EQ(FBar->Texts(first), Texts{BoundsText(before)});

  // Geometry without a NUL, cut short by the size: "600999" is sent, "600" meant.
  const std::string geometry = "100,0,80,600999";
  EXPECT_TRUE(FBar->SendBytes(geometry.data(), static_cast<DWORD>(geometry.size() - 3)));
  RECT r = Bounds();
  EXPECT_EQ(BoundsText(r), BoundsText({180, 0, 180 + width, 600}));

  // A NUL inside the size ends the text.
  const char withNul[] = "100,0,80,500\0,junk";
  EXPECT_TRUE(FBar->SendBytes(withNul, sizeof withNul - 1));
  EXPECT_EQ(BoundsText(Bounds()), BoundsText({180, 0, 180 + width, 500}));

  // A null lpData with any size does nothing at all.
  first = FBar->MessageCount();
  EXPECT_TRUE(FBar->SendBytes(nullptr, 4096));
  EXPECT_EQ(FBar->Texts(first), Texts{});
  EXPECT_EQ(BoundsText(Bounds()), BoundsText({180, 0, 180 + width, 500}));

  // cbData 0 is an empty text: a dock geometry message without items.
  std::future<bool> sending =
      std::async(std::launch::async, [&] { return FBar->SendBytes(position.get(), 0); });
  TDialog error = FShell->WaitDialog(kNoticeTitle);
  ASSERT_NE(error.Window, nullptr);
  TShellProcess::Press(error, IDOK);
  sending.wait();
  EXPECT_EQ(BoundsText(Bounds()), BoundsText({180, 0, 180 + width, 500}));
  DWORD_PTR result = 0;
  EXPECT_NE(SendMessageTimeoutW(FWindow, WM_NULL, 0, 0, SMTO_NORMAL, kWaitLimitMs, &result), 0)
      << "not responsive";
  CloseShell();
}

// The simulator program itself, as a user runs it: it starts the shell, sends
// its lines, prints what comes back and stays until the shell ends.
TEST(LauncherSimulatorE2E, StartsTheShellSendsAndPrintsReports) {
  TShellFolder folder;
  const std::filesystem::path output = folder.Path() / L"launcherbar.out";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  TUniqueKernelHandle file(CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_NE(file.Get(), INVALID_HANDLE_VALUE);

  std::wstring simulator = LAUNCHERBAR_EXE;
  if (!simulator.empty() && simulator[0] == L'/') simulator = L"Z:" + simulator;
  std::wstring commandLine =
      L"\"" + simulator + L"\" --exe \"" + folder.Exe().wstring() +
      L"\" --start 100 0 80 600 --send \u4F4D\u7F6E \u6700\u5927\u5316 \u6700\u5927\u5316 "
      L"\":bytes CEBBD6C3\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = file.Get();
  startup.hStdError = file.Get();
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessW(simulator.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                             nullptr, nullptr, &startup, &info));
  TUniqueKernelHandle process(info.hProcess), thread(info.hThread);
  file.Reset();

  // Once it waits for the shell to end, its lines are done.
  auto printed = [&] {
    std::ifstream in(output, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  };
  ASSERT_TRUE(PumpUntil([&] {
    return printed().find("waiting for the shell to end") != std::string::npos;
  })) << printed();
  HWND shell = FindWindowW(nullptr, kShellCaption.c_str());
  ASSERT_NE(shell, nullptr);
  std::future<LRESULT> closing =
      std::async(std::launch::async, [shell] { return SendLauncherText(shell, kClose); });
  TDialog confirm;
  ASSERT_TRUE(PumpUntil(
      [&] { return (confirm.Window = FindWindowW(L"#32770", kNoticeTitle.c_str())) != nullptr; }));
  TShellProcess::Press(confirm, IDYES);
  closing.wait();
  EXPECT_EQ(WaitForSingleObject(process.Get(), kWaitLimitMs), WAIT_OBJECT_0);

  // "位置", the restore after the docking, and "位置" without its NUL: three
  // reports of the same bounds, each on a line of its own after the time.
  std::string out = printed();
  std::size_t reports = 0;
  for (std::size_t at = out.find(" 180,0,775,600\r\n"); at != std::string::npos;
       at = out.find(" 180,0,775,600\r\n", at + 1))
    ++reports;
  EXPECT_EQ(reports, 3u) << out;
  EXPECT_NE(out.find("shell ended"), std::string::npos) << out;
}

}  // namespace
}  // namespace kvx::test
