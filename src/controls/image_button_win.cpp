#include "controls/image_button_win.h"

#include <utility>

BEGIN_MESSAGE_MAP(CImageButton, fw::CButton)
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_MOUSEMOVE()
  ON_WM_CAPTURECHANGED()
  // The second press of a double-click is a press like any other.
  FW_MOUSE_ENTRY(WM_LBUTTONDBLCLK, OnLButtonDown)
  ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
END_MESSAGE_MAP()

bool CImageButton::Create(CWnd* dialog, UINT id, UINT normal, UINT hover, UINT pressed) {
  m_bmpNormal.LoadBitmap(normal);
  m_hoverId = hover;
  m_pressedId = pressed;
  return SubclassDlgItem(id, dialog);
}

const fw::CBitmap& CImageButton::Face(fw::CBitmap& face, UINT& id) {
  if (id != 0) face.LoadBitmap(std::exchange(id, 0u));
  return face;
}

void CImageButton::DrawItem(DRAWITEMSTRUCT* dis) {
  RECT client = GetClientRect();
  const fw::CBitmap* face = &m_bmpNormal;
  switch (m_state.face()) {
    case velumix::ButtonFace::Pressed: face = &Face(m_bmpPressed, m_pressedId); break;
    case velumix::ButtonFace::Hover: face = &Face(m_bmpHover, m_hoverId); break;
    case velumix::ButtonFace::Normal: break;
  }
  if (!face->GetSafeHandle()) return;
  // Drawn at its own size from the corner and clipped, never stretched.
  ::DrawStateA(dis->hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(face->GetSafeHandle()), 0, 0, 0,
               client.right - client.left, client.bottom - client.top, DST_BITMAP);
}

bool CImageButton::IsInside(POINT point) const {
  RECT r = GetClientRect();
  return velumix::IsInsideButton({r.left, r.top, r.right, r.bottom}, point.x, point.y);
}

void CImageButton::Apply(const velumix::ButtonEffects& effects) {
  if (effects.setFocus) ::SetFocus(m_hWnd);
  if (effects.invalidate) InvalidateRect(nullptr, TRUE);
  if (effects.passOn) Default();
  if (effects.setCapture) ::SetCapture(m_hWnd);
  if (effects.trackLeave) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_hWnd, 0};
    ::TrackMouseEvent(&track);
  }
  if (effects.releaseCapture) ::ReleaseCapture();
  if (effects.postCommand) {
    ::PostMessageA(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), BN_CLICKED), 0);
  }
}

void CImageButton::OnLButtonDown(UINT, POINT) { Apply(m_state.OnLButtonDown()); }

void CImageButton::OnLButtonUp(UINT, POINT point) { Apply(m_state.OnLButtonUp(IsInside(point))); }

void CImageButton::OnMouseMove(UINT, POINT point) { Apply(m_state.OnMouseMove(IsInside(point))); }

void CImageButton::OnCaptureChanged(HWND) { Apply(m_state.OnCaptureChanged()); }

LRESULT CImageButton::OnMouseLeave(WPARAM, LPARAM) {
  Apply(m_state.OnMouseLeave());
  return 0;
}
