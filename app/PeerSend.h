#pragma once
// Synchronous messages to windows of other programs: the launcher bar, a
// running copy of the shell.

#include "toolkit/Win.h"

namespace kvx {

// How long the shell waits for another program to answer a synchronous
// message. Real peers answer within milliseconds; one that takes longer has
// stopped answering, and the shell's own window must not stop with it.
inline constexpr UINT PeerReplyLimitMs = 2000;

// Sends msg to a window of another program and waits for its answer, at most
// PeerReplyLimitMs, and not at all once the receiver counts as hung. Messages
// that other programs send to this thread meanwhile, the receiver's replies
// among them, are handled inside the wait. False when no answer came.
bool SendToPeer(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

// Asks a peer that has not answered for a sign of life, without waiting:
// once the peer takes messages again, `notify` is posted
// PeerAnsweredMessage() with the peer's window in wParam. False when the
// question could not be put (the peer's window is gone, for one).
bool WatchForAnswer(HWND peer, HWND notify) noexcept;

// A registered message: no number of ours can collide with it.
UINT PeerAnsweredMessage() noexcept;

}  // namespace kvx
