#pragma once
// The one way into the registry: keys held by TUniqueRegKey, values as a type
// and its bytes. Every function answers the platform's failure by its result
// (an empty key, false); out of memory raises std::bad_alloc. A read that
// fails leaves the caller's out-value as it was, so a default set beforehand
// survives a missing or unreadable value.

#include "toolkit/Win.h"

#include "toolkit/Handles.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvx {

// A registry value as stored: its type and its bytes.
struct TRegistryValue {
  DWORD Type = REG_NONE;
  std::vector<BYTE> Data;

  static TRegistryValue Dword(DWORD number);
  // The text and one terminator; type REG_SZ or REG_EXPAND_SZ.
  static TRegistryValue Text(std::wstring_view text, DWORD type = REG_SZ);
  // REG_MULTI_SZ: each text and its terminator, then the list's terminator.
  static TRegistryValue MultiText(const std::vector<std::wstring>& texts);

  // A REG_DWORD of exactly four bytes.
  std::optional<DWORD> ToDword() const;
  // A REG_SZ or REG_EXPAND_SZ up to its first terminator, or the whole of it
  // when it has none; an odd last byte is no character and is left out.
  std::optional<std::wstring> ToText() const;
  // The non-empty texts of a REG_MULTI_SZ, whether or not the list ends in its terminators.
  std::optional<std::vector<std::wstring>> ToMultiText() const;

  friend bool operator==(const TRegistryValue&, const TRegistryValue&) = default;
};

// A named value of a key, as enumerated or saved.
using TNamedRegistryValue = std::pair<std::wstring, TRegistryValue>;

// `path` below `parent`. Empty when it cannot be had; `error`, when given,
// receives the platform's answer (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ...).
TUniqueRegKey OpenRegKey(HKEY parent, std::wstring_view path, REGSAM access, LONG* error = nullptr);
// As OpenRegKey, creating the key and the parents it lacks.
TUniqueRegKey CreateRegKey(HKEY parent, std::wstring_view path, REGSAM access,
                           LONG* error = nullptr);

// The value named `name` (empty: the key's default value) as stored; read
// again while it grows between its size and its bytes.
bool ReadRegValue(HKEY key, std::wstring_view name, TRegistryValue& value, LONG* error = nullptr);
// The value when it is a DWORD (TRegistryValue::ToDword); any other type is refused.
bool ReadRegDword(HKEY key, std::wstring_view name, DWORD& number);
// The value when it is a text (TRegistryValue::ToText); any other type is refused.
bool ReadRegText(HKEY key, std::wstring_view name, std::wstring& text);

bool WriteRegValue(HKEY key, std::wstring_view name, const TRegistryValue& value);
// True when no such value is left, whether or not there was one.
bool DeleteRegValue(HKEY key, std::wstring_view name);
// `path` below `parent` with all its values and subkeys; true when no such key
// is left. An empty path is refused: it would empty `parent` itself.
bool DeleteRegTree(HKEY parent, std::wstring_view path);
// Every value and subkey of `source` into `target`.
bool CopyRegTree(HKEY source, HKEY target);

// The names of the key's subkeys and values, in the platform's order; empty
// for a null key.
std::vector<std::wstring> ListRegSubkeys(HKEY key);
std::vector<std::wstring> ListRegValues(HKEY key);

}  // namespace kvx
