#include "core/LauncherText.h"

#include "core/CodePage.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace kvx {
namespace {

using Items = std::vector<std::string>;

const std::string kMax(LauncherMaximiseText);
const std::string kFront(LauncherToFrontText);
const std::string kZhong = "\xD6\xD0";  // 中
const std::string kWen = "\xCE\xC4";    // 文

TEST(LauncherText, ItemsSplitAtCommasAndBlanksQuotesGroupThemAndALeadByteTakesTheNextByte) {
  const struct {
    const char* name;
    std::string text;
    Items items;
  } cases[] = {
      {"empty text has no items", "", {}},
      {"blanks and controls only", " \t\r\n\x01\x1F ", {}},
      {"one command", kMax, {kMax}},
      {"blank padding is skipped", " " + kFront + " ", {kFront}},
      {"control padding is skipped", "\t\r\n" + kFront + "\x01\x1F", {kFront}},
      {"geometry", "100,0,80,600", {"100", "0", "80", "600"}},
      {"blanks around commas", " 100 , 0 ,\t80,  600 ", {"100", "0", "80", "600"}},
      {"a blank ends an unquoted item", "a b", {"a", "b"}},
      {"a control character ends an unquoted item",
       "a\x01"
       "b",
       {"a", "b"}},
      {"blank then comma is one separator", "a ,b", {"a", "b"}},
      {"consecutive commas give empty items", "a,,b", {"a", "", "b"}},
      {"a leading comma gives an empty first item", ",a", {"", "a"}},
      {"a trailing comma adds an empty item", "a,", {"a", ""}},
      {"a lone comma is two empty items", ",", {"", ""}},
      {"two commas are three empty items", ",,", {"", "", ""}},
      {"a comma followed by blanks is not the last character", "a, ", {"a"}},
      {"quoted item keeps commas and blanks", "\"http://h/a,b c\"", {"http://h/a,b c"}},
      {"doubled quotes stand for one", "\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"empty quoted item", "\"\"", {""}},
      {"quoted then more items", "\"a,b\",c", {"a,b", "c"}},
      {"blanks after a quoted item", "\"a\"  ,  b", {"a", "b"}},
      {"text after a closing quote starts a new item", "\"a\"b", {"a", "b"}},
      {"unterminated quote runs to the end", "\"a,b c", {"a,b c"}},
      {"unterminated single character", "\"a", {"a"}},
      {"unterminated after doubled quotes", "\"a\"\"", {"a\""}},
      {"lone quote", "\"", {""}},
      {"a quote inside an unquoted item is kept", "a\"b,c", {"a\"b", "c"}},
      {"unquoted address with commas splits", "http://h/?a=1,b=2", {"http://h/?a=1", "b=2"}},
      {"GBK bytes belong to items", kZhong + "," + kWen + kZhong, {kZhong, kWen + kZhong}},
      {"GBK inside quotes", "\"" + kZhong + " " + kWen + "\"", {kZhong + " " + kWen}},
      {"bytes 0x80 and 0xFF are ordinary", "\x80\xFF,\x80", {"\x80\xFF", "\x80"}},
      {"a lead byte takes the next byte, even a comma", "\x81,a,b", {"\x81,a", "b"}},
      {"a lead byte takes a quote inside a quoted item", "\"\x81\"a\",b", {"\x81\"a", "b"}},
      {"a lead byte at the very end", "a,\x81", {"a", "\x81"}},
      {"the text ends at NUL", std::string("a,b\0,c,d", 8), {"a", "b"}},
      {"NUL first is an empty text", std::string("\0a", 2), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SplitLauncherText(c.text), c.items);
  }
}

TEST(LauncherText, MessageTextIsBoundedByItsSize) {
  const char withNul[] = "abc\0def";
  const char noNul[] = {'1', '2', '3', '4'};
  EXPECT_EQ(LauncherMessageText(withNul, sizeof withNul), "abc");
  EXPECT_EQ(LauncherMessageText(withNul, 2), "ab");
  EXPECT_EQ(LauncherMessageText(noNul, sizeof noNul), "1234");
  EXPECT_EQ(LauncherMessageText(noNul, 0), "");
  EXPECT_EQ(LauncherMessageText(nullptr, 100), "");
  // A heap block exactly as long as the text, so ASan catches a read past it.
  std::vector<char> exact(noNul, noNul + sizeof noNul);
  EXPECT_EQ(SplitLauncherText(LauncherMessageText(exact.data(), exact.size())), Items{"1234"});
}

TEST(LauncherText, CommandsAreComparedByteForByte) {
  EXPECT_EQ(ClassifyLauncherItem(LauncherMaximiseText), TLauncherCommand::lcMaximise);
  EXPECT_EQ(ClassifyLauncherItem(LauncherRestoreText), TLauncherCommand::lcRestore);
  EXPECT_EQ(ClassifyLauncherItem(LauncherToFrontText), TLauncherCommand::lcToFront);
  EXPECT_EQ(ClassifyLauncherItem(LauncherPositionText), TLauncherCommand::lcPosition);
  EXPECT_EQ(ClassifyLauncherItem(LauncherCloseText), TLauncherCommand::lcClose);
  for (std::string other :
       {kMax + " ", kMax.substr(0, 4), std::string("\xD7\xEE\xB4\xF3\xBB\xAE"), std::string(""),
        std::string("about:blank"), std::string("\xD7\xEE\xD0\xA1\xBB\xAF")})  // 最小化
    EXPECT_EQ(ClassifyLauncherItem(other), TLauncherCommand::lcAddress) << other;
}

TEST(LauncherText, QuotedItemsSurviveTheGrammar) {
  const Items items = {"http://h/a,b c", "say \"hi\"", "", "\"", kZhong + "," + kWen, " x "};
  std::string text;
  for (const auto& item : items) text += (text.empty() ? "" : ",") + QuoteLauncherItem(item);
  EXPECT_EQ(SplitLauncherText(text), items);
}

TEST(LauncherText, TheGeometryReportIsFourDecimalsSeparatedByCommas) {
  EXPECT_EQ(FormatGeometryReport(180, 0, 775, 600), "180,0,775,600");
  EXPECT_EQ(FormatGeometryReport(-32000, -5, 0, 1), "-32000,-5,0,1");
  EXPECT_EQ(FormatGeometryReport(INT32_MIN, INT32_MAX, 0, 0), "-2147483648,2147483647,0,0");
}

TEST(LauncherText, DockGeometryTakesFourIntegersAndTheErrorNamesTheFirstBadItem) {
  const struct {
    const char* name;
    Items items;
    std::size_t converted;
    std::array<std::int32_t, 4> values;
    const char* errorMentions;
  } cases[] = {
      {"four items", {"100", "0", "80", "600"}, 4, {100, 0, 80, 600}, nullptr},
      {"five items: the fifth is ignored", {"1", "2", "3", "4", "junk"}, 4, {1, 2, 3, 4}, nullptr},
      {"signs and limits",
       {"-5", "+6", "2147483647", "-2147483648"},
       4,
       {-5, 6, INT32_MAX, INT32_MIN},
       nullptr},
      {"no items",
       {},
       0,
       {},
       "\xD6\xBB\xD3\xD0"
       "0"},
      {"two items",
       {"7", "8"},
       2,
       {7, 8, 0, 0},
       "\xD6\xBB\xD3\xD0"
       "2"},
      {"third is not an integer",
       {"10", "20", "x", "40"},
       2,
       {10, 20, 0, 0},
       "\xB5\xDA"
       "3"},
      {"empty first item",
       {"", "1", "2", "3"},
       0,
       {},
       "\xB5\xDA"
       "1"},
      {"overflow", {"1", "2", "3", "2147483648"}, 3, {1, 2, 3, 0}, "2147483648"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TDockConversion conversion = ConvertDockGeometry(c.items);
    EXPECT_EQ(conversion.Converted, c.converted);
    EXPECT_EQ(conversion.Complete(), c.converted == 4);
    for (std::size_t i = 0; i < c.converted; ++i) EXPECT_EQ(conversion.Values[i], c.values[i]);
    if (c.errorMentions)
      EXPECT_NE(conversion.Error.find(c.errorMentions), std::string::npos) << conversion.Error;
    else
      EXPECT_EQ(conversion.Error, "");
  }
  // A GBK lead byte that ends an item, its second byte missing, would take
  // the first byte of the text after the quoted item: shown as '?'.
  for (const std::string& item :
       {std::string("ab\xD7"), std::string("\x81"), std::string("\xD6\xD0\xD7")}) {
    SCOPED_TRACE(item);
    TDockConversion stray = ConvertDockGeometry({"1", "2", item, "4"});
    const std::wstring error = GbkToWide(stray.Error);
    const std::wstring ending = L"\u201D\u4E0D\u662F\u6574\u6570\u3002";  // ”不是整数。
    ASSERT_GE(error.size(), ending.size());
    EXPECT_EQ(error.substr(error.size() - ending.size()), ending) << stray.Error;
    EXPECT_NE(error.find(L"?\u201D"), std::wstring::npos);
  }
  // A huge bad item is cut short in the error text, at a character boundary.
  std::string huge = "\xD6\xD0" + std::string(1000, 'x');
  TDockConversion conversion = ConvertDockGeometry({huge, "0", "0", "0"});
  EXPECT_LT(conversion.Error.size(), 200u);
  EXPECT_NE(conversion.Error.find("\xD6\xD0xxx"), std::string::npos);
}

}  // namespace
}  // namespace kvx
