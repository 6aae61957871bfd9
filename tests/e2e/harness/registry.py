"""The registry of the prefix, through vxtool's Reg*A calls: byte-exact, unlike reg.exe's
OEM-code-page output."""

import os
import tempfile
from typing import List, Optional

from .text import unix_to_windows, utf8_field


class Registry:
    """WineDesktop's registry helpers. A mixin; uses the desktop's vx() and its root
    directory for data files."""

    def reg_query(self, key) -> Optional[dict]:
        """{name: (type, data)} for the key's values ('' is the default value), or None if
        the key does not exist. Data: str for *_SZ, list for MULTI_SZ, int for DWORD/QWORD,
        bytes otherwise."""
        recs = self._vx_or_none("regquery", key)
        if recs is None:
            return None
        out = {}
        for f in recs:
            if f[0] != "value":
                continue
            name, typ, data = f[1], f[2], f[4]
            if typ in ("REG_SZ", "REG_EXPAND_SZ"):
                value = data
            elif typ == "REG_MULTI_SZ":
                value = data.split("\0") if data else []
            elif typ in ("REG_DWORD", "REG_QWORD") and data.isdigit():
                value = int(data)
            else:
                value = bytes.fromhex(data)
            out[name] = (typ, value)
        return out

    def reg_text(self, key, name) -> Optional[str]:
        """A string value as its Unicode text, whatever the ANSI code page holds of it; None
        if the key or the value does not exist."""
        recs = self._vx_or_none("regtext", key, name)
        return None if recs is None else utf8_field(recs[0][1])

    def reg_subkeys(self, key) -> Optional[List[str]]:
        recs = self._vx_or_none("regquery", key)
        return None if recs is None else [f[1] for f in recs if f[0] == "subkey"]

    def reg_key_exists(self, key) -> bool:
        return self._vx_or_none("regquery", key) is not None

    def reg_delete(self, key, value=None):
        """Delete a key with everything under it, or one value; absent is fine."""
        self.vx("regdelete", key, *([value] if value is not None else []))

    def reg_access(self, key, sddl):
        """Give the key (created if absent) an access list in SDDL: "D:(A;;KR;;;WD)" lets
        everyone read it and nobody write it, "D:(A;;KA;;;WD)" gives everything back."""
        self.vx("regaccess", key, sddl)

    def reg_add(self, key, name, type, data):
        if type == "REG_MULTI_SZ":
            args = list(data)
        elif type in ("REG_BINARY", "REG_NONE"):
            args = [bytes(data).hex()]
        else:
            args = [data]
        self.vx("regset", key, name, type, *args)

    def reg_add_bytes(self, key, name, type, data: bytes):
        """Like reg_add for data too long for a command line (REG_SZ, REG_EXPAND_SZ: the
        bytes without the terminating NUL, which is added; REG_BINARY, REG_NONE)."""
        fd, path = tempfile.mkstemp(prefix="regdata-", dir=self.root)
        try:
            with os.fdopen(fd, "wb") as f:
                f.write(bytes(data))
            self.vx("regsetfile", key, name, type, unix_to_windows(path))
        finally:
            os.unlink(path)
