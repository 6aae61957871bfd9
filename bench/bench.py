#!/usr/bin/env python3
"""Velumix's figures, measured in one run on this machine:

- start-up to a shown main window under Wine, beside Wine's own notepad (a ratio);
- idle CPU of Velumix over 30 s with 100 windows tracked (percent of one core);
- one refresh tick against the bare platform queries it makes (natively with a fake
  desktop, and under Wine with real windows of another process);
- Hide all and Show All over 100 windows;
- the working set, and the size of both executables.
"""

import os
import re
import statistics
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))

import harness  # noqa: E402
import session  # noqa: E402

RUNS = 5
IDLE_SECONDS = 30


def clock_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def main(build):
    win64 = os.path.join(build, "win64")
    velumix = os.path.join(win64, "Velumix.exe")
    tool = os.path.join(win64, "bench_tool.exe")
    rows = []

    def row(name, value):
        rows.append((name, value))
        print(f"{name:<48} {value}", flush=True)

    for arch in ("win32", "win64"):
        row(f"size of {arch}/Velumix.exe", f"{os.path.getsize(os.path.join(build, arch, 'Velumix.exe')) / 1024:.0f} KB")

    native = subprocess.run([os.path.join(build, "native", "velumix_bench"), "--benchmark_min_time=0.5"],
                            capture_output=True, text=True, check=True).stdout
    tick = re.search(r"BM_RefreshTick\s+(\d+) ns", native).group(1)
    bare = re.search(r"BM_BarePlatformQueries\s+(\d+) ns", native).group(1)
    ratio = re.search(r"refresh tick / bare queries = ([\d.]+)", native).group(1)
    row("refresh tick, fake desktop (100 tracked)", f"{tick} ns vs bare queries {bare} ns: ratio {ratio}")

    with harness.WineDesktop(session.vxtool_exe(), artifacts=os.path.join(build, "bench-artifacts")) as desk:
        work = desk.mkdtemp("bench-")

        def tool_run(*args, timeout=120):
            p = desk.run(tool, list(args), cwd=work, name="bench_tool")
            p.wait(timeout)
            return p.output().strip().split("\t")

        notepad, ours = [], []
        tool_run("startup", r"C:\windows\notepad.exe", harness.unix_to_windows(work))  # first starts warm caches
        tool_run("startup", harness.unix_to_windows(velumix), harness.unix_to_windows(work))
        for _ in range(RUNS):
            notepad.append(float(tool_run("startup", r"C:\windows\notepad.exe", harness.unix_to_windows(work))[1]))
            ours.append(float(tool_run("startup", harness.unix_to_windows(velumix), harness.unix_to_windows(work))[1]))
        n, v = statistics.median(notepad), statistics.median(ours)
        row("start-up to a shown window (median of 5)", f"Velumix {v:.0f} ms, notepad {n:.0f} ms: ratio {v / n:.2f}")

        p = desk.run(os.path.join(win64, "refresh_tick_win.exe"), ["100", "7"], cwd=work, name="tick")
        p.wait(180)
        out = p.output()
        m = re.search(r"refresh tick: ([\d.]+) us, bare platform queries: ([\d.]+) us", out)
        r = re.search(r"refresh tick / bare queries = ([\d.]+)", out)
        row("refresh tick, real windows under Wine", f"{m.group(1)} us vs bare queries {m.group(2)} us: ratio {r.group(1)}")

        owner = desk.owned_windows(count=100, title_format="Bench window %d", timeout=60)
        proc = desk.run(velumix, cwd=work, name="velumix")
        main = desk.find_window("Velumix", pid=proc.winpid, cls="#32770", timeout=60)
        lb = next(c for c in desk.children(main.hwnd) if c.id == 1000)
        harness.wait_until(lambda: desk.listbox(lb.hwnd).count == 100, timeout=30, what="100 tracked")

        time.sleep(2)
        hz = os.sysconf("SC_CLK_TCK")
        t0, c0 = time.monotonic(), clock_ticks(proc.pid)
        s0 = clock_ticks(desk._server.pid)
        time.sleep(IDLE_SECONDS)
        t1, c1 = time.monotonic(), clock_ticks(proc.pid)
        s1 = clock_ticks(desk._server.pid)
        cpu = (c1 - c0) / hz / (t1 - t0) * 100
        server = (s1 - s0) / hz / (t1 - t0) * 100
        row(f"idle CPU over {IDLE_SECONDS} s, 100 windows tracked",
            f"Velumix {cpu:.2f} % of one core (goal < 0.5 %); wineserver {server:.2f} %")

        hide = float(tool_run("command", hex(main.hwnd), "3", "1")[1])
        owner.wait_status(lambda s: not any(w.visible for w in s.windows), timeout=30, what="all hidden")
        show = float(tool_run("command", hex(main.hwnd), "7", "1")[1])
        owner.wait_status(lambda s: all(w.visible for w in s.windows), timeout=30, what="all shown")
        row("Hide all over 100 windows", f"{hide:.1f} ms")
        row("Show All over 100 windows", f"{show:.1f} ms")

        memory = tool_run("memory", str(proc.winpid))
        with open(f"/proc/{proc.pid}/status") as f:
            rss = re.search(r"VmRSS:\s+(\d+) kB", f.read()).group(1)
        row("working set (Windows view, peak)", f"{memory[1]} KB (peak {memory[2]} KB); Unix RSS of the process {rss} KB")
        proc.kill()
        owner.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(REPO, "build"))))
