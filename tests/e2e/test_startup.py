"""Start-up, the event log, the settings root and the main dialog's layout."""

import os
import re
import shutil
import stat

import harness
from session import VelumixTestCase, velumix_exe

STAMP = re.compile(rb"On (\d\d)/(\d\d)/(\d{4}) at (\d\d):(\d\d):(\d\d): ")
MAIN_LINE = re.compile(rb"\*\*Main window\*\* left=(-?\d+) top=(-?\d+) right=(-?\d+) bottom=(-?\d+)\n")

# Client pixels (x, y, width, height) of every control after initialisation.
LAYOUT = {
    1000: (11, 28, 308, 117),
    1: (230, 190, 89, 26),
    10: (119, 190, 89, 26),
    9: (11, 190, 89, 26),
    8: (230, 153, 89, 26),
    7: (119, 153, 89, 26),
    3: (11, 153, 89, 26),
}


class MainWindowTestCase(VelumixTestCase):
    def start_main(self, **kw):
        proc = self.start_velumix(**kw)
        main = self.desk.find_window("Velumix", pid=proc.winpid, visible=True, timeout=30)
        return proc, main

    def wait_gone(self, proc, timeout=15):
        harness.wait_until(lambda: not proc.alive(), timeout=timeout, stable=1, what="the program to end")


class EventLogAtStart(MainWindowTestCase):
    def test_a_start_appends_one_stamped_line_after_content_ending_mid_line(self):
        earlier = b"On 01/02/2003 at 04:05:06: earlier run\nunfinished \xe9"
        path = os.path.join(self.workdir, "logfile.log")
        with open(path, "wb") as f:
            f.write(earlier)
        proc, main = self.start_main()
        with open(path, "rb") as f:
            data = f.read()
        self.assertTrue(data.startswith(earlier), "existing content changed")
        added = data[len(earlier):]
        self.assertRegex(added[:27], STAMP)
        self.assertEqual(len(STAMP.match(added).group(0)), 27)
        month, day, year, hour, minute, second = map(int, STAMP.match(added).groups())
        self.assertTrue(1 <= month <= 12 and 1 <= day <= 31 and year >= 2000 and hour < 24 and minute < 60)
        line = MAIN_LINE.fullmatch(added[27:])
        self.assertIsNotNone(line, added)
        left, top, right, bottom = map(int, line.groups())
        # Logged before the resize: the template's own size, at its own place.
        self.assertGreater(right - left, 0)
        self.assertGreater(bottom - top, 0)
        self.assertNotEqual((right - left, bottom - top), (335, 253))

    def test_a_fresh_folder_gets_exactly_one_line(self):
        self.start_main()
        with open(os.path.join(self.workdir, "logfile.log"), "rb") as f:
            data = f.read()
        self.assertEqual(data.count(b"\n"), 1)
        self.assertTrue(data.endswith(b"\n") and b"\r" not in data)
        self.assertIsNotNone(MAIN_LINE.fullmatch(data[27:]))


class SettingsRoot(MainWindowTestCase):
    def test_first_start_leaves_the_key_chain_with_no_values(self):
        self.assertFalse(self.desk.reg_key_exists(r"HKCU\Software\Orvane"))
        self.start_main()
        self.assertEqual(self.stored(), {})

    def test_a_renamed_copy_uses_its_own_name(self):
        copy = os.path.join(self.workdir, "Hider.exe")
        shutil.copy(velumix_exe(), copy)
        self.start_main(exe=copy)
        self.assertEqual(self.stored("Hider"), {})
        self.assertEqual(self.desk.reg_subkeys(r"HKCU\Software\Orvane\Velumix"), ["Hider"])


class OneCopyPerFolder(MainWindowTestCase):
    def test_a_second_copy_in_the_same_folder_ends_at_once_without_a_window(self):
        first, main = self.start_main()
        second = self.start_velumix(name="second")
        self.wait_gone(second)
        self.assertTrue(first.alive())
        mains = [w for w in self.desk.find_windows("Velumix") if w.cls == "#32770"]
        self.assertEqual([w.hwnd for w in mains], [main.hwnd])
        with open(os.path.join(self.workdir, "logfile.log"), "rb") as f:
            self.assertEqual(f.read().count(b"**Main window**"), 1)

    def test_a_copy_in_another_folder_runs_beside_it(self):
        first, _ = self.start_main()
        other = self.desk.mkdtemp("other-")
        second, _ = self.start_main(cwd=other, name="second")
        self.assertTrue(first.alive() and second.alive())

    def test_a_read_only_folder_gives_no_window(self):
        os.chmod(self.workdir, stat.S_IRUSR | stat.S_IXUSR | stat.S_IRGRP | stat.S_IXGRP)
        self.addCleanup(os.chmod, self.workdir, 0o755)
        proc = self.start_velumix(drop_write_caps=True)
        self.wait_gone(proc)
        self.assertFalse(os.path.exists(os.path.join(self.workdir, "logfile.log")))
        self.assertEqual([w for w in self.desk.find_windows("Velumix") if w.pid == proc.winpid], [])


class MainDialogLayout(MainWindowTestCase):
    def test_window_and_controls_have_their_pixel_rectangles(self):
        proc, main = self.start_main()
        info = self.desk.window_info(main.hwnd)
        self.assertEqual((info.rect.width, info.rect.height), (335, 253))
        children = {c.id: c for c in self.desk.children(main.hwnd)}
        for cid, (x, y, w, h) in LAYOUT.items():
            r = children[cid].rect
            self.assertEqual((r.left, r.top, r.width, r.height), (x, y, w, h), f"control {cid}")
        self.desk.screenshot(self.artifact("main-dialog.png"))

    def test_system_menu_holds_exactly_the_listed_items(self):
        proc, main = self.start_main()
        items = [(m.kind, m.id, m.text) for m in self.desk.sysmenu(main.hwnd)]
        self.assertEqual(items, [
            ("item", 0xF010, "&Move"),
            ("item", 0xF020, "Mi&nimize"),
            ("separator", 0, ""),
            ("item", 0xF060, "&Close\tAlt+F4"),
            ("separator", 0, ""),
            ("item", 0x0010, "&About Wyndra..."),
        ])


class EndingTheProgram(MainWindowTestCase):
    def test_enter_and_ok_put_the_window_away_but_never_end_the_program(self):
        proc, main = self.start_main()
        self.desk.bring_to_front(main.hwnd)
        self.desk.key("Return")
        harness.wait_until(lambda: not self.desk.window_info(main.hwnd).visible, what="hidden by Enter")
        self.assertTrue(proc.alive())
        self.desk.show_window(main.hwnd, harness.SW_SHOW)
        self.desk.post(main.hwnd, harness.WM_COMMAND, 1, 0)
        harness.wait_until(lambda: not self.desk.window_info(main.hwnd).visible, what="hidden by OK")
        self.assertTrue(proc.alive())

    def test_escape_takes_the_exit_path(self):
        proc, main = self.start_main()
        self.desk.bring_to_front(main.hwnd)
        self.desk.key("Escape")
        self.wait_gone(proc)

    def test_the_close_box_takes_the_exit_path(self):
        proc, main = self.start_main()
        self.desk.click(*self.desk.close_box_point(main.hwnd))
        self.wait_gone(proc)
