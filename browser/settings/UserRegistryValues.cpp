#include "toolkit/Win.h"

#include "browser/settings/UserRegistryValues.h"

namespace kvx {
namespace {

std::wstring_view UserValueKey(TJournalKind kind) {
  return kind == TJournalKind::jkRegistryAgent ? PostPlatformKey : BrowserEmulationKey;
}

std::optional<TJournalPrior> CaptureUserValue(TJournalKind kind, std::wstring_view name) {
  LONG error = ERROR_SUCCESS;
  TUniqueRegKey key = OpenRegKey(HKEY_CURRENT_USER, UserValueKey(kind), KEY_READ, &error);
  if (error == ERROR_FILE_NOT_FOUND) return TJournalPrior{};
  if (!key) return std::nullopt;
  TRegistryValue value;
  if (!ReadRegValue(key.Get(), name, value)) return TJournalPrior{};
  return TJournalPrior{{L"Value", std::move(value)}};
}

bool UndoUserValue(TJournalKind kind, std::wstring_view name, const TJournalPrior& prior) {
  if (const TRegistryValue* value = FindPrior(prior, L"Value")) {
    TUniqueRegKey key = CreateRegKey(HKEY_CURRENT_USER, UserValueKey(kind), KEY_SET_VALUE);
    return key && WriteRegValue(key.Get(), name, *value);
  }
  LONG error = ERROR_SUCCESS;
  TUniqueRegKey key = OpenRegKey(HKEY_CURRENT_USER, UserValueKey(kind), KEY_SET_VALUE, &error);
  if (error == ERROR_FILE_NOT_FOUND) return true;
  return key && DeleteRegValue(key.Get(), name);
}

template <TJournalKind Kind>
std::optional<TJournalPrior> Capture(std::wstring_view name) {
  return CaptureUserValue(Kind, name);
}

template <TJournalKind Kind>
bool Undo(std::wstring_view name, const TJournalPrior& prior) {
  return UndoUserValue(Kind, name, prior);
}

// The value is kept as it was stored, of whatever type; none when there was none.
bool ReadableUserValue(const TJournalPrior&) {
  return true;
}

}  // namespace

TJournalHold HoldUserValue(TJournalKind kind, std::wstring valueName, TRegistryValue value,
                           TSettingsJournal& journal) {
  return TJournalHold(journal, kind, valueName, [&] {
    TUniqueRegKey key = CreateRegKey(HKEY_CURRENT_USER, UserValueKey(kind), KEY_SET_VALUE);
    return key && WriteRegValue(key.Get(), valueName, value);
  });
}

TJournalHold HoldRegistryAgent(std::wstring valueName, TSettingsJournal& journal) {
  return HoldUserValue(TJournalKind::jkRegistryAgent, std::move(valueName),
                       TRegistryValue::Text(L""), journal);
}

const TJournalKindHandler& RegistryAgentJournalKind() {
  static const TJournalKindHandler handler{TJournalKind::jkRegistryAgent, L"RegistryAgent",
                                           Capture<TJournalKind::jkRegistryAgent>,
                                           Undo<TJournalKind::jkRegistryAgent>, ReadableUserValue};
  return handler;
}

const TJournalKindHandler& BrowserEmulationJournalKind() {
  static const TJournalKindHandler handler{TJournalKind::jkBrowserEmulation, L"BrowserEmulation",
                                           Capture<TJournalKind::jkBrowserEmulation>,
                                           Undo<TJournalKind::jkBrowserEmulation>,
                                           ReadableUserValue};
  return handler;
}

}  // namespace kvx
