#!/usr/bin/env python3
"""Checks the includes of a source tree (src/ by default).

1. Every include between folders runs down: each folder sits on a floor of
   FLOORS and may include only from its own folder and the floors below it.
2. Portable files (outside framework/, not named *_win.*) reach no platform
   header, not even through a header of the program's that does.

Each violation is printed as `file:line: what`; the exit status is 1 if any.
"""

import os
import re
import sys

# From the bottom up. A new folder must be given its floor here.
FLOORS = ["framework", "app/log", "controls", "core", "settings", "lock", "ui", "app/startup"]

PLATFORM_HEADERS = {"windows.h", "windowsx.h", "commctrl.h", "shellapi.h", "winuser.h", "wingdi.h", "winreg.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')


def floor_of(relpath):
    folder = os.path.dirname(relpath).replace(os.sep, "/")
    best = None
    for floor in FLOORS:
        if (folder == floor or folder.startswith(floor + "/")) and (best is None or len(floor) > len(best)):
            best = floor
    return best


def read_includes(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return [(n, m.group(1)) for n, line in enumerate(f, 1) if (m := INCLUDE.match(line))]


def is_portable(relpath):
    name = os.path.basename(relpath)
    return not relpath.startswith("framework/") and not re.search(r"_win\.(h|cpp)$", name)


def main(src):
    files = {}
    for root, _, names in os.walk(src):
        for name in names:
            if name.endswith((".h", ".cpp")):
                path = os.path.join(root, name)
                files[os.path.relpath(path, src).replace(os.sep, "/")] = read_includes(path)

    chains = {}

    def platform_reached_by(target, seen=frozenset()):
        """How including `target` reaches a platform header ("a.h -> windows.h"), or None."""
        if target in PLATFORM_HEADERS or target.endswith("_win.h"):
            return target
        if target not in files or target in seen:
            return None
        if target not in chains:
            chains[target] = next((f"{target} -> {chain}" for _, inner in files[target]
                                   if (chain := platform_reached_by(inner, seen | {target}))), None)
        return chains[target]

    problems = []
    for rel in sorted(files):
        floor = floor_of(rel)
        if floor is None:
            problems.append(f"{rel}:1: its folder is on no floor; give it one in {os.path.basename(__file__)}")
            continue
        for line, target in files[rel]:
            if target in files:
                to = floor_of(target)
                if to is not None and FLOORS.index(to) > FLOORS.index(floor):
                    problems.append(f"{rel}:{line}: {floor}/ includes {target}, from {to}/ on a floor above it")
            if is_portable(rel) and (chain := platform_reached_by(target)):
                problems.append(f"{rel}:{line}: a portable file reaches a platform header: {chain}")

    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} include(s) against the order: {' < '.join(FLOORS)}")
        return 1
    print(f"includes run down the floors {' < '.join(FLOORS)}; portable files reach no platform header")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "src")))
