// The main dialog: the program's one main window. It owns the window table,
// the settings, the lock and the tray icon, and receives every event that
// drives the program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "controls/image_button_win.h"
#include "core/hidden_journal.h"
#include "core/journal_store_win.h"
#include "core/window_engine.h"
#include "core/window_system_win.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "lock/lock_state.h"
#include "settings/settings_record.h"
#include "ui/deferred_requests.h"
#include "ui/tray_icon_win.h"
#include "ui/tray_menu.h"

constexpr UINT_PTR TIMER_START_MINIMIZED = 1;
constexpr UINT_PTR TIMER_REFRESH_LIST = 2;
// Looks for windows that a copy which has ended left hidden.
constexpr UINT_PTR TIMER_TAKE_BACK = 3;
// Checks the order that a show put the windows in, while checks are due.
constexpr UINT_PTR TIMER_CHECK_STACK = 4;
constexpr UINT kRefreshPeriodMs = 200;
// Time enough for a thread that answers to have carried out a show's requests.
constexpr UINT kStackCheckPeriodMs = 100;
constexpr UINT kTakeBackPeriodMs = 5000;

constexpr UINT WM_FOCUS_FIRST_CONTROL = WM_APP + 1;
// Posted by the start-up's icon add when the shell has answered it.
constexpr UINT WM_TRAY_ICON_ADDED = WM_APP + 2;
// Posted when the tray menu has closed with requests deferred past it.
constexpr UINT WM_AFTER_TRAY_MENU = WM_APP + 3;

// What HideToTray does besides putting up the icon.
enum HideMode : int {
  HIDE_MODE_HIDE = 5,     // hide the main window into the tray
  HIDE_MODE_STARTUP = 9,  // put up the icon only
};

// Set the first time the tray menu is asked for.
extern std::int32_t g_trayMenuShown;

// The list box, as the window engine sees it. A refill keeps the row
// scrolled to the top, the selection and the caret where they were, and the
// list is drawn once, when the refill ends.
class CWindowListBox : public fw::CListBox, public velumix::WindowList {
 public:
  void ResetContent() override;
  bool AddString(const char* text) override { return fw::CListBox::AddString(text) >= 0; }
  void EndRefill() override;

 private:
  int m_top = 0, m_selection = LB_ERR, m_caret = LB_ERR;
};

class CVelumixDlg : public fw::CDialog {
 public:
  explicit CVelumixDlg(fw::CWnd* parent = nullptr);
  ~CVelumixDlg() override;

  // Puts up the tray icon if needed and, in HIDE_MODE_HIDE, hides the main
  // window; FALSE when the icon cannot be put up, and the window stays.
  BOOL HideToTray(HideMode mode);

 protected:
  void DoDataExchange(fw::CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  void OnSysCommand(UINT id, LPARAM lParam);
  void OnPaint();
  HICON OnQueryDragIcon() { return m_hIcon; }
  void OnSize(UINT type, int cx, int cy);
  void OnDestroy();
  void OnDrawItem(int id, DRAWITEMSTRUCT* dis);
  void OnMeasureItem(int id, MEASUREITEMSTRUCT* mis);
  // A right-click on a row (or the menu key): that window's menu.
  LRESULT OnContextMenu(WPARAM window, LPARAM at);
  // The main window's buttons: the main window stays in front.
  void HideAll();
  void ShowAll();
  // Asked while the user works in another window: the tray menu, a hot key.
  // Show All gives the front back to the window the user worked in at the
  // hide, when it shows it.
  void OnTrayHideAll();
  void OnTrayShowAll();
  void HideAllFrom(velumix::WindowId userWasIn);
  void ShowAllFrom(bool elsewhere);
  void CheckStackSoon();
  void OnExit();
  void OnLock();
  void OnConfigure();
  void OnTimer(UINT_PTR id);
  void OnWindowListSelChange();
  LRESULT OnTrayNotify(WPARAM iconId, LPARAM mouseMessage);
  void OnWindowCommand(UINT id);
  void RefreshList();
  LRESULT OnHotKey(WPARAM id, LPARAM lParam);
  LRESULT OnQueryEndSession(WPARAM, LPARAM);
  LRESULT OnEndSession(WPARAM ending, LPARAM);

  DECLARE_MESSAGE_MAP()

 private:
  // How the lock and Configure reach this dialog.
  class LockHostAdapter;
  class ConfigureHostAdapter;

  void HideCurrent();
  // A hide that the journal could not record was not made: says so in the
  // log, and to the user unless that message is already up.
  void HideRefused();
  BOOL UnlockWithPassword();
  // Read from the settings at each decision that depends on it.
  const std::string& PasswordInForce();
  void RegisterHotKeys();
  void UnregisterHotKeys();
  // One of the program's dialogs or message boxes is open over the main
  // window: nothing that opens another one, locks or ends the program runs
  // behind it.
  bool DialogOpen() const;
  void BringDialogForward();
  // While the tray menu is up, a request that needs the menu gone closes it
  // and runs once it has closed, not nested in its loop; one that comes
  // before those have run waits behind them. True when deferred.
  bool DeferPastTrayMenu(UINT message, WPARAM wParam, LPARAM lParam);
  void RestoreFromTray();
  void ShowTrayMenu(POINT at);
  // Once a menu has closed, the requests deferred past it run, after the
  // menu's own command.
  void RunDeferredAfterMenu();
  // Changes the icon's picture after Configure changed the camouflage.
  void ReplaceTrayIcon(int camouflage);
  // After the notification area announced it came (back) up.
  void RestoreTrayIcon();
  void EndProgram();
  void LayOutControls();
  // Takes back the windows that earlier runs left hidden when they ended
  // without giving them back; true when they are behind the password.
  bool AdoptAbandonedWindows();
  void TakeBackLate();
  void NoteLockState();
  // The last thing a dying process does: gives back what it holds hidden,
  // unless it is locked, but nothing another copy holds behind its lock.
  static void ShowHiddenBeforeDying(void* dialog);

  CWindowListBox m_list;
  CTrayIcon m_trayIcon;
  fw::CMenu m_trayMenu;
  velumix::Win32WindowSystem m_windowSystem;
  velumix::WindowEngine m_engine{m_windowSystem};
  velumix::RegistryJournalStore m_journalStore;
  velumix::Win32Processes m_processes;
  velumix::JournalKeeper m_journal{m_journalStore, m_processes, m_windowSystem};
  velumix::TrayMenuModel m_trayMenuModel;
  fw::CBitmap m_bmpHidden;
  fw::CBitmap m_bmpShown;
  // The mark of a row whose window Hide All leaves shown, on either background.
  fw::CBitmap m_bmpPin;
  fw::CBitmap m_bmpPinSelected;
  velumix::SettingsRecord m_settings;
  velumix::LockState m_lock;
  HICON m_hIcon = nullptr;  // shared resource icon, not owned
  std::unique_ptr<CImageButton> m_buttons[6];
  // The tray menu or a row's menu is up.
  bool m_menuOpen = false;
  bool m_hideRefusedShown = false;
  // A start that is locked keeps the main window in the tray from the first.
  bool m_stayInTray = false;
  // An unlocked start gives the focus after the main window's first show.
  bool m_focusAfterShow = false;
  // The foreground window when the tray menu opened.
  velumix::WindowId m_userWasInBeforeMenu = velumix::kNoWindow;
  // The requests deferred past the tray menu, in the order they came, and
  // whether WM_AFTER_TRAY_MENU is on its way to run them.
  velumix::DeferredRequests m_afterTrayMenu;
  bool m_afterTrayMenuPosted = false;
};
