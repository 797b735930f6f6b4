#include "toolkit/Win.h"

#include "widgets/HotButtonInput.h"

namespace kvx {

void THotButtonInput::Press() noexcept {
  FDrawPressed = true;
  FTrackingMouse = true;
}

bool THotButtonInput::Drag(POINT p, SIZE client) noexcept {
  if (!FTrackingMouse) return false;
  // The bottom edge row still counts as inside while dragging.
  const bool inside = p.x >= 0 && p.x < client.cx && p.y >= 0 && p.y <= client.cy;
  if (inside == FDrawPressed) return false;
  FDrawPressed = inside;
  return true;
}

bool THotButtonInput::Release(POINT p, SIZE client) noexcept {
  if (!FTrackingMouse) return false;
  FTrackingMouse = false;
  FDrawPressed = false;
  return p.x >= 0 && p.x < client.cx && p.y >= 0 && p.y < client.cy;
}

bool THotButtonInput::CaptureLost() noexcept {
  if (!FTrackingMouse) return false;
  FTrackingMouse = false;
  FDrawPressed = false;
  return true;
}

void THotButtonInput::SpacePressed() noexcept {
  FSpaceDown = true;
  FDrawPressed = true;
}

bool THotButtonInput::SpaceReleased() noexcept {
  FDrawPressed = false;
  // Stays set until the focus leaves.
  return FSpaceDown;
}

void THotButtonInput::FocusLost() noexcept {
  FSpaceDown = false;
  FDrawPressed = false;
}

bool THotButtonInput::SetDown(bool value, int groupIndex, bool allowAllUp) noexcept {
  if (groupIndex == 0) value = false;
  if (value == FDown) return false;
  if (FDown && !allowAllUp && groupIndex != 0) return false;
  FDown = value;
  FGroupState = value ? TButtonState::bsExclusive : TButtonState::bsUp;
  return true;
}

bool THotButtonInput::GroupSiblingPressed(bool siblingDown) noexcept {
  if (!siblingDown || !FDown) return false;
  FDown = false;
  FGroupState = TButtonState::bsUp;
  return true;
}

bool THotButtonInput::FocusMoved(TFocusedControl focused, bool isDefault) noexcept {
  const bool showsDefault =
      focused == TFocusedControl::fcOther ? isDefault : focused == TFocusedControl::fcThisButton;
  if (showsDefault == FShowsDefault) return false;
  FShowsDefault = showsDefault;
  return true;
}

bool THotButtonInput::TakesDialogKey(WPARAM key, UINT shift, bool cancel) const noexcept {
  const bool ours = (key == VK_RETURN && FShowsDefault) || (key == VK_ESCAPE && cancel);
  return ours && !(shift & (MK_SHIFT | MK_CONTROL | MK_ALT));
}

}  // namespace kvx
