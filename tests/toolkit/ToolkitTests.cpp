// The toolkit under the shell: the message loop's filter and dispatch, the
// activation notification and the application window, the error report,
// message numbers and handlers, focus, menus, alignment and form limits.
#include "toolkit/Win.h"

#include "toolkit/Application.h"
#include "toolkit/Button.h"
#include "toolkit/Exceptions.h"
#include "toolkit/Form.h"
#include "tests/support/OtherThreadWindow.h"
#include "toolkit/Label.h"
#include "toolkit/Menus.h"
#include "toolkit/Panel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kvx {
namespace {

// A hidden window that counts what reaches its procedure.
class TCountingControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  std::vector<UINT> Received;
  std::vector<std::pair<WPARAM, LPARAM>> Arguments;  // of what Received holds

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg >= WM_USER || msg == WM_NULL || (msg >= WM_KEYFIRST && msg <= WM_KEYLAST)) {
      Received.push_back(msg);
      Arguments.emplace_back(wParam, lParam);
    }
    return TWinControl::WndProc(msg, wParam, lParam);
  }
};

// The arguments of every `msg` the control received, in order.
std::vector<std::pair<WPARAM, LPARAM>> ArgumentsOf(const TCountingControl& control, UINT msg) {
  std::vector<std::pair<WPARAM, LPARAM>> found;
  for (size_t i = 0; i < control.Received.size(); ++i)
    if (control.Received[i] == msg) found.push_back(control.Arguments[i]);
  return found;
}

LPARAM Ptr(const TWinControl* control) {
  return reinterpret_cast<LPARAM>(control);
}

class Toolkit : public ::testing::Test {
 protected:
  TApplication FApplication;
  void Drain() { FApplication.ProcessMessages(); }
};

// A window class of someone else's, whose own procedure records what reaches it.
std::vector<UINT> gOwnProcedureReceived;
LRESULT CALLBACK RecordingProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= WM_USER) gOwnProcedureReceived.push_back(msg);
  return DefWindowProcW(window, msg, wParam, lParam);
}
const wchar_t* RecordingClass() {
  static const ATOM atom = [] {
    WNDCLASSW wc{};
    wc.style = CS_GLOBALCLASS;  // found like a system class
    wc.lpfnWndProc = RecordingProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KorvexaTestRecording";
    return RegisterClassW(&wc);
  }();
  return atom ? L"KorvexaTestRecording" : nullptr;
}

// The two ways the toolkit puts itself in front of another procedure: a
// system class taken over, and a window someone else created, adopted.
class TTakenOver : public TWinControl {
 public:
  using TWinControl::TWinControl;

 protected:
  void CreateParams(TCreateParams& params) override {
    TWinControl::CreateParams(params);
    params.ClassName = L"KorvexaTestTakenOver";
    params.BaseClass = RecordingClass();
  }
};

class TAdopter : public TWinControl {
 public:
  explicit TAdopter(TWinControl* parent) : TWinControl(parent) {}
  void Adopt(HWND window) { AdoptWindow(window); }
  void Release() { ReleaseWindow(); }
};

// A procedure someone else puts in front of an adopted window's.
std::vector<UINT> gLaterProcedureReceived;
WNDPROC gBeforeLaterProcedure = nullptr;
LRESULT CALLBACK LaterProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= WM_USER) gLaterProcedureReceived.push_back(msg);
  return CallWindowProcW(gBeforeLaterProcedure, window, msg, wParam, lParam);
}

TEST_F(Toolkit, FilterSeesQueuedMessagesBeforeDispatchAndCanStopOrRewriteThem) {
  TForm form;
  TCountingControl target(&form);
  form.HandleNeeded();
  HWND window = target.Handle();
  Drain();
  target.Received.clear();

  std::vector<UINT> seen;
  FApplication.OnMessage = [&](MSG& msg, bool& handled) {
    EXPECT_FALSE(handled) << "the flag starts false";
    if (msg.hwnd != window) return;
    seen.push_back(msg.message);
    if (msg.message == WM_USER + 1) handled = true;             // stopped
    if (msg.message == WM_USER + 2) msg.message = WM_USER + 3;  // rewritten
  };
  PostMessageW(window, WM_USER + 1, 0, 0);
  PostMessageW(window, WM_USER + 2, 0, 0);
  PostMessageW(window, WM_USER + 4, 0, 0);
  Drain();
  EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 4}));
  EXPECT_EQ(target.Received, (std::vector<UINT>{WM_USER + 3, WM_USER + 4}));

  // WM_QUIT ends the loop without passing the filter.
  seen.clear();
  FApplication.OnMessage = [&](MSG& msg, bool&) { seen.push_back(msg.message); };
  PostQuitMessage(0);
  FApplication.Run();
  EXPECT_TRUE(FApplication.Terminated());
  EXPECT_EQ(std::count(seen.begin(), seen.end(), static_cast<UINT>(WM_QUIT)), 0);
}

TEST_F(Toolkit, ActivationIsAnnouncedOncePerApplicationActivation) {
  TForm first, second;
  first.HandleNeeded();
  second.HandleNeeded();
  int activations = 0;
  FApplication.OnActivate = [&](TObject* sender) {
    EXPECT_EQ(sender, &FApplication);
    ++activations;
  };
  // Every top-level window hears WM_ACTIVATEAPP; the application acts once.
  SendMessageW(first.Handle(), WM_ACTIVATEAPP, TRUE, 0);
  SendMessageW(second.Handle(), WM_ACTIVATEAPP, TRUE, 0);
  EXPECT_EQ(activations, 1);
  SendMessageW(first.Handle(), WM_ACTIVATEAPP, FALSE, 0);
  SendMessageW(second.Handle(), WM_ACTIVATEAPP, FALSE, 0);
  SendMessageW(first.Handle(), WM_ACTIVATEAPP, TRUE, 0);
  EXPECT_EQ(activations, 2);
}

TEST_F(Toolkit, ApplicationWindowIsHiddenAndItsHooksSeeItsMessagesFirst) {
  HWND window = FApplication.Handle();
  ASSERT_TRUE(IsWindow(window));
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & WS_CHILD, 0) << "a top-level window";
  EXPECT_NE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0) << "never on the task bar";
  EXPECT_EQ(GetWindowTextLengthW(window), 0) << "nobody finds it by a form's caption";

  int activations = 0, deactivations = 0;
  FApplication.OnActivate = [&](TObject* sender) {
    EXPECT_EQ(sender, &FApplication);
    ++activations;
  };
  FApplication.OnDeactivate = [&](TObject*) { ++deactivations; };
  std::vector<std::string> seen;
  bool firstHandles = false;
  const int first = FApplication.AddWindowHook([&](TMessage& m) {
    if (m.Msg == CM_ACTIVATE) seen.push_back("first");
    return m.Msg == CM_ACTIVATE && firstHandles;
  });
  FApplication.AddWindowHook([&](TMessage& m) {
    if (m.Msg == CM_ACTIVATE) seen.push_back("second");
    return false;
  });

  // The application becoming active reaches the application window once,
  // whichever of its top-level windows hears it; the toolkit's own
  // processing (OnActivate) runs after hooks that leave the message alone.
  TForm form;
  form.HandleNeeded();
  SendMessageW(form.Handle(), WM_ACTIVATEAPP, TRUE, 0);
  SendMessageW(window, WM_ACTIVATEAPP, TRUE, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(activations, 1);
  SendMessageW(window, WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(deactivations, 1);

  // A hook that handles the message stops the later hooks and the toolkit.
  firstHandles = true;
  SendMessageW(form.Handle(), WM_ACTIVATEAPP, TRUE, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "second", "first"}));
  EXPECT_EQ(activations, 1);
  FApplication.RemoveWindowHook(first);
  FApplication.RemoveWindowHook(12345);  // unknown: nothing happens

  // A hook answers for the window, and may remove itself while it runs.
  int calls = 0;
  int self = 0;
  self = FApplication.AddWindowHook([&](TMessage& m) {
    if (m.Msg != WM_USER + 1) return false;
    ++calls;
    FApplication.RemoveWindowHook(self);
    m.Result = 42;
    return true;
  });
  EXPECT_EQ(SendMessageW(window, WM_USER + 1, 0, 0), 42);
  EXPECT_EQ(SendMessageW(window, WM_USER + 1, 0, 0), 0);
  EXPECT_EQ(calls, 1);
}

TEST_F(Toolkit, ErrorReportShowsErrorsButNeverTheSilentAbort) {
  std::vector<std::string> reported;
  FApplication.OnException = [&](TObject*, const std::exception& e) {
    reported.push_back(e.what());
  };
  auto raise = [&](auto error) {
    try {
      throw error;
    } catch (...) {
      FApplication.HandleException();
    }
  };
  raise(Exception("bad geometry"));
  raise(EAbort());
  raise(std::runtime_error("std error"));
  FApplication.HandleException();  // outside a catch: nothing to report, no crash
  EXPECT_EQ(reported, (std::vector<std::string>{"bad geometry", "std error"}));

  // An error escaping a window procedure reaches the report, not the caller.
  class TThrowing : public TWinControl {
   public:
    using TWinControl::TWinControl;

   protected:
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override {
      if (msg == WM_USER + 7) throw Exception("from a handler");
      if (msg == WM_USER + 8) Abort();
      return TWinControl::WndProc(msg, w, l);
    }
  };
  TForm form;
  TThrowing control(&form);
  SendMessageW(control.Handle(), WM_USER + 7, 0, 0);
  SendMessageW(control.Handle(), WM_USER + 8, 0, 0);
  EXPECT_EQ(reported.back(), "from a handler");
  EXPECT_EQ(reported.size(), 3u);
}

TEST_F(Toolkit, AlignmentStacksTopPanelsAndFillsTheRestSkippingHiddenOnes) {
  TForm form;
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  form.SetClientSize(400, 300);
  TPanel top(&form);
  top.SetBounds(0, 0, 400, 36);
  top.SetAlign(TAlign::alTop);
  top.SetBorderWidth(1);
  TPanel inner(&top);
  inner.SetAlign(TAlign::alClient);
  TWinControl client(&form);
  client.SetBounds(136, 104, 50, 50);
  client.SetAlign(TAlign::alClient);
  form.HandleNeeded();

  EXPECT_EQ(form.ClientWidth(), 400);
  EXPECT_EQ((std::vector<int>{inner.Left(), inner.Top(), inner.Width(), inner.Height()}),
            (std::vector<int>{1, 1, 398, 34}));
  EXPECT_EQ((std::vector<int>{client.Left(), client.Top(), client.Width(), client.Height()}),
            (std::vector<int>{0, 36, 400, 264}));
  top.SetVisible(false);
  EXPECT_EQ((std::vector<int>{client.Top(), client.Height()}), (std::vector<int>{0, 300}));
  form.SetClientSize(500, 200);
  EXPECT_EQ((std::vector<int>{client.Width(), client.Height()}), (std::vector<int>{500, 200}));
}

TEST_F(Toolkit, MinimumHeightHoldsForEverySizing) {
  TForm form;
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  form.SetClientSize(300, 300);
  form.SetMinHeight(251);
  form.HandleNeeded();
  form.SetBounds(10, 20, 300, 100);
  EXPECT_EQ(form.Height(), 251);
  SetWindowPos(form.Handle(), nullptr, 0, 0, 300, 5, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT r;
  GetWindowRect(form.Handle(), &r);
  EXPECT_EQ(r.bottom - r.top, 251);
  form.SetHeight(400);
  EXPECT_EQ(form.Height(), 400);
}

TEST_F(Toolkit, BorderStyleChangeKeepsTheClientSize) {
  TForm form;
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  form.SetClientSize(775, 538);
  form.HandleNeeded();
  EXPECT_EQ(form.Width(), 775);
  form.SetBorderStyle(TFormBorderStyle::bsSingle);
  LONG style = GetWindowLongW(form.Handle(), GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(style & WS_THICKFRAME, 0);
  EXPECT_EQ(form.ClientWidth(), 775);
  EXPECT_EQ(form.ClientHeight(), 538);
  EXPECT_GT(form.Width(), 775);
}

TEST_F(Toolkit, MainFormCloseAsksThenEndsTheLoopWithoutShowingWhenTerminatedEarly) {
  TForm form;
  form.HandleNeeded();
  int asked = 0;
  bool allow = false;
  form.OnCloseQuery = [&](TObject*, bool& canClose) {
    ++asked;
    canClose = allow;
  };
  TCloseAction seen = TCloseAction::caNone;
  form.OnClose = [&](TObject*, TCloseAction& action) { seen = action; };
  form.Close();
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(FApplication.Terminated());
  allow = true;
  form.Close();
  EXPECT_EQ(seen, TCloseAction::caHide);
  EXPECT_TRUE(FApplication.Terminated());
  FApplication.Run();  // returns at once and never shows the form
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
}

TEST_F(Toolkit, ButtonClickArrivesThroughReflectionAndLabelSizesToItsText) {
  TForm form;
  TButton button(&form);
  int clicks = 0;
  button.OnClick = [&](TObject* sender) {
    EXPECT_EQ(sender, &button);
    ++clicks;
  };
  TLabel label(&form);
  label.SetCaption("abc");
  form.HandleNeeded();
  int shortWidth = label.Width();
  label.SetCaption("abcabcabc");
  EXPECT_GT(label.Width(), shortWidth * 2);
  EXPECT_GT(label.Height(), 0);
  SendMessageW(button.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
}

TEST_F(Toolkit, ControlsMoveBetweenParentsWithTheirWindowAndFollowTheParentsColour) {
  TForm form;
  TPanel left(&form), right(&form);
  TWinControl child(&left);
  child.SetBounds(5, 5, 20, 20);
  left.SetColor(RGB(1, 2, 3));
  right.SetColor(RGB(4, 5, 6));
  form.HandleNeeded();
  HWND window = child.Handle();

  child.SetParentColor(true);
  EXPECT_EQ(child.Color(), RGB(1, 2, 3));
  left.SetColor(RGB(7, 8, 9));
  EXPECT_EQ(child.Color(), RGB(7, 8, 9)) << "a parent's new colour reaches children that use it";

  child.SetParent(&right);
  EXPECT_EQ(child.Parent(), &right);
  EXPECT_EQ(child.Handle(), window) << "the same window moves";
  EXPECT_EQ(GetParent(window), right.Handle());
  EXPECT_EQ(std::count(left.Controls().begin(), left.Controls().end(), &child), 0);
  EXPECT_EQ(std::count(right.Controls().begin(), right.Controls().end(), &child), 1);
  EXPECT_EQ(child.Color(), RGB(4, 5, 6));

  // A control cannot become its own parent or its descendant's child; nothing changes.
  TWinControl grandchild(&child);
  for (TWinControl* bad : {&child, &grandchild}) {
    try {
      child.SetParent(bad);
    } catch (const Exception&) {
    }
    EXPECT_EQ(child.Parent(), &right);
  }

  child.SetColor(RGB(10, 11, 12));
  EXPECT_FALSE(child.ParentColor()) << "a colour of its own ends following the parent";
  right.SetColor(RGB(13, 14, 15));
  EXPECT_EQ(child.Color(), RGB(10, 11, 12));
}

TEST_F(Toolkit, RegisteredMessagesReachTheWindowsOwnProcedure) {
  TForm form;
  form.HandleNeeded();
  TTakenOver takenOver(&form);
  TAdopter adopter(&form);
  HWND foreign = CreateWindowExW(0, RecordingClass(), L"", WS_CHILD, 0, 0, 10, 10, form.Handle(),
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(foreign, nullptr);
  adopter.Adopt(foreign);
  const UINT registered = RegisterWindowMessageW(L"KorvexaTestRegisteredMessage");
  ASSERT_GE(registered, 0xC000u);

  struct TCase {
    UINT Msg;
    bool ReachesOwnProcedure;
  } const cases[] = {
      {registered, true},        // e.g. an edit box's IME messages, a control's own protocol
      {0xC000, true},            // the first registered number
      {WM_USER + 5, true},       // private messages of the window's class
      {CM_FOCUSCHANGED, false},  // toolkit notifications stay with the toolkit
      {CN_COMMAND, false},       // an unhandled reflection: what the parent would have done
  };
  for (TWinControl* control :
       {static_cast<TWinControl*>(&takenOver), static_cast<TWinControl*>(&adopter)}) {
    for (const TCase& c : cases) {
      SCOPED_TRACE(testing::Message()
                   << (control == &adopter ? "adopted " : "taken over ") << std::hex << c.Msg);
      gOwnProcedureReceived.clear();
      if (c.Msg >= 0xC000) {
        SendMessageW(control->Handle(), c.Msg, 1, 2);
      } else {
        control->Perform(c.Msg, 1, 0);
      }
      EXPECT_EQ(gOwnProcedureReceived,
                c.ReachesOwnProcedure ? std::vector<UINT>{c.Msg} : std::vector<UINT>{});
    }
  }

  // Notifications about a child still reach the child's control, reflected.
  TCountingControl child(&form);
  child.HandleNeeded();
  SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
               reinterpret_cast<LPARAM>(child.Handle()));
  SendMessageW(form.Handle(), WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(child.Handle()));
  EXPECT_EQ(child.Received, (std::vector<UINT>{CN_BASE + WM_COMMAND, CN_BASE + WM_CTLCOLORSTATIC}));
}

TEST_F(Toolkit, AnAdoptedWindowGetsItsProcedureBackOnlyWhileOursIsInForce) {
  TForm form;
  form.HandleNeeded();
  const auto makeForeign = [&] {
    return CreateWindowExW(0, RecordingClass(), L"", WS_CHILD, 0, 0, 10, 10, form.Handle(), nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  };
  const auto procedureOf = [](HWND window) { return GetWindowLongPtrW(window, GWLP_WNDPROC); };
  const LONG_PTR own = reinterpret_cast<LONG_PTR>(&RecordingProcedure);
  const LONG_PTR later = reinterpret_cast<LONG_PTR>(&LaterProcedure);
  const auto probe = [](HWND window, UINT msg) {
    gOwnProcedureReceived.clear();
    gLaterProcedureReceived.clear();
    SendMessageW(window, msg, 0, 0);
  };

  {
    SCOPED_TRACE("ours in force: released twice");
    HWND foreign = makeForeign();
    ASSERT_NE(foreign, nullptr);
    TAdopter adopter(&form);
    adopter.Adopt(foreign);
    EXPECT_NE(procedureOf(foreign), own);
    EXPECT_EQ(TWinControl::FromHandle(foreign), &adopter);
    adopter.Release();
    adopter.Release();
    EXPECT_FALSE(adopter.HandleAllocated());
    EXPECT_EQ(TWinControl::FromHandle(foreign), nullptr);
    EXPECT_EQ(procedureOf(foreign), own);
    probe(foreign, WM_USER + 1);
    EXPECT_EQ(gOwnProcedureReceived, std::vector<UINT>{WM_USER + 1});
    DestroyWindow(foreign);
  }
  for (bool laterLeaves : {true, false}) {
    SCOPED_TRACE(laterLeaves ? "subclassed after us, which leaves again"
                             : "subclassed after us until the window goes");
    HWND foreign = makeForeign();
    ASSERT_NE(foreign, nullptr);
    TAdopter adopter(&form);
    adopter.Adopt(foreign);
    gBeforeLaterProcedure =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(foreign, GWLP_WNDPROC, later));
    adopter.Release();
    adopter.Release();
    EXPECT_EQ(procedureOf(foreign), later);  // not cut off
    probe(foreign, WM_USER + 2);
    EXPECT_EQ(gLaterProcedureReceived, std::vector<UINT>{WM_USER + 2});
    EXPECT_EQ(gOwnProcedureReceived, std::vector<UINT>{WM_USER + 2});
    if (laterLeaves) {
      // Ours is in force again: the window's own procedure comes back with
      // the next message.
      SetWindowLongPtrW(foreign, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gBeforeLaterProcedure));
      probe(foreign, WM_USER + 3);
      EXPECT_EQ(gOwnProcedureReceived, std::vector<UINT>{WM_USER + 3});
      EXPECT_EQ(procedureOf(foreign), own);
    }
    DestroyWindow(foreign);
  }
  {
    SCOPED_TRACE("the window destroyed under its control");
    HWND foreign = makeForeign();
    ASSERT_NE(foreign, nullptr);
    TAdopter adopter(&form);
    adopter.Adopt(foreign);
    DestroyWindow(foreign);
    EXPECT_FALSE(adopter.HandleAllocated());
    adopter.Release();
    adopter.Release();
  }
}

TEST_F(Toolkit, AnOwnerReplacesAControlsMessageHandlerAndPutsItBack) {
  TForm form;
  TCountingControl control(&form);
  control.HandleNeeded();
  std::vector<UINT> watched;
  const TWndMethod previous = control.WindowProc();
  control.SetWindowProc([&](TMessage& m) {
    if (m.Msg >= WM_USER) watched.push_back(m.Msg);
    if (m.Msg == WM_USER + 9) {
      m.Result = 7;  // answered here; the control never sees it
      return;
    }
    previous(m);
  });
  // From the window and performed alike, every message passes the owner first.
  SendMessageW(control.Handle(), WM_USER + 1, 0, 0);
  control.Perform(WM_USER + 2, 0, 0);
  EXPECT_EQ(SendMessageW(control.Handle(), WM_USER + 9, 0, 0), 7);
  EXPECT_EQ(watched, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 9}));
  EXPECT_EQ(control.Received, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));

  // Put back, and re-installed from scratch: the owner hears nothing more.
  for (bool reset : {false, true}) {
    control.SetWindowProc([&](TMessage& m) {
      watched.push_back(m.Msg);
      previous(m);
    });
    if (reset) {
      control.ResetWindowProc();
    } else {
      control.SetWindowProc(previous);
    }
    watched.clear();
    control.Received.clear();
    SendMessageW(control.Handle(), WM_USER + 3, 0, 0);
    EXPECT_EQ(watched, std::vector<UINT>{});
    EXPECT_EQ(control.Received, std::vector<UINT>{WM_USER + 3});
  }
  EXPECT_THROW(control.SetWindowProc(nullptr), Exception);
}

TEST_F(Toolkit, VisibilityChangesArePerformedOnTheControl) {
  TForm form;
  TCountingControl control(&form);
  form.HandleNeeded();
  control.Hide();
  control.Hide();  // no change, no notification
  EXPECT_FALSE(IsWindowVisible(control.Handle()));
  control.Show();
  EXPECT_EQ(ArgumentsOf(control, CM_VISIBLECHANGED),
            (std::vector<std::pair<WPARAM, LPARAM>>{{0, 0}, {1, 0}}));
}

TEST_F(Toolkit, FinishLoadingRunsEveryControlsAfterLoadingStepOnce) {
  std::vector<std::string> loaded;
  class TLoading : public TWinControl {
   public:
    TLoading(TWinControl* parent, std::vector<std::string>& log, std::string name)
        : TWinControl(parent), FLog(log), FName(std::move(name)) {}

   protected:
    void Loaded() override {
      TWinControl::Loaded();
      FLog.push_back(FName);
    }

   private:
    std::vector<std::string>& FLog;
    std::string FName;
  };
  class TLoadingForm : public TForm {
   public:
    explicit TLoadingForm(std::vector<std::string>& log) : FLog(log) {}

   protected:
    void Loaded() override { FLog.push_back("form"); }

   private:
    std::vector<std::string>& FLog;
  };
  TLoadingForm form(loaded);
  TLoading panel(&form, loaded, "panel");
  TLoading inner(&panel, loaded, "inner");
  TLoading last(&form, loaded, "last");
  form.FinishLoading();
  EXPECT_EQ(loaded, (std::vector<std::string>{"panel", "inner", "last", "form"}));
  form.FinishLoading();
  EXPECT_EQ(loaded.size(), 4u) << "once each";
  TLoading later(&panel, loaded, "later");
  form.FinishLoading();
  EXPECT_EQ(loaded.back(), "later");
  EXPECT_EQ(loaded.size(), 5u);
}

TEST_F(Toolkit, NearestControlOfAWindowStaysInsideItsTopLevelWindow) {
  TForm form;
  TPanel panel(&form);
  panel.SetBounds(0, 0, 100, 100);
  form.HandleNeeded();
  auto make = [](DWORD style, HWND parent) {
    return TUniqueWindow(CreateWindowExW(0, L"STATIC", L"", style, 0, 0, 10, 10, parent, nullptr,
                                         GetModuleHandleW(nullptr), nullptr));
  };
  TUniqueWindow inner = make(WS_CHILD, panel.Handle());
  TUniqueWindow innermost = make(WS_CHILD, inner.Get());
  TUniqueWindow owned = make(WS_POPUP, form.Handle());  // like a message box the form owns
  const std::pair<HWND, TWinControl*> cases[] = {
      {form.Handle(), &form},    {panel.Handle(), &panel}, {inner.Get(), &panel},
      {innermost.Get(), &panel}, {owned.Get(), nullptr},   {nullptr, nullptr},
  };
  for (const auto& [window, control] : cases)
    EXPECT_EQ(TWinControl::NearestControl(window), control);
}

TEST_F(Toolkit, FormKeepsItsActiveControlAndGivesItTheFocusBackOnActivation) {
  TForm form;
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  form.SetBounds(20, 20, 300, 200);
  TButton a(&form), b(&form);
  a.SetBounds(10, 10, 60, 20);
  b.SetBounds(10, 40, 60, 20);
  TPanel host(&form);  // holds a window the toolkit did not make, as a hosted control does
  host.SetBounds(100, 10, 100, 100);
  TCountingControl watcher(&form);
  test::TActivationRecord record(form);
  form.Show();
  ASSERT_TRUE(test::PumpUntil([&] { return GetActiveWindow() == form.Handle(); }));
  auto announced = [&] { return ArgumentsOf(watcher, CM_FOCUSCHANGED).back().second; };

  b.SetFocus();
  EXPECT_EQ(form.ActiveControl(), &b);
  EXPECT_EQ(announced(), Ptr(&b)) << "the form announces every focus move";

  // The focus request does nothing for a control that cannot take the focus.
  TButton hidden(&form), disabled(&form);
  TPanel hiddenParent(&form);
  TButton onHiddenParent(&hiddenParent);
  hidden.Hide();
  disabled.SetEnabled(false);
  hiddenParent.Hide();
  for (TButton* cannot : {&hidden, &disabled, &onHiddenParent}) {
    cannot->SetFocus();
    EXPECT_TRUE(b.Focused());
    EXPECT_EQ(form.ActiveControl(), &b);
  }

  // Set while the form is active, it takes the focus.
  form.SetActiveControl(&a);
  EXPECT_TRUE(a.Focused());
  EXPECT_EQ(announced(), Ptr(&a));

  // Set while another program is active, the form remembers it and gives it
  // the focus on activation instead of taking the focus itself.
  {
    test::TOtherThreadWindow other;
    ASSERT_TRUE(other.TakeForeground());
    form.SetActiveControl(&b);
    EXPECT_FALSE(b.Focused());
    ASSERT_TRUE(test::ComeBackTo(form.Handle()));
  }
  EXPECT_EQ(record.Focus.back(), b.Handle());
  EXPECT_EQ(form.ActiveControl(), &b);
  ASSERT_TRUE(test::ComeBackTo(form.Handle()));  // should the X server have taken it away since

  // Restored from the task bar, the form's own window passes the focus on.
  SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(test::ComeBackTo(form.Handle()));
  EXPECT_TRUE(b.Focused());
  // Unless the form takes the focus from its control on purpose.
  form.DefocusControl(&b);
  EXPECT_EQ(GetFocus(), form.Handle());
  EXPECT_EQ(form.ActiveControl(), nullptr);
  EXPECT_EQ(announced(), Ptr(&form));
  b.SetFocus();

  // The focus in a window inside a control is that control's focus, and
  // activation gives it back to that very window.
  TUniqueWindow inner(CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20,
                                      host.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr));
  SetFocus(inner.Get());
  EXPECT_EQ(form.ActiveControl(), &host);
  EXPECT_EQ(announced(), Ptr(&host));
  EXPECT_TRUE(host.ContainsFocus());
  EXPECT_FALSE(host.Focused());
  {
    test::TOtherThreadWindow other;
    ASSERT_TRUE(other.TakeForeground());
    ASSERT_TRUE(test::ComeBackTo(form.Handle()));
  }
  EXPECT_EQ(record.Focus.back(), inner.Get());
  EXPECT_EQ(form.ActiveControl(), &host);

  // A control of another form is refused; one that goes is forgotten.
  TForm second;
  TButton elsewhere(&second);
  EXPECT_THROW(form.SetActiveControl(&elsewhere), Exception);
  EXPECT_EQ(form.ActiveControl(), &host);
  {
    TButton temporary(&form);
    temporary.SetFocus();
    EXPECT_EQ(form.ActiveControl(), &temporary);
  }
  EXPECT_EQ(form.ActiveControl(), nullptr);
}

TEST_F(Toolkit, PopupMenuRunsTheChosenItemAndLeavesItsControlsWhenItGoes) {
  TForm form;
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  form.SetBounds(20, 20, 300, 200);
  TWinControl control(&form);
  control.SetBounds(10, 10, 100, 100);
  form.Show();
  ASSERT_TRUE(test::PumpUntil([&] { return GetActiveWindow() == form.Handle(); }));

  auto menu = std::make_unique<TPopupMenu>();
  std::vector<std::string> clicked;
  menu->Add("&Open", [&](TObject* sender) {
    EXPECT_EQ(sender, &menu->Items(0));
    clicked.push_back("open");
  });
  menu->Add("Close", [&](TObject*) { clicked.push_back("close"); });
  menu->Add("Nothing");  // no handler: choosing it does nothing
  EXPECT_EQ(menu->Count(), 3u);
  EXPECT_EQ(GetMenuItemCount(menu->Handle()), 3);

  // The user works the menu with the keyboard; the keys wait in the queue.
  auto keys = [&](std::initializer_list<WPARAM> list) {
    for (WPARAM key : list) PostMessageW(form.Handle(), WM_KEYDOWN, key, 0);
  };
  keys({VK_DOWN, VK_DOWN, VK_RETURN});
  EXPECT_TRUE(menu->Popup(100, 100));
  keys({VK_ESCAPE});
  EXPECT_FALSE(menu->Popup(100, 100)) << "closed without a choice";
  EXPECT_EQ(clicked, std::vector<std::string>{"close"});

  // A control shows its menu for the context-menu request (here from the keyboard).
  control.SetPopupMenu(menu.get());
  keys({VK_DOWN, VK_RETURN});
  SendMessageW(control.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control.Handle()),
               MAKELPARAM(-1, -1));
  EXPECT_EQ(clicked, (std::vector<std::string>{"close", "open"}));

  // Lifetimes, both ways round.
  {
    TWinControl shortLived(&form);
    shortLived.SetPopupMenu(menu.get());
  }
  menu.reset();
  EXPECT_EQ(control.PopupMenu(), nullptr);
  SendMessageW(control.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control.Handle()),
               MAKELPARAM(-1, -1));
}

}  // namespace
}  // namespace kvx
