#include "toolkit/Win.h"

#include "browser/component/WebHost.h"

#include "browser/activex/OleError.h"
#include "toolkit/SystemVersion.h"
#include "toolkit/TaskMemory.h"
#include "browser/component/WebHostUnit.h"
#include "core/CodePage.h"
#include "core/Text.h"
#include "toolkit/Trace.h"

#include <iterator>
#include <string>

using Microsoft::WRL::ComPtr;

namespace kvx {

const UINT PopupMenuItemCommands[17] = {2282, 2283, 2263, 2264, 2265, 2278, 31,   26,  2266,
                                        2261, 2292, 2300, 2139, 28,   27,   2137, 2136};

namespace {

constexpr char kAbout[] = "Korvexa browser host component";

// The registry user agent is the platform's own with ours after it.
constexpr char kRegistryAgentPrefix[] =
    "User-agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)(";

// A single line of HTML text that starts like this is an address.
bool StartsLikeLocation(const std::string& line) {
  const std::string start = AsciiUpperCase(std::string_view(line).substr(0, 4));
  return start == "HTTP" || start == "WWW." || start == "FTP:" || start == "FILE";
}

bool IsDirectory(const std::wstring& path) noexcept {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

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
  if (FVisualEffects.TextSize == 2 || Designing() || !Completed() || ShuttingDown()) return;
  try {
    SetZoomLevel(2);
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

// --- the window procedure -------------------------------------------------------------------

LRESULT TWebHost::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  bool canProcess = true;
  if (msg == WM_CLOSE && OnCloseQuery) OnCloseQuery(this, canProcess);
  // A dialog key while the focus is inside the document is the document's:
  // the form does not act on it.
  if (canProcess && msg == CM_DIALOGKEY && !(HandleAllocated() && GetFocus() == Handle()))
    canProcess = false;

  TMessage message{msg, wParam, lParam, 0};
  if (canProcess) message.Result = DispatchOwnMessage(msg, wParam, lParam);
  // Not taken as a dialog key: Enter goes on to the control.
  if (FEnableMessageHandler && msg == CN_KEYDOWN && wParam == VK_RETURN) message.Result = 0;
  if (OnMessage) {
    TMessageHandled handled((message.Result & 0xFF) != 0);
    OnMessage(this, message, handled);
    if (handled.Assigned()) message.Result = handled ? 1 : 0;
  }
  switch (msg) {
    case WM_WINDOWPOSCHANGING:
      if (FInterceptWindowMoves && lParam)
        InterceptWindowPos(*reinterpret_cast<WINDOWPOS*>(lParam));
      break;
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTCHARS;
      break;
    default:
      break;
  }
  return message.Result;
}

LRESULT TWebHost::DispatchOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_REQUESTFOCUS:
      FocusRequest();
      return 0;
    case CM_VISIBLECHANGED: {
      LRESULT result = TCustomWebHost::WndProc(msg, wParam, lParam);
      if (OnVisible) OnVisible(this, wParam == 1 ? VARIANT_TRUE : VARIANT_FALSE);
      return result;
    }
    default:
      return TCustomWebHost::WndProc(msg, wParam, lParam);
  }
}

void TWebHost::InterceptWindowPos(WINDOWPOS& position) {
  if (!(position.flags & (SWP_NOSIZE | SWP_NOMOVE))) return;
  if (!(position.flags & SWP_NOMOVE)) {
    position.flags |= SWP_NOMOVE;
    if (OnMove) OnMove(this, position.x, position.y);
  }
  if (!(position.flags & SWP_NOSIZE)) {
    position.flags |= SWP_NOSIZE;
    if (OnResize) OnResize(this, position.cx, position.cy);
  }
}

// --- focus ---------------------------------------------------------------------------------------

void TWebHost::FocusRequest() {
  if (ShuttingDown()) return;
  TForm* form = ParentForm();
  if (!form || !dynamic_cast<TWebHost*>(form->ActiveControl()) || !CanFocus()) return;
  form->SetActiveControl(this);
  ActivateDocumentUI();
  if (TraceEnabled())
    Trace(ContainsFocus() ? L"browser host: focus request taken, the focus inside"
                          : L"browser host: focus request taken, the focus elsewhere");
}

void TWebHost::EnsureBrowserWindowHooks() {
  using TRole = TBrowserWindowHooks::TRole;
  if (!FBrowserHooks.Hooked(TRole::brFirst) || !FBrowserHooks.Hooked(TRole::brFolderView))
    HookBrowserWindows();
}

void TWebHost::HookBrowserWindows() {
  using TRole = TBrowserWindowHooks::TRole;
  if (Designing() || !HandleAllocated()) return;
  if (!FBrowserHooks.Hooked(TRole::brFolderView)) {
    if (HWND folderView = FindChildWindowByClass(L"SysListView32")) {
      FBrowserHooks.Hook(TRole::brFolderView, folderView);
      return;
    }
  }
  if (FBrowserHooks.Hooked(TRole::brFirst) || FBrowserHooks.Hooked(TRole::brSecond)) return;
  HWND first = ::GetWindow(Handle(), GW_CHILD);
  if (!first) return;
  HWND second = ::GetWindow(first, GW_CHILD);
  FBrowserHooks.Hook(TRole::brFirst, first);
  if (second) FBrowserHooks.Hook(TRole::brSecond, second);
}

void TWebHost::BrowserWindowFocused(TBrowserWindowHooks::TRole role) {
  if (ShuttingDown()) return;
  TForm* form = ParentForm();
  if (!form || !CanFocus()) return;
  form->SetActiveControl(this);
  if (role != TBrowserWindowHooks::TRole::brFolderView) ActivateDocumentUI();
}

// --- the document host's questions -------------------------------------------------------------

HRESULT TWebHost::GetHostInfo(DOCHOSTUIINFO& info) {
  const HRESULT result = TCustomWebHost::GetHostInfo(info);
  // Only into a record the document host filled: the caller frees what it
  // finds there only when the answer is a success.
  if (FAILED(result)) return result;
  if (!info.pchHostCss && !FHostCSS.empty()) info.pchHostCss = AnsiToTaskMemWide(FHostCSS);
  if (!info.pchHostNS && !FHostNS.empty()) info.pchHostNS = AnsiToTaskMemWide(FHostNS);
  return result;
}

bool TWebHost::NeedsMenuFilter() {
  return TCustomWebHost::NeedsMenuFilter() || !FDisabledPopupMenuItems.Empty();
}

void TWebHost::FilterContextMenu(TObject* Sender, DWORD ID, HMENU Menu, IDispatch* Context) {
  TCustomWebHost::FilterContextMenu(Sender, ID, Menu, Context);
  for (size_t i = 0; i < std::size(PopupMenuItemCommands); ++i) {
    if (FDisabledPopupMenuItems.Contains(static_cast<TIEPopupMenuItems>(i)))
      DeleteMenu(Menu, PopupMenuItemCommands[i], MF_BYCOMMAND);
  }
}

// --- HTML text ----------------------------------------------------------------------------------

void TWebHost::ShowBlankPage() {
  Navigate(L"about:blank");
}

void TWebHost::SetHTMLCode(const std::vector<std::string>& lines) {
  FHTMLCode = lines;
  HtmlCodeChanged();
}

void TWebHost::HtmlCodeChanged() {
  if (Designing()) return;
  if (FHTMLCode.size() == 1 && StartsLikeLocation(FHTMLCode.front())) {
    OpenLocation(FHTMLCode.front());
  } else {
    LoadHtmlLines(FHTMLCode);
  }
}

void TWebHost::OpenLocation(const std::string& location) {
  const std::wstring wide = GbkToWide(location);
  if (IsDirectory(wide)) {
    Navigate(L"file:///" + wide);
    return;
  }
  if (TrimBlanks(location).empty()) return;
  TVariant url(wide);
  TVariant flags(0), target(0), postData(0), headers(0);
  Navigate2(url.Get(), flags.Get(), target.Get(), postData.Get(), headers.Get());
}

HRESULT TWebHost::LoadHtmlLines(const std::vector<std::string>& lines) {
  try {
    ComPtr<IStream> stream;
    OleCheck(CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    for (const std::string& line : lines) {
      const std::string text = line + "\r\n";
      OleCheck(stream->Write(text.data(), static_cast<ULONG>(text.size()), nullptr));
    }
    return LoadHtmlStream(stream.Get());
  } catch (...) {
    return 1;
  }
}

HRESULT TWebHost::LoadHtmlStream(IStream* stream) {
  try {
    ComPtr<IDispatch> document = Document();
    if (!document) {
      // The blank page comes later: a load before it has no document to go to.
      ShowBlankPage();
      document = Document();
    }
    ComPtr<IPersistStreamInit> persist;
    if (!stream || !document || FAILED(document.As(&persist)) || !persist) return 1;
    OleCheck(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr));
    return persist->Load(stream);
  } catch (...) {
    return 1;
  }
}

// --- user agent and proxy ----------------------------------------------------------------------

void TWebHost::SetUserAgent(const std::string& value) {
  if (value == FUserAgent) return;
  FUserAgent = value;
  ApplyUserAgent();
}

void TWebHost::SetUserAgentMode(TUserAgentMode value) {
  if (value == FUserAgentMode) return;
  FUserAgentMode = value;
  ApplyUserAgent();
}

void TWebHost::ApplyUserAgent() {
  // Whatever the new agent or mode, the registry's agent goes first: in the
  // other modes the browser would announce it beside theirs, and in the
  // registry mode the new one takes its place.
  WithdrawRegistryAgent();
  switch (FUserAgentMode) {
    case TUserAgentMode::uaDefault:
      break;
    case TUserAgentMode::uaInternal:
      AnnounceAmbientAgent();
      break;
    case TUserAgentMode::uaRegistry:
      PublishRegistryAgent();
      break;
  }
}

HRESULT TWebHost::ProvideAmbientAgent(std::string& agent) {
  agent.clear();
  if (FUserAgentMode != TUserAgentMode::uaInternal || FUserAgent.empty()) return S_FALSE;
  agent = FUserAgent;
  return S_OK;
}

void TWebHost::AnnounceAmbientAgent() {
  if (FUserAgent == FLastAmbientAgent) return;
  ComPtr<IOleControl> control;
  try {
    ComPtr<IWebBrowser2> browser = BrowserInterface();
    if (!browser || FAILED(browser.As(&control)) || !control) return;
  } catch (const Exception&) {
    return;  // no control to tell yet: a later change tries again
  }
  FLastAmbientAgent = FUserAgent;
  control->OnAmbientPropertyChange(DISPID_AMBIENT_USERAGENT);
}

void TWebHost::PublishRegistryAgent() {
  if (Designing()) return;
  // Held in the journal: the user's settings get back what they had when the
  // agent is withdrawn, or at the next start if this copy never gets to it.
  FRegistryAgent = HoldRegistryAgent(GbkToWide(kRegistryAgentPrefix + FUserAgent + ")"));
}

void TWebHost::WithdrawRegistryAgent() {
  FRegistryAgent.Release();
}

void TWebHost::ApplyProxySettings() {
  // Only a running unit puts the user's own proxy back at the end: without
  // one the user's settings are left alone.
  if (TWebHostUnit* unit = TWebHostUnit::Running()) unit->ApplyProxy(FProxySettings);
}

}  // namespace kvx
