#include "toolkit/Win.h"

#include "browser/ActiveXHost.h"

#include "browser/OleError.h"
#include "core/CodePage.h"
#include "toolkit/Application.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

using Microsoft::WRL::ComPtr;

namespace kvx {
namespace {

constexpr LONG kHimetricPerInch = 2540;
constexpr RECT kUnclipped{0, 0, 0x7FFF, 0x7FFF};
// The reflected-message ranges of the toolkit (CN_BASE) and of OLE controls (OCM__BASE).
constexpr UINT kReflectedFirst = 0xBC00;
constexpr UINT kReflectedLast = 0xBFFF;
constexpr UINT kReflectedToOle = 0x9C00;
constexpr UINT kReflectedKeyFirst = 0xBC00 + WM_KEYDOWN;
constexpr UINT kReflectedKeyLast = 0xBC00 + WM_SYSDEADCHAR;
// Stands for "no position" in key messages rebuilt for the control.
constexpr LONG kNoPoint = 0x115DE1F1;

int PixelsPerInch(bool horizontal) noexcept {
  TWindowDC dc(nullptr);
  int ppi = dc.Get() ? GetDeviceCaps(dc.Get(), horizontal ? LOGPIXELSX : LOGPIXELSY) : 96;
  return ppi > 0 ? ppi : 96;
}

std::map<TWinControl*, TActiveXHost*>& ActiveHosts() {
  static std::map<TWinControl*, TActiveXHost*> hosts;
  return hosts;
}

UINT OleShiftToShiftState(std::int32_t shift) noexcept {
  UINT state = 0;
  if (shift & 1) state |= MK_SHIFT;
  if (shift & 2) state |= MK_CONTROL;
  if (shift & 4) state |= MK_ALT;
  return state;
}

UINT OleButtonsToShiftState(std::int32_t buttons) noexcept {
  UINT state = 0;
  if (buttons & 1) state |= MK_LBUTTON;
  if (buttons & 2) state |= MK_RBUTTON;
  if (buttons & 4) state |= MK_MBUTTON;
  return state;
}

TMouseButton OleButtonToMouseButton(std::int32_t button) noexcept {
  if (button & 2) return TMouseButton::mbRight;
  if (button & 4) return TMouseButton::mbMiddle;
  return TMouseButton::mbLeft;
}

// Writes a key code back into an argument the control passed by reference.
void WriteBackInteger(VARIANT* v, std::int32_t value) noexcept {
  if (!v) return;
  if (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
  switch (V_VT(v)) {
    case VT_BYREF | VT_I2:
    case VT_BYREF | VT_UI2:
      if (V_I2REF(v)) *V_I2REF(v) = static_cast<SHORT>(value);
      break;
    case VT_BYREF | VT_I4:
    case VT_BYREF | VT_UI4:
    case VT_BYREF | VT_INT:
    case VT_BYREF | VT_UINT:
      if (V_I4REF(v)) *V_I4REF(v) = value;
      break;
    default:
      break;
  }
}

ComPtr<IDispatch> MakeOleFont(const TFont& font) {
  FONTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.lpstrName = const_cast<LPOLESTR>(font.Name.c_str());
  int height = font.Height < 0 ? -font.Height : font.Height;
  // Points times 10000 (a CY).
  desc.cySize.int64 = static_cast<LONGLONG>(height) * 72 * 10000 / PixelsPerInch(false);
  desc.sWeight = static_cast<SHORT>(font.Bold ? FW_BOLD : FW_NORMAL);
  desc.sCharset = font.Charset;
  desc.fItalic = font.Italic;
  desc.fUnderline = font.Underline;
  desc.fStrikethrough = FALSE;
  ComPtr<IDispatch> result;
  OleCheck(OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(result.GetAddressOf())));
  return result;
}

void ReadOleFont(IDispatch* fontDispatch, TFont& font) {
  ComPtr<IFont> oleFont;
  if (!fontDispatch || FAILED(fontDispatch->QueryInterface(IID_PPV_ARGS(&oleFont)))) return;
  TUniqueBstr name;
  if (SUCCEEDED(oleFont->get_Name(name.Put())) && name.Get()) font.Name.assign(name.Get(), SysStringLen(name.Get()));
  CY size{};
  if (SUCCEEDED(oleFont->get_Size(&size)))
    font.Height = -static_cast<int>((size.int64 * PixelsPerInch(false) + 360000) / 720000);
  BOOL flag = FALSE;
  if (SUCCEEDED(oleFont->get_Bold(&flag))) font.Bold = flag;
  if (SUCCEEDED(oleFont->get_Italic(&flag))) font.Italic = flag;
  if (SUCCEEDED(oleFont->get_Underline(&flag))) font.Underline = flag;
  SHORT charset = 0;
  if (SUCCEEDED(oleFont->get_Charset(&charset))) font.Charset = static_cast<BYTE>(charset);
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

// --- TOleConnection ----------------------------------------------------------

void TOleConnection::Connect(IUnknown* control, REFIID iid, IUnknown* sink) {
  Disconnect();
  ComPtr<IConnectionPointContainer> container;
  if (!control || FAILED(control->QueryInterface(IID_PPV_ARGS(&container))) || !container) return;
  ComPtr<IConnectionPoint> point;
  if (FAILED(container->FindConnectionPoint(iid, &point)) || !point) return;
  DWORD cookie = 0;
  if (FAILED(point->Advise(sink, &cookie))) return;
  FPoint = std::move(point);
  FCookie = cookie;
}

void TOleConnection::Disconnect() noexcept {
  if (!FPoint) return;
  ComPtr<IConnectionPoint> point = std::move(FPoint);
  point->Unadvise(FCookie);
  FCookie = 0;
}

// --- construction and destruction ---------------------------------------------

TActiveXHost::TActiveXHost(TWinControl* parent, TControlDescription& description)
    : TWinControl(parent), FDescription(&description), FFrame(*this) {
  ++FDescription->InstanceCount;
  FAttached = true;
  try {
    CreateControl();
  } catch (...) {
    DestroyControl();
    throw;
  }
}

TActiveXHost::~TActiveXHost() {
  try {
    UIDeactivate();
  } catch (...) {
  }
  // The toolkit's destructor can no longer reach our DestroyWnd.
  DestroyHandle();
  DestroyControl();
}

void TActiveXHost::CreateControl() {
  const TControlDescription& d = *FDescription;
  FFonts.assign(static_cast<size_t>(std::max(0, d.FontCount)), Font());
  FPictures.resize(static_cast<size_t>(std::max(0, d.PictureCount)));
  FEventSink = std::make_unique<TActiveXEventSink>(*this);
  OleCheck(CoCreateInstance(d.ClassID, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IOleObject,
                            reinterpret_cast<void**>(FOleObject.GetAddressOf())));
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

void TActiveXHost::DestroyControl() noexcept {
  SetActiveHost(false);
  if (FOleObject) FOleObject->Close(OLECLOSE_NOSAVE);
  ReleaseCompletion();
  FSavedState.Reset();
  FPersistStream.Reset();
  FOleInPlaceActiveObject.Reset();
  FOleInPlaceObject.Reset();
  if (FOleObject) FOleObject->SetClientSite(nullptr);
  FOleObject.Reset();
  FEventSink.reset();
  FFonts.clear();
  FPictures.clear();
  if (FAttached) {
    FAttached = false;
    if (--FDescription->InstanceCount == 0) FDescription->PropDescriptions.reset();
  }
}

void TActiveXHost::InitControlInterface(IOleObject* /*control*/) {}

// --- completion -----------------------------------------------------------------

void TActiveXHost::EnsureClientSite() {
  ComPtr<IOleClientSite> site;
  if (FAILED(FOleObject->GetClientSite(&site)) || !site) OleCheck(FOleObject->SetClientSite(ClientSite()));
}

void TActiveXHost::CompleteControl() {
  if (FOleControl || !FOleObject) return;
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
    FPropConnection.Connect(FOleObject.Get(), IID_IPropertyNotifySink, static_cast<IPropertyNotifySink*>(this));
    FEventsConnection.Connect(FOleObject.Get(), FDescription->EventIID, static_cast<IDispatch*>(FEventSink.get()));
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
  int width = MulDiv(extent.cx, PixelsPerInch(true), kHimetricPerInch);
  int height = MulDiv(extent.cy, PixelsPerInch(false), kHimetricPerInch);
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
  InvokeProperty(id, V_VT(&value) == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT, params,
                 nullptr);
}

// The typed readers take the payload as the control returned it; a value of
// another kind would be read as garbage, so it is refused.
ComPtr<IDispatch> TActiveXHost::GetDispatchProperty(DISPID id) {
  TVariant result;
  ReadProperty(id, result.Get());
  ComPtr<IDispatch> dispatch;
  switch (V_VT(&result.Get())) {
    case VT_DISPATCH:
      dispatch.Attach(V_DISPATCH(&result.Get()));
      V_VT(&result.Get()) = VT_EMPTY;
      break;
    case VT_UNKNOWN:
      if (V_UNKNOWN(&result.Get())) V_UNKNOWN(&result.Get())->QueryInterface(IID_PPV_ARGS(&dispatch));
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

void TActiveXHost::GetVariantProperty(DISPID id, VARIANT& result) { ReadProperty(id, result); }

void TActiveXHost::SetDispatchProperty(DISPID id, IDispatch* value) {
  VARIANT v;
  V_VT(&v) = VT_DISPATCH;
  V_DISPATCH(&v) = value;
  WriteProperty(id, v);
}

void TActiveXHost::SetIntegerProperty(DISPID id, std::int32_t value) {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  WriteProperty(id, v);
}

void TActiveXHost::SetBooleanProperty(DISPID id, int value) {
  VARIANT v;
  V_VT(&v) = VT_BOOL;
  V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
  WriteProperty(id, v);
}

void TActiveXHost::SetTextProperty(DISPID id, const std::wstring& value) {
  TUniqueBstr text;
  if (!value.empty()) {
    text.Reset(SysAllocStringLen(value.data(), static_cast<UINT>(value.size())));
    if (!text) OleError(E_OUTOFMEMORY);
  }
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = text.Get();
  WriteProperty(id, v);
}

void TActiveXHost::SetVariantProperty(DISPID id, const VARIANT& value) { WriteProperty(id, value); }

void TActiveXHost::PushProperty(bool& guard, DISPID id, const VARIANT& value) {
  if (guard) return;
  guard = true;
  try {
    WriteProperty(id, value);
  } catch (...) {
    guard = false;
    throw;
  }
  guard = false;
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
    if (i < cookies.cElems && names.pElems[i]) desc.Values.push_back({names.pElems[i], cookies.pElems[i]});
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
      case DISPID_ENABLED:
        if (!FUpdatingEnabled) {
          FUpdatingEnabled = true;
          bool enabled = GetBooleanProperty(id);
          SetEnabled(enabled);
          FUpdatingEnabled = false;
        }
        break;
      case DISPID_FORECOLOR:
        if (!FUpdatingFont) {
          FUpdatingFont = true;
          TFont font = Font();
          font.Color = static_cast<TColor>(GetIntegerProperty(id));
          SetFont(font);
          FUpdatingFont = false;
        }
        break;
      case DISPID_FONT:
        if (!FUpdatingFont) {
          FUpdatingFont = true;
          TFont font = Font();
          ReadOleFont(GetDispatchProperty(id).Get(), font);
          SetFont(font);
          FUpdatingFont = false;
        }
        break;
      case DISPID_BACKCOLOR:
        if (!FUpdatingColor) {
          FUpdatingColor = true;
          SetColor(static_cast<TColor>(GetIntegerProperty(id)));
          FUpdatingColor = false;
        }
        break;
      default:
        break;
    }
  } catch (const EOleError&) {
    // The control could not tell; the host keeps what it has.
    FUpdatingEnabled = FUpdatingFont = FUpdatingColor = false;
  } catch (...) {
    FUpdatingEnabled = FUpdatingFont = FUpdatingColor = false;
    throw;
  }
}

bool TActiveXHost::PropertyRequestEdit(DISPID /*id*/) { return true; }

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
    VARIANT v;
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = enabled ? VARIANT_TRUE : VARIANT_FALSE;
    PushProperty(FUpdatingEnabled, DISPID_ENABLED, v);
  }
}

void TActiveXHost::FontChanged() {
  TWinControl::FontChanged();
  if (!HandleAllocated() || !FOleControl) return;
  const std::uint32_t flags = FDescription->Flags;
  if (flags & cfForeColor) {
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = static_cast<LONG>(Font().Color);
    PushProperty(FUpdatingFont, DISPID_FORECOLOR, v);
  }
  if (flags & cfFont) {
    ComPtr<IDispatch> font = MakeOleFont(Font());
    VARIANT v;
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = font.Get();
    PushProperty(FUpdatingFont, DISPID_FONT, v);
  }
}

void TActiveXHost::ParentFontChanged() {
  AmbientPropertyChanged(DISPID_AMBIENT_FONT);
  AmbientPropertyChanged(DISPID_AMBIENT_FORECOLOR);
}

void TActiveXHost::ColorChanged() {
  TWinControl::ColorChanged();
  if (!HandleAllocated() || !FOleControl || !(FDescription->Flags & cfBackColor)) return;
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = static_cast<LONG>(Color());
  PushProperty(FUpdatingColor, DISPID_BACKCOLOR, v);
}

void TActiveXHost::ParentColorChanged() { AmbientPropertyChanged(DISPID_AMBIENT_BACKCOLOR); }

void TActiveXHost::ParentChanged() {
  TWinControl::ParentChanged();
  if (!FOleObject) return;
  EnsureClientSite();
  AmbientPropertyChanged(DISPID_UNKNOWN);
}

// --- events ---------------------------------------------------------------------------

void TActiveXHost::DeliverEvent(DISPID id, const DISPPARAMS& params) {
  const TControlDescription& d = *FDescription;
  // Handler slots are reached through the table the wrapper recorded; a
  // description without one has no slots to deliver to.
  if (!d.FirstEventSlot || !d.EventDispIDs) return;
  for (int i = 0; i < d.EventCount; ++i) {
    if (d.EventDispIDs[i] != id) continue;
    TEventArgs args(params);
    try {
      d.FirstEventSlot[i](*this, args);
    } catch (...) {
      Application().HandleException();
    }
    return;
  }
}

void TActiveXHost::DeliverStockEvent(DISPID id, const DISPPARAMS& params) {
  TEventArgs args(params);
  try {
    switch (id) {
      case DISPID_CLICK:
        if (OnClick) OnClick(this);
        break;
      case DISPID_DBLCLICK:
        if (OnDblClick) OnDblClick(this);
        break;
      case DISPID_KEYDOWN:
      case DISPID_KEYUP: {
        const TKeyEvent& event = id == DISPID_KEYDOWN ? OnKeyDown : OnKeyUp;
        if (!event || args.Count() < 2) break;
        WORD key = static_cast<WORD>(args.Integer(0));
        event(this, key, OleShiftToShiftState(args.Integer(1)));
        WriteBackInteger(args.Source(0), static_cast<SHORT>(key));
        break;
      }
      case DISPID_KEYPRESS: {
        if (!OnKeyPress || args.Count() < 1) break;
        wchar_t key = static_cast<wchar_t>(args.Integer(0));
        OnKeyPress(this, key);
        WriteBackInteger(args.Source(0), static_cast<SHORT>(key));
        break;
      }
      case DISPID_MOUSEDOWN:
      case DISPID_MOUSEUP: {
        const TMouseEvent& event = id == DISPID_MOUSEDOWN ? OnMouseDown : OnMouseUp;
        if (!event || args.Count() < 4) break;
        event(this, OleButtonToMouseButton(args.Integer(0)), OleShiftToShiftState(args.Integer(1)),
              args.Integer(2), args.Integer(3));
        break;
      }
      case DISPID_MOUSEMOVE:
        if (!OnMouseMove || args.Count() < 4) break;
        OnMouseMove(this,
                    OleShiftToShiftState(args.Integer(1)) | OleButtonsToShiftState(args.Integer(0)),
                    args.Integer(2), args.Integer(3));
        break;
      default:
        break;
    }
  } catch (...) {
    Application().HandleException();
  }
}

// --- window -------------------------------------------------------------------------------

RECT TActiveXHost::BoundsRect() const noexcept { return RECT{Left(), Top(), Left() + Width(), Top() + Height()}; }

void TActiveXHost::CreateWnd() {
  CompleteControl();
  if (FMiscStatus & OLEMISC_INVISIBLEATRUNTIME) {
    TWinControl::CreateWnd();
    return;
  }
  HWND parentWindow = Parent() ? Parent()->Handle() : nullptr;
  RECT bounds = BoundsRect();
  HRESULT hr = FOleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, ClientSite(), 0, parentWindow, &bounds);
  if (!FOleInPlaceObject) throw EOleError(FAILED(hr) ? hr : E_FAIL, "OLE control activation failed");
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
  ReleaseWindow();
  if (FOleObject) FOleObject->Close(OLECLOSE_NOSAVE);
}

void TActiveXHost::SetBounds(int left, int top, int width, int height) {
  if ((width != Width() && Width() > 0) || (height != Height() && Height() > 0)) {
    bool keepSize = (FMiscStatus & OLEMISC_INVISIBLEATRUNTIME) || !FOleObject;
    if (!keepSize) {
      SIZEL extent{MulDiv(width, kHimetricPerInch, PixelsPerInch(true)),
                   MulDiv(height, kHimetricPerInch, PixelsPerInch(false))};
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
  message.message = msg - kReflectedFirst;
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
  if (msg >= kReflectedKeyFirst && msg <= kReflectedKeyLast) {
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
  if (msg >= kReflectedFirst && msg <= kReflectedLast && !(FMiscStatus & OLEMISC_SIMPLEFRAME))
    return DefaultHandler(msg - kReflectedToOle, wParam, lParam);
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

// --- IUnknown ---------------------------------------------------------------------------------

STDMETHODIMP TActiveXHost::QueryInterface(REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  return QueryHostInterface(iid, object);
}

HRESULT TActiveXHost::QueryHostInterface(REFIID iid, void** object) noexcept {
  IUnknown* found = nullptr;
  if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
    found = static_cast<IOleClientSite*>(this);
  } else if (iid == IID_IOleControlSite) {
    found = static_cast<IOleControlSite*>(this);
  } else if (iid == IID_IOleInPlaceSite) {
    found = static_cast<IOleInPlaceSite*>(this);
  } else if (iid == IID_IOleInPlaceFrame) {
    found = static_cast<IOleInPlaceFrame*>(&FFrame);
  } else if (iid == IID_IDispatch) {
    found = static_cast<IDispatch*>(this);
  } else if (iid == IID_IPropertyNotifySink) {
    found = static_cast<IPropertyNotifySink*>(this);
  } else if (iid == IID_ISimpleFrameSite) {
    found = static_cast<ISimpleFrameSite*>(this);
  }
  if (!found) return E_NOINTERFACE;
  found->AddRef();
  *object = found;
  return S_OK;
}

STDMETHODIMP_(ULONG) TActiveXHost::AddRef() noexcept { return ++FRefCount; }

STDMETHODIMP_(ULONG) TActiveXHost::Release() noexcept { return FRefCount ? --FRefCount : 0; }

// --- IOleClientSite -----------------------------------------------------------------------------

STDMETHODIMP TActiveXHost::SaveObject() noexcept { return S_OK; }

STDMETHODIMP TActiveXHost::GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP TActiveXHost::GetContainer(IOleContainer** container) noexcept {
  if (container) *container = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP TActiveXHost::ShowObject() noexcept {
  try {
    AdoptControlWindow();
  } catch (...) {
    // Window creation asks again and reports it there.
  }
  return S_OK;
}

STDMETHODIMP TActiveXHost::OnShowWindow(BOOL) noexcept { return S_OK; }

STDMETHODIMP TActiveXHost::RequestNewObjectLayout() noexcept {
  try {
    return TakeControlExtent(false);
  } catch (...) {
    return E_FAIL;
  }
}

// --- IOleControlSite -----------------------------------------------------------------------------

STDMETHODIMP TActiveXHost::OnControlInfoChanged() noexcept { return E_NOTIMPL; }
STDMETHODIMP TActiveXHost::LockInPlaceActive(BOOL) noexcept { return E_NOTIMPL; }

STDMETHODIMP TActiveXHost::GetExtendedControl(IDispatch** control) noexcept {
  if (control) *control = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP TActiveXHost::TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) noexcept {
  if (!himetric || !container) return E_POINTER;
  const int ppiX = PixelsPerInch(true), ppiY = PixelsPerInch(false);
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

STDMETHODIMP TActiveXHost::TranslateAccelerator(MSG*, DWORD) noexcept { return E_NOTIMPL; }
STDMETHODIMP TActiveXHost::OnFocus(BOOL) noexcept { return E_NOTIMPL; }
STDMETHODIMP TActiveXHost::ShowPropertyFrame() noexcept { return E_NOTIMPL; }

// --- IOleInPlaceSite -----------------------------------------------------------------------------

STDMETHODIMP TActiveXHost::GetWindow(HWND* window) noexcept {
  if (!window) return E_POINTER;
  *window = nullptr;
  // Asking must not create windows: this comes while the control is being sited.
  if (Parent() && Parent()->HandleAllocated()) *window = Parent()->Handle();
  return *window ? S_OK : E_FAIL;
}

STDMETHODIMP TActiveXHost::ContextSensitiveHelp(BOOL) noexcept { return S_OK; }
STDMETHODIMP TActiveXHost::CanInPlaceActivate() noexcept { return S_OK; }

STDMETHODIMP TActiveXHost::OnInPlaceActivate() noexcept {
  if (!FOleObject) return E_UNEXPECTED;
  FOleObject.As(&FOleInPlaceObject);
  FOleObject.As(&FOleInPlaceActiveObject);
  return S_OK;
}

STDMETHODIMP TActiveXHost::OnUIActivate() noexcept {
  try {
    TActiveXHost* previous = ActiveControlHost(Form());
    if (previous && previous != this) previous->UIDeactivate();
  } catch (...) {
  }
  SetActiveHost(true);
  return S_OK;
}

STDMETHODIMP TActiveXHost::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                            LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) noexcept {
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

STDMETHODIMP TActiveXHost::Scroll(SIZE) noexcept { return E_NOTIMPL; }

STDMETHODIMP TActiveXHost::OnUIDeactivate(BOOL) noexcept {
  // No shared menus are ever inserted here, so there are none to remove.
  SetActiveHost(false);
  return S_OK;
}

STDMETHODIMP TActiveXHost::OnInPlaceDeactivate() noexcept {
  FOleInPlaceActiveObject.Reset();
  FOleInPlaceObject.Reset();
  return S_OK;
}

STDMETHODIMP TActiveXHost::DiscardUndoState() noexcept { return E_NOTIMPL; }

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

STDMETHODIMP TActiveXHost::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept { return E_NOTIMPL; }

STDMETHODIMP TActiveXHost::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                  UINT*) noexcept {
  if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
  try {
    auto boolean = [result](bool value) {
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
    };
    switch (id) {
      case DISPID_AMBIENT_BACKCOLOR:
        VariantInit(result);
        V_VT(result) = VT_I4;
        V_I4(result) = static_cast<LONG>(Color());
        return S_OK;
      case DISPID_AMBIENT_DISPLAYNAME: {
        std::wstring name = GbkToWide(FName);
        BSTR text = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
        if (!text) return E_OUTOFMEMORY;
        VariantInit(result);
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = text;
        return S_OK;
      }
      case DISPID_AMBIENT_FONT: {
        ComPtr<IDispatch> font = MakeOleFont(Font());
        VariantInit(result);
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = font.Detach();
        return S_OK;
      }
      case DISPID_AMBIENT_FORECOLOR:
        VariantInit(result);
        V_VT(result) = VT_I4;
        V_I4(result) = static_cast<LONG>(Font().Color);
        return S_OK;
      case DISPID_AMBIENT_LOCALEID:
        VariantInit(result);
        V_VT(result) = VT_I4;
        V_I4(result) = static_cast<LONG>(GetUserDefaultLCID());
        return S_OK;
      case DISPID_AMBIENT_MESSAGEREFLECT:
      case DISPID_AMBIENT_SUPPORTSMNEMONICS:
      case DISPID_AMBIENT_AUTOCLIP:
        boolean(true);
        return S_OK;
      case DISPID_AMBIENT_USERMODE:
        boolean(!Designing());
        return S_OK;
      case DISPID_AMBIENT_UIDEAD:
        boolean(Designing());
        return S_OK;
      case DISPID_AMBIENT_SHOWGRABHANDLES:
      case DISPID_AMBIENT_SHOWHATCHING:
        boolean(false);
        return S_OK;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  } catch (...) {
    return E_FAIL;
  }
}

// --- IPropertyNotifySink / ISimpleFrameSite ----------------------------------------------------------

STDMETHODIMP TActiveXHost::OnChanged(DISPID id) noexcept {
  try {
    PropertyChanged(id);
  } catch (...) {
    Application().HandleException();
  }
  return S_OK;
}

STDMETHODIMP TActiveXHost::OnRequestEdit(DISPID id) noexcept {
  try {
    return PropertyRequestEdit(id) ? S_OK : S_FALSE;
  } catch (...) {
    return S_OK;
  }
}

STDMETHODIMP TActiveXHost::PreMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*, DWORD*) noexcept { return S_OK; }
STDMETHODIMP TActiveXHost::PostMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*, DWORD) noexcept { return S_OK; }

// --- TActiveXFrame -------------------------------------------------------------------------------------

STDMETHODIMP TActiveXFrame::QueryInterface(REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IOleWindow || iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
    *object = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    return S_OK;
  }
  // Same object identity as the host.
  return FHost.QueryInterface(iid, object);
}

STDMETHODIMP_(ULONG) TActiveXFrame::AddRef() noexcept { return FHost.AddRef(); }
STDMETHODIMP_(ULONG) TActiveXFrame::Release() noexcept { return FHost.Release(); }

STDMETHODIMP TActiveXFrame::GetWindow(HWND* window) noexcept {
  if (!window) return E_POINTER;
  *window = nullptr;
  if (TWinControl* parent = FHost.Parent()) {
    TWinControl* top = parent->TopLevel();
    if (top->HandleAllocated()) *window = top->Handle();
  }
  return S_OK;
}

STDMETHODIMP TActiveXFrame::ContextSensitiveHelp(BOOL) noexcept { return S_OK; }
STDMETHODIMP TActiveXFrame::GetBorder(LPRECT) noexcept { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP TActiveXFrame::RequestBorderSpace(LPCBORDERWIDTHS) noexcept { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP TActiveXFrame::SetBorderSpace(LPCBORDERWIDTHS) noexcept { return E_NOTIMPL; }
STDMETHODIMP TActiveXFrame::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) noexcept { return S_OK; }

// The toolkit's forms have no main menu, so there is nothing to merge.
STDMETHODIMP TActiveXFrame::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) noexcept { return S_OK; }
STDMETHODIMP TActiveXFrame::SetMenu(HMENU, HOLEMENU, HWND) noexcept { return S_OK; }
// Only items the frame inserted may go; it inserted none, and the control's own stay.
STDMETHODIMP TActiveXFrame::RemoveMenus(HMENU) noexcept { return S_OK; }

STDMETHODIMP TActiveXFrame::SetStatusText(LPCOLESTR) noexcept { return S_OK; }
STDMETHODIMP TActiveXFrame::EnableModeless(BOOL) noexcept { return S_OK; }
STDMETHODIMP TActiveXFrame::TranslateAccelerator(LPMSG, WORD) noexcept { return S_FALSE; }

}  // namespace kvx
