#!/usr/bin/python3
# Writes references.txt and refs/: the reference decoder's samples of every sample file, one
# deflated plane set per distinct picture. Files whose colour the reference decoder would
# convert (ICC, CMYK) are decoded from their bare code stream instead.
# The extra .j2k files were made with opj_compress from the RGB sample's pixels.
# Needs opj_decompress (Debian libopenjp2-tools) and numpy; run from this folder.
import glob, hashlib, os, re, struct, subprocess, tempfile, zlib
import numpy as np

def code_stream(data):
    pos = 0
    while pos + 8 <= len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        header = 8
        if length == 1:
            length = struct.unpack('>Q', data[pos + 8:pos + 16])[0]
            header = 16
        elif length == 0:
            length = len(data) - pos
        if kind == b'jp2c':
            return data[pos + header:pos + length]
        pos += length
    return None

def load_pgx(path):
    d = open(path, 'rb').read()
    nl = d.index(b'\n')
    _, end, sign, depth, w, h = d[:nl].decode().split()
    depth, w, h = int(depth), int(w), int(h)
    if depth <= 8:
        a = np.frombuffer(d[nl + 1:nl + 1 + w * h], dtype='u1' if sign == '+' else 'i1')
    else:
        a = np.frombuffer(d[nl + 1:nl + 1 + 2 * w * h], dtype=('>' if end == 'ML' else '<') + ('u2' if sign == '+' else 'i2'))
    a = a.astype(np.int32)
    if sign == '-':
        a = a + (1 << (depth - 1))  # signed samples as offset codes, as the decoder hands them out
    return depth, w, h, a

RAW = {'buggie-gray.jpf', 'cmyk-small.jpf', 'kakadu-lossless-cmyk-u8-prog1-layers1-res6.jp2',
       'kakadu-lossless-cmyka-u8-prog1-layers1-res6.jp2'}
lines = []
with tempfile.TemporaryDirectory() as tmp:
    for name in sorted(glob.glob('*.jp2') + glob.glob('*.jpf') + glob.glob('*.j2k')):
        src = name
        if name in RAW:
            # Decoded from the bare code stream, the reference keeps the file's channels.
            src = os.path.join(tmp, 'raw.j2k')
            open(src, 'wb').write(code_stream(open(name, 'rb').read()))
        for f in glob.glob(os.path.join(tmp, 'out*')):
            os.remove(f)
        subprocess.run(['opj_decompress', '-upsample', '-i', src, '-o', os.path.join(tmp, 'out.pgx')],
                       check=True, capture_output=True)
        outs = sorted(glob.glob(os.path.join(tmp, 'out_*.pgx')),
                      key=lambda s: int(re.search(r'_(\d+)\.pgx$', s).group(1)))
        planes = [load_pgx(p) for p in outs]
        w, h = planes[0][1], planes[0][2]
        blob = b''.join(p[3].astype('<u2').tobytes() for p in planes)
        digest = hashlib.sha1(blob).hexdigest()[:16]
        ref = os.path.join('refs', digest + '.z')
        if not os.path.exists(ref):
            open(ref, 'wb').write(zlib.compress(blob, 9))
        depths = ','.join(str(p[0]) for p in planes)
        lines.append('%s %d %d %s %s' % (name, w, h, depths, digest))
open('references.txt', 'w').write('\n'.join(lines) + '\n')
