// The lock's Win32 side: the two password dialogs, owned by `owner`, in
// front of the lock's decisions.
#pragma once

#include "framework/wnd.h"
#include "lock/lock_state.h"
#include "settings/settings_record.h"

namespace velumix {

// Locks with the stored password, or asks for a first one with the Set
// Password dialog.
void LockWithPassword(LockState& lock, SettingsRecord& record, LockHost& host, fw::CWnd* owner);
// Asks with the Password Required dialog until the password is right (true)
// or the user cancels.
bool UnlockWithPassword(LockState& lock, LockHost& host, fw::CWnd* owner);

}  // namespace velumix
