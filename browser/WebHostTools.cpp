#include "toolkit/Win.h"

#include "browser/WebHostTools.h"

#include "core/CodePage.h"

#include <htmlhelp.h>
#include <wininet.h>

#include <cstring>
#include <string>

namespace kvx {
namespace {

template <typename T>
T ProcAddress(HMODULE module, const char* name) noexcept {
  return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Opens the session the proxy tools set their options through.
TUniqueInternet OpenDirectSession(std::string_view userAgent) {
  return TUniqueInternet(
      InternetOpenW(GbkToWide(userAgent).c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
}

// Flags direct + proxy, the server and "<local>" for the LAN connection, then
// a refresh. The list's size is the platform's: 32 bytes in a 64-bit program.
bool SetProxyOptions(HINTERNET session, std::wstring server) {
  std::wstring bypass = L"<local>";
  INTERNET_PER_CONN_OPTIONW options[3] = {};
  options[0].dwOption = INTERNET_PER_CONN_FLAGS;
  options[0].Value.dwValue = PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY;
  options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
  options[1].Value.pszValue = server.data();
  options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
  options[2].Value.pszValue = bypass.data();
  INTERNET_PER_CONN_OPTION_LISTW list = {};
  list.dwSize = sizeof(list);
  list.pszConnection = nullptr;
  list.dwOptionCount = static_cast<DWORD>(std::size(options));
  list.pOptions = options;
  if (!InternetSetOptionW(session, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof(list)))
    return false;
  return InternetSetOptionW(session, INTERNET_OPTION_REFRESH, nullptr, 0) != FALSE;
}

// Loads a library without the platform's box for a missing file.
HMODULE LoadLibraryQuietly(const wchar_t* name) noexcept {
  DWORD previous = 0;
  bool changed =
      SetThreadErrorMode(GetThreadErrorMode() | SEM_NOOPENFILEERRORBOX, &previous) != FALSE;
  HMODULE module = LoadLibraryW(name);
  if (changed) SetThreadErrorMode(previous, nullptr);
  // A handle of 32 or less is an old-style failure code, never a module.
  if (reinterpret_cast<ULONG_PTR>(module) <= 32) return nullptr;
  return module;
}

using THtmlHelpA = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

// The HTML Help library for the rest of the process. Its windows are closed
// before it goes, so none is left running code of an unloaded library.
class THtmlHelpLibrary {
 public:
  ~THtmlHelpLibrary() {
    if (!FModule) return;
    if (auto entry = ProcAddress<THtmlHelpA>(FModule.Get(), "HtmlHelpA"))
      entry(nullptr, nullptr, HH_CLOSE_ALL, 0);
  }
  HMODULE Get() noexcept {
    if (!FModule) FModule.Reset(LoadLibraryQuietly(L"hhctrl.ocx"));
    return FModule.Get();
  }

 private:
  TUniqueModule FModule;
};

THtmlHelpLibrary HtmlHelpLibrary;
HMODULE ShdoclcLibrary = nullptr;  // kept for the life of the process

std::wstring NavigationSoundSubkey(const wchar_t* name) {
  return std::wstring(NavigationSoundKey) + L"\\" + name;
}

wchar_t* CopyToTaskMem(std::wstring_view text) noexcept {
  auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  if (!copy) return nullptr;
  if (!text.empty()) std::memcpy(copy, text.data(), text.size() * sizeof(wchar_t));
  copy[text.size()] = L'\0';
  return copy;
}

}  // namespace

bool SetProxy(std::string_view userAgent, std::string_view proxy) {
  TUniqueInternet session = OpenDirectSession(userAgent);
  if (!session) return false;
  return SetProxyOptions(session.Get(), GbkToWide(proxy));
}

bool SetProxyWithLogin(std::string_view userAgent, std::string_view proxy,
                       std::string_view userName, std::string_view password, std::int32_t port) {
  TUniqueInternet session = OpenDirectSession(userAgent);
  if (!session) return false;
  std::wstring server = GbkToWide(proxy);
  std::wstring secret = GbkToWide(password);
  TUniqueInternet connection(InternetConnectW(
      session.Get(), server.c_str(), static_cast<INTERNET_PORT>(static_cast<std::uint32_t>(port)),
      GbkToWide(userName).c_str(), secret.c_str(), INTERNET_SERVICE_HTTP, 0, 0));
  SecureZeroMemory(secret.data(), secret.size() * sizeof(wchar_t));
  if (!connection) return false;
  return SetProxyOptions(session.Get(), std::move(server));
}

bool RemoveProxy() {
  TUniqueInternet session = OpenDirectSession("");
  if (!session) return false;
  SetProxyOptions(session.Get(), L"");
  return true;
}

void MuteNavigationSound(bool mute) noexcept {
  try {
    const wchar_t* from = mute ? L".Current" : L"Old_Current";
    const wchar_t* to = mute ? L"Old_Current" : L".Current";
    TUniqueRegKey source;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, NavigationSoundSubkey(from).c_str(), 0, KEY_READ,
                      source.Put()) != ERROR_SUCCESS)
      return;
    const std::wstring parentPath(NavigationSoundKey);
    TUniqueRegKey parent;
    LONG opened = mute ? RegCreateKeyExW(HKEY_CURRENT_USER, parentPath.c_str(), 0, nullptr, 0,
                                         KEY_ALL_ACCESS, nullptr, parent.Put(), nullptr)
                       : RegOpenKeyExW(HKEY_CURRENT_USER, parentPath.c_str(), 0, KEY_ALL_ACCESS,
                                       parent.Put());
    if (opened != ERROR_SUCCESS) return;
    TUniqueRegKey target;
    if (RegCreateKeyExW(parent.Get(), to, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, target.Put(),
                        nullptr) != ERROR_SUCCESS)
      return;
    // The source goes only once its copy is whole: a failed copy loses nothing.
    if (RegCopyTreeW(source.Get(), nullptr, target.Get()) != ERROR_SUCCESS) return;
    source.Reset();
    RegDeleteTreeW(parent.Get(), from);
  } catch (...) {
  }
}

bool IsWinXPSP2OrLater() noexcept {
  TUniqueModule loaded;
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) {
    loaded.Reset(LoadLibraryW(L"kernel32.dll"));
    kernel = loaded.Get();
  }
  if (!kernel) return false;
  using TVerifyVersionInfoA = BOOL(WINAPI*)(OSVERSIONINFOEXA*, DWORD, DWORDLONG);
  using TVerSetConditionMask = ULONGLONG(WINAPI*)(ULONGLONG, DWORD, BYTE);
  auto verify = ProcAddress<TVerifyVersionInfoA>(kernel, "VerifyVersionInfoA");
  auto condition = ProcAddress<TVerSetConditionMask>(kernel, "VerSetConditionMask");
  if (!verify || !condition) return false;
  OSVERSIONINFOEXA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  info.dwMajorVersion = 5;
  info.dwMinorVersion = 1;
  info.wServicePackMajor = 2;
  info.wServicePackMinor = 0;
  ULONGLONG mask = 0;
  mask = condition(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
  mask = condition(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
  mask = condition(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
  mask = condition(mask, VER_SERVICEPACKMINOR, VER_GREATER_EQUAL);
  return verify(&info,
                VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR | VER_SERVICEPACKMINOR,
                mask) != FALSE;
}

int CharPosition(char character, std::string_view text) noexcept {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsGbkLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      ++i;  // a two-byte character: neither of its bytes is a character of its own
      continue;
    }
    if (text[i] == character) return static_cast<int>(i + 1);
  }
  return 0;
}

wchar_t* AnsiToTaskMemWide(std::string_view text) noexcept {
  try {
    return CopyToTaskMem(GbkToWide(text));
  } catch (...) {
    return nullptr;
  }
}

wchar_t* WideToTaskMemWide(std::wstring_view text) noexcept {
  return CopyToTaskMem(text);
}

HMODULE HtmlHelpModule() noexcept {
  return HtmlHelpLibrary.Get();
}

HWND CallHtmlHelp(HWND window, std::string_view file, UINT command, DWORD_PTR data) noexcept {
  HMODULE module = HtmlHelpModule();
  if (!module) return nullptr;
  auto entry = ProcAddress<THtmlHelpA>(module, "HtmlHelpA");
  if (!entry) return nullptr;
  try {
    // The entry point wants a zero-terminated text; a view need not be one.
    std::string path(file);
    return entry(window, path.c_str(), command, data);
  } catch (...) {
    return nullptr;
  }
}

HMODULE ShdoclcModule() noexcept {
  if (!ShdoclcLibrary) {
    ShdoclcLibrary = GetModuleHandleW(L"SHDOCLC.DLL");
    if (!ShdoclcLibrary) ShdoclcLibrary = LoadLibraryQuietly(L"SHDOCLC.DLL");
  }
  return ShdoclcLibrary;
}

}  // namespace kvx
