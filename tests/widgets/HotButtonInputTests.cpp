#include "toolkit/Win.h"

#include "widgets/HotButtonInput.h"

#include <gtest/gtest.h>

#include <string>

namespace kvx {
namespace {

constexpr SIZE kClient{75, 25};

TEST(HotButtonInput, DragCountsTheBottomRowAsInsideTheReleaseDoesNot) {
  const struct {
    POINT Point;
    bool DrawnPressed, Clicks;
  } cases[] = {
      {{0, 0}, true, true},     {{74, 24}, true, true},      {{10, 25}, true, false},
      {{10, 26}, false, false}, {{75, 10}, false, false},    {{-1, 10}, false, false},
      {{10, -1}, false, false}, {{-32768, 5}, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Point.x) + "," + std::to_string(c.Point.y));
    THotButtonInput input;
    input.Press();
    ASSERT_TRUE(input.DrawPressed());
    EXPECT_EQ(input.Drag(c.Point, kClient), !c.DrawnPressed) << "changed";
    EXPECT_EQ(input.DrawPressed(), c.DrawnPressed);
    EXPECT_TRUE(input.TrackingMouse());
    EXPECT_EQ(input.Release(c.Point, kClient), c.Clicks);
    EXPECT_FALSE(input.TrackingMouse());
    EXPECT_FALSE(input.DrawPressed());
  }
}

TEST(HotButtonInput, DragTellsOnlyChangesAndNothingMovesWithoutAPress) {
  THotButtonInput input;
  EXPECT_FALSE(input.Drag({10, 10}, kClient));
  EXPECT_FALSE(input.DrawPressed());
  EXPECT_FALSE(input.Release({10, 10}, kClient)) << "a release without a press is no click";
  EXPECT_FALSE(input.CaptureLost());

  input.Press();
  EXPECT_FALSE(input.Drag({10, 10}, kClient));
  EXPECT_TRUE(input.Drag({100, 10}, kClient));
  EXPECT_FALSE(input.Drag({200, 10}, kClient));
  EXPECT_TRUE(input.Drag({30, 12}, kClient));
  EXPECT_TRUE(input.DrawPressed());
}

TEST(HotButtonInput, LosingTheCaptureEndsThePressWithoutAClick) {
  THotButtonInput input;
  input.Press();
  EXPECT_TRUE(input.CaptureLost());
  EXPECT_FALSE(input.TrackingMouse());
  EXPECT_FALSE(input.DrawPressed());
  EXPECT_FALSE(input.CaptureLost());
  EXPECT_FALSE(input.Release({10, 10}, kClient));
}

TEST(HotButtonInput, SpaceClicksOnReleaseUntilTheFocusLeaves) {
  THotButtonInput input;
  EXPECT_FALSE(input.SpaceReleased()) << "Space went down elsewhere";
  input.SpacePressed();
  EXPECT_TRUE(input.DrawPressed());
  EXPECT_TRUE(input.SpaceReleased());
  EXPECT_FALSE(input.DrawPressed());
  // Without a new Space down another release clicks again: only the focus
  // leaving forgets that Space went down on the button.
  EXPECT_TRUE(input.SpaceReleased());
  input.FocusLost();
  EXPECT_FALSE(input.SpaceReleased());

  input.SpacePressed();
  input.FocusLost();
  EXPECT_FALSE(input.DrawPressed());
  EXPECT_FALSE(input.SpaceReleased());
}

TEST(HotButtonInput, DownOnlyInAGroupAndTheLastOneOfAnExclusiveGroupStays) {
  const struct {
    const char* Name;
    bool StartDown;
    bool Value;
    int GroupIndex;
    bool AllowAllUp;
    bool Changed, Down;
  } cases[] = {
      {"no group: never down", false, true, 0, true, false, false},
      {"goes down in a group", false, true, 1, false, true, true},
      {"down again: nothing", true, true, 1, false, false, true},
      {"exclusive group keeps its last one down", true, false, 1, false, false, true},
      {"all may be up", true, false, 1, true, true, false},
      {"a group left behind lets it go up", true, false, 0, false, true, false},
      {"a group left behind makes down mean up", true, true, 0, false, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    THotButtonInput input;
    if (c.StartDown) {
      ASSERT_TRUE(input.SetDown(true, 1, false));
    }
    EXPECT_EQ(input.SetDown(c.Value, c.GroupIndex, c.AllowAllUp), c.Changed);
    EXPECT_EQ(input.Down(), c.Down);
    EXPECT_EQ(input.GroupState(), c.Down ? TButtonState::bsExclusive : TButtonState::bsUp);
  }
}

TEST(HotButtonInput, ASiblingGoingDownPutsThisOneUp) {
  for (bool down : {false, true})
    for (bool siblingDown : {false, true}) {
      SCOPED_TRACE(std::string(down ? "down" : "up") + ", sibling " +
                   (siblingDown ? "down" : "up"));
      THotButtonInput input;
      input.SetDown(down, 1, false);
      EXPECT_EQ(input.GroupSiblingPressed(siblingDown), down && siblingDown);
      EXPECT_EQ(input.Down(), down && !siblingDown);
      EXPECT_EQ(input.GroupState(), input.Down() ? TButtonState::bsExclusive : TButtonState::bsUp);
    }
}

TEST(HotButtonInput, AFocusedPushButtonShowsAsDefaultOtherwiseTheDefaultOne) {
  using enum TFocusedControl;
  const struct {
    TFocusedControl Focused;
    bool IsDefault, Shows;
  } cases[] = {
      {fcThisButton, false, true},
      {fcThisButton, true, true},
      {fcOtherPushButton, true, false},
      {fcOtherPushButton, false, false},
      {fcOther, true, true},
      {fcOther, false, false},
  };
  for (const auto& c : cases)
    for (bool before : {false, true}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(c.Focused)) + " default " +
                   std::to_string(c.IsDefault) + " before " + std::to_string(before));
      THotButtonInput input;
      input.WindowCreated(before);
      ASSERT_EQ(input.ShowsDefault(), before);
      EXPECT_EQ(input.FocusMoved(c.Focused, c.IsDefault), c.Shows != before) << "changed";
      EXPECT_EQ(input.ShowsDefault(), c.Shows);
    }
}

TEST(HotButtonInput, EnterAndEscapePressOnlyTheirButtonAndOnlyWithoutShiftKeys) {
  const struct {
    WPARAM Key;
    bool ShowsDefault, Cancel;
    UINT Shift;
    bool Takes;
  } cases[] = {
      {VK_RETURN, true, false, 0, true},
      {VK_RETURN, false, true, 0, false},
      {VK_ESCAPE, false, true, 0, true},
      {VK_ESCAPE, true, false, 0, false},
      {VK_SPACE, true, true, 0, false},
      {VK_RETURN, true, false, MK_SHIFT, false},
      {VK_RETURN, true, false, MK_CONTROL, false},
      {VK_ESCAPE, false, true, MK_ALT, false},
      {VK_RETURN, true, false, MK_LBUTTON, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Key) + " shift " + std::to_string(c.Shift) + " default " +
                 std::to_string(c.ShowsDefault) + " cancel " + std::to_string(c.Cancel));
    THotButtonInput input;
    input.WindowCreated(c.ShowsDefault);
    EXPECT_EQ(input.TakesDialogKey(c.Key, c.Shift, c.Cancel), c.Takes);
  }
}

}  // namespace
}  // namespace kvx
