#include "toolkit/Win.h"

#include "toolkit/WindowSubclass.h"

#include <utility>

namespace kvx {

TWindowSubclass::TWindowSubclass(TWindowSubclass&& other) noexcept
    : FWindow(std::exchange(other.FWindow, nullptr)),
      FProcedure(std::exchange(other.FProcedure, nullptr)),
      FOldProcedure(std::exchange(other.FOldProcedure, nullptr)) {}

TWindowSubclass& TWindowSubclass::operator=(TWindowSubclass&& other) noexcept {
  if (this != &other) {
    Release();
    FWindow = std::exchange(other.FWindow, nullptr);
    FProcedure = std::exchange(other.FProcedure, nullptr);
    FOldProcedure = std::exchange(other.FOldProcedure, nullptr);
  }
  return *this;
}

bool TWindowSubclass::Install(HWND window, WNDPROC procedure) noexcept {
  Release();
  if (!procedure || !IsWindow(window)) return false;
  // Zero is also a valid old value only the last error tells apart.
  SetLastError(ERROR_SUCCESS);
  const LONG_PTR old =
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
  if (!old && GetLastError() != ERROR_SUCCESS) return false;
  FWindow = window;
  FProcedure = procedure;
  FOldProcedure = reinterpret_cast<WNDPROC>(old);
  return true;
}

bool TWindowSubclass::InForce() const noexcept {
  return FWindow && IsWindow(FWindow) &&
         GetWindowLongPtrW(FWindow, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(FProcedure);
}

LRESULT TWindowSubclass::CallOld(UINT msg, WPARAM wParam, LPARAM lParam) const {
  if (!FWindow || !FOldProcedure) return 0;
  return CallWindowProcW(FOldProcedure, FWindow, msg, wParam, lParam);
}

bool TWindowSubclass::Restore() noexcept {
  if (!FWindow) return true;
  if (IsWindow(FWindow)) {
    if (!InForce()) return false;
    SetWindowLongPtrW(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FOldProcedure));
  }
  Forget();
  return true;
}

void TWindowSubclass::Release() noexcept {
  Restore();
  Forget();
}

void TWindowSubclass::Forget() noexcept {
  FWindow = nullptr;
  FProcedure = nullptr;
  FOldProcedure = nullptr;
}

}  // namespace kvx
