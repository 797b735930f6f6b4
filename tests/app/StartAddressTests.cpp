// Where the main window goes first: the address a launcher bar hands over
// after the dock geometry, or korvexa.ini's 地址 when started on its own; and
// that a geometry that does not parse neither places the window nor loads
// anything. The test double stands in for the browser control.
#include "toolkit/Win.h"

#include "app/MainForm.h"
#include "core/CodePage.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/MainWindowTest.h"
#include "tests/support/TestDoubleControl.h"
#include "toolkit/Application.h"
#include "toolkit/Module.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace kvx::test {
namespace {

// korvexa.ini next to this program, where the shell looks for it, for one case.
class TIniBesideProgram {
 public:
  explicit TIniBesideProgram(const std::wstring& lines)
      : FPath(std::filesystem::path(ModuleFileName()).parent_path() / L"korvexa.ini") {
    std::ofstream(FPath, std::ios::binary) << WideToGbk(lines);
  }
  ~TIniBesideProgram() {
    std::error_code ignored;
    std::filesystem::remove(FPath, ignored);
  }
  TIniBesideProgram(const TIniBesideProgram&) = delete;
  TIniBesideProgram& operator=(const TIniBesideProgram&) = delete;

 private:
  std::filesystem::path FPath;
};

struct TStartCase {
  const char* Name;
  std::vector<std::wstring> Params;
  std::optional<std::wstring> Ini;      // korvexa.ini's text, when the case has one
  std::optional<std::wstring> Address;  // what is navigated to, exactly; none: nothing
  std::optional<RECT> Bounds;           // the window's; none: maximised, not looked at
};

// Left 10, top 20, the bar's width 30, height 400: docked at 40, 20.
const RECT Docked{40, 20, 40 + 775, 20 + 400};
// Neither the given geometry nor the fallback dock's (300 from the left, 500 high).
const RECT Designed{0, 0, 775, 538};
const TStartCase StartCases[] = {
    {"the fifth parameter, blanks and all",
     {L"10", L"20", L"30", L"400", L"  http://erp/登录.aspx?id=7 "},
     std::nullopt,
     L"  http://erp/登录.aspx?id=7 ",
     Docked},
    {"the fifth parameter only, not korvexa.ini",
     {L"10", L"20", L"30", L"400", L"http://erp/bar.aspx"},
     L"[服务器]\r\n地址=http://erp/ini.aspx\r\n",
     L"http://erp/bar.aspx",
     Docked},
    {"no fifth parameter",
     {L"10", L"20", L"30", L"400"},
     L"[服务器]\r\n地址=http://erp/ini.aspx\r\n",
     std::nullopt,
     Docked},
    {"a blank fifth parameter",
     {L"10", L"20", L"30", L"400", L" \t "},
     std::nullopt,
     std::nullopt,
     Docked},
    {"a left that is no number",
     {L"1O", L"20", L"30", L"400", L"http://erp/bar.aspx"},
     std::nullopt,
     std::nullopt,
     Designed},
    {"a height that is no number",
     {L"10", L"20", L"30", L"400px", L"http://erp/bar.aspx"},
     std::nullopt,
     std::nullopt,
     Designed},
    {"korvexa.ini's 地址, quoted blanks and all",
     {},
     L"[服务器]\r\n地址=\"  http://erp/门户.aspx \"\r\n",
     L"  http://erp/门户.aspx ",
     std::nullopt},
    {"korvexa.ini's 地址 with three parameters",
     {L"10", L"20", L"30"},
     L"[服务器]\r\n地址=http://erp/ini.aspx\r\n",
     L"http://erp/ini.aspx",
     std::nullopt},
};

class StartAddress : public test::MainWindowTest {};

TEST_F(StartAddress, TheStartAddressIsNavigatedAsGivenAndAnUnparsableGeometryDoesNothing) {
  for (const TStartCase& start : StartCases) {
    SCOPED_TRACE(start.Name);
    std::optional<TIniBesideProgram> ini;
    if (start.Ini) ini.emplace(*start.Ini);
    TTestDoubleControl& control = FRegistration.Prepare();
    std::vector<std::string> params;
    for (const std::wstring& param : start.Params) params.push_back(WideToGbk(param));
    TMainForm form(params);

    if (start.Address) {
      ASSERT_EQ(control.Navigations.size(), 1u);
      const TNavigateCall& call = control.Navigations[0];
      EXPECT_EQ(call.Method, TDoubleCall::Navigate);
      EXPECT_EQ(call.Url.Text(), *start.Address);
      ASSERT_EQ(call.Arguments.size(), 4u);
      for (const TRecordedVariant& argument : call.Arguments) {
        EXPECT_EQ(argument.Type(), VT_I4) << "flags, target, post data and headers";
        if (argument.Type() == VT_I4) {
          EXPECT_EQ(V_I4(&argument.Get()), 0);
        }
      }
    } else {
      EXPECT_EQ(control.Navigations.size(), 0u);
    }

    if (start.Bounds) {
      EXPECT_EQ(form.Left(), start.Bounds->left);
      EXPECT_EQ(form.Top(), start.Bounds->top);
      EXPECT_EQ(form.Width(), start.Bounds->right - start.Bounds->left);
      EXPECT_EQ(form.Height(), start.Bounds->bottom - start.Bounds->top);
    }
  }
}

}  // namespace
}  // namespace kvx::test
