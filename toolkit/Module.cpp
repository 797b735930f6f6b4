#include "toolkit/Win.h"

#include "toolkit/Module.h"

namespace kvx {

std::wstring ModuleFileName(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);  // truncated: try a longer buffer
  }
}

HMODULE LoadLibraryQuietly(const wchar_t* name) noexcept {
  DWORD previous = 0;
  bool changed =
      SetThreadErrorMode(GetThreadErrorMode() | SEM_NOOPENFILEERRORBOX, &previous) != FALSE;
  HMODULE module = LoadLibraryW(name);
  if (changed) SetThreadErrorMode(previous, nullptr);
  // A handle of 32 or less is an old-style failure code, never a module.
  if (reinterpret_cast<ULONG_PTR>(module) <= 32) return nullptr;
  return module;
}

}  // namespace kvx
