"""The Wine programs the harness runs, and how it takes write rights away from them."""

import os

WINE = os.environ.get("VELUMIX_E2E_WINE", "/usr/lib/wine/wine64")
WINESERVER = os.environ.get("VELUMIX_E2E_WINESERVER", "/usr/lib/wine/wineserver64")
# Without these capabilities root honours directory permissions, so a chmod 555 working
# directory really is read-only. Wine creates files in the wineserver, so the server
# runs this way too.
DROP_WRITE_CAPS = ["setpriv", "--inh-caps=-all", "--bounding-set=-dac_override,-dac_read_search"]
