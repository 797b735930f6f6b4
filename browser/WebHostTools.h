#pragma once
// Process-wide tools of the browser host component that belong to no browser
// instance: a proxy for the WinINet connection settings, the navigation click
// sound, the platform version test, text copies into task memory for the
// control, the libraries loaded on demand, and OLE for the component library.

#include "toolkit/Win.h"

#include "toolkit/Handles.h"

#include <cstdint>
#include <string_view>

namespace kvx {

// The LAN connection's proxy: flags direct + proxy (3), the given server and
// "<local>" as the bypass list, then a refresh of the settings. All texts are
// the system's 8-bit (GBK) texts; the agent names the WinINet session that
// sets them. True when both the options and the refresh were accepted.
bool SetProxy(std::string_view userAgent, std::string_view proxy);

// As SetProxy, after an HTTP connection handle to proxy:port (the port cut to
// 16 bits) with the login could be made; false, with nothing set, otherwise.
bool SetProxyWithLogin(std::string_view userAgent, std::string_view proxy,
                       std::string_view userName, std::string_view password, std::int32_t port);

// Flags 3 with an empty proxy text and "<local>". True when a WinINet session
// could be opened (what the option calls answer is not looked at). This
// overwrites whatever the user had configured; TProxySnapshot puts that back.
bool RemoveProxy();

// The navigation click's scheme under HKEY_CURRENT_USER. Muting renames its
// ".Current" subkey to "Old_Current", unmuting renames it back; a rename
// copies the whole subkey and deletes the source only once the copy is whole.
// Silent: a missing key or a failure leaves everything as it was.
inline constexpr std::wstring_view NavigationSoundKey =
    L"AppEvents\\Schemes\\Apps\\Explorer\\Navigating";
void MuteNavigationSound(bool mute) noexcept;

// Windows XP Service Pack 2 or later, asked through entry points looked up at
// run time; false when they are missing.
bool IsWinXPSP2OrLater() noexcept;

// 1-based byte position of the first occurrence of `character` in the GBK
// text, 0 when absent. Only single-byte characters are compared: the second
// byte of a two-byte character (0x40 to 0xFE) never matches an ASCII one.
int CharPosition(char character, std::string_view text) noexcept;

// Zero-terminated UTF-16 copies in task memory (CoTaskMemAlloc) for the
// control, which frees them. 8-bit texts are GBK. Null when out of memory.
wchar_t* AnsiToTaskMemWide(std::string_view text) noexcept;
wchar_t* WideToTaskMemWide(std::wstring_view text) noexcept;

// HTML Help (hhctrl.ocx), loaded on first use without the platform's
// file-error box and freed at the end of the process. Null when missing.
HMODULE HtmlHelpModule() noexcept;

// The library's "HtmlHelpA" with these arguments; null when the library or
// the entry point is missing. The data argument is pointer-sized, as the
// entry point takes it: several commands pass a record's address there.
HWND CallHtmlHelp(HWND window, std::string_view file, UINT command, DWORD_PTR data) noexcept;

// The shell's document-view resource library "SHDOCLC.DLL" (context-menu
// resources): the loaded copy, else loaded once and kept. Null when missing.
HMODULE ShdoclcModule() noexcept;

// OLE for the user-interface thread from the component library's start to its
// end. The program entry owns one; uninitialises only what it initialised.
using TComponentLibraryOle = TOleInitialize;

}  // namespace kvx
