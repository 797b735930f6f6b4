#include "toolkit/Win.h"

#include "browser/settings/ProxySettings.h"

#include "core/CodePage.h"

#include <iterator>

namespace kvx {
namespace {

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

std::optional<std::wstring> AnswerText(const TUniqueHGlobal& text) {
  if (!text) return std::nullopt;
  return std::wstring(static_cast<const wchar_t*>(text.Get()));
}

std::optional<TProxySnapshot> QueryOptions(DWORD flagsOption) {
  INTERNET_PER_CONN_OPTIONW options[4] = {};
  options[0].dwOption = flagsOption;
  options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
  options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
  options[3].dwOption = INTERNET_PER_CONN_AUTOCONFIG_URL;
  INTERNET_PER_CONN_OPTION_LISTW list = {};
  list.dwSize = sizeof(list);
  list.dwOptionCount = static_cast<DWORD>(std::size(options));
  list.pOptions = options;
  DWORD size = sizeof(list);
  if (!InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size))
    return std::nullopt;
  // The answer's texts are the caller's to free.
  const TUniqueHGlobal server(options[1].Value.pszValue), bypass(options[2].Value.pszValue),
      autoConfigUrl(options[3].Value.pszValue);
  TProxySnapshot snapshot;
  snapshot.Flags = options[0].Value.dwValue;
  snapshot.ProxyServer = AnswerText(server);
  snapshot.ProxyBypass = AnswerText(bypass);
  snapshot.AutoConfigUrl = AnswerText(autoConfigUrl);
  return snapshot;
}

LPWSTR OptionText(std::optional<std::wstring>& text) {
  return text ? text->data() : nullptr;
}

std::optional<TJournalPrior> CaptureProxy(std::wstring_view) {
  std::optional<TProxySnapshot> snapshot = TProxySnapshot::Capture();
  if (!snapshot) return std::nullopt;
  TJournalPrior prior{{L"Flags", TRegistryValue::Dword(snapshot->Flags)}};
  if (snapshot->ProxyServer)
    prior.emplace_back(L"ProxyServer", TRegistryValue::Text(*snapshot->ProxyServer));
  if (snapshot->ProxyBypass)
    prior.emplace_back(L"ProxyBypass", TRegistryValue::Text(*snapshot->ProxyBypass));
  if (snapshot->AutoConfigUrl)
    prior.emplace_back(L"AutoConfigUrl", TRegistryValue::Text(*snapshot->AutoConfigUrl));
  return prior;
}

bool UndoProxy(std::wstring_view, const TJournalPrior& prior) {
  std::optional<DWORD> flags = PriorDword(prior, L"Flags");
  if (!flags) return false;
  TProxySnapshot snapshot;
  snapshot.Flags = *flags;
  snapshot.ProxyServer = PriorText(prior, L"ProxyServer");
  snapshot.ProxyBypass = PriorText(prior, L"ProxyBypass");
  snapshot.AutoConfigUrl = PriorText(prior, L"AutoConfigUrl");
  return snapshot.Restore();
}

bool ReadableProxy(const TJournalPrior& prior) {
  return PriorDword(prior, L"Flags") && PriorTextOrAbsent(prior, L"ProxyServer") &&
         PriorTextOrAbsent(prior, L"ProxyBypass") && PriorTextOrAbsent(prior, L"AutoConfigUrl");
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

std::string ProxyServerText(const TProxySettings& settings) {
  if (!settings.UserName.empty()) return settings.Address;
  return settings.Address + ":" + std::to_string(settings.Port);
}

std::optional<TProxySnapshot> TProxySnapshot::Capture() {
  // The connection type as the user set it; the plain flags may carry what
  // automatic detection found, which is not the user's choice to put back.
  if (std::optional<TProxySnapshot> snapshot = QueryOptions(INTERNET_PER_CONN_FLAGS_UI))
    return snapshot;
  return QueryOptions(INTERNET_PER_CONN_FLAGS);
}

bool TProxySnapshot::Restore() const {
  TProxySnapshot copy = *this;  // the platform takes writable texts
  INTERNET_PER_CONN_OPTIONW options[4] = {};
  options[0].dwOption = INTERNET_PER_CONN_FLAGS;
  options[0].Value.dwValue = copy.Flags;
  options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
  options[1].Value.pszValue = OptionText(copy.ProxyServer);
  options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
  options[2].Value.pszValue = OptionText(copy.ProxyBypass);
  options[3].dwOption = INTERNET_PER_CONN_AUTOCONFIG_URL;
  options[3].Value.pszValue = OptionText(copy.AutoConfigUrl);
  INTERNET_PER_CONN_OPTION_LISTW list = {};
  list.dwSize = sizeof(list);
  list.dwOptionCount = static_cast<DWORD>(std::size(options));
  list.pOptions = options;
  // No session handle: the user's settings, not one session's.
  if (!InternetSetOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof(list)))
    return false;
  InternetSetOptionW(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
  InternetSetOptionW(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
  return true;
}

TJournalHold HoldProxySettings(const TProxySettings& settings, TSettingsJournal& journal) {
  return TJournalHold(journal, TJournalKind::jkProxy, L"", [&settings] {
    if (settings.UserName.empty()) return SetProxy(settings.UserAgent, ProxyServerText(settings));
    return SetProxyWithLogin(settings.UserAgent, ProxyServerText(settings), settings.UserName,
                             settings.Password, settings.Port);
  });
}

const TJournalKindHandler& ProxyJournalKind() {
  static const TJournalKindHandler handler{TJournalKind::jkProxy, L"Proxy", CaptureProxy, UndoProxy,
                                           ReadableProxy};
  return handler;
}

}  // namespace kvx
