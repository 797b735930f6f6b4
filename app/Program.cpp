#include "toolkit/Win.h"

#include "app/Program.h"

#include "app/MainForm.h"
#include "app/ShellPaths.h"
#include "app/ShellTexts.h"
#include "core/CodePage.h"
#include "core/ProfileReader.h"
#include "core/Startup.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/Module.h"

#include <string>
#include <vector>

namespace kvx {

std::filesystem::path ShellIniPath() {
  return std::filesystem::path(ModuleFileName()).parent_path() / std::wstring(texts::IniFileName);
}

namespace {

bool SeveralCopiesAllowed() {
  TProfileReader ini = TProfileReader::FromFile(ShellIniPath());
  return ini.ReadString(WideToGbk(texts::SystemSection), WideToGbk(texts::AllowSeveralKey), WideToGbk(texts::No)) ==
         WideToGbk(texts::Yes);
}

// Hands over to a running copy, if there is one. True when this copy must end.
bool HandOverToRunningCopy() {
  HWND other = FindWindowW(nullptr, std::wstring(texts::Caption).c_str());
  if (!other) return false;
  if (IsIconic(other)) SendMessageW(other, WM_SYSCOMMAND, SC_RESTORE, 0);
  SetForegroundWindow(other);
  return true;
}

std::vector<std::string> CommandLineParameters() {
  std::vector<std::wstring> all = SplitCommandLine(GetCommandLineW());
  std::vector<std::string> params;
  for (size_t i = 1; i < all.size(); ++i) params.push_back(WideToGbk(all[i]));
  return params;
}

}  // namespace

int RunShell() {
  TOleInitialize ole;  // outlives everything below
  TApplication application;
  application.Title = WideToGbk(texts::Caption);
  try {
    if (!SeveralCopiesAllowed() && HandOverToRunningCopy()) return 0;
    TMainForm mainForm(CommandLineParameters());
    application.Run();
  } catch (...) {
    application.HandleException();
  }
  return 0;
}

}  // namespace kvx
