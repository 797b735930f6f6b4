#pragma once
// The kinds of change the settings journal records, and what the journal asks
// of each: the state to record before the change, and how to put it back. The
// journal knows a kind only through its handler; each kind's handler lives
// beside its setting, and JournalKind.cpp is the one place that knows them all.

#include "toolkit/Win.h"

#include "toolkit/Registry.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

enum class TJournalKind {
  jkProxy,             // the LAN connection's per-connection proxy options; no name
  jkNavigationSound,   // the ".Current" rename of the navigation sound; no name
  jkRegistryAgent,     // a value under PostPlatformKey; the name is the value's
  jkBrowserEmulation,  // a value under BrowserEmulationKey; the name is the value's
};

// The state to put back, as values named by the kind, in the type and bytes
// they are stored with.
using TJournalPrior = std::vector<TNamedRegistryValue>;

const TRegistryValue* FindPrior(const TJournalPrior& prior, std::wstring_view name);
// The named prior value as a DWORD or a text; nothing when absent or of another type.
std::optional<DWORD> PriorDword(const TJournalPrior& prior, std::wstring_view name);
std::optional<std::wstring> PriorText(const TJournalPrior& prior, std::wstring_view name);
// Whether the named prior value is absent or a text.
bool PriorTextOrAbsent(const TJournalPrior& prior, std::wstring_view name);

struct TJournalKindHandler {
  TJournalKind Kind;
  // The record's "Kind" text and its key name's start. Records outlive the
  // program that wrote them: a tag never changes.
  const wchar_t* Tag;
  // The state in force now, before the change; nothing when it cannot be
  // told, and then the change is not made.
  std::optional<TJournalPrior> (*Capture)(std::wstring_view name);
  // Puts the recorded state back; false leaves the record to try again.
  bool (*Undo)(std::wstring_view name, const TJournalPrior& prior);
  // Whether a recorded state has every value Undo needs, each in its type: a
  // record without them could never be put back, and goes unread.
  bool (*Readable)(const TJournalPrior& prior);
};

const TJournalKindHandler& HandlerOf(TJournalKind kind);
// The handler whose tag this is; null for a kind this program does not know.
const TJournalKindHandler* HandlerOf(std::wstring_view tag);

}  // namespace kvx
