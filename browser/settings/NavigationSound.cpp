#include "toolkit/Win.h"

#include "browser/settings/NavigationSound.h"

#include "toolkit/Handles.h"

#include <string>

namespace kvx {
namespace {

std::wstring NavigationSoundSubkey(const wchar_t* name) {
  return std::wstring(NavigationSoundKey) + L"\\" + name;
}

}  // namespace

void MuteNavigationSound(bool mute) noexcept {
  try {
    const wchar_t* from = mute ? L".Current" : L"Old_Current";
    const wchar_t* to = mute ? L"Old_Current" : L".Current";
    TUniqueRegKey source;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, NavigationSoundSubkey(from).c_str(), 0, KEY_READ,
                      source.Put()) != ERROR_SUCCESS)
      return;
    const std::wstring parentPath(NavigationSoundKey);
    TUniqueRegKey parent;
    LONG opened = mute ? RegCreateKeyExW(HKEY_CURRENT_USER, parentPath.c_str(), 0, nullptr, 0,
                                         KEY_ALL_ACCESS, nullptr, parent.Put(), nullptr)
                       : RegOpenKeyExW(HKEY_CURRENT_USER, parentPath.c_str(), 0, KEY_ALL_ACCESS,
                                       parent.Put());
    if (opened != ERROR_SUCCESS) return;
    TUniqueRegKey target;
    if (RegCreateKeyExW(parent.Get(), to, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, target.Put(),
                        nullptr) != ERROR_SUCCESS)
      return;
    // The source goes only once its copy is whole: a failed copy loses nothing.
    if (RegCopyTreeW(source.Get(), nullptr, target.Get()) != ERROR_SUCCESS) return;
    source.Reset();
    RegDeleteTreeW(parent.Get(), from);
  } catch (...) {
  }
}

}  // namespace kvx
