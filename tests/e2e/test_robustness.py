"""Faults the program must survive: bad settings, a log that cannot be written, windows
that vanish, a hot key someone else holds, a missing notification area, odd titles and
being killed. In every case no window the program hid may be lost."""

import os
import signal
import subprocess
import tempfile
import time

import harness
import velumix_app as vx
from session import VelumixTestCase

CTRL_ALT = vx.CTRL_ALT


class RobustnessTestCase(VelumixTestCase):
    def assert_works(self, app, owner, indices):
        """Hide all and Show All still act on the given owner windows."""
        app.command(vx.HIDE_ALL)
        owner.wait_status(lambda s: not any(s.window(i).visible for i in indices), what="hidden by Hide all")
        app.command(vx.SHOW_ALL)
        owner.wait_status(lambda s: all(s.window(i).visible for i in indices), what="shown by Show All")

    def exit_with_windows_hidden(self, app, owner):
        """Exit with the owner's windows hidden: asked, answered Yes, and both shown at the end."""
        app.command(vx.HIDE_ALL)
        owner.wait_status(lambda s: not s.window(1).visible, what="hidden")
        app.command(vx.EXIT)
        self.answer(app, vx.EXIT_CAPTION, vx.IDYES, click=False)
        app.wait_exit()
        owner.wait_status(lambda s: s.window(1).visible and s.window(2).visible, what="shown at exit")

    def log_lines(self):
        return (vx.read_log(self.workdir) or b"").decode("latin-1").splitlines()


class BadSettings(RobustnessTestCase):
    CASES = [
        # name: (registry type, data), each unreadable as what it stands for
        dict(camouflage=("REG_SZ", "1"), startminimized=("REG_BINARY", b"\x01\x00"),
             password=("REG_BINARY", b"se\x00cret\xff")),
        vx.hot_key_settings({"showall": (("REG_QWORD", 0x53), ("REG_BINARY", b"\x03\x00\x00\x00\x00")),
                             "lock": (("REG_BINARY", bytes(8192)), None),
                             "hidecurrent": (("REG_MULTI_SZ", ["a", "b"]), None)}),
    ]

    def test_unreadable_values_fall_back_and_nothing_is_written_at_start(self):
        for values in self.CASES:
            self.seed_settings(**values)
        before = self.stored()
        owner, app = self.launch_with(["Bad settings A", "Bad settings B"])
        self.assertTrue(app.visible(), "started minimised from an unreadable value")
        self.assert_works(app, owner, (1, 2))
        self.assertEqual(self.stored(), before)

    def test_a_partial_set_keeps_what_is_there_and_uses_it(self):
        self.seed_hot_keys({"hideall": (0x4A, CTRL_ALT | 0x10000)})  # J
        before = self.stored()
        owner, app = self.launch_with(["Partial A"])
        self.desk.key_from_desktop("ctrl+alt+j")
        owner.wait_status(lambda s: not s.window(1).visible, what="hidden by the stored hot key")
        self.assertEqual(self.stored(), before)
        app.command(vx.SHOW_ALL)
        owner.wait_status(lambda s: s.window(1).visible, what="shown again")

    def test_numbers_wider_than_sixteen_bits_keep_their_low_bits(self):
        self.seed_hot_keys({"hideall": (0x7FFF004B, 0xFFFF0000 | harness.MOD_CONTROL | harness.MOD_SHIFT)})  # K
        owner, app = self.launch_with(["Wide A"])
        self.desk.key_from_desktop("ctrl+shift+k")
        owner.wait_status(lambda s: not s.window(1).visible, what="hidden by the cut hot key")


class FailingLog(RobustnessTestCase):
    def test_a_log_whose_every_write_fails(self):
        os.symlink("/dev/full", os.path.join(self.workdir, "logfile.log"))
        owner, app = self.launch_with(["Log full A", "Log full B"])
        self.assert_works(app, owner, (1, 2))
        self.exit_with_windows_hidden(app, owner)

    def test_writes_that_start_failing_mid_run(self):
        mount = tempfile.mkdtemp(prefix="velumix-small-fs-")
        self.addCleanup(os.rmdir, mount)
        r = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=16k", "tmpfs", mount], capture_output=True)
        if r.returncode != 0:
            self.skipTest(f"cannot mount a small file system here: {r.stderr.decode().strip()}")
        self.addCleanup(subprocess.run, ["umount", "-l", mount])
        # The log's last page has room for exactly one stamp and the disk for nothing
        # more: the start's first write succeeds, every write after it fails.
        log = os.path.join(mount, "logfile.log")
        earlier = b"x" * (4096 - 28) + b"\n"
        with open(log, "wb") as f:
            f.write(earlier)
        with open(os.path.join(mount, "filler"), "wb", buffering=0) as f:
            try:
                while True:
                    f.write(b"\0" * 512)
            except OSError:
                pass
        # Without a notification area every OK tries to log its failure as well.
        tray = vx.start_fake_tray(self.desk, self.workdir)
        owner = self.owned_windows(["Mid run A", "Mid run B"])
        app = self.launch(cwd=mount)
        app.wait_list(lambda items: "Mid run B" in items)
        with open(log, "rb") as f:
            data = f.read()
        self.assertEqual(len(data), 4096)
        self.assertTrue(data.startswith(earlier) and data[len(earlier):].startswith(b"On "))
        size = len(data)
        app.command(vx.IDOK)
        app.command(vx.IDOK)
        self.assert_works(app, owner, (1, 2))
        self.assertEqual(os.path.getsize(log), size)
        self.exit_with_windows_hidden(app, owner)
        vx.stop_fake_tray(self.desk, tray)


class NotificationArea(RobustnessTestCase):
    def test_no_tray_at_start_then_one_that_comes_back(self):
        self.seed_settings(password="pw")
        tray = vx.start_fake_tray(self.desk, self.workdir)
        owner = self.owned_windows(["No tray A"])
        app = self.launch()
        harness.wait_until(lambda: any("HideToTray: " + vx.NO_TRAY_LOG in l
                                       for l in self.log_lines()), what="the failure logged")
        # OK cannot put the window away, and the list keeps following the desktop.
        app.command(vx.IDOK)
        owner.command("open Opened later")
        app.wait_list(lambda items: "Opened later" in items, timeout=5)
        self.assertTrue(app.visible())
        # A lock would leave the window open: it is refused, and the program stays unlocked.
        app.command(vx.SET_PASSWORD)
        self.answer(app, vx.OOPS, vx.IDOK, starts=vx.CANNOT_LOCK, click=False)

        vx.stop_fake_tray(self.desk, tray)
        icon = self.desk.tray_icon_position(0, timeout=10)
        harness.wait_until(lambda: self.desk.tray_icon_count() >= 1, what="the icon back in the tray")
        app.command(vx.IDOK)
        app.wait_visible(False)
        self.desk.double_click(*icon)
        app.wait_visible(True)


class VanishingWindows(RobustnessTestCase):
    def test_a_hidden_window_destroyed_by_its_owner(self):
        owner, app = self.launch_with(["Vanish A", "Vanish B"])
        app.command(vx.HIDE_ALL)
        owner.wait_status(lambda s: not s.window(1).visible and not s.window(2).visible, what="hidden")
        owner.command("close 1")
        app.command(vx.SHOW_ALL)
        owner.wait_status(lambda s: s.window(2).visible, what="the survivor shown")
        app.wait_list(lambda items: "Vanish A" not in items)
        # Nothing is hidden any more: Exit ends without a question.
        app.command(vx.EXIT)
        app.wait_exit()

    def test_windows_coming_and_going_while_the_program_works(self):
        owner, app = self.launch_with(["Steady 1", "Steady 2"])
        for round_ in range(6):
            # Window 3 + round_ opens while the previous one closes, between the operations.
            owner.command(f"open Churn {round_}", wait=False)
            app.command(vx.HIDE_ALL)
            app.command(103)
            if round_:
                owner.command(f"close {2 + round_}", wait=False)
            app.command(vx.SHOW_ALL)
            app.command(150 + round_ % 3)
        app.command(vx.SHOW_ALL)
        status = owner.wait_status(lambda s: s.window(1).visible and s.window(2).visible, timeout=15,
                                   what="the steady windows shown")
        self.assertTrue(app.proc.alive())
        self.assertTrue(all(w.visible for w in status.windows), [(w.title, w.visible) for w in status.windows])


class TakenHotKey(RobustnessTestCase):
    def test_a_combination_another_program_holds_never_arrives_and_the_others_work(self):
        owner = self.owned_windows(["Holder", "Target"])
        owner.command(f"hotkey 1 7 {harness.MOD_CONTROL | harness.MOD_ALT} {0x48}")  # ctrl+alt+h
        self.seed_hot_keys({"hideall": (0x48, CTRL_ALT), "showall": vx.CTRL_ALT_KEYS["showall"]})
        app = self.launch_tracking(["Target"])
        self.desk.key_from_desktop("ctrl+alt+h")
        status = owner.wait_status(lambda s: s.window(1).hotkeys >= 1, what="the holder's hot key")
        self.assertTrue(status.window(2).visible)
        app.command(vx.HIDE_ALL)
        owner.wait_status(lambda s: not s.window(2).visible, what="hidden by the button")
        self.desk.key_from_desktop("ctrl+alt+s")
        owner.wait_status(lambda s: s.window(2).visible, what="shown by Velumix's own show-all key")


class OddTitles(RobustnessTestCase):
    def test_long_and_eight_bit_titles(self):
        t99, t100, t200 = "a" * 99, "b" * 100, "c" * 200
        eight_bit = "Caf\xe9 cr\xe8me \u20ac \xfc\xdf"
        twin_a, twin_b = "d" * 99 + "1", "d" * 99 + "2"
        owner = self.owned_windows([t99, t100, t200, eight_bit, twin_a, twin_b])
        app = self.launch()
        items = app.wait_list(lambda items: eight_bit in items)
        for title in (t99, t100[:99], t200[:99], eight_bit):
            self.assertIn(title, items)
        self.assertEqual(items.count("d" * 99), 2)
        # Titles that differ only beyond 99 characters look the same to hide-current.
        self.seed_hot_keys({"hidecurrent": vx.CTRL_ALT_KEYS["hidecurrent"]})
        app.command(vx.EXIT)
        app.wait_exit()
        app = self.launch()
        app.wait_list(lambda items: eight_bit in items)
        self.activate(owner, 5)
        self.desk.key("ctrl+alt+h")
        status = owner.wait_status(lambda s: not s.window(5).visible and not s.window(6).visible,
                                   what="both twins hidden")
        self.assertTrue(all(status.window(i).visible for i in (1, 2, 3, 4)))
        app.command(vx.SHOW_ALL)
        owner.wait_status(lambda s: all(w.visible for w in s.windows), what="all shown")


class StoppedProgram(RobustnessTestCase):
    """A window whose thread is alive but takes no messages: asking it to change its show
    state must not stop Velumix, and once the thread goes on the window ends as the
    table says."""

    def answers(self, app):
        """Velumix's main window takes a message within a second or two."""
        started = time.monotonic()
        try:
            self.desk.vx("send", hex(app.hwnd), 0, 0, 0, timeout=8)   # WM_NULL
        except harness.VxError:
            self.fail("Velumix stopped answering")
        self.assertLess(time.monotonic() - started, 4)

    def test_hide_show_row_click_and_tray_item_return_at_once(self):
        self.seed_hot_keys({"hideall": vx.CTRL_ALT_KEYS["hideall"]})
        owner = self.owned_windows(["Lively"])
        owner.command("openthread Stalled")
        app = self.launch_tracking(["Lively", "Stalled"])
        owner.command("stall 2")

        app.click_main(vx.HIDE_ALL)
        owner.wait_status(lambda s: not s.window(1).visible, what="the lively one hidden")
        self.answers(app)
        self.assertTrue(owner.window(2).visible, "the stalled thread changed its window")
        app.click_control(vx.SHOW_ALL)
        owner.wait_status(lambda s: s.window(1).visible, what="the lively one shown")
        self.answers(app)
        self.desk.click(*app.row_center(app.list_items().index("Stalled")))   # hides it
        self.answers(app)
        app.choose_from_tray("Stalled")                                      # the tray answers, shows it
        self.answers(app)
        self.desk.key_from_desktop("ctrl+alt+j")                               # and the hot keys
        owner.wait_status(lambda s: not s.window(1).visible, what="hidden by the hot key")
        self.answers(app)

        # the thread goes on: every request it missed arrives, in order
        owner.command("wake 2")
        owner.wait_status(lambda s: not s.window(2).visible, what="the stalled window as the table says")
        _, items = app.open_tray_menu()
        self.assertEqual({i.text: i.checked for i in items if i.text in ("Lively", "Stalled")},
                         {"Lively": False, "Stalled": False})
        app.close_menu()
        app.click_main(vx.SHOW_ALL)
        owner.wait_status(lambda s: all(w.visible for w in s.windows), what="both shown")


class KilledFromOutside(RobustnessTestCase):
    def test_a_kill_leaves_a_whole_log_and_the_next_start_works(self):
        owner, app = self.launch_with(["Kill A"])
        os.kill(app.proc.pid, signal.SIGKILL)
        app.proc.wait(10)
        log = vx.read_log(self.workdir)
        self.assertTrue(log.endswith(b"\n") and log.count(b"**Main window**") == 1, log)
        again = self.launch_tracking(["Kill A"])
        self.assertEqual(vx.read_log(self.workdir).count(b"**Main window**"), 2)

    def test_a_close_request_from_outside_asks_before_it_ends_and_shows_the_windows(self):
        owner, app = self.launch_with(["Close A"])
        app.command(vx.HIDE_ALL)
        owner.wait_status(lambda s: not s.window(1).visible, what="hidden")
        self.desk.post(app.hwnd, harness.WM_CLOSE)
        self.answer(app, vx.EXIT_CAPTION, vx.IDNO, click=False)
        self.assertTrue(app.proc.alive())
        self.assertFalse(owner.status().window(1).visible)
        self.desk.post(app.hwnd, harness.WM_CLOSE)
        self.answer(app, vx.EXIT_CAPTION, vx.IDYES, click=False)
        app.wait_exit()
        owner.wait_status(lambda s: s.window(1).visible, what="shown before the end")

    def test_many_windows_hide_all_and_show_all_act_on_the_tracked_hundred_only(self):
        owner, app, items = self.launch_over_a_crowd(150, "Crowd %d")
        tracked = {w.index for w in owner.status().windows if w.title in items}
        app.command(vx.HIDE_ALL)
        status = owner.wait_status(lambda s: all(not s.window(i).visible for i in tracked), timeout=20,
                                   what="the tracked hidden")
        self.assertTrue(all(w.visible for w in status.windows if w.index not in tracked))
        app.command(vx.SHOW_ALL)
        owner.wait_status(lambda s: all(w.visible for w in s.windows), timeout=20, what="all shown")
