// The document host's construction, its option flags, the document
// commands it issues, and giving the document the user-interface focus.
#include "toolkit/Win.h"

#include "browser/dochost/WebHostCore.h"

#include "browser/activex/OleError.h"
#include "toolkit/Form.h"
#include "toolkit/Handles.h"
#include "toolkit/Scope.h"

#include <mshtmdid.h>
#include <mshtmhst.h>

#include <cwchar>
#include <iterator>
#include <utility>

using Microsoft::WRL::ComPtr;

namespace kvx {

// The DOCHOSTUIFLAG each user-interface option stands for, in member order.
constexpr DWORD UIOptionFlagTable[kUserInterfaceOptionCount] = {
    DOCHOSTUIFLAG_DIALOG,                          // DisableTextSelect
    DOCHOSTUIFLAG_DISABLE_HELP_MENU,               // DisableHelpMenu
    DOCHOSTUIFLAG_NO3DBORDER,                      // DontUse3DBorders
    DOCHOSTUIFLAG_SCROLL_NO,                       // DontUseScrollBars
    DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE,         // PostponeScriptUntilActive
    DOCHOSTUIFLAG_OPENNEWWIN,                      // ForceOpenNewWindow
    DOCHOSTUIFLAG_DISABLE_OFFSCREEN,               // Reserved_OFFSCREEN
    DOCHOSTUIFLAG_FLAT_SCROLLBAR,                  // ForceFlatScrollBars
    DOCHOSTUIFLAG_DIV_BLOCKDEFAULT,                // InsertDivTagOnEditMode
    DOCHOSTUIFLAG_ACTIVATE_CLIENTHIT_ONLY,         // ActivateUIOnlyOnDocClick
    DOCHOSTUIFLAG_OVERRIDEBEHAVIORFACTORY,         // ConsultBeforeRetrievingBehavior
    DOCHOSTUIFLAG_CODEPAGELINKEDFONTS,             // CheckFontSupportsCodePage
    DOCHOSTUIFLAG_URL_ENCODING_DISABLE_UTF8,       // DisableSubmitUrlInUTF8
    DOCHOSTUIFLAG_URL_ENCODING_ENABLE_UTF8,        // EnableSubmitUrlInUTF8
    DOCHOSTUIFLAG_ENABLE_FORMS_AUTOCOMPLETE,       // EnablesFormsAutoComplete
    DOCHOSTUIFLAG_ENABLE_INPLACE_NAVIGATION,       // ForceSameWindowNavigation
    DOCHOSTUIFLAG_IME_ENABLE_RECONVERSION,         // EmableImeLocalLanguages
    DOCHOSTUIFLAG_THEME,                           // EnableThemes
    DOCHOSTUIFLAG_NOTHEME,                         // DisableThemes
    DOCHOSTUIFLAG_NOPICS,                          // DisablePicsRatings
    DOCHOSTUIFLAG_NO3DOUTERBORDER,                 // DisableFrameSetBorder
    DOCHOSTUIFLAG_DISABLE_EDIT_NS_FIXUP,           // DisablesAutoNameSpaceCorrection
    DOCHOSTUIFLAG_LOCAL_MACHINE_ACCESS_CHECK,      // DisableLocalFileAccess
    DOCHOSTUIFLAG_DISABLE_UNTRUSTEDPROTOCOL,       // DisableUntrustedProtocol
    DOCHOSTUIFLAG_HOST_NAVIGATES,                  // CheckNavigationDelegatedToHost
    DOCHOSTUIFLAG_ENABLE_REDIRECT_NOTIFICATION,    // EnableRedirectNotification
    DOCHOSTUIFLAG_USE_WINDOWLESS_SELECTCONTROL,    // EnableDomWindlessControls
    DOCHOSTUIFLAG_USE_WINDOWED_SELECTCONTROL,      // EnableWindowedControls
    DOCHOSTUIFLAG_ENABLE_ACTIVEX_INACTIVATE_MODE,  // ForceUserActivationOnActiveXJava
};

// The DLCTL flag each download option stands for, in member order.
constexpr DWORD DownloadOptionFlagTable[kDownloadControlOptionCount] = {
    DLCTL_DLIMAGES,                   // DownloadImages
    DLCTL_VIDEOS,                     // DownloadVideos
    DLCTL_BGSOUNDS,                   // DownloadBGSounds
    DLCTL_NO_SCRIPTS,                 // DontExecuteScripts
    DLCTL_NO_JAVA,                    // DontExecuteJava
    DLCTL_NO_RUNACTIVEXCTLS,          // DontExecuteActiveX
    DLCTL_NO_DLACTIVEXCTLS,           // DontDownloadActiveX
    DLCTL_DOWNLOADONLY,               // DownloadButDontDisplay
    DLCTL_NO_FRAMEDOWNLOAD,           // DontDownloadFrame
    DLCTL_RESYNCHRONIZE,              // CheckPageResynchronize
    DLCTL_PRAGMA_NO_CACHE,            // DownloadAndIgnoreCache
    DLCTL_NO_BEHAVIORS,               // DontDownloadBehaviors
    DLCTL_NO_METACHARSET,             // SuppressedMetaCharset
    DLCTL_URL_ENCODING_DISABLE_UTF8,  // DisableUrlIfEncodingUTF8
    DLCTL_URL_ENCODING_ENABLE_UTF8,   // EnableUrlIfEncodingUTF8
    DLCTL_FORCEOFFLINE,               // ForceOfflineMode
    DLCTL_NO_CLIENTPULL,              // DontPerformClientPull
    DLCTL_SILENT,                     // DownloadInSilentMode
    DLCTL_OFFLINE,                    // WorkOffline
};

namespace {

template <class E, std::size_t N>
constexpr bool Maps(const DWORD (&table)[N], E member, DWORD flag) noexcept {
  return table[static_cast<std::size_t>(member)] == flag;
}

// The value each option has always stood for: a table entry out of place
// or a header that numbers a flag otherwise stops the build here.
using UIO = TUserInterfaceOption;
static_assert(Maps(UIOptionFlagTable, UIO::DisableTextSelect, 0x1));
static_assert(Maps(UIOptionFlagTable, UIO::DisableHelpMenu, 0x2));
static_assert(Maps(UIOptionFlagTable, UIO::DontUse3DBorders, 0x4));
static_assert(Maps(UIOptionFlagTable, UIO::DontUseScrollBars, 0x8));
static_assert(Maps(UIOptionFlagTable, UIO::PostponeScriptUntilActive, 0x10));
static_assert(Maps(UIOptionFlagTable, UIO::ForceOpenNewWindow, 0x20));
static_assert(Maps(UIOptionFlagTable, UIO::Reserved_OFFSCREEN, 0x40));
static_assert(Maps(UIOptionFlagTable, UIO::ForceFlatScrollBars, 0x80));
static_assert(Maps(UIOptionFlagTable, UIO::InsertDivTagOnEditMode, 0x100));
static_assert(Maps(UIOptionFlagTable, UIO::ActivateUIOnlyOnDocClick, 0x200));
static_assert(Maps(UIOptionFlagTable, UIO::ConsultBeforeRetrievingBehavior, 0x400));
static_assert(Maps(UIOptionFlagTable, UIO::CheckFontSupportsCodePage, 0x800));
static_assert(Maps(UIOptionFlagTable, UIO::DisableSubmitUrlInUTF8, 0x1000));
static_assert(Maps(UIOptionFlagTable, UIO::EnableSubmitUrlInUTF8, 0x2000));
static_assert(Maps(UIOptionFlagTable, UIO::EnablesFormsAutoComplete, 0x4000));
// No option stands for 0x8000.
static_assert(Maps(UIOptionFlagTable, UIO::ForceSameWindowNavigation, 0x10000));
static_assert(Maps(UIOptionFlagTable, UIO::EmableImeLocalLanguages, 0x20000));
static_assert(Maps(UIOptionFlagTable, UIO::EnableThemes, 0x40000));
static_assert(Maps(UIOptionFlagTable, UIO::DisableThemes, 0x80000));
static_assert(Maps(UIOptionFlagTable, UIO::DisablePicsRatings, 0x100000));
static_assert(Maps(UIOptionFlagTable, UIO::DisableFrameSetBorder, 0x200000));
static_assert(Maps(UIOptionFlagTable, UIO::DisablesAutoNameSpaceCorrection, 0x400000));
static_assert(Maps(UIOptionFlagTable, UIO::DisableLocalFileAccess, 0x800000));
static_assert(Maps(UIOptionFlagTable, UIO::DisableUntrustedProtocol, 0x1000000));
static_assert(Maps(UIOptionFlagTable, UIO::CheckNavigationDelegatedToHost, 0x2000000));
static_assert(Maps(UIOptionFlagTable, UIO::EnableRedirectNotification, 0x4000000));
static_assert(Maps(UIOptionFlagTable, UIO::EnableDomWindlessControls, 0x8000000));
static_assert(Maps(UIOptionFlagTable, UIO::EnableWindowedControls, 0x10000000));
static_assert(Maps(UIOptionFlagTable, UIO::ForceUserActivationOnActiveXJava, 0x20000000));

using DLO = TDownloadControlOption;
static_assert(Maps(DownloadOptionFlagTable, DLO::DownloadImages, 0x10));
static_assert(Maps(DownloadOptionFlagTable, DLO::DownloadVideos, 0x20));
static_assert(Maps(DownloadOptionFlagTable, DLO::DownloadBGSounds, 0x40));
static_assert(Maps(DownloadOptionFlagTable, DLO::DontExecuteScripts, 0x80));
static_assert(Maps(DownloadOptionFlagTable, DLO::DontExecuteJava, 0x100));
static_assert(Maps(DownloadOptionFlagTable, DLO::DontExecuteActiveX, 0x200));
static_assert(Maps(DownloadOptionFlagTable, DLO::DontDownloadActiveX, 0x400));
static_assert(Maps(DownloadOptionFlagTable, DLO::DownloadButDontDisplay, 0x800));
static_assert(Maps(DownloadOptionFlagTable, DLO::DontDownloadFrame, 0x1000));
static_assert(Maps(DownloadOptionFlagTable, DLO::CheckPageResynchronize, 0x2000));
static_assert(Maps(DownloadOptionFlagTable, DLO::DownloadAndIgnoreCache, 0x4000));
static_assert(Maps(DownloadOptionFlagTable, DLO::DontDownloadBehaviors, 0x8000));
static_assert(Maps(DownloadOptionFlagTable, DLO::SuppressedMetaCharset, 0x10000));
static_assert(Maps(DownloadOptionFlagTable, DLO::DisableUrlIfEncodingUTF8, 0x20000));
static_assert(Maps(DownloadOptionFlagTable, DLO::EnableUrlIfEncodingUTF8, 0x40000));
// The options past 0x40000 jump to the high bits.
static_assert(Maps(DownloadOptionFlagTable, DLO::ForceOfflineMode, 0x10000000));
static_assert(Maps(DownloadOptionFlagTable, DLO::DontPerformClientPull, 0x20000000));
static_assert(Maps(DownloadOptionFlagTable, DLO::DownloadInSilentMode, 0x40000000));
static_assert(Maps(DownloadOptionFlagTable, DLO::WorkOffline, 0x80000000));

// The flag value of a set: the table value of every member in it.
template <class E, std::size_t N>
DWORD FlagsOf(TEnumSet<E> set, const DWORD (&table)[N]) noexcept {
  DWORD flags = 0;
  for (std::size_t i = 0; i < N; ++i)
    if (set.Contains(static_cast<E>(i))) flags |= table[i];
  return flags;
}

}  // namespace

TCustomWebHost::TCustomWebHost(TWinControl* parent) : TBrowserControl(parent) {
  FFocusChangeAllowed = true;
  FScriptErrorAction = TScriptErrorAction::eaContinue;
  SetDownloadOptions({TDownloadControlOption::DownloadImages,
                      TDownloadControlOption::DownloadVideos,
                      TDownloadControlOption::DownloadBGSounds});
  SetUserInterfaceOptions(
      {TUserInterfaceOption::EnablesFormsAutoComplete, TUserInterfaceOption::EnableThemes});
  FDropHandlingType = TDragDropHandlingType::ddtMS;
  FDisableCtrlShortcuts.assign(1,
                               'N');  // (assigning the literal trips a false -Wrestrict of GCC 12)
}

TCustomWebHost::~TCustomWebHost() {
  ShutDown();
}

IUnknown* TCustomWebHost::SiteInterface(REFIID iid) noexcept {
  using TRow = TSiteInterface<TCustomWebHost>;
  static const TRow kInterfaces[] = {
      {&__uuidof(IDocHostUIHandler),
       [](TCustomWebHost& h) noexcept -> IUnknown* { return &h.FUIHandler; }},
      {&__uuidof(IDocHostUIHandler2),
       [](TCustomWebHost& h) noexcept -> IUnknown* { return &h.FUIHandler; }},
      {&__uuidof(IDocHostShowUI),
       [](TCustomWebHost& h) noexcept -> IUnknown* { return &h.FShowUI; }},
      {&__uuidof(IOleCommandTarget),
       [](TCustomWebHost& h) noexcept -> IUnknown* { return &h.FCommandTarget; }},
      {&__uuidof(IServiceProvider),
       [](TCustomWebHost& h) noexcept -> IUnknown* { return &h.FServiceProvider; }},
      {&__uuidof(INewWindowManager),
       [](TCustomWebHost& h) noexcept -> IUnknown* { return &h.FNewWindowManager; }},
      {&__uuidof(IProtectFocus),
       [](TCustomWebHost& h) noexcept -> IUnknown* { return &h.FProtectFocus; }},
      {&__uuidof(IDownloadManager),
       [](TCustomWebHost& h) noexcept -> IUnknown* { return &h.FDownloadManager; }},
      {&__uuidof(IHostBehaviorInit),
       [](TCustomWebHost& h) noexcept -> IUnknown* { return &h.FBehaviorInit; }},
      {&__uuidof(IHTMLOMWindowServices),
       [](TCustomWebHost& h) noexcept -> IUnknown* { return &h.FWindowServices; }},
      {&__uuidof(IZoomEvents),
       [](TCustomWebHost& h) noexcept -> IUnknown* { return &h.FZoomEvents; }},
      {&__uuidof(IAuthenticate),
       [](TCustomWebHost& h) noexcept -> IUnknown* { return &h.FAuthenticate; }},
      {&__uuidof(IDropTarget),
       [](TCustomWebHost& h) noexcept -> IUnknown* { return &h.FDropTarget; }},
  };
  if (IUnknown* found = FindSiteInterface(kInterfaces, *this, iid)) return found;
  return TBrowserControl::SiteInterface(iid);
}

// --- option flags ----------------------------------------------------------------------------

void TCustomWebHost::SetUserInterfaceOptions(TUserInterfaceOptions value) {
  FUserInterfaceOptions = value;
  FHostUIFlags = FlagsOf(value, UIOptionFlagTable);
  // The control re-reads the host's flags with its download flags.
  AnnounceAmbientChange(DISPID_AMBIENT_DLCONTROL);
}

void TCustomWebHost::SetDownloadOptions(TDownloadControlOptions value) {
  FDownloadOptions = value;
  FDownloadControlFlags = FlagsOf(value, DownloadOptionFlagTable);
  AnnounceAmbientChange(DISPID_AMBIENT_DLCONTROL);
}

void TCustomWebHost::AnnounceAmbientChange(DISPID id) {
  // Before the control is completed it has read nothing it would need to
  // read again: its first questions get the new answers.
  if (!Completed()) return;
  ComPtr<IOleControl> control;
  ComPtr<IDispatch> application = ApplicationObject();
  if (!application || FAILED(application.As(&control)) || !control) throw EIntfCastError();
  control->OnAmbientPropertyChange(id);
}

// --- document commands, zoom and activation
// -------------------------------------------------------

HWND TCustomWebHost::FindChildWindowByClass(const wchar_t* className) {
  if (!HandleAllocated() || !className) return nullptr;
  wchar_t name[256];
  for (HWND window = ::GetWindow(Handle(), GW_CHILD); window;
       window = ::GetWindow(window, GW_CHILD)) {
    if (GetClassNameW(window, name, static_cast<int>(std::size(name))) > 0 &&
        wcscmp(name, className) == 0)
      return window;
  }
  return nullptr;
}

HRESULT TCustomWebHost::ExecDocumentCommand(const GUID* group, DWORD command, DWORD option,
                                            VARIANT* vaIn, VARIANT* vaOut) {
  ComPtr<IOleCommandTarget> target;
  ComPtr<IDispatch> document = Document();
  if (!document || FAILED(document.As(&target)) || !target) return E_UNEXPECTED;
  return target->Exec(group, command, option, vaIn, vaOut);
}

void TCustomWebHost::SetZoomLevel(int level) {
  try {
    TVariant range;
    if (FAILED(ExecDocumentCommand(nullptr, OLECMDID_GETZOOMRANGE, OLECMDEXECOPT_DONTPROMPTUSER,
                                   nullptr, &range)))
      return;  // no document to zoom
    if (range.Type() == VT_I4 || range.Type() == VT_UI4) {
      // The smallest zoom in the low word, the largest in the high one.
      const auto bounds = static_cast<DWORD>(V_I4(&range.Get()));
      const int minimum = LOWORD(bounds);
      const int maximum = HIWORD(bounds);
      if (level < minimum) level = minimum;
      if (level > maximum) level = maximum;
    }
    TVariant zoom(static_cast<LONG>(level));
    ExecDocumentCommand(nullptr, OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &zoom, nullptr);
  } catch (const EOleError&) {
    // A document that cannot be read is none to zoom either.
  }
}

void TCustomWebHost::ActivateDocumentUI() {
  if (!Document()) return;
  TAutoReset<bool> allowFocus(FFocusChangeAllowed, true);
  ComPtr<IOleObject> object;
  ComPtr<IDispatch> application = ApplicationObject();
  if (!application || FAILED(application.As(&object)) || !object) throw EIntfCastError();
  RECT client = ClientRect();
  HRESULT hr = object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, ClientSite(), 0, Handle(), &client);
  if (hr == S_OK && CanFocus())
    if (TForm* form = ParentForm()) form->SetActiveControl(this);
}

}  // namespace kvx
