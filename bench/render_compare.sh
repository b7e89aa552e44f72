#!/usr/bin/env bash
# Render time of every page of a file at one resolution: brevia-cli next to mutool draw and
# pdftoppm, like with like, in one run (bench/race.py: the commands take turns; medians and the
# median per-round ratio are printed).
#   - uncompressed output to /dev/null on every side (PAM for us and mutool, PPM for pdftoppm),
#     so the figures are rendering alone;
#   - PNG files on both sides at zlib's default level;
#   - ours with two worker processes.
#   bench/render_compare.sh [build/bin/brevia-cli] [FILE.pdf] [DPI]
# Without a file, make_vector_pages.py writes 5 pages of 4,000 shapes each.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=${1:-$here/../build/bin/brevia-cli}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=${2:-}
dpi=${3:-150}
if [ -z "$file" ]; then
  file=$work/vector.pdf
  python3 "$here/make_vector_pages.py" "$file" 5 4000
fi
pages=$(pdfinfo "$file" 2>/dev/null | awk '/^Pages:/{print $2}')
echo "file: $file (${pages:-?} pages), $dpi dpi, runs: ${runs:-5}"
echo "-- uncompressed output to /dev/null"
python3 "$here/race.py" --runs "${runs:-5}" \
  "brevia-cli pam" -- "$cli" render "$file" --page all --dpi "$dpi" --format pam --jobs 1 -o - \
  --- "mutool draw pam" -- mutool draw -q -r "$dpi" -F pam -o /dev/null "$file" \
  --- "pdftoppm ppm" -- pdftoppm -r "$dpi" "$file" \
  --- "brevia-cli pam jobs 2" -- "$cli" render "$file" --page all --dpi "$dpi" --format pam --jobs 2 -o -
echo "-- PNG files, zlib level 6 on both sides"
python3 "$here/race.py" --runs "${runs:-5}" \
  "brevia-cli png" -- "$cli" render "$file" --page all --dpi "$dpi" --png-level 6 --jobs 1 -o "$work/b" \
  --- "mutool draw png" -- mutool draw -q -r "$dpi" -o "$work/m-%d.png" "$file"
