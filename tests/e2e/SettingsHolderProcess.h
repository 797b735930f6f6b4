#pragma once
// The settings holder (tests/support/SettingsHolder.cpp) run from a test: a
// process with the browser component's unit and one component that has
// applied the options it was started with, until it is stopped the ordinary
// way or killed.

#include "toolkit/Win.h"

#include "tests/support/Pump.h"
#include "tests/support/SettingsHolderSignals.h"
#include "toolkit/Handles.h"

#include <chrono>
#include <optional>
#include <string>

namespace kvx::test {

// What the platform keeps of the user's settings, and what its control
// sends, differ under Wine: the tests say which they expect.
inline bool RunningOnWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

class TSettingsHolder {
 public:
  explicit TSettingsHolder(const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + std::wstring(SETTINGS_HOLDER_EXE) + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &info))
      return;
    FProcess.Reset(info.hProcess);
    TUniqueKernelHandle thread(info.hThread);
    // Made before it runs, so neither side can miss the other's signal.
    FReady.Reset(
        CreateEventW(nullptr, TRUE, FALSE, HolderEventName(info.dwProcessId, L"ready").c_str()));
    FStop.Reset(
        CreateEventW(nullptr, TRUE, FALSE, HolderEventName(info.dwProcessId, L"stop").c_str()));
    ResumeThread(thread.Get());
  }
  ~TSettingsHolder() { Kill(); }
  TSettingsHolder(const TSettingsHolder&) = delete;
  TSettingsHolder& operator=(const TSettingsHolder&) = delete;

  DWORD Id() const { return FProcess ? GetProcessId(FProcess.Get()) : 0; }

  // True once it has applied its options; false when it ended first or the limit passed.
  bool WaitReady(std::chrono::milliseconds limit = kWaitLimit) const {
    if (!FProcess || !FReady) return false;
    HANDLE both[] = {FReady.Get(), FProcess.Get()};
    return WaitForMultipleObjects(2, both, FALSE, static_cast<DWORD>(limit.count())) ==
           WAIT_OBJECT_0;
  }

  // Asks it to end the ordinary way; its exit code, or nothing after the limit.
  std::optional<DWORD> Stop(std::chrono::milliseconds limit = kWaitLimit) {
    if (!FProcess) return std::nullopt;
    SetEvent(FStop.Get());
    if (WaitForSingleObject(FProcess.Get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0)
      return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(FProcess.Get(), &code);
    FProcess.Reset();
    return code;
  }

  // Ends it as a crash or the task manager does, and waits until it is gone.
  void Kill() {
    if (!FProcess) return;
    TerminateProcess(FProcess.Get(), 9);
    WaitForSingleObject(FProcess.Get(), kWaitLimitMs);
    FProcess.Reset();
  }

 private:
  TUniqueKernelHandle FProcess;
  TUniqueKernelHandle FReady;
  TUniqueKernelHandle FStop;
};

}  // namespace kvx::test
