// The document mode option under Wine: the program's browser-emulation value
// exists while the option is held and goes after; an unknown or empty option
// writes nothing; a killed copy's value goes at the next start.
#include "toolkit/Win.h"

#include "browser/settings/DocumentMode.h"
#include "core/CodePage.h"
#include "tests/support/ToolsTestSupport.h"
#include "toolkit/Registry.h"

#include <gtest/gtest.h>

namespace kvx::test {
namespace {

const std::wstring JournalKey(TestJournalKey);
const std::wstring EmulationKey(BrowserEmulationKey);

class DocumentModeTest : public ::testing::Test {
 protected:
  void SetUp() override { DeleteRegTree(HKEY_CURRENT_USER, EmulationKey); }
  std::optional<DWORD> OwnValue() { return ReadNumber(EmulationKey, OwnExecutableName().c_str()); }

  TUserSettingsGuard FGuard;
};

TEST_F(DocumentModeTest, TheProgramsValueLivesWhileHeld) {
  EXPECT_EQ(OwnExecutableName(), L"browser_tools.exe");
  ASSERT_EQ(InstalledEngineDocumentMode(), 11000u);  // Wine's engine reports 11.0
  struct Case {
    const char* text;
    DWORD mode;
    std::optional<DWORD> prior;  // the user's own value for the program, if any
  };
  const Case cases[] = {
      {"11001", 11001, std::nullopt},
      {" 8888 ", 8888, std::nullopt},
      {"\xD7\xD4\xB6\xAF", 11000, std::nullopt},  // 自动
      {"11001", 11001, 7000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.prior) WriteNumber(EmulationKey, OwnExecutableName().c_str(), *c.prior);
    TSettingsJournal journal(JournalKey);
    {
      TDocumentModeResult result = HoldDocumentModeOption(c.text, journal);
      EXPECT_EQ(result.Error, "");
      EXPECT_TRUE(result.Hold.Applied());
      EXPECT_EQ(OwnValue(), c.mode);
    }
    EXPECT_EQ(OwnValue(), c.prior);
    EXPECT_TRUE(SubkeyNames(JournalKey).empty());
  }
}

TEST_F(DocumentModeTest, NoOptionOrAnUnknownOneWritesNothing) {
  TSettingsJournal journal(JournalKey);
  TDocumentModeResult off = HoldDocumentModeOption("", journal);
  EXPECT_FALSE(off.Hold.Held());
  EXPECT_EQ(off.Error, "");
  TDocumentModeResult unknown = HoldDocumentModeOption("12000", journal);
  EXPECT_FALSE(unknown.Hold.Held());
  const std::wstring error = GbkToWide(unknown.Error);
  EXPECT_NE(error.find(L"文档模式"), std::wstring::npos) << unknown.Error;
  EXPECT_NE(error.find(L"11001"), std::wstring::npos);
  EXPECT_FALSE(KeyExists(EmulationKey));
  EXPECT_FALSE(KeyExists(JournalKey) && !SubkeyNames(JournalKey).empty());
}

TEST_F(DocumentModeTest, AValueAKilledCopyLeftGoesAtTheNextStart) {
  TChildProcess killed;
  TSettingsJournal killedJournal(JournalKey, killed.Identity());
  ASSERT_EQ(killedJournal.Begin(TJournalKind::jkBrowserEmulation, OwnExecutableName(),
                                [] {
                                  WriteNumber(EmulationKey, OwnExecutableName().c_str(), 11001);
                                  return true;
                                }),
            true);
  killed.Kill();
  ASSERT_EQ(OwnValue(), 11001u);
  EXPECT_EQ(TSettingsJournal(JournalKey).RecoverAbandoned(), 1);
  EXPECT_EQ(OwnValue(), std::nullopt);
  EXPECT_TRUE(SubkeyNames(JournalKey).empty());
}

}  // namespace
}  // namespace kvx::test
