#pragma once
// The keyboard's state as the thread's message queue saw it when the message
// being handled was posted.

#include "toolkit/Win.h"

namespace kvx {

// The key is held down (GetKeyState's high bit).
inline bool KeyDown(int virtualKey) noexcept {
  return GetKeyState(virtualKey) < 0;
}

// MK_SHIFT, MK_CONTROL and MK_ALT for the modifier keys held down now.
inline UINT KeyboardShiftState() noexcept {
  UINT shift = 0;
  if (KeyDown(VK_SHIFT)) shift |= MK_SHIFT;
  if (KeyDown(VK_CONTROL)) shift |= MK_CONTROL;
  if (KeyDown(VK_MENU)) shift |= MK_ALT;
  return shift;
}

}  // namespace kvx
