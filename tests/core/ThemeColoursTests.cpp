#include "core/ThemeColours.h"

#include <gtest/gtest.h>

#include <ostream>

namespace kvx {

static void PrintTo(const THsl& hsl, std::ostream* os) {
  *os << "HSL(" << int{hsl.H} << ", " << int{hsl.S} << ", " << int{hsl.L} << ")";
}

namespace {

std::string Rgb(TColor c) {
  return "RGB(" + std::to_string(RedOf(c)) + ", " + std::to_string(GreenOf(c)) + ", " +
         std::to_string(BlueOf(c)) + ")";
}

TColor Grey(int v) {
  return RgbColour(v, v, v);
}

constexpr TColor clBlack = RgbColour(0, 0, 0), clWhite = RgbColour(255, 255, 255);
constexpr TColor clBtnFace = SystemColour(15), clBtnShadow = SystemColour(16),
                 clGrayText = SystemColour(17), cl3DDkShadow = SystemColour(21),
                 clHighlight = SystemColour(13);

TEST(ThemeColours, RgbToHslWorksOnThe240ScaleAndRoundsHalvesToEven) {
  const struct {
    TColor rgb;
    THsl hsl;
  } cases[] = {
      {RgbColour(255, 0, 0), {0, 240, 120}},
      {RgbColour(0, 0, 255), {160, 240, 120}},
      {RgbColour(0, 255, 0), {80, 240, 120}},
      {RgbColour(255, 255, 0), {40, 240, 120}},
      {RgbColour(0, 255, 255), {120, 240, 120}},
      {RgbColour(255, 0, 255), {200, 240, 120}},
      {clBlack, {0, 0, 0}},
      {clWhite, {0, 0, 240}},
      {Grey(128), {0, 0, 120}},  // 120.47
      {Grey(240), {0, 0, 226}},  // 225.88
      // Just short of a full turn: the hue comes out as 240, not 0.
      {RgbColour(255, 0, 1), {240, 240, 120}},
      // Light colours take S from 2 - max - min.
      {RgbColour(232, 243, 255), {141, 240, 229}},
      // S = 6 * 240 / 64 = 22.5: the half goes to the even 22.
      {RgbColour(35, 29, 29), {0, 22, 30}},
      // and 2 * 240 / 64 = 7.5 goes to 8.
      {RgbColour(33, 31, 31), {0, 8, 30}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Rgb(c.rgb));
    EXPECT_EQ(RgbToHsl(c.rgb), c.hsl);
  }
}

TEST(ThemeColours, HslToRgbReadsTheHueOnThe239Scale) {
  const struct {
    int h, s, l;
    TColor rgb;
  } cases[] = {
      {0, 240, 120, RgbColour(255, 0, 0)},
      // Blue's own hue of 160 comes back as a blue that is not quite blue.
      {160, 240, 120, RgbColour(4, 0, 255)},
      {80, 240, 120, RgbColour(0, 255, 2)},
      {239, 240, 120, RgbColour(255, 0, 0)},  // a full turn: the first sextant again
      {240, 240, 120, RgbColour(255, 6, 0)},  // past it, still the first sextant
      {0, 0, 0, clBlack},
      {100, 240, 0, clBlack},
      {0, 0, 240, clWhite},
      {77, 140, 255, clWhite},  // luminance beyond 240 is capped to white
      // Greys of 8.5 and 25.5: halves go to the even neighbour.
      {0, 0, 8, Grey(8)},
      {0, 0, 24, Grey(26)},
      {120, 240, 180, RgbColour(128, 253, 255)},
      // An over-saturated input is held at black instead of wrapping.
      {0, 255, 60, RgbColour(131, 0, 0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "HSL " << c.h << ", " << c.s << ", " << c.l);
    EXPECT_EQ(Rgb(HslToRgb(c.h, c.s, c.l)), Rgb(c.rgb));
  }
}

TEST(ThemeColours, GreyRoundTripsHoldOverTheWholeRange) {
  for (int l = 0; l <= 240; ++l) {
    TColor grey = HslToRgb(0, 0, l);
    EXPECT_EQ(RedOf(grey), GreenOf(grey));
    EXPECT_EQ(RedOf(grey), BlueOf(grey));
    EXPECT_EQ(RgbToHsl(grey), (THsl{0, 0, static_cast<std::uint8_t>(l)})) << "l " << l;
  }
  for (int v = 0; v < 256; ++v) {
    THsl hsl = RgbToHsl(Grey(v));
    EXPECT_EQ(hsl.H, 0);
    EXPECT_EQ(hsl.S, 0);
  }
}

TEST(ThemeColours, DarkenAndLightenHoldAtBlackAndWhite) {
  for (int amount = 0; amount < 256; ++amount) {
    EXPECT_EQ(Darken(clBlack, amount), clBlack) << amount;
    EXPECT_EQ(Lighten(clWhite, amount), clWhite) << amount;
  }
  // Luminance that reaches 240 or more is white whatever the hue.
  for (int h = 0; h < 256; h += 15) EXPECT_EQ(Lighten(HslToRgb(h, 240, 200), 40), clWhite) << h;
  for (int v = 0; v < 256; ++v) EXPECT_EQ(Darken(Grey(v), 255), clBlack) << v;
}

TEST(ThemeColours, DarkenAndLightenMoveTheLuminanceByTheAmount) {
  const struct {
    TColor in;
    bool lighten;
    int amount;
    TColor out;
  } cases[] = {
      {clWhite, false, 30, Grey(223)},
      {RgbColour(255, 0, 0), true, 30, RgbColour(255, 64, 64)},
      {RgbColour(255, 0, 0), false, 30, RgbColour(191, 0, 0)},
      {RgbColour(0, 0, 255), false, 0, RgbColour(4, 0, 255)},  // the 239 scale again
      {Grey(240), true, 30, clWhite},
      {Grey(240), false, 10, Grey(230)},
      {Grey(240), false, 20, Grey(219)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Rgb(c.in) + (c.lighten ? " lightened by " : " darkened by ") +
                 std::to_string(c.amount));
    EXPECT_EQ(Rgb(c.lighten ? Lighten(c.in, c.amount) : Darken(c.in, c.amount)), Rgb(c.out));
  }
}

TEST(ThemeColours, MixingWeighsTheFirstColourByTheWeightOutOf255) {
  EXPECT_EQ(Rgb(MixColours(clWhite, clBlack, 190)), Rgb(Grey(190)));
  EXPECT_EQ(Rgb(MixColours(clWhite, RgbColour(240, 155, 20), 190)), Rgb(RgbColour(251, 230, 195)));
  EXPECT_EQ(Rgb(MixColours(RgbColour(10, 20, 30), RgbColour(200, 100, 0), 128)),
            Rgb(RgbColour(105, 60, 15)));
  for (int x = 0; x < 256; ++x) {
    TColor a = RgbColour(x, 255 - x, x / 2), b = RgbColour(255 - x, x / 3, x);
    EXPECT_EQ(MixColours(a, b, 255), a);
    EXPECT_EQ(MixColours(a, b, 0), b);
    EXPECT_EQ(MixColours(a, a, x), a);
  }
}

TEST(ThemeColours, ColoursAreTooNearWhenHueDiffersByUnder20AndLuminanceByUnder60) {
  const struct {
    TColor a, b;
    bool near;
  } cases[] = {
      {RgbColour(255, 0, 0), RgbColour(255, 0, 0), true},
      {RgbColour(255, 0, 0), RgbColour(0, 0, 255), false},
      {clBlack, Grey(63), true},   // L 0 and 59
      {clBlack, Grey(64), false},  // L 0 and 60
      {RgbColour(255, 0, 0), HslToRgb(19, 240, 120), true},
      {RgbColour(255, 0, 0), HslToRgb(21, 240, 120), false},
      // Hues are compared as numbers: 0 and 240 are the same red, yet far apart.
      {RgbColour(255, 0, 0), RgbColour(255, 0, 1), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Rgb(c.a) + " " + Rgb(c.b));
    EXPECT_EQ(ColoursTooNear(c.a, c.b), c.near);
    EXPECT_EQ(ColoursTooNear(c.b, c.a), c.near);
  }
}

TEST(ThemeColours, TheOppositeHueIsHalfATurnAwayFullySaturatedAtTheGivenLuminance) {
  EXPECT_EQ(Rgb(OppositeHue(RgbColour(255, 0, 0), 180)), Rgb(HslToRgb(120, 240, 180)));
  EXPECT_EQ(Rgb(OppositeHue(RgbColour(0, 0, 255), 120)), Rgb(HslToRgb(40, 240, 120)));
  EXPECT_EQ(Rgb(OppositeHue(RgbColour(240, 155, 20), 180)), Rgb(HslToRgb(145, 240, 180)));
}

TColor FakeSystemColour(int index) noexcept {
  return RgbColour(index, 1, 2);
}

TEST(ThemeColours, SystemColoursAreResolvedFirst) {
  EXPECT_EQ(ResolveColour(RgbColour(1, 2, 3)), RgbColour(1, 2, 3));
  EXPECT_EQ(ResolveColour(0x02000000u | RgbColour(1, 2, 3)), RgbColour(1, 2, 3));
  EXPECT_EQ(ResolveColour(clBtnFace), DefaultSystemColour(15));
  EXPECT_EQ(ResolveColour(SystemColour(200)), clBlack);  // no such colour
  // System colours are written as OLE writes them; the other form stored
  // values may carry (top byte 0xFF) reads the same.
  EXPECT_EQ(SystemColour(15), 0x8000000Fu);
  EXPECT_EQ(ResolveColour(0xFF00000Fu), DefaultSystemColour(15));

  SetSystemColourSource(FakeSystemColour);
  EXPECT_EQ(ResolveColour(clBtnFace), RgbColour(15, 1, 2));
  EXPECT_EQ(RgbToHsl(cl3DDkShadow), RgbToHsl(RgbColour(21, 1, 2)));
  EXPECT_EQ(MixColours(clBtnFace, clWhite, 255), RgbColour(15, 1, 2));
  EXPECT_EQ(Darken(clGrayText, 0), Darken(RgbColour(17, 1, 2), 0));
  EXPECT_EQ(VerticalShadeRows(clHighlight, clBtnShadow, 1).front(), RgbColour(16, 1, 2));
  SetSystemColourSource(nullptr);
  EXPECT_EQ(ResolveColour(clBtnFace), DefaultSystemColour(15));
}

TEST(ThemeColours, ShadeRowsEndOnTheBottomColourAndStopOneStepShortOfTheTop) {
  EXPECT_TRUE(VerticalShadeRows(clWhite, clBlack, 0).empty());
  EXPECT_TRUE(VerticalShadeRows(clWhite, clBlack, -3).empty());
  // A single row shows only the bottom colour.
  EXPECT_EQ(VerticalShadeRows(clWhite, clBlack, 1), std::vector<TColor>{clBlack});

  std::vector<TColor> rows = VerticalShadeRows(clWhite, clBlack, 10);
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows.back(), clBlack);
  EXPECT_EQ(rows.front(), Grey(229));  // one step of 25.5 short of white
  EXPECT_EQ(rows[8], Grey(25));

  // The step is truncated toward zero, not floored: rising toward the top
  // from 10 to 0 over six rows.
  rows = VerticalShadeRows(clBlack, Grey(10), 6);
  const int expected[] = {1, 3, 5, 6, 8, 10};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(rows[i], Grey(expected[i])) << "row " << i;

  // Channels run independently.
  rows = VerticalShadeRows(RgbColour(255, 0, 100), RgbColour(0, 255, 100), 2);
  EXPECT_EQ(Rgb(rows[0]), Rgb(RgbColour(127, 127, 100)));
  EXPECT_EQ(Rgb(rows[1]), Rgb(RgbColour(0, 255, 100)));
}

TEST(ThemeColours, StrippingTakesLoneAmpersandsAndHalvesPairsButKeepsTheLastCharacter) {
  const struct {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {L"", L""},          {L"x", L"x"},
      {L"&", L"&"},        {L"&File", L"File"},
      {L"E&xit", L"Exit"}, {L"a&&b", L"a&b"},
      {L"a&&&b", L"a&&b"},  // the second of a pair opens the next pair
      {L"end&", L"end&"},   // the last character always stays
      {L"&&", L"&&"},      {L"\x9000\x51FA&X", L"\x9000\x51FAX"},
  };
  for (const auto& c : cases) EXPECT_EQ(StripAccelerators(c.in), c.out) << "\"" << c.in << "\"";
}

TEST(ThemeColours, TheAcceleratorIsTheCharacterAfterASingleAmpersand) {
  EXPECT_EQ(AcceleratorChar(L"&File"), L'F');
  EXPECT_EQ(AcceleratorChar(L"E&xit"), L'x');
  EXPECT_EQ(AcceleratorChar(L"a&&b"), 0);
  EXPECT_EQ(AcceleratorChar(L"a&&&b"), L'b');
  EXPECT_EQ(AcceleratorChar(L"end&"), 0);
  EXPECT_EQ(AcceleratorChar(L""), 0);
  EXPECT_EQ(AcceleratorChar(L"\x9000\x51FA"), 0);
}

}  // namespace
}  // namespace kvx
