#pragma once
// Owning wrappers for platform handles: one move-only template with a closer,
// aliased per kind, and scoped helpers for pairs (paint, select, DC, OLE).

#include "toolkit/Win.h"

#include <oleauto.h>
#include <wininet.h>

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
inline void CloseHook(HHOOK h) noexcept { UnhookWindowsHookEx(h); }
inline void CloseRegKey(HKEY h) noexcept { RegCloseKey(h); }
inline void CloseInternet(HINTERNET h) noexcept { InternetCloseHandle(h); }
inline void CloseMenu(HMENU h) noexcept { DestroyMenu(h); }
inline void CloseModule(HMODULE h) noexcept { FreeLibrary(h); }
inline void CloseGdi(HGDIOBJ h) noexcept { DeleteObject(h); }
inline void CloseMemDC(HDC h) noexcept { DeleteDC(h); }
inline void CloseHGlobal(HGLOBAL h) noexcept { GlobalFree(h); }
inline void CloseTaskMem(void* p) noexcept { CoTaskMemFree(p); }
inline void CloseBstr(BSTR s) noexcept { SysFreeString(s); }
inline void CloseHandleValue(HANDLE h) noexcept { CloseHandle(h); }
inline void CloseIcon(HICON h) noexcept { DestroyIcon(h); }
inline void CloseWindowHandle(HWND h) noexcept { DestroyWindow(h); }
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
// Kernel handles whose invalid value is null (events, processes, threads).
using TUniqueKernelHandle = TUniqueHandle<HANDLE, detail::CloseHandleValue>;

// A VARIANT that is cleared when it goes out of scope.
class TVariant {
 public:
  TVariant() noexcept { VariantInit(&FValue); }
  ~TVariant() { VariantClear(&FValue); }
  TVariant(const TVariant&) = delete;
  TVariant& operator=(const TVariant&) = delete;
  VARIANT* operator&() noexcept { return &FValue; }
  VARIANT& Get() noexcept { return FValue; }
  const VARIANT& Get() const noexcept { return FValue; }
  VARIANT* Put() noexcept {
    VariantClear(&FValue);
    return &FValue;
  }

 private:
  VARIANT FValue;
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
