// The four global hot keys and what each one runs.
#pragma once

namespace velumix {

enum HotKeyId : int { HOTKEY_SHOWALL = 1, HOTKEY_LOCK = 2, HOTKEY_HIDECURRENT = 3, HOTKEY_HIDEALL = 4 };

enum class HotKeyAction { None, ShowAll, Lock, HideCurrent, HideAll };

// While the program is locked every hot key is ignored, the lock key too.
constexpr HotKeyAction HotKeyActionFor(int id, bool locked) {
  if (locked) return HotKeyAction::None;
  switch (id) {
    case HOTKEY_SHOWALL: return HotKeyAction::ShowAll;
    case HOTKEY_LOCK: return HotKeyAction::Lock;
    case HOTKEY_HIDECURRENT: return HotKeyAction::HideCurrent;
    case HOTKEY_HIDEALL: return HotKeyAction::HideAll;
    default: return HotKeyAction::None;
  }
}

}  // namespace velumix
