#pragma once
// The libraries the document host loads on demand: HTML Help for the
// browser's help requests and the shell's context-menu resources.

#include "toolkit/Win.h"

#include <string_view>

namespace kvx {

// HTML Help (hhctrl.ocx), loaded on first use without the platform's
// file-error box and freed at the end of the process. Null when missing.
HMODULE HtmlHelpModule() noexcept;

// The library's "HtmlHelpW" with these arguments, the file name (GBK) made
// UTF-16; null when the library or the entry point is missing. The data argument is pointer-sized,
// as the entry point takes it: several commands pass a record's address there.
HWND CallHtmlHelp(HWND window, std::string_view file, UINT command, DWORD_PTR data) noexcept;
// The same through the entry point of the given library.
HWND CallHtmlHelpIn(HMODULE library, HWND window, std::string_view file, UINT command,
                    DWORD_PTR data) noexcept;

// The shell's document-view resource library "SHDOCLC.DLL" (context-menu
// resources): the loaded copy, else loaded once and kept. Null when missing.
HMODULE ShdoclcModule() noexcept;

}  // namespace kvx
