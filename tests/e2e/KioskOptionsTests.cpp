// The real korvexa.exe under Wine with korvexa.ini's [浏览器] options: the
// document mode's browser-emulation value for korvexa.exe exists while the
// shell runs and never after it, in both kinds of start, also when the shell
// was killed or the user's session ended; without the option nothing is written; an unknown value
// is reported once and the shell runs without it.
#include "tests/support/ShellHarness.h"

#include "browser/settings/UserRegistryValues.h"
#include "tests/support/ToolsTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kvx::test {
namespace {

const std::wstring EmulationKey(BrowserEmulationKey);
const std::wstring JournalKey(SettingsJournalKey);
const std::wstring LauncherStart = L"100 0 80 600 about:blank";

std::optional<DWORD> ShellsValue() {
  return ReadNumber(EmulationKey, L"korvexa.exe");
}

// Whether the shell's journal records a browser-emulation change.
bool JournalRecordsEmulation() {
  if (!KeyExists(JournalKey)) return false;
  for (const std::wstring& name : SubkeyNames(JournalKey))
    if (name.rfind(L"BrowserEmulation", 0) == 0) return true;
  return false;
}

// Starts the shell, checks `whileRunning` once its window shows, and closes it
// as a user does.
void RunAndClose(const TShellFolder& folder, const std::wstring& arguments,
                 const std::function<void()>& whileRunning) {
  TShellProcess shell(folder, arguments);
  HWND window = shell.WaitMainWindow();
  ASSERT_NE(window, nullptr);
  whileRunning();
  CloseThroughConfirmation(shell, window);
}

class KioskOptionsE2E : public ::testing::Test {
 protected:
  void SetUp() override { DeleteValue(EmulationKey, L"korvexa.exe"); }

  // The user's browser-emulation values and the shell's journal, put back.
  TRegistryBackup FEmulation{EmulationKey, true};
  TRegistryBackup FJournal{JournalKey, true};
  TShellFolder FFolder;
};

TEST_F(KioskOptionsE2E, TheDocumentModeValueLivesExactlyAsLongAsTheShell) {
  const struct {
    const char* start;
    std::vector<std::wstring> ini;
    std::wstring arguments;
    DWORD value;
  } cases[] = {
      {"launcher-bar start", {L"[浏览器]", L"文档模式=11001"}, LauncherStart, 11001},
      {"user start, automatic",
       {L"[服务器]", L"地址=about:blank", L"[浏览器]", L"文档模式=自动"},
       L"",
       11000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    FFolder.WriteIniLines(c.ini);
    RunAndClose(FFolder, c.arguments,
                [&] { EXPECT_EQ(ShellsValue(), std::optional<DWORD>(c.value)); });
    EXPECT_EQ(ShellsValue(), std::nullopt);
    EXPECT_FALSE(JournalRecordsEmulation());
  }
}

TEST_F(KioskOptionsE2E, AKilledShellsValueGoesAtTheNextStart) {
  FFolder.WriteIniLines({L"[浏览器]", L"文档模式=11001"});
  {
    TShellProcess shell(FFolder, LauncherStart);
    ASSERT_NE(shell.WaitMainWindow(), nullptr);
    ASSERT_EQ(ShellsValue(), std::optional<DWORD>(11001));
    TUniqueKernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, shell.Id()));
    ASSERT_TRUE(process);
    ASSERT_TRUE(TerminateProcess(process.Get(), 1));  // as the task manager ends it
    ASSERT_NE(shell.WaitExit(), std::nullopt);
  }
  ASSERT_EQ(ShellsValue(), std::optional<DWORD>(11001))
      << "a killed shell puts nothing back itself";

  // The next start, without the option, puts it back before anything else.
  FFolder.WriteIniLines({L"[系统设置]"});
  RunAndClose(FFolder, LauncherStart, [] {
    EXPECT_EQ(ShellsValue(), std::nullopt);
    EXPECT_FALSE(JournalRecordsEmulation());
  });
}

TEST_F(KioskOptionsE2E, TheValueGoesWhenTheUsersSessionEnds) {
  FFolder.WriteIniLines({L"[浏览器]", L"文档模式=11001"});
  TShellProcess shell(FFolder, LauncherStart);
  HWND window = shell.WaitMainWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(ShellsValue(), std::optional<DWORD>(11001));
  // Log-off: the program ends inside its answer, without asking, and puts
  // back what it changed on the way out.
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, kWaitLimitMs,
                      &result);
  EXPECT_EQ(shell.WaitExit(), std::optional<DWORD>(0));
  EXPECT_EQ(ShellsValue(), std::nullopt);
  EXPECT_FALSE(JournalRecordsEmulation());
}

TEST_F(KioskOptionsE2E, WithoutTheOptionNothingIsWritten) {
  const bool keyExisted = KeyExists(EmulationKey);
  for (const std::vector<std::wstring>& ini :
       {std::vector<std::wstring>{}, std::vector<std::wstring>{L"[浏览器]", L"新窗口=本窗口"},
        std::vector<std::wstring>{L"[浏览器]", L"文档模式="}}) {
    SCOPED_TRACE(ini.empty() ? L"no korvexa.ini" : ini.back());
    if (ini.empty())
      std::filesystem::remove(FFolder.Path() / L"korvexa.ini");
    else
      FFolder.WriteIniLines(ini);
    RunAndClose(FFolder, LauncherStart, [] {
      EXPECT_EQ(ShellsValue(), std::nullopt);
      EXPECT_FALSE(JournalRecordsEmulation());
    });
    EXPECT_EQ(ShellsValue(), std::nullopt);
    EXPECT_EQ(KeyExists(EmulationKey), keyExisted) << "the feature key was created";
  }
}

TEST_F(KioskOptionsE2E, AnUnknownValueIsReportedOnceAndTheShellRunsWithoutIt) {
  const std::wstring badMode =
      L"korvexa.ini 中 [浏览器] 文档模式 的值“12000”无效，已忽略该设置。"
      L"允许的值：7000、8000、8888、9000、9999、10000、10001、11000、11001 或 自动。";
  const std::wstring badWindow =
      L"korvexa.ini 中 [浏览器] 新窗口 的值“新窗”无效，已忽略该设置。允许的值：默认、本窗口 或 "
      L"禁止。";
  const struct {
    const char* start;
    std::vector<std::wstring> ini;
    std::wstring arguments;
    std::wstring notice;
  } cases[] = {
      {"user start",
       {L"[服务器]", L"地址=about:blank", L"[浏览器]", L"文档模式=12000"},
       L"",
       badMode},
      {"launcher-bar start", {L"[浏览器]", L"新窗口=新窗"}, LauncherStart, badWindow},
      {"both",
       {L"[浏览器]", L"新窗口=新窗", L"文档模式=12000"},
       LauncherStart,
       badMode + L"\n\n" + badWindow},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    FFolder.WriteIniLines(c.ini);
    TShellProcess shell(FFolder, c.arguments);
    TDialog notice = shell.WaitDialog(kNoticeTitle);
    ASSERT_NE(notice.Window, nullptr);
    EXPECT_EQ(NormaliseLineBreaks(notice.Text), c.notice);
    HWND window = shell.FindMainWindow(true);
    EXPECT_NE(window, nullptr) << "the notice stands over the shell's window";
    TShellProcess::Press(notice, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(notice.Window); }));
    if (!window) window = shell.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ShellsValue(), std::nullopt);
    // The next box the shell shows is the close question: the notice came once.
    CloseThroughConfirmation(shell, window);
  }
}

}  // namespace
}  // namespace kvx::test
