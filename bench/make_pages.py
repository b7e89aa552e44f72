#!/usr/bin/env python3
"""Writes a PDF of N pages (default 2000) with a little vector content on each, for benchmarks.
usage: make_pages.py OUT.pdf [N]"""
import sys, zlib

out_path = sys.argv[1]
count = int(sys.argv[2]) if len(sys.argv) > 2 else 2000
objs = {1: b"<< /Type /Catalog /Pages 2 0 R >>"}
# A two-level tree: nodes of 50 pages each.
per_node = 50
nodes = []
next_num = 3
page_nums = []
for first in range(0, count, per_node):
    node = next_num; next_num += 1
    nodes.append(node)
    kids = []
    for i in range(first, min(count, first + per_node)):
        page = next_num; content = next_num + 1; next_num += 2
        kids.append(page)
        data = zlib.compress(b"q %d 0 0 rg 50 50 %d 300 re f Q 0 0 1 RG 2 w 40 40 m 500 %d l S" % (i % 2, 100 + i % 300, 200 + i % 400))
        objs[page] = b"<< /Type /Page /Parent %d 0 R /Contents %d 0 R >>" % (node, content)
        objs[content] = b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(data) + data + b"\nendstream"
    objs[node] = b"<< /Type /Pages /Parent 2 0 R /Kids [%s] /Count %d >>" % (b" ".join(b"%d 0 R" % k for k in kids), len(kids))
objs[2] = b"<< /Type /Pages /Kids [%s] /Count %d /MediaBox [0 0 612 792] >>" % (b" ".join(b"%d 0 R" % n for n in nodes), count)
out = bytearray(b"%PDF-1.5\n")
offsets = {}
for n in sorted(objs):
    offsets[n] = len(out)
    out += b"%d 0 obj\n" % n + objs[n] + b"\nendobj\n"
x = len(out)
size = max(objs) + 1
out += b"xref\n0 %d\n0000000000 65535 f \n" % size
for n in range(1, size):
    out += b"%010d 00000 n \n" % offsets[n] if n in offsets else b"0000000000 00000 f \n"
out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (size, x)
open(out_path, "wb").write(out)
