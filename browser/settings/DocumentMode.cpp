#include "toolkit/Win.h"

#include "browser/settings/DocumentMode.h"

#include "core/DocumentMode.h"
#include "toolkit/Module.h"

#include <cstring>

namespace kvx {
namespace {

std::wstring MachineText(const wchar_t* key, const wchar_t* name) {
  wchar_t text[128];
  DWORD size = sizeof(text);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, text, &size) !=
      ERROR_SUCCESS)
    return {};
  return text;
}

}  // namespace

std::uint32_t InstalledEngineDocumentMode() {
  constexpr const wchar_t* engineKey = L"Software\\Microsoft\\Internet Explorer";
  return NewestDocumentMode(MachineText(engineKey, L"svcVersion"),
                            MachineText(engineKey, L"Version"));
}

std::wstring OwnExecutableName() {
  std::wstring path = ModuleFileName();
  std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

TJournalHold HoldDocumentMode(std::uint32_t mode, TSettingsJournal& journal,
                              std::wstring valueName) {
  std::vector<BYTE> data(sizeof(DWORD));
  const DWORD value = mode;
  std::memcpy(data.data(), &value, sizeof(value));
  return HoldUserValue(TJournalKind::jkBrowserEmulation, std::move(valueName), REG_DWORD,
                       std::move(data), journal);
}

TDocumentModeResult HoldDocumentModeOption(std::string_view optionText, TSettingsJournal& journal,
                                           std::wstring valueName) {
  TDocumentModeResult result;
  TDocumentModeOption option = ParseDocumentMode(optionText);
  std::uint32_t mode = 0;
  switch (option.Kind) {
    case TDocumentModeKind::dmOff:
      return result;
    case TDocumentModeKind::dmInvalid:
      result.Error = std::move(option.Error);
      return result;
    case TDocumentModeKind::dmFixed:
      mode = option.Mode;
      break;
    case TDocumentModeKind::dmAutomatic:
      mode = InstalledEngineDocumentMode();
      break;
  }
  // An engine too old for document modes, or unknown: the control's own mode.
  if (mode != 0) result.Hold = HoldDocumentMode(mode, journal, std::move(valueName));
  return result;
}

}  // namespace kvx
