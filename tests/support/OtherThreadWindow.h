#pragma once
// Switching to another program, inside one test process: a visible top-level
// window of another thread. Giving it the foreground makes the test thread's
// windows inactive (WM_ACTIVATEAPP false); giving the foreground back to one
// of them activates the application again, as the platform does when the
// user comes back.

#include "toolkit/Win.h"

#include "tests/support/Pump.h"
#include "toolkit/Form.h"

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace kvx::test {

// Gives `window` the foreground until `arrived` holds. The X server's focus
// events trail the switches Wine makes: a late one can hand the foreground
// to the desktop while this thread's window stays active, and a switch from
// the desktop does not tell this thread. So the switch always starts from
// this thread's active window, and is made again until it took.
inline bool SwitchForeground(HWND window, const std::function<bool()>& arrived) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (HWND mine = GetActiveWindow(); mine && mine != window && GetForegroundWindow() != mine)
      SetForegroundWindow(mine);
    SetForegroundWindow(window);
    if (PumpUntil(arrived, 500ms)) return true;
  }
  return false;
}

class TOtherThreadWindow {
 public:
  TOtherThreadWindow()
      : FThread([this] {
          HWND window =
              CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 900, 0, 60,
                              40, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
          FThreadId = GetCurrentThreadId();
          FWindow = window;
          MSG msg;
          while (window && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
          if (window) DestroyWindow(window);
          FDone = true;
        }) {
    while (!FWindow && !FDone) std::this_thread::yield();
  }
  ~TOtherThreadWindow() {
    while (!FDone && !PostThreadMessageW(FThreadId, WM_QUIT, 0, 0)) std::this_thread::yield();
    FThread.join();
  }
  TOtherThreadWindow(const TOtherThreadWindow&) = delete;
  TOtherThreadWindow& operator=(const TOtherThreadWindow&) = delete;

  HWND Handle() const noexcept { return FWindow; }

  // Takes the foreground from the test thread's windows; true once they lost it.
  bool TakeForeground() {
    return SwitchForeground(FWindow, [] { return GetActiveWindow() == nullptr; });
  }

 private:
  std::atomic<HWND> FWindow{nullptr};
  std::atomic<DWORD> FThreadId{0};
  std::atomic<bool> FDone{false};
  std::thread FThread;
};

// Brings `window` (of the test thread) to the foreground again; true once it is active.
inline bool ComeBackTo(HWND window) {
  return SwitchForeground(window, [window] { return GetActiveWindow() == window; });
}

// Records where the focus is once each activation of a form has been
// processed: the focus the activation gave out. The X server's trailing focus
// events may take the application's activation away again at any later
// moment; what the activation itself did stays on record.
class TActivationRecord {
 public:
  explicit TActivationRecord(TForm& form) : FForm(form), FPrevious(form.WindowProc()) {
    form.SetWindowProc([this](TMessage& m) {
      FPrevious(m);
      if (m.Msg == WM_ACTIVATE && LOWORD(m.WParam) != WA_INACTIVE) {
        Focus.push_back(GetFocus());
        if (OnActivated) OnActivated();
      }
    });
  }
  ~TActivationRecord() { FForm.SetWindowProc(FPrevious); }
  TActivationRecord(const TActivationRecord&) = delete;
  TActivationRecord& operator=(const TActivationRecord&) = delete;

  // The focus after each activation, in order.
  std::vector<HWND> Focus;
  // Runs right after each record, to take down more of the moment.
  std::function<void()> OnActivated;

 private:
  TForm& FForm;
  TWndMethod FPrevious;
};

}  // namespace kvx::test
