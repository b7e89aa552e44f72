#!/usr/bin/env python3
"""Writes a PDF of text-heavy pages for benchmarks: dense body text in embedded TrueType subsets
and standard-14 fonts, at several sizes, with a heading, a two-column part and rotated labels.
usage: make_font_text_pages.py OUT.pdf [PAGES]   (needs python3-reportlab and fonts-liberation2)"""
import random
import sys

from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.ttfonts import TTFont
from reportlab.pdfgen import canvas

out_path = sys.argv[1]
pages = int(sys.argv[2]) if len(sys.argv) > 2 else 5
rnd = random.Random(11)
LIB = '/usr/share/fonts/truetype/liberation2/'
pdfmetrics.registerFont(TTFont('Serif', LIB + 'LiberationSerif-Regular.ttf'))
pdfmetrics.registerFont(TTFont('SerifItalic', LIB + 'LiberationSerif-Italic.ttf'))
pdfmetrics.registerFont(TTFont('SansBold', LIB + 'LiberationSans-Bold.ttf'))
pdfmetrics.registerFont(TTFont('Mono', LIB + 'LiberationMono-Regular.ttf'))
WORDS = ("the of and to in is was that for it with as his on be at by had are but from or have an they which "
         "one you were all we her she there would their will when who him been has more if no out so said what "
         "up its about than into them can only other new some could time these two may first then do any like "
         "naïve façade déjà vu coöperate Übermaß").split()


def sentence(n):
    return ' '.join(rnd.choice(WORDS) for _ in range(n))


c = canvas.Canvas(out_path)
for page in range(pages):
    c.setFont('SansBold', 18)
    c.drawString(56, 800, 'Chapter %d: %s' % (page + 1, sentence(4).title()))
    y = 776
    for line in range(24):
        c.setFont('Serif' if line % 9 else 'SerifItalic', 10)
        c.drawString(56, y, sentence(16))
        y -= 12.5
    # Two columns in standard-14 fonts.
    top = y - 6
    for column, x in enumerate((56, 306)):
        y = top
        for line in range(30):
            c.setFont('Times-Roman' if column == 0 else 'Helvetica', 8.5)
            c.drawString(x, y, sentence(9))
            y -= 10.5
    c.setFont('Mono', 7)
    for line in range(6):
        c.drawString(56, y - 8 - line * 9, 'code %04d: %s' % (line, sentence(12)))
    c.saveState()
    c.translate(580, 100)
    c.rotate(90)
    c.setFont('Helvetica-Bold', 9)
    c.drawString(0, 0, 'rotated label %d %s' % (page + 1, sentence(5)))
    c.restoreState()
    c.showPage()
c.save()
