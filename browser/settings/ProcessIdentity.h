#pragma once
// A process told apart from every other, a later one that is given the same
// id too: its id and its creation time.

#include "toolkit/Win.h"

#include <cstdint>

namespace kvx {

struct TProcessIdentity {
  DWORD Id = 0;
  std::uint64_t CreationTime = 0;  // FILETIME units

  static TProcessIdentity Current();
  // Of a process handle with query access; all zero when unreadable.
  static TProcessIdentity Of(HANDLE process);
  // False once the process has ended, its id belongs to another process, or
  // it was started before the machine last started. A process that runs but
  // may not be looked at (another user's) counts as running.
  bool IsRunning() const;
  friend bool operator==(const TProcessIdentity&, const TProcessIdentity&) = default;
};

}  // namespace kvx
