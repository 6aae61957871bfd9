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

bool CBitmap::LoadBitmap(UINT id) {
  m_bitmap.reset(::LoadBitmapA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(id)));
  return static_cast<bool>(m_bitmap);
}

}  // namespace fw
