#include "toolkit/Win.h"

#include "app/PeerSend.h"

namespace kvx {

bool SendToPeer(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  DWORD_PTR result = 0;
  // Not SMTO_BLOCK: the launcher bar answers "位置" with a message of its own
  // inside this send, and that message must reach us while we wait.
  return SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                             PeerReplyLimitMs, &result) != 0;
}

namespace {

void CALLBACK PeerAnswered(HWND peer, UINT, ULONG_PTR notify, LRESULT) noexcept {
  PostMessageW(reinterpret_cast<HWND>(notify), PeerAnsweredMessage(),
               reinterpret_cast<WPARAM>(peer), 0);
}

}  // namespace

UINT PeerAnsweredMessage() noexcept {
  static const UINT message = RegisterWindowMessageW(L"Korvexa.PeerAnswered");
  return message;
}

bool WatchForAnswer(HWND peer, HWND notify) noexcept {
  // The answer to a message that does nothing comes back through this
  // thread's message loop, when the peer has taken it.
  return PeerAnsweredMessage() != 0 &&
         SendMessageCallbackW(peer, WM_NULL, 0, 0, &PeerAnswered,
                              reinterpret_cast<ULONG_PTR>(notify)) != FALSE;
}

}  // namespace kvx
