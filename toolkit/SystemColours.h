#pragma once
// The one answer to "what RGB is this system colour" for the toolkit and the
// themed controls: core's resolver, fed with the platform's live system
// colours. A panel and the button painted on it then never disagree.

#include "toolkit/Win.h"

#include "core/Colour.h"

namespace kvx {

// The system colours the toolkit and its themed controls use.
inline constexpr TColor clBtnFace = SystemColour(COLOR_BTNFACE);
inline constexpr TColor clBtnText = SystemColour(COLOR_BTNTEXT);
inline constexpr TColor clBtnShadow = SystemColour(COLOR_BTNSHADOW);
inline constexpr TColor clBtnHighlight = SystemColour(COLOR_BTNHIGHLIGHT);
inline constexpr TColor cl3DDkShadow = SystemColour(COLOR_3DDKSHADOW);
inline constexpr TColor cl3DLight = SystemColour(COLOR_3DLIGHT);
inline constexpr TColor clWindow = SystemColour(COLOR_WINDOW);
inline constexpr TColor clWindowText = SystemColour(COLOR_WINDOWTEXT);
inline constexpr TColor clWindowFrame = SystemColour(COLOR_WINDOWFRAME);
inline constexpr TColor clHighlight = SystemColour(COLOR_HIGHLIGHT);
inline constexpr TColor clGrayText = SystemColour(COLOR_GRAYTEXT);

// Makes ResolveColour answer the platform's current system colours.
// Idempotent; the application object does it when it is made, before any
// window, and ColorToRGB makes sure of it.
void UsePlatformSystemColours() noexcept;

// The RGB value to draw with: system colours as the platform has them now.
COLORREF ColorToRGB(TColor color) noexcept;

// True when the screen has no colour palette (NUMCOLORS is -1).
bool ScreenHasFullColour() noexcept;

}  // namespace kvx
