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

#include <memory>

namespace kvx {
namespace {

using test::Difference;
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

TEST_F(HotButtonTest, NewButtonHasThePublishedDefaults) {
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

TEST_F(HotButtonTest, LookCarriesEveryPropertyAndTheInputState) {
  Edit->SetFocus();
  const THotButtonLook rest = Button->Look();
  EXPECT_EQ(rest, (THotButtonLook{.Caption = L"OK",
                                  .Font = Button->FontHandle(),
                                  .FontColor = Button->Font().Color,
                                  .ParentColor = kPanel,
                                  .HideFocus = rest.HideFocus,
                                  .HideAccel = rest.HideAccel}));

  Button->SetBounds(224, 4, 80, 30);
  Button->SetCaption("&Go");
  Button->SetColor(kFace);
  Button->SetFrameColor(kFrame);
  Button->SetHighlightColor(kHighlight);
  Button->SetHotTrackColor(RgbColour(1, 1, 1));
  Button->SetHotTrackColorType(THotTrackColorType::htctComplement);
  Button->SetTextHighlightColor(RgbColour(2, 2, 2));
  Button->SetTextShadowColor(RgbColour(3, 3, 3));
  Button->SetTextShadowDepth(5);
  Button->SetTextStyle(TTextStyle::tsRecessed);
  Button->SetLightTextStyle(true);
  Button->SetAlignment(TAlignment::taLeftJustify);
  Button->SetAlignmentVertical(TVerticalAlignment::avBottom);
  Button->SetHotTrack(true);
  Button->SetThemeAware(false);
  Button->SetShowDownPattern(false);
  Button->SetShowFocusRect(false);
  Button->SetGroupIndex(3);
  Button->SetDown(true);
  Button->SetFocus();
  Mouse(WM_MOUSEMOVE, 10, 10);
  Mouse(WM_LBUTTONDOWN, 10, 10);
  const THotButtonLook look = Button->Look();
  Mouse(WM_LBUTTONUP, 100, 100);
  EXPECT_EQ(look, (THotButtonLook{.Width = 80,
                                  .Height = 30,
                                  .Caption = L"&Go",
                                  .Font = Button->FontHandle(),
                                  .FontColor = Button->Font().Color,
                                  .Color = kFace,
                                  .ParentColor = kPanel,
                                  .FrameColor = kFrame,
                                  .HighlightColor = kHighlight,
                                  .HotTrackColor = RgbColour(1, 1, 1),
                                  .HotTrackColorType = THotTrackColorType::htctComplement,
                                  .TextHighlightColor = RgbColour(2, 2, 2),
                                  .TextShadowColor = RgbColour(3, 3, 3),
                                  .TextShadowDepth = 5,
                                  .TextStyle = TTextStyle::tsRecessed,
                                  .LightTextStyle = true,
                                  .Alignment = TAlignment::taLeftJustify,
                                  .AlignmentVertical = TVerticalAlignment::avBottom,
                                  .HotTrack = true,
                                  .ShowDownPattern = false,
                                  .ShowFocusRect = false,
                                  .Grouped = true,
                                  .GroupState = TButtonState::bsExclusive,
                                  .Hovering = true,
                                  .DrawPressed = true,
                                  .Focused = true,
                                  .ShowsDefault = true,
                                  .HideFocus = look.HideFocus,
                                  .HideAccel = look.HideAccel}));

  // The click is delivered with its flag set; a disabled button says so.
  std::vector<bool> inClick;
  Button->OnClick = [&](TObject*) { inClick.push_back(Button->Look().InClick); };
  SendMessageW(Button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(inClick, std::vector<bool>{true});
  EXPECT_FALSE(Button->Look().InClick);
  Button->SetEnabled(false);
  EXPECT_FALSE(Button->Look().Enabled);
}

TEST_F(HotButtonTest, PaintsItsLookWithTheParentInTheCorners) {
  UseKnownColours();
  auto c = Render(*Button);
  EXPECT_EQ(c->Mismatches(0, 0, {"PPDDD", "PDFFF", "DF???"},
                          {{'P', kPanel}, {'D', Darken(kPanel, 20)}, {'F', kFrame}}),
            "");
  EXPECT_EQ(c->At(74, 24), kPanel);
  EXPECT_EQ(TTestCanvas::Hex(c->At(10, 22)), TTestCanvas::Hex(RgbColour(215, 209, 173)));
  // Under the mouse the accent glows; held down the face is flat.
  Mouse(WM_MOUSEMOVE, 10, 10);
  EXPECT_EQ(TTestCanvas::Hex(Render(*Button)->At(10, 22)),
            TTestCanvas::Hex(RgbColour(240, 155, 20)));
  Mouse(WM_LBUTTONDOWN, 10, 10);
  EXPECT_EQ(TTestCanvas::Hex(Render(*Button)->At(10, 22)),
            TTestCanvas::Hex(RgbColour(229, 225, 202)));
  Mouse(WM_LBUTTONUP, 10, 10);
  // Disabled, the corners and the ring show the parent.
  Button->SetEnabled(false);
  EXPECT_EQ(Render(*Button)->Mismatches(0, 0, {"PPPPP", "PPFFF", "PF???"},
                                        {{'P', kPanel}, {'F', RgbColour(181, 169, 102)}}),
            "");
}

TEST_F(HotButtonTest, DownGroupButtonShowsTheChequeredPatternOfItsFaceColour) {
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
  for (UINT cues :
       {0u, UINT{UISF_HIDEFOCUS}, UINT{UISF_HIDEACCEL}, UINT{UISF_HIDEFOCUS | UISF_HIDEACCEL}}) {
    SCOPED_TRACE(cues);
    button.Cues = cues;
    const THotButtonLook look = button.Look();
    EXPECT_EQ(look.HideFocus, (cues & UISF_HIDEFOCUS) != 0);
    EXPECT_EQ(look.HideAccel, (cues & UISF_HIDEACCEL) != 0);
    EXPECT_EQ(Render(button)->At(3, 4) == kBlack, !(cues & UISF_HIDEFOCUS)) << "the focus border";
  }
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

TEST_F(HotButtonTest, SpaceUpClicksUnlessTheFocusLeftWhileItWasDown) {
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

TEST_F(HotButtonTest, AltWithTheCaptionsAcceleratorClicksIt) {
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

TEST_F(HotButtonTest, ExclusiveGroupKeepsOneButtonDownAndLeavesOtherGroupsAlone) {
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

TEST_F(HotButtonTest, WithoutAGroupTheButtonNeverStaysDown) {
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

TEST_F(HotButtonTest, MouseEnterAndLeaveAreRaisedOncePerCrossing) {
  std::vector<std::string> events;
  Button->OnMouseEnter = [&](TObject*) { events.push_back("enter"); };
  Button->OnMouseLeave = [&](TObject*) { events.push_back("leave"); };
  Mouse(WM_MOUSEMOVE, 5, 5);
  Mouse(WM_MOUSEMOVE, 6, 5);
  Mouse(WM_MOUSELEAVE, 0, 0);
  Mouse(WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(events, (std::vector<std::string>{"enter", "leave"}));
}

// Counts the paints of its window.
class TPaintCountingButton : public THotButton {
 public:
  using THotButton::THotButton;
  int Paints = 0;

 protected:
  void Paint(HDC dc) override {
    ++Paints;
    THotButton::Paint(dc);
  }
};

TEST_F(HotButtonTest, CaptionChangeRepaintsAtOnce) {
  TPaintCountingButton button(Panel.get());
  button.SetBounds(100, 4, 75, 25);
  button.HandleNeeded();
  Application().ProcessMessages();
  ValidateRect(button.Handle(), nullptr);
  const int before = button.Paints;
  SetWindowTextW(button.Handle(), L"New");
  EXPECT_GT(button.Paints, before);
  EXPECT_EQ(button.Look().Caption, L"New");
}

}  // namespace
}  // namespace kvx
