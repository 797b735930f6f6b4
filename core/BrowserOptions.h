#pragma once
// The options of korvexa.ini's [浏览器] section that are read in every kind of
// start (文档模式 is in DocumentMode.h), and the new-window option: where a
// page's link with a new-window target or a script's window.open goes. Kept
// free of the platform so the grammar and the decision can be tested as tables.

#include <string>
#include <string_view>
#include <vector>

namespace kvx {

// korvexa.ini's names (UTF-16 here; GBK in the file).
inline constexpr std::wstring_view BrowserSection = L"浏览器";
inline constexpr std::wstring_view DocumentModeKey = L"文档模式";
inline constexpr std::wstring_view NewWindowKey = L"新窗口";

enum class TNewWindowMode {
  nwDefault,    // "默认": the platform opens its own browser window
  nwOwnWindow,  // "本窗口": the address opens in the shell's own window
  nwBlocked,    // "禁止": nothing opens
};

struct TNewWindowOption {
  TNewWindowMode Mode = TNewWindowMode::nwDefault;
  std::string Error;  // GBK; set for an unknown value, which counts as "默认"
};

// The option's value as read from korvexa.ini (GBK). Blanks around it are
// ignored; an empty value is "默认", like a missing key.
TNewWindowOption ParseNewWindowOption(std::string_view text);

enum class TNewWindowAction {
  naAllow,     // the platform's window opens, as without the option
  naBlock,     // nothing opens and the shell's page stays
  naOpenHere,  // nothing opens; the shell's own browser goes to the address
  naClose,     // nothing opens; the shell closes the way the close address asks
};

// What becomes of a new window for the address `url` (GBK, as the page gave
// it). The close address keeps closing the shell (after its confirmation)
// whatever the option but "默认". A window without an address (empty, or
// about:blank, which a script fills itself) is never opened here: that would
// replace the application's page with an empty one. The application's own
// dialogs (htmlDialog: a page's modal or modeless dialog) are no browser
// windows: they open as the platform opens them, whatever the option.
TNewWindowAction DecideNewWindow(TNewWindowMode mode, std::string_view url,
                                 bool htmlDialog = false);

// The notice for an unknown value of a [浏览器] option (GBK): names the file,
// section, key and value, says the option is ignored, and lists the allowed
// values ("a、b 或 c").
std::string InvalidBrowserOptionMessage(std::string_view key, std::string_view value,
                                        const std::vector<std::string>& allowed);

}  // namespace kvx
