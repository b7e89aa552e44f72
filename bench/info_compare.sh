#!/usr/bin/env bash
# Times `brevia-cli info` on a 2,000-page file with object streams and cross-reference streams,
# next to qpdf --show-npages and pdfinfo on the same file (best of 5 runs each).
#   bench/info_compare.sh [build/bin/brevia-cli]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=${1:-$here/../build/bin/brevia-cli}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/make_pages.py" "$work/plain.pdf" 2000
qpdf --object-streams=generate "$work/plain.pdf" "$work/pages2000.pdf"
# Best wall time and best processor time (user + system) of five runs, in ms.
source "$here/timing.sh"
runs=5
echo "file: 2,000 pages, object streams and cross-reference streams ($(stat -c %s "$work/pages2000.pdf") bytes)"
printf '%-28s %s\n' "brevia-cli info" "$(best "$cli" info "$work/pages2000.pdf")"
command -v qpdf >/dev/null && printf '%-28s %s\n' "qpdf --show-npages" "$(best qpdf --show-npages "$work/pages2000.pdf")"
command -v pdfinfo >/dev/null && printf '%-28s %s\n' "pdfinfo" "$(best pdfinfo "$work/pages2000.pdf")"
printf '%-28s %s\n' "brevia-cli info (classic)" "$(best "$cli" info "$work/plain.pdf")"
