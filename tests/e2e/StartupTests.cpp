// The real korvexa.exe under Wine: placement from the command line, single
// instance, the start-up notice, closing, the framed mode and hostile input.
#include "tests/support/ShellHarness.h"

#include "core/ProfileReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <future>
#include <memory>
#include <thread>

namespace kvx::test {
namespace {

const std::wstring kNoServer = L"about:blank";

std::vector<std::wstring> IniWithAddress(const std::wstring& address,
                                         const std::vector<std::wstring>& extra = {}) {
  std::vector<std::wstring> lines{L"[服务器]", L"地址=" + address, L"[系统设置]"};
  lines.insert(lines.end(), extra.begin(), extra.end());
  return lines;
}

TEST(StartupE2E, ALauncherStartPutsTheWindowAtLeftPlusOffset775WideAndAtLeast251High) {
  TShellFolder folder;
  struct {
    const wchar_t* args;
    RECT expected;  // left, top, right, bottom
  } cases[] = {
      {L"100 0 80 600 about:blank", {180, 0, 180 + 775, 600}},
      {L"100 0 80 100", {180, 0, 180 + 775, 251}},  // never lower than 251
      {L"-50 20 10 300 \"  about:blank  \"", {-40, 20, -40 + 775, 320}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    TShellProcess shell(folder, c.args);
    HWND window = shell.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    RECT r = shell.WindowRect(window);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right);
    EXPECT_EQ(r.bottom, c.expected.bottom);
    CloseThroughConfirmation(shell, window);
  }
}

TEST(StartupE2E, SecondCopyHandsOverUnlessSeveralAreAllowed) {
  TShellFolder folder;
  folder.WriteIniLines(IniWithAddress(kNoServer));
  TShellProcess first(folder, L"0 0 0 400");
  HWND window = first.WaitMainWindow();
  ASSERT_NE(window, nullptr);
  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(window) != FALSE; }));

  TShellProcess second(folder, L"0 0 0 400");
  EXPECT_EQ(second.WaitExit(), std::optional<DWORD>(0));
  EXPECT_EQ(second.FindMainWindow(false), nullptr);
  EXPECT_TRUE(PumpUntil([&] { return !IsIconic(window); })) << "the first copy was not restored";

  folder.WriteIniLines(IniWithAddress(kNoServer, {L"允许多开=是"}));
  TShellProcess third(folder, L"0 0 0 400");
  HWND thirdWindow = third.WaitMainWindow();
  ASSERT_NE(thirdWindow, nullptr);
  EXPECT_NE(thirdWindow, window);
  CloseThroughConfirmation(third, thirdWindow);
  CloseThroughConfirmation(first, window);
}

TEST(StartupE2E, BlankAddressShowsTheNoticeThenAsksToClose) {
  for (const std::wstring& address : {std::wstring(L""), std::wstring(L"   ")}) {
    SCOPED_TRACE(address.size());
    TShellFolder folder;
    folder.WriteIniLines(IniWithAddress(address));
    TShellProcess shell(folder, L"");
    TDialog notice = shell.WaitDialog(kNoticeTitle);
    ASSERT_NE(notice.Window, nullptr);
    EXPECT_EQ(notice.Text, L"请先在korvexa.ini中配置访问地址！");
    TShellProcess::Press(notice, IDOK);

    TDialog confirm;
    ASSERT_TRUE(PumpUntil([&] {
      confirm = shell.WaitDialog(kNoticeTitle, 200ms);
      return confirm.Window && confirm.Window != notice.Window && IsWindow(notice.Window) == FALSE;
    }));
    EXPECT_EQ(NormaliseLineBreaks(confirm.Text), NormaliseLineBreaks(kCloseQuestion));
    EXPECT_EQ(shell.FindMainWindow(true), nullptr)
        << "the main window showed before the close was confirmed";
    TShellProcess::Press(confirm, IDYES);
    EXPECT_EQ(shell.WaitExit(), std::optional<DWORD>(0));
  }
}

TEST(StartupE2E, ExitButtonAsksAndOnlyYesEnds) {
  TShellFolder folder;
  TShellProcess shell(folder, L"0 0 0 500 about:blank");
  HWND window = shell.WaitMainWindow();
  ASSERT_NE(window, nullptr);
  HWND exitButton = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (exitButton = ExitButtonOf(window)) != nullptr; }));
  // Designed place: 224, 4 inside the inner title panel, which sits 1 pixel in.
  RECT button = shell.WindowRect(exitButton);
  EXPECT_EQ(button.left, 0 + 1 + 224);
  EXPECT_EQ(button.top, 0 + 1 + 4);
  EXPECT_TRUE(IsWindowVisible(exitButton));

  PostMessageW(exitButton, BM_CLICK, 0, 0);
  TDialog confirm = shell.WaitDialog(kNoticeTitle);
  ASSERT_NE(confirm.Window, nullptr);
  EXPECT_EQ(NormaliseLineBreaks(confirm.Text), NormaliseLineBreaks(kCloseQuestion));
  TShellProcess::Press(confirm, IDNO);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(confirm.Window); }));
  EXPECT_FALSE(shell.WaitExit(1s).has_value());
  EXPECT_TRUE(IsWindowVisible(window));

  PostMessageW(exitButton, BM_CLICK, 0, 0);
  confirm = shell.WaitDialog(kNoticeTitle);
  ASSERT_NE(confirm.Window, nullptr);
  TShellProcess::Press(confirm, IDYES);
  EXPECT_EQ(shell.WaitExit(), std::optional<DWORD>(0));
}

TEST(StartupE2E, ResizableSettingGivesAFramedWindowWithoutTitlePanel) {
  TShellFolder folder;
  folder.WriteIniLines(IniWithAddress(kNoServer, {L"允许调整窗体大小=是"}));
  TShellProcess shell(folder, L"");
  HWND window = shell.WaitMainWindow();
  ASSERT_NE(window, nullptr);
  LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_MAXIMIZE) << "a user-started shell opens maximised";
  HWND panel = FindWindowExW(window, nullptr, L"KorvexaPanel", nullptr);
  ASSERT_NE(panel, nullptr);
  EXPECT_FALSE(IsWindowVisible(panel));
  CloseThroughConfirmation(shell, window);

  // In geometry mode korvexa.ini is not read: the window stays frameless.
  TShellProcess placed(folder, L"0 0 0 400");
  window = placed.WaitMainWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & WS_CAPTION, 0);
  CloseThroughConfirmation(placed, window);
}

TEST(StartupE2E, AGarbledIniOrAbsurdNumbersStillOpenTheWindowAndLeftPlusOffsetDoesNotWrap) {
  struct {
    const char* name;
    std::string ini;
    std::wstring args;
    bool placedRightOfZero;  // a wrapped left + offset would be far left of the screen
  } cases[] = {
      {"binary korvexa.ini", std::string("\0\xFF\xFE[\x81\x30]\x00=\r\r\n\xEF", 13), L"", false},
      {"line without newline", Gbk(L"[服务器]\r\n地址=about:blank"), L"", false},
      {"absurd numbers fall back", "", L"99999999999999999999 0 0 600 about:blank", false},
      {"overflowing left + offset", "", L"2147483647 0 2147483647 600", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TShellFolder folder;
    folder.WriteIni(c.ini);
    TShellProcess shell(folder, c.args);
    HWND window = shell.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(shell.Running());
    if (c.placedRightOfZero) {
      EXPECT_GE(shell.WindowRect(window).left, 0);
    }
    CloseThroughConfirmation(shell, window);
  }
}

TEST(StartupE2E, KorvexaIniIsReadOnlyUpToItsBound) {
  // A blank address past the bound would stop the start with the notice:
  // unread, the default server is used and the window opens.
  TShellFolder folder;
  std::string ini = Gbk(L"[服务器]\r\n");
  while (ini.size() <= MaxProfileFileBytes)
    ini += "filler=0123456789012345678901234567890123456789\r\n";
  ini += Gbk(L"地址=   \r\n");
  folder.WriteIni(ini);
  TShellProcess shell(folder, L"");
  HWND window = shell.WaitMainWindow();
  ASSERT_NE(window, nullptr) << "the address past the bound was read";
  CloseThroughConfirmation(shell, window);
}

TEST(StartupE2E, SimultaneousStartsLeaveOneWindow) {
  for (std::size_t copies : {2u, 10u}) {
    SCOPED_TRACE(copies);
    TShellFolder folder;
    folder.WriteIniLines(IniWithAddress(kNoServer));
    std::vector<std::unique_ptr<TShellProcess>> shells;
    for (std::size_t i = 0; i < copies; ++i)
      shells.push_back(std::make_unique<TShellProcess>(folder, L"0 0 0 400"));
    auto running = [&] {
      return std::count_if(shells.begin(), shells.end(),
                           [](const auto& shell) { return shell->Running(); });
    };
    EXPECT_TRUE(PumpUntil([&] { return running() <= 1; }, 2 * kWaitLimit))
        << running() << " copies run";
    ASSERT_EQ(running(), 1);
    for (auto& shell : shells) {
      if (shell->Running()) continue;
      EXPECT_EQ(shell->WaitExit(0ms), std::optional<DWORD>(0));
    }
    auto survivor = std::find_if(shells.begin(), shells.end(),
                                 [](const auto& shell) { return shell->Running(); });
    HWND window = (*survivor)->WaitMainWindow();
    ASSERT_NE(window, nullptr);
    CloseThroughConfirmation(**survivor, window);
  }
}

// A top-level window on a thread that stops processing messages once the
// window exists: a program that hangs.
class THungWindow {
 public:
  THungWindow(const wchar_t* className, const std::wstring& title, DWORD style) {
    std::promise<HWND> created;
    std::future<HWND> window = created.get_future();
    FThread = std::thread([&created, className, title, style, this] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = DefWindowProcW;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = className;
      RegisterClassW(&wc);
      HWND w = CreateWindowExW(0, className, title.c_str(), style, 0, 0, 200, 200, nullptr, nullptr,
                               wc.hInstance, nullptr);
      created.set_value(w);
      if (!w) return;
      WaitForSingleObject(FEnding.Get(), INFINITE);
      DestroyWindow(w);
    });
    FWindow = window.get();
  }
  ~THungWindow() {
    SetEvent(FEnding.Get());
    FThread.join();
  }
  HWND Get() const { return FWindow; }

 private:
  TUniqueKernelHandle FEnding{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  HWND FWindow = nullptr;
  std::thread FThread;
};

TEST(StartupE2E, OnlyAnotherCopysMainWindowCountsAsARunningCopy) {
  TShellFolder folder;
  folder.WriteIniLines(IniWithAddress(kNoServer));
  {
    // Titled like the shell, but no window of the shell: this copy starts.
    THungWindow other(L"KorvexaLookalike", kShellCaption, WS_POPUP);
    ASSERT_NE(other.Get(), nullptr);
    TShellProcess shell(folder, L"0 0 0 400");
    HWND window = shell.WaitMainWindow();
    ASSERT_NE(window, nullptr)
        << "another window with the shell's title was taken for a running copy";
    CloseThroughConfirmation(shell, window);
  }
  {
    // A running copy that hangs, minimised: the request to restore it gives up,
    // and this copy still ends.
    THungWindow hung(L"TMainForm", kShellCaption, WS_POPUP | WS_VISIBLE | WS_MINIMIZE);
    ASSERT_NE(hung.Get(), nullptr);
    ASSERT_TRUE(IsIconic(hung.Get()));
    TShellProcess shell(folder, L"0 0 0 400");
    EXPECT_EQ(shell.WaitExit(), std::optional<DWORD>(0));
    EXPECT_EQ(shell.FindMainWindow(false), nullptr);
  }
}

}  // namespace
}  // namespace kvx::test
