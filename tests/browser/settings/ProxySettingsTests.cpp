// The user's own connection settings survive the shell's proxy: they are read
// before the shell changes them and put back exactly, through the platform
// under Wine and through a platform that answers every option.
#include "toolkit/Win.h"

#include "browser/settings/ProxySettings.h"
#include "tests/support/ToolsTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kvx::test {
namespace {

using ::testing::ElementsAre;

std::vector<TRecordedOption> RecordedOptions(const TProxySnapshot& snapshot) {
  return {{INTERNET_PER_CONN_FLAGS, snapshot.Flags, std::nullopt},
          {INTERNET_PER_CONN_PROXY_SERVER, 0, snapshot.ProxyServer},
          {INTERNET_PER_CONN_PROXY_BYPASS, 0, snapshot.ProxyBypass},
          {INTERNET_PER_CONN_AUTOCONFIG_URL, 0, snapshot.AutoConfigUrl}};
}

class ProxySettingsTest : public ::testing::Test {
 protected:
  // The user's own configuration: a company proxy beside an automatic
  // configuration script, set for the user as the platform's dialog does.
  void SetUp() override {
    const TProxySnapshot user{PROXY_TYPE_PROXY | PROXY_TYPE_AUTO_PROXY_URL, L"corp:3128",
                              L"<local>;*.corp", L"http://pac.corp/proxy.pac"};
    ASSERT_TRUE(user.Restore());
    std::optional<TProxySnapshot> prior = TProxySnapshot::Capture();
    ASSERT_TRUE(prior);
    ASSERT_EQ(prior->ProxyServer, L"corp:3128");
    FPrior = *prior;
  }

  TUserSettingsGuard FGuard;
  TProxySnapshot FPrior;
};

TEST_F(ProxySettingsTest, SnapshotPutsBackExactlyTheOptionsInForce) {
  ASSERT_TRUE(SetProxy("", "A:8080"));
  ASSERT_EQ(OptionsInForce().ProxyServer, L"A:8080");
  {
    TWinInetRecorder recorder;
    EXPECT_TRUE(FPrior.Restore());
    ASSERT_FALSE(recorder.Sets.empty());
    const TRecordedSetOption& list = recorder.Sets[0];
    EXPECT_EQ(list.Handle, nullptr);  // the user's settings, not one session's
    EXPECT_EQ(list.Length, sizeof(INTERNET_PER_CONN_OPTION_LISTW));
    EXPECT_EQ(list.ListSize, sizeof(INTERNET_PER_CONN_OPTION_LISTW));
    EXPECT_FALSE(list.NamedConnection);
    EXPECT_EQ(list.Options, RecordedOptions(FPrior));
  }
  EXPECT_EQ(TProxySnapshot::Capture(), FPrior);
}

TEST_F(ProxySettingsTest, EveryOptionAPlatformReportsIsKeptAsItWas) {
  TWinInetRecorder recorder;
  // The connection type as the user set it, not what detection added to it;
  // an empty text stays empty and an absent one absent.
  recorder.Answers = TWinInetRecorder::TAnswers{
      PROXY_TYPE_DIRECT | PROXY_TYPE_AUTO_PROXY_URL,
      {PROXY_TYPE_DIRECT | PROXY_TYPE_AUTO_PROXY_URL | PROXY_TYPE_AUTO_DETECT, L"corp:3128", L"",
       L"http://pac.corp/proxy.pac"}};
  std::optional<TProxySnapshot> user = TProxySnapshot::Capture();
  ASSERT_TRUE(user);
  const TProxySnapshot expected{PROXY_TYPE_DIRECT | PROXY_TYPE_AUTO_PROXY_URL, L"corp:3128", L"",
                                L"http://pac.corp/proxy.pac"};
  EXPECT_EQ(*user, expected);

  recorder.Answers->Options.ProxyBypass.reset();
  user = TProxySnapshot::Capture();
  ASSERT_TRUE(user);
  EXPECT_EQ(user->ProxyBypass, std::nullopt);

  EXPECT_TRUE(user->Restore());
  ASSERT_FALSE(recorder.Sets.empty());
  EXPECT_EQ(recorder.Sets[0].Options, RecordedOptions(*user));
}

TEST(ProxySettings, ServerTextAndDefaults) {
  TProxySettings settings;
  EXPECT_EQ(settings.Port, 80);
  EXPECT_FALSE(settings.AutoLoadProxy);
  settings.Address = "A";
  EXPECT_EQ(ProxyServerText(settings), "A:80");
  settings.Port = 8080;
  EXPECT_EQ(ProxyServerText(settings), "A:8080");
  settings.UserName = "u";
  EXPECT_EQ(ProxyServerText(settings), "A");  // the port goes to the login connection only
}

TEST_F(ProxySettingsTest, AHeldProxyIsOursWhileHeldAndTheUsersAfter) {
  struct Case {
    const char* userName;
    const wchar_t* server;
  };
  for (const Case& c : {Case{"", L"A:8080"}, Case{"u", L"A"}}) {
    SCOPED_TRACE(c.userName);
    TSettingsJournal journal{std::wstring(TestJournalKey)};
    TProxySettings settings;
    settings.Address = "A";
    settings.Port = 8080;
    settings.UserName = c.userName;
    {
      TWinInetRecorder recorder;
      TJournalHold hold = HoldProxySettings(settings, journal);
      EXPECT_TRUE(hold.Held());
      EXPECT_TRUE(hold.Applied());
      ASSERT_FALSE(recorder.Sets.empty());
      EXPECT_THAT(
          recorder.Sets[0].Options,
          ElementsAre(
              TRecordedOption{INTERNET_PER_CONN_FLAGS, PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY, {}},
              TRecordedOption{INTERNET_PER_CONN_PROXY_SERVER, 0, c.server},
              TRecordedOption{INTERNET_PER_CONN_PROXY_BYPASS, 0, L"<local>"}));
      EXPECT_EQ(recorder.Connects.size(), *c.userName ? 1u : 0u);
      EXPECT_EQ(OptionsInForce().ProxyServer, c.server);
      EXPECT_EQ(SubkeyNames(std::wstring(TestJournalKey)).size(), 1u);
    }
    EXPECT_EQ(TProxySnapshot::Capture(), FPrior);
    EXPECT_TRUE(SubkeyNames(std::wstring(TestJournalKey)).empty());
  }
}

}  // namespace
}  // namespace kvx::test
