#include "toolkit/Win.h"

#include "browser/activex/EventArgs.h"

namespace kvx {

TEventArgs::TEventArgs(const DISPPARAMS& params) {
  // DISPPARAMS holds the arguments last-first.
  FArgs.reserve(params.cArgs);
  for (UINT i = params.cArgs; i > 0; --i) FArgs.push_back(&params.rgvarg[i - 1]);
}

TEventArgs::~TEventArgs() {
  for (VARIANT& v : FScratch) VariantClear(&v);
}

VARIANT* TEventArgs::Source(int index) const noexcept {
  return index >= 0 && index < Count() ? FArgs[static_cast<size_t>(index)] : nullptr;
}

std::uint64_t TEventArgs::Raw(int index) const noexcept {
  const VARIANT* v = Source(index);
  if (!v) return 0;
  VARTYPE type = V_VT(v);
  if (type & VT_BYREF) return reinterpret_cast<std::uintptr_t>(V_BYREF(v));
  if (type & VT_ARRAY) return reinterpret_cast<std::uintptr_t>(v);
  switch (type) {
    case VT_BOOL:
      return static_cast<std::uint16_t>(V_BOOL(v));
    case VT_I1:
    case VT_UI1:
      return V_UI1(v);
    case VT_I2:
    case VT_UI2:
      return V_UI2(v);
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_I8:
    case VT_UI8:
      return V_UI8(v);
    case VT_BSTR:
      return reinterpret_cast<std::uintptr_t>(V_BSTR(v));
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return reinterpret_cast<std::uintptr_t>(V_UNKNOWN(v));
    case VT_EMPTY:
    case VT_NULL:
      return 0;
    default:  // VT_I4, VT_UI4, VT_INT, VT_UINT, VT_ERROR, VT_R4 and other 4-byte types
      return V_UI4(v);
  }
}

const VARIANT* TEventArgs::Value(int index) const noexcept {
  const VARIANT* v = Source(index);
  if (v && V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) return V_VARIANTREF(v);
  return v;
}

BSTR TEventArgs::Text(int index) const noexcept {
  const VARIANT* v = Value(index);
  if (!v) return nullptr;
  if (V_VT(v) == VT_BSTR) return V_BSTR(v);
  if (V_VT(v) == (VT_BYREF | VT_BSTR) && V_BSTRREF(v)) return *V_BSTRREF(v);
  return nullptr;
}

std::int32_t TEventArgs::Integer(int index) const noexcept {
  const VARIANT* v = Value(index);
  if (!v) return 0;
  switch (V_VT(v)) {
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
      return V_I4(v);
    case VT_I2:
      return V_I2(v);
    case VT_UI2:
      return V_UI2(v);
    case VT_BOOL:
      return V_BOOL(v);
    case VT_BYREF | VT_I4:
    case VT_BYREF | VT_UI4:
    case VT_BYREF | VT_INT:
    case VT_BYREF | VT_UINT:
      return V_I4REF(v) ? *V_I4REF(v) : 0;
    case VT_BYREF | VT_I2:
      return V_I2REF(v) ? *V_I2REF(v) : 0;
    case VT_BYREF | VT_UI2:
      return V_UI2REF(v) ? *V_UI2REF(v) : 0;
    default:
      return 0;
  }
}

VARIANT_BOOL TEventArgs::Boolean(int index) const noexcept {
  const VARIANT* v = Value(index);
  if (!v) return VARIANT_FALSE;
  if (V_VT(v) == VT_BOOL) return V_BOOL(v);
  if (V_VT(v) == (VT_BYREF | VT_BOOL) && V_BOOLREF(v)) return *V_BOOLREF(v);
  return VARIANT_FALSE;
}

IDispatch* TEventArgs::Dispatch(int index) const noexcept {
  const VARIANT* v = Value(index);
  if (!v) return nullptr;
  if (V_VT(v) == VT_DISPATCH) return V_DISPATCH(v);
  if (V_VT(v) == (VT_BYREF | VT_DISPATCH) && V_DISPATCHREF(v)) return *V_DISPATCHREF(v);
  return nullptr;
}

VARIANT* TEventArgs::Scratch(VARTYPE type) {
  VARIANT& v = FScratch.emplace_back();
  VariantInit(&v);
  V_VT(&v) = type;
  V_UI8(&v) = 0;
  return &v;
}

VARIANT* TEventArgs::VariantRef(int index) {
  VARIANT* v = Source(index);
  if (!v) return Scratch(VT_EMPTY);
  if (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) return V_VARIANTREF(v);
  return v;
}

VARIANT_BOOL* TEventArgs::BooleanRef(int index) {
  VARIANT* v = Source(index);
  if (v && V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
  if (v && V_VT(v) == (VT_BYREF | VT_BOOL) && V_BOOLREF(v)) return V_BOOLREF(v);
  if (v && V_VT(v) == VT_BOOL) return &V_BOOL(v);
  return &V_BOOL(Scratch(VT_BOOL));
}

std::int32_t* TEventArgs::IntegerRef(int index) {
  VARIANT* v = Source(index);
  if (v && V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
  if (v) {
    VARTYPE type = V_VT(v) & ~VT_BYREF;
    bool fourBytes = type == VT_I4 || type == VT_UI4 || type == VT_INT || type == VT_UINT;
    if (fourBytes && (V_VT(v) & VT_BYREF) && V_I4REF(v))
      return reinterpret_cast<std::int32_t*>(V_I4REF(v));
    if (fourBytes && !(V_VT(v) & VT_BYREF)) return reinterpret_cast<std::int32_t*>(&V_I4(v));
  }
  return reinterpret_cast<std::int32_t*>(&V_I4(Scratch(VT_I4)));
}

short* TEventArgs::SmallIntRef(int index) {
  VARIANT* v = Source(index);
  if (v && V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
  if (v && V_VT(v) == (VT_BYREF | VT_I2) && V_I2REF(v)) return V_I2REF(v);
  if (v && V_VT(v) == VT_I2) return &V_I2(v);
  return &V_I2(Scratch(VT_I2));
}

IDispatch** TEventArgs::DispatchRef(int index) {
  VARIANT* v = Source(index);
  if (v && V_VT(v) == (VT_BYREF | VT_DISPATCH) && V_DISPATCHREF(v)) return V_DISPATCHREF(v);
  if (v && V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) {
    VARIANT* inner = V_VARIANTREF(v);
    if (V_VT(inner) == VT_EMPTY || V_VT(inner) == VT_NULL) {
      V_VT(inner) = VT_DISPATCH;
      V_DISPATCH(inner) = nullptr;
    }
    if (V_VT(inner) == VT_DISPATCH) return &V_DISPATCH(inner);
  }
  // Storage of the call: whatever a handler stores here is released after it.
  return &V_DISPATCH(Scratch(VT_DISPATCH));
}

}  // namespace kvx
