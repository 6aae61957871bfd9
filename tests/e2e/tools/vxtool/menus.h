// The commands that read menus: a window's system menu and menu bar, and the
// items of an open popup menu. Wine keeps menus in the owning process, so the
// system menu and popup menus of another process are read from inside it.
#pragma once

#include <windows.h>

namespace vxtool {

// sysmenu HWND [--inject]
int CmdSysMenu(HWND window, bool inject);
// menu HWND: the menu bar.
int CmdMenu(HWND window);
// popupmenu HWND: the items of a popup menu window (class #32768), each with
// its screen rectangle.
int CmdPopupMenu(HWND popup);
// windowicons HWND: "icons BIG SMALL SAME", 1 when the window has a big icon,
// a small one, and when the two are one; asked from inside its process.
int CmdWindowIcons(HWND window);

}  // namespace vxtool
