#include "core/DialogRules.h"
#include "core/PageSetupMargin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

namespace kvx {
namespace {

struct CaptionCase {
  const wchar_t* caption;
  const wchar_t* newCaption;
  const wchar_t* expected;
};

TEST(DialogRules, TheFirstVendorAndBrowserNameOfACaptionGiveWayToTheNewCaption) {
  const CaptionCase cases[] = {
      {L"Microsoft Internet Explorer", L"", L""},
      {L"Microsoft Internet Explorer", L"Korvexa", L"Korvexa"},
      {L"Windows Internet Explorer", L"Korvexa", L"Windows Korvexa"},
      {L"来自网页的消息", L"Korvexa", L"来自网页的消息"},
      {L"", L"Korvexa", L""},
      // Only the first of each phrase goes.
      {L"Microsoft Word - Microsoft Excel", L"", L"Word - Microsoft Excel"},
      {L"Internet Explorer / Internet Explorer", L"K", L"K / Internet Explorer"},
      // Case as written; "Microsoft" without its blank stays.
      {L"microsoft internet explorer", L"K", L"microsoft internet explorer"},
      {L"Microsoft", L"K", L"Microsoft"},
      {L"Microsoft  Internet Explorer", L"K", L" K"},
      // The vendor goes first, then the browser: a browser name the removal
      // joins is replaced too.
      {L"Internet Microsoft Explorer", L"K", L"K"},
      // The new caption is not searched again.
      {L"Microsoft Internet Explorer", L"Microsoft Internet Explorer",
       L"Microsoft Internet Explorer"},
      // Characters outside any 8-bit code page survive both ways.
      {L"Microsoft Internet Explorer – 한글 ✓", L"Кorvexa ß", L"Кorvexa ß – 한글 ✓"},
  };
  for (const CaptionCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "caption #" << (&c - cases));
    EXPECT_EQ(RewriteDialogCaption(c.caption, c.newCaption), c.expected);
  }
}

TEST(DialogRules, TextAndStyleDecideWhetherAScriptDialogIsClickedAwayDestroyedOrLeft) {
  using enum TScriptDialogAction;
  struct Case {
    const wchar_t* text;
    std::int32_t styleEx;
    TScriptDialogAction action;
  } cases[] = {
      {L"Script error", 0x10101, sdaClickAndClose},  // both words: the script branch
      {L"ERROR in sCrIpT", 0x410101, sdaClickAndClose},
      {L"javascript:", 0, sdaClickAndClose},
      {L"An error occurred", 0, sdaDestroy},
      {L"ErRoR", 0, sdaDestroy},
      {L"Notice", ScriptErrorDialogStyle, sdaDestroy},
      {L"#32770", ScriptErrorDialogStyle, sdaDestroy},
      {L"#32770", 0x10101, sdaNone},
      {L"Internet Explorer_TridentDlgFrame", 0x410100, sdaNone},
      {L"Notice", 0x410101 | 0x8, sdaNone},
      {L"SCRIP T / ERR OR", 0, sdaNone},
      {L"", 0, sdaNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case #" << (&c - cases));
    EXPECT_EQ(ScriptDialogAction(c.text, c.styleEx), c.action);
  }
}

TEST(DialogRules, ExtendedStyleIsTakenAsItsAbsoluteValue) {
  EXPECT_EQ(AbsoluteExtendedStyle(0x410101u), 0x410101);
  EXPECT_EQ(AbsoluteExtendedStyle(0u), 0);
  EXPECT_EQ(AbsoluteExtendedStyle(0xFFBEFEFFu), 0x410101);  // -0x410101
  EXPECT_EQ(AbsoluteExtendedStyle(0x80000000u), INT32_MIN);
}

struct MarginCase {
  const wchar_t* text;
  const wchar_t* separator;
  std::optional<double> millimetres;
};

TEST(PageSetupMargin, InchesWithEitherSeparatorBecomeMillimetresEmptyIsThreeQuartersJunkIsRefused) {
  const MarginCase cases[] = {
      {L"0.500000", L",", 12.7},
      {L"0.500000", L".", 12.7},
      {L"0,500000", L",", 12.7},  // written with the locale's own separator
      {L"", L".", 19.05},
      {L"", L",", 19.05},
      {L"   ", L",", std::nullopt},  // blanks are dropped from a number: none is left
      {L" 1 . 0 ", L".", 25.4},      // blanks anywhere are dropped
      {L"1", L",", 25.4},
      {L".5", L".", 12.7},
      {L"2.", L".", 50.8},
      {L"+0.5", L".", 12.7},
      {L"-0.5", L".", -12.7},
      {L"5E-1", L",", 12.7},
      {L"0.5", L"", 12.7},        // a locale without a separator reads the point
      {L"0.5", L"\x066B", 12.7},  // Arabic decimal separator
      {L"0.5", L"::", 12.7},      // separators of several characters
      {L"0,5", L".", std::nullopt},
      {L"1.234.5", L",", std::nullopt},
      {L"1,234.5", L",", std::nullopt},
      {L"abc", L".", std::nullopt},
      {L"0.5in", L".", std::nullopt},
      {L".", L".", std::nullopt},
      {L"-", L".", std::nullopt},
      {L"1e", L".", std::nullopt},
      {L"0x1p3", L".", std::nullopt},
      {L"inf", L".", std::nullopt},
      {L"nan", L".", std::nullopt},
      {L"1e999", L".", std::nullopt},
      {L"1e307", L".", std::nullopt},  // finite inches, infinite millimetres
      {L"0.5\t", L".", std::nullopt},  // only blanks are dropped
  };
  for (const MarginCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "margin #" << (&c - cases));
    std::optional<double> millimetres = PageSetupMarginMillimetres(c.text, c.separator);
    ASSERT_EQ(millimetres.has_value(), c.millimetres.has_value());
    if (millimetres) {
      EXPECT_DOUBLE_EQ(*millimetres, *c.millimetres);
    }
  }
}

}  // namespace
}  // namespace kvx
