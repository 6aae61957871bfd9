"""Explorer's taskbar and its notification area, as the tests see them."""

from typing import List, Optional, Tuple

from .records import Rect, TaskbarButton, Window
from .waiting import wait_until


class Taskbar:
    """WineDesktop's view of the taskbar, through vxtool and screenshots. A mixin; uses the
    desktop's probes and screenshot()."""

    def tray_window(self) -> Optional[Window]:
        """Explorer's taskbar (class Shell_TrayWnd). Wine shows it, with the notification
        area at its right end, only while at least one notification icon exists. A stand-in
        window of the same class (a 1 x 1 fake notification area) is passed over."""
        ws = self.find_windows(cls="Shell_TrayWnd")
        return max(ws, key=lambda w: w.rect.width) if ws else None

    def tray_visible(self) -> bool:
        w = self.tray_window()
        return bool(w and w.visible and w.rect.width > 0)

    def tray_icon_position(self, index=0, timeout=5.0) -> Tuple[int, int]:
        """Centre of notification icon `index` in screen coordinates. Wine lays the icons
        out right to left in order of addition (index 0 = the oldest, rightmost), each
        slot the small-icon size plus 2 px on every side, the row filling the taskbar."""
        tray = wait_until(lambda: self.tray_visible() and self.tray_window(), timeout=timeout,
                          stable=1, what="the notification area")
        cx = self.screen()["small_icon"][0] + 4
        return tray.rect.right - cx * index - cx // 2, (tray.rect.top + tray.rect.bottom) // 2

    def tray_tip(self, index=0) -> Optional[str]:
        """The tip text explorer holds for notification icon `index`: the tooltip tool of
        the taskbar whose rectangle holds that icon's slot (explorer keeps tools of removed
        icons around with empty rectangles). None when no tool covers the slot."""
        tray = self.tray_window()
        if not tray:
            return None
        x, y = self.tray_icon_position(index)
        x, y = x - tray.rect.left, y - tray.rect.top
        for tt in self.find_windows(cls="tooltips_class32"):
            if tt.pid != tray.pid:
                continue
            for tool in self.tooltips(tt.hwnd):
                if tool.hwnd == tray.hwnd and tool.rect.contains(x, y):
                    return tool.text
        return None

    def tray_icon_count(self, shot=None) -> int:
        """Icons drawn in the notification area, counted from the right until a slot is
        plain taskbar background. 0 when the taskbar is hidden."""
        tray = self.tray_window()
        if not tray or not tray.visible or tray.rect.width <= 0:
            return 0
        shot = shot or self.screenshot()
        cx = self.screen()["small_icon"][0] + 4
        r = tray.rect
        background = shot.pixel(r.right - 1, r.top + 1)
        n = 0
        while r.right - cx * (n + 1) >= r.left:
            slot = (r.right - cx * (n + 1) + 2, r.top + 2, r.right - cx * n - 2, r.bottom - 2)
            if shot.colors(slot) <= {background}:
                break
            n += 1
        return n

    def taskbar_buttons(self) -> List[TaskbarButton]:
        """Wine's taskbar keeps one button per top-level window, its control id the window
        handle. A hidden window's button is hidden (poll: the taskbar follows with a lag),
        and so are the buttons that do not fit."""
        tray = self.tray_window()
        if not tray:
            return []
        out = []
        for c in self.children(tray.hwnd):
            if c.cls == "Button" and c.id != 0:
                rect = Rect(c.rect.left + tray.rect.left, c.rect.top + tray.rect.top,
                            c.rect.right + tray.rect.left, c.rect.bottom + tray.rect.top)
                out.append(TaskbarButton(c.id, c.visible, rect))
        return out
