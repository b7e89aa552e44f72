#!/usr/bin/env bash
# Image-heavy pages at 150 dpi: brevia-cli render next to pdftoppm and mutool draw, in one run.
# Makes four pages of large photo-like JPEG images (ImageMagick and img2pdf) and hands them to
# render_compare.sh.
#   bench/image_render_compare.sh [build/bin/brevia-cli]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in 1 2 3 4; do
  convert -size 3000x2200 -seed $i plasma:fractal -blur 0x1 -quality 88 "$work/photo$i.jpg"
done
convert -size 2400x1800 -seed 9 plasma:fractal -interlace JPEG -quality 85 "$work/photo5.jpg"
img2pdf --pagesize A4 "$work"/photo*.jpg -o "$work/images.pdf"
"$here/render_compare.sh" "${1:-$here/../build/bin/brevia-cli}" "$work/images.pdf"
