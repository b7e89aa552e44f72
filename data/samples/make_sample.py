#!/usr/bin/env python3
"""Writes sample.pdf, the document the reader opens when it is given none."""
import zlib

pages = []

page1 = b"""
q 0.13 0.29 0.53 rg 0 712 612 80 re f Q
BT /F2 28 Tf 1 1 1 rg 54 740 Td (Brevia Reader) Tj ET
BT /F1 13 Tf 0.2 g 54 680 Td 16 TL
(A fast, careful PDF reader with its own engine.) Tj T*
(This sample shows filled and stroked paths, colours, clipping and text.) Tj ET
q 1 0 0 1 54 420 cm
  0.95 0.55 0.10 rg 0 0 150 150 re f
  0.10 0.60 0.35 rg 40 40 m 190 40 l 115 190 l h f
q 260 0 200 200 re W n
  0.85 0.15 0.25 rg
  360 100 m 360 155 315 200 260 200 c 205 200 160 155 160 100 c 160 45 205 0 260 0 c 315 0 360 45 360 100 c f
Q
  0 0 0.8 RG 6 w 1 J 1 j 390 20 m 440 170 l 490 20 l S
  0.4 G 1 w 0 -20 m 504 -20 l S
Q
BT /F3 11 Tf 0.3 g 54 360 Td 14 TL
(Zoom, rotate, search and copy: everything between the file and the pixels is ours.) Tj T*
(Page 2 is turned a quarter.) Tj ET
q 0.2 0.4 0.8 RG 2 w 54 100 504 200 re S
  0.9 0.93 0.98 rg 56 102 500 196 re f*
  0 0 0 1 k 80 130 m 530 270 l 530 130 l f
Q
"""

page2 = b"""
BT /F2 22 Tf 0.1 0.1 0.3 rg 60 520 Td (A rotated page) Tj ET
q 0.2 0.5 0.9 rg 60 100 300 300 re f 1 1 0 rg 120 160 180 180 re f Q
BT /F1 12 Tf 0 g 400 300 Td (Rotate 90) Tj ET
"""

def stream(data):
    z = zlib.compress(data.strip())
    return b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(z) + z + b"\nendstream"

objs = {
    1: b"<< /Type /Catalog /Pages 2 0 R >>",
    2: b"<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 /Resources 5 0 R >>",
    3: b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 6 0 R >>",
    4: b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 612] /Rotate 90 /Contents 7 0 R >>",
    5: b"<< /Font << /F1 8 0 R /F2 9 0 R /F3 10 0 R >> >>",
    6: stream(page1),
    7: stream(page2),
    8: b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
    9: b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>",
    10: b"<< /Type /Font /Subtype /Type1 /BaseFont /Times-Italic /Encoding /WinAnsiEncoding >>",
    11: b"<< /Title (Brevia Reader sample) /Producer (make_sample.py) >>",
}
out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
offsets = {}
for n in sorted(objs):
    offsets[n] = len(out)
    out += b"%d 0 obj\n" % n + objs[n] + b"\nendobj\n"
xref = len(out)
out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1)
for n in sorted(objs):
    out += b"%010d 00000 n \n" % offsets[n]
out += b"trailer\n<< /Size %d /Root 1 0 R /Info 11 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objs) + 1, xref)
open("sample.pdf", "wb").write(out)
