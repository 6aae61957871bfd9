// The window list: its refills, its owner-drawn rows (a bulb for the hidden
// flag, the title, and a pin at the right end for a window that Hide All
// leaves shown) and the menu of a row.
#include <algorithm>
#include <cwchar>
#include <iterator>

#include "framework/handles.h"
#include "resource.h"
#include "settings/app_profile_store_win.h"
#include "ui/velumix_dlg_win.h"

namespace {

constexpr int kRowHeight = 15;
constexpr int kMarkSize = 15;
constexpr int kTextIndent = 20;
constexpr int kPinWidth = 11;

constexpr char kKeepShownItem[] = "Leave shown by Hide All";

constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kDesktopRed = RGB(100, 0, 0);

}  // namespace

void CWindowListBox::ResetContent() {
  m_top = static_cast<int>(SendMessage(LB_GETTOPINDEX));
  m_selection = GetCurSel();
  m_caret = static_cast<int>(SendMessage(LB_GETCARETINDEX));
  SendMessage(WM_SETREDRAW, FALSE);
  fw::CListBox::ResetContent();
}

void CWindowListBox::EndRefill() {
  // Selecting an item and moving the caret both scroll it into view: the top
  // row is put back last. An index the shorter list no longer has is left.
  const int count = GetCount();
  if (m_selection >= 0 && m_selection < count) SetCurSel(m_selection);
  if (m_caret >= 0 && m_caret < count) SendMessage(LB_SETCARETINDEX, static_cast<WPARAM>(m_caret), FALSE);
  if (m_top > 0 && count > 0) SendMessage(LB_SETTOPINDEX, static_cast<WPARAM>(std::min(m_top, count - 1)));
  SendMessage(WM_SETREDRAW, TRUE);
  // A list not (or no longer) created has nothing to draw; a null window
  // here would redraw every window on the desktop.
  if (::IsWindow(m_hWnd)) InvalidateRect(nullptr, TRUE);
}

void CVelumixDlg::OnMeasureItem(int, MEASUREITEMSTRUCT* mis) {
  if (mis->CtlID != IDC_WINDOW_LIST) {
    Default();
    return;
  }
  // During the dialog's creation the list is not attached yet.
  if (::IsWindow(m_list.m_hWnd)) {
    RECT client = m_list.GetClientRect();
    mis->itemWidth = static_cast<UINT>(client.right - client.left);
  } else {
    mis->itemWidth = 5;
  }
  mis->itemHeight = kRowHeight;
}

void CVelumixDlg::OnDrawItem(int id, DRAWITEMSTRUCT* dis) {
  if (dis->CtlID != IDC_WINDOW_LIST) {
    CDialog::OnDrawItem(id, dis);  // the bitmap buttons draw themselves
    return;
  }
  // Any program can send this request: only a row the table has is drawn,
  // and only into the list itself.
  const int item = static_cast<int>(dis->itemID);
  if (dis->hwndItem != m_list.m_hWnd || !m_engine.table().IsInUse(item)) return;

  int selection = m_list.GetCurSel();
  // The list holds the titles in UTF-16: 99 characters take at most 198 units.
  wchar_t text[256] = {};
  LRESULT length = ::SendMessageW(m_list.m_hWnd, LB_GETTEXTLEN, dis->itemID, 0);
  if (length >= 0 && length < static_cast<LRESULT>(std::size(text))) {
    ::SendMessageW(m_list.m_hWnd, LB_GETTEXT, dis->itemID, reinterpret_cast<LPARAM>(text));
  }

  HDC dc = dis->hDC;
  const bool selected = selection != LB_ERR && item == selection;
  const COLORREF background = selected ? kNavy : kWhite;
  {
    fw::unique_hbrush brush(::CreateSolidBrush(background));
    ::FillRect(dc, &dis->rcItem, brush.get());
  }
  ::SetBkColor(dc, background);
  ::SetTextColor(dc, selected ? kWhite : kBlack);
  if (velumix::IsDesktopEntry(m_engine.table()[item])) ::SetTextColor(dc, kDesktopRed);
  ::SetBkMode(dc, OPAQUE);
  ::TextOutW(dc, dis->rcItem.left + kTextIndent, dis->rcItem.top, text, static_cast<int>(std::wcslen(text)));

  const bool hidden = m_engine.table()[item].hidden != 0;
  HBITMAP mark = hidden ? m_bmpHidden.GetSafeHandle() : m_bmpShown.GetSafeHandle();
  ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(mark), 0, dis->rcItem.left, dis->rcItem.top, kMarkSize,
               kMarkSize, DST_BITMAP);

  if (m_engine.KeepsShown(m_engine.table()[item].hwnd)) {
    HBITMAP pin = selected ? m_bmpPinSelected.GetSafeHandle() : m_bmpPin.GetSafeHandle();
    ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(pin), 0, dis->rcItem.right - kPinWidth,
                 dis->rcItem.top, kPinWidth, kRowHeight, DST_BITMAP);
  }
}

LRESULT CVelumixDlg::OnContextMenu(WPARAM window, LPARAM at) {
  if (reinterpret_cast<HWND>(window) != m_list.m_hWnd || m_lock.locked() || DialogOpen() || m_menuOpen) return 0;
  POINT point{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  int item = -1;
  if (point.x == -1 && point.y == -1) {
    // From the keyboard: the row with the caret, the menu at its corner.
    item = static_cast<int>(m_list.SendMessage(LB_GETCARETINDEX));
    RECT row = {};
    if (m_list.SendMessage(LB_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row)) == LB_ERR) {
      return 0;
    }
    point = {row.left + kTextIndent, row.bottom};
    ::ClientToScreen(m_list.m_hWnd, &point);
  } else {
    POINT client = point;
    ::ScreenToClient(m_list.m_hWnd, &client);
    LRESULT hit = m_list.SendMessage(LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
    if (HIWORD(hit) != 0) return 0;  // below the last row
    item = LOWORD(hit);
  }
  if (!m_engine.table().IsInUse(item)) return 0;
  const velumix::HiddenWindowEntry& entry = m_engine.table()[item];
  // Hide All never hides the desktop, nor a window whose program cannot be told.
  std::u16string program = velumix::IsDesktopEntry(entry) ? u"" : m_windowSystem.ProgramFileName(entry.hwnd);
  const bool kept = !program.empty() && m_settings.m_keepShown.Contains(program);

  fw::unique_hmenu menu(::CreatePopupMenu());
  if (!menu || !::AppendMenuA(menu.get(), MF_STRING | (program.empty() ? MF_GRAYED : 0u) | (kept ? MF_CHECKED : 0u),
                              ID_ROW_KEEP_SHOWN, kKeepShownItem)) {
    return 0;
  }
  m_menuOpen = true;
  UINT chosen = static_cast<UINT>(::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                   point.x, point.y, 0, m_hWnd, nullptr));
  m_menuOpen = false;
  if (chosen == ID_ROW_KEEP_SHOWN && !program.empty()) {
    velumix::KeepShownList keep = m_settings.m_keepShown;
    keep.Toggle(program);
    velumix::AppProfileStore store;
    velumix::StoreKeepShown(store, m_settings, keep);
    m_list.InvalidateRect(nullptr, FALSE);
  }
  RunDeferredAfterMenu();
  return 0;
}
