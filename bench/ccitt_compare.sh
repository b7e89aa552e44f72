#!/usr/bin/env bash
# Decoding speed of our fax decoder next to libtiff's (tiffcp -c none) on a 300 dpi text page
# coded as Group 4. Both sides are timed per process (start, read, decode, write the pixels)
# in processor time (user + system), several runs each, in the same run of this script. Also
# printed: libtiff's decoding alone, estimated by subtracting a copy of the uncompressed file,
# and our in-process decode time.
# Usage: bench/ccitt_compare.sh BUILD_DIR [repeats] [PDF] [PAGE]
set -euo pipefail
build=${1:?usage: ccitt_compare.sh BUILD_DIR [repeats] [PDF] [PAGE]}
repeats=${2:-20}
pdf=${3:-/usr/share/doc/texlive-doc/bibtex/base/btxdoc.pdf}
page=${4:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=tiffg4 -r300 -dFirstPage="$page" -dLastPage="$page" \
   -sOutputFile="$work/multi.tif" "$pdf"
tiffcp -c g4 -r 100000 "$work/multi.tif" "$work/page.tif"  # one strip
dump=$(tiffdump "$work/page.tif")
field() { echo "$dump" | sed -n "s/^$1 ([0-9]*) [A-Z]* ([0-9]*) 1<\([0-9]*\)>.*/\1/p"; }
width=$(field ImageWidth); height=$(field ImageLength)
offset=$(field StripOffsets); count=$(field StripByteCounts)
dd if="$work/page.tif" of="$work/page.g4" bs=1 skip="$offset" count="$count" status=none

# The two decodings must agree before their speed means anything.
"$build/bin/ccitt_bench" -o "$work/ours.raw" "$width" "$height" "$work/page.g4"
tiffcp -c none "$work/page.tif" "$work/plain.tif"
plain=$(tiffdump "$work/plain.tif" | sed -n 's/^StripOffsets ([0-9]*) [A-Z]* ([0-9]*) 1<\([0-9]*\)>.*/\1/p')
if ! cmp -s "$work/ours.raw" <(tail -c +"$((plain + 1))" "$work/plain.tif" | head -c "$(stat -c %s "$work/ours.raw")"); then
  echo "decodings differ" >&2
  exit 1
fi

cpu_ms() {  # command...; prints processor milliseconds per run
  local seconds
  seconds=$( { TIMEFORMAT='%U %S'; time (for _ in $(seq "$repeats"); do "$@"; done); } 2>&1 )
  awk -v n="$repeats" -v t="$seconds" 'BEGIN { split(t, p, " "); printf "%.2f", 1e3 * (p[1] + p[2]) / n }'
}
ours=$(cpu_ms "$build/bin/ccitt_bench" -o "$work/ours.raw" "$width" "$height" "$work/page.g4")
theirs=$(cpu_ms tiffcp -c none "$work/page.tif" "$work/plain.tif")
# The same copy from an uncompressed file: start, read and write without decoding.
copy=$(cpu_ms tiffcp -c none "$work/plain.tif" "$work/copy.tif")
printf 'page %sx%s, %s coded bytes\n' "$width" "$height" "$count"
printf 'per process: ours %s ms, tiffcp -c none %s ms (ratio %.2f)\n' "$ours" "$theirs" \
  "$(awk -v a="$ours" -v b="$theirs" 'BEGIN { print b / a }')"
printf 'tiffcp decoding alone about %s ms (its run less a copy of the uncompressed file, %s ms)\n' \
  "$(awk -v a="$theirs" -v b="$copy" 'BEGIN { printf "%.2f", a - b }')" "$copy"
"$build/bin/ccitt_bench" -n 200 "$width" "$height" "$work/page.g4"
