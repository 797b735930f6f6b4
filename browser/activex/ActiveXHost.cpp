// The host's lifecycle: the control's creation, completion and end, the
// window it lends the control, and user-interface activation within the form.
#include "toolkit/Win.h"

#include "browser/activex/ActiveXHost.h"

#include "browser/activex/OleError.h"
#include "browser/activex/ScreenMetrics.h"
#include "toolkit/Application.h"

#include <algorithm>
#include <map>

using Microsoft::WRL::ComPtr;

namespace kvx {
namespace {

// Stands for "no position" in key messages rebuilt for the control.
constexpr LONG kNoPoint = 0x115DE1F1;
// The largest side, in pixels, of a control invisible at run time before it
// is completed: only a placeholder of it is ever seen.
constexpr int kInvisibleControlSide = 32;

std::map<TWinControl*, TActiveXHost*>& ActiveHosts() {
  static std::map<TWinControl*, TActiveXHost*> hosts;
  return hosts;
}
}  // namespace

// --- construction and destruction ---------------------------------------------

TActiveXHost::TActiveXHost(TWinControl* parent, TControlDescription& description)
    : TWinControl(parent),
      FDescription(&description),
      FFrame(*static_cast<IOleClientSite*>(this), *this) {
  ++FDescription->InstanceCount;
  FAttached = true;
}

// The control comes to life once the whole object stands: a control that
// asks for its site first questions it at once, and every layer of the host
// chain must be there to answer. A failure raises from CreateComponent,
// which destroys the host again.
void TActiveXHost::AfterConstruction() {
  TWinControl::AfterConstruction();
  if (FOleObject || FShutDown) return;
  CreateControl();
}

void TActiveXHost::RequireControl() const {
  if (FOleObject) return;
  if (FShutDown) throw Exception("The ActiveX control host has been shut down");
  throw Exception("The ActiveX control host has no control: create it with CreateComponent");
}

TActiveXHost::~TActiveXHost() {
  ShutDown();
}

void TActiveXHost::CreateControl() {
  const TControlDescription& d = *FDescription;
  FFonts.assign(static_cast<size_t>(std::max(0, d.FontCount)), Font());
  FPictures.resize(static_cast<size_t>(std::max(0, d.PictureCount)));
  OleCheck(CoCreateInstance(d.ClassID, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                            IID_IOleObject, reinterpret_cast<void**>(FOleObject.GetAddressOf())));
  InitControlInterface(FOleObject.Get());
  OleCheck(FOleObject->GetMiscStatus(DVASPECT_CONTENT, &FMiscStatus));
  if (!(d.Reserved & crNeverSetClientSite) &&
      ((FMiscStatus & OLEMISC_SETCLIENTSITEFIRST) || (d.Reserved & crAlwaysSetClientSite)))
    OleCheck(FOleObject->SetClientSite(ClientSite()));
  OleCheck(FOleObject.As(&FPersistStream));
  if (FMiscStatus & OLEMISC_INVISIBLEATRUNTIME) SetVisible(false);
  SetTabStop(!(FMiscStatus & (OLEMISC_ACTSLIKELABEL | OLEMISC_NOUIACTIVATE)));
  TakeControlExtent();
}

void TActiveXHost::ShutDown() noexcept {
  if (FShutDown) return;
  // From here on the control reaches the host's own site only: no event, no
  // property notification and no interface or ambient answer of a derived
  // layer, whose parts may already be gone.
  FShutDown = true;
  UIDeactivate();
  try {
    DestroyHandle();
  } catch (...) {
  }
  // A control still active in place has its window elsewhere (kept while
  // its parent's window was made again): leaving in-place activation takes
  // that window away, whatever the control's Close would do.
  if (ComPtr<IOleInPlaceObject> inPlace = FOleInPlaceObject; inPlace && !FClosed)
    inPlace->InPlaceDeactivate();
  if (FOleObject && !FClosed) FOleObject->Close(OLECLOSE_NOSAVE);
  FClosed = true;
  ReleaseCompletion();
  FSavedState.Reset();
  FPersistStream.Reset();
  ForgetInPlaceObjects();
  if (FOleObject) FOleObject->SetClientSite(nullptr);
  FOleObject.Reset();
  FFonts.clear();
  FPictures.clear();
  if (FAttached) {
    FAttached = false;
    if (--FDescription->InstanceCount == 0) FDescription->PropDescriptions.reset();
  }
}

void TActiveXHost::ForgetInPlaceObjects() noexcept {
  FOleInPlaceActiveObject.Reset();
  FOleInPlaceObject.Reset();
  ForgetActiveHost();
}

void TActiveXHost::InitControlInterface(IOleObject* /*control*/) {}

// --- completion -----------------------------------------------------------------

void TActiveXHost::EnsureClientSite() {
  ComPtr<IOleClientSite> site;
  if (FAILED(FOleObject->GetClientSite(&site)) || !site)
    OleCheck(FOleObject->SetClientSite(ClientSite()));
}

void TActiveXHost::CompleteControl() {
  if (FOleControl) return;
  RequireControl();
  try {
    EnsureClientSite();
    if (FSavedState) {
      ComPtr<IStream> stream;
      OleCheck(CreateStreamOnHGlobal(FSavedState.Get(), FALSE, &stream));
      OleCheck(FPersistStream->Load(stream.Get()));
      stream.Reset();
      FSavedState.Reset();
    } else {
      OleCheck(FPersistStream->InitNew());
    }
    ComPtr<IOleControl> control;
    OleCheck(FOleObject.As(&control));
    ComPtr<IDispatch> dispatch;
    OleCheck(FOleObject.As(&dispatch));
    FOleControl = std::move(control);
    FControlDispatch = std::move(dispatch);
    if (FAILED(FOleObject.As(&FPropBrowsing))) FPropBrowsing.Reset();
    FPropConnection.Connect(FOleObject.Get(), IID_IPropertyNotifySink,
                            static_cast<IPropertyNotifySink*>(this));
    FEventsConnection.Connect(FOleObject.Get(), FDescription->EventIID,
                              static_cast<IDispatch*>(&FEventSink));
    const std::uint32_t flags = FDescription->Flags;
    if (flags & cfBackColor) PropertyChanged(DISPID_BACKCOLOR);
    if (flags & cfEnabled) PropertyChanged(DISPID_ENABLED);
    if (flags & cfFont) PropertyChanged(DISPID_FONT);
    if (flags & cfForeColor) PropertyChanged(DISPID_FORECOLOR);
    FOleControl->OnAmbientPropertyChange(DISPID_UNKNOWN);
  } catch (...) {
    ReleaseCompletion();
    throw;
  }
  // A control that cannot tell its size now keeps the host's.
  TakeControlExtentNoThrow();
}

void TActiveXHost::ReleaseCompletion() noexcept {
  FPropConnection.Disconnect();
  FEventsConnection.Disconnect();
  FPropBrowsing.Reset();
  FControlDispatch.Reset();
  FOleControl.Reset();
}

void TActiveXHost::TakeControlExtent() {
  OleCheck(TakeControlExtentNoThrow());
}

HRESULT TActiveXHost::TakeControlExtentNoThrow() noexcept {
  SIZEL extent{};
  HRESULT hr = FOleObject ? FOleObject->GetExtent(DVASPECT_CONTENT, &extent) : E_UNEXPECTED;
  if (FAILED(hr)) return hr;
  int width = HimetricToPixelsX(extent.cx);
  int height = HimetricToPixelsY(extent.cy);
  if ((FMiscStatus & OLEMISC_INVISIBLEATRUNTIME) && !Completed()) {
    width = std::min(width, kInvisibleControlSide);
    height = std::min(height, kInvisibleControlSide);
  }
  // The size came from the control: it need not be told it again. The
  // toolkit's own SetBounds only places the window, whose procedure keeps
  // its errors to itself.
  TWinControl::SetBounds(Left(), Top(), width, height);
  return hr;
}

// --- window -------------------------------------------------------------------------------

RECT TActiveXHost::BoundsRect() const noexcept {
  return RECT{Left(), Top(), Left() + Width(), Top() + Height()};
}

void TActiveXHost::CreateWnd() {
  CompleteControl();
  if (FMiscStatus & OLEMISC_INVISIBLEATRUNTIME) {
    TWinControl::CreateWnd();
    return;
  }
  HWND parentWindow = Parent() ? Parent()->Handle() : nullptr;
  RECT bounds = BoundsRect();
  // A window made again after a close: the control may have let go of its site.
  EnsureClientSite();
  FClosed = false;
  HRESULT hr =
      FOleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, ClientSite(), 0, parentWindow, &bounds);
  if (!FOleInPlaceObject)
    throw EOleError(FAILED(hr) ? hr : E_FAIL, "OLE control activation failed");
  AdoptControlWindow();
}

void TActiveXHost::AdoptControlWindow() {
  if (HandleAllocated() || !FOleInPlaceObject) return;
  HWND window = nullptr;
  if (FAILED(FOleInPlaceObject->GetWindow(&window)) || !window)
    throw EOleError(E_FAIL, "Could not obtain OLE control window handle");
  AdoptWindow(window);
  SendMessageW(window, WM_NULL, 0, 0);
  if (!Visible() && IsWindowVisible(window)) ShowWindow(window, SW_HIDE);
}

void TActiveXHost::DestroyWnd() {
  if (FMiscStatus & OLEMISC_INVISIBLEATRUNTIME) {
    TWinControl::DestroyWnd();
    return;
  }
  DestroyControlWindow();
}

void TActiveXHost::DestroyControlWindow() {
  UIDeactivate();
  ReleaseWindow();
  if (FOleInPlaceObject) FOleInPlaceObject->InPlaceDeactivate();
  if (FOleObject) FOleObject->Close(OLECLOSE_NOSAVE);
  FClosed = true;
  ForgetInPlaceObjects();
}

void TActiveXHost::SetBounds(int left, int top, int width, int height) {
  if ((width != Width() && Width() > 0) || (height != Height() && Height() > 0)) {
    bool keepSize = (FMiscStatus & OLEMISC_INVISIBLEATRUNTIME) || !FOleObject;
    if (!keepSize) {
      SIZEL extent{PixelsToHimetricX(width), PixelsToHimetricY(height)};
      keepSize = FAILED(FOleObject->SetExtent(DVASPECT_CONTENT, &extent));
    }
    if (keepSize) {
      width = Width();
      height = Height();
    }
  }
  TWinControl::SetBounds(left, top, width, height);
}

LRESULT TActiveXHost::TranslateReflectedKey(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = false;
  if (!FOleInPlaceActiveObject) return 0;
  MSG message{};
  message.hwnd = HandleAllocated() ? Handle() : nullptr;
  message.message = msg - CN_BASE;
  message.wParam = wParam;
  message.lParam = lParam;
  message.time = static_cast<DWORD>(GetMessageTime());
  message.pt.x = kNoPoint;
  message.pt.y = kNoPoint;
  if (FOleInPlaceActiveObject->TranslateAccelerator(&message) == S_OK) {
    handled = true;
    return 1;
  }
  return 0;
}

bool TActiveXHost::DialogKey(WPARAM key, LPARAM keyData) {
  if (!CanFocus() || !FOleControl) return false;
  CONTROLINFO info{};
  info.cb = sizeof info;
  if (FAILED(FOleControl->GetControlInfo(&info)) || info.cAccel == 0 || !info.hAccel) return false;
  MSG message{};
  message.hwnd = HandleAllocated() ? Handle() : nullptr;
  message.message = WM_KEYDOWN;
  message.wParam = key;
  message.lParam = keyData;
  WORD command = 0;
  if (!IsAccelerator(info.hAccel, info.cAccel, &message, &command)) return false;
  FOleControl->OnMnemonic(&message);
  return true;
}

LRESULT TActiveXHost::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= CN_KEYFIRST && msg <= CN_KEYLAST) {
    bool handled = false;
    LRESULT result = TranslateReflectedKey(msg, wParam, lParam, handled);
    if (handled) return result;
  }
  switch (msg) {
    case CM_DIALOGKEY:
      if (DialogKey(wParam, lParam)) return 1;
      break;
    case CM_FOCUSCHANGED:
      // The form's focus moved: the control takes or leaves user-interface activation.
      if (reinterpret_cast<TWinControl*>(lParam) == this) {
        UIActivate();
      } else if (lParam && ActiveControlHost(Form()) == this) {
        UIDeactivate();
      }
      return 0;
    default:
      break;
  }
  if (msg >= CN_BASE && msg <= CN_LAST && !(FMiscStatus & OLEMISC_SIMPLEFRAME))
    return DefaultHandler(msg - CN_TO_OCM, wParam, lParam);
  return TWinControl::WndProc(msg, wParam, lParam);
}

// --- user-interface activation ----------------------------------------------------------

TActiveXHost* TActiveXHost::ActiveControlHost(TWinControl* form) noexcept {
  auto& hosts = ActiveHosts();
  auto found = hosts.find(form);
  return found == hosts.end() ? nullptr : found->second;
}

void TActiveXHost::MarkActiveHost() noexcept {
  ActiveHosts()[Form()] = this;
}

void TActiveXHost::ForgetActiveHost() noexcept {
  auto& hosts = ActiveHosts();
  for (auto it = hosts.begin(); it != hosts.end();) {
    if (it->second == this) {
      it = hosts.erase(it);
    } else {
      ++it;
    }
  }
}

void TActiveXHost::UIActivate() {
  if (ActiveControlHost(Form()) == this || !FOleObject) return;
  CompleteControl();
  HWND parentWindow = Parent() ? Parent()->Handle() : nullptr;
  RECT bounds = BoundsRect();
  FOleObject->DoVerb(OLEIVERB_UIACTIVATE, nullptr, ClientSite(), 0, parentWindow, &bounds);
}

void TActiveXHost::UIDeactivate() noexcept {
  if (ActiveControlHost(Form()) != this) return;
  if (FOleInPlaceObject) FOleInPlaceObject->UIDeactivate();
  if (ActiveControlHost(Form()) == this) OnUIDeactivate(FALSE);
}

}  // namespace kvx
