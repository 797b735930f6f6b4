#pragma once
// The browser component's watch over the dialogs the browser control opens
// (script message boxes and error reports, page-setup and print dialogs, HTML
// dialogs). They are windows of the user-interface thread that take the
// activation away from the component's form; the watcher sits in the form's
// replaceable message handler and, each time the form loses the activation
// to such a dialog, lets the component's host inspect it, then closes it,
// gives it the application's icon, retitles it or gets rid of a script-error
// report, as the component's options say.

#include "toolkit/Win.h"

#include "toolkit/Control.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kvx {

// The component's dialog options.
struct TDialogBoxes {
  bool DisableAll = false;     // close every watched dialog as soon as it is activated
  bool ReplaceCaption = true;  // drop "Microsoft ", put NewCaption for "Internet Explorer"
  bool ReplaceIcon = true;     // give it the application's small icon
  std::wstring NewCaption;
};

// Raised for each watched dialog before anything is done to it: h is the
// dialog, styleEx its extended style (absolute value). NewCaption and Cancel
// are the component's own DialogBoxes.NewCaption and DialogBoxes.DisableAll:
// what the handler writes there holds for this dialog and all later ones.
using TShowDialogEvent = std::function<void(TObject* sender, HWND h, std::int32_t styleEx,
                                            std::wstring& newCaption, bool& cancel)>;

// The dialog classes watched: the platform's standard dialog and the
// browser's HTML dialog frame.
inline constexpr wchar_t StandardDialogClass[] = L"#32770";
inline constexpr wchar_t HtmlDialogClass[] = L"Internet Explorer_TridentDlgFrame";

// The application's icon in the small size, as dialogs show it: icon 1 of the
// program's resources (the icon its forms use). Shared: never destroyed.
// Null when the program has none.
HICON ApplicationSmallIcon() noexcept;

// One watcher per component, owned by it. One owner is watched per process:
// the first component to ask watches, and only it stops the watch. Everything
// runs on the user-interface thread.
class TDialogWatcher {
 public:
  // component: the component (the sender of OnShowDialog); the form it is
  // on is the owner watched. The other references are the component's own
  // options and event, read at each dialog. scriptErrorsSuppressed and
  // designing are asked when needed; an empty one answers false.
  TDialogWatcher(TWinControl& component, TDialogBoxes& dialogBoxes,
                 const TShowDialogEvent& onShowDialog, std::function<bool()> scriptErrorsSuppressed,
                 std::function<bool()> designing);
  // Stops the watch if this watcher holds it.
  ~TDialogWatcher();
  TDialogWatcher(const TDialogWatcher&) = delete;
  TDialogWatcher& operator=(const TDialogWatcher&) = delete;

  // Starts watching the component's form, unless the process watches an
  // owner already, the component is designing or it is on no form. The form
  // need not have its window yet: the watch lives in its message handler.
  void WatchOwnerWindow();
  // Puts the form's previous message handler back and frees the process's
  // watch; only the watcher that started it does anything. Should a handler
  // installed after ours still hold ours, ours stays there, passing every
  // message on and inspecting nothing.
  void ReleaseOwnerWindow() noexcept;
  // True while this watcher watches its owner.
  bool Watching() const noexcept { return FOwner != nullptr; }
  // True while any watcher of the process watches.
  static bool ProcessWatching() noexcept;

  // The inspection of a WM_ACTIVATE of the owner: acts when the owner loses
  // the activation to a watched dialog of this thread (lParam).
  void HandleDialogActivation(const TMessage& message);

 private:
  struct TLink;
  class THandler;

  // The window of the form watched (or to be watched); null while it has none.
  HWND OwnerWindow() noexcept;

  TWinControl& FComponent;
  TDialogBoxes& FDialogBoxes;
  const TShowDialogEvent& FOnShowDialog;
  std::function<bool()> FScriptErrorsSuppressed;
  std::function<bool()> FDesigning;
  TWinControl* FOwner = nullptr;
  std::weak_ptr<TLink> FLink;
  // Gone with the watcher: an event handler that frees the component ends the inspection.
  std::shared_ptr<int> FAlive = std::make_shared<int>();
};

}  // namespace kvx
