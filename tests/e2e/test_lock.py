"""The password lock: setting a first password, what the lock shuts out, unlocking from
the tray icon, and exiting with hidden windows, locked or not."""

import harness as H
import velumix_app as V
from session import VelumixTestCase

ES_PASSWORD = 0x20
EM_SETSEL, WM_COPY, WM_PASTE = 0x00B1, 0x0301, 0x0302


class FirstPassword(VelumixTestCase):
    def test_the_lock_button_asks_until_both_entries_match(self):
        ow, app = self.launch_with(["Lock target"])
        prompt = app.open_set_password()
        self.assertEqual(prompt.owner, app.hwnd)
        for cid in (V.PW_ENTRY, V.PW_CONFIRM):
            self.assertTrue(app.control(cid, prompt.hwnd).style & ES_PASSWORD)
        # letter case counts
        app.enter_new_password("Secret", "secret")
        self.expect_mistake(app, kind=V.MB_OK | V.MB_ICONHAND)
        again = app.wait_dialog(V.SET_PASSWORD_TITLE)
        self.assertEqual((app.text_of(again, V.PW_ENTRY), app.text_of(again, V.PW_CONFIRM)), ("Secret", "secret"))
        self.desk.screenshot(self.artifact("set-password-again.png"))
        self.assertTrue(app.visible())
        app.type_into(again, V.PW_CONFIRM, "Secret")
        app.click_button(again, V.IDOK)
        app.wait_visible(False)
        self.assertEqual(self.stored(), {"password": ("REG_SZ", "Secret")})
        self.assertTrue(ow.window(1).visible)
        # locked: the icon asks first, and Cancel leaves everything as it was
        app.double_click_tray()
        prompt = app.unlock_prompt()
        app.close_dialog(prompt, V.IDCANCEL)
        H.wait_until(lambda: app.no_popup_menu() and not app.visible(), stable=5, what="still locked")

    def test_cancel_after_a_mismatch_changes_nothing(self):
        app = self.launch()
        app.lock_with_new_password("abc", "abd")
        self.expect_mistake(app)
        again = app.wait_dialog(V.SET_PASSWORD_TITLE)
        app.close_dialog(again, V.IDCANCEL, click=True)
        self.assertTrue(app.visible())
        self.assertEqual(self.stored(), {})
        # not locked: the menu opens without a password
        _, items = app.open_tray_menu()
        self.assertEqual(items[-1].text, "Exit")
        self.assertEqual(app.dialogs(V.UNLOCK_TITLE), [])
        app.close_menu()

    def test_two_empty_entries_lock_with_the_empty_password(self):
        app = self.launch()
        app.lock_with_new_password("", "")
        app.wait_visible(False)
        self.assertEqual(self.stored(), {"password": ("REG_SZ", "")})
        # an empty entry unlocks, and the next lock asks for a password again
        app.double_click_tray()
        prompt = app.unlock_prompt()
        app.click_button(prompt, V.IDOK)
        app.wait_visible(True)
        prompt = app.open_set_password()
        self.assertTrue(app.visible())
        app.close_dialog(prompt, V.IDCANCEL)

    def test_a_stored_empty_password_counts_as_none(self):
        self.seed_settings(password="")
        app = self.launch()
        app.lock_with_new_password("now set", "now set")
        app.wait_visible(False)
        self.assertEqual(self.stored(), {"password": ("REG_SZ", "now set")})

    def test_clearing_the_password_in_the_configuration_makes_the_next_lock_ask(self):
        self.seed_settings(password="old one")
        app = self.launch()
        dlg = app.open_config()
        app.fill_config(dlg, password="")
        app.close_dialog(dlg, V.IDOK, click=True)
        self.assertEqual(self.stored()["password"], ("REG_SZ", ""))
        app.lock_with_new_password("new one", "new one")
        app.wait_visible(False)
        self.assertEqual(self.stored()["password"], ("REG_SZ", "new one"))
        app.right_click_tray()
        app.enter_password(app.unlock_prompt(), "old one")
        self.expect_mistake(app)
        app.enter_password(app.unlock_prompt(), "new one")
        app.wait_menu_and_close()

    def test_a_password_with_half_a_surrogate_pair_is_refused_where_it_is_set(self):
        # No UTF-8 holds the half: kept as U+FFFD, the password would open to any other half.
        app = self.launch()
        for open_dialog, fields in ((app.open_set_password, (V.PW_ENTRY, V.PW_CONFIRM)),
                                    (app.open_config, (V.CFG_PASSWORD, V.CFG_CONFIRM))):
            with self.subTest(dialog=open_dialog.__name__):
                dlg = open_dialog()
                for cid in fields:
                    app.put_text(dlg, cid, "\ud800")
                app.click_button(dlg, V.IDOK)
                self.answer(app, V.OOPS, V.IDOK, text=V.PASSWORD_NOT_WHOLE, owner=dlg.hwnd)
                self.assertEqual(len(app.dialogs(dlg.title)), 1, "the dialog did not stay open")
                app.close_dialog(dlg, V.IDCANCEL)
        self.assertEqual(self.stored(), {})
        self.assertTrue(app.visible())

    def test_the_tray_menu_item_locks(self):
        ow, app = self.launch_with(["Menu lock"])
        app.choose_from_tray("Lock with password")
        app.enter_new_password(" two Words ", " two Words ")
        app.wait_visible(False)
        self.assertEqual(self.stored(), {"password": ("REG_SZ", " two Words ")})
        app.right_click_tray()
        app.unlock_prompt()

    def test_the_lock_hot_key_locks_and_the_other_values_stay_as_they_were(self):
        self.seed_hot_keys({"lock": V.CTRL_ALT_KEYS["lock"]})
        before = self.stored()
        app = self.launch()
        self.desk.key_from_desktop("ctrl+alt+l")
        app.enter_new_password("hk", "hk")
        app.wait_visible(False)
        self.assertEqual(self.stored(), dict(before, password=("REG_SZ", "hk")))
        # unlocked again from the tray, the same key locks at once with the stored password
        app.restore_with_password("hk")
        self.desk.key_from_desktop("ctrl+alt+l")
        app.wait_visible(False)
        self.assertEqual(app.dialogs(V.SET_PASSWORD_TITLE), [])


class DialogKeys(VelumixTestCase):
    def close_box(self, dialog):
        self.desk.click(*self.desk.close_box_point(dialog.hwnd))

    def test_enter_confirms_escape_and_the_close_box_cancel_on_both_password_dialogs(self):
        app = self.launch()
        for cancel in ("Escape", "close box"):
            prompt = app.open_set_password()
            app.type_into(prompt, V.PW_ENTRY, "typed")
            app.type_into(prompt, V.PW_CONFIRM, "typed")
            self.desk.key("Escape") if cancel == "Escape" else self.close_box(prompt)
            app.wait_no_dialog(V.SET_PASSWORD_TITLE)
            self.assertTrue(app.visible(), f"{cancel} locked")
            self.assertEqual(self.stored(), {})
        app.click_control(V.SET_PASSWORD)
        prompt = app.wait_dialog(V.SET_PASSWORD_TITLE)
        app.type_into(prompt, V.PW_ENTRY, "by enter")
        app.type_into(prompt, V.PW_CONFIRM, "by enter")
        self.desk.key("Return")
        app.wait_visible(False)
        self.assertEqual(self.stored(), {"password": ("REG_SZ", "by enter")})

        for cancel in ("Escape", "close box"):
            app.double_click_tray()
            prompt = app.unlock_prompt()
            app.type_into(prompt, V.PW_ENTRY, "by enter")
            self.desk.key("Escape") if cancel == "Escape" else self.close_box(prompt)
            app.wait_no_dialog(V.UNLOCK_TITLE)
            H.wait_until(lambda: not app.visible() and app.no_popup_menu(), stable=5, what=f"{cancel}: still locked")
        app.double_click_tray()
        prompt = app.unlock_prompt()
        app.type_into(prompt, V.PW_ENTRY, "by enter")
        self.desk.key("Return")
        app.wait_visible(True)


class WhileLocked(VelumixTestCase):
    def test_hot_keys_and_a_single_click_do_nothing(self):
        self.seed_hot_keys()
        self.seed_settings(password="pw")
        ow, app = self.launch_with(["Locked A", "Locked B"])
        # unlocked, the keys work
        self.bring_to_front(ow, 1)
        self.desk.key("ctrl+alt+h")
        ow.wait_status(lambda s: not s.window(1).visible, what="A hidden by hide current")
        self.lock_with_stored_password(app)

        self.desk.key_from_desktop("ctrl+alt+s")
        self.bring_to_front(ow, 2)
        self.desk.key("ctrl+alt+h")
        self.desk.key_from_desktop("ctrl+alt+j", "ctrl+alt+l")
        self.desk.click(*app.tray_point())
        # the right-click comes after all of them: by the time it asks, they were dealt with
        app.right_click_tray()
        prompt = app.unlock_prompt()
        self.assertEqual([d.hwnd for d in app.dialogs()], [prompt.hwnd])
        st = ow.status()
        self.assertEqual((st.window(1).visible, st.window(2).visible), (False, True))
        self.assertFalse(app.visible())
        app.close_dialog(prompt, V.IDCANCEL)
        H.wait_until(lambda: app.no_popup_menu() and not app.visible(), stable=5, what="nothing after Cancel")

    def test_right_click_asks_again_and_again_then_opens_the_menu_where_it_happened(self):
        self.seed_settings(password="Right one")
        ow, app = self.launch_with(["Menu target"])
        self.lock_with_stored_password(app)
        x, y = app.tray_point()
        self.desk.click(x, y, button=3)
        prompt = app.unlock_prompt()
        self.assertEqual(prompt.owner, app.hwnd)
        # the icon is deaf while the prompt is open
        app.right_click_tray()
        app.double_click_tray()
        H.wait_until(lambda: [d.hwnd for d in app.dialogs()] == [prompt.hwnd] and app.no_popup_menu(),
                     stable=5, what="still the one prompt")

        for wrong in ("wrong", "Right On", "Right one "):
            app.enter_password(prompt, wrong)
            self.expect_mistake(app)
            prompt = app.unlock_prompt()
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
        app.restore_from_tray()
        self.assertEqual(app.dialogs(V.UNLOCK_TITLE), [])

    def test_an_eight_bit_password_is_compared_byte_for_byte(self):
        self.seed_settings(password="Caf\u00e9 \u00e0 deux")
        app = self.launch()
        self.lock_with_stored_password(app)
        app.right_click_tray()
        prompt = app.unlock_prompt()
        edit = app.control(V.PW_ENTRY, prompt.hwnd).hwnd
        # put in through the control itself: xdotool types ASCII only
        self.desk.set_text(edit, "Cafe \u00e0 deux")
        app.press(prompt, V.IDOK)
        self.expect_mistake(app)
        prompt = app.unlock_prompt()
        self.desk.set_text(app.control(V.PW_ENTRY, prompt.hwnd).hwnd, "Caf\u00e9 \u00e0 deux")
        app.press(prompt, V.IDOK)
        app.wait_menu_and_close()

    def test_a_password_beyond_the_code_page_is_stored_as_its_text_and_only_that_unlocks(self):
        app = self.launch()
        app.click_main(V.SET_PASSWORD)
        prompt = app.wait_dialog(V.SET_PASSWORD_TITLE)
        for cid in (V.PW_ENTRY, V.PW_CONFIRM):
            app.put_text(prompt, cid, V.PASSWORD_RU)
        app.click_button(prompt, V.IDOK)
        app.wait_visible(False)
        app.right_click_tray()
        app.put_text(app.unlock_prompt(), V.PW_ENTRY, V.OTHER_RU)
        app.press(app.unlock_prompt(), V.IDOK)
        self.expect_mistake(app)
        self.assertEqual(self.desk.reg_text(V.settings_key(), "password"), V.PASSWORD_RU)
        prompt = app.unlock_prompt()
        app.put_text(prompt, V.PW_ENTRY, V.PASSWORD_RU)
        app.press(prompt, V.IDOK)
        app.wait_menu_and_close()

    def test_double_click_asks_first_then_restores_the_window_with_a_fresh_list(self):
        self.seed_settings(password="pw")
        ow, app = self.launch_with(["Before the lock"])
        self.lock_with_stored_password(app)
        ow.command("open After the lock")
        app.restore_with_password("pw")
        self.assertIn("After the lock", app.list_items())
        self.assertTrue(app.no_popup_menu())

    def test_a_stored_forty_thousand_character_password_can_be_pasted_to_unlock(self):
        password = ("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ" * 700)[:40000]
        self.desk.reg_add_bytes(V.settings_key(), "password", "REG_SZ", password.encode())
        ow, app = self.launch_with(["Clipboard source"])
        # the clipboard gets the password from an edit control of another program
        ow.command("type 1 " + password)
        source = next(c.hwnd for c in self.desk.children(ow.hwnd(1)) if c.cls.lower() == "edit")
        self.desk.send(source, EM_SETSEL, 0, -1)
        self.desk.send(source, WM_COPY)
        self.lock_with_stored_password(app)
        app.right_click_tray()
        prompt = app.unlock_prompt()
        self.desk.send(app.control(V.PW_ENTRY, prompt.hwnd).hwnd, WM_PASTE)
        app.press(prompt, V.IDOK)
        app.wait_menu_and_close()
        self.assertEqual(app.dialogs(V.OOPS), [])


class Exiting(VelumixTestCase):
    def test_exit_while_locked_leaves_the_hidden_windows_hidden(self):
        self.seed_settings(password="pw")
        ow, app = self.launch_with(["Stays hidden", "Stays shown"])
        app.choose_from_tray("Stays hidden")
        ow.wait_status(lambda s: not s.window(1).visible, what="hidden")
        self.lock_with_stored_password(app)
        # the main window is in the tray: a close request from outside takes the exit path
        self.desk.post(app.hwnd, H.WM_CLOSE)
        self.answer(app, V.EXIT_CAPTION, V.IDNO, text=V.EXIT_LOCKED, owner=app.hwnd,
                    kind=V.MB_YESNO | V.MB_ICONQUESTION, shot="exit-locked.png")
        self.assertTrue(app.proc.alive())
        self.assertFalse(app.visible())
        self.assertFalse(ow.window(1).visible)
        # and still locked
        app.right_click_tray()
        app.close_dialog(app.unlock_prompt(), V.IDCANCEL)

        self.desk.post(app.hwnd, H.WM_CLOSE)
        self.answer(app, V.EXIT_CAPTION, V.IDYES, text=V.EXIT_LOCKED)
        app.wait_exit()
        st = ow.wait_status(lambda s: not s.window(1).visible and s.window(2).visible, stable=5,
                            what="the hidden window still hidden after the end")
        self.assertFalse(st.window(1).visible)

    def test_exit_while_unlocked_shows_the_hidden_windows_first(self):
        ow, app = self.launch_with(["Hidden one", "Hidden two", "Never hidden"])
        app.choose_from_tray("Hidden one")
        app.choose_from_tray("Hidden two")
        ow.wait_status(lambda s: not s.window(1).visible and not s.window(2).visible, what="two hidden")

        app.click_main(V.EXIT)
        self.answer(app, V.EXIT_CAPTION, V.IDNO, text=V.EXIT_UNLOCKED, owner=app.hwnd,
                    kind=V.MB_YESNO | V.MB_ICONQUESTION)
        self.assertTrue(app.proc.alive() and app.visible())
        st = ow.status()
        self.assertEqual([w.visible for w in st.windows], [False, False, True])

        app.choose_from_tray("Exit")
        self.answer(app, V.EXIT_CAPTION, V.IDYES, text=V.EXIT_UNLOCKED)
        app.wait_exit()
        ow.wait_status(lambda s: all(w.visible for w in s.windows), what="all shown")

    def test_exit_with_nothing_hidden_asks_nothing_even_when_locked(self):
        self.seed_settings(password="pw")
        ow, app = self.launch_with(["Nothing hidden"])
        self.lock_with_stored_password(app)
        self.desk.post(app.hwnd, H.WM_CLOSE)
        app.wait_exit()
        self.assertTrue(ow.window(1).visible)


class WithoutANotificationArea(VelumixTestCase):
    def test_the_lock_is_refused_and_the_program_stays_unlocked(self):
        self.seed_hot_keys()
        V.start_fake_tray(self.desk, self.workdir)   # refuses every icon
        ow, app = self.launch_with(["No tray"])
        H.wait_until(lambda: "HideToTray: " + V.NO_TRAY_LOG in self.log_text(),
                     what="the failed add in the log")
        app.lock_with_new_password("kept", "kept")
        self.answer(app, V.OOPS, V.IDOK, starts=V.CANNOT_LOCK, kind=V.MB_OK | V.MB_ICONHAND, shot="cannot-lock.png")
        self.assertTrue(app.visible())
        # the new password is kept all the same
        self.assertEqual(self.stored()["password"], ("REG_SZ", "kept"))
        # unlocked: the hot keys work and Exit asks the unlocked question
        self.desk.key_from_desktop("ctrl+alt+j")
        ow.wait_status(lambda s: not s.window(1).visible, what="hidden by the hot key")
        self.desk.key("ctrl+alt+l")
        self.answer(app, V.OOPS, V.IDOK, starts=V.CANNOT_LOCK)   # the lock key is heard, and refused the same way
        app.click_main(V.EXIT)
        self.answer(app, V.EXIT_CAPTION, V.IDYES, text=V.EXIT_UNLOCKED)
        app.wait_exit()
        ow.wait_status(lambda s: s.window(1).visible, what="shown before the end")

    def test_a_camouflage_switch_the_shell_refuses_never_locks_without_an_icon(self):
        self.seed_settings(password="pw")
        tray = V.start_fake_tray(self.desk, self.workdir, mode=V.TRAY_KEEPS)
        ow, app = self.launch_with(["Switch target"])
        V.set_fake_tray_mode(self.desk, tray, V.TRAY_REFUSES)
        app.toggle_config(V.CFG_CAMOUFLAGE)
        H.wait_until(lambda: "OnConfigure: " + V.NO_TRAY_LOG in self.log_text(),
                     what="the failed replacement in the log")
        # the old icon is gone and the new one was refused: locking would leave nothing to unlock with
        app.click_main(V.SET_PASSWORD)
        self.answer(app, V.OOPS, V.IDOK, starts=V.CANNOT_LOCK)
        self.assertTrue(app.visible())

        # the notification area takes icons again, and switching back puts one up: now it locks
        V.set_fake_tray_mode(self.desk, tray, V.TRAY_KEEPS)
        app.toggle_config(V.CFG_CAMOUFLAGE)
        self.lock_with_stored_password(app)

    def test_an_icon_the_shell_kept_though_it_reported_a_failure_allows_the_lock(self):
        self.seed_settings(password="pw")
        V.start_fake_tray(self.desk, self.workdir, mode=V.TRAY_KEEPS_BUT_FAILS_ADD)
        ow, app = self.launch_with(["Kept icon"])
        self.lock_with_stored_password(app)
        self.assertNotIn("HideToTray: " + V.NO_TRAY_LOG, self.log_text())
