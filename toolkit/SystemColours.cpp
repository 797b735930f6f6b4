#include "toolkit/Win.h"

#include "toolkit/SystemColours.h"

#include "toolkit/Handles.h"

namespace kvx {
namespace {

TColor PlatformSystemColour(int index) noexcept {
  return GetSysColor(index);
}

}  // namespace

void UsePlatformSystemColours() noexcept {
  SetSystemColourSource(PlatformSystemColour);
}

COLORREF ColorToRGB(TColor color) noexcept {
  UsePlatformSystemColours();
  return ResolveColour(color);
}

bool ScreenHasFullColour() noexcept {
  TWindowDC screen(nullptr);
  return screen.Get() && GetDeviceCaps(screen.Get(), NUMCOLORS) == -1;
}

}  // namespace kvx
