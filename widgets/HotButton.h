#pragma once
// The owner-drawn push button of the title panel. With hot tracking it draws
// a soft rounded gradient face whose frame lights up under the mouse; without
// it, a classic three-dimensional button; with the platform's visual styles
// active and ThemeAware on, the platform's themed button. Towards keyboard
// and form it behaves like a standard push button (default and cancel
// buttons, accelerators, the space bar) and can act as a group toggle.

#include "toolkit/Win.h"

#include "core/ThemeColours.h"
#include "toolkit/Control.h"
#include "toolkit/Handles.h"
#include "widgets/HotButtonInput.h"
#include "widgets/HotButtonLook.h"
#include "toolkit/SystemColours.h"

#include <string>

namespace kvx {

class TCustomHotButton : public TWinControl {
 public:
  explicit TCustomHotButton(TWinControl* parent);
  ~TCustomHotButton() override;

  TVerticalAlignment AlignmentVertical() const noexcept { return FAlignmentVertical; }
  virtual void SetAlignmentVertical(TVerticalAlignment value) {
    SetProperty(FAlignmentVertical, value);
  }
  TColor HighlightColor() const noexcept { return FHighlightColor; }
  virtual void SetHighlightColor(TColor value) { SetProperty(FHighlightColor, value); }
  bool HotTrack() const noexcept { return FHotTrack; }
  virtual void SetHotTrack(bool value);
  TColor HotTrackColor() const noexcept { return FHotTrackColor; }
  void SetHotTrackColor(TColor value) { SetProperty(FHotTrackColor, value); }
  THotTrackColorType HotTrackColorType() const noexcept { return FHotTrackColorType; }
  void SetHotTrackColorType(THotTrackColorType value) { SetProperty(FHotTrackColorType, value); }
  bool LightTextStyle() const noexcept { return FLightTextStyle; }
  virtual void SetLightTextStyle(bool value) { SetProperty(FLightTextStyle, value); }
  TColor TextHighlightColor() const noexcept { return FTextHighlightColor; }
  virtual void SetTextHighlightColor(TColor value) { SetProperty(FTextHighlightColor, value); }
  TColor TextShadowColor() const noexcept { return FTextShadowColor; }
  virtual void SetTextShadowColor(TColor value) { SetProperty(FTextShadowColor, value); }
  int TextShadowDepth() const noexcept { return FTextShadowDepth; }
  virtual void SetTextShadowDepth(int value) { SetProperty(FTextShadowDepth, value); }
  TTextStyle TextStyle() const noexcept { return FTextStyle; }
  virtual void SetTextStyle(TTextStyle value) { SetProperty(FTextStyle, value); }
  bool ThemeAware() const noexcept { return FThemeAware; }
  virtual void SetThemeAware(bool value) { SetProperty(FThemeAware, value); }
  bool TransparentCorners() const noexcept { return FTransparentCorners; }
  virtual void SetTransparentCorners(bool value) { SetProperty(FTransparentCorners, value); }

  bool Hovering() const noexcept { return FHovering; }
  // Runs the button's action as a click of the user would.
  virtual void Click();
  // Everything the button's paint reads, as it stands now.
  virtual THotButtonLook Look();

  TNotifyEvent OnClick;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void EraseBackground(HDC dc) override;

  virtual void PaintCornerBackground(HDC dc);
  virtual void RepaintButton();
  virtual void FocusRepaint();
  virtual RECT GetHoverRect();
  virtual bool ThemesActive();
  virtual void DrawCaption(HDC dc, RECT rect, UINT format);
  virtual void ButtonPressed();

  // A property's setter: stores a new value and repaints the button; the
  // value it already has changes nothing. True when it changed.
  template <typename T>
  bool SetProperty(T& property, const T& value) {
    if (property == value) return false;
    property = value;
    RepaintButton();
    return true;
  }
  // Invalidates and paints at once.
  void Repaint();
  // The focus and accelerator cues the window currently hides (UISF_ bits).
  UINT HiddenCues();
  // The caption as the platform holds it (UTF-16).
  std::wstring CaptionText();
  bool Destroying() const noexcept { return FDestroying; }
  // Marks the control as going and destroys its window; each destructor
  // calls it so the window goes while that class still answers it.
  void BeginDestroy() noexcept;

 private:
  void MouseEnter();
  void MouseLeave();

  TVerticalAlignment FAlignmentVertical = TVerticalAlignment::avCenter;
  TColor FHighlightColor = clHighlight;
  bool FHotTrack = false;
  TColor FHotTrackColor = RgbColour(240, 155, 20);
  THotTrackColorType FHotTrackColorType = THotTrackColorType::htctActual;
  bool FLightTextStyle = false;
  TColor FTextHighlightColor = clBtnHighlight;
  TColor FTextShadowColor = clBtnShadow;
  int FTextShadowDepth = 2;
  TTextStyle FTextStyle = TTextStyle::tsNormal;
  bool FThemeAware = true;

  bool FTransparentCorners = false;
  bool FHovering = false;
  bool FDestroying = false;
};

class THotButton : public TCustomHotButton {
 public:
  explicit THotButton(TWinControl* parent);
  ~THotButton() override;

  TAlignment Alignment() const noexcept { return FAlignment; }
  virtual void SetAlignment(TAlignment value) { SetProperty(FAlignment, value); }
  bool AllowAllUp() const noexcept { return FAllowAllUp; }
  virtual void SetAllowAllUp(bool value);
  bool Cancel = false;
  bool Default() const noexcept { return FDefault; }
  virtual void SetDefault(bool value);
  bool DropDownOnEnter = true;
  int GroupIndex() const noexcept { return FGroupIndex; }
  virtual void SetGroupIndex(int value);
  bool Down() const noexcept { return FInput.Down(); }
  virtual void SetDown(bool value);
  TColor FrameColor() const noexcept { return FFrameColor; }
  virtual void SetFrameColor(TColor value) { SetProperty(FFrameColor, value); }
  int ModalResult = 0;
  bool ShowDownPattern() const noexcept { return FShowDownPattern; }
  virtual void SetShowDownPattern(bool value) { SetProperty(FShowDownPattern, value); }
  bool ShowFocusRect() const noexcept { return FShowFocusRect; }
  virtual void SetShowFocusRect(bool value) { SetProperty(FShowFocusRect, value); }

  void SetEnabled(bool enabled) override;
  void Click() override;
  THotButtonLook Look() override;

  // State as the painting sees it.
  bool ShowsDefault() const noexcept { return FInput.ShowsDefault(); }
  bool DrawPressed() const noexcept { return FInput.DrawPressed(); }
  TButtonState GroupState() const noexcept { return FInput.GroupState(); }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void CreateWnd() override;
  void Paint(HDC dc) override;
  void ButtonPressed() override;

  virtual RECT GetCaptionRect();
  virtual void PaintCaption(HDC dc);
  // Fills an 8 x 8 bitmap with the chequered pattern of a down group button.
  virtual void MakeDownPattern(HDC dc, HBITMAP pattern);

  bool KeyClick() const noexcept { return FKeyClick; }

 private:
  void BroadcastGroup();
  void FocusChanged(TWinControl* focused);
  bool DialogKey(WPARAM key, LPARAM keyData);
  bool DialogChar(WPARAM character);
  void PaintDownPattern(HDC dc, const RECT& r);

  TAlignment FAlignment = TAlignment::taCenter;
  bool FAllowAllUp = false;
  bool FDefault = false;
  int FGroupIndex = 0;
  TColor FFrameColor = cl3DDkShadow;
  bool FShowDownPattern = true;
  bool FShowFocusRect = true;

  THotButtonInput FInput;
  bool FInClick = false;
  bool FKeyClick = false;

  // The down pattern, made again when the face colour changes.
  TUniqueBrush FDownPatternBrush;
  TColor FDownPatternColour = 0;
};

}  // namespace kvx
