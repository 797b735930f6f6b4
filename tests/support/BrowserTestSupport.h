#pragma once
// Shared fixture pieces of the browser host tests: a hidden form to host in,
// the tests' bounded message pump (PumpUntil), and event arguments as a
// control passes them.

#include "toolkit/Win.h"

#include "toolkit/Form.h"
#include "toolkit/Handles.h"
#include "tests/support/Pump.h"

#include <cstddef>
#include <string>

namespace kvx::test {

// The windows of this process, top-level and child: a window left behind
// shows as a difference between two counts.
inline size_t ProcessWindowCount() {
  struct TCounter {
    static BOOL CALLBACK Child(HWND, LPARAM count) noexcept {
      ++*reinterpret_cast<size_t*>(count);
      return TRUE;
    }
    static BOOL CALLBACK TopLevel(HWND window, LPARAM count) noexcept {
      DWORD process = 0;
      GetWindowThreadProcessId(window, &process);
      if (process == GetCurrentProcessId()) {
        ++*reinterpret_cast<size_t*>(count);
        EnumChildWindows(window, Child, count);
      }
      return TRUE;
    }
  };
  size_t count = 0;
  EnumWindows(TCounter::TopLevel, reinterpret_cast<LPARAM>(&count));
  return count;
}

inline std::wstring VariantText(const VARIANT* v) {
  if (!v) return {};
  if (V_VT(v) == (VT_BYREF | VT_VARIANT)) return VariantText(V_VARIANTREF(v));
  if (V_VT(v) == VT_BSTR && V_BSTR(v)) return V_BSTR(v);
  return {};
}

// Arguments as a control passes them to its event sink: shallow VARIANTs
// over the caller's storage (a by-reference one points at it).
template <class T>
inline constexpr VARTYPE kByRefType = VT_EMPTY;
template <>
inline constexpr VARTYPE kByRefType<VARIANT> = VT_VARIANT;
template <>
inline constexpr VARTYPE kByRefType<VARIANT_BOOL> = VT_BOOL;
template <>
inline constexpr VARTYPE kByRefType<LONG> = VT_I4;
template <>
inline constexpr VARTYPE kByRefType<IDispatch*> = VT_DISPATCH;

template <class T>
VARIANT ByRef(T* value) {
  static_assert(kByRefType<T> != VT_EMPTY, "a type events pass by reference");
  VARIANT v;
  V_VT(&v) = VT_BYREF | kByRefType<T>;
  V_BYREF(&v) = value;
  return v;
}
inline VARIANT Bstr(BSTR text) {
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = text;
  return v;
}
inline VARIANT Bool(bool value) {
  return TVariant(value).Release();
}
inline VARIANT Int(LONG value) {
  return TVariant(value).Release();
}
inline VARIANT Dispatch(IDispatch* value) {
  VARIANT v;
  V_VT(&v) = VT_DISPATCH;
  V_DISPATCH(&v) = value;
  return v;
}

// A form to host controls in, never shown to a user.
class THostForm : public TForm {
 public:
  THostForm() {
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetBounds(0, 0, 640, 480);
  }
};

}  // namespace kvx::test
