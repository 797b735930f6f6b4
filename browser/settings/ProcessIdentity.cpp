#include "toolkit/Win.h"

#include "browser/settings/ProcessIdentity.h"

#include "toolkit/Handles.h"

namespace kvx {
namespace {

std::uint64_t FileTimeValue(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// When the machine last started, in the units of creation times.
std::uint64_t BootTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return FileTimeValue(now) - GetTickCount64() * 10000;
}

// The clock may be set after the machine starts (time synchronisation), and
// the start time told from it moves with it; a process this much before it
// is before it all the same.
constexpr std::uint64_t BootTimeMargin = 5ull * 60 * 10000000;  // five minutes

}  // namespace

TProcessIdentity TProcessIdentity::Current() {
  return Of(GetCurrentProcess());
}

TProcessIdentity TProcessIdentity::Of(HANDLE process) {
  FILETIME creation, exit, kernel, user;
  if (!GetProcessTimes(process, &creation, &exit, &kernel, &user)) return {};
  return TProcessIdentity{GetProcessId(process), FileTimeValue(creation)};
}

bool TProcessIdentity::IsRunning() const {
  if (Id == 0) return false;
  // Started before the machine last did: ended, whoever has its id now, even
  // a process that is not ours to look at.
  if (CreationTime + BootTimeMargin < BootTime()) return false;
  TUniqueKernelHandle process(
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, Id));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to look at
  if (WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0) return false;
  FILETIME creation, exit, kernel, user;
  if (!GetProcessTimes(process.Get(), &creation, &exit, &kernel, &user)) return true;
  return FileTimeValue(creation) == CreationTime;
}

}  // namespace kvx
