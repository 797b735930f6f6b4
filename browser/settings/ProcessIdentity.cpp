#include "toolkit/Win.h"

#include "browser/settings/ProcessIdentity.h"

#include "toolkit/Handles.h"

namespace kvx {
namespace {

std::uint64_t FileTimeValue(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

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
  TUniqueKernelHandle process(
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, Id));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to look at
  if (WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0) return false;
  FILETIME creation, exit, kernel, user;
  if (!GetProcessTimes(process.Get(), &creation, &exit, &kernel, &user)) return true;
  return FileTimeValue(creation) == CreationTime;
}

}  // namespace kvx
