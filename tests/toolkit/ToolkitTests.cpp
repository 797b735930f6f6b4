// The toolkit under the shell: the message loop's filter and dispatch, the
// activation notification, the error report, alignment and form limits.
#include "toolkit/Win.h"

#include "toolkit/Application.h"
#include "toolkit/Button.h"
#include "toolkit/Exceptions.h"
#include "toolkit/Form.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kvx {
namespace {

// A hidden window that counts what reaches its procedure.
class TCountingControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  std::vector<UINT> Received;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg >= WM_USER || msg == WM_NULL || (msg >= WM_KEYFIRST && msg <= WM_KEYLAST)) Received.push_back(msg);
    return TWinControl::WndProc(msg, wParam, lParam);
  }
};

class Toolkit : public ::testing::Test {
 protected:
  TApplication FApplication;
  void Drain() { FApplication.ProcessMessages(); }
};

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
    if (msg.message == WM_USER + 1) handled = true;           // stopped
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

TEST_F(Toolkit, ErrorReportShowsErrorsButNeverTheSilentAbort) {
  std::vector<std::string> reported;
  FApplication.OnException = [&](TObject*, const std::exception& e) { reported.push_back(e.what()); };
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

}  // namespace
}  // namespace kvx
