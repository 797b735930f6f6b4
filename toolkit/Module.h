#pragma once

#include "toolkit/Win.h"

#include <string>

namespace kvx {

// The full path of a loaded module (the program itself by default), however long.
std::wstring ModuleFileName(HMODULE module = nullptr);

}  // namespace kvx
