// The host itself: the control's creation, completion and end, its
// properties by DISPID, its persisted state, and the window it lends the
// control.
#include "toolkit/Win.h"

#include "browser/activex/ActiveXHost.h"

#include "browser/activex/OleError.h"
#include "browser/activex/OleFont.h"
#include "browser/activex/ScreenMetrics.h"
#include "core/CodePage.h"
#include "toolkit/Application.h"
#include "toolkit/Scope.h"

#include <algorithm>
#include <cstring>
#include <map>

using Microsoft::WRL::ComPtr;

namespace kvx {
namespace {

// Stands for "no position" in key messages rebuilt for the control.
constexpr LONG kNoPoint = 0x115DE1F1;

std::map<TWinControl*, TActiveXHost*>& ActiveHosts() {
  static std::map<TWinControl*, TActiveXHost*> hosts;
  return hosts;
}

// Frees the strings an EXCEPINFO may carry.
struct TExcepInfo : EXCEPINFO {
  TExcepInfo() noexcept : EXCEPINFO{} {}
  ~TExcepInfo() {
    SysFreeString(bstrSource);
    SysFreeString(bstrDescription);
    SysFreeString(bstrHelpFile);
  }
  TExcepInfo(const TExcepInfo&) = delete;
  TExcepInfo& operator=(const TExcepInfo&) = delete;
};

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
  TakeControlExtent(true);
}

void TActiveXHost::ShutDown() noexcept {
  if (FShutDown) return;
  // From here on the control reaches the host's own site only: no event, no
  // property notification and no interface or ambient answer of a derived
  // layer, whose parts may already be gone.
  FShutDown = true;
  try {
    UIDeactivate();
  } catch (...) {
  }
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
  SetActiveHost(false);
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
  TakeControlExtent(false);
}

void TActiveXHost::ReleaseCompletion() noexcept {
  FPropConnection.Disconnect();
  FEventsConnection.Disconnect();
  FPropBrowsing.Reset();
  FControlDispatch.Reset();
  FOleControl.Reset();
}

HRESULT TActiveXHost::TakeControlExtent(bool raise) {
  SIZEL extent{};
  HRESULT hr = FOleObject ? FOleObject->GetExtent(DVASPECT_CONTENT, &extent) : E_UNEXPECTED;
  if (FAILED(hr)) {
    if (raise) OleError(hr);
    return hr;
  }
  int width = HimetricToPixels(extent.cx, true);
  int height = HimetricToPixels(extent.cy, false);
  if ((FMiscStatus & OLEMISC_INVISIBLEATRUNTIME) && !Completed()) {
    width = std::min(width, 32);
    height = std::min(height, 32);
  }
  // The size came from the control: it need not be told it again.
  TWinControl::SetBounds(Left(), Top(), width, height);
  return hr;
}

ComPtr<IDispatch> TActiveXHost::DefaultDispatch() {
  CompleteControl();
  ComPtr<IDispatch> dispatch;
  if (!FOleObject || FAILED(FOleObject.As(&dispatch)) || !dispatch) throw EIntfCastError();
  return dispatch;
}

// --- properties -------------------------------------------------------------------

void TActiveXHost::InvokeProperty(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result) {
  CompleteControl();
  if (!FControlDispatch) OleError(E_UNEXPECTED);
  TExcepInfo info;
  HRESULT hr = FControlDispatch->Invoke(id, IID_NULL, 0, flags, &params, result, &info, nullptr);
  if (hr == S_OK) return;
  if (hr == DISP_E_EXCEPTION) OleExceptionError(hr, info);
  OleError(hr);
}

void TActiveXHost::ReadProperty(DISPID id, VARIANT& result) {
  VariantClear(&result);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  InvokeProperty(id, DISPATCH_PROPERTYGET, none, &result);
}

void TActiveXHost::WriteProperty(DISPID id, const VARIANT& value) {
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{const_cast<VARIANT*>(&value), &named, 1, 1};
  InvokeProperty(id, V_VT(&value) == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT,
                 params, nullptr);
}

// The typed readers take the payload as the control returned it; a value of
// another kind would be read as garbage, so it is refused.
ComPtr<IDispatch> TActiveXHost::GetDispatchProperty(DISPID id) {
  TVariant result;
  ReadProperty(id, result.Get());
  ComPtr<IDispatch> dispatch;
  switch (V_VT(&result.Get())) {
    case VT_DISPATCH:
      // The caller receives the reference the result holds.
      dispatch = AdoptReference(V_DISPATCH(&result.Get()));
      V_VT(&result.Get()) = VT_EMPTY;
      break;
    case VT_UNKNOWN:
      if (V_UNKNOWN(&result.Get()))
        V_UNKNOWN(&result.Get())->QueryInterface(IID_PPV_ARGS(&dispatch));
      break;
    case VT_EMPTY:
    case VT_NULL:
      break;
    default:
      OleError(DISP_E_TYPEMISMATCH);
  }
  return dispatch;
}

std::int32_t TActiveXHost::GetIntegerProperty(DISPID id) {
  TVariant result;
  ReadProperty(id, result.Get());
  switch (V_VT(&result.Get())) {
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
      return V_I4(&result.Get());
    case VT_EMPTY:
      return 0;
    default:
      OleError(DISP_E_TYPEMISMATCH);
  }
}

bool TActiveXHost::GetBooleanProperty(DISPID id) {
  TVariant result;
  ReadProperty(id, result.Get());
  switch (V_VT(&result.Get())) {
    case VT_BOOL:
      return V_BOOL(&result.Get()) != VARIANT_FALSE;
    case VT_EMPTY:
      return false;
    default:
      OleError(DISP_E_TYPEMISMATCH);
  }
}

std::wstring TActiveXHost::GetTextProperty(DISPID id) {
  TVariant result;
  ReadProperty(id, result.Get());
  switch (V_VT(&result.Get())) {
    case VT_BSTR: {
      BSTR text = V_BSTR(&result.Get());
      return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    }
    case VT_EMPTY:
    case VT_NULL:
      return {};
    default:
      OleError(DISP_E_TYPEMISMATCH);
  }
}

void TActiveXHost::GetVariantProperty(DISPID id, VARIANT& result) {
  ReadProperty(id, result);
}

void TActiveXHost::SetDispatchProperty(DISPID id, IDispatch* value) {
  WriteProperty(id, TVariant(value).Get());
}

void TActiveXHost::SetIntegerProperty(DISPID id, std::int32_t value) {
  WriteProperty(id, TVariant(value).Get());
}

void TActiveXHost::SetBooleanProperty(DISPID id, int value) {
  WriteProperty(id, TVariant(value != 0).Get());
}

// An empty text goes as the null BSTR.
void TActiveXHost::SetTextProperty(DISPID id, const std::wstring& value) {
  TVariant text;
  try {
    text = TVariant(value);
  } catch (const std::bad_alloc&) {
    OleError(E_OUTOFMEMORY);
  }
  WriteProperty(id, text.Get());
}

void TActiveXHost::SetVariantProperty(DISPID id, const VARIANT& value) {
  WriteProperty(id, value);
}

void TActiveXHost::PushProperty(bool& guard, DISPID id, const TVariant& value) {
  // Only the outermost push writes: the control's change notice for it comes
  // back while the guard is held.
  TAutoReset<bool> pushing(guard, true);
  if (!pushing.Old()) WriteProperty(id, value.Get());
}

// --- persisted state --------------------------------------------------------------

std::vector<BYTE> TActiveXHost::ControlData() {
  auto bytesOf = [](HGLOBAL block, size_t size) {
    std::vector<BYTE> bytes;
    if (const void* data = GlobalLock(block)) {
      bytes.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
      GlobalUnlock(block);
    }
    return bytes;
  };
  try {
    if (FSavedState) return bytesOf(FSavedState.Get(), GlobalSize(FSavedState.Get()));
    CompleteControl();
    TUniqueHGlobal block(GlobalAlloc(GMEM_MOVEABLE, 0));
    if (!block) OleError(E_OUTOFMEMORY);
    ComPtr<IStream> stream;
    OleCheck(CreateStreamOnHGlobal(block.Get(), FALSE, &stream));
    OleCheck(FPersistStream->Save(stream.Get(), TRUE));
    ULARGE_INTEGER end{};
    OleCheck(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end));
    stream.Reset();
    return bytesOf(block.Get(), static_cast<size_t>(end.QuadPart));
  } catch (const std::exception& error) {
    if (Designing() && SuppressDesignError(error)) return {};
    throw;
  }
}

void TActiveXHost::SetControlData(const void* data, size_t size) noexcept {
  FSavedState.Reset();
  // Out of memory drops the state: the control then starts from InitNew.
  TUniqueHGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block) return;
  if (size) {
    void* target = GlobalLock(block.Get());
    if (!target) return;
    std::memcpy(target, data, size);
    GlobalUnlock(block.Get());
  }
  FSavedState = std::move(block);
}

bool TActiveXHost::SuppressDesignError(const std::exception& error) const noexcept {
  return Designing() && dynamic_cast<const EOleSysError*>(&error) != nullptr;
}

const TEnumPropDesc* TActiveXHost::EnumPropDescription(DISPID id) {
  CompleteControl();
  auto& cache = FDescription->PropDescriptions;
  if (!cache) cache = std::make_unique<std::deque<TEnumPropDesc>>();
  for (const TEnumPropDesc& desc : *cache)
    if (desc.DispID == id) return &desc;
  if (!FPropBrowsing) return nullptr;
  CALPOLESTR names{};
  CADWORD cookies{};
  if (FPropBrowsing->GetPredefinedStrings(id, &names, &cookies) != S_OK) return nullptr;
  TEnumPropDesc desc{id, {}};
  for (ULONG i = 0; i < names.cElems; ++i) {
    if (i < cookies.cElems && names.pElems[i])
      desc.Values.push_back({names.pElems[i], cookies.pElems[i]});
    CoTaskMemFree(names.pElems[i]);
  }
  CoTaskMemFree(names.pElems);
  CoTaskMemFree(cookies.pElems);
  return &cache->emplace_back(std::move(desc));
}

void TActiveXHost::SetFontProperty(int index, const TFont& font) {
  FFonts.at(static_cast<size_t>(index)) = font;
  SetDispatchProperty(FDescription->FontDispIDs[index], MakeOleFont(font).Get());
}

void TActiveXHost::SetPictureProperty(int index, IDispatch* picture) {
  FPictures.at(static_cast<size_t>(index)) = picture;
  SetDispatchProperty(FDescription->PictureDispIDs[index], picture);
}

// --- stock properties and ambient changes -----------------------------------------

void TActiveXHost::PropertyChanged(DISPID id) {
  try {
    switch (id) {
      case DISPID_ENABLED: {
        TAutoReset<bool> guard(FUpdatingEnabled, true);
        if (!guard.Old()) SetEnabled(GetBooleanProperty(id));
        break;
      }
      case DISPID_FORECOLOR: {
        TAutoReset<bool> guard(FUpdatingFont, true);
        if (guard.Old()) break;
        TFont font = Font();
        font.Color = static_cast<TColor>(GetIntegerProperty(id));
        SetFont(font);
        break;
      }
      case DISPID_FONT: {
        TAutoReset<bool> guard(FUpdatingFont, true);
        if (guard.Old()) break;
        TFont font = Font();
        ReadOleFont(GetDispatchProperty(id).Get(), font);
        SetFont(font);
        break;
      }
      case DISPID_BACKCOLOR: {
        TAutoReset<bool> guard(FUpdatingColor, true);
        if (!guard.Old()) SetColor(static_cast<TColor>(GetIntegerProperty(id)));
        break;
      }
      default:
        break;
    }
  } catch (const EOleError&) {
    // The control could not tell; the host keeps what it has.
  }
}

bool TActiveXHost::PropertyRequestEdit(DISPID /*id*/) {
  return true;
}

void TActiveXHost::AmbientPropertyChanged(DISPID id) noexcept {
  if (FOleControl) FOleControl->OnAmbientPropertyChange(id);
}

void TActiveXHost::SetName(const std::string& name) {
  if (name == FName) return;
  std::string old = std::exchange(FName, name);
  AmbientPropertyChanged(DISPID_AMBIENT_DISPLAYNAME);
  const std::uint32_t flags = FDescription->Flags;
  if (!(flags & (cfCaption | cfText)) || !FOleControl) return;
  DISPID id = (flags & cfCaption) ? DISPID_CAPTION : DISPID_TEXT;
  if (GetTextProperty(id) == GbkToWide(old)) SetTextProperty(id, GbkToWide(name));
}

void TActiveXHost::SetEnabled(bool enabled) {
  TWinControl::SetEnabled(enabled);
  if (HandleAllocated() && FOleControl && (FDescription->Flags & cfEnabled)) {
    PushProperty(FUpdatingEnabled, DISPID_ENABLED, TVariant(enabled));
  }
}

void TActiveXHost::FontChanged() {
  TWinControl::FontChanged();
  if (!HandleAllocated() || !FOleControl) return;
  const std::uint32_t flags = FDescription->Flags;
  if (flags & cfForeColor) {
    PushProperty(FUpdatingFont, DISPID_FORECOLOR, TVariant(static_cast<LONG>(Font().Color)));
  }
  if (flags & cfFont) {
    PushProperty(FUpdatingFont, DISPID_FONT, TVariant(MakeOleFont(Font()).Get()));
  }
}

void TActiveXHost::ParentFontChanged() {
  AmbientPropertyChanged(DISPID_AMBIENT_FONT);
  AmbientPropertyChanged(DISPID_AMBIENT_FORECOLOR);
}

void TActiveXHost::ColorChanged() {
  TWinControl::ColorChanged();
  if (!HandleAllocated() || !FOleControl || !(FDescription->Flags & cfBackColor)) return;
  PushProperty(FUpdatingColor, DISPID_BACKCOLOR, TVariant(static_cast<LONG>(Color())));
}

void TActiveXHost::ParentColorChanged() {
  AmbientPropertyChanged(DISPID_AMBIENT_BACKCOLOR);
}

void TActiveXHost::ParentChanged() {
  TWinControl::ParentChanged();
  if (!FOleObject) return;
  EnsureClientSite();
  AmbientPropertyChanged(DISPID_UNKNOWN);
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
  try {
    UIDeactivate();
  } catch (...) {
    // Leaving user-interface activation is a courtesy here; the window goes anyway.
  }
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
      SIZEL extent{PixelsToHimetric(width, true), PixelsToHimetric(height, false)};
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

void TActiveXHost::SetActiveHost(bool active) noexcept {
  auto& hosts = ActiveHosts();
  if (active) {
    hosts[Form()] = this;
    return;
  }
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

void TActiveXHost::UIDeactivate() {
  if (ActiveControlHost(Form()) != this) return;
  if (FOleInPlaceObject) FOleInPlaceObject->UIDeactivate();
  if (ActiveControlHost(Form()) == this) OnUIDeactivate(FALSE);
}

}  // namespace kvx
