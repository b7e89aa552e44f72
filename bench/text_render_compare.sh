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
pages=$(pdfinfo "$file" | awk '/^Pages:/{print $2}')
best() {
  local bestWall=999999 bestCpu=999999
  for _ in 1 2 3; do
    local t wall cpu
    t=$( { TIMEFORMAT='%R %U %S'; time "$@" > /dev/null 2>&1; } 2>&1 )
    read -r wall user sys <<< "$t"
    wall=$(awk -v w="$wall" -v p="$pages" 'BEGIN { printf "%.1f", w * 1000 / p }')
    cpu=$(awk -v u="$user" -v s="$sys" -v p="$pages" 'BEGIN { printf "%.1f", (u + s) * 1000 / p }')
    awk -v a="$wall" -v b="$bestWall" 'BEGIN { exit !(a < b) }' && bestWall=$wall
    awk -v a="$cpu" -v b="$bestCpu" 'BEGIN { exit !(a < b) }' && bestCpu=$cpu
  done
  echo "$bestWall ms/page wall, $bestCpu ms/page cpu"
}
echo "file: $file ($pages pages), 150 dpi"
printf '%-22s %s\n' "brevia-cli render" "$(best "$cli" render "$file" --page all --dpi 150 -o "$work/b")"
command -v pdftoppm >/dev/null && printf '%-22s %s\n' "pdftoppm -r 150" "$(best pdftoppm -r 150 -png "$file" "$work/p")"
command -v mutool >/dev/null && printf '%-22s %s\n' "mutool draw -r 150" "$(best mutool draw -q -r 150 -o "$work/m-%d.png" "$file")"
