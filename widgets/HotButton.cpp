#include "toolkit/Win.h"

#include "widgets/HotButton.h"

#include "toolkit/Button.h"
#include "toolkit/Form.h"
#include "toolkit/FunctionAddress.h"
#include "toolkit/Scope.h"
#include "widgets/ThemeDrawing.h"

#include <shlwapi.h>
#include <uxtheme.h>

#include <algorithm>

namespace kvx {
namespace {

// Visual styles reach a program only through version 6 of the common controls.
bool CommonControls6Loaded() noexcept {
  HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  if (!comctl) return false;
  DLLVERSIONINFO version{};
  version.cbSize = sizeof version;
  auto get = ProcAddress<DLLGETVERSIONPROC>(comctl, "DllGetVersion");
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

POINT PointOf(LPARAM lParam) noexcept {
  return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

SIZE SizeOf(const RECT& client) noexcept {
  return SIZE{client.right, client.bottom};
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
      POINT p = PointOf(lParam);
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
  int saved = SaveDC(dc);
  ClipToFaceCorners(dc, Look());
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

THotButtonLook TCustomHotButton::Look() {
  const RECT client = ClientRect();
  THotButtonLook look;
  look.Width = client.right;
  look.Height = client.bottom;
  look.Caption = CaptionText();
  look.Font = FontHandle();
  look.FontColor = Font().Color;
  look.Color = Color();
  look.ParentColor = Parent() ? Parent()->Color() : clBtnFace;
  look.HighlightColor = FHighlightColor;
  look.HotTrackColor = FHotTrackColor;
  look.HotTrackColorType = FHotTrackColorType;
  look.TextHighlightColor = FTextHighlightColor;
  look.TextShadowColor = FTextShadowColor;
  look.TextShadowDepth = FTextShadowDepth;
  look.TextStyle = FTextStyle;
  look.LightTextStyle = FLightTextStyle;
  look.AlignmentVertical = FAlignmentVertical;
  look.HotTrack = FHotTrack;
  look.Themed = ThemesActive();
  look.Enabled = Enabled();
  look.Hovering = FHovering;
  look.Focused = Focused();
  const UINT hidden = HiddenCues();
  look.HideFocus = (hidden & UISF_HIDEFOCUS) != 0;
  look.HideAccel = (hidden & UISF_HIDEACCEL) != 0;
  return look;
}

void TCustomHotButton::DrawCaption(HDC dc, RECT rect, UINT format) {
  DrawCaptionText(dc, Look(), rect, format);
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
  FInput.WindowCreated(FDefault);
}

LRESULT THotButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:  // the second press of a double click is a press of its own
      if (Enabled()) {
        SetFocus();
        if (Focused()) {
          FInput.Press();
          Repaint();
          SetCapture(Handle());
        }
      }
      return 0;
    case WM_MOUSEMOVE:
      if (FInput.Drag(PointOf(lParam), SizeOf(ClientRect()))) Repaint();
      break;
    case WM_LBUTTONUP:
      if (FInput.TrackingMouse()) {
        const bool inside = FInput.Release(PointOf(lParam), SizeOf(ClientRect()));
        if (GetCapture() == Handle()) ReleaseCapture();
        if (inside) ButtonPressed();
        Repaint();
      }
      return 0;
    case WM_CAPTURECHANGED:
      // Capture taken away mid-press (a box popped up, the user switched
      // away): the press is over, and must not stay drawn.
      if (reinterpret_cast<HWND>(lParam) != Handle() && FInput.CaptureLost()) Repaint();
      break;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && !(KeyboardShiftState() & MK_ALT)) {
        FInput.SpacePressed();
        Repaint();
      }
      break;
    case WM_KEYUP:
      if (wParam == VK_SPACE) {
        if (FInput.SpaceReleased()) ButtonPressed();
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
        FInput.FocusLost();
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
      return DLGC_BUTTON | (ShowsDefault() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
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
            if (FInput.GroupSiblingPressed(button->Down())) Repaint();
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
  if (!FInput.TakesDialogKey(key, shift, Cancel) || !CanFocus()) return false;
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
  const TFocusedControl where = focused == this         ? TFocusedControl::fcThisButton
                                : IsPushButton(focused) ? TFocusedControl::fcOtherPushButton
                                                        : TFocusedControl::fcOther;
  if (FInput.FocusMoved(where, FDefault)) Repaint();
}

void THotButton::ButtonPressed() {
  if (FGroupIndex != 0)
    SetDown(!Down());
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
  if (!FInput.SetDown(value, FGroupIndex, FAllowAllUp)) return;
  Repaint();
  if (FInput.Down()) BroadcastGroup();
}

void THotButton::BroadcastGroup() {
  if (FGroupIndex == 0 || !Parent()) return;
  for (TWinControl* sibling : std::vector<TWinControl*>(Parent()->Controls()))
    if (sibling != this)
      sibling->Perform(CM_BUTTONPRESSED, static_cast<WPARAM>(FGroupIndex),
                       reinterpret_cast<LPARAM>(static_cast<TWinControl*>(this)));
}

// --- painting ---------------------------------------------------------------

THotButtonLook THotButton::Look() {
  THotButtonLook look = TCustomHotButton::Look();
  look.FrameColor = FFrameColor;
  look.Alignment = FAlignment;
  look.ShowDownPattern = FShowDownPattern;
  look.ShowFocusRect = FShowFocusRect;
  look.Grouped = FGroupIndex != 0;
  look.GroupState = FInput.GroupState();
  look.DrawPressed = FInput.DrawPressed();
  look.ShowsDefault = FInput.ShowsDefault();
  look.InClick = FInClick;
  return look;
}

void THotButton::Paint(HDC dc) {
  const THotButtonLook look = Look();
  RECT r{0, 0, look.Width, look.Height};
  if (look.Themed) {
    TUniqueTheme theme(OpenThemeData(Handle(), L"BUTTON"));
    if (theme) {
      DrawThemeParentBackground(Handle(), dc, &r);
      DrawThemedFace(dc, theme.Get(), look, r);
    }
  } else {
    DrawButtonFace(dc, look, r);
  }
  if (WantsDownPattern(look)) PaintDownPattern(dc, r);
  PaintCaption(dc);
  DrawFocusBorder(dc, look);
}

void THotButton::MakeDownPattern(HDC dc, HBITMAP pattern) {
  TUniqueMemDC memory(CreateCompatibleDC(dc));
  if (!memory) return;
  TSelectObject select(memory.Get(), pattern);
  DrawDownPatternTile(memory.Get(), Color());
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
  return CaptionRect(Look());
}

void THotButton::PaintCaption(HDC dc) {
  DrawCaption(dc, GetCaptionRect(), CaptionFormat(Look()));
}

}  // namespace kvx
