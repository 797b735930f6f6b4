#include "core/CodePage.h"
#include "core/Startup.h"
#include "core/Text.h"

#include <gtest/gtest.h>

#include <climits>

namespace kvx {
namespace {

struct StartCase {
  const char* name;
  std::vector<std::string> params;
  TStartMode mode;
  TDockGeometry dock;
  std::string address;
  bool navigate;
};

TEST(Startup, FourIntegersPlaceTheWindowFewerParametersAreIgnoredAndABadNumberFallsBack) {
  const auto M = TStartMode::smMaximised, P = TStartMode::smPlaced, F = TStartMode::smFallback;
  const StartCase cases[] = {
      {"no parameters", {}, M, {}, "", false},
      {"three parameters are ignored", {"1", "2", "3"}, M, {}, "", false},
      {"four valid, nothing navigated", {"100", "0", "80", "600"}, P, {100, 0, 80, 600}, "", false},
      {"five", {"100", "0", "80", "600", "http://h/"}, P, {100, 0, 80, 600}, "http://h/", true},
      {"sixth ignored", {"1", "2", "3", "4", "a", "b"}, P, {1, 2, 3, 4}, "a", true},
      {"negative and signed", {"-5", "+6", "-0", "7"}, P, {-5, 6, 0, 7}, "", false},
      {"non-integer fourth", {"10", "20", "30", "x", "http://h/"}, F, {0, 0, 300, 500}, "", false},
      {"non-integer first", {"a", "2", "3", "4", "u"}, F, {0, 0, 300, 500}, "", false},
      {"blank fifth", {"1", "2", "3", "4", " \t "}, P, {1, 2, 3, 4}, " \t ", false},
      {"empty fifth", {"1", "2", "3", "4", ""}, P, {1, 2, 3, 4}, "", false},
      {"blanks kept around the address",
       {"1", "2", "3", "4", "  http://h/ "},
       P,
       {1, 2, 3, 4},
       "  http://h/ ",
       true},
      {"32-bit limits",
       {"2147483647", "-2147483648", "0", "1"},
       P,
       {INT32_MAX, INT32_MIN, 0, 1},
       "",
       false},
      {"overflow falls back", {"2147483648", "0", "0", "1", "u"}, F, {0, 0, 300, 500}, "", false},
      {"absurdly long number",
       {std::string(5000, '9'), "0", "0", "1"},
       F,
       {0, 0, 300, 500},
       "",
       false},
      {"hex is not decimal", {"0x10", "0", "0", "1"}, F, {0, 0, 300, 500}, "", false},
      {"a lone sign", {"-", "0", "0", "1"}, F, {0, 0, 300, 500}, "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TStartupPlan plan = PlanStartup(c.params);
    EXPECT_EQ(plan.Mode, c.mode);
    EXPECT_EQ(plan.Dock, c.dock);
    EXPECT_EQ(plan.Address, c.address);
    EXPECT_EQ(plan.Navigate, c.navigate);
  }
}

TEST(Startup, DockedLeftHoldsAtTheLimitsInsteadOfWrapping) {
  EXPECT_EQ(DockedWindowLeft({100, 0, 80, 600}), 180);
  EXPECT_EQ(DockedWindowLeft({INT32_MAX, 0, 1, 600}), INT32_MAX);
  EXPECT_EQ(DockedWindowLeft({INT32_MIN, 0, -1, 600}), INT32_MIN);
  EXPECT_EQ(DockedWindowLeft({2000000000, 0, 2000000000, 1}), INT32_MAX);
}

TEST(Startup, TheCloseAddressMatchesAnywhereInAnyAsciiLetterCase) {
  const struct {
    const char* url;
    bool closes;
  } cases[] = {
      {"javascript:banner_closeapp()", true},
      {"JAVASCRIPT:BANNER_CLOSEAPP()", true},
      {"JavaScript:Banner_CloseApp()", true},
      {"http://h/?next=javascript:banner_closeapp()&x=1", true},
      {"javascript:banner_closeapp();void(0)", true},
      {"javascript:banner_closeapp(", false},
      {"javascript: banner_closeapp()", false},
      {"javascript:banner-closeapp()", false},
      {"", false},
      {"http://erp.example/", false},
      // Only a to z fold: a dotless or accented letter is a different address.
      {"javascr\xC4\xB1pt:banner_closeapp()", false},
      // GBK text around the address does not hide it.
      {"\xCA\xC7javascript:banner_closeapp()\xCA\xC7", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsCloseAddress(c.url), c.closes) << c.url;
}

TEST(Startup, BlanksSeparateParametersAndDoubleQuotesGroupThemAndAreRemoved) {
  const struct {
    const wchar_t* line;
    std::vector<std::wstring> params;
  } cases[] = {
      {L"k.exe 100 0 80 600 http://h/", {L"k.exe", L"100", L"0", L"80", L"600", L"http://h/"}},
      {L"\"C:\\Program Files\\k.exe\"  1\t2", {L"C:\\Program Files\\k.exe", L"1", L"2"}},
      {L"k \"a b\"c \"  \" \"\"", {L"k", L"a bc", L"  ", L""}},
      {L"k \"unterminated to end", {L"k", L"unterminated to end"}},
      {L"   ", {}},
      {L"k a\\\"b", {L"k", L"a\\b"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.params) << c.line;
}

TEST(Text, TrimmingTakesBlanksAndControlsAndUpperCaseChangesOnlyAsciiLetters) {
  EXPECT_EQ(TrimBlanks(" \t\r\n x y \x01"), "x y");
  EXPECT_EQ(TrimBlanks("\xCA\xC7"), "\xCA\xC7");
  EXPECT_EQ(AsciiUpperCase("ab\xCA\xC7z{"), "AB\xCA\xC7Z{");
}

TEST(CodePage, GbkAndUtf8ConvertBothWaysAndABadCharacterSpoilsOnlyItself) {
  const std::string gbk = "Korvexa\xC6\xF3\xD2\xB5\xD2\xB5\xCE\xF1\xC1\xF7\xB3\xCC\xCF\xB5\xCD\xB3";
  const std::wstring wide =
      L"Korvexa\x4F01\x4E1A\x4E1A\x52A1\x6D41\x7A0B\x7CFB\x7EDF";  // 企业业务流程系统
  EXPECT_EQ(GbkToWide(gbk), wide);
  EXPECT_EQ(WideToGbk(wide), gbk);
  EXPECT_EQ(WideToGbk(L"\x0E01x"), "?x");  // a Thai letter has no GBK form
  EXPECT_EQ(Utf8ToWide("\xE6\x98\xAF"), L"\x662F");
  EXPECT_EQ(Utf8ToWide("a\xFF"
                       "b\xE6\x98"),
            L"a\xFFFD"
            L"b\xFFFD");
  // A truncated double-byte character does not swallow what follows or crash.
  EXPECT_EQ(GbkToWide("\xCA").size(), 1u);
}

}  // namespace
}  // namespace kvx
