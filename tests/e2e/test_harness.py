"""Self-tests of the end-to-end harness: each one would fail on a real fault in it."""

import os
import struct
import subprocess
import unittest

import harness as H
import session
from session import E2ETestCase

WHITE = (255, 255, 255)


class DesktopTest(E2ETestCase):

    def test_virtual_desktop_fills_the_screen(self):
        d = self.desk
        self.assertIsNotNone(d.desktop_xid)
        scr = d.screen()
        self.assertEqual(scr["size"], (1024, 768))
        self.assertEqual(scr["acp"], 1252)
        self.assertIsNotNone(d.tray_window(), "explorer's taskbar window is missing")
        # X root coordinates are Windows screen coordinates
        for x, y in ((321, 234), (1014, 758), (0, 0)):
            d.move(x, y)
            H.wait_until(lambda: d.cursor() == (x, y), timeout=5, stable=1, what=f"cursor at {x},{y}")

    def test_screenshot_is_a_png_of_the_screen(self):
        ow = self.owned_windows(["Vx shot"])
        info = self.desk.window_info(ow.hwnd(1))
        path = self.artifact("screen.png")
        shot = self.desk.screenshot(path)
        with open(path, "rb") as f:
            head = f.read(33)
        self.assertEqual(head[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual(head[12:16], b"IHDR")
        self.assertEqual(struct.unpack(">II", head[16:24]), (1024, 768))
        # the client area below the edit is window-background white; the desktop is not
        ox, oy = info.client_origin
        self.assertEqual(shot.pixel(ox + 100, oy + 80), WHITE)
        self.assertTrue(shot.region_has_color((ox + 10, oy + 50, ox + 190, oy + 110), WHITE))
        self.assertNotEqual(shot.pixel(900, 300), WHITE)
        self.assertFalse(shot.region_has_color((850, 200, 950, 300), WHITE))


class OwnerWindowsTest(E2ETestCase):

    def test_titles_arrive_byte_exact(self):
        titles = ["Vx plain", "Vx caf\u00e9 \u00e0 la cr\u00e8me \u00ff", "T" * 98 + "9",
                  "U" * 99 + "\u00e9", "V" * 199 + "!"]
        ow = self.owned_windows(titles)
        st = ow.status()
        self.assertEqual([w.title for w in st.windows], titles)
        self.assertEqual([len(H.ansi_encode(t)) for t in titles[2:]], [99, 100, 200])
        for t in titles:
            w = self.desk.find_window(t, timeout=2)
            self.assertEqual((w.title, w.cls, w.visible, w.pid), (t, "VxOwnerWindow", True, st.pid))
        # titles from the commands file, including an empty one
        ow.command("retitle 1 now  with spaces \u00e9")
        self.desk.find_window("now  with spaces \u00e9", timeout=5)
        ow.command("retitle 2 ")
        st = ow.wait_status(lambda s: s.window(2).title == "")
        self.assertEqual(self.desk.window_info(st.window(2).hwnd).title, "")

    def test_owner_state_matches_what_others_see(self):
        ow = self.owned_windows(["Vx a", "Vx b", "Vx c", "Vx d"])
        ow.command("hide 1")
        ow.command("minimize 2")
        ow.command("maximize 3")
        st = ow.wait_status(lambda s: not s.window(1).visible and s.window(2).iconic and s.window(3).zoomed)
        for i, (vis, icon, zoom) in {1: (0, 0, 0), 2: (1, 1, 0), 3: (1, 0, 1), 4: (1, 0, 0)}.items():
            w = st.window(i)
            seen = self.desk.window_info(w.hwnd)
            self.assertEqual((w.visible, w.iconic, w.zoomed), (bool(vis), bool(icon), bool(zoom)))
            self.assertEqual((seen.visible, seen.iconic, seen.zoomed), (w.visible, w.iconic, w.zoomed))
            self.assertEqual(seen.show_cmd, w.show_cmd)
            if not (icon or zoom):
                # across processes Wine 8 reports the current rect as the normal one
                self.assertEqual(seen.normal_rect, w.normal_rect)
        # maximized and minimized windows keep their normal placement
        self.assertEqual(st.window(3).normal_rect.width, st.window(4).normal_rect.width)
        self.assertNotEqual(st.window(3).rect, st.window(3).normal_rect)
        ow.command("restore 3")
        ow.command("show 1")
        ow.wait_status(lambda s: s.window(1).visible and not s.window(3).zoomed)
        h4 = ow.hwnd(4)
        ow.command("close 4")
        st = ow.wait_status(lambda s: s.window(4) is None)
        self.assertFalse(self.desk.is_window(h4))
        self.assertEqual(self.desk.find_windows("Vx d"), [])

    def test_hide_by_another_process_is_seen_by_the_owner(self):
        ow = self.owned_windows(["Vx target"])
        h = ow.hwnd(1)
        self.desk.show_window(h, H.SW_HIDE)
        ow.wait_status(lambda s: not s.window(1).visible)
        self.assertFalse(self.desk.window_info(h).visible)
        self.desk.show_window(h, H.SW_SHOW)
        ow.wait_status(lambda s: s.window(1).visible)
        self.desk.post(h, H.WM_SYSCOMMAND, H.SC_MINIMIZE, 0)
        ow.wait_status(lambda s: s.window(1).iconic)
        self.desk.post(h, H.WM_SYSCOMMAND, H.SC_RESTORE, 0)
        ow.wait_status(lambda s: not s.window(1).iconic and s.window(1).visible)

    def test_children_geometry(self):
        ow = self.owned_windows(["Vx kids"])
        h = ow.hwnd(1)
        info = self.desk.window_info(h)
        self.assertEqual(info.client_size, (200, 120))
        self.assertTrue(info.rect.contains(*info.client_origin))
        kids = self.desk.children(h)
        self.assertEqual([(c.id, c.cls) for c in kids], [(100, "Edit")])
        self.assertEqual(kids[0].rect, H.Rect(4, 4, 196, 28))
        self.assertEqual(kids[0].parent, h)


class InputTest(E2ETestCase):

    def test_typed_keys_reach_the_focused_window(self):
        ow = self.owned_windows(["Vx keys"])
        ow.command("activate 1")
        ow.wait_status(lambda s: s.window(1).foreground)
        self.assertEqual(self.desk.foreground().hwnd, ow.hwnd(1))
        self.desk.type_text("Hello vx 42")
        ow.wait_status(lambda s: s.window(1).edit_text == "Hello vx 42")
        self.desk.key("BackSpace", "BackSpace", "shift+a")
        ow.wait_status(lambda s: s.window(1).edit_text == "Hello vx A")

    def test_hot_key_fires_after_a_desktop_click(self):
        ow = self.owned_windows(["Vx hotkey"])
        ow.command(f"hotkey 1 7 {H.MOD_CONTROL | H.MOD_ALT} {ord('J')}")
        self.desk.key_from_desktop("ctrl+alt+j")
        st = ow.wait_status(lambda s: s.window(1).hotkeys >= 1, stable=1)
        self.assertEqual(st.window(1).last_hotkey, 7)
        ow.command("unhotkey 1 7")

    def test_notification_icons_take_clicks(self):
        d = self.desk
        ow = self.owned_windows(["Vx tray"])
        ow.command("trayicon 1 first icon")
        x, y = d.tray_icon_position(0)
        self.assertEqual(d.tray_icon_count(), 1)
        d.click(x, y, button=3)
        ow.wait_status(lambda s: H.WM_RBUTTONUP in s.window(1).tray_events, stable=1)
        d.double_click(x, y)
        ow.wait_status(lambda s: H.WM_LBUTTONDBLCLK in s.window(1).tray_events, stable=1)
        # a second icon goes to the left of the first
        ow2 = self.owned_windows(["Vx tray 2"])
        ow2.command("trayicon 1 second icon")
        x2, y2 = d.tray_icon_position(1)
        self.assertEqual((x2, y2), (x - 20, y))
        H.wait_until(lambda: d.tray_icon_count() == 2, what="two icons drawn")
        d.click(x2, y2, button=3)
        ow2.wait_status(lambda s: H.WM_RBUTTONUP in s.window(1).tray_events, stable=1)
        # a killed program's icon goes with its window
        ow2.proc.kill()
        H.wait_until(lambda: d.tray_icon_count() == 1, what="the killed owner's icon to go")
        ow.command("untray 1")
        H.wait_until(lambda: not d.tray_visible(), what="the taskbar to hide")


class CrossProcessTest(E2ETestCase):

    def _listbox(self, ow, index=1):
        return [c.hwnd for c in self.desk.children(ow.hwnd(index)) if c.cls.lower() == "listbox"][0]

    def test_listbox_items_read_from_another_process(self):
        ow = self.owned_windows(["Vx list", "Vx odlist"])
        texts = ["first", "caf\u00e9 second", "x" * 150, ""]
        for i, style in ((1, ""), (2, " 0x50")):  # 0x50: owner-drawn, with strings
            ow.command(f"listbox {i}{style}")
            for t in texts:
                ow.command(f"additem {i} {t}")
        ow.command("select 1 1")
        lb = self.desk.listbox(self._listbox(ow))
        self.assertEqual((lb.count, lb.selection, lb.texts), (4, 1, texts))
        self.assertEqual([i.length for i in lb.items], [len(t) for t in texts])
        self.assertEqual([i.selected for i in lb.items], [False, True, False, False])
        lb2 = self.desk.listbox(self._listbox(ow, 2))
        self.assertEqual((lb2.count, lb2.selection, lb2.texts), (4, -1, texts))

    def test_system_menu_of_another_process(self):
        ow = self.owned_windows(["Vx sysmenu"])
        h = ow.hwnd(1)
        try:
            plain = self.desk.sysmenu(h, inject=False)
        except H.VxError as e:
            self.assertEqual(e.code, 4, e)  # Wine 8: the menu lives in the other process
            plain = None
        items = self.desk.sysmenu(h, wine_items=True)
        self.assertTrue(plain is None or plain == items)
        by_id = {i.id: i for i in items}
        if H.SC_ABOUTWINE in by_id:
            stripped = self.desk.sysmenu(h)
            self.assertEqual(len(stripped), len(items) - 2)
            self.assertNotIn(H.SC_ABOUTWINE, [i.id for i in stripped])
        self.assertEqual(by_id[H.SC_CLOSE].text, "&Close\tAlt+F4")
        self.assertIn(H.SC_MINIMIZE, by_id)
        self.assertIn("separator", [i.kind for i in items])
        self.assertEqual([i.position for i in items], list(range(len(items))))
        self.assertTrue(ow.proc.alive())

    def test_readers_reach_a_process_of_the_other_bitness(self):
        # the environment (its pid found by its tag) and the injected menu reader
        if not self.desk.peer_vxtool:
            self.skipTest("no build tree of the other bitness (--peer)")
        if not H.runs_32bit():
            self.skipTest("this kernel runs no 32-bit code")
        ow = self.owned_windows(["Vx other bitness"], vxtool=self.desk.peer_vxtool)
        self.assertEqual(ow.proc.winpid, ow.status().pid)
        by_id = {i.id: i for i in self.desk.sysmenu(ow.hwnd(1))}
        self.assertEqual(by_id[H.SC_CLOSE].text, "&Close\tAlt+F4")

    def test_process_ids_and_exit_codes(self):
        ow = self.owned_windows(["Vx pid"])
        self.assertEqual(ow.proc.winpid, ow.status().pid)
        self.assertEqual(self.desk.find_window("Vx pid").pid, ow.proc.winpid)
        # the Unix pid is the Windows program itself, not a loader in front of it
        with open(f"/proc/{ow.proc.pid}/cmdline", "rb") as f:
            self.assertIn(b"vxtool.exe", f.read().split(b"\0")[0])
        h = ow.hwnd(1)
        ow.proc.kill()
        self.assertFalse(ow.proc.alive())
        H.wait_until(lambda: not self.desk.is_window(h), what="the killed owner's window to go")
        p = self.desk.run(self.desk.vxtool, ["find", "no window has this title"])
        self.assertEqual(p.wait(10), 3)

    def test_read_only_working_directory(self):
        ro = os.path.join(self.workdir, "ro")
        os.mkdir(ro)
        os.chmod(ro, 0o555)
        p = self.desk.run(self.desk.vxtool, ["touch", "probe.txt"], cwd=ro, drop_write_caps=True)
        self.assertEqual(p.wait(10), 1, p.output())
        self.assertFalse(os.path.exists(os.path.join(ro, "probe.txt")))
        p = self.desk.run(self.desk.vxtool, ["touch", "probe.txt"], cwd=self.workdir, drop_write_caps=True)
        self.assertEqual(p.wait(10), 0, p.output())
        self.assertTrue(os.path.exists(os.path.join(self.workdir, "probe.txt")))

    def test_registry_round_trip(self):
        d = self.desk
        key = r"HKCU\Software\VxHarnessTest"
        d.reg_delete(key)
        self.assertFalse(d.reg_key_exists(key))
        self.assertIsNone(d.reg_query(key))
        d.reg_add(key, "text", "REG_SZ", "caf\u00e9 au lait")
        d.reg_add(key, "", "REG_SZ", "default")
        d.reg_add(key, "n", "REG_DWORD", 0xFFFFFFFE)
        d.reg_add(key, "big", "REG_QWORD", 2 ** 40 + 1)
        d.reg_add(key, "blob", "REG_BINARY", b"\x00\x01\xfe")
        d.reg_add(key, "list", "REG_MULTI_SZ", ["a", "b c"])
        d.reg_add(key, "empty", "REG_SZ", "")
        d.reg_add(key + r"\Sub", "x", "REG_SZ", "y")
        self.assertEqual(d.reg_query(key), {
            "text": ("REG_SZ", "caf\u00e9 au lait"), "": ("REG_SZ", "default"),
            "n": ("REG_DWORD", 0xFFFFFFFE), "big": ("REG_QWORD", 2 ** 40 + 1),
            "blob": ("REG_BINARY", b"\x00\x01\xfe"), "list": ("REG_MULTI_SZ", ["a", "b c"]),
            "empty": ("REG_SZ", "")})
        self.assertEqual(d.reg_subkeys(key), ["Sub"])
        # Wine's own reg.exe sees the same (it prints in the OEM code page)
        p = d.run("reg", ["query", key, "/v", "text"], name="reg")
        self.assertEqual(p.wait(10), 0)
        with open(p.log_path, "rb") as f:
            self.assertIn("caf\u00e9 au lait", f.read().decode("cp437"))
        d.reg_delete(key, "n")
        self.assertNotIn("n", d.reg_query(key))
        d.reg_delete(key)
        self.assertFalse(d.reg_key_exists(key))
        d.reg_delete(key)  # absent is fine


class LifeCycleTest(unittest.TestCase):
    """A desktop of its own, to see that close() leaves nothing behind."""

    def test_close_leaves_nothing_running(self):
        desk = H.WineDesktop(session.vxtool_exe(), artifacts=os.path.join(session.artifacts_dir(), "lifecycle"))
        try:
            desk.start()
            ow = desk.owned_windows(["Vx lifecycle"])
            ow.command("trayicon 1")
            self.assertTrue(ow.proc.alive())
            xvfb, server = desk._xvfb, desk._server
            self.assertTrue(desk.leftover_processes())
        finally:
            desk.close()
        self.assertEqual(desk.leftover_processes(), [])
        self.assertIsNotNone(xvfb.poll())
        self.assertIsNotNone(server.poll())
        self.assertFalse(ow.proc.alive())
        self.assertFalse(os.path.exists(desk.root))
        r = subprocess.run(["xdpyinfo"], env={"DISPLAY": desk.display, "PATH": os.environ["PATH"]},
                           capture_output=True)
        self.assertNotEqual(r.returncode, 0, "the private X server still answers")


if __name__ == "__main__":
    unittest.main()
