// The tray icon, hiding the main window into the tray, and the tray menu.
#include <cstddef>
#include <cstring>
#include <utility>

#include "app/log_file_win.h"
#include "framework/winapp.h"
#include "lock/lock_state.h"
#include "resource.h"
#include "ui/tray_notify.h"
#include "ui/velumix_dlg_win.h"

std::int32_t g_trayIconAdded = 0;
std::int32_t g_trayMenuShown = 0;

namespace {

// The shell is given the first-version record: its size differs between the
// two builds, and the 32-bit one cannot be run here.
constexpr std::size_t kFirstVersionRecordSize = offsetof(NOTIFYICONDATAA, szTip) + 64;
static_assert(kFirstVersionRecordSize == (sizeof(void*) == 4 ? 88 : 104));

constexpr char kTipShown[] = "Right-click on me!";
constexpr char kTipCamouflaged[] = "I'm still here!";
constexpr char kTrayAddFailed[] = "HideToTray: couldn't like put it to system tray and stuff\n";

velumix::TrayMouse TrayMouseFor(LPARAM message) {
  switch (message) {
    case WM_LBUTTONDBLCLK: return velumix::TrayMouse::DoubleClick;
    case WM_RBUTTONUP: return velumix::TrayMouse::RightButtonUp;
    default: return velumix::TrayMouse::Other;
  }
}

}  // namespace

void CVelumixDlg::FillTrayIconRecord(int camouflage) {
  m_nid = {};
  m_nid.cbSize = kFirstVersionRecordSize;
  m_nid.hWnd = m_hWnd;
  m_nid.uID = TRAY_ICON_ID;
  m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  m_nid.uCallbackMessage = WM_TRAYNOTIFY;
  // A private copy: the notification area keeps its own, so ours is freed
  // right after the call.
  m_nid.hIcon = static_cast<HICON>(::LoadImageA(fw::AfxGetInstanceHandle(),
                                                MAKEINTRESOURCEA(camouflage ? IDI_TRAY_CAMOUFLAGE : IDI_TRAY),
                                                IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  const char* tip = camouflage ? kTipCamouflaged : kTipShown;
  std::strncpy(m_nid.szTip, tip, sizeof m_nid.szTip - 1);
}

// Puts up the icon that `camouflage` selects, or, with `orUpdate`, updates
// one the notification area still holds. Our loaded copy goes right after.
bool CVelumixDlg::AddTrayIcon(int camouflage, bool orUpdate) {
  FillTrayIconRecord(camouflage);
  fw::unique_hicon icon(m_nid.hIcon);
  return SendTrayIconRecord(orUpdate);
}

bool CVelumixDlg::SendTrayIconRecord(bool orUpdate) {
  return ::Shell_NotifyIconA(NIM_ADD, &m_nid) || (orUpdate && ::Shell_NotifyIconA(NIM_MODIFY, &m_nid));
}

DWORD WINAPI CVelumixDlg::AddTrayIconInBackground(void* dialog) {
  auto* self = static_cast<CVelumixDlg*>(dialog);
  self->m_trayIconAddResult = self->SendTrayIconRecord(true);
  self->PostMessage(WM_TRAY_ICON_ADDED, 0, 0);
  return 0;
}

// The add is the one of AddTrayIcon(camouflage, true); it runs while the
// main window's controls are made, laid out and first shown. Its result is
// taken where the start asked for the icon before, or when it is posted.
void CVelumixDlg::BeginTrayIconAdd() {
  if (g_trayIconAdded == 1 || m_trayIconAdd) return;
  FillTrayIconRecord(m_settings.m_camouflage);
  m_trayIconAdd.reset(::CreateThread(nullptr, 0, &CVelumixDlg::AddTrayIconInBackground, this, 0, nullptr));
  // Without a thread the icon goes up the usual way, when first needed.
  if (!m_trayIconAdd) ::DestroyIcon(m_nid.hIcon);
}

bool CVelumixDlg::FinishTrayIconAdd() {
  if (!m_trayIconAdd) return false;
  ::WaitForSingleObject(m_trayIconAdd.get(), INFINITE);
  m_trayIconAdd.reset();
  ::DestroyIcon(m_nid.hIcon);
  return m_trayIconAddResult;
}

void CVelumixDlg::RemoveTrayIcon() {
  FinishTrayIconAdd();
  if (!::Shell_NotifyIconA(NIM_DELETE, &m_nid)) g_pLog->Log("OnCancel: couldn't delete icon from the system tray\n");
}

BOOL CVelumixDlg::HideToTray(int mode) {
  if (g_trayIconAdded != 1) {
    // The shell may hold the icon although it reported the last add as failed.
    bool pending = static_cast<bool>(m_trayIconAdd);
    if (!(pending ? FinishTrayIconAdd() : AddTrayIcon(m_settings.m_camouflage, true))) {
      // The window stays where it is, and so does its list refresh: with no
      // icon there would be nothing to bring either back.
      g_pLog->Log(kTrayAddFailed);
      return FALSE;
    }
    g_trayIconAdded = 1;
  }
  if (mode == HIDE_MODE_STARTUP) return TRUE;
  // A window in the tray does not refresh its list.
  KillTimer(TIMER_REFRESH_LIST);
  ShowWindow(SW_HIDE);
  return TRUE;
}

// A new notification area knows no icon of ours; an old one that only
// repeated the announcement still holds it.
void CVelumixDlg::RestoreTrayIcon() {
  FinishTrayIconAdd();
  g_trayIconAdded = AddTrayIcon(m_settings.m_camouflage, true) ? 1 : 0;
  if (!g_trayIconAdded) g_pLog->Log(kTrayAddFailed);
}

// The flag says whether an icon is up after the switch: the lock relies on it.
void CVelumixDlg::ReplaceTrayIcon(int camouflage) {
  RemoveTrayIcon();
  g_trayIconAdded = AddTrayIcon(camouflage, true) ? 1 : 0;
  if (!g_trayIconAdded) g_pLog->Log("OnConfigure: couldn't like put it to system tray and stuff\n");
}

void CVelumixDlg::OnDestroy() {
  RemoveTrayIcon();
  g_trayIconAdded = 0;
  Default();
}

LRESULT CVelumixDlg::OnTrayNotify(WPARAM iconId, LPARAM mouseMessage) {
  // Read first: after a password prompt the menu still opens where the
  // click happened.
  POINT cursor{};
  ::GetCursorPos(&cursor);
  velumix::TrayMouse mouse = TrayMouseFor(mouseMessage);
  if (iconId == TRAY_ICON_ID && mouse != velumix::TrayMouse::Other &&
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
  m_trayMenuOpen = true;
  m_trayMenu.TrackPopupMenu(TPM_RIGHTALIGN, at.x, at.y, this);
  m_trayMenuOpen = false;
  // Posted, so that it runs after the menu's own command.
  if (MSG after = std::exchange(m_afterTrayMenu, MSG{}); after.message != 0) {
    PostMessage(after.message, after.wParam, after.lParam);
  }
}
