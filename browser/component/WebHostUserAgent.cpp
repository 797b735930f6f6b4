// The user agent the browser host component gives the browser: nowhere, as
// the host's ambient property, or as the registry's agent in the user's
// browser settings, held in the journal while it is there.
#include "toolkit/Win.h"

#include "browser/component/WebHost.h"

#include "browser/activex/OleError.h"
#include "browser/settings/UserRegistryValues.h"
#include "core/CodePage.h"

#include <string>

using Microsoft::WRL::ComPtr;

namespace kvx {
namespace {

// The registry user agent is the platform's own with ours after it.
constexpr char kRegistryAgentPrefix[] =
    "User-agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)(";

}  // namespace

void TWebHost::SetUserAgent(const std::string& value) {
  if (value == FUserAgent) return;
  FUserAgent = value;
  ApplyUserAgent();
}

void TWebHost::SetUserAgentMode(TUserAgentMode value) {
  if (value == FUserAgentMode) return;
  FUserAgentMode = value;
  ApplyUserAgent();
}

void TWebHost::ApplyUserAgent() {
  // Whatever the new agent or mode, the registry's agent goes first: in the
  // other modes the browser would announce it beside theirs, and in the
  // registry mode the new one takes its place.
  WithdrawRegistryAgent();
  switch (FUserAgentMode) {
    case TUserAgentMode::uaDefault:
      break;
    case TUserAgentMode::uaInternal:
      AnnounceAmbientAgent();
      break;
    case TUserAgentMode::uaRegistry:
      PublishRegistryAgent();
      break;
  }
}

HRESULT TWebHost::ProvideAmbientAgent(std::string& agent) {
  agent.clear();
  if (FUserAgentMode != TUserAgentMode::uaInternal || FUserAgent.empty()) return S_FALSE;
  agent = FUserAgent;
  return S_OK;
}

void TWebHost::AnnounceAmbientAgent() {
  if (FUserAgent == FLastAmbientAgent) return;
  ComPtr<IOleControl> control;
  try {
    ComPtr<IWebBrowser2> browser = BrowserInterface();
    if (!browser || FAILED(browser.As(&control)) || !control) return;
  } catch (const Exception&) {
    return;  // no control to tell yet: a later change tries again
  }
  FLastAmbientAgent = FUserAgent;
  control->OnAmbientPropertyChange(DISPID_AMBIENT_USERAGENT);
}

void TWebHost::PublishRegistryAgent() {
  if (Designing()) return;
  // Held in the journal: the user's settings get back what they had when the
  // agent is withdrawn, or at the next start if this copy never gets to it.
  FRegistryAgent = HoldRegistryAgent(GbkToWide(kRegistryAgentPrefix + FUserAgent + ")"));
}

void TWebHost::WithdrawRegistryAgent() {
  FRegistryAgent.Release();
}

}  // namespace kvx
