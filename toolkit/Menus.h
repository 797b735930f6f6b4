#pragma once
// Context menus: a popup menu of items with captions and click handlers,
// shown at a screen point.

#include "toolkit/Win.h"

#include "toolkit/Control.h"
#include "toolkit/Handles.h"

#include <memory>
#include <string>
#include <vector>

namespace kvx {

class TMenuItem : public TObject {
 public:
  explicit TMenuItem(std::string caption) : FCaption(std::move(caption)) {}
  // A system text (GBK); "&" marks the accelerator.
  const std::string& Caption() const noexcept { return FCaption; }
  // Runs when the user chooses the item; the sender is the item.
  TNotifyEvent OnClick;

 private:
  std::string FCaption;
};

// Controls that show the menu (their PopupMenu) lose it when it goes.
class TPopupMenu : public TObject {
 public:
  TPopupMenu();
  ~TPopupMenu() override;
  TPopupMenu(const TPopupMenu&) = delete;
  TPopupMenu& operator=(const TPopupMenu&) = delete;

  // Adds an item at the end.
  TMenuItem& Add(const std::string& caption, TNotifyEvent onClick = {});
  size_t Count() const noexcept { return FItems.size(); }
  TMenuItem& Items(size_t index) const { return *FItems.at(index); }
  HMENU Handle() const noexcept { return FMenu.Get(); }

  // Shows the menu at a screen point and, once the user chose an item, runs
  // its OnClick. False when the menu closed without a choice.
  bool Popup(int x, int y);

 private:
  friend class TWinControl;
  TUniqueMenu FMenu;
  std::vector<std::unique_ptr<TMenuItem>> FItems;
  std::vector<TWinControl*> FUsers;
};

}  // namespace kvx
