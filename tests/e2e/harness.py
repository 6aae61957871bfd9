"""End-to-end harness: Windows programs under Wine, in a virtual desktop on a private Xvfb.

One WineDesktop owns an Xvfb server, a fresh Wine prefix and its wineserver. Programs
started through it are tracked by their Unix pid (under Wine that is the Windows
process itself) and killed by that pid; close() also runs `wineserver -k` for the
private prefix and removes it (VELUMIX_E2E_KEEP=1 keeps it).

Windows are probed with vxtool.exe (tests/e2e/tools). Window text is ANSI: this module
hands it out as str decoded with the prefix's code page (1252) and encodes str back the
same way, so a str title of N characters is N bytes on the Windows side.
"""

import os
import re
import select
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import zlib
from dataclasses import dataclass, field
from typing import List, NamedTuple, Optional, Tuple

WINE = os.environ.get("VELUMIX_E2E_WINE", "/usr/lib/wine/wine64")
WINESERVER = os.environ.get("VELUMIX_E2E_WINESERVER", "/usr/lib/wine/wineserver64")
# Without these capabilities root honours directory permissions, so a chmod 555 working
# directory really is read-only. Wine creates files in the wineserver, so the server
# runs this way too.
DROP_WRITE_CAPS = ["setpriv", "--inh-caps=-all", "--bounding-set=-dac_override,-dac_read_search"]

SW_HIDE, SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED = 0, 1, 2, 3
SW_SHOW, SW_MINIMIZE, SW_RESTORE = 5, 6, 9
WM_CLOSE, WM_COMMAND, WM_SYSCOMMAND = 0x0010, 0x0111, 0x0112
SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE, SC_RESTORE = 0xF020, 0xF030, 0xF060, 0xF120
SC_ABOUTWINE = 0xF141  # Wine's own system menu item
WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK = 0x200, 0x201, 0x202, 0x203
WM_RBUTTONDOWN, WM_RBUTTONUP = 0x204, 0x205
MOD_ALT, MOD_CONTROL, MOD_SHIFT, MOD_WIN = 1, 2, 4, 8


class HarnessError(Exception):
    pass


class VxError(HarnessError):
    """vxtool failed: code 1 failure, 2 usage, 3 nothing found, 4 not supported."""

    def __init__(self, code, message, args=()):
        super().__init__(f"vxtool {' '.join(map(str, args))}: exit {code}: {message}")
        self.code = code
        self.message = message


# ---------------------------------------------------------------------------
# ANSI text (code page 1252; its five unassigned bytes map to U+0081 and friends,
# as Wine and Windows do)

_DECODE = []
for _b in range(256):
    try:
        _DECODE.append(bytes([_b]).decode("cp1252"))
    except UnicodeDecodeError:
        _DECODE.append(chr(_b))
_ENCODE = {c: b for b, c in enumerate(_DECODE)}


def ansi_decode(data: bytes) -> str:
    return "".join(_DECODE[b] for b in data)


def ansi_encode(text) -> bytes:
    if isinstance(text, (bytes, bytearray)):
        return bytes(text)
    try:
        return bytes(_ENCODE[c] for c in text)
    except KeyError as e:
        raise ValueError(f"{text!r} has a character outside code page 1252: {e}") from None


def _arg(a) -> bytes:
    """A command-line argument for a Wine program: Wine reads argv as UTF-8 (we run it
    under C.UTF-8) and hands it to the program in the ANSI code page."""
    if isinstance(a, (bytes, bytearray)):
        a = ansi_decode(a)
    elif not isinstance(a, str):
        a = str(a)
    ansi_encode(a)  # refuses what cannot arrive intact
    return a.encode("utf-8")


_ESC = {b"\\": "\\", b"t": "\t", b"n": "\n", b"r": "\r", b"0": "\0"}


def _unescape(raw: bytes) -> str:
    out, i = [], 0
    while i < len(raw):
        j = raw.find(b"\\", i)
        if j < 0 or j + 1 >= len(raw):
            out.append(ansi_decode(raw[i:]))
            break
        out.append(ansi_decode(raw[i:j]))
        out.append(_ESC.get(raw[j + 1:j + 2], ansi_decode(raw[j:j + 2])))
        i = j + 2
    return "".join(out)


def unix_to_windows(path) -> str:
    """Wine's Z: drive is the Unix root."""
    return "Z:" + os.path.abspath(str(path)).replace("/", "\\")


# ---------------------------------------------------------------------------
# waiting


def wait_until(predicate, timeout=10.0, interval=0.1, stable=2, what=None):
    """Poll until predicate() is truthy `stable` times in a row; return its last value.

    Raises TimeoutError naming `what` (or the predicate) with the last value seen."""
    deadline = time.monotonic() + timeout
    hits, last = 0, None
    while True:
        last = predicate()
        hits = hits + 1 if last else 0
        if hits >= stable:
            return last
        if time.monotonic() >= deadline:
            name = what or getattr(predicate, "__name__", "condition")
            raise TimeoutError(f"timed out after {timeout:.1f}s waiting for {name} (last: {last!r})")
        time.sleep(interval)


# ---------------------------------------------------------------------------
# records


class Rect(NamedTuple):
    left: int
    top: int
    right: int
    bottom: int

    @property
    def width(self):
        return self.right - self.left

    @property
    def height(self):
        return self.bottom - self.top

    @property
    def center(self):
        return ((self.left + self.right) // 2, (self.top + self.bottom) // 2)

    def contains(self, x, y):
        return self.left <= x < self.right and self.top <= y < self.bottom


def _int(s):
    return int(s, 0)


@dataclass
class Window:
    hwnd: int
    pid: int
    tid: int
    visible: bool
    iconic: bool
    zoomed: bool
    enabled: bool
    rect: Rect
    style: int
    exstyle: int
    owner: int
    parent: int
    cls: str
    title: str
    # filled by window_info()
    show_cmd: Optional[int] = None
    normal_rect: Optional[Rect] = None
    client_size: Optional[Tuple[int, int]] = None
    client_origin: Optional[Tuple[int, int]] = None

    @classmethod
    def parse(cls, f):
        return cls(_int(f[1]), int(f[2]), int(f[3]), f[4] == "1", f[5] == "1", f[6] == "1",
                   f[7] == "1", Rect(*map(int, f[8:12])), _int(f[12]), _int(f[13]),
                   _int(f[14]), _int(f[15]), f[16], f[17])


@dataclass
class Child:
    hwnd: int
    id: int
    cls: str
    rect: Rect          # in the parent's client coordinates
    style: int
    exstyle: int
    visible: bool
    enabled: bool
    parent: int
    text: str

    @classmethod
    def parse(cls, f):
        return cls(_int(f[1]), int(f[2]), f[3], Rect(*map(int, f[4:8])), _int(f[8]), _int(f[9]),
                   f[10] == "1", f[11] == "1", _int(f[12]), f[13])


class ListItem(NamedTuple):
    index: int
    length: int
    selected: bool
    data: int
    text: str


class ListBox(NamedTuple):
    count: int
    selection: int
    top: int
    caret: int
    style: int
    items: List[ListItem]

    @property
    def texts(self):
        return [i.text for i in self.items]


class MenuItem(NamedTuple):
    position: int
    id: int
    kind: str       # item, separator, popup
    state: int
    text: str


class PopupItem(NamedTuple):
    position: int
    id: int
    kind: str       # item, separator, popup
    state: int      # MF_CHECKED 0x8, MF_GRAYED 0x1, MF_DISABLED 0x2
    text: str
    rect: Rect      # screen coordinates

    @property
    def checked(self):
        return bool(self.state & 0x8)


class Tool(NamedTuple):
    index: int
    hwnd: int
    id: int
    flags: int
    rect: Rect      # in the client coordinates of hwnd
    text: str


class Foreground(NamedTuple):
    hwnd: int
    pid: int
    active: int
    focus: int
    capture: int
    title: str


class TaskbarButton(NamedTuple):
    hwnd: int       # the window the button stands for
    visible: bool
    rect: Rect      # screen coordinates


# ---------------------------------------------------------------------------
# screenshots


class Screenshot:
    def __init__(self, width, height, rgb: bytes):
        self.width, self.height, self.rgb = width, height, rgb

    @classmethod
    def from_ppm(cls, data: bytes):
        m = re.match(rb"P6\s+(?:#[^\n]*\s+)*(\d+)\s+(\d+)\s+(\d+)\s", data)
        if not m or m.group(3) != b"255":
            raise HarnessError("unexpected screenshot format")
        w, h = int(m.group(1)), int(m.group(2))
        rgb = data[m.end():m.end() + w * h * 3]
        if len(rgb) != w * h * 3:
            raise HarnessError("short screenshot")
        return cls(w, h, rgb)

    def pixel(self, x, y) -> Tuple[int, int, int]:
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError(f"pixel {x},{y} outside {self.width}x{self.height}")
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def count_color(self, rect, color, tolerance=0) -> int:
        l, t, r, b = rect
        l, t = max(l, 0), max(t, 0)
        r, b = min(r, self.width), min(b, self.height)
        cr, cg, cb = color
        n = 0
        for y in range(t, b):
            row = self.rgb[(y * self.width + l) * 3:(y * self.width + r) * 3]
            for i in range(0, len(row), 3):
                if (abs(row[i] - cr) <= tolerance and abs(row[i + 1] - cg) <= tolerance
                        and abs(row[i + 2] - cb) <= tolerance):
                    n += 1
        return n

    def region_has_color(self, rect, color, tolerance=0) -> bool:
        return self.count_color(rect, color, tolerance) > 0

    def colors(self, rect):
        """Set of colours in rect (l, t, r, b)."""
        l, t, r, b = rect
        out = set()
        for y in range(max(t, 0), min(b, self.height)):
            row = self.rgb[(y * self.width + l) * 3:(y * self.width + r) * 3]
            out.update(tuple(row[i:i + 3]) for i in range(0, len(row), 3))
        return out

    def save_png(self, path):
        rows = b"".join(b"\0" + self.rgb[y * self.width * 3:(y + 1) * self.width * 3]
                        for y in range(self.height))

        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body
                    + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

        png = (b"\x89PNG\r\n\x1a\n"
               + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
               + chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        with open(path, "wb") as f:
            f.write(png)
        return path


# ---------------------------------------------------------------------------
# processes


class WinProcess:
    """A Windows program we started; pid is its Unix pid, which under Wine is the
    Windows process itself (wine64 execs into it)."""

    def __init__(self, desk, popen, name, log_path, tag):
        self.desk, self.popen, self.name, self.log_path, self.tag = desk, popen, name, log_path, tag
        self.pid = popen.pid
        self._winpid = None

    def __repr__(self):
        return f"<WinProcess {self.name} pid={self.pid} alive={self.alive()}>"

    def alive(self) -> bool:
        return self.popen.poll() is None

    @property
    def returncode(self):
        return self.popen.poll()

    def wait(self, timeout=10.0) -> int:
        """Exit code (Windows exit codes arrive modulo 256); TimeoutError if still running."""
        try:
            return self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise TimeoutError(f"{self.name} (pid {self.pid}) still running after {timeout}s") from None

    def kill(self):
        if self.popen.poll() is None:
            try:
                os.kill(self.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            try:
                self.popen.wait(10)
            except subprocess.TimeoutExpired:
                pass

    @property
    def winpid(self) -> int:
        """The Windows process id, found by the tag we put in its environment."""
        if self._winpid is None:
            def find():
                for f in self.desk.vx("procs"):
                    if f[0] == "proc" and f[5] == self.tag:
                        return int(f[1])
                return None
            self._winpid = wait_until(find, timeout=10, stable=1, what=f"Windows pid of {self.name}")
        return self._winpid

    def output(self) -> str:
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""


# ---------------------------------------------------------------------------
# the desktop

_subreaper = False


def _become_subreaper():
    """Wine's helper processes outlive the program that spawned them; as a subreaper we
    get them back as children instead of leaving zombies with init."""
    global _subreaper
    if _subreaper:
        return
    try:
        import ctypes
        libc = ctypes.CDLL(None, use_errno=True)
        _subreaper = libc.prctl(36, 1, 0, 0, 0) == 0  # PR_SET_CHILD_SUBREAPER
    except (OSError, AttributeError):
        pass


_popen_pids = set()  # children that a Popen object will reap itself


def _reap_orphans():
    """Reap the zombies of adopted Wine processes, leaving our Popen children alone."""
    if not _subreaper:
        return
    me = str(os.getpid())
    for d in os.listdir("/proc"):
        if not d.isdigit() or int(d) in _popen_pids:
            continue
        try:
            with open(f"/proc/{d}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except (OSError, IndexError):
            continue
        if fields[0] == "Z" and fields[1] == me:
            try:
                os.waitpid(int(d), os.WNOHANG)
            except ChildProcessError:
                pass


class WineDesktop:
    """Xvfb + private prefix + Wine virtual desktop. Use as a context manager."""

    def __init__(self, vxtool, width=1024, height=768, artifacts=None, keep=None):
        self.vxtool = os.path.abspath(str(vxtool))
        self.width, self.height = width, height
        self.keep = os.environ.get("VELUMIX_E2E_KEEP") == "1" if keep is None else keep
        self.root = tempfile.mkdtemp(prefix="velumix-e2e-")
        self.artifacts = os.path.abspath(str(artifacts)) if artifacts else os.path.join(self.root, "artifacts")
        self.prefix = os.path.join(self.root, "prefix")
        self.display = None
        self.env = None
        self.desktop_xid = None
        self.timings = {}
        self._xvfb = None
        self._server = None
        self._keeper = None
        self._server_dir = None
        self._procs = []
        self._seq = 0
        self._logs = []
        self._closed = False

    # -- life cycle --------------------------------------------------------

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def start(self):
        t0 = time.monotonic()
        missing = [t for t in (WINE, WINESERVER, "Xvfb", "xdotool", "xwininfo", "import", "setpriv")
                   if not shutil.which(t)]
        if missing:
            raise HarnessError(f"missing tools: {' '.join(missing)} (wine64, xvfb, xdotool, "
                               "x11-utils, imagemagick, util-linux)")
        if not os.path.exists(self.vxtool):
            raise HarnessError(f"no vxtool at {self.vxtool}")
        _become_subreaper()
        self._start_xvfb()
        home = os.path.join(self.root, "home")
        os.makedirs(home)
        os.makedirs(self.prefix, mode=0o700)
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("WINE") and k not in ("DISPLAY", "XAUTHORITY", "LANGUAGE")
               and not k.startswith("LC_") and not k.startswith("XDG_")}
        env.update({
            "DISPLAY": self.display,
            "WINEPREFIX": self.prefix,
            "WINEARCH": "win64",
            "WINESERVER": WINESERVER,
            "WINEDEBUG": os.environ.get("VELUMIX_E2E_WINEDEBUG", "-all"),
            "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
            "HOME": home,
            "XDG_CONFIG_HOME": os.path.join(home, ".config"),
            "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
            "XDG_CACHE_HOME": os.path.join(home, ".cache"),
            "LANG": "C.UTF-8",
            "LC_ALL": "C.UTF-8",
        })
        self.env = env
        self._seed_registry()
        self._start_wineserver()
        t1 = time.monotonic()
        # not a pipe: the services wineboot leaves running would hold it open
        boot = self.run("wineboot", ["-i"], name="wineboot")
        code = boot.wait(180)
        if code != 0:
            raise HarnessError(f"wineboot failed ({code}): {boot.output()}")
        self.timings["wineboot"] = time.monotonic() - t1
        for key, name, value in self._desktop_settings():
            if (self.reg_query(key) or {}).get(name, (None, None))[1] != value:
                raise HarnessError(f"prefix lacks {key}\\{name} = {value!r}")
        t2 = time.monotonic()
        self._start_keeper()
        self.desktop_xid = wait_until(self._find_desktop_xwindow, timeout=30, stable=1,
                                      what="the Wine desktop X window")
        wait_until(lambda: self.tray_window() is not None, timeout=30, stable=1,
                   what="the taskbar window (Shell_TrayWnd)")
        screen = self.screen()
        if screen["size"] != (self.width, self.height):
            raise HarnessError(f"desktop is {screen['size']}, wanted {self.width}x{self.height}")
        # keyboard input goes to the X focus; give it to the desktop window
        self._xdo("windowfocus", str(self.desktop_xid))
        self.timings["desktop"] = time.monotonic() - t2
        self.timings["start"] = time.monotonic() - t0

    def _desktop_settings(self):
        # every program runs inside one virtual desktop; no crash dialogs
        return [(r"HKCU\Software\Wine\Explorer", "Desktop", "Default"),
                (r"HKCU\Software\Wine\Explorer\Desktops", "Default", f"{self.width}x{self.height}"),
                (r"HKCU\Software\Wine\WineDbg", "ShowCrashDialog", 0)]

    def _seed_registry(self):
        """Write the settings into the empty prefix's user.reg before anything runs:
        wineboot keeps them, and the desktop it brings up is already the virtual one."""
        lines = ["WINE REGISTRY Version 2", r";; All keys relative to \\User\\S-1-5-21-0-0-0-1000",
                 "", "#arch=win64", ""]
        for key, name, value in self._desktop_settings():
            sub = key.split("\\", 1)[1].replace("\\", "\\\\")
            data = f"dword:{value:08x}" if isinstance(value, int) else f'"{value}"'
            lines += [f"[{sub}] 1700000000", f'"{name}"={data}', ""]
        with open(os.path.join(self.prefix, "user.reg"), "w") as f:
            f.write("\n".join(lines))

    def _start_keeper(self):
        """Explorer closes the desktop a few seconds after its last GUI client is gone, and
        bringing it back costs 10 s or more (and new window handles); a windowless vxtool
        owner holds it open for the whole session."""
        status = os.path.join(self.root, "keeper-status.txt")
        self._keeper = self.run(self.vxtool, ["owner", "--status", unix_to_windows(status)], name="keeper")
        self._procs.remove(self._keeper)  # not one of the programs kill_processes() is for
        wait_until(lambda: os.path.exists(status) or not self._keeper.alive(), timeout=30,
                   stable=1, what="the keeper process")
        if not self._keeper.alive():
            raise HarnessError(f"keeper exited: {self._keeper.output()}")

    def check(self):
        """Between tests: the keeper still runs (restarted if not) and the desktop is there."""
        if not self._keeper.alive():
            self._start_keeper()
        self.desktop_xid = wait_until(self._find_desktop_xwindow, timeout=30, stable=1,
                                      what="the Wine desktop X window")

    def _start_xvfb(self):
        r, w = os.pipe()
        log = self._log_file("xvfb")
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", f"{self.width}x{self.height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(w,), stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
        _popen_pids.add(self._xvfb.pid)
        os.close(w)
        buf = b""
        deadline = time.monotonic() + 20
        try:
            while not buf.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or self._xvfb.poll() is not None:
                    raise HarnessError("Xvfb did not start")
                ready, _, _ = select.select([r], [], [], left)
                if ready:
                    chunk = os.read(r, 64)
                    if not chunk:
                        raise HarnessError("Xvfb did not report a display")
                    buf += chunk
        finally:
            os.close(r)
        self.display = ":" + buf.decode().strip()

    def _server_ready(self):
        # the server works in its socket's directory (which Debian's Wine puts under a
        # random /tmp/wine-XXXXXX)
        try:
            d = os.readlink(f"/proc/{self._server.pid}/cwd")
        except OSError:
            return False
        if os.path.exists(os.path.join(d, "socket")):
            self._server_dir = d
            return True
        return False

    def _start_wineserver(self):
        log = self._log_file("wineserver")
        self._server = subprocess.Popen(DROP_WRITE_CAPS + [WINESERVER, "-f", "-p"], env=self.env,
                                        stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                        start_new_session=True)
        _popen_pids.add(self._server.pid)
        wait_until(lambda: self._server_ready() or self._server.poll() is not None,
                   timeout=20, stable=1, what="wineserver socket")
        if self._server.poll() is not None:
            raise HarnessError("wineserver exited at start")

    def _find_desktop_xwindow(self):
        out = subprocess.run(["xwininfo", "-root", "-children"], env=self.env, capture_output=True,
                             timeout=10).stdout.decode("utf-8", "replace")
        for line in out.splitlines():
            m = re.match(r'\s*(0x[0-9a-f]+) "[^"]*Wine desktop": .*?(\d+)x(\d+)\+0\+0', line)
            if m and (int(m.group(2)), int(m.group(3))) == (self.width, self.height):
                return int(m.group(1), 16)
        return None

    def _log_file(self, name):
        d = os.path.join(self.artifacts, "logs")
        os.makedirs(d, exist_ok=True)
        f = open(os.path.join(d, f"{name}.log"), "ab")
        self._logs.append(f)
        return f

    def close(self):
        """Kill what we started, by pid; stop the prefix's wineserver and Xvfb; remove the prefix."""
        if self._closed:
            return
        self._closed = True
        for p in self._procs + ([self._keeper] if self._keeper else []):
            p.kill()
        if self.env is not None:
            try:
                subprocess.run([WINESERVER, "-k"], env=self.env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=20)
            except (subprocess.TimeoutExpired, OSError):
                pass
        for popen in (self._server,):
            if popen is not None and popen.poll() is None:
                try:
                    popen.wait(10)
                except subprocess.TimeoutExpired:
                    popen.kill()
                    popen.wait(5)
        if self._server_dir and (self._server is None or self._server.poll() is not None):
            for name in ("lock", "socket"):
                try:
                    os.unlink(os.path.join(self._server_dir, name))
                except OSError:
                    pass
            for d in (self._server_dir, os.path.dirname(self._server_dir)):
                try:
                    os.rmdir(d)
                except OSError:
                    break
        # Wine's own helpers (explorer, services, ...) were all started for this prefix
        for pid in self._prefix_pids():
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        if self._xvfb is not None and self._xvfb.poll() is None:
            self._xvfb.terminate()
            try:
                self._xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self._xvfb.kill()
                self._xvfb.wait(5)
        _reap_orphans()
        for f in self._logs:
            f.close()
        if not self.keep:
            shutil.rmtree(self.prefix, ignore_errors=True)
            shutil.rmtree(self.root, ignore_errors=True)

    def _prefix_pids(self):
        """Processes whose environment names our prefix (ours, by construction)."""
        mark = b"\0WINEPREFIX=" + os.fsencode(self.prefix) + b"\0"
        pids = []
        for d in os.listdir("/proc"):
            if not d.isdigit() or int(d) == os.getpid():
                continue
            try:
                with open(f"/proc/{d}/environ", "rb") as f:
                    if mark in b"\0" + f.read():
                        pids.append(int(d))
            except OSError:
                pass
        return pids

    def leftover_processes(self):
        """pids still running with our prefix (for checks after close())."""
        return self._prefix_pids()

    # -- programs ----------------------------------------------------------

    def mkdtemp(self, prefix="work-"):
        return tempfile.mkdtemp(prefix=prefix, dir=self.root)

    def run(self, exe, args=(), cwd=None, name=None, drop_write_caps=False, env=None) -> WinProcess:
        """Start a Windows program (Unix path or Windows path) in cwd (a Unix directory,
        the program's current directory). Its output goes to <artifacts>/logs/<name>-N.log."""
        self._seq += 1
        name = name or os.path.splitext(os.path.basename(str(exe).replace("\\", "/")))[0]
        tag = f"{os.getpid()}-{self._seq}"
        e = dict(self.env)
        e["VXTAG"] = tag
        if env:
            e.update(env)
        cmd = [WINE, _arg(exe)] + [_arg(a) for a in args]
        if drop_write_caps:
            cmd = DROP_WRITE_CAPS + cmd
        log_path = os.path.join(self.artifacts, "logs", f"{name}-{self._seq}.log")
        os.makedirs(os.path.dirname(log_path), exist_ok=True)
        with open(log_path, "wb") as log:
            popen = subprocess.Popen(cmd, cwd=cwd or self.root, env=e, stdin=subprocess.DEVNULL,
                                     stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        _popen_pids.add(popen.pid)
        proc = WinProcess(self, popen, name, log_path, tag)
        self._procs.append(proc)
        return proc

    def processes(self):
        return list(self._procs)

    def kill_processes(self, since=0):
        """Kill the programs started after the first `since` (see len(processes()))."""
        for p in self._procs[since:]:
            p.kill()

    # -- vxtool probes -----------------------------------------------------

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
            p = subprocess.Popen([WINE, self.vxtool] + [_arg(a) for a in args], env=self.env,
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

    def send(self, hwnd, msg, wparam=0, lparam=0) -> int:
        return int(self.vx("send", hex(hwnd), msg, wparam, lparam)[0][1])

    def show_window(self, hwnd, cmd):
        """ShowWindow from another process (vxtool's)."""
        self.vx("showwindow", hex(hwnd), cmd)

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
        self.vx("settext", hex(hwnd), text)

    def listbox(self, hwnd) -> ListBox:
        recs = self.vx("listbox", hex(hwnd))
        head = recs[0]
        items = [ListItem(int(f[1]), int(f[2]), f[3] == "1", _int(f[4]), f[5])
                 for f in recs[1:] if f[0] == "item"]
        return ListBox(int(head[1]), int(head[2]), int(head[3]), int(head[4]), _int(head[5]), items)

    def _menu(self, *args):
        return [MenuItem(int(f[1]), int(f[2]), f[3], _int(f[4]), f[5])
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
        return [PopupItem(int(f[1]), int(f[2]), f[3], _int(f[4]), f[5], Rect(*map(int, f[6:10])))
                for f in self.vx("popupmenu", hex(hwnd)) if f[0] == "item"]

    def tooltips(self, hwnd) -> List[Tool]:
        """The tools of a tooltip control of any process, with their texts."""
        return [Tool(int(f[1]), _int(f[2]), _int(f[3]), _int(f[4]), Rect(*map(int, f[5:9])), f[9])
                for f in self.vx("tooltips", hex(hwnd)) if f[0] == "tool"]

    def register_message(self, name) -> int:
        """RegisterWindowMessage(name): the same number in every process of the desktop."""
        return int(self.vx("regmsg", name)[0][1])

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

    # -- the taskbar and its notification area -----------------------------

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

    # -- input (XTEST on our display; Windows screen coordinates are X root coordinates) --

    def _xdo(self, *args):
        r = subprocess.run(["xdotool"] + list(args), env=self.env, capture_output=True, timeout=30)
        if r.returncode != 0:
            raise HarnessError(f"xdotool {' '.join(args)}: {r.stderr.decode(errors='replace').strip()}")

    def key(self, *keys, delay_ms=30):
        """Key chords in xdotool syntax, e.g. key("ctrl+alt+h"), key("Return")."""
        self._xdo("key", "--delay", str(delay_ms), *keys)

    def key_down(self, key):
        self._xdo("keydown", key)

    def key_up(self, key):
        self._xdo("keyup", key)

    def type_text(self, text, delay_ms=20):
        """Types text as key presses (ASCII is reliable)."""
        self._xdo("type", "--delay", str(delay_ms), "--", text)

    # one xdotool call per gesture keeps motion and buttons in order; no --sync, which
    # stalls for seconds when the pointer is already where it is sent

    def move(self, x, y):
        self._xdo("mousemove", str(int(x)), str(int(y)))

    def click(self, x, y, button=1):
        self._xdo("mousemove", str(int(x)), str(int(y)), "click", str(button))

    def double_click(self, x, y, button=1):
        self._xdo("mousemove", str(int(x)), str(int(y)), "click", "--repeat", "2", "--delay", "80",
                  str(button))

    def mouse_down(self, x, y, button=1):
        self._xdo("mousemove", str(int(x)), str(int(y)), "mousedown", str(button))

    def mouse_up(self, x, y, button=1):
        self._xdo("mousemove", str(int(x)), str(int(y)), "mouseup", str(button))

    def drag(self, x1, y1, x2, y2, button=1, steps=8):
        args = ["mousemove", str(int(x1)), str(int(y1)), "mousedown", str(button)]
        for i in range(1, steps + 1):
            args += ["sleep", "0.02", "mousemove", str(x1 + (x2 - x1) * i // steps),
                     str(y1 + (y2 - y1) * i // steps)]
        self._xdo(*args, "mouseup", str(button))

    def click_desktop(self):
        """A click on an empty spot of the desktop background (top right corner)."""
        self.click(self.width - 2, 2)

    # -- screenshots -------------------------------------------------------

    def screenshot(self, path=None) -> Screenshot:
        """Grab the whole screen; with path, also save it as PNG."""
        r = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=self.env,
                           capture_output=True, timeout=30)
        if r.returncode != 0:
            raise HarnessError(f"import failed: {r.stderr.decode(errors='replace').strip()}")
        shot = Screenshot.from_ppm(r.stdout)
        if path:
            shot.save_png(path)
        return shot

    def pixel(self, x, y) -> Tuple[int, int, int]:
        return self.screenshot().pixel(x, y)

    def region_has_color(self, rect, color, tolerance=0) -> bool:
        return self.screenshot().region_has_color(rect, color, tolerance)

    # -- registry (vxtool's Reg*A calls: byte-exact, unlike reg.exe's OEM-code-page output) --

    def reg_query(self, key) -> Optional[dict]:
        """{name: (type, data)} for the key's values ('' is the default value), or None if
        the key does not exist. Data: str for *_SZ, list for MULTI_SZ, int for DWORD/QWORD,
        bytes otherwise."""
        recs = self._vx_or_none("regquery", key)
        if recs is None:
            return None
        out = {}
        for f in recs:
            if f[0] != "value":
                continue
            name, typ, data = f[1], f[2], f[4]
            if typ in ("REG_SZ", "REG_EXPAND_SZ"):
                value = data
            elif typ == "REG_MULTI_SZ":
                value = data.split("\0") if data else []
            elif typ in ("REG_DWORD", "REG_QWORD") and data.isdigit():
                value = int(data)
            else:
                value = bytes.fromhex(data)
            out[name] = (typ, value)
        return out

    def reg_subkeys(self, key) -> Optional[List[str]]:
        recs = self._vx_or_none("regquery", key)
        return None if recs is None else [f[1] for f in recs if f[0] == "subkey"]

    def reg_key_exists(self, key) -> bool:
        return self._vx_or_none("regquery", key) is not None

    def reg_delete(self, key, value=None):
        """Delete a key with everything under it, or one value; absent is fine."""
        self.vx("regdelete", key, *([value] if value is not None else []))

    def reg_add(self, key, name, type, data):
        if type == "REG_MULTI_SZ":
            args = list(data)
        elif type in ("REG_BINARY", "REG_NONE"):
            args = [bytes(data).hex()]
        else:
            args = [data]
        self.vx("regset", key, name, type, *args)

    def reg_add_bytes(self, key, name, type, data: bytes):
        """Like reg_add for data too long for a command line (REG_SZ, REG_EXPAND_SZ: the
        bytes without the terminating NUL, which is added; REG_BINARY, REG_NONE)."""
        fd, path = tempfile.mkstemp(prefix="regdata-", dir=self.root)
        try:
            with os.fdopen(fd, "wb") as f:
                f.write(bytes(data))
            self.vx("regsetfile", key, name, type, unix_to_windows(path))
        finally:
            os.unlink(path)

    # -- owner-mode windows ------------------------------------------------

    def owned_windows(self, titles=(), count=0, title_format=None, name="owner", timeout=20.0):
        return OwnedWindows(self, titles, count, title_format, name, timeout)


# ---------------------------------------------------------------------------
# vxtool owner mode


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

    def __init__(self, desk, titles=(), count=0, title_format=None, name="owner", timeout=20.0):
        self.desk = desk
        self.dir = desk.mkdtemp("owner-")
        self.status_path = os.path.join(self.dir, "status.txt")
        self.commands_path = os.path.join(self.dir, "commands.txt")
        open(self.commands_path, "wb").close()
        self.lines = 0
        args = ["owner", "--status", unix_to_windows(self.status_path),
                "--commands", unix_to_windows(self.commands_path)]
        for t in titles:
            args += ["--title", t]
        if count:
            args += ["--count", count]
            if title_format is not None:
                args += ["--title-format", title_format]
        expected = len(titles) + count
        for attempt in (1, 2):
            self.proc = desk.run(desk.vxtool, args, cwd=self.dir, name=name)
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

    def command(self, line, wait=True, timeout=10.0) -> Optional[OwnerStatus]:
        """Send one command (open T, close I, retitle I T, show/hide/minimize/maximize/
        restore/activate I, showcmd I N, move I X Y W H, type I TEXT, listbox I [STYLE],
        additem I TEXT, select I N, trayicon I [TIP], untray I, hotkey I ID MODS VK,
        unhotkey I ID, quit). With wait, returns the first status after it ran."""
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
