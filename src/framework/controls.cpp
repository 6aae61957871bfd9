#include "framework/controls.h"

#include "framework/wide_text.h"
#include "framework/winapp.h"

namespace fw {

int CListBox::AddString(const char* text) {
  std::wstring wide = WideFromUtf8(text);
  return static_cast<int>(::SendMessageW(m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())));
}

std::string CListBox::GetText(int index) const {
  LRESULT length = ::SendMessageW(m_hWnd, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  LRESULT copied =
      ::SendMessageW(m_hWnd, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied));
  return Utf8FromWide(text);
}

bool CMenu::AppendMenu(UINT flags, UINT_PTR id, const char* text) {
  std::wstring wide;
  if (text) wide = WideFromUtf8(text);
  return ::AppendMenuW(m_menu.get(), flags, id, text ? wide.c_str() : nullptr) != FALSE;
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
