#pragma once
// A record of the user-wide settings the shell changes while it runs (the
// proxy, the navigation-sound rename, the registry user agent, the browser
// emulation value), kept under the shell's own key in HKEY_CURRENT_USER so
// that a shell which is killed or crashes does not leave them changed for the
// whole user account.
//
// Each change has one record: the state in force before the first copy of the
// shell changed it, and the copies that hold the change now. A copy is added
// before it changes anything; the last copy to let go puts the recorded state
// back and the record goes. At start, RecoverAbandoned puts back whatever only
// ended copies still hold. Copies are told apart by process id and creation
// time, so a later process that reuses an id is not taken for an earlier one.
// Every step runs under a lock shared by the copies, the change itself too.

#include "toolkit/Win.h"

#include "toolkit/Handles.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvx {

struct TProcessIdentity {
  DWORD Id = 0;
  std::uint64_t CreationTime = 0;  // FILETIME units

  static TProcessIdentity Current();
  // Of a process handle with query access; all zero when unreadable.
  static TProcessIdentity Of(HANDLE process);
  // False once the process has ended or its id belongs to another process.
  bool IsRunning() const;
  friend bool operator==(const TProcessIdentity&, const TProcessIdentity&) = default;
};

enum class TJournalKind {
  jkProxy,             // the LAN connection's per-connection proxy options; no name
  jkNavigationSound,   // the ".Current" rename of the navigation sound; no name
  jkRegistryAgent,     // a value under PostPlatformKey; the name is the value's
  jkBrowserEmulation,  // a value under BrowserEmulationKey; the name is the value's
};

inline constexpr std::wstring_view SettingsJournalKey = L"Software\\Korvexa\\Journal";
inline constexpr std::wstring_view PostPlatformKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post Platform";
inline constexpr std::wstring_view BrowserEmulationKey =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

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
  std::vector<TRecord> ReadRecords(HKEY journal) const;
  std::wstring FKeyPath;
  TProcessIdentity FSelf;
  TUniqueKernelHandle FMutex;
  std::map<std::pair<TJournalKind, std::wstring>, int> FHolds;
};

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

// The navigation sound muted while the hold lives (MuteNavigationSound).
TJournalHold HoldMutedNavigationSound(TSettingsJournal& journal = Journal());

// A value under the key of a registry kind (jkRegistryAgent, jkBrowserEmulation)
// set while the hold lives; the value that was there before, or none, comes
// back when the last copy lets go. The key is created when missing.
TJournalHold HoldUserValue(TJournalKind kind, std::wstring valueName, DWORD type,
                           std::vector<BYTE> data, TSettingsJournal& journal = Journal());

// The registry user agent: a REG_SZ value with empty data named `valueName`
// under PostPlatformKey while the hold lives.
TJournalHold HoldRegistryAgent(std::wstring valueName, TSettingsJournal& journal = Journal());

}  // namespace kvx
