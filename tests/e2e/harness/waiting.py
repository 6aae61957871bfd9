"""Polling, the one way the tests wait."""

import time


def wait_until(predicate, timeout=10.0, interval=0.1, stable=2, what=None):
    """Poll until predicate() is truthy `stable` times in a row; return its last value.

    The timeout bounds the wait for the state, not its holding: a run of truthy looks under
    way when it passes is counted out, so that `stable` means as many looks however slow
    the looks are. Raises TimeoutError naming `what` (or the predicate) with the last value
    seen."""
    deadline = time.monotonic() + timeout
    hits, last = 0, None
    while True:
        last = predicate()
        hits = hits + 1 if last else 0
        if hits >= stable:
            return last
        if time.monotonic() >= deadline and hits == 0:
            name = what or getattr(predicate, "__name__", "condition")
            raise TimeoutError(f"timed out after {timeout:.1f}s waiting for {name} (last: {last!r})")
        time.sleep(interval)


def holds_for(predicate, seconds, interval=0.1, what=None):
    """Poll for `seconds`, every look finding predicate() truthy: for what must not happen
    while a periodic job of the program has its turn. Raises AssertionError naming `what`
    with the value that broke it."""
    deadline = time.monotonic() + seconds
    while True:
        last = predicate()
        if not last:
            name = what or getattr(predicate, "__name__", "condition")
            raise AssertionError(f"{name} stopped holding (last: {last!r})")
        if time.monotonic() >= deadline:
            return last
        time.sleep(interval)
