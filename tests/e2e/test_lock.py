"""The password lock: setting a first password, what the lock shuts out, unlocking from
the tray icon, and exiting with hidden windows, locked or not."""

import harness as H
import velumix_app as V
from session import VelumixTestCase

KEY = V.settings_key()
CTRL_ALT = H.MOD_CONTROL | H.MOD_ALT
MISTAKE = "Mistake in entering a password. Try again!"
EXIT_LOCKED = "The program is locked! By Exiting, currently hidden windows will remain hidden. Proceed?"
EXIT_UNLOCKED = "By Exiting, currently hidden windows will be unhidden. Proceed?"
ES_PASSWORD = 0x20
EM_SETSEL, WM_COPY, WM_PASTE = 0x00B1, 0x0301, 0x0302


class LockTestCase(VelumixTestCase):
    def seed(self, **values):
        for name, value in values.items():
            self.desk.reg_add(KEY, name, "REG_DWORD" if isinstance(value, int) else "REG_SZ", value)

    def seed_hot_keys(self):
        """Ctrl+Alt+S show all, L lock, H hide current, J hide all."""
        self.seed(hot_showall_key=0x53, hot_showall_mod=CTRL_ALT, hot_lock_key=0x4C, hot_lock_mod=CTRL_ALT,
                  hot_hidecurrent_key=0x48, hot_hidecurrent_mod=CTRL_ALT,
                  hot_hideall_key=0x4A, hot_hideall_mod=CTRL_ALT)

    def lock_with_stored_password(self, app):
        app.focus()
        app.click_control(V.SET_PASSWORD)
        app.wait_visible(False)
        self.assertEqual(app.dialogs(V.SET_PASSWORD_TITLE), [])

    def enter_new_password(self, app, entry, confirm):
        prompt = app.wait_dialog(V.SET_PASSWORD_TITLE)
        app.type_into(prompt, V.PW_ENTRY, entry)
        app.type_into(prompt, V.PW_CONFIRM, confirm)
        app.click_button(prompt, V.IDOK)
        return prompt

    def unlock_prompt(self, app):
        return app.wait_dialog(V.UNLOCK_TITLE)

    def enter_password(self, app, prompt, text, confirm_by_click=True):
        app.type_into(prompt, V.PW_ENTRY, text)
        if confirm_by_click:
            app.click_button(prompt, V.IDOK)
        else:
            app.press(prompt, V.IDOK)   # the mouse stays where it is

    def assert_box_kind(self, app, box, flags):
        """The box has the buttons and the icon that MessageBox gives for `flags`."""
        buttons, icon = app.box_kind(box)
        want_buttons, want_icon = V.reference_box_kind(self.desk, flags)
        self.assertEqual(buttons, want_buttons)
        self.assertIsNotNone(icon)
        self.assertTrue(icon == want_icon, f"the icon of {box.title!r} is not the one of flags {flags:#x}")

    def expect_mistake(self, app, check_kind=False):
        box, text = app.wait_message(V.OOPS)
        self.assertEqual(text, MISTAKE)
        if check_kind:
            self.assert_box_kind(app, box, V.MB_OK | V.MB_ICONHAND)
        self.assertEqual(box.owner, app.hwnd)
        app.click_button(box, V.IDOK)
        app.wait_no_dialog(V.OOPS)

    def choose_from_tray(self, app, text):
        _, items = app.open_tray_menu()
        app.choose(items, text)


class FirstPassword(LockTestCase):
    def test_the_lock_button_asks_until_both_entries_match(self):
        ow, app = self.launch_with(["Lock target"])
        app.focus()
        app.click_control(V.SET_PASSWORD)
        prompt = app.wait_dialog(V.SET_PASSWORD_TITLE)
        self.assertEqual(prompt.owner, app.hwnd)
        for cid in (V.PW_ENTRY, V.PW_CONFIRM):
            self.assertTrue(app.control(cid, prompt.hwnd).style & ES_PASSWORD)
        # letter case counts
        self.enter_new_password(app, "Secret", "secret")
        self.expect_mistake(app, check_kind=True)
        again = app.wait_dialog(V.SET_PASSWORD_TITLE)
        self.assertEqual((app.text_of(again, V.PW_ENTRY), app.text_of(again, V.PW_CONFIRM)), ("Secret", "secret"))
        self.desk.screenshot(self.artifact("set-password-again.png"))
        self.assertTrue(app.visible())
        app.type_into(again, V.PW_CONFIRM, "Secret")
        app.click_button(again, V.IDOK)
        app.wait_visible(False)
        self.assertEqual(self.desk.reg_query(KEY), {"password": ("REG_SZ", "Secret")})
        self.assertTrue(ow.window(1).visible)
        # locked: the icon asks first, and Cancel leaves everything as it was
        app.double_click_tray()
        prompt = self.unlock_prompt(app)
        app.press(prompt, V.IDCANCEL)
        app.wait_no_dialog(V.UNLOCK_TITLE)
        H.wait_until(lambda: app.no_popup_menu() and not app.visible(), stable=5, what="still locked")

    def test_cancel_after_a_mismatch_changes_nothing(self):
        app = self.launch()
        app.focus()
        app.click_control(V.SET_PASSWORD)
        self.enter_new_password(app, "abc", "abd")
        self.expect_mistake(app)
        again = app.wait_dialog(V.SET_PASSWORD_TITLE)
        app.click_button(again, V.IDCANCEL)
        app.wait_no_dialog(V.SET_PASSWORD_TITLE)
        self.assertTrue(app.visible())
        self.assertEqual(self.desk.reg_query(KEY), {})
        # not locked: the menu opens without a password
        _, items = app.open_tray_menu()
        self.assertEqual(items[-1].text, "Exit")
        self.assertEqual(app.dialogs(V.UNLOCK_TITLE), [])
        app.close_menu()

    def test_two_empty_entries_lock_with_the_empty_password(self):
        app = self.launch()
        app.focus()
        app.click_control(V.SET_PASSWORD)
        self.enter_new_password(app, "", "")
        app.wait_visible(False)
        self.assertEqual(self.desk.reg_query(KEY), {"password": ("REG_SZ", "")})
        # an empty entry unlocks, and the next lock asks for a password again
        app.double_click_tray()
        prompt = self.unlock_prompt(app)
        app.click_button(prompt, V.IDOK)
        app.wait_visible(True)
        app.focus()
        app.click_control(V.SET_PASSWORD)
        prompt = app.wait_dialog(V.SET_PASSWORD_TITLE)
        self.assertTrue(app.visible())
        app.press(prompt, V.IDCANCEL)
        app.wait_no_dialog(V.SET_PASSWORD_TITLE)

    def test_a_stored_empty_password_counts_as_none(self):
        self.seed(password="")
        app = self.launch()
        app.focus()
        app.click_control(V.SET_PASSWORD)
        self.enter_new_password(app, "now set", "now set")
        app.wait_visible(False)
        self.assertEqual(self.desk.reg_query(KEY), {"password": ("REG_SZ", "now set")})

    def test_clearing_the_password_in_the_configuration_makes_the_next_lock_ask(self):
        self.seed(password="old one")
        app = self.launch()
        dlg = app.open_config()
        app.type_into(dlg, V.CFG_PASSWORD, "")
        app.type_into(dlg, V.CFG_CONFIRM, "")
        app.click_button(dlg, V.IDOK)
        app.wait_no_dialog(V.CONFIG_TITLE)
        self.assertEqual(self.desk.reg_query(KEY)["password"], ("REG_SZ", ""))
        app.focus()
        app.click_control(V.SET_PASSWORD)
        self.enter_new_password(app, "new one", "new one")
        app.wait_visible(False)
        self.assertEqual(self.desk.reg_query(KEY)["password"], ("REG_SZ", "new one"))
        app.right_click_tray()
        self.enter_password(app, self.unlock_prompt(app), "old one")
        self.expect_mistake(app)
        self.enter_password(app, self.unlock_prompt(app), "new one")
        app.tray_menu()
        app.close_menu()

    def test_the_tray_menu_item_locks(self):
        ow, app = self.launch_with(["Menu lock"])
        self.choose_from_tray(app, "Lock with password")
        self.enter_new_password(app, " two Words ", " two Words ")
        app.wait_visible(False)
        self.assertEqual(self.desk.reg_query(KEY), {"password": ("REG_SZ", " two Words ")})
        app.right_click_tray()
        self.unlock_prompt(app)

    def test_the_lock_hot_key_locks_and_the_other_values_stay_as_they_were(self):
        self.seed(hot_lock_key=0x4C, hot_lock_mod=CTRL_ALT)
        before = self.desk.reg_query(KEY)
        app = self.launch()
        self.desk.click_desktop()
        self.desk.key("ctrl+alt+l")
        self.enter_new_password(app, "hk", "hk")
        app.wait_visible(False)
        self.assertEqual(self.desk.reg_query(KEY), dict(before, password=("REG_SZ", "hk")))
        # unlocked again from the tray, the same key locks at once with the stored password
        app.double_click_tray()
        self.enter_password(app, self.unlock_prompt(app), "hk")
        app.wait_visible(True)
        self.desk.click_desktop()
        self.desk.key("ctrl+alt+l")
        app.wait_visible(False)
        self.assertEqual(app.dialogs(V.SET_PASSWORD_TITLE), [])


class DialogKeys(LockTestCase):
    def close_box(self, dialog):
        r = self.desk.window_info(dialog.hwnd).rect
        self.desk.click(r.right - 12, r.top + 12)

    def test_enter_confirms_escape_and_the_close_box_cancel_on_both_password_dialogs(self):
        app = self.launch()
        for cancel in ("Escape", "close box"):
            app.focus()
            app.click_control(V.SET_PASSWORD)
            prompt = app.wait_dialog(V.SET_PASSWORD_TITLE)
            app.type_into(prompt, V.PW_ENTRY, "typed")
            app.type_into(prompt, V.PW_CONFIRM, "typed")
            self.desk.key("Escape") if cancel == "Escape" else self.close_box(prompt)
            app.wait_no_dialog(V.SET_PASSWORD_TITLE)
            self.assertTrue(app.visible(), f"{cancel} locked")
            self.assertEqual(self.desk.reg_query(KEY), {})
        app.click_control(V.SET_PASSWORD)
        prompt = app.wait_dialog(V.SET_PASSWORD_TITLE)
        app.type_into(prompt, V.PW_ENTRY, "by enter")
        app.type_into(prompt, V.PW_CONFIRM, "by enter")
        self.desk.key("Return")
        app.wait_visible(False)
        self.assertEqual(self.desk.reg_query(KEY), {"password": ("REG_SZ", "by enter")})

        for cancel in ("Escape", "close box"):
            app.double_click_tray()
            prompt = self.unlock_prompt(app)
            app.type_into(prompt, V.PW_ENTRY, "by enter")
            self.desk.key("Escape") if cancel == "Escape" else self.close_box(prompt)
            app.wait_no_dialog(V.UNLOCK_TITLE)
            H.wait_until(lambda: not app.visible() and app.no_popup_menu(), stable=5, what=f"{cancel}: still locked")
        app.double_click_tray()
        prompt = self.unlock_prompt(app)
        app.type_into(prompt, V.PW_ENTRY, "by enter")
        self.desk.key("Return")
        app.wait_visible(True)


class WhileLocked(LockTestCase):
    def test_hot_keys_and_a_single_click_do_nothing(self):
        self.seed_hot_keys()
        self.seed(password="pw")
        ow, app = self.launch_with(["Locked A", "Locked B"])
        # unlocked, the keys work
        self.bring_to_front(ow, 1)
        self.desk.key("ctrl+alt+h")
        ow.wait_status(lambda s: not s.window(1).visible, what="A hidden by hide current")
        self.lock_with_stored_password(app)

        self.desk.click_desktop()
        self.desk.key("ctrl+alt+s")
        self.bring_to_front(ow, 2)
        self.desk.key("ctrl+alt+h")
        self.desk.click_desktop()
        self.desk.key("ctrl+alt+j", "ctrl+alt+l")
        self.desk.click(*app.tray_point())
        # the right-click comes after all of them: by the time it asks, they were dealt with
        app.right_click_tray()
        prompt = self.unlock_prompt(app)
        self.assertEqual([d.hwnd for d in app.dialogs()], [prompt.hwnd])
        st = ow.status()
        self.assertEqual((st.window(1).visible, st.window(2).visible), (False, True))
        self.assertFalse(app.visible())
        app.press(prompt, V.IDCANCEL)
        app.wait_no_dialog(V.UNLOCK_TITLE)
        H.wait_until(lambda: app.no_popup_menu() and not app.visible(), stable=5, what="nothing after Cancel")

    def test_right_click_asks_again_and_again_then_opens_the_menu_where_it_happened(self):
        self.seed(password="Right one")
        ow, app = self.launch_with(["Menu target"])
        self.lock_with_stored_password(app)
        x, y = app.tray_point()
        self.desk.click(x, y, button=3)
        prompt = self.unlock_prompt(app)
        self.assertEqual(prompt.owner, app.hwnd)
        # the icon is deaf while the prompt is open
        app.right_click_tray()
        app.double_click_tray()
        H.wait_until(lambda: [d.hwnd for d in app.dialogs()] == [prompt.hwnd] and app.no_popup_menu(),
                     stable=5, what="still the one prompt")

        for wrong in ("wrong", "Right On", "Right one "):
            self.enter_password(app, prompt, wrong)
            self.expect_mistake(app)
            prompt = self.unlock_prompt(app)
            self.assertEqual(app.text_of(prompt, V.PW_ENTRY), wrong)
            self.assertFalse(app.visible())
        self.desk.screenshot(self.artifact("password-required-again.png"))
        app.type_into(prompt, V.PW_ENTRY, "Right one")
        self.desk.move(300, 200)
        H.wait_until(lambda: self.desk.cursor() == (300, 200), what="the cursor moved away")
        app.press(prompt, V.IDOK)
        menu, items = app.tray_menu()
        self.desk.screenshot(self.artifact("menu-after-password.png"))
        self.assertEqual(menu.rect.right, x)
        self.assertLessEqual(menu.rect.bottom, y)
        self.assertEqual([i.text for i in items if i.kind == "item"],
                         ["Menu target", "Show all", "Hide all", "Lock with password", "Configure Velumix", "Exit"])
        self.assertFalse(app.visible())
        app.close_menu()
        # unlocked now: a double-click brings the window back without a question
        app.double_click_tray()
        app.wait_visible(True)
        self.assertEqual(app.dialogs(V.UNLOCK_TITLE), [])

    def test_an_eight_bit_password_is_compared_byte_for_byte(self):
        self.seed(password="Caf\u00e9 \u00e0 deux")
        app = self.launch()
        self.lock_with_stored_password(app)
        app.right_click_tray()
        prompt = self.unlock_prompt(app)
        edit = app.control(V.PW_ENTRY, prompt.hwnd).hwnd
        # put in through the control itself: xdotool types ASCII only
        self.desk.set_text(edit, "Cafe \u00e0 deux")
        app.press(prompt, V.IDOK)
        self.expect_mistake(app)
        prompt = self.unlock_prompt(app)
        self.desk.set_text(app.control(V.PW_ENTRY, prompt.hwnd).hwnd, "Caf\u00e9 \u00e0 deux")
        app.press(prompt, V.IDOK)
        app.tray_menu()
        app.close_menu()

    def test_double_click_asks_first_then_restores_the_window_with_a_fresh_list(self):
        self.seed(password="pw")
        ow, app = self.launch_with(["Before the lock"])
        self.lock_with_stored_password(app)
        ow.command("open After the lock")
        app.double_click_tray()
        self.enter_password(app, self.unlock_prompt(app), "pw")
        app.wait_visible(True)
        self.assertIn("After the lock", app.list_items())
        self.assertTrue(app.no_popup_menu())


    def test_a_stored_forty_thousand_character_password_can_be_pasted_to_unlock(self):
        password = ("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ" * 700)[:40000]
        self.desk.reg_add_bytes(KEY, "password", "REG_SZ", password.encode())
        ow, app = self.launch_with(["Clipboard source"])
        # the clipboard gets the password from an edit control of another program
        ow.command("type 1 " + password)
        source = next(c.hwnd for c in self.desk.children(ow.hwnd(1)) if c.cls.lower() == "edit")
        self.desk.send(source, EM_SETSEL, 0, -1)
        self.desk.send(source, WM_COPY)
        self.lock_with_stored_password(app)
        app.right_click_tray()
        prompt = self.unlock_prompt(app)
        self.desk.send(app.control(V.PW_ENTRY, prompt.hwnd).hwnd, WM_PASTE)
        app.press(prompt, V.IDOK)
        app.tray_menu()
        app.close_menu()
        self.assertEqual(app.dialogs(V.OOPS), [])


class Exiting(LockTestCase):
    def hide_from_tray(self, app, title):
        self.choose_from_tray(app, title)

    def test_exit_while_locked_leaves_the_hidden_windows_hidden(self):
        self.seed(password="pw")
        ow, app = self.launch_with(["Stays hidden", "Stays shown"])
        self.hide_from_tray(app, "Stays hidden")
        ow.wait_status(lambda s: not s.window(1).visible, what="hidden")
        self.lock_with_stored_password(app)
        # the main window is in the tray: a close request from outside takes the exit path
        self.desk.post(app.hwnd, H.WM_CLOSE)
        box, text = app.wait_message(V.EXIT_CAPTION)
        self.assertEqual(text, EXIT_LOCKED)
        self.assertEqual(box.owner, app.hwnd)
        self.assert_box_kind(app, box, V.MB_YESNO | V.MB_ICONQUESTION)
        self.desk.screenshot(self.artifact("exit-locked.png"))
        app.click_button(box, V.IDNO)
        app.wait_no_dialog(V.EXIT_CAPTION)
        self.assertTrue(app.proc.alive())
        self.assertFalse(app.visible())
        self.assertFalse(ow.window(1).visible)
        # and still locked
        app.right_click_tray()
        app.press(self.unlock_prompt(app), V.IDCANCEL)
        app.wait_no_dialog(V.UNLOCK_TITLE)

        self.desk.post(app.hwnd, H.WM_CLOSE)
        box, text = app.wait_message(V.EXIT_CAPTION)
        self.assertEqual(text, EXIT_LOCKED)
        app.click_button(box, V.IDYES)
        app.wait_exit()
        st = ow.wait_status(lambda s: not s.window(1).visible and s.window(2).visible, stable=5,
                            what="the hidden window still hidden after the end")
        self.assertFalse(st.window(1).visible)

    def test_exit_while_unlocked_shows_the_hidden_windows_first(self):
        ow, app = self.launch_with(["Hidden one", "Hidden two", "Never hidden"])
        self.hide_from_tray(app, "Hidden one")
        self.hide_from_tray(app, "Hidden two")
        ow.wait_status(lambda s: not s.window(1).visible and not s.window(2).visible, what="two hidden")

        app.focus()
        app.click_control(V.EXIT)
        box, text = app.wait_message(V.EXIT_CAPTION)
        self.assertEqual(text, EXIT_UNLOCKED)
        self.assertEqual(box.owner, app.hwnd)
        self.assert_box_kind(app, box, V.MB_YESNO | V.MB_ICONQUESTION)
        app.click_button(box, V.IDNO)
        app.wait_no_dialog(V.EXIT_CAPTION)
        self.assertTrue(app.proc.alive() and app.visible())
        st = ow.status()
        self.assertEqual([w.visible for w in st.windows], [False, False, True])

        self.choose_from_tray(app, "Exit")
        box, text = app.wait_message(V.EXIT_CAPTION)
        self.assertEqual(text, EXIT_UNLOCKED)
        app.click_button(box, V.IDYES)
        app.wait_exit()
        ow.wait_status(lambda s: all(w.visible for w in s.windows), what="all shown")

    def test_exit_with_nothing_hidden_asks_nothing_even_when_locked(self):
        self.seed(password="pw")
        ow, app = self.launch_with(["Nothing hidden"])
        self.lock_with_stored_password(app)
        self.desk.post(app.hwnd, H.WM_CLOSE)
        app.wait_exit()
        self.assertTrue(ow.window(1).visible)


class WithoutANotificationArea(LockTestCase):
    def test_the_lock_is_refused_and_the_program_stays_unlocked(self):
        self.seed_hot_keys()
        V.start_fake_tray(self.desk, self.workdir)   # refuses every icon
        ow, app = self.launch_with(["No tray"])
        H.wait_until(lambda: "HideToTray: couldn't like put it to system tray and stuff" in self.log_text(),
                     what="the failed add in the log")
        app.focus()
        app.click_control(V.SET_PASSWORD)
        self.enter_new_password(app, "kept", "kept")
        box, text = app.wait_message(V.OOPS)
        self.assertTrue(text.startswith("The program cannot be locked"), text)
        self.assert_box_kind(app, box, V.MB_OK | V.MB_ICONHAND)
        self.desk.screenshot(self.artifact("cannot-lock.png"))
        app.click_button(box, V.IDOK)
        app.wait_no_dialog(V.OOPS)
        self.assertTrue(app.visible())
        # the new password is kept all the same
        self.assertEqual(self.desk.reg_query(KEY)["password"], ("REG_SZ", "kept"))
        # unlocked: the hot keys work and Exit asks the unlocked question
        self.desk.click_desktop()
        self.desk.key("ctrl+alt+j")
        ow.wait_status(lambda s: not s.window(1).visible, what="hidden by the hot key")
        self.desk.key("ctrl+alt+l")
        box, text = app.wait_message(V.OOPS)   # the lock key is heard, and refused the same way
        self.assertTrue(text.startswith("The program cannot be locked"), text)
        app.click_button(box, V.IDOK)
        app.wait_no_dialog(V.OOPS)
        app.focus()
        app.click_control(V.EXIT)
        box, text = app.wait_message(V.EXIT_CAPTION)
        self.assertEqual(text, EXIT_UNLOCKED)
        app.click_button(box, V.IDYES)
        app.wait_exit()
        ow.wait_status(lambda s: s.window(1).visible, what="shown before the end")

    def test_a_camouflage_switch_the_shell_refuses_never_locks_without_an_icon(self):
        self.seed(password="pw")
        tray = V.start_fake_tray(self.desk, self.workdir, mode=V.TRAY_KEEPS)
        ow, app = self.launch_with(["Switch target"])
        V.set_fake_tray_mode(self.desk, tray, V.TRAY_REFUSES)
        dlg = app.open_config()
        app.click_control(V.CFG_CAMOUFLAGE, dlg.hwnd)
        app.click_button(dlg, V.IDOK)
        app.wait_no_dialog(V.CONFIG_TITLE)
        H.wait_until(lambda: "OnConfigure: couldn't like put it to system tray and stuff" in self.log_text(),
                     what="the failed replacement in the log")
        # the old icon is gone and the new one was refused: locking would leave nothing to unlock with
        app.focus()
        app.click_control(V.SET_PASSWORD)
        box, text = app.wait_message(V.OOPS)
        self.assertTrue(text.startswith("The program cannot be locked"), text)
        app.click_button(box, V.IDOK)
        app.wait_no_dialog(V.OOPS)
        self.assertTrue(app.visible())

        # the notification area takes icons again, and switching back puts one up: now it locks
        V.set_fake_tray_mode(self.desk, tray, V.TRAY_KEEPS)
        dlg = app.open_config()
        app.click_control(V.CFG_CAMOUFLAGE, dlg.hwnd)
        app.click_button(dlg, V.IDOK)
        app.wait_no_dialog(V.CONFIG_TITLE)
        self.lock_with_stored_password(app)

    def test_an_icon_the_shell_kept_though_it_reported_a_failure_allows_the_lock(self):
        self.seed(password="pw")
        V.start_fake_tray(self.desk, self.workdir, mode=V.TRAY_KEEPS_BUT_FAILS_ADD)
        ow, app = self.launch_with(["Kept icon"])
        self.lock_with_stored_password(app)
        self.assertNotIn("HideToTray: couldn't like put it to system tray and stuff", self.log_text())
