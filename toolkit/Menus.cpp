#include "toolkit/Win.h"

#include "toolkit/Menus.h"

#include "core/CodePage.h"
#include "toolkit/Application.h"
#include "toolkit/Exceptions.h"

namespace kvx {

TPopupMenu::TPopupMenu() : FMenu(CreatePopupMenu()) {
  if (!FMenu) throw Exception("Error creating menu");
}

TPopupMenu::~TPopupMenu() {
  for (TWinControl* user : FUsers) user->FPopupMenu = nullptr;
}

TMenuItem& TPopupMenu::Add(const std::string& caption, TNotifyEvent onClick) {
  auto item = std::make_unique<TMenuItem>(caption);
  item->OnClick = std::move(onClick);
  // Command ids count from 1: TrackPopupMenuEx answers 0 for "no choice".
  const UINT_PTR id = FItems.size() + 1;
  FItems.push_back(std::move(item));
  if (!AppendMenuW(FMenu.Get(), MF_STRING, id, GbkToWide(caption).c_str())) {
    FItems.pop_back();
    throw Exception("Error adding a menu item");
  }
  return *FItems.back();
}

bool TPopupMenu::Popup(int x, int y) {
  // The menu belongs to the window the user works in; without one, to the
  // application window.
  HWND owner = GetActiveWindow();
  if (!owner) owner = Application().Handle();
  const UINT flags = TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY;
  const auto chosen =
      static_cast<size_t>(TrackPopupMenuEx(FMenu.Get(), flags, x, y, owner, nullptr));
  if (chosen == 0 || chosen > FItems.size()) return false;
  TMenuItem& item = *FItems[chosen - 1];
  if (item.OnClick) item.OnClick(&item);
  return true;
}

}  // namespace kvx
