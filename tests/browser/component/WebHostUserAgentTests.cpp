// The user agent the component gives the browser: as the host's ambient
// property, which the control is told to read again, or as a value in the
// user's registry settings; and that letting go of the registry's takes away
// only the value the shell wrote, whatever other software keeps beside it.
#include "toolkit/Win.h"

#include "browser/settings/UserRegistryValues.h"
#include "browser/component/WebHost.h"
#include "tests/support/ToolsTestSupport.h"
#include "tests/browser/component/WebHostTest.h"
#include "toolkit/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace kvx::test {
namespace {

const std::wstring kPostPlatform(PostPlatformKey);
const std::wstring kOtherSoftware = L"OtherSoftware 1.0";
const std::wstring kOtherToken = L"SV1";

std::wstring RegistryAgentName(const std::wstring& agent) {
  return L"User-agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)(" + agent + L")";
}

// The names of the values under a key of HKEY_CURRENT_USER, sorted.
std::vector<std::wstring> ValueNames(const std::wstring& path) {
  std::vector<std::wstring> names =
      ListRegValues(OpenRegKey(HKEY_CURRENT_USER, path, KEY_READ).Get());
  std::sort(names.begin(), names.end());
  return names;
}

class WebHostUserAgentTest : public WebHostTest {
 protected:
  void SetUp() override {
    WebHostTest::SetUp();
    // Other software's values under the key the registry agent goes to.
    WriteText(kPostPlatform, kOtherSoftware.c_str(), L"");
    WriteText(kPostPlatform, kOtherToken.c_str(), L"kept");
  }

  size_t AgentNotices() {
    const std::vector<DISPID>& changes = Double().AmbientChanges;
    return static_cast<size_t>(
        std::count(changes.begin(), changes.end(), DISPID_AMBIENT_USERAGENT));
  }
  // The agent the control reads as the ambient property; none when the host
  // leaves the control its own.
  std::optional<std::wstring> AmbientAgent() {
    TVariant value;
    const HRESULT result = Double().AmbientProperty(DISPID_AMBIENT_USERAGENT, &value.Get());
    if (result == DISP_E_MEMBERNOTFOUND) return std::nullopt;
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(value.Type(), VT_BSTR);
    if (value.Type() != VT_BSTR) return std::nullopt;
    return std::wstring(V_BSTR(&value.Get()), SysStringLen(V_BSTR(&value.Get())));
  }
  // Other software's values, with the shell's agent value when given.
  static std::vector<std::wstring> ValuesWith(const wchar_t* agent) {
    std::vector<std::wstring> names{kOtherSoftware, kOtherToken};
    if (agent) names.push_back(RegistryAgentName(agent));
    std::sort(names.begin(), names.end());
    return names;
  }

  TUserSettingsGuard FSettings;
};

using enum TUserAgentMode;

TEST_F(WebHostUserAgentTest, EachChangeOfAgentOrModeReachesTheBrowserOnlyAsItsModeSays) {
  struct TStep {
    const char* Name;
    std::optional<std::string> Agent;
    std::optional<TUserAgentMode> Mode;
    size_t Notices;           // ambient change notices this step sent
    const wchar_t* Ambient;   // the ambient answer without its CR LF; null: the control's own
    const wchar_t* Registry;  // the agent in the registry; null: none of the shell's
  };
  const TStep steps[] = {
      {"an agent while the default mode", "Kvx/1", {}, 0, nullptr, nullptr},
      {"the ambient mode", {}, uaInternal, 1, L"Kvx/1", nullptr},
      {"the same agent again", "Kvx/1", {}, 0, L"Kvx/1", nullptr},
      {"back to the default: no notice", {}, uaDefault, 0, nullptr, nullptr},
      {"the ambient mode with the agent the control heard", {}, uaInternal, 0, L"Kvx/1", nullptr},
      {"the registry mode", {}, uaRegistry, 0, nullptr, L"Kvx/1"},
      {"the same agent again in the registry mode", "Kvx/1", {}, 0, nullptr, L"Kvx/1"},
      {"another agent replaces the registry's", "Kvx/2", {}, 0, nullptr, L"Kvx/2"},
      {"the default mode withdraws it", {}, uaDefault, 0, nullptr, nullptr},
      {"the registry mode writes it again", {}, uaRegistry, 0, nullptr, L"Kvx/2"},
      {"the ambient mode withdraws it and tells the control", {}, uaInternal, 1, L"Kvx/2", nullptr},
      {"the registry mode once more", {}, uaRegistry, 0, nullptr, L"Kvx/2"},
      {"back to the ambient agent the control heard: withdrawn, no notice",
       {},
       uaInternal,
       0,
       L"Kvx/2",
       nullptr},
      {"an empty ambient agent leaves the control its own", "", {}, 1, nullptr, nullptr},
  };
  auto host = MakeWebHost();
  for (const TStep& step : steps) {
    SCOPED_TRACE(step.Name);
    const size_t before = AgentNotices();
    if (step.Agent) host->SetUserAgent(*step.Agent);
    if (step.Mode) host->SetUserAgentMode(*step.Mode);
    EXPECT_EQ(AgentNotices() - before, step.Notices);
    const std::optional<std::wstring> ambient = AmbientAgent();
    if (step.Ambient) {
      EXPECT_EQ(ambient, std::wstring(step.Ambient) + L"\r\n");
    } else {
      EXPECT_EQ(ambient, std::nullopt);
    }
    EXPECT_EQ(ValueNames(kPostPlatform), ValuesWith(step.Registry));
  }
}

TEST_F(WebHostUserAgentTest, TheRegistryAgentGoesWithTheComponentAndAValueOfTheSameNameComesBack) {
  // The user had a value of that very name: it comes back with its data.
  WriteText(kPostPlatform, RegistryAgentName(L"Kvx").c_str(), L"the user's");
  {
    auto host = MakeWebHost();
    host->SetUserAgent("Kvx");
    host->SetUserAgentMode(uaRegistry);
    EXPECT_EQ(ReadText(kPostPlatform, RegistryAgentName(L"Kvx").c_str()), L"");
    EXPECT_FALSE(SubkeyNames(std::wstring(SettingsJournalKey)).empty())
        << "recorded while it is changed";
  }
  EXPECT_EQ(ReadText(kPostPlatform, RegistryAgentName(L"Kvx").c_str()), L"the user's");
  EXPECT_EQ(ReadText(kPostPlatform, kOtherToken.c_str()), L"kept");
  EXPECT_EQ(ValueNames(kPostPlatform),
            (std::vector<std::wstring>{kOtherSoftware, kOtherToken, RegistryAgentName(L"Kvx")}));
  EXPECT_TRUE(SubkeyNames(std::wstring(SettingsJournalKey)).empty())
      << "the record goes with the change";
}

TEST_F(WebHostUserAgentTest, ADesigningComponentWritesNothingInTheRegistry) {
  auto host = MakeWebHost();
  host->SetDesigning(true);
  host->SetUserAgent("Kvx");
  host->SetUserAgentMode(uaRegistry);
  host->SetUserAgent("Kvx/2");
  EXPECT_EQ(ValueNames(kPostPlatform), ValuesWith(nullptr));
  host.reset();
  EXPECT_EQ(ValueNames(kPostPlatform), ValuesWith(nullptr));
}

TEST_F(WebHostUserAgentTest, AControlThatCannotBeToldHearsOfTheAgentAtTheNextChange) {
  auto host = MakeWebHost();
  host->SetUserAgent("Kvx");
  Double().RefuseNext(IID_IOleControl);
  host->SetUserAgentMode(uaInternal);
  EXPECT_EQ(AgentNotices(), 0u);
  EXPECT_EQ(AmbientAgent(), L"Kvx\r\n") << "it answers whenever the control asks";

  host->SetUserAgentMode(uaDefault);
  host->SetUserAgentMode(uaInternal);
  EXPECT_EQ(AgentNotices(), 1u) << "the agent the control never heard of";
}

}  // namespace
}  // namespace kvx::test
