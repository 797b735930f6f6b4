// The records the shell hands the platform, the browser control and the
// launcher bar, as each architecture lays them out. The shell is built for
// 32-bit and 64-bit Windows alike, and a record whose size or field offset
// differs from what the other side reads is a fault no test run shows until a
// user meets it; so every build proves, at compile time, that its headers
// give each record the platform's layout. The figures are the platform's own
// (its headers and documentation): `Arch(x86, x64)` names the one that
// applies to this build.

#include "toolkit/Win.h"

#include <docobj.h>
#include <mshtmhst.h>
#include <oaidl.h>
#include <ocidl.h>
#include <olectl.h>
#include <shlwapi.h>
#include <wininet.h>

#include <cstddef>

namespace kvx {
namespace {

static_assert(sizeof(void*) == 4 || sizeof(void*) == 8, "a 32-bit or a 64-bit build");
constexpr bool k32Bit = sizeof(void*) == 4;
constexpr std::size_t Arch(std::size_t x86, std::size_t x64) {
  return k32Bit ? x86 : x64;
}

#define KVX_RECORD_SIZE(type, x86, x64) \
  static_assert(sizeof(type) == Arch(x86, x64), "size of " #type)
#define KVX_FIELD_AT(type, field, x86, x64) \
  static_assert(offsetof(type, field) == Arch(x86, x64), "offset of " #type "::" #field)

// The launcher bar's messages: WM_COPYDATA carries this record across the
// process boundary (the platform converts it between a 32-bit and a 64-bit
// side), the text bytes at lpData.
KVX_RECORD_SIZE(COPYDATASTRUCT, 12, 24);
KVX_FIELD_AT(COPYDATASTRUCT, dwData, 0, 0);
KVX_FIELD_AT(COPYDATASTRUCT, cbData, 4, 8);
KVX_FIELD_AT(COPYDATASTRUCT, lpData, 8, 16);

// The message loop and every message filter (the input filter, the
// browser's accelerators).
KVX_RECORD_SIZE(MSG, 28, 48);
KVX_FIELD_AT(MSG, hwnd, 0, 0);
KVX_FIELD_AT(MSG, message, 4, 8);
KVX_FIELD_AT(MSG, wParam, 8, 16);
KVX_FIELD_AT(MSG, lParam, 12, 24);
KVX_FIELD_AT(MSG, time, 16, 32);
KVX_FIELD_AT(MSG, pt, 20, 36);

// The document host's answer to GetHostInfo: the browser reads its first 20
// bytes in a 32-bit process (cbSize, the flags, the double-click action, the
// two style-sheet strings).
KVX_RECORD_SIZE(DOCHOSTUIINFO, 20, 32);
KVX_FIELD_AT(DOCHOSTUIINFO, cbSize, 0, 0);
KVX_FIELD_AT(DOCHOSTUIINFO, dwFlags, 4, 4);
KVX_FIELD_AT(DOCHOSTUIINFO, dwDoubleClick, 8, 8);
KVX_FIELD_AT(DOCHOSTUIINFO, pchHostCss, 12, 16);
KVX_FIELD_AT(DOCHOSTUIINFO, pchHostNS, 16, 24);

// The proxy: the per-connection option list handed to InternetSetOption (20
// bytes in a 32-bit process) and each option in it.
KVX_RECORD_SIZE(INTERNET_PER_CONN_OPTION_LISTW, 20, 32);
KVX_FIELD_AT(INTERNET_PER_CONN_OPTION_LISTW, dwSize, 0, 0);
KVX_FIELD_AT(INTERNET_PER_CONN_OPTION_LISTW, pszConnection, 4, 8);
KVX_FIELD_AT(INTERNET_PER_CONN_OPTION_LISTW, dwOptionCount, 8, 16);
KVX_FIELD_AT(INTERNET_PER_CONN_OPTION_LISTW, dwOptionError, 12, 20);
KVX_FIELD_AT(INTERNET_PER_CONN_OPTION_LISTW, pOptions, 16, 24);
KVX_RECORD_SIZE(INTERNET_PER_CONN_OPTIONW, 12, 16);
KVX_FIELD_AT(INTERNET_PER_CONN_OPTIONW, dwOption, 0, 0);
KVX_FIELD_AT(INTERNET_PER_CONN_OPTIONW, Value, 4, 8);

// Window classes, creation and placement.
KVX_RECORD_SIZE(WNDCLASSEXW, 48, 80);
KVX_FIELD_AT(WNDCLASSEXW, lpfnWndProc, 8, 8);
KVX_FIELD_AT(WNDCLASSEXW, hInstance, 20, 24);
KVX_FIELD_AT(WNDCLASSEXW, lpszClassName, 40, 64);
KVX_RECORD_SIZE(CREATESTRUCTW, 48, 80);
KVX_FIELD_AT(CREATESTRUCTW, lpCreateParams, 0, 0);
KVX_FIELD_AT(CREATESTRUCTW, cy, 16, 32);
KVX_FIELD_AT(CREATESTRUCTW, style, 32, 48);
KVX_RECORD_SIZE(WINDOWPOS, 28, 40);
KVX_FIELD_AT(WINDOWPOS, x, 8, 16);
KVX_FIELD_AT(WINDOWPOS, flags, 24, 32);
KVX_RECORD_SIZE(MINMAXINFO, 40, 40);
KVX_FIELD_AT(MINMAXINFO, ptMinTrackSize, 24, 24);
KVX_RECORD_SIZE(WINDOWPLACEMENT, 44, 44);
KVX_FIELD_AT(WINDOWPLACEMENT, rcNormalPosition, 28, 28);
KVX_RECORD_SIZE(MONITORINFO, 40, 40);
KVX_FIELD_AT(MONITORINFO, rcWork, 20, 20);
KVX_RECORD_SIZE(TRACKMOUSEEVENT, 16, 24);
KVX_FIELD_AT(TRACKMOUSEEVENT, hwndTrack, 8, 8);
KVX_FIELD_AT(TRACKMOUSEEVENT, dwHoverTime, 12, 16);
KVX_RECORD_SIZE(MENUITEMINFOW, 48, 80);
KVX_FIELD_AT(MENUITEMINFOW, dwTypeData, 36, 56);
KVX_FIELD_AT(MENUITEMINFOW, cch, 40, 64);
KVX_RECORD_SIZE(BITMAPINFOHEADER, 40, 40);

// The ActiveX host's side of the control's calls.
KVX_RECORD_SIZE(OLEINPLACEFRAMEINFO, 20, 32);
KVX_FIELD_AT(OLEINPLACEFRAMEINFO, hwndFrame, 8, 8);
KVX_FIELD_AT(OLEINPLACEFRAMEINFO, haccel, 12, 16);
KVX_FIELD_AT(OLEINPLACEFRAMEINFO, cAccelEntries, 16, 24);
KVX_RECORD_SIZE(CONTROLINFO, 16, 24);
KVX_FIELD_AT(CONTROLINFO, hAccel, 4, 8);
KVX_FIELD_AT(CONTROLINFO, cAccel, 8, 16);
KVX_FIELD_AT(CONTROLINFO, dwFlags, 12, 20);
KVX_RECORD_SIZE(DISPPARAMS, 16, 24);
KVX_FIELD_AT(DISPPARAMS, rgdispidNamedArgs, 4, 8);
KVX_FIELD_AT(DISPPARAMS, cArgs, 8, 16);
KVX_FIELD_AT(DISPPARAMS, cNamedArgs, 12, 20);
KVX_RECORD_SIZE(VARIANT, 16, 24);
KVX_RECORD_SIZE(EXCEPINFO, 32, 64);
KVX_FIELD_AT(EXCEPINFO, bstrSource, 4, 8);
KVX_FIELD_AT(EXCEPINFO, bstrDescription, 8, 16);
KVX_FIELD_AT(EXCEPINFO, dwHelpContext, 16, 32);
KVX_FIELD_AT(EXCEPINFO, pfnDeferredFillIn, 24, 48);
KVX_FIELD_AT(EXCEPINFO, scode, 28, 56);
KVX_RECORD_SIZE(OLECMD, 8, 8);
KVX_RECORD_SIZE(FONTDESC, 32, 40);
KVX_FIELD_AT(FONTDESC, lpstrName, 4, 8);
KVX_FIELD_AT(FONTDESC, cySize, 8, 16);
KVX_FIELD_AT(FONTDESC, sWeight, 16, 24);
KVX_FIELD_AT(FONTDESC, fStrikethrough, 28, 36);

// The common controls' version query (visual styles).
KVX_RECORD_SIZE(DLLVERSIONINFO, 20, 20);

#undef KVX_FIELD_AT
#undef KVX_RECORD_SIZE

}  // namespace
}  // namespace kvx
