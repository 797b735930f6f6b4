#include "toolkit/Win.h"

#include "tests/support/ShellHarness.h"

#include "core/CodePage.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <thread>

#ifndef KORVEXA_EXE
#error KORVEXA_EXE must name the korvexa.exe under test
#endif

namespace kvx::test {
namespace {

std::filesystem::path BuiltShell() {
  std::filesystem::path path = KORVEXA_EXE;
  // The build runs on the host: a Unix path is reached through Wine's Z: drive.
  std::wstring text = path.wstring();
  if (!text.empty() && text[0] == L'/') path = L"Z:" + text;
  return path;
}

std::wstring WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

struct TFind {
  DWORD Process;
  std::function<bool(HWND)> Match;
  HWND Found = nullptr;
};

HWND FindTopLevel(DWORD process, std::function<bool(HWND)> match) {
  TFind find{process, std::move(match)};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* f = reinterpret_cast<TFind*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == f->Process && f->Match(window)) {
          f->Found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.Found;
}

}  // namespace

void CloseThroughConfirmation(TShellProcess& shell, HWND window) {
  PostMessageW(window, WM_CLOSE, 0, 0);
  TDialog confirm = shell.WaitDialog(kNoticeTitle);
  ASSERT_NE(confirm.Window, nullptr);
  EXPECT_EQ(NormaliseLineBreaks(confirm.Text), NormaliseLineBreaks(kCloseQuestion));
  TShellProcess::Press(confirm, IDYES);
  EXPECT_EQ(shell.WaitExit(), std::optional<DWORD>(0));
}

HWND ExitButtonOf(HWND mainWindow) {
  HWND found = nullptr;
  EnumChildWindows(
      mainWindow,
      [](HWND child, LPARAM param) -> BOOL {
        if (WindowText(child) != L"退出系统") return TRUE;
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

LRESULT SendLauncherText(HWND window, const std::string& text) {
  COPYDATASTRUCT copy{0, static_cast<DWORD>(text.size() + 1), const_cast<char*>(text.c_str())};
  return SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
}

std::vector<std::string> LinesWith(const std::filesystem::path& file, const std::string& text) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (line.find(text) != std::string::npos) lines.push_back(line);
  return lines;
}

std::string Gbk(const std::wstring& text) {
  return WideToGbk(text);
}

std::wstring NormaliseLineBreaks(std::wstring text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r') {
      out.push_back(L'\n');
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

TShellFolder::TShellFolder() {
  static int counter = 0;
  FPath = std::filesystem::temp_directory_path() /
          (L"korvexa-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter));
  std::filesystem::create_directories(FPath);
  std::filesystem::copy_file(BuiltShell(), Exe(),
                             std::filesystem::copy_options::overwrite_existing);
}

TShellFolder::~TShellFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(FPath, ignored);
}

void TShellFolder::WriteIni(const std::string& bytes) {
  std::ofstream(FPath / L"korvexa.ini", std::ios::binary) << bytes;
}

void TShellFolder::WriteIniLines(const std::vector<std::wstring>& lines) {
  std::string bytes;
  for (const auto& line : lines) bytes += Gbk(line) + "\r\n";
  WriteIni(bytes);
}

TShellProcess::TShellProcess(const TShellFolder& folder, const std::wstring& arguments,
                             const std::vector<std::wstring>& environment) {
  std::wstring commandLine = L"\"" + folder.Exe().wstring() + L"\" " + arguments;
  // This process's environment block with the entries added: NUL-separated, NUL-ended.
  std::wstring block;
  if (LPWCH inherited = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = inherited; *entry; entry += wcslen(entry) + 1)
      block.append(entry).push_back(L'\0');
    FreeEnvironmentStringsW(inherited);
  }
  for (const auto& entry : environment) block.append(entry).push_back(L'\0');
  block.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(folder.Exe().c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, block.data(), folder.Path().c_str(), &startup,
                      &FInfo))
    throw std::runtime_error("korvexa.exe did not start");
}

TShellProcess::~TShellProcess() {
  if (FInfo.hProcess) {
    if (Running()) {
      TerminateProcess(FInfo.hProcess, 1);
      WaitForSingleObject(FInfo.hProcess, kWaitLimitMs);
    }
    CloseHandle(FInfo.hProcess);
    CloseHandle(FInfo.hThread);
  }
}

HWND TShellProcess::FindMainWindow(bool visibleOnly) const {
  return FindTopLevel(FInfo.dwProcessId, [visibleOnly](HWND w) {
    return ClassOf(w) == kShellClass && WindowText(w) == kShellCaption &&
           (!visibleOnly || IsWindowVisible(w));
  });
}

HWND TShellProcess::WaitMainWindow(std::chrono::milliseconds limit) {
  HWND found = nullptr;
  PumpUntil([&] { return (found = FindMainWindow(true)) != nullptr; }, limit);
  return found;
}

TDialog TShellProcess::WaitDialog(const std::wstring& title, std::chrono::milliseconds limit,
                                  HWND besides) {
  TDialog dialog;
  PumpUntil(
      [&] {
        dialog.Window = FindTopLevel(FInfo.dwProcessId, [&](HWND w) {
          return w != besides && ClassOf(w) == L"#32770" && IsWindowVisible(w) &&
                 WindowText(w) == title;
        });
        return dialog.Window != nullptr;
      },
      limit);
  if (dialog.Window) {
    dialog.Title = WindowText(dialog.Window);
    for (HWND child = GetWindow(dialog.Window, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
      std::wstring cls = ClassOf(child);
      if (_wcsicmp(cls.c_str(), L"Static") == 0) {
        std::wstring text = WindowText(child);
        if (text.empty()) continue;
        if (!dialog.Text.empty()) dialog.Text += L"\n";
        dialog.Text += text;
      }
    }
  }
  return dialog;
}

void TShellProcess::Press(const TDialog& dialog, int buttonId) {
  HWND button = GetDlgItem(dialog.Window, buttonId);
  if (button) {
    PostMessageW(button, BM_CLICK, 0, 0);
  } else {
    PostMessageW(dialog.Window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
  }
}

std::optional<DWORD> TShellProcess::WaitExit(std::chrono::milliseconds limit) {
  if (WaitForSingleObject(FInfo.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(FInfo.hProcess, &code);
  return code;
}

bool TShellProcess::Running() const {
  return WaitForSingleObject(FInfo.hProcess, 0) == WAIT_TIMEOUT;
}

RECT TShellProcess::WindowRect(HWND window) const {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

}  // namespace kvx::test
