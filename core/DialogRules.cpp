#include "core/DialogRules.h"

namespace kvx {
namespace {

std::wstring AsciiUpperCase(std::wstring_view text) {
  std::wstring upper(text);
  for (wchar_t& c : upper)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - (L'a' - L'A'));
  return upper;
}

}  // namespace

std::wstring RewriteDialogCaption(std::wstring_view caption, std::wstring_view newCaption) {
  static constexpr std::wstring_view vendor = L"Microsoft ";
  static constexpr std::wstring_view browser = L"Internet Explorer";
  std::wstring text(caption);
  if (auto at = text.find(vendor); at != std::wstring::npos) text.erase(at, vendor.size());
  if (auto at = text.find(browser); at != std::wstring::npos)
    text.replace(at, browser.size(), newCaption);
  return text;
}

std::int32_t AbsoluteExtendedStyle(std::uint32_t exStyle) noexcept {
  // Negating in unsigned arithmetic: 0x80000000 maps onto itself.
  std::uint32_t magnitude = (exStyle & 0x80000000u) ? 0u - exStyle : exStyle;
  return static_cast<std::int32_t>(magnitude);
}

TScriptDialogAction ScriptDialogAction(std::wstring_view text, std::int32_t styleEx) {
  std::wstring upper = AsciiUpperCase(text);
  if (upper.find(L"SCRIPT") != std::wstring::npos) return TScriptDialogAction::sdaClickAndClose;
  if (upper.find(L"ERROR") != std::wstring::npos || styleEx == ScriptErrorDialogStyle)
    return TScriptDialogAction::sdaDestroy;
  return TScriptDialogAction::sdaNone;
}

}  // namespace kvx
