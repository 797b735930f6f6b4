#pragma once
// The hot-tracking button's input as a state machine of its own: a press of
// the mouse while it is captured, the space bar, the toggle state of a group
// button and whether the button shows as the form's default. It knows no
// window: the button tells it what happened and does what it answers
// (capture, repaint, click, tell the group), so each rule stands alone.

#include "toolkit/Win.h"

#include "widgets/HotButtonLook.h"

namespace kvx {

// Where the focus went, as far as the default button cares.
enum class TFocusedControl { fcThisButton, fcOtherPushButton, fcOther };

class THotButtonInput {
 public:
  // The left button went down on the button and has not been released.
  bool TrackingMouse() const noexcept { return FTrackingMouse; }
  // The pressed look is due: the mouse held inside, or the space bar down.
  bool DrawPressed() const noexcept { return FDrawPressed; }
  bool ShowsDefault() const noexcept { return FShowsDefault; }
  bool Down() const noexcept { return FDown; }
  TButtonState GroupState() const noexcept { return FGroupState; }

  // A left press on the enabled button once it holds the focus.
  void Press() noexcept;
  // A move while the mouse is captured; true when the pressed look changed.
  bool Drag(POINT point, SIZE client) noexcept;
  // The release of a press; true when it is inside the button: a click.
  bool Release(POINT point, SIZE client) noexcept;
  // The capture went elsewhere; true when that ended a press.
  bool CaptureLost() noexcept;

  void SpacePressed() noexcept;
  // True when the space bar went down on the button since it took the focus: a click.
  bool SpaceReleased() noexcept;
  void FocusLost() noexcept;

  // True when Down changed. Without a group a button is never down, and the
  // last down button of an exclusive group cannot be released.
  bool SetDown(bool value, int groupIndex, bool allowAllUp) noexcept;
  // Another button of the group was pressed; true when that put this one up.
  bool GroupSiblingPressed(bool siblingDown) noexcept;

  // The window is made: the button shows as default when it is the Default one.
  void WindowCreated(bool isDefault) noexcept { FShowsDefault = isDefault; }
  // The form's focus moved; true when showing as default changed. A push
  // button with the focus is the one Enter presses; otherwise the Default one is.
  bool FocusMoved(TFocusedControl focused, bool isDefault) noexcept;
  // Enter while showing as default, or Escape on a Cancel button, with no
  // Shift, Ctrl or Alt (MK_ bits) held, presses the button.
  bool TakesDialogKey(WPARAM key, UINT shift, bool cancel) const noexcept;

 private:
  bool FTrackingMouse = false;
  bool FDrawPressed = false;
  bool FSpaceDown = false;
  bool FShowsDefault = false;
  bool FDown = false;
  TButtonState FGroupState = TButtonState::bsUp;
};

}  // namespace kvx
