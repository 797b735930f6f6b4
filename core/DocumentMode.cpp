#include "core/DocumentMode.h"

#include "core/BrowserOptions.h"
#include "core/CodePage.h"
#include "core/Text.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace kvx {
namespace {

std::string InvalidDocumentModeMessage(std::string_view value) {
  std::vector<std::string> allowed;
  for (std::uint32_t mode : DocumentModeValues) allowed.push_back(std::to_string(mode));
  allowed.emplace_back(DocumentModeAutomaticText);
  return InvalidBrowserOptionMessage(WideToGbk(DocumentModeKey), value, allowed);
}

// The leading decimal number of a version text, up to its first dot.
std::optional<std::uint32_t> VersionPart(std::wstring_view& text) {
  std::uint32_t value = 0;
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= L'0' && text[digits] <= L'9') {
    if (value > 100000) return std::nullopt;
    value = value * 10 + static_cast<std::uint32_t>(text[digits] - L'0');
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  text.remove_prefix(digits);
  if (!text.empty() && text.front() == L'.') text.remove_prefix(1);
  return value;
}

std::optional<std::uint32_t> EngineMajorVersion(std::wstring_view version) {
  std::optional<std::uint32_t> major = VersionPart(version);
  if (!major) return std::nullopt;
  // Engines 10 and 11 keep "9.10..." and "9.11..." in Version for old readers.
  if (*major == 9) {
    std::optional<std::uint32_t> minor = VersionPart(version);
    if (minor && *minor >= 10) return minor;
  }
  return major;
}

}  // namespace

TDocumentModeOption ParseDocumentMode(std::string_view text) {
  TDocumentModeOption option;
  text = TrimBlanks(text);
  if (text.empty()) return option;
  if (text == DocumentModeAutomaticText) {
    option.Kind = TDocumentModeKind::dmAutomatic;
    return option;
  }
  for (std::uint32_t mode : DocumentModeValues) {
    if (text == std::to_string(mode)) {
      option.Kind = TDocumentModeKind::dmFixed;
      option.Mode = mode;
      return option;
    }
  }
  option.Kind = TDocumentModeKind::dmInvalid;
  option.Error = InvalidDocumentModeMessage(text);
  return option;
}

std::uint32_t NewestDocumentMode(std::wstring_view svcVersion, std::wstring_view version) {
  std::optional<std::uint32_t> major = EngineMajorVersion(svcVersion);
  if (!major) major = EngineMajorVersion(version);
  if (!major || *major < 7) return 0;
  return std::min<std::uint32_t>(*major, 11) * 1000;
}

}  // namespace kvx
