// The print options seeded from the user's page-setup settings: margins in
// the user's number format, the key only read, never made.
#include "toolkit/Win.h"

#include "browser/component/PrintOptions.h"
#include "tests/support/ToolsTestSupport.h"
#include "toolkit/Registry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace kvx::test {
namespace {

// The user's decimal separator set for the test and put back afterwards,
// through the platform (which keeps it in memory too) and in the registry.
class TDecimalSeparator {
 public:
  explicit TDecimalSeparator(const wchar_t* separator)
      : FRegistry(L"Control Panel\\International", false), FOriginal(LocaleDecimalSeparator()) {
    FSet = SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator) != FALSE;
  }
  ~TDecimalSeparator() { SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, FOriginal.c_str()); }
  TDecimalSeparator(const TDecimalSeparator&) = delete;
  TDecimalSeparator& operator=(const TDecimalSeparator&) = delete;
  bool Set() const noexcept { return FSet; }

 private:
  TRegistryBackup FRegistry;  // destroyed last: the registry exactly as it was
  std::wstring FOriginal;
  bool FSet = false;
};

class PrintOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteRegTree(HKEY_CURRENT_USER, PageSetupKey);
    ASSERT_FALSE(KeyExists(std::wstring(PageSetupKey)));
  }

  TRegistryBackup FPageSetup{std::wstring(PageSetupKey), true};
};

TEST_F(PrintOptionsTest, TheUsersPageSetupIsReadInTheUsersNumberFormat) {
  const std::wstring key(PageSetupKey);
  WriteText(key, L"header", L"&w&b页码，&p/&P");
  WriteText(key, L"footer", L"&u&b&d");
  WriteText(key, L"margin_left", L"0.500000");
  WriteText(key, L"margin_right", L"");
  // margin_top is missing
  WriteText(key, L"margin_bottom", L" 1,000000 ");  // as the user writes numbers
  TDecimalSeparator comma(L",");
  ASSERT_TRUE(comma.Set());
  ASSERT_EQ(LocaleDecimalSeparator(), L",");

  TPrintOptions options;
  ASSERT_TRUE(ReadPageSetupDefaults(options));
  EXPECT_DOUBLE_EQ(options.Margins.Left, 12.7);
  EXPECT_DOUBLE_EQ(options.Margins.Right, 19.05);
  EXPECT_DOUBLE_EQ(options.Margins.Top, 19.05);
  EXPECT_DOUBLE_EQ(options.Margins.Bottom, 25.4);
  EXPECT_EQ(options.Header, MainWindowPrintOptions().Header);
  EXPECT_EQ(options.Footer, "&u&b&d");
}

TEST_F(PrintOptionsTest, WithoutThePageSetupKeyNothingChangesAndNoKeyIsMade) {
  TPrintOptions options = MainWindowPrintOptions();
  options.Orientation = TPrintOrientationOption::poLandScape;
  options.HTMLHeader = {"<HTML>", "</HTML>"};
  const TPrintOptions before = options;

  EXPECT_FALSE(ReadPageSetupDefaults(options));
  EXPECT_FALSE(KeyExists(std::wstring(PageSetupKey)));
  EXPECT_EQ(options.Header, before.Header);
  EXPECT_EQ(options.Footer, before.Footer);
  EXPECT_EQ(options.HTMLHeader, before.HTMLHeader);
  EXPECT_EQ(options.Orientation, before.Orientation);
  for (double margin :
       {options.Margins.Left, options.Margins.Right, options.Margins.Top, options.Margins.Bottom})
    EXPECT_DOUBLE_EQ(margin, 19.05);
}

TEST_F(PrintOptionsTest, AValueThatIsNoMarginEndsTheStepAndKeepsWhatCameBefore) {
  const std::wstring key(PageSetupKey);
  WriteText(key, L"header", L"&b&p");
  WriteText(key, L"margin_left", L"0.5");
  WriteText(key, L"margin_right", L"abc");
  WriteText(key, L"margin_top", L"1");
  TPrintOptions options = MainWindowPrintOptions();
  EXPECT_FALSE(ReadPageSetupDefaults(options, L"."));
  EXPECT_EQ(options.Header, "&b&p");
  EXPECT_EQ(options.Footer, "");
  EXPECT_DOUBLE_EQ(options.Margins.Left, 12.7);
  EXPECT_DOUBLE_EQ(options.Margins.Right, 19.05);
  EXPECT_DOUBLE_EQ(options.Margins.Top, 19.05);

  // A margin kept as a number rather than a text is no margin either.
  DeleteValue(key, L"margin_right");
  WriteNumber(key, L"margin_top", 1);
  options = MainWindowPrintOptions();
  EXPECT_FALSE(ReadPageSetupDefaults(options, L"."));
  EXPECT_DOUBLE_EQ(options.Margins.Right, 19.05);
  EXPECT_DOUBLE_EQ(options.Margins.Top, 19.05);
}

TEST_F(PrintOptionsTest, AnAllBlankMarginIsNoMarginAndEndsTheStepWhereAnEmptyOneIsTheDefault) {
  const std::wstring key(PageSetupKey);
  WriteText(key, L"margin_left", L"");
  WriteText(key, L"margin_right", L"   ");
  WriteText(key, L"margin_top", L"1");
  TPrintOptions options = MainWindowPrintOptions();
  options.Margins = {1, 2, 3, 4};
  EXPECT_FALSE(ReadPageSetupDefaults(options, L"."));
  EXPECT_DOUBLE_EQ(options.Margins.Left, 19.05);
  EXPECT_DOUBLE_EQ(options.Margins.Right, 2);
  EXPECT_DOUBLE_EQ(options.Margins.Top, 3);
}

TEST(PrintOptions, ANewComponentPrintsPortraitWithoutMarginsAndTheMainWindowAddsHeaderAndFooter) {
  const TPrintOptions defaults;
  EXPECT_FALSE(defaults.Enabled);
  EXPECT_EQ(defaults.HTMLHeader, std::vector<std::string>{"<HTML></HTML>"});
  EXPECT_EQ(defaults.Orientation, TPrintOrientationOption::poPortrait);
  EXPECT_EQ(defaults.Margins.Left + defaults.Margins.Right + defaults.Margins.Top +
                defaults.Margins.Bottom,
            0);
  const TPrintOptions main = MainWindowPrintOptions();
  EXPECT_EQ(main.Header, "&w&b\xD2\xB3\xC2\xEB\xA3\xAC&p/&P");  // GBK
  EXPECT_EQ(main.Footer, "&u&b&d");
  EXPECT_EQ(main.HTMLHeader, std::vector<std::string>{"<HTML></HTML>"});
  EXPECT_EQ(main.Orientation, TPrintOrientationOption::poPortrait);
  EXPECT_FALSE(main.Enabled);
}

}  // namespace
}  // namespace kvx::test
