#include "toolkit/Win.h"

#include "app/Program.h"

#include "app/KioskOptions.h"
#include "app/MainForm.h"
#include "app/PeerSend.h"
#include "app/ShellPaths.h"
#include "app/ShellTexts.h"
#include "browser/component/WebHostUnit.h"
#include "core/CodePage.h"
#include "core/ProfileReader.h"
#include "core/Startup.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/Module.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kvx {

std::filesystem::path ShellIniPath() {
  return std::filesystem::path(ModuleFileName()).parent_path() / std::wstring(texts::IniFileName);
}

namespace {

// One per user session: copies of other users' sessions do not meet.
constexpr wchar_t kStartingCopyMutex[] = L"Local\\Korvexa.StartingCopy";

// How long a starting copy waits for another copy, started at the same
// moment, to show its window. Past it, the copy goes on as if alone.
constexpr DWORD kOtherCopyStartLimitMs = 30000;

// Held by a starting copy from its look-up for a running copy until its own
// main window is shown: two copies started together cannot both miss each
// other, the second finds the first's window and hands over to it.
class TStartingCopyLock {
 public:
  TStartingCopyLock() : FMutex(CreateMutexW(nullptr, FALSE, kStartingCopyMutex)) {
    if (!FMutex) return;  // without the mutex, start as the only copy would
    const DWORD waited = WaitForSingleObject(FMutex.Get(), kOtherCopyStartLimitMs);
    // Abandoned: the copy that held it ended while starting; ours now.
    FOwned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  ~TStartingCopyLock() {
    if (FOwned) ReleaseMutex(FMutex.Get());
  }
  TStartingCopyLock(const TStartingCopyLock&) = delete;
  TStartingCopyLock& operator=(const TStartingCopyLock&) = delete;

 private:
  TUniqueKernelHandle FMutex;
  bool FOwned = false;
};

// What the entry reads of korvexa.ini, in every kind of start; the reader
// goes right after.
struct TEntrySettings {
  bool SeveralCopiesAllowed = false;
  TKioskOptionTexts Kiosk;
};

TEntrySettings ReadEntrySettings() {
  TProfileReader ini = TProfileReader::FromFile(ShellIniPath());
  return {ini.ReadString(WideToGbk(texts::SystemSection), WideToGbk(texts::AllowSeveralKey),
                         WideToGbk(texts::No)) == WideToGbk(texts::Yes),
          ReadKioskOptions(ini)};
}

// Hands over to a running copy, if there is one. True when this copy must end.
bool HandOverToRunningCopy() {
  // Its main window, by class and title: a box titled like it is not it.
  HWND other =
      FindWindowW(std::wstring(MainWindowClass).c_str(), std::wstring(texts::Caption).c_str());
  if (!other) return false;
  // A copy that hangs is not waited for: this one ends all the same.
  if (IsIconic(other)) SendToPeer(other, WM_SYSCOMMAND, SC_RESTORE, 0);
  SetForegroundWindow(other);
  return true;
}

std::vector<std::string> CommandLineParameters() {
  std::vector<std::wstring> all = SplitCommandLine(GetCommandLineW());
  std::vector<std::string> params;
  for (size_t i = 1; i < all.size(); ++i) params.push_back(WideToGbk(all[i]));
  return params;
}

// The program's parts, started in this order and ended in the reverse one:
// when the message loop has ended, or at once when the user's session ends.
class TShellProgram {
 public:
  TShellProgram() {
    FOle.emplace();  // outlives everything below
    FApplication.emplace();
    // The title of the error report: a notice like every box of the shell,
    // never the main window's title, which others look the window up by.
    FApplication->Title = WideToGbk(texts::NoticeTitle);
    // Before any browser component, and ended after the last one: what the
    // components change for the user (proxy, sounds) comes back at every end.
    // Its start also puts back what a killed or crashed copy left changed,
    // before this copy changes anything of its own.
    FUnit.emplace(*FApplication);
  }
  ~TShellProgram() { End(); }
  TShellProgram(const TShellProgram&) = delete;
  TShellProgram& operator=(const TShellProgram&) = delete;

  int Run() {
    TApplication& application = *FApplication;
    try {
      const TEntrySettings settings = ReadEntrySettings();
      std::optional<TStartingCopyLock> starting;
      if (!settings.SeveralCopiesAllowed) {
        starting.emplace();
        if (HandOverToRunningCopy()) return 0;
      }
      // Before the main window creates the browser control, which reads the
      // document mode once.
      FKioskOptions.emplace(settings.Kiosk);
      FMainForm = std::make_unique<TMainForm>(CommandLineParameters());
      FMainForm->SetNewWindowMode(FKioskOptions->NewWindowMode());
      FMainForm->OnEndSession = [this](TObject*) {
        End();
        std::exit(0);  // the loop this came from is gone with the window
      };
      // Shown before the lock goes, so a copy that waited for it finds a
      // window to bring forward.
      if (!application.Terminated()) FMainForm->Show();
      starting.reset();
      // Over the window, once the lock is gone: an unanswered box must not
      // hold up another copy's start.
      if (!application.Terminated()) FKioskOptions->ReportErrors();
      application.Run();
    } catch (...) {
      application.HandleException();
    }
    return 0;
  }

  void End() noexcept {
    FMainForm.reset();
    FKioskOptions.reset();  // after the browser control is gone
    FUnit.reset();
    FApplication.reset();
    FOle.reset();
  }

 private:
  std::optional<TOleInitialize> FOle;
  std::optional<TApplication> FApplication;
  std::optional<TWebHostUnit> FUnit;
  std::optional<TKioskOptions> FKioskOptions;
  std::unique_ptr<TMainForm> FMainForm;
};

}  // namespace

int RunShell() {
  TShellProgram program;
  return program.Run();
}

}  // namespace kvx
