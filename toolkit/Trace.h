#pragma once
// A tiny trace facility for diagnosing a field problem without a debugger.
// Off by default. KORVEXA_TRACE=1 sends lines to the debugger output
// (OutputDebugString); KORVEXA_TRACE=<file path> appends them to that file too.

#include "toolkit/Win.h"

#include <string_view>

namespace kvx {

bool TraceEnabled() noexcept;
void Trace(std::wstring_view text) noexcept;
// One line naming a window message and its arguments.
void TraceMessage(std::wstring_view where, HWND window, UINT msg, WPARAM wParam,
                  LPARAM lParam) noexcept;
// The name of a window message ("WM_COPYDATA"), or null for one it does not know.
const wchar_t* MessageName(UINT msg) noexcept;

}  // namespace kvx
