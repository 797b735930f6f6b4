// The browser host component's construction, options, after-loading step and
// end. Its window procedure, focus tracking, HTML content and user agent have
// files of their own beside this one (WebHostWindowProc, WebHostFocus,
// WebHostHtml, WebHostUserAgent).
#include "toolkit/Win.h"

#include "browser/component/WebHost.h"

#include "toolkit/SystemVersion.h"
#include "toolkit/TaskMemory.h"
#include "browser/component/WebHostUnit.h"
#include "toolkit/Trace.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>

namespace kvx {

// The browser's menus know the commands by these numbers, whatever a header
// calls them; the stored set holds one bit per member.
static_assert(PopupMenuItemCount == 17, "the stored set's members");
static_assert(
    [] {
      constexpr UINT numbers[] = {2282, 2283, 2263, 2264, 2265, 2278, 31,   26,  2266,
                                  2261, 2292, 2300, 2139, 28,   27,   2137, 2136};
      return std::equal(std::begin(numbers), std::end(numbers), std::begin(PopupMenuItemCommands),
                        std::end(PopupMenuItemCommands));
    }(),
    "the browser's menu commands");

namespace {

constexpr char kAbout[] = "Korvexa browser host component";

}  // namespace

void TDisableErrors::SetfpExceptions(bool value) {
  if (value) {
    DefaultFloatingPointControl().Load();
  } else {
    TFloatingPointControl::AllMasked(TFloatingPointControl::Current()).Load();
  }
  FfpExceptions = value;
}

// --- construction and destruction -----------------------------------------------------------

TWebHost::TWebHost(TWinControl* parent)
    : TCustomWebHost(parent),
      FAbout(kAbout),
      FBrowserHooks([this](TBrowserWindowHooks::TRole role) { BrowserWindowFocused(role); }),
      FDialogWatcher(
          *this, FDialogBoxes, OnShowDialog,
          [this] { return FDisableErrors.ScriptErrorsSuppressed; },
          [this] { return Designing(); }) {
  // Moves of the window itself are announced instead of made on systems
  // whose browser does not keep its window in place on its own.
  FInterceptWindowMoves = !IsWinXPSP2OrLater();
  SetAmbientAgentSupplier([this](std::string& agent) { return ProvideAmbientAgent(agent); });
  SetInnerWindowHook([this](TObject*) { EnsureBrowserWindowHooks(); });
}

TWebHost::~TWebHost() {
  // The zoom goes back while the control still lives; then the end of its life.
  ResetZoom();
  ShutDown();
  if (TraceEnabled())
    Trace(L"browser host ended: " + std::to_wstring(RefCount()) + L" references held on it");
  // The registry agent, the form's window and the browser's windows are let
  // go of by the members that hold them.
}

void TWebHost::ResetZoom() noexcept {
  if (FVisualEffects.TextSize == NormalTextSize || Designing() || !Completed() || ShuttingDown())
    return;
  try {
    SetZoomLevel(NormalTextSize);
  } catch (...) {
    // A control that cannot zoom any more keeps the level it has.
  }
}

void TWebHost::Loaded() {
  TCustomWebHost::Loaded();
  if (Designing()) {
    ReadPageSetupDefaults(FPrintOptions);
    return;
  }
  FEnableMessageHandler = true;
  ResetWindowProc();
  if (FDisableErrors.ScriptErrorsSuppressed) SetScriptErrorAction(TScriptErrorAction::eaContinue);
  FBrowserHooks.ReleaseBrowserWindows();
  FDialogWatcher.WatchOwnerWindow();
  if (FProxySettings.AutoLoadProxy) ApplyProxySettings();
  if (FVisualEffects.DisableSounds) {
    if (TWebHostUnit* unit = TWebHostUnit::Running()) unit->DisableSounds();
  }
}

// --- the document host's questions -------------------------------------------------------------

HRESULT TWebHost::GetHostInfo(DOCHOSTUIINFO& info) {
  const std::weak_ptr<const void> life = LifeToken();
  const HRESULT result = TCustomWebHost::GetHostInfo(info);
  // Only into a record the document host filled: the caller frees what it
  // finds there only when the answer is a success. A handler of the host's
  // event that freed the component leaves nothing to add.
  if (FAILED(result) || life.expired()) return result;
  if (!info.pchHostCss && !FHostCSS.empty()) info.pchHostCss = AnsiToTaskMemWide(FHostCSS);
  if (!info.pchHostNS && !FHostNS.empty()) info.pchHostNS = AnsiToTaskMemWide(FHostNS);
  return result;
}

bool TWebHost::NeedsMenuFilter() {
  return TCustomWebHost::NeedsMenuFilter() || !FDisabledPopupMenuItems.Empty();
}

void TWebHost::FilterContextMenu(TObject* Sender, DWORD ID, HMENU Menu, IDispatch* Context) {
  const std::weak_ptr<const void> life = LifeToken();
  TCustomWebHost::FilterContextMenu(Sender, ID, Menu, Context);
  if (life.expired()) return;
  for (size_t i = 0; i < std::size(PopupMenuItemCommands); ++i) {
    if (FDisabledPopupMenuItems.Contains(static_cast<TIEPopupMenuItems>(i)))
      DeleteMenu(Menu, PopupMenuItemCommands[i], MF_BYCOMMAND);
  }
}

// --- proxy ------------------------------------------------------------------------------------

void TWebHost::ApplyProxySettings() {
  // Only a running unit puts the user's own proxy back at the end: without
  // one the user's settings are left alone.
  if (TWebHostUnit* unit = TWebHostUnit::Running()) unit->ApplyProxy(FProxySettings);
}

}  // namespace kvx
