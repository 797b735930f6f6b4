#pragma once
// The screen's resolution and the HIMETRIC units (hundredths of a
// millimetre) in which controls state their sizes.

#include "toolkit/Win.h"

#include "toolkit/Handles.h"

namespace kvx {

inline constexpr LONG kHimetricPerInch = 2540;

inline int PixelsPerInch(bool horizontal) noexcept {
  TWindowDC dc(nullptr);
  int ppi = dc.Get() ? GetDeviceCaps(dc.Get(), horizontal ? LOGPIXELSX : LOGPIXELSY) : 96;
  return ppi > 0 ? ppi : 96;
}

inline int HimetricToPixels(LONG himetric, bool horizontal) noexcept {
  return MulDiv(himetric, PixelsPerInch(horizontal), kHimetricPerInch);
}

inline LONG PixelsToHimetric(int pixels, bool horizontal) noexcept {
  return MulDiv(pixels, kHimetricPerInch, PixelsPerInch(horizontal));
}

}  // namespace kvx
