#include "toolkit/Win.h"

#include "toolkit/Module.h"

#include "ShellChild.h"

#include "LauncherBar.h"

#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace kvx {
namespace {

std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  // The shell splits on blanks and drops quotes; it knows no escapes.
  std::wstring quoted = L"\"";
  for (wchar_t c : arg)
    if (c != L'"') quoted.push_back(c);
  quoted.push_back(L'"');
  return quoted;
}

struct TWindowSearch {
  DWORD ProcessId;
  std::wstring_view Title;
  std::wstring_view ClassName;
  HWND Found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) noexcept {
  auto* search = reinterpret_cast<TWindowSearch*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != search->ProcessId || !IsWindowVisible(window)) return TRUE;
  wchar_t text[256] = {};
  if (!search->Title.empty()) {
    GetWindowTextW(window, text, 256);
    if (search->Title != text) return TRUE;
  }
  if (!search->ClassName.empty()) {
    GetClassNameW(window, text, 256);
    if (search->ClassName != text) return TRUE;
  }
  search->Found = window;
  return FALSE;
}

}  // namespace

TShellChild::TShellChild(const std::wstring& exe, const std::vector<std::wstring>& args) {
  std::wstring commandLine = QuoteArgument(exe);
  for (const auto& arg : args) commandLine += L" " + QuoteArgument(arg);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info))
    throw std::runtime_error("cannot start the shell (error " + std::to_string(GetLastError()) +
                             ")");
  CloseHandle(info.hThread);
  FProcess.Reset(info.hProcess);
  FId = info.dwProcessId;
}

TShellChild::~TShellChild() {
  Terminate();
}

void TShellChild::Terminate() noexcept {
  if (FProcess && WaitForSingleObject(FProcess.Get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(FProcess.Get(), 1);
    WaitForSingleObject(FProcess.Get(), 10000);
  }
}

HWND TShellChild::WaitForMainWindow(DWORD timeoutMs) const {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (HWND window = FindProcessWindow(FId, ShellTitle, ShellClass)) return window;
    if (GetTickCount64() >= end || WaitForSingleObject(FProcess.Get(), 20) == WAIT_OBJECT_0)
      return nullptr;
  }
}

bool TShellChild::WaitForExit(DWORD timeoutMs) const {
  return WaitForSingleObject(FProcess.Get(), timeoutMs) == WAIT_OBJECT_0;
}

std::optional<DWORD> TShellChild::ExitCode() const {
  DWORD code = 0;
  if (WaitForSingleObject(FProcess.Get(), 0) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(FProcess.Get(), &code))
    return std::nullopt;
  return code;
}

TResourceCounts TShellChild::ResourceCounts() const {
  return ProcessResourceCounts(FProcess.Get());
}

namespace {

struct TWindowCount {
  DWORD ProcessId;
  DWORD Count = 0;
};

BOOL CALLBACK CountChild(HWND, LPARAM lParam) noexcept {
  ++reinterpret_cast<TWindowCount*>(lParam)->Count;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM lParam) noexcept {
  auto* count = reinterpret_cast<TWindowCount*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == count->ProcessId) {
    ++count->Count;
    EnumChildWindows(window, &CountChild, lParam);  // all descendants
  }
  return TRUE;
}

}  // namespace

// Kernel handles of a process counted in the system's handle list, for
// platforms where GetProcessHandleCount answers nothing (Wine).
std::optional<DWORD> HandlesInSystemList(DWORD processId) {
  using TQuery = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
  auto query = ProcAddress<TQuery>(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation");
  if (!query) return std::nullopt;
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
  std::vector<unsigned char> buffer(1 << 16);
  for (int tries = 0; tries < 16; ++tries) {
    ULONG needed = 0;
    LONG status =
        query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kInfoLengthMismatch) {
      buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
      continue;
    }
    if (status != 0) return std::nullopt;
    ULONG total = 0;
    std::memcpy(&total, buffer.data(), sizeof total);
    const std::size_t first = offsetof(SYSTEM_HANDLE_INFORMATION, Handle);
    DWORD count = 0;
    for (ULONG i = 0; i < total && first + (i + 1) * sizeof(SYSTEM_HANDLE_ENTRY) <= buffer.size();
         ++i) {
      SYSTEM_HANDLE_ENTRY entry;
      std::memcpy(&entry, buffer.data() + first + i * sizeof entry, sizeof entry);
      if (entry.OwnerPid == processId) ++count;
    }
    return count;
  }
  return std::nullopt;
}

TResourceCounts ProcessResourceCounts(HANDLE process) {
  TResourceCounts counts;
  counts.User = GetGuiResources(process, GR_USEROBJECTS);
  counts.Gdi = GetGuiResources(process, GR_GDIOBJECTS);
  if (!GetProcessHandleCount(process, &counts.Kernel) || counts.Kernel == 0) {
    if (auto listed = HandlesInSystemList(GetProcessId(process))) {
      counts.Kernel = *listed;
      counts.KernelFromSystemList = true;
    }
  }
  TWindowCount windows{GetProcessId(process)};
  EnumWindows(&CountTopLevel, reinterpret_cast<LPARAM>(&windows));
  counts.Windows = windows.Count;
  return counts;
}

HWND FindProcessDialog(DWORD processId) {
  return FindProcessWindow(processId, {}, L"#32770");
}

std::wstring DialogMessage(HWND dialog) {
  // A message box shows its text in the static control 0xFFFF.
  wchar_t text[1024] = {};
  GetDlgItemTextW(dialog, 0xFFFF, text, 1024);
  return text;
}

bool PressDialogButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (!button) return false;
  return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button)) != 0;
}

HWND FindProcessWindow(DWORD processId, std::wstring_view title, std::wstring_view className) {
  TWindowSearch search{processId, title, className};
  EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

RECT WindowBounds(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

std::wstring ProgramFolder() {
  std::wstring path = ModuleFileName();
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

}  // namespace kvx
