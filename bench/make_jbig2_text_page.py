#!/usr/bin/env python3
"""Makes a full-page 300 dpi text image coded with a symbol dictionary and a text region
(arithmetic coding, lossless: every distinct connected component is one symbol).

usage: make_jbig2_text_page.py OUTDIR
writes OUTDIR/text-page.pbm (the page), text-page.globals and text-page.page (the PDF-embedded
globals and image streams) and text-page.jb2 (the same as a standalone file); also
text-page-generic.page, the same page as one generic region (template 0 with typical
prediction), with an empty text-page-generic.globals."""
import os, struct, subprocess, sys

QE = [(0x5601,1,1,1),(0x3401,2,6,0),(0x1801,3,9,0),(0x0AC1,4,12,0),(0x0521,5,29,0),(0x0221,38,33,0),
      (0x5601,7,6,1),(0x5401,8,14,0),(0x4801,9,14,0),(0x3801,10,14,0),(0x3001,11,17,0),(0x2401,12,18,0),
      (0x1C01,13,20,0),(0x1601,29,21,0),(0x5601,15,14,1),(0x5401,16,14,0),(0x5101,17,15,0),(0x4801,18,16,0),
      (0x3801,19,17,0),(0x3401,20,18,0),(0x3001,21,19,0),(0x2801,22,19,0),(0x2401,23,20,0),(0x2201,24,21,0),
      (0x1C01,25,22,0),(0x1801,26,23,0),(0x1601,27,24,0),(0x1401,28,25,0),(0x1201,29,26,0),(0x1101,30,27,0),
      (0x0AC1,31,28,0),(0x09C1,32,29,0),(0x08A1,33,30,0),(0x0521,34,31,0),(0x0441,35,32,0),(0x02A1,36,33,0),
      (0x0221,37,34,0),(0x0141,38,35,0),(0x0111,39,36,0),(0x0085,40,37,0),(0x0049,41,38,0),(0x0025,42,39,0),
      (0x0015,43,40,0),(0x0009,44,41,0),(0x0005,45,42,0),(0x0001,45,43,0),(0x5601,46,46,0)]

class Encoder:
    """The adaptive binary arithmetic encoder; contexts live in dictionaries of [index, mps]."""
    def __init__(self):
        self.A, self.C, self.CT, self.out = 0x8000, 0, 12, bytearray([0])
    def byteout(self):
        o = self.out
        if o[-1] == 0xFF:
            o.append(self.C >> 20); self.C &= 0xFFFFF; self.CT = 7
        elif self.C < 0x8000000:
            o.append(self.C >> 19); self.C &= 0x7FFFF; self.CT = 8
        else:
            o[-1] += 1
            if o[-1] == 0xFF:
                self.C &= 0x7FFFFFF; o.append(self.C >> 20); self.C &= 0xFFFFF; self.CT = 7
            else:
                o.append((self.C >> 19) & 0xFF); self.C &= 0x7FFFF; self.CT = 8
    def renorm(self):
        while True:
            self.A = (self.A << 1) & 0xFFFF; self.C <<= 1; self.CT -= 1
            if self.CT == 0: self.byteout()
            if self.A & 0x8000: break
    def encode(self, ctx, cx, d):
        st = ctx.get(cx)
        if st is None: st = ctx[cx] = [0, 0]
        qe, nmps, nlps, sw = QE[st[0]]
        self.A -= qe
        if d == st[1]:
            if (self.A & 0x8000) == 0:
                if self.A < qe: self.A = qe
                else: self.C += qe
                st[0] = nmps; self.renorm()
            else:
                self.C += qe
        else:
            if self.A < qe: self.C += qe
            else: self.A = qe
            if sw: st[1] ^= 1
            st[0] = nlps; self.renorm()
    def flush(self):
        t = self.C + self.A; self.C |= 0xFFFF
        if self.C >= t: self.C -= 0x8000
        self.C <<= self.CT; self.byteout(); self.C <<= self.CT; self.byteout()
        if self.out[-1] != 0xFF: self.out.append(0xFF)
        self.out.append(0xAC)
        return bytes(self.out[1:])

def encode_int(enc, ctx, v):
    """Integer coding with 512 contexts; v None is out-of-band."""
    prev = [1]
    def bit(b):
        enc.encode(ctx, prev[0], b)
        p = prev[0]
        prev[0] = ((p << 1) | b) if p < 256 else ((((p << 1) | b) & 511) | 256)
    def bits(n, val):
        for i in range(n - 1, -1, -1): bit((val >> i) & 1)
    if v is None:
        bit(1); bit(0); bits(2, 0); return
    bit(1 if v < 0 else 0); a = abs(v)
    for prefix, n, low in ((0b0, 2, 0), (0b10, 4, 4), (0b110, 6, 20), (0b1110, 8, 84), (0b11110, 12, 340)):
        if a < low + (1 << n):
            plen = {0: 1, 2: 2, 6: 3, 14: 4, 30: 5}[prefix]
            bits(plen, prefix); bits(n, a - low); return
    bits(5, 0b11111); bits(32, a - 4436)

def encode_id(enc, ctx, length, v):
    prev = 1
    for i in range(length - 1, -1, -1):
        b = (v >> i) & 1; enc.encode(ctx, prev, b); prev = (prev << 1) | b

def encode_generic(enc, ctx, rows, w, h):
    """Template 0 with the nominal adaptive pixels; rows are lists of 0/1."""
    z = [0] * (w + 8)
    pad = [[0] * 4 + r + [0] * 4 for r in rows]
    for y in range(h):
        r0 = pad[y]; r1 = pad[y - 1] if y >= 1 else z; r2 = pad[y - 2] if y >= 2 else z
        for x in range(w):
            X = x + 4
            cx = (r0[X-1] | r0[X-2] << 1 | r0[X-3] << 2 | r0[X-4] << 3 | r1[X+3] << 4 | r1[X+2] << 5 |
                  r1[X+1] << 6 | r1[X] << 7 | r1[X-1] << 8 | r1[X-2] << 9 | r1[X-3] << 10 | r2[X+2] << 11 |
                  r2[X+1] << 12 | r2[X] << 13 | r2[X-1] << 14 | r2[X-2] << 15)
            enc.encode(ctx, cx, r0[X])

def encode_generic_page(enc, rows, w, h):
    """A whole page, template 0 with typical prediction: rows that repeat the row above are not
    coded."""
    ctx, z, ltp = {}, [0] * (w + 8), 0
    pad = [[0] * 4 + r + [0] * 4 for r in rows]
    for y in range(h):
        same = 1 if rows[y] == (rows[y - 1] if y else [0] * w) else 0
        enc.encode(ctx, 0x9B25, ltp ^ same); ltp = same
        if ltp: continue
        r0 = pad[y]; r1 = pad[y - 1] if y >= 1 else z; r2 = pad[y - 2] if y >= 2 else z
        for x in range(w):
            X = x + 4
            cx = (r0[X-1] | r0[X-2] << 1 | r0[X-3] << 2 | r0[X-4] << 3 | r1[X+3] << 4 | r1[X+2] << 5 |
                  r1[X+1] << 6 | r1[X] << 7 | r1[X-1] << 8 | r1[X-2] << 9 | r1[X-3] << 10 | r2[X+2] << 11 |
                  r2[X+1] << 12 | r2[X] << 13 | r2[X-1] << 14 | r2[X-2] << 15)
            enc.encode(ctx, cx, r0[X])
    return enc.flush()

def render_page(outdir):
    words = ("the quick brown fox jumps over a lazy dog while seven wizards quietly judge boxing "
             "matches and pack my box with five dozen liquor jugs for every zealous reader").split()
    lines, line, n = [], [], 0
    for i in range(2000):
        wd = words[(i * 7 + i // 5) % len(words)]
        if n + len(wd) > 95:
            lines.append(" ".join(line)); line, n = [], 0
        line.append(wd); n += len(wd) + 1
    ps = ["%!PS", "/Times-Roman findfont 10 scalefont setfont"]
    y = 756
    for l in lines[:64]:
        ps.append("54 %d moveto (%s) show" % (y, l)); y -= 11
    ps.append("showpage")
    src = os.path.join(outdir, "text-page.ps")
    open(src, "w").write("\n".join(ps) + "\n")
    pbm = os.path.join(outdir, "text-page.pbm")
    subprocess.run(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pbmraw", "-r300",
                    "-sPAPERSIZE=letter", "-o", pbm, src], check=True)
    return pbm

def read_pbm(path):
    data = open(path, "rb").read()
    parts, pos = [], 2
    while len(parts) < 2:
        while data[pos:pos+1].isspace(): pos += 1
        if data[pos:pos+1] == b"#":
            while data[pos:pos+1] != b"\n": pos += 1
            continue
        start = pos
        while data[pos:pos+1].isdigit(): pos += 1
        parts.append(int(data[start:pos]))
    pos += 1
    w, h = parts; stride = (w + 7) // 8
    return w, h, stride, data[pos:pos + stride * h]

def components(w, h, stride, raw):
    """8-connected components from runs of black pixels, joined with union-find."""
    runs, parent = [], []
    def find(a):
        while parent[a] != a:
            parent[a] = parent[parent[a]]; a = parent[a]
        return a
    prev = []
    for y in range(h):
        row = raw[y * stride:(y + 1) * stride]
        bits = "".join(format(b, "08b") for b in row)[:w]
        cur, x = [], bits.find("1")
        while x >= 0:
            e = bits.find("0", x)
            if e < 0: e = w
            i = len(runs); runs.append((y, x, e)); parent.append(i); cur.append(i)
            for j in prev:
                _, px, pe = runs[j]
                if px <= e and pe >= x:
                    a, b = find(i), find(j)
                    if a != b: parent[a] = b
            x = bits.find("1", e)
        prev = cur
    groups = {}
    for i in range(len(runs)): groups.setdefault(find(i), []).append(runs[i])
    return list(groups.values())

def main():
    outdir = sys.argv[1]; os.makedirs(outdir, exist_ok=True)
    w, h, stride, raw = read_pbm(render_page(outdir))
    symbols, index, instances = [], {}, []
    for runs in components(w, h, stride, raw):
        y0 = min(r[0] for r in runs); y1 = max(r[0] for r in runs) + 1
        x0 = min(r[1] for r in runs); x1 = max(r[2] for r in runs)
        bm = [[0] * (x1 - x0) for _ in range(y1 - y0)]
        for y, a, b in runs:
            for x in range(a, b): bm[y - y0][x - x0] = 1
        key = (x1 - x0, y1 - y0, tuple(tuple(r) for r in bm))
        if key not in index: index[key] = len(symbols); symbols.append(key)
        instances.append((y0, x0, index[key]))
    # The dictionary: height classes in increasing height, widths increasing within a class.
    order = sorted(range(len(symbols)), key=lambda i: (symbols[i][1], symbols[i][0]))
    new_id = {old: k for k, old in enumerate(order)}
    enc, gb = Encoder(), {}
    iadh, iadw, iaex = {}, {}, {}
    height, k = 0, 0
    while k < len(order):
        hc = symbols[order[k]][1]
        encode_int(enc, iadh, hc - height); height = hc; width = 0
        while k < len(order) and symbols[order[k]][1] == hc:
            sw, sh, bm = symbols[order[k]]
            encode_int(enc, iadw, sw - width); width = sw
            encode_generic(enc, gb, [list(r) for r in bm], sw, sh); k += 1
        encode_int(enc, iadw, None)
    encode_int(enc, iaex, 0); encode_int(enc, iaex, len(symbols))
    dict_data = (struct.pack(">H", 0) + struct.pack(">8b", 3, -1, -3, -1, 2, -2, -2, -2) +
                 struct.pack(">II", len(symbols), len(symbols)) + enc.flush())
    # The text region: strips of four rows, instances left to right, top-left corner reference.
    log_strips, strips = 2, 4
    codelen = max(1, (len(symbols) - 1).bit_length())
    enc = Encoder()
    iadt, iafs, iads, iait, iaid = {}, {}, {}, {}, {}
    instances.sort(key=lambda t: (t[0] // strips, t[1]))
    encode_int(enc, iadt, 0)
    strip_t, first_s, i = 0, 0, 0
    while i < len(instances):
        t0 = instances[i][0] // strips * strips
        encode_int(enc, iadt, (t0 - strip_t) // strips); strip_t = t0
        cur_s, first = 0, True
        while i < len(instances) and instances[i][0] // strips * strips == t0:
            y, x, sid = instances[i]
            if first:
                encode_int(enc, iafs, x - first_s); first_s = x; cur_s = x; first = False
            else:
                encode_int(enc, iads, x - cur_s); cur_s = x
            encode_int(enc, iait, y - strip_t)
            encode_id(enc, iaid, codelen, new_id[sid])
            cur_s += symbols[sid][0] - 1; i += 1
        encode_int(enc, iads, None)
    region = (struct.pack(">IIIIB", w, h, 0, 0, 0) + struct.pack(">H", (log_strips << 2) | (1 << 4)) +
              struct.pack(">I", len(instances)) + enc.flush())
    seg = lambda num, typ, refs, page, data: (struct.pack(">IB", num, typ) + bytes([len(refs) << 5]) +
                                              bytes(refs) + struct.pack(">BI", page, len(data)) + data)
    globals_ = seg(0, 0, [], 0, dict_data)
    page = seg(1, 48, [], 1, struct.pack(">IIIIBH", w, h, 0, 0, 1, 0)) + seg(2, 6, [0], 1, region)
    base = os.path.join(outdir, "text-page")
    open(base + ".globals", "wb").write(globals_)
    open(base + ".page", "wb").write(page)
    open(base + ".jb2", "wb").write(b"\x97JB2\r\n\x1a\n\x01" + struct.pack(">I", 1) + globals_ + page +
                                    seg(3, 49, [], 1, b"") + seg(4, 51, [], 0, b""))
    print("%dx%d page, %d symbols, %d instances, %d + %d bytes" %
          (w, h, len(symbols), len(instances), len(globals_), len(page)))
    rows = [[int(b) for b in "".join(format(v, "08b") for v in raw[y * stride:(y + 1) * stride])[:w]]
            for y in range(h)]
    generic = (struct.pack(">IIIIB", w, h, 0, 0, 0) + bytes([0x08]) +
               struct.pack(">8b", 3, -1, -3, -1, 2, -2, -2, -2) + encode_generic_page(Encoder(), rows, w, h))
    open(base + "-generic.globals", "wb").write(b"")
    open(base + "-generic.page", "wb").write(seg(1, 48, [], 1, struct.pack(">IIIIBH", w, h, 0, 0, 1, 0)) +
                                             seg(2, 38, [], 1, generic))
    print("generic region page: %d bytes" % len(generic))

main()
