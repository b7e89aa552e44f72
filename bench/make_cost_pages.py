#!/usr/bin/env python3
"""Writes the pages whose drawing cost used to grow faster than their content:
  mask  - a 2 x 2 image with a 34,862 x 4,332 soft mask (Flate, compresses well), drawn at a few
          hundred device pixels;
  clips - a form XObject of 7,000 clips (W n inside q/Q, about 65,000 path segments: 16,000 in
          the form's outline, the rest in small clips, partly outside the page) and 480 fills.
usage: make_cost_pages.py mask|clips OUT.pdf"""
import math, random, sys, zlib


def write_pdf(path, objs):
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
    with open(path, "wb") as f:
        f.write(out)


def stream(dictionary, data):
    return dictionary + b" /Length %d >>\nstream\n" % len(data) + data + b"\nendstream"


def mask_page(path):
    width, height = 34862, 4332
    # Blocks of 1000 x 500 samples, alternately clear and opaque, with a ramp in the clear ones:
    # drawn small they still show where the mask lands.
    squeeze = zlib.compressobj(6)
    parts = []
    rows = {}
    for y in range(height):
        band = (y // 500) % 2
        if band not in rows:
            row = bytearray(width)
            for x in range(width):
                row[x] = 255 if ((x // 1000) + band) % 2 else (x % 1000) * 255 // 999 // 2
            rows[band] = bytes(row)
        parts.append(squeeze.compress(rows[band]))
    parts.append(squeeze.flush())
    mask = b"".join(parts)
    content = b"q 400 0 0 50 100 600 cm /Im0 Do Q 0 0 1 rg 100 550 400 20 re f"
    write_pdf(path, {
        1: b"<< /Type /Catalog /Pages 2 0 R >>",
        2: b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        3: b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
           b"/Resources << /XObject << /Im0 5 0 R >> >> >>",
        4: stream(b"<<", content),
        5: stream(b"<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceRGB "
                  b"/BitsPerComponent 8 /SMask 6 0 R", bytes([200, 30, 30, 30, 200, 30,
                                                             30, 30, 200, 200, 200, 30])),
        6: stream(b"<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceGray "
                  b"/BitsPerComponent 8 /Filter /FlateDecode" % (width, height), mask),
    })


def polygon(cx, cy, radius, sides, rnd):
    pts = []
    for k in range(sides):
        a = 2 * math.pi * k / sides + rnd.uniform(-0.2, 0.2)
        r = radius * rnd.uniform(0.8, 1.2)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    ops = ["%.2f %.2f m" % pts[0]] + ["%.2f %.2f l" % p for p in pts[1:]] + ["h"]
    return " ".join(ops)


def clips_page(path):
    rnd = random.Random(27)
    ops = []
    clips = 0
    # The form's own outline first: one clip of 16,000 segments (a wobbly ring round the page)
    # that every later fill lies under.
    ring = []
    for k in range(16000):
        a = 2 * math.pi * k / 16000
        r = 520 + 6 * math.sin(a * 120)
        ring.append((306 + r * math.cos(a), 396 + r * math.sin(a)))
    ops.append("q " + "%.2f %.2f m " % ring[0] + " ".join("%.2f %.2f l" % p for p in ring[1:]) +
               " h W n")
    clips += 1
    # 480 fills, each under a few nested clips that close in on it (some wander off the page, where
    # the form reaches twice as far as the page), then clips that hold nothing.
    for g in range(480):
        cx, cy = rnd.uniform(-600, 1200), rnd.uniform(-100, 900)
        for depth in range(3):
            radius = 60 - 3 * depth
            ops.append("q " + polygon(cx + rnd.uniform(-4, 4), cy + rnd.uniform(-4, 4), radius, 7,
                                      rnd) + " W n")
            clips += 1
        ops.append("%.3f %.3f %.3f rg %.2f %.2f 90 90 re f" % (
            rnd.random(), rnd.random(), rnd.random(), cx - 45, cy - 45))
        ops.append(" ".join(["Q"] * 3))
    while clips < 7000:
        ops.append("q " + polygon(rnd.uniform(-600, 1200), rnd.uniform(-100, 900), 20, 7, rnd) +
                   " W n Q")
        clips += 1
    ops.append("Q")
    form = zlib.compress("\n".join(ops).encode())
    content = b"q 1 0 0 1 0 0 cm /Fm0 Do Q"
    write_pdf(path, {
        1: b"<< /Type /Catalog /Pages 2 0 R >>",
        2: b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        3: b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
           b"/Resources << /XObject << /Fm0 5 0 R >> >> >>",
        4: stream(b"<<", content),
        5: stream(b"<< /Type /XObject /Subtype /Form /BBox [-700 -200 1300 1000] "
                  b"/Filter /FlateDecode", form),
    })


if __name__ == "__main__":
    kind, out = sys.argv[1], sys.argv[2]
    {"mask": mask_page, "clips": clips_page}[kind](out)
