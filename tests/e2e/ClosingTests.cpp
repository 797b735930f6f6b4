// The real korvexa.exe under Wine: how the program ends when other boxes of
// the shell are open, and when the user's session ends.
#include "tests/support/ShellHarness.h"

#include "core/LauncherText.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>

namespace kvx::test {
namespace {

const std::string kClose(LauncherCloseText);

bool Responsive(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kWaitLimitMs, &result) != 0;
}

class ClosingE2E : public ::testing::Test {
 protected:
  ClosingE2E() { FFolder.WriteIniLines({L"[服务器]", L"地址=about:blank"}); }
  ~ClosingE2E() override { Finish(); }

  void Start() {
    FShell = std::make_unique<TShellProcess>(FFolder, L"0 300 0 400");
    FWindow = FShell->WaitMainWindow();
    ASSERT_NE(FWindow, nullptr);
  }

  void Finish() {
    FShell.reset();  // ends it if a test left it running, so pending sends come back
    for (auto& sending : FSending) sending.wait();
    FSending.clear();
  }

  // Sends a launcher message that the shell answers with a box; returns the box.
  TDialog SendExpectingBox(const std::string& text, HWND besides = nullptr) {
    FSending.push_back(
        std::async(std::launch::async, [this, text] { return SendLauncherText(FWindow, text); }));
    return FShell->WaitDialog(kNoticeTitle, kWaitLimit, besides);
  }

  // A box of the shell left open, as a user may leave one.
  TDialog OpenBox(bool confirmation) {
    if (!confirmation)
      return SendExpectingBox("1,2");  // a malformed dock geometry: the error report
    PostMessageW(ExitButtonOf(FWindow), BM_CLICK, 0, 0);
    return FShell->WaitDialog(kNoticeTitle);
  }

  TShellFolder FFolder;
  std::unique_ptr<TShellProcess> FShell;
  HWND FWindow = nullptr;
  std::vector<std::future<LRESULT>> FSending;
};

TEST_F(ClosingE2E, AConfirmedCloseEndsTheProgramWhileAnotherBoxIsOpen) {
  const struct {
    const char* name;
    bool openConfirmation;  // else the error report is open
    int answer;  // to the confirmation of "关闭", which ends the program whatever it is
  } cases[] = {
      {"error report open, Yes", false, IDYES},
      {"error report open, No", false, IDNO},
      {"an earlier confirmation open, Yes", true, IDYES},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NO_FATAL_FAILURE(Start());
    TDialog open = OpenBox(c.openConfirmation);
    ASSERT_NE(open.Window, nullptr);
    TDialog confirm = SendExpectingBox(kClose, open.Window);
    ASSERT_NE(confirm.Window, nullptr);
    TShellProcess::Press(confirm, c.answer);
    // Nobody answers the box that was open first.
    EXPECT_EQ(FShell->WaitExit(), std::optional<DWORD>(0));
    Finish();
  }
}

TEST_F(ClosingE2E, SessionEndEndsTheProgramWithoutAsking) {
  for (bool boxOpen : {false, true}) {
    SCOPED_TRACE(boxOpen ? "error report open" : "no box open");
    ASSERT_NO_FATAL_FAILURE(Start());
    if (boxOpen) {
      ASSERT_NE(OpenBox(false).Window, nullptr);
    }
    DWORD_PTR result = 0;
    ASSERT_NE(SendMessageTimeoutW(FWindow, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                  kWaitLimitMs, &result),
              0);
    EXPECT_NE(result, 0u) << "the shell does not hold up the session";
    // The session goes on after all: nothing happens.
    ASSERT_NE(SendMessageTimeoutW(FWindow, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                  kWaitLimitMs, &result),
              0);
    EXPECT_TRUE(Responsive(FWindow));
    EXPECT_TRUE(FShell->Running());
    // The session ends: the program ends before its answer; no box asks anything.
    SendMessageTimeoutW(FWindow, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, kWaitLimitMs,
                        &result);
    EXPECT_EQ(FShell->WaitExit(), std::optional<DWORD>(0));
    Finish();
  }
}

}  // namespace
}  // namespace kvx::test
