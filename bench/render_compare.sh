#!/usr/bin/env bash
# Per-page render time at 150 dpi for vector-heavy pages: brevia-cli next to pdftoppm and
# mutool draw on the same pages, in one run. Prints the best of three runs, wall and processor
# time (user + system), divided by the number of pages.
#   bench/render_compare.sh [build/bin/brevia-cli] [FILE.pdf]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=${1:-$here/../build/bin/brevia-cli}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=${2:-}
if [ -z "$file" ]; then
  file=$work/vector.pdf
  python3 "$here/make_vector_pages.py" "$file" 5 4000
fi
pages=$(pdfinfo "$file" | awk '/^Pages:/{print $2}')
source "$here/timing.sh"
echo "file: $file ($pages pages), 150 dpi"
printf '%-22s %s\n' "brevia-cli render" "$(best "$cli" render "$file" --page all --dpi 150 -o "$work/b")"
command -v pdftoppm >/dev/null && printf '%-22s %s\n' "pdftoppm -r 150" "$(best pdftoppm -r 150 -png "$file" "$work/p")"
command -v mutool >/dev/null && printf '%-22s %s\n' "mutool draw -r 150" "$(best mutool draw -q -r 150 -o "$work/m-%d.png" "$file")"
