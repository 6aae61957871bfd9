"""vxtool's owner mode: ordinary top-level windows of another process, which it opens,
changes and reports on as the commands file tells it."""

import os
from dataclasses import dataclass, field
from typing import List, Optional

from .errors import HarnessError
from .records import Rect, _int
from .text import _unescape, ansi_encode, in_code_page, unix_to_windows
from .waiting import wait_until


@dataclass
class OwnedWindow:
    index: int
    hwnd: int
    visible: bool
    iconic: bool
    zoomed: bool
    rect: Rect
    normal_rect: Rect
    show_cmd: int
    foreground: bool
    tray: bool
    tray_events: List[int]
    hotkeys: int
    last_hotkey: int
    title: str
    edit_text: str

    @classmethod
    def parse(cls, f):
        return cls(int(f[1]), _int(f[2]), f[3] == "1", f[4] == "1", f[5] == "1",
                   Rect(*map(int, f[6:10])), Rect(*map(int, f[10:14])), int(f[14]), f[15] == "1",
                   f[16] == "1", [] if f[17] == "-" else [_int(x) for x in f[17].split(",")],
                   int(f[18]), int(f[19]), f[20], f[21])


@dataclass
class OwnerStatus:
    pid: int
    seq: int
    done: int            # command lines executed so far
    state: str           # run / quit
    error: str           # from the last command, if it failed
    windows: List[OwnedWindow] = field(default_factory=list)

    def window(self, index) -> Optional[OwnedWindow]:
        for w in self.windows:
            if w.index == index:
                return w
        return None


class OwnedWindows:
    """Ordinary top-level windows owned by a vxtool process. Windows are numbered from 1
    in order of creation (--title order, then "open"); numbers are never reused."""

    def __init__(self, desk, titles=(), count=0, title_format=None, name="owner", timeout=20.0, vxtool=None):
        self.desk = desk
        self.dir = desk.mkdtemp("owner-")
        self.status_path = os.path.join(self.dir, "status.txt")
        self.commands_path = os.path.join(self.dir, "commands.txt")
        open(self.commands_path, "wb").close()
        self.lines = 0
        args = ["owner", "--status", unix_to_windows(self.status_path),
                "--commands", unix_to_windows(self.commands_path)]
        for t in titles:
            args += ["--title", t] if in_code_page(t) else ["--title-utf8", t.encode("utf-8").hex()]
        if count:
            args += ["--count", count]
            if title_format is not None:
                args += ["--title-format", title_format]
        expected = len(titles) + count
        for attempt in (1, 2):
            self.proc = desk.run(vxtool or desk.vxtool, args, cwd=self.dir, name=name)
            try:
                self.wait_status(lambda s: len(s.windows) == expected and all(w.visible for w in s.windows),
                                 timeout=timeout, stable=1, what=f"{expected} owner windows")
                break
            except HarnessError:
                # a start lost before vxtool's main ran (as in WineDesktop.vx) is tried once more
                if attempt == 2 or self.proc.returncode != 1 or self.proc.output() or self.status():
                    raise

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def status(self) -> Optional[OwnerStatus]:
        try:
            with open(self.status_path, "rb") as f:
                raw = f.read()
        except FileNotFoundError:
            return None
        if not raw.endswith(b"end\n"):
            return None
        lines = [[_unescape(x) for x in line.split(b"\t")] for line in raw.split(b"\n") if line]
        head = lines[0]
        st = OwnerStatus(int(head[1]), int(head[2]), int(head[3]), head[4], head[5])
        st.windows = [OwnedWindow.parse(f) for f in lines[1:] if f[0] == "win"]
        return st

    def wait_status(self, pred, timeout=10.0, stable=2, what=None) -> OwnerStatus:
        def check():
            if not self.proc.alive():
                raise HarnessError(f"owner process exited ({self.proc.returncode}): {self.proc.output()}")
            s = self.status()
            return s if s is not None and pred(s) else None
        return wait_until(check, timeout=timeout, stable=stable, what=what or "owner status")

    def retitle(self, i, title):
        """Renames window i; a title beyond the ANSI code page goes as the hex of its UTF-8,
        which no command line or command file carries whole."""
        return self.command(f"retitle {i} {title}" if in_code_page(title)
                            else f"retitle-utf8 {i} {title.encode('utf-8').hex()}")

    def command(self, line, wait=True, timeout=10.0) -> Optional[OwnerStatus]:
        """Send one command (open T, close I, retitle I T, retitle-every I MS FORMAT (the
        window renames itself every MS ms, %d counting up; MS 0 stops), show/hide/minimize/
        maximize/restore/activate I, showcmd I N, move I X Y W H, type I TEXT, listbox I [STYLE],
        additem I TEXT, select I N, trayicon I [TIP], untray I, hotkey I ID MODS VK,
        unhotkey I ID, quit; openthread T opens a window on a thread of its own, which
        stall I stops answering until wake I). With wait, returns the first status after
        it ran."""
        data = ansi_encode(line.rstrip("\n")) + b"\n"
        with open(self.commands_path, "ab") as f:
            f.write(data)
        self.lines += 1
        if not wait:
            return None
        n = self.lines
        st = self.wait_status(lambda s: s.done >= n, timeout=timeout, stable=1, what=f"command {line!r}")
        if st.error and st.done == n:
            raise HarnessError(f"owner command {line!r} failed: {st.error}")
        return st

    def window(self, index) -> Optional[OwnedWindow]:
        s = self.status()
        return s.window(index) if s else None

    def hwnd(self, index) -> int:
        w = self.window(index)
        if w is None:
            raise HarnessError(f"owner has no window {index}")
        return w.hwnd

    def stop(self, timeout=5.0):
        if self.proc.alive():
            try:
                self.command("quit", wait=False)
                self.proc.wait(timeout)
            except (TimeoutError, OSError):
                pass
        self.proc.kill()
