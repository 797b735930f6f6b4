#include "toolkit/Win.h"

#include "browser/settings/JournalKind.h"

#include "browser/settings/NavigationSound.h"
#include "browser/settings/ProxySettings.h"
#include "browser/settings/UserRegistryValues.h"

namespace kvx {

const TRegistryValue* FindPrior(const TJournalPrior& prior, std::wstring_view name) {
  for (const auto& [priorName, value] : prior)
    if (priorName == name) return &value;
  return nullptr;
}

std::optional<DWORD> PriorDword(const TJournalPrior& prior, std::wstring_view name) {
  const TRegistryValue* value = FindPrior(prior, name);
  return value ? value->ToDword() : std::nullopt;
}

std::optional<std::wstring> PriorText(const TJournalPrior& prior, std::wstring_view name) {
  const TRegistryValue* value = FindPrior(prior, name);
  return value ? value->ToText() : std::nullopt;
}

bool PriorTextOrAbsent(const TJournalPrior& prior, std::wstring_view name) {
  const TRegistryValue* value = FindPrior(prior, name);
  return !value || value->ToText();
}

const TJournalKindHandler& HandlerOf(TJournalKind kind) {
  // Every kind has its case: the compiler tells of one without.
  switch (kind) {
    case TJournalKind::jkProxy:
      return ProxyJournalKind();
    case TJournalKind::jkNavigationSound:
      return NavigationSoundJournalKind();
    case TJournalKind::jkRegistryAgent:
      return RegistryAgentJournalKind();
    case TJournalKind::jkBrowserEmulation:
      return BrowserEmulationJournalKind();
  }
  return ProxyJournalKind();
}

const TJournalKindHandler* HandlerOf(std::wstring_view tag) {
  // The kinds of the switch above.
  for (TJournalKind kind : {TJournalKind::jkProxy, TJournalKind::jkNavigationSound,
                            TJournalKind::jkRegistryAgent, TJournalKind::jkBrowserEmulation}) {
    const TJournalKindHandler& handler = HandlerOf(kind);
    if (tag == handler.Tag) return &handler;
  }
  return nullptr;
}

}  // namespace kvx
