// The least a program can do to show a page with the host component: one
// window, the WebBrowser control in it, one navigation. The start-up
// benchmark measures the shell against it.
#include "toolkit/Win.h"

#include "browser/control/BrowserControl.h"
#include "toolkit/Application.h"
#include "toolkit/Component.h"
#include "toolkit/Form.h"
#include "toolkit/Handles.h"

#include <shellapi.h>

#include <memory>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  std::wstring url = count > 1 ? args[1] : L"about:blank";
  LocalFree(args);

  kvx::TOleInitialize ole;
  kvx::TApplication application;
  kvx::TForm form;
  form.SetBounds(0, 0, 800, 600);
  auto browser = kvx::CreateComponent<kvx::TBrowserControl>(&form);
  browser->SetAlign(kvx::TAlign::alClient);
  form.Show();
  browser->Navigate(url);
  application.Run();
  browser.reset();
  return 0;
}
