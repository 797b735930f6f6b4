#include "core/PageSetupMargin.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace kvx {
namespace {

constexpr double kMillimetresPerInch = 25.4;

bool IsDigit(wchar_t c) noexcept {
  return c >= L'0' && c <= L'9';
}

// The number in `text`, whose decimal separator is `separator`, rewritten
// with a point for the conversion; nothing when it is not a plain number.
std::optional<std::string> PlainNumber(std::wstring_view text, std::wstring_view separator) {
  std::string number;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    if (text[i] == L'-') number += '-';
    ++i;
  }
  bool digits = false;
  while (i < text.size() && IsDigit(text[i])) {
    number += static_cast<char>(text[i++]);
    digits = true;
  }
  if (text.substr(i).starts_with(separator)) {
    number += '.';
    i += separator.size();
    while (i < text.size() && IsDigit(text[i])) {
      number += static_cast<char>(text[i++]);
      digits = true;
    }
  }
  if (!digits) return std::nullopt;
  if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
    number += 'e';
    ++i;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
      number += static_cast<char>(text[i++]);
    if (i == text.size() || !IsDigit(text[i])) return std::nullopt;
    while (i < text.size() && IsDigit(text[i])) number += static_cast<char>(text[i++]);
  }
  if (i != text.size()) return std::nullopt;
  return number;
}

}  // namespace

std::optional<double> PageSetupMarginMillimetres(std::wstring_view text,
                                                 std::wstring_view decimalSeparator) {
  // Only a value with nothing in it is the default: blanks are dropped from
  // a number, and one of blanks alone leaves no number.
  if (text.empty()) text = DefaultPageSetupMargin;
  std::wstring compact;
  for (wchar_t c : text)
    if (c != L' ') compact += c;
  // A locale without a separator of its own reads the point.
  std::wstring_view separator = decimalSeparator.empty() ? L"." : decimalSeparator;
  if (separator != L".") {
    if (auto at = compact.find(L'.'); at != std::wstring::npos) compact.replace(at, 1, separator);
  }
  std::optional<std::string> number = PlainNumber(compact, separator);
  if (!number) return std::nullopt;
  double inches = 0;
  const char* end = number->data() + number->size();
  auto [stop, error] = std::from_chars(number->data(), end, inches);
  if (error != std::errc() || stop != end) return std::nullopt;
  double millimetres = inches * kMillimetresPerInch;
  if (!std::isfinite(millimetres)) return std::nullopt;
  return millimetres;
}

}  // namespace kvx
