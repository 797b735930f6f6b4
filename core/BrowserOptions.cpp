#include "core/BrowserOptions.h"

#include "core/CodePage.h"
#include "core/Startup.h"
#include "core/Text.h"

namespace kvx {
namespace {

struct TNewWindowModeName {
  std::wstring_view Name;
  TNewWindowMode Mode;
};

constexpr TNewWindowModeName NewWindowModeNames[] = {
    {L"默认", TNewWindowMode::nwDefault},
    {L"本窗口", TNewWindowMode::nwOwnWindow},
    {L"禁止", TNewWindowMode::nwBlocked},
};

// A window a script opens without an address, to write into it itself.
bool IsBlankAddress(std::string_view url) {
  constexpr std::string_view blank = "ABOUT:BLANK";
  const std::string address = AsciiUpperCase(TrimBlanks(url));
  if (address.empty()) return true;
  if (address.compare(0, blank.size(), blank) != 0) return false;
  return address.size() == blank.size() || address[blank.size()] == '#' ||
         address[blank.size()] == '?';
}

}  // namespace

TNewWindowOption ParseNewWindowOption(std::string_view text) {
  TNewWindowOption option;
  text = TrimBlanks(text);
  if (text.empty()) return option;
  std::vector<std::string> allowed;
  for (const TNewWindowModeName& name : NewWindowModeNames) {
    allowed.push_back(WideToGbk(name.Name));
    if (text == allowed.back()) {
      option.Mode = name.Mode;
      return option;
    }
  }
  option.Error = InvalidBrowserOptionMessage(WideToGbk(NewWindowKey), text, allowed);
  return option;
}

TNewWindowAction DecideNewWindow(TNewWindowMode mode, std::string_view url, bool htmlDialog) {
  if (mode == TNewWindowMode::nwDefault || htmlDialog) return TNewWindowAction::naAllow;
  if (IsCloseAddress(url)) return TNewWindowAction::naClose;
  if (mode == TNewWindowMode::nwBlocked || IsBlankAddress(url)) return TNewWindowAction::naBlock;
  return TNewWindowAction::naOpenHere;
}

std::string InvalidBrowserOptionMessage(std::string_view key, std::string_view value,
                                        const std::vector<std::string>& allowed) {
  std::string message = WideToGbk(L"korvexa.ini 中 [") + WideToGbk(BrowserSection) + "] ";
  message += key;
  message += WideToGbk(L" 的值“");
  message += value;
  message += WideToGbk(L"”无效，已忽略该设置。允许的值：");
  for (std::size_t i = 0; i < allowed.size(); ++i) {
    if (i > 0) message += WideToGbk(i + 1 == allowed.size() ? L" 或 " : L"、");
    message += allowed[i];
  }
  message += WideToGbk(L"。");
  return message;
}

}  // namespace kvx
