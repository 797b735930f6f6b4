#pragma once
// The component's print options and the step that seeds them from the
// platform's page-setup settings of the user. The options are held as set;
// nothing here applies them to printing.

#include "toolkit/Win.h"

#include <string>
#include <string_view>
#include <vector>

namespace kvx {

enum class TPrintOrientationOption { poPortrait = 0, poLandScape = 1 };

// Millimetres (the platform's page setup keeps inches).
struct TMargins {
  double Left = 0;
  double Right = 0;
  double Top = 0;
  double Bottom = 0;
};

// Header and Footer are GBK texts in the platform's page-setup notation
// (&w, &u, &d, &p, &P, the &b alignment separator), kept as written.
struct TPrintOptions {
  bool Enabled = false;
  TMargins Margins;
  std::string Header;
  std::vector<std::string> HTMLHeader{"<HTML></HTML>"};
  std::string Footer;
  TPrintOrientationOption Orientation = TPrintOrientationOption::poPortrait;
};

// What the main window stores for its browser: 19.05 mm (0.75 inch) all
// round, "&w&b页码，&p/&P" as header, "&u&b&d" as footer, portrait.
TPrintOptions MainWindowPrintOptions();

// The user's page-setup settings, under HKEY_CURRENT_USER.
inline constexpr std::wstring_view PageSetupKey =
    L"Software\\Microsoft\\Internet Explorer\\PageSetup";

// The user's decimal separator (the locale's, with the user's own choice).
std::wstring LocaleDecimalSeparator();

// The margin value `name` of the open page-setup key, in millimetres: a
// missing or empty value is 0.75 inch. Raises an error for a value that is no
// number or no text.
double ReadRegistryMargin(HKEY pageSetup, const wchar_t* name, std::wstring_view decimalSeparator);

// Seeds Header, Footer and the four margins from the user's page-setup key,
// which is opened for reading only and never created. False, with nothing
// changed, when the key cannot be opened. A value that cannot be read ends
// the step with false; what was read before it stays.
bool ReadPageSetupDefaults(TPrintOptions& options);
bool ReadPageSetupDefaults(TPrintOptions& options, std::wstring_view decimalSeparator);

}  // namespace kvx
