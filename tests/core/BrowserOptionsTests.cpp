#include "core/BrowserOptions.h"
#include "core/CodePage.h"

#include <gtest/gtest.h>

#include <string>

namespace kvx {
namespace {

TEST(NewWindowOption, BlankAndTheThreeValuesAreValidAnyOtherIsAnErrorAndTheDefault) {
  const auto Default = TNewWindowMode::nwDefault, Own = TNewWindowMode::nwOwnWindow,
             Blocked = TNewWindowMode::nwBlocked;
  struct Case {
    std::wstring text;
    TNewWindowMode mode;
    bool error;
  };
  const Case cases[] = {
      {L"", Default, false},     {L" \t ", Default, false},       {L"默认", Default, false},
      {L"本窗口", Own, false},   {L" 本窗口\t", Own, false},      {L"禁止", Blocked, false},
      {L"本窗", Default, true},  {L"本窗口 禁止", Default, true}, {L"禁止。", Default, true},
      {L"block", Default, true}, {L"0", Default, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToGbk(c.text));
    TNewWindowOption option = ParseNewWindowOption(WideToGbk(c.text));
    EXPECT_EQ(option.Mode, c.mode);
    EXPECT_EQ(!option.Error.empty(), c.error);
  }
}

TEST(NewWindowOption, AnUnknownValueNamesTheKeyTheValueAndEveryAllowedValue) {
  EXPECT_EQ(GbkToWide(ParseNewWindowOption(WideToGbk(L" 新窗口 ")).Error),
            L"korvexa.ini 中 [浏览器] 新窗口 的值“新窗口”无效，已忽略该设置。"
            L"允许的值：默认、本窗口 或 禁止。");
}

TEST(NewWindowOption, EachModeOpensBlocksOrClosesANewWindowAndTheApplicationsDialogsAlwaysOpen) {
  const auto Default = TNewWindowMode::nwDefault, Own = TNewWindowMode::nwOwnWindow,
             Blocked = TNewWindowMode::nwBlocked;
  const auto Allow = TNewWindowAction::naAllow, Block = TNewWindowAction::naBlock,
             Here = TNewWindowAction::naOpenHere, Close = TNewWindowAction::naClose;
  struct Case {
    TNewWindowMode mode;
    const char* url;
    TNewWindowAction action;
    bool htmlDialog = false;
  };
  const Case cases[] = {
      {Default, "http://erp/report.aspx", Allow},
      {Default, "javascript:banner_closeapp()", Allow},  // as without the option
      {Default, "", Allow},
      {Own, "http://erp/report.aspx", Here},
      {Own, "report.aspx?id=1", Here},
      {Own, "javascript:banner_closeapp()", Close},
      {Own, "JavaScript:Banner_CloseApp();void(0)", Close},
      {Own, "", Block},  // a script fills it: the application's page stays
      {Own, "  ", Block},
      {Own, "About:Blank", Block},
      {Own, "about:blank#top", Block},
      {Own, "about:blankets.html", Here},
      {Blocked, "http://erp/report.aspx", Block},
      {Blocked, "", Block},
      {Blocked, "javascript:banner_closeapp()", Close},
      // The application's dialogs open as they always did.
      {Own, "http://erp/pick.aspx", Allow, true},
      {Blocked, "http://erp/pick.aspx", Allow, true},
      {Blocked, "javascript:banner_closeapp()", Allow, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("url: ") + c.url + ", mode " +
                 std::to_string(static_cast<int>(c.mode)) + (c.htmlDialog ? ", dialog" : ""));
    EXPECT_EQ(DecideNewWindow(c.mode, c.url, c.htmlDialog), c.action);
  }
}

}  // namespace
}  // namespace kvx
