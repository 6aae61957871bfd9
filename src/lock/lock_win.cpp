// Locking, unlocking and exit, on the main dialog.
#include "app/prompts.h"
#include "lock/lock_state.h"
#include "lock/password_dlgs_win.h"
#include "resource.h"
#include "settings/app_profile_store_win.h"
#include "ui/velumix_dlg_win.h"

class MainDialogLockHost final : public velumix::LockHost {
 public:
  explicit MainDialogLockHost(CVelumixDlg& dlg) : m_dlg(dlg) {}

  bool HideToTray() override { return m_dlg.HideToTray(HIDE_MODE_HIDE) != FALSE; }
  // Owned by the dialog in front, if one is open, so that it comes up over it.
  void ShowMessage(const char* text, const char* caption) override {
    HWND owner = fw::FrontOwnedDialog();
    fw::OwnedDialogScope open;
    ::MessageBoxA(owner ? owner : m_dlg.m_hWnd, text, caption, MB_OK | MB_ICONHAND);
  }
  velumix::Answer Ask(const char* text, const char* caption) override {
    return m_dlg.MessageBox(text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES ? velumix::Answer::Yes
                                                                                 : velumix::Answer::No;
  }
  void StorePassword() override {
    velumix::AppProfileStore store;
    velumix::StorePassword(store, m_dlg.m_settings);
  }
  void BringToFront() override { m_dlg.SetForegroundWindow(); }
  bool AnyHidden() override { return m_dlg.m_engine.AnyHidden(); }
  void ShowAll() override { m_dlg.ShowAll(); }
  void EndProgram() override { m_dlg.EndProgram(); }
  bool DialogOpen() override { return m_dlg.DialogOpen(); }
  void BringDialogForward() override { m_dlg.BringDialogForward(); }

 private:
  CVelumixDlg& m_dlg;
};

void CVelumixDlg::OnLock() {
  if (DeferPastTrayMenu(WM_COMMAND, ID_TRAY_LOCK, 0)) return;
  MainDialogLockHost host(*this);
  CSetPasswordDlg prompt(this);
  m_lock.OnLock(m_settings, host, prompt);
  NoteLockState();
}

BOOL CVelumixDlg::UnlockWithPassword() {
  MainDialogLockHost host(*this);
  CUnlockDlg prompt(this);
  BOOL unlocked = m_lock.UnlockWithPassword(m_settings, host, prompt);
  NoteLockState();
  return unlocked;
}

void CVelumixDlg::OnExit() {
  if (DeferPastTrayMenu(WM_COMMAND, IDCANCEL, 0)) return;
  MainDialogLockHost host(*this);
  m_lock.OnExit(host);
}
