"""ANSI text (code page 1252; its five unassigned bytes map to U+0081 and friends, as Wine
and Windows do), the escapes of vxtool's records, and Windows paths of Unix files."""

import os

_DECODE = []
for _b in range(256):
    try:
        _DECODE.append(bytes([_b]).decode("cp1252"))
    except UnicodeDecodeError:
        _DECODE.append(chr(_b))
_ENCODE = {c: b for b, c in enumerate(_DECODE)}


def ansi_decode(data: bytes) -> str:
    return "".join(_DECODE[b] for b in data)


def ansi_encode(text) -> bytes:
    if isinstance(text, (bytes, bytearray)):
        return bytes(text)
    try:
        return bytes(_ENCODE[c] for c in text)
    except KeyError as e:
        raise ValueError(f"{text!r} has a character outside code page 1252: {e}") from None


def in_code_page(text) -> bool:
    """Whether the ANSI code page has every character of `text`."""
    try:
        ansi_encode(text)
        return True
    except ValueError:
        return False


def _arg(a) -> bytes:
    """A command-line argument for a Wine program: Wine reads argv as UTF-8 (we run it
    under C.UTF-8) and hands it to the program in the ANSI code page."""
    if isinstance(a, (bytes, bytearray)):
        a = ansi_decode(a)
    elif not isinstance(a, str):
        a = str(a)
    ansi_encode(a)  # refuses what cannot arrive intact
    return a.encode("utf-8")


def utf8_field(field: str) -> str:
    """A record's field that vxtool writes as UTF-8 (the texts of list-box and menu items),
    from the str the ANSI unescape made of it."""
    return ansi_encode(field).decode("utf-8", "replace")


_ESC = {b"\\": "\\", b"t": "\t", b"n": "\n", b"r": "\r", b"0": "\0"}


def _unescape(raw: bytes) -> str:
    out, i = [], 0
    while i < len(raw):
        j = raw.find(b"\\", i)
        if j < 0 or j + 1 >= len(raw):
            out.append(ansi_decode(raw[i:]))
            break
        out.append(ansi_decode(raw[i:j]))
        out.append(_ESC.get(raw[j + 1:j + 2], ansi_decode(raw[j:j + 2])))
        i = j + 2
    return "".join(out)


def unix_to_windows(path) -> str:
    """Wine's Z: drive is the Unix root."""
    return "Z:" + os.path.abspath(str(path)).replace("/", "\\")
