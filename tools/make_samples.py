#!/usr/bin/env python3
"""Writes the sample pictures that tools/run opens into a folder: bitmaps of
several depths and header kinds, a PNM picture and a tar archive holding more
of them (the last two are read by the test plug-ins)."""
import io
import math
import os
import struct
import sys
import tarfile


def bmp(width, height, bits, rows, palette=b'', compression=0, core=False, top_down=False, header_size=40,
        masks=b''):
    """rows: bottom-up pixel bytes already padded (or the compressed data). A header_size above 40 is a
    version 4 or 5 header with the masks first; below 40 an OS/2 2.x header cut to that size."""
    data = b''.join(rows) if isinstance(rows, list) else rows
    if core:
        header = struct.pack('<IHHHH', 12, width, height, 1, bits)
    else:
        h = -height if top_down else height
        header = struct.pack('<IiiHHIIiiII', header_size, width, h, 1, bits, compression,
                             len(data) if compression else 0, 2835, 2835, 0, 0)[:header_size]
        if header_size > 40:
            header = (header + masks.ljust(16, b'\0') + b'BGRs').ljust(header_size, b'\0')
        else:
            header += masks
    off = 14 + len(header) + len(palette)
    return b'BM' + struct.pack('<IHHI', off + len(data), 0, 0, off) + header + palette + data


def pad(row):
    return row + b'\0' * (-len(row) % 4)


def colour(x, y, w, h):
    r = int(255 * x / (w - 1))
    g = int(255 * y / (h - 1))
    b = int(128 + 127 * math.sin((x + y) / 18.0))
    return r, g, b


def gradient_rows(w, h, pixel):
    """Bottom-up rows of the gradient, each pixel's bytes made by pixel(r, g, b)."""
    return [pad(b''.join(pixel(*colour(x, y, w, h)) for x in range(w))) for y in reversed(range(h))]


def gradient24(w, h):
    return bmp(w, h, 24, gradient_rows(w, h, lambda r, g, b: bytes((b, g, r))))


def topdown32(w, h):
    rows = []
    for y in range(h):
        row = bytearray()
        for x in range(w):
            r, g, b = colour(w - 1 - x, y, w, h)
            row += bytes((b, g, r, 0))
        rows.append(bytes(row))
    return bmp(w, h, 32, rows, top_down=True)


def rings_index(x, y, w, h):
    d = math.hypot(x - w / 2, y - h / 2)
    return int(d * 2) % 256


def rainbow(n, entry):
    p = bytearray()
    for i in range(n):
        a = 2 * math.pi * i / n
        r, g, b = (int(127 + 127 * math.sin(a + k)) for k in (0, 2.1, 4.2))
        p += bytes((b, g, r) + ((0,) if entry == 4 else ()))
    return bytes(p)


def rings8(w, h):
    rows = [pad(bytes(rings_index(x, y, w, h) for x in range(w))) for y in reversed(range(h))]
    return bmp(w, h, 8, rows, rainbow(256, 4))


def rle8(w, h):
    data = bytearray()
    for y in reversed(range(h)):
        x = 0
        while x < w:
            value = (x // 16 + y // 16) % 256
            run = min(16 - x % 16, w - x)
            data += bytes((run, value * 7 % 256))
            x += run
        data += b'\0\0'
    data += b'\0\1'
    return bmp(w, h, 8, bytes(data), rainbow(256, 4), compression=1)


def os2_4bit(w, h):
    rows = []
    for y in reversed(range(h)):
        row = bytearray()
        for x in range(0, w, 2):
            a = (x // 20 + y // 20) % 16
            b = ((x + 1) // 20 + y // 20) % 16
            row.append(a << 4 | b)
        rows.append(pad(bytes(row)))
    return bmp(w, h, 4, rows, rainbow(16, 3), core=True)


def mono(w, h):
    rows = []
    for y in reversed(range(h)):
        bits = [1 if ((x // 12) + (y // 12)) % 2 else 0 for x in range(w)]
        row = bytearray()
        for i in range(0, w, 8):
            v = 0
            for k in range(8):
                v = v << 1 | (bits[i + k] if i + k < w else 0)
            row.append(v)
        rows.append(pad(bytes(row)))
    return bmp(w, h, 1, rows, bytes((40, 20, 10, 0, 230, 240, 250, 0)))


def v5_rings8(w, h):
    rows = [pad(bytes(rings_index(x, y, w, h) for x in range(w))) for y in reversed(range(h))]
    return bmp(w, h, 8, rows, rainbow(256, 4), header_size=124)


def bands2(w, h):
    rows = []
    for y in reversed(range(h)):
        row = bytearray()
        for x in range(0, w, 4):
            v = 0
            for k in range(4):
                v = v << 2 | ((x + k) // 24 + y // 24) % 4
            row.append(v)
        rows.append(pad(bytes(row)))
    return bmp(w, h, 2, rows, bytes((30, 30, 200, 0, 40, 200, 40, 0, 200, 60, 20, 0, 240, 240, 240, 0)))


def gradient565(w, h):
    rows = gradient_rows(w, h, lambda r, g, b: struct.pack('<H', (r >> 3) << 11 | (g >> 2) << 5 | b >> 3))
    return bmp(w, h, 16, rows, compression=3, masks=struct.pack('<III', 0xF800, 0x07E0, 0x001F))


def pnm(w, h):
    body = bytearray()
    for y in range(h):
        for x in range(w):
            r, g, b = colour(x, h - 1 - y, w, h)
            body += bytes((g, b, r))
    return b'P6\n%d %d\n255\n' % (w, h) + bytes(body)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else 'samples'
    os.makedirs(out, exist_ok=True)
    files = {
        '1 gradient 24-bit.bmp': gradient24(320, 240),
        '2 rings 8-bit.bmp': rings8(300, 220),
        '3 squares RLE8.bmp': rle8(280, 200),
        '4 stripes OS2 4-bit.bmp': os2_4bit(260, 180),
        '5 checker 1-bit.bmp': mono(240, 160),
        '6 top-down 32-bit.bmp': topdown32(300, 200),
    }
    files.update({
        '8 rings V5 header 8-bit.bmp': v5_rings8(300, 220),
        '9 bands 2-bit.bmp': bands2(260, 180),
        '9 gradient 16-bit 565.bmp': gradient565(320, 240),
    })
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)
    buf = io.BytesIO()
    with tarfile.open(fileobj=buf, mode='w', format=tarfile.USTAR_FORMAT) as tar:
        for name, data in (('set/a gradient.bmp', gradient24(200, 150)), ('set/b rings.bmp', rings8(220, 160)),
                           ('set/c picture.pnm', pnm(240, 180))):
            info = tarfile.TarInfo(name)
            info.size = len(data)
            info.mtime = 1700000000
            tar.addfile(info, io.BytesIO(data))
    with open(os.path.join(out, '7 archive.tar'), 'wb') as f:
        f.write(buf.getvalue())


if __name__ == '__main__':
    main()
