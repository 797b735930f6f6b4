#include "toolkit/Win.h"

#include "browser/activex/ActiveXEventSink.h"

#include "browser/activex/ActiveXHost.h"
#include "toolkit/Application.h"

using Microsoft::WRL::ComPtr;

namespace kvx {
namespace {

// The shift and button bits of the stock key and mouse events (olectl.h's
// SHIFT_MASK, CTRL_MASK, ALT_MASK and LEFT_BUTTON, RIGHT_BUTTON,
// MIDDLE_BUTTON, which MinGW's olectl.h does not name).
constexpr std::int32_t kOleShiftMask = 1;
constexpr std::int32_t kOleCtrlMask = 2;
constexpr std::int32_t kOleAltMask = 4;
constexpr std::int32_t kOleLeftButton = 1;
constexpr std::int32_t kOleRightButton = 2;
constexpr std::int32_t kOleMiddleButton = 4;

UINT OleShiftToShiftState(std::int32_t shift) noexcept {
  UINT state = 0;
  if (shift & kOleShiftMask) state |= MK_SHIFT;
  if (shift & kOleCtrlMask) state |= MK_CONTROL;
  if (shift & kOleAltMask) state |= MK_ALT;
  return state;
}

UINT OleButtonsToShiftState(std::int32_t buttons) noexcept {
  UINT state = 0;
  if (buttons & kOleLeftButton) state |= MK_LBUTTON;
  if (buttons & kOleRightButton) state |= MK_RBUTTON;
  if (buttons & kOleMiddleButton) state |= MK_MBUTTON;
  return state;
}

TMouseButton OleButtonToMouseButton(std::int32_t button) noexcept {
  if (button & kOleRightButton) return TMouseButton::mbRight;
  if (button & kOleMiddleButton) return TMouseButton::mbMiddle;
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

// --- TActiveXEventSink -------------------------------------------------------

STDMETHODIMP TActiveXEventSink::QueryInterface(REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == FHost.Description().EventIID) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TActiveXEventSink::AddRef() noexcept {
  return FHost.AddRef();
}
STDMETHODIMP_(ULONG) TActiveXEventSink::Release() noexcept {
  return FHost.Release();
}

STDMETHODIMP TActiveXEventSink::GetTypeInfoCount(UINT* count) noexcept {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP TActiveXEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP TActiveXEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept {
  return E_NOTIMPL;
}

STDMETHODIMP TActiveXEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                       EXCEPINFO*, UINT*) noexcept {
  // Events that come while the host shuts down find no handler alive to take them.
  if (FHost.ShuttingDown()) return S_OK;
  static DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
  const DISPPARAMS& arguments = params ? *params : noArguments;
  try {
    if (id >= DISPID_MOUSEUP && id <= DISPID_CLICK) {
      FHost.DeliverStockEvent(id, arguments);
    } else {
      FHost.DeliverEvent(id, arguments);
    }
  } catch (...) {
    Application().HandleException(&FHost);
  }
  return S_OK;
}

// --- event routing -----------------------------------------------------------

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
      Application().HandleException(this);
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
    Application().HandleException(this);
  }
}

}  // namespace kvx
