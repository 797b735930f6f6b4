#include "toolkit/Win.h"

#include "widgets/HotButton.h"

#include "TestCanvas.h"
#include "toolkit/Application.h"
#include "toolkit/Button.h"
#include "toolkit/Edit.h"
#include "toolkit/Form.h"
#include "toolkit/Panel.h"
#include "widgets/ThemeDrawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace kvx {
namespace {

using test::TTestCanvas;

constexpr TColor kPanel = RgbColour(232, 243, 255);
constexpr TColor kFace = RgbColour(236, 233, 216);
constexpr TColor kFrame = RgbColour(105, 105, 105);
constexpr TColor kHighlight = RgbColour(51, 153, 255);
constexpr TColor kBlack = RgbColour(0, 0, 0);

LPARAM Point(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

// A form with a title-like panel holding the button under test, a second
// hot button, a platform push button and an edit box to move the focus to.
class HotButtonTest : public testing::Test {
 protected:
  void SetUp() override {
    SetFullColourDisplay(true);
    Form = std::make_unique<TForm>();
    Form->SetBorderStyle(TFormBorderStyle::bsNone);
    Form->SetBounds(40, 40, 400, 120);
    Panel = std::make_unique<TPanel>(Form.get());
    Panel->SetBounds(0, 0, 400, 40);
    Panel->SetColor(kPanel);
    Button = std::make_unique<THotButton>(Panel.get());
    Button->SetBounds(224, 4, 75, 25);
    Button->SetCaption("OK");
    Button->OnClick = [this](TObject* sender) {
      EXPECT_EQ(sender, Button.get());
      ++Clicks;
    };
    Other = std::make_unique<THotButton>(Panel.get());
    Other->SetBounds(10, 4, 75, 25);
    Other->OnClick = [this](TObject*) { ++OtherClicks; };
    Plain = std::make_unique<TButton>(Form.get());
    Plain->SetBounds(10, 60, 75, 25);
    Edit = std::make_unique<TEdit>(Form.get());
    Edit->SetBounds(100, 60, 100, 20);
    Form->Show();
    Application().ProcessMessages();
  }

  void TearDown() override {
    SetKeyboard(0);
    Edit.reset();
    Plain.reset();
    Other.reset();
    Button.reset();
    Panel.reset();
    Form.reset();
    SetFullColourDisplay(true);
  }

  // The button as it paints itself, corners included.
  std::unique_ptr<TTestCanvas> Render(TCustomHotButton& button) {
    auto canvas = std::make_unique<TTestCanvas>(button.Width(), button.Height());
    SendMessageW(button.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->DC()),
                 PRF_CLIENT | PRF_ERASEBKGND);
    return canvas;
  }

  void UseKnownColours() {
    Button->SetColor(kFace);
    Button->SetFrameColor(kFrame);
    Button->SetHighlightColor(kHighlight);
    Button->SetHotTrack(true);
  }

  static void SetKeyboard(BYTE controlState) {
    BYTE keys[256] = {};
    keys[VK_CONTROL] = keys[VK_LCONTROL] = controlState;
    SetKeyboardState(keys);
  }

  // Posts a key to the focused window and lets the application's loop
  // handle it, dialog keys included.
  void Key(UINT msg, WPARAM key) {
    PostMessageW(GetFocus(), msg, key, msg == WM_SYSCHAR ? (1 << 29) : 0);
    Application().ProcessMessages();
  }

  void Mouse(UINT msg, int x, int y) {
    SendMessageW(Button->Handle(), msg, msg == WM_MOUSEMOVE ? 0 : MK_LBUTTON, Point(x, y));
  }

  TApplication App;
  std::unique_ptr<TForm> Form;
  std::unique_ptr<TPanel> Panel;
  std::unique_ptr<THotButton> Button;
  std::unique_ptr<THotButton> Other;
  std::unique_ptr<TButton> Plain;
  std::unique_ptr<TEdit> Edit;
  int Clicks = 0;
  int OtherClicks = 0;
};

TEST_F(HotButtonTest, Defaults) {
  THotButton button(Panel.get());
  EXPECT_EQ(button.Width(), 75);
  EXPECT_EQ(button.Height(), 25);
  EXPECT_TRUE(button.TabStop());
  EXPECT_EQ(button.AlignmentVertical(), TVerticalAlignment::avCenter);
  EXPECT_EQ(button.HighlightColor(), clHighlight);
  EXPECT_FALSE(button.HotTrack());
  EXPECT_EQ(button.HotTrackColor(), 1350640u);
  EXPECT_EQ(button.HotTrackColorType(), THotTrackColorType::htctActual);
  EXPECT_FALSE(button.LightTextStyle());
  EXPECT_EQ(button.TextHighlightColor(), clBtnHighlight);
  EXPECT_EQ(button.TextShadowColor(), clBtnShadow);
  EXPECT_EQ(button.TextShadowDepth(), 2);
  EXPECT_EQ(button.TextStyle(), TTextStyle::tsNormal);
  EXPECT_TRUE(button.ThemeAware());
  EXPECT_FALSE(button.TransparentCorners());
  EXPECT_EQ(button.Alignment(), TAlignment::taCenter);
  EXPECT_FALSE(button.AllowAllUp());
  EXPECT_FALSE(button.Cancel);
  EXPECT_FALSE(button.Default());
  EXPECT_TRUE(button.DropDownOnEnter);
  EXPECT_EQ(button.GroupIndex(), 0);
  EXPECT_FALSE(button.Down());
  EXPECT_EQ(button.FrameColor(), cl3DDkShadow);
  EXPECT_EQ(button.ModalResult, 0);
  EXPECT_TRUE(button.ShowDownPattern());
  EXPECT_TRUE(button.ShowFocusRect());
  EXPECT_EQ(button.Color(), clBtnFace);

  TCustomHotButton base(Panel.get());
  EXPECT_EQ(base.Width(), 115);
  EXPECT_EQ(base.Height(), 17);

  // Hot tracking brings the transparent corners with it, both ways.
  button.SetHotTrack(true);
  EXPECT_TRUE(button.TransparentCorners());
  button.SetHotTrack(false);
  EXPECT_FALSE(button.TransparentCorners());
}

// --- look -------------------------------------------------------------------

TEST_F(HotButtonTest, HotTrackingLookAtRest) {
  UseKnownColours();
  auto c = Render(*Button);
  const TColor ringDark = RgbColour(189, 219, 255), ringLight = RgbColour(255, 255, 255);
  // Corners show the panel; the ring is the panel's colour darkened and lightened by 20.
  EXPECT_EQ(c->Mismatches(0, 0, {"PPDDD", "PDFFF", "DF???", "DF???"},
                          {{'P', kPanel}, {'D', ringDark}, {'F', kFrame}}),
            "");
  EXPECT_EQ(c->Mismatches(70, 21, {"???FL", "???FL", "FFFLP", "LLLPP"},
                          {{'P', kPanel}, {'F', kFrame}, {'L', ringLight}}),
            "");
  EXPECT_EQ(c->At(73, 1), ringDark);
  EXPECT_EQ(c->At(1, 23), ringDark);
  EXPECT_EQ(c->At(74, 0), kPanel);
  EXPECT_EQ(c->At(0, 24), kPanel);
  // The face: a gradient over rows 2 to 20, then two darker rows.
  EXPECT_EQ(TTestCanvas::Hex(c->At(10, 2)), TTestCanvas::Hex(RgbColour(253, 253, 252)));
  EXPECT_EQ(TTestCanvas::Hex(c->At(2, 10)), TTestCanvas::Hex(RgbColour(242, 240, 229)));
  EXPECT_EQ(TTestCanvas::Hex(c->At(10, 20)), TTestCanvas::Hex(RgbColour(229, 225, 202)));
  EXPECT_EQ(TTestCanvas::Hex(c->At(10, 21)), TTestCanvas::Hex(RgbColour(222, 217, 188)));
  EXPECT_EQ(TTestCanvas::Hex(c->At(10, 22)), TTestCanvas::Hex(RgbColour(215, 209, 173)));
}

TEST_F(HotButtonTest, HotTrackingLookUnderTheMouse) {
  UseKnownColours();
  Mouse(WM_MOUSEMOVE, 10, 10);
  ASSERT_TRUE(Button->Hovering());
  auto c = Render(*Button);
  // A two-pixel frame from white blended with the accent at 190 down to the accent.
  EXPECT_EQ(TTestCanvas::Hex(c->At(2, 2)), TTestCanvas::Hex(RgbColour(250, 226, 186)));
  EXPECT_EQ(TTestCanvas::Hex(c->At(10, 3)), TTestCanvas::Hex(RgbColour(249, 222, 178)));
  EXPECT_EQ(TTestCanvas::Hex(c->At(3, 12)), TTestCanvas::Hex(RgbColour(245, 190, 103)));
  EXPECT_EQ(TTestCanvas::Hex(c->At(72, 12)), TTestCanvas::Hex(RgbColour(245, 190, 103)));
  EXPECT_EQ(TTestCanvas::Hex(c->At(10, 21)), TTestCanvas::Hex(RgbColour(240, 158, 28)));
  EXPECT_EQ(TTestCanvas::Hex(c->At(10, 22)), TTestCanvas::Hex(RgbColour(240, 155, 20)));
  // Inside the frame the face is unchanged.
  EXPECT_EQ(TTestCanvas::Hex(c->At(4, 10)), TTestCanvas::Hex(RgbColour(242, 240, 229)));

  // The complementary accent: opposite hue at luminance 180 down to it darkened by 30.
  Button->SetHotTrackColorType(THotTrackColorType::htctComplement);
  c = Render(*Button);
  EXPECT_EQ(TTestCanvas::Hex(c->At(10, 22)),
            TTestCanvas::Hex(Darken(OppositeHue(RgbColour(240, 155, 20), 180), 30)));

  Mouse(WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(Button->Hovering());
  c = Render(*Button);
  EXPECT_EQ(TTestCanvas::Hex(c->At(3, 12)), TTestCanvas::Hex(RgbColour(239, 237, 224)));
}

TEST_F(HotButtonTest, HotTrackingLookFocusedWithCues) {
  UseKnownColours();
  Button->SetFocus();
  ASSERT_TRUE(Button->Focused());
  SendMessageW(Form->Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  auto c = Render(*Button);
  // Highlight blended with the face lightened by 30, at 60 on top and 160 at the bottom.
  EXPECT_EQ(TTestCanvas::Hex(c->At(2, 2)), TTestCanvas::Hex(RgbColour(203, 229, 255)));
  EXPECT_EQ(TTestCanvas::Hex(c->At(2, 12)), TTestCanvas::Hex(RgbColour(165, 210, 255)));
  EXPECT_EQ(TTestCanvas::Hex(c->At(10, 22)), TTestCanvas::Hex(RgbColour(127, 191, 255)));
  // The dotted focus border on the client shrunk by 3.
  EXPECT_EQ(c->Mismatches(
                3, 3, {"aXaXaX", "X?????", "b?????", "X?????"},
                {{'X', kBlack}, {'a', RgbColour(199, 227, 255)}, {'b', RgbColour(191, 223, 255)}}),
            "");
  EXPECT_EQ(c->At(71, 4), kBlack);

  // The default button shows the same glow without the focus border.
  Button->SetDefault(true);
  Edit->SetFocus();
  ASSERT_TRUE(Button->ShowsDefault());
  auto d = Render(*Button);
  EXPECT_EQ(TTestCanvas::Hex(d->At(2, 12)), TTestCanvas::Hex(RgbColour(165, 210, 255)));
  EXPECT_EQ(TTestCanvas::Hex(d->At(3, 4)), TTestCanvas::Hex(RgbColour(195, 225, 255)));
  Button->SetFocus();

  // Without the focus border the glow stays.
  Button->SetShowFocusRect(false);
  c = Render(*Button);
  EXPECT_EQ(TTestCanvas::Hex(c->At(3, 4)), TTestCanvas::Hex(RgbColour(195, 225, 255)));
}

TEST_F(HotButtonTest, HotTrackingLookPressedAndDisabled) {
  UseKnownColours();
  Mouse(WM_LBUTTONDOWN, 10, 10);
  ASSERT_TRUE(Button->DrawPressed());
  auto c = Render(*Button);
  const TColor pressed = RgbColour(229, 225, 202);
  for (POINT p : {POINT{2, 2}, POINT{10, 12}, POINT{72, 21}, POINT{40, 22}})
    EXPECT_EQ(TTestCanvas::Hex(c->At(p.x, p.y)), TTestCanvas::Hex(pressed)) << p.x << "," << p.y;
  EXPECT_EQ(c->At(1, 2), kFrame);
  Mouse(WM_LBUTTONUP, 10, 10);

  Button->SetEnabled(false);
  c = Render(*Button);
  // Ring in the panel's colour, frame of the face darkened by 80, plain face.
  EXPECT_EQ(c->Mismatches(0, 0, {"PPPPP", "PPFFF", "PF???"},
                          {{'P', kPanel}, {'F', RgbColour(181, 169, 102)}}),
            "");
  EXPECT_EQ(c->At(10, 2), kFace);
  EXPECT_EQ(c->At(10, 22), kFace);
}

TEST_F(HotButtonTest, PaletteDisplayGetsAPlainFaceAndNoGlow) {
  UseKnownColours();
  SetFullColourDisplay(false);
  Mouse(WM_MOUSEMOVE, 10, 10);
  auto c = Render(*Button);
  EXPECT_EQ(c->At(2, 2), kFace);
  EXPECT_EQ(c->At(10, 12), kFace);
  EXPECT_EQ(c->At(10, 21), RgbColour(222, 217, 188));
  EXPECT_EQ(c->At(10, 22), RgbColour(215, 209, 173));
}

TEST_F(HotButtonTest, SystemColoursByDefault) {
  Button->SetHotTrack(true);
  auto c = Render(*Button);
  // Without colours of its own the button uses the live system colours.
  EXPECT_EQ(c->At(1, 2), static_cast<TColor>(GetSysColor(COLOR_3DDKSHADOW)));
  EXPECT_EQ(c->At(10, 22), Darken(GetSysColor(COLOR_BTNFACE), 30));
  EXPECT_EQ(c->At(2, 0), Darken(kPanel, 20));
  // Disabled on the system face colour: the frame is the button shadow lightened by 30.
  Button->SetEnabled(false);
  c = Render(*Button);
  EXPECT_EQ(c->At(1, 2), Lighten(GetSysColor(COLOR_BTNSHADOW), 30));
}

TEST_F(HotButtonTest, DownPatternOfAGroupButton) {
  Button->SetColor(kFace);
  Button->SetGroupIndex(1);
  Button->SetDown(true);
  ASSERT_EQ(Button->GroupState(), TButtonState::bsExclusive);
  auto c = Render(*Button);
  // Classic look: the pattern inside the sunken border, silver where row and column parity agree.
  const TColor silver = RgbColour(192, 192, 192);
  EXPECT_EQ(c->Mismatches(8, 2, {"S.S.", ".S.S", "S.S."}, {{'S', silver}, {'.', kFace}}), "");
  Button->SetColor(silver);
  c = Render(*Button);
  EXPECT_EQ(c->Mismatches(8, 2, {"G.G.", ".G.G"}, {{'G', RgbColour(128, 128, 128)}, {'.', silver}}),
            "");
  Button->SetShowDownPattern(false);
  c = Render(*Button);
  EXPECT_EQ(c->At(8, 2), silver);
  EXPECT_EQ(c->At(9, 2), silver);
}

// Columns and rows where two renderings differ: the caption's bounding box.
RECT Difference(const TTestCanvas& a, const TTestCanvas& b) {
  RECT box{a.Width(), a.Height(), -1, -1};
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.At(x, y) != b.At(x, y)) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x);
        box.bottom = std::max<LONG>(box.bottom, y);
      }
  return box;
}

TEST_F(HotButtonTest, RightAlignedCaptionEndsShadowDepthEarly) {
  Button->SetColor(kFace);
  Button->SetAlignment(TAlignment::taRightJustify);
  Button->SetCaption("");
  auto empty = Render(*Button);
  Button->SetCaption("IM");
  auto text = Render(*Button);
  const RECT box = Difference(*empty, *text);
  ASSERT_GE(box.right, 0);

  // Where the platform ends the same text right-aligned in the caption rectangle.
  TTestCanvas reference(75, 25, kFace);
  {
    HGDIOBJ old = SelectObject(reference.DC(), Button->FontHandle());
    SetBkMode(reference.DC(), TRANSPARENT);
    RECT r{5, 5, 70, 20};
    DrawTextW(reference.DC(), L"IM", -1, &r, DT_RIGHT | DT_WORDBREAK | DT_EXPANDTABS);
    SelectObject(reference.DC(), old);
  }
  TTestCanvas blank(75, 25, kFace);
  const RECT expected = Difference(blank, reference);
  EXPECT_EQ(box.right, expected.right - 2);

  Button->SetTextShadowDepth(6);
  auto deeper = Render(*Button);
  EXPECT_EQ(Difference(*empty, *deeper).right, expected.right - 6);
}

TEST_F(HotButtonTest, PressedCaptionMovesOnlyInTheClassicLook) {
  Button->SetColor(kFace);
  Button->SetFocus();
  Button->SetCaption("IM");
  auto rest = Render(*Button);
  Mouse(WM_LBUTTONDOWN, 10, 10);
  auto pressed = Render(*Button);
  Mouse(WM_LBUTTONUP, 10, 10);
  Button->SetCaption("");
  auto emptyRest = Render(*Button);
  Mouse(WM_LBUTTONDOWN, 10, 10);
  auto emptyPressed = Render(*Button);
  Mouse(WM_LBUTTONUP, 10, 10);
  RECT a = Difference(*emptyRest, *rest), b = Difference(*emptyPressed, *pressed);
  EXPECT_EQ(b.left, a.left + 1);
  EXPECT_EQ(b.top, a.top + 1);

  Button->SetHotTrack(true);
  Button->SetCaption("IM");
  rest = Render(*Button);
  Mouse(WM_LBUTTONDOWN, 10, 10);
  pressed = Render(*Button);
  Mouse(WM_LBUTTONUP, 10, 10);
  Button->SetCaption("");
  emptyRest = Render(*Button);
  Mouse(WM_LBUTTONDOWN, 10, 10);
  emptyPressed = Render(*Button);
  Mouse(WM_LBUTTONUP, 10, 10);
  a = Difference(*emptyRest, *rest);
  b = Difference(*emptyPressed, *pressed);
  EXPECT_EQ(b.left, a.left);
  EXPECT_EQ(b.top, a.top);
}

TEST_F(HotButtonTest, TextStylesDrawOffsetCopies) {
  Button->SetColor(kFace);
  Button->SetTextHighlightColor(RgbColour(255, 0, 0));
  Button->SetTextShadowColor(RgbColour(0, 0, 255));
  Button->SetCaption("");
  auto empty = Render(*Button);
  Button->SetCaption("IM");
  auto normal = Render(*Button);
  const RECT a = Difference(*empty, *normal);
  ASSERT_GE(a.right, 0);
  // How far the caption's box grows on each side, and the copies' colours.
  const struct {
    const char* name;
    TTextStyle style;
    bool light;
    RECT grow;  // left, top, right, bottom
    bool red, blue;
  } cases[] = {
      {"raised", TTextStyle::tsRaised, false, {1, 1, 1, 1}, true, true},
      {"raised, light", TTextStyle::tsRaised, true, {1, 1, 0, 0}, true, false},
      {"recessed", TTextStyle::tsRecessed, false, {1, 1, 1, 1}, true, true},
      {"recessed, light", TTextStyle::tsRecessed, true, {0, 0, 1, 1}, true, false},
      {"shadow", TTextStyle::tsShadow, false, {0, 0, 2, 2}, false, true},
      {"shadow ignores light", TTextStyle::tsShadow, true, {0, 0, 2, 2}, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Button->SetTextStyle(c.style);
    Button->SetLightTextStyle(c.light);
    auto styled = Render(*Button);
    const RECT b = Difference(*empty, *styled);
    EXPECT_EQ(a.left - b.left, c.grow.left);
    EXPECT_EQ(a.top - b.top, c.grow.top);
    EXPECT_EQ(b.right - a.right, c.grow.right);
    EXPECT_EQ(b.bottom - a.bottom, c.grow.bottom);
    // Glyph edges are blended with the face: a copy's colour stands out rather than being pure.
    int red = 0, blue = 0;
    for (int y = b.top; y <= b.bottom; ++y)
      for (int x = b.left; x <= b.right; ++x) {
        TColor p = styled->At(x, y);
        red += RedOf(p) - GreenOf(p) > 60 && RedOf(p) - BlueOf(p) > 60;
        blue += BlueOf(p) - GreenOf(p) > 60 && BlueOf(p) - RedOf(p) > 60;
      }
    EXPECT_EQ(red > 0, c.red);
    EXPECT_EQ(blue > 0, c.blue);
  }
}

// Answers the UI-state query itself: the platform may refuse to hide cues
// (Wine does while keyboard cues are switched on for the session).
class TCuesButton : public THotButton {
 public:
  using THotButton::THotButton;
  UINT Cues = 0;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_QUERYUISTATE) return Cues;
    return THotButton::WndProc(msg, wParam, lParam);
  }
};

TEST_F(HotButtonTest, FocusAndAcceleratorCuesFollowTheUiState) {
  TCuesButton button(Panel.get());
  button.SetColor(kFace);
  button.SetHotTrack(true);
  button.SetFocus();
  button.Cues = UISF_HIDEFOCUS | UISF_HIDEACCEL;
  auto c = Render(button);
  EXPECT_NE(c->At(3, 4), kBlack);
  button.SetCaption("&Go");
  auto hidden = Render(button);
  button.SetCaption("Go");
  auto plain = Render(button);
  EXPECT_LT(Difference(*hidden, *plain).right, 0) << "the marker goes, no underline";

  button.Cues = 0;
  c = Render(button);
  EXPECT_EQ(c->At(3, 4), kBlack);
  button.SetCaption("&Go");
  auto shown = Render(button);
  EXPECT_GE(Difference(*shown, *plain).right, 0) << "the accelerator is underlined";
}

// --- behaviour ----------------------------------------------------------------

TEST_F(HotButtonTest, MouseReleasedOutsideDoesNotClick) {
  Mouse(WM_LBUTTONDOWN, 10, 10);
  EXPECT_TRUE(Button->Focused());
  EXPECT_EQ(GetCapture(), Button->Handle());
  EXPECT_TRUE(Button->DrawPressed());
  Mouse(WM_MOUSEMOVE, 100, 10);
  EXPECT_FALSE(Button->DrawPressed());
  Mouse(WM_LBUTTONUP, 100, 10);
  EXPECT_EQ(Clicks, 0);
  EXPECT_EQ(GetCapture(), nullptr);

  // Back inside before the release: one click.
  Mouse(WM_LBUTTONDOWN, 10, 10);
  Mouse(WM_MOUSEMOVE, -1, 10);
  EXPECT_FALSE(Button->DrawPressed());
  Mouse(WM_MOUSEMOVE, 30, 12);
  EXPECT_TRUE(Button->DrawPressed());
  Mouse(WM_LBUTTONUP, 30, 12);
  EXPECT_EQ(Clicks, 1);
  EXPECT_FALSE(Button->DrawPressed());

  // The row just below counts as inside while dragging, but not for the release.
  Mouse(WM_LBUTTONDOWN, 10, 10);
  Mouse(WM_MOUSEMOVE, 10, 25);
  EXPECT_TRUE(Button->DrawPressed());
  Mouse(WM_LBUTTONUP, 10, 25);
  EXPECT_EQ(Clicks, 1);

  // A double click's second press is a press of its own.
  Mouse(WM_LBUTTONDOWN, 10, 10);
  Mouse(WM_LBUTTONUP, 10, 10);
  Mouse(WM_LBUTTONDBLCLK, 10, 10);
  Mouse(WM_LBUTTONUP, 10, 10);
  EXPECT_EQ(Clicks, 3);
}

TEST_F(HotButtonTest, LosingTheCaptureEndsThePress) {
  Mouse(WM_LBUTTONDOWN, 10, 10);
  ASSERT_EQ(GetCapture(), Button->Handle());
  SetCapture(Edit->Handle());
  EXPECT_FALSE(Button->DrawPressed());
  ReleaseCapture();
  Mouse(WM_LBUTTONUP, 10, 10);
  EXPECT_EQ(Clicks, 0);
}

TEST_F(HotButtonTest, DisabledButtonIgnoresThePress) {
  Button->SetFocus();
  Button->SetEnabled(false);
  EXPECT_FALSE(Button->Focused());
  EXPECT_FALSE(IsWindowEnabled(Button->Handle()));
  Mouse(WM_LBUTTONDOWN, 10, 10);
  Mouse(WM_LBUTTONUP, 10, 10);
  SendMessageW(Button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(Clicks, 0);
  Button->SetEnabled(true);
  SendMessageW(Button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(Clicks, 1);
}

TEST_F(HotButtonTest, SpaceBar) {
  Button->SetFocus();
  SendMessageW(Button->Handle(), WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_TRUE(Button->DrawPressed());
  SendMessageW(Button->Handle(), WM_KEYUP, VK_SPACE, 0);
  EXPECT_FALSE(Button->DrawPressed());
  EXPECT_EQ(Clicks, 1);

  // Space down, the focus moves away, Space up: no click.
  SendMessageW(Button->Handle(), WM_KEYDOWN, VK_SPACE, 0);
  Edit->SetFocus();
  EXPECT_FALSE(Button->DrawPressed());
  SendMessageW(Button->Handle(), WM_KEYUP, VK_SPACE, 0);
  EXPECT_EQ(Clicks, 1);
}

TEST_F(HotButtonTest, EnterPressesTheDefaultButtonOnlyWithoutShiftKeys) {
  Button->SetDefault(true);
  Edit->SetFocus();
  EXPECT_TRUE(Button->ShowsDefault());
  SetKeyboard(0x80);
  Key(WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(Clicks, 0);
  SetKeyboard(0);
  Key(WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(Clicks, 1);

  // Another push button with the focus is the one Enter presses.
  Other->SetFocus();
  EXPECT_FALSE(Button->ShowsDefault());
  EXPECT_TRUE(Other->ShowsDefault());
  Key(WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(Clicks, 1);
  EXPECT_EQ(OtherClicks, 1);
  Plain->SetFocus();
  EXPECT_FALSE(Button->ShowsDefault());
  EXPECT_FALSE(Other->ShowsDefault());
  Edit->SetFocus();
  EXPECT_TRUE(Button->ShowsDefault());

  // Into a window the toolkit did not make (a hosted control's own): the
  // focused button stops acting as default, the default one takes over.
  Other->SetFocus();
  HWND foreign = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 250, 60, 50, 20,
                                 Form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(foreign, nullptr);
  SetFocus(foreign);
  EXPECT_FALSE(Other->ShowsDefault());
  EXPECT_TRUE(Button->ShowsDefault());
  DestroyWindow(foreign);
  Edit->SetFocus();

  // Dropping the default takes effect at once.
  Button->SetDefault(false);
  EXPECT_FALSE(Button->ShowsDefault());
  Key(WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(Clicks, 1);
}

TEST_F(HotButtonTest, EscapePressesTheCancelButton) {
  Edit->SetFocus();
  Key(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(Clicks, 0);
  Button->Cancel = true;
  Key(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(Clicks, 1);
  // A hidden button cannot take the focus and is not pressed.
  Button->Hide();
  Key(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(Clicks, 1);
}

// Sees whether a click came from Enter or Escape.
class TKeyClickButton : public THotButton {
 public:
  using THotButton::KeyClick;
  using THotButton::THotButton;
};

TEST_F(HotButtonTest, KeyClickFlagOnlyWhileEnterDoesNotDropDown) {
  TKeyClickButton button(Panel.get());
  button.Cancel = true;
  std::vector<bool> seen;
  button.OnClick = [&](TObject*) { seen.push_back(button.KeyClick()); };
  Edit->SetFocus();
  Key(WM_KEYDOWN, VK_ESCAPE);
  button.DropDownOnEnter = false;
  Key(WM_KEYDOWN, VK_ESCAPE);
  SendMessageW(button.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(seen, (std::vector<bool>{false, true, false}));
}

TEST_F(HotButtonTest, AcceleratorCharacter) {
  Button->SetCaption("&Go");
  Edit->SetFocus();
  Key(WM_SYSCHAR, L'x');
  EXPECT_EQ(Clicks, 0);
  Key(WM_SYSCHAR, L'g');
  EXPECT_EQ(Clicks, 1);
  Button->SetCaption("&&Go");
  Key(WM_SYSCHAR, L'g');
  EXPECT_EQ(Clicks, 1);
}

TEST_F(HotButtonTest, ExclusiveGroup) {
  auto third = std::make_unique<THotButton>(Panel.get());
  for (THotButton* b : {Button.get(), Other.get(), third.get()}) b->SetGroupIndex(1);
  SendMessageW(Button->Handle(), BM_CLICK, 0, 0);
  EXPECT_TRUE(Button->Down());
  SendMessageW(Other->Handle(), BM_CLICK, 0, 0);
  EXPECT_TRUE(Other->Down());
  EXPECT_FALSE(Button->Down());
  EXPECT_EQ(Button->GroupState(), TButtonState::bsUp);
  // Pressing the down button again leaves it down: the group keeps one down.
  SendMessageW(Other->Handle(), BM_CLICK, 0, 0);
  EXPECT_TRUE(Other->Down());
  EXPECT_EQ(OtherClicks, 2);
  Other->SetDown(false);
  EXPECT_TRUE(Other->Down());

  // AllowAllUp spreads to the group; then the last one may go up.
  third->SetAllowAllUp(true);
  EXPECT_TRUE(Other->AllowAllUp());
  SendMessageW(Other->Handle(), BM_CLICK, 0, 0);
  EXPECT_FALSE(Other->Down());

  // Another group is left alone.
  Button->SetGroupIndex(2);
  Button->SetDown(true);
  third->SetDown(true);
  EXPECT_TRUE(Button->Down());
  EXPECT_TRUE(third->Down());
}

TEST_F(HotButtonTest, DownNeedsAGroup) {
  Button->SetDown(true);
  EXPECT_FALSE(Button->Down());
  EXPECT_EQ(Button->GroupState(), TButtonState::bsUp);
  SendMessageW(Button->Handle(), BM_CLICK, 0, 0);
  EXPECT_FALSE(Button->Down());
  EXPECT_EQ(Clicks, 1);
}

TEST_F(HotButtonTest, ClickHandsModalResultToTheForm) {
  Form->ModalResult = 7;
  SendMessageW(Button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(Form->ModalResult, 0);
  Button->ModalResult = 2;
  SendMessageW(Button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(Form->ModalResult, 2);
}

TEST_F(HotButtonTest, MouseEnterAndLeaveEvents) {
  std::vector<std::string> events;
  Button->OnMouseEnter = [&](TObject*) { events.push_back("enter"); };
  Button->OnMouseLeave = [&](TObject*) { events.push_back("leave"); };
  Mouse(WM_MOUSEMOVE, 5, 5);
  Mouse(WM_MOUSEMOVE, 6, 5);
  Mouse(WM_MOUSELEAVE, 0, 0);
  Mouse(WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(events, (std::vector<std::string>{"enter", "leave"}));
}

TEST_F(HotButtonTest, CaptionChangeRepaints) {
  Button->SetColor(kFace);
  Button->SetCaption("");
  auto before = Render(*Button);
  SetWindowTextW(Button->Handle(), L"New");
  auto after = Render(*Button);
  EXPECT_GE(Difference(*before, *after).right, 0);
}

}  // namespace
}  // namespace kvx
