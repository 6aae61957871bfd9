"""WineDesktop: one Xvfb, a fresh Wine prefix and its wineserver, the programs started in
it, and the probes, input, screenshots and registry helpers it mixes in."""

import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time

from .errors import HarnessError
from .input import Input
from .owner import OwnedWindows
from .probes import VxProbes
from .processes import WinProcess, _become_subreaper, _popen_pids, _reap_orphans
from .registry import Registry
from .screenshot import Screenshots
from .taskbar import Taskbar
from .text import _arg, unix_to_windows
from .waiting import wait_until
from .wine import DROP_WRITE_CAPS, WINE, WINESERVER


# Fonts from Debian's packages with the glyphs of other scripts, as (file, face): Latin,
# Cyrillic, Greek, Hebrew and Arabic (fonts-dejavu-core), then Chinese, Japanese and Korean
# (fonts-wqy-microhei). Windows draws such titles with fonts it links behind the dialog
# fonts; so does Wine, given the links. (Wine 8 looks a character beyond UTF-16's 16 bits
# up as its two halves, and draws an emoji as two boxes whatever the fonts.)
LINKED_FONTS = [("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "DejaVu Sans"),
                ("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", "WenQuanYi Micro Hei")]
LINKED_FACES = ["Tahoma", "MS Shell Dlg", "MS Shell Dlg 2", "Microsoft Sans Serif", "MS Sans Serif",
                "DejaVu Sans", "System"]
FONT_LINKS = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink"


def wine_font(name):
    """A font of Wine's own (package fonts-wine), found where Wine's data directory is: two
    levels above the loader, in share/wine. None if it is not installed."""
    for data in (os.path.join(os.path.dirname(os.path.realpath(WINE)), "..", "..", "share", "wine"),
                 "/usr/share/wine"):
        path = os.path.normpath(os.path.join(data, "fonts", name))
        if os.path.isfile(path):
            return path
    return None


class WineDesktop(VxProbes, Taskbar, Input, Screenshots, Registry):
    """Xvfb + private prefix + Wine virtual desktop. Use as a context manager."""

    def __init__(self, vxtool, width=1024, height=768, artifacts=None, keep=None, peer_vxtool=None, wine=None):
        self.vxtool = os.path.abspath(str(vxtool))
        # the loader: wine64, or the 32-bit one, which hands 64-bit programs to wine64
        self.wine = wine or WINE
        # vxtool hands a read inside a process of the other bitness to this one
        self.peer_vxtool = os.path.abspath(str(peer_vxtool)) if peer_vxtool else None
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
        missing = [t for t in (self.wine, WINESERVER, "Xvfb", "xdotool", "xwininfo", "import", "setpriv")
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
        if self.peer_vxtool:
            env["VXTOOL_PEER"] = unix_to_windows(self.peer_vxtool)
        self.env = env
        self._seed_registry()
        self._seed_fonts()
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
        self._link_fonts()
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

    def _seed_fonts(self):
        """Debian's Wine looks for its own fonts in <data dir>/../fonts, not in <data dir>/fonts
        where fonts-wine puts them, and so draws the caption buttons, whose glyphs come from
        Marlett, as the letters "0 1 r". It also loads every font in the prefix's Fonts folder:
        Marlett goes there before wineboot, and no other, so that text keeps its fonts."""
        marlett = wine_font("marlett.ttf")
        if marlett:
            fonts = os.path.join(self.prefix, "drive_c", "windows", "Fonts")
            os.makedirs(fonts, exist_ok=True)
            shutil.copyfile(marlett, os.path.join(fonts, "marlett.ttf"))

    def _link_fonts(self):
        links = [f"{os.path.basename(f)},{face}" for f, face in LINKED_FONTS if os.path.isfile(f)]
        for face in LINKED_FACES if links else ():
            self.reg_add(FONT_LINKS, face, "REG_MULTI_SZ", links)

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
        cmd = [self.wine, _arg(exe)] + [_arg(a) for a in args]
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

    # -- owner-mode windows ------------------------------------------------

    def owned_windows(self, titles=(), count=0, title_format=None, name="owner", timeout=20.0, vxtool=None):
        """vxtool: another build of it, such as the peer of the other bitness."""
        return OwnedWindows(self, titles, count, title_format, name, timeout, vxtool)

    def child_rect(self, parent, child):
        """Screen (left, top, right, bottom) of a child control of window `parent`."""
        ox, oy = self.window_info(parent).client_origin
        return ox + child.rect.left, oy + child.rect.top, ox + child.rect.right, oy + child.rect.bottom

    # -- the frames of top-level windows ------------------------------------
    # Wine's default theme: a caption about 20 pixels high, its boxes at the right end.

    def caption_point(self, hwnd):
        """A point on the caption clear of the icon, the title's start and the boxes."""
        r = self.window_info(hwnd).rect
        return r.left + 60, r.top + 10

    def caption_icon_point(self, hwnd):
        """The icon at the left end of the caption, which opens the system menu."""
        r = self.window_info(hwnd).rect
        return r.left + 12, r.top + 11

    def close_box_point(self, hwnd):
        r = self.window_info(hwnd).rect
        return r.right - 12, r.top + 12

    def minimize_box_point(self, hwnd):
        r = self.window_info(hwnd).rect
        return r.right - 47, r.top + 10

    def bring_to_front(self, hwnd, what="the window in front"):
        """A click on the caption: it activates the window without touching its contents."""
        self.click(*self.caption_point(hwnd))
        wait_until(lambda: self.foreground().hwnd == hwnd, timeout=10, what=what)
