#include "toolkit/Win.h"

#include "browser/component/PrintOptions.h"

#include "core/CodePage.h"
#include "core/PageSetupMargin.h"
#include "toolkit/Exceptions.h"
#include "toolkit/Handles.h"

#include <cwchar>
#include <iterator>
#include <optional>

namespace kvx {
namespace {

bool IsText(DWORD type) noexcept {
  return type == REG_SZ || type == REG_EXPAND_SZ;
}

// A text value of the key, up to its first terminator; a missing one reads as empty.
std::wstring ReadRegistryText(HKEY key, const wchar_t* name) {
  for (;;) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG result = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    if (result == ERROR_FILE_NOT_FOUND) return {};
    if (result != ERROR_SUCCESS || !IsText(type))
      throw Exception("Page setup value " + WideToGbk(name) + " is no readable text");
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = size;
    result =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes);
    if (result == ERROR_MORE_DATA) continue;  // it grew in between
    if (result == ERROR_FILE_NOT_FOUND) return {};
    if (result != ERROR_SUCCESS || !IsText(type))
      throw Exception("Page setup value " + WideToGbk(name) + " is no readable text");
    text.resize(wcsnlen(text.data(), bytes / sizeof(wchar_t)));
    return text;
  }
}

}  // namespace

TPrintOptions MainWindowPrintOptions() {
  TPrintOptions options;
  options.Margins = {19.05, 19.05, 19.05, 19.05};
  options.Header = "&w&b\xD2\xB3\xC2\xEB\xA3\xAC&p/&P";  // &w&b页码，&p/&P
  options.Footer = "&u&b&d";
  return options;
}

std::wstring LocaleDecimalSeparator() {
  wchar_t separator[8] = {};  // the locale allows four characters and the terminator
  if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator,
                      static_cast<int>(std::size(separator))))
    return L".";
  return separator;
}

double ReadRegistryMargin(HKEY pageSetup, const wchar_t* name, std::wstring_view decimalSeparator) {
  std::wstring text = ReadRegistryText(pageSetup, name);
  std::optional<double> millimetres = PageSetupMarginMillimetres(text, decimalSeparator);
  if (!millimetres)
    throw Exception("Page setup value " + WideToGbk(name) + " is no margin: " + WideToGbk(text));
  return *millimetres;
}

bool ReadPageSetupDefaults(TPrintOptions& options) {
  return ReadPageSetupDefaults(options, LocaleDecimalSeparator());
}

bool ReadPageSetupDefaults(TPrintOptions& options, std::wstring_view decimalSeparator) {
  TUniqueRegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, std::wstring(PageSetupKey).c_str(), 0, KEY_QUERY_VALUE,
                    key.Put()) != ERROR_SUCCESS)
    return false;
  try {
    options.Header = WideToGbk(ReadRegistryText(key.Get(), L"header"));
    options.Footer = WideToGbk(ReadRegistryText(key.Get(), L"footer"));
    options.Margins.Left = ReadRegistryMargin(key.Get(), L"margin_left", decimalSeparator);
    options.Margins.Right = ReadRegistryMargin(key.Get(), L"margin_right", decimalSeparator);
    options.Margins.Top = ReadRegistryMargin(key.Get(), L"margin_top", decimalSeparator);
    options.Margins.Bottom = ReadRegistryMargin(key.Get(), L"margin_bottom", decimalSeparator);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

}  // namespace kvx
