#include "toolkit/Win.h"

#include "browser/component/PrintOptions.h"

#include "core/CodePage.h"
#include "core/PageSetupMargin.h"
#include "toolkit/Exceptions.h"
#include "toolkit/Registry.h"

#include <iterator>
#include <optional>

namespace kvx {
namespace {

// A text value of the key; a missing one reads as empty.
std::wstring ReadRegistryText(HKEY key, const wchar_t* name) {
  TRegistryValue value;
  LONG error = ERROR_SUCCESS;
  if (!ReadRegValue(key, name, value, &error)) {
    if (error == ERROR_FILE_NOT_FOUND) return {};
  } else if (std::optional<std::wstring> text = value.ToText()) {
    return *text;
  }
  throw Exception("Page setup value " + WideToGbk(name) + " is no readable text");
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
  TUniqueRegKey key = OpenRegKey(HKEY_CURRENT_USER, PageSetupKey, KEY_QUERY_VALUE);
  if (!key) return false;
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
