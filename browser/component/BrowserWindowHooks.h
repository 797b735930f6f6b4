#pragma once
// The browser component's watch over the windows inside the browser control
// (the document view and the page window, or the folder view of a directory),
// which the control makes and destroys on its own: each gets a procedure of
// our own in front of its own, made of a few bytes of code per window that
// call a member with the window's watcher. And the thread's mouse hook that
// gives the document view under the pointer the focus when the wheel turns.

#include "toolkit/Win.h"

#include "toolkit/WindowSubclass.h"

#include <functional>
#include <memory>

namespace kvx {

// The procedure a thunk calls: the object it was made for in place of the
// window handle, then the message.
using TThunkTarget = LRESULT(CALLBACK*)(void* object, UINT msg, WPARAM wParam, LPARAM lParam);

// A window procedure made for one object: executable code that loads the
// object and jumps to the target. Its memory is written while it is not
// executable and made executable (and no longer writable) before first use.
class TWindowThunk {
 public:
  // Raises an error when the memory cannot be had.
  TWindowThunk(void* object, TThunkTarget target);
  ~TWindowThunk();
  TWindowThunk(const TWindowThunk&) = delete;
  TWindowThunk& operator=(const TWindowThunk&) = delete;

  WNDPROC Procedure() const noexcept { return reinterpret_cast<WNDPROC>(FCode); }
  // Thunks of the process not yet freed.
  static long LiveCount() noexcept;

 private:
  void* FCode = nullptr;
};

// One window of someone else with our procedure in front of its own. The
// window's own procedure handles every message first; the observer sees it
// afterwards.
//
// Letting go is safe whatever the window does: its old procedure comes back
// only while ours is the one in force (TWindowSubclass: ours otherwise stays,
// passing every message on, until the window is gone or ours is in force
// again), and the object with its thunk is freed only once no message of the
// window is inside it.
class TWatchedWindow {
 public:
  class TObserver {
   public:
    virtual void SubclassMessage(TWatchedWindow& subclass, UINT msg, WPARAM wParam,
                                 LPARAM lParam) = 0;

   protected:
    ~TObserver() = default;
  };

  // Null when the window is no window of this thread or cannot be subclassed.
  static std::unique_ptr<TWatchedWindow> Install(HWND window, TObserver& observer);
  // Lets go of the window as described above; the observer hears no more.
  static void Release(std::unique_ptr<TWatchedWindow> subclass) noexcept;
  ~TWatchedWindow();
  TWatchedWindow(const TWatchedWindow&) = delete;
  TWatchedWindow& operator=(const TWatchedWindow&) = delete;

  HWND Window() const noexcept { return FWindow; }
  // Ours is the window's procedure in force now.
  bool InForce() const noexcept { return FSubclass.InForce(); }

 private:
  TWatchedWindow(HWND window, TObserver& observer);
  static LRESULT CALLBACK Procedure(void* object, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  // Gives the window its old procedure back if ours is in force, or finds the
  // window gone; true when the window no longer calls ours.
  bool TryRestore() noexcept;

  HWND FWindow;
  TObserver* FObserver;
  TWindowThunk FThunk;
  TWindowSubclass FSubclass;
  int FDepth = 0;          // messages of the window inside our procedure now
  bool FReleased = false;  // let go of: frees itself once possible
  bool FRestored = false;  // the window no longer calls our procedure
};

// The three windows inside one browser control that its component watches:
// the folder view, or the document view (first) and the page window inside it
// (second). Any of them being destroyed lets go of all three.
class TBrowserWindowHooks final : private TWatchedWindow::TObserver {
 public:
  enum class TRole { brFolderView, brFirst, brSecond };
  // Raised after a watched window received the focus.
  using TFocusEvent = std::function<void(TRole role)>;

  explicit TBrowserWindowHooks(TFocusEvent onFocus);
  ~TBrowserWindowHooks();
  TBrowserWindowHooks(const TBrowserWindowHooks&) = delete;
  TBrowserWindowHooks& operator=(const TBrowserWindowHooks&) = delete;

  bool Hooked(TRole role) const noexcept { return static_cast<bool>(FSlots[Index(role)]); }
  HWND Window(TRole role) const noexcept;
  // Puts our procedure in front of the window's; false when it could not be.
  // A role already held is let go of first.
  bool Hook(TRole role, HWND window);
  // Lets go of every watched window.
  void ReleaseBrowserWindows() noexcept;

 private:
  static constexpr int Index(TRole role) noexcept { return static_cast<int>(role); }
  void SubclassMessage(TWatchedWindow& subclass, UINT msg, WPARAM wParam, LPARAM lParam) override;

  TFocusEvent FOnFocus;
  std::unique_ptr<TWatchedWindow> FSlots[3];
};

// The window class of the browser's document view.
inline constexpr wchar_t DocumentViewClass[] = L"Shell DocObject View";

// The thread's mouse hook: for a wheel turn over a window inside a document
// view, the document view gets the keyboard focus, so the page under the
// pointer scrolls without a click first. One per thread of the process that
// installed it; Install does nothing while it is in.
bool InstallWheelFocusHook() noexcept;
void RemoveWheelFocusHook() noexcept;
bool WheelFocusHookInstalled() noexcept;
LRESULT CALLBACK WheelFocusHook(int code, WPARAM wParam, LPARAM lParam) noexcept;

}  // namespace kvx
