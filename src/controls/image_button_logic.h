// The bitmap push button's mouse behaviour: which face it shows, when it
// takes and gives up the mouse capture, and when a click becomes a command.
#pragma once

#include <cstdint>

namespace velumix {

struct ButtonRect {
  int left, top, right, bottom;
};

// The right and bottom edge coordinates count as inside.
constexpr bool IsInsideButton(const ButtonRect& r, int x, int y) {
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

enum class ButtonFace { Normal, Hover, Pressed };

// What the control must do in answer to one mouse message.
struct ButtonEffects {
  bool setFocus = false;
  bool invalidate = false;
  bool setCapture = false;
  bool trackLeave = false;  // ask to be told when the pointer leaves the button
  bool releaseCapture = false;
  bool postCommand = false;
  bool passOn = false;  // to the standard button handling
};

class ImageButtonState {
 public:
  ButtonEffects OnLButtonDown();
  ButtonEffects OnLButtonUp(bool inside);
  ButtonEffects OnMouseMove(bool inside);
  // The pointer left the button without a move reaching it: over another
  // program's window the capture brings no moves while no mouse button is down.
  ButtonEffects OnMouseLeave();
  // Every end of the capture brings back the normal face.
  ButtonEffects OnCaptureChanged();

  ButtonFace face() const;

  std::int32_t m_hover = 0;    // the pointer is over the button and it holds the capture
  std::int32_t m_pressed = 0;  // the left button went down on it and has not come up
};

}  // namespace velumix
