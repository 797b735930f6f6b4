// The document host's construction, its option flags, the document
// commands it issues, and giving the document the user-interface focus.
#include "toolkit/Win.h"

#include "browser/dochost/WebHostCore.h"

#include "browser/activex/OleError.h"
#include "toolkit/Form.h"
#include "toolkit/Handles.h"
#include "toolkit/Scope.h"

#include <cwchar>
#include <iterator>
#include <utility>

using Microsoft::WRL::ComPtr;

namespace kvx {

const DWORD UIOptionFlagTable[29] = {
    0x1,       0x2,       0x4,       0x8,        0x10,       0x20,     0x40,     0x80,
    0x100,     0x200,     0x400,     0x800,      0x1000,     0x2000,   0x4000,   0x10000,
    0x20000,   0x40000,   0x80000,   0x100000,   0x200000,   0x400000, 0x800000, 0x1000000,
    0x2000000, 0x4000000, 0x8000000, 0x10000000, 0x20000000,
};

const DWORD DownloadOptionFlagTable[19] = {
    0x10,    0x20,       0x40,       0x80,       0x100,      0x200,   0x400,
    0x800,   0x1000,     0x2000,     0x4000,     0x8000,     0x10000, 0x20000,
    0x40000, 0x10000000, 0x20000000, 0x40000000, 0x80000000,
};

namespace {

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
  TVariant range;
  if (FAILED(ExecDocumentCommand(nullptr, OLECMDID_GETZOOMRANGE, OLECMDEXECOPT_DONTPROMPTUSER,
                                 nullptr, &range)))
    return;  // no document to zoom
  if (range.Type() == VT_I4 || range.Type() == VT_UI4) {
    const auto bounds = static_cast<std::uint32_t>(V_I4(&range.Get()));
    const int minimum = static_cast<int>(bounds & 0xFFFF);
    const int maximum = static_cast<int>(bounds >> 16);
    if (level < minimum) level = minimum;
    if (level > maximum) level = maximum;
  }
  TVariant zoom(static_cast<LONG>(level));
  ExecDocumentCommand(nullptr, OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &zoom, nullptr);
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
