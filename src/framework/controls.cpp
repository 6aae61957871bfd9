#include "framework/controls.h"

#include "framework/winapp.h"

namespace fw {

std::string CListBox::GetText(int index) const {
  LRESULT length = SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(index));
  if (length == LB_ERR) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  LRESULT copied = SendMessage(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied));
  return text;
}

bool CMenu::Attach(HMENU menu) {
  if (!menu) return false;
  m_menu.reset(menu);
  return true;
}

// Kept as a DIB section: every bitmap here is only ever drawn with
// DrawState, and a device bitmap costs a conversion to the screen's format
// at load (half a millisecond each under Wine, most of a button's creation).
bool CBitmap::LoadBitmap(UINT id) {
  m_bitmap.reset(static_cast<HBITMAP>(
      ::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  return static_cast<bool>(m_bitmap);
}

}  // namespace fw
