"""The settings in the real registry: the key chain, what the configuration dialog
writes, the name of the executable, and values the program did not write itself."""

import os
import shutil

import harness as H
import velumix_app as V
from session import VelumixTestCase, velumix_exe

KEY = V.settings_key()
ROOT = r"HKCU\Software\Orvane"
DEFAULTS = {name: ("REG_SZ", "") if name == "password" else ("REG_DWORD", 0) for name in V.SETTINGS_VALUES}
HOT_KEY_CONTROLS = (V.CFG_HOTKEY_SHOWALL, V.CFG_HOTKEY_LOCK, V.CFG_HOTKEY_HIDECURRENT, V.CFG_HOTKEY_HIDEALL)
CTRL_SHIFT_J_K = {"hideall": (0x4A, 6), "showall": (0x4B, 6)}   # what hide_all_and_show_all_by_hot_key presses


class SettingsTestCase(VelumixTestCase):
    def assert_dialog_shows_defaults(self, app):
        dlg = app.open_config()
        self.assertFalse(app.checked(dlg, V.CFG_START_MINIMIZED))
        self.assertFalse(app.checked(dlg, V.CFG_CAMOUFLAGE))
        self.assertEqual([app.hot_key(dlg, cid) for cid in HOT_KEY_CONTROLS], [0, 0, 0, 0])
        self.assertEqual((app.text_of(dlg, V.CFG_PASSWORD), app.text_of(dlg, V.CFG_CONFIRM)), ("", ""))
        return dlg

    def hide_all_and_show_all_by_hot_key(self, ow):
        self.desk.key_from_desktop("ctrl+shift+j")
        ow.wait_status(lambda s: not s.window(1).visible, what="hidden by the hot key")
        self.desk.key("ctrl+shift+k")
        ow.wait_status(lambda s: s.window(1).visible, what="shown by the hot key")


class KeyChainAndDefaults(SettingsTestCase):
    def test_first_start_creates_the_chain_with_no_values_and_ok_writes_all_eleven(self):
        self.assertFalse(self.desk.reg_key_exists(ROOT))
        app = self.launch()
        self.assertEqual(self.desk.reg_subkeys(ROOT), ["Velumix"])
        self.assertEqual(self.desk.reg_subkeys(ROOT + r"\Velumix"), ["Velumix"])
        self.assertEqual(self.desk.reg_subkeys(ROOT + r"\Velumix\Velumix"), ["Settings"])
        self.assertEqual(self.stored(), {})
        dlg = self.assert_dialog_shows_defaults(app)
        app.close_dialog(dlg, V.IDOK, click=True)
        self.assertEqual(self.stored(), DEFAULTS)
        self.assertEqual(self.desk.reg_subkeys(KEY), [])

    def test_ok_stores_every_entry_as_entered(self):
        app = self.launch()
        dlg = app.open_config()
        app.fill_config(dlg, (V.CFG_START_MINIMIZED, V.CFG_CAMOUFLAGE), " Mixed Case 42 ", {
            V.CFG_HOTKEY_HIDECURRENT: "ctrl+alt+h", V.CFG_HOTKEY_SHOWALL: "shift+F9",
            V.CFG_HOTKEY_LOCK: "alt+l", V.CFG_HOTKEY_HIDEALL: "ctrl+shift+j"})
        app.close_dialog(dlg, V.IDOK, click=True)
        stored = dict(V.stored_hot_keys({"hidecurrent": (0x48, 3), "showall": (0x78, 4), "lock": (0x4C, 1),
                                         "hideall": (0x4A, 6)}),
                      password=("REG_SZ", " Mixed Case 42 "),
                      camouflage=("REG_DWORD", 1), startminimized=("REG_DWORD", 1))
        self.assertEqual(self.stored(), stored)

        # both password fields come back holding the stored password; OK keeps it
        dlg = app.open_config()
        self.assertEqual(app.text_of(dlg, V.CFG_PASSWORD), " Mixed Case 42 ")
        self.assertEqual(app.text_of(dlg, V.CFG_CONFIRM), " Mixed Case 42 ")
        app.close_dialog(dlg, V.IDOK, click=True)
        self.assertEqual(self.stored(), stored)

    def test_an_eight_bit_password_is_stored_byte_for_byte(self):
        app = self.launch()
        dlg = app.open_config()
        # put in through the controls themselves: xdotool types ASCII only
        for cid in (V.CFG_PASSWORD, V.CFG_CONFIRM):
            self.desk.set_text(app.control(cid, dlg.hwnd).hwnd, "\u00c7a va, Ren\u00e9e \u00ff")
        app.close_dialog(dlg, V.IDOK, click=True)
        self.assertEqual(self.stored()["password"], ("REG_SZ", "\u00c7a va, Ren\u00e9e \u00ff"))

    def test_start_minimised_sends_the_window_to_the_tray_after_a_second_once(self):
        self.seed_settings(startminimized=1)
        # watched from one process: on a busy machine a look per process could miss the second
        watch = self.desk.watch_showing(V.DIALOG_CLASS, V.MAIN_TITLE, 6000)
        app = self.launch()
        changes = watch.changes()
        self.assertEqual([visible for visible, _ in changes][-2:], [True, False], changes)
        self.assertGreater(changes[-1][1] - changes[-2][1], 400, changes)
        self.assertLess(changes[-1][1] - changes[-2][1], 3000, changes)
        self.assertEqual(self.stored(), {"startminimized": ("REG_DWORD", 1)})
        app.restore_from_tray()
        self.assertFalse(app.info().iconic)
        H.wait_until(lambda: app.visible(), stable=30, what="still shown: the timer fired once")

    def test_a_renamed_executable_starts_from_the_defaults(self):
        self.seed_settings(camouflage=1, password="elsewhere")
        self.seed_hot_keys({"hideall": (0x4A, 6), "lock": (0x4C, 3)})
        before = self.stored()
        copy = os.path.join(self.workdir, "Other.exe")
        shutil.copy(velumix_exe(), copy)
        app = self.launch(exe=copy)
        self.assertEqual(self.desk.reg_query(V.settings_key("Other")), {})
        self.assertEqual(sorted(self.desk.reg_subkeys(ROOT + r"\Velumix")), ["Other", "Velumix"])
        self.assertEqual(self.stored(), before)
        # no camouflage, no hot keys, no password
        H.wait_until(lambda: self.desk.tray_tip() == "Right-click on me!", what="the plain tray icon")
        dlg = self.assert_dialog_shows_defaults(app)
        app.close_dialog(dlg, V.IDCANCEL)
        app.click_control(V.SET_PASSWORD)
        app.close_dialog(app.wait_dialog(V.SET_PASSWORD_TITLE), V.IDCANCEL)
        self.assertTrue(app.visible())
        self.assertEqual(self.desk.reg_query(V.settings_key("Other")), {})


class ValuesFromElsewhere(SettingsTestCase):
    """Values the program never writes itself; it reads them without writing anything back."""

    def test_a_megabyte_password_changes_nothing_else(self):
        self.desk.reg_add_bytes(KEY, "password", "REG_SZ", b"m" * (1 << 20))
        self.seed_hot_keys(CTRL_SHIFT_J_K)
        self.seed_settings(startminimized=0)
        before = self.stored()
        self.assertEqual(len(before["password"][1]), 1 << 20)
        ow, app = self.launch_with(["Big password"])
        self.hide_all_and_show_all_by_hot_key(ow)
        # a password is stored: the lock takes no new one
        self.lock_with_stored_password(app)
        self.assertEqual(self.stored(), before)
        self.desk.post(app.hwnd, H.WM_CLOSE)
        app.wait_exit()
        self.assertEqual(self.stored(), before)

    def test_a_megabyte_password_comes_through_the_configuration_dialog_whole(self):
        big = "".join(chr(0x41 + i % 26) for i in range(1 << 20))
        self.desk.reg_add_bytes(KEY, "password", "REG_SZ", big.encode())
        app = self.launch()
        dlg = app.open_config()
        app.click_button(dlg, V.IDOK)
        app.wait_no_dialog(V.CONFIG_TITLE, timeout=30)
        self.assertEqual(self.stored(), dict(DEFAULTS, password=("REG_SZ", big)))

    def test_strings_where_numbers_belong_change_nothing_else(self):
        self.seed_hot_keys(dict(CTRL_SHIFT_J_K, lock=("76", "3"), hidecurrent=("a string", None)))
        self.seed_settings(password="kept")
        before = self.stored()
        ow, app = self.launch_with(["Strings"])
        self.assertTrue(app.proc.alive() and app.visible())
        self.hide_all_and_show_all_by_hot_key(ow)
        self.assertEqual(self.stored(), before)
        self.lock_with_stored_password(app)
        self.assertEqual(self.stored(), before)

    def test_numbers_wider_than_16_bits_keep_their_low_16_bits(self):
        self.seed_hot_keys({"hideall": (0x7_0000 | 0x4A, 0x1_0000 | 6), "showall": (0xFF_0000 | 0x4B, 0x8_0000 | 6)})
        before = self.stored()
        ow, app = self.launch_with(["Wide numbers"])
        self.hide_all_and_show_all_by_hot_key(ow)
        dlg = app.open_config()
        self.assertEqual(app.hot_key(dlg, V.CFG_HOTKEY_HIDEALL), 0x4A | 3 << 8)
        self.assertEqual(app.hot_key(dlg, V.CFG_HOTKEY_SHOWALL), 0x4B | 3 << 8)
        app.close_dialog(dlg, V.IDCANCEL)
        self.assertEqual(self.stored(), before)
