#!/usr/bin/env bash
# Real pages of several kinds (text, vector drawings, images), N pages taken evenly from the
# given PDFs into one file, rendered at 72, 150 and 300 dpi next to mutool draw with the same
# uncompressed output (PAM files in a memory-backed folder); peak memory of each side.
#   bench/mixed_render_compare.sh [build/bin/brevia-cli] [PAGES] [FILE.pdf...]
# Without files it takes the PDFs under /usr/share/doc and /usr/share/R/doc (install e.g.
# r-doc-pdf, texlive-latex-base-doc, texlive-pictures-doc for a good mix).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=${1:-$here/../build/bin/brevia-cli}
count=${2:-100}
shift $(( $# > 2 ? 2 : $# ))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  mapfile -t files < <(find /usr/share/doc /usr/share/R/doc -name '*.pdf' -size +20k 2>/dev/null | sort)
fi
python3 "$here/make_mixed_pages.py" "$work/mixed.pdf" "$count" "${files[@]}"
# Uncompressed page files in a memory-backed folder on every side, so that several workers can
# write pages side by side (standard output keeps pages in order and so takes one worker).
out=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work" "$out"' EXIT
for dpi in 72 150 300; do
  echo "== $dpi dpi"
  python3 "$here/race.py" --runs "${runs:-3}" \
    "brevia-cli pam" -- "$cli" render "$work/mixed.pdf" --page all --dpi "$dpi" --format pam --jobs 1 -o "$out/b" \
    --- "mutool draw pam" -- mutool draw -q -r "$dpi" -F pam -o "$out/m-%d.pam" "$work/mixed.pdf" \
    --- "brevia-cli pam jobs 2" -- "$cli" render "$work/mixed.pdf" --page all --dpi "$dpi" --format pam --jobs 2 -o "$out/j"
done
