#include "toolkit/Win.h"

#include "browser/settings/SettingsJournal.h"

#include "browser/settings/ProxySettings.h"
#include "browser/settings/NavigationSound.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <iterator>

namespace kvx {
namespace {

struct TRegistryValue {
  DWORD Type = REG_NONE;
  std::vector<BYTE> Data;
};

// A record keeps the state to put back as values named "Prior." + a name of
// its kind's choosing, in the type and bytes they had.
using TPrior = std::vector<std::pair<std::wstring, TRegistryValue>>;
constexpr std::wstring_view PriorPrefix = L"Prior.";

std::optional<TRegistryValue> ReadValue(HKEY key, const wchar_t* name) {
  TRegistryValue value;
  DWORD size = 0;
  LONG result = RegQueryValueExW(key, name, nullptr, &value.Type, nullptr, &size);
  // Read again while the value grows between the size and the data.
  for (int attempt = 0; attempt < 4 && result == ERROR_SUCCESS; ++attempt) {
    value.Data.resize(size);
    result = RegQueryValueExW(key, name, nullptr, &value.Type, value.Data.data(), &size);
    if (result == ERROR_SUCCESS) {
      value.Data.resize(size);
      return value;
    }
    if (result == ERROR_MORE_DATA) result = ERROR_SUCCESS;
  }
  return std::nullopt;
}

bool WriteValue(HKEY key, const wchar_t* name, const TRegistryValue& value) {
  return RegSetValueExW(key, name, 0, value.Type, value.Data.data(),
                        static_cast<DWORD>(value.Data.size())) == ERROR_SUCCESS;
}

TRegistryValue DwordValue(DWORD number) {
  TRegistryValue value{REG_DWORD, std::vector<BYTE>(sizeof(number))};
  std::memcpy(value.Data.data(), &number, sizeof(number));
  return value;
}

TRegistryValue TextValue(std::wstring_view text, DWORD type = REG_SZ) {
  TRegistryValue value{type, std::vector<BYTE>((text.size() + 1) * sizeof(wchar_t))};
  std::memcpy(value.Data.data(), text.data(), text.size() * sizeof(wchar_t));
  return value;
}

std::optional<std::wstring> ValueText(const TRegistryValue& value) {
  if (value.Type != REG_SZ && value.Type != REG_MULTI_SZ) return std::nullopt;
  std::wstring text(value.Data.size() / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), value.Data.data(), text.size() * sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

const TRegistryValue* FindPrior(const TPrior& prior, std::wstring_view name) {
  for (const auto& [priorName, value] : prior)
    if (priorName == name) return &value;
  return nullptr;
}

std::optional<DWORD> PriorNumber(const TPrior& prior, std::wstring_view name) {
  const TRegistryValue* value = FindPrior(prior, name);
  if (!value || value->Type != REG_DWORD || value->Data.size() != sizeof(DWORD))
    return std::nullopt;
  DWORD number = 0;
  std::memcpy(&number, value->Data.data(), sizeof(number));
  return number;
}

std::optional<std::wstring> PriorText(const TPrior& prior, std::wstring_view name) {
  const TRegistryValue* value = FindPrior(prior, name);
  return value ? ValueText(*value) : std::nullopt;
}

// ---- What each kind records and how it is put back ----

std::optional<TPrior> CaptureProxy(std::wstring_view) {
  std::optional<TProxySnapshot> snapshot = TProxySnapshot::Capture();
  if (!snapshot) return std::nullopt;
  TPrior prior{{L"Flags", DwordValue(snapshot->Flags)}};
  if (snapshot->ProxyServer) prior.emplace_back(L"ProxyServer", TextValue(*snapshot->ProxyServer));
  if (snapshot->ProxyBypass) prior.emplace_back(L"ProxyBypass", TextValue(*snapshot->ProxyBypass));
  if (snapshot->AutoConfigUrl)
    prior.emplace_back(L"AutoConfigUrl", TextValue(*snapshot->AutoConfigUrl));
  return prior;
}

bool UndoProxy(std::wstring_view, const TPrior& prior) {
  std::optional<DWORD> flags = PriorNumber(prior, L"Flags");
  if (!flags) return false;
  TProxySnapshot snapshot;
  snapshot.Flags = *flags;
  snapshot.ProxyServer = PriorText(prior, L"ProxyServer");
  snapshot.ProxyBypass = PriorText(prior, L"ProxyBypass");
  snapshot.AutoConfigUrl = PriorText(prior, L"AutoConfigUrl");
  return snapshot.Restore();
}

bool SoundKeyExists(const wchar_t* name) {
  TUniqueRegKey key;
  return RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(NavigationSoundKey) + L"\\" + name).c_str(),
                       0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

// Whether there was a sound to mute; without one, muting changed nothing and
// unmuting must not take over an "Old_Current" that is someone else's.
std::optional<TPrior> CaptureNavigationSound(std::wstring_view) {
  return TPrior{{L"HadCurrent", DwordValue(SoundKeyExists(L".Current") ? 1 : 0)}};
}

bool UndoNavigationSound(std::wstring_view, const TPrior& prior) {
  if (PriorNumber(prior, L"HadCurrent").value_or(0) == 0) return true;
  MuteNavigationSound(false);
  return !SoundKeyExists(L"Old_Current");
}

std::wstring_view UserValueKey(TJournalKind kind) {
  return kind == TJournalKind::jkRegistryAgent ? PostPlatformKey : BrowserEmulationKey;
}

std::optional<TPrior> CaptureUserValue(TJournalKind kind, std::wstring_view name) {
  TUniqueRegKey key;
  LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, std::wstring(UserValueKey(kind)).c_str(), 0,
                              KEY_READ, key.Put());
  if (opened == ERROR_FILE_NOT_FOUND) return TPrior{};
  if (opened != ERROR_SUCCESS) return std::nullopt;
  std::optional<TRegistryValue> value = ReadValue(key.Get(), std::wstring(name).c_str());
  if (!value) return TPrior{};
  return TPrior{{L"Value", std::move(*value)}};
}

bool UndoUserValue(TJournalKind kind, std::wstring_view name, const TPrior& prior) {
  const std::wstring keyPath(UserValueKey(kind)), valueName(name);
  TUniqueRegKey key;
  if (const TRegistryValue* value = FindPrior(prior, L"Value")) {
    return RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                           nullptr, key.Put(), nullptr) == ERROR_SUCCESS &&
           WriteValue(key.Get(), valueName.c_str(), *value);
  }
  LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_SET_VALUE, key.Put());
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS) return false;
  LONG deleted = RegDeleteValueW(key.Get(), valueName.c_str());
  return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

struct TKindHandler {
  TJournalKind Kind;
  const wchar_t* Tag;  // the record's "Kind" text, and its key name's start
  std::optional<TPrior> (*Capture)(std::wstring_view name);
  bool (*Undo)(std::wstring_view name, const TPrior& prior);
};

const TKindHandler KindHandlers[] = {
    {TJournalKind::jkProxy, L"Proxy", CaptureProxy, UndoProxy},
    {TJournalKind::jkNavigationSound, L"NavigationSound", CaptureNavigationSound,
     UndoNavigationSound},
    {TJournalKind::jkRegistryAgent, L"RegistryAgent",
     [](std::wstring_view name) { return CaptureUserValue(TJournalKind::jkRegistryAgent, name); },
     [](std::wstring_view name, const TPrior& prior) {
       return UndoUserValue(TJournalKind::jkRegistryAgent, name, prior);
     }},
    {TJournalKind::jkBrowserEmulation, L"BrowserEmulation",
     [](std::wstring_view name) {
       return CaptureUserValue(TJournalKind::jkBrowserEmulation, name);
     },
     [](std::wstring_view name, const TPrior& prior) {
       return UndoUserValue(TJournalKind::jkBrowserEmulation, name, prior);
     }},
};

const TKindHandler& HandlerOf(TJournalKind kind) {
  for (const TKindHandler& handler : KindHandlers)
    if (handler.Kind == kind) return handler;
  return KindHandlers[0];
}

const TKindHandler* HandlerOf(std::wstring_view tag) {
  for (const TKindHandler& handler : KindHandlers)
    if (tag == handler.Tag) return &handler;
  return nullptr;
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
  std::wstring list;
  for (const TProcessIdentity& holder : holders) list += HolderText(holder) + L'\0';
  list += L'\0';
  TRegistryValue value{REG_MULTI_SZ, std::vector<BYTE>(list.size() * sizeof(wchar_t))};
  std::memcpy(value.Data.data(), list.data(), value.Data.size());
  return value;
}

std::vector<TProcessIdentity> ParseHolders(const TRegistryValue& value) {
  std::vector<TProcessIdentity> holders;
  std::optional<std::wstring> list = ValueText(value);
  if (!list) return holders;
  std::size_t start = 0;
  while (start < list->size()) {
    std::size_t end = list->find(L'\0', start);
    if (end == std::wstring::npos) end = list->size();
    if (std::optional<TProcessIdentity> holder = ParseHolder(list->substr(start, end - start)))
      holders.push_back(*holder);
    start = end + 1;
  }
  return holders;
}

std::uint64_t FileTimeValue(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// One lock for every journal under the same key, across processes.
std::wstring MutexName(std::wstring_view keyPath) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a of the lower-cased path
  for (wchar_t c : keyPath) {
    hash ^= static_cast<std::uint64_t>(towlower(c));
    hash *= 1099511628211ull;
  }
  wchar_t text[64];
  std::swprintf(text, std::size(text), L"Local\\Korvexa.SettingsJournal.%016llx",
                static_cast<unsigned long long>(hash));
  return text;
}

}  // namespace

// ---- TProcessIdentity ----

TProcessIdentity TProcessIdentity::Current() {
  return Of(GetCurrentProcess());
}

TProcessIdentity TProcessIdentity::Of(HANDLE process) {
  FILETIME creation, exit, kernel, user;
  if (!GetProcessTimes(process, &creation, &exit, &kernel, &user)) return {};
  return TProcessIdentity{GetProcessId(process), FileTimeValue(creation)};
}

bool TProcessIdentity::IsRunning() const {
  if (Id == 0) return false;
  TUniqueKernelHandle process(
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, Id));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to look at
  if (WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0) return false;
  FILETIME creation, exit, kernel, user;
  if (!GetProcessTimes(process.Get(), &creation, &exit, &kernel, &user)) return true;
  return FileTimeValue(creation) == CreationTime;
}

// ---- The journal ----

struct TSettingsJournal::TRecord {
  std::wstring KeyName;
  const TKindHandler* Handler = nullptr;  // null: a kind this program does not know
  std::wstring Name;
  bool Complete = false;  // the holders are written last: without them, nothing was changed
  std::vector<TProcessIdentity> Holders;
  TPrior Prior;

  bool Is(TJournalKind kind, std::wstring_view name) const {
    return Handler && Handler->Kind == kind && Name == name;
  }
};

class TSettingsJournal::TLock {
 public:
  // A copy that holds the lock for this long is hung: go on without it rather
  // than hang this copy too.
  explicit TLock(HANDLE mutex) : FMutex(mutex) {
    DWORD waited = mutex ? WaitForSingleObject(mutex, 30000) : WAIT_FAILED;
    FOwned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
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
  TUniqueRegKey key;
  LONG result = create
                    ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                      KEY_ALL_ACCESS, nullptr, key.Put(), nullptr)
                    : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, key.Put());
  if (result != ERROR_SUCCESS) key.Reset();
  return key;
}

std::vector<std::wstring> SubkeyNames(HKEY key) {
  std::vector<std::wstring> names;
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(std::size(name));
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  return names;
}

bool WriteHolders(HKEY journal, const std::wstring& recordName,
                  const std::vector<TProcessIdentity>& holders) {
  TUniqueRegKey record;
  return RegOpenKeyExW(journal, recordName.c_str(), 0, KEY_SET_VALUE, record.Put()) ==
             ERROR_SUCCESS &&
         WriteValue(record.Get(), L"Holders", HoldersValue(holders));
}

// A new record under a free name; the holders go last, so a record cut short
// by a crash shows that nothing was changed yet.
bool WriteRecord(HKEY journal, const TKindHandler& handler, std::wstring_view name,
                 const TPrior& prior, const TProcessIdentity& holder) {
  std::vector<std::wstring> taken = SubkeyNames(journal);
  std::wstring recordName;
  for (int number = 1;; ++number) {
    recordName = std::wstring(handler.Tag) + L"." + std::to_wstring(number);
    if (std::find(taken.begin(), taken.end(), recordName) == taken.end()) break;
  }
  TUniqueRegKey record;
  if (RegCreateKeyExW(journal, recordName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      record.Put(), nullptr) != ERROR_SUCCESS)
    return false;
  bool written = WriteValue(record.Get(), L"Kind", TextValue(handler.Tag)) &&
                 WriteValue(record.Get(), L"Name", TextValue(name));
  for (const auto& [priorName, value] : prior)
    written =
        written && WriteValue(record.Get(), (std::wstring(PriorPrefix) + priorName).c_str(), value);
  written = written && WriteValue(record.Get(), L"Holders", HoldersValue({holder}));
  if (!written) {
    record.Reset();
    RegDeleteTreeW(journal, recordName.c_str());
  }
  return written;
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
    : FKeyPath(std::move(keyPath)),
      FSelf(self),
      FMutex(CreateMutexW(nullptr, FALSE, MutexName(FKeyPath).c_str())) {}

std::vector<TSettingsJournal::TRecord> TSettingsJournal::ReadRecords(HKEY journal) const {
  std::vector<TRecord> records;
  for (std::wstring& keyName : SubkeyNames(journal)) {
    TUniqueRegKey key;
    if (RegOpenKeyExW(journal, keyName.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) continue;
    TRecord record;
    record.KeyName = std::move(keyName);
    if (std::optional<TRegistryValue> kind = ReadValue(key.Get(), L"Kind"))
      if (std::optional<std::wstring> tag = ValueText(*kind)) record.Handler = HandlerOf(*tag);
    if (std::optional<TRegistryValue> name = ReadValue(key.Get(), L"Name"))
      record.Name = ValueText(*name).value_or(L"");
    if (std::optional<TRegistryValue> holders = ReadValue(key.Get(), L"Holders")) {
      record.Complete = true;
      record.Holders = ParseHolders(*holders);
    }
    wchar_t valueName[16384];
    for (DWORD index = 0;; ++index) {
      DWORD length = static_cast<DWORD>(std::size(valueName));
      if (RegEnumValueW(key.Get(), index, valueName, &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS)
        break;
      std::wstring_view full(valueName, length);
      if (full.substr(0, PriorPrefix.size()) != PriorPrefix) continue;
      if (std::optional<TRegistryValue> value = ReadValue(key.Get(), valueName))
        record.Prior.emplace_back(std::wstring(full.substr(PriorPrefix.size())), std::move(*value));
    }
    records.push_back(std::move(record));
  }
  return records;
}

std::optional<bool> TSettingsJournal::Begin(TJournalKind kind, std::wstring_view name,
                                            const std::function<bool()>& apply) {
  TLock lock(FMutex.Get());
  TUniqueRegKey journal = OpenJournalKey(FKeyPath, true);
  if (!journal) return std::nullopt;
  std::vector<TRecord> records = ReadRecords(journal.Get());
  auto record = std::find_if(records.begin(), records.end(),
                             [&](const TRecord& r) { return r.Complete && r.Is(kind, name); });
  if (record != records.end()) {
    // Held already, or its holders ended without putting it back: the state
    // recorded before the first of them is the one to come back, not the
    // change in force now.
    std::vector<TProcessIdentity> holders = RunningHolders(record->Holders, FSelf);
    holders.push_back(FSelf);
    if (holders != record->Holders && !WriteHolders(journal.Get(), record->KeyName, holders))
      return std::nullopt;
  } else {
    for (const TRecord& cut : records)
      if (!cut.Complete && cut.Is(kind, name)) RegDeleteTreeW(journal.Get(), cut.KeyName.c_str());
    const TKindHandler& handler = HandlerOf(kind);
    std::optional<TPrior> prior = handler.Capture(name);
    if (!prior || !WriteRecord(journal.Get(), handler, name, *prior, FSelf)) return std::nullopt;
  }
  ++FHolds[{kind, std::wstring(name)}];
  try {
    return apply();
  } catch (...) {
    return false;  // held all the same: whatever it changed comes back at the end
  }
}

bool TSettingsJournal::End(TJournalKind kind, std::wstring_view name) {
  TLock lock(FMutex.Get());
  auto hold = FHolds.find({kind, std::wstring(name)});
  if (hold != FHolds.end() && --hold->second > 0) return false;
  if (hold != FHolds.end()) FHolds.erase(hold);
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
  if (!record->Handler->Undo(name, record->Prior)) {
    // Left for the next start to try again.
    WriteHolders(journal.Get(), record->KeyName, {});
    return false;
  }
  RegDeleteTreeW(journal.Get(), record->KeyName.c_str());
  return true;
}

int TSettingsJournal::RecoverAbandoned() {
  TLock lock(FMutex.Get());
  TUniqueRegKey journal = OpenJournalKey(FKeyPath, false);
  if (!journal) return 0;
  int recovered = 0;
  for (const TRecord& record : ReadRecords(journal.Get())) {
    if (!record.Handler) continue;  // a newer shell's record: its own to put back
    if (!record.Complete) {
      RegDeleteTreeW(journal.Get(), record.KeyName.c_str());
      continue;
    }
    std::vector<TProcessIdentity> holders = RunningHolders(record.Holders, TProcessIdentity{});
    if (!holders.empty()) {
      if (holders != record.Holders) WriteHolders(journal.Get(), record.KeyName, holders);
      continue;
    }
    if (!record.Handler->Undo(record.Name, record.Prior)) continue;
    RegDeleteTreeW(journal.Get(), record.KeyName.c_str());
    ++recovered;
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

TJournalHold HoldMutedNavigationSound(TSettingsJournal& journal) {
  return TJournalHold(journal, TJournalKind::jkNavigationSound, L"", [] {
    MuteNavigationSound(true);
    return true;
  });
}

TJournalHold HoldUserValue(TJournalKind kind, std::wstring valueName, DWORD type,
                           std::vector<BYTE> data, TSettingsJournal& journal) {
  return TJournalHold(journal, kind, valueName, [&] {
    TUniqueRegKey key;
    return RegCreateKeyExW(HKEY_CURRENT_USER, std::wstring(UserValueKey(kind)).c_str(), 0, nullptr,
                           0, KEY_SET_VALUE, nullptr, key.Put(), nullptr) == ERROR_SUCCESS &&
           WriteValue(key.Get(), valueName.c_str(), TRegistryValue{type, std::move(data)});
  });
}

TJournalHold HoldRegistryAgent(std::wstring valueName, TSettingsJournal& journal) {
  return HoldUserValue(TJournalKind::jkRegistryAgent, std::move(valueName), REG_SZ,
                       TextValue(L"").Data, journal);
}

}  // namespace kvx
