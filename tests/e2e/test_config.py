"""The configuration dialog: hot keys typed into its controls and working system-wide,
the checks on its entries, Help, and the camouflaged tray icon."""

import os

import harness as H
import velumix_app as V
from session import VelumixTestCase

KEY = V.settings_key()
WEB_SITE = "http://www.orvane.example/velumix/"
# Wine 8 builds HKEY_CLASSES_ROOT from HKLM\Software\Classes alone (HKCU\Software\Classes
# is not looked at), so the handler goes there, in the private prefix, and comes out again
HTTP_OPEN = r"HKLM\Software\Classes\http\shell\open\command"

NAVY, PURPLE = (0, 0, 128), (128, 0, 128)


def control_value(key, flags):
    return key | flags << 8


class ConfigTestCase(VelumixTestCase):
    def confirm(self, app, dlg):
        app.click_button(dlg, V.IDOK)
        app.wait_no_dialog(V.CONFIG_TITLE)

    def press_hide_current_then_hide_all(self, ow, hide_current, hide_all):
        """Window 1 in front: `hide_current` hides it alone; then, from the desktop, `hide_all`
        hides window 2 too."""
        self.bring_to_front(ow, 1)
        self.desk.key(hide_current)
        ow.wait_status(lambda s: not s.window(1).visible and s.window(2).visible,
                       what=f"{hide_current} hid the front window alone")
        self.desk.click_desktop()
        self.desk.key(hide_all)
        ow.wait_status(lambda s: not s.window(2).visible, what=f"{hide_all} hid the back window")


class TypedHotKeys(ConfigTestCase):
    def test_typed_hot_keys_are_stored_in_the_registration_encoding_and_work(self):
        ow, app = self.launch_with(["Front window", "Back window"])
        dlg = app.open_config()
        typed = {
            V.CFG_HOTKEY_HIDECURRENT: ("ctrl+alt+h", control_value(0x48, V.HOTKEYF_CONTROL | V.HOTKEYF_ALT)),
            V.CFG_HOTKEY_HIDEALL: ("ctrl+shift+j", control_value(0x4A, V.HOTKEYF_CONTROL | V.HOTKEYF_SHIFT)),
            V.CFG_HOTKEY_SHOWALL: ("alt+s", control_value(0x53, V.HOTKEYF_ALT)),
            V.CFG_HOTKEY_LOCK: ("shift+F7", control_value(0x76, V.HOTKEYF_SHIFT)),
        }
        for cid, (chord, value) in typed.items():
            self.assertEqual(app.enter_hot_key(dlg, cid, chord), value, chord)
        self.desk.screenshot(self.artifact("typed-hot-keys.png"))
        self.confirm(app, dlg)

        values = self.desk.reg_query(KEY)
        self.assertEqual({k: v for k, v in values.items() if k.startswith("hot_")}, {
            "hot_hidecurrent_key": ("REG_DWORD", 0x48), "hot_hidecurrent_mod": ("REG_DWORD", H.MOD_CONTROL | H.MOD_ALT),
            "hot_hideall_key": ("REG_DWORD", 0x4A), "hot_hideall_mod": ("REG_DWORD", 6),   # Ctrl+Shift
            "hot_showall_key": ("REG_DWORD", 0x53), "hot_showall_mod": ("REG_DWORD", H.MOD_ALT),
            "hot_lock_key": ("REG_DWORD", 0x76), "hot_lock_mod": ("REG_DWORD", H.MOD_SHIFT),
        })

        # another program in front: the hot keys act on the desktop's windows
        self.press_hide_current_then_hide_all(ow, "ctrl+alt+h", "ctrl+shift+j")
        self.assertTrue(app.visible())
        self.desk.key("alt+s")
        ow.wait_status(lambda s: s.window(1).visible and s.window(2).visible, what="both shown")

        # the dialog shows each one as it was typed
        dlg = app.open_config()
        self.assertEqual({cid: app.hot_key(dlg, cid) for cid in typed}, {cid: v for cid, (_, v) in typed.items()})
        app.press(dlg, V.IDCANCEL)
        app.wait_no_dialog(V.CONFIG_TITLE)

    def test_extended_keys_fire_as_typed_and_read_back_as_typed(self):
        # Windows' hot-key control marks Home, the arrows, Insert and Delete with its extended-key
        # flag, which is the Windows key's bit in the registration; Wine's control leaves it out.
        # Stored the Windows way, the keys must fire as typed and show again as typed.
        ext = 8
        self.desk.reg_add(KEY, "hot_hidecurrent_key", "REG_DWORD", 0x24)   # Home
        self.desk.reg_add(KEY, "hot_hidecurrent_mod", "REG_DWORD", H.MOD_CONTROL | ext)
        self.desk.reg_add(KEY, "hot_hideall_key", "REG_DWORD", 0x27)       # Right
        self.desk.reg_add(KEY, "hot_hideall_mod", "REG_DWORD", H.MOD_CONTROL | H.MOD_ALT | ext)
        ow, app = self.launch_with(["Front window", "Back window"])
        self.press_hide_current_then_hide_all(ow, "ctrl+Home", "ctrl+alt+Right")

        dlg = app.open_config()
        self.assertEqual((app.hot_key(dlg, V.CFG_HOTKEY_HIDECURRENT), app.hot_key(dlg, V.CFG_HOTKEY_HIDEALL)),
                         (control_value(0x24, V.HOTKEYF_CONTROL | ext),
                          control_value(0x27, V.HOTKEYF_CONTROL | V.HOTKEYF_ALT | ext)))
        # typed here, and confirmed: they fire all the same
        app.enter_hot_key(dlg, V.CFG_HOTKEY_SHOWALL, "ctrl+Insert")
        self.confirm(app, dlg)
        self.desk.click_desktop()
        self.desk.key("ctrl+Insert")
        ow.wait_status(lambda s: s.window(1).visible and s.window(2).visible, what="Ctrl+Insert showed all")
        values = self.desk.reg_query(KEY)
        self.assertEqual(values["hot_hidecurrent_mod"], ("REG_DWORD", H.MOD_CONTROL | ext))

        # Ctrl+Home and Ctrl+Alt+Right typed into the controls fire too, and read back as typed
        dlg = app.open_config()
        typed = (app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDEALL, "ctrl+Home"),
                 app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDECURRENT, "ctrl+alt+Right"))
        self.assertEqual([v & 0xFF for v in typed], [0x24, 0x27])
        self.confirm(app, dlg)
        self.press_hide_current_then_hide_all(ow, "ctrl+alt+Right", "ctrl+Home")
        dlg = app.open_config()
        self.assertEqual((app.hot_key(dlg, V.CFG_HOTKEY_HIDEALL), app.hot_key(dlg, V.CFG_HOTKEY_HIDECURRENT)), typed)
        app.press(dlg, V.IDCANCEL)
        app.wait_no_dialog(V.CONFIG_TITLE)

    def test_identical_hot_keys_are_refused_and_the_dialog_stays_open(self):
        app = self.launch()
        dlg = app.open_config()
        app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDECURRENT, "ctrl+alt+h")
        app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDEALL, "ctrl+alt+h")
        app.click_button(dlg, V.IDOK)
        box, text = app.wait_message(V.OOPS)
        self.assertEqual(text, "There are identical hot keys for different operations. Try again!")
        self.assertEqual(box.owner, dlg.hwnd)
        self.assertEqual(app.box_kind(box), V.reference_box_kind(self.desk, V.MB_OK | V.MB_ICONHAND))
        app.press(box, V.IDOK)
        app.wait_no_dialog(V.OOPS)
        # the same showing, as the user left it, and nothing stored
        self.assertEqual([d.hwnd for d in app.dialogs(V.CONFIG_TITLE)], [dlg.hwnd])
        self.assertEqual(app.hot_key(dlg, V.CFG_HOTKEY_HIDEALL), control_value(0x48, 6))
        self.assertEqual(self.desk.reg_query(KEY), {})

        # the same key with other modifiers is another hot key
        app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDEALL, "ctrl+shift+h")
        self.confirm(app, dlg)
        values = self.desk.reg_query(KEY)
        self.assertEqual((values["hot_hidecurrent_key"], values["hot_hidecurrent_mod"]),
                         (("REG_DWORD", 0x48), ("REG_DWORD", 3)))
        self.assertEqual((values["hot_hideall_key"], values["hot_hideall_mod"]),
                         (("REG_DWORD", 0x48), ("REG_DWORD", 6)))

    def test_no_hot_key_is_registered_while_the_dialog_is_open(self):
        self.desk.reg_add(KEY, "hot_hideall_key", "REG_DWORD", 0x4A)
        self.desk.reg_add(KEY, "hot_hideall_mod", "REG_DWORD", H.MOD_CONTROL | H.MOD_SHIFT)
        ow, app = self.launch_with(["Open dialog target"])
        dlg = app.open_config()
        self.assertEqual(app.hot_key(dlg, V.CFG_HOTKEY_HIDEALL), control_value(0x4A, 3))
        # the combination reaches the control instead of hiding anything
        self.assertEqual(app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDECURRENT, "ctrl+shift+j"), control_value(0x4A, 3))
        self.assertTrue(ow.window(1).visible)
        app.click_button(dlg, V.IDCANCEL)
        app.wait_no_dialog(V.CONFIG_TITLE)
        # Cancel registers the keys it found again
        self.desk.click_desktop()
        self.desk.key("ctrl+shift+j")
        ow.wait_status(lambda s: not s.window(1).visible, what="hidden by the stored hot key")

    def test_the_same_key_without_modifiers_on_two_operations_is_accepted(self):
        app = self.launch()
        dlg = app.open_config()
        self.assertEqual(app.enter_hot_key(dlg, V.CFG_HOTKEY_SHOWALL, "F8"), 0x77)
        self.assertEqual(app.enter_hot_key(dlg, V.CFG_HOTKEY_LOCK, "F8"), 0x77)
        self.confirm(app, dlg)
        values = self.desk.reg_query(KEY)
        for op in ("showall", "lock"):
            self.assertEqual((values[f"hot_{op}_key"], values[f"hot_{op}_mod"]), (("REG_DWORD", 0x77), ("REG_DWORD", 0)))


class Registration(ConfigTestCase):
    def test_hot_keys_are_registered_in_id_order_so_the_first_of_two_alike_wins(self):
        # bindings without modifiers are never refused as duplicates: the later id then
        # cannot be registered, and the earlier one is what the key runs
        for name, key in (("showall", 0x77), ("lock", 0x77), ("hidecurrent", 0x78), ("hideall", 0x78)):
            self.desk.reg_add(KEY, f"hot_{name}_key", "REG_DWORD", key)
        ow, app = self.launch_with(["Shared A", "Shared B"])
        app.command(V.MENU_WINDOW_FIRST + app.list_items().index("Shared A"))
        ow.wait_status(lambda s: not s.window(1).visible, what="A hidden")
        self.desk.click_desktop()
        self.desk.key("F8")   # show all, not lock
        ow.wait_status(lambda s: s.window(1).visible, what="F8 showed all")
        self.assertTrue(app.visible())
        self.assertEqual(app.dialogs(V.SET_PASSWORD_TITLE), [])
        ow.command("activate 2")
        H.wait_until(lambda: self.desk.foreground().hwnd == ow.hwnd(2), what="B in front")
        self.desk.key("F9")   # hide current, not hide all
        ow.wait_status(lambda s: not s.window(2).visible, what="F9 hid the front window")
        self.assertTrue(ow.window(1).visible, "F9 hid all")


class EntriesRefused(ConfigTestCase):
    def test_mismatched_passwords_give_the_dialog_again_and_cancel_stores_nothing(self):
        ow, app = self.launch_with(["Mismatch target"])
        dlg = app.open_config()
        app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDEALL, "ctrl+shift+j")
        app.click_control(V.CFG_START_MINIMIZED, dlg.hwnd)
        app.type_into(dlg, V.CFG_PASSWORD, "one")
        app.type_into(dlg, V.CFG_CONFIRM, "two")
        app.click_button(dlg, V.IDOK)
        box, text = app.wait_message(V.OOPS)
        self.assertEqual(text, "Mistake in entering a password. Try again!")
        self.assertEqual(box.owner, app.hwnd)
        self.assertEqual(app.box_kind(box), V.reference_box_kind(self.desk, V.MB_OK | V.MB_ICONHAND))
        self.assertFalse(app.dialogs(V.CONFIG_TITLE))
        app.press(box, V.IDOK)

        # shown again, filled afresh: the rejected attempt's hot key, everything else as stored
        again = app.wait_dialog(V.CONFIG_TITLE)
        self.assertNotEqual(again.hwnd, dlg.hwnd)
        self.assertEqual(app.hot_key(again, V.CFG_HOTKEY_HIDEALL), control_value(0x4A, 3))
        self.assertFalse(app.checked(again, V.CFG_START_MINIMIZED))
        self.assertEqual((app.text_of(again, V.CFG_PASSWORD), app.text_of(again, V.CFG_CONFIRM)), ("", ""))
        app.click_button(again, V.IDCANCEL)
        app.wait_no_dialog(V.CONFIG_TITLE)
        self.assertEqual(self.desk.reg_query(KEY), {})

        # that hot key is registered for the rest of the run all the same
        self.desk.click_desktop()
        self.desk.key("ctrl+shift+j")
        ow.wait_status(lambda s: not s.window(1).visible, what="hidden by the rejected attempt's hot key")

    def test_cancel_stores_nothing(self):
        app = self.launch()
        dlg = app.open_config()
        app.click_control(V.CFG_START_MINIMIZED, dlg.hwnd)
        app.click_control(V.CFG_CAMOUFLAGE, dlg.hwnd)
        app.type_into(dlg, V.CFG_PASSWORD, "same")
        app.type_into(dlg, V.CFG_CONFIRM, "same")
        app.enter_hot_key(dlg, V.CFG_HOTKEY_LOCK, "ctrl+alt+l")
        self.assertTrue(app.checked(dlg, V.CFG_CAMOUFLAGE))
        app.click_button(dlg, V.IDCANCEL)
        app.wait_no_dialog(V.CONFIG_TITLE)
        self.assertEqual(self.desk.reg_query(KEY), {})
        self.assertEqual(self.desk.tray_tip(), "Right-click on me!")
        dlg = app.open_config()
        self.assertFalse(app.checked(dlg, V.CFG_START_MINIMIZED) or app.checked(dlg, V.CFG_CAMOUFLAGE))
        self.assertEqual(app.hot_key(dlg, V.CFG_HOTKEY_LOCK), 0)
        self.assertEqual(app.text_of(dlg, V.CFG_PASSWORD), "")
        app.press(dlg, V.IDCANCEL)


class Help(ConfigTestCase):
    def test_help_opens_the_web_site_and_leaves_the_dialog_open(self):
        sink = os.path.join(self.workdir, "opened.txt")
        old = (self.desk.reg_query(HTTP_OPEN) or {}).get("")
        if old:
            self.addCleanup(self.desk.reg_add, HTTP_OPEN, "", old[0], old[1])
        else:
            self.addCleanup(self.desk.reg_delete, HTTP_OPEN)
        self.desk.reg_add(HTTP_OPEN, "", "REG_SZ",
                          f'"{H.unix_to_windows(self.desk.vxtool)}" urlsink "{H.unix_to_windows(sink)}" "%1"')
        app = self.launch()
        dlg = app.open_config()
        app.click_button(dlg, V.ID_HELP)
        def opened():
            try:
                with open(sink, "rb") as f:
                    return f.read()
            except FileNotFoundError:
                return b""
        H.wait_until(lambda: opened().endswith(b"\n"), timeout=20, stable=1, what="the shell's open command")
        self.assertEqual(opened(), (WEB_SITE + "\n").encode())
        self.assertEqual([d.hwnd for d in app.dialogs(V.CONFIG_TITLE)], [dlg.hwnd])
        self.confirm(app, dlg)
        self.assertTrue(app.proc.alive())


class Camouflage(ConfigTestCase):
    def icon_slot(self, shot):
        x, y = self.desk.tray_icon_position(0)
        return shot.colors((x - 8, y - 8, x + 8, y + 8))

    def test_a_stored_camouflage_holds_from_the_start(self):
        self.desk.reg_add(KEY, "camouflage", "REG_DWORD", 1)
        app = self.launch()
        H.wait_until(lambda: self.desk.tray_tip() == "I'm still here!", what="the camouflaged tip")
        self.assertTrue(self.desk.tray_visible())
        self.assertEqual(self.desk.tray_icon_count(), 0)
        app.click_control(V.IDOK)
        app.wait_visible(False)
        app.double_click_tray()
        app.wait_visible(True)

    def test_camouflage_hides_the_picture_and_changes_the_tip_and_the_icon_still_answers(self):
        app = self.launch()
        shot = self.desk.screenshot(self.artifact("tray-plain.png"))
        self.assertTrue({NAVY, PURPLE} <= self.icon_slot(shot))
        self.assertEqual(self.desk.tray_icon_count(shot), 1)
        self.assertEqual(self.desk.tray_tip(), "Right-click on me!")

        dlg = app.open_config()
        app.click_control(V.CFG_CAMOUFLAGE, dlg.hwnd)
        H.wait_until(lambda: app.checked(dlg, V.CFG_CAMOUFLAGE), what="the box checked")
        self.confirm(app, dlg)
        H.wait_until(lambda: self.desk.tray_tip() == "I'm still here!", what="the camouflaged tip")
        self.assertEqual(self.desk.reg_query(KEY)["camouflage"], ("REG_DWORD", 1))
        shot = self.desk.screenshot(self.artifact("tray-camouflaged.png"))
        # the notification area is still there, its slot holding nothing but background
        self.assertTrue(self.desk.tray_visible())
        self.assertEqual(self.desk.tray_icon_count(shot), 0)
        self.assertFalse(self.icon_slot(shot) & {NAVY, PURPLE})

        _, items = app.open_tray_menu()
        self.assertEqual(items[-1].text, "Exit")
        app.close_menu()
        app.click_control(V.IDOK)
        app.wait_visible(False)
        app.double_click_tray()
        app.wait_visible(True)

        dlg = app.open_config()
        self.assertTrue(app.checked(dlg, V.CFG_CAMOUFLAGE))
        app.click_control(V.CFG_CAMOUFLAGE, dlg.hwnd)
        self.confirm(app, dlg)
        H.wait_until(lambda: self.desk.tray_tip() == "Right-click on me!", what="the plain tip again")
        shot = self.desk.screenshot(self.artifact("tray-plain-again.png"))
        self.assertTrue({NAVY, PURPLE} <= self.icon_slot(shot))
        self.assertEqual(self.desk.reg_query(KEY)["camouflage"], ("REG_DWORD", 0))
