#pragma once
// Texts handed to the platform's controls in task memory (CoTaskMemAlloc),
// which the control frees.

#include <string_view>

namespace kvx {

// Zero-terminated UTF-16 copies in task memory for the control, which frees
// them. 8-bit texts are GBK. Null when out of memory.
wchar_t* AnsiToTaskMemWide(std::string_view text) noexcept;
wchar_t* WideToTaskMemWide(std::wstring_view text) noexcept;

}  // namespace kvx
