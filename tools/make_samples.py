#!/usr/bin/env python3
"""Writes the sample pictures that tools/run opens into a folder: bitmaps of
several depths and header kinds, a tar archive holding more of them and a PNM
picture (read by the test plug-ins), and for the companion plug-ins a PNG with
transparency, a photo taken on its side (a JPEG with an Exif orientation) and
a ZIP archive holding pictures in a folder."""
import io
import math
import os
import struct
import sys
import tarfile
import zipfile
import zlib


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


def png_rgba(w, h, pixel):
    """pixel(x, y) -> (r, g, b, a)."""
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    raw = b''.join(b'\0' + b''.join(bytes(pixel(x, y)) for x in range(w)) for y in range(h))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def clear_disc(w, h):
    """A soft disc on a transparent ground (black where nothing shows, as
    most writers leave it)."""
    def pixel(x, y):
        d = math.hypot(x - w / 2, y - h / 2) / (min(w, h) / 2)
        a = max(0, min(255, int(255 * (1.0 - d) * 3)))
        r, g, b = colour(x, y, w, h) if a else (0, 0, 0)
        return r, g, b, a
    return png_rgba(w, h, pixel)


def jpeg_blocks(w, h, colour_at, orientation):
    """A baseline JPEG of flat 8 x 8 blocks (colour_at(bx, by) -> (r, g, b)),
    each coded by its DC value alone, with an Exif orientation."""
    def codes(bits, values):
        table, code, k = {}, 0, 0
        for length in range(1, 17):
            for _ in range(bits[length - 1]):
                table[values[k]] = (code, length)
                code, k = code + 1, k + 1
            code <<= 1
        return table
    dc_bits = [0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0]
    dc = codes(dc_bits, list(range(12)))
    ac_bits = [1] + [0] * 15  # one code: end of block, as every block is flat
    out, acc, n = bytearray(), 0, 0

    def put(value, length):
        nonlocal acc, n
        for i in reversed(range(length)):
            acc, n = acc << 1 | (value >> i & 1), n + 1
            if n == 8:
                out.append(acc)
                if acc == 0xFF:
                    out.append(0)
                acc, n = 0, 0

    previous = [0, 0, 0]
    for by in range(h // 8):
        for bx in range(w // 8):
            r, g, b = colour_at(bx, by)
            ycc = (0.299 * r + 0.587 * g + 0.114 * b, -0.1687 * r - 0.3313 * g + 0.5 * b + 128,
                   0.5 * r - 0.4187 * g - 0.0813 * b + 128)
            for c in range(3):
                value = int(round(8 * (ycc[c] - 128)))
                diff, previous[c] = value - previous[c], value
                size = abs(diff).bit_length()
                put(*dc[size])
                put(diff if diff >= 0 else diff + (1 << size) - 1, size)
                put(0, 1)
    if n:
        put((1 << (8 - n)) - 1, 8 - n)

    def segment(marker, body):
        return bytes((0xFF, marker)) + struct.pack('>H', len(body) + 2) + body
    tiff = b'MM' + struct.pack('>HIH', 42, 8, 1) + struct.pack('>HHIHH', 0x0112, 3, 1, orientation, 0) + b'\0' * 4
    components = b''.join(bytes((i, 0x11, 0)) for i in (1, 2, 3))
    return (b'\xff\xd8' + segment(0xE1, b'Exif\0\0' + tiff) + segment(0xDB, b'\0' + b'\1' * 64) +
            segment(0xC0, struct.pack('>BHHB', 8, h, w, 3) + components) +
            segment(0xC4, b'\x00' + bytes(dc_bits) + bytes(range(12)) + b'\x10' + bytes(ac_bits) + b'\0') +
            segment(0xDA, b'\3' + b''.join(bytes((i, 0)) for i in (1, 2, 3)) + b'\0\x3f\0') +
            bytes(out) + b'\xff\xd9')


def photo_on_its_side(w, h):
    """An arrow pointing up, stored turned a quarter to the left, with the
    orientation (6) that stands it upright again."""
    def upright(x, y):
        if abs(x - w / 2) < w / 16 and h * 0.35 < y < h * 0.85:
            return 250, 250, 250
        if y >= h * 0.15 and y <= h * 0.35 and abs(x - w / 2) < (y - h * 0.15) * 0.9:
            return 250, 250, 250
        if y > h * 0.85:
            return 40, 140, 40
        return 60, 100 + int(120 * y / h), 230
    # The stored picture is h wide and w high; its first row shows on the right.
    return jpeg_blocks(h, w, lambda bx, by: upright(w - 1 - (by * 8 + 4), bx * 8 + 4), 6)


def scans_zip():
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, 'w', zipfile.ZIP_DEFLATED) as z:
        z.writestr('scans/', b'')
        z.writestr('scans/page 1.png', clear_disc(200, 140))
        z.writestr('scans/page 2.png', png_rgba(180, 120, lambda x, y: colour(x, y, 180, 120) + (255,)))
        z.writestr('scans/page 3.bmp', gradient24(160, 120))
    return buf.getvalue()


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
        '8 clear disc.png': clear_disc(240, 180),
        '9 photo on its side.jpg': photo_on_its_side(320, 240),
        '9 scans.zip': scans_zip(),
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
