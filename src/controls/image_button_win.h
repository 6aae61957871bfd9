// An owner-drawn push button that shows one of three bitmaps (normal, hover,
// pressed) and tracks the mouse itself.
#pragma once

#include <windows.h>

#include "controls/image_button_logic.h"
#include "framework/controls.h"

class CImageButton : public fw::CButton {
 public:
  CImageButton() = default;

  // Loads the faces (hover, normal, pressed) and attaches the object to the
  // dialog's button `id`. A face that fails to load just shows nothing.
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

  fw::CBitmap m_bmpHover;
  fw::CBitmap m_bmpPressed;
  fw::CBitmap m_bmpNormal;
  velumix::ImageButtonState m_state;
};
