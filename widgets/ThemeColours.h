#pragma once
// The platform side of the themed controls' colours: live system colours and
// the display's colour depth. The maths itself is in core/ThemeColours.h.

#include "toolkit/Win.h"

#include "core/ThemeColours.h"
#include "toolkit/Control.h"

namespace kvx {

// System colours the themed controls use beside the toolkit's own.
inline constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
inline constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
inline constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
inline constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
inline constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
inline constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;

// Makes ResolveColour answer the platform's current system colours.
void UsePlatformSystemColours() noexcept;

// True when the screen has no colour palette (NUMCOLORS is -1).
bool ScreenHasFullColour() noexcept;

}  // namespace kvx
