#pragma once
// The screen's resolution and the HIMETRIC units (hundredths of a
// millimetre) in which controls state their sizes: one function per axis.

#include "toolkit/Win.h"

#include "toolkit/Handles.h"

namespace kvx {

inline constexpr LONG kHimetricPerInch = 2540;

namespace detail {
// The screen's pixels per inch along LOGPIXELSX or LOGPIXELSY; the
// platform's default where the screen cannot tell.
inline int ScreenPixelsPerInch(int axis) noexcept {
  TWindowDC dc(nullptr);
  int ppi = dc.Get() ? GetDeviceCaps(dc.Get(), axis) : USER_DEFAULT_SCREEN_DPI;
  return ppi > 0 ? ppi : USER_DEFAULT_SCREEN_DPI;
}
}  // namespace detail

inline int PixelsPerInchX() noexcept {
  return detail::ScreenPixelsPerInch(LOGPIXELSX);
}
inline int PixelsPerInchY() noexcept {
  return detail::ScreenPixelsPerInch(LOGPIXELSY);
}

inline int HimetricToPixelsX(LONG himetric) noexcept {
  return MulDiv(himetric, PixelsPerInchX(), kHimetricPerInch);
}
inline int HimetricToPixelsY(LONG himetric) noexcept {
  return MulDiv(himetric, PixelsPerInchY(), kHimetricPerInch);
}

inline LONG PixelsToHimetricX(int pixels) noexcept {
  return MulDiv(pixels, kHimetricPerInch, PixelsPerInchX());
}
inline LONG PixelsToHimetricY(int pixels) noexcept {
  return MulDiv(pixels, kHimetricPerInch, PixelsPerInchY());
}

}  // namespace kvx
