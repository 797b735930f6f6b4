#pragma once
// Small drawing routines of the themed controls: gradient fills, the rounded
// ring, frame and face of the hot-tracking look, a glowing frame, the dotted
// focus border, and the parent's background under a control. They draw on a
// device context with its current clipping; colours may be system colours.

#include "toolkit/Win.h"

#include "core/ThemeColours.h"

namespace kvx {

class TWinControl;

// Switches the colour maths to the live system colours and takes the
// display's colour depth once. Idempotent; drawing calls it when needed.
void InitThemeDrawing() noexcept;
// Gradients are drawn on full-colour displays only; elsewhere plain fills.
bool FullColourDisplay() noexcept;
// Overrides the probed depth (a remote session that misreports it, tests).
void SetFullColourDisplay(bool fullColour) noexcept;

void FillSolid(HDC dc, const RECT& rect, TColor colour) noexcept;

// A vertical gradient, from the top colour at the top to the bottom colour in
// the last row, one band per distinct row colour.
void ShadeRect(HDC dc, const RECT& rect, TColor top, TColor bottom);

// The rounded outer ring: dark along the top and left, light along the
// bottom and right, three pixels left untouched at each corner.
void DrawRing(HDC dc, const RECT& rect, TColor dark, TColor light) noexcept;
// A one-colour frame with the four corner pixels left untouched.
void DrawFaceFrame(HDC dc, const RECT& rect, TColor colour) noexcept;
// The face: a gradient from colour lightened by 30 to colour darkened by 10,
// then a row darkened by 20 and a last row darkened by 30.
void DrawFace(HDC dc, const RECT& rect, TColor colour);
// A two-pixel gradient frame along the inside of rect.
void DrawGlowFrame(HDC dc, const RECT& rect, TColor top, TColor bottom);
// Every other pixel of the border in black, starting one in from each corner.
void DrawDottedFocus(HDC dc, const RECT& rect) noexcept;

// Lets the control's parent paint its background into dc, lined up under the
// control; optionally asks a parent that does not paint itself to repaint.
void CopyParentBackground(TWinControl* control, HDC dc, bool invalidateParent);

}  // namespace kvx
