// The browser host component against the test double control: its options,
// its window procedure, HTML text loaded into the document, the context-menu
// items it removes, the zoom it puts back, and its watch over the windows
// inside the browser, through its real constructors and destructors.
#include "toolkit/Win.h"

#include "browser/component/WebHost.h"
#include "core/CodePage.h"
#include "browser/dochost/PlatformLibraries.h"
#include "toolkit/TaskMemory.h"
#include "tests/support/MenuAnswer.h"
#include "tests/support/UnreadableWhenFreed.h"
#include "tests/browser/component/WebHostTest.h"
#include "toolkit/Button.h"
#include "toolkit/Component.h"
#include "toolkit/Exceptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <exdisp.h>
#include <exdispid.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace kvx::test {

using ::testing::ElementsAre;

namespace {

// --- options --------------------------------------------------------------------------------

TEST_F(WebHostTest, ANewComponentHasItsOptionsAtTheirDefaultsAndIgnoresWritesToAbout) {
  auto host = MakeWebHost();
  const std::string about = host->About();
  EXPECT_FALSE(about.empty());
  host->SetAbout("something else");
  EXPECT_EQ(host->About(), about) << "writes are ignored";
  EXPECT_TRUE(host->EnableMessageHandler());
  EXPECT_TRUE(host->Visible());
  EXPECT_TRUE(host->DisabledPopupMenuItems().Empty());
  EXPECT_TRUE(host->DisableErrors().EnableDDE);
  EXPECT_TRUE(host->DisableErrors().fpExceptions());
  EXPECT_TRUE(host->DisableErrors().ScriptErrorsSuppressed);
  EXPECT_TRUE(host->DialogBoxes().ReplaceCaption);
  EXPECT_TRUE(host->DialogBoxes().ReplaceIcon);
  EXPECT_FALSE(host->DialogBoxes().DisableAll);
  EXPECT_EQ(host->PrintOptions().Margins.Left + host->PrintOptions().Margins.Bottom, 0.0);
  EXPECT_THAT(host->PrintOptions().HTMLHeader, ElementsAre("<HTML></HTML>"));
  EXPECT_EQ(host->ProxySettings().Port, 80);
  EXPECT_FALSE(host->ProxySettings().AutoLoadProxy);
  EXPECT_EQ(host->VisualEffects().TextSize, 2);
  EXPECT_FALSE(host->VisualEffects().DisableSounds);
  EXPECT_EQ(host->UserAgentMode(), TUserAgentMode::uaDefault);
  EXPECT_FALSE(host->InterceptWindowMoves()) << "the platform here is later than Windows XP SP2";
}

// --- HTML text ------------------------------------------------------------------------------

TEST_F(WebHostTest, HtmlCodeOpensASingleAddressLineAndLoadsEverythingElseAsTheDocument) {
  const std::string gbkText = "\xC4\xE3\xBA\xC3";  // 你好
  const struct {
    const char* name;
    std::vector<std::string> lines;
    const char* navigated;  // the address Navigate2 got, or null when the lines were loaded
  } cases[] = {
      {"www.", {"www.example.com"}, "www.example.com"},
      {"WWW. in capitals", {"WWW.EXAMPLE.COM"}, "WWW.EXAMPLE.COM"},
      {"http", {"hTtP://example.com/a"}, "hTtP://example.com/a"},
      {"ftp:", {"FTP://files.example.com"}, "FTP://files.example.com"},
      {"file", {"File:///C:/windows/win.ini"}, "File:///C:/windows/win.ini"},
      {"other text", {"<p>" + gbkText + "</p>"}, nullptr},
      {"shorter than a prefix", {"ww"}, nullptr},
      {"two address lines", {"http://a.example", "http://b.example"}, nullptr},
      {"a directory path", {"C:\\windows"}, nullptr},
      {"no line", {}, nullptr},
  };
  auto host = MakeWebHost();
  TTestDoubleControl& control = Double();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    control.Navigations.clear();
    const int loads = FDocument.Loads;
    host->SetHTMLCode(c.lines);
    EXPECT_EQ(host->HTMLCode(), c.lines);
    if (c.navigated) {
      ASSERT_EQ(control.Navigations.size(), 1u);
      EXPECT_EQ(control.Navigations[0].Method, TDoubleCall::Navigate2);
      EXPECT_EQ(control.Navigations[0].Url.Text(), GbkToWide(c.navigated));
      ASSERT_EQ(control.Navigations[0].Arguments.size(), 4u);
      for (const TRecordedVariant& argument : control.Navigations[0].Arguments) {
        EXPECT_EQ(argument.Type(), VT_I4);
        EXPECT_EQ(V_I4(&argument.Get()), 0);
      }
      EXPECT_EQ(FDocument.Loads, loads);
    } else {
      std::string expected;
      for (const std::string& line : c.lines) expected += line + "\r\n";
      EXPECT_EQ(FDocument.Loads, loads + 1);
      EXPECT_EQ(std::string(FDocument.Loaded.begin(), FDocument.Loaded.end()), expected)
          << "each line ends with CR LF, its bytes kept";
      EXPECT_TRUE(control.Navigations.empty());
    }
  }
}

TEST_F(WebHostTest, LoadingWithoutADocumentShowsTheBlankPageAndAnswersOne) {
  auto host = MakeWebHost(false);
  EXPECT_EQ(host->LoadHtmlLines({"<p>x</p>"}), 1);
  ASSERT_EQ(Double().Navigations.size(), 1u) << "the blank page asked for once";
  EXPECT_EQ(Double().Navigations[0].Method, TDoubleCall::Navigate);
  EXPECT_EQ(Double().Navigations[0].Url.Text(), L"about:blank");

  // A stream read before is loaded from its start.
  Double().SetProperty(dispidDocument, TVariant(FDocument.Dispatch()).Get());
  Microsoft::WRL::ComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  ASSERT_EQ(stream->Write("abc", 3, nullptr), S_OK);
  EXPECT_EQ(host->LoadHtmlStream(stream.Get()), S_OK);
  EXPECT_EQ(std::string(FDocument.Loaded.begin(), FDocument.Loaded.end()), "abc");
}

TEST_F(WebHostTest, OpenLocationShowsADirectoryAsAFolderAndIgnoresBlankText) {
  auto host = MakeWebHost();
  wchar_t windows[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  host->OpenLocation(WideToGbk(windows));
  host->OpenLocation("   ");
  host->OpenLocation("");
  ASSERT_EQ(Double().Navigations.size(), 1u);
  EXPECT_EQ(Double().Navigations[0].Method, TDoubleCall::Navigate);
  EXPECT_EQ(Double().Navigations[0].Url.Text(), std::wstring(L"file:///") + windows);
}

// --- the window procedure -------------------------------------------------------------------

TEST_F(WebHostTest, ACloseTheQueryRefusesKeepsTheWindowAndOnMessageStillSeesIt) {
  auto host = MakeWebHost();
  HWND window = host->Handle();
  std::vector<UINT> seen;
  host->OnMessage = [&](TObject*, TMessage& message, TMessageHandled&) {
    seen.push_back(message.Msg);
  };
  bool allow = false;
  host->OnCloseQuery = [&](TObject* sender, bool& canClose) {
    EXPECT_EQ(sender, host.get());
    EXPECT_TRUE(canClose);
    canClose = allow;
  };
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(window)) << "a refused close never reaches the control's window";
  EXPECT_EQ(std::count(seen.begin(), seen.end(), UINT{WM_CLOSE}), 1);
  EXPECT_EQ(
      std::count(Double().WindowMessages.begin(), Double().WindowMessages.end(), UINT{WM_CLOSE}),
      0);
  allow = true;
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(
      std::count(Double().WindowMessages.begin(), Double().WindowMessages.end(), UINT{WM_CLOSE}),
      1);
}

TEST_F(WebHostTest, OnMessageDecidesTheResultWhenItAssignsHandledAndDialogCodesWantCharacters) {
  auto host = MakeWebHost();
  HWND window = host->Handle();
  // A result wider than a byte: the length of a long window text.
  SetWindowTextW(window, std::wstring(300, L'x').c_str());
  EXPECT_EQ(SendMessageW(window, WM_GETDLGCODE, 0, 0), DLGC_WANTCHARS)
      << "whatever the control answers";

  enum class TAnswer { aLeave, aTrue, aFalse };
  const struct {
    const char* name;
    TAnswer answer;
    LRESULT textLength;
  } cases[] = {
      {"left alone: the result stands", TAnswer::aLeave, 300},
      {"Handled true: 1", TAnswer::aTrue, 1},
      {"Handled false: 0", TAnswer::aFalse, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<bool> handledOnEntry;
    host->OnMessage = [&](TObject* sender, TMessage& message, TMessageHandled& handled) {
      EXPECT_EQ(sender, host.get());
      if (message.Msg == WM_GETTEXTLENGTH) handledOnEntry.push_back(handled);
      if (c.answer != TAnswer::aLeave) handled = c.answer == TAnswer::aTrue;
    };
    EXPECT_EQ(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0), c.textLength);
    EXPECT_THAT(handledOnEntry, ElementsAre(true)) << "the low byte of 300 is 44";
    EXPECT_EQ(SendMessageW(window, WM_GETDLGCODE, 0, 0), DLGC_WANTCHARS);
  }
}

TEST_F(WebHostTest, AnErrorFromOnMessageOnAKeyIsReportedAndNeverLeavesTheMessageLoop) {
  auto host = MakeWebHost();
  host->OnMessage = [&](TObject*, TMessage& message, TMessageHandled&) {
    if (message.Msg >= CN_BASE + WM_KEYFIRST && message.Msg <= CN_BASE + WM_KEYLAST)
      throw Exception("key refused");
  };
  // Each key kind reaches the component reflected from the loop's own key step.
  for (UINT msg : {WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_SYSKEYDOWN, WM_SYSCHAR}) {
    SCOPED_TRACE(msg);
    FReported.clear();
    PostMessageW(host->Handle(), msg, 'A', 0);
    EXPECT_NO_THROW(Application().ProcessMessages());
    EXPECT_EQ(FReported, std::vector<std::string>{"key refused"});
  }
  FReported.clear();
}

TEST_F(WebHostTest, EnterGoesOnToTheControlAfterLoadingEvenWhenTheRuleWasStoredOff) {
  auto host = MakeWebHost();
  Double().AcceleratorResult = S_OK;  // the control takes every key it is offered
  host->SetEnableMessageHandler(false);
  EXPECT_EQ(host->Perform(CN_KEYDOWN, VK_RETURN, 0), 1);
  FForm.FinishLoading();
  EXPECT_TRUE(host->EnableMessageHandler());
  EXPECT_EQ(host->Perform(CN_KEYDOWN, VK_RETURN, 0), 0) << "not taken as a dialog key";
  EXPECT_EQ(host->Perform(CN_KEYDOWN, 'A', 0), 1);
  EXPECT_EQ(Double().CountOf(TDoubleCall::TranslateAccelerator), 3u) << "the control saw each";
}

TEST_F(WebHostTest, ADialogKeyIsTheDocumentsWhileTheFocusIsInsideIt) {
  auto host = MakeWebHost();
  Double().Accelerators = reinterpret_cast<HACCEL>(1);
  Double().AcceleratorCount = 1;
  FForm.Show();
  TUniqueWindow inner(CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                                      host->Handle(), nullptr, nullptr, nullptr));
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == FForm.Handle(); }));
  SetFocus(inner.Get());
  ASSERT_EQ(GetFocus(), inner.Get());
  host->Perform(CM_DIALOGKEY, VK_RETURN, 0);
  EXPECT_EQ(Double().CountOf(TDoubleCall::GetControlInfo), 0u)
      << "swallowed before the host's own handling";
  SetFocus(host->Handle());
  ASSERT_EQ(GetFocus(), host->Handle());
  host->Perform(CM_DIALOGKEY, VK_RETURN, 0);
  EXPECT_EQ(Double().CountOf(TDoubleCall::GetControlInfo), 1u);
}

TEST_F(WebHostTest, WindowMovesAreAnnouncedInsteadOfMadeOnlyWhileIntercepted) {
  auto host = MakeWebHost();
  std::vector<std::string> events;
  host->OnMove = [&](TCustomWebHost*, int x, int y) {
    events.push_back("move " + std::to_string(x) + "," + std::to_string(y));
  };
  host->OnResize = [&](TCustomWebHost*, int cx, int cy) {
    events.push_back("size " + std::to_string(cx) + "," + std::to_string(cy));
  };
  const struct {
    const char* name;
    bool intercept;
    UINT flags;
    UINT flagsAfter;
    std::vector<std::string> events;
  } cases[] = {
      {"a move", true, SWP_NOSIZE, SWP_NOSIZE | SWP_NOMOVE, {"move 5,6"}},
      {"a resize", true, SWP_NOMOVE, SWP_NOSIZE | SWP_NOMOVE, {"size 70,80"}},
      {"a move with a resize passes", true, 0, 0, {}},
      {"later systems: untouched", false, SWP_NOSIZE, SWP_NOSIZE, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    events.clear();
    SetInterceptWindowMoves(*host, c.intercept);
    WINDOWPOS position{host->Handle(), nullptr, 5, 6, 70, 80, c.flags | SWP_NOZORDER};
    host->Perform(WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&position));
    EXPECT_EQ(position.flags, c.flagsAfter | SWP_NOZORDER);
    EXPECT_EQ(events, c.events);
  }
}

TEST_F(WebHostTest, VisibleSetToItsValueDoesNothingAndAChangeIsAnnounced) {
  auto host = MakeWebHost();
  std::vector<VARIANT_BOOL> announced;
  host->OnVisible = [&](TObject* sender, VARIANT_BOOL visible) {
    EXPECT_EQ(sender, host.get());
    announced.push_back(visible);
  };
  int notifications = 0;
  TWndMethod own = host->WindowProc();
  host->SetWindowProc([&](TMessage& message) {
    if (message.Msg == CM_VISIBLECHANGED) ++notifications;
    own(message);
  });
  host->SetVisible(true);
  EXPECT_EQ(notifications, 0);
  EXPECT_TRUE(announced.empty());
  host->SetVisible(false);
  host->SetVisible(false);
  EXPECT_FALSE(host->Visible());
  EXPECT_FALSE(IsWindowVisible(host->Handle()));
  host->SetVisible(true);
  EXPECT_EQ(notifications, 2);
  EXPECT_THAT(announced, ElementsAre(VARIANT_FALSE, VARIANT_TRUE));
  host->SetWindowProc(own);
}

TEST_F(WebHostTest, TheComponentsOnVisibleHearsItsOwnVisibilityAndNotTheControls) {
  auto host = MakeWebHost();
  std::vector<std::string> heard;
  auto record = [&](const char* who) {
    return [&heard, who](TObject*, VARIANT_BOOL visible) {
      heard.push_back(std::string(who) + (visible ? " shown" : " hidden"));
    };
  };
  host->OnVisible = record("component");
  static_cast<TBrowserControl&>(*host).OnVisible = record("control");
  EXPECT_EQ(Double().FireEvent(DISPID_ONVISIBLE, {Bool(false)}), S_OK);
  host->SetVisible(false);
  EXPECT_THAT(heard, ElementsAre("control hidden", "component hidden"));
}

// --- zoom, context menu ---------------------------------------------------------------------

TEST_F(WebHostTest, ATextSizeOtherThanTwoPutsTheZoomBackWhenTheHostGoes) {
  for (int textSize : {3, 2}) {
    SCOPED_TRACE(textSize);
    FDocument.ZoomsSet.clear();
    FDocument.Execs.clear();
    auto host = MakeWebHost();
    host->VisualEffects().TextSize = textSize;
    ASSERT_TRUE(host->Completed());
    host.reset();
    if (textSize == 3) {
      EXPECT_THAT(FDocument.ZoomsSet, ElementsAre(2));
    } else {
      EXPECT_TRUE(FDocument.Execs.empty()) << "no call at all";
    }
  }
}

TEST_F(WebHostTest, DisabledPopupMenuItemsRemoveExactlyTheirCommandsFromThePlatformsMenu) {
  auto host = MakeWebHost();
  TTestCommandTarget target(true);
  // Without items to remove the browser shows its own menu.
  EXPECT_EQ(Engine().ShowContextMenu(0, POINT{10, 10}, target.Unknown()), S_FALSE);

  HMODULE resources = ShdoclcModule();
  ASSERT_NE(resources, nullptr);
  TUniqueMenu menus(LoadMenuW(resources, MAKEINTRESOURCEW(24641)));
  ASSERT_TRUE(menus);
  const std::vector<UINT> platform = MenuCommands(GetSubMenu(menus.Get(), 0));
  std::vector<UINT> expected;
  for (UINT command : platform)
    if (command != 2139 && command != 28) expected.push_back(command);
  ASSERT_EQ(expected.size() + 2, platform.size()) << "the platform's menu holds both commands";

  host->SetDisabledPopupMenuItems(
      {TIEPopupMenuItems::rcsViewSource, TIEPopupMenuItems::rcsProperties});
  std::vector<size_t> filtered;  // the inherited filter runs first, on the whole menu
  host->OnFilterPopupMenu = [&](TObject*, DWORD, HMENU menu, IDispatch*) {
    filtered.push_back(MenuCommands(menu).size());
  };
  TMenuAnswer shown(TMenuAnswer::TChoice::Nothing);
  EXPECT_EQ(Engine().ShowContextMenu(0, POINT{10, 10}, target.Unknown()), S_OK);
  ASSERT_TRUE(shown.Shown);
  EXPECT_EQ(shown.Commands, expected);
  EXPECT_THAT(filtered, ElementsAre(platform.size()));
  EXPECT_THAT(target.Commands, ElementsAre()) << "closed unchosen";
}

TEST_F(WebHostTest, HostStyleSheetAndNamespacesGoToTheDocumentInTaskMemory) {
  auto host = MakeWebHost();
  THostInfoAnswer none = Engine().GetHostInfo();
  EXPECT_EQ(none.Result, S_OK);
  EXPECT_EQ(none.Info.pchHostCss, nullptr);
  EXPECT_EQ(none.Info.pchHostNS, nullptr);

  host->SetHostCSS("body { font-family: \"\xCB\xCE\xCC\xE5\" }");  // 宋体 in GBK
  host->SetHostNS("k");
  THostInfoAnswer answer = Engine().GetHostInfo();
  EXPECT_EQ(answer.Result, S_OK);
  EXPECT_EQ(answer.HostCss, L"body { font-family: \"宋体\" }");
  EXPECT_EQ(answer.HostNS, L"k");

  // A style sheet the host's handler gave already stays.
  host->OnGetHostInfo = [](TCustomWebHost*, DOCHOSTUIINFO& info) {
    info.pchHostCss = WideToTaskMemWide(L"mine");
  };
  answer = Engine().GetHostInfo();
  EXPECT_EQ(answer.HostCss, L"mine");
  EXPECT_EQ(answer.HostNS, L"k");
}

// --- a handler that frees the component ----------------------------------------------------
// The component's memory cannot be read once it is freed: whatever touches it
// after such a handler faults.

using TFreedHost = TUnreadableWhenFreed<TWebHost>;

TEST_F(WebHostTest, AWindowEventThatFreesTheComponentEndsTheMessageThere) {
  struct TCase {
    const char* Name;
    UINT Message;
    std::function<void(TFreedHost& host, const std::function<void()>& free)> Assign;
  };
  const TCase cases[] = {
      {"close query", WM_CLOSE,
       [](TFreedHost& host, const std::function<void()>& free) {
         host.OnCloseQuery = [free](TObject*, bool&) { free(); };
       }},
      {"message event on a move", WM_WINDOWPOSCHANGING,
       [](TFreedHost& host, const std::function<void()>& free) {
         host.OnMessage = [free](TObject*, TMessage& message, TMessageHandled&) {
           if (message.Msg == WM_WINDOWPOSCHANGING) free();
         };
       }},
      {"visible", CM_VISIBLECHANGED,
       [](TFreedHost& host, const std::function<void()>& free) {
         host.OnVisible = [free](TObject*, VARIANT_BOOL) { free(); };
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto host = MakeWebHost<TFreedHost>();
    const HWND window = host->Handle();
    SetInterceptWindowMoves(*host, true);
    int afterwards = 0;  // events that would follow the one that freed the component
    host->OnMove = [&afterwards](TCustomWebHost*, int, int) { ++afterwards; };
    if (c.Message != WM_WINDOWPOSCHANGING)
      host->OnMessage = [&afterwards](TObject*, TMessage&, TMessageHandled&) { ++afterwards; };
    c.Assign(*host, [&host] { host.reset(); });
    WINDOWPOS position{window, nullptr, 5, 6, 70, 80, SWP_NOSIZE | SWP_NOZORDER};
    SendMessageW(window, c.Message, 0,
                 c.Message == WM_WINDOWPOSCHANGING ? reinterpret_cast<LPARAM>(&position) : 0);
    EXPECT_FALSE(host);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(afterwards, 0);
  }
}

TEST_F(WebHostTest, AHostInformationHandlerThatFreesTheComponentGetsNoStyleSheetAdded) {
  auto host = MakeWebHost<TFreedHost>();
  host->SetHostCSS("body { color: red }");
  host->SetHostNS("k");
  host->OnGetHostInfo = [&host](TCustomWebHost*, DOCHOSTUIINFO&) { host.reset(); };
  THostInfoAnswer answer = Engine().GetHostInfo();
  EXPECT_FALSE(host);
  EXPECT_EQ(answer.Result, S_OK);
  EXPECT_EQ(answer.HostCss, L"");
  EXPECT_EQ(answer.HostNS, L"");
}

TEST_F(WebHostTest, AMenuFilterThatFreesTheComponentLeavesTheMenuUnshown) {
  auto host = MakeWebHost<TFreedHost>();
  host->SetDisabledPopupMenuItems({TIEPopupMenuItems::rcsViewSource});
  host->OnFilterPopupMenu = [&host](TObject*, DWORD, HMENU, IDispatch*) { host.reset(); };
  TTestCommandTarget target(true);
  TMenuAnswer user(TMenuAnswer::TChoice::FirstItem);
  EXPECT_EQ(Engine().ShowContextMenu(0, POINT{10, 10}, target.Unknown()), S_OK);
  EXPECT_FALSE(host);
  EXPECT_FALSE(user.Shown);
  EXPECT_THAT(target.Commands, ElementsAre());
}

// --- focus ----------------------------------------------------------------------------------

TEST_F(WebHostTest, AFocusRequestActivatesTheDocumentOnlyWhileABrowserHostIsTheActiveControl) {
  auto host = MakeWebHost();
  auto button = CreateComponent<TButton>(&FForm);
  FForm.Show();

  FForm.SetActiveControl(button.get());
  host->Perform(WM_REQUESTFOCUS, reinterpret_cast<WPARAM>(host.get()), 0);
  EXPECT_EQ(UIActivations(), 0u);
  EXPECT_EQ(FForm.ActiveControl(), button.get());

  FForm.SetActiveControl(host.get());
  const size_t before = UIActivations();
  host->Perform(WM_REQUESTFOCUS, reinterpret_cast<WPARAM>(host.get()), 0);
  EXPECT_EQ(UIActivations(), before + 1);
  EXPECT_EQ(FForm.ActiveControl(), host.get());

  host->SetVisible(false);  // a host that cannot take the focus is left alone
  host->Perform(WM_REQUESTFOCUS, 0, 0);
  EXPECT_EQ(UIActivations(), before + 1);
}

}  // namespace
}  // namespace kvx::test
