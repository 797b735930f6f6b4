#include "toolkit/Win.h"

#include "toolkit/Registry.h"

#include <cstring>
#include <cwchar>
#include <iterator>

namespace kvx {
namespace {

// The platform wants terminated names.
std::wstring Terminated(std::wstring_view text) {
  return std::wstring(text);
}

void Report(LONG* error, LONG result) noexcept {
  if (error) *error = result;
}

// The bytes as characters, copied out: they need not be aligned for wchar_t.
// An odd last byte is no character.
std::wstring Characters(const std::vector<BYTE>& data) {
  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
  return text;
}

// A value that grows between the question for its size and the read is read
// again, a few times at the most.
constexpr int ReadAttempts = 4;

}  // namespace

// ---- Values ----

TRegistryValue TRegistryValue::Dword(DWORD number) {
  TRegistryValue value{REG_DWORD, std::vector<BYTE>(sizeof(number))};
  std::memcpy(value.Data.data(), &number, sizeof(number));
  return value;
}

TRegistryValue TRegistryValue::Text(std::wstring_view text, DWORD type) {
  TRegistryValue value{type, std::vector<BYTE>((text.size() + 1) * sizeof(wchar_t))};
  if (!text.empty()) std::memcpy(value.Data.data(), text.data(), text.size() * sizeof(wchar_t));
  return value;
}

TRegistryValue TRegistryValue::MultiText(const std::vector<std::wstring>& texts) {
  std::wstring list;
  for (const std::wstring& text : texts) list += text + L'\0';
  list += L'\0';
  TRegistryValue value{REG_MULTI_SZ, std::vector<BYTE>(list.size() * sizeof(wchar_t))};
  std::memcpy(value.Data.data(), list.data(), value.Data.size());
  return value;
}

std::optional<DWORD> TRegistryValue::ToDword() const {
  if (Type != REG_DWORD || Data.size() != sizeof(DWORD)) return std::nullopt;
  DWORD number = 0;
  std::memcpy(&number, Data.data(), sizeof(number));
  return number;
}

std::optional<std::wstring> TRegistryValue::ToText() const {
  if (Type != REG_SZ && Type != REG_EXPAND_SZ) return std::nullopt;
  std::wstring text = Characters(Data);
  text.resize(wcsnlen(text.c_str(), text.size()));
  return text;
}

std::optional<std::vector<std::wstring>> TRegistryValue::ToMultiText() const {
  if (Type != REG_MULTI_SZ) return std::nullopt;
  const std::wstring list = Characters(Data);
  std::vector<std::wstring> texts;
  for (std::size_t start = 0; start < list.size();) {
    std::size_t end = list.find(L'\0', start);
    if (end == std::wstring::npos) end = list.size();
    if (end > start) texts.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return texts;
}

// ---- Keys ----

TUniqueRegKey OpenRegKey(HKEY parent, std::wstring_view path, REGSAM access, LONG* error) {
  TUniqueRegKey key;
  LONG result = RegOpenKeyExW(parent, Terminated(path).c_str(), 0, access, key.Put());
  if (result != ERROR_SUCCESS) key.Release();  // what a failed call left there is no key of ours
  Report(error, result);
  return key;
}

TUniqueRegKey CreateRegKey(HKEY parent, std::wstring_view path, REGSAM access, LONG* error) {
  TUniqueRegKey key;
  LONG result = RegCreateKeyExW(parent, Terminated(path).c_str(), 0, nullptr, 0, access, nullptr,
                                key.Put(), nullptr);
  if (result != ERROR_SUCCESS) key.Release();
  Report(error, result);
  return key;
}

bool ReadRegValue(HKEY key, std::wstring_view name, TRegistryValue& value, LONG* error) {
  const std::wstring valueName = Terminated(name);
  TRegistryValue read;
  DWORD size = 0;
  LONG result = RegQueryValueExW(key, valueName.c_str(), nullptr, &read.Type, nullptr, &size);
  for (int attempt = 0; attempt < ReadAttempts && result == ERROR_SUCCESS; ++attempt) {
    read.Data.resize(size);
    result = RegQueryValueExW(key, valueName.c_str(), nullptr, &read.Type, read.Data.data(), &size);
    if (result == ERROR_SUCCESS) {
      read.Data.resize(size);
      value = std::move(read);
      Report(error, result);
      return true;
    }
    if (result == ERROR_MORE_DATA && attempt + 1 < ReadAttempts) result = ERROR_SUCCESS;
  }
  Report(error, result);
  return false;
}

bool ReadRegDword(HKEY key, std::wstring_view name, DWORD& number) {
  TRegistryValue value;
  if (!ReadRegValue(key, name, value)) return false;
  std::optional<DWORD> read = value.ToDword();
  if (!read) return false;
  number = *read;
  return true;
}

bool ReadRegText(HKEY key, std::wstring_view name, std::wstring& text) {
  TRegistryValue value;
  if (!ReadRegValue(key, name, value)) return false;
  std::optional<std::wstring> read = value.ToText();
  if (!read) return false;
  text = std::move(*read);
  return true;
}

bool WriteRegValue(HKEY key, std::wstring_view name, const TRegistryValue& value) {
  return RegSetValueExW(key, Terminated(name).c_str(), 0, value.Type, value.Data.data(),
                        static_cast<DWORD>(value.Data.size())) == ERROR_SUCCESS;
}

bool DeleteRegValue(HKEY key, std::wstring_view name) {
  LONG result = RegDeleteValueW(key, Terminated(name).c_str());
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool DeleteRegTree(HKEY parent, std::wstring_view path) {
  if (path.empty()) return false;
  LONG result = RegDeleteTreeW(parent, Terminated(path).c_str());
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool CopyRegTree(HKEY source, HKEY target) {
  return RegCopyTreeW(source, nullptr, target) == ERROR_SUCCESS;
}

std::vector<std::wstring> ListRegSubkeys(HKEY key) {
  std::vector<std::wstring> names;
  if (!key) return names;
  wchar_t name[256];  // the longest key name the platform allows, and its terminator
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(std::size(name));
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  return names;
}

std::vector<std::wstring> ListRegValues(HKEY key) {
  std::vector<std::wstring> names;
  if (!key) return names;
  std::wstring name(16384, L'\0');  // the longest value name, and its terminator
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    if (RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name.data(), length);
  }
  return names;
}

}  // namespace kvx
