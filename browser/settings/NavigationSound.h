#pragma once
// The navigation click sound of the user's sound scheme, muted while the
// shell runs.

#include "toolkit/Win.h"

#include "browser/settings/SettingsJournal.h"

#include <string_view>

namespace kvx {

// The navigation click's scheme under HKEY_CURRENT_USER. Muting renames its
// ".Current" subkey to "Old_Current", unmuting renames it back; a rename
// copies the whole subkey and deletes the source only once the copy is whole.
// Silent: a missing key or a failure leaves everything as it was.
inline constexpr std::wstring_view NavigationSoundKey =
    L"AppEvents\\Schemes\\Apps\\Explorer\\Navigating";
void MuteNavigationSound(bool mute) noexcept;

// The navigation sound muted while the hold lives (MuteNavigationSound).
TJournalHold HoldMutedNavigationSound(TSettingsJournal& journal = Journal());

// The journal's navigation sound kind: records whether there was a sound to
// mute, and unmutes.
const TJournalKindHandler& NavigationSoundJournalKind();

}  // namespace kvx
