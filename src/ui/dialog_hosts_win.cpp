// The main dialog's lock, exit and Configure commands, and the hosts through
// which the lock and the configuration reach the dialog.
#include "controls/prompts.h"
#include "lock/lock_state.h"
#include "lock/lock_win.h"
#include "resource.h"
#include "settings/app_profile_store_win.h"
#include "settings/configure_flow.h"
#include "settings/configure_win.h"
#include "ui/velumix_dlg_win.h"

class CVelumixDlg::LockHostAdapter final : public velumix::LockHost {
 public:
  explicit LockHostAdapter(CVelumixDlg& dlg) : m_dlg(dlg) {}

  bool HideToTray() override { return m_dlg.HideToTray(HIDE_MODE_HIDE) != FALSE; }
  bool RecordLock(bool locked) override { return m_dlg.m_journal.SetLocked(locked, m_dlg.m_engine.table()); }
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
  bool PasswordStored() override {
    velumix::AppProfileStore store;
    return velumix::PasswordIsStored(store, m_dlg.m_settings);
  }
  void StorePassword() override {
    velumix::AppProfileStore store;
    velumix::StorePassword(store, m_dlg.m_settings);
  }
  const std::string& PasswordInForce() override { return m_dlg.PasswordInForce(); }
  void BringToFront() override { m_dlg.SetForegroundWindow(); }
  bool AnyHidden() override { return m_dlg.m_engine.AnyHidden(); }
  void ShowAll() override { m_dlg.ShowAll(); }
  void EndProgram() override { m_dlg.EndProgram(); }
  bool DialogOpen() override { return m_dlg.DialogOpen(); }
  void BringDialogForward() override { m_dlg.BringDialogForward(); }

 private:
  CVelumixDlg& m_dlg;
};

class CVelumixDlg::ConfigureHostAdapter final : public velumix::ConfigureHost {
 public:
  explicit ConfigureHostAdapter(CVelumixDlg& dlg) : m_dlg(dlg) {}

  void UnregisterHotKeys() override { m_dlg.UnregisterHotKeys(); }
  void RegisterHotKeys() override { m_dlg.RegisterHotKeys(); }
  void ShowPasswordMistake() override {
    m_dlg.MessageBox(velumix::kPasswordMistake, velumix::kOopsCaption, MB_OK | MB_ICONHAND);
  }
  void ReplaceTrayIcon(int camouflage) override { m_dlg.ReplaceTrayIcon(camouflage); }
  void StoreAllSettings() override {
    velumix::AppProfileStore store;
    velumix::StoreAllSettings(store, m_dlg.m_settings);
  }

 private:
  CVelumixDlg& m_dlg;
};

void CVelumixDlg::OnLock() {
  if (DeferPastTrayMenu(WM_COMMAND, ID_TRAY_LOCK, 0)) return;
  LockHostAdapter host(*this);
  velumix::LockWithPassword(m_lock, m_settings, host, this);
  NoteLockState();
}

BOOL CVelumixDlg::UnlockWithPassword() {
  LockHostAdapter host(*this);
  BOOL unlocked = velumix::UnlockWithPassword(m_lock, host, this);
  NoteLockState();
  return unlocked;
}

void CVelumixDlg::OnExit() {
  if (DeferPastTrayMenu(WM_COMMAND, IDCANCEL, 0)) return;
  LockHostAdapter host(*this);
  m_lock.OnExit(host);
}

void CVelumixDlg::OnConfigure() {
  if (DeferPastTrayMenu(WM_COMMAND, IDC_CONFIGURE, 0)) return;
  // A second configuration behind the first would register the hot keys
  // while the first is open, and the first would register them over again.
  if (DialogOpen() || m_lock.locked()) {
    BringDialogForward();
    return;
  }
  // The dialog shows the password in force, so that its OK does not put
  // back one that another copy has changed since.
  PasswordInForce();
  ConfigureHostAdapter host(*this);
  velumix::ConfigureWithDialog(m_settings, host, this);
}

const std::string& CVelumixDlg::PasswordInForce() {
  velumix::AppProfileStore store;
  return velumix::PasswordInForce(store, m_settings);
}

void CVelumixDlg::RegisterHotKeys() { velumix::RegisterHotKeys(m_hWnd, m_settings); }

void CVelumixDlg::UnregisterHotKeys() { velumix::UnregisterHotKeys(m_hWnd); }
