#pragma once
// A record of the user-wide settings the shell changes while it runs (the
// proxy, the navigation-sound rename, the registry user agent, the browser
// emulation value), kept under the shell's own key in HKEY_CURRENT_USER so
// that a shell which is killed or crashes does not leave them changed for the
// whole user account.
//
// Each change has one record: the state in force before the first copy of the
// shell changed it, the state the latest copy's change left, and the copies
// that hold the change now. A copy is added before it changes anything; the
// last copy to let go puts the recorded state back and the record goes. Only
// while the change is still in force, though: a setting someone else changed
// meanwhile (the user, a VPN client, a login script) keeps their newer value,
// and its record just goes. At start, RecoverAbandoned puts back whatever only
// ended copies still hold. Copies are told apart by process id and creation
// time, so a later process that reuses an id is not taken for an earlier one.
// Every step runs under a lock shared by the copies of the user in every
// session, the change itself too; a step that cannot have it changes nothing.
// What a record keeps, and how it is put back, is each kind's own (JournalKind.h).

#include "toolkit/Win.h"

#include "browser/settings/JournalKind.h"
#include "browser/settings/ProcessIdentity.h"
#include "toolkit/Handles.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvx {

inline constexpr std::wstring_view SettingsJournalKey = L"Software\\Korvexa\\Journal";

class TSettingsJournal {
 public:
  // keyPath: under HKEY_CURRENT_USER. self: the holder this object writes.
  explicit TSettingsJournal(std::wstring keyPath = std::wstring(SettingsJournalKey),
                            TProcessIdentity self = TProcessIdentity::Current());
  TSettingsJournal(const TSettingsJournal&) = delete;
  TSettingsJournal& operator=(const TSettingsJournal&) = delete;

  // Records this process as a holder of the change, the state in force first
  // when no running copy holds it yet, then runs `apply`, which makes the
  // change. Returns what apply returned (false when it threw), or nothing when
  // the record could not be written: then apply did not run. Several Begins of one process are
  // counted; the process holds the change until its last End.
  std::optional<bool> Begin(TJournalKind kind, std::wstring_view name,
                            const std::function<bool()>& apply);

  // This process lets go of the change. When no running copy holds it any
  // more, the recorded state is put back and the record goes. True when this
  // call put the state back. A change this process does not hold is left.
  bool End(TJournalKind kind, std::wstring_view name);

  // Puts back every change that only ended processes hold and clears their
  // records; ended holders are dropped from the others. Run at start, before
  // anything else. Returns how many changes were put back.
  int RecoverAbandoned();

  const std::wstring& KeyPath() const noexcept { return FKeyPath; }

 private:
  struct TRecord;
  class TLock;
  // Every record of this shell's form; a broken one (a value missing or of the wrong type) is
  // noted in the trace and removed, and is not among them.
  std::vector<TRecord> ReadRecords(HKEY journal);
  std::wstring FKeyPath;
  TProcessIdentity FSelf;
  TUniqueKernelHandle FMutex;
  std::map<std::pair<TJournalKind, std::wstring>, int> FHolds;
};

// The name of the lock that every journal under keyPath shares: a mutex in the
// global namespace named for the user, as the journal is the user's in every
// session. Empty when the user cannot be told: then there is no lock.
std::wstring SettingsJournalLockName(std::wstring_view keyPath);

// The process's journal under SettingsJournalKey.
TSettingsJournal& Journal();

// Holds one change of a journal from construction to destruction: Begin, and
// End in the destructor. Move-only; a default or moved-from hold holds nothing.
class TJournalHold {
 public:
  TJournalHold() noexcept = default;
  TJournalHold(TSettingsJournal& journal, TJournalKind kind, std::wstring name,
               const std::function<bool()>& apply);
  ~TJournalHold();
  TJournalHold(TJournalHold&& other) noexcept;
  TJournalHold& operator=(TJournalHold&& other) noexcept;
  TJournalHold(const TJournalHold&) = delete;
  TJournalHold& operator=(const TJournalHold&) = delete;

  // Recorded and held (the change may still have failed: see Applied).
  bool Held() const noexcept { return FJournal != nullptr; }
  // What the change answered; false when it was not made.
  bool Applied() const noexcept { return FApplied; }
  // Lets go now; true when this put the recorded state back.
  bool Release();

 private:
  TSettingsJournal* FJournal = nullptr;
  TJournalKind FKind = TJournalKind::jkProxy;
  std::wstring FName;
  bool FApplied = false;
};

}  // namespace kvx
