#!/usr/bin/env bash
# Text extraction of a 500-page text document (one- and two-column pages): brevia-cli text
# next to pdftotext on the same file, in one run. Prints the best of three runs, wall and
# processor time (user + system) per page, and how closely the two texts agree word by word,
# page by page: the same words, and the same words in the same order (the two read two-column
# pages differently where paragraph breaks of both columns line up).
#   bench/text_extract_compare.sh [build/bin/brevia-cli] [FILE.pdf]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=${1:-$here/../build/bin/brevia-cli}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=${2:-}
if [ -z "$file" ]; then
  file=$work/text.pdf
  /usr/bin/python3 "$here/make_text_extract_pages.py" "$file" 500
fi
pages=$(pdfinfo "$file" | awk '/^Pages:/{print $2}')
source "$here/timing.sh"
digits=2
echo "file: $file ($pages pages)"
printf '%-20s %s\n' "brevia-cli text" "$(best "$cli" text "$file")"
command -v pdftotext >/dev/null || exit 0
printf '%-20s %s\n' "pdftotext" "$(best pdftotext "$file" -)"
"$cli" text "$file" > "$work/brevia.txt" 2>/dev/null || true
pdftotext "$file" "$work/poppler.txt"
/usr/bin/python3 - "$work/brevia.txt" "$work/poppler.txt" <<'PY'
import difflib, sys
a = open(sys.argv[1], encoding="utf-8", errors="replace").read().split("\f")
b = open(sys.argv[2], encoding="utf-8", errors="replace").read().split("\f")
pages = min(len(a), len(b))
ratios, words_a, words_b = [], 0, 0
for i in range(pages):
    wa, wb = a[i].split(), b[i].split()
    words_a += len(wa)
    words_b += len(wb)
    if wa or wb:
        ratios.append(difflib.SequenceMatcher(None, wa, wb, autojunk=False).ratio())
from collections import Counter
common = sum((Counter(a[i].split()) & Counter(b[i].split())).total() for i in range(pages))
mean = sum(ratios) / len(ratios) if ratios else 0
print("words: brevia-cli %d, pdftotext %d; the same words: %.1f %%; in the same order: %.1f %% (mean per page)"
      % (words_a, words_b, 100 * common / max(words_a, words_b, 1), mean * 100))
PY
