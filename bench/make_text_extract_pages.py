#!/usr/bin/env python3
"""Writes a PDF of N pages of running text (default 500) for text extraction benchmarks: odd
pages one column, even pages two columns under a heading, with page numbers. Standard fonts,
not embedded.
usage: make_text_extract_pages.py OUT.pdf [N]"""
import random, sys
from reportlab.lib.pagesizes import letter
from reportlab.pdfbase.pdfmetrics import stringWidth
from reportlab.pdfgen import canvas

out_path = sys.argv[1]
count = int(sys.argv[2]) if len(sys.argv) > 2 else 500
rnd = random.Random(11)
words = ("the of and a to in is that for it as was with be by on not he this are or his from at which "
         "but have an they you were her she there been one all we their has would when if so no will "
         "reader page document column search selection copy layout font glyph stream object matrix "
         "baseline paragraph character encoding rendering resolution zoom rotation clipboard").split()

def sentence():
    s = " ".join(rnd.choice(words) for _ in range(rnd.randint(6, 16)))
    return s[0].upper() + s[1:] + "."

def wrap(text, font, size, width):
    lines, line = [], ""
    for w in text.split():
        candidate = w if not line else line + " " + w
        if stringWidth(candidate, font, size) > width and line:
            lines.append(line)
            line = w
        else:
            line = candidate
    if line:
        lines.append(line)
    return lines

def column(c, x, top, bottom, width, font="Times-Roman", size=10, leading=12):
    y = top
    while True:
        paragraph = " ".join(sentence() for _ in range(rnd.randint(3, 7)))
        for line in wrap(paragraph, font, size, width):
            if y < bottom:
                return
            c.setFont(font, size)
            c.drawString(x, y, line)
            y -= leading
        y -= leading / 2

c = canvas.Canvas(out_path, pagesize=letter)
for n in range(1, count + 1):
    c.setFont("Helvetica-Bold", 14)
    c.drawString(72, 740, "Section %d: %s" % (n, sentence()[:40].rstrip(".")))
    if n % 2:
        column(c, 72, 712, 80, 468)
    else:
        column(c, 72, 712, 80, 222)
        column(c, 318, 712, 80, 222)
    c.setFont("Helvetica", 9)
    c.drawCentredString(306, 50, "%d" % n)
    c.showPage()
c.save()
