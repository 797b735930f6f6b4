#pragma once
// The shell as a child process: started with arguments, its main window
// found, its resource counts read, and ended for sure when the owner goes.

#include "toolkit/Win.h"

#include "toolkit/Handles.h"

#include <optional>
#include <string>
#include <vector>

namespace kvx {

struct TResourceCounts {
  DWORD User = 0;    // GetGuiResources GR_USEROBJECTS
  DWORD Gdi = 0;     // GetGuiResources GR_GDIOBJECTS
  DWORD Kernel = 0;  // GetProcessHandleCount
  // Windows of the process, top-level and child: a USER figure that does not
  // depend on GetGuiResources, which some platforms leave unimplemented.
  DWORD Windows = 0;
  bool KernelFromSystemList = false;  // counted in the system's handle list
  friend bool operator==(const TResourceCounts&, const TResourceCounts&) = default;
};

class TShellChild {
 public:
  // Starts exe with the arguments (quoted where needed); throws
  // std::runtime_error when the process cannot be created.
  TShellChild(const std::wstring& exe, const std::vector<std::wstring>& args);
  // Ends the process if it still runs.
  ~TShellChild();
  TShellChild(const TShellChild&) = delete;
  TShellChild& operator=(const TShellChild&) = delete;

  DWORD Id() const noexcept { return FId; }
  HANDLE Handle() const noexcept { return FProcess.Get(); }

  // Waits for the process's visible top-level window titled like the shell.
  HWND WaitForMainWindow(DWORD timeoutMs) const;
  bool WaitForExit(DWORD timeoutMs) const;
  // Nothing while the process runs.
  std::optional<DWORD> ExitCode() const;
  TResourceCounts ResourceCounts() const;
  void Terminate() noexcept;

 private:
  TUniqueKernelHandle FProcess;
  DWORD FId = 0;
};

// USER and GDI objects, kernel handles and windows of a process.
TResourceCounts ProcessResourceCounts(HANDLE process);

// The process's modal dialog (a message box), if one is shown.
HWND FindProcessDialog(DWORD processId);
// The message text of a message box.
std::wstring DialogMessage(HWND dialog);
// Presses a button of a dialog the way a click does (IDYES, IDNO, IDOK...).
bool PressDialogButton(HWND dialog, int id);

// A visible top-level window of the process with the given title (any title
// when empty) and class (any class when empty).
HWND FindProcessWindow(DWORD processId, std::wstring_view title, std::wstring_view className = {});

// The window's outer bounds.
RECT WindowBounds(HWND window);

// The folder of the running program, with its trailing separator.
std::wstring ProgramFolder();

}  // namespace kvx
