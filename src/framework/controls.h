// Controls as member objects, plus the menu and bitmap owners.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "framework/handles.h"
#include "framework/wnd.h"

namespace fw {

class CButton : public CWnd {};

class CListBox : public CWnd {
 public:
  // Texts are UTF-8.
  int AddString(const char* text);
  void ResetContent() { SendMessage(LB_RESETCONTENT); }
  int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
  int SetCurSel(int index) { return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index))); }
  // The item's text as UTF-8, empty for an index out of range.
  std::string GetText(int index) const;
};

// The 16-bit value of a hot-key control: virtual key in the low byte,
// modifier flags (HOTKEYF_*) in the high byte.
class CHotKeyCtrl : public CWnd {
 public:
  void SetHotKeyValue(WORD value) { SendMessage(HKM_SETHOTKEY, value); }
  WORD GetHotKeyValue() const { return LOWORD(SendMessage(HKM_GETHOTKEY)); }
};

class CMenu {
 public:
  bool CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
  // Takes ownership of `menu`; false for a null handle.
  bool Attach(HMENU menu);
  void DestroyMenu() { m_menu.reset(); }
  // `text` is UTF-8, shown as the menu shows texts: "&" marks the next
  // character as the item's key, a tab starts a second column.
  bool AppendMenu(UINT flags, UINT_PTR id = 0, const char* text = nullptr);
  BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner) {
    return ::TrackPopupMenu(m_menu.get(), flags, x, y, 0, owner->m_hWnd, nullptr);
  }
  HMENU GetSafeHmenu() const { return m_menu.get(); }

 private:
  unique_hmenu m_menu;
};

class CBitmap {
 public:
  bool LoadBitmap(UINT id);
  HBITMAP GetSafeHandle() const { return m_bitmap.get(); }

 private:
  unique_hbitmap m_bitmap;
};

}  // namespace fw
