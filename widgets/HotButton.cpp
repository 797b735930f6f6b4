#include "toolkit/Win.h"

#include "widgets/HotButton.h"

#include "toolkit/Button.h"
#include "toolkit/Form.h"
#include "toolkit/Scope.h"
#include "widgets/ThemeDrawing.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>

namespace kvx {
namespace {

constexpr TColor kWhite = RgbColour(255, 255, 255);
constexpr TColor kSilver = RgbColour(192, 192, 192);
constexpr TColor kGray = RgbColour(128, 128, 128);

bool SameColour(TColor a, TColor b) noexcept {
  return ResolveColour(a) == ResolveColour(b);
}

// Visual styles reach a program only through version 6 of the common controls.
bool CommonControls6Loaded() noexcept {
  HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  if (!comctl) return false;
  struct TDllVersion {
    DWORD cbSize, dwMajorVersion, dwMinorVersion, dwBuildNumber, dwPlatformID;
  } version{sizeof(TDllVersion), 0, 0, 0, 0};
  using TDllGetVersion = HRESULT(CALLBACK*)(TDllVersion*);
  auto get = reinterpret_cast<TDllGetVersion>(
      reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
  return get && SUCCEEDED(get(&version)) && version.dwMajorVersion >= 6;
}

bool IsPushButton(TWinControl* control) noexcept {
  return control && (dynamic_cast<THotButton*>(control) || dynamic_cast<TButton*>(control));
}

bool SameLetter(wchar_t a, wchar_t b) noexcept {
  auto upper = [](wchar_t c) {
    return static_cast<wchar_t>(reinterpret_cast<ULONG_PTR>(
        CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
  };
  return upper(a) == upper(b);
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

}  // namespace

// ---------------------------------------------------------------------------
// TCustomHotButton

TCustomHotButton::TCustomHotButton(TWinControl* parent) : TWinControl(parent) {
  InitThemeDrawing();
  SetOwnPaint(true);
  SetTabStop(true);
  SetBounds(0, 0, 115, 17);
}

TCustomHotButton::~TCustomHotButton() {
  BeginDestroy();
}

void TCustomHotButton::BeginDestroy() noexcept {
  FDestroying = true;
  DestroyHandle();
}

void TCustomHotButton::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.ClassName = L"KorvexaHotButton";
}

void TCustomHotButton::CreateWnd() {
  TWinControl::CreateWnd();
  // Every platform we run on is NT 5 or later: start with the cues that the
  // last input (mouse or keyboard) calls for.
  SendMessageW(Handle(), WM_CHANGEUISTATE,
               MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

LRESULT TCustomHotButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEMOVE: {
      // While the mouse is captured, moves outside arrive here too.
      POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      RECT client = ClientRect();
      if (PtInRect(&client, p))
        MouseEnter();
      else
        MouseLeave();
      break;
    }
    case WM_MOUSELEAVE:
      MouseLeave();
      return 0;
    case WM_PRINTCLIENT: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      if (lParam & PRF_ERASEBKGND) EraseBackground(dc);
      if (lParam & PRF_CLIENT) Paint(dc);
      return 0;
    }
    case WM_THEMECHANGED:
      RepaintButton();
      break;
    default:
      break;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

void TCustomHotButton::MouseEnter() {
  if (FHovering || !HandleAllocated()) return;
  FHovering = true;
  TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
  TrackMouseEvent(&track);
  if (OnMouseEnter) OnMouseEnter(this);
  if (FHotTrack || ThemesActive()) {
    RECT r = GetHoverRect();
    InvalidateRect(Handle(), &r, FALSE);
  }
}

void TCustomHotButton::MouseLeave() {
  if (!FHovering) return;
  FHovering = false;
  if (OnMouseLeave) OnMouseLeave(this);
  if ((FHotTrack || ThemesActive()) && HandleAllocated()) {
    RECT r = GetHoverRect();
    InvalidateRect(Handle(), &r, FALSE);
  }
}

void TCustomHotButton::EraseBackground(HDC dc) {
  if (FTransparentCorners)
    PaintCornerBackground(dc);
  else
    TWinControl::EraseBackground(dc);
}

void TCustomHotButton::PaintCornerBackground(HDC dc) {
  if (!FTransparentCorners || !HandleAllocated()) return;
  // What is left after the three exclusions is the three pixels at each
  // corner that the rounded ring does not cover.
  int saved = SaveDC(dc);
  RECT r = ClientRect();
  const int inset = Enabled() ? 1 : 2;
  InflateRect(&r, -inset, -inset);
  ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  InflateRect(&r, 1, -1);
  ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  InflateRect(&r, -2, 2);
  ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  CopyParentBackground(this, dc, true);
  if (saved) RestoreDC(dc, saved);
}

void TCustomHotButton::RepaintButton() {
  Invalidate();
}

void TCustomHotButton::Repaint() {
  if (!HandleAllocated()) return;
  InvalidateRect(Handle(), nullptr, TRUE);
  UpdateWindow(Handle());
}

void TCustomHotButton::FocusRepaint() {
  Repaint();
}

RECT TCustomHotButton::GetHoverRect() {
  return ClientRect();
}

bool TCustomHotButton::ThemesActive() {
  if (!FThemeAware) return false;
  return IsThemeActive() && IsAppThemed() && (GetThemeAppProperties() & STAP_ALLOW_CONTROLS) &&
         CommonControls6Loaded();
}

UINT TCustomHotButton::HiddenCues() {
  if (!HandleAllocated()) return 0;
  return static_cast<UINT>(SendMessageW(Handle(), WM_QUERYUISTATE, 0, 0));
}

std::wstring TCustomHotButton::CaptionText() {
  if (!HandleAllocated()) return {};
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(Handle())) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()))));
  return text;
}

void TCustomHotButton::DrawCaption(HDC dc, RECT rect, UINT format) {
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  TSelectObject font(dc, FontHandle());
  std::wstring text = CaptionText();
  if (HiddenCues() & UISF_HIDEACCEL) {
    text = StripAccelerators(text);
    format |= DT_NOPREFIX;
  }
  RECT measured = rect;
  DrawTextW(dc, text.c_str(), -1, &measured,
            DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK | DT_VCENTER | DT_CENTER);
  const int h = measured.bottom - measured.top;
  switch (FAlignmentVertical) {
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
  if (Enabled()) {
    if (FTextStyle == TTextStyle::tsRaised || FTextStyle == TTextStyle::tsRecessed) {
      const bool raised = FTextStyle == TTextStyle::tsRaised;
      const TColor light = raised ? FTextHighlightColor : FTextShadowColor;
      const TColor dark = raised ? FTextShadowColor : FTextHighlightColor;
      if (!(raised && FLightTextStyle)) drawAt(1, 1, dark);
      if (!(!raised && FLightTextStyle)) drawAt(-1, -1, light);
    } else if (FTextStyle == TTextStyle::tsShadow) {
      if (format & DT_RIGHT)
        drawAt(0, FTextShadowDepth, FTextShadowColor);
      else
        drawAt(FTextShadowDepth, FTextShadowDepth, FTextShadowColor);
    }
    colour = Font().Color;
    if (format & DT_RIGHT) OffsetRect(&rect, -FTextShadowDepth, 0);
  } else {
    colour = ColoursTooNear(Color(), clGrayText) ? cl3DDkShadow : clGrayText;
  }
  drawAt(0, 0, colour);
  SetBkMode(dc, oldMode);
}

void TCustomHotButton::ButtonPressed() {
  Click();
}

void TCustomHotButton::Click() {
  if (OnClick) OnClick(this);
}

void TCustomHotButton::SetHotTrack(bool value) {
  if (value == FHotTrack) return;
  FHotTrack = value;
  SetTransparentCorners(value);
  Repaint();  // the background too: the corners change with the look
}

// ---------------------------------------------------------------------------
// THotButton

THotButton::THotButton(TWinControl* parent) : TCustomHotButton(parent) {
  SetBounds(0, 0, 75, 25);
}

// The window goes here, while this class still answers its messages.
THotButton::~THotButton() {
  BeginDestroy();
}

void THotButton::CreateWnd() {
  TCustomHotButton::CreateWnd();
  FShowsDefault = FDefault;
}

LRESULT THotButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:  // the second press of a double click is a press of its own
      if (Enabled()) {
        SetFocus();
        if (Focused()) {
          FDrawPressed = true;
          Repaint();
          FTrackingMouse = true;
          SetCapture(Handle());
        }
      }
      return 0;
    case WM_MOUSEMOVE:
      if (FTrackingMouse) {
        const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
        RECT client = ClientRect();
        // The bottom edge row still counts as inside while dragging.
        const bool inside = x >= 0 && x < client.right && y >= 0 && y <= client.bottom;
        if (inside != FDrawPressed) {
          FDrawPressed = inside;
          Repaint();
        }
      }
      break;
    case WM_LBUTTONUP:
      if (FTrackingMouse) {
        FTrackingMouse = false;
        FDrawPressed = false;
        if (GetCapture() == Handle()) ReleaseCapture();
        const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
        RECT client = ClientRect();
        if (x >= 0 && x < client.right && y >= 0 && y < client.bottom) ButtonPressed();
        Repaint();
      }
      return 0;
    case WM_CAPTURECHANGED:
      // Capture taken away mid-press (a box popped up, the user switched
      // away): the press is over, and must not stay drawn.
      if (FTrackingMouse && reinterpret_cast<HWND>(lParam) != Handle()) {
        FTrackingMouse = false;
        FDrawPressed = false;
        Repaint();
      }
      break;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && !(KeyboardShiftState() & MK_ALT)) {
        FSpaceDown = true;
        FDrawPressed = true;
        Repaint();
      }
      break;
    case WM_KEYUP:
      if (wParam == VK_SPACE) {
        FDrawPressed = false;
        if (FSpaceDown) ButtonPressed();
        Repaint();
      }
      break;
    case WM_SETFOCUS: {
      LRESULT r = TCustomHotButton::WndProc(msg, wParam, lParam);
      FocusRepaint();
      return r;
    }
    case WM_KILLFOCUS: {
      LRESULT r = TCustomHotButton::WndProc(msg, wParam, lParam);
      if (!Destroying()) {
        FocusRepaint();
        FSpaceDown = false;
        FDrawPressed = false;
        Repaint();
      }
      return r;
    }
    case WM_SETTEXT: {
      LRESULT r = TCustomHotButton::WndProc(msg, wParam, lParam);
      Repaint();
      return r;
    }
    case WM_GETDLGCODE:
      return DLGC_BUTTON | (FShowsDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_CLICK:
      // Automation presses the button this way, as the platform's buttons allow.
      if (Enabled()) ButtonPressed();
      return 0;
    case CM_DIALOGKEY:
      return DialogKey(wParam, lParam) ? 1 : 0;
    case CM_DIALOGCHAR:
      return DialogChar(wParam) ? 1 : 0;
    case CM_FOCUSCHANGED:
      FocusChanged(reinterpret_cast<TWinControl*>(lParam));
      return 0;  // every control of the form must hear it
    case CM_BUTTONPRESSED:
      if (static_cast<int>(wParam) == FGroupIndex && Parent()) {
        auto* sender = reinterpret_cast<TWinControl*>(lParam);
        const auto& siblings = Parent()->Controls();
        if (sender != this &&
            std::find(siblings.begin(), siblings.end(), sender) != siblings.end()) {
          if (auto* button = dynamic_cast<THotButton*>(sender)) {
            if (button->Down() && FDown) {
              FDown = false;
              FGroupState = TButtonState::bsUp;
              Repaint();
            }
            FAllowAllUp = button->AllowAllUp();
          }
        }
      }
      return 0;
    default:
      break;
  }
  return TCustomHotButton::WndProc(msg, wParam, lParam);
}

bool THotButton::DialogKey(WPARAM key, LPARAM keyData) {
  UINT shift = KeyboardShiftState();
  if (keyData & (static_cast<LPARAM>(KF_ALTDOWN) << 16)) shift |= MK_ALT;
  const bool ours = (key == VK_RETURN && FShowsDefault) || (key == VK_ESCAPE && Cancel);
  if (!ours || (shift & (MK_SHIFT | MK_CONTROL | MK_ALT)) || !CanFocus()) return false;
  FKeyClick = !DropDownOnEnter;
  // Cleared on the way out, also when the click raises.
  auto clearKeyClick = ScopeExit([this]() noexcept { FKeyClick = false; });
  Click();
  return true;
}

bool THotButton::DialogChar(WPARAM character) {
  const wchar_t accelerator = AcceleratorChar(CaptionText());
  if (!accelerator || !SameLetter(accelerator, static_cast<wchar_t>(character)) || !CanFocus())
    return false;
  Click();
  return true;
}

void THotButton::FocusChanged(TWinControl* focused) {
  if (Destroying()) return;
  bool showsDefault = FDefault;
  if (IsPushButton(focused)) showsDefault = focused == this;
  if (showsDefault != FShowsDefault) {
    FShowsDefault = showsDefault;
    Repaint();
  }
}

void THotButton::ButtonPressed() {
  if (FGroupIndex != 0)
    SetDown(!FDown);
  else
    Repaint();
  FInClick = true;
  // Cleared on the way out, also when the click raises.
  auto clearInClick = ScopeExit([this]() noexcept { FInClick = false; });
  Click();
}

void THotButton::Click() {
  if (auto* form = dynamic_cast<TForm*>(TopLevel())) form->ModalResult = ModalResult;
  TCustomHotButton::Click();
}

void THotButton::SetEnabled(bool enabled) {
  if (!enabled && Parent()) {
    // The focus goes to the form itself, not to a disabled window.
    if (TForm* form = ParentForm()) form->DefocusControl(this);
  }
  TCustomHotButton::SetEnabled(enabled);
  Repaint();
}

void THotButton::SetAllowAllUp(bool value) {
  if (value == FAllowAllUp) return;
  FAllowAllUp = value;
  BroadcastGroup();
}

void THotButton::SetDefault(bool value) {
  if (value == FDefault) return;
  FDefault = value;
  if (!HandleAllocated()) return;
  // Every push button of the form works out again whether it is the default.
  if (TForm* form = ParentForm()) {
    form->ReannounceFocus();
  } else {
    TWinControl* top = TopLevel();
    TWinControl* focused = NearestControl(GetFocus());
    if (focused && focused->TopLevel() != top) focused = nullptr;
    top->Broadcast(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(focused));
    if (top == this) FocusChanged(focused);
  }
}

void THotButton::SetGroupIndex(int value) {
  if (value == FGroupIndex) return;
  FGroupIndex = value;
  BroadcastGroup();
}

void THotButton::SetDown(bool value) {
  if (FGroupIndex == 0) value = false;
  if (value == FDown) return;
  // The last down button of an exclusive group cannot be released.
  if (FDown && !FAllowAllUp && FGroupIndex != 0) return;
  FDown = value;
  FGroupState = value ? TButtonState::bsExclusive : TButtonState::bsUp;
  Repaint();
  if (value) BroadcastGroup();
}

void THotButton::BroadcastGroup() {
  if (FGroupIndex == 0 || !Parent()) return;
  for (TWinControl* sibling : std::vector<TWinControl*>(Parent()->Controls()))
    if (sibling != this)
      sibling->Perform(CM_BUTTONPRESSED, static_cast<WPARAM>(FGroupIndex),
                       reinterpret_cast<LPARAM>(static_cast<TWinControl*>(this)));
}

// --- painting ---------------------------------------------------------------

void THotButton::Paint(HDC dc) {
  RECT r = ClientRect();
  const bool themes = ThemesActive();
  RECT focus = r;
  const int focusInset = HotTrack() || themes ? 3 : 4;
  InflateRect(&focus, -focusInset, -focusInset);
  if (FGroupIndex != 0 && CountsAsPressed()) OffsetRect(&focus, 1, 1);

  bool pressedFace = false;  // the hot-tracking look's pressed face takes the place of the pattern
  if (themes)
    PaintThemed(dc, r);
  else if (HotTrack())
    PaintHotTrack(dc, r, pressedFace);
  else
    PaintClassic(dc, r);

  if (!pressedFace && FGroupIndex != 0 && FGroupState == TButtonState::bsExclusive &&
      FShowDownPattern)
    PaintDownPattern(dc, r);

  PaintCaption(dc);

  if (Focused() && !(HiddenCues() & UISF_HIDEFOCUS) && FShowFocusRect) DrawDottedFocus(dc, focus);
}

void THotButton::PaintThemed(HDC dc, RECT& r) {
  TUniqueTheme theme(OpenThemeData(Handle(), L"BUTTON"));
  if (!theme) return;
  int state = PBS_NORMAL;
  if (!Enabled())
    state = PBS_DISABLED;
  else if (CountsAsPressed())
    state = PBS_PRESSED;
  else if (Hovering())
    state = PBS_HOT;
  else if (FGroupIndex == 0 && (FShowsDefault || Focused()) && !FDrawPressed)
    state = PBS_DEFAULTED;
  DrawThemeParentBackground(Handle(), dc, &r);
  DrawThemeBackground(theme.Get(), dc, BP_PUSHBUTTON, state, &r, nullptr);
  RECT content;
  if (SUCCEEDED(GetThemeBackgroundContentRect(theme.Get(), dc, BP_PUSHBUTTON, state, &r, &content)))
    r = content;
}

void THotButton::PaintHotTrack(HDC dc, RECT& r, bool& pressedFace) {
  const TColor parentColour = Parent() ? Parent()->Color() : clBtnFace;
  if (!Enabled()) {
    DrawRing(dc, r, parentColour, parentColour);
    InflateRect(&r, -1, -1);
    const TColor frame =
        SameColour(Color(), clBtnFace) ? Lighten(clBtnShadow, 30) : Darken(Color(), 80);
    DrawFaceFrame(dc, r, frame);
    InflateRect(&r, -1, -1);
    FillSolid(dc, r, Color());
    return;
  }
  DrawRing(dc, r, Darken(parentColour, 20), Lighten(parentColour, 20));
  InflateRect(&r, -1, -1);
  DrawFaceFrame(dc, r, FFrameColor);
  InflateRect(&r, -1, -1);
  if (CountsAsPressed()) {
    FillSolid(dc, r, Darken(Color(), 10));
    pressedFace = true;
    return;
  }
  DrawFace(dc, r, Color());
  if (Hovering()) {
    if (HotTrackColorType() == THotTrackColorType::htctActual) {
      DrawGlowFrame(dc, r, MixColours(kWhite, HotTrackColor(), 190), HotTrackColor());
    } else {
      const TColor opposite = OppositeHue(HotTrackColor(), 180);
      DrawGlowFrame(dc, r, opposite, Darken(opposite, 30));
    }
  } else if (FGroupIndex == 0 && (FShowsDefault || Focused()) && !FDrawPressed) {
    TColor highlight = HighlightColor();
    if (ColoursTooNear(highlight, clBtnFace)) highlight = Darken(highlight, 30);
    const TColor light = Lighten(Color(), 30);
    DrawGlowFrame(dc, r, MixColours(highlight, light, 60), MixColours(highlight, light, 160));
  }
}

void THotButton::PaintClassic(HDC dc, RECT& r) {
  if (FGroupIndex == 0 && (((FShowsDefault || Focused()) && !FDrawPressed) || FInClick)) {
    Frame3D(dc, r, clWindowFrame, clWindowFrame);
  }
  TColor highlight, light, shadow, dark;
  if (SameColour(Color(), clBtnFace)) {
    highlight = clBtnHighlight;
    light = cl3DLight;
    shadow = clBtnShadow;
    dark = cl3DDkShadow;
  } else {
    highlight = Lighten(Color(), 60);
    light = Lighten(Color(), 25);
    shadow = Darken(Color(), 50);
    dark = Darken(Color(), 90);
  }
  if (FGroupIndex != 0) {
    if (CountsAsPressed()) {
      Frame3D(dc, r, shadow, highlight);
      Frame3D(dc, r, dark, light);
    } else {
      Frame3D(dc, r, highlight, dark);
      Frame3D(dc, r, light, shadow);
    }
  } else if (FDrawPressed) {
    Frame3D(dc, r, shadow, shadow);
  } else {
    Frame3D(dc, r, highlight, dark);
    Frame3D(dc, r, light, shadow);
  }
  FillSolid(dc, r, Color());
}

void THotButton::MakeDownPattern(HDC dc, HBITMAP pattern) {
  TUniqueMemDC memory(CreateCompatibleDC(dc));
  if (!memory) return;
  TSelectObject select(memory.Get(), pattern);
  FillSolid(memory.Get(), RECT{0, 0, 8, 8}, Color());
  const COLORREF dot = ResolveColour(SameColour(Color(), kSilver) ? kGray : kSilver);
  for (int y = 0; y < 8; ++y)
    for (int x = y % 2; x < 8; x += 2) SetPixelV(memory.Get(), x, y, dot);
}

void THotButton::PaintDownPattern(HDC dc, const RECT& r) {
  const TColor colour = ResolveColour(Color());
  if (!FDownPatternBrush || FDownPatternColour != colour) {
    TUniqueBitmap bitmap(CreateCompatibleBitmap(dc, 8, 8));
    if (!bitmap) return;
    MakeDownPattern(dc, bitmap.Get());
    FDownPatternBrush.Reset(CreatePatternBrush(bitmap.Get()));
    FDownPatternColour = colour;
  }
  if (FDownPatternBrush) FillRect(dc, &r, FDownPatternBrush.Get());
}

RECT THotButton::GetCaptionRect() {
  RECT r = ClientRect();
  InflateRect(&r, -5, -5);
  if (!HotTrack() && !ThemesActive() && (FGroupIndex != 0 ? CountsAsPressed() : FDrawPressed))
    OffsetRect(&r, 1, 1);
  return r;
}

void THotButton::PaintCaption(HDC dc) {
  UINT format = DT_WORDBREAK | DT_EXPANDTABS;
  switch (FAlignment) {
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
  DrawCaption(dc, GetCaptionRect(), format);
}

}  // namespace kvx
