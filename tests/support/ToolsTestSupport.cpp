#include "toolkit/Win.h"

#include "tests/support/ToolsTestSupport.h"

#include "browser/settings/NavigationSound.h"
#include "browser/settings/SettingsJournal.h"
#include "browser/settings/UserRegistryValues.h"
#include "tests/support/Pump.h"
#include "toolkit/Module.h"

#include <algorithm>
#include <cstring>

namespace kvx::test {
namespace {

constexpr wchar_t InternetSettingsKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// A null name is the key's default value, as the platform takes it.
std::wstring_view ValueName(const wchar_t* name) {
  return name ? std::wstring_view(name) : std::wstring_view();
}

TUniqueRegKey OpenKey(const std::wstring& path, REGSAM access) {
  return OpenRegKey(HKEY_CURRENT_USER, path, access);
}

TUniqueRegKey CreateKey(const std::wstring& path) {
  return CreateRegKey(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS);
}

std::vector<TNamedRegistryValue> ReadValues(HKEY key) {
  std::vector<TNamedRegistryValue> values;
  for (std::wstring& name : ListRegValues(key)) {
    TRegistryValue value;
    if (ReadRegValue(key, name, value)) values.emplace_back(std::move(name), std::move(value));
  }
  return values;
}

TRegistryBackup::TKey ReadKey(HKEY key, bool withSubkeys) {
  TRegistryBackup::TKey saved{ReadValues(key), {}};
  if (!withSubkeys) return saved;
  for (std::wstring& name : ListRegSubkeys(key))
    if (TUniqueRegKey subkey = OpenRegKey(key, name, KEY_READ))
      saved.Subkeys.emplace_back(std::move(name), ReadKey(subkey.Get(), true));
  return saved;
}

void WriteKey(HKEY key, const TRegistryBackup::TKey& saved) {
  for (const auto& [name, value] : saved.Values) WriteRegValue(key, name, value);
  for (const auto& [name, subkey] : saved.Subkeys)
    if (TUniqueRegKey created = CreateRegKey(key, name, KEY_ALL_ACCESS))
      WriteKey(created.Get(), subkey);
}

TWinInetRecorder* Recorder = nullptr;  // one at a time
decltype(&InternetOpenW) OriginalOpen = nullptr;
decltype(&InternetConnectW) OriginalConnect = nullptr;
decltype(&InternetSetOptionW) OriginalSetOption = nullptr;
decltype(&InternetQueryOptionW) OriginalQueryOption = nullptr;

std::optional<std::wstring> OptionalText(LPCWSTR text) {
  if (!text) return std::nullopt;
  return std::wstring(text);
}

bool IsTextOption(DWORD option) {
  return option == INTERNET_PER_CONN_PROXY_SERVER || option == INTERNET_PER_CONN_PROXY_BYPASS ||
         option == INTERNET_PER_CONN_AUTOCONFIG_URL ||
         option == INTERNET_PER_CONN_AUTOCONFIG_SECONDARY_URL ||
         option == INTERNET_PER_CONN_AUTOCONFIG_LAST_DETECT_URL;
}

LPWSTR AnswerText(const std::optional<std::wstring>& text) {
  if (!text) return nullptr;
  auto* copy = static_cast<LPWSTR>(GlobalAlloc(GPTR, (text->size() + 1) * sizeof(wchar_t)));
  std::memcpy(copy, text->c_str(), (text->size() + 1) * sizeof(wchar_t));
  return copy;
}

HINTERNET WINAPI RecordOpen(LPCWSTR agent, DWORD access, LPCWSTR proxy, LPCWSTR bypass,
                            DWORD flags);
HINTERNET WINAPI RecordConnect(HINTERNET session, LPCWSTR server, INTERNET_PORT port, LPCWSTR user,
                               LPCWSTR password, DWORD service, DWORD flags, DWORD_PTR context);
BOOL WINAPI RecordSetOption(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length);
BOOL WINAPI AnswerQueryOption(HINTERNET handle, DWORD option, LPVOID buffer, LPDWORD length);

}  // namespace

// ---- Registry ----

TRegistryBackup::TRegistryBackup(std::wstring path, bool withSubkeys)
    : FPath(std::move(path)), FWithSubkeys(withSubkeys) {
  if (TUniqueRegKey key = OpenKey(FPath, KEY_READ)) {
    FSaved = ReadKey(key.Get(), FWithSubkeys);
    return;
  }
  for (std::size_t end = FPath.find(L'\\');; end = FPath.find(L'\\', end + 1)) {
    FFirstMissing = FPath.substr(0, end);
    if (end == std::wstring::npos || !OpenKey(FFirstMissing, KEY_READ)) break;
  }
}

TRegistryBackup::~TRegistryBackup() {
  if (!FSaved) {
    DeleteRegTree(HKEY_CURRENT_USER, FFirstMissing);  // refuses the whole of HKEY_CURRENT_USER
    return;
  }
  if (FWithSubkeys) {
    DeleteRegTree(HKEY_CURRENT_USER, FPath);
  } else if (TUniqueRegKey key = OpenKey(FPath, KEY_ALL_ACCESS)) {
    for (const std::wstring& name : ListRegValues(key.Get())) DeleteRegValue(key.Get(), name);
  }
  if (TUniqueRegKey key = CreateKey(FPath)) WriteKey(key.Get(), *FSaved);
}

TUserSettingsGuard::TUserSettingsGuard() {
  const std::pair<std::wstring, bool> keys[] = {
      {InternetSettingsKey, false},
      {std::wstring(InternetSettingsKey) + L"\\Connections", true},
      {std::wstring(NavigationSoundKey), true},
      {std::wstring(PostPlatformKey), true},
      {std::wstring(BrowserEmulationKey), true},
      {std::wstring(TestJournalKey), true},
  };
  for (const auto& [path, withSubkeys] : keys)
    FKeys.push_back(std::make_unique<TRegistryBackup>(path, withSubkeys));
}

TUserSettingsGuard::~TUserSettingsGuard() {
  FKeys.clear();
  // Sessions of this process read the settings afresh.
  InternetSetOptionW(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
}

bool KeyExists(const std::wstring& path) {
  return static_cast<bool>(OpenKey(path, KEY_READ));
}

std::optional<std::wstring> ReadText(const std::wstring& path, const wchar_t* name) {
  std::wstring text;
  TUniqueRegKey key = OpenKey(path, KEY_QUERY_VALUE);
  if (!key || !ReadRegText(key.Get(), ValueName(name), text)) return std::nullopt;
  return text;
}

std::optional<DWORD> ReadNumber(const std::wstring& path, const wchar_t* name) {
  DWORD number = 0;
  TUniqueRegKey key = OpenKey(path, KEY_QUERY_VALUE);
  if (!key || !ReadRegDword(key.Get(), ValueName(name), number)) return std::nullopt;
  return number;
}

void WriteText(const std::wstring& path, const wchar_t* name, const std::wstring& text) {
  if (TUniqueRegKey key = CreateKey(path))
    WriteRegValue(key.Get(), ValueName(name), TRegistryValue::Text(text));
}

void WriteNumber(const std::wstring& path, const wchar_t* name, DWORD number) {
  if (TUniqueRegKey key = CreateKey(path))
    WriteRegValue(key.Get(), ValueName(name), TRegistryValue::Dword(number));
}

void DeleteValue(const std::wstring& path, const wchar_t* name) {
  if (TUniqueRegKey key = OpenKey(path, KEY_SET_VALUE)) DeleteRegValue(key.Get(), ValueName(name));
}

std::vector<std::wstring> SubkeyNames(const std::wstring& path) {
  return ListRegSubkeys(OpenKey(path, KEY_READ).Get());
}

TOptionsInForce OptionsInForce() {
  TOptionsInForce inForce;
  for (DWORD option :
       {INTERNET_PER_CONN_FLAGS, INTERNET_PER_CONN_PROXY_SERVER, INTERNET_PER_CONN_PROXY_BYPASS}) {
    INTERNET_PER_CONN_OPTIONW one = {};
    one.dwOption = option;
    INTERNET_PER_CONN_OPTION_LISTW list = {};
    list.dwSize = sizeof(list);
    list.dwOptionCount = 1;
    list.pOptions = &one;
    DWORD size = sizeof(list);
    if (!InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size))
      continue;
    if (option == INTERNET_PER_CONN_FLAGS) {
      inForce.Flags = one.Value.dwValue;
      continue;
    }
    const TUniqueHGlobal text(one.Value.pszValue);
    auto& target =
        option == INTERNET_PER_CONN_PROXY_SERVER ? inForce.ProxyServer : inForce.ProxyBypass;
    if (text) target = static_cast<const wchar_t*>(text.Get());
  }
  return inForce;
}

// ---- Import patches and the WinINet recorder ----

TImportPatch::TImportPatch(const char* dll, const char* function, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       descriptor->Name && !FSlot; ++descriptor) {
    if (_stricmp(reinterpret_cast<const char*>(base + descriptor->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (descriptor->OriginalFirstThunk
                                                                  ? descriptor->OriginalFirstThunk
                                                                  : descriptor->FirstThunk));
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
        FSlot = reinterpret_cast<void**>(&slots->u1.Function);
        break;
      }
    }
  }
  if (!FSlot) return;
  DWORD protection = 0;
  VirtualProtect(FSlot, sizeof(*FSlot), PAGE_READWRITE, &protection);
  FOriginal = *FSlot;
  *FSlot = replacement;
  VirtualProtect(FSlot, sizeof(*FSlot), protection, &protection);
}

TImportPatch::~TImportPatch() {
  if (!FSlot) return;
  DWORD protection = 0;
  VirtualProtect(FSlot, sizeof(*FSlot), PAGE_READWRITE, &protection);
  *FSlot = FOriginal;
  VirtualProtect(FSlot, sizeof(*FSlot), protection, &protection);
}

TWinInetRecorder::TWinInetRecorder()
    : FOpen("wininet.dll", "InternetOpenW", reinterpret_cast<void*>(&RecordOpen)),
      FConnect("wininet.dll", "InternetConnectW", reinterpret_cast<void*>(&RecordConnect)),
      FSet("wininet.dll", "InternetSetOptionW", reinterpret_cast<void*>(&RecordSetOption)),
      FQuery("wininet.dll", "InternetQueryOptionW", reinterpret_cast<void*>(&AnswerQueryOption)) {
  Recorder = this;
  OriginalOpen = reinterpret_cast<decltype(OriginalOpen)>(FOpen.Original());
  OriginalConnect = reinterpret_cast<decltype(OriginalConnect)>(FConnect.Original());
  OriginalSetOption = reinterpret_cast<decltype(OriginalSetOption)>(FSet.Original());
  OriginalQueryOption = reinterpret_cast<decltype(OriginalQueryOption)>(FQuery.Original());
}

TWinInetRecorder::~TWinInetRecorder() {
  Recorder = nullptr;
}

namespace {

HINTERNET WINAPI RecordOpen(LPCWSTR agent, DWORD access, LPCWSTR proxy, LPCWSTR bypass,
                            DWORD flags) {
  HINTERNET session = OriginalOpen(agent, access, proxy, bypass, flags);
  Recorder->Agents.push_back(agent ? agent : L"");
  Recorder->Sessions.push_back(session);
  Recorder->Order.push_back("open");
  return session;
}

HINTERNET WINAPI RecordConnect(HINTERNET session, LPCWSTR server, INTERNET_PORT port, LPCWSTR user,
                               LPCWSTR password, DWORD service, DWORD flags, DWORD_PTR context) {
  Recorder->Connects.push_back({session, server ? server : L"", port, user ? user : L"",
                                password ? password : L"", service});
  Recorder->Order.push_back("connect");
  return OriginalConnect(session, server, port, user, password, service, flags, context);
}

BOOL WINAPI RecordSetOption(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length) {
  TRecordedSetOption call;
  call.Handle = handle;
  call.Option = option;
  call.Length = length;
  if (option == INTERNET_OPTION_PER_CONNECTION_OPTION && buffer) {
    const auto* list = static_cast<const INTERNET_PER_CONN_OPTION_LISTW*>(buffer);
    call.ListSize = list->dwSize;
    call.NamedConnection = list->pszConnection != nullptr;
    for (DWORD i = 0; i < list->dwOptionCount; ++i) {
      const INTERNET_PER_CONN_OPTIONW& one = list->pOptions[i];
      TRecordedOption recorded;
      recorded.Option = one.dwOption;
      if (IsTextOption(one.dwOption))
        recorded.Text = OptionalText(one.Value.pszValue);
      else
        recorded.Number = one.Value.dwValue;
      call.Options.push_back(std::move(recorded));
    }
  }
  Recorder->Sets.push_back(std::move(call));
  Recorder->Order.push_back("set " + std::to_string(option));
  return OriginalSetOption(handle, option, buffer, length);
}

BOOL WINAPI AnswerQueryOption(HINTERNET handle, DWORD option, LPVOID buffer, LPDWORD length) {
  const bool ownSet = std::any_of(
      Recorder->Sets.begin(), Recorder->Sets.end(),
      [](const auto& set) { return set.Option == INTERNET_OPTION_PER_CONNECTION_OPTION; });
  if (!Recorder->Answers || (Recorder->AnswersUntilSet && ownSet) ||
      option != INTERNET_OPTION_PER_CONNECTION_OPTION || !buffer)
    return OriginalQueryOption(handle, option, buffer, length);
  const TWinInetRecorder::TAnswers& answers = *Recorder->Answers;
  auto* list = static_cast<INTERNET_PER_CONN_OPTION_LISTW*>(buffer);
  for (DWORD i = 0; i < list->dwOptionCount; ++i) {
    INTERNET_PER_CONN_OPTIONW& one = list->pOptions[i];
    switch (one.dwOption) {
      case INTERNET_PER_CONN_FLAGS_UI:
        one.Value.dwValue = answers.FlagsUi;
        break;
      case INTERNET_PER_CONN_FLAGS:
        one.Value.dwValue = answers.Options.Flags;
        break;
      case INTERNET_PER_CONN_PROXY_SERVER:
        one.Value.pszValue = AnswerText(answers.Options.ProxyServer);
        break;
      case INTERNET_PER_CONN_PROXY_BYPASS:
        one.Value.pszValue = AnswerText(answers.Options.ProxyBypass);
        break;
      case INTERNET_PER_CONN_AUTOCONFIG_URL:
        one.Value.pszValue = AnswerText(answers.Options.AutoConfigUrl);
        break;
      default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
  }
  return TRUE;
}

}  // namespace

// ---- Child processes ----

TChildProcess::TChildProcess(const std::wstring& arguments, bool suspended) {
  std::wstring commandLine = L"\"" + ModuleFileName() + L"\" " + arguments;
  // The child's test output would mix with ours.
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  TUniqueKernelHandle nul(
      CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = nul.Get();
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                      suspended ? CREATE_SUSPENDED : 0, nullptr, nullptr, &startup, &info))
    return;
  FProcess.Reset(info.hProcess);
  FThread.Reset(info.hThread);
  FIdentity = TProcessIdentity::Of(info.hProcess);
}

TChildProcess::~TChildProcess() {
  Kill();
}

bool TChildProcess::WaitForExit() {
  return FProcess && WaitForSingleObject(FProcess.Get(), kWaitLimitMs) == WAIT_OBJECT_0;
}

void TChildProcess::Kill() {
  if (!FProcess) return;
  TerminateProcess(FProcess.Get(), 9);
  WaitForSingleObject(FProcess.Get(), kWaitLimitMs);
  FThread.Reset();
  FProcess.Reset();
}

}  // namespace kvx::test
