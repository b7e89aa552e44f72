#!/usr/bin/env bash
# Render time of a transparency-heavy page set (soft masks, groups, blend modes, tiling
# patterns, function and mesh shadings, masked images) from Debian's TeX Live documentation:
# brevia-cli next to mutool draw, both writing PAM to /dev/null, in one run (bench/race.py).
#   bench/transparency_compare.sh [build/bin/brevia-cli] [DPI]
# Needs texlive-publishers-doc, texlive-latex-recommended-doc, texlive-pictures-doc and qpdf.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=${1:-$here/../build/bin/brevia-cli}
dpi=${2:-150}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
doc=/usr/share/doc/texlive-doc/latex
set=$work/transparency.pdf
qpdf --empty --pages \
  "$doc/beamer/beamerexample-conference-talk.pdf" 2,4,5 \
  "$doc/beamer/beameruserguide.pdf" 1-6 \
  "$doc/tikzfill/tikzfill.pdf" 1-3 \
  "$doc/xput/example-borders-and-shadows.pdf" 1 \
  "$doc/bjfuthesis/example/contents/cover.pdf" 1 \
  "$doc/bjfuthesis/example/contents/mission-statement.pdf" 1 \
  "$doc/beamer-verona/beamer-verona.pdf" 1-3 \
  -- "$set"
pages=$(pdfinfo "$set" 2>/dev/null | awk '/^Pages:/{print $2}')
echo "page set: ${pages:-?} pages, $dpi dpi, runs: ${runs:-5}"
python3 "$here/race.py" --runs "${runs:-5}" \
  "brevia-cli pam" -- "$cli" render "$set" --page all --dpi "$dpi" --format pam --jobs 1 -o - \
  --- "mutool draw pam" -- mutool draw -q -r "$dpi" -F pam -o /dev/null "$set"
