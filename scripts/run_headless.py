#!/usr/bin/env python3
"""Starts Velumix on a private Xvfb in Wine's virtual desktop, saves a screenshot of
its main window and stops everything it started."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

import harness  # noqa: E402
import session  # noqa: E402


def main(exe, shot):
    workdir = os.path.join(session.REPO, "build", "run")
    os.makedirs(workdir, exist_ok=True)
    # the 32-bit tree's vxtool reads what the 64-bit one cannot reach in a 32-bit program
    peer = os.path.join(session.REPO, "build", "win32t", "vxtool.exe")
    with harness.WineDesktop(session.vxtool_exe(), artifacts=os.path.join(session.REPO, "build", "run-artifacts"),
                             peer_vxtool=peer if os.path.exists(peer) else None) as desk:
        proc = desk.run(exe, cwd=workdir, name="velumix")
        main_window = desk.find_window("Velumix", pid=proc.winpid, cls="#32770", timeout=60)
        harness.wait_until(lambda: desk.window_info(main_window.hwnd).visible, timeout=10)
        desk.screenshot(shot)
        print(f"Velumix started on a private display (no $DISPLAY); screenshot: {shot}")
        proc.kill()


if __name__ == "__main__":
    main(sys.argv[1], os.path.abspath(sys.argv[2]))
