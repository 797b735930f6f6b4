#pragma once
// Every message number of the toolkit, in one place, with the first and last
// number of each range. The ranges stay clear of what others use:
//   0x0000 - 0x03FF  the platform's window messages
//   0x0400 - 0x7FFF  WM_USER: private to each window class (the hosted
//                    browser component's focus request lives here)
//   0x2000 - 0x23FF  inside the above: OLE controls receive their reflected
//                    notifications there (OCM__BASE + message)
//   0x2400 - 0x24FF  inside the above too: messages a control performs on the
//                    other controls of its parent (CG_), as a group's buttons do
//   0xB000 - 0xB0FF  toolkit notifications (CM_), performed on controls
//   0xBC00 - 0xBFFF  notifications reflected to the child they are about (CN_)
//   0xC000 - 0xFFFF  registered window messages (RegisterWindowMessage): they
//                    always reach the window's own procedure
// Until now the dialog key was 0xB000, the dialog character 0xB001 and the
// focus change 0xB002, and reflected notifications were taken to run up to
// 0xCBFF, which swallowed registered messages; the numbers below replace them.

#include "toolkit/Win.h"

namespace kvx {

// A message as a replaceable message handler sees it; the handler answers in Result.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

// --- toolkit notifications: performed on controls, never passed to a window's own procedure
inline constexpr UINT CM_BASE = 0xB000;
inline constexpr UINT CM_LAST = 0xB0FF;
// Sent to the application window when the application becomes the active one
// (CM_DEACTIVATE when it stops being it).
inline constexpr UINT CM_ACTIVATE = CM_BASE + 0x00;
inline constexpr UINT CM_DEACTIVATE = CM_BASE + 0x01;
// Dialog keys and characters offered to the controls of a form: wParam is the
// virtual key (or character), lParam the key message's lParam. A control that
// acts on it answers 1 and the offer stops.
inline constexpr UINT CM_DIALOGKEY = CM_BASE + 0x05;
inline constexpr UINT CM_DIALOGCHAR = CM_BASE + 0x06;
// Broadcast by a form to all its controls after the focus moved inside it;
// lParam is the TWinControl* that has the focus now (the form itself when its
// own window has it).
inline constexpr UINT CM_FOCUSCHANGED = CM_BASE + 0x07;
// Performed on a control when its Visible changed: wParam 1 shown, 0 hidden.
inline constexpr UINT CM_VISIBLECHANGED = CM_BASE + 0x0B;

// --- reflected notifications: a parent hands WM_COMMAND, WM_NOTIFY,
// WM_CTLCOLOR* and key messages to the child's control as CN_BASE + message.
inline constexpr UINT CN_BASE = 0xBC00;
inline constexpr UINT CN_LAST = 0xBFFF;
inline constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
inline constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
// The key messages 0x0100 to 0x0108, reflected.
inline constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
inline constexpr UINT CN_KEYFIRST = CN_BASE + 0x0100;
inline constexpr UINT CN_KEYLAST = CN_BASE + 0x0108;
// An OLE control gets a reflected notification in its own range: CN_BASE + m
// becomes OCM__BASE + m by subtracting this.
inline constexpr UINT OCM_FIRST = 0x2000;
inline constexpr UINT OCM_LAST = 0x23FF;
inline constexpr UINT CN_TO_OCM = CN_BASE - OCM_FIRST;

// --- private messages of our own classes
// The hosted browser component's focus request (posted to its window).
inline constexpr UINT WM_REQUESTFOCUS = WM_USER + 33;

// --- messages among the controls of one parent
inline constexpr UINT CG_BASE = 0x2400;
inline constexpr UINT CG_LAST = 0x24FF;
// Sent to the sibling buttons when a group button goes down or its group
// settings change: wParam the group index, lParam the sending control.
inline constexpr UINT CM_BUTTONPRESSED = CG_BASE + 0x21;

constexpr bool IsToolkitNotification(UINT msg) noexcept {
  return msg >= CM_BASE && msg <= CM_LAST;
}
constexpr bool IsReflectedNotification(UINT msg) noexcept {
  return msg >= CN_BASE && msg <= CN_LAST;
}

static_assert(CM_LAST < CN_BASE && CN_LAST < 0xC000, "registered messages begin at 0xC000");
static_assert(CN_LAST - CN_TO_OCM == OCM_LAST, "the reflected ranges map one to one");
static_assert(WM_REQUESTFOCUS < OCM_FIRST || WM_REQUESTFOCUS > OCM_LAST,
              "outside the OLE reflected range");
static_assert(CG_BASE > OCM_LAST && CG_LAST < CM_BASE && CG_LAST < WM_APP,
              "inside WM_USER, clear of the OLE reflected range and the toolkit's");
static_assert(WM_REQUESTFOCUS < CG_BASE || WM_REQUESTFOCUS > CG_LAST,
              "the focus request is no sibling message");
static_assert(CM_BUTTONPRESSED >= CG_BASE && CM_BUTTONPRESSED <= CG_LAST &&
                  CM_BUTTONPRESSED == 0x2421,
              "the group message keeps its number, inside its range");

}  // namespace kvx
