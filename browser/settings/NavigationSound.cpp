#include "toolkit/Win.h"

#include "browser/settings/NavigationSound.h"

#include "toolkit/Registry.h"

#include <string>

namespace kvx {
namespace {

std::wstring NavigationSoundSubkey(const wchar_t* name) {
  return std::wstring(NavigationSoundKey) + L"\\" + name;
}

bool SoundKeyExists(const wchar_t* name) {
  return static_cast<bool>(OpenRegKey(HKEY_CURRENT_USER, NavigationSoundSubkey(name), KEY_READ));
}

// Whether there was a sound to mute; without one, muting changed nothing and
// unmuting must not take over an "Old_Current" that is someone else's.
std::optional<TJournalPrior> CaptureNavigationSound(std::wstring_view) {
  return TJournalPrior{{L"HadCurrent", TRegistryValue::Dword(SoundKeyExists(L".Current") ? 1 : 0)}};
}

bool UndoNavigationSound(std::wstring_view, const TJournalPrior& prior) {
  if (PriorDword(prior, L"HadCurrent").value_or(0) == 0) return true;
  MuteNavigationSound(false);
  return !SoundKeyExists(L"Old_Current");
}

bool ReadableNavigationSound(const TJournalPrior& prior) {
  return PriorDword(prior, L"HadCurrent").has_value();
}

}  // namespace

void MuteNavigationSound(bool mute) noexcept {
  try {
    const wchar_t* from = mute ? L".Current" : L"Old_Current";
    const wchar_t* to = mute ? L"Old_Current" : L".Current";
    TUniqueRegKey source = OpenRegKey(HKEY_CURRENT_USER, NavigationSoundSubkey(from), KEY_READ);
    if (!source) return;
    TUniqueRegKey parent = mute
                               ? CreateRegKey(HKEY_CURRENT_USER, NavigationSoundKey, KEY_ALL_ACCESS)
                               : OpenRegKey(HKEY_CURRENT_USER, NavigationSoundKey, KEY_ALL_ACCESS);
    if (!parent) return;
    TUniqueRegKey target = CreateRegKey(parent.Get(), to, KEY_ALL_ACCESS);
    if (!target) return;
    // The source goes only once its copy is whole: a failed copy loses nothing.
    if (!CopyRegTree(source.Get(), target.Get())) return;
    source.Reset();
    DeleteRegTree(parent.Get(), from);
  } catch (...) {
  }
}

TJournalHold HoldMutedNavigationSound(TSettingsJournal& journal) {
  return TJournalHold(journal, TJournalKind::jkNavigationSound, L"", [] {
    MuteNavigationSound(true);
    return true;
  });
}

const TJournalKindHandler& NavigationSoundJournalKind() {
  static const TJournalKindHandler handler{TJournalKind::jkNavigationSound, L"NavigationSound",
                                           CaptureNavigationSound, UndoNavigationSound,
                                           ReadableNavigationSound};
  return handler;
}

}  // namespace kvx
