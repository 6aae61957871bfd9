"""The settings in the real registry: the key chain, what the configuration dialog
writes, the name of the executable, and values the program did not write itself."""

import os
import shutil
import time

import harness as H
import velumix_app as V
from session import VelumixTestCase, velumix_exe

KEY = V.settings_key()
ROOT = r"HKCU\Software\Orvane"
DEFAULTS = {name: ("REG_SZ", "") if name == "password" else ("REG_DWORD", 0) for name in V.SETTINGS_VALUES}
HOT_KEY_CONTROLS = (V.CFG_HOTKEY_SHOWALL, V.CFG_HOTKEY_LOCK, V.CFG_HOTKEY_HIDECURRENT, V.CFG_HOTKEY_HIDEALL)


class SettingsTestCase(VelumixTestCase):
    def seed(self, key=KEY, **values):
        for name, value in values.items():
            if isinstance(value, int):
                self.desk.reg_add(key, name, "REG_DWORD", value)
            else:
                self.desk.reg_add(key, name, "REG_SZ", value)

    def assert_dialog_shows_defaults(self, app):
        dlg = app.open_config()
        self.assertFalse(app.checked(dlg, V.CFG_START_MINIMIZED))
        self.assertFalse(app.checked(dlg, V.CFG_CAMOUFLAGE))
        self.assertEqual([app.hot_key(dlg, cid) for cid in HOT_KEY_CONTROLS], [0, 0, 0, 0])
        self.assertEqual((app.text_of(dlg, V.CFG_PASSWORD), app.text_of(dlg, V.CFG_CONFIRM)), ("", ""))
        return dlg

    def hide_all_and_show_all_by_hot_key(self, ow):
        self.desk.click_desktop()
        self.desk.key("ctrl+shift+j")
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
        self.assertEqual(self.desk.reg_query(KEY), {})
        dlg = self.assert_dialog_shows_defaults(app)
        app.click_button(dlg, V.IDOK)
        app.wait_no_dialog(V.CONFIG_TITLE)
        self.assertEqual(self.desk.reg_query(KEY), DEFAULTS)
        self.assertEqual(self.desk.reg_subkeys(KEY), [])

    def test_ok_stores_every_entry_as_entered(self):
        app = self.launch()
        dlg = app.open_config()
        app.click_control(V.CFG_START_MINIMIZED, dlg.hwnd)
        app.click_control(V.CFG_CAMOUFLAGE, dlg.hwnd)
        app.type_into(dlg, V.CFG_PASSWORD, " Mixed Case 42 ")
        app.type_into(dlg, V.CFG_CONFIRM, " Mixed Case 42 ")
        app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDECURRENT, "ctrl+alt+h")
        app.enter_hot_key(dlg, V.CFG_HOTKEY_SHOWALL, "shift+F9")
        app.enter_hot_key(dlg, V.CFG_HOTKEY_LOCK, "alt+l")
        app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDEALL, "ctrl+shift+j")
        app.click_button(dlg, V.IDOK)
        app.wait_no_dialog(V.CONFIG_TITLE)
        stored = {
            "password": ("REG_SZ", " Mixed Case 42 "),
            "camouflage": ("REG_DWORD", 1), "startminimized": ("REG_DWORD", 1),
            "hot_hidecurrent_key": ("REG_DWORD", 0x48), "hot_hidecurrent_mod": ("REG_DWORD", 3),
            "hot_showall_key": ("REG_DWORD", 0x78), "hot_showall_mod": ("REG_DWORD", 4),
            "hot_lock_key": ("REG_DWORD", 0x4C), "hot_lock_mod": ("REG_DWORD", 1),
            "hot_hideall_key": ("REG_DWORD", 0x4A), "hot_hideall_mod": ("REG_DWORD", 6),
        }
        self.assertEqual(self.desk.reg_query(KEY), stored)

        # both password fields come back holding the stored password; OK keeps it
        dlg = app.open_config()
        self.assertEqual(app.text_of(dlg, V.CFG_PASSWORD), " Mixed Case 42 ")
        self.assertEqual(app.text_of(dlg, V.CFG_CONFIRM), " Mixed Case 42 ")
        app.click_button(dlg, V.IDOK)
        app.wait_no_dialog(V.CONFIG_TITLE)
        self.assertEqual(self.desk.reg_query(KEY), stored)

    def test_an_eight_bit_password_is_stored_byte_for_byte(self):
        app = self.launch()
        dlg = app.open_config()
        # put in through the controls themselves: xdotool types ASCII only
        for cid in (V.CFG_PASSWORD, V.CFG_CONFIRM):
            self.desk.set_text(app.control(cid, dlg.hwnd).hwnd, "\u00c7a va, Ren\u00e9e \u00ff")
        app.click_button(dlg, V.IDOK)
        app.wait_no_dialog(V.CONFIG_TITLE)
        self.assertEqual(self.desk.reg_query(KEY)["password"], ("REG_SZ", "\u00c7a va, Ren\u00e9e \u00ff"))

    def test_start_minimised_sends_the_window_to_the_tray_after_a_second_once(self):
        self.seed(startminimized=1)
        app = self.launch()
        app.wait_visible(True)
        shown = time.monotonic()
        app.wait_visible(False, timeout=10)
        # seen shown late rather than early, so the second is a little longer than measured
        self.assertGreater(time.monotonic() - shown, 0.4)
        self.assertLess(time.monotonic() - shown, 3.0)
        self.assertEqual(self.desk.reg_query(KEY), {"startminimized": ("REG_DWORD", 1)})
        app.double_click_tray()
        app.wait_visible(True)
        self.assertFalse(app.info().iconic)
        H.wait_until(lambda: app.visible(), stable=30, what="still shown: the timer fired once")

    def test_a_renamed_executable_starts_from_the_defaults(self):
        self.seed(camouflage=1, password="elsewhere", hot_hideall_key=0x4A, hot_hideall_mod=6,
                  hot_lock_key=0x4C, hot_lock_mod=3)
        before = self.desk.reg_query(KEY)
        copy = os.path.join(self.workdir, "Other.exe")
        shutil.copy(velumix_exe(), copy)
        app = V.Velumix(self.desk, self.start_velumix(exe=copy))
        self.assertEqual(self.desk.reg_query(V.settings_key("Other")), {})
        self.assertEqual(sorted(self.desk.reg_subkeys(ROOT + r"\Velumix")), ["Other", "Velumix"])
        self.assertEqual(self.desk.reg_query(KEY), before)
        # no camouflage, no hot keys, no password
        H.wait_until(lambda: self.desk.tray_tip() == "Right-click on me!", what="the plain tray icon")
        dlg = self.assert_dialog_shows_defaults(app)
        app.press(dlg, V.IDCANCEL)
        app.wait_no_dialog(V.CONFIG_TITLE)
        app.click_control(V.SET_PASSWORD)
        prompt = app.wait_dialog(V.SET_PASSWORD_TITLE)
        app.press(prompt, V.IDCANCEL)
        app.wait_no_dialog(V.SET_PASSWORD_TITLE)
        self.assertTrue(app.visible())
        self.assertEqual(self.desk.reg_query(V.settings_key("Other")), {})


class ValuesFromElsewhere(SettingsTestCase):
    """Values the program never writes itself; it reads them without writing anything back."""

    def test_a_megabyte_password_changes_nothing_else(self):
        self.desk.reg_add_bytes(KEY, "password", "REG_SZ", b"m" * (1 << 20))
        self.seed(hot_hideall_key=0x4A, hot_hideall_mod=6, hot_showall_key=0x4B, hot_showall_mod=6,
                  startminimized=0)
        before = self.desk.reg_query(KEY)
        self.assertEqual(len(before["password"][1]), 1 << 20)
        ow = self.owned_windows(["Big password"])
        app = self.launch()
        app.wait_list(lambda items: "Big password" in items)
        self.hide_all_and_show_all_by_hot_key(ow)
        # a password is stored: the lock takes no new one
        app.focus()
        app.click_control(V.SET_PASSWORD)
        app.wait_visible(False)
        self.assertEqual(app.dialogs(V.SET_PASSWORD_TITLE), [])
        self.assertEqual(self.desk.reg_query(KEY), before)
        self.desk.post(app.hwnd, H.WM_CLOSE)
        app.wait_exit()
        self.assertEqual(self.desk.reg_query(KEY), before)

    def test_a_megabyte_password_comes_through_the_configuration_dialog_whole(self):
        big = "".join(chr(0x41 + i % 26) for i in range(1 << 20))
        self.desk.reg_add_bytes(KEY, "password", "REG_SZ", big.encode())
        app = self.launch()
        dlg = app.open_config()
        app.click_button(dlg, V.IDOK)
        app.wait_no_dialog(V.CONFIG_TITLE, timeout=30)
        self.assertEqual(self.desk.reg_query(KEY), dict(DEFAULTS, password=("REG_SZ", big)))

    def test_strings_where_numbers_belong_change_nothing_else(self):
        self.seed(hot_lock_key="76", hot_lock_mod="3", hot_hidecurrent_key="a string",
                  hot_hideall_key=0x4A, hot_hideall_mod=6, hot_showall_key=0x4B, hot_showall_mod=6,
                  password="kept")
        before = self.desk.reg_query(KEY)
        ow = self.owned_windows(["Strings"])
        app = self.launch()
        app.wait_list(lambda items: "Strings" in items)
        self.assertTrue(app.proc.alive() and app.visible())
        self.hide_all_and_show_all_by_hot_key(ow)
        self.assertEqual(self.desk.reg_query(KEY), before)
        app.focus()
        app.click_control(V.SET_PASSWORD)
        app.wait_visible(False)
        self.assertEqual(app.dialogs(V.SET_PASSWORD_TITLE), [])
        self.assertEqual(self.desk.reg_query(KEY), before)

    def test_numbers_wider_than_16_bits_keep_their_low_16_bits(self):
        self.seed(hot_hideall_key=0x7_0000 | 0x4A, hot_hideall_mod=0x1_0000 | 6,
                  hot_showall_key=0xFF_0000 | 0x4B, hot_showall_mod=0x8_0000 | 6)
        before = self.desk.reg_query(KEY)
        ow = self.owned_windows(["Wide numbers"])
        app = self.launch()
        app.wait_list(lambda items: "Wide numbers" in items)
        self.hide_all_and_show_all_by_hot_key(ow)
        dlg = app.open_config()
        self.assertEqual(app.hot_key(dlg, V.CFG_HOTKEY_HIDEALL), 0x4A | 3 << 8)
        self.assertEqual(app.hot_key(dlg, V.CFG_HOTKEY_SHOWALL), 0x4B | 3 << 8)
        app.press(dlg, V.IDCANCEL)
        app.wait_no_dialog(V.CONFIG_TITLE)
        self.assertEqual(self.desk.reg_query(KEY), before)
