#pragma once
// The one home of the conversions between a function pointer and a plain
// address. The platform answers some entry points as addresses (an exported
// function as FARPROC, a window's procedure as a LONG_PTR) and the shell
// writes some code of its own (the window-procedure thunks); each of those is
// turned into the function type it is called as here and nowhere else. Every
// other function the shell hands the platform (window, hook and enumeration
// procedures, COM methods) is declared with the platform's calling convention
// and passed as it is, so the compiler checks the type at every call.

#include "toolkit/Win.h"

#include <bit>
#include <type_traits>

namespace kvx {

template <typename F>
concept FunctionPointer = std::is_pointer_v<F> && std::is_function_v<std::remove_pointer_t<F>>;

// An entry point of a loaded module as the function type it has; null when
// the module or the entry point is missing. F must be declared exactly as the
// module exports the function, its calling convention (WINAPI) included.
template <FunctionPointer F>
F ProcAddress(HMODULE module, const char* name) noexcept {
  static_assert(sizeof(F) == sizeof(FARPROC));
  if (!module) return nullptr;
  return std::bit_cast<F>(GetProcAddress(module, name));
}

// A function at a plain address: machine code the program wrote into
// executable memory, or a procedure kept where the platform keeps only
// addresses (a window property). Called as F.
template <FunctionPointer F>
F FunctionAt(const void* address) noexcept {
  static_assert(sizeof(F) == sizeof(address));
  return std::bit_cast<F>(address);
}

// The plain address of a function, for a place that keeps only addresses.
template <FunctionPointer F>
void* AddressOf(F function) noexcept {
  static_assert(sizeof(F) == sizeof(void*));
  return std::bit_cast<void*>(function);
}

// A window's procedure as the platform keeps it.
inline WNDPROC WindowProcedureOf(HWND window) noexcept {
  static_assert(sizeof(WNDPROC) == sizeof(LONG_PTR));
  return std::bit_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
}

// Makes `procedure` the window's procedure; answers the one it replaces, or
// null when there was none or the platform refused (GetLastError, cleared
// beforehand, tells the two apart).
inline WNDPROC SetWindowProcedure(HWND window, WNDPROC procedure) noexcept {
  return std::bit_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, std::bit_cast<LONG_PTR>(procedure)));
}

}  // namespace kvx
