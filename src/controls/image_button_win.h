// An owner-drawn push button that shows one of three bitmaps (normal, hover,
// pressed) and tracks the mouse itself.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>

#include "controls/image_button_logic.h"
#include "framework/controls.h"

class CImageButton : public fw::CButton {
 public:
  CImageButton() = default;

  // Loads the normal face and attaches the object to the dialog's button
  // `id`; the hover and pressed faces are loaded when first drawn, since the
  // start-up shows none of them. A face that fails to load just shows nothing.
  bool Create(CWnd* dialog, UINT id, UINT normal, UINT hover, UINT pressed);

  velumix::ButtonFace face() const { return m_state.face(); }

 protected:
  void DrawItem(DRAWITEMSTRUCT* dis) override;

  void OnLButtonDown(UINT flags, POINT point);
  void OnLButtonUp(UINT flags, POINT point);
  void OnMouseMove(UINT flags, POINT point);
  void OnCaptureChanged(HWND newOwner);
  LRESULT OnMouseLeave(WPARAM, LPARAM);

  DECLARE_MESSAGE_MAP()

 private:
  bool IsInside(POINT point) const;
  void Apply(const velumix::ButtonEffects& effects);

  // Loads the bitmap `id` into `face` the first time it is asked for.
  static const fw::CBitmap& Face(fw::CBitmap& face, UINT& id);

  fw::CBitmap m_bmpHover;
  fw::CBitmap m_bmpPressed;
  fw::CBitmap m_bmpNormal;
  UINT m_hoverId = 0;    // still to load; 0 once tried
  UINT m_pressedId = 0;
  velumix::ImageButtonState m_state;
};

// The control id of a dialog's button and its three faces.
struct ButtonFaces {
  UINT id, normal, hover, pressed;
};

// Creates the dialog's bitmap buttons, in the order given.
template <std::size_t N>
void CreateImageButtons(fw::CWnd* dialog, const ButtonFaces (&faces)[N], std::unique_ptr<CImageButton> (&buttons)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    buttons[i] = std::make_unique<CImageButton>();
    buttons[i]->Create(dialog, faces[i].id, faces[i].normal, faces[i].hover, faces[i].pressed);
  }
}
