#!/usr/bin/env bash
# Thumbnails of 100 PDF files of the installed documentation (/usr/share/doc), as a file manager
# asks for them (128 pixels, page 1 to PNG): brevia-thumbnailer against evince-thumbnailer when
# it is installed, else pdftoppm -scale-to. Processor time (user + system) and wall time in ms
# per file, the best of $runs runs (default 3), both tools timed in the same run.
#   bench/thumbnail_compare.sh [build/bin/brevia-thumbnailer] [SIZE]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
thumbnailer=${1:-$here/../build/bin/brevia-thumbnailer}
size=${2:-128}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Files in a fixed order; at most one per package folder first, so that a package with hundreds
# of PDFs does not make up the sample.
find /usr/share/doc -name '*.pdf' -type f 2>/dev/null | sort > "$work/all"
awk -F/ '!seen[$5]++' "$work/all" > "$work/list"
grep -vxFf "$work/list" "$work/all" >> "$work/list" || true
head -n "${count:-100}" "$work/list" > "$work/files"
n=$(wc -l < "$work/files")
[ "$n" -gt 0 ] || { echo "no PDF files under /usr/share/doc"; exit 1; }
bytes=$(tr '\n' '\0' < "$work/files" | du -cb --files0-from=- | tail -1 | cut -f1)
echo "$n files, $((bytes / 1024 / 1024)) MiB, size $size"

ours() {
  local i=0
  while IFS= read -r f; do
    i=$((i + 1))
    "$thumbnailer" -s "$size" "$f" "$work/b-$i.png" 2> /dev/null || true
  done < "$work/files"
}
if command -v evince-thumbnailer > /dev/null; then
  peerName="evince-thumbnailer -s $size"
  peer() {
    local i=0
    while IFS= read -r f; do
      i=$((i + 1))
      evince-thumbnailer -s "$size" "$f" "$work/e-$i.png" 2> /dev/null || true
    done < "$work/files"
  }
else
  peerName="pdftoppm -scale-to $size -png -singlefile (page 1)"
  peer() {
    local i=0
    while IFS= read -r f; do
      i=$((i + 1))
      pdftoppm -scale-to "$size" -png -singlefile -f 1 -l 1 "$f" "$work/p-$i" 2> /dev/null || true
    done < "$work/files"
  }
fi
source "$here/timing.sh"
pages=$n
echo "brevia-thumbnailer -s $size: $(best ours)" | sed 's|ms/page|ms/file|g'
echo "$peerName: $(best peer)" | sed 's|ms/page|ms/file|g'
made=$(find "$work" -name 'b-*.png' | wc -l)
peerMade=$(find "$work" -name '[ep]-*.png' | wc -l)
echo "thumbnails written: brevia $made, peer $peerMade (of $n files)"
