// What a mouse notification from the tray icon leads to.
#pragma once

namespace velumix {

inline constexpr unsigned kTrayIconId = 5;

enum class TrayMouse { DoubleClick, RightButtonUp, Other };
enum class TrayAction { None, RestoreWindow, OpenMenu };

// Nothing happens while the unlock prompt is open. While locked, a
// double-click or right-button release on the program's icon asks for the
// password first (`unlock`, true when the right one was given) and goes on
// only after it.
template <typename Unlock>
TrayAction DecideTrayAction(unsigned iconId, TrayMouse mouse, bool locked, bool promptOpen, Unlock&& unlock) {
  if (promptOpen) return TrayAction::None;
  if (locked && iconId == kTrayIconId && mouse != TrayMouse::Other && !unlock()) return TrayAction::None;
  if (iconId != kTrayIconId) return TrayAction::None;
  switch (mouse) {
    case TrayMouse::DoubleClick:
      return TrayAction::RestoreWindow;
    case TrayMouse::RightButtonUp:
      return TrayAction::OpenMenu;
    default:
      return TrayAction::None;
  }
}

}  // namespace velumix
