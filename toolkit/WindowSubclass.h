#pragma once
// A procedure of ours in front of the procedure of a window someone else
// made: the window's old procedure is kept, to pass messages on to, and put
// back when we let go.

#include "toolkit/Win.h"

namespace kvx {

// The old procedure comes back only while ours is the one in force. A
// procedure installed after ours keeps calling ours: putting the old one back
// then would cut that one off from every message, so the window is left as it
// is, and whoever owns our procedure keeps passing messages on until the
// window is gone (or ours is in force again and Restore succeeds).
class TWindowSubclass {
 public:
  TWindowSubclass() noexcept = default;
  ~TWindowSubclass() { Release(); }
  TWindowSubclass(TWindowSubclass&& other) noexcept;
  TWindowSubclass& operator=(TWindowSubclass&& other) noexcept;
  TWindowSubclass(const TWindowSubclass&) = delete;
  TWindowSubclass& operator=(const TWindowSubclass&) = delete;

  // Puts `procedure` in front of the window's own, after letting go of any
  // window held before. False, with the window untouched, when it is no
  // window or its procedure cannot be replaced.
  bool Install(HWND window, WNDPROC procedure) noexcept;
  bool Installed() const noexcept { return FWindow != nullptr; }
  HWND Window() const noexcept { return FWindow; }
  WNDPROC OldProcedure() const noexcept { return FOldProcedure; }
  // Ours is the window's procedure now.
  bool InForce() const noexcept;
  // Passes a message on to the window's old procedure.
  LRESULT CallOld(UINT msg, WPARAM wParam, LPARAM lParam) const;

  // Puts the old procedure back if ours is in force, or finds the window
  // gone: true then, and nothing is held any more. False while a procedure
  // installed after ours still calls ours: the window stays held.
  bool Restore() noexcept;
  // Restore, and forget the window whatever the answer.
  void Release() noexcept;
  // Forgets the window without touching it (it is past WM_NCDESTROY and
  // calls nobody again).
  void Forget() noexcept;

 private:
  HWND FWindow = nullptr;
  WNDPROC FProcedure = nullptr;
  WNDPROC FOldProcedure = nullptr;
};

}  // namespace kvx
