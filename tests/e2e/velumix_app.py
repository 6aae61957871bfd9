"""Driving the real Velumix.exe from the outside: its main window, its dialogs and
message boxes, its tray icon. Shared by the end-to-end tests of the program."""

import os
import re
import struct
import zlib

import harness

MAIN_TITLE = "Velumix"
DIALOG_CLASS = "#32770"
MENU_CLASS = "#32768"
SETTINGS_KEY = r"HKCU\Software\Orvane\Velumix\{}\Settings"

# Main dialog controls
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7
HIDE_ALL, SHOW_ALL, SET_PASSWORD, EXIT, CONFIGURE, WINDOW_LIST = 3, 7, 8, 9, 10, 1000
BM_CLICK = 0x00F5
BM_GETCHECK = 0x00F0
HKM_GETHOTKEY = 0x0402
WM_TRAYNOTIFY = 0x65
WM_HOTKEY = 0x0312
ID_HELP = 57670

# Message box kinds, as MessageBox takes them
MB_OK, MB_YESNO, MB_ICONHAND, MB_ICONQUESTION = 0x0, 0x4, 0x10, 0x20
MB_BUTTONS = {MB_OK: [IDOK], MB_YESNO: [IDYES, IDNO]}
SS_TYPEMASK, SS_ICON = 0x1F, 0x3

# Tray menu commands
MENU_WINDOW_FIRST, MENU_LOCK, MENU_HIDE_ALL, MENU_SHOW_ALL = 150, 104, 105, 106
MENU_COMMANDS = ["Show all", "Hide all", "Lock with password", None, "Configure Velumix", "Exit"]

# Dialogs and message boxes
CONFIG_TITLE = "Velumix Configuration"
SET_PASSWORD_TITLE = "Set Password"
UNLOCK_TITLE = "Password Required"
OOPS = "Oops..."
DUPLICATE_HOT_KEYS = "There are identical hot keys for different operations. Try again!"
EXIT_CAPTION = "Exit Velumix?"
ABOUT_TITLE = "About Velumix"
MISTAKE = "Mistake in entering a password. Try again!"
PASSWORD_NOT_WHOLE = ("The password holds a broken character (half of a surrogate pair), which cannot be stored. "
                      "Try again!")
CANNOT_LOCK = "The program cannot be locked"
CANNOT_LOCK_UNRECORDED = ("The program cannot be locked: the lock could not be noted in the registry, so after a "
                          "crash the next start would give the hidden windows back without the password. Nothing "
                          "was locked.")
CANNOT_LOCK_UNSTORED = ("The program cannot be locked: the password could not be stored in the registry, so after a "
                        "crash the next start would give the hidden windows back without it. Nothing was locked.")
EXIT_LOCKED = "The program is locked! By Exiting, currently hidden windows will remain hidden. Proceed?"
EXIT_UNLOCKED = "By Exiting, currently hidden windows will be unhidden. Proceed?"
NO_TRAY_LOG = "couldn't like put it to system tray and stuff"
HIDE_REFUSED = ("The windows were not hidden: Velumix could not note them in the registry, and a window hidden "
                "without that note could not be given back after a crash.")
HIDE_UNRECORDED_LOG = "Could not record the windows to hide in the journal; nothing was hidden"

# Passwords beyond code page 1252: "пароль", and "ключик", as many letters long
PASSWORD_RU = "\u043f\u0430\u0440\u043e\u043b\u044c"
OTHER_RU = "\u043a\u043b\u044e\u0447\u0438\u043a"

# Configuration dialog controls
CFG_START_MINIMIZED, CFG_CAMOUFLAGE, CFG_PASSWORD, CFG_CONFIRM = 1004, 1005, 1006, 1007
CFG_HOTKEY_HIDECURRENT, CFG_HOTKEY_SHOWALL, CFG_HOTKEY_LOCK, CFG_HOTKEY_HIDEALL = 1008, 1010, 1011, 1012
CFG_START_WITH_WINDOWS = 1013
STARTUP_NOT_WRITTEN = ("Velumix could not write its shortcut into the Startup folder, so it will not start with "
                       "Windows. Try again!")
# Password dialogs
PW_ENTRY, PW_CONFIRM = 1003, 1004

# The hot-key control's flags and the registration's
HOTKEYF_SHIFT, HOTKEYF_CONTROL, HOTKEYF_ALT = 1, 2, 4

# Each operation's hot key in the settings: (value of the virtual key, value of the MOD_ flags)
HOT_KEY_VALUES = {
    "showall": ("hot_showall_key", "hot_showall_mod"),
    "lock": ("hot_lock_key", "hot_lock_mod"),
    "hidecurrent": ("hot_hidecurrent_key", "hot_hidecurrent_mod"),
    "hideall": ("hot_hideall_key", "hot_hideall_mod"),
}
SETTINGS_VALUES = ("password", "camouflage", "startminimized") + tuple(n for v in HOT_KEY_VALUES.values() for n in v)
CTRL_ALT = harness.MOD_CONTROL | harness.MOD_ALT
# The id each operation's hot key is registered with, as WM_HOTKEY carries it
HOT_KEY_IDS = {"showall": 1, "lock": 2, "hidecurrent": 3, "hideall": 4}
# Ctrl+Alt: S show all, L lock, H hide current, J hide all
CTRL_ALT_KEYS = {"showall": (0x53, CTRL_ALT), "lock": (0x4C, CTRL_ALT),
                 "hidecurrent": (0x48, CTRL_ALT), "hideall": (0x4A, CTRL_ALT)}


def hot_key_settings(keys):
    """Settings values for {operation: (key, modifiers)}; modifiers None leaves that value out."""
    values = {}
    for op, (key, mods) in keys.items():
        key_name, mod_name = HOT_KEY_VALUES[op]
        values[key_name] = key
        if mods is not None:
            values[mod_name] = mods
    return values


def stored_hot_keys(keys):
    """What reg_query gives for hot keys stored as DWORDs, {operation: (key, modifiers)}."""
    return {name: ("REG_DWORD", v) for name, v in hot_key_settings(keys).items()}


def read_hot_keys(values):
    """{operation: (key, modifiers)} of what reg_query gives. A missing value reads None, one
    that is not a DWORD as its (type, data) pair, so that it never equals a number."""
    def read(name):
        typ, data = values.get(name, (None, None))
        return data if typ in ("REG_DWORD", None) else (typ, data)
    return {op: tuple(read(n) for n in names) for op, names in HOT_KEY_VALUES.items()}


def seed_settings(desk, app_name="Velumix", **values):
    """Settings as an earlier run or another program left them: an int is a DWORD, a str
    a string, a (type, data) pair goes in as it is."""
    for name, value in values.items():
        if isinstance(value, tuple):
            typ, value = value
        else:
            typ = "REG_DWORD" if isinstance(value, int) else "REG_SZ"
        desk.reg_add(settings_key(app_name), name, typ, value)


def seed_hot_keys(desk, keys, app_name="Velumix"):
    seed_settings(desk, app_name, **hot_key_settings(keys))


class Velumix:
    """One running Velumix: its process and its main dialog."""

    def __init__(self, desk, proc, timeout=30):
        self.desk = desk
        self.proc = proc
        self.main = desk.find_window(MAIN_TITLE, pid=proc.winpid, cls=DIALOG_CLASS, timeout=timeout)
        self.hwnd = self.main.hwnd
        # Its notification icon: they sit in order of addition, so a copy started after
        # another one that is still running has the next.
        self.tray_slot = 0

    # -- the main window ---------------------------------------------------

    def info(self):
        return self.desk.window_info(self.hwnd)

    def visible(self):
        info = self.info()
        return bool(info and info.visible)

    def wait_visible(self, visible=True, timeout=10):
        harness.wait_until(lambda: self.visible() == visible, timeout=timeout,
                           what=f"main window {'shown' if visible else 'hidden'}")

    def control(self, cid, parent=None):
        for c in self.desk.children(parent or self.hwnd):
            if c.id == cid:
                return c
        raise harness.HarnessError(f"no control {cid}")

    def control_center(self, cid, parent=None):
        """Screen coordinates of a control's centre."""
        parent = parent or self.hwnd
        left, top, right, bottom = self.desk.child_rect(parent, self.control(cid, parent))
        return (left + right) // 2, (top + bottom) // 2

    def click_control(self, cid, parent=None):
        self.desk.click(*self.control_center(cid, parent))

    def command(self, cid, code=0):
        """A WM_COMMAND as a menu or a button would send it."""
        self.desk.post(self.hwnd, harness.WM_COMMAND, (code << 16) | cid, 0)

    def post_hot_key(self, op):
        """WM_HOTKEY for the operation's hot key, as the system posts it on a press."""
        self.desk.post(self.hwnd, WM_HOTKEY, HOT_KEY_IDS[op], 0)

    def list_hwnd(self):
        return self.control(WINDOW_LIST).hwnd

    def list_items(self):
        return self.desk.listbox(self.list_hwnd()).texts

    def wait_list(self, predicate, timeout=10, what="the window list"):
        return harness.wait_until(lambda: (lambda items: items if predicate(items) else None)(self.list_items()),
                                  timeout=timeout, what=what)

    def row_center(self, index, top=0):
        """Screen centre of list row `index` (rows are 15 pixels high), the list scrolled
        to show row `top` first."""
        info = self.desk.window_info(self.list_hwnd())
        ox, oy = info.client_origin
        return ox + 100, oy + (index - top) * 15 + 7

    def click_row(self, title):
        """A click on the list row of the window `title`, the main window brought to the front
        first: it toggles that window."""
        self.focus()
        self.desk.click(*self.row_center(self.list_items().index(title)))

    def toggle(self, title):
        """The tray menu's command for the window `title`, sent as the menu sends it."""
        self.command(MENU_WINDOW_FIRST + self.list_items().index(title))

    def row_rects(self, index):
        """Screen rectangles of list row `index`: its bulb, and its text."""
        ox, oy = self.desk.window_info(self.list_hwnd()).client_origin
        top, bottom = oy + 15 * index, oy + 15 * index + 15
        return (ox, top, ox + 15, bottom), (ox + 20, top, ox + 200, bottom)

    def focus(self):
        """Brings the main window to the front by a click on its caption."""
        self.desk.bring_to_front(self.hwnd, what="the main window in front")

    def click_main(self, cid):
        """A click on a button of the main window, brought to the front first."""
        self.focus()
        self.click_control(cid)

    def settled_origin(self):
        """The main window's client origin once it is shown and stays put."""
        seen = []

        def still():
            info = self.info()
            seen.append(info.client_origin if info and info.visible else None)
            return seen[-1] is not None and seen[-2:] == [seen[-1]] * 2
        harness.wait_until(still, timeout=10, what="the main window shown and in place")
        return seen[-1]

    # -- tray ----------------------------------------------------------------

    def tray_point(self):
        return self.desk.tray_icon_position(self.tray_slot, timeout=10)

    def tray_notify(self, mouse_message, icon_id=5):
        """The icon's callback message, as the notification area sends it."""
        self.desk.post(self.hwnd, WM_TRAYNOTIFY, icon_id, mouse_message)

    def double_click_tray(self):
        self.desk.double_click(*self.tray_point())

    def restore_from_tray(self):
        """A double-click on the icon, and the main window back."""
        self.double_click_tray()
        self.wait_visible(True)

    def restore_with_password(self, password):
        """While locked: a double-click on the icon, the password, and the main window back."""
        self.double_click_tray()
        self.enter_password(self.unlock_prompt(), password)
        self.wait_visible(True)

    def right_click_tray(self):
        self.desk.click(*self.tray_point(), button=3)

    # -- dialogs and message boxes of the program ---------------------------

    def dialogs(self, title=None):
        return [w for w in self.desk.find_windows(title, cls=DIALOG_CLASS)
                if w.pid == self.proc.winpid and w.visible and w.hwnd != self.hwnd]

    def wait_dialog(self, title, timeout=10):
        return harness.wait_until(lambda: (self.dialogs(title) or [None])[0], timeout=timeout, stable=1,
                                  what=f"dialog {title!r}")

    def wait_no_dialog(self, title, timeout=10):
        harness.wait_until(lambda: not self.dialogs(title), timeout=timeout, what=f"no dialog {title!r}")

    def message_text(self, box):
        """The message of a message box: its static text control (id 0xFFFF)."""
        for c in self.desk.children(box.hwnd):
            if c.cls.lower() == "static" and c.text:
                return c.text
        return ""

    def press(self, box, button_id):
        """Presses a dialog button through the control itself, as a click would."""
        self.desk.post(self.control(button_id, box.hwnd).hwnd, BM_CLICK, 0, 0)

    def popup_menu(self, timeout=10):
        return harness.wait_until(
            lambda: next((w for w in self.desk.find_windows(cls=MENU_CLASS) if w.visible), None),
            timeout=timeout, stable=1, what="a popup menu")

    def no_popup_menu(self):
        return not any(w.visible for w in self.desk.find_windows(cls=MENU_CLASS))

    def tray_menu(self, timeout=10):
        """The open tray menu: (its window, its items with screen rectangles)."""
        def look():
            for w in self.desk.find_windows(cls=MENU_CLASS):
                if w.visible and w.pid == self.proc.winpid:
                    try:
                        items = self.desk.popup_menu_items(w.hwnd)
                    except harness.VxError:
                        return None
                    return (self.desk.window_info(w.hwnd), items) if items else None
            return None
        return harness.wait_until(look, timeout=timeout, stable=1, what="the tray menu")

    def open_tray_menu(self):
        self.right_click_tray()
        return self.tray_menu()

    def choose_from_tray(self, text):
        _, items = self.open_tray_menu()
        self.choose(items, text)

    def menu_states(self):
        """{title: shown} as the tray menu's check marks have it."""
        _, items = self.open_tray_menu()
        self.close_menu()
        return window_states(items)

    def choose(self, items, text):
        """Clicks the menu item with this text."""
        item = next((i for i in items if i.kind == "item" and menu_shown(i.text) == text), None)
        if item is None:
            raise harness.HarnessError(f"no menu item {text!r} in {[i.text for i in items]!r}")
        self.desk.click(*item.rect.center)
        harness.wait_until(self.no_popup_menu, timeout=10, what="the menu to close")

    def close_menu(self):
        """A click outside the menu ends it."""
        self.desk.click(self.desk.width // 2, 8)
        harness.wait_until(self.no_popup_menu, timeout=10, what="the menu to close")

    def taskbar_created(self):
        """The broadcast a notification area sends when it (re)starts."""
        self.desk.post(self.hwnd, self.desk.register_message("TaskbarCreated"), 0, 0)

    # -- the configuration dialog and the password dialogs -------------------

    def open_config(self):
        """Opens the configuration dialog with the main window's Configure button."""
        self.click_main(CONFIGURE)
        return self.wait_dialog(CONFIG_TITLE)

    def open_set_password(self):
        """The Lock button without a stored password: the Set Password dialog."""
        self.click_main(SET_PASSWORD)
        return self.wait_dialog(SET_PASSWORD_TITLE)

    def close_dialog(self, dialog, button, click=False):
        """Presses (with click, clicks with the mouse) a button of a dialog or message box,
        then waits until no dialog of its title is left."""
        (self.click_button if click else self.press)(dialog, button)
        self.wait_no_dialog(dialog.title)

    def fill_config(self, dlg, checks=(), password=None, hot_keys=None):
        """Clicks the check boxes `checks`, types `password` into both password fields and
        each {control: chord} into its hot-key control."""
        for cid in checks:
            self.click_control(cid, dlg.hwnd)
        if password is not None:
            self.type_into(dlg, CFG_PASSWORD, password)
            self.type_into(dlg, CFG_CONFIRM, password)
        for cid, chord in (hot_keys or {}).items():
            self.enter_hot_key(dlg, cid, chord)

    def toggle_config(self, *cids):
        """Checks or clears the configuration's check boxes and confirms with OK."""
        dlg = self.open_config()
        for cid in cids:
            self.click_control(cid, dlg.hwnd)
        self.close_dialog(dlg, IDOK, click=True)

    def enter_new_password(self, entry, confirm):
        """Fills the open Set Password dialog and clicks OK."""
        prompt = self.wait_dialog(SET_PASSWORD_TITLE)
        self.type_into(prompt, PW_ENTRY, entry)
        self.type_into(prompt, PW_CONFIRM, confirm)
        self.click_button(prompt, IDOK)
        return prompt

    def lock_with_new_password(self, entry, confirm):
        """The Lock button with no password stored, and the Set Password dialog filled."""
        self.click_main(SET_PASSWORD)
        return self.enter_new_password(entry, confirm)

    def unlock_prompt(self):
        return self.wait_dialog(UNLOCK_TITLE)

    def enter_password(self, prompt, text, click=True):
        """Types into the Password Required prompt and confirms; without click the button
        is pressed through the control and the mouse stays where it is."""
        self.type_into(prompt, PW_ENTRY, text)
        (self.click_button if click else self.press)(prompt, IDOK)

    def unlock_from_tray(self, password):
        """Right-click, the password, and the tray menu it opens, closed again."""
        self.right_click_tray()
        self.enter_password(self.unlock_prompt(), password, click=False)
        self.wait_menu_and_close()

    def wait_menu_and_close(self):
        """The tray menu comes up (a right-click's, once the password is in); then it is closed."""
        self.tray_menu()
        self.close_menu()

    def hot_key(self, dialog, cid):
        """A hot-key control's value: key in the low byte, control flags in the high one."""
        return self.desk.send(self.control(cid, dialog.hwnd).hwnd, HKM_GETHOTKEY) & 0xFFFF

    def enter_hot_key(self, dialog, cid, chord):
        """Types a chord (xdotool syntax) into a hot-key control."""
        before = self.hot_key(dialog, cid)
        self.click_control(cid, dialog.hwnd)
        self.desk.key(chord)
        return harness.wait_until(lambda: (lambda v: v if v and v != before else None)(self.hot_key(dialog, cid)),
                                  timeout=10, stable=1, what=f"{chord} in hot-key control {cid}")

    def checked(self, dialog, cid):
        return self.desk.send(self.control(cid, dialog.hwnd).hwnd, BM_GETCHECK) == 1

    def text_of(self, dialog, cid):
        return self.desk.get_text(self.control(cid, dialog.hwnd).hwnd)

    def type_into(self, dialog, cid, text):
        """Replaces an edit control's text by typing (a click into it, Ctrl+A, the keys)."""
        self.click_control(cid, dialog.hwnd)
        self.desk.key("ctrl+a")
        if text:
            self.desk.type_text(text)
        else:
            self.desk.key("BackSpace")
        harness.wait_until(lambda: self.text_of(dialog, cid) == text, timeout=10,
                           what=f"{text!r} typed into control {cid}")

    def put_text(self, dialog, cid, text):
        """Sets an edit control's text through the control itself: xdotool types ASCII only."""
        self.desk.set_text(self.control(cid, dialog.hwnd).hwnd, text)

    def wait_message(self, caption, timeout=10):
        """A message box of the program: (its window, its text)."""
        box = self.wait_dialog(caption, timeout=timeout)
        return box, harness.wait_until(lambda: self.message_text(box), timeout=5, stable=1,
                                       what=f"the text of {caption!r}")

    def click_button(self, box, button_id):
        """Clicks a dialog's button with the mouse."""
        self.click_control(button_id, box.hwnd)

    def box_kind(self, box):
        """A message box's buttons and the picture of its icon, to hold against the box
        another program gets for the same flags (reference_box_kind)."""
        return message_box_kind(self.desk, box.hwnd)

    # -- ending ----------------------------------------------------------------

    def wait_exit(self, timeout=15):
        harness.wait_until(lambda: not self.proc.alive(), timeout=timeout, stable=1, what="Velumix to end")


def window_states(items):
    """{title: shown} of the window items of a tray menu."""
    return {menu_shown(i.text): i.checked for i in items if i.kind == "item" and i.id >= MENU_WINDOW_FIRST}


def menu_shown(text):
    """What a menu shows of an item's text: "&&" shows as "&", and a lone "&" only marks
    the next character as the item's key."""
    return re.sub("&(.)", r"\1", text, flags=re.S)


# faketray.exe's ways with notification icons
TRAY_REFUSES, TRAY_KEEPS, TRAY_KEEPS_BUT_FAILS_ADD, TRAY_HANGS, TRAY_SLOW = 0, 1, 2, 3, 4
FAKE_TRAY_SET_MODE, FAKE_TRAY_COUNT, FAKE_TRAY_ANNOUNCE = 0x8001, 0x8002, 0x8003   # WM_APP + 1, + 2, + 3
HWND_BROADCAST = 0xFFFF


def message_box_kind(desk, hwnd):
    """(button ids, icon pixels) of the message box `hwnd`."""
    children = desk.children(hwnd)
    buttons = sorted(c.id for c in children if c.cls.lower() == "button")
    icon = next((c for c in children if c.cls.lower() == "static" and c.style & SS_TYPEMASK == SS_ICON), None)
    if icon is None:
        return buttons, None
    rect = desk.child_rect(hwnd, icon)
    pixels = harness.wait_until(lambda: desk.screenshot().region(rect), stable=2, what="the icon drawn")
    return buttons, pixels


_reference_kinds = {}


def reference_box_kind(desk, flags):
    """What a message box with these flags looks like when another program shows it."""
    if flags not in _reference_kinds:
        caption = f"Reference {flags:#x}"
        proc = desk.run(desk.vxtool, ["messagebox", flags, caption, "A message of reference."], name="reference")
        box = desk.find_window(caption, pid=proc.winpid, timeout=20)
        _reference_kinds[flags] = message_box_kind(desk, box.hwnd)
        desk.post(box.hwnd, harness.WM_COMMAND, _reference_kinds[flags][0][0], 0)
        try:
            proc.wait(10)
        except TimeoutError:
            proc.kill()
    return _reference_kinds[flags]


def start_fake_tray(desk, cwd, mode=TRAY_REFUSES):
    """faketray.exe: a window of the taskbar's class, found before explorer's. It refuses
    every notification icon, or keeps a record of them as a notification area does (without
    showing them), or keeps them while reporting each add as failed, or hangs at the first
    icon request, or answers each one in 450 ms. It announces TaskbarCreated when it ends."""
    import session
    tray = desk.run(os.path.join(session.build_dir(), "faketray.exe"), cwd=cwd, name="faketray")
    harness.wait_until(lambda: any(w.pid == tray.winpid for w in desk.find_windows(cls="Shell_TrayWnd")),
                       what="the stand-in notification area")
    if mode != TRAY_REFUSES:
        set_fake_tray_mode(desk, tray, mode)
    return tray


def _fake_tray_window(desk, tray):
    return next(w.hwnd for w in desk.find_windows(cls="Shell_TrayWnd") if w.pid == tray.winpid)


def set_fake_tray_mode(desk, tray, mode):
    desk.send(_fake_tray_window(desk, tray), FAKE_TRAY_SET_MODE, mode)


def fake_tray_icons(desk, tray):
    """How many icons the stand-in holds (it drops none of itself, not even a dead program's)."""
    return desk.send(_fake_tray_window(desk, tray), FAKE_TRAY_COUNT)


def announce_notification_area(desk):
    """TaskbarCreated broadcast to every top-level window, as a notification area does when
    it (re)starts; it is in every queue when this returns."""
    desk.post(HWND_BROADCAST, desk.register_message("TaskbarCreated"))


def announce_from_fake_tray(desk, tray, times):
    """The stand-in broadcasts TaskbarCreated `times` times at once, as a notification area
    that keeps restarting; they are in every queue when this returns."""
    desk.send(_fake_tray_window(desk, tray), FAKE_TRAY_ANNOUNCE, times)


def stop_fake_tray(desk, tray):
    desk.post(_fake_tray_window(desk, tray), harness.WM_CLOSE)
    tray.wait(10)


def settings_key(name="Velumix"):
    return SETTINGS_KEY.format(name)


def journal_key(name="Velumix"):
    """Where each running Velumix keeps the record of the windows it holds hidden."""
    return SETTINGS_KEY.format(name).rsplit("\\", 1)[0] + "\\Journal"


def encode_journal(owner, started, locked, entries, version=3):
    """A journal as Velumix writes one: entries are (hwnd, pid, title, class[, the
    process's start]). Versions 1 and 2 are the records of earlier versions, with
    titles in the ANSI code page behind a 1-byte length, and version 1 has no starts;
    version 3 holds titles in UTF-8 behind a 2-byte length."""
    body = b"VXJ%d" % version + struct.pack("<IQBB", owner, started, 1 if locked else 0, len(entries))
    for hwnd, pid, title, cls, *process_started in entries:
        c = harness.ansi_encode(cls)
        body += struct.pack("<QI", hwnd, pid)
        if version >= 2:
            body += struct.pack("<Q", process_started[0] if process_started else 0)
        if version >= 3:
            t = title.encode("utf-8")
            body += struct.pack("<H", len(t)) + t
        else:
            t = harness.ansi_encode(title)
            body += bytes([len(t)]) + t
        body += bytes([len(c)]) + c
    return body + struct.pack("<I", zlib.crc32(body))


def decode_journal(data):
    """(owner, started, locked, [(hwnd, pid, title, class, process start)]), or None for
    what Velumix would not read."""
    version = {b"VXJ1": 1, b"VXJ2": 2, b"VXJ3": 3}.get(data[:4])
    if len(data) < 26 or not version or struct.unpack("<I", data[-4:])[0] != zlib.crc32(data[:-4]):
        return None
    owner, started, flags, count = struct.unpack_from("<IQBB", data, 4)
    at, entries = 18, []
    for _ in range(count):
        hwnd, pid = struct.unpack_from("<QI", data, at)
        at += 12
        process_started = 0
        if version >= 2:
            process_started, = struct.unpack_from("<Q", data, at)
            at += 8
        if version >= 3:
            n, = struct.unpack_from("<H", data, at)
            title = data[at + 2:at + 2 + n].decode("utf-8", "replace")
            at += 2 + n
        else:
            n = data[at]
            title = harness.ansi_decode(data[at + 1:at + 1 + n])
            at += 1 + n
        n = data[at]
        cls = harness.ansi_decode(data[at + 1:at + 1 + n])
        at += 1 + n
        entries.append((hwnd, pid, title, cls, process_started))
    return owner, started, bool(flags & 1), entries


def read_bytes(path, missing=None):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return missing


def read_log(workdir):
    """logfile.log of a working directory as bytes; None if there is none."""
    return read_bytes(os.path.join(workdir, "logfile.log"))
