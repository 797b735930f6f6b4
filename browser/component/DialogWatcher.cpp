#include "toolkit/Win.h"

#include "browser/component/DialogWatcher.h"

#include "core/DialogRules.h"
#include "toolkit/Application.h"
#include "toolkit/Form.h"

#include <iterator>
#include <string_view>
#include <utility>

namespace kvx {
namespace {

// One watched owner per process; only the user-interface thread touches it.
bool gProcessWatching = false;

std::wstring ClassNameOf(HWND window) {
  wchar_t name[80] = {};
  if (!GetClassNameW(window, name, static_cast<int>(std::size(name)))) return {};
  return name;
}

std::wstring WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

}  // namespace

// What the installed handler and the watcher share. The handler's copies keep
// it alive; the watcher only looks at it, so it learns when the owner's
// handler (and with it the owner) is gone.
struct TDialogWatcher::TLink {
  TDialogWatcher* Watcher = nullptr;  // null once the watch has stopped
  TWndMethod Previous;
};

class TDialogWatcher::THandler {
 public:
  explicit THandler(std::shared_ptr<TLink> link) noexcept : FLink(std::move(link)) {}

  void operator()(TMessage& message) const {
    // A copy: the inspection may replace the owner's handler, and this object with it.
    std::shared_ptr<TLink> link = FLink;
    if (message.Msg == WM_ACTIVATE && link->Watcher) {
      try {
        link->Watcher->HandleDialogActivation(message);
      } catch (...) {
        // Reported as the component's, and the owner still sees its WM_ACTIVATE.
        Application().HandleException(link->Watcher ? &link->Watcher->FComponent : nullptr);
      }
    }
    link->Previous(message);
  }

  const std::shared_ptr<TLink>& Link() const noexcept { return FLink; }

 private:
  std::shared_ptr<TLink> FLink;
};

HICON ApplicationSmallIcon() noexcept {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                       LR_SHARED));
}

TDialogWatcher::TDialogWatcher(TWinControl& component, TDialogBoxes& dialogBoxes,
                               const TShowDialogEvent& onShowDialog,
                               std::function<bool()> scriptErrorsSuppressed,
                               std::function<bool()> designing)
    : FComponent(component),
      FDialogBoxes(dialogBoxes),
      FOnShowDialog(onShowDialog),
      FScriptErrorsSuppressed(std::move(scriptErrorsSuppressed)),
      FDesigning(std::move(designing)) {}

TDialogWatcher::~TDialogWatcher() {
  ReleaseOwnerWindow();
}

bool TDialogWatcher::ProcessWatching() noexcept {
  return gProcessWatching;
}

void TDialogWatcher::WatchOwnerWindow() {
  if (gProcessWatching || (FDesigning && FDesigning())) return;
  TWinControl* owner = FComponent.ParentForm();
  if (!owner) return;
  auto link = std::make_shared<TLink>(TLink{this, owner->WindowProc()});
  owner->SetWindowProc(THandler(link));
  FOwner = owner;
  FLink = link;
  gProcessWatching = true;
}

void TDialogWatcher::ReleaseOwnerWindow() noexcept {
  if (!FOwner) return;
  // Alive only while the owner's handler chain still holds ours, so the owner
  // is touched only while it exists.
  if (std::shared_ptr<TLink> link = FLink.lock()) {
    link->Watcher = nullptr;
    const THandler* current = FOwner->WindowProc().target<THandler>();
    if (current && current->Link() == link) {
      try {
        FOwner->SetWindowProc(link->Previous);
      } catch (...) {
        // Out of memory: ours stays in place, passing messages on.
      }
    }
  }
  FOwner = nullptr;
  FLink.reset();
  gProcessWatching = false;
}

HWND TDialogWatcher::OwnerWindow() noexcept {
  TWinControl* owner = FOwner ? FOwner : FComponent.ParentForm();
  return owner && owner->HandleAllocated() ? owner->Handle() : nullptr;
}

void TDialogWatcher::HandleDialogActivation(const TMessage& message) {
  if (LOWORD(message.WParam) != WA_INACTIVE) return;
  HWND h = reinterpret_cast<HWND>(message.LParam);
  if (!h) return;
  std::wstring className = ClassNameOf(h);
  if (className != StandardDialogClass && className != HtmlDialogClass) return;
  // Only the dialogs of this thread are the browser's: a dialog of another
  // program that the user switches to is none of ours to close or retitle.
  if (GetWindowThreadProcessId(h, nullptr) != GetCurrentThreadId()) return;
  const std::int32_t styleEx =
      AbsoluteExtendedStyle(static_cast<std::uint32_t>(GetWindowLongW(h, GWL_EXSTYLE)));

  if (FOnShowDialog) {
    std::weak_ptr<int> alive = FAlive;
    FOnShowDialog(&FComponent, h, styleEx, FDialogBoxes.NewCaption, FDialogBoxes.DisableAll);
    if (alive.expired()) return;
  }
  if (FDialogBoxes.DisableAll) {
    SendMessageW(h, WM_CLOSE, 0, 0);
    // A dialog that went away takes no more steps; its handle could be reused.
    if (!IsWindow(h)) return;
  }
  if (FDialogBoxes.ReplaceIcon) {
    if (HICON icon = ApplicationSmallIcon())
      SendMessageW(h, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  std::wstring text = className;
  // In UTF-16 throughout: a caption passed through the 8-bit code page would
  // lose every character outside it.
  if (FDialogBoxes.ReplaceCaption) {
    text = RewriteDialogCaption(WindowText(h), FDialogBoxes.NewCaption);
    SetWindowTextW(h, text.c_str());
  }
  if (!FScriptErrorsSuppressed || !FScriptErrorsSuppressed()) return;
  switch (ScriptDialogAction(text, styleEx)) {
    case TScriptDialogAction::sdaClickAndClose:
      // A click into the report first, as its own close button wants, then the close.
      PostMessageW(h, WM_LBUTTONDOWN, 0, 0);
      PostMessageW(h, WM_LBUTTONUP, 0, 0);
      SendMessageW(h, WM_CLOSE, 0, 0);
      Application().ProcessMessages();
      break;
    case TScriptDialogAction::sdaDestroy: {
      HWND dialogOwner = GetWindow(h, GW_OWNER);
      DestroyWindow(h);
      // A modal dialog disables its owner until it is ended; destroyed instead,
      // it would leave the form it took the activation from deaf to the user.
      if (dialogOwner && dialogOwner == OwnerWindow() && !IsWindowEnabled(dialogOwner))
        EnableWindow(dialogOwner, TRUE);
      break;
    }
    case TScriptDialogAction::sdaNone:
      break;
  }
}

}  // namespace kvx
