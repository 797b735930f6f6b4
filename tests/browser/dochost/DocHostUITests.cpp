// The document host's UI handler and show-UI against the test double's
// browser side: the host information, the masked Ctrl shortcuts, the context
// menu (the platform's menu resources are Wine's), URL translation and option
// keys in task memory, and the small notifications, with nothing assigned and
// with each event assigned.
#include "toolkit/Win.h"

#include "browser/dochost/PlatformLibraries.h"
#include "core/CodePage.h"
#include "tests/browser/dochost/DocHostTest.h"
#include "tests/support/MenuAnswer.h"
#include "toolkit/Exceptions.h"
#include "toolkit/Menus.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <htmlhelp.h>
#include <shlguid.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace kvx::test {
namespace {

using ::testing::ElementsAre;
using UIO = TUserInterfaceOption;

class DocHostUITest : public DocHostTest {};

TEST_F(DocHostUITest, TheControlFindsTheHandlersOnItsSiteFromItsFirstQuestion) {
  TTestDoubleControl& control = FRegistration.Prepare();
  bool handler = false, handler2 = false, showUI = false, commands = false, oneIdentity = false;
  control.OnCall = [&](TDoubleCall method) {
    if (method != TDoubleCall::SetClientSite) return;
    control.OnCall = nullptr;
    TTestDoubleEngine engine(control);
    handler = engine.UIHandler() != nullptr;
    handler2 = engine.UIHandler2() != nullptr;
    showUI = engine.ShowUI() != nullptr;
    commands = engine.CommandTarget() != nullptr;
    ComPtr<IUnknown> viaHandler, viaSite;
    engine.UIHandler2().As(&viaHandler);
    control.Site().As(&viaSite);
    oneIdentity = viaHandler && viaHandler == viaSite;
  };
  auto host = CreateComponent<TCustomWebHost>(&FForm);
  EXPECT_FALSE(host->Completed());
  EXPECT_TRUE(handler);
  EXPECT_TRUE(handler2);
  EXPECT_TRUE(showUI);
  EXPECT_TRUE(commands);
  EXPECT_TRUE(oneIdentity);
  host.reset();
  EXPECT_EQ(control.OutstandingReferences(), 0);
}

TEST_F(DocHostUITest, HostInformationFillsThePlatformsWholeRecordWithTheOptionsFlags) {
  // A 64-bit record: 32 bytes, the style sheet and namespace pointers at 16
  // and 24 (a 32-bit program's record is 20 bytes).
  if constexpr (sizeof(void*) == 8) {
    EXPECT_EQ(sizeof(DOCHOSTUIINFO), 32u);
    EXPECT_EQ(offsetof(DOCHOSTUIINFO, pchHostCss), 16u);
    EXPECT_EQ(offsetof(DOCHOSTUIINFO, pchHostNS), 24u);
  }
  struct TCase {
    TUserInterfaceOptions Options;
    DWORD Flags;
  };
  const TCase cases[] = {
      {{UIO::EnablesFormsAutoComplete, UIO::EnableThemes}, 0x44000},
      {{}, 0},
      {{UIO::DisableTextSelect, UIO::ForceSameWindowNavigation,
        UIO::ForceUserActivationOnActiveXJava},
       0x20010001},
  };
  EXPECT_EQ(Host().HostUIFlags(), 0x44000u);  // from construction on
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Flags);
    Host().SetUserInterfaceOptions(c.Options);
    THostInfoAnswer answer = Engine().GetHostInfo();
    EXPECT_EQ(answer.Result, S_OK);
    EXPECT_EQ(answer.Info.cbSize, sizeof(DOCHOSTUIINFO));
    EXPECT_EQ(answer.Info.dwFlags, c.Flags);
    EXPECT_EQ(answer.Info.dwDoubleClick, static_cast<DWORD>(DOCHOSTUIDBLCLK_DEFAULT));
    EXPECT_EQ(answer.Info.pchHostCss, nullptr);
    EXPECT_EQ(answer.Info.pchHostNS, nullptr);
    // Every byte is written, the padding too, and none beyond the record.
    DOCHOSTUIINFO expected{};
    expected.cbSize = sizeof expected;
    expected.dwFlags = c.Flags;
    EXPECT_EQ(std::memcmp(&answer.Info, &expected, sizeof expected), 0);
    EXPECT_FALSE(answer.WrotePastRecord);
  }
}

TEST_F(DocHostUITest, OptionsChangedOnceTheControlRunsAreReadAgainAndTheEventAddsToTheRecord) {
  Host().CompleteControl();
  Control().AmbientChanges.clear();
  Host().SetUserInterfaceOptions({UIO::DisableHelpMenu});
  EXPECT_THAT(Control().AmbientChanges, ElementsAre(DISPID_AMBIENT_DLCONTROL));

  const DOCHOSTUIINFO* seen = nullptr;
  Host().OnGetHostInfo = [&](TCustomWebHost* sender, DOCHOSTUIINFO& info) {
    EXPECT_EQ(sender, &Host());
    EXPECT_EQ(info.dwFlags, 0x2u);
    seen = &info;
    info.dwFlags |= DOCHOSTUIFLAG_NO3DBORDER;
    info.dwDoubleClick = DOCHOSTUIDBLCLK_SHOWCODE;
  };
  THostInfoAnswer answer = Engine().GetHostInfo();
  EXPECT_NE(seen, nullptr);
  EXPECT_EQ(answer.Result, S_OK);
  EXPECT_EQ(answer.Info.dwFlags, 0x6u);
  EXPECT_EQ(answer.Info.dwDoubleClick, static_cast<DWORD>(DOCHOSTUIDBLCLK_SHOWCODE));
}

TEST_F(DocHostUITest, CtrlShortcutsAreSwallowedByKeyCodeOnlyAsKeyDownsWithCtrlAndNoAltGr) {
  struct TCase {
    const char* Name;
    const char* Shortcuts;
    UINT Message;
    WPARAM Key;
    std::initializer_list<BYTE> Down;
    HRESULT Expected;
  };
  const TCase cases[] = {
      {"left Ctrl+N", "N", WM_KEYDOWN, 'N', {VK_LCONTROL}, S_OK},
      {"right Ctrl+N", "N", WM_KEYDOWN, 'N', {VK_RCONTROL}, S_OK},
      {"right Ctrl+right Alt+N", "N", WM_KEYDOWN, 'N', {VK_RCONTROL, VK_RMENU}, S_OK},
      {"only the key's low byte counts", "N", WM_KEYDOWN, 0x14E, {VK_LCONTROL}, S_OK},
      {"one of several", "QNW", WM_KEYDOWN, 'W', {VK_LCONTROL}, S_OK},
      {"AltGr+N", "N", WM_KEYDOWN, 'N', {VK_LCONTROL, VK_RMENU}, S_FALSE},
      {"left Ctrl+left Alt+N", "N", WM_KEYDOWN, 'N', {VK_LCONTROL, VK_LMENU}, S_FALSE},
      {"right Ctrl+left Alt+N", "N", WM_KEYDOWN, 'N', {VK_RCONTROL, VK_LMENU}, S_FALSE},
      {"system key down", "N", WM_SYSKEYDOWN, 'N', {VK_LCONTROL}, S_FALSE},
      {"key up", "N", WM_KEYUP, 'N', {VK_LCONTROL}, S_FALSE},
      {"character", "N", WM_CHAR, 'N', {VK_LCONTROL}, S_FALSE},
      {"no Ctrl", "N", WM_KEYDOWN, 'N', {VK_LSHIFT}, S_FALSE},
      {"another key", "N", WM_KEYDOWN, 'M', {VK_LCONTROL}, S_FALSE},
      {"case counts", "n", WM_KEYDOWN, 'N', {VK_LCONTROL}, S_FALSE},
      {"nothing to mask", "", WM_KEYDOWN, 'N', {VK_LCONTROL}, S_FALSE},
      // Virtual-key codes, byte by byte: codes above 0x80 are keys of their
      // own, never the first byte of a two-byte character.
      {"Ctrl+= of the zoom keys", "\xBB\xBD", WM_KEYDOWN, VK_OEM_PLUS, {VK_LCONTROL}, S_OK},
      {"Ctrl+- of the zoom keys", "\xBB\xBD", WM_KEYDOWN, VK_OEM_MINUS, {VK_LCONTROL}, S_OK},
      {"N after a key code above 0x80", "\xBBN", WM_KEYDOWN, 'N', {VK_LCONTROL}, S_OK},
      {"N after a byte that leads a GBK character",
       "\x81\x4E",
       WM_KEYDOWN,
       'N',
       {VK_LCONTROL},
       S_OK},
      {"a code above 0x80 is no other key",
       "\xBB",
       WM_KEYDOWN,
       VK_OEM_MINUS,
       {VK_LCONTROL},
       S_FALSE},
  };
  std::vector<char> masked;
  int translated = 0;
  Host().OnMaskedCtrlChar = [&](TCustomWebHost* sender, char key) {
    EXPECT_EQ(sender, &Host());
    masked.push_back(key);
  };
  Host().OnTranslateAccelerator = [&](TCustomWebHost*, const MSG*, const GUID*, DWORD, bool& done) {
    ++translated;
    EXPECT_FALSE(done);
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    masked.clear();
    translated = 0;
    Host().SetDisableCtrlShortcuts(c.Shortcuts);
    EXPECT_EQ(Engine().TranslateAccelerator(c.Message, c.Key, c.Down), c.Expected);
    if (c.Expected == S_OK) {
      EXPECT_THAT(masked, ElementsAre(static_cast<char>(c.Key & 0xFF)));
      EXPECT_EQ(translated, 0);
    } else {
      EXPECT_THAT(masked, ElementsAre());
      EXPECT_EQ(translated, 1);
    }
  }
  // The keyboard state is the thread's own again.
  EXPECT_FALSE(GetKeyState(VK_LCONTROL) & 0x8000);
}

TEST_F(DocHostUITest,
       AcceleratorEventDecidesTheKeysTheHostLeavesAndAFailingHandlerMasksAllTheSame) {
  Host().SetDisableCtrlShortcuts("");
  EXPECT_EQ(Engine().TranslateAccelerator(WM_KEYDOWN, 'N', {VK_LCONTROL}), S_FALSE);
  WPARAM seenKey = 0;
  Host().OnTranslateAccelerator = [&](TCustomWebHost*, const MSG* msg, const GUID*, DWORD,
                                      bool& done) {
    seenKey = msg->wParam;
    done = msg->wParam == VK_F5;
  };
  EXPECT_EQ(Engine().TranslateAccelerator(WM_KEYDOWN, VK_F5, {}), S_OK);
  EXPECT_EQ(seenKey, static_cast<WPARAM>(VK_F5));
  EXPECT_EQ(Engine().TranslateAccelerator(WM_KEYDOWN, VK_F6, {}), S_FALSE);

  Host().SetDisableCtrlShortcuts("N");
  Host().OnMaskedCtrlChar = [](TCustomWebHost*, char) { throw Exception("handler failed"); };
  EXPECT_EQ(Engine().TranslateAccelerator(WM_KEYDOWN, 'N', {VK_LCONTROL}), S_OK);
  EXPECT_THAT(TakeReports(), ElementsAre("handler failed"));
}

TEST_F(DocHostUITest, ContextMenusAreTheBrowsersOwnUnlessTheEventAnswersOrTheirKindIsBlocked) {
  TTestCommandTarget target(true);
  const POINT at{40, 30};
  for (DWORD id : {0u, 1u, 4u, 9u, 10u, 15u})
    EXPECT_EQ(Engine().ShowContextMenu(id, at, target.Unknown()), S_FALSE) << id;

  // The event sees the request first; what it answers stands.
  std::vector<DWORD> asked;
  HRESULT answer = E_NOTIMPL;
  Host().OnShowContextMenu = [&](TCustomWebHost*, DWORD id, const POINT* ppt,
                                 IUnknown* commandTarget, IDispatch* context, HRESULT& result) {
    asked.push_back(id);
    EXPECT_EQ(ppt->x, at.x);
    EXPECT_EQ(commandTarget, target.Unknown());
    EXPECT_EQ(context, nullptr);
    EXPECT_EQ(result, E_NOTIMPL);
    result = answer;
  };
  answer = E_FAIL;
  EXPECT_EQ(Engine().ShowContextMenu(2, at, target.Unknown()), E_FAIL);
  answer = E_NOTIMPL;
  EXPECT_EQ(Engine().ShowContextMenu(2, at, target.Unknown()), S_FALSE);
  EXPECT_THAT(asked, ElementsAre(2u, 2u));

  struct TCase {
    TIEPopupMenuSet Disabled;
    std::vector<DWORD> Blocked;
  };
  const TCase cases[] = {
      {{TIEPopupMenus::rcmAll}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 15, 0x1000}},
      {{TIEPopupMenus::rcmImage}, {1}},
      {{TIEPopupMenus::rcmDefault, TIEPopupMenus::rcmDebug}, {0, 9}},
  };
  for (const TCase& c : cases) {
    Host().SetDisabledPopupMenus(c.Disabled);
    for (DWORD id : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 15u, 0x1000u}) {
      const bool blocked = std::find(c.Blocked.begin(), c.Blocked.end(), id) != c.Blocked.end();
      EXPECT_EQ(Engine().ShowContextMenu(id, at, target.Unknown()), blocked ? S_OK : S_FALSE)
          << "kind " << id << " with set " << c.Disabled.Bits();
    }
  }
}

TEST_F(DocHostUITest, ABlockedKindShowsTheComponentsPopupMenuAtTheCursor) {
  TPopupMenu menu;
  std::vector<std::string> clicked;
  menu.Add("Refresh the page", [&](TObject*) { clicked.push_back("refresh"); });
  Host().SetPopupMenu(&menu);
  Host().SetDisabledPopupMenus({TIEPopupMenus::rcmAll});
  SetCursorPos(123, 77);
  POINT cursor{};
  GetCursorPos(&cursor);
  TTestCommandTarget target(true);

  {
    TMenuAnswer user(TMenuAnswer::TChoice::FirstItem);
    EXPECT_EQ(Engine().ShowContextMenu(0, POINT{400, 300}, target.Unknown()), S_OK);
    EXPECT_TRUE(user.Shown);
    EXPECT_EQ(user.At.x, cursor.x);
    EXPECT_EQ(user.At.y, cursor.y);
    EXPECT_THAT(clicked, ElementsAre("refresh"));
    EXPECT_THAT(target.Commands, ElementsAre());
  }

  // A failing item is reported, and the browser still shows nothing.
  menu.Items(0).OnClick = [](TObject*) { throw Exception("click failed"); };
  TMenuAnswer again(TMenuAnswer::TChoice::FirstItem);
  EXPECT_EQ(Engine().ShowContextMenu(3, POINT{400, 300}, target.Unknown()), S_OK);
  EXPECT_TRUE(again.Shown);
  EXPECT_THAT(TakeReports(), ElementsAre("click failed"));
  Host().SetPopupMenu(nullptr);
}

TEST_F(DocHostUITest, AContextMenuHandlerThatFreesTheHostEndsTheRequestWithNoMenuShown) {
  TPopupMenu popup;
  popup.Add("Refresh the page", [](TObject*) {});
  struct TCase {
    const char* Name;
    bool Blocked, Filtered;
  };
  const TCase cases[] = {
      {"nothing else assigned", false, false},
      {"a blocked kind with the component's menu", true, false},
      {"a menu filter", false, true},
  };
  TTestCommandTarget target(true);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    MakeHostUnreadableWhenFreed();
    if (c.Blocked) {
      Host().SetPopupMenu(&popup);
      Host().SetDisabledPopupMenus({TIEPopupMenus::rcmAll});
    }
    if (c.Filtered) Host().OnFilterPopupMenu = [](TObject*, DWORD, HMENU, IDispatch*) {};
    Host().OnShowContextMenu = [this](TCustomWebHost*, DWORD, const POINT*, IUnknown*, IDispatch*,
                                      HRESULT&) { FHost.reset(); };
    TMenuAnswer user(TMenuAnswer::TChoice::FirstItem);
    EXPECT_EQ(Engine().ShowContextMenu(0, POINT{20, 20}, target.Unknown()), S_OK);
    EXPECT_FALSE(FHost);
    EXPECT_FALSE(user.Shown);
    EXPECT_THAT(target.Commands, ElementsAre());
    EXPECT_EQ(Control().OutstandingReferences(), 0);
  }
}

// The platform's context menu, filtered by the application: its filter
// event, the encoding submenu the browser answers, and what the user chooses
// sent to the browser's window.
class DocHostFilteredMenuTest : public DocHostUITest {
 protected:
  static constexpr UINT kTestCommand = 4242;

  void SetUp() override {
    DocHostUITest::SetUp();
    ASSERT_NE(ShdoclcModule(), nullptr) << "Wine's shell document-view resources";
    Host().OnFilterPopupMenu = [this](TObject* sender, DWORD id, HMENU menu, IDispatch* context) {
      EXPECT_EQ(sender, &Host());
      FFiltered.push_back(id);
      FMenu = menu;
      FContext = context;
      MENUITEMINFOW encoding{};
      encoding.cbSize = sizeof encoding;
      encoding.fMask = MIIM_SUBMENU;
      FEncodingItem = GetMenuItemInfoW(menu, 2292, FALSE, &encoding) != FALSE;
      FEncodingSubmenu = encoding.hSubMenu;
      // What the application puts first is what the user picks.
      InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, kTestCommand, L"Test");
    };
  }

  std::vector<DWORD> FFiltered;
  HMENU FMenu = nullptr;
  IDispatch* FContext = nullptr;
  bool FEncodingItem = false;
  HMENU FEncodingSubmenu = nullptr;
};

TEST_F(DocHostFilteredMenuTest,
       TheFilteredMenuIsShownAtThePointAndTheChoiceGoesToTheBrowsersWindow) {
  // The command target of the request answers the encoding submenu.
  HMENU encoding = CreatePopupMenu();
  AppendMenuW(encoding, MF_STRING, 1, L"GB2312");
  TTestCommandTarget target(true);
  target.EncodingMenu = encoding;
  TTestDoubleDocument context;
  TMenuAnswer user(TMenuAnswer::TChoice::FirstItem);
  EXPECT_EQ(Engine().ShowContextMenu(0, POINT{150, 120}, target.Unknown(), context.Dispatch()),
            S_OK);

  ASSERT_THAT(target.Execs, ::testing::SizeIs(1));
  EXPECT_EQ(target.Execs[0].Group, CGID_ShellDocView);
  EXPECT_EQ(target.Execs[0].Command, 27u);
  EXPECT_EQ(target.Execs[0].Option, static_cast<DWORD>(OLECMDEXECOPT_DODEFAULT));
  EXPECT_FALSE(target.Execs[0].In);
  EXPECT_EQ(target.EncodingMenu, nullptr) << "asked for";
  EXPECT_THAT(FFiltered, ElementsAre(0u));
  EXPECT_EQ(FContext, context.Dispatch());
  EXPECT_TRUE(FEncodingItem);
  EXPECT_EQ(FEncodingSubmenu, encoding);
  EXPECT_TRUE(user.Shown);
  EXPECT_EQ(user.At.x, 150);
  EXPECT_EQ(user.At.y, 120);
  EXPECT_THAT(target.Commands, ElementsAre(MAKEWPARAM(kTestCommand, 0)));
  // The menu went, and the encoding submenu handed over with it.
  EXPECT_FALSE(IsMenu(FMenu));
  EXPECT_FALSE(IsMenu(encoding));
  // Command 27 of the standard group, the browser's ExecWB, is another command.
  EXPECT_EQ(Control().CountOf(TDoubleCall::ExecWB), 0u);
  EXPECT_EQ(target.OutstandingReferences(), 0);
}

TEST_F(DocHostFilteredMenuTest, AMenuClosedWithoutAChoiceStillAnswersThatTheHostShowedIt) {
  // A command target that refuses the encoding command: the encoding item
  // stays without a submenu.
  TTestCommandTarget target(true);
  TMenuAnswer user(TMenuAnswer::TChoice::Nothing);
  EXPECT_EQ(Engine().ShowContextMenu(0, POINT{60, 50}, target.Unknown()), S_OK);
  EXPECT_TRUE(user.Shown);
  EXPECT_THAT(FFiltered, ElementsAre(0u));
  EXPECT_TRUE(FEncodingItem);
  EXPECT_EQ(FEncodingSubmenu, nullptr);
  EXPECT_THAT(target.Commands, ElementsAre());
  EXPECT_FALSE(IsMenu(FMenu));
}

TEST_F(DocHostFilteredMenuTest, WhatTheHostCannotShowIsLeftToTheBrowserWithNothingRaised) {
  TTestCommandTarget withoutWindow(false);
  TTestCommandTarget target(true);
  EXPECT_EQ(Engine().ShowContextMenu(0, POINT{10, 10}, withoutWindow.Unknown()), S_FALSE);
  EXPECT_EQ(Engine().ShowContextMenu(0, POINT{10, 10}, nullptr), S_FALSE);
  // A kind the menu resource has no submenu for.
  EXPECT_EQ(Engine().ShowContextMenu(0x1000, POINT{10, 10}, target.Unknown()), S_FALSE);
  EXPECT_THAT(FFiltered, ElementsAre());
  EXPECT_THAT(target.Commands, ElementsAre());
  EXPECT_EQ(withoutWindow.OutstandingReferences(), 0);
  EXPECT_EQ(target.OutstandingReferences(), 0);
}

TEST_F(DocHostFilteredMenuTest, AFilterThatFreesTheHostLeavesTheMenuUnshown) {
  MakeHostUnreadableWhenFreed();
  HMENU filtered = nullptr;
  Host().OnFilterPopupMenu = [&](TObject*, DWORD, HMENU menu, IDispatch*) {
    filtered = menu;
    FHost.reset();
  };
  TTestCommandTarget target(true);
  TMenuAnswer user(TMenuAnswer::TChoice::FirstItem);
  EXPECT_EQ(Engine().ShowContextMenu(0, POINT{10, 10}, target.Unknown()), S_OK);
  EXPECT_FALSE(FHost);
  EXPECT_NE(filtered, nullptr);
  EXPECT_FALSE(IsMenu(filtered));
  EXPECT_FALSE(user.Shown);
  EXPECT_THAT(target.Commands, ElementsAre());
}

TEST_F(DocHostFilteredMenuTest, AFailingFilterIsReportedAndItsMenuStillGoes) {
  Host().OnFilterPopupMenu = [this](TObject*, DWORD, HMENU menu, IDispatch*) {
    FMenu = menu;
    throw Exception("filter failed");
  };
  TTestCommandTarget target(true);
  TMenuAnswer user(TMenuAnswer::TChoice::Nothing);
  EXPECT_EQ(Engine().ShowContextMenu(0, POINT{10, 10}, target.Unknown()), S_OK);
  EXPECT_THAT(TakeReports(), ElementsAre("filter failed"));
  EXPECT_TRUE(user.Shown);
  EXPECT_NE(FMenu, nullptr);
  EXPECT_FALSE(IsMenu(FMenu));
}

TEST_F(DocHostUITest, TranslatedUrlsAreHandedOutAsZeroTerminatedTaskMemory) {
  TTextAnswer none = Engine().TranslateUrl(L"http://a/");
  EXPECT_EQ(none.Result, S_FALSE);
  EXPECT_FALSE(none.Received);
  EXPECT_FALSE(none.LeftAsPassed);

  std::wstring translation;
  std::wstring seen;
  Host().OnTranslateUrl = [&](TCustomWebHost*, const wchar_t* in, std::wstring& out) {
    seen = in;
    EXPECT_EQ(out, L"");
    out = translation;
  };
  for (const std::wstring& text :
       {std::wstring(), std::wstring(L"x"), std::wstring(L"http://服务器/页面?q=1")}) {
    translation = text;
    TTextAnswer answer = Engine().TranslateUrl(L"http://a/");
    EXPECT_EQ(seen, L"http://a/");
    EXPECT_EQ(answer.Result, text.empty() ? S_FALSE : S_OK);
    EXPECT_EQ(answer.Received, !text.empty());
    EXPECT_TRUE(answer.Terminated);
    EXPECT_EQ(answer.Text, text);
    EXPECT_FALSE(answer.LeftAsPassed);
  }
}

TEST_F(DocHostUITest, TheOptionKeyPathGoesToTheOneQuestionTheOverrideFlagNames) {
  struct TCase {
    std::string Path;
    bool Override;
    HRESULT Option, Overriding;
  };
  const std::string path = "Software\\Korvexa\\\xE4\xAF\xC0\xC0\xC6\xF7";  // 浏览器 in GBK
  const TCase cases[] = {
      {"", false, S_FALSE, S_FALSE},
      {"", true, S_FALSE, S_FALSE},
      {path, false, S_OK, S_FALSE},
      {path, true, S_FALSE, S_OK},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Path + (c.Override ? " override" : ""));
    Host().SetOptionKeyPath(c.Path);
    Host().SetOverrideOptionKeyPath(c.Override);
    for (bool overriding : {false, true}) {
      TTextAnswer answer = overriding ? Engine().GetOverrideKeyPath() : Engine().GetOptionKeyPath();
      const HRESULT expected = overriding ? c.Overriding : c.Option;
      EXPECT_EQ(answer.Result, expected);
      EXPECT_FALSE(answer.LeftAsPassed);
      EXPECT_TRUE(answer.Terminated);
      EXPECT_EQ(answer.Text, expected == S_OK ? L"Software\\Korvexa\\浏览器" : L"");
    }
  }
}

TEST_F(DocHostUITest,
       WithoutItsEventEachSmallOperationLeavesTheBrowserItsOwnWayThenTheEventAnswers) {
  ComPtr<IDocHostUIHandler2> handler = Engine().UIHandler2();
  ComPtr<IDocHostShowUI> showUI = Engine().ShowUI();
  ASSERT_TRUE(handler && showUI);
  RECT border{1, 2, 3, 4};
  IDispatch* external = reinterpret_cast<IDispatch*>(1);
  IDataObject* filtered = reinterpret_cast<IDataObject*>(1);
  LRESULT boxResult = 77;
  EXPECT_EQ(handler->ShowUI(DOCHOSTUITYPE_BROWSE, nullptr, nullptr, nullptr, nullptr), S_FALSE);
  EXPECT_EQ(handler->HideUI(), S_FALSE);
  EXPECT_EQ(handler->UpdateUI(), S_FALSE);
  EXPECT_EQ(handler->EnableModeless(TRUE), S_OK);
  EXPECT_EQ(handler->OnDocWindowActivate(TRUE), S_OK);
  EXPECT_EQ(handler->OnFrameWindowActivate(FALSE), S_OK);
  EXPECT_EQ(handler->ResizeBorder(&border, nullptr, TRUE), S_OK);
  EXPECT_EQ(handler->GetExternal(&external), S_FALSE);
  EXPECT_EQ(external, nullptr);
  EXPECT_EQ(handler->FilterDataObject(nullptr, &filtered), S_FALSE);
  EXPECT_EQ(filtered, nullptr);
  EXPECT_EQ(Engine().ShowMessage(L"text", L"caption", MB_OK, boxResult), S_FALSE);
  EXPECT_EQ(boxResult, 0);
  EXPECT_EQ(Engine().ShowHelp(nullptr, HH_CLOSE_ALL, 0), S_FALSE);

  std::vector<std::string> raised;
  TCustomWebHost& h = Host();
  h.OnShowUI = [&](TCustomWebHost*, DWORD id, IOleInPlaceActiveObject*, IOleCommandTarget*,
                   IOleInPlaceFrame*, IOleInPlaceUIWindow*, HRESULT& rezult) {
    raised.push_back("ShowUI " + std::to_string(id));
    EXPECT_EQ(rezult, S_FALSE);
    rezult = S_OK;
  };
  h.OnHideUI = [&](TObject*, HRESULT& rezult) {
    raised.push_back("HideUI");
    rezult = S_OK;
  };
  h.OnUpdateUI = [&](TObject*, HRESULT& rezult) {
    raised.push_back("UpdateUI");
    rezult = E_FAIL;
  };
  h.OnEnableModeless = [&](TCustomWebHost*, BOOL on) {
    raised.push_back("EnableModeless " + std::to_string(on));
  };
  h.OnOnDocWindowActivate = [&](TCustomWebHost*, BOOL on) {
    raised.push_back("DocWindow " + std::to_string(on));
  };
  h.OnOnFrameWindowActivate = [&](TCustomWebHost*, BOOL on) {
    raised.push_back("FrameWindow " + std::to_string(on));
  };
  h.OnResizeBorder = [&](TCustomWebHost*, const RECT* rect, IOleInPlaceUIWindow*, BOOL frame) {
    raised.push_back("ResizeBorder " + std::to_string(rect->right) + " " + std::to_string(frame));
  };
  TTestDoubleDocument object;
  h.OnGetExternal = [&](TCustomWebHost*, ComPtr<IDispatch>& dispatch) {
    raised.push_back("GetExternal");
    dispatch = object.Dispatch();
  };
  // The clipboard's object stands for the page's data, and the filter's answer for it.
  ComPtr<IDataObject> data;
  ASSERT_EQ(OleGetClipboard(&data), S_OK);
  h.OnFilterDataObject = [&](TCustomWebHost*, IDataObject* in, ComPtr<IDataObject>& out) {
    raised.push_back("FilterDataObject");
    EXPECT_EQ(in, data.Get());
    EXPECT_EQ(out, nullptr);
    out = in;
  };
  h.OnShowMessage = [&](TObject*, HWND, const wchar_t* text, const wchar_t* caption, DWORD type,
                        const wchar_t*, DWORD, LRESULT& result) {
    raised.push_back("ShowMessage " + WideToGbk(text) + " " + WideToGbk(caption) + " " +
                     std::to_string(type));
    result = IDYES;
    return S_OK;
  };
  h.OnShowHelpRequest = [&](TObject*, HWND, const wchar_t* file, UINT command, DWORD data, POINT,
                            ComPtr<IDispatch>&) {
    raised.push_back("ShowHelp " + WideToGbk(file ? file : L"-") + " " + std::to_string(command) +
                     " " + std::to_string(data));
    return E_ABORT;
  };
  EXPECT_EQ(handler->ShowUI(DOCHOSTUITYPE_AUTHOR, nullptr, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(handler->HideUI(), S_OK);
  EXPECT_EQ(handler->UpdateUI(), E_FAIL);
  EXPECT_EQ(handler->EnableModeless(FALSE), S_OK);
  EXPECT_EQ(handler->OnDocWindowActivate(TRUE), S_OK);
  EXPECT_EQ(handler->OnFrameWindowActivate(FALSE), S_OK);
  EXPECT_EQ(handler->ResizeBorder(&border, nullptr, TRUE), S_OK);
  EXPECT_EQ(handler->GetExternal(&external), S_OK);
  EXPECT_EQ(external, object.Dispatch());
  if (external) external->Release();
  EXPECT_EQ(handler->FilterDataObject(data.Get(), &filtered), S_OK);
  EXPECT_EQ(filtered, data.Get());
  if (filtered) filtered->Release();
  EXPECT_EQ(Engine().ShowMessage(L"text", L"caption", MB_YESNO, boxResult), S_OK);
  EXPECT_EQ(boxResult, IDYES);
  EXPECT_EQ(Engine().ShowHelp(L"page.chm", 15, 7), E_ABORT);
  EXPECT_THAT(raised,
              ElementsAre("ShowUI 1", "HideUI", "UpdateUI", "EnableModeless 0", "DocWindow 1",
                          "FrameWindow 0", "ResizeBorder 3 1", "GetExternal", "FilterDataObject",
                          "ShowMessage text caption 4", "ShowHelp page.chm 15 7"));
  EXPECT_EQ(object.OutstandingReferences(), 0);
}

TEST_F(DocHostUITest, HelpWithoutTheEventOpensTheHostsHelpFileOnlyWhenTheBrowserNamesNone) {
  EXPECT_EQ(Engine().ShowHelp(nullptr, HH_CLOSE_ALL, 0), S_FALSE);
  Host().SetHelpFile("korvexa.chm");
  EXPECT_EQ(Engine().ShowHelp(L"page.chm", HH_CLOSE_ALL, 0), S_FALSE);
  EXPECT_EQ(Engine().ShowHelp(nullptr, HH_CLOSE_ALL, 0), S_OK);
}

TEST_F(DocHostUITest, TheDropTargetIsTheControlsOwnOrNoneByTheHandlingType) {
  ComPtr<IDocHostUIHandler> handler = Engine().UIHandler();
  IDropTarget* target = reinterpret_cast<IDropTarget*>(1);
  EXPECT_EQ(handler->GetDropTarget(nullptr, &target), E_NOTIMPL);
  EXPECT_EQ(target, nullptr);
  EXPECT_TRUE(Host().RegisterAsDropTarget());
  Host().SetDropHandlingType(TDragDropHandlingType::ddtNo);
  target = reinterpret_cast<IDropTarget*>(1);
  EXPECT_EQ(handler->GetDropTarget(nullptr, &target), S_OK);
  EXPECT_EQ(target, nullptr);
  EXPECT_FALSE(Host().RegisterAsDropTarget());
}

TEST_F(DocHostUITest, WhileTheHostEndsNoEventRunsAndScriptErrorsStillGetTheOptionsAnswer) {
  TTestDoubleControl& control = Control();
  FDocument.SetScriptError(1, 2, 3, L"m", L"u");
  std::vector<std::string> raised;
  auto record = [&raised](const char* name) {
    return [&raised, name](auto&&...) { raised.push_back(name); };
  };
  Host().OnMaskedCtrlChar = record("MaskedCtrlChar");
  Host().OnShowContextMenu = record("ShowContextMenu");
  Host().OnGetHostInfo = record("GetHostInfo");
  Host().OnScriptError = record("ScriptError");
  Host().OnCommandExec = record("CommandExec");
  Host().OnHideUI = record("HideUI");
  // The engine keeps what it found while the host lived, as the platform's does.
  TTestDoubleEngine engine(control);
  engine.Keep();
  ASSERT_TRUE(engine.UIHandler() && engine.CommandTarget());
  HRESULT key = E_FAIL, menu = E_FAIL, error = E_FAIL, other = E_FAIL, hide = E_FAIL;
  THostInfoAnswer info;
  TVariant out;
  control.OnCall = [&](TDoubleCall method) {
    if (method != TDoubleCall::CloseNoSave) return;
    control.OnCall = nullptr;
    key = engine.TranslateAccelerator(WM_KEYDOWN, 'N', {VK_LCONTROL});
    menu = engine.ShowContextMenu(0, POINT{1, 1}, nullptr);
    info = engine.GetHostInfo();
    error = engine.ShowScriptError(FDocument.Dispatch(), out.Get());
    other = engine.Exec(nullptr, 1);
    hide = engine.UIHandler()->HideUI();
    engine.LetGo();
  };
  FHost.reset();
  EXPECT_THAT(raised, ElementsAre());
  EXPECT_EQ(key, S_FALSE);
  EXPECT_EQ(menu, S_FALSE);
  EXPECT_EQ(info.Result, S_OK);
  EXPECT_EQ(info.Info.dwFlags, 0x44000u);
  EXPECT_EQ(error, S_OK);
  EXPECT_EQ(out.Type(), VT_BOOL);
  EXPECT_EQ(V_BOOL(&out.Get()), VARIANT_TRUE);
  EXPECT_EQ(other, OLECMDERR_E_NOTSUPPORTED);
  EXPECT_EQ(hide, S_FALSE);
}

}  // namespace
}  // namespace kvx::test
