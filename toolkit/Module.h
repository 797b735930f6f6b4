#pragma once

#include "toolkit/Win.h"

#include <string>

namespace kvx {

// The full path of a loaded module (the program itself by default), however long.
std::wstring ModuleFileName(HMODULE module = nullptr);

// Loads a library without the platform's box for a missing file; null when
// it cannot be loaded.
HMODULE LoadLibraryQuietly(const wchar_t* name) noexcept;

// An entry point of a loaded module as the function type it has; null when
// the module or the entry point is missing.
template <typename T>
T ProcAddress(HMODULE module, const char* name) noexcept {
  if (!module) return nullptr;
  return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace kvx
