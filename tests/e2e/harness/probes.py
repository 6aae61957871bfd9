"""What vxtool tells of windows: records of windows and controls, menus, list boxes,
tooltips, the screen; and messages and texts sent to windows of other processes."""

import subprocess
import tempfile
from typing import List, Optional, Tuple

from .errors import VxError
from .processes import _popen_pids
from .records import (Child, Foreground, ListBox, ListItem, ListWatch, MenuItem, PopupItem, Rect, Tool, Window,
                      _int)
from .text import _arg, _unescape, in_code_page, utf8_field
from .waiting import wait_until
from .win32 import SC_ABOUTWINE


class VxProbes:
    """WineDesktop's vxtool commands; each run is a new vxtool process in the desktop. A
    mixin; uses the desktop's vxtool and env."""

    def vx(self, *args, check=True, timeout=30.0):
        """Run a vxtool command; returns its records (lists of str fields)."""
        code, stdout, stderr = self._vx_once(args, timeout)
        if code == 1 and not stdout and not stderr:
            # vxtool never fails without a word: this start was lost before its main ran
            # (seen now and then under load); nothing was done, so once more
            code, stdout, stderr = self._vx_once(args, timeout)
        if check and code != 0:
            msg = stderr.decode("utf-8", "replace").strip().splitlines()
            raise VxError(code, msg[-1] if msg else "", args)
        return [[_unescape(f) for f in line.split(b"\t")] for line in stdout.split(b"\n") if line]

    def _vx_once(self, args, timeout):
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            p = subprocess.Popen([self.wine, self.vxtool] + [_arg(a) for a in args], env=self.env,
                                 stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                 start_new_session=True)
            _popen_pids.add(p.pid)
            try:
                code = p.wait(timeout)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
                raise VxError(-9, f"timed out after {timeout}s", args) from None
            finally:
                if p.returncode is not None:
                    _popen_pids.discard(p.pid)
            out.seek(0)
            err.seek(0)
            return code, out.read(), err.read()

    def _vx_or_none(self, *args):
        try:
            return self.vx(*args)
        except VxError as e:
            if e.code == 3:
                return None
            raise

    def windows(self) -> List[Window]:
        """Every top-level window, in Z-order (top first)."""
        return [Window.parse(f) for f in self.vx("list") if f[0] == "win"]

    def find_windows(self, title=None, cls=None) -> List[Window]:
        args = ["find"] + (["--class", cls] if cls is not None else []) + ([title] if title is not None else [])
        recs = self._vx_or_none(*args) or []
        return [Window.parse(f) for f in recs if f[0] == "win"]

    def find_window(self, title=None, timeout=10.0, cls=None, visible=None, pid=None) -> Window:
        """Wait for a top-level window with exactly this title (and class, visibility, pid)."""
        def look():
            for w in self.find_windows(title, cls):
                if (visible is None or w.visible == visible) and (pid is None or w.pid == pid):
                    return w
            return None
        try:
            return wait_until(look, timeout=timeout, stable=1, what=f"window {title!r}")
        except TimeoutError:
            titles = [w.title for w in self.windows() if w.title]
            raise TimeoutError(f"no window titled {title!r} (class {cls!r}) within {timeout}s; "
                               f"titled windows now: {titles!r}") from None

    def is_window(self, hwnd) -> bool:
        return self._vx_or_none("rect", hex(hwnd)) is not None

    def window_info(self, hwnd) -> Optional[Window]:
        """The window plus its placement and client area; None if it is gone. Under Wine 8
        GetWindowPlacement of another process's window gives the right showCmd but the
        current rect as normal_rect (a minimized or maximized window's normal position
        is only known to its own process)."""
        recs = self._vx_or_none("info", hex(hwnd))
        if recs is None:
            return None
        w = Window.parse(recs[0])
        for f in recs[1:]:
            if f[0] == "placement":
                w.show_cmd = int(f[1])
                w.normal_rect = Rect(*map(int, f[3:7]))
            elif f[0] == "client":
                w.client_size = (int(f[1]), int(f[2]))
                w.client_origin = (int(f[3]), int(f[4]))
        return w

    def children(self, hwnd, all=False) -> List[Child]:
        args = ["children", hex(hwnd)] + (["--all"] if all else [])
        return [Child.parse(f) for f in self.vx(*args) if f[0] == "child"]

    def foreground(self) -> Foreground:
        f = self.vx("foreground")[0]
        return Foreground(_int(f[1]), int(f[2]), _int(f[3]), _int(f[4]), _int(f[5]), f[6])

    def post(self, hwnd, msg, wparam=0, lparam=0):
        self.vx("post", hex(hwnd), msg, wparam, lparam)

    def notify_at_once(self, hwnd, messages):
        """(msg, wparam, lparam) sent in order without waiting (SendNotifyMessage, as a
        notification area sends its callbacks): the window takes all of them in the one
        call that finds the first."""
        self.vx("notify", hex(hwnd), *(part for message in messages for part in message))

    def send(self, hwnd, msg, wparam=0, lparam=0) -> int:
        return int(self.vx("send", hex(hwnd), msg, wparam, lparam)[0][1])

    def show_window(self, hwnd, cmd):
        """ShowWindow from another process (vxtool's)."""
        self.vx("showwindow", hex(hwnd), cmd)

    def set_window_pos(self, hwnd, flags, after=0):
        """SetWindowPos from outside with these SWP_ flags, below `after` (0: at the top)."""
        self.vx("setpos", hex(hwnd), flags, *([hex(after)] if after else []))

    def set_style(self, hwnd, style) -> int:
        """The window's style set from outside; the style it had."""
        return int(self.vx("setstyle", hex(hwnd), style)[0][1], 16)

    def set_foreground(self, hwnd) -> bool:
        try:
            self.vx("setforeground", hex(hwnd))
            return True
        except VxError:
            return False

    def get_text(self, hwnd) -> str:
        """WM_GETTEXT, so it works for controls of other processes."""
        return self.vx("gettext", hex(hwnd))[0][1]

    def set_text(self, hwnd, text):
        """WM_SETTEXT; text beyond the ANSI code page goes as UTF-16, which no command line
        would carry whole, and a half of a surrogate pair alone as the UTF-16 units
        themselves, which no UTF-8 holds."""
        if in_code_page(text):
            args = [text]
        elif any(0xD800 <= ord(c) <= 0xDFFF for c in text):
            args = ["--utf16", text.encode("utf-16-le", "surrogatepass").hex()]
        else:
            args = ["--utf8", text.encode("utf-8").hex()]
        self.vx("settext", hex(hwnd), *args)

    def listbox(self, hwnd) -> ListBox:
        recs = self.vx("listbox", hex(hwnd))
        head = recs[0]
        items = [ListItem(int(f[1]), int(f[2]), f[3] == "1", _int(f[4]), utf8_field(f[5]))
                 for f in recs[1:] if f[0] == "item"]
        return ListBox(int(head[1]), int(head[2]), int(head[3]), int(head[4]), _int(head[5]), items)

    def watch_showing(self, cls, title, ms) -> "ShowWatch":
        """One vxtool process, ready when this returns, that waits for the window of class
        `cls` titled `title` and looks every few ms, for `ms` ms, whether it is visible: a
        window shown for a moment is seen however slowly processes start."""
        proc = self.run(self.vxtool, ["showwatch", cls, title, ms], name="showwatch")
        wait_until(lambda: "ready" in proc.output(), timeout=30, stable=1, what="the show watcher ready")
        return ShowWatch(proc, ms)

    def listbox_watch(self, hwnd, ms, every=10) -> ListWatch:
        """The texts a list box showed while one vxtool process looked at it every `every`
        ms for `ms` ms: how often it looks does not depend on how fast processes start."""
        recs = self.vx("listwatch", hex(hwnd), ms, every, timeout=ms / 1000 + 30)
        end = recs[-1]
        return ListWatch({utf8_field(f[2]): int(f[1]) for f in recs if f[0] == "seen"}, int(end[1]), int(end[2]))

    def _menu(self, *args):
        return [MenuItem(int(f[1]), int(f[2]), f[3], _int(f[4]), utf8_field(f[5]))
                for f in self.vx(*args) if f[0] == "item"]

    def sysmenu(self, hwnd, inject=True, wine_items=False) -> List[MenuItem]:
        """System menu items, in order, separators included.

        Wine 8 keeps menus inside the owning process: GetSystemMenu on another process's
        window returns NULL (inject=False then raises VxError code 4). With inject, vxtool
        maps itself into the window's process and reads the menu there on a remote
        thread. Item states are as stored: the system updates grey-outs only when the menu
        opens. Wine puts a separator and "&About Wine" after Close in every system menu;
        those two are left out unless wine_items."""
        items = self._menu("sysmenu", hex(hwnd), *(["--inject"] if inject else []))
        if not wine_items:
            for i, item in enumerate(items):
                if item.id == SC_ABOUTWINE:
                    drop = {i, i - 1} if i and items[i - 1].kind == "separator" else {i}
                    items = [it for j, it in enumerate(items) if j not in drop]
                    break
            items = [it._replace(position=j) for j, it in enumerate(items)]
        return items

    def popup_menu_items(self, hwnd) -> List[PopupItem]:
        """The items of an open popup menu window (class #32768) with their screen
        rectangles, read inside the process that tracks the menu (MN_GETHMENU there)."""
        return [PopupItem(int(f[1]), int(f[2]), f[3], _int(f[4]), utf8_field(f[5]), Rect(*map(int, f[6:10])))
                for f in self.vx("popupmenu", hex(hwnd)) if f[0] == "item"]

    def tooltips(self, hwnd) -> List[Tool]:
        """The tools of a tooltip control of any process, with their texts."""
        return [Tool(int(f[1]), _int(f[2]), _int(f[3]), _int(f[4]), Rect(*map(int, f[5:9])), f[9])
                for f in self.vx("tooltips", hex(hwnd)) if f[0] == "tool"]

    def register_message(self, name) -> int:
        """RegisterWindowMessage(name): the same number in every process of the desktop."""
        return int(self.vx("regmsg", name)[0][1])

    def set_prop(self, hwnd, name, value):
        """SetProp from another process (vxtool's), on any window."""
        self.vx("setprop", hex(hwnd), name, value)

    def draw_item(self, hwnd, ctl_type, ctl_id, item, item_hwnd) -> Optional[int]:
        """A forged WM_DRAWITEM sent from another process; its result, or None when no
        answer came."""
        recs = self.vx("drawitem", hex(hwnd), ctl_type, ctl_id, item, hex(item_hwnd), check=False)
        return int(recs[0][1]) if recs else None

    def notify_icon_delete(self, hwnd, icon_id):
        """Shell_NotifyIcon(NIM_DELETE) for another program's icon."""
        self.vx("notifydelete", hex(hwnd), icon_id)

    def menu(self, hwnd) -> List[MenuItem]:
        """Menu bar items; like sysmenu without inject, this fails across processes under Wine."""
        return self._menu("menu", hex(hwnd))

    def cursor(self) -> Tuple[int, int]:
        f = self.vx("cursor")[0]
        return int(f[1]), int(f[2])

    def screen(self) -> dict:
        f = self.vx("screen")[0]
        return {"size": (int(f[1]), int(f[2])), "work_area": Rect(*map(int, f[3:7])),
                "acp": int(f[7]), "oemcp": int(f[8]), "small_icon": (int(f[9]), int(f[10]))}


class ShowWatch:
    def __init__(self, proc, ms):
        self._proc, self._ms = proc, ms

    def changes(self) -> List[Tuple[bool, int]]:
        """(visible, ms from when the window was found) at each change, once it has ended."""
        code = self._proc.wait(self._ms / 1000 + 30)
        if code != 0:
            raise VxError(code, self._proc.output().strip(), ["showwatch"])
        lines = [line.split("\t") for line in self._proc.output().splitlines()]
        return [(f[0] == "shown", int(f[1])) for f in lines if f[0] in ("shown", "hidden")]
