// The real korvexa.exe under Wine: coming back to the shell from another
// program gives the browser host the focus back only when it had it, and the
// browser reads its site's ambient properties and gives back every reference
// it held on the host when the shell ends.
#include "tests/support/ShellHarness.h"

#include "tests/support/OtherThreadWindow.h"

#include "core/LauncherText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace kvx::test {
namespace {

const std::string kClose(LauncherCloseText);

// The browser control's window inside the main window.
HWND BrowserWindowOf(HWND mainWindow) {
  HWND found = nullptr;
  EnumChildWindows(
      mainWindow,
      [](HWND child, LPARAM param) -> BOOL {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        if (std::wstring(name) != L"Shell Embedding") return TRUE;
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// The keyboard focus of the thread that owns the window.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

bool Inside(HWND outer, HWND window) {
  return window && (window == outer || IsChild(outer, window));
}

// Presses the left mouse button over a window's centre, as a user does, and
// lets go there or, with `away`, over that window instead (no click then).
void PressOn(HWND window, HWND away = nullptr) {
  auto centre = [](HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  };
  auto button = [](DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
  };
  POINT at = centre(window);
  SetCursorPos(at.x, at.y);
  button(MOUSEEVENTF_LEFTDOWN);
  if (away) {
    at = centre(away);
    SetCursorPos(at.x, at.y);
  }
  button(MOUSEEVENTF_LEFTUP);
}

class ActivationE2E : public ::testing::Test {
 protected:
  ActivationE2E() { FFolder.WriteIniLines({L"[服务器]", L"地址=about:blank"}); }

  void Start() {
    FShell = std::make_unique<TShellProcess>(
        FFolder, L"0 300 0 400", std::vector<std::wstring>{L"KORVEXA_TRACE=" + FTrace.wstring()});
    FWindow = FShell->WaitMainWindow();
    ASSERT_NE(FWindow, nullptr);
    FBrowser = BrowserWindowOf(FWindow);
    ASSERT_NE(FBrowser, nullptr);
    ASSERT_NO_FATAL_FAILURE(BringShellForward());
  }

  size_t Count(const char* text) const { return LinesWith(FTrace, text).size(); }

  // The user goes to the other program and comes back to the shell (the
  // switch is made again until it took); answers how many activations the
  // shell saw and how many focus requests they posted.
  std::pair<size_t, size_t> ComeBack() {
    const size_t activations = Count("application activated"),
                 posted = Count("focus request posted");
    // Under Wine on a bare X server the shell now and then stays the active
    // application although the other window took the foreground; coming back
    // then activates nothing, and the whole round is made again.
    bool activated = false;
    for (int round = 0; round < 5 && !activated; ++round) {
      EXPECT_TRUE(
          SwitchForeground(FOther.Get(), [&] { return GetForegroundWindow() == FOther.Get(); }));
      activated =
          SwitchForeground(FWindow, [&] { return Count("application activated") > activations; });
    }
    EXPECT_TRUE(activated) << "not activated";
    // Once the shell answers, the activation it traced is done.
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeoutW(FWindow, WM_NULL, 0, 0, SMTO_NORMAL, kWaitLimitMs, &result), 0);
    return {Count("application activated") - activations, Count("focus request posted") - posted};
  }
  void BringShellForward() {
    ASSERT_TRUE(SwitchForeground(FWindow, [&] { return GetForegroundWindow() == FWindow; }));
  }

  // Closes the shell as the launcher bar's close command does, confirmed.
  void Close() {
    std::future<LRESULT> sending =
        std::async(std::launch::async, [this] { return SendLauncherText(FWindow, kClose); });
    TDialog confirm = FShell->WaitDialog(kNoticeTitle);
    ASSERT_NE(confirm.Window, nullptr);
    TShellProcess::Press(confirm, IDYES);
    EXPECT_EQ(FShell->WaitExit(), std::optional<DWORD>(0));
    sending.wait();
  }

  TShellFolder FFolder;
  const std::filesystem::path FTrace = FFolder.Path() / L"trace.log";
  // The other program the user switches to: a window of the test's own.
  TUniqueWindow FOther{CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 900, 600, 60,
                                       40, nullptr, nullptr, nullptr, nullptr)};
  std::unique_ptr<TShellProcess> FShell;
  HWND FWindow = nullptr;
  HWND FBrowser = nullptr;
};

TEST_F(ActivationE2E, ComingBackGivesTheBrowserHostTheFocusBackOnlyWhenItHadIt) {
  ASSERT_NO_FATAL_FAILURE(Start());
  // The browser host has the focus from the start.
  ASSERT_TRUE(PumpUntil([&] { return Inside(FBrowser, FocusOf(FWindow)); })) << FocusOf(FWindow);
  auto [activations, posted] = ComeBack();
  EXPECT_GE(activations, 1u);
  EXPECT_EQ(posted, activations) << "one focus request for each activation";
  EXPECT_TRUE(PumpUntil([&] { return Count("focus request taken") >= posted; }));
  EXPECT_EQ(Count("focus request taken, the focus inside"), Count("focus request taken"))
      << "the page area has it back";

  const HWND exitButton = ExitButtonOf(FWindow);
  ASSERT_NE(exitButton, nullptr);
  ASSERT_NO_FATAL_FAILURE(BringShellForward());
  PressOn(exitButton, FBrowser);  // let go elsewhere: no click
  ASSERT_TRUE(PumpUntil([&] { return FocusOf(FWindow) == exitButton; })) << FocusOf(FWindow);
  const size_t taken = Count("focus request taken");
  std::tie(activations, posted) = ComeBack();
  EXPECT_GE(activations, 1u);
  EXPECT_EQ(posted, 0u);
  EXPECT_EQ(Count("focus request taken"), taken);

  Close();
}

TEST_F(ActivationE2E, TheShellStartsTakesAmbientReadsNavigatesAndEndsWithEveryReferenceGivenBack) {
  ASSERT_NO_FATAL_FAILURE(Start());
  const size_t navigations = Count("before navigation to");
  SendLauncherText(FWindow, "about:blank");
  EXPECT_TRUE(PumpUntil([&] { return Count("before navigation to") > navigations; }))
      << "not navigated";
  Close();
  // The platform control reads ambient properties of its site as it is
  // sited (offline and silent); each is answered, none with an exception.
  const std::vector<std::string> ambient = LinesWith(FTrace, "ambient property");
  EXPECT_FALSE(ambient.empty()) << "no ambient property read";
  for (const std::string& line : ambient)
    EXPECT_TRUE(line.find(": 0x00000000") != std::string::npos ||
                line.find(": 0x80020003") != std::string::npos)
        << line;
  EXPECT_EQ(LinesWith(FTrace, "browser host ended").size(), 1u);
  EXPECT_EQ(Count("browser host ended: 0 references held on it"), 1u);
}

}  // namespace
}  // namespace kvx::test
