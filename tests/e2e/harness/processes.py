"""The Windows programs we start, and the Wine helpers they leave behind."""

import os
import signal
import subprocess

from .waiting import wait_until


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
                # Wine's 32-bit loader starts a 64-bit program from a start.exe that stays
                # as its parent, with the same environment, and is there before it
                tagged = [int(f[1]) for f in self.desk.vx("procs")
                          if f[0] == "proc" and f[5] == self.tag and f[4].lower() != "start.exe"]
                return tagged[0] if len(tagged) == 1 else None
            self._winpid = wait_until(find, timeout=10, stable=1, what=f"Windows pid of {self.name}")
        return self._winpid

    def output(self) -> str:
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""


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
