#include "controls/image_button_logic.h"

namespace velumix {

ButtonFace ImageButtonState::face() const {
  if (m_hover && m_pressed) return ButtonFace::Pressed;
  if (m_hover || m_pressed) return ButtonFace::Hover;
  return ButtonFace::Normal;
}

// The press is not passed on, so the standard button never makes a click of
// its own out of it.
ButtonEffects ImageButtonState::OnLButtonDown() {
  ButtonEffects e;
  e.setFocus = true;
  e.invalidate = true;
  m_pressed = 1;
  return e;
}

ButtonEffects ImageButtonState::OnLButtonUp(bool inside) {
  ButtonEffects e;
  m_pressed = 0;
  e.invalidate = true;
  e.passOn = true;
  if (inside) {
    e.postCommand = true;  // the capture stays until the pointer leaves
  } else {
    e.releaseCapture = true;
  }
  return e;
}

ButtonEffects ImageButtonState::OnMouseMove(bool inside) {
  ButtonEffects e;
  if (m_pressed) {
    if (m_hover && !inside) {
      m_hover = 0;
      e.invalidate = true;
    } else if (!m_hover && inside) {
      m_hover = 1;
      e.invalidate = true;
    }
    e.passOn = true;
    return e;
  }
  if (!m_hover) {
    // Without the capture, moves arrive only while the pointer is over us.
    m_hover = 1;
    e.invalidate = true;
    e.setCapture = true;
    e.trackLeave = true;
  } else if (!inside) {
    m_hover = 0;
    e.invalidate = true;
    e.releaseCapture = true;
  }
  return e;
}

ButtonEffects ImageButtonState::OnMouseLeave() {
  if (m_pressed || !m_hover) return {};
  return OnMouseMove(false);
}

ButtonEffects ImageButtonState::OnCaptureChanged() {
  ButtonEffects e;
  m_hover = 0;
  m_pressed = 0;
  e.invalidate = true;
  return e;
}

}  // namespace velumix
