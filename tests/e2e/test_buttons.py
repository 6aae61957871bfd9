"""The main dialog's bitmap push buttons: the face each one shows under the mouse, and
what a click, a drag and the space bar make of them."""

import collections
import os
import sys
from typing import NamedTuple, Optional

import harness as H
from session import REPO, VelumixTestCase, velumix_exe
from velumix_app import (CONFIG_TITLE, CONFIGURE, EXIT, HIDE_ALL, ID_HELP, IDCANCEL, IDOK, SET_PASSWORD,
                         SET_PASSWORD_TITLE as PASSWORD_TITLE, SHOW_ALL)

BLACK, WHITE = (0, 0, 0), (255, 255, 255)
BLUE, PURPLE = (0, 0, 255), (128, 0, 128)
FACE_GREY, SHADOW = (192, 192, 192), (128, 128, 128)

# caption ink, then the frame: outer top/left, outer bottom/right, inner top/left, inner bottom/right
FACES = {
    "normal": (BLACK, (SHADOW, WHITE, WHITE, SHADOW)),     # etched
    "hover": (BLUE, (WHITE, BLACK, FACE_GREY, FACE_GREY)),  # raised
    "pressed": (PURPLE, (BLACK, WHITE, FACE_GREY, FACE_GREY)),  # sunken
}
BUTTONS = [HIDE_ALL, SHOW_ALL, SET_PASSWORD, EXIT, CONFIGURE, IDOK]
NAMES = {HIDE_ALL: "Hide All", SHOW_ALL: "Show All", SET_PASSWORD: "Lock", EXIT: "Exit",
         CONFIGURE: "Configure...", IDOK: "OK"}
FACE_SIZE = (89, 26)
PARK = (1000, 300)  # bare desktop, far from the main window
BACKGROUND = (5, 184)  # client point of the main dialog clear of every control


class Face(NamedTuple):
    name: Optional[str]   # normal, hover, pressed, or None for anything else
    caption: frozenset    # caption pixels, relative to the caption's own corner
    detail: str


def _majority(shot, points):
    return collections.Counter(shot.pixel(x, y) for x, y in points).most_common(1)[0][0]


def read_face(shot, rect) -> Face:
    l, t, r, b = rect
    frame = (
        _majority(shot, [(x, t) for x in range(l, r - 1)] + [(l, y) for y in range(t, b - 1)]),
        _majority(shot, [(x, b - 1) for x in range(l, r)] + [(r - 1, y) for y in range(t, b)]),
        _majority(shot, [(x, t + 1) for x in range(l + 1, r - 2)] + [(l + 1, y) for y in range(t + 1, b - 2)]),
        _majority(shot, [(x, b - 2) for x in range(l + 1, r - 1)] + [(r - 2, y) for y in range(t + 1, b - 1)]),
    )
    inside = collections.defaultdict(list)
    for y in range(t + 2, b - 2):
        for x in range(l + 2, r - 2):
            inside[shot.pixel(x, y)].append((x - l, y - t))
    detail = f"inside {dict((c, len(p)) for c, p in inside.items())}, frame {frame}"
    for name, (ink, want_frame) in FACES.items():
        if set(inside) == {FACE_GREY, ink} and frame == want_frame:
            x0 = min(x for x, _ in inside[ink])
            y0 = min(y for _, y in inside[ink])
            return Face(name, frozenset((x - x0, y - y0) for x, y in inside[ink]), detail)
    return Face(None, frozenset(), detail)


class ButtonTestCase(VelumixTestCase):
    def setUp(self):
        super().setUp()
        self.desk.move(*PARK)

    def start(self):
        self.app = self.launch()
        self.origin = self.app.settled_origin()
        self.rects = {}
        for c in self.desk.children(self.app.hwnd):
            if c.id in BUTTONS:
                ox, oy = self.origin
                self.rects[c.id] = (ox + c.rect.left, oy + c.rect.top, ox + c.rect.right, oy + c.rect.bottom)
        self.assertEqual(sorted(self.rects), sorted(BUTTONS))
        return self.app

    def center(self, cid):
        l, t, r, b = self.rects[cid]
        return (l + r) // 2, (t + b) // 2

    def background(self):
        return self.origin[0] + BACKGROUND[0], self.origin[1] + BACKGROUND[1]

    def faces(self, shot=None):
        shot = shot or self.desk.screenshot()
        return {cid: read_face(shot, r) for cid, r in self.rects.items()}

    def wait_face(self, cid, name, artifact=None, timeout=5, explain=None):
        """Polls screenshots until button cid shows face `name`; returns that Face.
        explain() may add to the failure message."""
        seen = {}

        def check():
            shot = self.desk.screenshot()
            seen["face"], seen["shot"] = read_face(shot, self.rects[cid]), shot
            return seen["face"].name == name

        try:
            H.wait_until(check, timeout=timeout, what=f"{NAMES[cid]} showing its {name} face")
        except TimeoutError:
            pass
        else:
            if artifact:
                seen["shot"].save_png(self.artifact(artifact))
            return seen["face"]
        seen["shot"].save_png(self.artifact(f"{cid}-not-{name}.png"))
        face = seen["face"]
        raise self.failureException(f"{NAMES[cid]} does not show its {name} face but {face.name} "
                                    f"({face.detail})" + (explain() if explain else ""))

    def capture_note(self, cid):
        def note():
            held = self.desk.foreground().capture == self.app.control(cid).hwnd
            return f"; the pointer is at {self.desk.cursor()}" + (
                f", and {NAMES[cid]} still holds the mouse capture" if held else "")
        return note

    def put_away_with_ok(self):
        self.desk.click(*self.center(IDOK))
        try:
            self.app.wait_visible(False)
            return
        except TimeoutError:
            pass
        self.desk.screenshot(self.artifact("ok-did-not-hide.png"))
        self.fail(f"a click on OK left the window up; notification area shown: {self.desk.tray_visible()}, "
                  f"OK face: {read_face(self.desk.screenshot(), self.rects[IDOK]).name}, "
                  f"log: {self.log_text()!r}")

    def assert_all_normal(self):
        faces = self.faces()
        self.assertEqual({cid: f.name for cid, f in faces.items()}, {cid: "normal" for cid in BUTTONS},
                         {cid: f.detail for cid, f in faces.items() if f.name != "normal"})

    def move_in_steps(self, start, end, steps=6):
        for i in range(1, steps + 1):
            self.desk.move(start[0] + (end[0] - start[0]) * i // steps, start[1] + (end[1] - start[1]) * i // steps)

    def assert_one_dialog(self, title, then_command, then_title, cancel_by_mouse=False):
        """Exactly one dialog `title` opens. A second command would open a second one on
        top, from the first one's message loop, or right after it closes; posted messages
        arrive in order, so once a command posted after the close has run, it would have."""
        app = self.app
        dlg = app.wait_dialog(title)
        H.wait_until(lambda: len(app.dialogs(title)) == 1, stable=6, what=f"one {title!r} dialog")
        self.assertEqual(len(app.dialogs(title)), 1)
        app.close_dialog(dlg, IDCANCEL, click=cancel_by_mouse)
        app.command(then_command)
        other = app.wait_dialog(then_title)
        self.assertEqual(app.dialogs(title), [], f"a second {title!r} dialog opened")
        self.assertEqual(len(app.dialogs(then_title)), 1)
        app.close_dialog(other, IDCANCEL)


class Faces(ButtonTestCase):
    def test_the_faces_are_89_by_26_and_all_normal_at_start(self):
        self.start()
        for cid, (l, t, r, b) in self.rects.items():
            self.assertEqual((r - l, b - t), FACE_SIZE, NAMES[cid])
        self.desk.screenshot(self.artifact("start.png"))
        self.assert_all_normal()

    def test_hover_press_drag_off_and_release_outside_on_every_button(self):
        app = self.start()
        off = self.background()
        for cid in BUTTONS:
            name = NAMES[cid]
            first = cid == BUTTONS[0]
            normal = self.wait_face(cid, "normal")
            self.desk.move(*self.center(cid))
            hover = self.wait_face(cid, "hover", artifact="hover.png" if first else None)
            others = {c: f.name for c, f in self.faces().items() if c != cid}
            self.assertEqual(set(others.values()), {"normal"}, f"pointer over {name} only")

            self.desk.mouse_down(*self.center(cid))
            pressed = self.wait_face(cid, "pressed", artifact="pressed.png" if first else None)
            self.move_in_steps(self.center(cid), off)
            self.wait_face(cid, "hover", artifact="dragged-off.png" if first else None)
            if first:
                self.move_in_steps(off, self.center(cid))
                self.wait_face(cid, "pressed")
                self.move_in_steps(self.center(cid), off)
                self.wait_face(cid, "hover")
            self.desk.mouse_up(*off)
            self.wait_face(cid, "normal", artifact="released-outside.png" if first else None)

            self.assertEqual(hover.caption, normal.caption, f"{name}: hover caption differs")
            self.assertEqual(pressed.caption, normal.caption, f"{name}: pressed caption differs")
            self.assertGreater(len(normal.caption), 30, name)

        # no button ran its command: the program runs, the window is up, no dialog came
        self.assertTrue(app.proc.alive(), "a release outside Exit ended the program")
        self.assertTrue(app.visible(), "a release outside OK hid the window")
        self.assertEqual(app.dialogs(), [])
        self.assertEqual(self.desk.foreground().capture, 0)
        self.assert_all_normal()
        # and nothing is still queued: the Lock command posted now opens the only dialog
        app.command(SET_PASSWORD)
        dlg = app.wait_dialog(PASSWORD_TITLE)
        self.assertEqual([w.hwnd for w in app.dialogs()], [dlg.hwnd])
        self.assertTrue(app.proc.alive() and app.visible())

    def test_a_press_released_over_another_button_runs_neither(self):
        app = self.start()
        self.desk.move(*self.center(EXIT))
        self.wait_face(EXIT, "hover")
        self.desk.mouse_down(*self.center(EXIT))
        self.wait_face(EXIT, "pressed")
        self.move_in_steps(self.center(EXIT), self.center(CONFIGURE))
        # the press belongs to Exit: Configure stays untouched while it is held
        self.wait_face(EXIT, "hover")
        self.assertEqual(self.faces()[CONFIGURE].name, "normal")
        self.desk.mouse_up(*self.center(CONFIGURE))
        self.wait_face(EXIT, "normal")
        self.assertTrue(app.proc.alive())
        self.assertEqual(app.dialogs(), [])
        app.command(SET_PASSWORD)
        app.wait_dialog(PASSWORD_TITLE)
        self.assertTrue(app.proc.alive(), "the release over Configure ran Exit")
        self.assertEqual(app.dialogs(CONFIG_TITLE), [], "the release over Configure ran Configure")


class Clicks(ButtonTestCase):
    def test_hide_all_hides_the_other_programs_windows_and_show_all_shows_them(self):
        ow = self.owned_windows(["Button victim A", "Button victim B"])
        app = self.start()
        app.wait_list(lambda items: {"Button victim A", "Button victim B"} <= set(items))
        self.desk.click(*self.center(HIDE_ALL))
        ow.wait_status(lambda s: not any(w.visible for w in s.windows), what="both windows hidden")
        # the pointer has not moved: the hover face stays until it leaves
        self.wait_face(HIDE_ALL, "hover", artifact="after-click.png")
        self.assertTrue(app.visible())
        self.assertTrue(app.proc.alive())
        self.move_in_steps(self.center(HIDE_ALL), self.background())
        self.wait_face(HIDE_ALL, "normal")

        self.desk.click(*self.center(SHOW_ALL))
        ow.wait_status(lambda s: all(w.visible for w in s.windows), what="both windows shown")
        self.wait_face(SHOW_ALL, "hover")

    def test_lock_without_a_password_opens_exactly_one_set_password_dialog(self):
        self.start()
        self.desk.click(*self.center(SET_PASSWORD))
        self.assert_one_dialog(PASSWORD_TITLE, CONFIGURE, CONFIG_TITLE, cancel_by_mouse=True)
        self.assertTrue(self.app.proc.alive())

    def test_configure_opens_exactly_one_configuration_dialog(self):
        self.start()
        self.desk.click(*self.center(CONFIGURE))
        self.assert_one_dialog(CONFIG_TITLE, SET_PASSWORD, PASSWORD_TITLE)

    def test_ok_puts_the_window_into_the_tray_and_the_program_keeps_running(self):
        app = self.start()
        self.put_away_with_ok()
        self.assertTrue(app.proc.alive())
        self.assertTrue(self.desk.tray_visible())
        H.wait_until(lambda: app.proc.alive() and not app.visible(), stable=5, what="still running, hidden")

    def test_exit_with_nothing_hidden_ends_the_program_at_once(self):
        app = self.start()
        self.desk.click(*self.center(EXIT))
        app.wait_exit(timeout=10)

    def test_a_press_on_the_background_dragged_onto_a_button_clicks_it(self):
        app = self.start()
        self.desk.mouse_down(*self.background())
        self.move_in_steps(self.background(), self.center(CONFIGURE))
        # the press did not start on the button: the hover face, not the pressed one
        self.wait_face(CONFIGURE, "hover")
        self.assertEqual(app.dialogs(), [])
        self.desk.mouse_up(*self.center(CONFIGURE))
        self.assert_one_dialog(CONFIG_TITLE, SET_PASSWORD, PASSWORD_TITLE)


class Keyboard(ButtonTestCase):
    def tab_to(self, hwnd):
        for _ in range(len(BUTTONS) + 2):
            now = self.desk.foreground().focus
            if now == hwnd:
                return
            self.desk.key("Tab")
            H.wait_until(lambda: self.desk.foreground().focus != now, timeout=3, stable=1,
                         what="the focus to move on")
        self.fail("Tab never reached the button")

    def test_space_on_the_focused_button_clicks_it(self):
        app = self.start()
        app.focus()
        self.desk.move(*PARK)
        self.tab_to(app.control(CONFIGURE).hwnd)
        self.assertEqual(app.dialogs(), [])
        self.wait_face(CONFIGURE, "normal")
        self.desk.key("space")
        self.assert_one_dialog(CONFIG_TITLE, SET_PASSWORD, PASSWORD_TITLE)


class Leaving(ButtonTestCase):
    def test_the_hover_face_goes_when_the_pointer_leaves_the_window_in_one_move(self):
        # A quick flick: the first motion event past the button already lies outside the
        # main window, over the desktop, which belongs to another program.
        self.start()
        for cid in (IDOK, HIDE_ALL):
            self.desk.move(*self.center(cid))
            self.wait_face(cid, "hover")
            self.desk.move(*PARK)
            self.wait_face(cid, "normal", artifact=f"{cid}-left.png", timeout=3,
                           explain=self.capture_note(cid))

    def test_back_from_the_tray_ok_shows_its_normal_face(self):
        app = self.start()
        self.put_away_with_ok()
        app.restore_from_tray()
        # the pointer is on the tray icon, far from OK
        self.wait_face(IDOK, "normal", artifact="back-from-tray.png", timeout=3,
                       explain=self.capture_note(IDOK))


class DoubleClick(ButtonTestCase):
    def test_the_second_press_of_a_double_click_shows_the_pressed_face(self):
        app = self.start()
        x, y = self.center(SHOW_ALL)
        self.desk.move(x, y)
        self.wait_face(SHOW_ALL, "hover")
        # a click, then the left button down again within the double-click time, and held
        self.desk.click(x, y)
        self.desk.mouse_down(x, y)
        try:
            self.wait_face(SHOW_ALL, "pressed", artifact="double-click-held.png", timeout=3)
        finally:
            self.desk.mouse_up(x, y)
        self.wait_face(SHOW_ALL, "hover")
        self.assertTrue(app.proc.alive())


def face_pixels(exe, rid):
    """RGB rows of face bitmap `rid` as built into `exe` (4 bits per pixel, top row first)."""
    sys.path.insert(0, os.path.join(REPO, "tests", "resources"))
    import check_resources as R
    with open(exe, "rb") as f:
        _, resources = R.load_resources(f.read())
    blob = resources[R.RT_BITMAP][rid]
    dib = R.parse_dib(blob, f"bitmap {rid}")
    palette = [tuple(blob[dib["palette_at"] + 4 * i:dib["palette_at"] + 4 * i + 3][::-1])
               for i in range(dib["colours"])]
    w, h = dib["width"], abs(dib["height"])
    rows = R.row_bits(blob, dib["pixels_at"], w, h, 4, f"bitmap {rid}")
    pixels = [[palette[(row >> (4 * (w - 1 - x))) & 0xF] for x in range(w)] for row in rows]
    return pixels[::-1] if dib["height"] > 0 else pixels


class OwnFaces(ButtonTestCase):
    """Every bitmap button shows its own normal face, pixel for pixel, in each dialog."""

    # dialog title (None: the main one), control id, normal face
    FACE_IDS = [(None, HIDE_ALL, 130), (None, SHOW_ALL, 134), (None, SET_PASSWORD, 129), (None, EXIT, 137),
                (None, CONFIGURE, 140), (None, IDOK, 143),
                (CONFIG_TITLE, IDOK, 143), (CONFIG_TITLE, IDCANCEL, 150), (CONFIG_TITLE, ID_HELP, 153),
                (PASSWORD_TITLE, IDOK, 143), (PASSWORD_TITLE, IDCANCEL, 150)]

    def wrong_pixels(self, title, hwnd):
        """{(control, face): pixels of the button that differ from its face}."""
        shot = self.desk.screenshot()
        ox, oy = self.desk.window_info(hwnd).client_origin
        wrong = {}
        for _, cid, rid in (f for f in self.FACE_IDS if f[0] == title):
            c = self.app.control(cid, hwnd)
            face = face_pixels(velumix_exe(), rid)
            w, h = min(c.rect.width, len(face[0])), min(c.rect.height, len(face))
            self.assertGreaterEqual((w, h), (86, 24), f"button {cid} of {title!r} is too small for its face")
            wrong[(cid, rid)] = sum(shot.pixel(ox + c.rect.left + x, oy + c.rect.top + y) != face[y][x]
                                    for y in range(h) for x in range(w))
        return wrong

    def assert_faces(self, title, hwnd):
        try:
            H.wait_until(lambda: not any(self.wrong_pixels(title, hwnd).values()), timeout=10, stable=1,
                         what="every face drawn")
        except TimeoutError:
            self.assertEqual({k: n for k, n in self.wrong_pixels(title, hwnd).items() if n}, {},
                             f"buttons of {title!r} that do not show their face (control, face): pixels")

    def test_each_button_shows_its_own_face_in_every_dialog(self):
        app = self.start()
        self.assert_faces(None, app.hwnd)
        dlg = app.open_config()
        self.desk.move(*PARK)
        self.assert_faces(CONFIG_TITLE, dlg.hwnd)
        app.close_dialog(dlg, IDCANCEL)
        prompt = app.open_set_password()
        self.desk.move(*PARK)
        self.assert_faces(PASSWORD_TITLE, prompt.hwnd)

