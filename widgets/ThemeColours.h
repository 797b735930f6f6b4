#pragma once
// The platform side of the themed controls' colours: live system colours and
// the display's colour depth. The maths itself is in core/ThemeColours.h.

#include "toolkit/Win.h"

#include "core/ThemeColours.h"

namespace kvx {

// Makes ResolveColour answer the platform's current system colours.
void UsePlatformSystemColours() noexcept;

// True when the screen has no colour palette (NUMCOLORS is -1).
bool ScreenHasFullColour() noexcept;

}  // namespace kvx
