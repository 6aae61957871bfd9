#include "lock/lock_state.h"

namespace velumix {

std::int32_t g_passwordPromptOpen = 0;

bool LockState::Engage(LockHost& host) {
  // A lock the record does not know of, or whose password the settings do
  // not hold, ends with the process: the next start would take the windows
  // back unlocked.
  if (!host.PasswordStored()) {
    host.ShowMessage(kCannotLockUnstored, kOopsCaption);
    return false;
  }
  if (!host.RecordLock(true)) {
    host.ShowMessage(kCannotLockUnrecorded, kOopsCaption);
    return false;
  }
  if (!host.HideToTray()) {
    host.RecordLock(false);
    host.ShowMessage(kCannotLock, kOopsCaption);
    return false;
  }
  m_locked = 1;
  return true;
}

void LockState::OnLock(SettingsRecord& record, LockHost& host, SetPasswordPrompt& prompt) {
  if (locked()) return;
  if (host.DialogOpen()) {
    if (m_refusing) {
      host.BringDialogForward();
      return;
    }
    m_refusing = true;
    host.ShowMessage(kCannotLockNow, kOopsCaption);
    m_refusing = false;
    return;
  }
  if (!host.PasswordInForce().empty()) {
    Engage(host);
    return;
  }
  if (prompt.Run() == DialogResult::Cancel) return;
  while (prompt.password() != prompt.confirm()) {
    host.ShowMessage(kPasswordMistake, kOopsCaption);
    if (prompt.Run() == DialogResult::Cancel) return;
  }
  // The new password is the user's choice even if the lock cannot engage.
  record.m_password = prompt.password();
  record.m_passwordConfirm = record.m_password;
  host.StorePassword();
  Engage(host);
}

bool LockState::UnlockWithPassword(LockHost& host, UnlockPrompt& prompt) {
  g_passwordPromptOpen = 1;
  host.BringToFront();
  if (prompt.Run() == DialogResult::Cancel) {
    g_passwordPromptOpen = 0;
    return false;
  }
  while (prompt.password() != host.PasswordInForce()) {
    host.ShowMessage(kPasswordMistake, kOopsCaption);
    if (prompt.Run() == DialogResult::Cancel) {
      g_passwordPromptOpen = 0;
      return false;
    }
  }
  m_locked = 0;
  g_passwordPromptOpen = 0;
  host.BringToFront();
  return true;
}

void LockState::OnExit(LockHost& host) {
  if (host.DialogOpen()) {
    host.BringDialogForward();
    return;
  }
  for (;;) {
    if (!host.AnyHidden()) {
      host.EndProgram();
      return;
    }
    bool askedLocked = locked();
    if (host.Ask(askedLocked ? kExitLockedQuestion : kExitQuestion, kExitCaption) != Answer::Yes) return;
    // The question stayed open long enough for the lock to change: its answer
    // was to another question.
    if (locked() != askedLocked) continue;
    if (!askedLocked) host.ShowAll();
    host.EndProgram();
    return;
  }
}

}  // namespace velumix
