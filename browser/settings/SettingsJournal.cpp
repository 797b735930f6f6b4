#include "toolkit/Win.h"

#include "browser/settings/SettingsJournal.h"

#include "toolkit/Registry.h"
#include "toolkit/Trace.h"

#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <iterator>
#include <memory>

namespace kvx {
namespace {

struct TLocalFree {
  void operator()(void* memory) const noexcept { LocalFree(memory); }
};

// A record keeps the state to put back as values named "Prior." + a name of
// its kind's choosing, in the type and bytes they had, and beside it the
// state the shell's change left, as "Applied." + the same names. "Applied"
// (a DWORD) is written after those: without it the state the change left is
// not known (the copy died right after the change, or the record is an older
// shell's, which kept no such state), and the prior state comes back whatever
// is in force then.
constexpr std::wstring_view PriorPrefix = L"Prior.";
// The form of the record's values. A record of another form is another
// shell's to read and put back: this one leaves it as it is. Records that
// shells before the form had a number wrote carry no "Version" and are read
// as form 1: their values are the same, without the state their change left.
constexpr DWORD FormatVersion = 1;
constexpr std::wstring_view AppliedPrefix = L"Applied.";
constexpr wchar_t AppliedMarker[] = L"Applied";

// The user this process runs for, as the platform writes a SID; empty when it
// cannot be told.
std::wstring CurrentUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return L"";
  const TUniqueKernelHandle ownedToken(token);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) return L"";
  std::vector<BYTE> user(size);
  if (!GetTokenInformation(token, TokenUser, user.data(), size, &size)) return L"";
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid, &text))
    return L"";
  const std::unique_ptr<wchar_t, TLocalFree> ownedText(text);
  return text;
}

// ---- Holders: "id:creation time" texts of a REG_MULTI_SZ ----

std::wstring HolderText(const TProcessIdentity& holder) {
  wchar_t text[48];
  std::swprintf(text, std::size(text), L"%lu:%016llx", static_cast<unsigned long>(holder.Id),
                static_cast<unsigned long long>(holder.CreationTime));
  return text;
}

std::optional<TProcessIdentity> ParseHolder(const std::wstring& text) {
  unsigned long id = 0;
  unsigned long long creation = 0;
  int used = 0;
  if (std::swscanf(text.c_str(), L"%lu:%llx%n", &id, &creation, &used) != 2 ||
      static_cast<std::size_t>(used) != text.size())
    return std::nullopt;
  return TProcessIdentity{static_cast<DWORD>(id), creation};
}

TRegistryValue HoldersValue(const std::vector<TProcessIdentity>& holders) {
  std::vector<std::wstring> texts;
  for (const TProcessIdentity& holder : holders) texts.push_back(HolderText(holder));
  return TRegistryValue::MultiText(texts);
}

std::vector<TProcessIdentity> ParseHolders(const TRegistryValue& value) {
  std::vector<TProcessIdentity> holders;
  for (const std::wstring& text : value.ToMultiText().value_or(std::vector<std::wstring>{}))
    if (std::optional<TProcessIdentity> holder = ParseHolder(text)) holders.push_back(*holder);
  return holders;
}

}  // namespace

std::wstring SettingsJournalLockName(std::wstring_view keyPath) {
  std::wstring sid = CurrentUserSid();
  if (sid.empty()) return L"";
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a of the lower-cased path
  for (wchar_t c : keyPath) {
    hash ^= static_cast<std::uint64_t>(towlower(c));
    hash *= 1099511628211ull;
  }
  wchar_t text[64];
  std::swprintf(text, std::size(text), L".%016llx", static_cast<unsigned long long>(hash));
  return L"Global\\Korvexa.SettingsJournal." + sid + text;
}

// ---- The journal ----

struct TSettingsJournal::TRecord {
  std::wstring KeyName;
  const TJournalKindHandler* Handler = nullptr;  // null: a kind this program does not know
  std::wstring Name;
  bool Complete = false;  // the holders are written last: without them, nothing was changed
  bool Broken = false;    // complete, but a value is missing or of the wrong type
  std::vector<TProcessIdentity> Holders;
  TJournalPrior Prior;
  std::optional<TJournalPrior> Applied;

  bool Is(TJournalKind kind, std::wstring_view name) const {
    return Handler && Handler->Kind == kind && Name == name;
  }
};

class TSettingsJournal::TLock {
 public:
  // A copy that holds the lock for this long is hung: give up rather than
  // hang this copy too. A step without the lock changes nothing: unlocked,
  // two copies could each take the other's change for the state before.
  explicit TLock(HANDLE mutex) : FMutex(mutex) {
    DWORD waited = mutex ? WaitForSingleObject(mutex, 30000) : WAIT_FAILED;
    FOwned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  bool Owned() const noexcept { return FOwned; }
  ~TLock() {
    if (FOwned) ReleaseMutex(FMutex);
  }
  TLock(const TLock&) = delete;
  TLock& operator=(const TLock&) = delete;

 private:
  HANDLE FMutex;
  bool FOwned = false;
};

namespace {

TUniqueRegKey OpenJournalKey(const std::wstring& path, bool create) {
  return create ? CreateRegKey(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS)
                : OpenRegKey(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS);
}

bool WriteHolders(HKEY journal, const std::wstring& recordName,
                  const std::vector<TProcessIdentity>& holders) {
  TUniqueRegKey record = OpenRegKey(journal, recordName, KEY_SET_VALUE);
  return record && WriteRegValue(record.Get(), L"Holders", HoldersValue(holders));
}

// A new record under a free name; the holders go last, so a record cut short
// by a crash shows that nothing was changed yet. Answers the record's key name.
std::optional<std::wstring> WriteRecord(HKEY journal, const TJournalKindHandler& handler,
                                        std::wstring_view name, const TJournalPrior& prior,
                                        const TProcessIdentity& holder) {
  std::vector<std::wstring> taken = ListRegSubkeys(journal);
  std::wstring recordName;
  for (int number = 1;; ++number) {
    recordName = std::wstring(handler.Tag) + L"." + std::to_wstring(number);
    if (std::find(taken.begin(), taken.end(), recordName) == taken.end()) break;
  }
  TUniqueRegKey record = CreateRegKey(journal, recordName, KEY_ALL_ACCESS);
  if (!record) return std::nullopt;
  bool written = WriteRegValue(record.Get(), L"Version", TRegistryValue::Dword(FormatVersion)) &&
                 WriteRegValue(record.Get(), L"Kind", TRegistryValue::Text(handler.Tag)) &&
                 WriteRegValue(record.Get(), L"Name", TRegistryValue::Text(name));
  for (const auto& [priorName, value] : prior)
    written = written && WriteRegValue(record.Get(), std::wstring(PriorPrefix) + priorName, value);
  written = written && WriteRegValue(record.Get(), L"Holders", HoldersValue({holder}));
  if (!written) {
    record.Reset();
    DeleteRegTree(journal, recordName);
    return std::nullopt;
  }
  return recordName;
}

// The state the latest change left, in place of any earlier copy's.
void WriteApplied(HKEY journal, const std::wstring& recordName, const TJournalPrior& applied) {
  TUniqueRegKey record = OpenRegKey(journal, recordName, KEY_ALL_ACCESS);
  if (!record) return;
  DeleteRegValue(record.Get(), AppliedMarker);
  for (const std::wstring& valueName : ListRegValues(record.Get()))
    if (valueName.compare(0, AppliedPrefix.size(), AppliedPrefix) == 0)
      DeleteRegValue(record.Get(), valueName);
  bool written = true;
  for (const auto& [appliedName, value] : applied)
    written =
        written && WriteRegValue(record.Get(), std::wstring(AppliedPrefix) + appliedName, value);
  if (written) WriteRegValue(record.Get(), AppliedMarker, TRegistryValue::Dword(1));
}

// The same values by name, in whatever order they were listed.
bool SameState(TJournalPrior a, TJournalPrior b) {
  auto byName = [](const TNamedRegistryValue& x, const TNamedRegistryValue& y) {
    return x.first < y.first;
  };
  std::sort(a.begin(), a.end(), byName);
  std::sort(b.begin(), b.end(), byName);
  return a == b;
}

// Whether the state the shell's change left is still in force: someone else
// (the user, a VPN client, a login script) may have changed the setting
// since, and then theirs is the newer value to keep. Nothing when the state
// in force cannot be told.
std::optional<bool> StillOurs(const TJournalKindHandler& handler, std::wstring_view name,
                              const std::optional<TJournalPrior>& applied) {
  if (!applied) return true;
  std::optional<TJournalPrior> now = handler.Capture(name);
  if (!now) return std::nullopt;
  return SameState(*now, *applied);
}

enum class TPutBack { pbUndone, pbKeptNewer, pbFailed };

TPutBack PutBack(const TJournalKindHandler& handler, const std::wstring& keyName,
                 std::wstring_view name, const TJournalPrior& prior,
                 const std::optional<TJournalPrior>& applied) {
  std::optional<bool> ours = StillOurs(handler, name, applied);
  if (!ours) return TPutBack::pbFailed;
  if (!*ours) {
    Trace(L"Settings journal: " + keyName + L" was changed by someone else; their value stays");
    return TPutBack::pbKeptNewer;
  }
  return handler.Undo(name, prior) ? TPutBack::pbUndone : TPutBack::pbFailed;
}

std::vector<TProcessIdentity> RunningHolders(const std::vector<TProcessIdentity>& holders,
                                             const TProcessIdentity& except) {
  std::vector<TProcessIdentity> running;
  for (const TProcessIdentity& holder : holders)
    if (!(holder == except) && holder.IsRunning()) running.push_back(holder);
  return running;
}

}  // namespace

TSettingsJournal::TSettingsJournal(std::wstring keyPath, TProcessIdentity self)
    : FKeyPath(std::move(keyPath)), FSelf(self), FMutex([this]() -> HANDLE {
        const std::wstring name = SettingsJournalLockName(FKeyPath);
        return name.empty() ? nullptr : CreateMutexW(nullptr, FALSE, name.c_str());
      }()) {}

std::vector<TSettingsJournal::TRecord> TSettingsJournal::ReadRecords(HKEY journal) {
  std::vector<TRecord> records;
  for (std::wstring& keyName : ListRegSubkeys(journal)) {
    TUniqueRegKey key = OpenRegKey(journal, keyName, KEY_READ);
    if (!key) continue;
    TRegistryValue version;
    const bool hasVersion = ReadRegValue(key.Get(), L"Version", version);
    if (hasVersion && version.ToDword() && *version.ToDword() != FormatVersion) continue;
    TRecord record;
    record.KeyName = std::move(keyName);
    std::wstring tag;
    const bool hasKind = ReadRegText(key.Get(), L"Kind", tag);
    if (hasKind) record.Handler = HandlerOf(tag);
    const bool hasName = ReadRegText(key.Get(), L"Name", record.Name);
    TRegistryValue holders;
    if (ReadRegValue(key.Get(), L"Holders", holders)) {
      record.Complete = true;
      record.Holders = ParseHolders(holders);
      record.Broken = !hasKind || !hasName || holders.Type != REG_MULTI_SZ ||
                      (hasVersion && !version.ToDword());
    }
    TJournalPrior applied;
    for (const std::wstring& valueName : ListRegValues(key.Get())) {
      const bool isPrior = valueName.compare(0, PriorPrefix.size(), PriorPrefix) == 0;
      const bool isApplied = valueName.compare(0, AppliedPrefix.size(), AppliedPrefix) == 0;
      if (!isPrior && !isApplied) continue;
      TRegistryValue value;
      if (!ReadRegValue(key.Get(), valueName, value)) continue;
      (isPrior ? record.Prior : applied)
          .emplace_back(valueName.substr((isPrior ? PriorPrefix : AppliedPrefix).size()),
                        std::move(value));
    }
    TRegistryValue marker;
    if (ReadRegValue(key.Get(), AppliedMarker, marker)) {
      record.Applied = std::move(applied);
      record.Broken = record.Broken || !marker.ToDword();
    }
    if (record.Complete && record.Handler && !record.Handler->Readable(record.Prior))
      record.Broken = true;
    if (record.Broken) {
      // It could never be put back, and a copy that joined it would stay
      // changed too. Nothing the user could do about it either: no box.
      key.Reset();
      Trace(L"Settings journal: record " + record.KeyName +
            L" has a value missing or of the wrong type; removed, nothing put back");
      DeleteRegTree(journal, record.KeyName);
      continue;
    }
    records.push_back(std::move(record));
  }
  return records;
}

std::optional<bool> TSettingsJournal::Begin(TJournalKind kind, std::wstring_view name,
                                            const std::function<bool()>& apply) {
  TLock lock(FMutex.Get());
  if (!lock.Owned()) return std::nullopt;
  TUniqueRegKey journal = OpenJournalKey(FKeyPath, true);
  if (!journal) return std::nullopt;
  std::vector<TRecord> records = ReadRecords(journal.Get());
  const TJournalKindHandler& handler = HandlerOf(kind);
  auto record = std::find_if(records.begin(), records.end(),
                             [&](const TRecord& r) { return r.Complete && r.Is(kind, name); });
  if (record != records.end() && StillOurs(handler, name, record->Applied) == false) {
    // Someone else changed the setting after the shell's change: theirs is
    // the state to come back, not the one recorded before ours.
    DeleteRegTree(journal.Get(), record->KeyName);
    record = records.end();
  }
  std::wstring recordName;
  if (record != records.end()) {
    // Held already, or its holders ended without putting it back: the state
    // recorded before the first of them is the one to come back, not the
    // change in force now.
    std::vector<TProcessIdentity> holders = RunningHolders(record->Holders, FSelf);
    holders.push_back(FSelf);
    if (holders != record->Holders && !WriteHolders(journal.Get(), record->KeyName, holders))
      return std::nullopt;
    recordName = record->KeyName;
  } else {
    for (const TRecord& cut : records)
      if (!cut.Complete && cut.Is(kind, name)) DeleteRegTree(journal.Get(), cut.KeyName);
    std::optional<TJournalPrior> prior = handler.Capture(name);
    if (!prior) return std::nullopt;
    std::optional<std::wstring> written = WriteRecord(journal.Get(), handler, name, *prior, FSelf);
    if (!written) return std::nullopt;
    recordName = std::move(*written);
  }
  ++FHolds[{kind, std::wstring(name)}];
  bool applied = false;
  try {
    applied = apply();
  } catch (...) {
    // Held all the same: whatever it changed comes back at the end.
  }
  if (std::optional<TJournalPrior> left = handler.Capture(name))
    WriteApplied(journal.Get(), recordName, *left);
  return applied;
}

bool TSettingsJournal::End(TJournalKind kind, std::wstring_view name) {
  TLock lock(FMutex.Get());
  auto hold = FHolds.find({kind, std::wstring(name)});
  if (hold != FHolds.end() && --hold->second > 0) return false;
  if (hold != FHolds.end()) FHolds.erase(hold);
  if (!lock.Owned()) return false;  // the record stays: the next start puts the state back
  TUniqueRegKey journal = OpenJournalKey(FKeyPath, false);
  if (!journal) return false;
  std::vector<TRecord> records = ReadRecords(journal.Get());
  auto record = std::find_if(records.begin(), records.end(),
                             [&](const TRecord& r) { return r.Complete && r.Is(kind, name); });
  if (record == records.end()) return false;
  if (std::find(record->Holders.begin(), record->Holders.end(), FSelf) == record->Holders.end())
    return false;
  std::vector<TProcessIdentity> holders = RunningHolders(record->Holders, FSelf);
  if (!holders.empty()) {
    WriteHolders(journal.Get(), record->KeyName, holders);
    return false;
  }
  const TPutBack putBack =
      PutBack(*record->Handler, record->KeyName, name, record->Prior, record->Applied);
  if (putBack == TPutBack::pbFailed) {
    // Left for the next start to try again.
    WriteHolders(journal.Get(), record->KeyName, {});
    return false;
  }
  DeleteRegTree(journal.Get(), record->KeyName);
  return putBack == TPutBack::pbUndone;
}

int TSettingsJournal::RecoverAbandoned() {
  TLock lock(FMutex.Get());
  if (!lock.Owned()) return 0;
  TUniqueRegKey journal = OpenJournalKey(FKeyPath, false);
  if (!journal) return 0;
  int recovered = 0;
  for (const TRecord& record : ReadRecords(journal.Get())) {
    if (!record.Handler) continue;  // a newer shell's record: its own to put back
    if (!record.Complete) {
      DeleteRegTree(journal.Get(), record.KeyName);
      continue;
    }
    std::vector<TProcessIdentity> holders = RunningHolders(record.Holders, TProcessIdentity{});
    if (!holders.empty()) {
      if (holders != record.Holders) WriteHolders(journal.Get(), record.KeyName, holders);
      continue;
    }
    const TPutBack putBack =
        PutBack(*record.Handler, record.KeyName, record.Name, record.Prior, record.Applied);
    if (putBack == TPutBack::pbFailed) continue;
    DeleteRegTree(journal.Get(), record.KeyName);
    if (putBack == TPutBack::pbUndone) ++recovered;
  }
  return recovered;
}

TSettingsJournal& Journal() {
  static TSettingsJournal journal;
  return journal;
}

// ---- Holds ----

TJournalHold::TJournalHold(TSettingsJournal& journal, TJournalKind kind, std::wstring name,
                           const std::function<bool()>& apply)
    : FKind(kind), FName(std::move(name)) {
  std::optional<bool> applied = journal.Begin(FKind, FName, apply);
  if (!applied) return;
  FJournal = &journal;
  FApplied = *applied;
}

TJournalHold::~TJournalHold() {
  Release();
}

TJournalHold::TJournalHold(TJournalHold&& other) noexcept
    : FJournal(std::exchange(other.FJournal, nullptr)),
      FKind(other.FKind),
      FName(std::move(other.FName)),
      FApplied(std::exchange(other.FApplied, false)) {}

TJournalHold& TJournalHold::operator=(TJournalHold&& other) noexcept {
  if (this != &other) {
    Release();
    FJournal = std::exchange(other.FJournal, nullptr);
    FKind = other.FKind;
    FName = std::move(other.FName);
    FApplied = std::exchange(other.FApplied, false);
  }
  return *this;
}

bool TJournalHold::Release() {
  TSettingsJournal* journal = std::exchange(FJournal, nullptr);
  FApplied = false;
  if (!journal) return false;
  try {
    return journal->End(FKind, FName);
  } catch (...) {
    return false;  // the record stays; the next start puts the change back
  }
}

}  // namespace kvx
