// The password lock and the exit confirmation. Locking puts the main window
// into the tray; while locked the hot keys do nothing and the tray icon asks
// for the password first. The lock is never stored: every start is unlocked.
#pragma once

#include <cstdint>
#include <string>

#include "controls/prompts.h"
#include "settings/settings_record.h"

namespace velumix {

// 1 while the unlock prompt opened from the tray is up; every tray
// notification is ignored meanwhile.
extern std::int32_t g_passwordPromptOpen;

inline constexpr char kExitCaption[] = "Exit Velumix?";
inline constexpr char kExitLockedQuestion[] =
    "The program is locked! By Exiting, currently hidden windows will remain hidden. Proceed?";
inline constexpr char kExitQuestion[] = "By Exiting, currently hidden windows will be unhidden. Proceed?";
inline constexpr char kCannotLock[] =
    "The program cannot be locked: its icon could not be put into the system tray, so the main "
    "window would stay open. Nothing was locked.";
inline constexpr char kCannotLockUnrecorded[] =
    "The program cannot be locked: the lock could not be noted in the registry, so after a crash the next "
    "start would give the hidden windows back without the password. Nothing was locked.";
inline constexpr char kCannotLockUnstored[] =
    "The program cannot be locked: the password could not be stored in the registry, so after a crash the next "
    "start would give the hidden windows back without it. Nothing was locked.";
inline constexpr char kCannotLockNow[] =
    "Velumix is not locked: one of its windows is open. Close it first, then lock again.";

// The Set Password dialog: a new password typed twice. Shown again, it
// keeps the previous entries.
class SetPasswordPrompt {
 public:
  virtual ~SetPasswordPrompt() = default;
  virtual DialogResult Run() = 0;
  virtual const std::string& password() const = 0;
  virtual const std::string& confirm() const = 0;
};

// The Password Required dialog.
class UnlockPrompt {
 public:
  virtual ~UnlockPrompt() = default;
  virtual DialogResult Run() = 0;
  virtual const std::string& password() const = 0;
};

class LockHost {
 public:
  virtual ~LockHost() = default;
  // Puts the main window into the tray; false when the icon cannot be put up
  // and the window stays on screen.
  virtual bool HideToTray() = 0;
  // Notes in the record of hidden windows that they are, or no longer are,
  // behind the password; false when that could not be recorded.
  virtual bool RecordLock(bool locked) = 0;
  virtual void ShowMessage(const char* text, const char* caption) = 0;
  virtual Answer Ask(const char* text, const char* caption) = 0;
  virtual void StorePassword() = 0;
  // The password in force is the one the settings hold, which the next start
  // reads.
  virtual bool PasswordStored() = 0;
  // The password as it stands now: another copy of the program may have set,
  // changed or cleared it since this one started.
  virtual const std::string& PasswordInForce() = 0;
  virtual void BringToFront() = 0;
  virtual bool AnyHidden() = 0;
  virtual void ShowAll() = 0;
  virtual void EndProgram() = 0;
  // True while one of the program's dialogs or message boxes is open; the
  // lock and the exit never run behind one.
  virtual bool DialogOpen() = 0;
  virtual void BringDialogForward() = 0;
};

class LockState {
 public:
  bool locked() const { return m_locked != 0; }

  // Locks with the stored password, or asks for a first one. The lock is
  // engaged only once the main window is in the tray, and never while a
  // dialog of the program is open: it would stay on screen, usable, behind
  // the lock.
  void OnLock(SettingsRecord& record, LockHost& host, SetPasswordPrompt& prompt);
  // Asks for the password until it is right (true) or the user cancels;
  // each entry is held against the password in force when it comes back.
  bool UnlockWithPassword(LockHost& host, UnlockPrompt& prompt);
  // Ends the program, asking first when windows are hidden; unlocked, the
  // hidden windows are shown before the end. The answer counts only for the
  // lock state it was asked under.
  void OnExit(LockHost& host);
  // A start that takes back what a locked run left hidden comes up locked.
  void LockAtStart() { m_locked = 1; }

 private:
  bool Engage(LockHost& host);

  std::int32_t m_locked = 0;

  bool m_refusing = false;  // the message that refuses a lock is up
};

}  // namespace velumix
