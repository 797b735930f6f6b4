// The user-wide settings a running shell changes through its browser
// component (the proxy, the navigation-sound rename, the registry user agent),
// seen from outside the process that changed them: ours while it runs, the
// user's own after its ordinary end; after it is killed, the user's own again
// once the real korvexa.exe starts, while a copy that still runs keeps them.
#include "toolkit/Win.h"

#include "browser/settings/ProxySettings.h"
#include "browser/settings/SettingsJournal.h"
#include "browser/settings/NavigationSound.h"
#include "browser/settings/UserRegistryValues.h"
#include "tests/support/ToolsTestSupport.h"
#include "tests/e2e/SettingsHolderProcess.h"
#include "tests/support/ShellHarness.h"
#include "toolkit/Registry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kvx::test {
namespace {

const std::wstring ShellJournal(SettingsJournalKey);
const std::wstring PostPlatform(PostPlatformKey);
const std::wstring CurrentSound = std::wstring(NavigationSoundKey) + L"\\.Current";
const std::wstring OurAgent =
    L"User-agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)(Korvexa test)";
const std::wstring OtherSoftwaresAgent = L"Other software 2.0";

// The user's own connection: a company proxy beside an automatic
// configuration script, as the platform's dialog sets them.
const TProxySnapshot UsersConnection{PROXY_TYPE_PROXY | PROXY_TYPE_AUTO_PROXY_URL, L"corp:3128",
                                     L"<local>;*.corp", L"http://pac.corp/proxy.pac"};

// What the platform keeps of the flags "direct and proxy": Wine keeps only
// whether a proxy is on, and reads that back as the proxy flag alone.
DWORD FlagsKeptForDirectAndProxy() {
  return RunningOnWine() ? PROXY_TYPE_PROXY : PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY;
}

std::wstring Text(const std::optional<std::wstring>& text) {
  return text.value_or(L"(none)");
}

std::wstring Record(const std::wstring& name) {
  return ShellJournal + L"\\" + name;
}

// The settings as the user sees them.
struct TUserState {
  DWORD ProxyFlags = 0;
  std::wstring Proxy;
  std::wstring Sound;
  std::wstring Agent;
  std::wstring OtherAgent;
  friend bool operator==(const TUserState&, const TUserState&) = default;
};

void PrintTo(const TUserState& state, std::ostream* out) {
  *out << state.ProxyFlags << " " << ::testing::PrintToString(state.Proxy) << " "
       << ::testing::PrintToString(state.Sound) << " " << ::testing::PrintToString(state.Agent)
       << " " << ::testing::PrintToString(state.OtherAgent);
}

TUserState UserState() {
  const TOptionsInForce proxy = OptionsInForce();
  return {proxy.Flags, Text(proxy.ProxyServer),
          KeyExists(CurrentSound) ? Text(ReadText(CurrentSound, L"")) : L"muted",
          ReadText(PostPlatform, OurAgent.c_str()) ? L"our agent" : L"no agent of ours",
          Text(ReadText(PostPlatform, OtherSoftwaresAgent.c_str()))};
}

class UserSettingsE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(UsersConnection.Restore());
    WriteText(CurrentSound, L"", L"click.wav");
    WriteText(PostPlatform, OtherSoftwaresAgent.c_str(), L"");
    DeleteValue(PostPlatform, OurAgent.c_str());
    DeleteRegTree(HKEY_CURRENT_USER, ShellJournal);
    FBefore = UserState();
    ASSERT_EQ(FBefore.Proxy, L"corp:3128");
  }

  TUserSettingsGuard FGuard;
  TRegistryBackup FShellJournal{ShellJournal, true};
  TUserState FBefore;
};

TEST_F(UserSettingsE2E, AComponentsProxyIsOursWhileItRunsAndExactlyTheUsersAfterItsEnd) {
  const std::optional<TProxySnapshot> prior = TProxySnapshot::Capture();
  ASSERT_TRUE(prior);
  const TOptionsInForce before = OptionsInForce();
  struct Case {
    const wchar_t* login;
    const wchar_t* server;  // the port goes to the login connection only
  };
  for (const Case& c : {Case{L"", L"A:8080"}, Case{L" --proxy-user=u --proxy-password=p", L"A"}}) {
    SCOPED_TRACE(c.server);
    TSettingsHolder holder(std::wstring(L"--proxy-address=A --proxy-port=8080") + c.login);
    ASSERT_TRUE(holder.WaitReady());

    const TOptionsInForce ours = OptionsInForce();
    EXPECT_EQ(ours.Flags, FlagsKeptForDirectAndProxy());
    EXPECT_EQ(ours.ProxyServer, c.server);
    // The bypass list is ours where the platform keeps one; Wine keeps none.
    EXPECT_EQ(ours.ProxyBypass,
              RunningOnWine() ? std::nullopt : std::optional<std::wstring>(L"<local>"));

    // The record holds the options in force before, whatever the platform
    // keeps of them, to be given back at the end.
    ASSERT_EQ(SubkeyNames(ShellJournal), std::vector<std::wstring>{L"Proxy.1"});
    const std::wstring record = Record(L"Proxy.1");
    EXPECT_EQ(ReadNumber(record, L"Prior.Flags"), prior->Flags);
    EXPECT_EQ(ReadText(record, L"Prior.ProxyServer"), prior->ProxyServer);
    EXPECT_EQ(ReadText(record, L"Prior.ProxyBypass"), prior->ProxyBypass);
    EXPECT_EQ(ReadText(record, L"Prior.AutoConfigUrl"), prior->AutoConfigUrl);

    EXPECT_EQ(holder.Stop(), std::optional<DWORD>(0));
    const TOptionsInForce after = OptionsInForce();
    EXPECT_EQ(after.Flags, before.Flags) << "never direct with an empty proxy";
    EXPECT_EQ(after.ProxyServer, before.ProxyServer);
    EXPECT_EQ(after.ProxyBypass, before.ProxyBypass);
    EXPECT_EQ(TProxySnapshot::Capture(), prior);
    EXPECT_TRUE(SubkeyNames(ShellJournal).empty());
  }
}

TEST_F(UserSettingsE2E, TwoRunningCopiesShareTheirChangesAndTheLastToEndPutsBackTheUsers) {
  const std::wstring options =
      L"--proxy-address=A --proxy-port=8080 --mute-sound --agent-mode=registry "
      L"\"--agent=Korvexa test\"";
  const TUserState changed{FlagsKeptForDirectAndProxy(), L"A:8080", L"muted", L"our agent", L""};
  TSettingsHolder first(options);
  ASSERT_TRUE(first.WaitReady());
  TSettingsHolder second(options);
  ASSERT_TRUE(second.WaitReady());
  EXPECT_EQ(UserState(), changed);
  EXPECT_EQ(SubkeyNames(ShellJournal).size(), 3u) << "one record a change, whatever copies hold it";

  EXPECT_EQ(first.Stop(), std::optional<DWORD>(0));
  EXPECT_EQ(UserState(), changed) << "the second copy still relies on them";
  EXPECT_EQ(SubkeyNames(ShellJournal).size(), 3u);

  EXPECT_EQ(second.Stop(), std::optional<DWORD>(0));
  EXPECT_EQ(UserState(), FBefore);
  EXPECT_TRUE(SubkeyNames(ShellJournal).empty());
}

// Someone else (the user, a VPN client, a login script) changes each setting
// while the shell's change is in force.
void ChangeFromOutside() {
  ASSERT_TRUE(
      (TProxySnapshot{PROXY_TYPE_PROXY, L"vpn:1080", std::nullopt, std::nullopt}.Restore()));
  WriteText(CurrentSound, L"", L"theirs.wav");  // a scheme re-created in the sound settings
  WriteText(PostPlatform, OurAgent.c_str(), L"theirs");
}

std::vector<std::wstring> OutsideState() {
  return {Text(OptionsInForce().ProxyServer), Text(ReadText(CurrentSound, L"")),
          Text(ReadText(PostPlatform, OurAgent.c_str()))};
}

const std::vector<std::wstring> Theirs{L"vpn:1080", L"theirs.wav", L"theirs"};
const wchar_t HolderOfEverySetting[] =
    L"--proxy-address=A --proxy-port=8080 --mute-sound --agent-mode=registry \"--agent=Korvexa "
    L"test\"";

TEST_F(UserSettingsE2E, SettingsChangedFromOutsideWhileACopyRunsStayAfterItsEnd) {
  TSettingsHolder holder(HolderOfEverySetting);
  ASSERT_TRUE(holder.WaitReady());
  ASSERT_EQ(SubkeyNames(ShellJournal).size(), 3u);
  ChangeFromOutside();
  ASSERT_EQ(OutsideState(), Theirs);
  EXPECT_EQ(holder.Stop(), std::optional<DWORD>(0));
  EXPECT_EQ(OutsideState(), Theirs);
  EXPECT_TRUE(SubkeyNames(ShellJournal).empty());
}

std::vector<std::wstring> IniAllowingSeveralCopies() {
  return {L"[服务器]", L"地址=about:blank", L"[系统设置]", L"允许多开=是"};
}

TEST_F(UserSettingsE2E, WhatAKilledCopyChangedComesBackAtTheShellsNextStartNotWhileACopyRuns) {
  // The holder answers for a platform that keeps every connection option, so
  // that its record holds the user's automatic configuration address and
  // bypass list as well; Wine itself keeps neither.
  TSettingsHolder holder(
      L"--proxy-address=A --proxy-port=8080 --mute-sound --agent-mode=registry \"--agent=Korvexa "
      L"test\" "
      L"\"--answer-options=6|corp:3128|<local>;*.corp|http://pac.corp/proxy.pac\"");
  ASSERT_TRUE(holder.WaitReady());
  const TUserState changed{FlagsKeptForDirectAndProxy(), L"A:8080", L"muted", L"our agent", L""};
  ASSERT_EQ(UserState(), changed);
  ASSERT_EQ(SubkeyNames(ShellJournal).size(), 3u);
  const std::wstring proxyRecord = Record(L"Proxy.1");
  EXPECT_EQ(ReadNumber(proxyRecord, L"Prior.Flags"), UsersConnection.Flags);
  EXPECT_EQ(ReadText(proxyRecord, L"Prior.ProxyServer"), UsersConnection.ProxyServer);
  EXPECT_EQ(ReadText(proxyRecord, L"Prior.ProxyBypass"), UsersConnection.ProxyBypass);
  EXPECT_EQ(ReadText(proxyRecord, L"Prior.AutoConfigUrl"), UsersConnection.AutoConfigUrl);

  TShellFolder folder;
  folder.WriteIniLines(IniAllowingSeveralCopies());
  {
    // A second copy starts and ends while the first runs: it leaves the
    // first's changes and their records alone.
    TShellProcess second(folder, L"0 0 0 400");
    HWND window = second.WaitMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(UserState(), changed);
    CloseThroughConfirmation(second, window);
    EXPECT_EQ(UserState(), changed);
    EXPECT_EQ(SubkeyNames(ShellJournal).size(), 3u);
  }

  holder.Kill();
  EXPECT_EQ(UserState(), changed) << "a killed copy puts nothing back itself";

  TShellProcess next(folder, L"0 0 0 400");
  HWND window = next.WaitMainWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(UserState(), FBefore);
  EXPECT_TRUE(SubkeyNames(ShellJournal).empty()) << "every record was given back";
  CloseThroughConfirmation(next, window);
}

TEST_F(UserSettingsE2E, SettingsChangedFromOutsideAfterAKillStayAtTheShellsNextStart) {
  TSettingsHolder holder(HolderOfEverySetting);
  ASSERT_TRUE(holder.WaitReady());
  ASSERT_EQ(SubkeyNames(ShellJournal).size(), 3u);
  holder.Kill();
  ChangeFromOutside();

  TShellFolder folder;
  folder.WriteIniLines(IniAllowingSeveralCopies());
  TShellProcess next(folder, L"0 0 0 400");
  HWND window = next.WaitMainWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(OutsideState(), Theirs);
  EXPECT_TRUE(SubkeyNames(ShellJournal).empty()) << "the records of changes no longer in force go";
  CloseThroughConfirmation(next, window);
  EXPECT_EQ(OutsideState(), Theirs);
}

}  // namespace
}  // namespace kvx::test
