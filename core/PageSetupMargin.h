#pragma once
// The page-setup margins as the platform keeps them for the user (text, in
// inches, written with the locale's decimal separator or with a point) and as
// the browser component holds them (millimetres). Platform-free so the text
// rules are a table.

#include <optional>
#include <string_view>

namespace kvx {

// The margin the platform uses when none is stored: 0.75 inch.
inline constexpr std::wstring_view DefaultPageSetupMargin = L"0.750000";

// Millimetres for a stored margin text. An empty text is the default margin;
// one of blanks alone is nothing. Blanks anywhere are dropped; a point is read as the decimal
// separator where the locale uses another (only the first point: "1.234.5" is
// no number); the locale's own separator is read as such. The number is an
// optional sign, digits with at most one separator, and an optional exponent.
// Anything else, or a value out of range, is nothing.
std::optional<double> PageSetupMarginMillimetres(std::wstring_view text,
                                                 std::wstring_view decimalSeparator);

}  // namespace kvx
