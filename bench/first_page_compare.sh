#!/usr/bin/env bash
# Opening a huge file and rendering its first page, the way a person opens a reference manual:
# brevia-cli render --page 1 (72 dpi, PNG) next to mutool draw and pdftoppm of page 1, in one
# run (bench/race.py). The default file is the 2,400-page R reference manual (r-doc-pdf).
#   bench/first_page_compare.sh [build/bin/brevia-cli] [FILE.pdf]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=${1:-$here/../build/bin/brevia-cli}
file=${2:-/usr/share/R/doc/manual/fullrefman.pdf}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "file: $file ($(stat -c %s "$file") bytes)"
python3 "$here/race.py" --runs "${runs:-7}" \
  "brevia-cli render page 1" -- "$cli" render "$file" --page 1 -o "$work/b.png" \
  --- "mutool draw page 1" -- mutool draw -q -r 72 -o "$work/m.png" "$file" 1 \
  --- "pdftoppm page 1" -- pdftoppm -r 72 -f 1 -l 1 -png "$file" "$work/p"
python3 "$here/race.py" --runs "${runs:-7}" \
  "brevia-cli info" -- "$cli" info "$file" \
  --- "mutool info" -- mutool info "$file"
