#include "toolkit/Win.h"

#include "widgets/ThemeColours.h"

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

bool ScreenHasFullColour() noexcept {
  TWindowDC screen(nullptr);
  return screen.Get() && GetDeviceCaps(screen.Get(), NUMCOLORS) == -1;
}

}  // namespace kvx
