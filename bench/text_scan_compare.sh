#!/usr/bin/env bash
# Text of a whole document, page by page as the search scan reads it: brevia-cli text next to
# mutool draw -F txt on the same file, raced in turns in one run (bench/race.py), with the
# median ratio of the times. The default file is the 2,400-page R reference manual.
#   bench/text_scan_compare.sh [build/bin/brevia-cli] [FILE.pdf] [runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=${1:-$here/../build/bin/brevia-cli}
file=${2:-/usr/share/R/doc/manual/fullrefman.pdf}
runs=${3:-5}
[ -f "$file" ] || { echo "no $file (Debian's r-doc-pdf)" >&2; exit 1; }
echo "file: $file ($(pdfinfo "$file" | awk '/^Pages:/{print $2}') pages)"
# mutool writes a line per page to standard error; both sides write their text nowhere.
/usr/bin/python3 "$here/race.py" --runs "$runs" \
  "brevia-cli text" -- "$cli" text "$file" --- \
  "mutool draw -F txt" -- sh -c 'exec mutool draw -F txt -o /dev/null "$0" 2>/dev/null' "$file"
