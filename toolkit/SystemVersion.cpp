#include "toolkit/Win.h"

#include "toolkit/SystemVersion.h"

#include "toolkit/Handles.h"
#include "toolkit/Module.h"

namespace kvx {

bool IsWinXPSP2OrLater() noexcept {
  TUniqueModule loaded;
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) {
    loaded.Reset(LoadLibraryW(L"kernel32.dll"));
    kernel = loaded.Get();
  }
  if (!kernel) return false;
  using TVerifyVersionInfoA = BOOL(WINAPI*)(OSVERSIONINFOEXA*, DWORD, DWORDLONG);
  using TVerSetConditionMask = ULONGLONG(WINAPI*)(ULONGLONG, DWORD, BYTE);
  auto verify = ProcAddress<TVerifyVersionInfoA>(kernel, "VerifyVersionInfoA");
  auto condition = ProcAddress<TVerSetConditionMask>(kernel, "VerSetConditionMask");
  if (!verify || !condition) return false;
  OSVERSIONINFOEXA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  info.dwMajorVersion = 5;
  info.dwMinorVersion = 1;
  info.wServicePackMajor = 2;
  info.wServicePackMinor = 0;
  ULONGLONG mask = 0;
  mask = condition(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
  mask = condition(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
  mask = condition(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
  mask = condition(mask, VER_SERVICEPACKMINOR, VER_GREATER_EQUAL);
  return verify(&info,
                VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR | VER_SERVICEPACKMINOR,
                mask) != FALSE;
}

}  // namespace kvx
