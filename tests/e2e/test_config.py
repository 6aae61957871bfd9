"""The configuration dialog: hot keys typed into its controls and working system-wide,
the checks on its entries, Help, and the camouflaged tray icon."""

import os
import shutil
import stat

import harness as H
import velumix_app as V
import session
from session import VelumixTestCase

WEB_SITE = "http://www.orvane.example/velumix/"
# Wine 8 builds HKEY_CLASSES_ROOT from HKLM\Software\Classes alone (HKCU\Software\Classes
# is not looked at), so the handler goes there, in the private prefix, and comes out again
HTTP_OPEN = r"HKLM\Software\Classes\http\shell\open\command"

NAVY, PURPLE = (0, 0, 128), (128, 0, 128)


def control_value(key, flags):
    return key | flags << 8


class ConfigTestCase(VelumixTestCase):
    def confirm(self, app, dlg):
        app.close_dialog(dlg, V.IDOK, click=True)

    def press_hide_current_then_hide_all(self, ow, hide_current, hide_all):
        """Window 1 in front: `hide_current` hides it alone; then, from the desktop, `hide_all`
        hides window 2 too."""
        self.bring_to_front(ow, 1)
        self.desk.key(hide_current)
        ow.wait_status(lambda s: not s.window(1).visible and s.window(2).visible,
                       what=f"{hide_current} hid the front window alone")
        self.desk.key_from_desktop(hide_all)
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

        values = self.stored()
        self.assertEqual({k: v for k, v in values.items() if k.startswith("hot_")}, V.stored_hot_keys({
            "hidecurrent": (0x48, H.MOD_CONTROL | H.MOD_ALT),
            "hideall": (0x4A, 6),   # Ctrl+Shift
            "showall": (0x53, H.MOD_ALT),
            "lock": (0x76, H.MOD_SHIFT),
        }))

        # another program in front: the hot keys act on the desktop's windows
        self.press_hide_current_then_hide_all(ow, "ctrl+alt+h", "ctrl+shift+j")
        self.assertTrue(app.visible())
        self.desk.key("alt+s")
        ow.wait_status(lambda s: s.window(1).visible and s.window(2).visible, what="both shown")

        # the dialog shows each one as it was typed
        dlg = app.open_config()
        self.assertEqual({cid: app.hot_key(dlg, cid) for cid in typed}, {cid: v for cid, (_, v) in typed.items()})
        app.close_dialog(dlg, V.IDCANCEL)

    def test_extended_keys_fire_as_typed_and_read_back_as_typed(self):
        # Windows' hot-key control marks Home, the arrows, Insert and Delete with its extended-key
        # flag, which is the Windows key's bit in the registration; Wine's control leaves it out.
        # Stored the Windows way, the keys must fire as typed and show again as typed.
        ext = 8
        self.seed_hot_keys({"hidecurrent": (0x24, H.MOD_CONTROL | ext),              # Home
                            "hideall": (0x27, H.MOD_CONTROL | H.MOD_ALT | ext)})     # Right
        ow, app = self.launch_with(["Front window", "Back window"])
        self.press_hide_current_then_hide_all(ow, "ctrl+Home", "ctrl+alt+Right")

        dlg = app.open_config()
        self.assertEqual((app.hot_key(dlg, V.CFG_HOTKEY_HIDECURRENT), app.hot_key(dlg, V.CFG_HOTKEY_HIDEALL)),
                         (control_value(0x24, V.HOTKEYF_CONTROL | ext),
                          control_value(0x27, V.HOTKEYF_CONTROL | V.HOTKEYF_ALT | ext)))
        # typed here, and confirmed: they fire all the same
        app.enter_hot_key(dlg, V.CFG_HOTKEY_SHOWALL, "ctrl+Insert")
        self.confirm(app, dlg)
        self.desk.key_from_desktop("ctrl+Insert")
        ow.wait_status(lambda s: s.window(1).visible and s.window(2).visible, what="Ctrl+Insert showed all")
        self.assertEqual(V.read_hot_keys(self.stored())["hidecurrent"][1], H.MOD_CONTROL | ext)

        # Ctrl+Home and Ctrl+Alt+Right typed into the controls fire too, and read back as typed
        dlg = app.open_config()
        typed = (app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDEALL, "ctrl+Home"),
                 app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDECURRENT, "ctrl+alt+Right"))
        self.assertEqual([v & 0xFF for v in typed], [0x24, 0x27])
        self.confirm(app, dlg)
        self.press_hide_current_then_hide_all(ow, "ctrl+alt+Right", "ctrl+Home")
        dlg = app.open_config()
        self.assertEqual((app.hot_key(dlg, V.CFG_HOTKEY_HIDEALL), app.hot_key(dlg, V.CFG_HOTKEY_HIDECURRENT)), typed)
        app.close_dialog(dlg, V.IDCANCEL)

    def test_identical_hot_keys_are_refused_and_the_dialog_stays_open(self):
        app = self.launch()
        dlg = app.open_config()
        app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDECURRENT, "ctrl+alt+h")
        app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDEALL, "ctrl+alt+h")
        app.click_button(dlg, V.IDOK)
        self.answer(app, V.OOPS, V.IDOK, text=V.DUPLICATE_HOT_KEYS,
                    owner=dlg.hwnd, kind=V.MB_OK | V.MB_ICONHAND, click=False)
        # the same showing, as the user left it, and nothing stored
        self.assertEqual([d.hwnd for d in app.dialogs(V.CONFIG_TITLE)], [dlg.hwnd])
        self.assertEqual(app.hot_key(dlg, V.CFG_HOTKEY_HIDEALL), control_value(0x48, 6))
        self.assertEqual(self.stored(), {})

        # the same key with other modifiers is another hot key
        app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDEALL, "ctrl+shift+h")
        self.confirm(app, dlg)
        stored = V.read_hot_keys(self.stored())
        self.assertEqual((stored["hidecurrent"], stored["hideall"]), ((0x48, 3), (0x48, 6)))

    def test_no_hot_key_is_registered_while_the_dialog_is_open(self):
        self.seed_hot_keys({"hideall": (0x4A, H.MOD_CONTROL | H.MOD_SHIFT)})
        ow, app = self.launch_with(["Open dialog target"])
        dlg = app.open_config()
        self.assertEqual(app.hot_key(dlg, V.CFG_HOTKEY_HIDEALL), control_value(0x4A, 3))
        # the combination reaches the control instead of hiding anything
        self.assertEqual(app.enter_hot_key(dlg, V.CFG_HOTKEY_HIDECURRENT, "ctrl+shift+j"), control_value(0x4A, 3))
        self.assertTrue(ow.window(1).visible)
        app.close_dialog(dlg, V.IDCANCEL, click=True)
        # Cancel registers the keys it found again
        self.desk.key_from_desktop("ctrl+shift+j")
        ow.wait_status(lambda s: not s.window(1).visible, what="hidden by the stored hot key")

    def test_the_same_key_without_modifiers_on_two_operations_is_accepted(self):
        app = self.launch()
        dlg = app.open_config()
        self.assertEqual(app.enter_hot_key(dlg, V.CFG_HOTKEY_SHOWALL, "F8"), 0x77)
        self.assertEqual(app.enter_hot_key(dlg, V.CFG_HOTKEY_LOCK, "F8"), 0x77)
        self.confirm(app, dlg)
        stored = V.read_hot_keys(self.stored())
        for op in ("showall", "lock"):
            self.assertEqual(stored[op], (0x77, 0))


class Registration(ConfigTestCase):
    def test_hot_keys_are_registered_in_id_order_so_the_first_of_two_alike_wins(self):
        # bindings without modifiers are never refused as duplicates: the later id then
        # cannot be registered, and the earlier one is what the key runs
        self.seed_hot_keys({"showall": (0x77, None), "lock": (0x77, None), "hidecurrent": (0x78, None),
                            "hideall": (0x78, None)})
        ow, app = self.launch_with(["Shared A", "Shared B"])
        app.command(V.MENU_WINDOW_FIRST + app.list_items().index("Shared A"))
        ow.wait_status(lambda s: not s.window(1).visible, what="A hidden")
        self.desk.key_from_desktop("F8")   # show all, not lock
        ow.wait_status(lambda s: s.window(1).visible, what="F8 showed all")
        self.assertTrue(app.visible())
        self.assertEqual(app.dialogs(V.SET_PASSWORD_TITLE), [])
        self.activate(ow, 2)
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
        self.assertEqual(text, V.MISTAKE)
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
        app.close_dialog(again, V.IDCANCEL, click=True)
        self.assertEqual(self.stored(), {})

        # that hot key is registered for the rest of the run all the same
        self.desk.key_from_desktop("ctrl+shift+j")
        ow.wait_status(lambda s: not s.window(1).visible, what="hidden by the rejected attempt's hot key")

    def test_cancel_stores_nothing(self):
        app = self.launch()
        dlg = app.open_config()
        app.fill_config(dlg, (V.CFG_START_MINIMIZED, V.CFG_CAMOUFLAGE), "same", {V.CFG_HOTKEY_LOCK: "ctrl+alt+l"})
        self.assertTrue(app.checked(dlg, V.CFG_CAMOUFLAGE))
        app.close_dialog(dlg, V.IDCANCEL, click=True)
        self.assertEqual(self.stored(), {})
        self.assertEqual(self.desk.tray_tip(), "Right-click on me!")
        dlg = app.open_config()
        self.assertFalse(app.checked(dlg, V.CFG_START_MINIMIZED) or app.checked(dlg, V.CFG_CAMOUFLAGE))
        self.assertEqual(app.hot_key(dlg, V.CFG_HOTKEY_LOCK), 0)
        self.assertEqual(app.text_of(dlg, V.CFG_PASSWORD), "")
        app.press(dlg, V.IDCANCEL)


class Passwords(ConfigTestCase):
    def test_the_password_fields_take_any_script_and_a_stored_eight_bit_password_stays(self):
        self.seed_settings(password="Caf\u00e9")  # as the 8-bit calls stored it
        app = self.launch()
        dlg = app.open_config()
        self.assertEqual(app.text_of(dlg, V.CFG_PASSWORD), "Caf\u00e9")
        self.confirm(app, dlg)
        self.assertEqual(self.stored()["password"], ("REG_SZ", "Caf\u00e9"))
        dlg = app.open_config()
        for cid in (V.CFG_PASSWORD, V.CFG_CONFIRM):
            app.put_text(dlg, cid, V.PASSWORD_RU)
        self.confirm(app, dlg)
        self.assertEqual(self.desk.reg_text(V.settings_key(), "password"), V.PASSWORD_RU)
        # shown as stored, so confirmed unchanged it stays
        self.confirm(app, app.open_config())
        self.assertEqual(self.desk.reg_text(V.settings_key(), "password"), V.PASSWORD_RU)


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
        H.wait_until(lambda: V.read_bytes(sink, b"").endswith(b"\n"), timeout=20, stable=1,
                     what="the shell's open command")
        self.assertEqual(V.read_bytes(sink), (WEB_SITE + "\n").encode())
        self.assertEqual([d.hwnd for d in app.dialogs(V.CONFIG_TITLE)], [dlg.hwnd])
        self.confirm(app, dlg)
        self.assertTrue(app.proc.alive())


class Camouflage(ConfigTestCase):
    def icon_slot(self, shot):
        x, y = self.desk.tray_icon_position(0)
        return shot.colors((x - 8, y - 8, x + 8, y + 8))

    def test_a_stored_camouflage_holds_from_the_start(self):
        self.seed_settings(camouflage=1)
        app = self.launch()
        H.wait_until(lambda: self.desk.tray_tip() == "I'm still here!", what="the camouflaged tip")
        self.assertTrue(self.desk.tray_visible())
        self.assertEqual(self.desk.tray_icon_count(), 0)
        app.click_control(V.IDOK)
        app.wait_visible(False)
        app.restore_from_tray()

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
        self.assertEqual(self.stored()["camouflage"], ("REG_DWORD", 1))
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
        app.restore_from_tray()

        dlg = app.open_config()
        self.assertTrue(app.checked(dlg, V.CFG_CAMOUFLAGE))
        app.click_control(V.CFG_CAMOUFLAGE, dlg.hwnd)
        self.confirm(app, dlg)
        H.wait_until(lambda: self.desk.tray_tip() == "Right-click on me!", what="the plain tip again")
        shot = self.desk.screenshot(self.artifact("tray-plain-again.png"))
        self.assertTrue({NAVY, PURPLE} <= self.icon_slot(shot))
        self.assertEqual(self.stored()["camouflage"], ("REG_DWORD", 0))


class StartWithWindows(ConfigTestCase):
    """The box stands for the Startup folder's shortcut "Velumix.lnk": what it holds is read
    each time the dialog opens, and only a shortcut naming this executable is this copy's."""

    def startup_folder(self):
        """The Startup folder as a Unix path (made if missing)."""
        path = self.desk.vx("startupfolder")[0][1]
        drive, rest = path.split(":", 1)
        root = "/" if drive.upper() == "Z" else os.path.join(self.desk.prefix, "drive_c")
        folder = os.path.join(root, *[p for p in rest.split("\\") if p])
        os.makedirs(folder, exist_ok=True)
        return folder

    def shortcut(self):
        """(target, working directory) of the shortcut, as the Shell reads it; None without one."""
        path = os.path.join(self.startup_folder(), "Velumix.lnk")
        if not os.path.exists(path):
            return None
        _, target, directory = self.desk.vx("shortcut", H.unix_to_windows(path))[0]
        return target, directory

    def launch_in_folder(self, name):
        """A copy of Velumix.exe in a folder of its own, started there."""
        folder = os.path.join(self.workdir, name)
        os.mkdir(folder)
        return self.launch(exe=shutil.copy(session.velumix_exe(), folder), cwd=folder, name=name)

    def remove_shortcut(self):
        path = os.path.join(self.startup_folder(), "Velumix.lnk")
        if os.path.exists(path):
            os.remove(path)

    def set_box(self, app, checked, was):
        # asked by command: two copies' main windows stand one over the other
        app.command(V.CONFIGURE)
        dlg = app.wait_dialog(V.CONFIG_TITLE)
        self.assertEqual(app.checked(dlg, V.CFG_START_WITH_WINDOWS), was)
        if checked != was:
            app.click_control(V.CFG_START_WITH_WINDOWS, dlg.hwnd)
        self.confirm(app, dlg)

    def test_checked_it_writes_the_shortcut_that_the_session_start_runs_and_unchecked_removes_it(self):
        self.addCleanup(self.remove_shortcut)
        one, two = self.launch_in_folder("one"), self.launch_in_folder("two")
        folder_two = os.path.join(self.workdir, "two")
        exe_two = H.unix_to_windows(os.path.join(folder_two, "Velumix.exe"))
        self.set_box(one, True, was=False)
        self.assertEqual(self.shortcut(), (H.unix_to_windows(os.path.join(self.workdir, "one", "Velumix.exe")),
                                           H.unix_to_windows(os.path.join(self.workdir, "one"))))
        # the last copy checked has the one shortcut; the other's box then reads unchecked,
        # and left so it does not touch the shortcut
        self.set_box(two, True, was=False)
        self.assertEqual(self.shortcut(), (exe_two, H.unix_to_windows(folder_two)))
        self.set_box(one, False, was=False)
        self.assertEqual(self.shortcut(), (exe_two, H.unix_to_windows(folder_two)))

        # a session's start (wineboot without arguments) runs the Startup folder: the copy it
        # names starts in its own folder and logs there
        two.proc.kill()
        os.remove(os.path.join(folder_two, "logfile.log"))
        self.desk.run("wineboot", [], name="session-start")
        started = H.wait_until(lambda: next((w for w in self.desk.find_windows(V.MAIN_TITLE, cls=V.DIALOG_CLASS)
                                             if w.pid not in (one.proc.winpid, two.proc.winpid)), None),
                               timeout=60, stable=1, what="the copy the Startup folder names")
        self.addCleanup(self.desk.vx, "terminate", str(started.pid), check=False)
        H.wait_until(lambda: b"**Main window**" in (V.read_log(folder_two) or b""), timeout=20,
                     what="its start in its own folder's log")
        self.desk.vx("terminate", str(started.pid))

        again = self.launch(exe=os.path.join(folder_two, "Velumix.exe"), cwd=folder_two, name="again")
        self.set_box(again, False, was=True)
        self.assertIsNone(self.shortcut())

    def test_a_startup_folder_that_refuses_writes_is_told_and_nothing_else_changes(self):
        folder = self.startup_folder()
        mode = os.stat(folder).st_mode
        os.chmod(folder, 0o555)
        self.addCleanup(os.chmod, folder, stat.S_IMODE(mode))
        app = self.launch(drop_write_caps=True)
        dlg = app.open_config()
        app.click_control(V.CFG_START_WITH_WINDOWS, dlg.hwnd)
        app.click_control(V.CFG_START_MINIMIZED, dlg.hwnd)
        app.click_button(dlg, V.IDOK)
        self.answer(app, V.OOPS, V.IDOK, text=V.STARTUP_NOT_WRITTEN, owner=dlg.hwnd, kind=V.MB_OK | V.MB_ICONHAND,
                    shot="startup-refused.png")
        # the dialog stays open as the user left it; nothing was stored
        self.assertTrue(app.checked(dlg, V.CFG_START_WITH_WINDOWS))
        self.assertEqual(app.dialogs(V.CONFIG_TITLE)[0].hwnd, dlg.hwnd)
        app.close_dialog(dlg, V.IDCANCEL)
        self.assertIsNone(self.shortcut())
        self.assertNotIn("startminimized", self.stored() or {})
