// Our procedure in front of a window's own: put back only while ours is in
// force, so a procedure installed after ours is never cut off.
#include "toolkit/Win.h"

#include "toolkit/WindowSubclass.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kvx {
namespace {

constexpr UINT kProbe = WM_APP + 7;
std::vector<std::string> gTrail;  // who saw the probe, in order
TWindowSubclass* gOurs = nullptr;
WNDPROC gBeforeLater = nullptr;

LRESULT CALLBACK Original(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kProbe) gTrail.push_back("original");
  return DefWindowProcW(window, msg, wParam, lParam);
}

LRESULT CALLBACK Ours(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kProbe) gTrail.push_back("ours");
  if (gOurs && gOurs->Installed()) return gOurs->CallOld(msg, wParam, lParam);
  return CallWindowProcW(Original, window, msg, wParam, lParam);
}

LRESULT CALLBACK Later(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kProbe) gTrail.push_back("later");
  return CallWindowProcW(gBeforeLater, window, msg, wParam, lParam);
}

HWND MakeWindow() {
  static const ATOM atom = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Original;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KorvexaTestSubclassed";
    return RegisterClassW(&wc);
  }();
  if (!atom) return nullptr;
  return CreateWindowExW(0, L"KorvexaTestSubclassed", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

LONG_PTR ProcedureOf(HWND window) {
  return GetWindowLongPtrW(window, GWLP_WNDPROC);
}

template <class F>
LONG_PTR Address(F* procedure) {
  return reinterpret_cast<LONG_PTR>(procedure);
}

std::vector<std::string> Probe(HWND window) {
  gTrail.clear();
  SendMessageW(window, kProbe, 0, 0);
  return gTrail;
}

TEST(WindowSubclass, TheOldProcedureComesBackOnlyWhileOursIsInForce) {
  enum class TBefore { bNothing, bSubclassedAfterUs, bTheLaterOneLeftAgain, bWindowDestroyed };
  struct TCase {
    const char* Name;
    TBefore Before;
    bool Restored;
    LONG_PTR ProcedureAfter;  // 0: no window left
    std::vector<std::string> TrailAfter;
  } const cases[] = {
      {"ours in force", TBefore::bNothing, true, Address(Original), {"original"}},
      {"subclassed after us: left alone, every procedure still called",
       TBefore::bSubclassedAfterUs,
       false,
       Address(Later),
       {"later", "ours", "original"}},
      {"the later one took itself out again",
       TBefore::bTheLaterOneLeftAgain,
       true,
       Address(Original),
       {"original"}},
      {"the window is gone", TBefore::bWindowDestroyed, true, 0, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    HWND window = MakeWindow();
    ASSERT_NE(window, nullptr);
    TWindowSubclass subclass;
    gOurs = &subclass;
    ASSERT_TRUE(subclass.Install(window, Ours));
    EXPECT_EQ(subclass.OldProcedure(), Original);
    EXPECT_TRUE(subclass.InForce());
    EXPECT_EQ(Probe(window), (std::vector<std::string>{"ours", "original"}));

    if (c.Before == TBefore::bSubclassedAfterUs || c.Before == TBefore::bTheLaterOneLeftAgain) {
      gBeforeLater =
          reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, Address(Later)));
      EXPECT_FALSE(subclass.InForce());
    }
    if (c.Before == TBefore::bTheLaterOneLeftAgain)
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gBeforeLater));
    if (c.Before == TBefore::bWindowDestroyed) DestroyWindow(window);

    EXPECT_EQ(subclass.Restore(), c.Restored);
    EXPECT_EQ(subclass.Installed(), !c.Restored);
    if (c.ProcedureAfter) {
      EXPECT_EQ(ProcedureOf(window), c.ProcedureAfter);
      EXPECT_EQ(Probe(window), c.TrailAfter);
    }
    // Letting go for good leaves a window that is not ours to change alone.
    subclass.Release();
    EXPECT_FALSE(subclass.Installed());
    if (c.ProcedureAfter) {
      EXPECT_EQ(ProcedureOf(window), c.ProcedureAfter);
      DestroyWindow(window);
    }
    gOurs = nullptr;
  }
}

TEST(WindowSubclass, OneWindowAtATimeAndTheOwnerThatHoldsItLetsGo) {
  EXPECT_FALSE(TWindowSubclass().Install(nullptr, Ours));
  HWND first = MakeWindow();
  HWND second = MakeWindow();
  ASSERT_TRUE(first && second);
  {
    TWindowSubclass subclass;
    ASSERT_TRUE(subclass.Install(first, Ours));
    EXPECT_FALSE(subclass.Install(second, nullptr));  // the first was let go of on the way
    EXPECT_EQ(ProcedureOf(first), Address(Original));
    ASSERT_TRUE(subclass.Install(second, Ours));

    TWindowSubclass moved(std::move(subclass));
    subclass.Release();  // holds nothing now
    EXPECT_EQ(ProcedureOf(second), Address(Ours));
    EXPECT_EQ(moved.Window(), second);
    TWindowSubclass assigned;
    ASSERT_TRUE(assigned.Install(first, Ours));
    assigned = std::move(moved);  // lets go of the first, takes the second
    EXPECT_EQ(ProcedureOf(first), Address(Original));
    EXPECT_EQ(ProcedureOf(second), Address(Ours));
  }
  EXPECT_EQ(ProcedureOf(second), Address(Original));
  DestroyWindow(first);
  DestroyWindow(second);
}

}  // namespace
}  // namespace kvx
