#include "ui/velumix_dlg_win.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "app/log/log_file_win.h"
#include "controls/about_dlg_win.h"
#include "framework/crash_guard.h"
#include "framework/winapp.h"
#include "resource.h"
#include "settings/app_profile_store_win.h"
#include "settings/hot_keys.h"

namespace {

// Created in this order at initialisation.
constexpr ButtonFaces kMainButtons[] = {
    {IDC_HIDE_ALL, IDB_HIDEALL_NORMAL, IDB_HIDEALL_HOVER, IDB_HIDEALL_PRESSED},
    {IDC_SHOW_ALL, IDB_SHOWALL_NORMAL, IDB_SHOWALL_HOVER, IDB_SHOWALL_PRESSED},
    {IDC_SET_PASSWORD, IDB_LOCK_NORMAL, IDB_LOCK_HOVER, IDB_LOCK_PRESSED},
    {IDC_EXIT, IDB_EXIT_NORMAL, IDB_EXIT_HOVER, IDB_EXIT_PRESSED},
    {IDC_CONFIGURE, IDB_CONFIGURE_NORMAL, IDB_CONFIGURE_HOVER, IDB_CONFIGURE_PRESSED},
    {IDOK, IDB_OK_NORMAL, IDB_OK_HOVER, IDB_OK_PRESSED},
};

struct ControlPlace {
  int id, x, y, width, height;
};

// Client pixels; moved in this order.
constexpr ControlPlace kLayout[] = {
    {IDC_WINDOW_LIST, 11, 28, 308, 117}, {IDOK, 230, 190, 89, 26},         {IDC_CONFIGURE, 119, 190, 89, 26},
    {IDC_EXIT, 11, 190, 89, 26},         {IDC_SET_PASSWORD, 230, 153, 89, 26}, {IDC_SHOW_ALL, 119, 153, 89, 26},
    {IDC_HIDE_ALL, 11, 153, 89, 26},
};

constexpr int kMainWidth = 335;
constexpr int kMainHeight = 253;

}  // namespace

BEGIN_MESSAGE_MAP(CVelumixDlg, fw::CDialog)
  ON_WM_SYSCOMMAND()
  ON_WM_PAINT()
  ON_WM_QUERYDRAGICON()
  ON_WM_SIZE()
  ON_WM_DESTROY()
  ON_WM_DRAWITEM()
  ON_WM_MEASUREITEM()
  ON_MESSAGE(WM_CONTEXTMENU, OnContextMenu)
  ON_BN_CLICKED(IDC_HIDE_ALL, HideAll)
  ON_BN_CLICKED(IDC_SHOW_ALL, ShowAll)
  ON_BN_CLICKED(IDC_EXIT, OnExit)
  ON_BN_CLICKED(IDC_SET_PASSWORD, OnLock)
  ON_BN_CLICKED(IDC_CONFIGURE, OnConfigure)
  ON_WM_TIMER()
  ON_LBN_SELCHANGE(IDC_WINDOW_LIST, OnWindowListSelChange)
  ON_MESSAGE(WM_TRAYNOTIFY, OnTrayNotify)
  ON_COMMAND_RANGE(ID_TRAY_WINDOW_FIRST, ID_TRAY_WINDOW_LAST, OnWindowCommand)
  ON_COMMAND(ID_TRAY_LOCK, OnLock)
  ON_COMMAND(ID_TRAY_HIDEALL, OnTrayHideAll)
  ON_COMMAND(ID_TRAY_SHOWALL, OnTrayShowAll)
  ON_COMMAND(ID_REFRESH_LIST, RefreshList)
  ON_MESSAGE(WM_HOTKEY, OnHotKey)
  ON_MESSAGE(WM_QUERYENDSESSION, OnQueryEndSession)
  ON_MESSAGE(WM_ENDSESSION, OnEndSession)
END_MESSAGE_MAP()

CVelumixDlg::CVelumixDlg(fw::CWnd* parent)
    : CDialog(IDD_VELUMIX_DIALOG, parent),
      m_journalStore(fw::RegistryProfile(fw::AfxGetApp()->m_registryKey, fw::AfxGetApp()->m_appName)) {
  m_hIcon = ::LoadIconA(fw::AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
  m_bmpHidden.LoadBitmap(IDB_BULB_HIDDEN);
  m_bmpShown.LoadBitmap(IDB_BULB_SHOWN);
  m_bmpPin.LoadBitmap(IDB_PIN);
  m_bmpPinSelected.LoadBitmap(IDB_PIN_SELECTED);
  velumix::AppProfileStore store;
  m_settings = velumix::LoadSettings(store);
  m_engine.SetKeepShown(&m_settings.m_keepShown);
}

CVelumixDlg::~CVelumixDlg() { fw::RemoveCrashGuard(); }

void CVelumixDlg::DoDataExchange(fw::CDataExchange* pDX) { fw::DDX_Control(pDX, IDC_WINDOW_LIST, m_list); }

BOOL CVelumixDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  RECT r = GetWindowRect();
  g_pLog->Log("**Main window** left=");
  g_pLog->LogNumber(r.left);
  g_pLog->Log(" top=");
  g_pLog->LogNumber(r.top);
  g_pLog->Log(" right=");
  g_pLog->LogNumber(r.right);
  g_pLog->Log(" bottom=");
  g_pLog->LogNumber(r.bottom);
  g_pLog->Log("\n");

  MoveWindow(r.left, r.top, kMainWidth, kMainHeight, TRUE);
  LayOutControls();
  m_engine.SetMainWindow(velumix::ToWindowId(m_hWnd));

  char about[64] = {};
  if (::LoadStringA(fw::AfxGetInstanceHandle(), IDS_ABOUTBOX, about, sizeof about) > 0) {
    if (HMENU sysMenu = GetSystemMenu(FALSE)) {
      ::AppendMenuA(sysMenu, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuA(sysMenu, MF_STRING, IDM_ABOUTBOX, about);
    }
  }

  // Small first: Wine's X11 driver converts every icon the window has at
  // each change, and before the big one is set there is only one.
  SetIcon(m_hIcon, FALSE);
  SetIcon(m_hIcon, TRUE);

  CreateImageButtons(this, kMainButtons, m_buttons);

  if (!m_trayMenu.CreatePopupMenu()) g_pLog->Log("Creating a tray menu failed");
  if (!m_trayMenu.AppendMenu(MF_STRING, IDCANCEL, "Exit")) g_pLog->Log("appending menu items failed");

  if (m_settings.m_startMinimized) SetTimer(TIMER_START_MINIMIZED, 1000);
  SetTimer(TIMER_REFRESH_LIST, kRefreshPeriodMs);
  SetTimer(TIMER_TAKE_BACK, kTakeBackPeriodMs);

  if (HMENU sysMenu = GetSystemMenu(FALSE)) {
    ::RemoveMenu(sysMenu, SC_SIZE, MF_BYCOMMAND);
    ::RemoveMenu(sysMenu, SC_RESTORE, MF_BYCOMMAND);
    ::RemoveMenu(sysMenu, SC_MAXIMIZE, MF_BYCOMMAND);
  }

  bool startLocked = AdoptAbandonedWindows();
  m_engine.FillTable();
  m_engine.FillList(m_list, g_pLog, velumix::kListInsertFailedAtStart);

  RegisterHotKeys();
  m_trayIcon.ListenForShellRestart();
  // An add still under way is taken up when its thread posts that it is done;
  // a locked start has taken it up already.
  if (!m_trayIcon.AddPending()) HideToTray(HIDE_MODE_STARTUP);
  if (startLocked) {
    m_stayInTray = true;
    HideToTray(HIDE_MODE_HIDE);
  } else {
    // The focus follows the window's first show: given now, it would
    // activate the hidden window, which loads the input method's COM
    // machinery before anything is on the screen.
    m_focusAfterShow = true;
  }
  fw::InstallCrashGuard(&CVelumixDlg::ShowHiddenBeforeDying, this);
  return startLocked ? TRUE : FALSE;
}

bool CVelumixDlg::AdoptAbandonedWindows() {
  m_engine.SetRecord(&m_journal);
  m_engine.SetOthers(&m_journal);
  std::vector<velumix::AbandonedJournal> found = m_journal.FindAbandoned();
  // What a locked run left comes back only behind the password, and so only
  // with an icon to unlock from; without one it waits for a later start.
  bool protect = !PasswordInForce().empty() &&
                 std::any_of(found.begin(), found.end(), [](const auto& j) { return j.LockedAway(); });
  bool canLock = protect && HideToTray(HIDE_MODE_STARTUP);
  // Recorded as locked before any of them is taken in.
  if (canLock) m_journal.SetLocked(true, m_engine.table());
  velumix::TakenBack taken = m_journal.TakeBack(m_engine.table(), found, !protect || canLock);
  m_engine.TakeStack(taken.stack);
  if (canLock && taken.fromLocked) m_lock.LockAtStart();
  NoteLockState();
  return m_lock.locked();
}

// A copy that ends while this one runs, or whose end was not yet known at
// this one's start, leaves its windows to this one.
void CVelumixDlg::TakeBackLate() {
  std::vector<velumix::AbandonedJournal> found = m_journal.FindAbandoned();
  if (found.empty()) {
    // Written again if it went from the registry since the last look.
    m_journal.Record(m_engine.table());
    return;
  }
  // Read now: another copy may have set the first password since this one
  // started.
  bool takeLocked = m_lock.locked() || PasswordInForce().empty();
  velumix::TakenBack taken = m_journal.TakeBack(m_engine.table(), found, takeLocked);
  m_engine.TakeStack(taken.stack);
  if (taken.windows > 0) m_engine.m_listChanged = 1;
}

void CVelumixDlg::NoteLockState() { m_journal.SetLocked(m_lock.locked(), m_engine.table()); }

void CVelumixDlg::ShowHiddenBeforeDying(void* dialog) {
  auto* self = static_cast<CVelumixDlg*>(dialog);
  if (self->m_lock.locked()) return;
  for (velumix::WindowId window : self->m_engine.HiddenToGiveBack()) {
    ::ShowWindowAsync(velumix::ToHwnd(window), SW_SHOWNA);
  }
}

LRESULT CVelumixDlg::OnQueryEndSession(WPARAM, LPARAM) { return TRUE; }

// The session ends without asking anyone: unlocked, the hidden windows come
// back so that their programs can be closed as usual; locked, they stay
// hidden and the journal gives them back at the next start.
LRESULT CVelumixDlg::OnEndSession(WPARAM ending, LPARAM) {
  if (ending && !m_lock.locked()) m_engine.ShowAll();
  return 0;
}

void CVelumixDlg::LayOutControls() {
  for (const ControlPlace& place : kLayout) {
    ::MoveWindow(GetDlgItem(place.id), place.x, place.y, place.width, place.height, TRUE);
  }
  // The background picture lies under every control and never paints over
  // one of them.
  if (HWND background = GetDlgItem(IDC_STATIC)) {
    ::SetWindowLongPtrA(background, GWL_STYLE, ::GetWindowLongPtrA(background, GWL_STYLE) | WS_CLIPSIBLINGS);
    ::SetWindowPos(background, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

LRESULT CVelumixDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  fw::InjectFaultIfAsked(message, wParam);
  // From the moment the window exists, while its controls are made.
  if (message == WM_CREATE) m_trayIcon.BeginAdd(m_hWnd, m_settings.m_camouflage != 0, WM_TRAY_ICON_ADDED);
  if (m_trayIcon.IsShellRestart(message)) {
    RestoreTrayIcon();
    return 0;
  }
  // While locked the main window stays in the tray whatever asks for it: a
  // restore or a show from another program, or the dialog manager's first
  // show of a locked start.
  const bool keepHidden = m_stayInTray || m_lock.locked();
  if (message == WM_WINDOWPOSCHANGING && keepHidden) {
    reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
  }
  // Not every show asks first: SWP_NOSENDCHANGING skips the message above,
  // and WS_VISIBLE set in the style from outside needs none. The style loses
  // it, and whatever became visible all the same is hidden again before it
  // is drawn.
  if (message == WM_STYLECHANGING && keepHidden && static_cast<int>(wParam) == GWL_STYLE) {
    reinterpret_cast<STYLESTRUCT*>(lParam)->styleNew &= ~static_cast<DWORD>(WS_VISIBLE);
  }
  if ((message == WM_WINDOWPOSCHANGED || message == WM_STYLECHANGED) && keepHidden && ::IsWindowVisible(m_hWnd)) {
    ::ShowWindow(m_hWnd, SW_HIDE);
  }
  if (message == WM_SHOWWINDOW && wParam && std::exchange(m_focusAfterShow, false)) {
    PostMessage(WM_FOCUS_FIRST_CONTROL, 0, 0);
  }
  if (message == WM_TRAY_ICON_ADDED) {
    if (m_trayIcon.AddPending()) HideToTray(HIDE_MODE_STARTUP);
    return 0;
  }
  if (message == WM_AFTER_TRAY_MENU) {
    // Another program may post it: never inside the menu's loop.
    if (m_menuOpen) return 0;
    m_afterTrayMenuPosted = false;
    m_afterTrayMenu.ReplayAll([this](const velumix::DeferredRequest& request) {
      SendMessage(request.message, request.wParam, request.lParam);
    });
    return 0;
  }
  if (message == WM_FOCUS_FIRST_CONTROL) {
    // Where the dialog manager puts it when initialisation asks it to,
    // unless the focus has gone somewhere since.
    HWND focus = ::GetFocus();
    HWND first = ::GetNextDlgTabItem(m_hWnd, nullptr, FALSE);
    if (first && (!focus || focus == m_hWnd)) ::SetFocus(first);
    return 0;
  }
  return CDialog::WindowProc(message, wParam, lParam);
}

void CVelumixDlg::OnSysCommand(UINT id, LPARAM) {
  if ((id & 0xFFF0) == IDM_ABOUTBOX) {
    // only another program can ask for it while locked: the menu is in the tray
    if (m_lock.locked()) return;
    if (DialogOpen()) {
      BringDialogForward();
      return;
    }
    CAboutDlg about;
    about.DoModal();
    return;
  }
  Default();
}

void CVelumixDlg::OnPaint() {
  if (!IsIconic()) {
    Default();
    return;
  }
  fw::PaintDC dc(m_hWnd);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
  int iconWidth = ::GetSystemMetrics(SM_CXICON);
  int iconHeight = ::GetSystemMetrics(SM_CYICON);
  RECT client = GetClientRect();
  int x = (client.right - client.left - iconWidth + 1) / 2;
  int y = (client.bottom - client.top - iconHeight + 1) / 2;
  ::DrawIcon(dc.get(), x, y, m_hIcon);
}

void CVelumixDlg::OnSize(UINT type, int, int) {
  Default();
  if (type == SIZE_MINIMIZED) HideToTray(HIDE_MODE_HIDE);
}

void CVelumixDlg::OnTimer(UINT_PTR id) {
  if (id == TIMER_START_MINIMIZED) {
    ShowWindow(SW_MINIMIZE);
    KillTimer(TIMER_START_MINIMIZED);
  } else if (id == TIMER_REFRESH_LIST) {
    RefreshList();
  } else if (id == TIMER_TAKE_BACK) {
    TakeBackLate();
  } else if (id == TIMER_CHECK_STACK) {
    if (!m_engine.CheckStack()) KillTimer(TIMER_CHECK_STACK);
  }
  Default();
}

void CVelumixDlg::OnOK() { HideToTray(HIDE_MODE_HIDE); }

void CVelumixDlg::OnCancel() { OnExit(); }

// The dialog's own confirm step ends it; the program ends with it.
void CVelumixDlg::EndProgram() { CDialog::OnOK(); }

bool CVelumixDlg::DialogOpen() const { return fw::OpenOwnedDialogs() > 0; }

void CVelumixDlg::BringDialogForward() {
  if (HWND front = fw::FrontOwnedDialog()) ::SetForegroundWindow(front);
}

bool CVelumixDlg::DeferPastTrayMenu(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!m_menuOpen && !m_afterTrayMenuPosted) return false;
  m_afterTrayMenu.Add({message, wParam, lParam});
  if (m_menuOpen) ::EndMenu();
  return true;
}

// While locked, the window operations are out of reach of the user; commands
// that reach the window all the same (posted by another program, or from a
// menu that outlived the lock) do nothing.
void CVelumixDlg::HideAll() { HideAllFrom(velumix::kNoWindow); }

void CVelumixDlg::OnTrayHideAll() { HideAllFrom(m_userWasInBeforeMenu); }

void CVelumixDlg::HideAllFrom(velumix::WindowId userWasIn) {
  if (m_lock.locked()) return;
  if (!m_engine.HideAll(userWasIn)) HideRefused();
  InvalidateRect(nullptr, FALSE);
}

void CVelumixDlg::ShowAll() { ShowAllFrom(false); }

void CVelumixDlg::OnTrayShowAll() { ShowAllFrom(true); }

void CVelumixDlg::ShowAllFrom(bool elsewhere) {
  if (m_lock.locked()) return;
  velumix::WindowId userWasIn = m_engine.ShowAll(elsewhere);
  CheckStackSoon();
  InvalidateRect(nullptr, FALSE);
  // The main window must not come up over a dialog that disables it.
  if (DialogOpen()) {
    BringDialogForward();
  } else if (userWasIn != velumix::kNoWindow) {
    m_windowSystem.Activate(userWasIn);
  } else {
    SetForegroundWindow();
  }
}

void CVelumixDlg::CheckStackSoon() {
  if (m_engine.StackCheckDue()) SetTimer(TIMER_CHECK_STACK, kStackCheckPeriodMs);
}

void CVelumixDlg::HideCurrent() {
  if (!m_engine.HideCurrent()) HideRefused();
}

void CVelumixDlg::HideRefused() {
  g_pLog->Log(velumix::kHideUnrecorded);
  if (m_hideRefusedShown) return;
  m_hideRefusedShown = true;
  // an open dialog like any other while it is up: nothing locks behind it
  MessageBox(velumix::kHideRefusedMessage, velumix::kOopsCaption, MB_OK | MB_ICONHAND);
  m_hideRefusedShown = false;
}

void CVelumixDlg::OnWindowListSelChange() {
  int selection = m_list.GetCurSel();
  m_list.SetCurSel(-1);
  if (m_lock.locked()) return;
  velumix::ToggleResult result = m_engine.ToggleEntry(selection, velumix::ShowCommand::ShowWithoutActivating);
  if (result == velumix::ToggleResult::Shown) {
    CheckStackSoon();
    SetForegroundWindow();
  }
  if (result == velumix::ToggleResult::Refused) HideRefused();
  m_engine.m_listChanged = 1;
  RefreshList();
}

void CVelumixDlg::OnWindowCommand(UINT id) {
  if (m_lock.locked()) return;
  if (m_engine.ToggleEntry(m_trayMenuModel.ResolveWindowCommand(m_engine.table(), id)) ==
      velumix::ToggleResult::Refused) {
    HideRefused();
  }
  m_engine.m_listChanged = 1;
  InvalidateRect(nullptr, FALSE);
}

void CVelumixDlg::RefreshList() { m_engine.RefreshList(m_list, g_pLog); }

LRESULT CVelumixDlg::OnHotKey(WPARAM id, LPARAM) {
  std::optional<velumix::HotKeyId> hotKey = velumix::DispatchedHotKey(static_cast<int>(id), m_lock.locked());
  if (!hotKey) return 1;
  switch (*hotKey) {
    case velumix::HOTKEY_SHOWALL: ShowAllFrom(true); break;
    case velumix::HOTKEY_LOCK: OnLock(); break;
    case velumix::HOTKEY_HIDECURRENT: HideCurrent(); break;
    case velumix::HOTKEY_HIDEALL: HideAllFrom(m_windowSystem.Foreground()); break;
  }
  return 1;
}
