#include "toolkit/Win.h"

#include "widgets/HotButtonLook.h"

#include "toolkit/Handles.h"
#include "widgets/ThemeDrawing.h"

#include <vssym32.h>

namespace kvx {
namespace {

constexpr TColor kWhite = RgbColour(255, 255, 255);
constexpr TColor kSilver = RgbColour(192, 192, 192);
constexpr TColor kGray = RgbColour(128, 128, 128);

bool SameColour(TColor a, TColor b) noexcept {
  return ResolveColour(a) == ResolveColour(b);
}

// One pixel along the top and left in topLeft, along the bottom and right in
// bottomRight; r shrinks by that pixel.
void Frame3D(HDC dc, RECT& r, TColor topLeft, TColor bottomRight) noexcept {
  FillSolid(dc, RECT{r.left, r.top, r.right - 1, r.top + 1}, topLeft);
  FillSolid(dc, RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, topLeft);
  FillSolid(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  FillSolid(dc, RECT{r.right - 1, r.top, r.right, r.bottom - 1}, bottomRight);
  InflateRect(&r, -1, -1);
}

// Focused or the form's default, and not held down: the look that invites Enter.
bool ShowsAsDefault(const THotButtonLook& look) noexcept {
  return !look.Grouped && (look.ShowsDefault || look.Focused) && !look.DrawPressed;
}

void DrawHotTrackFace(HDC dc, const THotButtonLook& look, RECT& r) {
  if (!look.Enabled) {
    DrawRing(dc, r, look.ParentColor, look.ParentColor);
    InflateRect(&r, -1, -1);
    const TColor frame =
        SameColour(look.Color, clBtnFace) ? Lighten(clBtnShadow, 30) : Darken(look.Color, 80);
    DrawFaceFrame(dc, r, frame);
    InflateRect(&r, -1, -1);
    FillSolid(dc, r, look.Color);
    return;
  }
  DrawRing(dc, r, Darken(look.ParentColor, 20), Lighten(look.ParentColor, 20));
  InflateRect(&r, -1, -1);
  DrawFaceFrame(dc, r, look.FrameColor);
  InflateRect(&r, -1, -1);
  if (CountsAsPressed(look)) {
    FillSolid(dc, r, Darken(look.Color, 10));
    return;
  }
  DrawFace(dc, r, look.Color);
  if (look.Hovering) {
    if (look.HotTrackColorType == THotTrackColorType::htctActual) {
      DrawGlowFrame(dc, r, MixColours(kWhite, look.HotTrackColor, 190), look.HotTrackColor);
    } else {
      const TColor opposite = OppositeHue(look.HotTrackColor, 180);
      DrawGlowFrame(dc, r, opposite, Darken(opposite, 30));
    }
  } else if (ShowsAsDefault(look)) {
    TColor highlight = look.HighlightColor;
    if (ColoursTooNear(highlight, clBtnFace)) highlight = Darken(highlight, 30);
    const TColor light = Lighten(look.Color, 30);
    DrawGlowFrame(dc, r, MixColours(highlight, light, 60), MixColours(highlight, light, 160));
  }
}

void DrawClassicFace(HDC dc, const THotButtonLook& look, RECT& r) {
  if (ShowsAsDefault(look) || (!look.Grouped && look.InClick))
    Frame3D(dc, r, clWindowFrame, clWindowFrame);
  TColor highlight, light, shadow, dark;
  if (SameColour(look.Color, clBtnFace)) {
    highlight = clBtnHighlight;
    light = cl3DLight;
    shadow = clBtnShadow;
    dark = cl3DDkShadow;
  } else {
    highlight = Lighten(look.Color, 60);
    light = Lighten(look.Color, 25);
    shadow = Darken(look.Color, 50);
    dark = Darken(look.Color, 90);
  }
  if (look.Grouped) {
    if (CountsAsPressed(look)) {
      Frame3D(dc, r, shadow, highlight);
      Frame3D(dc, r, dark, light);
    } else {
      Frame3D(dc, r, highlight, dark);
      Frame3D(dc, r, light, shadow);
    }
  } else if (look.DrawPressed) {
    Frame3D(dc, r, shadow, shadow);
  } else {
    Frame3D(dc, r, highlight, dark);
    Frame3D(dc, r, light, shadow);
  }
  FillSolid(dc, r, look.Color);
}

}  // namespace

bool CountsAsPressed(const THotButtonLook& look) noexcept {
  return look.GroupState != TButtonState::bsUp || look.DrawPressed;
}

void ClipToFaceCorners(HDC dc, const THotButtonLook& look) noexcept {
  // What is left after the three exclusions is the three pixels at each
  // corner that the rounded ring does not cover.
  RECT r{0, 0, look.Width, look.Height};
  const int inset = look.Enabled ? 1 : 2;
  InflateRect(&r, -inset, -inset);
  ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  InflateRect(&r, 1, -1);
  ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  InflateRect(&r, -2, 2);
  ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
}

int ThemedButtonState(const THotButtonLook& look) noexcept {
  if (!look.Enabled) return PBS_DISABLED;
  if (CountsAsPressed(look)) return PBS_PRESSED;
  if (look.Hovering) return PBS_HOT;
  if (ShowsAsDefault(look)) return PBS_DEFAULTED;
  return PBS_NORMAL;
}

void DrawThemedFace(HDC dc, HTHEME theme, const THotButtonLook& look, RECT& r) noexcept {
  const int state = ThemedButtonState(look);
  DrawThemeBackground(theme, dc, BP_PUSHBUTTON, state, &r, nullptr);
  RECT content;
  if (SUCCEEDED(GetThemeBackgroundContentRect(theme, dc, BP_PUSHBUTTON, state, &r, &content)))
    r = content;
}

void DrawButtonFace(HDC dc, const THotButtonLook& look, RECT& r) {
  if (look.HotTrack)
    DrawHotTrackFace(dc, look, r);
  else
    DrawClassicFace(dc, look, r);
}

bool WantsDownPattern(const THotButtonLook& look) noexcept {
  // The hot-tracking look's pressed face takes the place of the pattern.
  const bool pressedFace = !look.Themed && look.HotTrack && look.Enabled && CountsAsPressed(look);
  return !pressedFace && look.Grouped && look.GroupState == TButtonState::bsExclusive &&
         look.ShowDownPattern;
}

void DrawDownPatternTile(HDC dc, TColor faceColour) noexcept {
  FillSolid(dc, RECT{0, 0, 8, 8}, faceColour);
  const COLORREF dot = ResolveColour(SameColour(faceColour, kSilver) ? kGray : kSilver);
  for (int y = 0; y < 8; ++y)
    for (int x = y % 2; x < 8; x += 2) SetPixelV(dc, x, y, dot);
}

RECT CaptionRect(const THotButtonLook& look) noexcept {
  RECT r{0, 0, look.Width, look.Height};
  InflateRect(&r, -5, -5);
  // Only the classic look moves its caption when pressed.
  if (!look.HotTrack && !look.Themed && (look.Grouped ? CountsAsPressed(look) : look.DrawPressed))
    OffsetRect(&r, 1, 1);
  return r;
}

UINT CaptionFormat(const THotButtonLook& look) noexcept {
  UINT format = DT_WORDBREAK | DT_EXPANDTABS;
  switch (look.Alignment) {
    case TAlignment::taLeftJustify:
      format |= DT_LEFT;
      break;
    case TAlignment::taRightJustify:
      format |= DT_RIGHT;
      break;
    case TAlignment::taCenter:
      format |= DT_CENTER;
      break;
  }
  return format;
}

void DrawCaptionText(HDC dc, const THotButtonLook& look, RECT rect, UINT format) {
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  TSelectObject font(dc, look.Font);
  std::wstring text = look.Caption;
  if (look.HideAccel) {
    text = StripAccelerators(text);
    format |= DT_NOPREFIX;
  }
  RECT measured = rect;
  DrawTextW(dc, text.c_str(), -1, &measured,
            DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK | DT_VCENTER | DT_CENTER);
  const int h = measured.bottom - measured.top;
  switch (look.AlignmentVertical) {
    case TVerticalAlignment::avTop:
      rect.bottom = rect.top + h;
      break;
    case TVerticalAlignment::avCenter:
      rect.top = (rect.top + rect.bottom - h) / 2;
      rect.bottom = rect.top + h;
      break;
    case TVerticalAlignment::avBottom:
      rect.top = rect.bottom - h - 1;
      break;
  }
  auto drawAt = [&](int dx, int dy, TColor colour) {
    RECT moved = rect;
    OffsetRect(&moved, dx, dy);
    SetTextColor(dc, ResolveColour(colour));
    DrawTextW(dc, text.c_str(), -1, &moved, format);
  };
  TColor colour;
  if (look.Enabled) {
    if (look.TextStyle == TTextStyle::tsRaised || look.TextStyle == TTextStyle::tsRecessed) {
      const bool raised = look.TextStyle == TTextStyle::tsRaised;
      const TColor light = raised ? look.TextHighlightColor : look.TextShadowColor;
      const TColor dark = raised ? look.TextShadowColor : look.TextHighlightColor;
      if (!(raised && look.LightTextStyle)) drawAt(1, 1, dark);
      if (!(!raised && look.LightTextStyle)) drawAt(-1, -1, light);
    } else if (look.TextStyle == TTextStyle::tsShadow) {
      if (format & DT_RIGHT)
        drawAt(0, look.TextShadowDepth, look.TextShadowColor);
      else
        drawAt(look.TextShadowDepth, look.TextShadowDepth, look.TextShadowColor);
    }
    colour = look.FontColor;
    if (format & DT_RIGHT) OffsetRect(&rect, -look.TextShadowDepth, 0);
  } else {
    colour = ColoursTooNear(look.Color, clGrayText) ? cl3DDkShadow : clGrayText;
  }
  drawAt(0, 0, colour);
  SetBkMode(dc, oldMode);
}

void DrawFocusBorder(HDC dc, const THotButtonLook& look) noexcept {
  if (!look.Focused || look.HideFocus || !look.ShowFocusRect) return;
  RECT focus{0, 0, look.Width, look.Height};
  const int inset = look.HotTrack || look.Themed ? 3 : 4;
  InflateRect(&focus, -inset, -inset);
  if (look.Grouped && CountsAsPressed(look)) OffsetRect(&focus, 1, 1);
  DrawDottedFocus(dc, focus);
}

}  // namespace kvx
