#!/usr/bin/env bash
# A large baseline JPEG drawn small: a 6000x4000 photo-like image on a 4x3 inch page, drawn at
# 72 dpi (288x216 device pixels). Processor time (user + system), median of 3, for each CLI given
# and for mutool, all in one run; PAM to /dev/null for both.
# Usage: bench/large_jpeg_compare.sh CLI [CLI...]
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: large_jpeg_compare.sh CLI [CLI...]" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 6000x4000 -seed 7 plasma:fractal -quality 90 "$work/big.jpg"
img2pdf --pagesize 4inx3in -o "$work/big.pdf" "$work/big.jpg"

cpu() {  # command...: processor seconds of one run
  local t
  t=$( { TIMEFORMAT='%U %S'; time "$@" > /dev/null 2>&1; } 2>&1 )
  awk -v t="$t" 'BEGIN { split(t, p, " "); printf "%.3f\n", p[1] + p[2] }'
}
median3() { sort -n | sed -n 2p; }

for cli in "$@"; do
  m=$(for _ in 1 2 3; do cpu "$cli" render "$work/big.pdf" --page 1 --dpi 72 --format pam -o /dev/null; done | median3)
  printf '%-40s %s s\n' "$cli" "$m"
done
m=$(for _ in 1 2 3; do cpu mutool draw -r 72 -F pam -o /dev/null "$work/big.pdf" 1; done | median3)
printf '%-40s %s s\n' mutool "$m"
