#!/usr/bin/env python3
"""Reads the resources back out of built Velumix executables and checks the
artwork, icons and a few other resources the program loads by id.

    python3 tests/resources/check_resources.py build/win32/Velumix.exe [...]

Handles PE32 and PE32+ files. Exits 1 and lists every problem found if any
check fails; prints one summary line per executable otherwise.
"""

import struct
import sys

RT_BITMAP = 2
RT_ICON = 3
RT_DIALOG = 5
RT_STRING = 6
RT_GROUP_ICON = 14
RT_MANIFEST = 24
RT_VERSION = 16

FACE_IDS = [i for i in range(129, 155) if i not in (139, 148)]
BULB_IDS = (139, 148)
BACKGROUND_ID = 164
PIN_IDS = (165, 166)  # on a row, on a selected row
ICON_MAIN, ICON_TRAY, ICON_CAMOUFLAGE = 128, 131, 132
ABOUT_STRING_ID = 101
ABOUT_STRING = '&About Wyndra...'
MANIFEST_ID = 1

MACHINES = {0x14c: 'i386', 0x8664: 'x86-64', 0xaa64: 'arm64'}

# Window and control styles the templates must carry.
WS_POPUP, WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX = 0x80000000, 0xC00000, 0x80000, 0x20000
WS_BORDER, WS_VSCROLL, WS_TABSTOP, WS_GROUP = 0x800000, 0x200000, 0x10000, 0x20000
DS_MODALFRAME, WS_EX_APPWINDOW = 0x80, 0x40000
BS_DEFPUSHBUTTON, BS_AUTOCHECKBOX, BS_GROUPBOX, BS_OWNERDRAW, BS_TYPEMASK = 0x1, 0x3, 0x7, 0xB, 0xF
ES_PASSWORD, ES_AUTOHSCROLL = 0x20, 0x80
SS_ICON, SS_BITMAP, SS_NOPREFIX, SS_TYPEMASK = 0x3, 0xE, 0x80, 0x1F
LBS_NOTIFY, LBS_SORT, LBS_OWNERDRAWFIXED, LBS_HASSTRINGS, LBS_NOINTEGRALHEIGHT = 0x1, 0x2, 0x10, 0x40, 0x100
NO_ID = 0xFFFFFFFF   # IDC_STATIC
DIALOG_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME

OWNER_DRAWN = ('button', BS_OWNERDRAW)
PASSWORD_EDIT = ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP

# Every template the program loads: caption, size, window style, extended style, and
# its controls in template order (which is the tab order): class, id, text (an int is
# a resource ordinal), rectangle in dialog units, the style bits it must have, and the
# button or static type it must be.
DIALOGS = {
    100: ('About Velumix', (217, 55), DIALOG_STYLE, 0, [
        ('static', NO_ID, 128, (11, 17, 18, 20), 0, SS_ICON),
        ('static', NO_ID, 'Velumix Version 1.0', (40, 10, 119, 8), SS_NOPREFIX, 0),
        ('static', NO_ID, 'Copyright (C) 1998 Orvane', (40, 25, 119, 8), 0, 0),
        ('button', 1, 'OK', (178, 7, 32, 14), WS_TABSTOP, BS_DEFPUSHBUTTON),
        ('static', NO_ID, 'www.orvane.example/velumix', (40, 39, 113, 9), 0, 0),
    ]),
    102: ('Velumix', (219, 140), DIALOG_STYLE | WS_MINIMIZEBOX, WS_EX_APPWINDOW, [
        ('static', NO_ID, 164, (0, 0, 223, 143), 0, SS_BITMAP),
        ('listbox', 1000, '', (7, 17, 205, 72), WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY |
         LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT, None),
        ('button', 1, 'OK', (153, 117, 59, 16), WS_TABSTOP, BS_OWNERDRAW),
        ('button', 10, 'Configure', (79, 117, 59, 16), WS_TABSTOP, BS_OWNERDRAW),
        ('button', 9, 'Exit', (7, 117, 59, 16), WS_TABSTOP, BS_OWNERDRAW),
        ('button', 3, 'Hide all', (7, 94, 59, 16), WS_TABSTOP, BS_OWNERDRAW),
        ('button', 7, 'Show All', (79, 94, 59, 16), WS_TABSTOP, BS_OWNERDRAW),
        ('button', 8, 'Set Password', (153, 94, 59, 16), WS_TABSTOP, BS_OWNERDRAW),
    ]),
    149: ('Set Password', (220, 76), DIALOG_STYLE, 0, [
        ('button', 1, 'Set Password', (155, 15, 59, 16), WS_TABSTOP, BS_OWNERDRAW),
        ('static', NO_ID, 'Please enter a password which will protect your hidden windows:', (5, 7, 113, 18), 0, 0),
        ('edit', 1003, '', (5, 24, 113, 15), PASSWORD_EDIT, None),
        ('edit', 1004, '', (5, 55, 113, 15), PASSWORD_EDIT, None),
        ('static', NO_ID, 'Please confirm:', (5, 47, 67, 8), 0, 0),
        ('button', 2, 'Cancel', (155, 35, 59, 16), WS_TABSTOP, BS_OWNERDRAW),
    ]),
    150: ('Velumix Configuration', (221, 256), DIALOG_STYLE, 0, [
        ('button', 1, 'OK', (7, 233, 59, 16), WS_TABSTOP, BS_OWNERDRAW),
        ('button', 2, 'Cancel', (77, 233, 59, 16), WS_TABSTOP, BS_OWNERDRAW),
        ('button', 57670, 'Help', (155, 233, 59, 16), WS_TABSTOP, BS_OWNERDRAW),
        ('button', 1004, 'Start program minimized', (7, 7, 154, 14), WS_TABSTOP, BS_AUTOCHECKBOX),
        ('button', 1005, 'Camoflage tray icon (icon remains in place, only invisible)', (7, 24, 197, 14),
         WS_TABSTOP, BS_AUTOCHECKBOX),
        ('button', NO_ID, 'Security', (7, 154, 207, 55), 0, BS_GROUPBOX),
        ('edit', 1006, '', (13, 168, 59, 13), PASSWORD_EDIT, None),
        ('edit', 1007, '', (13, 186, 59, 13), PASSWORD_EDIT, None),
        ('static', NO_ID, 'Password for locking', (77, 170, 72, 11), 0, 0),
        ('static', NO_ID, 'Confirm password', (77, 188, 72, 11), 0, 0),
        ('button', NO_ID, 'Program Hot Keys', (7, 50, 207, 101), 0, BS_GROUPBOX),
        ('msctls_hotkey32', 1008, '', (13, 60, 59, 13), WS_BORDER | WS_TABSTOP, None),
        ('msctls_hotkey32', 1010, '', (13, 105, 59, 13), WS_BORDER | WS_TABSTOP, None),
        ('msctls_hotkey32', 1011, '', (13, 126, 59, 13), WS_BORDER | WS_TABSTOP, None),
        ('msctls_hotkey32', 1012, '', (13, 83, 59, 13), WS_BORDER | WS_TABSTOP, None),
        ('static', NO_ID, 'Hide the currently active window', (77, 62, 116, 11), 0, 0),
        ('static', NO_ID, 'Hide all windows', (79, 86, 116, 11), 0, 0),
        ('static', NO_ID, 'Show all windows', (77, 107, 116, 11), 0, 0),
        ('static', NO_ID, 'Lock the system with a password', (77, 129, 116, 11), 0, 0),
        ('button', 1013, 'Start with Windows', (7, 214, 154, 14), WS_TABSTOP, BS_AUTOCHECKBOX),
    ]),
    151: ('Password Required', (135, 70), DIALOG_STYLE, 0, [
        ('button', 1, 'Set Password', (5, 48, 59, 16), WS_TABSTOP, BS_OWNERDRAW),
        ('static', NO_ID, 'The program is locked! Please enter a password to un-lock it:', (5, 7, 113, 18), 0, 0),
        ('edit', 1003, '', (5, 24, 123, 15), PASSWORD_EDIT, None),
        ('button', 2, 'Cancel', (70, 48, 59, 16), WS_TABSTOP, BS_OWNERDRAW),
    ]),
}
CLASS_ORDINALS = {0x80: 'button', 0x81: 'edit', 0x82: 'static', 0x83: 'listbox', 0x84: 'scrollbar', 0x85: 'combobox'}


class PEError(Exception):
    pass


class Reader:
    def __init__(self, data):
        self.data = data

    def unpack(self, fmt, offset):
        size = struct.calcsize(fmt)
        if offset < 0 or offset + size > len(self.data):
            raise PEError('truncated file: need %d bytes at offset %#x' % (size, offset))
        return struct.unpack_from(fmt, self.data, offset)

    def bytes(self, offset, size):
        if offset < 0 or offset + size > len(self.data):
            raise PEError('truncated file: need %d bytes at offset %#x' % (size, offset))
        return self.data[offset:offset + size]


def load_resources(data):
    """Returns (description, {type: {name: bytes}}), first language only."""
    r = Reader(data)
    if r.bytes(0, 2) != b'MZ':
        raise PEError('not an MZ executable')
    (pe_offset,) = r.unpack('<I', 0x3c)
    if r.bytes(pe_offset, 4) != b'PE\0\0':
        raise PEError('no PE signature')
    machine, nsections, _, _, _, opt_size, _ = r.unpack('<HHIIIHH', pe_offset + 4)
    opt = pe_offset + 24
    (magic,) = r.unpack('<H', opt)
    if magic == 0x10b:
        kind, dirs_at = 'PE32', opt + 96
    elif magic == 0x20b:
        kind, dirs_at = 'PE32+', opt + 112
    else:
        raise PEError('unknown optional header magic %#x' % magic)
    (ndirs,) = r.unpack('<I', dirs_at - 4)
    if ndirs < 3:
        raise PEError('no resource data directory')
    res_rva, res_size = r.unpack('<II', dirs_at + 2 * 8)
    if res_rva == 0 or res_size == 0:
        raise PEError('no resource section')

    sections = []
    sec_at = opt + opt_size
    for i in range(nsections):
        vsize, vaddr, raw_size, raw_ptr = r.unpack('<IIII', sec_at + 40 * i + 8)
        sections.append((vaddr, max(vsize, raw_size), raw_ptr, raw_size))

    def file_offset(rva):
        for vaddr, span, raw_ptr, raw_size in sections:
            if vaddr <= rva < vaddr + span:
                if rva - vaddr >= raw_size:
                    raise PEError('RVA %#x lies in uninitialised data' % rva)
                return raw_ptr + rva - vaddr
        raise PEError('RVA %#x is outside every section' % rva)

    base = file_offset(res_rva)

    def entries(dir_offset):
        _, _, _, _, named, ids = r.unpack('<IIHHHH', base + dir_offset)
        out = []
        for i in range(named + ids):
            name, target = r.unpack('<II', base + dir_offset + 16 + 8 * i)
            if name & 0x80000000:
                (length,) = r.unpack('<H', base + (name & 0x7fffffff))
                raw = r.bytes(base + (name & 0x7fffffff) + 2, 2 * length)
                name = raw.decode('utf-16-le').upper()
            out.append((name, target))
        return out

    resources = {}
    seen = set()
    for rtype, type_dir in entries(0):
        if not type_dir & 0x80000000:
            raise PEError('malformed resource tree (type %r)' % (rtype,))
        names = resources.setdefault(rtype, {})
        for rname, name_dir in entries(type_dir & 0x7fffffff):
            if not name_dir & 0x80000000:
                raise PEError('malformed resource tree (%r/%r)' % (rtype, rname))
            langs = entries(name_dir & 0x7fffffff)
            if not langs:
                continue
            leaf = langs[0][1]
            if leaf & 0x80000000 or leaf in seen:
                raise PEError('malformed resource tree (%r/%r)' % (rtype, rname))
            seen.add(leaf)
            data_rva, size, _, _ = r.unpack('<IIII', base + leaf)
            names[rname] = r.bytes(file_offset(data_rva), size)
    desc = '%s %s' % (kind, MACHINES.get(machine, 'machine %#x' % machine))
    return desc, resources


def parse_dialog(blob, what):
    """An extended dialog template (DLGTEMPLATEEX): its header and its items."""
    r = Reader(blob)

    def sz_or_ord(at):
        (first,) = r.unpack('<H', at)
        if first == 0xFFFF:
            return r.unpack('<H', at + 2)[0], at + 4
        end = at
        while r.unpack('<H', end)[0] != 0:
            end += 2
        return blob[at:end].decode('utf-16-le'), end + 2

    ver, sig, _, exstyle, style, count, x, y, cx, cy = r.unpack('<HHIIIHhhhh', 0)
    if (ver, sig) != (1, 0xFFFF):
        raise PEError('%s is not an extended dialog template' % what)
    _, at = sz_or_ord(26)           # menu
    _, at = sz_or_ord(at)           # class
    caption, at = sz_or_ord(at)
    if style & 0x40:                # DS_SETFONT: point size, weight, italic, charset, face
        (points,) = r.unpack('<H', at)
        face, at = sz_or_ord(at + 6)
    else:
        points, face = None, None
    items = []
    for _ in range(count):
        at = (at + 3) & ~3
        _, iexstyle, istyle, ix, iy, icx, icy, cid = r.unpack('<IIIhhhhI', at)
        cls, at = sz_or_ord(at + 24)
        text, at = sz_or_ord(at)
        (extra,) = r.unpack('<H', at)
        at += 2 + extra
        cls = CLASS_ORDINALS.get(cls, cls) if isinstance(cls, int) else cls.lower()
        items.append({'class': cls, 'id': cid, 'text': text, 'rect': (ix, iy, icx, icy), 'style': istyle})
    return {'caption': caption, 'size': (cx, cy), 'origin': (x, y), 'style': style, 'exstyle': exstyle,
            'font': (points, face), 'items': items}


def stride(width, bpp):
    return (width * bpp + 31) // 32 * 4


def parse_dib(blob, what):
    """BITMAPINFOHEADER-based DIB as stored in RT_BITMAP and RT_ICON data."""
    if len(blob) < 40:
        raise PEError('%s: too short for a BITMAPINFOHEADER' % what)
    (size, width, height, planes, bpp, compression, _, _, _,
     used, _) = struct.unpack_from('<IiiHHIIiiII', blob, 0)
    if size < 40:
        raise PEError('%s: header size %d, expected a BITMAPINFOHEADER' % (what, size))
    colours = used if used else (1 << bpp if bpp <= 8 else 0)
    return {
        'width': width, 'height': height, 'planes': planes, 'bpp': bpp,
        'compression': compression, 'colours': colours,
        'palette_at': size, 'pixels_at': size + 4 * colours,
    }


def row_bits(blob, offset, width, height, bpp, what):
    """The meaningful bits of each stored row, without the padding."""
    s = stride(width, bpp)
    if offset + s * height > len(blob):
        raise PEError('%s: pixel data truncated' % what)
    rows = []
    nbits = width * bpp
    for y in range(height):
        row = blob[offset + y * s: offset + y * s + (nbits + 7) // 8]
        value = int.from_bytes(row, 'big') >> (len(row) * 8 - nbits)
        rows.append(value)
    return rows


class Checker:
    def __init__(self, resources):
        self.res = resources
        self.failures = []
        self.counts = {}

    def fail(self, msg):
        self.failures.append(msg)

    def get(self, rtype, rid, what):
        blob = self.res.get(rtype, {}).get(rid)
        if blob is None:
            self.fail('%s %d is missing' % (what, rid))
        return blob

    def bitmap(self, rid, width, height, bpp=None, colours=None):
        what = 'RT_BITMAP %d' % rid
        blob = self.get(RT_BITMAP, rid, 'RT_BITMAP')
        if blob is None:
            return
        try:
            dib = parse_dib(blob, what)
        except PEError as e:
            return self.fail(str(e))
        if (dib['width'], abs(dib['height'])) != (width, height):
            self.fail('%s is %d x %d, expected %d x %d'
                      % (what, dib['width'], abs(dib['height']), width, height))
        if bpp is None:
            return
        if dib['bpp'] != bpp:
            self.fail('%s has %d bits per pixel, expected %d' % (what, dib['bpp'], bpp))
        if dib['compression'] != 0:
            self.fail('%s is compressed (type %d), expected BI_RGB'
                      % (what, dib['compression']))
        if colours is not None and dib['colours'] != colours:
            self.fail('%s has %d palette entries, expected %d'
                      % (what, dib['colours'], colours))
        need = dib['pixels_at'] + stride(dib['width'], dib['bpp']) * abs(dib['height'])
        if dib['compression'] == 0 and len(blob) < need:
            self.fail('%s pixel data truncated (%d of %d bytes)' % (what, len(blob), need))

    def icon_group(self, gid):
        """{(w, h): image dict} for every image of a group icon."""
        what = 'RT_GROUP_ICON %d' % gid
        blob = self.get(RT_GROUP_ICON, gid, 'RT_GROUP_ICON')
        if blob is None:
            return None
        if len(blob) < 6:
            self.fail('%s is truncated' % what)
            return None
        reserved, kind, count = struct.unpack_from('<HHH', blob, 0)
        if reserved != 0 or kind != 1 or len(blob) < 6 + 14 * count:
            self.fail('%s is not a valid icon directory' % what)
            return None
        images = {}
        for i in range(count):
            gw, gh, _, _, _, gbpp, _, icon_id = struct.unpack_from('<BBBBHHIH', blob, 6 + 14 * i)
            iblob = self.get(RT_ICON, icon_id, 'RT_ICON (used by %s)' % what)
            if iblob is None:
                continue
            iwhat = 'RT_ICON %d (in %s)' % (icon_id, what)
            try:
                dib = parse_dib(iblob, iwhat)
                w, h2 = dib['width'], dib['height']
                if h2 <= 0 or h2 % 2:
                    raise PEError('%s: DIB height %d is not twice the icon height'
                                  % (iwhat, h2))
                h = h2 // 2
                if (gw or 256, gh or 256) != (w, h):
                    self.fail('%s: directory says %d x %d, image is %d x %d'
                              % (iwhat, gw or 256, gh or 256, w, h))
                if gbpp and gbpp != dib['bpp']:
                    self.fail('%s: directory says %d bpp, image has %d'
                              % (iwhat, gbpp, dib['bpp']))
                image = dict(dib, id=icon_id, h=h)
                if dib['compression'] == 0 and dib['bpp'] <= 8:
                    at = dib['pixels_at']
                    image['palette'] = iblob[dib['palette_at']:at]
                    image['xor'] = row_bits(iblob, at, w, h, dib['bpp'], iwhat)
                    at += stride(w, dib['bpp']) * h
                    image['and'] = row_bits(iblob, at, w, h, 1, iwhat)
                images[(w, h)] = image
            except PEError as e:
                self.fail(str(e))
        return images

    def icon_4bpp(self, images, gid, size):
        what = 'RT_GROUP_ICON %d' % gid
        image = images.get((size, size))
        if image is None:
            self.fail('%s has no %d x %d image (has %s)' % (
                what, size, size,
                ', '.join('%dx%d' % k for k in sorted(images)) or 'none'))
            return None
        if image['bpp'] != 4 or image['colours'] != 16:
            self.fail('%s: %d x %d image is %d bpp with %d colours, expected 4 bpp / 16'
                      % (what, size, size, image['bpp'], image['colours']))
            return None
        if 'xor' not in image:
            self.fail('%s: %d x %d image is not an uncompressed DIB' % (what, size, size))
            return None
        return image

    def run(self):
        for rid in FACE_IDS:
            self.bitmap(rid, 89, 26, bpp=4, colours=16)
        for rid in BULB_IDS:
            self.bitmap(rid, 15, 15, bpp=4)
        self.bitmap(BACKGROUND_ID, 335, 232)
        for rid in PIN_IDS:
            self.bitmap(rid, 11, 15, bpp=4)

        main = self.icon_group(ICON_MAIN)
        main32 = None
        if main is not None:
            main32 = self.icon_4bpp(main, ICON_MAIN, 32)
            self.icon_4bpp(main, ICON_MAIN, 16)

        tray = self.icon_group(ICON_TRAY)
        if tray is not None:
            tray32 = self.icon_4bpp(tray, ICON_TRAY, 32)
            if tray32 is not None and main32 is not None:
                for part, name in (('xor', 'XOR image'), ('and', 'AND mask'),
                                   ('palette', 'palette')):
                    if tray32[part] != main32[part]:
                        self.fail('RT_GROUP_ICON %d: 32 x 32 %s differs from icon %d'
                                  % (ICON_TRAY, name, ICON_MAIN))

        camo = self.icon_group(ICON_CAMOUFLAGE)
        if camo is not None:
            camo32 = self.icon_4bpp(camo, ICON_CAMOUFLAGE, 32)
            if camo32 is not None:
                if any(camo32['xor']):
                    self.fail('RT_GROUP_ICON %d: XOR image is not all zeros' % ICON_CAMOUFLAGE)
                if any(row != (1 << 32) - 1 for row in camo32['and']):
                    self.fail('RT_GROUP_ICON %d: AND mask is not all ones' % ICON_CAMOUFLAGE)

        self.string(ABOUT_STRING_ID, ABOUT_STRING)
        for rid, expected in DIALOGS.items():
            self.dialog(rid, *expected)
        manifest = self.get(RT_MANIFEST, MANIFEST_ID, 'RT_MANIFEST')
        if manifest is not None:
            for needed in (b'supportedOS', b'<dpiAware', b'<dpiAwareness'):
                if needed not in manifest:
                    self.fail('RT_MANIFEST lacks %s' % needed.decode())
        version = self.get(RT_VERSION, 1, 'RT_VERSION')
        if version is not None:
            for needed in ('Velumix', 'FileVersion', 'ProductVersion', '1.0.0.0'):
                if needed.encode('utf-16-le') not in version:
                    self.fail('RT_VERSION lacks %r' % needed)

        self.counts = {
            'bitmaps': len(self.res.get(RT_BITMAP, {})),
            'icon groups': len(self.res.get(RT_GROUP_ICON, {})),
            'icons': len(self.res.get(RT_ICON, {})),
        }
        return not self.failures

    def dialog(self, rid, caption, size, style, exstyle, controls):
        what = 'RT_DIALOG %d' % rid
        blob = self.get(RT_DIALOG, rid, 'RT_DIALOG')
        if blob is None:
            return
        try:
            d = parse_dialog(blob, what)
        except PEError as e:
            return self.fail(str(e))
        got = (d['caption'], d['size'], d['origin'], d['font'])
        want = (caption, size, (0, 0), (8, 'MS Sans Serif'))
        if got != want:
            self.fail('%s: caption, size, origin, font are %r, expected %r' % (what, got, want))
        if d['style'] & style != style or d['exstyle'] & exstyle != exstyle:
            self.fail('%s: style %#x / %#x lacks %#x / %#x' % (what, d['style'], d['exstyle'], style, exstyle))
        if len(d['items']) != len(controls):
            return self.fail('%s has %d controls, expected %d' % (what, len(d['items']), len(controls)))
        for n, (item, (cls, cid, text, rect, bits, kind)) in enumerate(zip(d['items'], controls)):
            where = '%s control %d' % (what, n)
            got = (item['class'], item['id'], item['text'], item['rect'])
            if got != (cls, cid, text, rect):
                self.fail('%s is %r, expected %r' % (where, got, (cls, cid, text, rect)))
            if item['style'] & bits != bits:
                self.fail('%s: style %#x lacks %#x' % (where, item['style'], bits))
            mask = BS_TYPEMASK if cls == 'button' else SS_TYPEMASK
            if kind is not None and item['style'] & mask != kind:
                self.fail('%s: type %#x, expected %#x' % (where, item['style'] & mask, kind))
            if bits & WS_TABSTOP == 0 and item['style'] & WS_TABSTOP and cls in ('static',):
                self.fail('%s: a label is a tab stop' % where)
            if cls == 'listbox' and item['style'] & LBS_SORT:
                self.fail('%s: the window list sorts' % where)

    def string(self, sid, expected):
        block_id, index = (sid >> 4) + 1, sid & 15
        blob = self.get(RT_STRING, block_id, 'RT_STRING block')
        if blob is None:
            return
        at = 0
        found = None
        for i in range(16):
            if at + 2 > len(blob):
                return self.fail('RT_STRING block %d is truncated' % block_id)
            (length,) = struct.unpack_from('<H', blob, at)
            text = blob[at + 2: at + 2 + 2 * length]
            if len(text) != 2 * length:
                return self.fail('RT_STRING block %d is truncated' % block_id)
            if i == index:
                found = text.decode('utf-16-le')
            at += 2 + 2 * length
        if found != expected:
            self.fail('string %d is %r, expected %r' % (sid, found, expected))


def check(path):
    try:
        with open(path, 'rb') as f:
            data = f.read()
    except OSError as e:
        return False, ['cannot read: %s' % e.strerror]
    try:
        desc, resources = load_resources(data)
    except PEError as e:
        return False, [str(e)]
    c = Checker(resources)
    if not c.run():
        return False, c.failures
    summary = '%s: %d bitmaps, %d icon groups, %d icons, string %d, dialogs %s, manifest, version' % (
        desc, c.counts['bitmaps'], c.counts['icon groups'], c.counts['icons'],
        ABOUT_STRING_ID, ' '.join(map(str, DIALOGS)))
    return True, [summary]


def main(argv):
    if len(argv) < 2:
        print('usage: %s EXE [EXE ...]' % argv[0], file=sys.stderr)
        return 2
    ok = True
    for path in argv[1:]:
        good, lines = check(path)
        if good:
            print('OK   %s: %s' % (path, lines[0]))
        else:
            ok = False
            print('FAIL %s:' % path, file=sys.stderr)
            for line in lines:
                print('     %s' % line, file=sys.stderr)
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv))
