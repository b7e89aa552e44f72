#!/usr/bin/env bash
# Pages whose cost used to grow faster than their content, each drawn by every CLI given and by
# mutool in one run: a large baseline JPEG drawn small, a 2 x 2 image with a 34,862 x 4,332 soft
# mask, and a form of 7,000 clips with 480 fills. Processor time (user + system), median of 3,
# PAM to /dev/null on both sides at 72 dpi; the ratio is against mutool's time of the same run.
# Usage: bench/cost_cases.sh CLI [CLI...]
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: cost_cases.sh CLI [CLI...]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 6000x4000 -seed 7 plasma:fractal -quality 90 "$work/big.jpg"
img2pdf --pagesize 4inx3in -o "$work/jpeg.pdf" "$work/big.jpg"
python3 "$here/make_cost_pages.py" mask "$work/mask.pdf"
python3 "$here/make_cost_pages.py" clips "$work/clips.pdf"

cpu() {  # command...: processor seconds of one run
  local t
  t=$( { TIMEFORMAT='%U %S'; time "$@" > /dev/null 2>&1; } 2>&1 )
  awk -v t="$t" 'BEGIN { split(t, p, " "); printf "%.3f\n", p[1] + p[2] }'
}
median3() { sort -n | sed -n 2p; }

for case in jpeg mask clips; do
  file="$work/$case.pdf"
  peer=$(for _ in 1 2 3; do cpu mutool draw -r 72 -F pam -o /dev/null "$file" 1; done | median3)
  for cli in "$@"; do
    ours=$(for _ in 1 2 3; do cpu "$cli" render "$file" --page 1 --dpi 72 --format pam -o /dev/null; done | median3)
    awk -v c="$case" -v cli="$cli" -v o="$ours" -v p="$peer" 'BEGIN {
      printf "%-6s %-40s %7.3f s   mutool %7.3f s   %5.2fx\n", c, cli, o, p, (p > 0 ? o / p : 0) }'
  done
done
