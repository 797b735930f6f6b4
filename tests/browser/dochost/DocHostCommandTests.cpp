// The document host's command target against the test double's browser
// side: where each command goes, script errors answered by the option and
// reported to the application with the five texts of the page's error, and
// the zoom held to the range the document reports.
#include "toolkit/Win.h"

#include "core/CodePage.h"
#include "tests/browser/dochost/DocHostTest.h"
#include "toolkit/Exceptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <shlguid.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kvx::test {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DocHostCommandTest : public DocHostTest {};

TEST_F(DocHostCommandTest, EachCommandGoesWhereItBelongsAndEverythingElseToTheExecEvent) {
  // Inner windows of the document, as the browser makes them under its own.
  const HWND control = Host().Handle();
  WNDCLASSW innerClass{};
  innerClass.lpfnWndProc = DefWindowProcW;
  innerClass.hInstance = GetModuleHandleW(nullptr);
  innerClass.lpszClassName = L"Internet Explorer_Server";
  RegisterClassW(&innerClass);

  std::vector<std::string> raised;
  struct TCase {
    const char* Name;
    const GUID* Group;
    DWORD Command;
    bool InnerWindow;
    HRESULT Expected;
    std::vector<std::string> Raised;
  };
  const TCase cases[] = {
      {"unload", &CGID_Explorer, OLECMDID_ONUNLOAD, false, S_OK, {"Unload"}},
      {"pre-refresh, no document window yet",
       &CGID_Explorer,
       OLECMDID_PREREFRESH,
       false,
       E_ABORT,
       {"CommandExec 39"}},
      {"pre-refresh",
       &CGID_Explorer,
       OLECMDID_PREREFRESH,
       true,
       E_ABORT,
       {"InnerWindowHook", "CommandExec 39"}},
      {"another Explorer command", &CGID_Explorer, 38, true, E_ABORT, {"CommandExec 38"}},
      {"refresh 2300",
       &CGID_DocHostCommandHandler,
       2300,
       false,
       OLECMDERR_E_NOTSUPPORTED,
       {"Refresh 2300"}},
      {"refresh 6041", &CGID_DocHostCommandHandler, 6041, false, S_OK, {"Refresh 6041"}},
      {"refresh 6042", &CGID_DocHostCommandHandler, 6042, false, S_OK, {"Refresh 6042"}},
      {"another host command", &CGID_DocHostCommandHandler, 41, false, E_ABORT, {"CommandExec 41"}},
      {"no group", nullptr, OLECMDID_ONUNLOAD, false, E_ABORT, {"CommandExec 37"}},
  };
  Host().OnUnload = [&](TObject* sender) {
    EXPECT_EQ(sender, &Host());
    raised.push_back("Unload");
  };
  Host().SetInnerWindowHook([&](TObject* sender) {
    EXPECT_EQ(sender, &Host());
    raised.push_back("InnerWindowHook");
  });
  Host().OnRefresh = [&](TCustomWebHost*, int command, bool& cancel) {
    EXPECT_FALSE(cancel);
    raised.push_back("Refresh " + std::to_string(command));
    cancel = command != 2300;
  };
  Host().OnCommandExec = [&](TObject*, const GUID* group, DWORD command, DWORD option,
                             const VARIANT* in, VARIANT* out, HRESULT& rezult) {
    raised.push_back("CommandExec " + std::to_string(command));
    EXPECT_EQ(option, static_cast<DWORD>(OLECMDEXECOPT_DODEFAULT));
    EXPECT_EQ(V_I4(in), 5);
    EXPECT_EQ(rezult, OLECMDERR_E_NOTSUPPORTED);
    (void)group;
    *out = TVariant(7).Release();
    rezult = E_ABORT;
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    raised.clear();
    TUniqueWindow inner(c.InnerWindow
                            ? CreateWindowExW(0, innerClass.lpszClassName, L"", WS_CHILD, 0, 0, 10,
                                              10, control, nullptr, innerClass.hInstance, nullptr)
                            : nullptr);
    TVariant in(5), out;
    EXPECT_EQ(Engine().Exec(c.Group, c.Command, &in, &out), c.Expected);
    EXPECT_EQ(raised, c.Raised);
    if (c.Expected == E_ABORT) {
      EXPECT_EQ(V_I4(&out.Get()), 7);
    }
  }

  // With nothing assigned the browser carries out every command itself.
  Host().OnUnload = nullptr;
  Host().OnRefresh = nullptr;
  Host().OnCommandExec = nullptr;
  for (const TCase& c : cases) {
    if (c.Command == OLECMDID_PREREFRESH) continue;
    EXPECT_EQ(Engine().Exec(c.Group, c.Command), OLECMDERR_E_NOTSUPPORTED) << c.Name;
  }
  OLECMD commands[2] = {{OLECMDID_PRINT, 0}, {OLECMDID_ZOOM, 0}};
  EXPECT_EQ(Engine().CommandTarget()->QueryStatus(nullptr, 2, commands, nullptr), S_OK);
  EXPECT_EQ(commands[0].cmdf, 0u);
  EXPECT_EQ(commands[1].cmdf, 0u);
  UnregisterClassW(innerClass.lpszClassName, innerClass.hInstance);
}

TEST_F(DocHostCommandTest, ScriptErrorsAreAnsweredByTheActionTheOptionHolds) {
  struct TCase {
    TScriptErrorAction Action;
    HRESULT Expected;
    VARTYPE Type;
    LONG Value;  // VT_BOOL's or the untouched VT_I4's
  };
  const TCase cases[] = {
      {TScriptErrorAction::eaContinue, S_OK, VT_BOOL, VARIANT_TRUE},
      {TScriptErrorAction::eaCancel, S_OK, VT_BOOL, VARIANT_FALSE},
      {TScriptErrorAction::eaAskUser, S_FALSE, VT_I4, 12345},
  };
  ShowDocument();
  FDocument.SetScriptError(3, 14, 0, L"x is undefined", L"http://server/page");
  for (const TCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Action));
    Host().SetScriptErrorAction(c.Action);
    TVariant out(12345);
    EXPECT_EQ(Engine().ShowScriptError(FDocument.Dispatch(), out.Get()), c.Expected);
    ASSERT_EQ(out.Type(), c.Type);
    EXPECT_EQ(c.Type == VT_BOOL ? V_BOOL(&out.Get()) : V_I4(&out.Get()), c.Value);
  }
  // Nothing was read from the document without an event to tell.
  EXPECT_THAT(FDocument.EventLocales, IsEmpty());
}

TEST_F(DocHostCommandTest, TheScriptErrorEventHearsTheFiveTextsAndItsChoiceAnswersTheNextError) {
  FDocument.SetScriptError(3, 14, -2146823279, L"\u201cx\u201d\u672a\u5b9a\u4e49",
                           L"http://server/page");
  std::vector<std::vector<std::string>> heard;
  Host().OnScriptError = [&](TObject* sender, const std::string& line, const std::string& character,
                             const std::string& code, const std::string& message,
                             const std::string& url, TScriptErrorAction& action) {
    EXPECT_EQ(sender, &Host());
    heard.push_back({line, character, code, message, url});
    action = heard.size() == 1 ? TScriptErrorAction::eaAskUser : TScriptErrorAction::eaCancel;
  };
  TVariant first, second;
  EXPECT_EQ(Engine().ShowScriptError(FDocument.Dispatch(), first.Get()), S_OK);
  EXPECT_EQ(V_BOOL(&first.Get()), VARIANT_TRUE);
  EXPECT_EQ(Host().ScriptErrorAction(), TScriptErrorAction::eaAskUser);
  EXPECT_EQ(Engine().ShowScriptError(FDocument.Dispatch(), second.Get()), S_FALSE);
  EXPECT_EQ(second.Type(), VT_EMPTY);
  EXPECT_EQ(Host().ScriptErrorAction(), TScriptErrorAction::eaCancel);
  const std::vector<std::string> texts = {
      "3", "14", "-2146823279", "\xA1\xB0x\xA1\xB1\xCE\xB4\xB6\xA8\xD2\xE5", "http://server/page"};
  EXPECT_THAT(heard, ElementsAre(texts, texts));
  // Every name asked and every property read in the system's default locale.
  EXPECT_EQ(FDocument.EventLocales.size(), 20u);
  EXPECT_THAT(FDocument.EventLocales, Each(static_cast<LCID>(2048)));
}

TEST_F(DocHostCommandTest, AnEventObjectWithoutOneOfTheTextsIsReportedByItsNameAndTheAnswerStands) {
  for (const wchar_t* missing :
       {L"errorline", L"errorCharacter", L"errorCode", L"errorMessage", L"errorUrl"}) {
    FDocument.SetScriptError(1, 2, 3, L"m", L"u");
    FDocument.EventProperties.erase(missing);
    int heard = 0;
    Host().OnScriptError = [&](auto&&...) { ++heard; };
    TVariant out;
    EXPECT_EQ(Engine().ShowScriptError(FDocument.Dispatch(), out.Get()), S_OK);
    EXPECT_EQ(V_BOOL(&out.Get()), VARIANT_TRUE);
    EXPECT_EQ(heard, 0);
    EXPECT_THAT(TakeReports(), ElementsAre("'" + WideToGbk(missing) + "' is not supported."));
  }
}

TEST_F(DocHostCommandTest, AnInnerWindowHookThatFreesTheHostEndsThePreRefreshWithNoOtherEvent) {
  MakeHostUnreadableWhenFreed();
  WNDCLASSW innerClass{};
  innerClass.lpfnWndProc = DefWindowProcW;
  innerClass.hInstance = GetModuleHandleW(nullptr);
  innerClass.lpszClassName = L"Internet Explorer_Server";
  RegisterClassW(&innerClass);
  // A child of the control's window: it goes with the host.
  const HWND inner = CreateWindowExW(0, innerClass.lpszClassName, L"", WS_CHILD, 0, 0, 10, 10,
                                     Host().Handle(), nullptr, innerClass.hInstance, nullptr);
  ASSERT_NE(inner, nullptr);
  int hooked = 0, executed = 0;
  Host().SetInnerWindowHook([&](TObject*) {
    ++hooked;
    FHost.reset();
  });
  Host().OnCommandExec = [&executed](auto&&...) { ++executed; };
  EXPECT_EQ(Engine().Exec(&CGID_Explorer, OLECMDID_PREREFRESH), OLECMDERR_E_NOTSUPPORTED);
  EXPECT_FALSE(FHost);
  EXPECT_EQ(hooked, 1);
  EXPECT_EQ(executed, 0);
  EXPECT_FALSE(IsWindow(inner));
  UnregisterClassW(innerClass.lpszClassName, innerClass.hInstance);
}

TEST_F(DocHostCommandTest, WithoutADocumentItsWindowOrItsEventTheErrorIsAnsweredAndNoEventRaised) {
  FDocument.SetScriptError(1, 2, 3, L"m", L"u");
  int heard = 0;
  Host().OnScriptError = [&](auto&&...) { ++heard; };
  TVariant out;
  VARIANT nothing;
  VariantInit(&nothing);
  EXPECT_EQ(
      Engine().Exec(&CGID_DocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, &nothing, out.Put()),
      S_OK);
  TTestCommandTarget notADocument(true);
  EXPECT_EQ(Engine().ShowScriptError(notADocument.Unknown(), *out.Put()), S_OK);
  FDocument.HasEvent = false;
  EXPECT_EQ(Engine().ShowScriptError(FDocument.Dispatch(), *out.Put()), S_OK);
  FDocument.HasWindow = false;
  EXPECT_EQ(Engine().ShowScriptError(FDocument.Dispatch(), *out.Put()), S_OK);
  EXPECT_EQ(heard, 0);
  EXPECT_EQ(notADocument.OutstandingReferences(), 0);
}

TEST_F(DocHostCommandTest, ZoomIsHeldToTheRangeTheDocumentReports) {
  ShowDocument();
  struct TCase {
    std::uint16_t Minimum, Maximum;
    int Level, Set;
  };
  const TCase cases[] = {{0, 4, 2, 2}, {0, 4, -3, 0}, {0, 4, 9, 4},
                         {1, 3, 0, 1}, {1, 3, 3, 3},  {50, 400, 1000, 400}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Level);
    FDocument.ZoomMinimum = c.Minimum;
    FDocument.ZoomMaximum = c.Maximum;
    FDocument.Execs.clear();
    FDocument.ZoomsSet.clear();
    Host().SetZoomLevel(c.Level);
    EXPECT_THAT(FDocument.ZoomsSet, ElementsAre(c.Set));
    ASSERT_EQ(FDocument.Execs.size(), 2u);
    EXPECT_EQ(FDocument.Execs[0].Command, static_cast<DWORD>(OLECMDID_GETZOOMRANGE));
    EXPECT_EQ(FDocument.Execs[1].Command, static_cast<DWORD>(OLECMDID_ZOOM));
    for (const auto& exec : FDocument.Execs) {
      EXPECT_EQ(exec.Group, nullptr);
      EXPECT_EQ(exec.Option, static_cast<DWORD>(OLECMDEXECOPT_DONTPROMPTUSER));
    }
  }
  // A document without a command target, and no document: nothing to zoom, nothing raised.
  FDocument.OffersCommandTarget = false;
  FDocument.Execs.clear();
  Host().SetZoomLevel(2);
  Control().SetProperty(dispidDocument, TVariant().Get());
  Host().SetZoomLevel(2);
  EXPECT_THAT(FDocument.Execs, IsEmpty());
}

TEST_F(DocHostCommandTest, ZoomRaisesNothingWhenTheDocumentCannotBeRead) {
  ShowDocument();
  for (const wchar_t* description : {L"", L"the document is not available"}) {
    SCOPED_TRACE(WideToGbk(description));
    Control().FailProperty(dispidDocument, E_FAIL, description);
    EXPECT_NO_THROW(Host().SetZoomLevel(2));
  }
  EXPECT_THAT(FDocument.Execs, IsEmpty());
  EXPECT_THAT(TakeReports(), IsEmpty());
}

}  // namespace
}  // namespace kvx::test
