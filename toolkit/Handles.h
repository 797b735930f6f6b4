#pragma once
// Owning wrappers for platform handles: one move-only template with a closer,
// aliased per kind, and scoped helpers for pairs (paint, select, DC, OLE).

#include "toolkit/Win.h"

#include <oleauto.h>
#include <uxtheme.h>
#include <wininet.h>
#include <wrl/client.h>

#include <memory>
#include <new>
#include <string_view>
#include <utility>

namespace kvx {

template <typename T, auto Close, T Invalid = T{}>
class TUniqueHandle {
 public:
  TUniqueHandle() noexcept = default;
  explicit TUniqueHandle(T value) noexcept : FValue(value) {}
  ~TUniqueHandle() { Reset(); }
  TUniqueHandle(TUniqueHandle&& other) noexcept : FValue(other.Release()) {}
  TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TUniqueHandle(const TUniqueHandle&) = delete;
  TUniqueHandle& operator=(const TUniqueHandle&) = delete;

  T Get() const noexcept { return FValue; }
  explicit operator bool() const noexcept { return FValue != Invalid; }
  // Releases the old value first, so Api(h.Put()) cannot leak.
  T* Put() noexcept {
    Reset();
    return &FValue;
  }
  T Release() noexcept { return std::exchange(FValue, Invalid); }
  void Reset(T value = Invalid) noexcept {
    T old = std::exchange(FValue, value);
    if (old != Invalid) Close(old);
  }

 private:
  T FValue = Invalid;
};

namespace detail {
inline void CloseHook(HHOOK h) noexcept {
  UnhookWindowsHookEx(h);
}
inline void CloseRegKey(HKEY h) noexcept {
  RegCloseKey(h);
}
inline void CloseInternet(HINTERNET h) noexcept {
  InternetCloseHandle(h);
}
inline void CloseMenu(HMENU h) noexcept {
  DestroyMenu(h);
}
inline void CloseModule(HMODULE h) noexcept {
  FreeLibrary(h);
}
inline void CloseGdi(HGDIOBJ h) noexcept {
  DeleteObject(h);
}
inline void CloseMemDC(HDC h) noexcept {
  DeleteDC(h);
}
inline void CloseHGlobal(HGLOBAL h) noexcept {
  GlobalFree(h);
}
inline void CloseTaskMem(void* p) noexcept {
  CoTaskMemFree(p);
}
inline void CloseBstr(BSTR s) noexcept {
  SysFreeString(s);
}
inline void CloseHandleValue(HANDLE h) noexcept {
  CloseHandle(h);
}
inline void CloseIcon(HICON h) noexcept {
  DestroyIcon(h);
}
inline void CloseWindowHandle(HWND h) noexcept {
  DestroyWindow(h);
}
inline void CloseTheme(HTHEME h) noexcept {
  CloseThemeData(h);
}
}  // namespace detail

using TUniqueHook = TUniqueHandle<HHOOK, detail::CloseHook>;
using TUniqueRegKey = TUniqueHandle<HKEY, detail::CloseRegKey>;
using TUniqueInternet = TUniqueHandle<HINTERNET, detail::CloseInternet>;
using TUniqueMenu = TUniqueHandle<HMENU, detail::CloseMenu>;
using TUniqueModule = TUniqueHandle<HMODULE, detail::CloseModule>;
using TUniqueFont = TUniqueHandle<HFONT, detail::CloseGdi>;
using TUniqueBrush = TUniqueHandle<HBRUSH, detail::CloseGdi>;
using TUniquePen = TUniqueHandle<HPEN, detail::CloseGdi>;
using TUniqueBitmap = TUniqueHandle<HBITMAP, detail::CloseGdi>;
using TUniqueRegion = TUniqueHandle<HRGN, detail::CloseGdi>;
using TUniqueMemDC = TUniqueHandle<HDC, detail::CloseMemDC>;
using TUniqueHGlobal = TUniqueHandle<HGLOBAL, detail::CloseHGlobal>;
using TUniqueTaskMem = TUniqueHandle<void*, detail::CloseTaskMem>;
using TUniqueBstr = TUniqueHandle<BSTR, detail::CloseBstr>;
using TUniqueIcon = TUniqueHandle<HICON, detail::CloseIcon>;
using TUniqueWindow = TUniqueHandle<HWND, detail::CloseWindowHandle>;
// Theme data of the platform's visual styles (link uxtheme where it is used).
using TUniqueTheme = TUniqueHandle<HTHEME, detail::CloseTheme>;
// Kernel handles whose invalid value is null (events, processes, threads).
using TUniqueKernelHandle = TUniqueHandle<HANDLE, detail::CloseHandleValue>;

// A VARIANT that owns what it holds and clears it when it goes. The typed
// constructors build a value in one step, so no VARIANT is assembled field by
// field; Release hands the value over to whoever takes it (an out-parameter).
class TVariant {
 public:
  TVariant() noexcept { VariantInit(&FValue); }
  explicit TVariant(int value) noexcept : TVariant() {
    V_VT(&FValue) = VT_I4;
    V_I4(&FValue) = value;
  }
  explicit TVariant(long value) noexcept : TVariant(static_cast<int>(value)) {}
  explicit TVariant(bool value) noexcept : TVariant() {
    V_VT(&FValue) = VT_BOOL;
    V_BOOL(&FValue) = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
  // An empty text is the null BSTR, which automation reads as the empty
  // string. Out of memory raises std::bad_alloc.
  explicit TVariant(std::wstring_view text) : TVariant() {
    BSTR copy = nullptr;
    if (!text.empty()) {
      copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      if (!copy) throw std::bad_alloc();
    }
    V_VT(&FValue) = VT_BSTR;
    V_BSTR(&FValue) = copy;
  }
  // Without this a string literal would take the bool constructor.
  explicit TVariant(const wchar_t* text) : TVariant(std::wstring_view(text ? text : L"")) {}
  // Holds a reference of its own; null is allowed.
  explicit TVariant(IDispatch* value) noexcept : TVariant() {
    V_VT(&FValue) = VT_DISPATCH;
    V_DISPATCH(&FValue) = value;
    if (value) value->AddRef();
  }
  // An error code, the way automation passes a missing optional argument.
  static TVariant Error(SCODE code) noexcept {
    TVariant result;
    V_VT(&result.FValue) = VT_ERROR;
    V_ERROR(&result.FValue) = code;
    return result;
  }
  static TVariant Missing() noexcept { return Error(DISP_E_PARAMNOTFOUND); }

  ~TVariant() { VariantClear(&FValue); }
  TVariant(TVariant&& other) noexcept : FValue(other.FValue) { VariantInit(&other.FValue); }
  TVariant& operator=(TVariant&& other) noexcept {
    if (this != std::addressof(other)) {
      VariantClear(&FValue);
      FValue = other.FValue;
      VariantInit(&other.FValue);
    }
    return *this;
  }
  TVariant(const TVariant&) = delete;
  TVariant& operator=(const TVariant&) = delete;

  VARIANT* operator&() noexcept { return &FValue; }
  VARIANT& Get() noexcept { return FValue; }
  const VARIANT& Get() const noexcept { return FValue; }
  VARTYPE Type() const noexcept { return V_VT(&FValue); }
  // Clears the value for an API to write a new one.
  VARIANT* Put() noexcept {
    VariantClear(&FValue);
    return &FValue;
  }
  // Gives the value away; this variant is empty afterwards.
  VARIANT Release() noexcept {
    VARIANT value = FValue;
    VariantInit(&FValue);
    return value;
  }

 private:
  VARIANT FValue;
};

// Takes over a reference that was already counted for the caller (an
// out-parameter, the payload of a VARIANT given away). ComPtr::Attach is no
// way to do this: MinGW-w64's adds a reference where Microsoft's does not.
template <class T>
Microsoft::WRL::ComPtr<T> AdoptReference(T* counted) noexcept {
  Microsoft::WRL::ComPtr<T> result;
  *result.ReleaseAndGetAddressOf() = counted;
  return result;
}

// The exception record of IDispatch::Invoke, empty to begin with, that frees
// the strings still in it when it goes; whoever takes one over leaves null
// in its place.
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

// Scoped pairs.
class TPaintDC {
 public:
  explicit TPaintDC(HWND window) noexcept : FWindow(window) { FDC = BeginPaint(window, &FPaint); }
  ~TPaintDC() { EndPaint(FWindow, &FPaint); }
  TPaintDC(const TPaintDC&) = delete;
  TPaintDC& operator=(const TPaintDC&) = delete;
  HDC Get() const noexcept { return FDC; }
  const PAINTSTRUCT& Paint() const noexcept { return FPaint; }

 private:
  HWND FWindow;
  HDC FDC;
  PAINTSTRUCT FPaint{};
};

class TWindowDC {
 public:
  explicit TWindowDC(HWND window) noexcept : FWindow(window), FDC(GetDC(window)) {}
  ~TWindowDC() {
    if (FDC) ReleaseDC(FWindow, FDC);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC Get() const noexcept { return FDC; }

 private:
  HWND FWindow;
  HDC FDC;
};

class TSelectObject {
 public:
  TSelectObject(HDC dc, HGDIOBJ object) noexcept : FDC(dc), FOld(SelectObject(dc, object)) {}
  ~TSelectObject() {
    if (FOld && FOld != HGDI_ERROR) SelectObject(FDC, FOld);
  }
  TSelectObject(const TSelectObject&) = delete;
  TSelectObject& operator=(const TSelectObject&) = delete;

 private:
  HDC FDC;
  HGDIOBJ FOld;
};

// OLE for the calling thread, initialised once and uninitialised at scope end.
class TOleInitialize {
 public:
  TOleInitialize() noexcept : FResult(OleInitialize(nullptr)) {}
  ~TOleInitialize() {
    if (SUCCEEDED(FResult)) OleUninitialize();
  }
  TOleInitialize(const TOleInitialize&) = delete;
  TOleInitialize& operator=(const TOleInitialize&) = delete;
  HRESULT Result() const noexcept { return FResult; }

 private:
  HRESULT FResult;
};

}  // namespace kvx
