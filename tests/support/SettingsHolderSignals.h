#pragma once
// The settings holder's two signals (ready, stop): named events of its
// process id, which the holder and the test that starts it both make.

#include "toolkit/Win.h"

#include <string>

namespace kvx::test {

inline std::wstring HolderEventName(DWORD processId, const wchar_t* signal) {
  return L"Local\\Korvexa.SettingsHolder." + std::to_wstring(processId) + L"." + signal;
}

}  // namespace kvx::test
