"""Screenshots of the whole screen: pixels, colours in a region, PNG files."""

import os
import re
import struct
import subprocess
import zlib
from typing import Tuple

from .errors import HarnessError


class Screenshot:
    def __init__(self, width, height, rgb: bytes):
        self.width, self.height, self.rgb = width, height, rgb

    @classmethod
    def from_ppm(cls, data: bytes):
        m = re.match(rb"P6\s+(?:#[^\n]*\s+)*(\d+)\s+(\d+)\s+(\d+)\s", data)
        if not m or m.group(3) != b"255":
            raise HarnessError("unexpected screenshot format")
        w, h = int(m.group(1)), int(m.group(2))
        rgb = data[m.end():m.end() + w * h * 3]
        if len(rgb) != w * h * 3:
            raise HarnessError("short screenshot")
        return cls(w, h, rgb)

    def pixel(self, x, y) -> Tuple[int, int, int]:
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError(f"pixel {x},{y} outside {self.width}x{self.height}")
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def count_color(self, rect, color, tolerance=0) -> int:
        l, t, r, b = rect
        l, t = max(l, 0), max(t, 0)
        r, b = min(r, self.width), min(b, self.height)
        cr, cg, cb = color
        n = 0
        for y in range(t, b):
            row = self.rgb[(y * self.width + l) * 3:(y * self.width + r) * 3]
            for i in range(0, len(row), 3):
                if (abs(row[i] - cr) <= tolerance and abs(row[i + 1] - cg) <= tolerance
                        and abs(row[i + 2] - cb) <= tolerance):
                    n += 1
        return n

    def region(self, rect) -> bytes:
        """The RGB bytes of rect (l, t, r, b), row after row."""
        l, t, r, b = rect
        return b"".join(self.rgb[(y * self.width + l) * 3:(y * self.width + r) * 3] for y in range(t, b))

    def region_has_color(self, rect, color, tolerance=0) -> bool:
        return self.count_color(rect, color, tolerance) > 0

    def colors(self, rect):
        """Set of colours in rect (l, t, r, b)."""
        l, t, r, b = rect
        out = set()
        for y in range(max(t, 0), min(b, self.height)):
            row = self.rgb[(y * self.width + l) * 3:(y * self.width + r) * 3]
            out.update(tuple(row[i:i + 3]) for i in range(0, len(row), 3))
        return out

    def save_png(self, path):
        rows = b"".join(b"\0" + self.rgb[y * self.width * 3:(y + 1) * self.width * 3]
                        for y in range(self.height))

        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body
                    + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

        png = (b"\x89PNG\r\n\x1a\n"
               + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
               + chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        with open(path, "wb") as f:
            f.write(png)
        return path


class Screenshots:
    """WineDesktop's screenshots, grabbed with ImageMagick's import from our display. A
    mixin; uses the desktop's env."""

    def screenshot(self, path=None) -> Screenshot:
        """Grab the whole screen; with path, also save it as PNG."""
        r = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=self.env,
                           capture_output=True, timeout=30)
        if r.returncode != 0:
            raise HarnessError(f"import failed: {r.stderr.decode(errors='replace').strip()}")
        shot = Screenshot.from_ppm(r.stdout)
        if path:
            shot.save_png(path)
        return shot

    def pixel(self, x, y) -> Tuple[int, int, int]:
        return self.screenshot().pixel(x, y)

    def region(self, rect) -> bytes:
        return self.screenshot().region(rect)

    def region_has_color(self, rect, color, tolerance=0) -> bool:
        return self.screenshot().region_has_color(rect, color, tolerance)
