"""One WineDesktop shared by every end-to-end test of a run, plus the test base classes.

The desktop is created on first use and closed at exit (also after a failure, Ctrl-C or
SIGTERM). run.py configures where the build is; importing a test module directly works
too, with the defaults (build/win64, artifacts in build/e2e-artifacts).
"""

import atexit
import functools
import os
import re
import shutil
import signal
import subprocess
import unittest

import harness
import velumix_app as V

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
VELUMIX_KEY = r"HKCU\Software\Orvane"

_config = {
    "build": os.environ.get("VELUMIX_E2E_BUILD", os.path.join(REPO, "build", "win64")),
    "exe": os.environ.get("VELUMIX_E2E_EXE"),
    "peer": os.environ.get("VELUMIX_E2E_PEER"),
    "artifacts": os.environ.get("VELUMIX_E2E_ARTIFACTS", os.path.join(REPO, "build", "e2e-artifacts")),
}
_desk = None
_handlers_installed = False


def configure(build=None, artifacts=None, exe=None, peer=None):
    """build: the test tree (tools, the faulty build, the Windows integration tests);
    exe: the Velumix.exe under test, the tree's own by default; peer: a test tree of the
    other bitness, whose vxtool reads inside the processes of that bitness."""
    if build:
        _config["build"] = os.path.abspath(build)
    if exe:
        _config["exe"] = os.path.abspath(exe)
    if peer:
        _config["peer"] = os.path.abspath(peer)
    if artifacts:
        _config["artifacts"] = os.path.abspath(artifacts)


def build_dir():
    return _config["build"]


def artifacts_dir():
    os.makedirs(_config["artifacts"], exist_ok=True)
    return _config["artifacts"]


def velumix_exe():
    return _config["exe"] or os.path.join(build_dir(), "Velumix.exe")


def peer_velumix_exe():
    """Velumix.exe of the other bitness's tree, or None."""
    path = os.path.join(_config["peer"], "Velumix.exe") if _config["peer"] else None
    return path if path and os.path.exists(path) else None


def peer_vxtool():
    """The other bitness's vxtool.exe, or None when there is no such tree."""
    path = os.path.join(_config["peer"], "vxtool.exe") if _config["peer"] else None
    return path if path and os.path.exists(path) else None


def vxtool_exe():
    """vxtool.exe from the build tree; without an up-to-date one (the project itself may
    not build), compile tests/e2e/tools/vxtool/ straight into the artifacts directory."""
    built = os.path.join(build_dir(), "vxtool.exe")
    src_dir = os.path.join(REPO, "tests", "e2e", "tools", "vxtool")
    files = sorted(os.path.join(src_dir, f) for f in os.listdir(src_dir) if f.endswith((".cpp", ".h")))
    sources = [f for f in files if f.endswith(".cpp")]
    newest = max(os.path.getmtime(f) for f in files + [os.path.join(REPO, "src", "framework", "handles.h")])
    if os.path.exists(built) and os.path.getmtime(built) >= newest:
        return built
    out = os.path.join(artifacts_dir(), "tools", "vxtool.exe")
    if not os.path.exists(out) or os.path.getmtime(out) < newest:
        os.makedirs(os.path.dirname(out), exist_ok=True)
        subprocess.run(["x86_64-w64-mingw32-g++", "-std=c++20", "-O2", "-static", "-I", os.path.join(REPO, "src"),
                        "-o", out] + sources
                       + ["-luser32", "-lgdi32", "-lshell32", "-ladvapi32", "-lntdll", "-lole32", "-luuid"], check=True)
    return out


def desktop() -> harness.WineDesktop:
    global _desk
    if _desk is None:
        _install_handlers()
        desk = harness.WineDesktop(vxtool_exe(), artifacts=artifacts_dir(), peer_vxtool=peer_vxtool())
        try:
            desk.start()
        except BaseException:
            desk.close()
            raise
        _desk = desk
    return _desk


def shutdown():
    global _desk
    if _desk is not None:
        desk, _desk = _desk, None
        desk.close()


def _on_signal(signum, frame):
    raise KeyboardInterrupt(f"signal {signum}")


def _install_handlers():
    global _handlers_installed
    if _handlers_installed:
        return
    _handlers_installed = True
    atexit.register(shutdown)
    for sig in (signal.SIGTERM, signal.SIGHUP):
        try:
            signal.signal(sig, _on_signal)
        except (ValueError, OSError):
            pass  # not the main thread


def _safe_name(test_id):
    return re.sub(r"[^A-Za-z0-9_.-]+", "_", test_id)


class E2ETestCase(unittest.TestCase):
    """Gives each test the shared desktop as self.desk and a fresh working directory as
    self.workdir; programs a test starts are killed when it ends, and a failing test
    leaves a screenshot in the artifacts directory."""

    reset_velumix_registry = False

    def __init__(self, methodName="runTest"):
        super().__init__(methodName)
        method = getattr(self, methodName, None)
        if method is None:
            return

        # the screen as the failure left it, before cleanups close anything
        @functools.wraps(method)
        def run_test(*args, **kw):
            try:
                return method(*args, **kw)
            except unittest.SkipTest:
                raise
            except BaseException:
                if getattr(self, "desk", None) is not None:
                    self._failure_screenshot()
                raise
        setattr(self, methodName, run_test)

    def setUp(self):
        self.desk = desktop()
        self.desk.check()
        self.workdir = self.desk.mkdtemp("work-")
        self._first_process = len(self.desk.processes())
        self._shot_taken = False
        if self.reset_velumix_registry:
            self.desk.reg_delete(VELUMIX_KEY)
        self.addCleanup(self._end_test)

    def _failure_screenshot(self):
        if self._shot_taken:
            return
        self._shot_taken = True
        try:
            self.desk.screenshot(os.path.join(artifacts_dir(), _safe_name(self.id()) + ".png"))
        except Exception:
            pass

    def _failed(self):
        outcome = getattr(self, "_outcome", None)
        if outcome is None:
            return False
        result = getattr(outcome, "result", None)
        if result is not None and any(t is self for t, _ in result.failures + result.errors):
            return True
        return not getattr(outcome, "success", True)

    def _end_test(self):
        if self._failed():
            self._failure_screenshot()
        self.desk.kill_processes(self._first_process)
        shutil.rmtree(self.workdir, ignore_errors=True)

    def artifact(self, name):
        """A path in the artifacts directory, named after this test."""
        return os.path.join(artifacts_dir(), f"{_safe_name(self.id())}-{name}")

    def owned_windows(self, titles=(), **kw):
        ow = self.desk.owned_windows(titles, **kw)
        self.addCleanup(ow.stop)
        return ow


class VelumixTestCase(E2ETestCase):
    """For tests of the real program: HKCU\\Software\\Orvane is deleted before each test."""

    reset_velumix_registry = True

    def setUp(self):
        if not os.path.exists(velumix_exe()):
            if os.environ.get("VELUMIX_E2E_REQUIRE_BUILD") == "1":
                self.fail(f"{velumix_exe()} not built")
            self.skipTest(f"{velumix_exe()} not built")
        super().setUp()

    def start_velumix(self, args=(), cwd=None, drop_write_caps=False, exe=None, name="velumix"):
        return self.desk.run(exe or velumix_exe(), args, cwd=cwd or self.workdir, name=name,
                             drop_write_caps=drop_write_caps)

    def launch(self, **kw):
        """Starts Velumix and waits for its main window."""
        return V.Velumix(self.desk, self.start_velumix(**kw))

    def launch_tracking(self, titles, **kw):
        """Starts Velumix and waits for these titles in its list."""
        app = self.launch(**kw)
        if titles:  # an empty list is not waited for
            app.wait_list(lambda items: set(titles) <= set(items), what=f"{titles} in the list")
        return app

    def launch_copy(self, titles=(), name="copy", exe=None):
        """A copy of Velumix.exe (or of `exe`, under that name) in a folder of its own,
        started there and tracking `titles`: its own log and working directory, the same
        settings and journals."""
        folder = os.path.join(self.workdir, name)
        os.mkdir(folder)
        exe = shutil.copy(exe or velumix_exe(), os.path.join(folder, "Velumix.exe"))
        return self.launch_tracking(titles, exe=exe, cwd=folder, name=name)

    def launch_over_a_crowd(self, count, title_format):
        """`count` windows of another process, then Velumix with its list full (a hundred)."""
        ow = self.owned_windows(count=count, title_format=title_format, timeout=60)
        app = self.launch()
        return ow, app, app.wait_list(lambda items: len(items) == 100, timeout=20)

    def stack(self, windows):
        """The titles of these windows as the desktop's Z-order has them, top first."""
        order = [w.hwnd for w in self.desk.windows()]
        return [w.title for w in sorted(windows, key=lambda w: order.index(w.hwnd))]

    def wait_stack(self, windows, front):
        """Until the windows stand in this order, top first, with `front` in front."""
        def look():
            return self.stack(windows), self.desk.foreground().hwnd == front.hwnd
        want = ([w.title for w in windows], True)
        try:
            harness.wait_until(lambda: look() == want, timeout=5)
        except TimeoutError:
            self.assertEqual(look(), want, f"the stack, with {front.title} in front")

    def launch_with(self, titles):
        """Windows of another process with these titles, then Velumix tracking them."""
        return self.owned_windows(titles), self.launch_tracking(titles)

    # -- the settings, before a start and after --------------------------------

    def seed_settings(self, app_name="Velumix", **values):
        V.seed_settings(self.desk, app_name, **values)

    def seed_hot_keys(self, keys=V.CTRL_ALT_KEYS, app_name="Velumix"):
        """{operation: (key, modifiers)}; by default Ctrl+Alt S, L, H and J."""
        V.seed_hot_keys(self.desk, keys, app_name)

    def refuse_writes(self, key):
        """The key can be read but not written until the test ends."""
        self.desk.reg_access(key, "D:(A;;KR;;;WD)")
        self.addCleanup(self.desk.reg_access, key, "D:(A;;KA;;;WD)")

    def refuse_reads(self, key):
        """The key can be written but not read until the test ends."""
        self.desk.reg_access(key, "D:(A;;KW;;;WD)")
        self.addCleanup(self.desk.reg_access, key, "D:(A;;KA;;;WD)")

    def stored(self, app_name="Velumix"):
        return self.desk.reg_query(V.settings_key(app_name))

    # -- windows of the owner process -------------------------------------------

    def bring_to_front(self, ow, index):
        """A click on the caption of the owner's window `index`."""
        self.desk.bring_to_front(ow.hwnd(index), what=f"owner window {index} in front")

    def activate(self, ow, index):
        """The owner activates its window `index` itself."""
        ow.command(f"activate {index}")
        harness.wait_until(lambda: self.desk.foreground().hwnd == ow.hwnd(index),
                           what=f"owner window {index} in front")

    # -- the program's message boxes and the lock ---------------------------------

    def assert_box_kind(self, app, box, flags):
        """The box has the buttons and the icon that MessageBox gives for `flags`."""
        buttons, icon = app.box_kind(box)
        want_buttons, want_icon = V.reference_box_kind(self.desk, flags)
        self.assertEqual(buttons, want_buttons)
        self.assertIsNotNone(icon)
        self.assertTrue(icon == want_icon, f"the icon of {box.title!r} is not the one of flags {flags:#x}")

    def answer(self, app, caption, button, text=None, starts=None, owner=None, kind=None, click=True, shot=None):
        """Waits for the program's message box `caption`, checks whichever of its text (or
        the text's start), owner and kind (MessageBox flags) are given, saves a screenshot
        named `shot`, then clicks (or presses) `button` and waits for the box to go.
        Returns the box and its text."""
        box, shown = app.wait_message(caption)
        if text is not None:
            self.assertEqual(shown, text)
        if starts is not None:
            self.assertTrue(shown.startswith(starts), shown)
        if owner is not None:
            self.assertEqual(box.owner, owner)
        if kind is not None:
            self.assert_box_kind(app, box, kind)
        if shot:
            self.desk.screenshot(self.artifact(shot))
        app.close_dialog(box, button, click=click)
        return box, shown

    def expect_mistake(self, app, **checks):
        """The password mismatch box, owned by the main window, answered with OK."""
        return self.answer(app, V.OOPS, V.IDOK, text=V.MISTAKE, owner=app.hwnd, **checks)

    def lock_with_stored_password(self, app):
        """The Lock button with a password stored: into the tray at once, nothing asked."""
        app.click_main(V.SET_PASSWORD)
        app.wait_visible(False)
        self.assertEqual(app.dialogs(V.SET_PASSWORD_TITLE), [])

    def log_text(self, cwd=None):
        """logfile.log of the working directory, ANSI-decoded; None if there is none."""
        data = V.read_log(cwd or self.workdir)
        return None if data is None else harness.ansi_decode(data)
