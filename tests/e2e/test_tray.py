"""The tray icon, its menu, and the main window going into the tray and coming back."""

import harness as H
import velumix_app as V
from session import VelumixTestCase

COMMANDS = [("separator", 0, "", False),
            ("item", V.MENU_SHOW_ALL, "Show all", False),
            ("item", V.MENU_HIDE_ALL, "Hide all", False),
            ("item", V.MENU_LOCK, "Lock with password", False),
            ("separator", 0, "", False),
            ("item", V.CONFIGURE, "Configure Velumix", False),
            ("item", V.IDCANCEL, "Exit", False)]


def shape(items):
    return [(i.kind, i.id, i.text, i.checked) for i in items]


def window_titles(items):
    return [i.text for i in items if V.MENU_WINDOW_FIRST <= i.id < V.MENU_WINDOW_FIRST + 100]


class TrayTestCase(VelumixTestCase):
    def visible(self, ow):
        return {w.title: w.visible for w in ow.status().windows}

    def taskbar_button_shown(self, hwnd):
        return any(b.hwnd == hwnd and b.visible for b in self.desk.taskbar_buttons())


class TrayMenuContents(TrayTestCase):
    def test_right_click_opens_the_menu_right_aligned_at_the_click(self):
        ow, app = self.launch_with(["Tray one", "Tray two", "Tray three"])
        self.bring_to_front(ow, 1)
        x, y = app.tray_point()
        self.desk.click(x, y, button=3)
        menu, items = app.tray_menu()
        self.desk.screenshot(self.artifact("tray-menu.png"))
        # the menu does not fit below the taskbar, so it goes up, its right edge still at the click
        self.assertEqual(menu.rect.right, x)
        self.assertLessEqual(menu.rect.bottom, y)
        self.assertGreater(menu.rect.top, 0)
        self.assertEqual(shape(items),
                         [("item", V.MENU_WINDOW_FIRST + i, t, True) for i, t in enumerate(app.list_items())]
                         + COMMANDS)
        self.assertEqual(sorted(window_titles(items)), ["Tray one", "Tray three", "Tray two"])
        # the main window is not brought to the front for the menu
        self.assertNotEqual(self.desk.foreground().hwnd, app.hwnd)
        app.close_menu()

    def test_the_menu_hangs_from_the_cursor_by_its_top_right_corner(self):
        ow, app = self.launch_with(["Corner"])
        self.desk.move(600, 300)
        H.wait_until(lambda: self.desk.cursor() == (600, 300), timeout=5, what="the cursor at 600,300")
        app.tray_notify(H.WM_RBUTTONUP)
        menu, items = app.tray_menu()
        self.assertEqual((menu.rect.right, menu.rect.top), (600, 300))
        self.assertEqual(window_titles(items), ["Corner"])
        app.close_menu()

    def test_shown_windows_carry_a_check_mark_and_hidden_ones_none(self):
        ow, app = self.launch_with(["Marked one", "Marked two"])
        _, items = app.open_tray_menu()
        self.assertTrue(all(i.checked for i in items if i.text in ("Marked one", "Marked two")))
        app.choose(items, "Marked two")
        ow.wait_status(lambda s: not s.window(2).visible and s.window(1).visible, what="Marked two hidden")
        _, items = app.open_tray_menu()
        marks = {i.text: i.checked for i in items if i.kind == "item"}
        self.assertEqual((marks["Marked one"], marks["Marked two"]), (True, False))
        self.assertFalse(any(marks[c] for c in ("Show all", "Hide all", "Exit")))
        app.close_menu()

    def test_window_items_show_each_title_as_it_is(self):
        # A tab would start a second column of the menu: it shows as a space.
        titles = ["日本語のタイトル", "中文标题", "한국어 제목", "Видео — плеер", "Song 🎵 Player", "عنوان عربي",
                  "R&D", "Q&&A", "Name\tSize"]
        ow, app = self.launch_with(titles)
        _, items = app.open_tray_menu()
        self.desk.screenshot(self.artifact("menu.png"))
        app.close_menu()
        shown = [V.menu_shown(t) for t in window_titles(items)]
        self.assertEqual(sorted(shown), sorted(t.replace("\t", " ") for t in titles))

    def test_with_no_known_windows_the_menu_starts_with_the_separator(self):
        app = self.launch()
        self.assertEqual(app.list_items(), [])
        _, items = app.open_tray_menu()
        self.assertEqual(shape(items), COMMANDS)
        app.close_menu()

    def test_the_first_menu_shows_the_start_up_table_and_later_ones_refresh(self):
        ow, app = self.launch_with(["At start"])
        app.click_control(V.IDOK)  # into the tray: the list refresh stops
        app.wait_visible(False)
        ow.command("open Opened later")
        _, items = app.open_tray_menu()
        self.assertEqual(window_titles(items), ["At start"])
        app.close_menu()
        _, items = app.open_tray_menu()
        self.assertEqual(sorted(window_titles(items)), ["At start", "Opened later"])
        app.close_menu()


class TrayMenuCommands(TrayTestCase):
    def test_a_window_item_toggles_that_window(self):
        ow, app = self.launch_with(["Toggle me", "Leave me"])
        app.choose_from_tray("Toggle me")
        ow.wait_status(lambda s: not s.window(1).visible, what="Toggle me hidden")
        self.assertTrue(ow.window(2).visible)
        app.choose_from_tray("Toggle me")
        ow.wait_status(lambda s: s.window(1).visible, what="Toggle me shown again")
        self.assertTrue(ow.window(2).visible)

    def test_hide_all_and_show_all(self):
        ow, app = self.launch_with(["All one", "All two"])
        app.choose_from_tray("Hide all")
        ow.wait_status(lambda s: not any(w.visible for w in s.windows), what="both hidden")
        self.assertTrue(app.visible())
        _, items = app.open_tray_menu()
        self.assertFalse(any(i.checked for i in items))
        app.choose(items, "Show all")
        ow.wait_status(lambda s: all(w.visible for w in s.windows), what="both shown")

    def test_configure_opens_the_configuration_dialog(self):
        app = self.launch()
        app.choose_from_tray("Configure Velumix")
        dlg = app.wait_dialog(V.CONFIG_TITLE)
        self.assertEqual(dlg.owner, app.hwnd)
        app.close_dialog(dlg, V.IDCANCEL)
        self.assertTrue(app.proc.alive())

    def test_exit_ends_the_program(self):
        ow, app = self.launch_with(["Still here"])
        app.choose_from_tray("Exit")
        app.wait_exit()
        self.assertTrue(ow.window(1).visible)

    def test_an_item_chosen_after_the_table_moved_acts_on_the_window_it_named(self):
        titles = ["Slot A", "Slot B", "Slot C", "Slot D"]
        ow, app = self.launch_with(titles)
        index = {t: i + 1 for i, t in enumerate(titles)}   # owner window numbers

        _, items = app.open_tray_menu()
        named = window_titles(items)
        first = named[0]
        # gone while the menu is open: the refresh drops its slot and the others move up
        ow.command(f"close {index[first]}")
        app.wait_list(lambda items: first not in items and len(items) == 3, what=f"{first} gone from the list")
        app.choose(items, first)
        # the next menu comes after the command: nothing was toggled in between
        _, items = app.open_tray_menu()
        self.assertEqual(window_titles(items), named[1:])
        self.assertTrue(all(i.checked for i in items if i.text in named))
        self.assertTrue(all(w.visible for w in ow.status().windows))

        named = window_titles(items)
        ow.command(f"close {index[named[0]]}")
        app.wait_list(lambda items: named[0] not in items and len(items) == 2, what=f"{named[0]} gone")
        # this item's slot now holds the window after it
        app.choose(items, named[1])
        ow.wait_status(lambda s: not s.window(index[named[1]]).visible, what=f"{named[1]} hidden")
        self.assertTrue(ow.window(index[named[2]]).visible, f"{named[2]} was hidden instead")


class IntoTheTrayAndBack(TrayTestCase):
    def round_trip(self, put_away):
        ow, app = self.launch_with(["Before the tray"])
        H.wait_until(lambda: self.taskbar_button_shown(app.hwnd), what="the main window's taskbar button")
        put_away(app)
        app.wait_visible(False)
        H.wait_until(lambda: not self.taskbar_button_shown(app.hwnd), what="no taskbar button")
        ow.command("open While in the tray")
        # the refresh is off: refresh periods go by without the new window in the list
        H.wait_until(lambda: "While in the tray" not in app.list_items(), stable=10, interval=0.1,
                     what="the list left as it was")
        self.assertIn("Before the tray", app.list_items())
        app.restore_from_tray()
        info = app.info()
        self.assertFalse(info.iconic)
        self.assertIn("While in the tray", app.list_items())
        H.wait_until(lambda: self.taskbar_button_shown(app.hwnd), what="the taskbar button back")
        # and the refresh runs again
        ow.command("open After coming back")
        app.wait_list(lambda items: "After coming back" in items, what="the list refreshed again")
        self.assertTrue(app.proc.alive())
        return app

    def test_ok_puts_the_window_into_the_tray(self):
        self.round_trip(lambda app: app.click_control(V.IDOK))

    def test_enter_puts_the_window_into_the_tray(self):
        def enter(app):
            app.focus()
            self.desk.key("Return")
        self.round_trip(enter)

    def test_minimising_puts_the_window_into_the_tray(self):
        def minimise(app):
            self.desk.click(*self.desk.minimize_box_point(app.hwnd))
        self.round_trip(minimise)


class TrayIconComingAndGoing(TrayTestCase):
    def test_a_taskbar_created_broadcast_puts_the_icon_back(self):
        app = self.launch()
        app.tray_point()
        # the notification area forgets the icon, as a restarted one would
        self.desk.notify_icon_delete(app.hwnd, 5)
        H.wait_until(lambda: not self.desk.tray_visible(), timeout=10, what="the icon gone")
        app.taskbar_created()
        H.wait_until(lambda: self.desk.tray_visible() and self.desk.tray_icon_count() == 1, timeout=10,
                     what="the icon back")
        self.assertEqual(self.desk.tray_tip(), "Right-click on me!")
        _, items = app.open_tray_menu()
        self.assertEqual(shape(items), COMMANDS)
        app.close_menu()
        self.assertNotIn("couldn't", self.log_text())

    def test_without_an_icon_minimising_leaves_the_window_minimised_and_the_refresh_on(self):
        tray = V.start_fake_tray(self.desk, self.workdir)   # refuses every icon
        ow, app = self.launch_with(["Watching"])
        H.wait_until(lambda: "HideToTray: " + V.NO_TRAY_LOG + "\n" in self.log_text(),
                     what="the failed add in the log")
        self.desk.click(*self.desk.minimize_box_point(app.hwnd))
        H.wait_until(lambda: app.info().iconic, what="the main window minimised")
        self.assertTrue(app.visible())
        H.wait_until(lambda: self.log_text().count("HideToTray: " + V.NO_TRAY_LOG) == 2,
                     what="the second failed add in the log")
        ow.command("open Seen while minimised")
        app.wait_list(lambda items: "Seen while minimised" in items, what="the list still refreshed")
        # the notification area comes back and announces itself: the icon goes up
        V.stop_fake_tray(self.desk, tray)
        H.wait_until(lambda: self.desk.tray_visible() and self.desk.tray_icon_count() == 1,
                     what="the icon in the returned notification area")
        app.double_click_tray()
        H.wait_until(lambda: app.visible() and not app.info().iconic, what="the main window restored")

    def test_the_icon_is_removed_at_exit_and_both_window_icons_are_set(self):
        tray = V.start_fake_tray(self.desk, self.workdir, mode=V.TRAY_KEEPS)
        app = self.launch()
        H.wait_until(lambda: V.fake_tray_icons(self.desk, tray) == 1, what="the icon up")
        # asked from inside the process: under Wine the message does not cross processes
        self.assertEqual(self.desk.vx("windowicons", hex(app.hwnd)), [["icons", "1", "1", "1"]])
        self.desk.post(app.hwnd, H.WM_CLOSE)
        app.wait_exit()
        self.assertEqual(V.fake_tray_icons(self.desk, tray), 0, "the icon outlived the program")

