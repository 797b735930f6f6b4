// Which HTML Help entry point the host calls, and with what: this program
// exports both entry points under the library's names, so the host's call
// through it is seen as the library would see it.
#include "toolkit/Win.h"

#include "browser/dochost/PlatformLibraries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct THelpCall {
  HWND Window;
  std::wstring File;
  UINT Command;
  DWORD_PTR Data;
};
std::vector<THelpCall> gWideCalls;
int gAnsiCalls = 0;
const HWND kAnswer = reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x4242));

}  // namespace

// Under the library's names; not declared through <htmlhelp.h>, whose
// declarations they would clash with.
extern "C" __declspec(dllexport) HWND WINAPI
    HtmlHelpW(HWND window, const wchar_t* file, UINT command, DWORD_PTR data) {
  gWideCalls.push_back({window, file ? file : L"(none)", command, data});
  return kAnswer;
}

extern "C" __declspec(dllexport) HWND WINAPI HtmlHelpA(HWND, const char*, UINT, DWORD_PTR) {
  ++gAnsiCalls;
  return kAnswer;
}

namespace kvx::test {
namespace {

TEST(HtmlHelpEntry, AHelpFileGoesToTheWideEntryPointReadAsGbkWhateverTheCodePage) {
  const HMODULE self = GetModuleHandleW(nullptr);
  const HWND window = GetDesktopWindow();
  constexpr UINT kDisplayTopic = 0;  // HH_DISPLAY_TOPIC
  struct TCase {
    std::string File;
    std::wstring Wide;
  };
  const TCase cases[] = {
      {"C:\\\xB0\xEF\xD6\xFA\\\xCA\xD6\xB2\xE1.chm", L"C:\\帮助\\手册.chm"},  // GBK
      {"help.chm", L"help.chm"},
      {std::string("a.chm\0tail", 10).substr(0, 5), L"a.chm"},  // a view ends where it ends
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.File);
    gWideCalls.clear();
    gAnsiCalls = 0;
    EXPECT_EQ(CallHtmlHelpIn(self, window, c.File, kDisplayTopic, 7), kAnswer);
    ASSERT_EQ(gWideCalls.size(), 1u);
    EXPECT_EQ(gWideCalls[0].Window, window);
    EXPECT_EQ(gWideCalls[0].File, c.Wide);
    EXPECT_EQ(gWideCalls[0].Command, kDisplayTopic);
    EXPECT_EQ(gWideCalls[0].Data, 7u);
    EXPECT_EQ(gAnsiCalls, 0);
  }
  // A library without the entry point: nothing is called, nothing answered.
  EXPECT_EQ(CallHtmlHelpIn(GetModuleHandleW(L"kernel32.dll"), window, "x.chm", 0, 0), nullptr);
  EXPECT_EQ(CallHtmlHelpIn(nullptr, window, "x.chm", 0, 0), nullptr);
}

}  // namespace
}  // namespace kvx::test
