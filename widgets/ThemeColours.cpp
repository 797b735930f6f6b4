#include "toolkit/Win.h"

#include "widgets/ThemeColours.h"

namespace kvx {
namespace {

TColor PlatformSystemColour(int index) noexcept {
  return GetSysColor(index);
}

}  // namespace

void UsePlatformSystemColours() noexcept {
  SetSystemColourSource(PlatformSystemColour);
}

bool ScreenHasFullColour() noexcept {
  HDC screen = GetDC(nullptr);
  if (!screen) return false;
  bool full = GetDeviceCaps(screen, NUMCOLORS) == -1;
  ReleaseDC(nullptr, screen);
  return full;
}

}  // namespace kvx
