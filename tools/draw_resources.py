#!/usr/bin/env python3
"""Draws the program's icon and hand cursors from the pictures below and
writes them as .ico/.cur files into app/res. Run it after changing a picture;
its output is committed so that any toolchain can build the resources."""
import os
import struct

# '.' transparent, 'k' black outline, 'w' white, others per palette.
OPEN_HAND = """
................
.......kk.......
...kk.kwwkkk....
..kwwkkwwkwwk...
..kwwkkwwkwwk.k.
...kwwkwwkwwkkwk
...kwwkwwkwwkwwk
.kk.kwwwwwwwkwwk
kwwkkwwwwwwwwwwk
kwwwkwwwwwwwwwk.
.kwwwwwwwwwwwwk.
..kwwwwwwwwwwwk.
..kwwwwwwwwwwk..
...kwwwwwwwwwk..
....kwwwwwwwk...
....kwwwwwwwk...
"""

HOLD_HAND = """
................
................
................
................
....kk.kk.kk....
...kwwkwwkwwkk..
...kwwwwwwwwkwk.
....kwwwwwwwwwk.
...kkwwwwwwwwwk.
..kwwwwwwwwwwwk.
..kwwwwwwwwwwwk.
...kwwwwwwwwwk..
...kwwwwwwwwwk..
....kwwwwwwwk...
....kwwwwwwwk...
................
"""

# A framed picture: sky, sun, hills.
ICON = """
kkkkkkkkkkkkkkkk
kbbbbbbbbbbbbbbk
kbbbbbbbbbyybbbk
kbbbbbbbbyyyybbk
kbbbbbbbbyyyybbk
kbbbbbbbbbyybbbk
kbbbbbbbbbbbbbbk
kbbbbgbbbbbbbbbk
kbbbgggbbbbbbbbk
kbbgggggbbbgbbbk
kbgggggggbgggbbk
kggggggggggggggk
kGGGGGGGGGGGGGGk
kGGGGGGGGGGGGGGk
kGGGGGGGGGGGGGGk
kkkkkkkkkkkkkkkk
"""

PALETTE = {
    'k': (0, 0, 0), 'w': (255, 255, 255), 'b': (96, 160, 232), 'y': (255, 216, 0),
    'g': (64, 168, 64), 'G': (32, 120, 40),
}


def image_block(art, scale):
    rows = [r for r in art.strip('\n').split('\n')]
    size = len(rows) * scale
    pixels = bytearray()
    mask_rows = []
    for y in reversed(range(size)):  # bottom-up
        row = rows[y // scale]
        mask_bits = 0
        for x in range(size):
            c = row[x // scale]
            if c == '.':
                pixels += b'\0\0\0\0'
                mask_bits |= 1 << (31 - (x % 32))
            else:
                r, g, b = PALETTE[c]
                pixels += bytes((b, g, r, 255))
        mask_rows.append(struct.pack('>I', mask_bits))
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(pixels), 0, 0, 0, 0)
    return size, header + bytes(pixels) + b''.join(mask_rows)


def write_icon_file(path, kind, art, hotspot=(0, 0)):
    size, block = image_block(art, 2)
    planes, bits = (1, 32) if kind == 1 else hotspot
    entry = struct.pack('<BBBBHHII', size, size, 0, 0, planes, bits, len(block), 6 + 16)
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, kind, 1) + entry + block)


def main():
    out = os.path.join(os.path.dirname(__file__), '..', 'app', 'res')
    os.makedirs(out, exist_ok=True)
    write_icon_file(os.path.join(out, 'orv.ico'), 1, ICON)
    write_icon_file(os.path.join(out, 'handopen.cur'), 2, OPEN_HAND, (16, 16))
    write_icon_file(os.path.join(out, 'handhold.cur'), 2, HOLD_HAND, (16, 16))


if __name__ == '__main__':
    main()
