#pragma once
// Values the shell sets in the user's browser settings while it runs: the
// registry user agent and the browser emulation (document mode) value. The
// value that was there before, or none, comes back when the last copy of the
// shell lets go.

#include "toolkit/Win.h"

#include "browser/settings/SettingsJournal.h"
#include "toolkit/Registry.h"

#include <string>
#include <string_view>

namespace kvx {

inline constexpr std::wstring_view PostPlatformKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post Platform";
inline constexpr std::wstring_view BrowserEmulationKey =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

// A value under the key of a registry kind (jkRegistryAgent, jkBrowserEmulation)
// set while the hold lives; the value that was there before, or none, comes
// back when the last copy lets go. The key is created when missing.
TJournalHold HoldUserValue(TJournalKind kind, std::wstring valueName, TRegistryValue value,
                           TSettingsJournal& journal = Journal());

// The registry user agent: a REG_SZ value with empty data named `valueName`
// under PostPlatformKey while the hold lives.
TJournalHold HoldRegistryAgent(std::wstring valueName, TSettingsJournal& journal = Journal());

// The journal's kinds of these values: each records the value in force under
// its key (or that there was none), and puts it back.
const TJournalKindHandler& RegistryAgentJournalKind();
const TJournalKindHandler& BrowserEmulationJournalKind();

}  // namespace kvx
