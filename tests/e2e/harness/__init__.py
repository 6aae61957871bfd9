"""End-to-end harness: Windows programs under Wine, in a virtual desktop on a private Xvfb.

One WineDesktop owns an Xvfb server, a fresh Wine prefix and its wineserver. Programs
started through it are tracked by their Unix pid (under Wine that is the Windows
process itself) and killed by that pid; close() also runs `wineserver -k` for the
private prefix and removes it (VELUMIX_E2E_KEEP=1 keeps it).

Windows are probed with vxtool.exe (tests/e2e/tools). Window text is ANSI: this package
hands it out as str decoded with the prefix's code page (1252) and encodes str back the
same way, so a str title of N characters is N bytes on the Windows side.

Where things are: desktop (WineDesktop: Xvfb, prefix, wineserver, programs), probes
(the vxtool commands), taskbar, input (xdotool), screenshot, registry, owner (vxtool's
owner-mode windows), processes (WinProcess, reaping Wine's helpers), records (what
vxtool prints, parsed), text (ANSI and escapes), waiting (wait_until, holds_for), win32 and wine
(constants), errors. Everything is imported from here: `import harness as H`.
"""

# The underscored names are helpers that callers of the one-file harness could reach;
# they stay reachable here under the same names.
from .desktop import WineDesktop
from .errors import HarnessError, VxError
from .owner import OwnedWindow, OwnedWindows, OwnerStatus
from .processes import WinProcess, _become_subreaper, _popen_pids, _reap_orphans
from .records import (Child, Foreground, ListBox, ListItem, MenuItem, PopupItem, Rect, TaskbarButton, Tool,
                      Window, _int)
from .screenshot import Screenshot
from .text import _arg, _unescape, ansi_decode, ansi_encode, unix_to_windows
from .waiting import holds_for, wait_until
from .win32 import (MOD_ALT, MOD_CONTROL, MOD_SHIFT, MOD_WIN, SC_ABOUTWINE, SC_CLOSE, SC_MAXIMIZE, SC_MINIMIZE,
                    SC_RESTORE, SW_HIDE, SW_MINIMIZE, SW_RESTORE, SW_SHOW, SW_SHOWMAXIMIZED, SW_SHOWMINIMIZED,
                    SW_SHOWNORMAL, WM_CLOSE, WM_COMMAND, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN, WM_LBUTTONUP,
                    WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_SYSCOMMAND)
from .wine import DROP_WRITE_CAPS, WINE, WINESERVER, runs_32bit

__all__ = [
    "WineDesktop", "WinProcess", "OwnedWindows", "OwnedWindow", "OwnerStatus", "Screenshot",
    "HarnessError", "VxError",
    "Rect", "Window", "Child", "ListItem", "ListBox", "MenuItem", "PopupItem", "Tool", "Foreground",
    "TaskbarButton",
    "ansi_decode", "ansi_encode", "unix_to_windows", "wait_until", "holds_for",
    "WINE", "WINESERVER", "DROP_WRITE_CAPS", "runs_32bit",
    "SW_HIDE", "SW_SHOWNORMAL", "SW_SHOWMINIMIZED", "SW_SHOWMAXIMIZED", "SW_SHOW", "SW_MINIMIZE", "SW_RESTORE",
    "WM_CLOSE", "WM_COMMAND", "WM_SYSCOMMAND", "SC_MINIMIZE", "SC_MAXIMIZE", "SC_CLOSE", "SC_RESTORE",
    "SC_ABOUTWINE", "WM_MOUSEMOVE", "WM_LBUTTONDOWN", "WM_LBUTTONUP", "WM_LBUTTONDBLCLK", "WM_RBUTTONDOWN",
    "WM_RBUTTONUP", "MOD_ALT", "MOD_CONTROL", "MOD_SHIFT", "MOD_WIN",
]
