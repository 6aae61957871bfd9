// The main dialog in the tray: hiding into it, the icon's notifications and
// the tray menu.

#include "app/log/log_file_win.h"
#include "lock/lock_state.h"
#include "ui/tray_notify.h"
#include "ui/velumix_dlg_win.h"

std::int32_t g_trayMenuShown = 0;

namespace {

constexpr char kTrayAddFailed[] = "HideToTray: couldn't like put it to system tray and stuff\n";
constexpr char kTrayDeleteFailed[] = "OnCancel: couldn't delete icon from the system tray\n";

velumix::TrayMouse TrayMouseFor(LPARAM message) {
  switch (message) {
    case WM_LBUTTONDBLCLK: return velumix::TrayMouse::DoubleClick;
    case WM_RBUTTONUP: return velumix::TrayMouse::RightButtonUp;
    default: return velumix::TrayMouse::Other;
  }
}

}  // namespace

BOOL CVelumixDlg::HideToTray(HideMode mode) {
  // The main window goes only where the icon can bring it back from.
  if (mode == HIDE_MODE_HIDE) m_trayIcon.ForgetIfGone();
  if (!m_trayIcon.EnsureUp(m_hWnd, m_settings.m_camouflage != 0)) {
    // The window stays where it is, and so does its list refresh: with no
    // icon there would be nothing to bring either back.
    g_pLog->Log(kTrayAddFailed);
    return FALSE;
  }
  if (mode == HIDE_MODE_STARTUP) return TRUE;
  // A window in the tray does not refresh its list.
  KillTimer(TIMER_REFRESH_LIST);
  ShowWindow(SW_HIDE);
  return TRUE;
}

void CVelumixDlg::RestoreTrayIcon() {
  if (!m_trayIcon.PutUp(m_hWnd, m_settings.m_camouflage != 0)) g_pLog->Log(kTrayAddFailed);
}

// Whether an icon is up after the switch is what the lock relies on.
void CVelumixDlg::ReplaceTrayIcon(int camouflage) {
  if (!m_trayIcon.Remove()) g_pLog->Log(kTrayDeleteFailed);
  if (!m_trayIcon.PutUp(m_hWnd, camouflage != 0)) {
    g_pLog->Log("OnConfigure: couldn't like put it to system tray and stuff\n");
  }
}

void CVelumixDlg::OnDestroy() {
  if (!m_trayIcon.Remove()) g_pLog->Log(kTrayDeleteFailed);
  Default();
}

LRESULT CVelumixDlg::OnTrayNotify(WPARAM iconId, LPARAM mouseMessage) {
  // Read first: after a password prompt the menu still opens where the
  // click happened.
  POINT cursor{};
  ::GetCursorPos(&cursor);
  velumix::TrayMouse mouse = TrayMouseFor(mouseMessage);
  if (iconId == velumix::TRAY_ICON_ID && mouse != velumix::TrayMouse::Other &&
      DeferPastTrayMenu(WM_TRAYNOTIFY, iconId, mouseMessage)) {
    return 0;
  }
  velumix::TrayState state{m_lock.locked(), velumix::g_passwordPromptOpen != 0, DialogOpen()};
  velumix::TrayAction action = velumix::DecideTrayAction(static_cast<unsigned>(iconId), mouse, state,
                                                         [this] { return UnlockWithPassword() != FALSE; });
  switch (action) {
    case velumix::TrayAction::RestoreWindow: RestoreFromTray(); break;
    case velumix::TrayAction::OpenMenu: ShowTrayMenu(cursor); break;
    case velumix::TrayAction::BringDialogForward: BringDialogForward(); break;
    case velumix::TrayAction::None: break;
  }
  return 0;
}

void CVelumixDlg::RestoreFromTray() {
  m_stayInTray = false;
  m_engine.RefreshTable();
  m_engine.FillList(m_list, g_pLog, velumix::kListInsertFailed);
  ShowWindow(SW_RESTORE);
  SetTimer(TIMER_REFRESH_LIST, kRefreshPeriodMs);
}

void CVelumixDlg::ShowTrayMenu(POINT at) {
  // The first menu of a run shows the table as the start-up fill left it.
  if (g_trayMenuShown == 0) {
    g_trayMenuShown = 1;
  } else {
    m_engine.RefreshTableAheadOfList();
  }

  m_userWasInBeforeMenu = m_windowSystem.Foreground();
  m_trayMenu.DestroyMenu();
  if (!m_trayMenu.CreatePopupMenu()) g_pLog->Log("Creating a tray menu failed");
  for (const velumix::TrayMenuItem& item : m_trayMenuModel.Build(m_engine.table())) {
    switch (item.kind) {
      case velumix::TrayMenuItem::Kind::Separator:
        m_trayMenu.AppendMenu(MF_SEPARATOR);
        break;
      case velumix::TrayMenuItem::Kind::Window:
        m_trayMenu.AppendMenu(MF_STRING | (item.checked ? MF_CHECKED : 0u), item.command, item.text.c_str());
        break;
      case velumix::TrayMenuItem::Kind::Command:
        m_trayMenu.AppendMenu(MF_STRING, item.command, item.text.c_str());
        break;
    }
  }
  m_menuOpen = true;
  m_trayMenu.TrackPopupMenu(TPM_RIGHTALIGN, at.x, at.y, this);
  m_menuOpen = false;
  RunDeferredAfterMenu();
}

void CVelumixDlg::RunDeferredAfterMenu() {
  // Posted, so that they run after the menu's own command; at once when the
  // queue takes no more. One more than needed finds nothing to run.
  if (!m_afterTrayMenu.empty()) {
    m_afterTrayMenuPosted = true;
    if (!PostMessage(WM_AFTER_TRAY_MENU)) SendMessage(WM_AFTER_TRAY_MENU);
  }
}
