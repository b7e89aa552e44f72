#!/usr/bin/env python3
"""Makes the reference pictures for the fax sample tests.

Each sample TIFF is decompressed by libtiff (tiffcp -c none) and its pixels are written as a
binary PBM (1 = black) beside it: <name>.pbm. Run from this folder after adding a sample.
"""
import os
import struct
import subprocess
import sys
import tempfile


def read_ifd(data):
    order = '<' if data[:2] == b'II' else '>'
    (offset,) = struct.unpack(order + 'I', data[4:8])
    (count,) = struct.unpack(order + 'H', data[offset:offset + 2])
    sizes = {1: 1, 3: 2, 4: 4, 5: 8}
    formats = {1: 'B', 3: 'H', 4: 'I'}
    tags = {}
    for n in range(count):
        entry = data[offset + 2 + 12 * n: offset + 14 + 12 * n]
        tag, kind, number = struct.unpack(order + 'HHI', entry[:8])
        size = sizes.get(kind, 1) * number
        where = entry[8:12] if size <= 4 else data[struct.unpack(order + 'I', entry[8:12])[0]:][:size]
        if kind in formats:
            tags[tag] = list(struct.unpack(order + formats[kind] * number, where[:size]))
    return tags


def main():
    for name in sorted(os.listdir('.')):
        if not name.endswith('.tiff'):
            continue
        with tempfile.TemporaryDirectory() as tmp:
            plain = os.path.join(tmp, 'plain.tiff')
            subprocess.run(['tiffcp', '-c', 'none', name, plain], check=True)
            data = open(plain, 'rb').read()
        tags = read_ifd(data)
        width, height = tags[256][0], tags[257][0]
        photometric = tags.get(262, [0])[0]
        pixels = b''.join(data[o:o + c] for o, c in zip(tags[273], tags[279]))
        row_bytes = (width + 7) // 8
        pixels = pixels[:row_bytes * height]
        if photometric == 1:  # min-is-black: flip so that 1 is black as in PBM
            pixels = bytes(b ^ 0xFF for b in pixels)
        with open(name[:-5] + '.pbm', 'wb') as out:
            out.write(b'P4\n%d %d\n' % (width, height))
            out.write(pixels)
        print(name, width, height)


if __name__ == '__main__':
    sys.exit(main())
