// A stand-in for a running shell that changes the user's settings: the
// browser component's unit and one browser host component on a form, given
// the proxy, navigation-sound and user-agent options on the command line, as
// a stored form would give them. It applies them as the shell does, tells
// that it is ready, and then runs until it is killed or asked to stop; a stop
// ends it the ordinary way, the unit putting back what it changed.
//
//   --proxy-address=A --proxy-port=8080 [--proxy-user=u --proxy-password=p]
//   --mute-sound
//   --agent-mode=default|internal|registry --agent=TEXT
//   --navigate=URL
//   --answer-options=FLAGS|SERVER|BYPASS|AUTOCONFIG  the connection options
//       in force before the holder sets its own are answered as a platform
//       that keeps every option would answer them (an empty part: the
//       platform answers none); after that, the platform answers
//
// Events "Local\Korvexa.SettingsHolder.<pid>.ready" and ".stop" carry the
// two signals.
#include "toolkit/Win.h"

#include "browser/component/WebHost.h"
#include "browser/component/WebHostUnit.h"
#include "core/CodePage.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/ToolsTestSupport.h"
#include "tests/support/SettingsHolderSignals.h"
#include "toolkit/Application.h"
#include "toolkit/Component.h"
#include "toolkit/Handles.h"

#include <cwchar>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace {

using namespace kvx;

std::map<std::wstring, std::wstring> Options(int argc, wchar_t** argv) {
  std::map<std::wstring, std::wstring> options;
  for (int i = 1; i < argc; ++i) {
    std::wstring argument = argv[i];
    const std::size_t equals = argument.find(L'=');
    options[argument.substr(0, equals)] =
        equals == std::wstring::npos ? L"" : argument.substr(equals + 1);
  }
  return options;
}

std::optional<std::wstring> Part(const std::wstring& text) {
  return text.empty() ? std::nullopt : std::optional<std::wstring>(text);
}

// "FLAGS|SERVER|BYPASS|AUTOCONFIG"
TProxySnapshot SnapshotOf(const std::wstring& text) {
  std::wstring parts[4];
  std::size_t start = 0;
  for (std::wstring& part : parts) {
    const std::size_t bar = text.find(L'|', start);
    part = text.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start);
    start = bar == std::wstring::npos ? text.size() : bar + 1;
  }
  return TProxySnapshot{static_cast<DWORD>(std::wcstoul(parts[0].c_str(), nullptr, 0)),
                        Part(parts[1]), Part(parts[2]), Part(parts[3])};
}

TUserAgentMode ModeOf(const std::wstring& name) {
  if (name == L"internal") return TUserAgentMode::uaInternal;
  if (name == L"registry") return TUserAgentMode::uaRegistry;
  return TUserAgentMode::uaDefault;
}

int Run(const std::map<std::wstring, std::wstring>& options) {
  auto option = [&](const wchar_t* name) -> const std::wstring* {
    auto found = options.find(name);
    return found == options.end() ? nullptr : &found->second;
  };
  const DWORD self = GetCurrentProcessId();
  TUniqueKernelHandle ready(
      CreateEventW(nullptr, TRUE, FALSE, test::HolderEventName(self, L"ready").c_str()));
  TUniqueKernelHandle stop(
      CreateEventW(nullptr, TRUE, FALSE, test::HolderEventName(self, L"stop").c_str()));
  if (!ready || !stop) return 2;

  std::unique_ptr<test::TWinInetRecorder> platform;
  if (const std::wstring* answers = option(L"--answer-options")) {
    const TProxySnapshot keeps = SnapshotOf(*answers);
    platform = std::make_unique<test::TWinInetRecorder>();
    platform->Answers = test::TWinInetRecorder::TAnswers{keeps.Flags, keeps};
    platform->AnswersUntilSet = true;
  }

  TOleInitialize ole;
  TApplication application;
  {
    TWebHostUnit unit(application);
    test::THostForm form;
    auto host = CreateComponent<TWebHost>(&form);
    host->SetAlign(TAlign::alClient);
    if (const std::wstring* address = option(L"--proxy-address")) {
      TProxySettings& proxy = host->ProxySettings();
      proxy.AutoLoadProxy = true;
      proxy.Address = WideToGbk(*address);
      if (const std::wstring* port = option(L"--proxy-port")) proxy.Port = std::stoi(*port);
      if (const std::wstring* user = option(L"--proxy-user")) proxy.UserName = WideToGbk(*user);
      if (const std::wstring* password = option(L"--proxy-password"))
        proxy.Password = WideToGbk(*password);
    }
    host->VisualEffects().DisableSounds = option(L"--mute-sound") != nullptr;
    if (const std::wstring* mode = option(L"--agent-mode")) host->SetUserAgentMode(ModeOf(*mode));
    if (const std::wstring* agent = option(L"--agent")) host->SetUserAgent(WideToGbk(*agent));
    form.FinishLoading();
    form.Show();
    if (const std::wstring* address = option(L"--navigate")) host->Navigate(*address);
    SetEvent(ready.Get());

    for (;;) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      HANDLE stopHandle = stop.Get();
      if (MsgWaitForMultipleObjects(1, &stopHandle, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0)
        break;
    }
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    return Run(Options(argc, argv));
  } catch (...) {
    return 3;
  }
}
