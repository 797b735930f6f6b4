#pragma once
// Runs the real korvexa.exe for end-to-end tests: each test gets its own
// folder with its own korvexa.ini, starts the shell with a command line, and
// waits for windows, dialogs and exit the way a user would see them.

#include "toolkit/Win.h"

#include "tests/support/Pump.h"
#include "toolkit/Handles.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kvx::test {

// A message box or dialog of another process.
struct TDialog {
  HWND Window = nullptr;
  std::wstring Title;
  std::wstring Text;  // the texts of its static controls, joined by newlines
};

// A folder holding a copy of korvexa.exe and, optionally, a korvexa.ini.
class TShellFolder {
 public:
  TShellFolder();
  ~TShellFolder();
  TShellFolder(const TShellFolder&) = delete;
  TShellFolder& operator=(const TShellFolder&) = delete;

  // Writes korvexa.ini as these exact bytes (GBK or whatever the test needs).
  void WriteIni(const std::string& bytes);
  // korvexa.ini with the given GBK lines joined by CR LF.
  void WriteIniLines(const std::vector<std::wstring>& lines);
  const std::filesystem::path& Path() const { return FPath; }
  std::filesystem::path Exe() const { return FPath / L"korvexa.exe"; }

 private:
  std::filesystem::path FPath;
};

// One running korvexa.exe.
class TShellProcess {
 public:
  // environment: "NAME=value" entries added to this process's environment.
  TShellProcess(const TShellFolder& folder, const std::wstring& arguments,
                const std::vector<std::wstring>& environment = {});
  ~TShellProcess();  // ends the process if the test left it running
  TShellProcess(const TShellProcess&) = delete;
  TShellProcess& operator=(const TShellProcess&) = delete;

  DWORD Id() const { return FInfo.dwProcessId; }
  // The shell's main window once visible (null after the limit).
  HWND WaitMainWindow(std::chrono::milliseconds limit = kWaitLimit);
  // Any top-level window of the process with the shell's caption, visible or not.
  HWND FindMainWindow(bool visibleOnly) const;
  // A dialog of the process whose title is `title` (null Window after the limit);
  // with `besides`, one other than that dialog.
  TDialog WaitDialog(const std::wstring& title, std::chrono::milliseconds limit = kWaitLimit,
                     HWND besides = nullptr);
  // Presses a dialog's button as a user would (IDOK, IDYES, IDNO ...).
  static void Press(const TDialog& dialog, int buttonId);
  std::optional<DWORD> WaitExit(std::chrono::milliseconds limit = kWaitLimit);
  bool Running() const;
  RECT WindowRect(HWND window) const;

 private:
  PROCESS_INFORMATION FInfo{};
};

// The shell's caption and its main window's class, by which other copies and
// the launcher bar find it.
inline const std::wstring kShellCaption = L"Korvexa企业业务流程系统";
inline const std::wstring kShellClass = L"TMainForm";
inline const std::wstring kNoticeTitle = L"提示信息";
inline const std::wstring kCloseQuestion =
    L"你查看的网页正在试图关闭窗口。\r\n\r\n是否关闭此窗口？";

// The exit button on a main window's title panel (null when there is none).
HWND ExitButtonOf(HWND mainWindow);

// Closes a shell as a user does: asks its main window to close and answers
// the confirmation yes; checks the question and that the shell ends cleanly.
void CloseThroughConfirmation(TShellProcess& shell, HWND window);

// Sends text (GBK, with its NUL) to a window as a launcher message does, from
// whatever thread calls it: no launcher-bar window is needed.
LRESULT SendLauncherText(HWND window, const std::string& text);

// The file's lines that contain `text` (a trace file, UTF-8).
std::vector<std::string> LinesWith(const std::filesystem::path& file, const std::string& text);

// GBK bytes of a UTF-16 text, for writing korvexa.ini.
std::string Gbk(const std::wstring& text);

// Texts compared without regard to how line breaks were written.
std::wstring NormaliseLineBreaks(std::wstring text);

}  // namespace kvx::test
