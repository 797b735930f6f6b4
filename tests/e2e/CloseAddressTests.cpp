// The real korvexa.exe, started by the launcher-bar simulator, is handed the
// close address as a launcher message: the shell navigates to it, its
// before-navigation handler asks for confirmation, and the answer decides.
#include "tests/support/ShellHarness.h"

#include <gtest/gtest.h>

#include <string>

namespace kvx::test {
namespace {

// Ends a process the test started if the test left it running.
struct TProcessGuard {
  HANDLE Process = nullptr;
  ~TProcessGuard() {
    if (Process && WaitForSingleObject(Process, 0) == WAIT_TIMEOUT) TerminateProcess(Process, 1);
  }
};

HWND FindNoticeOf(DWORD processId) {
  HWND found = nullptr;
  for (HWND w = FindWindowW(L"#32770", kNoticeTitle.c_str()); w;
       w = FindWindowExW(nullptr, w, L"#32770", kNoticeTitle.c_str())) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == processId && IsWindowVisible(w)) {
      found = w;
      break;
    }
  }
  return found;
}

TEST(CloseAddressE2E, ConfirmationDecidesWhetherTheShellEnds) {
  for (int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDNO ? "No" : "Yes");
    TShellFolder folder;
    std::wstring simulator = LAUNCHERBAR_EXE;
    if (!simulator.empty() && simulator[0] == L'/') simulator = L"Z:" + simulator;
    std::wstring commandLine =
        L"\"" + simulator + L"\" --exe \"" + folder.Exe().wstring() +
        L"\" --start 100 0 80 600 about:blank --send javascript:banner_closeapp()";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(simulator.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &info));
    TUniqueKernelHandle simulatorProcess(info.hProcess), simulatorThread(info.hThread);
    TProcessGuard simulatorGuard{simulatorProcess.Get()};

    HWND window = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] { return (window = FindWindowW(nullptr, kShellCaption.c_str())) != nullptr; }));
    DWORD shellId = 0;
    GetWindowThreadProcessId(window, &shellId);
    TUniqueKernelHandle shell(OpenProcess(
        SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, shellId));
    ASSERT_TRUE(shell);
    TProcessGuard shellGuard{shell.Get()};

    HWND confirm = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (confirm = FindNoticeOf(shellId)) != nullptr; }))
        << "no close confirmation";
    TShellProcess::Press(TDialog{confirm, kNoticeTitle, L""}, answer);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(confirm); })) << "the confirmation stayed";

    if (answer == IDNO) {
      DWORD_PTR result = 0;
      EXPECT_NE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kWaitLimitMs, &result), 0)
          << "not responsive";
      EXPECT_EQ(WaitForSingleObject(shell.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
          << "ended on No";
      EXPECT_TRUE(IsWindow(window));
      // Then the user closes it.
      PostMessageW(window, WM_CLOSE, 0, 0);
      ASSERT_TRUE(PumpUntil([&] { return (confirm = FindNoticeOf(shellId)) != nullptr; }));
      TShellProcess::Press(TDialog{confirm, kNoticeTitle, L""}, IDYES);
    }
    ASSERT_EQ(WaitForSingleObject(shell.Get(), kWaitLimitMs), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 1;
    GetExitCodeProcess(shell.Get(), &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(WaitForSingleObject(simulatorProcess.Get(), kWaitLimitMs),
              static_cast<DWORD>(WAIT_OBJECT_0));
  }
}

}  // namespace
}  // namespace kvx::test
