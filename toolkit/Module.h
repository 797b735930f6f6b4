#pragma once

#include "toolkit/Win.h"

#include "toolkit/FunctionAddress.h"

#include <string>

namespace kvx {

// The full path of a loaded module (the program itself by default), however long.
std::wstring ModuleFileName(HMODULE module = nullptr);

// Loads a library without the platform's box for a missing file; null when
// it cannot be loaded.
HMODULE LoadLibraryQuietly(const wchar_t* name) noexcept;

}  // namespace kvx
