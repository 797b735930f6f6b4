#pragma once
// How the browser component treats the dialogs the browser control opens:
// their new caption, and which of them are script-error reports to get rid of
// while script errors are suppressed. Platform-free so both are tables.

#include <cstdint>
#include <string>
#include <string_view>

namespace kvx {

// The caption with its first "Microsoft " (the blank included, letter case
// as written) removed, then its first "Internet Explorer" replaced by
// `newCaption`. Everything else stays as it is.
std::wstring RewriteDialogCaption(std::wstring_view caption, std::wstring_view newCaption);

// The extended style in the form the dialog checks compare: the absolute value
// of the 32-bit style. A style with only the top bit set stays as it is
// rather than overflowing.
std::int32_t AbsoluteExtendedStyle(std::uint32_t exStyle) noexcept;

// The extended style of the browser's script-error report, which says neither
// "script" nor "error" in its class name: WS_EX_LAYOUTRTL | WS_EX_CONTROLPARENT
// | WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME.
inline constexpr std::int32_t ScriptErrorDialogStyle = 0x410101;

enum class TScriptDialogAction {
  sdaNone,
  sdaClickAndClose,  // a script report: click into it and close it
  sdaDestroy,        // an error report: destroy the window
};

// What to do with a dialog while script errors are suppressed. `text` is
// the dialog's (rewritten) caption, or its class name when captions are left
// alone; letter case does not matter. "SCRIPT" wins over "ERROR"; the style
// alone marks an error report too.
TScriptDialogAction ScriptDialogAction(std::wstring_view text, std::int32_t styleEx);

}  // namespace kvx
