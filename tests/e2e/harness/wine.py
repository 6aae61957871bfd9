"""The Wine programs the harness runs, and how it takes write rights away from them."""

import functools
import os
import subprocess

WINE = os.environ.get("VELUMIX_E2E_WINE", "/usr/lib/wine/wine64")
WINESERVER = os.environ.get("VELUMIX_E2E_WINESERVER", "/usr/lib/wine/wineserver64")
# Without these capabilities root honours directory permissions, so a chmod 555 working
# directory really is read-only. Wine creates files in the wineserver, so the server
# runs this way too.
DROP_WRITE_CAPS = ["setpriv", "--inh-caps=-all", "--bounding-set=-dac_override,-dac_read_search"]


@functools.lru_cache(maxsize=None)
def runs_32bit() -> bool:
    """Whether this kernel runs 32-bit code (scripts/runs-32bit.sh says, and why not)."""
    script = os.path.join(os.path.dirname(__file__), "..", "..", "..", "scripts", "runs-32bit.sh")
    return subprocess.run([script], stdout=subprocess.DEVNULL).returncode == 0
