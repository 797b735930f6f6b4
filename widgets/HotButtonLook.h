#pragma once
// The hot-tracking button's look: everything its paint reads, held in a
// plain struct, and the routines that paint such a look onto a device
// context. No window is involved, so a look can be drawn and checked on any
// canvas; the button builds the struct from its properties and state.

#include "toolkit/Win.h"

#include "core/ThemeColours.h"
#include "toolkit/Control.h"

#include <uxtheme.h>

#include <string>

namespace kvx {

enum class TVerticalAlignment { avTop, avCenter, avBottom };
enum class THotTrackColorType { htctComplement, htctActual };
enum class TTextStyle { tsNormal, tsRaised, tsRecessed, tsShadow };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TButtonState { bsUp = 0, bsDown = 2, bsExclusive = 3 };

// Defaults are those of a new THotButton at rest.
struct THotButtonLook {
  // The client area.
  int Width = 75;
  int Height = 25;

  // The caption as the platform holds it and the font it is drawn in.
  std::wstring Caption{};
  HFONT Font = nullptr;
  TColor FontColor = clWindowText;

  TColor Color = clBtnFace;
  // The colour the rounded ring is shaded from.
  TColor ParentColor = clBtnFace;
  TColor FrameColor = cl3DDkShadow;
  TColor HighlightColor = clHighlight;
  TColor HotTrackColor = RgbColour(240, 155, 20);
  THotTrackColorType HotTrackColorType = THotTrackColorType::htctActual;
  TColor TextHighlightColor = clBtnHighlight;
  TColor TextShadowColor = clBtnShadow;
  int TextShadowDepth = 2;
  TTextStyle TextStyle = TTextStyle::tsNormal;
  bool LightTextStyle = false;
  TAlignment Alignment = TAlignment::taCenter;
  TVerticalAlignment AlignmentVertical = TVerticalAlignment::avCenter;

  bool HotTrack = false;
  // The platform's visual styles draw the face.
  bool Themed = false;
  bool ShowDownPattern = true;
  bool ShowFocusRect = true;

  // A toggle of a group (a non-zero group index) and its state.
  bool Grouped = false;
  TButtonState GroupState = TButtonState::bsUp;

  bool Enabled = true;
  bool Hovering = false;
  bool DrawPressed = false;
  bool Focused = false;
  bool ShowsDefault = false;
  bool InClick = false;
  // The window's UI state hides the focus border or the accelerator marks.
  bool HideFocus = false;
  bool HideAccel = false;

  friend bool operator==(const THotButtonLook&, const THotButtonLook&) = default;
};

// Pressed or down: the look of a pressed button.
bool CountsAsPressed(const THotButtonLook& look) noexcept;

// Narrows dc's clipping to the pixels at the corners that the rounded face
// leaves to the parent's background.
void ClipToFaceCorners(HDC dc, const THotButtonLook& look) noexcept;

// The platform theme's push-button state (PBS_...) the look is drawn in.
int ThemedButtonState(const THotButtonLook& look) noexcept;
// The theme's push button over r, which becomes the part's content area.
void DrawThemedFace(HDC dc, HTHEME theme, const THotButtonLook& look, RECT& r) noexcept;
// The hot-tracking or the classic face over r, which shrinks to the inside.
void DrawButtonFace(HDC dc, const THotButtonLook& look, RECT& r);

// A group button that is down shows the chequered pattern over its face,
// unless the hot-tracking pressed face already says so.
bool WantsDownPattern(const THotButtonLook& look) noexcept;
// The pattern's 8 x 8 tile at dc's origin: the face colour with every pixel
// of equal row and column parity in silver, or grey on a silver face.
void DrawDownPatternTile(HDC dc, TColor faceColour) noexcept;

// Where the caption goes and its DrawText format (the horizontal alignment,
// word breaks, expanded tabs).
RECT CaptionRect(const THotButtonLook& look) noexcept;
UINT CaptionFormat(const THotButtonLook& look) noexcept;
// The caption placed vertically in rect, with its text style, or greyed.
void DrawCaptionText(HDC dc, const THotButtonLook& look, RECT rect, UINT format);

// The dotted focus border inside the face, when the look has the focus, its
// window shows focus cues and the border is wanted.
void DrawFocusBorder(HDC dc, const THotButtonLook& look) noexcept;

}  // namespace kvx
