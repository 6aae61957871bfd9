"""The records vxtool prints, parsed: windows, controls, list boxes, menus, tooltips."""

from dataclasses import dataclass
from typing import Dict, List, NamedTuple, Optional, Tuple


class Rect(NamedTuple):
    left: int
    top: int
    right: int
    bottom: int

    @property
    def width(self):
        return self.right - self.left

    @property
    def height(self):
        return self.bottom - self.top

    @property
    def center(self):
        return ((self.left + self.right) // 2, (self.top + self.bottom) // 2)

    def contains(self, x, y):
        return self.left <= x < self.right and self.top <= y < self.bottom


def _int(s):
    return int(s, 0)


@dataclass
class Window:
    hwnd: int
    pid: int
    tid: int
    visible: bool
    iconic: bool
    zoomed: bool
    enabled: bool
    rect: Rect
    style: int
    exstyle: int
    owner: int
    parent: int
    cls: str
    title: str
    # filled by window_info()
    show_cmd: Optional[int] = None
    normal_rect: Optional[Rect] = None
    client_size: Optional[Tuple[int, int]] = None
    client_origin: Optional[Tuple[int, int]] = None

    @classmethod
    def parse(cls, f):
        return cls(_int(f[1]), int(f[2]), int(f[3]), f[4] == "1", f[5] == "1", f[6] == "1",
                   f[7] == "1", Rect(*map(int, f[8:12])), _int(f[12]), _int(f[13]),
                   _int(f[14]), _int(f[15]), f[16], f[17])


@dataclass
class Child:
    hwnd: int
    id: int
    cls: str
    rect: Rect          # in the parent's client coordinates
    style: int
    exstyle: int
    visible: bool
    enabled: bool
    parent: int
    text: str

    @classmethod
    def parse(cls, f):
        return cls(_int(f[1]), int(f[2]), f[3], Rect(*map(int, f[4:8])), _int(f[8]), _int(f[9]),
                   f[10] == "1", f[11] == "1", _int(f[12]), f[13])


class ListItem(NamedTuple):
    index: int
    length: int
    selected: bool
    data: int
    text: str


class ListBox(NamedTuple):
    count: int
    selection: int
    top: int
    caret: int
    style: int
    items: List[ListItem]

    @property
    def texts(self):
        return [i.text for i in self.items]


class ListWatch(NamedTuple):
    first_seen: Dict[str, int]  # each text shown, with the ms from the start at which it was first seen
    samples: int
    elapsed_ms: int


class MenuItem(NamedTuple):
    position: int
    id: int
    kind: str       # item, separator, popup
    state: int
    text: str


class PopupItem(NamedTuple):
    position: int
    id: int
    kind: str       # item, separator, popup
    state: int      # MF_CHECKED 0x8, MF_GRAYED 0x1, MF_DISABLED 0x2
    text: str
    rect: Rect      # screen coordinates

    @property
    def checked(self):
        return bool(self.state & 0x8)


class Tool(NamedTuple):
    index: int
    hwnd: int
    id: int
    flags: int
    rect: Rect      # in the client coordinates of hwnd
    text: str


class Foreground(NamedTuple):
    hwnd: int
    pid: int
    active: int
    focus: int
    capture: int
    title: str


class TaskbarButton(NamedTuple):
    hwnd: int       # the window the button stands for
    visible: bool
    rect: Rect      # screen coordinates
