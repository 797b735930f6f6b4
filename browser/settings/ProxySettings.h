#pragma once
// The component's proxy option, and the user's own connection settings that
// the shell keeps while it replaces them.

#include "toolkit/Win.h"

#include "browser/settings/SettingsJournal.h"

#include <wininet.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvx {

// The LAN connection's proxy: flags direct + proxy (3), the given server and
// "<local>" as the bypass list, then a refresh of the settings. All texts are
// the system's 8-bit (GBK) texts; the agent names the WinINet session that
// sets them. True when both the options and the refresh were accepted.
bool SetProxy(std::string_view userAgent, std::string_view proxy);

// As SetProxy, after an HTTP connection handle to proxy:port (the port cut to
// 16 bits) with the login could be made; false, with nothing set, otherwise.
bool SetProxyWithLogin(std::string_view userAgent, std::string_view proxy,
                       std::string_view userName, std::string_view password, std::int32_t port);

// Flags 3 with an empty proxy text and "<local>". True when a WinINet session
// could be opened (what the option calls answer is not looked at). This
// overwrites whatever the user had configured; TProxySnapshot puts that back.
bool RemoveProxy();

// The proxy option holder of the browser host component. Texts are GBK.
struct TProxySettings {
  std::int32_t Port = 80;
  std::string Address;
  std::string UserName;  // empty: no login
  std::string Password;
  bool AutoLoadProxy = false;  // apply when the component loads
  std::string UserAgent;       // names the WinINet session that sets the proxy
};

// The proxy server text for the settings: "Address:Port" without a login;
// with a user name the address alone, the port going to the login connection.
std::string ProxyServerText(const TProxySettings& settings);

// The per-connection options of the LAN settings that the proxy tools change,
// as they are in force for the user. An absent text (the platform answers
// none) is kept apart from an empty one.
struct TProxySnapshot {
  DWORD Flags = PROXY_TYPE_DIRECT;
  std::optional<std::wstring> ProxyServer;
  std::optional<std::wstring> ProxyBypass;
  std::optional<std::wstring> AutoConfigUrl;

  // The options in force; nothing when the platform cannot be asked.
  static std::optional<TProxySnapshot> Capture();
  // Puts exactly these options back for the user and tells the platform's
  // sessions the settings changed. True when the platform took the options.
  bool Restore() const;

  friend bool operator==(const TProxySnapshot&, const TProxySnapshot&) = default;
};

// Applies the settings with SetProxy, or SetProxyWithLogin when there is a
// user name, after recording the options in force in the journal. The last
// copy of the shell to let go of the proxy puts those options back.
TJournalHold HoldProxySettings(const TProxySettings& settings,
                               TSettingsJournal& journal = Journal());

// The journal's proxy kind: records the options in force (TProxySnapshot) and
// restores them.
const TJournalKindHandler& ProxyJournalKind();

}  // namespace kvx
