"""The About box, opened from the main window's system menu with real input."""

import harness as H
from session import VelumixTestCase
from velumix_app import ABOUT_TITLE, CONFIG_TITLE, CONFIGURE, EXIT, IDCANCEL, IDOK, SS_ICON, SS_TYPEMASK

ADDRESS = "www.orvane.example/velumix"
BLUE, PURPLE = (0, 0, 255), (128, 0, 128)
STM_GETICON = 0x0171
PARK = (1000, 300)


class AboutBox(VelumixTestCase):
    def setUp(self):
        super().setUp()
        self.desk.move(*PARK)
        self.app = self.launch()
        self.app.settled_origin()

    def open_by_keyboard(self):
        app = self.app
        app.focus()
        self.desk.key("alt+space")
        app.popup_menu()
        # Wine puts its own "&About Wine" before ours, so "a" picks that one; Up from the
        # first item wraps round to the last, ours
        self.desk.key("Up", "Return")
        return app.wait_dialog(ABOUT_TITLE)

    def open_by_caption_icon(self):
        app = self.app
        self.desk.click(*self.desk.caption_icon_point(app.hwnd))
        menu = app.popup_menu()
        self.desk.click(menu.rect.left + 60, menu.rect.bottom - 12)
        return app.wait_dialog(ABOUT_TITLE)

    def assert_main_blocked(self, about):
        self.assertFalse(self.app.info().enabled, "the main window is enabled under the About box")
        self.assertEqual(self.desk.window_info(about.hwnd).owner, self.app.hwnd)

    def assert_main_works(self):
        app = self.app
        H.wait_until(lambda: app.info().enabled, what="the main window enabled again")
        H.wait_until(lambda: self.desk.foreground().hwnd == app.hwnd, what="the main window in front")

    def test_the_system_menu_item_opens_it_with_icon_version_notice_address_and_ok(self):
        app = self.app
        about = self.open_by_keyboard()
        self.assertEqual([w.hwnd for w in app.dialogs()], [about.hwnd])
        self.assert_main_blocked(about)
        shot = self.desk.screenshot(self.artifact("about.png"))

        children = self.desk.children(about.hwnd)
        icons = [c for c in children if c.cls == "Static" and c.style & SS_TYPEMASK == SS_ICON]
        self.assertEqual(len(icons), 1, children)
        self.assertNotEqual(self.desk.send(icons[0].hwnd, STM_GETICON), 0, "the icon control has no icon")
        drawn = shot.colors(self.desk.child_rect(about.hwnd, icons[0]))
        self.assertGreaterEqual(len(drawn), 4, f"no icon drawn: {drawn}")
        self.assertIn(PURPLE, drawn)

        texts = [c.text for c in children if c.cls == "Static" and c.style & SS_TYPEMASK != SS_ICON]
        self.assertIn("Velumix Version 1.0", texts)
        self.assertEqual(len([t for t in texts if "1998" in t]), 1, texts)
        self.assertIn(ADDRESS, texts)
        ok = [c for c in children if c.id == IDOK]
        self.assertEqual(len(ok), 1, children)
        self.assertEqual((ok[0].cls, ok[0].text, ok[0].visible, ok[0].enabled), ("Button", "OK", True, True))

        self.desk.click(*app.control_center(IDOK, about.hwnd))
        app.wait_no_dialog(ABOUT_TITLE)
        self.assert_main_works()
        # and its buttons answer again
        self.desk.click(*app.control_center(CONFIGURE))
        app.close_dialog(app.wait_dialog(CONFIG_TITLE), IDCANCEL)
        self.assertTrue(app.proc.alive())

    def test_while_it_is_open_a_click_on_exit_does_nothing(self):
        app = self.app
        about = self.open_by_caption_icon()
        self.assert_main_blocked(about)
        exit_rect = self.desk.child_rect(app.hwnd, app.control(EXIT))
        x, y = app.control_center(EXIT)
        self.assertFalse(self.desk.window_info(about.hwnd).rect.contains(x, y), "the About box covers Exit")

        self.desk.move(x, y)
        self.desk.click(x, y)

        def untouched():
            if not app.proc.alive() or [w.hwnd for w in app.dialogs()] != [about.hwnd]:
                return False
            shot = self.desk.screenshot()
            return not shot.region_has_color(exit_rect, BLUE) and not shot.region_has_color(exit_rect, PURPLE)
        H.wait_until(untouched, timeout=10, stable=8, what="Exit left alone under the About box")
        self.desk.screenshot(self.artifact("click-under-about.png"))
        self.assertTrue(app.proc.alive(), "a click on Exit under the About box ended the program")
        self.assert_main_blocked(about)

        self.desk.key("Escape")
        app.wait_no_dialog(ABOUT_TITLE)
        self.assert_main_works()
        self.desk.click(x, y)
        app.wait_exit(timeout=10)

    def test_the_web_address_is_drawn_whole_on_its_line(self):
        about = self.open_by_keyboard()
        shot = self.desk.screenshot(self.artifact("address.png"))
        line = next(c for c in self.desk.children(about.hwnd) if c.text == ADDRESS)
        l, t, r, b = self.desk.child_rect(about.hwnd, line)
        paper = shot.pixel(r - 1, t)
        inked = [y - t for y in range(t, b) if any(shot.pixel(x, y) != paper for x in range(l, r))]
        bands = []
        for y in inked:
            if bands and y == bands[-1][1] + 1:
                bands[-1][1] = y
            else:
                bands.append([y, y])
        self.assertTrue(inked, "the address line is blank")
        right_edge = any(shot.pixel(r - 1, y) != paper for y in range(t, b))
        self.assertEqual(
            (len(bands), right_edge, bands[-1][1] == b - t - 1), (1, False, False),
            f"the address does not fit its {r - l}x{b - t} line: it is wrapped or cut off "
            f"(rows with ink, as bands: {bands}, ink on the right edge: {right_edge})")

    def test_enter_escape_and_the_close_box_each_close_it(self):
        for way in ("Return", "Escape", "close box"):
            about = self.open_by_keyboard()
            if way == "close box":
                self.desk.click(*self.desk.close_box_point(about.hwnd))
            else:
                self.desk.key(way)
            self.app.wait_no_dialog(ABOUT_TITLE)
            self.assert_main_works()

