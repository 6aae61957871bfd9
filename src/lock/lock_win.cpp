#include "lock/lock_win.h"

#include "lock/password_dlgs_win.h"

namespace velumix {

void LockWithPassword(LockState& lock, SettingsRecord& record, LockHost& host, fw::CWnd* owner) {
  CSetPasswordDlg prompt(owner);
  lock.OnLock(record, host, prompt);
}

bool UnlockWithPassword(LockState& lock, LockHost& host, fw::CWnd* owner) {
  CUnlockDlg prompt(owner);
  return lock.UnlockWithPassword(host, prompt);
}

}  // namespace velumix
