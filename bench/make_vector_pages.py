#!/usr/bin/env python3
"""Writes a PDF of vector-heavy pages (paths, strokes, fills, clips, colours) for benchmarks.
usage: make_vector_pages.py OUT.pdf [PAGES] [SHAPES_PER_PAGE]"""
import random, sys, zlib

out_path = sys.argv[1]
pages = int(sys.argv[2]) if len(sys.argv) > 2 else 5
shapes = int(sys.argv[3]) if len(sys.argv) > 3 else 4000
rnd = random.Random(7)

def page_content():
    ops = []
    for i in range(shapes):
        kind = i % 5
        r, g, b = rnd.random(), rnd.random(), rnd.random()
        x, y = rnd.uniform(20, 590), rnd.uniform(20, 770)
        if kind == 0:
            ops.append("%.3f %.3f %.3f rg %.2f %.2f %.2f %.2f re f" % (r, g, b, x, y, rnd.uniform(2, 60), rnd.uniform(2, 60)))
        elif kind == 1:
            ops.append("%.3f %.3f %.3f RG %.2f w %.2f %.2f m %.2f %.2f %.2f %.2f %.2f %.2f c S" % (
                r, g, b, rnd.uniform(0.2, 4), x, y, x + rnd.uniform(-80, 80), y + rnd.uniform(-80, 80),
                x + rnd.uniform(-80, 80), y + rnd.uniform(-80, 80), x + rnd.uniform(-80, 80), y + rnd.uniform(-80, 80)))
        elif kind == 2:
            pts = " ".join("%.2f %.2f l" % (x + rnd.uniform(-40, 40), y + rnd.uniform(-40, 40)) for _ in range(6))
            ops.append("%.3f %.3f %.3f rg %.2f %.2f m %s h f*" % (r, g, b, x, y, pts))
        elif kind == 3:
            ops.append("q %.2f %.2f 40 40 re W n %.3f g %.2f %.2f m %.2f %.2f l %.2f %.2f l h f Q" % (
                x, y, r, x - 10, y - 10, x + 60, y + 20, x + 20, y + 60))
        else:
            ops.append("%.3f %.3f %.3f %.3f K 1 J 1 j %.2f w %.2f %.2f m %.2f %.2f l %.2f %.2f l S" % (
                r, g, b, 0.1, rnd.uniform(0.5, 3), x, y, x + rnd.uniform(-50, 50), y + rnd.uniform(-50, 50),
                x + rnd.uniform(-50, 50), y + rnd.uniform(-50, 50)))
    return "\n".join(ops).encode()

objs = {1: b"<< /Type /Catalog /Pages 2 0 R >>"}
kids = []
n = 3
for p in range(pages):
    page, content = n, n + 1
    n += 2
    kids.append(page)
    data = zlib.compress(page_content())
    objs[page] = b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents %d 0 R >>" % content
    objs[content] = b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(data) + data + b"\nendstream"
objs[2] = b"<< /Type /Pages /Kids [%s] /Count %d >>" % (b" ".join(b"%d 0 R" % k for k in kids), pages)
out = bytearray(b"%PDF-1.4\n")
offsets = {}
for k in sorted(objs):
    offsets[k] = len(out)
    out += b"%d 0 obj\n" % k + objs[k] + b"\nendobj\n"
x = len(out)
out += b"xref\n0 %d\n0000000000 65535 f \n" % (max(objs) + 1)
for k in range(1, max(objs) + 1):
    out += b"%010d 00000 n \n" % offsets[k]
out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (max(objs) + 1, x)
open(out_path, "wb").write(out)
