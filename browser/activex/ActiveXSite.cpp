// The host as the control's container site: client site, control site,
// in-place site and frame, ambient properties, property-change sink and
// simple-frame site, and the table its QueryInterface answers from.
#include "toolkit/Win.h"

#include "browser/activex/ActiveXHost.h"

#include "browser/activex/OleFont.h"
#include "browser/activex/ScreenMetrics.h"
#include "core/CodePage.h"
#include "toolkit/Application.h"
#include "toolkit/Trace.h"

#include <cmath>
#include <cstdio>
#include <iterator>

using Microsoft::WRL::ComPtr;

namespace kvx {
namespace {

// The clip the site hands the control: the largest a 16-bit coordinate
// reaches, so as good as none.
constexpr RECT kUnclipped{0, 0, 0x7FFF, 0x7FFF};

}  // namespace

// --- IUnknown ---------------------------------------------------------------------------------

STDMETHODIMP TActiveXHost::QueryInterface(REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  // While the host shuts down, only its own site answers.
  IUnknown* found = FShutDown ? TActiveXHost::SiteInterface(iid) : SiteInterface(iid);
  if (!found) return E_NOINTERFACE;
  found->AddRef();
  *object = found;
  return S_OK;
}

IUnknown* TActiveXHost::SiteInterface(REFIID iid) noexcept {
  using TRow = TSiteInterface<TActiveXHost>;
  static const TRow kInterfaces[] = {
      {&IID_IUnknown, [](TActiveXHost& h) noexcept -> IUnknown* { return h.ClientSite(); }},
      {&IID_IOleClientSite, [](TActiveXHost& h) noexcept -> IUnknown* { return h.ClientSite(); }},
      {&IID_IOleControlSite,
       [](TActiveXHost& h) noexcept -> IUnknown* { return static_cast<IOleControlSite*>(&h); }},
      {&IID_IOleInPlaceSite,
       [](TActiveXHost& h) noexcept -> IUnknown* { return static_cast<IOleInPlaceSite*>(&h); }},
      {&IID_IOleInPlaceFrame, [](TActiveXHost& h) noexcept -> IUnknown* { return &h.FFrame; }},
      {&IID_IDispatch,
       [](TActiveXHost& h) noexcept -> IUnknown* { return static_cast<IDispatch*>(&h); }},
      {&IID_IPropertyNotifySink,
       [](TActiveXHost& h) noexcept -> IUnknown* { return static_cast<IPropertyNotifySink*>(&h); }},
      {&IID_ISimpleFrameSite,
       [](TActiveXHost& h) noexcept -> IUnknown* { return static_cast<ISimpleFrameSite*>(&h); }},
  };
  return FindSiteInterface(kInterfaces, *this, iid);
}

STDMETHODIMP_(ULONG) TActiveXHost::AddRef() noexcept {
  return ++FRefCount;
}

STDMETHODIMP_(ULONG) TActiveXHost::Release() noexcept {
  return FRefCount ? --FRefCount : 0;
}

// --- IOleClientSite -----------------------------------------------------------------------------

STDMETHODIMP TActiveXHost::SaveObject() noexcept {
  return S_OK;
}

STDMETHODIMP TActiveXHost::GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP TActiveXHost::GetContainer(IOleContainer** container) noexcept {
  if (container) *container = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP TActiveXHost::ShowObject() noexcept {
  if (FShutDown) return S_OK;
  try {
    AdoptControlWindow();
  } catch (...) {
    // Window creation asks again and reports it there.
  }
  return S_OK;
}

STDMETHODIMP TActiveXHost::OnShowWindow(BOOL) noexcept {
  return S_OK;
}

STDMETHODIMP TActiveXHost::RequestNewObjectLayout() noexcept {
  return TakeControlExtentNoThrow();
}

// --- IOleControlSite -----------------------------------------------------------------------------

STDMETHODIMP TActiveXHost::OnControlInfoChanged() noexcept {
  return E_NOTIMPL;
}
STDMETHODIMP TActiveXHost::LockInPlaceActive(BOOL) noexcept {
  return E_NOTIMPL;
}

STDMETHODIMP TActiveXHost::GetExtendedControl(IDispatch** control) noexcept {
  if (control) *control = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP TActiveXHost::TransformCoords(POINTL* himetric, POINTF* container,
                                           DWORD flags) noexcept {
  if (!himetric || !container) return E_POINTER;
  const int ppiX = PixelsPerInchX(), ppiY = PixelsPerInchY();
  if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
    container->x = static_cast<float>(MulDiv(himetric->x, ppiX, kHimetricPerInch));
    container->y = static_cast<float>(MulDiv(himetric->y, ppiY, kHimetricPerInch));
  } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
    himetric->x = std::lround(static_cast<double>(container->x) * kHimetricPerInch / ppiX);
    himetric->y = std::lround(static_cast<double>(container->y) * kHimetricPerInch / ppiY);
  } else {
    return E_INVALIDARG;
  }
  return S_OK;
}

STDMETHODIMP TActiveXHost::TranslateAccelerator(MSG*, DWORD) noexcept {
  return E_NOTIMPL;
}
STDMETHODIMP TActiveXHost::OnFocus(BOOL) noexcept {
  return E_NOTIMPL;
}
STDMETHODIMP TActiveXHost::ShowPropertyFrame() noexcept {
  return E_NOTIMPL;
}

// --- IOleInPlaceSite -----------------------------------------------------------------------------

STDMETHODIMP TActiveXHost::GetWindow(HWND* window) noexcept {
  if (!window) return E_POINTER;
  *window = nullptr;
  // Asking must not create windows: this comes while the control is being sited.
  if (Parent() && Parent()->HandleAllocated()) *window = Parent()->Handle();
  return *window ? S_OK : E_FAIL;
}

STDMETHODIMP TActiveXHost::ContextSensitiveHelp(BOOL) noexcept {
  return S_OK;
}
STDMETHODIMP TActiveXHost::CanInPlaceActivate() noexcept {
  return S_OK;
}

STDMETHODIMP TActiveXHost::OnInPlaceActivate() noexcept {
  if (!FOleObject || FShutDown) return E_UNEXPECTED;
  FOleObject.As(&FOleInPlaceObject);
  FOleObject.As(&FOleInPlaceActiveObject);
  return S_OK;
}

STDMETHODIMP TActiveXHost::OnUIActivate() noexcept {
  if (FShutDown) return E_UNEXPECTED;
  TActiveXHost* previous = ActiveControlHost(Form());
  if (previous && previous != this) previous->UIDeactivate();
  MarkActiveHost();
  return S_OK;
}

STDMETHODIMP TActiveXHost::GetWindowContext(IOleInPlaceFrame** frame,
                                            IOleInPlaceUIWindow** document, LPRECT position,
                                            LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) noexcept {
  if (frame) *frame = nullptr;
  if (document) *document = nullptr;
  if (!frame || !document || !position || !clip || !frameInfo) return E_POINTER;
  *frame = &FFrame;
  FFrame.AddRef();
  *position = BoundsRect();
  *clip = kUnclipped;
  frameInfo->fMDIApp = FALSE;
  frameInfo->hwndFrame = nullptr;
  FFrame.GetWindow(&frameInfo->hwndFrame);
  frameInfo->haccel = nullptr;
  frameInfo->cAccelEntries = 0;
  return S_OK;
}

STDMETHODIMP TActiveXHost::Scroll(SIZE) noexcept {
  return E_NOTIMPL;
}

STDMETHODIMP TActiveXHost::OnUIDeactivate(BOOL) noexcept {
  // No shared menus are ever inserted here, so there are none to remove.
  ForgetActiveHost();
  return S_OK;
}

STDMETHODIMP TActiveXHost::OnInPlaceDeactivate() noexcept {
  FOleInPlaceActiveObject.Reset();
  FOleInPlaceObject.Reset();
  return S_OK;
}

STDMETHODIMP TActiveXHost::DiscardUndoState() noexcept {
  return E_NOTIMPL;
}

STDMETHODIMP TActiveXHost::DeactivateAndUndo() noexcept {
  if (FOleInPlaceObject) FOleInPlaceObject->UIDeactivate();
  return S_OK;
}

STDMETHODIMP TActiveXHost::OnPosRectChange(LPCRECT position) noexcept {
  if (!position) return E_POINTER;
  if (FOleInPlaceObject) FOleInPlaceObject->SetObjectRects(position, &kUnclipped);
  return S_OK;
}

// --- IDispatch: ambient properties --------------------------------------------------------------

STDMETHODIMP TActiveXHost::GetTypeInfoCount(UINT* count) noexcept {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP TActiveXHost::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP TActiveXHost::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept {
  return E_NOTIMPL;
}

STDMETHODIMP TActiveXHost::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                  DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                  UINT* argError) noexcept {
  HRESULT answer = E_FAIL;
  try {
    answer = FShutDown ? TActiveXHost::InvokeAmbient(id, iid, locale, flags, params, result,
                                                     exception, argError)
                       : InvokeAmbient(id, iid, locale, flags, params, result, exception, argError);
  } catch (...) {
    answer = E_FAIL;
  }
  if (TraceEnabled()) {
    wchar_t line[64];
    std::swprintf(line, std::size(line), L"ambient property %ld read: 0x%08lX",
                  static_cast<long>(id), static_cast<unsigned long>(answer));
    Trace(line);
  }
  return answer;
}

HRESULT TActiveXHost::InvokeAmbient(DISPID id, REFIID /*iid*/, LCID /*locale*/, WORD flags,
                                    DISPPARAMS* /*params*/, VARIANT* result,
                                    EXCEPINFO* /*exception*/, UINT* /*argError*/) {
  if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
  TVariant value;
  switch (id) {
    case DISPID_AMBIENT_BACKCOLOR:
      value = TVariant(static_cast<LONG>(Color()));
      break;
    case DISPID_AMBIENT_DISPLAYNAME:
      value = TVariant(GbkToWide(FName));
      break;
    case DISPID_AMBIENT_FONT:
      value = TVariant(MakeOleFont(Font()).Get());
      break;
    case DISPID_AMBIENT_FORECOLOR:
      value = TVariant(static_cast<LONG>(Font().Color));
      break;
    case DISPID_AMBIENT_LOCALEID:
      value = TVariant(static_cast<LONG>(GetUserDefaultLCID()));
      break;
    case DISPID_AMBIENT_MESSAGEREFLECT:
    case DISPID_AMBIENT_SUPPORTSMNEMONICS:
    case DISPID_AMBIENT_AUTOCLIP:
      value = TVariant(true);
      break;
    case DISPID_AMBIENT_USERMODE:
      value = TVariant(!Designing());
      break;
    case DISPID_AMBIENT_UIDEAD:
      value = TVariant(Designing());
      break;
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
      value = TVariant(false);
      break;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
  *result = value.Release();
  return S_OK;
}

// --- IPropertyNotifySink / ISimpleFrameSite
// ----------------------------------------------------------

STDMETHODIMP TActiveXHost::OnChanged(DISPID id) noexcept {
  if (FShutDown) return S_OK;
  try {
    PropertyChanged(id);
  } catch (...) {
    Application().HandleException(this);
  }
  return S_OK;
}

STDMETHODIMP TActiveXHost::OnRequestEdit(DISPID id) noexcept {
  if (FShutDown) return S_OK;
  try {
    return PropertyRequestEdit(id) ? S_OK : S_FALSE;
  } catch (...) {
    return S_OK;
  }
}

STDMETHODIMP TActiveXHost::PreMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*, DWORD*) noexcept {
  return S_OK;
}
STDMETHODIMP TActiveXHost::PostMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*, DWORD) noexcept {
  return S_OK;
}

// --- TActiveXFrame
// -------------------------------------------------------------------------------------

STDMETHODIMP TActiveXFrame::QueryInterface(REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IOleWindow || iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
    *object = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    return S_OK;
  }
  return TSiteTearOff::QueryInterface(iid, object);
}

STDMETHODIMP TActiveXFrame::GetWindow(HWND* window) noexcept {
  if (!window) return E_POINTER;
  *window = nullptr;
  if (TWinControl* parent = FHost.Parent()) {
    TWinControl* top = parent->TopLevel();
    if (top->HandleAllocated()) *window = top->Handle();
  }
  return S_OK;
}

STDMETHODIMP TActiveXFrame::ContextSensitiveHelp(BOOL) noexcept {
  return S_OK;
}
STDMETHODIMP TActiveXFrame::GetBorder(LPRECT) noexcept {
  return INPLACE_E_NOTOOLSPACE;
}
STDMETHODIMP TActiveXFrame::RequestBorderSpace(LPCBORDERWIDTHS) noexcept {
  return INPLACE_E_NOTOOLSPACE;
}
STDMETHODIMP TActiveXFrame::SetBorderSpace(LPCBORDERWIDTHS) noexcept {
  return E_NOTIMPL;
}
STDMETHODIMP TActiveXFrame::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) noexcept {
  return S_OK;
}

// The toolkit's forms have no main menu, so there is nothing to merge.
STDMETHODIMP TActiveXFrame::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) noexcept {
  return S_OK;
}
STDMETHODIMP TActiveXFrame::SetMenu(HMENU, HOLEMENU, HWND) noexcept {
  return S_OK;
}
// Only items the frame inserted may go; it inserted none, and the control's own stay.
STDMETHODIMP TActiveXFrame::RemoveMenus(HMENU) noexcept {
  return S_OK;
}

STDMETHODIMP TActiveXFrame::SetStatusText(LPCOLESTR) noexcept {
  return S_OK;
}
STDMETHODIMP TActiveXFrame::EnableModeless(BOOL) noexcept {
  return S_OK;
}
STDMETHODIMP TActiveXFrame::TranslateAccelerator(LPMSG, WORD) noexcept {
  return S_FALSE;
}

}  // namespace kvx
