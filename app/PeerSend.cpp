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

}  // namespace kvx
