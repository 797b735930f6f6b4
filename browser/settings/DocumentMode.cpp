#include "toolkit/Win.h"

#include "browser/settings/DocumentMode.h"

#include "core/DocumentMode.h"
#include "toolkit/Module.h"
#include "toolkit/Registry.h"

namespace kvx {
namespace {

// A text of the engine's key; empty when it is missing or no text.
std::wstring EngineText(HKEY engine, const wchar_t* name) {
  std::wstring text;
  if (engine) ReadRegText(engine, name, text);
  return text;
}

}  // namespace

std::uint32_t InstalledEngineDocumentMode() {
  TUniqueRegKey engine =
      OpenRegKey(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer", KEY_QUERY_VALUE);
  return NewestDocumentMode(EngineText(engine.Get(), L"svcVersion"),
                            EngineText(engine.Get(), L"Version"));
}

std::wstring OwnExecutableName() {
  std::wstring path = ModuleFileName();
  std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

TJournalHold HoldDocumentMode(std::uint32_t mode, TSettingsJournal& journal,
                              std::wstring valueName) {
  return HoldUserValue(TJournalKind::jkBrowserEmulation, std::move(valueName),
                       TRegistryValue::Dword(mode), journal);
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
