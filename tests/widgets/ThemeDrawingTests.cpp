#include "toolkit/Win.h"

#include "widgets/ThemeDrawing.h"

#include "TestCanvas.h"
#include "toolkit/Application.h"
#include "toolkit/Panel.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

using test::TTestCanvas;

constexpr TColor kBack = RgbColour(1, 2, 3);
constexpr TColor kDark = RgbColour(10, 20, 30);
constexpr TColor kLight = RgbColour(200, 210, 220);
constexpr TColor kBlack = RgbColour(0, 0, 0);
constexpr TColor kWhite = RgbColour(255, 255, 255);

class ThemeDrawing : public testing::Test {
 protected:
  void SetUp() override { SetFullColourDisplay(true); }
  void TearDown() override { SetFullColourDisplay(true); }
};

TEST_F(ThemeDrawing, RingLeavesThreePixelsAtEachCorner) {
  TTestCanvas canvas(12, 10);
  ASSERT_TRUE(canvas.Valid());
  DrawRing(canvas.DC(), RECT{2, 1, 10, 8}, kDark, kLight);
  EXPECT_EQ(canvas.Mismatches(0, 0,
                              {
                                  "............",
                                  "....DDDD....",
                                  "...D....D...",
                                  "..D......L..",
                                  "..D......L..",
                                  "..D......L..",
                                  "...D....L...",
                                  "....LLLL....",
                                  "............",
                                  "............",
                              },
                              {{'.', kBack}, {'D', kDark}, {'L', kLight}}),
            "");
}

TEST_F(ThemeDrawing, FaceFrameLeavesTheCornerPixels) {
  TTestCanvas canvas(8, 6);
  DrawFaceFrame(canvas.DC(), RECT{1, 1, 7, 5}, kDark);
  EXPECT_EQ(canvas.Mismatches(0, 0,
                              {
                                  "........",
                                  "..FFFF..",
                                  ".F....F.",
                                  ".F....F.",
                                  "..FFFF..",
                                  "........",
                              },
                              {{'.', kBack}, {'F', kDark}}),
            "");
}

TEST_F(ThemeDrawing, FaceIsAGradientOverTwoDarkerRows) {
  const TColor base = RgbColour(200, 100, 50);
  TTestCanvas canvas(8, 12);
  DrawFace(canvas.DC(), RECT{1, 1, 7, 11}, base);
  // From base lightened by 30 (216, 137, 99) to base darkened by 10, over eight rows.
  const TColor rows[] = {
      RgbColour(212, 131, 92), RgbColour(208, 125, 85), RgbColour(204, 119, 79),
      RgbColour(200, 114, 72), RgbColour(196, 108, 65), RgbColour(192, 102, 59),
      RgbColour(188, 96, 52),  RgbColour(184, 91, 46),  RgbColour(167, 82, 42),  // darkened by 20
      RgbColour(150, 74, 37)};                                                   // darkened by 30
  for (int i = 0; i < 10; ++i) {
    for (int x = 1; x < 7; ++x)
      ASSERT_EQ(TTestCanvas::Hex(canvas.At(x, 1 + i)), TTestCanvas::Hex(rows[i]))
          << x << "," << 1 + i;
    EXPECT_EQ(canvas.At(0, 1 + i), kBack);
    EXPECT_EQ(canvas.At(7, 1 + i), kBack);
  }
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(canvas.At(x, 0), kBack);
    EXPECT_EQ(canvas.At(x, 11), kBack);
  }

  // Without full colour the body is the plain colour; the bottom rows stay.
  SetFullColourDisplay(false);
  canvas.Fill(kBack);
  DrawFace(canvas.DC(), RECT{1, 1, 7, 11}, base);
  for (int y = 1; y <= 8; ++y) EXPECT_EQ(canvas.At(3, y), base) << y;
  EXPECT_EQ(canvas.At(3, 9), rows[8]);
  EXPECT_EQ(canvas.At(3, 10), rows[9]);
}

TEST_F(ThemeDrawing, ShadeRectFillsRowBandsFromNearTheTopColourToTheBottomColour) {
  TTestCanvas canvas(6, 14);
  ShadeRect(canvas.DC(), RECT{1, 2, 5, 12}, kWhite, kBlack);
  EXPECT_EQ(canvas.At(1, 2), RgbColour(229, 229, 229));  // one step of 25.5 short of white
  EXPECT_EQ(canvas.At(4, 2), RgbColour(229, 229, 229));
  EXPECT_EQ(canvas.At(1, 11), kBlack);
  EXPECT_EQ(canvas.At(4, 10), RgbColour(25, 25, 25));
  EXPECT_EQ(canvas.At(0, 5), kBack);
  EXPECT_EQ(canvas.At(5, 5), kBack);
  EXPECT_EQ(canvas.At(2, 1), kBack);
  EXPECT_EQ(canvas.At(2, 12), kBack);

  // A single row shows only the bottom colour.
  canvas.Fill(kBack);
  ShadeRect(canvas.DC(), RECT{0, 3, 6, 4}, kWhite, kDark);
  for (int x = 0; x < 6; ++x) EXPECT_EQ(canvas.At(x, 3), kDark);
  EXPECT_EQ(canvas.At(0, 2), kBack);
  EXPECT_EQ(canvas.At(0, 4), kBack);

  // Empty rectangles draw nothing; a reversed one is drawn at its top-left corner.
  canvas.Fill(kBack);
  ShadeRect(canvas.DC(), RECT{2, 2, 2, 9}, kWhite, kDark);
  ShadeRect(canvas.DC(), RECT{0, 5, 6, 5}, kWhite, kDark);
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_EQ(canvas.At(x, y), kBack) << x << "," << y;
  ShadeRect(canvas.DC(), RECT{4, 4, 2, 2}, kWhite, kDark);
  EXPECT_EQ(canvas.At(2, 3), kDark);
  EXPECT_EQ(canvas.At(3, 2), RgbColour(132, 137, 142));
  EXPECT_EQ(canvas.At(4, 2), kBack);
}

TEST_F(ThemeDrawing, GlowFrameIsTwoPixelsWideAndKeepsTheCallersClipping) {
  TTestCanvas canvas(10, 10);
  // The caller clips column 0 away; that must survive the glow's own clipping.
  HRGN clip = CreateRectRgn(1, 0, 10, 10);
  SelectClipRgn(canvas.DC(), clip);
  DeleteObject(clip);
  DrawGlowFrame(canvas.DC(), RECT{0, 0, 10, 10}, kWhite, kBlack);
  const TColor row0 = RgbColour(229, 229, 229), row1 = RgbColour(204, 204, 204);  // steps of 25.5
  EXPECT_EQ(canvas.Mismatches(0, 0,
                              {
                                  ".000000000",
                                  ".111111111",
                                  ".?......??",
                                  ".?......??",
                                  ".?......??",
                                  ".?......??",
                                  ".?......??",
                                  ".?......??",
                                  ".?????????",
                                  ".BBBBBBBBB",
                              },
                              {{'.', kBack}, {'0', row0}, {'1', row1}, {'B', kBlack}}),
            "");
  EXPECT_EQ(canvas.At(1, 5), canvas.At(9, 5));
  EXPECT_NE(canvas.At(1, 5), kBack);
  FillSolid(canvas.DC(), RECT{0, 0, 10, 10}, kDark);
  EXPECT_EQ(canvas.At(0, 4), kBack);
  EXPECT_EQ(canvas.At(4, 4), kDark);
  SelectClipRgn(canvas.DC(), nullptr);

  // Nothing at all without full colour.
  SetFullColourDisplay(false);
  canvas.Fill(kBack);
  DrawGlowFrame(canvas.DC(), RECT{0, 0, 10, 10}, kWhite, kBlack);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(canvas.At(x, y), kBack);
}

TEST_F(ThemeDrawing, DottedFocusSetsEveryOtherPixel) {
  TTestCanvas canvas(10, 8, kWhite);
  DrawDottedFocus(canvas.DC(), RECT{1, 1, 9, 7});
  EXPECT_EQ(canvas.Mismatches(0, 0,
                              {
                                  "..........",
                                  "..X.X.X.X.",
                                  ".X......X.",
                                  "..........",
                                  ".X......X.",
                                  "..........",
                                  ".XX.X.X.X.",
                                  "..........",
                              },
                              {{'.', kWhite}, {'X', kBlack}}),
            "");
}

// A parent whose background tells where it was painted: red left of x = 20,
// blue from there on, and a green row at y = 10.
class TStripedParent : public TWinControl {
 public:
  explicit TStripedParent(TWinControl* parent, bool ownPaint) : TWinControl(parent) {
    SetOwnPaint(ownPaint);
    SetBounds(0, 0, 60, 40);
  }

 protected:
  void EraseBackground(HDC dc) override {
    FillSolid(dc, RECT{0, 0, 20, 40}, RgbColour(255, 0, 0));
    FillSolid(dc, RECT{20, 0, 60, 40}, RgbColour(0, 0, 255));
    FillSolid(dc, RECT{0, 10, 60, 11}, RgbColour(0, 255, 0));
  }
};

TEST_F(ThemeDrawing, CopyParentBackgroundLinesUpWithTheControl) {
  TApplication application;
  TPanel top(nullptr);
  top.SetBounds(0, 0, 100, 100);
  TStripedParent parent(&top, true);
  TWinControl child(&parent);
  child.SetBounds(15, 8, 10, 5);
  child.HandleNeeded();

  TTestCanvas canvas(10, 5);
  POINT before{};
  GetViewportOrgEx(canvas.DC(), &before);
  CopyParentBackground(&child, canvas.DC(), true);
  const TColor R = RgbColour(255, 0, 0), B = RgbColour(0, 0, 255), G = RgbColour(0, 255, 0);
  EXPECT_EQ(canvas.Mismatches(
                0, 0, {"RRRRRBBBBB", "RRRRRBBBBB", "GGGGGGGGGG", "RRRRRBBBBB", "RRRRRBBBBB"},
                {{'R', R}, {'B', B}, {'G', G}}),
            "");
  POINT after{};
  GetViewportOrgEx(canvas.DC(), &after);
  EXPECT_EQ(after.x, before.x);
  EXPECT_EQ(after.y, before.y);
  // Drawing afterwards is not clipped to the parent's area any more.
  FillSolid(canvas.DC(), RECT{0, 0, 10, 5}, kDark);
  EXPECT_EQ(canvas.At(9, 4), kDark);

  // A parent that paints itself is not invalidated; one that does not is.
  ShowWindow(top.Handle(), SW_SHOWNA);  // hidden windows take no invalidation
  RECT update{};
  ValidateRect(parent.Handle(), nullptr);
  CopyParentBackground(&child, canvas.DC(), true);
  EXPECT_FALSE(GetUpdateRect(parent.Handle(), &update, FALSE));

  TStripedParent plain(&top, false);
  TWinControl other(&plain);
  other.SetBounds(0, 0, 5, 5);
  other.HandleNeeded();
  ValidateRect(plain.Handle(), nullptr);
  CopyParentBackground(&other, canvas.DC(), false);
  EXPECT_FALSE(GetUpdateRect(plain.Handle(), &update, FALSE));
  CopyParentBackground(&other, canvas.DC(), true);
  EXPECT_TRUE(GetUpdateRect(plain.Handle(), &update, FALSE));

  // Without a parent nothing happens.
  canvas.Fill(kBack);
  CopyParentBackground(&top, canvas.DC(), true);
  EXPECT_EQ(canvas.At(0, 0), kBack);
}

}  // namespace
}  // namespace kvx
