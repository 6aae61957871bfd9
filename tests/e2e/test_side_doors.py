"""Nothing runs nested behind one of the program's own dialogs or message boxes. With each
one open, the lock hot key, the tray icon and the tray menu's commands neither lock around
it, nor open a second dialog, nor end the program, nor change a setting, nor show a window
while the program is locked; Hide All leaves the program's own windows alone; and once the
dialog is closed, exactly the four stored hot keys are live."""

import time

import harness as H
import velumix_app as V
from session import VelumixTestCase

WM_SYSCOMMAND_ABOUT = 0x0010
NOT_NOW = "Velumix is not locked: one of its windows is open. Close it first, then lock again."
DOORS = ["Door one", "Door two"]


class SideDoorCase(VelumixTestCase):
    def setUp(self):
        super().setUp()
        self.seed_hot_keys()   # Ctrl+Alt: S show all, L lock, H hide current, J hide all

    def start(self, password=None):
        if password is not None:
            self.seed_settings(password=password)
        self.before = self.stored()
        self.ow, self.app = self.launch_with(DOORS)
        # one window hidden, so that both exit questions have something to ask about
        self.slot_of_door_one = self.app.list_items().index(DOORS[0])
        self.app.choose_from_tray(DOORS[0])
        self.ow.wait_status(lambda s: not s.window(1).visible, what="door one hidden")
        return self.app

    def visible_doors(self):
        st = self.ow.status()
        return [w.visible for w in st.windows]

    def holds(self, predicate, seconds=1.5, what="the state to hold"):
        """Reached, and then true at every look for `seconds`."""
        H.wait_until(predicate, timeout=10, stable=1, what=what)
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            self.assertTrue(predicate(), f"{what}: did not hold")
            time.sleep(0.1)

    def dismiss_refusal(self, open_before):
        """The message that refuses a lock behind an open dialog: a new box on top."""
        box = H.wait_until(lambda: next((d for d in self.app.dialogs(V.OOPS) if d.hwnd not in open_before), None),
                           what="the refusal to lock")
        self.assertEqual(self.app.message_text(box), NOT_NOW)
        self.app.press(box, V.IDOK)
        H.wait_until(lambda: self.own_dialogs() == open_before, what="the refusal closed")

    def own_dialogs(self):
        return sorted(d.hwnd for d in self.app.dialogs())

    def try_side_doors(self, dialog, locked, keys_live):
        """Every way in from outside the dialog, with `dialog` open on top."""
        app, desk = self.app, self.desk
        open_before = self.own_dialogs()

        if keys_live:
            desk.key("ctrl+alt+l")
            if locked:
                self.holds(lambda: self.own_dialogs() == open_before, what="the lock key ignored while locked")
            else:
                self.dismiss_refusal(open_before)
            desk.key("ctrl+alt+j")
            if not locked:
                self.ow.wait_status(lambda s: not any(w.visible for w in s.windows), what="doors hidden")
            desk.key("ctrl+alt+s")
            if not locked:
                self.ow.wait_status(lambda s: all(w.visible for w in s.windows), what="doors shown")

        # the tray icon: no menu, no main window, and the open dialog still on top
        main_visible = app.visible()
        app.right_click_tray()
        app.double_click_tray()
        desk.click(*app.tray_point())
        self.holds(lambda: app.no_popup_menu() and app.visible() == main_visible
                   and self.own_dialogs() == open_before, what="the tray icon doing nothing behind the dialog")

        # the tray menu's commands, as the menu would send them
        for command in (V.MENU_LOCK, V.CONFIGURE, V.IDCANCEL):
            app.command(command)
            if command == V.MENU_LOCK and not locked:
                self.dismiss_refusal(open_before)
            self.holds(lambda: self.own_dialogs() == open_before and app.proc.alive(),
                       what=f"command {command} refused behind the dialog")
        for command in (V.MENU_HIDE_ALL, V.MENU_SHOW_ALL, V.MENU_WINDOW_FIRST + self.slot_of_door_one):
            app.command(command)
        if locked:
            self.holds(lambda: self.visible_doors() == [False, True], what="nothing shown while locked")
        else:
            # hide all, show all, then the first item toggles door one
            self.ow.wait_status(lambda s: [w.visible for w in s.windows] == [False, True], what="the commands ran")

        # the dialog itself was never hidden, and nothing was stored
        info = desk.window_info(dialog.hwnd)
        self.assertTrue(info and info.visible, "the program's own dialog was hidden")
        self.assertEqual(self.own_dialogs(), open_before)
        self.assertEqual(app.visible(), main_visible)
        self.assertEqual(self.stored(), self.before)
        self.assertTrue(app.proc.alive())

    def assert_exactly_the_stored_keys(self):
        """Press each stored hot key, and one never stored, as real keys."""
        app, ow, desk = self.app, self.ow, self.desk
        H.wait_until(lambda: not app.dialogs(), what="no dialog left")
        ow.wait_status(lambda s: [w.visible for w in s.windows] == [False, True], what="door one hidden")
        self.activate(ow, 2)
        desk.key("ctrl+alt+h")
        ow.wait_status(lambda s: not any(w.visible for w in s.windows), what="hide current")
        desk.key_from_desktop("ctrl+alt+s")
        ow.wait_status(lambda s: all(w.visible for w in s.windows), what="show all")
        desk.key("ctrl+alt+k")   # never stored
        self.holds(lambda: all(self.visible_doors()), what="the stale key doing nothing")
        desk.key("ctrl+alt+j")
        ow.wait_status(lambda s: not any(w.visible for w in s.windows), what="hide all")
        desk.key("ctrl+alt+s")
        ow.wait_status(lambda s: all(w.visible for w in s.windows), what="show all again")
        if self.before.get("password", ("", ""))[1]:
            desk.key("ctrl+alt+l")
            app.wait_visible(False)


class Unlocked(SideDoorCase):
    def test_about_box(self):
        app = self.start(password="pw")
        app.focus()
        self.desk.post(app.hwnd, H.WM_SYSCOMMAND, WM_SYSCOMMAND_ABOUT, 0)
        about = app.wait_dialog(V.ABOUT_TITLE)
        self.try_side_doors(about, locked=False, keys_live=True)
        app.press(about, V.IDOK)
        self.assert_exactly_the_stored_keys()

    def test_configuration_dialog_and_a_key_typed_then_cancelled(self):
        app = self.start(password="pw")
        dlg = app.open_config()
        self.try_side_doors(dlg, locked=False, keys_live=False)
        # a combination typed and then cancelled must not stay live
        app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDEALL, "ctrl+alt+k")
        app.close_dialog(dlg, V.IDCANCEL)
        self.assert_exactly_the_stored_keys()

    def test_set_password_dialog(self):
        app = self.start()
        prompt = app.open_set_password()
        self.try_side_doors(prompt, locked=False, keys_live=True)
        app.press(prompt, V.IDCANCEL)
        self.assert_exactly_the_stored_keys()

    def box_over_the_configuration(self, fill):
        """The configuration dialog, filled so that its OK is refused with a message box;
        the side doors are tried with the box on top, then both are cancelled."""
        app = self.start(password="pw")
        dlg = app.open_config()
        fill(app, dlg)
        app.click_button(dlg, V.IDOK)
        box, _ = app.wait_message(V.OOPS)
        self.try_side_doors(box, locked=False, keys_live=False)
        app.close_dialog(box, V.IDOK)
        app.close_dialog(app.wait_dialog(V.CONFIG_TITLE), V.IDCANCEL)
        self.assert_exactly_the_stored_keys()

    def test_duplicate_hot_keys_message(self):
        def fill(app, dlg):
            app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDECURRENT, "ctrl+alt+y")
            app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDEALL, "ctrl+alt+y")
        self.box_over_the_configuration(fill)

    def test_password_mismatch_message(self):
        def fill(app, dlg):
            app.type_into(dlg, V.CFG_PASSWORD, "one")
            app.type_into(dlg, V.CFG_CONFIRM, "two")
        self.box_over_the_configuration(fill)

    def test_the_message_that_windows_were_not_hidden(self):
        app = self.start(password="pw")
        self.refuse_writes(V.journal_key())
        app.command(V.MENU_HIDE_ALL)
        box, _ = app.wait_message(V.OOPS)
        open_before = self.own_dialogs()
        self.desk.key("ctrl+alt+l")
        self.dismiss_refusal(open_before)
        self.assertTrue(app.visible())
        app.close_dialog(box, V.IDOK)

    def test_unlocked_exit_question(self):
        app = self.start(password="pw")
        app.click_main(V.EXIT)
        box, _ = app.wait_message(V.EXIT_CAPTION)
        self.try_side_doors(box, locked=False, keys_live=True)
        app.close_dialog(box, V.IDNO)
        self.assert_exactly_the_stored_keys()


class Locked(SideDoorCase):
    def unlock_and_check_keys(self):
        self.app.unlock_from_tray("pw")
        self.assert_exactly_the_stored_keys()

    def test_password_required_prompt(self):
        app = self.start(password="pw")
        self.lock_with_stored_password(app)
        app.right_click_tray()
        prompt = app.unlock_prompt()
        self.try_side_doors(prompt, locked=True, keys_live=True)
        app.close_dialog(prompt, V.IDCANCEL)
        self.unlock_and_check_keys()

    def test_locked_exit_question(self):
        app = self.start(password="pw")
        self.lock_with_stored_password(app)
        self.desk.post(app.hwnd, H.WM_CLOSE)
        box, _ = app.wait_message(V.EXIT_CAPTION)
        self.try_side_doors(box, locked=True, keys_live=True)
        app.close_dialog(box, V.IDNO)
        self.assertFalse(self.ow.window(1).visible)
        self.unlock_and_check_keys()


class TrayMenuOpen(SideDoorCase):
    """Under Wine a real click on the icon while the menu tracks is taken by the menu, so
    the notification is sent as a notification area sends it."""

    def test_a_second_right_click_opens_one_fresh_menu_where_it_happened(self):
        app = self.start()
        menu, _ = app.open_tray_menu()
        x, y = app.tray_point()
        self.desk.move(x - 40, y - 60)
        H.wait_until(lambda: self.desk.cursor() == (x - 40, y - 60), what="the cursor moved")
        app.tray_notify(H.WM_RBUTTONUP)
        self.holds(lambda: [w.rect.right for w in self.desk.find_windows(cls=V.MENU_CLASS)
                            if w.visible and w.pid == app.proc.winpid] == [x - 40], what="one menu, at the second click")
        _, items = app.tray_menu()
        self.assertEqual([i.text for i in items if i.kind == "item"][-1], "Exit")
        # a double-click while the menu is up closes it and brings the main window back
        app.close_menu()
        app.click_main(V.IDOK)
        app.wait_visible(False)
        app.open_tray_menu()
        app.tray_notify(H.WM_LBUTTONDBLCLK)
        app.wait_visible(True)
        self.holds(lambda: app.no_popup_menu() and not app.dialogs(), what="no menu left")

    def test_a_lock_hot_key_and_then_a_click_while_the_menu_closes_lose_no_lock(self):
        app = self.start(password="pw")
        app.open_tray_menu()
        self.desk.notify_at_once(app.hwnd, [(V.WM_HOTKEY, V.HOT_KEY_IDS["lock"], 0),
                                            (V.WM_TRAYNOTIFY, 5, H.WM_RBUTTONUP)])
        # both run once the menu has closed, in order: the lock, then the click asks for the password
        prompt = app.unlock_prompt()
        self.assertFalse(app.visible())
        app.close_dialog(prompt, V.IDCANCEL)
        self.holds(lambda: app.no_popup_menu() and not app.visible(), what="still locked")
