#include "toolkit/Win.h"

#include "widgets/HotButtonLook.h"

#include "TestCanvas.h"
#include "widgets/ThemeDrawing.h"

#include <gtest/gtest.h>

#include <vssym32.h>

#include <memory>
#include <string>

namespace kvx {
namespace {

using test::Difference;
using test::TTestCanvas;

constexpr TColor kBack = RgbColour(1, 2, 3);
constexpr TColor kPanel = RgbColour(232, 243, 255);
constexpr TColor kFace = RgbColour(236, 233, 216);
constexpr TColor kFrame = RgbColour(105, 105, 105);
constexpr TColor kHighlight = RgbColour(51, 153, 255);
constexpr TColor kBlack = RgbColour(0, 0, 0);
constexpr TColor kWhite = RgbColour(255, 255, 255);
constexpr TColor kSilver = RgbColour(192, 192, 192);

std::string Hex(TColor c) {
  return TTestCanvas::Hex(c);
}

class HotButtonLook : public testing::Test {
 protected:
  void SetUp() override { SetFullColourDisplay(true); }
  void TearDown() override { SetFullColourDisplay(true); }

  // The exit button's look on the title panel, with colours of its own.
  static THotButtonLook HotTracking() {
    return THotButtonLook{.Color = kFace,
                          .ParentColor = kPanel,
                          .FrameColor = kFrame,
                          .HighlightColor = kHighlight,
                          .HotTrack = true};
  }

  // The face and the focus border, as the button paints them.
  static std::unique_ptr<TTestCanvas> Face(const THotButtonLook& look) {
    auto canvas = std::make_unique<TTestCanvas>(look.Width, look.Height, kBack);
    RECT r{0, 0, look.Width, look.Height};
    DrawButtonFace(canvas->DC(), look, r);
    DrawFocusBorder(canvas->DC(), look);
    return canvas;
  }

  // The caption alone on the face colour.
  std::unique_ptr<TTestCanvas> Caption(THotButtonLook look, const wchar_t* text) {
    look.Caption = text;
    look.Font = Font.Get();
    auto canvas = std::make_unique<TTestCanvas>(look.Width, look.Height, look.Color);
    DrawCaptionText(canvas->DC(), look, CaptionRect(look), CaptionFormat(look));
    return canvas;
  }

  TUniqueFont Font{CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg")};
};

TEST_F(HotButtonLook, HotTrackingAtRestRingFrameAndGradientFace) {
  auto c = Face(HotTracking());
  const TColor ringDark = RgbColour(189, 219, 255), ringLight = RgbColour(255, 255, 255);
  // Corners are left to the parent's background; the ring is the parent's
  // colour darkened and lightened by 20.
  EXPECT_EQ(c->Mismatches(0, 0, {"..DDD", ".DFFF", "DF???", "DF???"},
                          {{'.', kBack}, {'D', ringDark}, {'F', kFrame}}),
            "");
  EXPECT_EQ(c->Mismatches(70, 21, {"???FL", "???FL", "FFFL.", "LLL.."},
                          {{'.', kBack}, {'F', kFrame}, {'L', ringLight}}),
            "");
  EXPECT_EQ(c->At(73, 1), ringDark);
  EXPECT_EQ(c->At(1, 23), ringDark);
  EXPECT_EQ(c->At(74, 0), kBack);
  EXPECT_EQ(c->At(0, 24), kBack);
  // The face: a gradient over rows 2 to 20, then two darker rows.
  EXPECT_EQ(Hex(c->At(10, 2)), Hex(RgbColour(253, 253, 252)));
  EXPECT_EQ(Hex(c->At(2, 10)), Hex(RgbColour(242, 240, 229)));
  EXPECT_EQ(Hex(c->At(10, 20)), Hex(RgbColour(229, 225, 202)));
  EXPECT_EQ(Hex(c->At(10, 21)), Hex(RgbColour(222, 217, 188)));
  EXPECT_EQ(Hex(c->At(10, 22)), Hex(RgbColour(215, 209, 173)));
}

TEST_F(HotButtonLook, HotTrackingUnderTheMouseGlowsInTheAccent) {
  THotButtonLook look = HotTracking();
  look.Hovering = true;
  auto c = Face(look);
  // A two-pixel frame from white blended with the accent at 190 down to the accent.
  EXPECT_EQ(Hex(c->At(2, 2)), Hex(RgbColour(250, 226, 186)));
  EXPECT_EQ(Hex(c->At(10, 3)), Hex(RgbColour(249, 222, 178)));
  EXPECT_EQ(Hex(c->At(3, 12)), Hex(RgbColour(245, 190, 103)));
  EXPECT_EQ(Hex(c->At(72, 12)), Hex(RgbColour(245, 190, 103)));
  EXPECT_EQ(Hex(c->At(10, 21)), Hex(RgbColour(240, 158, 28)));
  EXPECT_EQ(Hex(c->At(10, 22)), Hex(RgbColour(240, 155, 20)));
  // Inside the frame the face is unchanged.
  EXPECT_EQ(Hex(c->At(4, 10)), Hex(RgbColour(242, 240, 229)));

  // The complementary accent: opposite hue at luminance 180 down to it darkened by 30.
  look.HotTrackColorType = THotTrackColorType::htctComplement;
  c = Face(look);
  EXPECT_EQ(Hex(c->At(10, 22)), Hex(Darken(OppositeHue(RgbColour(240, 155, 20), 180), 30)));

  look.Hovering = false;
  c = Face(look);
  EXPECT_EQ(Hex(c->At(3, 12)), Hex(RgbColour(239, 237, 224)));
}

TEST_F(HotButtonLook, HotTrackingFocusedOrDefaultGlowsInTheHighlight) {
  THotButtonLook look = HotTracking();
  look.Focused = true;
  auto c = Face(look);
  // Highlight blended with the face lightened by 30, at 60 on top and 160 at the bottom.
  EXPECT_EQ(Hex(c->At(2, 2)), Hex(RgbColour(203, 229, 255)));
  EXPECT_EQ(Hex(c->At(2, 12)), Hex(RgbColour(165, 210, 255)));
  EXPECT_EQ(Hex(c->At(10, 22)), Hex(RgbColour(127, 191, 255)));
  // The dotted focus border on the client shrunk by 3.
  EXPECT_EQ(c->Mismatches(
                3, 3, {"aXaXaX", "X?????", "b?????", "X?????"},
                {{'X', kBlack}, {'a', RgbColour(199, 227, 255)}, {'b', RgbColour(191, 223, 255)}}),
            "");
  EXPECT_EQ(c->At(71, 4), kBlack);

  // The default button shows the same glow without the focus border.
  look.Focused = false;
  look.ShowsDefault = true;
  c = Face(look);
  EXPECT_EQ(Hex(c->At(2, 12)), Hex(RgbColour(165, 210, 255)));
  EXPECT_EQ(Hex(c->At(3, 4)), Hex(RgbColour(195, 225, 255)));

  // Held down, or a group button: no glow.
  for (bool grouped : {false, true}) {
    THotButtonLook other = look;
    other.Grouped = grouped;
    other.DrawPressed = !grouped;
    c = Face(other);
    EXPECT_NE(Hex(c->At(2, 12)), Hex(RgbColour(165, 210, 255))) << grouped;
  }
}

TEST_F(HotButtonLook, HotTrackingPressedIsFlatAndDisabledIsPale) {
  THotButtonLook look = HotTracking();
  look.DrawPressed = true;
  auto c = Face(look);
  const TColor pressed = RgbColour(229, 225, 202);
  for (POINT p : {POINT{2, 2}, POINT{10, 12}, POINT{72, 21}, POINT{40, 22}})
    EXPECT_EQ(Hex(c->At(p.x, p.y)), Hex(pressed)) << p.x << "," << p.y;
  EXPECT_EQ(c->At(1, 2), kFrame);
  // A group button that is down looks the same.
  look.DrawPressed = false;
  look.Grouped = true;
  look.GroupState = TButtonState::bsExclusive;
  c = Face(look);
  EXPECT_EQ(Hex(c->At(10, 12)), Hex(pressed));

  look = HotTracking();
  look.Enabled = false;
  c = Face(look);
  // Ring in the parent's colour, frame of the face darkened by 80, plain face.
  EXPECT_EQ(c->Mismatches(0, 0, {"..PPP", ".PFFF", "PF???"},
                          {{'.', kBack}, {'P', kPanel}, {'F', RgbColour(181, 169, 102)}}),
            "");
  EXPECT_EQ(c->At(10, 2), kFace);
  EXPECT_EQ(c->At(10, 22), kFace);
}

TEST_F(HotButtonLook, PaletteDisplayGetsAPlainFaceAndNoGlow) {
  THotButtonLook look = HotTracking();
  look.Hovering = true;
  SetFullColourDisplay(false);
  auto c = Face(look);
  EXPECT_EQ(c->At(2, 2), kFace);
  EXPECT_EQ(c->At(10, 12), kFace);
  EXPECT_EQ(c->At(10, 21), RgbColour(222, 217, 188));
  EXPECT_EQ(c->At(10, 22), RgbColour(215, 209, 173));
}

TEST_F(HotButtonLook, WithoutColoursOfItsOwnTheLiveSystemColoursAreUsed) {
  auto c = Face(THotButtonLook{.ParentColor = kPanel, .HotTrack = true});
  EXPECT_EQ(c->At(1, 2), static_cast<TColor>(GetSysColor(COLOR_3DDKSHADOW)));
  EXPECT_EQ(c->At(10, 22), Darken(GetSysColor(COLOR_BTNFACE), 30));
  EXPECT_EQ(c->At(2, 0), Darken(kPanel, 20));
  // Disabled on the system face colour: the frame is the button shadow lightened by 30.
  c = Face(THotButtonLook{.ParentColor = kPanel, .HotTrack = true, .Enabled = false});
  EXPECT_EQ(c->At(1, 2), Lighten(GetSysColor(COLOR_BTNSHADOW), 30));
}

TEST_F(HotButtonLook, CornerBackgroundAndFaceTogetherCoverTheButton) {
  const TColor corner = RgbColour(255, 0, 0);
  const auto corners = [&](bool enabled) {
    auto canvas = std::make_unique<TTestCanvas>(10, 8, kBack);
    const int saved = SaveDC(canvas->DC());
    ClipToFaceCorners(canvas->DC(), THotButtonLook{.Width = 10, .Height = 8, .Enabled = enabled});
    FillSolid(canvas->DC(), RECT{0, 0, 10, 8}, corner);
    RestoreDC(canvas->DC(), saved);
    return canvas;
  };
  const std::initializer_list<TTestCanvas::TLegend> legend{{'.', kBack}, {'X', corner}};
  EXPECT_EQ(corners(true)->Mismatches(0, 0,
                                      {"XX......XX", "X........X", "..........", "..........",
                                       "..........", "..........", "X........X", "XX......XX"},
                                      legend),
            "");
  // Disabled, the ring is the parent's too.
  EXPECT_EQ(corners(false)->Mismatches(0, 0,
                                       {"XXXXXXXXXX", "XXX....XXX", "XX......XX", "X........X",
                                        "X........X", "XX......XX", "XXX....XXX", "XXXXXXXXXX"},
                                       legend),
            "");

  // Whatever the enabled face leaves is exactly what the corners fill.
  for (bool pressed : {false, true}) {
    THotButtonLook look = HotTracking();
    look.DrawPressed = pressed;
    TTestCanvas canvas(look.Width, look.Height, kBack);
    ClipToFaceCorners(canvas.DC(), look);
    FillSolid(canvas.DC(), RECT{0, 0, look.Width, look.Height}, corner);
    SelectClipRgn(canvas.DC(), nullptr);
    RECT r{0, 0, look.Width, look.Height};
    DrawButtonFace(canvas.DC(), look, r);
    int uncovered = 0, cornerPixels = 0;
    for (int y = 0; y < look.Height; ++y)
      for (int x = 0; x < look.Width; ++x) {
        uncovered += canvas.At(x, y) == kBack;
        cornerPixels += canvas.At(x, y) == corner;
      }
    EXPECT_EQ(uncovered, 0) << pressed;
    EXPECT_EQ(cornerPixels, 12) << pressed;
  }
}

TEST_F(HotButtonLook, FocusBorderInsetByLookAndMovedWithAPressedGroupButton) {
  const struct {
    const char* Name;
    THotButtonLook Look;
    RECT Box;  // inclusive; an empty box: no border
  } cases[] = {
      {"classic", {.Focused = true}, {4, 4, 70, 20}},
      {"hot tracking", {.HotTrack = true, .Focused = true}, {3, 3, 71, 21}},
      {"themed", {.Themed = true, .Focused = true}, {3, 3, 71, 21}},
      {"classic, held down", {.DrawPressed = true, .Focused = true}, {4, 4, 70, 20}},
      {"group button down",
       {.Grouped = true, .GroupState = TButtonState::bsExclusive, .Focused = true},
       {5, 5, 71, 21}},
      {"group button held",
       {.HotTrack = true, .Grouped = true, .DrawPressed = true, .Focused = true},
       {4, 4, 72, 22}},
      {"not focused", {}, {75, 25, -1, -1}},
      {"focus cues hidden", {.Focused = true, .HideFocus = true}, {75, 25, -1, -1}},
      {"border not wanted", {.ShowFocusRect = false, .Focused = true}, {75, 25, -1, -1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TTestCanvas blank(75, 25, kWhite), canvas(75, 25, kWhite);
    DrawFocusBorder(canvas.DC(), c.Look);
    const RECT box = Difference(blank, canvas);
    EXPECT_EQ(box.left, c.Box.left);
    EXPECT_EQ(box.top, c.Box.top);
    EXPECT_EQ(box.right, c.Box.right);
    EXPECT_EQ(box.bottom, c.Box.bottom);
  }
}

TEST_F(HotButtonLook, ThemedStateDisabledBeforePressedBeforeHotBeforeDefaulted) {
  const struct {
    const char* Name;
    THotButtonLook Look;
    int State;
  } cases[] = {
      {"at rest", {}, PBS_NORMAL},
      {"disabled under the mouse, held",
       {.Enabled = false, .Hovering = true, .DrawPressed = true},
       PBS_DISABLED},
      {"held under the mouse", {.Hovering = true, .DrawPressed = true}, PBS_PRESSED},
      {"group button down",
       {.Grouped = true, .GroupState = TButtonState::bsExclusive},
       PBS_PRESSED},
      {"focused under the mouse", {.Hovering = true, .Focused = true}, PBS_HOT},
      {"focused", {.Focused = true}, PBS_DEFAULTED},
      {"the form's default", {.ShowsDefault = true}, PBS_DEFAULTED},
      {"focused group button", {.Grouped = true, .Focused = true}, PBS_NORMAL},
  };
  for (const auto& c : cases) EXPECT_EQ(ThemedButtonState(c.Look), c.State) << c.Name;
}

TEST_F(HotButtonLook, DownPatternOnlyOverADownGroupButtonWithoutAPressedFace) {
  const THotButtonLook down{.Grouped = true, .GroupState = TButtonState::bsExclusive};
  const struct {
    const char* Name;
    THotButtonLook Look;
    bool Wanted;
  } cases[] = {
      {"classic, down", down, true},
      {"pattern switched off",
       {.ShowDownPattern = false, .Grouped = true, .GroupState = TButtonState::bsExclusive},
       false},
      {"held but not down", {.Grouped = true, .DrawPressed = true}, false},
      {"hot tracking: its pressed face instead",
       {.HotTrack = true, .Grouped = true, .GroupState = TButtonState::bsExclusive},
       false},
      {"hot tracking, disabled",
       {.HotTrack = true,
        .Grouped = true,
        .GroupState = TButtonState::bsExclusive,
        .Enabled = false},
       true},
      {"themed",
       {.HotTrack = true, .Themed = true, .Grouped = true, .GroupState = TButtonState::bsExclusive},
       true},
  };
  for (const auto& c : cases) EXPECT_EQ(WantsDownPattern(c.Look), c.Wanted) << c.Name;

  // The tile: silver where row and column parity agree, grey on a silver face.
  TTestCanvas canvas(9, 9);
  DrawDownPatternTile(canvas.DC(), kFace);
  EXPECT_EQ(canvas.Mismatches(0, 0, {"S.S.S.S.-", ".S.S.S.S-", "S.S.S.S.-"},
                              {{'S', kSilver}, {'.', kFace}, {'-', kBack}}),
            "");
  EXPECT_EQ(canvas.Mismatches(0, 7, {".S.S.S.S-", "---------"},
                              {{'S', kSilver}, {'.', kFace}, {'-', kBack}}),
            "");
  DrawDownPatternTile(canvas.DC(), kSilver);
  EXPECT_EQ(
      canvas.Mismatches(0, 0, {"G.G.", ".G.G"}, {{'G', RgbColour(128, 128, 128)}, {'.', kSilver}}),
      "");
}

TEST_F(HotButtonLook, OnlyTheClassicCaptionMovesWhenPressed) {
  const RECT rest{5, 5, 70, 20}, moved{6, 6, 71, 21};
  const struct {
    const char* Name;
    THotButtonLook Look;
    RECT Rect;
  } cases[] = {
      {"classic at rest", {}, rest},
      {"classic, held", {.DrawPressed = true}, moved},
      {"hot tracking, held", {.HotTrack = true, .DrawPressed = true}, rest},
      {"themed, held", {.Themed = true, .DrawPressed = true}, rest},
      {"classic group button down",
       {.Grouped = true, .GroupState = TButtonState::bsExclusive},
       moved},
      {"classic group button held", {.Grouped = true, .DrawPressed = true}, moved},
      {"hot tracking group button down",
       {.HotTrack = true, .Grouped = true, .GroupState = TButtonState::bsExclusive},
       rest},
      {"a larger button", {.Width = 100, .Height = 40}, {5, 5, 95, 35}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const RECT r = CaptionRect(c.Look);
    EXPECT_EQ(r.left, c.Rect.left);
    EXPECT_EQ(r.top, c.Rect.top);
    EXPECT_EQ(r.right, c.Rect.right);
    EXPECT_EQ(r.bottom, c.Rect.bottom);
  }
}

TEST_F(HotButtonLook, RightAlignedCaptionEndsShadowDepthEarly) {
  THotButtonLook look{.Color = kFace, .Alignment = TAlignment::taRightJustify};
  auto empty = Caption(look, L"");
  auto text = Caption(look, L"IM");
  const RECT box = Difference(*empty, *text);
  ASSERT_GE(box.right, 0);

  // Where the platform ends the same text right-aligned in the caption rectangle.
  TTestCanvas reference(75, 25, kFace);
  {
    TSelectObject font(reference.DC(), Font.Get());
    SetBkMode(reference.DC(), TRANSPARENT);
    RECT r{5, 5, 70, 20};
    DrawTextW(reference.DC(), L"IM", -1, &r, DT_RIGHT | DT_WORDBREAK | DT_EXPANDTABS);
  }
  TTestCanvas blank(75, 25, kFace);
  const RECT expected = Difference(blank, reference);
  EXPECT_EQ(box.right, expected.right - 2);

  look.TextShadowDepth = 6;
  auto deeper = Caption(look, L"IM");
  EXPECT_EQ(Difference(*empty, *deeper).right, expected.right - 6);
}

TEST_F(HotButtonLook, TextStylesDrawOffsetCopies) {
  THotButtonLook look{.Color = kFace,
                      .TextHighlightColor = RgbColour(255, 0, 0),
                      .TextShadowColor = RgbColour(0, 0, 255)};
  auto empty = Caption(look, L"");
  auto normal = Caption(look, L"IM");
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
    look.TextStyle = c.style;
    look.LightTextStyle = c.light;
    auto styled = Caption(look, L"IM");
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

  // Disabled: one plain copy where the normal caption goes, whatever the style.
  look.Enabled = false;
  const RECT d = Difference(*empty, *Caption(look, L"IM"));
  EXPECT_EQ(d.left, a.left);
  EXPECT_EQ(d.top, a.top);
  EXPECT_EQ(d.right, a.right);
  EXPECT_EQ(d.bottom, a.bottom);
}

TEST_F(HotButtonLook, HiddenAcceleratorCuesDropTheUnderline) {
  THotButtonLook look{.Color = kFace, .HideAccel = true};
  auto plain = Caption(look, L"Go");
  EXPECT_LT(Difference(*Caption(look, L"&Go"), *plain).right, 0) << "the marker goes, no underline";
  look.HideAccel = false;
  plain = Caption(look, L"Go");
  EXPECT_GE(Difference(*Caption(look, L"&Go"), *plain).right, 0) << "the accelerator is underlined";
}

}  // namespace
}  // namespace kvx
