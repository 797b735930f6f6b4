#pragma once
// The one bounded message pump of the tests and their one wait limit: pumps
// this thread's messages while waiting for a condition, so windows of the
// test (a hosted control, a launcher-bar peer, a form) keep working while it
// waits. Every other wait of the tests (for a process, an event, a send, a
// request) is bounded by the same limit.

#include "toolkit/Win.h"

#include <chrono>
#include <functional>

namespace kvx::test {

using namespace std::chrono_literals;

// Generous: Wine's timing varies a lot between runs and machines.
inline constexpr std::chrono::milliseconds kWaitLimit = 30s;
// The same, for the platform's waits and sends that take milliseconds.
inline constexpr DWORD kWaitLimitMs = static_cast<DWORD>(kWaitLimit.count());

// Pumps this thread's messages and polls `condition` until it holds or
// `limit` passes; returns whether it held.
inline bool PumpUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = kWaitLimit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

}  // namespace kvx::test
