#pragma once
// A user's answer to the popup menus the tests make the browser show.

#include "toolkit/Win.h"

#include <vector>

namespace kvx::test {

// The command identifiers of a menu's items, in order, separators left out
// (an item that opens a submenu keeps its identifier too).
inline std::vector<UINT> MenuCommands(HMENU menu) {
  std::vector<UINT> commands;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_FTYPE;
    if (GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item) && !(item.fType & MFT_SEPARATOR))
      commands.push_back(item.wID);
  }
  return commands;
}

// Answers the next popup menu the way a user would: once it shows, notes
// where and its commands, then picks its first item (Down, Enter) or closes
// it. A menu still open a while after that is closed, so no test can hang in
// it.
class TMenuAnswer {
 public:
  enum class TChoice { FirstItem, Nothing };
  explicit TMenuAnswer(TChoice choice) : FChoice(choice) {
    Current = this;
    FTimer = SetTimer(nullptr, 0, 20, Tick);
  }
  ~TMenuAnswer() {
    KillTimer(nullptr, FTimer);
    Current = nullptr;
  }
  TMenuAnswer(const TMenuAnswer&) = delete;
  TMenuAnswer& operator=(const TMenuAnswer&) = delete;

  bool Shown = false;
  POINT At{};
  std::vector<UINT> Commands;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    TMenuAnswer* self = Current;
    if (!self) return;
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (!menu || !IsWindowVisible(menu)) return;
    if (self->Shown) {
      if (++self->FTicksOpen > 100) EndMenu();
      return;
    }
    self->Shown = true;
    RECT bounds{};
    GetWindowRect(menu, &bounds);
    self->At = {bounds.left, bounds.top};
    self->Commands = MenuCommands(reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0)));
    if (self->FChoice == TChoice::FirstItem) {
      PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
      PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    } else {
      EndMenu();
    }
  }

  static inline TMenuAnswer* Current = nullptr;
  TChoice FChoice;
  UINT_PTR FTimer = 0;
  int FTicksOpen = 0;
};

}  // namespace kvx::test
