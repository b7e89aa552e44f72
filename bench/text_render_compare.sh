#!/usr/bin/env bash
# Per-page render time at 150 dpi for text-heavy pages: brevia-cli next to pdftoppm and mutool
# draw on the same pages, in one run. Prints the best of three runs, wall and processor time
# (user + system), divided by the number of pages.
#   bench/text_render_compare.sh [build/bin/brevia-cli] [FILE.pdf]
# Without a file, make_font_text_pages.py writes one (needs python3-reportlab, fonts-liberation2).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=${1:-$here/../build/bin/brevia-cli}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=${2:-}
if [ -z "$file" ]; then
  file=$work/text.pdf
  /usr/bin/python3 "$here/make_font_text_pages.py" "$file" 5
fi
"$here/render_compare.sh" "$cli" "$file" 150
