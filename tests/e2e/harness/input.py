"""Keys and mouse gestures, sent with xdotool."""

import subprocess

from .errors import HarnessError


class Input:
    """WineDesktop's input: XTEST on our display, where Windows screen coordinates are X
    root coordinates. A mixin; uses the desktop's env and width."""

    def _xdo(self, *args):
        r = subprocess.run(["xdotool"] + list(args), env=self.env, capture_output=True, timeout=30)
        if r.returncode != 0:
            raise HarnessError(f"xdotool {' '.join(args)}: {r.stderr.decode(errors='replace').strip()}")

    def key(self, *keys, delay_ms=30):
        """Key chords in xdotool syntax, e.g. key("ctrl+alt+h"), key("Return")."""
        self._xdo("key", "--delay", str(delay_ms), *keys)

    def key_down(self, key):
        self._xdo("keydown", key)

    def key_up(self, key):
        self._xdo("keyup", key)

    def type_text(self, text, delay_ms=20):
        """Types text as key presses (ASCII is reliable)."""
        self._xdo("type", "--delay", str(delay_ms), "--", text)

    # one xdotool call per gesture keeps motion and buttons in order; no --sync, which
    # stalls for seconds when the pointer is already where it is sent

    def move(self, x, y):
        self._xdo("mousemove", str(int(x)), str(int(y)))

    def click(self, x, y, button=1):
        self._xdo("mousemove", str(int(x)), str(int(y)), "click", str(button))

    def double_click(self, x, y, button=1):
        self._xdo("mousemove", str(int(x)), str(int(y)), "click", "--repeat", "2", "--delay", "80",
                  str(button))

    def mouse_down(self, x, y, button=1):
        self._xdo("mousemove", str(int(x)), str(int(y)), "mousedown", str(button))

    def mouse_up(self, x, y, button=1):
        self._xdo("mousemove", str(int(x)), str(int(y)), "mouseup", str(button))

    def drag(self, x1, y1, x2, y2, button=1, steps=8):
        args = ["mousemove", str(int(x1)), str(int(y1)), "mousedown", str(button)]
        for i in range(1, steps + 1):
            args += ["sleep", "0.02", "mousemove", str(x1 + (x2 - x1) * i // steps),
                     str(y1 + (y2 - y1) * i // steps)]
        self._xdo(*args, "mouseup", str(button))

    def click_desktop(self):
        """A click on an empty spot of the desktop background (top right corner)."""
        self.click(self.width - 2, 2)

    def key_from_desktop(self, *keys):
        """Keys pressed with the bare desktop in front, so that only hot keys act on them."""
        self.click_desktop()
        self.key(*keys)
