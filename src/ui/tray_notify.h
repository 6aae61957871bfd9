// What a mouse notification from the tray icon leads to.
#pragma once

namespace velumix {

// The id the program gives its one notification icon.
inline constexpr unsigned TRAY_ICON_ID = 5;

enum class TrayMouse { DoubleClick, RightButtonUp, Other };
enum class TrayAction { None, RestoreWindow, OpenMenu, BringDialogForward };

struct TrayState {
  bool locked = false;
  bool promptOpen = false;  // the unlock prompt opened from the tray
  bool dialogOpen = false;  // any other dialog or message box of the program
};

// Nothing happens while the unlock prompt is open. While another dialog of
// the program is open, the icon only brings it forward: nothing may open
// behind it. While locked, a double-click or right-button release on the
// program's icon asks for the password first (`unlock`, true when the right
// one was given) and goes on only after it.
template <typename Unlock>
TrayAction DecideTrayAction(unsigned iconId, TrayMouse mouse, TrayState state, Unlock&& unlock) {
  if (state.promptOpen || iconId != TRAY_ICON_ID || mouse == TrayMouse::Other) return TrayAction::None;
  if (state.dialogOpen) return TrayAction::BringDialogForward;
  if (state.locked && !unlock()) return TrayAction::None;
  return mouse == TrayMouse::DoubleClick ? TrayAction::RestoreWindow : TrayAction::OpenMenu;
}

}  // namespace velumix
